// Image data as plughost reads and writes it for the image plug-in, on files
// made here: JPEG images with decode parameters converted to their own
// colours, and images whose dictionary or data is hostile left as they were
// with their note, in bounded time and memory.
#include <gtest/gtest.h>


#include <cmath>
#include <cstdio>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "plughost_runs.h"
#include "testing/codestreams.h"
#include "testing/jpegmaker.h"
#include "testing/renders.h"

namespace {

// A file of one image a page, each drawn over the whole page: the images'
// dictionary entries, then "|" and their data.
std::string ImagesPdf(const std::vector<std::string>& images) {
  hosttest::PdfSpec spec;
  spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>", ""};
  std::string kids;
  for (size_t i = 0; i < images.size(); ++i) {
    const std::string page = std::to_string(3 + 3 * i);
    kids += page + " 0 R ";
    spec.objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Resources << /XObject << /Im0 " +
                           std::to_string(5 + 3 * i) + " 0 R >> >> /Contents " + std::to_string(4 + 3 * i) +
                           " 0 R >>");
    spec.objects.push_back("stream:|q 200 0 0 200 0 0 cm /Im0 Do Q");
    spec.objects.push_back("stream:/Type /XObject /Subtype /Image " + images[i]);
  }
  spec.objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(images.size()) + " >>";
  return hosttest::MakePdf(spec);
}

class ImageDataRunTest : public ::testing::Test {
 protected:
  // plughost ARGS... under GNU time: its transcript, wall seconds and peak KiB.
  hosttest::ProcessResult Run(std::vector<std::string> args, double* seconds = nullptr, long* kib = nullptr) {
    static const hosttest::PluginsFolder alone({GLIMMERSET_PLUGIN, CHECKER_PLUGIN});
    hosttest::TempDir settings;
    const std::string times = work_.File("times");
    args.insert(args.begin(), {"/usr/bin/time", "-o", times, "-f", "%e %M", PLUGHOST});
    args.insert(args.end(), {"--plugins", alone.path(), "--settings", settings.path()});
    hosttest::ProcessResult run = hosttest::RunProcess(args, "", alternatestest::kRunBound);
    std::istringstream measured(hosttest::ReadFile(times));
    double s = -1;
    long k = -1;
    measured >> s >> k;
    if (seconds) *seconds = s;
    if (kib) *kib = k;
    return run;
  }
  // The decoded samples of each image of `pdf`, page by page; their
  // dictionaries into `dicts`.
  std::vector<std::string> Samples(const std::string& pdf, std::vector<std::string>* dicts = nullptr) {
    std::string list;
    hosttest::RunCommand("pdfimages -list " + hosttest::Quoted(pdf) + " | tail -n +3 | awk '{print $11}'", &list);
    std::vector<std::string> samples;
    std::istringstream objects(list);
    for (std::string object; objects >> object;) {
      samples.emplace_back();
      hosttest::RunCommand("qpdf --show-object=" + object + " --filtered-stream-data --decode-level=all " +
                               hosttest::Quoted(pdf),
                           &samples.back());
      if (dicts) {
        dicts->emplace_back();
        hosttest::RunCommand("qpdf --show-object=" + object + " " + hosttest::Quoted(pdf), &dicts->back());
      }
    }
    return samples;
  }
  hosttest::TempDir work_;
};

// Smooth colours the JPEG keeps well; each channel its own.
unsigned char Channel(int x, int y, int c) {
  const double v = c == 0 ? 128 + 100 * std::sin(x / 9.0) : c == 1 ? 128 + 100 * std::cos(y / 7.0) : 40 + 2.5 * (x + y);
  return static_cast<unsigned char>(std::lround(v));
}

// JPEG images written by libjpeg with and without the Adobe marker, with
// /ColorTransform 0, 1 and none, alone and after another filter: each
// converts, and its pixels are the source's halved by the scaler's box
// filter, within JPEG's tolerance.
TEST_F(ImageDataRunTest, JpegImagesWithDecodeParmsConvertToTheirColours) {
  using Adobe = hosttest::JpegSpec::Adobe;
  const int w = 64, h = 48;
  const struct {
    const char* name;
    Adobe adobe;
    bool transform, rgbIds;
    const char* filter;  // with the parameters
  } cases[] = {
      {"YCbCr, no marker, no parameters", Adobe::Omitted, true, false, "/Filter /DCTDecode"},
      {"YCbCr under ids that say RGB, /ColorTransform 1", Adobe::Omitted, true, true,
       "/Filter /DCTDecode /DecodeParms << /ColorTransform 1 >>"},
      {"RGB under ids that say YCbCr, /ColorTransform 0", Adobe::Omitted, false, false,
       "/Filter /DCTDecode /DecodeParms << /ColorTransform 0 >>"},
      {"YCbCr named by the marker over /ColorTransform 0", Adobe::Written, true, false,
       "/Filter /DCTDecode /DecodeParms << /ColorTransform 0 >>"},
      {"RGB named by the marker over /ColorTransform 1", Adobe::Written, false, false,
       "/Filter /DCTDecode /DecodeParms << /ColorTransform 1 >>"},
      {"after ASCIIHex, /ColorTransform 1", Adobe::Omitted, true, true,
       "/Filter [/ASCIIHexDecode /DCTDecode] /DecodeParms [null << /ColorTransform 1 >>]"},
  };
  std::vector<std::string> images;
  for (const auto& c : cases) {
    hosttest::JpegSpec spec;
    spec.width = w;
    spec.height = h;
    spec.quality = 92;
    spec.adobe = c.adobe;
    spec.transform = c.transform;
    spec.rgbIds = c.rgbIds;
    std::string jpeg = hosttest::MakeJpeg(spec, [&](int y, unsigned char* row) {
      for (int x = 0; x < w * 3; ++x) row[x] = Channel(x / 3, y, x % 3);
    });
    if (std::string(c.filter).find("ASCIIHex") != std::string::npos) {
      std::string hex;
      for (unsigned char b : jpeg) hex += {"0123456789ABCDEF"[b >> 4], "0123456789ABCDEF"[b & 15]};
      jpeg = hex + ">";
    }
    images.push_back("/Width 64 /Height 48 /ColorSpace /DeviceRGB /BitsPerComponent 8 " + std::string(c.filter) + "|" +
                     jpeg);
  }
  const std::string in = work_.File("jpeg.pdf"), out = work_.File("converted.pdf");
  hosttest::WriteFile(in, ImagesPdf(images));
  hosttest::ProcessResult run = Run({"images", in, "--modify", "--percent", "50", "--color", "Flate", "--output", out});
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  const std::vector<std::string> converted = Samples(out);
  ASSERT_EQ(converted.size(), std::size(cases));
  for (size_t i = 0; i < converted.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    ASSERT_EQ(converted[i].size(), size_t(w / 2 * h / 2 * 3));
    double squares = 0;
    for (int y = 0; y < h / 2; ++y)
      for (int x = 0; x < w / 2; ++x)
        for (int c = 0; c < 3; ++c) {
          const double halved = (Channel(2 * x, 2 * y, c) + Channel(2 * x + 1, 2 * y, c) + Channel(2 * x, 2 * y + 1, c) +
                                 Channel(2 * x + 1, 2 * y + 1, c)) / 4.0;
          const double d = static_cast<unsigned char>(converted[i][(y * (w / 2) + x) * 3 + c]) - halved;
          squares += d * d;
        }
    const double psnr = 10 * std::log10(255.0 * 255.0 / (squares / converted[i].size() + 1e-9));
    EXPECT_GT(psnr, 32) << "PSNR " << psnr;
  }
}

// An 8-bit image whose filter carries parameters only another would take
// (/BitsPerComponent 4, as some writers leave): the host reads the data as
// its filters say, and the image converts, samples kept as they were.
TEST_F(ImageDataRunTest, ParametersOfFiltersThatTakeNoneDoNotStopAConversion) {
  std::string rgb;
  for (int i = 0; i < 40 * 30 * 3; ++i) rgb.push_back(static_cast<char>(i * 7 + i / 120));
  auto hex = [](const std::string& data) {
    std::string out;
    for (unsigned char b : data) out += {"0123456789ABCDEF"[b >> 4], "0123456789ABCDEF"[b & 15]};
    return out + ">";
  };
  auto runs = [](const std::string& data) {  // RunLength, literal runs of 128
    std::string out;
    for (size_t at = 0; at < data.size(); at += 128) {
      const std::string run = data.substr(at, 128);
      out += static_cast<char>(run.size() - 1) + run;
    }
    return out + "\x80";
  };
  const std::string flate = hosttest::Deflated(rgb);
  const std::string parms = " /DecodeParms << /BitsPerComponent 4 >>";
  const std::vector<std::string> filters = {
      parms + "|" + rgb,
      "/Filter /FlateDecode" + parms + "|" + flate,
      "/Filter /RunLengthDecode" + parms + "|" + runs(rgb),
      "/Filter /ASCIIHexDecode" + parms + "|" + hex(rgb),
      "/Filter [/ASCIIHexDecode /RunLengthDecode] /DecodeParms [<< /BitsPerComponent 4 >> << /BitsPerComponent 4 >>]|" +
          hex(runs(rgb)),
  };
  std::vector<std::string> images;
  for (const std::string& f : filters) images.push_back("/Width 40 /Height 30 /ColorSpace /DeviceRGB /BitsPerComponent 8 " + f);
  const std::string in = work_.File("parms.pdf"), out = work_.File("converted.pdf");
  hosttest::WriteFile(in, ImagesPdf(images));
  hosttest::ProcessResult run =
      Run({"images", in, "--modify", "--keep-resolution", "--color", "Flate", "--which", "all", "--output", out});
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_EQ(run.out.find("NOTE"), std::string::npos) << run.out;
  std::vector<std::string> dicts;
  const std::vector<std::string> converted = Samples(out, &dicts);
  ASSERT_EQ(converted.size(), filters.size());
  for (size_t i = 0; i < converted.size(); ++i) {
    EXPECT_TRUE(converted[i] == rgb) << filters[i].substr(0, 60);
    EXPECT_NE(dicts[i].find("/Filter /FlateDecode"), std::string::npos) << dicts[i];
  }
}

// Images whose dictionary declares far more than their data holds, or more
// than the host allows, or whose data makes far more than declared: each
// conversion ends within 10 s and 300 MB with the image as it was and its
// note, and so does a check with its fixes.
TEST_F(ImageDataRunTest, HostileImagesAreLeftAsTheyWereWithTheirNote) {
  const std::string tooLarge = "The decoded data is larger than the host allows",
                    unreadable = "The object or its data could not be read";
  hosttest::JpegSpec spec;
  spec.width = 64;
  spec.height = 40;
  const std::string jpeg = hosttest::MakeJpeg(spec, [](int y, unsigned char* row) {
    for (int x = 0; x < 64 * 3; ++x) row[x] = static_cast<unsigned char>(x + y);
  });
  const std::string kilobyte = hosttest::Deflated(std::string(1000, 'x'));
  const struct {
    const char* name;
    std::string image, note;
  } cases[] = {
      {"10 x 2147483647 gray", "/Width 10 /Height 2147483647 /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /FlateDecode|" + kilobyte,
       tooLarge},
      {"1 x 100000000 gray", "/Width 1 /Height 100000000 /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /FlateDecode|" + kilobyte,
       unreadable},
      {"100000000 x 1 gray", "/Width 100000000 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /FlateDecode|" + kilobyte,
       unreadable},
      {"predictor columns 2147483647", "/Width 100 /Height 10 /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /FlateDecode "
                                       "/DecodeParms << /Predictor 15 /Columns 2147483647 >>|" + kilobyte,
       tooLarge},
      {"100000 x 100000 RGB", "/Width 100000 /Height 100000 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode|" + kilobyte,
       tooLarge},
      {"a Flate bomb", "/Width 100 /Height 100 /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /FlateDecode|" +
                           hosttest::Deflated(std::string(size_t(64) << 20, '\0')),
       unreadable},
      {"a JPEG shorter than its dictionary says", "/Width 64 /Height 64 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode|" + jpeg,
       unreadable},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string in = work_.File("hostile.pdf"), out = work_.File("out.pdf");
    hosttest::WriteFile(in, ImagesPdf({c.image}));
    const std::vector<std::vector<std::string>> runs = {
        {"images", in, "--create-alternates", "--resolution", "100", "--color", "JPEG", "--which", "all", "--output", out},
        {"images", in, "--modify", "--percent", "50", "--which", "all", "--output", out},
        {"check", in, "--fix", "--output", out}};
    for (const auto& args : runs) {
      SCOPED_TRACE(args[0] + " " + args[2]);
      std::remove(out.c_str());
      double seconds = 0;
      long kib = 0;
      hosttest::ProcessResult run = Run(args, &seconds, &kib);
      EXPECT_GE(run.status, 0) << run.err;
      EXPECT_LE(run.status, 2) << run.err;
      EXPECT_LT(seconds, 10);
      EXPECT_LT(kib, 300 * 1024);
      if (args[0] != "images") continue;
      EXPECT_NE(run.out.find("NOTE: " + c.note), std::string::npos) << run.out;
      // Nothing saved, or the image saved as it was.
      if (hosttest::FileExists(out)) {
        std::string was, is;
        hosttest::RunCommand("qpdf --show-object=5 --raw-stream-data " + hosttest::Quoted(in), &was);
        hosttest::RunCommand("qpdf --show-object=5 --raw-stream-data " + hosttest::Quoted(out), &is);
        EXPECT_TRUE(was == is);
      }
    }
  }
}


// Data as real files have it, through both roads of a conversion (samples
// encoded anew without loss, and resampled under JPEG): each image converts
// to what its whole data gives, or is left as it was with the reason, the
// same on both roads. JPEG data without its end marker is whole, cut short
// it is not; Flate data that ends inside its last row is padded, one rows
// short is not; JPEG 2000 indices of 1 to 8 bits under the document's
// palette (the file's own differs) keep their colours; 2- and 4-bit images
// take Flate for JPEG; JBIG2 data the library warns of or misreads without
// a word is left (a header with the long form of its count, a region of
// another page, a page left blank by regions that hold data), and data it
// reads right converts.
TEST_F(ImageDataRunTest, CutDataPalettesAndJbig2FollowOneRuleOnBothRoads) {
  using hosttest::Big32;
  const int w = 48, h = 32;
  auto jpeg = [&](bool progressive) {
    hosttest::JpegSpec spec;
    spec.width = w, spec.height = h, spec.progressive = progressive;
    return hosttest::MakeJpeg(spec, [&](int y, unsigned char* row) {
      for (int x = 0; x < w * 3; ++x) row[x] = Channel(x / 3, y, x % 3);
    });
  };
  const std::string baseline = jpeg(false), progressive = jpeg(true);
  const std::string rgb = "/Width 48 /Height 32 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode|";
  std::string gray;
  for (int i = 0; i < w * h; ++i) gray.push_back(static_cast<char>(i * 7 % 251));
  const std::string flate = "/Width 48 /Height 32 /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /FlateDecode|";
  auto indexed = [&](uint32_t bits, bool withBits) {  // blocks of 6 x 8 pixels
    const uint32_t n = 1u << bits;
    std::vector<std::string> own;
    std::string lookup;
    for (uint32_t k = 0; k < n; ++k) {
      own.push_back({static_cast<char>(255 - k * 255 / (n - 1)), static_cast<char>(k * 255 / (n - 1)), '\x80'});
      char hex[8];
      std::snprintf(hex, sizeof hex, "%02X%02X%02X", k * 37 % 256, (255 - k * 16) % 256, k * 91 % 256);
      lookup += hex;
    }
    const std::string indices = hosttest::JpxCodestream(
        w, h, 1, [&](uint32_t i, uint32_t) { return static_cast<int>((i % w / 6 + i / w / 8 * 8) % n); }, bits);
    return "/Width 48 /Height 32 /ColorSpace [/Indexed /DeviceRGB " + std::to_string(n - 1) + " <" + lookup + ">] " +
           (withBits ? "/BitsPerComponent " + std::to_string(bits) + " " : "") + "/Filter /JPXDecode|" +
           hosttest::Jp2WithPalette(indices, w, h, own, 3, bits);
  };
  auto region = [](uint32_t x, uint32_t y) { return Big32(48) + Big32(32) + Big32(x) + Big32(y) + '\0'; };
  const std::string page = hosttest::Jbig2Segment(0, 48, hosttest::Jbig2PageInformation(48, 32)), pad(24, '\0');
  auto jbig2 = [&](int type, const std::string& data) {
    return "/Width 48 /Height 32 /ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /JBIG2Decode|" + page +
           hosttest::Jbig2Segment(1, type, data);
  };
  const std::string bits(6 * 32, '\x5a'), white(6 * 32, '\0');
  const std::string stripes = region(0, 0) + '\1' + hosttest::GroupFour(work_, 48, 32, bits);
  // Five symbol dictionaries and a text region drawing from them: its count
  // needs the long form, which the library misreads.
  std::string dictionaries;
  for (uint8_t n = 1; n <= 5; ++n) dictionaries += hosttest::Jbig2Segment(n, 0, std::string(18, '\0'));
  auto jbig2Long = [&](const std::string& segments) {
    return "/Width 48 /Height 32 /ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /JBIG2Decode|" + page + segments;
  };
  const std::string packed = gray.substr(0, 768);
  // `same`: the row whose samples it keeps (-1: `left` or `samples` says).
  const struct {
    const char* name;
    std::string image;
    int same;
    std::string left, samples;
  } rows[] = {
      {"baseline JPEG", rgb + baseline, -1, "", ""},
      {"progressive JPEG", rgb + progressive, -1, "", ""},
      {"baseline JPEG without its end marker", rgb + baseline.substr(0, baseline.size() - 2), 0, "", ""},
      {"progressive JPEG without its end marker", rgb + progressive.substr(0, progressive.size() - 2), 1, "", ""},
      {"baseline JPEG cut in its scan", rgb + baseline.substr(0, baseline.size() * 2 / 3), -1,
       "the JPEG data ends before its image", ""},
      {"progressive JPEG without its last scan", rgb + progressive.substr(0, progressive.rfind("\xFF\xDA")), -1,
       "the JPEG data ends before its image", ""},
      {"Flate three bytes short", flate + hosttest::Deflated(gray.substr(0, gray.size() - 3)), -1, "",
       gray.substr(0, gray.size() - 3) + std::string(3, '\0')},
      {"Flate a row and five bytes short", flate + hosttest::Deflated(gray.substr(0, gray.size() - w - 5)), -1,
       "ended before its length", ""},
      {"JPEG 2000, 1-bit indices", indexed(1, true), -1, "", ""},
      {"JPEG 2000, 2-bit indices", indexed(2, true), -1, "", ""},
      {"JPEG 2000, 4-bit indices", indexed(4, true), -1, "", ""},
      {"JPEG 2000, 8-bit indices", indexed(8, true), -1, "", ""},
      {"JPEG 2000, 4-bit indices, no /BitsPerComponent", indexed(4, false), -1, "", ""},
      {"4-bit gray", "/Width 48 /Height 32 /ColorSpace /DeviceGray /BitsPerComponent 4|" + packed, -1, "", packed},
      {"JBIG2 Huffman text refined", jbig2(6, region(0, 0) + std::string("\0\3", 2) + pad), -1,
       "JBIG2 text refined under Huffman coding", ""},
      {"JBIG2 Huffman symbols refined", jbig2(0, std::string("\0\3", 2) + pad), -1,
       "JBIG2 symbols refined under Huffman coding", ""},
      {"JBIG2 halftone by XOR", jbig2(22, region(0, 0) + "\x20" + pad), -1, "halftone region with a background", ""},
      {"JBIG2 halftone on black", jbig2(22, region(0, 0) + "\x80" + pad), -1, "halftone region with a background", ""},
      {"JBIG2 page refined off its corner", jbig2(42, region(8, 8) + pad), -1, "refinement of part of the page", ""},
      {"JBIG2 region the library passes over", jbig2(38, region(0, 1000) + '\1' + hosttest::GroupFour(work_, 48, 32, bits)),
       -1, "JBIG2: ignoring 48 x 32 region", ""},
      {"JBIG2 text over five dictionaries, its count in the long form",
       jbig2Long(dictionaries + hosttest::Jbig2Segment(6, 6, region(0, 0) + pad, 1, {1, 2, 3, 4, 5}, true)), -1,
       "the long form of the referred-to segments' count", ""},
      {"JBIG2 region counting none in the long form",
       jbig2Long(hosttest::Jbig2Segment(1, 38, stripes, 1, {}, true)), -1, "the long form of the referred-to", ""},
      {"JBIG2 long count past the data", jbig2Long(Big32(1) + "\x26" + Big32(0xFFFFFFFFu) + "\1"), -1,
       "the long form of the referred-to", ""},
      {"JBIG2 region of page 2", jbig2Long(hosttest::Jbig2Segment(1, 38, stripes, 2)), -1,
       "a JBIG2 region of a page other than its page information's", ""},
      {"JBIG2 region coding a white page", jbig2(38, region(0, 0) + '\1' + hosttest::GroupFour(work_, 48, 32, white)),
       -1, "a blank page of regions that hold data", ""},
      {"JBIG2 stripes", jbig2(38, stripes), -1, "", std::string(6 * 32, '\xa5')},
  };
  std::vector<std::string> images;
  for (const auto& row : rows) images.push_back(row.image);
  const std::string in = work_.File("data.pdf"), out = work_.File("out.pdf");
  hosttest::WriteFile(in, ImagesPdf(images));
  for (const bool kept : {true, false}) {
    SCOPED_TRACE(kept ? "kept" : "resampled");
    std::vector<std::string> args = {"images", in, "--modify", "--mono", "Flate", "--which", "all", "--output", out};
    if (kept)
      args.insert(args.end(), {"--keep-resolution", "--color", "Flate"});
    else
      args.insert(args.end(), {"--percent", "50", "--color", "JPEG"});
    const hosttest::ProcessResult run = Run(args);
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    std::vector<std::string> dicts;
    const std::vector<std::string> samples = Samples(out, &dicts);
    ASSERT_EQ(samples.size(), std::size(rows));
    const std::vector<std::string> drawn = kept ? hosttest::PageDifferences(in, out, 72) : std::vector<std::string>();
    for (size_t i = 0; i < std::size(rows); ++i) {
      const auto& row = rows[i];
      SCOPED_TRACE(row.name);
      const std::string skipped = "SKIPPED: page " + std::to_string(i + 1) + ", object " + std::to_string(5 + 3 * i) + ": ";
      const size_t at = run.out.find(skipped);
      ASSERT_EQ(at != std::string::npos, !row.left.empty()) << run.out;
      if (at != std::string::npos) {
        EXPECT_NE(run.out.substr(at, run.out.find('\n', at) - at).find(row.left), std::string::npos) << run.out;
        continue;
      }
      // Under JPEG, Flate for the samples JPEG does not take.
      const bool jpx = row.image.find("JPX") != std::string::npos;
      const bool deep = row.image.find("/BitsPerComponent 8") != std::string::npos && !jpx;
      EXPECT_NE(dicts[i].find(kept || !deep ? "/FlateDecode" : "/DCTDecode"), std::string::npos) << dicts[i];
      if (!kept) continue;
      EXPECT_TRUE(row.same < 0 || samples[i] == samples[static_cast<size_t>(row.same)]);
      EXPECT_TRUE(row.samples.empty() || samples[i] == row.samples);
      EXPECT_TRUE(!jpx || drawn.at(i).empty()) << drawn.at(i);
    }
  }
}

}  // namespace
