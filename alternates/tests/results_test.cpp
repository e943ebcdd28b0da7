// `plughost images` on documents made here with what defeats the plug-in in
// real files, read back by qpdf, pdfimages and pdftoppm: images left as they
// were, colour-key masks, conversions nobody asked for; the progress line at
// a terminal.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "plughost_runs.h"
#include "testing/codestreams.h"
#include "testing/jpegmaker.h"
#include "testing/renders.h"

namespace {

using alternatestest::Sample;

// Catalog 1, pages 2, the one page 3 drawing `content` (4) with the XObject
// resources `xobjects` and `page` besides; `more` are objects 5, 6, ...
std::string OnePage(const std::string& xobjects, const std::string& content, const std::vector<std::string>& more,
                    const std::string& page = "") {
  hosttest::PdfSpec s;
  s.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
               "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /XObject << " + xobjects +
                   " >> >> /Contents 4 0 R " + page + " >>",
               "stream:|" + content};
  s.objects.insert(s.objects.end(), more.begin(), more.end());
  return hosttest::MakePdf(s);
}

std::string Image(int w, int h, const std::string& rest, const std::string& data) {
  return "stream:/Type /XObject /Subtype /Image /Width " + std::to_string(w) + " /Height " + std::to_string(h) + " " +
         rest + "|" + data;
}
std::string Gray(int w, int h, int bits = 8) {
  return Image(w, h, "/ColorSpace /DeviceGray /BitsPerComponent " + std::to_string(bits),
               std::string(static_cast<size_t>((w * bits + 7) / 8 * h), '\x5a'));
}

// Samples that look random, the same in every run.
uint32_t Hash(uint32_t x, uint32_t y, uint32_t c) {
  uint32_t h = x * 73856093u ^ y * 19349663u ^ c * 83492791u;
  h = (h ^ h >> 13) * 0x5bd1e995u;
  return h ^ h >> 15;
}

// `first`, then the words of `text`.
std::vector<std::string> Words(const std::string& first, const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words{first};
  words.insert(words.end(), std::istream_iterator<std::string>(in), {});
  return words;
}

class ImagesResultsTest : public ::testing::Test {
 protected:
  hosttest::ProcessResult Images(std::vector<std::string> args, const std::string& output = "") {
    static const hosttest::PluginsFolder alone({GLIMMERSET_PLUGIN});
    if (!output.empty()) args.insert(args.end(), {"--output", work_.File(output)});
    args.insert(args.begin(), {PLUGHOST, "images"});
    args.insert(args.end(), {"--plugins", alone.path(), "--settings", settings_.path()});
    return hosttest::RunProcess(args, "", alternatestest::kRunBound);
  }
  std::string Made(const std::string& name, const std::string& pdf) {
    hosttest::WriteFile(work_.File(name), pdf);
    return work_.File(name);
  }
  // Whether `pdf` passes qpdf's check, every /Alternates entry keeps its
  // /Image and every reference names an object that is there.
  ::testing::AssertionResult Sound(const std::string& pdf) {
    std::string json, check;
    if (hosttest::RunCommand("qpdf --check " + hosttest::Quoted(pdf), &check) != 0)
      return ::testing::AssertionFailure() << check;
    hosttest::RunCommand("qpdf --json=2 --json-key=qpdf " + hosttest::Quoted(pdf), &json);
    static const std::regex reference("\"(\\d+ \\d+ R)\""), alternates("\"/Alternates\": \\[([^\\]]*)\\]"),
        null("^: \\{\\s*\"value\": null");
    for (std::sregex_iterator it(json.begin(), json.end(), reference), end; it != end; ++it) {
      const std::string key = "\"obj:" + (*it)[1].str() + "\"";
      const size_t at = json.find(key);
      if (at == std::string::npos || std::regex_search(json.substr(at + key.size(), 40), null))
        return ::testing::AssertionFailure() << "a reference to " << (*it)[1] << ", which is not there";
    }
    for (std::sregex_iterator it(json.begin(), json.end(), alternates), end; it != end; ++it) {
      const std::string entries = (*it)[1];
      size_t dicts = 0, images = 0;
      for (size_t at = entries.find('{'); at != std::string::npos; at = entries.find('{', at + 1)) ++dicts;
      for (size_t at = entries.find("\"/Image\""); at != std::string::npos; at = entries.find("\"/Image\"", at + 1))
        ++images;
      if (dicts == 0 || images != dicts) return ::testing::AssertionFailure() << "/Alternates [" << entries << "]";
    }
    return ::testing::AssertionSuccess();
  }
  static std::string Shell(const std::string& command) {
    std::string out;
    hosttest::RunCommand(command, &out);
    return out;
  }
  // An object of out.pdf, as qpdf shows it.
  std::string Shown(const std::string& object, const std::string& how = "") {
    return Shell("qpdf --show-object=" + object + " " + how + " " + hosttest::Quoted(work_.File("out.pdf")));
  }
  hosttest::TempDir settings_, work_;
};

// Each row a run: its exit status, the lines it prints and whether it
// saved. What the plug-in leaves as it was is named with the note it
// showed, else with its own reason; nothing changed means nothing saved.
TEST_F(ImagesResultsTest, EachImageLeftAsItWasIsNamedAndTheExitSaysHowMany) {
  const std::string jpx = hosttest::JpxCodestream(16, 12, 1, [](uint32_t i, uint32_t) { return static_cast<int>(i * 37 % 256); }), jbig2 = hosttest::Jbig2Page(work_, 64, 40);
  const std::string palette = "[/Indexed /DeviceCMYK 255 <" + std::string(2048, 'c') + ">]";
  const std::string drawn = "q 72 0 0 72 0 0 cm /A Do Q q 72 0 0 72 100 0 cm /B Do Q";
  const std::string damaged = Made("damaged.pdf", OnePage("/A 5 0 R", drawn, {Image(16, 12,
      "/ColorSpace " + palette + " /BitsPerComponent 8 /Filter /JPXDecode", jpx.substr(0, jpx.size() / 2))}));
  const std::string bilevel = Made("jbig2.pdf", OnePage("/A 5 0 R", drawn, {Image(64, 40,
      "/ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /JBIG2Decode", jbig2)}));
  const std::string deviceN = Made("devicen.pdf", OnePage("/A 5 0 R", drawn, {Image(2, 2,
      "/ColorSpace [/DeviceN [/Spot1 /Spot2] /DeviceCMYK 6 0 R] /BitsPerComponent 8", std::string(8, 'x')),
      "<< /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] /C1 [1 0 0 0] /N 1 >>"}));
  const std::string deep = Made("deep.pdf", OnePage("/A 5 0 R", drawn, {Gray(4, 4, 16)}));
  const std::string matte = Made("matte.pdf", OnePage("/A 5 0 R", drawn, {Image(4, 4,
      "/ColorSpace /DeviceGray /BitsPerComponent 8 /SMask 6 0 R", std::string(16, 'a')), Image(4, 4,
      "/ColorSpace /DeviceGray /BitsPerComponent 16 /Matte [0]", std::string(32, 'm'))}));
  const std::string half = Made("half.pdf", OnePage("/A 5 0 R /B 6 0 R", drawn, {Gray(4, 4, 16), Gray(144, 144)}));
  const std::string big = "The decoded data is larger than the host allows\n", cap = "NOTE: " + big;
  // Two pages of one image each, the content of page `bad` (1 or 2) no Flate data.
  auto unreadable = [&](int bad) {
    hosttest::PdfSpec p;
    p.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R 5 0 R] /Count 2 >>"};
    for (int page = 1; page <= 2; ++page) {
      p.objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Resources << /XObject << /A " +
                          std::to_string(7 + page) + " 0 R >> >> /Contents " + std::to_string(2 + 2 * page) + " 0 R >>");
      p.objects.push_back(page == bad ? "stream:/Filter /FlateDecode|no Flate data" : "stream:|q 72 0 0 72 0 0 cm /A Do Q");
    }
    p.objects.insert(p.objects.end(), {"<< >>", Gray(8, 8), Gray(8, 8)});
    return Made("content" + std::to_string(bad) + ".pdf", hosttest::MakePdf(p));
  };
  const std::string unread = "The object or its data could not be read";
  // What the walk reaches (with /Type or without) and what it does not: an
  // inline image, one in an annotation's appearance, a tiling pattern, a
  // soft mask's group.
  const std::string inlined = "q 9 0 0 9 300 300 cm BI /W 2 /H 2 /CS /G /BPC 8 ID abcd EI Q",
                    untyped = "stream:/Subtype /Image /Width 8 /Height 8 /ColorSpace /DeviceGray /BitsPerComponent 8|" +
                              std::string(64, 'u');
  auto form = [](const std::string& image, const std::string& more = "/Type /XObject /Subtype /Form") {
    return "stream:" + more + " /BBox [0 0 9 9] /Resources << /XObject << /U " + image + " 0 R >> >>|q 9 0 0 9 0 0 cm /U Do Q";
  };
  auto annot = [](const std::string& appearance) {
    return "<< /Type /Annot /Subtype /Square /Rect [300 300 309 309] /AP << /N " + appearance + " 0 R >> >>";
  };
  const std::string untypedPdf = Made("untyped.pdf", OnePage("/A 5 0 R /B 6 0 R", drawn, {untyped, untyped}));
  const std::string five = Made("five.pdf", OnePage(
      "/A 5 0 R >> /Pattern << /P 8 0 R >> /ExtGState << /G << /SMask << /S /Luminosity /G 9 0 R >> >>",
      "q 72 0 0 72 0 0 cm /A Do Q /G gs /Pattern cs /P scn 0 0 9 9 re f " + inlined,
      {Gray(8, 8), Gray(8, 8), Gray(8, 8), form("7", "/PatternType 1 /PaintType 1 /TilingType 1 /XStep 9 /YStep 9"),
       form("10", "/Type /XObject /Subtype /Form /Group << /S /Transparency >>"), Gray(8, 8), form("6"), annot("11")},
      "/Annots [12 0 R]"));
  const std::string annotated = Made("annotated.pdf", OnePage("", "0 0 m 1 1 l S", {Gray(8, 8), form("5"), annot("6")},
                                                              "/Annots [7 0 R]"));
  const std::string held = Made("held.pdf", OnePage("/U 5 0 R", "0 0 m 1 1 l S", {Gray(8, 8), form("5"), annot("6")},
                                                    "/Annots [7 0 R]"));
  const std::string inlineOnly = Made("inline.pdf", OnePage("", inlined, {}));
  // Two pages that draw one form holding an inline image twice each; one
  // more in a tiling pattern, one in an annotation's appearance.
  hosttest::PdfSpec inlineSpec;
  inlineSpec.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R 5 0 R] /Count 2 >>",
                   "<< /Type /Page /Parent 2 0 R /Resources << /XObject << /F 7 0 R >> /Pattern << /P 8 0 R >> >> "
                   "/Contents 4 0 R >>",
                   "stream:|/F Do /F Do /Pattern cs /P scn 0 0 9 9 re f",
                   "<< /Type /Page /Parent 2 0 R /Resources << /XObject << /F 7 0 R >> >> /Contents 6 0 R "
                   "/Annots [10 0 R] >>",
                   "stream:|/F Do /F Do", "stream:/Type /XObject /Subtype /Form /BBox [0 0 9 9]|" + inlined,
                   "stream:/PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 9 9] /XStep 9 /YStep 9|" + inlined,
                   "stream:/BBox [0 0 9 9]|" + inlined, annot("9")};
  const std::string inlineHeld = Made("inline-held.pdf", hosttest::MakePdf(inlineSpec));
  const std::string stencil = Made("stencil.pdf", OnePage("/K 5 0 R", "q 72 0 0 72 0 0 cm /K Do Q", {
      "stream:/Type /XObject /Subtype /Image /Width 100 /Height 100 /ImageMask true|" + std::string(1300, 'U')}));
  // Images Type 3 glyphs draw from the font's resources (directly, in a form,
  // inline) or the page's are not reached; one the page draws too is
  // converted; an inline stencil is a bitmap font's letter, no image.
  auto type3 = [](const std::string& procs, const std::string& resources) {
    return "<< /Type /Font /Subtype /Type3 /FontBBox [0 0 1000 1000] /FontMatrix [0.001 0 0 0.001 0 0] /CharProcs << " +
           procs + " >> /Encoding << /Type /Encoding /Differences [97 /a /b /c] >> /FirstChar 97 /LastChar 99 "
           "/Widths [1000 1000 1000] " + resources + ">>";
  };
  auto glyph = [](const std::string& draws) { return "stream:|1000 0 0 0 1000 1000 d1 q 1000 0 0 1000 0 0 cm " + draws + " Q"; };
  const std::string glyphs = Made("glyphs.pdf", OnePage("/P 15 0 R /D 16 0 R >> /Font << /T3 5 0 R /U3 6 0 R",
      "BT /T3 100 Tf 100 100 Td (abc) Tj /U3 100 Tf (abc) Tj ET q 72 0 0 72 300 300 cm /D Do Q",
      {type3("/a 7 0 R /b 8 0 R /c 9 0 R", "/Resources << /XObject << /G 12 0 R /Fm 13 0 R >> >> "),
       type3("/a 10 0 R /b 11 0 R /c 17 0 R", ""), glyph("/G Do"), glyph("/Fm Do"),
       glyph("BI /W 2 /H 2 /CS /G /BPC 8 ID abcd EI"), glyph("/P Do"), glyph("/D Do"), Gray(50, 50),
       "stream:/Type /XObject /Subtype /Form /BBox [0 0 1 1] /Resources << /XObject << /H 14 0 R >> >>|/H Do",
       Gray(50, 50), Gray(50, 50), Gray(200, 200), glyph("BI /W 8 /H 8 /IM true ID UUUUUUUU EI")}));
  const std::string pageGlyph = Made("page-glyph.pdf", OnePage("/P 7 0 R >> /Font << /U3 5 0 R",
      "BT /U3 100 Tf 100 100 Td (a) Tj ET", {type3("/a 6 0 R", ""), glyph("/P Do"), Gray(50, 50)}));
  const std::string kinds = " (inline images, images in patterns, annotation appearances, soft masks or Type 3 glyphs)",
                    none = "the images were not changed: the document's images are all where the plug-in does not "
                           "reach them" + kinds;
  const struct {
    std::string name;
    std::vector<std::string> args;
    int status;
    std::string out;  // then, for status 2, the reason on standard error
    std::string stop;
  } rows[] = {
      {"JPEG 2000 cut short", {damaged, "--modify", "--which", "all"}, 2,
       "NOTE: The object or its data could not be read\n"
       "SKIPPED: page 1, object 5: The object or its data could not be read (stream data could not be decoded "
       "(filter JPXDecode): JPX data could not be decoded)\n"
       "IMAGES: 0 converted, 1 left as they were\n",
       "the images were not changed: The object or its data could not be read"},
      {"JBIG2 kept as it is", {bilevel, "--create-alternates", "--mono", "Use Original", "--which", "all"}, 2,
       "NOTE: The stream cannot be encoded with the filter its dictionary names\n"
       "SKIPPED: page 1, object 5: The stream cannot be encoded with the filter its dictionary names\n"
       "IMAGES: 0 converted, 1 left as they were\n",
       "the images were not changed: The stream cannot be encoded with the filter its dictionary names"},
      {"DeviceN", {deviceN, "--modify", "--which", "all"}, 2,
       "NOTE: DeviceN ColorSpaces are not yet supported.\nNOTE: DeviceN ColorSpaces are not yet supported.\n"
       "SKIPPED: page 1, object 5: DeviceN ColorSpaces are not yet supported.\n"
       "IMAGES: 0 converted, 1 left as they were\n",
       "the images were not changed: DeviceN ColorSpaces are not yet supported."},
      {"16 bits", {deep, "--modify", "--which", "all"}, 2,
       "SKIPPED: page 1, object 5: 16 bits per component are not converted\n"
       "IMAGES: 0 converted, 1 left as they were\n",
       "the images were not changed: each image was left as it was"},
      {"a /Matte mask that cannot be resampled", {matte, "--modify", "--percent", "50"}, 2,
       "SKIPPED: page 1, object 5: its soft mask, whose /Matte needs it at the image's size, could not be resampled "
       "with it: 16 bits per component are not converted\nIMAGES: 0 converted, 1 left as they were\n",
       "the images were not changed: each image was left as it was"},
      {"half of them", {half, "--modify", "--resolution", "72", "--which", "all"}, 1,
       "SKIPPED: page 1, object 5: 16 bits per component are not converted\n"
       "IMAGES: 1 converted, 1 left as they were\n",
       ""},
      {"100000 dpi", {Sample("images"), "--modify", "--resolution", "100000", "--which", "all"}, 2,
       cap + "SKIPPED: page 1, object 3: " + big + cap + "SKIPPED: page 1, object 4: " + big + cap +
           "SKIPPED: page 1, object 5: " + big + cap + "SKIPPED: page 3, object 6: " + big + cap +
           "SKIPPED: page 1, object 7: " + big +
           "SKIPPED: page 1, object 8: it is drawn nowhere, so the resolution gives it no size\n"
           "IMAGES: 0 converted, 6 left as they were\n",
       "the images were not changed: The decoded data is larger than the host allows"},
      {"no alternates to remove", {Sample("images"), "--remove-alternates"}, 2, "IMAGES: 0 alternates removed\n",
       "the images were not changed: no image carries alternates Glimmerset made"},
      {"alternates removed", {Sample("alts"), "--remove-alternates"}, 0, "IMAGES: 1 alternate removed\n", ""},
      // Create takes away what an earlier run made, whatever it converts.
      {"earlier alternates removed", {Sample("alts"), "--create-alternates", "--keep-resolution", "--which", "kb:100000"},
       0, "IMAGES: 0 converted, 0 left as they were, 1 earlier alternate removed\n", ""},
      {"content of the first page damaged", {unreadable(1), "--modify", "--percent", "50"}, 2,
       "NOTE: page 1 cannot be read: " + unread + "\n", "the images were not changed: page 1 cannot be read: " + unread},
      {"content of the last page damaged", {unreadable(2), "--create-alternates", "--percent", "50"}, 2,
       "NOTE: page 2 cannot be read: " + unread + "\n", "the images were not changed: page 2 cannot be read: " + unread},
      {"images without /Type", {untypedPdf, "--modify", "--percent", "50"}, 0,
       "IMAGES: 2 converted, 0 left as they were\n", ""},
      {"one of five images reached", {five, "--modify", "--percent", "50"}, 1, "NOT REACHED: 4 images" + kinds +
       ", left as they were\nIMAGES: 1 converted, 0 left as they were, 4 not reached\n", ""},
      {"an annotation's image alone", {annotated, "--modify", "--percent", "50"}, 2, "NOT REACHED: 1 image" + kinds +
       ", left as it was\nIMAGES: 0 converted, 0 left as they were, 1 not reached\n", none},
      {"an inline image alone", {inlineOnly, "--create-alternates", "--percent", "50"}, 2, "NOT REACHED: 1 image" +
       kinds + ", left as it was\nIMAGES: 0 converted, 0 left as they were, 1 not reached\n", none},
      {"inline images in a form, a pattern and an appearance", {inlineHeld, "--modify", "--percent", "50"}, 2,
       "NOT REACHED: 3 images" + kinds + ", left as they were\nIMAGES: 0 converted, 0 left as they were, 3 not "
       "reached\n", none},
      {"held by the page, drawn by an annotation", {held, "--modify", "--resolution", "150", "--which", "all"}, 2,
       "SKIPPED: page 1, object 5: it is drawn only where the plug-in does not look (an annotation's appearance, a "
       "pattern or a soft mask), so the resolution gives it no size\nIMAGES: 0 converted, 1 left as they were\n",
       "the images were not changed: each image was left as it was"},
      {"images Type 3 glyphs draw", {glyphs, "--modify", "--resolution", "72"}, 1, "NOT REACHED: 4 images" + kinds +
       ", left as they were\nIMAGES: 1 converted, 0 left as they were, 4 not reached\n", ""},
      {"an image a glyph draws from the page's resources", {pageGlyph, "--create-alternates", "--resolution", "72"}, 2,
       "NOT REACHED: 1 image" + kinds + ", left as it was\nIMAGES: 0 converted, 0 left as they were, 1 not reached\n",
       none},
      {"an image mask over a kilobyte", {stencil, "--modify", "--keep-resolution", "--which", "kb:1"}, 0,
       "IMAGES: 1 converted, 0 left as they were\n", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ::unlink(work_.File("out.pdf").c_str());
    const hosttest::ProcessResult run = Images(row.args, "out.pdf");
    EXPECT_EQ(run.status, row.status) << run.err;
    const bool saved = row.status != 2;
    // Under the sanitizers' cap on one allocation, the scaling buffers of a
    // huge image can fail before the host refuses its size: left all the same.
    static const std::regex buffers("Memory allocation failed for scaling buffers\\."), sanitizer("==.*\n");
    EXPECT_EQ(std::regex_replace(run.out, buffers, "The decoded data is larger than the host allows"),
              row.out + (saved ? "SAVED: " + work_.File("out.pdf") + "\n" : ""));
    EXPECT_EQ(std::regex_replace(run.err, sanitizer, ""), row.stop.empty() ? "" : "plughost: " + row.stop + "\n");
    EXPECT_EQ(::access(work_.File("out.pdf").c_str(), F_OK) == 0, saved);
    if (saved) {
      EXPECT_TRUE(Sound(work_.File("out.pdf")));
    }
  }
}

// An image drawn by the page and by an annotation's appearance, one drawn
// in a form and one held but drawn nowhere: after Create, Modify (which
// replaces the page's images, not the appearance's, which are then out of
// its reach) and then Remove or Create again, no /Alternates entry names an
// image that is gone.
TEST_F(ImagesResultsTest, NoAlternateOutlivesTheImageItNamed) {
  const std::string appearance =
      "stream:/Type /XObject /Subtype /Form /BBox [0 0 50 50] /Resources << /XObject << /P 5 0 R /U 8 0 R >> >>"
      "|q 50 0 0 50 0 0 cm /P Do Q";
  const std::string pdf = Made("drawn.pdf", OnePage("/P 5 0 R /Fm 6 0 R /U 8 0 R",
      "q 100 0 0 100 0 0 cm /P Do Q q 1 0 0 1 200 0 cm /Fm Do Q",
      {Gray(40, 40), "stream:/Type /XObject /Subtype /Form /BBox [0 0 100 100] /Resources << /XObject << /F 7 0 R >> >>"
                     "|q 100 0 0 100 0 0 cm /F Do Q",
       Gray(30, 30), Gray(20, 20), appearance,
       "<< /Type /Annot /Subtype /Square /Rect [300 300 350 350] /AP << /N 9 0 R >> >>"},
      "/Annots [10 0 R]"));
  const std::vector<std::string> create = {"--create-alternates", "--percent", "50"},
                                 modify = {"--modify", "--percent", "50"}, remove = {"--remove-alternates"};
  for (const auto& last : {remove, create}) {
    std::string in = pdf;
    for (const auto& step : {create, modify, last}) {
      std::vector<std::string> args = step;
      args.insert(args.begin(), in);
      const hosttest::ProcessResult run = Images(args, "step.pdf");
      ASSERT_LE(run.status, 1) << step[0] << ": " << run.out << run.err;
      in = work_.File("in.pdf");
      ASSERT_EQ(std::rename(work_.File("step.pdf").c_str(), in.c_str()), 0);
      EXPECT_TRUE(Sound(in)) << step[0] << " after " << last[0];
    }
  }
}

// Image B carries A as its marked alternate, and page 2 draws A itself:
// under a name, through a form, in an annotation's appearance, in a tiling
// pattern. Remove, and Create (which removes first), take only the entry:
// A stays, page 2 draws as before, no reference names what is gone.
TEST_F(ImagesResultsTest, AnAlternateSomethingDrawsStays) {
  const std::string form = "/BBox [0 0 50 50] /Resources << /XObject << /Logo 6 0 R >> >>|q 50 0 0 50 0 0 cm /Logo Do Q";
  const struct {
    const char* name;
    std::string resources, content, page, more;  // `more`: objects 9, 10
    int created;  // Create's status: 1 where it counts A as not reached
  } rows[] = {
      {"under a name", "/Logo 6 0 R", "q 50 0 0 50 0 0 cm /Logo Do Q", "", "<< >>", 0},
      {"through a form", "/F 9 0 R", "/F Do", "", "stream:/Type /XObject /Subtype /Form " + form, 0},
      {"in an annotation's appearance", "", "0 0 m 1 1 l S", "/Annots [10 0 R]",
       "stream:/Type /XObject /Subtype /Form " + form, 1},
      {"in a tiling pattern", ">> /Pattern << /P 9 0 R", "/Pattern cs /P scn 0 0 100 100 re f", "",
       "stream:/PatternType 1 /PaintType 1 /TilingType 1 /XStep 50 /YStep 50 " + form, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    hosttest::PdfSpec p;
    p.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R 7 0 R] /Count 2 >>",
                 "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Resources << /XObject << /B 5 0 R >> >> "
                 "/Contents 4 0 R >>",
                 "stream:|q 50 0 0 50 0 0 cm /B Do Q",
                 Image(40, 40, "/ColorSpace /DeviceGray /BitsPerComponent 8 /Alternates [<< /Image 6 0 R "
                               "/ZNTUAltSet /ZNTUAltSetName >>]", std::string(1600, 'b')),
                 Gray(20, 20),
                 "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Resources << /XObject << " + row.resources +
                     " >> >> /Contents 8 0 R " + row.page + " >>",
                 "stream:|" + row.content, row.more,
                 "<< /Type /Annot /Subtype /Square /Rect [10 10 60 60] /AP << /N 9 0 R >> >>"};
    const std::string in = Made("drawn.pdf", hosttest::MakePdf(p)), out = work_.File("out.pdf");
    auto page2 = [](const std::string& pdf) {
      std::string seen;
      hosttest::RunCommand("pdftoppm -r 72 -f 2 -l 2 " + hosttest::Quoted(pdf) + " 2>&1 | md5sum", &seen);
      return seen;
    };
    for (const char* action : {"--remove-alternates", "--create-alternates"}) {
      SCOPED_TRACE(action);
      const bool remove = action[2] == 'r';
      const hosttest::ProcessResult run = Images(remove ? std::vector<std::string>{in, action}
                                                        : std::vector<std::string>{in, action, "--percent", "50"},
                                                 "out.pdf");
      EXPECT_EQ(run.status, remove ? 0 : row.created) << run.out << run.err;
      EXPECT_NE(run.out.find(remove ? "IMAGES: 1 alternate removed" : "1 earlier alternate removed"), std::string::npos);
      EXPECT_TRUE(Sound(out));
      EXPECT_EQ(page2(out), page2(in));
    }
  }
}

// One image in six placements: upright, turned by 90, 180, 270 and 30
// degrees, and mirrored, each 144 x 72 points: at 72 dpi each comes out
// 144 x 72 pixels, 72 ppi along both axes as pdfimages measures them.
TEST_F(ImagesResultsTest, TurnedPlacementsGetTheResolutionAlongBothAxes) {
  std::string content, xobjects;
  std::vector<std::string> images;
  const double pi = std::acos(-1.0);
  const struct {
    double degrees;
    bool mirrored;
  } placements[] = {{0, false}, {90, false}, {180, false}, {270, false}, {30, false}, {0, true}};
  for (size_t i = 0; i < 6; ++i) {
    const double a = placements[i].degrees * pi / 180, flip = placements[i].mirrored ? -1 : 1;
    char cm[160];
    std::snprintf(cm, sizeof cm, "q %.6f %.6f %.6f %.6f %d 300 cm /I%zu Do Q\n", 144 * std::cos(a) * flip,
                  144 * std::sin(a), -72 * std::sin(a), 72 * std::cos(a), 100 + 80 * static_cast<int>(i), i);
    content += cm;
    xobjects += "/I" + std::to_string(i) + " " + std::to_string(5 + i) + " 0 R ";
    images.push_back(Gray(200, 100));
  }
  const hosttest::ProcessResult run =
      Images({Made("turned.pdf", OnePage(xobjects, content, images)), "--modify", "--resolution", "72"}, "out.pdf");
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  std::string list;
  hosttest::RunCommand("pdfimages -list " + work_.File("out.pdf") + " | tail -n +3 | awk '{print $4, $5, $13, $14}'",
                       &list);
  std::string expected;
  for (int i = 0; i < 6; ++i) expected += "144 72 72 72\n";
  EXPECT_EQ(list, expected);
}

// At a terminal, standard error carries one progress line, drawn over
// itself and cleared at the end; --quiet and a standard error that is no
// terminal carry none. `script` gives the run its terminal.
TEST_F(ImagesResultsTest, AProgressLineAtATerminalOnly) {
  const std::string images = Sample("images"), good = Sample("x1a-good");
  static const hosttest::PluginsFolder all({GLIMMERSET_PLUGIN, CHECKER_PLUGIN});
  const std::string tail = " --plugins " + hosttest::Quoted(all.path()) + " --settings " +
                           hosttest::Quoted(settings_.path());
  const struct {
    std::string command;
    std::string shows;  // "" when no progress line may be drawn
  } rows[] = {
      {std::string(PLUGHOST) + " images " + images + " --modify --percent 50" + tail, "% page 3, object 6"},
      {std::string(PLUGHOST) + " images " + images + " --modify --percent 50 --quiet" + tail, ""},
      {std::string(PLUGHOST) + " check " + good + tail, "% Checking page 1"},
      {std::string(PLUGHOST) + " check " + good + " --quiet" + tail, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.command);
    std::string seen;
    hosttest::RunCommand("script -qefc " + hosttest::Quoted(row.command) + " /dev/null", &seen);
    const size_t drawn = seen.find(row.shows.empty() ? "\033[K" : row.shows);
    EXPECT_EQ(drawn != std::string::npos, !row.shows.empty()) << seen;
    // Cleared before the lines that follow and at the end.
    if (!row.shows.empty()) {
      EXPECT_NE(seen.find("\r\033[K", drawn), std::string::npos) << seen;
    }
    // Without a terminal, nothing of it.
    std::string out;
    hosttest::RunCommand(row.command + " 2>&1", &out);
    EXPECT_EQ(out.find('\r'), std::string::npos) << out;
  }
}

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
TEST_F(ImagesResultsTest, ColourKeyMasksKeepTheirKeyedAreaWhenResampled) {
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
  const std::string in = Made("keyed.pdf", hosttest::MakePdf(spec)), out = work_.File("out.pdf");
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
    const hosttest::ProcessResult run = Images(Words(in, r.args), "out.pdf");
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    const bool modify = r.args[2] == 'm', jpeg = std::string(r.args).find("JPEG") != std::string::npos;
    const std::vector<double> after = modify ? redShares(out) : std::vector<double>();
    std::istringstream objects(Shell("pdfimages -list " + hosttest::Quoted(out) + " | tail -n +3 | awk '{print $11}'"));
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
TEST_F(ImagesResultsTest, NothingIsResampledOrEncodedAnewUnasked) {
  auto gray = [](int side) {
    std::string data;
    for (int i = 0; i < side * side; ++i) data.push_back(static_cast<char>(Hash(i % side, i / side, 1) % 256));
    return "stream:/Type /XObject /Subtype /Image /Width " + std::to_string(side) + " /Height " + std::to_string(side) +
           " /ColorSpace /DeviceGray /BitsPerComponent 8|" + data;
  };
  hosttest::JpegSpec jpeg;
  jpeg.width = 120, jpeg.height = 80, jpeg.quality = 50;
  const std::string in = Made("unasked.pdf", OnePage("/A 5 0 R /B 6 0 R /J 7 0 R",
      "q 288 0 0 288 0 0 cm /A Do Q q 100 0 0 100 300 0 cm /B Do Q q 240 0 0 160 0 400 cm /J Do Q",
      {gray(100), gray(400), "stream:/Type /XObject /Subtype /Image /Width 120 /Height 80 /ColorSpace /DeviceRGB "
       "/BitsPerComponent 8 /Filter /DCTDecode|" + hosttest::MakeJpeg(jpeg, [](int y, unsigned char* row) {
         for (int x = 0; x < 120 * 3; ++x) row[x] = static_cast<unsigned char>(Hash(x / 3, y, 0) % 64 + x / 2);
       })}));
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
  ::mkdir(settings_.File("registry").c_str(), 0700);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.args + (" " + row.stored));
    // The option set a run starts from; it works on a copy.
    std::remove(settings_.File("registry/current_user.txt").c_str());
    if (!row.stored.empty())
      hosttest::WriteFile(settings_.File("registry/current_user.txt"),
                          "plughost registry 1\n[Software\\Zentu\\Glimmerset\\Current_Version]\n" +
                              std::regex_replace(row.stored, std::regex("(\\S+)=(\\S+) ?"), "\"$1\" sz \"$2\"\n"));
    const hosttest::ProcessResult run = Images(Words(in, row.args), "out.pdf");
    EXPECT_EQ(run.out, std::string(row.kept ? "SKIPPED: page 1, object 7: it is JPEG already and keeps its size, and "
                                              "encoded anew it would not be smaller\n" : "") +
                           "IMAGES: " + std::to_string(row.converted) + " converted, " + std::to_string(row.kept) +
                           " left as they were\nSAVED: " + work_.File("out.pdf") + "\n")
        << run.err;
    const std::string list = "pdfimages -list " + hosttest::Quoted(work_.File("out.pdf")) + " | tail -n +3 | awk ";
    EXPECT_EQ(Shell(list + "'{printf \"%s %sx%s %s,\", $9, $4, $5, $13}'"), row.images);
    EXPECT_TRUE(!row.kept || Shown(Shell(list + "'END {printf \"%s\", $11}'"), "--raw-stream-data") == raw);
  }
}

}  // namespace
