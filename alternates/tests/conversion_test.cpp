// The image commands changing documents: plughost runs Glimmerset alone with
// seeded option sets and saves, and the saved files are read back here; the
// allocator, scaler and data-cap cases run the plug-in in this process.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "alternates/ImageConverter.h"
#include "alternates/ImageWork.h"
#include "alternates/Scaler.h"
#include "core/host.h"
#include "plughost_runs.h"
#include "testing/pdfmaker.h"
#include "win/registry.h"

namespace {

using Values = std::vector<std::pair<std::string, std::string>>;

// PDF-like text of an object without /Length; an indirect reference below
// the top is "R".
std::string Show(CosObj obj, bool top = true) {
  if (!top && CosObjIsIndirect(obj)) return "R";
  std::string out;
  switch (CosObjGetType(obj)) {
    case CosInteger:
      return std::to_string(CosIntegerValue(obj));
    case CosName:
      return std::string("/") + ASAtomGetString(CosNameValue(obj));
    case CosString:
      return "(" + std::string(CosStringValue(obj, nullptr)) + ")";
    case CosArray:
      for (ASInt32 i = 0; i < CosArrayLength(obj); ++i) out += (i ? " " : "") + Show(CosArrayGet(obj, i), false);
      return "[" + out + "]";
    case CosDict: case CosStream:
      CosObjEnum(
          obj,
          [](CosObj key, CosObj value, void* text) -> ASBool {
            if (CosNameValue(key) != ASAtomFromString("Length"))
              *static_cast<std::string*>(text) += " " + Show(key, false) + " " + Show(value, false);
            return 1;
          },
          &out);
      return "<<" + out + " >>";
    default:
      return "null";
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

// A saved document and the one it was made from, open in this process.
struct Doc {
  explicit Doc(const std::string& path) : doc(host::OpenDocument(path)) {}
  ~Doc() { host::CloseDocument(doc); }
  CosObj Get(CosObj obj, const char* key) { return CosDictGet(obj, ASAtomFromString(key)); }
  // By resource name on any page, or in Fm1 (page 3).
  CosObj XObject(const std::string& name) {
    for (ASInt32 i = 0; i < PDDocGetNumPages(doc); ++i) {
      PDPage page = PDDocAcquirePage(doc, i);
      CosObj xobjects = Get(PDPageGetResources(page), "XObject");
      PDPageRelease(page);
      if (CosDictKnown(xobjects, ASAtomFromString(name.c_str()))) return Get(xobjects, name.c_str());
      if (CosDictKnown(xobjects, ASAtomFromString("Fm1")))
        return Get(Get(Get(Get(xobjects, "Fm1"), "Resources"), "XObject"), name.c_str());
    }
    return CosObj{0, 0};
  }
  PDDoc doc;
};

// What `what` shows of the image `name`: "" the dictionary, "data" the
// decoded data, "size" its length, "same" whether it equals the source's,
// "q" the JPEG's first quantisation entry, else an entry; "alt ..." the same
// of its first alternate.
std::string Probe(Doc& d, Doc& source, const std::string& name, std::string what) {
  CosObj image = d.XObject(name);
  if (what.compare(0, 3, "alt") == 0) {
    image = d.Get(CosArrayGet(d.Get(image, "Alternates"), 0), "Image");
    what = what.size() > 3 ? what.substr(4) : "";
  }
  if (what.empty()) return Show(image);
  if (what == "data") return Data(image);
  if (what == "size") return std::to_string(Data(image).size());
  if (what == "same") return Data(image) == Data(source.XObject(name)) ? "same" : "changed";
  if (what == "q") return std::to_string(Data(image, 0)[Data(image, 0).find("\xFF\xDB") + 5]);
  return Show(d.Get(image, what.c_str()));
}

// Runs `steps` on `pdf` with the set's values seeded and saves into `work`;
// the transcript into *out.
std::string RunAndSave(const hosttest::TempDir& work, const std::string& pdf, const Values& values, const std::string& steps,
                std::string* out) {
  static int runs = 0;
  hosttest::TempDir settings;
  host::reg::Hive hive;
  for (const auto& v : values) hive["Software\\Zentu\\Glimmerset\\Current_Version"].Set(v.first, 1, v.second + '\0');
  hosttest::RunCommand("mkdir " + hosttest::Quoted(settings.File("registry")));
  hosttest::WriteFile(settings.File("registry/current_user.txt"), host::reg::Serialize(hive));
  const std::string saved = work.File("out" + std::to_string(++runs) + ".pdf");
  hosttest::ProcessResult run = alternatestest::RunGlimmerset(settings.path(), {pdf}, steps + "save " + saved + "\n");
  EXPECT_EQ(run.status, 0) << run.err;
  *out = run.out;
  EXPECT_EQ(hosttest::RunCommand("qpdf --check " + hosttest::Quoted(saved) + " >/dev/null"), 0);
  // No reference in the saved file names a null object.
  std::string json;
  EXPECT_EQ(hosttest::RunCommand("qpdf --json=2 --json-key=qpdf " + hosttest::Quoted(saved), &json), 0);
  std::regex null("\"obj:(\\d+ \\d+ R)\": \\{\\s*\"value\": null");
  for (std::sregex_iterator it(json.begin(), json.end(), null), end; it != end; ++it)
    EXPECT_EQ(json.find("\"" + (*it)[1].str() + "\""), std::string::npos) << (*it)[1];
  return saved;
}

// Page, size and encoding of each drawn image; objects lettered in order.
std::string PdfImages(const std::string& path) {
  std::string list, out, id;
  hosttest::RunCommand("pdfimages -list " + hosttest::Quoted(path) + " | tail -n +3 | awk '{print $1, $4, $5, $9, $11}'",
                       &list);
  std::map<std::string, char> letters;
  for (std::istringstream in(list); std::getline(in, list);) {
    id = list.substr(list.rfind(' ') + 1);
    out += list.substr(0, list.rfind(' ') + 1) + letters.emplace(id, 'a' + letters.size()).first->second + "\n";
  }
  return out;
}

const std::string kCreate = "menu zent:GlimmersetCreateAltsMI\npress OK\n";
const std::string kModify = "menu zent:GlimmersetModImagesMI\npress OK\n";
const std::string kRemove = "menu zent:GlimmersetRemoveAltsMI\n";
const std::string kMarked = "/ZNTUAltSet /ZNTUAltSetName >>";
const std::string kOne = "[<< /Image R " + kMarked + "]";

// "Create...", "Remove" and "Modify Images..." on the samples and on files
// made here, each row a run; an image "" is the transcript, "pdfimages" the
// saved file's list.
TEST(ConversionTest, CommandsChangeTheDocumentAsTheOptionSetsSay) {
  hosttest::BindTables();
  hosttest::TempDir work;
  const std::string images = alternatestest::Sample("images"), alts = alternatestest::Sample("alts");
  // 40 x 40 RGB behind ASCIIHex and Flate with a predictor; three images of
  // which only C can be converted, and a form that names itself.
  std::string rows, hex;
  for (int y = 0; y < 40; ++y) rows += std::string(1, '\0') + std::string(120, static_cast<char>(y * 5));
  hosttest::WriteFile(work.File("rows"), rows);
  hosttest::RunCommand("zlib-flate -compress < " + work.File("rows") + " | od -An -tx1 | tr -d ' \\n'", &hex);
  const std::string image = "stream:/Type /XObject /Subtype /Image /Height 2 /ColorSpace /DeviceGray ";
  const struct {
    std::string name, resources, content;
    std::vector<std::string> objects;
  } made[] = {
      // clang-format off
      {"filters", "/Im1 5 0 R", "q 40 0 0 40 0 0 cm /Im1 Do Q", {"stream:/Type /XObject /Subtype /Image /Width 40 "
       "/Height 40 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter [/ASCIIHexDecode /FlateDecode] "
       "/DecodeParms 6 0 R|" + hex + ">", "[null << /Predictor 15 /Colors 3 /Columns 40 >>]"}},
      {"odd", "/A 5 0 R /B 6 0 R /C 7 0 R /F 8 0 R", "q 72 0 0 72 0 0 cm /A Do /B Do /C Do Q /F Do",
       {image + "/Width 2 /BitsPerComponent 16|" + std::string(8, 'x'), image + "/Width 0 /BitsPerComponent 8|xx",
        image + "/Width 16 /BitsPerComponent 8|" + std::string(32, 'x'),
        "stream:/Type /XObject /Subtype /Form /BBox [0 0 1 1] /Resources << /XObject << /F 8 0 R >> >>|0 0 m"}}};
  // clang-format on
  for (const auto& m : made) {
    hosttest::PdfSpec s;
    // The page inherits its resources.
    s.objects = {"<< /Type /Catalog /Pages 2 0 R >>",
                 "<< /Type /Pages /Kids [3 0 R] /Count 1 /Resources << /XObject << " + m.resources + " >> >> >>",
                 "<< /Type /Page /Parent 2 0 R /Contents 4 0 R >>", "stream:|" + m.content};
    s.objects.insert(s.objects.end(), m.objects.begin(), m.objects.end());
    hosttest::WriteFile(work.File(m.name + ".pdf"), hosttest::MakePdf(s));
  }
  // Each expectation "image|what|value".
  const struct {
    std::string pdf;
    Values values;
    std::string steps;
    std::vector<std::string> expect;
  } runs[] = {
      // clang-format off
      {images, {}, kCreate, {"Im1|Alternates|" + kOne, "Im1|alt size|139968",
       "Im1|alt|<< /BitsPerComponent 8 /ColorSpace /DeviceRGB /Filter /FlateDecode /Height 216 /Subtype /Image "
       "/Type /XObject /Width 216 >>", "Im1|same|same", "Im7|Alternates|null"}},
      {images, {{"ALTS:ScaleMethod", "1"}, {"ALTS:CTCT", "1"}, {"ALTS:MCT", "1"}}, kCreate,
       {"Im2|alt|<< /BitsPerComponent 8 /ColorSpace /DeviceGray /Height 1 /Subtype /Image /Type /XObject /Width 2 >>",
        "Im2|alt data|\x0F\x23", "Im3|alt data|\xA0\xA0\xA0\xA0", "Im3|alt Width|4", "Im1|alt size|270000"}},
      {images, {}, kCreate + kCreate, {"Im1|Alternates|" + kOne, "Im2|Alternates|" + kOne, "Im3|Alternates|" + kOne,
                                       "Im4|Alternates|" + kOne, "Im5|Alternates|" + kOne}},
      {images, {}, kCreate + kRemove, {"Im1|Alternates|null", "Im4|Alternates|null"}},
      {alts, {}, kCreate + kCreate, {"Im1|Alternates|[<< /Image R >> << /Image R " + kMarked + "]",
                                     "Im2|Alternates|[<< /Image R /ZNTUAltSet (x) >> << /Image R " + kMarked + "]",
                                     "Im6|Alternates|" + kOne}},
      {alts, {}, kRemove, {"Im1|Alternates|[<< /Image R >>]", "Im2|Alternates|[<< /Image R /ZNTUAltSet (x) >>]",
                           "Im6|Alternates|<< /Image R >>"}},
      {images, {{"ALTS:ScaleMethod", "2"}, {"ALTS:CTCT", "7"}, {"ALTS:AsciiEncode", "1"}}, kCreate,
       {"Im1|alt Filter|[/ASCII85Decode /DCTDecode]", "Im1|alt DecodeParms|null", "Im1|alt size|1080000",
        "Im5|alt Filter|[/ASCII85Decode /FlateDecode]", "Im3|alt Filter|/ASCII85Decode"}},
      {images, {{"ALTS:ScaleMethod", "2"}, {"ALTS:MCT", "6"}}, kCreate,
       {"Im3|alt Filter|/CCITTFaxDecode", "Im3|alt DecodeParms|<< /Columns 8 /K -1 >>",
        "Im3|alt data|" + std::string(8, '\xCC')}},
      {work.File("filters.pdf"), {{"ALTS:ScaleMethod", "1"}}, kCreate,
       {"Im1|alt Filter|[/FlateDecode]", "Im1|alt DecodeParms|[<< /Colors 3 /Columns 20 /Predictor 15 >>]",
        "Im1|alt size|1200", "Im1|same|same"}},
      {images, {{"ORIG:ScaleMethod", "2"}, {"ORIG:CTCT", "3"}, {"ORIG:MCT", "3"}}, kModify,
       {"Im1|Filter|/FlateDecode", "Im2|Filter|/FlateDecode", "Im3|Filter|/FlateDecode",
        "Im4|Filter|/FlateDecode", "Im1|same|same", "Im2|same|same", "Im3|same|same", "Im4|same|same",
        "Im5|same|same", "pdfimages||1 600 600 image a\n1 4 1 image b\n1 8 8 image c\n"
        "1 16 16 image d\n2 600 600 image a\n3 100 100 image e\n"}},
      {images, {}, kModify, {"pdfimages||1 216 216 image a\n"
       "1 288 72 image b\n1 72 72 image c\n1 72 72 image d\n2 216 216 image a\n3 100 100 image e\n"}},
      {work.File("odd.pdf"), {{"ORIG:CTCT", "7"}, {"ORIG:JpegQuality", "9"}}, kModify,
       {"A|same|same", "B|same|same", "C|Width|72", "C|q|6"}},
      {images, {{"ALTS:ConvertColors", "1"}, {"ALTS:CCRGB", "1"}}, kCreate + kCreate,
       {"||NOTE: Color conversion is not implemented.\nDIALOG 131", "Im1|Alternates|null"}},
      // clang-format on
  };
  for (const auto& run : runs) {
    std::string out;
    const std::string saved = RunAndSave(work, run.pdf, run.values, run.steps, &out);
    Doc d(saved), source(run.pdf);
    for (const std::string& line : run.expect) {
      SCOPED_TRACE(run.pdf + " " + run.steps + line.substr(0, 20));
      const size_t bar = line.find('|'), second = line.find('|', bar + 1);
      const std::array<std::string, 3> e = {line.substr(0, bar), line.substr(bar + 1, second - bar - 1),
                                            line.substr(second + 1)};
      if (e[0].empty())
        EXPECT_NE(out.find(e[2]), std::string::npos) << out.substr(0, 2000);
      else
        EXPECT_EQ(e[0] == "pdfimages" ? PdfImages(saved) : Probe(d, source, e[0], e[1]), e[2]);
    }
  }
}

// The plug-in's operations in this process on images.pdf, ALTS ScaleMethod
// 1 and Factor 0.5: converted data of Im1, Im2, Im3, Im5 ("" when not) and
// the notes shown.
std::vector<int> gBands;

TEST(ConversionHookTest, BandsHalveUntilTheyFitAndFailuresStayWithTheirImage) {
  hosttest::BindTables();
  std::vector<std::string> notes;
  host::SetAlertHandler([&](const host::AlertRequest& r) { return notes.push_back(r.message), 1; });
  auto taken = [&] { return std::exchange(notes, {}); };
  Doc d(alternatestest::Sample("images"));
  ImageOptions options("TEST");
  options.ScaleMethod = 1;
  auto convert = [&] {
    ImageMap collected, selected, converted;
    CollectPlacements(d.doc, collected);
    SelectImages(collected, selected, options);
    ConvertImages(selected, converted, options, CountWork(selected, options));
    std::vector<std::string> out;
    for (const char* name : {"Im1", "Im2", "Im3", "Im5"}) {
      auto it = converted.find(ObjectKey(d.XObject(name)));
      out.push_back(it == converted.end() ? "" : Data(it->second.image));
    }
    return out;
  };
  const auto plain = convert();
  RunScaler = [](ScalerContext* ctx, const unsigned char* rows, int inStep, int first, int count, unsigned char** out,
                 int outStep, unsigned char** scratch, int* made) {
    gBands.push_back(count);
    return ScalerRun(ctx, rows, inStep, first, count, out, outStep, scratch, made);
  };
  hosttest::FailAllocationsAbove(200000);
  EXPECT_EQ(convert(), plain);
  EXPECT_EQ(std::vector<int>(gBands.begin(), gBands.begin() + 8), std::vector<int>(8, 75));  // Im1, 135000 bytes each
  EXPECT_TRUE(taken().empty());
  hosttest::FailAllocationsAbove(1000);
  EXPECT_EQ(convert(), (std::vector<std::string>{"", plain[1], plain[2], plain[3]}));
  EXPECT_EQ(taken(), std::vector<std::string>{"Memory allocation failed for scaling buffers."});
  hosttest::FailAllocationsAbove(0);
  RunScaler = [](ScalerContext*, const unsigned char*, int, int, int, unsigned char**, int, unsigned char**, int*) { return 0; };
  EXPECT_EQ(convert(), std::vector<std::string>(4, ""));
  EXPECT_EQ(taken(), std::vector<std::string>(6, "Caught C++ exception during CosNewStream!"));  // Im4 and Im7 too
  RunScaler = &ScalerRun;
  const size_t cap = host::DecodedDataCap();
  host::SetDecodedDataCap(60000);  // Im1 declares 1,080,000 bytes, more than 16 times it
  EXPECT_EQ(convert(), (std::vector<std::string>{"", plain[1], plain[2], plain[3]}));
  EXPECT_EQ(taken(), std::vector<std::string>{"The decoded data is larger than the host allows"});
  // Data past what the host holds whole streams through, if the image declares less than 16 times it.
  host::SetDecodedDataCap(70000);
  EXPECT_EQ(convert(), plain);
  host::SetDecodedDataCap(cap);
  EXPECT_TRUE(taken().empty());
  host::SetAlertHandler(nullptr);
}

}  // namespace
