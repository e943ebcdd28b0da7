// Image data through the host: new streams encoded with DCT and CCITT fax,
// data handed over decoded, procedural read streams and the allocator hook.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/host.h"
#include "cos/ccitt.h"
#include "host/frame.h"
#include "testing/pdfmaker.h"

namespace {

using hosttest::MakePdf;
using hosttest::PdfSpec;

ASAtom K(const char* key) { return ASAtomFromString(key); }

class ImagesTest : public ::testing::Test {
 protected:
  void SetUp() override { hosttest::BindTables(); }
  void TearDown() override {
    hosttest::ClearHooks();
    hosttest::FailAllocationsAbove(0);
    host::SetDecodedDataCap(size_t(512) << 20);
    host::CloseAllDocuments();
  }

  // One page whose content draws each name of `images` in a row; object 5
  // is its XObject dictionary.
  CosDoc Open(const std::vector<std::string>& images) {
    std::string content;
    for (size_t i = 0; i < images.size(); ++i)
      content += "q 100 0 0 100 " + std::to_string(110 * i) + " 0 cm /" + images[i] + " Do Q\n";
    PdfSpec s;
    s.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                 "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
                 "/Resources << /XObject 5 0 R >> >>",
                 "stream:|" + content, "<< >>"};
    pd_ = host::OpenDocumentBytes(MakePdf(s), "images");
    doc_ = PDDocGetCosDoc(pd_);
    return doc_;
  }

  CosObj Dict(std::initializer_list<std::pair<const char*, CosObj>> entries) {
    CosObj d = CosNewDict(doc_, 0, 4);
    for (auto& e : entries) CosDictPut(d, K(e.first), e.second);
    return d;
  }
  CosObj Int(int v) { return CosNewInteger(doc_, 0, v); }
  CosObj Name(const char* n) { return CosNewName(doc_, 0, K(n)); }
  CosObj Ints(std::initializer_list<int> v) {
    CosObj a = CosNewArray(doc_, 0, 4);
    int i = 0;
    for (int x : v) CosArrayInsert(a, i++, Int(x));
    return a;
  }

  // A new image stream from decoded samples, drawn by the page as `name`.
  CosObj Image(const std::string& name, const std::string& samples, int w, int h, const char* space, int bpc,
               const char* filter, CosObj parms) {
    CosObj attrs = Dict({{"Type", Name("XObject")}, {"Subtype", Name("Image")}, {"Width", Int(w)},
                         {"Height", Int(h)}, {"ColorSpace", Name(space)}, {"BitsPerComponent", Int(bpc)}});
    if (filter) CosDictPut(attrs, K("Filter"), Name(filter));
    if (filter && std::string(filter) == "CCITTFaxDecode") CosDictPut(attrs, K("DecodeParms"), parms);
    ASStm src = ASMemStmRdOpen(samples.data(), static_cast<ASSize_t>(samples.size()));
    CosObj made{};
    HostRegionResult r = HostRegion([&] { made = CosNewStream(doc_, 1, src, 0, 0, attrs, parms, -1); });
    ASStmClose(src);
    if (r.raised) throw std::runtime_error("no image: " + host::LastFailureDetail());
    CosDictPut(CosDocGetObjByID(doc_, 5), K(name.c_str()), made);
    return made;
  }

  static std::string Data(CosObj stream, ASInt32 mode) {
    ASStm in = CosStreamOpenStm(stream, mode);
    std::string out, chunk(65536, 0);
    while (ASSize_t n = ASStmRead(&chunk[0], 1, static_cast<ASSize_t>(chunk.size()), in)) out.append(chunk, 0, n);
    ASStmClose(in);
    return out;
  }

  int Objects() {
    int n = 0;
    CosDocEnumIndirect(
        doc_, [](CosObj, CosObj, void* count) -> ASBool { return ++*static_cast<int*>(count), true; }, &n);
    return n;
  }

  // Saves into `dir`, checks the file with qpdf, answers `pdfimages -list`.
  std::string SaveAndList(const hosttest::TempDir& dir) {
    std::string path = dir.File("out.pdf"), out;
    host::SaveDocument(pd_, path);
    EXPECT_EQ(hosttest::RunCommand("qpdf --check " + hosttest::Quoted(path) + " >/dev/null"), 0);
    EXPECT_EQ(hosttest::RunCommand("pdfimages -list " + hosttest::Quoted(path), &out), 0);
    return out;
  }

  PDDoc pd_ = nullptr;
  CosDoc doc_ = nullptr;
};

// The first quantisation value and each component's sampling factors of a JPEG.
struct JpegHeader {
  int firstQuant = -1;
  std::vector<int> sampling;  // h * 16 + v per component
};
JpegHeader ReadJpeg(const std::string& j) {
  JpegHeader h;
  for (size_t i = 2; i + 4 < j.size();) {
    if (static_cast<unsigned char>(j[i]) != 0xFF) break;
    int marker = static_cast<unsigned char>(j[i + 1]);
    size_t len = (static_cast<unsigned char>(j[i + 2]) << 8) | static_cast<unsigned char>(j[i + 3]);
    if (marker == 0xDB && h.firstQuant < 0) h.firstQuant = static_cast<unsigned char>(j[i + 5]);
    if (marker == 0xC0)
      for (int c = 0; c < static_cast<unsigned char>(j[i + 9]); ++c)
        h.sampling.push_back(static_cast<unsigned char>(j[i + 11 + 3 * c]));
    if (marker == 0xDA) break;
    i += 2 + len;
  }
  return h;
}

TEST_F(ImagesTest, DctEncodesWithTheQualityAndSamplingAsked) {
  Open({"Fine", "Coarse"});
  const int w = 64, h = 48;
  std::string rgb;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      rgb.push_back(static_cast<char>(x * 4));
      rgb.push_back(static_cast<char>(y * 5));
      rgb.push_back(static_cast<char>(128 + x - y));
    }
  auto parms = [&](ASFixed q, std::initializer_list<int> hs, std::initializer_list<int> vs) {
    return Dict({{"Columns", Int(w)}, {"Rows", Int(h)}, {"Colors", Int(3)}, {"QFactor", CosNewFixed(doc_, 0, q)},
                 {"HSamples", Ints(hs)}, {"VSamples", Ints(vs)}});
  };
  CosObj fine = Image("Fine", rgb, w, h, "DeviceRGB", 8, "DCTDecode", parms(0x6666, {1, 1, 1, 1}, {1, 1, 1, 1}));
  CosObj coarse =
      Image("Coarse", rgb, w, h, "DeviceRGB", 8, "DCTDecode", parms(0x26666, {2, 1, 1, 2}, {2, 1, 1, 2}));

  JpegHeader a = ReadJpeg(Data(fine, cosOpenRaw)), b = ReadJpeg(Data(coarse, cosOpenRaw));
  EXPECT_EQ(a.firstQuant, 6);
  EXPECT_EQ(a.sampling, (std::vector<int>{0x11, 0x11, 0x11}));
  EXPECT_EQ(b.firstQuant, 38);
  ASSERT_FALSE(b.sampling.empty());
  EXPECT_EQ(b.sampling[0], 0x22);

  std::string back = Data(fine, cosOpenFiltered);
  ASSERT_EQ(back.size(), rgb.size());
  double diff = 0;
  for (size_t i = 0; i < rgb.size(); ++i)
    diff += std::abs(static_cast<unsigned char>(back[i]) - static_cast<unsigned char>(rgb[i]));
  EXPECT_LT(diff / static_cast<double>(rgb.size()), 4.0);
  EXPECT_EQ(Data(coarse, cosOpenFiltered).size(), rgb.size());

  hosttest::TempDir dir;
  std::string list = SaveAndList(dir);
  EXPECT_NE(list.find("image      64    48  rgb     3   8  jpeg"), std::string::npos) << list;

  // Samples the encoder cannot take are refused with the filter named.
  for (auto bad : {std::make_pair(4, 3), std::make_pair(8, 2)}) {
    CosObj p = Dict({{"Columns", Int(w)}, {"Rows", Int(h)}, {"Colors", Int(bad.second)}});
    EXPECT_THROW(Image("Bad", rgb, w, h, "DeviceRGB", bad.first, "DCTDecode", p), std::runtime_error);
    EXPECT_NE(host::LastFailureDetail().find("DCTDecode"), std::string::npos);
  }
}

std::string Bitmap(int pattern, int w, int rows, std::mt19937& rng) {
  size_t rowBytes = static_cast<size_t>(w + 7) / 8;
  std::string out(rowBytes * static_cast<size_t>(rows), 0);
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < w; ++x) {
      bool one = pattern == 0 ? true : pattern == 1 ? false : pattern == 2 ? ((x + y) % 2 == 0) : (rng() & 1);
      if (one) out[static_cast<size_t>(y) * rowBytes + static_cast<size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
    }
  return out;
}

TEST(Ccitt, RoundTripsEveryModeWidthAndPattern) {
  std::mt19937 rng(3);
  for (long long k : {-1LL, 0LL, 4LL})
    for (int w : {1, 7, 8, 9, 1728, 2550})
      for (int pattern = 0; pattern < 4; ++pattern)
        for (int flags = 0; flags < 4; ++flags) {
          host::CcittParams p;
          p.k = k;
          p.columns = w;
          p.blackIs1 = flags & 1;
          p.encodedByteAlign = flags & 2;
          std::string bits = Bitmap(pattern, w, 6, rng);
          std::string coded = host::CcittEncode(bits, p), back;
          host::CcittDecode(reinterpret_cast<const unsigned char*>(coded.data()), coded.size(), p,
                            [&](const unsigned char* row, size_t n) { back.append(reinterpret_cast<const char*>(row), n); });
          ASSERT_EQ(back, bits) << "K " << k << ", width " << w << ", pattern " << pattern << ", flags " << flags;

          // Cut short, the data gives no more rows; garbled, rows or an
          // error; never a read past its end (the sanitizer run watches).
          std::vector<unsigned char> half(coded.begin(), coded.begin() + static_cast<long>(coded.size() / 2));
          std::vector<unsigned char> noise(half.size());
          for (auto& c : noise) c = static_cast<unsigned char>(rng());
          for (auto* data : {&half, &noise}) {
            size_t rows = 0;
            try {
              host::CcittDecode(data->data(), data->size(), p, [&](const unsigned char*, size_t) { ++rows; });
            } catch (const host::CcittError&) {
            }
            EXPECT_LE(rows, data == &half ? 6u : SIZE_MAX);
          }
        }
}

TEST_F(ImagesTest, CcittImagesAreReadAsTheyWereGiven) {
  Open({"G4", "G3", "Plain", "Mixed"});
  std::mt19937 rng(1728);
  const int w = 1728, h = 100;
  std::string bits = Bitmap(3, w, h, rng), inverse = bits;
  for (auto& c : inverse) c = static_cast<char>(~c);
  for (int k : {-1, 0}) {
    CosObj p = Dict({{"K", Int(k)}, {"Columns", Int(w)}});
    CosObj made = Image(k < 0 ? "G4" : "G3", bits, w, h, "DeviceGray", 1, "CCITTFaxDecode", p);
    EXPECT_EQ(Data(made, cosOpenFiltered), bits) << "K " << k;
  }
  Image("Plain", bits, w, h, "DeviceGray", 1, nullptr, CosNewNull());
  // Two-dimensional rows, aligned, with black as 1: the same picture.
  CosObj mixed = Dict({{"K", Int(4)}, {"Columns", Int(w)}, {"BlackIs1", CosNewBoolean(doc_, 0, true)},
                       {"EncodedByteAlign", CosNewBoolean(doc_, 0, true)}});
  Image("Mixed", inverse, w, h, "DeviceGray", 1, "CCITTFaxDecode", mixed);

  hosttest::TempDir dir;
  std::string list = SaveAndList(dir);
  // In the order drawn: group 4, group 3, unfiltered, mixed.
  std::vector<std::string> encodings;
  for (size_t at = list.find("gray    1   1  "); at != std::string::npos; at = list.find("gray    1   1  ", at + 1))
    encodings.push_back(list.substr(at + 15, 5));
  EXPECT_EQ(encodings, (std::vector<std::string>{"ccitt", "ccitt", "image", "ccitt"})) << list;
  ASSERT_EQ(hosttest::RunCommand("pdfimages " + hosttest::Quoted(dir.File("out.pdf")) + " " +
                                 hosttest::Quoted(dir.File("im"))),
            0);
  std::string first = hosttest::ReadFile(dir.File("im-000.pbm"));
  EXPECT_FALSE(first.empty());
  EXPECT_EQ(hosttest::ReadFile(dir.File("im-001.pbm")), first);
  EXPECT_EQ(hosttest::ReadFile(dir.File("im-002.pbm")), first);
  // A PBM's black is 1: pdfimages inverts the others' samples, not these.
  ASSERT_GT(first.size(), bits.size());
  EXPECT_EQ(hosttest::ReadFile(dir.File("im-003.pbm")), first.substr(0, first.size() - bits.size()) + bits);

  // Wider samples, or data of no whole rows, are refused with the filter named.
  CosObj p = Dict({{"K", Int(-1)}, {"Columns", Int(w)}});
  EXPECT_THROW(Image("Bad", bits, w, h, "DeviceGray", 8, "CCITTFaxDecode", p), std::runtime_error);
  EXPECT_NE(host::LastFailureDetail().find("CCITTFaxDecode"), std::string::npos);
  EXPECT_THROW(Image("Bad", bits.substr(1), w, h, "DeviceGray", 1, "CCITTFaxDecode", p), std::runtime_error);

  // Random data, and a JPX image without a colour space, are read errors.
  PdfSpec s;
  s.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>",
               "stream:/Filter /CCITTFaxDecode /DecodeParms << /K -1 /Columns 64 >>|" +
                   std::string("\xFF\x00\x13\x80\x01\x02junk", 10),
               "stream:/Subtype /Image /Width 8 /Height 8 /BitsPerComponent 8 /Filter /JPXDecode|" +
                   std::string("\x00\x00\x00\x0CjP  ", 8)};
  CosDoc d = PDDocGetCosDoc(host::OpenDocumentBytes(MakePdf(s), "damaged"));
  HostRegionResult r = HostRegion([&] { Data(CosDocGetObjByID(d, 3), cosOpenFiltered); });
  EXPECT_TRUE(!r.raised || r.code == cosErrReadError);
  r = HostRegion([&] { Data(CosDocGetObjByID(d, 4), cosOpenFiltered); });
  EXPECT_EQ(r.code, cosErrReadError);
  EXPECT_NE(host::LastFailureDetail().find("JPXDecode"), std::string::npos) << host::LastFailureDetail();
}

struct Source {
  std::string bytes;
  size_t at = 0;
  size_t stopAt = std::string::npos;  // ends early here
  bool throws = false;
};

ASInt32 ReadSource(char* data, ASInt32 n, void* client) {
  auto* s = static_cast<Source*>(client);
  if (s->throws && s->at > 5000) throw std::logic_error("procedure failed");
  size_t end = std::min(s->bytes.size(), s->stopAt);
  size_t take = std::min<size_t>({333, static_cast<size_t>(n), end - s->at});
  std::copy(s->bytes.data() + s->at, s->bytes.data() + s->at + take, data);
  s->at += take;
  return static_cast<ASInt32>(take);
}

TEST_F(ImagesTest, ProceduralStreamsBecomeStreamsOrLeaveNothing) {
  Open({});
  std::mt19937 rng(42);
  Source good;
  for (int i = 0; i < 1080000; ++i) good.bytes.push_back(static_cast<char>(rng() % 16));
  CosObj attrs = Dict({{"Filter", Name("FlateDecode")}});
  ASCallback cb = ASCallbackCreate(0, reinterpret_cast<void*>(&ReadSource));
  auto make = [&](Source& src, CosObj* made) {
    ASStm stm = ASProcStmRdOpen(cb, &src);
    HostRegionResult r = HostRegion([&] { *made = CosNewStream(doc_, 1, stm, 0, 0, attrs, CosNewNull(), 1080000); });
    ASStmClose(stm);
    return r;
  };

  CosObj made{};
  ASSERT_FALSE(make(good, &made).raised) << host::LastFailureDetail();
  EXPECT_GT(CosStreamLength(made), 0);
  EXPECT_EQ(Data(made, cosOpenFiltered), good.bytes);

  int objects = Objects(), depth = ASFrameDepth();
  Source early{good.bytes, 0, 1000}, capped{good.bytes}, throwing{good.bytes, 0, std::string::npos, true};
  EXPECT_EQ(make(early, &made).code, cosErrReadError);
  host::SetDecodedDataCap(100000);
  EXPECT_EQ(make(capped, &made).code, cosErrDataTooLarge);
  host::SetDecodedDataCap(size_t(512) << 20);
  EXPECT_THROW(make(throwing, &made), std::logic_error);
  EXPECT_EQ(ASFrameDepth(), depth);
  EXPECT_EQ(Objects(), objects) << "no failed creation leaves an object";
  ASCallbackDestroy(cb);

  // The reads and the close at their own numbers and at ours.
  for (ASUns32 read : {43u, 1000u}) {
    ASStm stm = ASMemStmRdOpen("abcdef", 6);
    char buf[8] = {};
    EXPECT_EQ(HFTProc<ASStmRead_Proc>(gAcroSupportHFT, read)(buf, 2, 4, stm), 3u);
    EXPECT_STREQ(buf, "abcdef");
    HFTProc<ASStmClose_Proc>(gAcroSupportHFT, read == 43 ? 45 : 1001)(stm);
  }
}

TEST_F(ImagesTest, AllocationsAboveTheLimitAnswerNone) {
  hosttest::FailAllocationsAbove(1000);
  EXPECT_EQ(ASMalloc(1001), nullptr);
  void* p = ASMalloc(1000);
  EXPECT_NE(p, nullptr);
  EXPECT_EQ(ASRealloc(p, 2000), nullptr);
  hosttest::FailAllocationsAbove(0);
  void* q = ASMalloc(1001);
  EXPECT_NE(q, nullptr);
  ASFree(p);
  ASFree(q);
}

}  // namespace
