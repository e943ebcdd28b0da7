// Conversions that keep what they were not asked to change, through
// plughost on documents made here: colour-key masks keep their keyed area
// when resampled, alternates included; no stored resolution makes an image
// larger unasked, and no JPEG image is encoded anew at its own size unless
// that makes it smaller.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "plughost_runs.h"
#include "testing/jpegmaker.h"
#include "testing/renders.h"

namespace {

uint32_t Hash(uint32_t x, uint32_t y, uint32_t c) {
  uint32_t h = x * 73856093u ^ y * 19349663u ^ c * 83492791u;
  h = (h ^ h >> 13) * 0x5bd1e995u;
  return h ^ h >> 15;
}

class LookTest : public ::testing::Test {
 protected:
  // plughost images `in` `args` into out_, with a settings folder of its own
  // that holds `stored` (KEY=VALUE words) or nothing.
  hosttest::ProcessResult Images(const std::string& in, const std::string& args, const std::string& stored = "") {
    static const hosttest::PluginsFolder alone({GLIMMERSET_PLUGIN});
    hosttest::TempDir settings;
    if (!stored.empty()) {
      ::mkdir(settings.File("registry").c_str(), 0700);
      hosttest::WriteFile(settings.File("registry/current_user.txt"),
                          "plughost registry 1\n[Software\\Zentu\\Glimmerset\\Current_Version]\n" +
                              std::regex_replace(stored, std::regex("(\\S+)=(\\S+) ?"), "\"$1\" sz \"$2\"\n"));
    }
    std::istringstream words(args);
    std::vector<std::string> argv = {PLUGHOST, "images", in};
    argv.insert(argv.end(), std::istream_iterator<std::string>(words), {});
    argv.insert(argv.end(), {"--output", out_, "--plugins", alone.path(), "--settings", settings.path()});
    ::unlink(out_.c_str());
    return hosttest::RunProcess(argv, "", alternatestest::kRunBound);
  }
  static std::string Shell(const std::string& command) {
    std::string out;
    hosttest::RunCommand(command, &out);
    return out;
  }
  // An object of the saved file, as qpdf shows it.
  std::string Shown(const std::string& object, const std::string& how = "") {
    return Shell("qpdf --show-object=" + object + " " + how + " " + hosttest::Quoted(out_));
  }
  hosttest::TempDir work_;
  const std::string out_ = work_.File("out.pdf");
};

// An image with a colour-key mask: its samples in `key` where keyed, else
// in `outside`, or by turns in `outside` and `above`, so that their mean
// falls in the key. None shows red, which the ground does.
struct Keyed {
  const char* name;
  std::string space;
  int bits, components;
  std::vector<int> key, outside, above = {};  // min and max a component
};

// A bit of samples `width` pixels wide, the rows padded to a whole byte.
size_t Bit(const Keyed& k, size_t width, size_t x, size_t y, int c) {
  return y * ((width * k.components * k.bits + 7) / 8 * 8) + (x * k.components + c) * k.bits;
}

// The share of keyed pixels of samples `width` pixels wide.
double KeyedShare(const Keyed& k, const std::string& samples, size_t width) {
  const size_t rows = samples.size() * 8 / Bit(k, width, 0, 1, 0);
  size_t keyed = 0;
  for (size_t y = 0; y < rows; ++y)
    for (size_t x = 0; x < width; ++x) {
      bool in = true;
      for (int c = 0; c < k.components; ++c) {
        const size_t bit = Bit(k, width, x, y, c);
        const int v = static_cast<unsigned char>(samples[bit / 8]) >> (8 - k.bits - bit % 8) & ((1 << k.bits) - 1);
        in = in && v >= k.key[2 * c] && v <= k.key[2 * c + 1];
      }
      keyed += in;
    }
  return rows ? static_cast<double>(keyed) / static_cast<double>(rows * width) : -1;
}

// Palettes without red.
std::string Palette(int entries) {
  std::string hex = "<";
  for (int i = 0; i < entries; ++i)
    for (int v : {i * 37 % 120, 60 + i * 53 % 190, 90 + i * 29 % 160}) hex += {"0123456789ABCDEF"[v / 16], "0123456789ABCDEF"[v % 16]};
  return hex + ">";
}

// Colour-key images of each colour space and depth over a red ground,
// resampled down by a resolution and by a per cent, and up, in place and as
// alternates: the ground shows through each within 2% of the input's share
// (in a render at 432 dpi, four times the images' resolution and more, which
// pdftoppm enlarges pixel by pixel; or in the alternate's samples), JPEG
// asked is Flate with a note, and a mean that falls in the key is not kept.
TEST_F(LookTest, ColourKeyMasksKeepTheirKeyedAreaWhenResampled) {
  const Keyed kinds[] = {
      {"gray, 8 bits, one value", "/DeviceGray", 8, 1, {0, 0}, {1, 255}},
      {"gray, 8 bits, a range", "/DeviceGray", 8, 1, {0, 40}, {41, 255}},
      {"gray, 8 bits, a range the others straddle", "/DeviceGray", 8, 1, {100, 150}, {92, 99}, {151, 158}},
      {"gray, 4 bits", "/DeviceGray", 4, 1, {15, 15}, {0, 14}},
      {"gray, 2 bits, a range", "/DeviceGray", 2, 1, {0, 1}, {2, 3}},
      {"gray, 1 bit", "/DeviceGray", 1, 1, {1, 1}, {0, 0}},
      {"RGB, 8 bits, one value", "/DeviceRGB", 8, 3, {0, 0, 0, 0, 0, 0}, {0, 255, 0, 255, 128, 255}},
      {"RGB, 8 bits, ranges", "/DeviceRGB", 8, 3, {0, 30, 10, 60, 200, 255}, {0, 255, 0, 255, 128, 199}},
      {"RGB, 4 bits, one value", "/DeviceRGB", 4, 3, {15, 15, 15, 15, 15, 15}, {0, 15, 0, 15, 8, 14}},
      {"CMYK, 8 bits", "/DeviceCMYK", 8, 4, {0, 255, 0, 255, 0, 255, 250, 255}, {0, 255, 0, 255, 0, 255, 80, 179}},
      {"Lab, 8 bits", "[/Lab << /WhitePoint [0.9505 1 1.089] >>]", 8, 3, {0, 20, 0, 255, 0, 255},
       {21, 255, 128, 128, 128, 128}},
      {"indexed, 8 bits, several indices", "[/Indexed /DeviceRGB 255 " + Palette(256) + "]", 8, 1, {3, 40}, {41, 255}},
      {"indexed, 2 bits", "[/Indexed /DeviceRGB 3 " + Palette(4) + "]", 2, 1, {2, 2}, {0, 1}},
  };
  const size_t n = std::size(kinds);
  auto redShares = [](const std::string& pdf) {
    std::vector<double> shares;
    for (const hosttest::Picture& page : hosttest::Render(pdf, 432)) {
      const auto* rgb = reinterpret_cast<const unsigned char*>(page.pixels.data());
      size_t red = 0;
      for (size_t i = 0; i < page.pixels.size(); i += 3) red += rgb[i] > 200 && rgb[i + 1] < 60 && rgb[i + 2] < 60;
      shares.push_back(3.0 * static_cast<double>(red) / static_cast<double>(page.pixels.size()));
    }
    return shares;
  };
  hosttest::PdfSpec spec;
  spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count " + std::to_string(n) + " >>"};
  std::vector<double> keyed;  // of each image's samples
  for (size_t i = 0; i < n; ++i) {
    const Keyed& k = kinds[i];
    spec.objects[1].insert(spec.objects[1].find(']'), std::to_string(3 + 3 * i) + " 0 R ");
    std::string mask, data(Bit(k, 240, 0, 160, 0) / 8, '\0');
    for (int v : k.key) mask += std::to_string(v) + " ";
    // Keyed blocks and a disc, so that edges cross the new pixels at every phase.
    for (int y = 0; y < 160; ++y)
      for (int x = 0; x < 240; ++x)
        for (int c = 0; c < k.components; ++c) {
          const std::vector<int>& range = ((x / 48 + y / 40) % 3 == 0) != ((x - 150) * (x - 150) + (y - 70) * (y - 70) < 2500)
                                              ? k.key : !k.above.empty() && (x + y) % 2 ? k.above : k.outside;
          const size_t bit = Bit(k, 240, x, y, c);
          const uint32_t v = range[2 * c] + Hash(x, y, c) % (range[2 * c + 1] - range[2 * c] + 1);
          data[bit / 8] = static_cast<char>(data[bit / 8] | v << (8 - k.bits - bit % 8));
        }
    spec.objects.insert(spec.objects.end(), {"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 240 160] /Resources << "
        "/XObject << /K " + std::to_string(5 + 3 * i) + " 0 R >> >> /Contents " + std::to_string(4 + 3 * i) + " 0 R >>",
        "stream:|1 0 0 rg 0 0 240 160 re f q 240 0 0 160 0 0 cm /K Do Q",
        "stream:/Type /XObject /Subtype /Image /Width 240 /Height 160 /ColorSpace " + k.space + " /BitsPerComponent " +
            std::to_string(k.bits) + " /Mask [" + mask + "]|" + data});
    keyed.push_back(KeyedShare(k, data, 240));
  }
  const std::string in = work_.File("keyed.pdf");
  hosttest::WriteFile(in, hosttest::MakePdf(spec));
  const std::vector<double> before = redShares(in);
  ASSERT_EQ(before.size(), n);
  for (size_t i = 0; i < n; ++i) EXPECT_TRUE(before[i] > 0.2 && keyed[i] > 0.2) << kinds[i].name;

  const struct {
    const char* args;
    size_t width;
  } runs[] = {{"--modify --resolution 30 --color JPEG", 100}, {"--modify --percent 45 --color Flate", 108},
              {"--modify --percent 150", 360}, {"--create-alternates --resolution 30 --color JPEG", 100},
              {"--create-alternates --percent 45", 108}};
  for (const auto& r : runs) {
    SCOPED_TRACE(r.args);
    const hosttest::ProcessResult run = Images(in, r.args);
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    const bool modify = r.args[2] == 'm', jpeg = std::string(r.args).find("JPEG") != std::string::npos;
    const std::vector<double> after = modify ? redShares(out_) : std::vector<double>();
    std::istringstream objects(Shell("pdfimages -list " + hosttest::Quoted(out_) + " | tail -n +3 | awk '{print $11}'"));
    for (size_t i = 0; i < n; ++i) {
      const Keyed& k = kinds[i];
      SCOPED_TRACE(k.name);
      // JPEG takes 8-bit colours only: those keyed are told they take Flate.
      EXPECT_EQ(run.out.find("NOTE: page " + std::to_string(i + 1) + ", object " + std::to_string(5 + 3 * i) +
                             ": its colour-key mask names exact colours, which JPEG does not keep, so it is "
                             "compressed with Flate\n") != std::string::npos,
                jpeg && k.bits == 8 && k.space.find("Indexed") == std::string::npos)
          << run.out;
      // The image of the page (the saved file numbers its objects anew), or its alternate.
      std::string object;
      objects >> object;
      std::string dict = Shown(object);
      std::smatch alternate;
      if (!modify && std::regex_search(dict, alternate, std::regex("/Image (\\d+) 0 R"))) dict = Shown(object = alternate[1]);
      EXPECT_TRUE(dict.find("/Mask [") != std::string::npos && dict.find("DCTDecode") == std::string::npos &&
                  dict.find("/Width " + std::to_string(r.width) + " ") != std::string::npos)
          << dict;
      const double was = modify ? before[i] : keyed[i];
      EXPECT_NEAR(modify ? after.at(i) : KeyedShare(k, Shown(object, "--filtered-stream-data"), r.width), was, 0.02 * was);
    }
  }
}

// A gray image at 25 ppi and one at 288, a JPEG image at 36: a resolution
// the option set holds, as one typed, takes only the images it makes
// smaller (unless --which all), in its own unit; a stored per cent takes
// every image. A JPEG image kept at its size under JPEG is left as it was,
// its data whole, unless a lower quality makes it smaller; another encoding
// is made as asked, and so is JPEG at another size.
TEST_F(LookTest, NothingIsResampledOrEncodedAnewUnasked) {
  auto gray = [](int side) {
    std::string data;
    for (int i = 0; i < side * side; ++i) data.push_back(static_cast<char>(Hash(i % side, i / side, 1) % 256));
    return "stream:/Type /XObject /Subtype /Image /Width " + std::to_string(side) + " /Height " + std::to_string(side) +
           " /ColorSpace /DeviceGray /BitsPerComponent 8|" + data;
  };
  hosttest::JpegSpec jpeg;
  jpeg.width = 120, jpeg.height = 80, jpeg.quality = 50;
  hosttest::PdfSpec pdf;
  pdf.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                 "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /XObject << /A 5 0 R /B 6 0 R "
                 "/J 7 0 R >> >> /Contents 4 0 R >>",
                 "stream:|q 288 0 0 288 0 0 cm /A Do Q q 100 0 0 100 300 0 cm /B Do Q q 240 0 0 160 0 400 cm /J Do Q",
                 gray(100), gray(400),
                 "stream:/Type /XObject /Subtype /Image /Width 120 /Height 80 /ColorSpace /DeviceRGB /BitsPerComponent 8 "
                 "/Filter /DCTDecode|" + hosttest::MakeJpeg(jpeg, [](int y, unsigned char* row) {
                   for (int x = 0; x < 120 * 3; ++x) row[x] = static_cast<unsigned char>(Hash(x / 3, y, 0) % 64 + x / 2);
                 })};
  const std::string in = work_.File("unasked.pdf");
  hosttest::WriteFile(in, hosttest::MakePdf(pdf));
  const std::string raw = Shell("qpdf --show-object=7 --raw-stream-data " + hosttest::Quoted(in));
  const char* const dpmm = "ORIG:DPU=6.000000 ORIG:ScaleUnits=1";
  const struct {
    const char* args;
    std::string stored;  // in the settings
    int converted;
    bool kept;           // the JPEG image left as it was
    const char* images;  // pdfimages: encoding, size and x-ppi of A, B and J
  } rows[] = {
      {"--modify", "", 1, false, "image 100x100 25,image 100x100 72,jpeg 120x80 36,"},
      {"--modify --which all", "", 3, false, "image 288x288 72,image 100x100 72,jpeg 240x160 72,"},
      {"--modify", dpmm, 1, false, "image 100x100 25,image 212x212 153,jpeg 120x80 36,"},
      {"--modify", "ORIG:ScaleMethod=1 ORIG:Factor=0.500000", 3, false, "image 50x50 12,image 200x200 144,jpeg 60x40 18,"},
      {"--create-alternates", "ALTS:ScaleMethod=1 " + std::string(dpmm), 3, false,  // Create's own set: 50%
       "image 100x100 25,image 400x400 288,jpeg 120x80 36,"},
      {"--modify --keep-resolution --color JPEG", "", 2, true, "jpeg 100x100 25,jpeg 400x400 288,jpeg 120x80 36,"},
      {"--modify --keep-resolution --which kb:20", "", 1, true, "image 100x100 25,image 400x400 288,jpeg 120x80 36,"},
      {"--modify --percent 100 --color JPEG --which kb:20", "", 1, true,
       "image 100x100 25,jpeg 400x400 288,jpeg 120x80 36,"},
      {"--modify --keep-resolution --color JPEG --jpeg-quality Minimum", "", 3, false,
       "jpeg 100x100 25,jpeg 400x400 288,jpeg 120x80 36,"},
      {"--modify --keep-resolution --color JPEG --ascii --which kb:20", "", 2, false,
       "image 100x100 25,jpeg 400x400 288,jpeg 120x80 36,"},
      {"--modify --keep-resolution --color Flate --which kb:20", "", 2, false,
       "image 100x100 25,image 400x400 288,image 120x80 36,"},
      {"--modify --percent 50 --color JPEG --which kb:20", "", 2, false, "image 100x100 25,jpeg 200x200 144,jpeg 60x40 18,"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.args + (" " + row.stored));
    const hosttest::ProcessResult run = Images(in, row.args, row.stored);
    EXPECT_EQ(run.out, std::string(row.kept ? "SKIPPED: page 1, object 7: it is JPEG already and keeps its size, and "
                                              "encoded anew it would not be smaller\n" : "") +
                           "IMAGES: " + std::to_string(row.converted) + " converted, " + std::to_string(row.kept) +
                           " left as they were\nSAVED: " + out_ + "\n")
        << run.err;
    const std::string list = "pdfimages -list " + hosttest::Quoted(out_) + " | tail -n +3 | awk ";
    EXPECT_EQ(Shell(list + "'{printf \"%s %sx%s %s,\", $9, $4, $5, $13}'"), row.images);
    EXPECT_TRUE(!row.kept || Shown(Shell(list + "'END {printf \"%s\", $11}'"), "--raw-stream-data") == raw);
  }
}

}  // namespace
