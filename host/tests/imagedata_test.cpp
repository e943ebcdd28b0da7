// Image data read piece by piece: what the host hands over decoded, checked
// against qpdf's own decoding of the same file; the images it refuses before
// they cost anything; new streams encoded as their source is read.
#define POINTERHOLDER_TRANSITION 4
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/host.h"
#include "cos/docs.h"
#include "cos/encode.h"
#include "host/frame.h"
#include "support/streams.h"
#include "testing/jpegmaker.h"
#include "testing/pdfmaker.h"

namespace {

using hosttest::MakePdf;
using hosttest::PdfSpec;

std::string Encoded(const std::string& data, const char* filter) {
  return host::EncodeStreamData(data, QPDFObjectHandle::newName(filter), QPDFObjectHandle::newNull(),
                                QPDFObjectHandle::newNull());
}

// PNG predictor rows, the filter types 0 to 4 in turn.
std::string PngRows(const std::string& data, size_t row, size_t pixel) {
  std::string out, up(row, '\0');
  for (size_t at = 0, type = 0; at < data.size(); at += row, type = (type + 1) % 5) {
    const std::string cur = data.substr(at, row);
    out.push_back(static_cast<char>(type));
    for (size_t i = 0; i < row; ++i) {
      const int a = i >= pixel ? static_cast<unsigned char>(cur[i - pixel]) : 0, b = static_cast<unsigned char>(up[i]),
                c = i >= pixel ? static_cast<unsigned char>(up[i - pixel]) : 0;
      const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
      const int predicted[] = {0, a, b, (a + b) / 2, pa <= pb && pa <= pc ? a : pb <= pc ? b : c};
      out.push_back(static_cast<char>(static_cast<unsigned char>(cur[i]) - predicted[type]));
    }
    up = cur;
  }
  return out;
}

std::string Samples(size_t n, unsigned seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + (i / 97) * 13 + seed) ^ (i >> 9));
  return s;
}

// Bytes no filter makes much smaller.
std::string Noise(size_t n) {
  std::string s(n, '\0');
  uint32_t x = 2463534242u;
  for (char& c : s) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    c = static_cast<char>(x);
  }
  return s;
}

std::string Fax(const std::string& rows, const std::string& parms) {
  return host::EncodeStreamData(rows, QPDFObjectHandle::newName("/CCITTFaxDecode"), QPDFObjectHandle::parse(parms),
                                QPDFObjectHandle::newNull());
}

std::string Jpeg(int w, int h, int components, bool progressive = false) {
  hosttest::JpegSpec spec;
  spec.width = w;
  spec.height = h;
  spec.components = components;
  spec.progressive = progressive;
  return hosttest::MakeJpeg(spec, [&](int y, unsigned char* row) {
    for (int x = 0; x < w * components; ++x) row[x] = static_cast<unsigned char>(x * 3 + y * 5);
  });
}

class ImageDataTest : public ::testing::Test {
 protected:
  void SetUp() override { hosttest::BindTables(); }
  void TearDown() override {
    host::SetDecodedDataCap(size_t(192) << 20);
    host::CloseAllDocuments();
  }
  // Object 1 is a catalog; each image is object 2, 3, ...
  CosDoc Open(const std::vector<std::string>& images) {
    PdfSpec s;
    s.objects = {"<< /Type /Catalog /Pages << /Type /Pages /Kids [] /Count 0 >> >>"};
    for (const std::string& image : images) s.objects.push_back("stream:/Type /XObject /Subtype /Image " + image);
    bytes_ = MakePdf(s);
    pd_ = host::OpenDocumentBytes(bytes_, "images");
    return PDDocGetCosDoc(pd_);
  }
  // Read in pieces of odd sizes; the code of the raise that ended it, if any.
  static ASErrorCode Read(CosObj image, std::string* out) {
    out->clear();
    return HostRegion([&] {
             ASStm s = CosStreamOpenStm(image, cosOpenFiltered);
             std::string piece(70000, '\0');
             for (size_t k = 1;; k = k * 7 % 70001) {
               const ASSize_t n = ASStmRead(&piece[0], 1, static_cast<ASSize_t>(k), s);
               if (n == 0) break;
               out->append(piece, 0, n);
             }
             ASStmClose(s);
           })
        .code;
  }
  std::string bytes_;
  PDDoc pd_ = nullptr;
};

// Every filter decoded here, alone and in chains, read in pieces: the bytes
// are qpdf's own decoding of the file up to what the image declares.
TEST_F(ImageDataTest, DecodedPieceByPieceAsTheLibraryDecodesIt) {
  const std::string rgb = Samples(40 * 30 * 3, 1), big = Noise(1200 * 900 * 3), jpeg = Jpeg(64, 40, 3);
  std::string wide;  // 16-bit gray, TIFF predictor 2
  for (size_t i = 0; i < 20 * 10; ++i) wide += std::string{static_cast<char>(i >> 3), static_cast<char>(i * 37)};
  const std::string rgbDict = "/Width 40 /Height 30 /ColorSpace /DeviceRGB /BitsPerComponent 8 ";
  auto predicted = [](int predictor, int columns, int colors, int bits) {
    return "<< /Predictor " + std::to_string(predictor) + " /Columns " + std::to_string(columns) + " /Colors " +
           std::to_string(colors) + " /BitsPerComponent " + std::to_string(bits) + " >>";
  };
  auto hex = [](const std::string& data) {
    std::string out;
    for (size_t i = 0; i < data.size(); ++i) out += (i % 17 ? "" : " \n") + std::string{"0123456789abcdef"[static_cast<unsigned char>(data[i]) >> 4], "0123456789abcdef"[data[i] & 15]};
    return out.substr(0, out.size() - 1) + ">";  // an odd digit at the end
  };
  const size_t plain = rgb.size();
  // One-bit rows of specks and bars, 250 bytes each.
  std::string rows = Noise(250 * 600);
  for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<char>(i % 250 < 40 ? 0 : (rows[i] | rows[i] >> 1) | 0x3C);
  const std::string g4 = "<< /K -1 /Columns 2000 /Rows 600 >>", g3 = "<< /K 4 /Columns 2000 >>";
  const struct {
    const char* name;
    std::string image;
    size_t declared;
    std::string decoded = std::string();  // for CCITT, which qpdf does not decode: else qpdf's
  } cases[] = {
      {"no filter", rgbDict + "|" + rgb, plain},
      {"Flate in several windows", "/Width 1200 /Height 900 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode|" +
                                       Encoded(big, "/FlateDecode"), big.size()},
      {"Flate, PNG rows", rgbDict + "/Filter /FlateDecode /DecodeParms " + predicted(15, 40, 3, 8) + "|" +
                              Encoded(PngRows(rgb, 120, 3), "/FlateDecode"), plain},
      {"LZW, PNG rows of 4-bit samples", "/Width 80 /Height 30 /ColorSpace /DeviceGray /BitsPerComponent 4 "
                                         "/Filter /LZWDecode /DecodeParms " + predicted(11, 80, 1, 4) + "|" +
                                             Encoded(PngRows(Samples(40 * 30, 3), 40, 1), "/LZWDecode"), 40 * 30},
      {"Flate, TIFF predictor on 16 bits", "/Width 20 /Height 10 /ColorSpace /DeviceGray /BitsPerComponent 16 /Filter /Fl "
                                           "/DecodeParms " + predicted(2, 20, 1, 16) + "|" +
                                               host::EncodeStreamData(wide, QPDFObjectHandle::newName("/FlateDecode"),
                                                                      QPDFObjectHandle::parse(predicted(2, 20, 1, 16)),
                                                                      QPDFObjectHandle::newNull()),
       wide.size()},
      {"LZW without early change", rgbDict + "/Filter /LZWDecode /DecodeParms << /EarlyChange 0 >>|" +
                                       host::EncodeStreamData(rgb + rgb + rgb, QPDFObjectHandle::newName("/LZWDecode"),
                                                              QPDFObjectHandle::parse("<< /EarlyChange 0 >>"),
                                                              QPDFObjectHandle::newNull()),
       plain},
      {"RunLength", rgbDict + "/Filter /RL|" + Encoded(std::string(1800, 'a') + rgb, "/RunLengthDecode"), plain},
      {"ASCIIHex with spaces and an odd digit", rgbDict + "/Filter /ASCIIHexDecode|" + hex(rgb), plain},
      {"ASCII85 with zeros", rgbDict + "/Filter /A85|" + Encoded(std::string(9, '\0') + rgb, "/ASCII85Decode"), plain},
      {"ASCII85, then Flate with PNG rows", rgbDict + "/Filter [/ASCII85Decode /FlateDecode] /DecodeParms [null " +
                                                predicted(12, 40, 3, 8) + "]|" +
                                                Encoded(Encoded(PngRows(rgb, 120, 3), "/FlateDecode"), "/ASCII85Decode"), plain},
      {"DCT", "/Width 64 /Height 40 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode|" + jpeg, 64 * 40 * 3},
      {"ASCIIHex, then DCT", "/Width 64 /Height 40 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter [/AHx /DCT]|" +
                                 Encoded(jpeg, "/ASCIIHexDecode"), 64 * 40 * 3},
      {"progressive DCT, gray", "/Width 50 /Height 30 /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /DCTDecode|" +
                                    Jpeg(50, 30, 1, true), 50 * 30},
      {"a little past the declared data", rgbDict + "/Filter /FlateDecode|" + Encoded(rgb + "past", "/FlateDecode"), plain},
      {"CCITT G4, rows over many pieces", "/Width 2000 /Height 600 /ColorSpace /DeviceGray /BitsPerComponent 1 "
                                          "/Filter /CCITTFaxDecode /DecodeParms " + g4 + "|" + Fax(rows, g4), rows.size(), rows},
      {"Flate, then CCITT G3 with 2-D rows", "/Width 2000 /Height 600 /ColorSpace /DeviceGray /BitsPerComponent 1 "
                                             "/Filter [/Fl /CCF] /DecodeParms [null " + g3 + "]|" +
                                                 Encoded(Fax(rows, g3), "/FlateDecode"), rows.size(), rows},
  };
  std::vector<std::string> images;
  for (const auto& c : cases) images.push_back(c.image);
  CosDoc doc = Open(images);
  hosttest::TempDir dir;
  hosttest::WriteFile(dir.File("images.pdf"), bytes_);
  for (size_t i = 0; i < images.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    CosObj image = CosDocGetObjByID(doc, static_cast<ASInt32>(i + 2));
    std::string ours, theirs = cases[i].decoded;
    EXPECT_EQ(Read(image, &ours), 0) << host::LastFailureDetail();
    if (theirs.empty())
      hosttest::RunCommand("qpdf --show-object=" + std::to_string(i + 2) + " --filtered-stream-data --decode-level=all " +
                               hosttest::Quoted(dir.File("images.pdf")) + " 2>/dev/null",
                           &theirs);
    ASSERT_GE(theirs.size(), cases[i].declared);
    EXPECT_TRUE(ours == theirs.substr(0, cases[i].declared)) << ours.size() << " bytes against " << theirs.size();
  }
}

// Data read from the file as it lies there, and read through the library
// where it cannot be: after "stream" and a CR LF, with its length in another
// object, replaced by an update appended to the file, with a wrong length
// the library repairs, encrypted. From the file and from memory alike, the
// bytes are qpdf's.
TEST_F(ImageDataTest, DataIsReadFromTheFileWhereTheLibraryFindsIt) {
  // Past one window, and past what a copy keeps in memory.
  const std::string first = Noise(300 * 4000), second = Samples(300 * 4000, 5);
  const std::string dict = "/Type /XObject /Subtype /Image /Width 300 /Height 4000 /ColorSpace /DeviceGray "
                           "/BitsPerComponent 8";
  auto pdf = [&](const std::string& image) {
    PdfSpec s;
    s.objects = {"<< /Type /Catalog /Pages << /Type /Pages /Kids [] /Count 0 >> /ZImage 2 0 R >>", image,
                 std::to_string(first.size())};
    return MakePdf(s);
  };
  const std::string plain = pdf("<< " + dict + " /Length 3 0 R >>\nstream\r\n" + first + "\nendstream");
  // An update that gives object 2 other data, at the end of the file.
  std::string updated = plain + "2 0 obj\n<< " + dict + " /Length " + std::to_string(second.size()) + " >>\nstream\n" +
                        second + "\nendstream\nendobj\n";
  const size_t at = plain.size(), xref = updated.size(), last = plain.rfind("startxref\n") + 10;
  char entry[32];
  std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", at);
  updated += "xref\n0 1\n0000000000 65535 f \n2 1\n" + std::string(entry) + "trailer\n<< /Size 4 /Root 1 0 R /Prev " +
             plain.substr(last, plain.find('\n', last) - last) + " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  hosttest::TempDir dir;
  hosttest::WriteFile(dir.File("plain.pdf"), plain);
  ASSERT_EQ(hosttest::RunCommand("qpdf --encrypt u o 256 -- " + hosttest::Quoted(dir.File("plain.pdf")) + " " +
                                 hosttest::Quoted(dir.File("locked.pdf"))),
            0);
  const struct {
    const char* name;
    std::string bytes;
    const char* password;
  } files[] = {
      {"CR LF, length in another object", plain, ""},
      {"replaced by an update", updated, ""},
      {"a length the library repairs", pdf("<< " + dict + " /Length 1199990 >>\nstream\n" + first + "\nendstream"), ""},
      {"encrypted", hosttest::ReadFile(dir.File("locked.pdf")), "u"},
  };
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    const std::string path = dir.File("in.pdf");
    hosttest::WriteFile(path, f.bytes);
    std::string theirs;
    hosttest::RunCommand("qpdf --no-warn --password=" + std::string(f.password) + " --show-object=2 --filtered-stream-data " +
                             hosttest::Quoted(path) + " 2>/dev/null",
                         &theirs);
    ASSERT_GE(theirs.size(), first.size());
    for (bool fromFile : {true, false}) {
      host::OpenOptions options;
      options.password = f.password;
      host::Doc& doc = fromFile ? host::OpenFile(path, options) : host::OpenBytes(f.bytes, "in", options);
      std::string ours;
      EXPECT_EQ(Read(doc.Wrap(doc.qpdf->getObjectByID(2, 0)), &ours), 0) << host::LastFailureDetail();
      EXPECT_TRUE(ours == theirs.substr(0, first.size())) << fromFile << ": " << ours.size() << " bytes, from "
          << std::mismatch(ours.begin(), ours.end(), theirs.begin()).first - ours.begin();
      host::CloseAllDocuments();
    }
  }
  // Data only the library hands over, a new stream's here, is asked of it
  // once, whatever its length.
  struct Counted : QPDFObjectHandle::StreamDataProvider {
    explicit Counted(const std::string& data) : data(data) {}
    void provideStreamData(QPDFObjGen const&, Pipeline* pipeline) override {
      ++asked;
      pipeline->write(reinterpret_cast<const unsigned char*>(data.data()), data.size());
      pipeline->finish();
    }
    const std::string& data;
    int asked = 0;
  };
  host::Doc& doc = host::OpenBytes(plain, "in", {});
  auto counted = std::make_shared<Counted>(first);
  QPDFObjectHandle image = doc.qpdf->newStream();
  image.replaceDict(QPDFObjectHandle::parse("<< " + dict + " >>"));
  image.replaceStreamData(counted, QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
  std::string ours;
  EXPECT_EQ(Read(doc.Wrap(image), &ours), 0) << host::LastFailureDetail();
  EXPECT_TRUE(ours == first) << ours.size() << " bytes";
  EXPECT_EQ(counted->asked, 1);
}

// Images the host refuses: before anything is decoded when the dictionary
// declares too much or the data cannot hold what it declares; at the end of
// the declared data when a filter makes far more (a bomb).
TEST_F(ImageDataTest, DeclaredSizesAndDamagedDataAreRefusedBeforeTheyCost) {
  const std::string zeros(size_t(16) << 20, '\0');
  std::string shortJpeg = Jpeg(64, 40, 3), cut = shortJpeg.substr(0, shortJpeg.size() * 2 / 3);
  const struct {
    const char* name;
    std::string image;
    ASErrorCode atOpen, atRead;
  } cases[] = {
      {"a Flate bomb", "/Width 64 /Height 64 /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /FlateDecode|" +
                           Encoded(zeros, "/FlateDecode"),
       0, cosErrReadError},
      {"100000 x 100000 pixels", "/Width 100000 /Height 100000 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode|" +
                                     Encoded(std::string(1000, 'x'), "/FlateDecode"),
       cosErrDataTooLarge, 0},
      {"10 x 2147483647 gray", "/Width 10 /Height 2147483647 /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /FlateDecode|" +
                                   Encoded(std::string(1000, 'x'), "/FlateDecode"),
       cosErrDataTooLarge, 0},
      {"predictor columns past the bound", "/Width 10 /Height 10 /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /FlateDecode "
                                           "/DecodeParms << /Predictor 15 /Columns 2147483647 >>|" +
                                               Encoded(std::string(1000, 'x'), "/FlateDecode"),
       cosErrDataTooLarge, 0},
      {"1 x 100000000 gray in 1000 bytes", "/Width 1 /Height 100000000 /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /FlateDecode|" +
                                               Encoded(std::string(1000, 'x'), "/FlateDecode").substr(0, 1000),
       cosErrReadError, 0},
      {"a JPEG shorter than its dictionary says", "/Width 64 /Height 60 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode|" +
                                                      shortJpeg,
       cosErrReadError, 0},
      {"a JPEG cut short", "/Width 64 /Height 40 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode|" + cut, 0,
       cosErrReadError},
      {"JBIG2 declaring 100000 x 100000", "/Width 100000 /Height 100000 /ImageMask true /Filter /JBIG2Decode|" + cut,
       cosErrDataTooLarge, 0},
  };
  std::vector<std::string> images;
  for (const auto& c : cases) images.push_back(c.image);
  CosDoc doc = Open(images);
  for (size_t i = 0; i < images.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    CosObj image = CosDocGetObjByID(doc, static_cast<ASInt32>(i + 2));
    ASErrorCode opened = HostRegion([&] { ASStmClose(CosStreamOpenStm(image, cosOpenFiltered)); }).code;
    EXPECT_EQ(opened, cases[i].atOpen) << host::LastFailureDetail();
    std::string data;
    if (opened == 0) {
      EXPECT_EQ(Read(image, &data), cases[i].atRead) << host::LastFailureDetail();
    }
  }
}

// Images declaring over four times the data held whole: read to their end
// where the data streams (no filter, Flate, DCT, CCITT G4); refused where
// it is decoded whole (JBIG2) or declares more than streamed data's bound.
TEST_F(ImageDataTest, DataPastTheCapStreamsWhereItCanUpToTheBound) {
  const std::string gray = Samples(800 * 800, 3), bits = Noise(800 * 800), g4 = "<< /K -1 /Columns 6400 /Rows 800 >>";
  const std::string gray8 = "/Width 800 /Height 800 /ColorSpace /DeviceGray /BitsPerComponent 8",
                    bits1 = "/Width 6400 /Height 800 /ColorSpace /DeviceGray /BitsPerComponent 1 /Filter ";
  const struct { std::string image; size_t size; std::string data; } cases[] = {  // size decoded; 0: refused
      {gray8 + "|" + gray, gray.size(), gray},
      {gray8 + " /Filter /FlateDecode|" + Encoded(gray, "/FlateDecode"), gray.size(), gray},
      {"/Width 400 /Height 300 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode|" + Jpeg(400, 300, 3),
       400 * 300 * 3, ""},
      {bits1 + "/CCITTFaxDecode /DecodeParms " + g4 + "|" + Fax(bits, g4), bits.size(), bits},
      {bits1 + "/JBIG2Decode|" + std::string(100, '\0'), 0, ""},
      {"/Width 1100 /Height 1000 /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /FlateDecode|" +
           Encoded(std::string(1100 * 1000, 'x'), "/FlateDecode"), 0, ""},
  };
  std::vector<std::string> images;
  for (const auto& c : cases) images.push_back(c.image);
  CosDoc doc = Open(images);
  host::SetDecodedDataCap(65536);
  for (size_t i = 0; i < images.size(); ++i) {
    std::string data;
    EXPECT_EQ(Read(CosDocGetObjByID(doc, static_cast<ASInt32>(i + 2)), &data), cases[i].size ? 0 : cosErrDataTooLarge)
        << i << ": " << host::LastFailureDetail();
    EXPECT_EQ(data.size(), cases[i].size) << i;
    EXPECT_TRUE(cases[i].data.empty() || data == cases[i].data) << i;
  }
}

// A new stream's source read in pieces of every size gives the bytes the
// same data gives whole, for each filter the host writes; a length past
// the bound is refused before the source is read.
TEST_F(ImageDataTest, NewStreamsAreEncodedAsTheirSourceIsRead) {
  CosDoc doc = Open({});
  const std::string rgb = Samples(33 * 21 * 3, 5), bits = Samples(40 * 16 / 8, 6);
  struct Source {
    const std::string* data;
    size_t at = 0, step = 1, calls = 0;
  };
  auto read = [](char* buffer, ASInt32 count, void* client) -> ASInt32 {
    auto* s = static_cast<Source*>(client);
    ++s->calls;
    const size_t n = std::min({static_cast<size_t>(count), s->step, s->data->size() - s->at});
    std::memcpy(buffer, s->data->data() + s->at, n);
    s->at += n;
    s->step = s->step * 5 % 4099 + 1;
    return static_cast<ASInt32>(n);
  };
  auto cos = [&](const std::string& text) { return host::DocOf(doc).Wrap(QPDFObjectHandle::parse(text)); };
  auto make = [&](const std::string& dict, const std::string& parms, CosByteMax length, Source* source) {
    CosObj made{};
    HostRegionResult r = HostRegion([&] {
      ASCallback callback = ASCallbackCreate(0, reinterpret_cast<void*>(+read));
      ASStm stm = ASProcStmRdOpen(callback, source);
      made = CosNewStream(doc, 1, stm, 0, 0, cos(dict), parms.empty() ? CosNewNull() : cos(parms), length);
      ASStmClose(stm);
      ASCallbackDestroy(callback);
    });
    return r.raised ? CosObj{} : made;
  };
  struct Case {
    std::string dict, parms, data;
  };
  std::vector<Case> cases = {
      {"<< /Filter /FlateDecode /DecodeParms << /Predictor 12 /Columns 33 /Colors 3 >> >>", "<< /Predictor 12 /Columns 33 /Colors 3 >>", rgb},
      {"<< /Filter /LZWDecode /DecodeParms << /Predictor 2 /Columns 33 /Colors 3 >> >>", "", rgb},
      {"<< /Filter [/ASCII85Decode /RunLengthDecode] >>", "", rgb},
      {"<< /Filter /ASCIIHexDecode >>", "", rgb},
      {"<< /Filter /DCTDecode /BitsPerComponent 8 >>", "<< /Columns 33 /Rows 21 /Colors 3 >>", rgb},
      {"<< /Filter /CCITTFaxDecode /BitsPerComponent 1 /DecodeParms << /K -1 /Columns 40 >> >>", "", bits},
  };
  // Past a megabyte, the bytes go to the document's spill file.
  const std::string noise = Noise(3 << 20);
  cases.push_back({"<< /Filter /ASCIIHexDecode >>", "", noise});
  cases.push_back({"<< >>", "", noise});
  ASInt32 last = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dict);
    Source source{&c.data};
    CosObj made = make(c.dict, c.parms, static_cast<CosByteMax>(c.data.size()), &source);
    ASSERT_NE(CosObjGetType(made), CosNull) << host::LastFailureDetail();
    last = CosObjGetID(made);
    QPDFObjectHandle dict = QPDFObjectHandle::parse(c.dict);
    ASStm raw = CosStreamOpenStm(made, cosOpenRaw);
    EXPECT_EQ(host::ReadStm(raw, 0, -1),
              host::EncodeStreamData(c.data, dict.getKey("/Filter"),
                                     c.parms.empty() ? dict.getKey("/DecodeParms") : QPDFObjectHandle::parse(c.parms),
                                     dict));
    ASStmClose(raw);
    std::string decoded(c.data.size() + 1, '\0');
    ASStm in = CosStreamOpenStm(made, cosOpenFiltered);
    decoded.resize(ASStmRead(&decoded[0], 1, static_cast<ASSize_t>(decoded.size()), in));
    if (c.dict.find("DCT") == std::string::npos) {
      EXPECT_TRUE(decoded == c.data);
    }
    ASStmClose(in);
  }
  // The spilled data is saved as it was made.
  hosttest::TempDir dir;
  CosDictPut(CosDocGetRoot(doc), ASAtomFromString("Spilled"), CosDocGetObjByID(doc, last));
  host::SaveDocument(pd_, dir.File("saved.pdf"));
  PDDoc saved = host::OpenDocument(dir.File("saved.pdf"));
  ASStm raw = CosStreamOpenStm(CosDictGet(CosDocGetRoot(PDDocGetCosDoc(saved)), ASAtomFromString("Spilled")), cosOpenRaw);
  EXPECT_TRUE(host::ReadStm(raw, 0, -1) == noise);
  ASStmClose(raw);
  Source never{&rgb};
  host::SetDecodedDataCap(1000);
  EXPECT_EQ(CosObjGetType(make("<< /Filter /FlateDecode >>", "", 16001, &never)), CosNull);
  EXPECT_EQ(host::LastFailureDetail(), "the new stream's data is more than the host allows");
  EXPECT_EQ(never.calls, 0u);
}

// Data read whole grows its buffer up to the cap, never asking for twice it.
TEST(ReadStm, GrowsNoFurtherThanTheCap) {
  hosttest::BindTables();
  const std::string data(100000, 'd');
  for (size_t cap : {size_t(100000), size_t(150000)}) {
    ASStm stm = ASMemStmRdOpen(data.data(), static_cast<ASSize_t>(data.size()));
    const std::string read = host::ReadStm(stm, 0, -1, cap);
    ASStmClose(stm);
    EXPECT_EQ(read, data);
    EXPECT_LE(read.capacity(), cap);
  }
}

}  // namespace
