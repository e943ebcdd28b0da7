// Conversions that keep what they were not asked to change, through
// plughost on documents made here: the colour-key masks of images of every
// colour space and depth keep their keyed area when resampled, alternates
// included; no stored resolution makes an image larger unasked, and no JPEG
// image is encoded anew at its own size unless that makes it smaller.
#include <gtest/gtest.h>
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "plughost_runs.h"
#include "testing/jpegmaker.h"

namespace {

uint32_t Hash(uint32_t x, uint32_t y, uint32_t c) {
  uint32_t h = x * 73856093u ^ y * 19349663u ^ c * 83492791u;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  return h ^ (h >> 15);
}

class LookTest : public ::testing::Test {
 protected:
  hosttest::ProcessResult Images(std::vector<std::string> args, const std::string& settings = "") {
    static const hosttest::PluginsFolder alone({GLIMMERSET_PLUGIN});
    hosttest::TempDir fresh;
    args.insert(args.begin(), {PLUGHOST, "images"});
    args.insert(args.end(), {"--plugins", alone.path(), "--settings", settings.empty() ? fresh.path() : settings});
    return hosttest::RunProcess(args, "", alternatestest::kRunBound);
  }
  std::string Qpdf(const std::string& args) {
    std::string out;
    hosttest::RunCommand("qpdf " + args, &out);
    return out;
  }
  // Of each page, the share of its pixels that show the red ground: at 432
  // dpi, four times and more each image's resolution, which the renderer
  // enlarges pixel by pixel (a smaller enlargement it smooths, and the
  // mask's edges with it).
  std::vector<double> RedShares(const std::string& pdf) {
    const std::string folder = work_.File("pages-" + std::to_string(++renders_));
    hosttest::RunCommand("mkdir -p " + folder + " && pdftoppm -r 432 " + hosttest::Quoted(pdf) + " " + folder + "/p");
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
      while (dirent* e = ::readdir(dir))
        if (e->d_name[0] != '.') names.push_back(e->d_name);
      ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    std::vector<double> shares;
    for (const std::string& name : names) {
      std::istringstream ppm(hosttest::ReadFile(folder + "/" + name));
      std::string magic;
      size_t w = 0, h = 0, top = 0;
      ppm >> magic >> w >> h >> top;
      ppm.get();
      std::string px(w * h * 3, '\0');
      ppm.read(&px[0], static_cast<std::streamsize>(px.size()));
      size_t red = 0;
      for (size_t i = 0; i < w * h; ++i) {
        const auto r = static_cast<unsigned char>(px[3 * i]), g = static_cast<unsigned char>(px[3 * i + 1]),
                   b = static_cast<unsigned char>(px[3 * i + 2]);
        red += r > 200 && g < 60 && b < 60;
      }
      shares.push_back(static_cast<double>(red) / static_cast<double>(w * h));
    }
    return shares;
  }
  hosttest::TempDir work_;
  int renders_ = 0;
};

// One keyed image of a kind: its colour space, depth, the key's ranges and
// the samples of pixels the key does not name. `straddle`: those alternate
// below and above the key, so that their mean falls in it.
struct Keyed {
  const char* name;
  std::string space;
  int bits, components;
  std::vector<int> key;  // min and max a component
  bool straddle = false;
};

const int kWidth = 240, kHeight = 160;

// Blocks and a disc, so that edges cross the new pixels at every phase.
bool KeyedAt(int x, int y) {
  const bool block = (x / 48 + y / 40) % 3 == 0;
  const bool disc = (x - 150) * (x - 150) + (y - 70) * (y - 70) < 50 * 50;
  return block != disc;
}

bool InKey(const Keyed& k, const std::vector<int>& pixel) {
  for (int c = 0; c < k.components; ++c)
    if (pixel[c] < k.key[2 * c] || pixel[c] > k.key[2 * c + 1]) return false;
  return true;
}

std::vector<int> Pixel(const Keyed& k, int x, int y) {
  const int top = (1 << k.bits) - 1;
  std::vector<int> p(static_cast<size_t>(k.components));
  for (int c = 0; c < k.components; ++c) {
    const int low = k.key[2 * c], high = k.key[2 * c + 1];
    if (KeyedAt(x, y))
      p[c] = low + static_cast<int>(Hash(x, y, c) % static_cast<uint32_t>(high - low + 1));
    else if (k.straddle)
      p[c] = (x + y) % 2 ? std::max(0, low - 1 - static_cast<int>(Hash(x, y, c) % 8))
                         : std::min(top, high + 1 + static_cast<int>(Hash(x, y, c) % 8));
    else
      p[c] = static_cast<int>(Hash(x, y, c) % static_cast<uint32_t>(top + 1));
  }
  if (KeyedAt(x, y)) return p;
  // None shows red, which the ground does: RGB keeps some blue, CMYK some
  // black, Lab stays grey.
  if (k.space == "/DeviceRGB") p[2] = std::max(p[2], (top + 1) / 2);
  if (k.space == "/DeviceCMYK") p[3] = 80 + p[3] % 100;
  if (k.space.find("/Lab") != std::string::npos) p[1] = p[2] = 128;
  for (int c = 0; c < k.components && InKey(k, p); ++c) {
    if (k.key[2 * c + 1] < top)
      p[c] = k.key[2 * c + 1] + 1;
    else if (k.key[2 * c] > 0)
      p[c] = k.key[2 * c] - 1;
  }
  return p;
}

std::string Samples(const Keyed& k) {
  std::string data;
  for (int y = 0; y < kHeight; ++y) {
    std::string row((static_cast<size_t>(kWidth) * k.components * k.bits + 7) / 8, '\0');
    for (int x = 0; x < kWidth; ++x) {
      const std::vector<int> p = Pixel(k, x, y);
      for (int c = 0; c < k.components; ++c) {
        const size_t bit = (static_cast<size_t>(x) * k.components + c) * k.bits;
        row[bit / 8] = static_cast<char>(row[bit / 8] | (p[c] << (8 - k.bits - bit % 8)));
      }
    }
    data += row;
  }
  return data;
}

// The share of keyed pixels in decoded samples of `width` pixels a row.
double KeyedShare(const Keyed& k, const std::string& samples, size_t width) {
  const size_t rowBytes = (width * k.components * k.bits + 7) / 8, rows = samples.size() / rowBytes;
  size_t keyed = 0;
  std::vector<int> p(static_cast<size_t>(k.components));
  for (size_t y = 0; y < rows; ++y)
    for (size_t x = 0; x < width; ++x) {
      for (int c = 0; c < k.components; ++c) {
        const size_t bit = (x * k.components + c) * k.bits;
        p[c] = (static_cast<unsigned char>(samples[y * rowBytes + bit / 8]) >> (8 - k.bits - bit % 8)) & ((1 << k.bits) - 1);
      }
      keyed += InKey(k, p);
    }
  return rows ? static_cast<double>(keyed) / static_cast<double>(rows * width) : -1;
}

// Palettes without red, which the ground shows.
std::string Palette(int entries) {
  std::string hex;
  for (int i = 0; i < entries; ++i) {
    char rgb[8];
    std::snprintf(rgb, sizeof rgb, "%02X%02X%02X", i * 37 % 120, 60 + i * 53 % 190, 90 + i * 29 % 160);
    hex += rgb;
  }
  return "<" + hex + ">";
}

// Images of each colour space and depth with a colour-key mask, over a red
// ground: resampled down by a resolution and by a per cent, and up, in
// place and as alternates, each keeps the share of the page the ground
// shows through within 2% of the input's (the render of the page, or the
// alternate's samples), and JPEG asked is Flate with a note. A mean of
// samples that falls in the key is never written.
TEST_F(LookTest, ColourKeyMasksKeepTheirKeyedAreaWhenResampled) {
  const Keyed kinds[] = {
      {"gray, 8 bits, one value", "/DeviceGray", 8, 1, {0, 0}},
      {"gray, 8 bits, a range", "/DeviceGray", 8, 1, {0, 40}},
      {"gray, 8 bits, a range the others straddle", "/DeviceGray", 8, 1, {100, 150}, true},
      {"gray, 4 bits", "/DeviceGray", 4, 1, {15, 15}},
      {"gray, 2 bits, a range", "/DeviceGray", 2, 1, {0, 1}},
      {"gray, 1 bit", "/DeviceGray", 1, 1, {1, 1}},
      {"RGB, 8 bits, one value", "/DeviceRGB", 8, 3, {0, 0, 0, 0, 0, 0}},
      {"RGB, 8 bits, ranges", "/DeviceRGB", 8, 3, {0, 30, 10, 60, 200, 255}},
      {"RGB, 4 bits, one value", "/DeviceRGB", 4, 3, {15, 15, 15, 15, 15, 15}},
      {"CMYK, 8 bits", "/DeviceCMYK", 8, 4, {0, 255, 0, 255, 0, 255, 250, 255}},
      {"Lab, 8 bits", "[/Lab << /WhitePoint [0.9505 1 1.089] >>]", 8, 3, {0, 20, 0, 255, 0, 255}},
      {"indexed, 8 bits, several indices", "[/Indexed /DeviceRGB 255 " + Palette(256) + "]", 8, 1, {3, 40}},
      {"indexed, 2 bits", "[/Indexed /DeviceRGB 3 " + Palette(4) + "]", 2, 1, {2, 2}},
  };
  hosttest::PdfSpec spec;
  spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>", ""};
  std::string kids;
  std::vector<double> sourceShares;
  for (size_t i = 0; i < std::size(kinds); ++i) {
    const Keyed& k = kinds[i];
    kids += std::to_string(3 + 3 * i) + " 0 R ";
    spec.objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 240 160] /Resources << /XObject << /K " +
                           std::to_string(5 + 3 * i) + " 0 R >> >> /Contents " + std::to_string(4 + 3 * i) + " 0 R >>");
    spec.objects.push_back("stream:|1 0 0 rg 0 0 240 160 re f q 240 0 0 160 0 0 cm /K Do Q");
    std::string mask;
    for (int v : k.key) mask += std::to_string(v) + " ";
    const std::string data = Samples(k);
    spec.objects.push_back("stream:/Type /XObject /Subtype /Image /Width 240 /Height 160 /ColorSpace " + k.space +
                           " /BitsPerComponent " + std::to_string(k.bits) + " /Mask [" + mask + "]|" + data);
    sourceShares.push_back(KeyedShare(k, data, kWidth));
  }
  spec.objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(std::size(kinds)) + " >>";
  const std::string in = work_.File("keyed.pdf");
  hosttest::WriteFile(in, hosttest::MakePdf(spec));
  const std::vector<double> before = RedShares(in);
  ASSERT_EQ(before.size(), std::size(kinds));

  const struct {
    std::vector<std::string> args;
    size_t width;
  } runs[] = {
      {{"--modify", "--resolution", "30", "--color", "JPEG"}, 100},
      {{"--modify", "--percent", "45", "--color", "Flate"}, 108},
      {{"--modify", "--percent", "150"}, 360},
      {{"--create-alternates", "--resolution", "30", "--color", "JPEG"}, 100},
      {{"--create-alternates", "--percent", "45"}, 108},
  };
  for (const auto& r : runs) {
    std::vector<std::string> args = {in};
    args.insert(args.end(), r.args.begin(), r.args.end());
    SCOPED_TRACE(args[1] + " " + args[2] + " " + args[3]);
    const std::string out = work_.File("out.pdf");
    args.insert(args.end(), {"--output", out});
    const hosttest::ProcessResult run = Images(args);
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    const bool jpeg = std::find(args.begin(), args.end(), "JPEG") != args.end();
    const bool modify = args[1] == "--modify";
    const std::vector<double> after = modify ? RedShares(out) : std::vector<double>();
    std::string list;
    hosttest::RunCommand("pdfimages -list " + hosttest::Quoted(out) + " | tail -n +3 | awk '{print $11}'", &list);
    std::istringstream listed(list);
    const std::vector<std::string> objects{std::istream_iterator<std::string>(listed), std::istream_iterator<std::string>()};
    for (size_t i = 0; i < std::size(kinds); ++i) {
      const Keyed& k = kinds[i];
      SCOPED_TRACE(k.name);
      const std::string page = "page " + std::to_string(i + 1) + ", object " + std::to_string(5 + 3 * i);
      // JPEG takes 8-bit colours only: those keyed are told they take Flate.
      const bool told = jpeg && k.bits == 8 && k.space.find("Indexed") == std::string::npos;
      EXPECT_EQ(run.out.find("NOTE: " + page + ": its colour-key mask names exact colours, which JPEG does not keep, "
                             "so it is compressed with Flate\n") != std::string::npos,
                told)
          << run.out;
      // The saved file numbers its objects anew: the image of page i + 1.
      ASSERT_EQ(objects.size(), std::size(kinds));
      std::string object = objects[i];
      if (!modify) {
        std::smatch m;
        const std::string base = Qpdf("--show-object=" + object + " " + hosttest::Quoted(out));
        ASSERT_TRUE(std::regex_search(base, m, std::regex("/Image (\\d+) 0 R"))) << base;
        object = m[1];
      }
      const std::string dict = Qpdf("--show-object=" + object + " " + hosttest::Quoted(out));
      EXPECT_NE(dict.find("/Mask ["), std::string::npos) << dict;
      EXPECT_EQ(dict.find("DCTDecode"), std::string::npos) << dict;
      EXPECT_NE(dict.find("/Width " + std::to_string(r.width)), std::string::npos) << dict;
      const double share = modify ? after.at(i) : KeyedShare(k, Qpdf("--show-object=" + object +
                                                                      " --filtered-stream-data " + hosttest::Quoted(out)),
                                                             r.width);
      const double was = modify ? before[i] : sourceShares[i];
      EXPECT_GT(was, 0.2);
      EXPECT_NEAR(share, was, 0.02 * was) << "keyed " << share << " of the page, the input " << was;
    }
  }
}

// A gray image at 25 ppi and one at 288, a JPEG image at 36: a resolution
// the option set holds, as one typed, takes only the images it makes
// smaller (unless --which all), in its own unit; a stored per cent takes
// every image. A JPEG image kept at its size under JPEG is left as it was
// unless a lower quality makes it smaller; another encoding is made as
// asked, and so is JPEG at another size.
TEST_F(LookTest, NothingIsResampledOrEncodedAnewUnasked) {
  hosttest::JpegSpec spec;
  spec.width = 120, spec.height = 80, spec.quality = 50;
  const std::string jpeg = hosttest::MakeJpeg(spec, [](int y, unsigned char* row) {
    for (int x = 0; x < 120 * 3; ++x) row[x] = static_cast<unsigned char>(Hash(static_cast<uint32_t>(x / 3), y, 0) % 64 + x / 2);
  });
  auto gray = [](int side) {
    std::string data;
    for (int i = 0; i < side * side; ++i) data.push_back(static_cast<char>(Hash(i % side, i / side, 1) % 256));
    return "stream:/Type /XObject /Subtype /Image /Width " + std::to_string(side) + " /Height " + std::to_string(side) +
           " /ColorSpace /DeviceGray /BitsPerComponent 8|" + data;
  };
  hosttest::PdfSpec pdf;
  pdf.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                 "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /XObject << /A 5 0 R /B 6 0 R "
                 "/J 7 0 R >> >> /Contents 4 0 R >>",
                 "stream:|q 288 0 0 288 0 0 cm /A Do Q q 100 0 0 100 300 0 cm /B Do Q q 240 0 0 160 0 400 cm /J Do Q",
                 gray(100), gray(400),
                 "stream:/Type /XObject /Subtype /Image /Width 120 /Height 80 /ColorSpace /DeviceRGB /BitsPerComponent 8 "
                 "/Filter /DCTDecode|" + jpeg};
  const std::string in = work_.File("unasked.pdf"), out = work_.File("out.pdf");
  hosttest::WriteFile(in, hosttest::MakePdf(pdf));
  const std::string kept = "SKIPPED: page 1, object 7: it is JPEG already and keeps its size, and encoded anew it "
                           "would not be smaller\n";
  const struct {
    const char* name;
    std::vector<std::string> args;
    std::string stored;  // the ORIG set's values in the settings
    std::string out;     // before SAVED
    std::string images;  // pdfimages: encoding, size and x-ppi of A, B and J
  } rows[] = {
      {"the stored 72 dpi", {"--modify"}, "", "IMAGES: 1 converted, 0 left as they were\n",
       "image 100x100 25\nimage 100x100 72\njpeg 120x80 36\n"},
      {"the stored 72 dpi, every image", {"--modify", "--which", "all"}, "",
       "IMAGES: 3 converted, 0 left as they were\n", "image 288x288 72\nimage 100x100 72\njpeg 240x160 72\n"},
      {"6 dpmm stored", {"--modify"}, "\"ORIG:DPU\" sz \"6.000000\"\n\"ORIG:ScaleUnits\" sz \"1\"\n",
       "IMAGES: 1 converted, 0 left as they were\n", "image 100x100 25\nimage 212x212 153\njpeg 120x80 36\n"},
      {"50 per cent stored", {"--modify"}, "\"ORIG:ScaleMethod\" sz \"1\"\n\"ORIG:Factor\" sz \"0.500000\"\n",
       "IMAGES: 3 converted, 0 left as they were\n", "image 50x50 12\nimage 200x200 144\njpeg 60x40 18\n"},
      {"Create's own set: 50 per cent", {"--create-alternates"},
       "\"ALTS:ScaleMethod\" sz \"1\"\n\"ORIG:DPU\" sz \"6.000000\"\n\"ORIG:ScaleUnits\" sz \"1\"\n",
       "IMAGES: 3 converted, 0 left as they were\n", "image 100x100 25\nimage 400x400 288\njpeg 120x80 36\n"},
      {"JPEG at its size", {"--modify", "--keep-resolution", "--color", "JPEG"}, "",
       kept + "IMAGES: 2 converted, 1 left as they were\n", "jpeg 100x100 25\njpeg 400x400 288\njpeg 120x80 36\n"},
      {"the original at its size", {"--modify", "--keep-resolution", "--which", "kb:20"}, "",
       kept + "IMAGES: 1 converted, 1 left as they were\n", "image 100x100 25\nimage 400x400 288\njpeg 120x80 36\n"},
      {"JPEG at 100 per cent", {"--modify", "--percent", "100", "--color", "JPEG", "--which", "kb:20"}, "",
       kept + "IMAGES: 1 converted, 1 left as they were\n", "image 100x100 25\njpeg 400x400 288\njpeg 120x80 36\n"},
      {"JPEG at a lower quality", {"--modify", "--keep-resolution", "--color", "JPEG", "--jpeg-quality", "Minimum"}, "",
       "IMAGES: 3 converted, 0 left as they were\n", "jpeg 100x100 25\njpeg 400x400 288\njpeg 120x80 36\n"},
      {"JPEG at its size, ASCII-encoded", {"--modify", "--keep-resolution", "--color", "JPEG", "--ascii", "--which", "kb:20"},
       "", "IMAGES: 2 converted, 0 left as they were\n", "image 100x100 25\njpeg 400x400 288\njpeg 120x80 36\n"},
      {"Flate at its size", {"--modify", "--keep-resolution", "--color", "Flate", "--which", "kb:20"}, "",
       "IMAGES: 2 converted, 0 left as they were\n", "image 100x100 25\nimage 400x400 288\nimage 120x80 36\n"},
      {"JPEG at half its size", {"--modify", "--percent", "50", "--color", "JPEG", "--which", "kb:20"}, "",
       "IMAGES: 2 converted, 0 left as they were\n", "image 100x100 25\njpeg 200x200 144\njpeg 60x40 18\n"},
  };
  const std::string raw = Qpdf("--show-object=7 --raw-stream-data " + hosttest::Quoted(in));
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    hosttest::TempDir settings;
    if (!row.stored.empty()) {
      hosttest::RunCommand("mkdir -p " + settings.File("registry"));
      hosttest::WriteFile(settings.File("registry/current_user.txt"),
                          "plughost registry 1\n[Software\\Zentu\\Glimmerset\\Current_Version]\n" + row.stored);
    }
    std::vector<std::string> args = {in};
    args.insert(args.end(), row.args.begin(), row.args.end());
    args.insert(args.end(), {"--output", out});
    ::unlink(out.c_str());
    const hosttest::ProcessResult run = Images(args, settings.path());
    EXPECT_EQ(run.out, row.out + "SAVED: " + out + "\n") << run.err;
    std::string list;
    hosttest::RunCommand("pdfimages -list " + hosttest::Quoted(out) + " | tail -n +3 | awk '{print $9, $4 \"x\" $5, $13}'",
                         &list);
    EXPECT_EQ(list, row.images);
    // The JPEG image left as it was keeps its data.
    if (row.out.find(kept) != std::string::npos) {
      std::string object;
      hosttest::RunCommand("pdfimages -list " + hosttest::Quoted(out) + " | tail -n 1 | awk '{printf \"%s\", $11}'", &object);
      EXPECT_TRUE(Qpdf("--show-object=" + object + " --raw-stream-data " + hosttest::Quoted(out)) == raw);
    }
  }
}

}  // namespace
