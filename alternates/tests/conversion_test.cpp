// The image commands changing documents: plughost runs Glimmerset alone with
// seeded option sets and saves, and the saved files are read back here; the
// allocator, scaler and data-cap cases run the plug-in in this process.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "alternates/GlimmersetPlugIn.h"
#include "alternates/ImageConverter.h"
#include "alternates/ImageWork.h"
#include "alternates/Scaler.h"
#include "core/host.h"
#include "plughost_runs.h"
#include "testing/pdfmaker.h"
#include "win/registry.h"

namespace {

using Values = std::vector<std::pair<std::string, std::string>>;

void Seed(const std::string& settings, const Values& values) {
  host::reg::Hive hive;
  for (const auto& v : values) hive["Software\\Zentu\\Glimmerset\\Current_Version"].Set(v.first, 1, v.second + '\0');
  hosttest::RunCommand("mkdir -p " + hosttest::Quoted(settings + "/registry"));
  hosttest::WriteFile(settings + "/registry/current_user.txt", host::reg::Serialize(hive));
}

// PDF-like text of an object; an indirect reference below the top is "R".
std::string Show(CosObj obj, bool top = true) {
  if (!top && CosObjIsIndirect(obj)) return "R";
  switch (CosObjGetType(obj)) {
    case CosInteger: return std::to_string(CosIntegerValue(obj));
    case CosName: return std::string("/") + ASAtomGetString(CosNameValue(obj));
    case CosString: return "(" + std::string(CosStringValue(obj, nullptr)) + ")";
    case CosArray: {
      std::string out = "[";
      for (ASInt32 i = 0; i < CosArrayLength(obj); ++i) out += (i ? " " : "") + Show(CosArrayGet(obj, i), false);
      return out + "]";
    }
    case CosDict:
    case CosStream: {
      std::string out = "<<";
      CosObjEnum(obj, [](CosObj key, CosObj value, void* text) -> ASBool {
        *static_cast<std::string*>(text) += " " + Show(key, false) + " " + Show(value, false);
        return 1;
      }, &out);
      return out + " >>";
    }
    default: return "null";
  }
}

std::string Data(CosObj stream, ASInt32 mode = 2) {
  ASStm stm = CosStreamOpenStm(stream, mode);
  std::string out;
  char chunk[4096];
  for (ASSize_t n; (n = ASStmRead(chunk, 1, sizeof chunk, stm)) > 0;) out.append(chunk, n);
  ASStmClose(stm);
  return out;
}

// A document open in this process, its images by page and resource name.
struct Doc {
  explicit Doc(const std::string& path) : doc(host::OpenDocument(path)) {}
  ~Doc() { host::CloseDocument(doc); }
  CosObj XObject(ASInt32 page, const char* name) {
    PDPage p = PDDocAcquirePage(doc, page);
    CosObj found = CosDictGet(CosDictGet(PDPageGetResources(p), ASAtomFromString("XObject")), ASAtomFromString(name));
    PDPageRelease(p);
    return found;
  }
  CosObj Get(CosObj obj, const char* key) { return CosDictGet(obj, ASAtomFromString(key)); }
  CosObj Alternate(const char* name) { return Get(CosArrayGet(Get(XObject(0, name), "Alternates"), 0), "Image"); }
  PDDoc doc;
};

const char* const kImages[] = {"Im1", "Im2", "Im3", "Im5"};

class ConversionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { hosttest::BindTables(); }
  // Runs `steps` on `pdf` with the set's values, saves, and answers the
  // saved file's path (empty when it was not saved).
  std::string Run(const std::string& pdf, const Values& values, const std::string& steps, std::string* out = nullptr) {
    hosttest::TempDir settings;
    Seed(settings.path(), values);
    const std::string saved = work_.File("out" + std::to_string(++runs_) + ".pdf");
    hosttest::ProcessResult run = alternatestest::RunGlimmerset(settings.path(), {pdf}, steps + "save " + saved + "\n");
    EXPECT_EQ(run.status, 0) << run.err;
    if (out) *out = run.out;
    EXPECT_EQ(hosttest::RunCommand("qpdf --check " + hosttest::Quoted(saved) + " >/dev/null"), 0);
    // No reference in the saved file names a null object.
    std::string json;
    hosttest::RunCommand("qpdf --json=2 --json-key=objects " + hosttest::Quoted(saved), &json);
    std::set<std::string> nulls;
    std::regex null("\"obj:(\\d+ \\d+ R)\": \\{\\s*\"value\": null");
    for (std::sregex_iterator it(json.begin(), json.end(), null), end; it != end; ++it) nulls.insert((*it)[1]);
    for (const std::string& n : nulls) EXPECT_EQ(json.find("\"" + n + "\""), std::string::npos) << n;
    return saved;
  }
  std::string PdfImages(const std::string& path) {
    std::string list;
    hosttest::RunCommand("pdfimages -list " + hosttest::Quoted(path) + " | tail -n +3 | awk '{print $1, $4, $5, $9, $11}'",
                         &list);
    // Page 2 draws Im1 alone: its object is the first of page 1.
    const std::string first = list.substr(0, list.find('\n'));
    const size_t two = list.find("\n2 ") + 1;
    EXPECT_EQ(list.substr(two, list.find('\n', two) - two).substr(1), first.substr(1));
    return std::regex_replace(list, std::regex(" \\d+\n"), "\n");
  }
  hosttest::TempDir work_;
  int runs_ = 0;
};

const std::string kCreate = "menu zent:GlimmersetCreateAltsMI\n";
const std::string kModify = "menu zent:GlimmersetModImagesMI\n";
const std::string kRemove = "menu zent:GlimmersetRemoveAltsMI\n";
const std::string kMarked = "/ZNTUAltSet /ZNTUAltSetName >>";

TEST_F(ConversionTest, CreatingAndRemovingAlternatesThroughPlughost) {
  const std::string images = alternatestest::Sample("images"), alts = alternatestest::Sample("alts");
  std::string out;
  {
    Doc d(Run(images, {}, kCreate, &out));
    EXPECT_NE(out.find("PROGRESS duration 2413188\n"), std::string::npos);
    EXPECT_EQ(Show(d.Get(d.XObject(0, "Im1"), "Alternates")), "[<< /Image R " + kMarked + "]");
    CosObj k = d.Alternate("Im1");
    EXPECT_EQ(Show(k), "<< /BitsPerComponent 8 /ColorSpace /DeviceRGB /Filter /FlateDecode /Height 144 /Length " +
                           std::to_string(Data(k, 0).size()) + " /Subtype /Image /Type /XObject /Width 144 >>");
    EXPECT_EQ(Data(k).size(), 62208u);
    Doc source(images);
    EXPECT_EQ(Data(d.XObject(0, "Im1"), 0), Data(source.XObject(0, "Im1"), 0));
    EXPECT_EQ(CosObjGetType(d.Get(d.XObject(0, "Im7"), "Alternates")), CosNull);
  }
  {
    Doc d(Run(images, {{"ALTS:ScaleMethod", "1"}, {"ALTS:CTCT", "1"}, {"ALTS:MCT", "1"}}, kCreate));
    EXPECT_EQ(Show(d.Alternate("Im2")), "<< /BitsPerComponent 8 /ColorSpace /DeviceGray /Height 1 /Length 2 "
                                        "/Subtype /Image /Type /XObject /Width 2 >>");
    EXPECT_EQ(Data(d.Alternate("Im2")), "\x0F\x23");
    EXPECT_EQ(Data(d.Alternate("Im3")), "\xA0\xA0\xA0\xA0");
    EXPECT_EQ(CosIntegerValue(d.Get(d.Alternate("Im3"), "Width")), 4);
    EXPECT_EQ(Data(d.Alternate("Im1")).size(), 270000u);
  }
  {
    Doc d(Run(images, {}, kCreate + kCreate));
    for (const char* name : kImages) EXPECT_EQ(Show(d.Get(d.XObject(0, name), "Alternates")), "[<< /Image R " + kMarked + "]");
    Doc removed(Run(images, {}, kCreate + kRemove));
    for (const char* name : kImages) EXPECT_EQ(CosObjGetType(removed.Get(removed.XObject(0, name), "Alternates")), CosNull);
  }
  {
    Doc source(alts), twice(Run(alts, {}, kCreate + kCreate)), removed(Run(alts, {}, kRemove));
    const struct {
      const char* name;
      std::string created, removed;
    } rows[] = {{"Im1", "[<< /Image R >> << /Image R " + kMarked + "]", "[<< /Image R >>]"},
                {"Im2", "[<< /Image R /ZNTUAltSet (x) >> << /Image R " + kMarked + "]", "[<< /Image R /ZNTUAltSet (x) >>]"},
                {"Im6", "[<< /Image R " + kMarked + "]", "<< /Image R >>"}};
    for (const auto& row : rows) {
      EXPECT_EQ(Show(twice.Get(twice.XObject(0, row.name), "Alternates")), row.created) << row.name;
      EXPECT_EQ(Show(removed.Get(removed.XObject(0, row.name), "Alternates")), row.removed) << row.name;
    }
    // The unmarked alternate is the source's own object, the marked one's gone.
    EXPECT_EQ(Data(twice.Alternate("Im1")), Data(source.Alternate("Im1")));
  }
}

TEST_F(ConversionTest, FiltersOfTheNewImages) {
  const std::string images = alternatestest::Sample("images");
  {
    Doc d(Run(images, {{"ALTS:ScaleMethod", "2"}, {"ALTS:CTCT", "7"}, {"ALTS:AsciiEncode", "1"}}, kCreate));
    EXPECT_EQ(Show(d.Get(d.Alternate("Im1"), "Filter")), "[/ASCII85Decode /DCTDecode]");
    EXPECT_EQ(CosObjGetType(d.Get(d.Alternate("Im1"), "DecodeParms")), CosNull);
    EXPECT_EQ(Data(d.Alternate("Im1")).size(), 1080000u);
    EXPECT_EQ(Show(d.Get(d.Alternate("Im5"), "Filter")), "[/ASCII85Decode /FlateDecode]");
    EXPECT_EQ(Show(d.Get(d.Alternate("Im3"), "Filter")), "/ASCII85Decode");
  }
  {
    Doc d(Run(images, {{"ALTS:ScaleMethod", "2"}, {"ALTS:MCT", "6"}}, kCreate));
    CosObj k = d.Alternate("Im3");
    EXPECT_EQ(Show(d.Get(k, "Filter")) + " " + Show(d.Get(k, "DecodeParms")), "/CCITTFaxDecode << /Columns 8 /K -1 >>");
    EXPECT_EQ(Data(k), std::string(8, '\xCC'));
  }
  {
    // Code 0 keeps the source's filters but its ASCII one, and sizes its predictor anew.
    hosttest::PdfSpec s;
    std::string rows, hex;
    for (int y = 0; y < 40; ++y) rows += std::string(1, '\0') + std::string(120, static_cast<char>(y * 5));
    const std::string raw = work_.File("rows.bin"), flate = work_.File("rows.z");
    hosttest::WriteFile(raw, rows);
    ASSERT_EQ(hosttest::RunCommand("zlib-flate -compress < " + raw + " > " + flate), 0);
    for (unsigned char c : hosttest::ReadFile(flate)) hex += "0123456789ABCDEF"[c >> 4], hex += "0123456789ABCDEF"[c & 15];
    s.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                 "<< /Type /Page /Parent 2 0 R /Resources << /XObject << /Im1 5 0 R >> >> /Contents 4 0 R >>",
                 "stream:|q 40 0 0 40 0 0 cm /Im1 Do Q",
                 "stream:/Type /XObject /Subtype /Image /Width 40 /Height 40 /ColorSpace /DeviceRGB /BitsPerComponent 8 "
                 "/Filter [/ASCIIHexDecode /FlateDecode] /DecodeParms [null << /Predictor 15 /Colors 3 /Columns 40 >>]|" +
                     hex + ">"};
    s.trailer = "/Root 1 0 R";
    const std::string filters = work_.File("filters.pdf");
    hosttest::WriteFile(filters, hosttest::MakePdf(s));
    Doc d(Run(filters, {{"ALTS:ScaleMethod", "1"}}, kCreate));
    CosObj k = d.Alternate("Im1");
    EXPECT_EQ(Show(d.Get(k, "Filter")) + " " + Show(d.Get(k, "DecodeParms")),
              "[/FlateDecode] [<< /Colors 3 /Columns 20 /Predictor 15 >>]");
    EXPECT_EQ(Data(k).size(), 1200u);
  }
}

TEST_F(ConversionTest, ModifyingImagesInPlaceThroughPlughost) {
  const std::string images = alternatestest::Sample("images");
  {
    const std::string saved = Run(images, {{"ORIG:ScaleMethod", "2"}, {"ORIG:CTCT", "3"}, {"ORIG:MCT", "3"}}, kModify);
    Doc d(saved), source(images);
    EXPECT_TRUE(CosObjEqual(d.XObject(0, "Im1"), d.XObject(1, "Picture")));
    CosObj form = d.XObject(2, "Fm1");
    const struct {
      CosObj now, was;
    } rows[] = {{d.XObject(0, "Im1"), source.XObject(0, "Im1")}, {d.XObject(0, "Im2"), source.XObject(0, "Im2")},
                {d.XObject(0, "Im3"), source.XObject(0, "Im3")}, {d.XObject(0, "Im5"), source.XObject(0, "Im5")},
                {d.XObject(0, "Im7"), source.XObject(0, "Im7")},
                {d.Get(d.Get(d.Get(form, "Resources"), "XObject"), "Im4"),
                 source.Get(source.Get(source.Get(source.XObject(2, "Fm1"), "Resources"), "XObject"), "Im4")}};
    for (const auto& row : rows) {
      EXPECT_EQ(Show(d.Get(row.now, "Filter")), "/FlateDecode");
      EXPECT_EQ(CosIntegerValue(d.Get(row.now, "Width")), CosIntegerValue(source.Get(row.was, "Width")));
      EXPECT_EQ(Data(row.now), Data(row.was));
    }
    EXPECT_EQ(PdfImages(saved), "1 600 600 image\n1 4 1 image\n1 8 8 image\n1 16 16 image\n2 600 600 image\n"
                                "3 100 100 image\n");
  }
  const std::string saved = Run(images, {}, kModify);
  Doc d(saved);
  EXPECT_TRUE(CosObjEqual(d.XObject(0, "Im1"), d.XObject(1, "Picture")));
  EXPECT_EQ(CosIntegerValue(d.Get(d.XObject(1, "Picture"), "Width")), 144);
  std::string list = PdfImages(saved);
  EXPECT_EQ(list.substr(0, list.find('\n')), "1 144 144 image");
}

// BitsPerComponent 16 and Width 0 are left as they are; the form that names
// itself ends the walk; a JPEG quality out of range is "High".
TEST_F(ConversionTest, OddImagesAndSettingsLeaveTheDocumentSound) {
  hosttest::PdfSpec s;
  const std::string image = "stream:/Type /XObject /Subtype /Image /Height 2 /ColorSpace /DeviceGray ";
  s.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
               "<< /Type /Page /Parent 2 0 R /Resources << /XObject << /A 5 0 R /B 6 0 R /C 7 0 R /F 8 0 R >> >> "
               "/Contents 4 0 R >>",
               "stream:|q 72 0 0 72 0 0 cm /A Do /B Do /C Do Q /F Do",
               image + "/Width 2 /BitsPerComponent 16|" + std::string(8, 'x'), image + "/Width 0 /BitsPerComponent 8|xx",
               image + "/Width 16 /BitsPerComponent 8|" + std::string(32, 'x'),
               "stream:/Type /XObject /Subtype /Form /BBox [0 0 1 1] /Resources << /XObject << /F 8 0 R >> >>|0 0 m"};
  const std::string odd = work_.File("odd.pdf");
  hosttest::WriteFile(odd, hosttest::MakePdf(s));
  Doc d(Run(odd, {{"ORIG:CTCT", "7"}, {"ORIG:JpegQuality", "9"}}, kModify)), source(odd);
  for (const char* name : {"A", "B"}) EXPECT_EQ(Data(d.XObject(0, name)), Data(source.XObject(0, name))) << name;
  const std::string jpeg = Data(d.XObject(0, "C"), 0);
  EXPECT_EQ(CosIntegerValue(d.Get(d.XObject(0, "C"), "Width")), 72);
  const size_t dqt = jpeg.find("\xFF\xDB");
  ASSERT_NE(dqt, std::string::npos);
  EXPECT_EQ(static_cast<int>(jpeg[dqt + 5]), 6);

  std::string out;
  Doc colours(Run(alternatestest::Sample("images"), {{"ALTS:ConvertColors", "1"}, {"ALTS:CCRGB", "1"}}, kCreate + kCreate,
                  &out));
  EXPECT_NE(out.find("NOTE: Color conversion is not implemented.\nPROGRESS begin"), std::string::npos) << out;
  for (const char* name : kImages) EXPECT_EQ(CosObjGetType(colours.Get(colours.XObject(0, name), "Alternates")), CosNull);
}

// The plug-in's operations in this process, over images.pdf with ALTS
// ScaleMethod 1 and Factor 0.5.
class ConversionHookTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { hosttest::BindTables(); }
  void SetUp() override {
    host::SetAlertHandler([this](const host::AlertRequest& r) {
      notes_.push_back(r.message);
      return 1;
    });
    doc_ = host::OpenDocument(alternatestest::Sample("images"));
    options_.ScaleMethod = 1;
  }
  void TearDown() override {
    hosttest::FailAllocationsAbove(0);
    RunScaler = &ScalerRun;
    host::SetAlertHandler(nullptr);
    host::CloseDocument(doc_);
  }
  // Converted data by resource name on page 1 ("" when not converted).
  std::map<std::string, std::string> Convert() {
    ImageMap collected, selected, converted;
    CollectPlacements(doc_, collected);
    SelectImages(collected, selected, options_);
    ConvertImages(selected, converted, options_, CountWork(selected, options_));
    std::map<std::string, std::string> out;
    PDPage page = PDDocAcquirePage(doc_, 0);
    for (const char* name : kImages) {
      CosObj image = CosDictGet(CosDictGet(PDPageGetResources(page), ASAtomFromString("XObject")), ASAtomFromString(name));
      auto it = converted.find(ObjectKey(image));
      out[name] = it == converted.end() ? "" : Data(it->second.image);
    }
    PDPageRelease(page);
    return out;
  }
  PDDoc doc_ = nullptr;
  ImageOptions options_{"TEST"};
  std::vector<std::string> notes_;
};

std::vector<int> gBands;

TEST_F(ConversionHookTest, BandsHalveUntilTheyFitAndFailuresStayWithTheirImage) {
  const auto plain = Convert();
  RunScaler = [](ScalerContext* ctx, const unsigned char* rows, int inStep, int first, int count, unsigned char** out,
                 int outStep, unsigned char** scratch, int* made) {
    gBands.push_back(count);
    return ScalerRun(ctx, rows, inStep, first, count, out, outStep, scratch, made);
  };
  hosttest::FailAllocationsAbove(200000);
  const auto banded = Convert();
  EXPECT_EQ(banded, plain);
  EXPECT_EQ(std::vector<int>(gBands.begin(), gBands.begin() + 8), std::vector<int>(8, 75));  // Im1, 135000 bytes each
  EXPECT_TRUE(notes_.empty());

  hosttest::FailAllocationsAbove(1000);
  auto starved = Convert();
  EXPECT_EQ(starved["Im1"], "");
  EXPECT_EQ(starved["Im2"], plain.at("Im2"));
  EXPECT_EQ(starved["Im3"], plain.at("Im3"));
  EXPECT_EQ(notes_, std::vector<std::string>{"Memory allocation failed for scaling buffers."});
  hosttest::FailAllocationsAbove(0);

  notes_.clear();
  RunScaler = [](ScalerContext*, const unsigned char*, int, int, int, unsigned char**, int, unsigned char**, int*) {
    return 0;
  };
  for (const auto& image : Convert()) EXPECT_EQ(image.second, "") << image.first;
  EXPECT_EQ(notes_, std::vector<std::string>(6, "Caught C++ exception during CosNewStream!"));
  RunScaler = &ScalerRun;

  notes_.clear();
  const size_t cap = host::DecodedDataCap();
  host::SetDecodedDataCap(500000);
  auto capped = Convert();
  host::SetDecodedDataCap(cap);
  EXPECT_EQ(capped["Im1"], "");
  EXPECT_EQ(capped["Im5"], plain.at("Im5"));
  EXPECT_EQ(notes_, std::vector<std::string>{"The decoded data is larger than the host allows"});
}

}  // namespace
