// Hostile files through plughost as a user runs it: JBIG2 globals that lead
// back to an image, stream lengths past any offset, image decoders asked
// for canvases far beyond their data, a JPX palette under /Indexed, damaged
// trailer identifiers. No run may crash or leave a sanitizer's report;
// qpdf, pdfimages and pdftoppm judge what the runs wrote.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "testing/codestreams.h"
#include "testing/pdfmaker.h"
#include "testing/processes.h"

namespace {

using hosttest::Big32;
using hosttest::Jbig2Segment;

const std::string kGray = "stream:/Type /XObject /Subtype /Image /Width 64 /Height 40 /ColorSpace /DeviceGray "
                          "/BitsPerComponent 8|" + std::string(64 * 40, '\x80');

struct Measured {
  hosttest::ProcessResult result;
  double seconds = 0;
  long peakKiB = 0;
};

// A page placing the images `images` (the bodies of objects 5, 6, ...),
// then the objects `more`; the Info dictionary claims PDF/X-1a:2001, which
// only the images' filters (and the missing output intent) keep it from.
std::string Document(
    const std::vector<std::string>& images, const std::vector<std::string>& more = {},
    const std::string& trailer = "/ID [<00112233445566778899aabbccddeeff> <00112233445566778899aabbccddeeff>]") {
  std::string names, content;
  for (size_t i = 0; i < images.size(); ++i) {
    const std::string n = std::to_string(i);
    names += "/Im" + n + " " + std::to_string(5 + i) + " 0 R ";
    content += "q 64 0 0 40 " + std::to_string(10 + 70 * (i % 8)) + " " + std::to_string(10 + 50 * (i / 8)) +
               " cm /Im" + n + " Do Q\n";
  }
  hosttest::PdfSpec spec;
  spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                  "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 600 200] /TrimBox [0 0 600 200] /Contents 4 0 R "
                  "/Resources << /XObject << " +
                      names + ">> >> >>",
                  "stream:|" + content};
  for (const std::string& image : images) spec.objects.push_back(image);
  spec.objects.push_back(
      "<< /Title (t) /Creator (t) /Producer (t) /Trapped /False /GTS_PDFXVersion (PDF/X-1:2001) "
      "/GTS_PDFXConformance (PDF/X-1a:2001) /CreationDate (D:20260101120000Z) "
      "/ModDate (D:20260101120000Z) >>");
  for (const std::string& object : more) spec.objects.push_back(object);
  spec.trailer = "/Root 1 0 R /Info " + std::to_string(5 + images.size()) + " 0 R " + trailer;
  return hosttest::MakePdf(spec);
}

class HostileFilesTest : public ::testing::Test {
 protected:
  // plughost COMMAND FILE ARGS with the one plug-in the command drives,
  // measured by GNU time, run through `before` (unshare -r).
  Measured Plughost(const std::string& command, const std::string& file, const std::vector<std::string>& args,
                    const std::string& settings = "", const std::vector<std::string>& before = {}) {
    static const hosttest::PluginsFolder checker({CHECKER_PLUGIN}), images({GLIMMERSET_PLUGIN}),
        boxes({FRAMEWICK_PLUGIN});
    const std::string& plugins = command == "check"    ? checker.path()
                                 : command == "images" ? images.path()
                                                       : boxes.path();
    std::vector<std::string> argv = before;
    argv.insert(argv.end(),
                {"/usr/bin/time", "-o", work_.File("time"), "-f", "%e %M", PLUGHOST, command, work_.File(file)});
    argv.insert(argv.end(), args.begin(), args.end());
    argv.insert(argv.end(), {"--plugins", plugins, "--settings", settings.empty() ? settings_.path() : settings});
    Measured run{hosttest::RunProcess(argv, "", 120)};
    const std::string time = hosttest::ReadFile(work_.File("time"));
    std::sscanf(time.substr(time.rfind('\n', time.size() - 2) + 1).c_str(), "%lf %ld", &run.seconds, &run.peakKiB);
    // Ended by itself, without a sanitizer's report.
    EXPECT_FALSE(run.result.timedOut);
    EXPECT_TRUE(run.result.status == 0 || run.result.status == 1 || run.result.status == 2) << run.result.status << "\n"
                                                                                            << run.result.err;
    for (const char* report : {"Sanitizer", "runtime error", "Segmentation"})
      EXPECT_EQ(run.result.err.find(report), std::string::npos) << run.result.err;
    return run;
  }
  // What pdfimages -list says of the file's images, and whether the first
  // is still encoded with `encoding`.
  bool FirstImageIs(const std::string& file, const std::string& encoding) {
    std::string list;
    hosttest::RunCommand("pdfimages -list " + hosttest::Quoted(work_.File(file)) + " 2>&1", &list);
    const size_t row = list.find("\n   1 ");
    return row != std::string::npos && list.find(" " + encoding + " ", row) < list.find('\n', row + 1);
  }
  // pdftoppm's gray pixels of the page, as a PGM.
  std::string Rendered(const std::string& file) {
    hosttest::RunCommand("pdftoppm -gray -r 72 " + hosttest::Quoted(work_.File(file)) + " " +
                         hosttest::Quoted(work_.File("page")));
    return hosttest::ReadFile(work_.File("page-1.pgm"));
  }
  hosttest::TempDir work_, settings_;
};

// A halftone region whose patterns lie in the globals: an 8 x 5 grid of
// 8 x 8 cells, the pattern chosen by a bit of `grid`, the patterns coded
// with MMR in a pattern dictionary (segment 0).
struct Halftone {
  std::string globals, image;
};
Halftone MakeHalftone(const hosttest::TempDir& dir) {
  std::string patterns;  // 16 x 8: empty, then a frame with a cross
  const unsigned char cross[8] = {0xFF, 0xC3, 0xA5, 0x99, 0x99, 0xA5, 0xC3, 0xFF};
  for (unsigned char row : cross) patterns += std::string(1, '\0') + static_cast<char>(row);
  const std::string dictionary = std::string("\1\x08\x08", 3) + Big32(1) + hosttest::GroupFour(dir, 16, 8, patterns);
  const std::string grid = "\xA5\x5A\xF0\x0F\x81";  // 8 x 5 cells, a bit each
  const std::string region = Big32(64) + Big32(40) + Big32(0) + Big32(0) + '\0' + '\1' + Big32(8) + Big32(5) +
                             Big32(0) + Big32(0) + std::string("\x08\x00\x00\x00", 4) +
                             hosttest::GroupFour(dir, 8, 5, grid);
  return {Jbig2Segment(0, 16, dictionary, 0),
          Jbig2Segment(1, 48, hosttest::Jbig2PageInformation(64, 40)) + Jbig2Segment(2, 22, region, 1, {0})};
}

TEST_F(HostileFilesTest, Jbig2GlobalsAreDecodedWithTheGeneralFiltersOnly) {
  const Halftone halftone = MakeHalftone(work_);
  const std::string image =
      "/Type /XObject /Subtype /Image /Width 64 /Height 40 /ColorSpace /DeviceGray "
      "/BitsPerComponent 1 /Filter /JBIG2Decode /DecodeParms << /JBIG2Globals ";
  auto jbig2 = [&](const std::string& globals) { return "stream:" + image + globals + " >>|" + halftone.image; };
  const std::string globalsAfter = std::to_string(5 + 1 + 1);  // after the image and the Info dictionary
  const struct {
    const char* name;
    std::string pdf;
    bool decodes;
  } rows[] = {
      {"itself", Document({jbig2("5 0 R")}), false},
      {"a loop", Document({jbig2(globalsAfter + " 0 R")}, {jbig2("5 0 R")}), false},
      {"named JBIG2Decode",
       Document({jbig2(globalsAfter + " 0 R")}, {"stream:/Filter /JBIG2Decode|" + halftone.globals}), false},
      {"a Flate bomb",
       Document({jbig2(globalsAfter + " 0 R")},
                {"stream:/Filter /FlateDecode|" + hosttest::Deflated(std::string(size_t(200) << 20, '\0'))}),
       false},
      {"not a stream", Document({jbig2(globalsAfter + " 0 R")}, {"<< /Filter /FlateDecode >>"}), false},
      {"good, deflated",
       Document({jbig2(globalsAfter + " 0 R")},
                {"stream:/Filter /FlateDecode|" + hosttest::Deflated(halftone.globals)}),
       true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    hosttest::WriteFile(work_.File("in.pdf"), row.pdf);
    const std::string before = row.decodes ? Rendered("in.pdf") : "";
    const Measured check = Plughost("check", "in.pdf", {"--fix", "--output", work_.File("checked.pdf")});
    EXPECT_EQ(check.result.status, row.decodes ? 0 : 1) << check.result.out << check.result.err;
    const Measured images =
        Plughost("images", "in.pdf",
                 {"--modify", "--keep-resolution", "--mono", "Flate", "--output", work_.File("modified.pdf")});
    for (const char* out : {"checked.pdf", "modified.pdf"}) {
      SCOPED_TRACE(out);
      if (!row.decodes) {
        // The image as it was, and its note said.
        if (hosttest::FileExists(work_.File(out))) {
          EXPECT_TRUE(FirstImageIs(out, "jbig2"));
        }
        continue;
      }
      EXPECT_FALSE(FirstImageIs(out, "jbig2")) << "decoded and written anew";
      EXPECT_TRUE(Rendered(out) == before) << "the page renders otherwise";
    }
    if (!row.decodes) {
      EXPECT_NE(images.result.out.find("NOTE: "), std::string::npos) << images.result.out;
    }
  }
}

// A stream whose /Length is `length` whatever its data.
std::string StreamOfLength(const std::string& dict, const std::string& length, const std::string& data) {
  return "<< " + dict + " /Length " + length + " >>\nstream\n" + data + "\nendstream";
}

TEST_F(HostileFilesTest, StreamLengthsPastAnyOffsetReadAsDamaged) {
  std::string gray;
  for (int i = 0; i < 64 * 40; ++i) gray.push_back(static_cast<char>(i * 7));
  for (const char* length : {"2147483648", "9223372036854775807", "-5"}) {
    SCOPED_TRACE(length);
    hosttest::PdfSpec spec;
    spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
                    "/Resources << /XObject << /Im0 5 0 R >> >> >>",
                    StreamOfLength("", length, "q 64 0 0 40 10 10 cm /Im0 Do Q"),
                    StreamOfLength("/Type /XObject /Subtype /Image /Width 64 /Height 40 /ColorSpace /DeviceGray "
                                   "/BitsPerComponent 8",
                                   length, gray)};
    hosttest::WriteFile(work_.File("in.pdf"), hosttest::MakePdf(spec));
    // Each run lists and edits, pictures or converts the page its damage repaired.
    const Measured set =
        Plughost("boxes", "in.pdf", {"--on", "Trim", "--set", "Trim=1,1,6,9", "--output", work_.File("set.pdf")});
    EXPECT_EQ(set.result.status, 0) << set.result.err;
    EXPECT_NE(set.result.out.find("BOX: page 1 Trim off"), std::string::npos) << set.result.out;
    EXPECT_EQ(hosttest::RunCommand("qpdf --check " + hosttest::Quoted(work_.File("set.pdf")) + " >/dev/null"), 0);
    const Measured picture = Plughost("boxes", "in.pdf", {"--picture", work_.File("view")});
    EXPECT_EQ(picture.result.status, 0) << picture.result.err;
    EXPECT_TRUE(hosttest::FileExists(work_.File("view-1.png")));
    const Measured images =
        Plughost("images", "in.pdf", {"--modify", "--resolution", "36", "--output", work_.File("modified.pdf")});
    EXPECT_EQ(images.result.status, 0) << images.result.err;
    EXPECT_NE(images.result.out.find("SAVED: "), std::string::npos) << images.result.out;
  }
}

// A JPEG 2000 codestream of 87 bytes whose header declares 8000 x 8000
// pixels of 3 components in one tile, with no data.
std::string EmptyCodestream() {
  std::string siz = std::string("\0\0", 2) + Big32(8000) + Big32(8000) + Big32(0) + Big32(0) + Big32(8000) +
                    Big32(8000) + Big32(0) + Big32(0) + std::string("\0\3", 2);
  for (int c = 0; c < 3; ++c) siz += std::string("\7\1\1", 3);
  auto marker = [](const char* code, const std::string& body) {
    return std::string(code, 2) + static_cast<char>((body.size() + 2) >> 8) + static_cast<char>(body.size() + 2) + body;
  };
  return std::string("\xFF\x4F", 2) + marker("\xFF\x51", siz) +
         marker("\xFF\x52", std::string("\0\0\0\1\0\0\4\4\0\1", 10)) + marker("\xFF\x5C", "\x20\x40") +
         marker("\xFF\x90", std::string("\0\0\0\0\0\0\0\1", 8)) + std::string("\xFF\x93\xFF\xD9", 4);
}

TEST_F(HostileFilesTest, DeclaredCanvasesAreBoundBeforeTheDecodersAllocate) {
  // Eight JBIG2 streams of 80 bytes declaring 40000 x 40000 pages, half of
  // them under dictionaries that declare as much.
  const std::string region = Big32(40000) + Big32(40000) + Big32(0) + Big32(0) + '\0' + '\1';
  const std::string jbig2 = Jbig2Segment(0, 48, hosttest::Jbig2PageInformation(40000, 40000)) +
                            Jbig2Segment(1, 38, region + std::string(21, '\x55'));
  ASSERT_EQ(jbig2.size(), 80u);
  std::vector<std::string> pages;
  for (const char* size : {"40000 /Height 40000", "64 /Height 40"})
    for (int i = 0; i < 4; ++i)
      pages.push_back("stream:/Type /XObject /Subtype /Image /Width " + std::string(size) +
                      " /ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /JBIG2Decode|" + jbig2);
  const std::string jpx = EmptyCodestream();
  const struct {
    const char* name;
    std::string pdf;
  } rows[] = {
      {"jpx", Document({"stream:/Type /XObject /Subtype /Image /Width 8000 /Height 8000 /ColorSpace /DeviceRGB "
                        "/BitsPerComponent 8 /Filter /JPXDecode|" +
                        jpx})},
      {"jbig2", Document(pages)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    hosttest::WriteFile(work_.File("in.pdf"), row.pdf);
    const std::vector<std::string> runs[] = {{"images", "--create-alternates", "--resolution", "150"},
                                             {"images", "--modify", "--resolution", "150"},
                                             {"check", "--fix"}};
    for (const auto& run : runs) {
      SCOPED_TRACE(run[1]);
      const std::vector<std::string> args(run.begin() + 1, run.end());
      const Measured m = Plughost(run[0], "in.pdf", args);
      EXPECT_LE(m.seconds, 10);
      EXPECT_LE(m.peakKiB, 300 * 1024);
      // The plug-in's note, or the check's verdict that the file is not valid.
      if (run[0] == "images")
        EXPECT_NE(m.result.out.find("NOTE: The object or its data could not be read"), std::string::npos)
            << m.result.out;
      else
        EXPECT_EQ(m.result.status, 1) << m.result.out << m.result.err;
    }
  }
}

// The largest and the mean difference of two PPM or PGM pictures of one
// size, over every sample; -1 when they differ in size or kind.
std::pair<int, double> Difference(const std::string& a, const std::string& b) {
  if (a.size() != b.size() || a.size() < 16 || a.compare(0, 2, b, 0, 2) != 0) return {-1, -1};
  // The header: magic, width, height, maximum, each ended by white space.
  size_t at = 0;
  for (int field = 0; field < 4; ++field) at = a.find_first_of(" \n", at) + 1;
  int largest = 0;
  double sum = 0;
  for (size_t i = at; i < a.size(); ++i) {
    const int d = std::abs(static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]));
    largest = std::max(largest, d);
    sum += d;
  }
  return {largest, sum / static_cast<double>(a.size() - at)};
}

TEST_F(HostileFilesTest, JpxPalettesGiveWayToAnIndexedColourSpace) {
  // Sixteen CMYK colours in blocks of 6 x 8 pixels; the file's own palette
  // holds the same colours, which only a reader that applies it twice would
  // show otherwise.
  std::vector<std::string> palette;
  std::string lookup;
  for (int k = 0; k < 16; ++k) {
    const unsigned char cmyk[4] = {static_cast<unsigned char>(k * 16), static_cast<unsigned char>(255 - k * 16),
                                   static_cast<unsigned char>(k * 37 % 256), static_cast<unsigned char>(k % 4 * 60)};
    palette.emplace_back(reinterpret_cast<const char*>(cmyk), 4);
    for (unsigned char c : cmyk) {
      char hex[3];
      std::snprintf(hex, sizeof hex, "%02X", c);
      lookup += hex;
    }
  }
  const std::string indices = hosttest::JpxCodestream(
      48, 32, 1, [](uint32_t i, uint32_t) { return static_cast<int>((i % 48 / 6 + i / 48 / 8 * 8) % 16); });
  hosttest::WriteFile(work_.File("in.pdf"),
                      Document({"stream:/Type /XObject /Subtype /Image /Width 48 /Height 32 /ColorSpace [/Indexed "
                                "/DeviceCMYK 15 <" +
                                lookup + ">] /BitsPerComponent 8 /Filter /JPXDecode|" +
                                hosttest::Jp2WithPalette(indices, 48, 32, palette, 4)}));
  auto colours = [&](const std::string& file) {
    hosttest::RunCommand("pdftoppm -r 72 " + hosttest::Quoted(work_.File(file)) + " " +
                         hosttest::Quoted(work_.File("page")));
    return hosttest::ReadFile(work_.File("page-1.ppm"));
  };
  const std::string before = colours("in.pdf");
  const Measured modify = Plughost("images", "in.pdf",
                                   {"--modify", "--keep-resolution", "--color", "JPEG", "--jpeg-quality", "Maximum",
                                    "--output", work_.File("modified.pdf")});
  EXPECT_EQ(modify.result.out, "IMAGES: 1 converted, 0 left as they were\nSAVED: " + work_.File("modified.pdf") + "\n");
  const Measured check = Plughost("check", "in.pdf", {"--fix", "--output", work_.File("checked.pdf")});
  EXPECT_EQ(check.result.status, 0) << check.result.out;
  for (const char* out : {"modified.pdf", "checked.pdf"}) {
    SCOPED_TRACE(out);
    EXPECT_FALSE(FirstImageIs(out, "jpx")) << "converted";
    const std::pair<int, double> d = Difference(before, colours(out));
    EXPECT_GE(d.first, 0) << "pictures of one size";
    EXPECT_LE(d.first, 48) << "within what JPEG does to sharp edges";
    EXPECT_LE(d.second, 2.0);
  }
}

TEST_F(HostileFilesTest, UnusableTrailerIdsNeitherStopAPictureNorTheOpening) {
  const struct {
    const char* name;
    std::string trailer;
    std::vector<std::string> more;
  } rows[] = {
      {"two nulls", "/ID [null null]", {}},
      {"a damaged string", "/ID [<zz11> <0011>]", {}},
      // A number above 2^30 leaves no room for new objects: the opening
      // renumbers the objects through the writer.
      {"two nulls, beside a stray reference", "/ID [null null] /Stray 8 0 R", {"<< /Far 1073741825 0 R >>"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    hosttest::WriteFile(work_.File("in.pdf"), Document({}, row.more, row.trailer));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--picture", work_.File("view")},
          std::vector<std::string>{"--on", "Trim", "--set", "Trim=1,1,6,2", "--picture", work_.File("view")}}) {
      ::unlink(work_.File("view-1.png").c_str());
      const Measured run = Plughost("boxes", "in.pdf", args);
      EXPECT_EQ(run.result.status, 0) << run.result.err;
      EXPECT_NE(run.result.out.find("BOX: page 1 Trim"), std::string::npos) << run.result.out;
      EXPECT_TRUE(hosttest::FileExists(work_.File("view-1.png")));
    }
  }
}

// Page trees that name a page twice: every command numbers the pages as
// pdfinfo and the library do, the second place getting a copy of its own
// that its edits go to. Trees that cannot be listed (a loop, a kid that is
// its own node, nesting past any document's) end each command at once.
TEST_F(HostileFilesTest, PagesNamedTwiceAreNumberedAsTheLibraryListsThem) {
  // Page A (object 3) places an image; B and C are 200 and 300 points wide.
  auto tree = [](const std::string& rootKids, const std::vector<std::string>& more) {
    hosttest::PdfSpec spec;
    spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [" + rootKids + "] /Count 4 >>",
                    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Contents 6 0 R "
                    "/Resources << /XObject << /Im0 7 0 R >> >> >>",
                    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] >>",
                    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 100] >>", "stream:|q 64 0 0 40 0 0 cm /Im0 Do Q",
                    "stream:/Type /XObject /Subtype /Image /Width 64 /Height 40 /ColorSpace /DeviceGray "
                    "/BitsPerComponent 8|" + std::string(64 * 40, '\x80')};
    spec.objects.insert(spec.objects.end(), more.begin(), more.end());
    return hosttest::MakePdf(spec);
  };
  const struct {
    const char* name;
    std::string pdf;
    bool checked;  // else A's /Parent is wrong under the node, which the check's walk reports
  } twice[] = {
      {"in one Kids", tree("3 0 R 4 0 R 3 0 R 5 0 R", {}), true},
      {"in a node and the root", tree("8 0 R 3 0 R 5 0 R", {"<< /Type /Pages /Parent 2 0 R /Kids [3 0 R 4 0 R] /Count 2 >>"}),
       false},
  };
  static const hosttest::PluginsFolder framewick({FRAMEWICK_PLUGIN});
  auto steps = [&](const std::string& step) {
    return hosttest::RunProcess(
        {PLUGHOST, "--plugins", framewick.path(), "--settings", settings_.path(), work_.File("in.pdf"), step}, "", 60);
  };
  auto pdfinfo = [&](const std::string& file, const char* what) {
    std::string out;
    hosttest::RunCommand("pdfinfo -box -f 1 -l 9 " + hosttest::Quoted(work_.File(file)) + " 2>/dev/null | grep " + what,
                         &out);
    return out;
  };
  for (const auto& file : twice) {
    SCOPED_TRACE(file.name);
    hosttest::WriteFile(work_.File("in.pdf"), file.pdf);
    const std::string boxes = pdfinfo("in.pdf", "MediaBox");
    ASSERT_NE(boxes.find("Page    4 MediaBox:      0.00     0.00   300.00"), std::string::npos) << boxes;
    // The list, and a Trim box set on page 3 only.
    const Measured list = Plughost("boxes", "in.pdf", {});
    EXPECT_EQ(list.result.status, 0) << list.result.err;
    EXPECT_NE(list.result.out.find("SPEC: page 4"), std::string::npos) << list.result.out;
    const Measured set = Plughost("boxes", "in.pdf",
                                  {"--pages", "3", "--on", "Trim", "--set", "Trim=0.5,0.5,0.5,0.25", "--output",
                                   work_.File("set.pdf"), "--picture", work_.File("view")});
    EXPECT_EQ(set.result.status, 0) << set.result.err;
    EXPECT_EQ(pdfinfo("set.pdf", "MediaBox"), boxes);
    const std::string trims = pdfinfo("set.pdf", "TrimBox");
    EXPECT_NE(trims.find("Page    1 TrimBox:       0.00     0.00   100.00   100.00"), std::string::npos) << trims;
    EXPECT_NE(trims.find("Page    3 TrimBox:      36.00    46.00    72.00    64.00"), std::string::npos) << trims;
    EXPECT_EQ(hosttest::RunCommand("qpdf --check " + hosttest::Quoted(work_.File("set.pdf")) + " >/dev/null"), 0);
    // Page 3's picture is A's: 100 points wide.
    const std::string png = hosttest::ReadFile(work_.File("view-3.png"));
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(16, 4), std::string("\0\0\0\x64", 4));
    const Measured beyond = Plughost("boxes", "in.pdf", {"--pages", "5"});
    EXPECT_EQ(beyond.result.status, 2);
    EXPECT_NE(beyond.result.err.find("the document has 4 pages"), std::string::npos) << beyond.result.err;
    // The checker's pages, and the image plug-in's: A's image on pages 1 and 3.
    if (file.checked) {
      const Measured check = Plughost("check", "in.pdf", {"--report", work_.File("report.log")});
      EXPECT_NE(check.result.out.find("VERDICT: "), std::string::npos) << check.result.out << check.result.err;
      const std::string report = hosttest::ReadFile(work_.File("report.log"));
      for (const char* page : {"\n1\t", "\n2\t", "\n3\t", "\n4\t"}) EXPECT_NE(report.find(page), std::string::npos) << report;
    }
    const Measured images =
        Plughost("images", "in.pdf", {"--modify", "--resolution", "36", "--output", work_.File("images.pdf")});
    EXPECT_EQ(images.result.status, 0) << images.result.out << images.result.err;
    std::string listed;
    hosttest::RunCommand("pdfimages -list " + hosttest::Quoted(work_.File("images.pdf")) + " | awk 'NR > 2 { print $1 }'",
                         &listed);
    EXPECT_EQ(listed, "1\n3\n");
    const hosttest::ProcessResult step = steps("page 4");
    EXPECT_EQ(step.status, 0) << step.err;
  }
  // A loop through a node, a node that is its own kid, a chain 400 deep, a
  // kid that is a string, a node whose /Kids is a page; roots without kids.
  auto root = [](const std::string& kids) { return hosttest::MakePdf({"1.3", {"<< /Type /Catalog /Pages 2 0 R >>", kids}}); };
  std::vector<std::string> deep;
  for (int i = 0; i < 400; ++i) deep.push_back("<< /Type /Pages /Kids [" + std::to_string(9 + i) + " 0 R] /Count 1 >>");
  deep.push_back("<< /Type /Page /MediaBox [0 0 10 10] >>");
  const struct {
    const char* name;
    std::string pdf;
    const char* why;
  } broken[] = {
      {"a loop", tree("3 0 R 8 0 R", {"<< /Type /Pages /Parent 2 0 R /Kids [4 0 R 2 0 R] /Count 2 >>"}), "a loop: the node "},
      {"its own kid", tree("3 0 R 2 0 R", {}), "a loop: the node "},
      {"400 deep", tree("3 0 R 8 0 R", deep), "its nodes are nested"},
      {"a kid that is no page", tree("3 0 R 8 0 R 4 0 R", {"(fuzz)"}), "kid 2 of the node 2 0 is no page"},
      {"a /Kids that is no array", tree("3 0 R 8 0 R", {"<< /Type /Pages /Kids 4 0 R /Count 1 >>"}),
       "the /Kids of the node 8 0 is no array"},
      {"no /Kids", root("<< /Type /Pages /Count 2 >>"),
       "its root, the node 2 0, has no /Kids, though its /Count gives 2 pages"},
      {"/Kids []", root("<< /Type /Pages /Kids [] /Count 1 >>"),
       "its root, the node 2 0, has no kids, though its /Count gives 1 page"},
  };
  const std::string prefix = "plughost: cannot read the page tree of " + work_.File("in.pdf") + ": ";
  for (const auto& file : broken) {
    SCOPED_TRACE(file.name);
    hosttest::WriteFile(work_.File("in.pdf"), file.pdf);
    for (const std::vector<std::string>& run :
         {std::vector<std::string>{"check"}, {"boxes"}, {"boxes", "--pages", "2"}, {"images", "--modify"}}) {
      const Measured ran = Plughost(run[0], "in.pdf", std::vector<std::string>(run.begin() + 1, run.end()));
      EXPECT_EQ(ran.result.status, 2) << run[0];
      EXPECT_EQ(ran.result.err.find(prefix + file.why), 0u) << ran.result.err;
      EXPECT_EQ(ran.result.out.find("BOX:"), std::string::npos) << ran.result.out;
    }
    const hosttest::ProcessResult step = steps("page 1");
    EXPECT_EQ(step.status, 2);
    EXPECT_NE(step.err.find(prefix + file.why), std::string::npos) << step.err;
  }
  hosttest::WriteFile(work_.File("in.pdf"), root("<< /Type /Pages /Kids [] /Count 0 >>"));  // says it has none
  EXPECT_EQ(Plughost("boxes", "in.pdf", {}).result.err, "plughost: " + work_.File("in.pdf") + " has no pages\n");
}

// A catalog whose /Pages is the page itself, its /Parent absent or naming
// itself: its one page, as readers repair the tree, saved as a sound tree.
TEST_F(HostileFilesTest, ARootThatIsAPageIsTheDocumentsOnePage) {
  for (const std::string parent : {"", "/Parent 2 0 R "}) {
    SCOPED_TRACE(parent);
    hosttest::WriteFile(work_.File("in.pdf"), hosttest::MakePdf({"1.3", {"<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Page " + parent + "/MediaBox [0 0 200 100] /CropBox [0 0 200 90] >>"}}));
    const Measured set = Plughost("boxes", "in.pdf", {"--unit", "pt", "--on", "Trim", "--set", "Trim=36,18,72,36",
                                                      "--output", work_.File("set.pdf")});
    EXPECT_NE(set.result.out.find("BOX: page 1 Crop on 0.000 10.000 200.000 90.000 pt\nSPEC: page 1 Custom\nBOX:"),
              std::string::npos) << set.result.out;
    std::string read;  // qpdf finds no errors (3: warned of the /Parent naming the root); pdfinfo the box
    hosttest::RunCommand("cd " + hosttest::Quoted(work_.path()) + " && qpdf --check set.pdf >/dev/null 2>&1; echo $?; "
                         "pdfinfo -box set.pdf 2>/dev/null | grep Trim", &read);
    EXPECT_EQ(read, std::string(parent.empty() ? "0" : "3") + "\nTrimBox:            36.00    46.00   108.00    82.00\n");
  }
}

// Settings folders that cannot be written or read: a plain file, another
// user's (for root: one its own user namespace does not map). A listing,
// which stores nothing asked, lists with the editor's one note; what was
// asked to be kept ends the run, naming the folder and the system's reason.
TEST_F(HostileFilesTest, SettingsThatCannotBeKeptAreNamedWithTheSystemsReason) {
  hosttest::WriteFile(work_.File("in.pdf"), Document({kGray}));
  const bool root = ::geteuid() == 0, others = !root || hosttest::RunCommand("unshare -r true 2>/dev/null") == 0;
  std::vector<std::string> before;  // runs plughost as another user than the folders'
  if (root && others) before = {"/usr/bin/unshare", "-r"};
  const std::string plain = work_.File("plain"), open = work_.File("open"), shut = work_.File("shut");
  hosttest::WriteFile(plain, "a file");
  for (const std::string& folder : {open, shut})  // a folder and its hive as another user leaves them
    hosttest::RunCommand("mkdir -p " + folder + "/registry && echo 'plughost registry 1' >" + folder +
                         "/registry/current_user.txt && chmod " + (folder == open ? "0555 " : "0000 ") + folder + " " +
                         folder + "/registry" + (root ? " && chown -R 54321:54321 " + folder : ""));
  const struct { std::string folder, written, read; } rows[] = {  // the reasons; "" for no fault
      {plain, "Not a directory", "Not a directory"},
      {open, open + "/registry: Permission denied", ""},
      {shut, shut + "/registry: Permission denied", "Permission denied"}};
  for (const auto& row : rows) {
    if (!others && row.folder != plain) continue;
    SCOPED_TRACE(row.folder);
    const std::string folder = "the settings folder " + row.folder + " cannot be ";
    const std::string written = folder + "written: " + row.written + "\n",
                      read = row.read.empty() ? "" : "plughost: " + folder + "read: " + row.read + "\n";
    const Measured list = Plughost("boxes", "in.pdf", {}, row.folder, before);
    EXPECT_EQ(std::regex_replace(list.result.out, std::regex("BOX: .*\n"), ""),
              "SPEC: page 1 Custom\nNOTE: Error opening registry:  " + written);
    // A check reads a copy of the settings; image options are kept in place.
    const Measured check = Plughost("check", "in.pdf", {"--standard", "PDF/X-1a:2001", "--keep-standard"}, row.folder,
                                    before);
    EXPECT_EQ(check.result.err, read.empty() ? "plughost: the standard was not stored: " + written : read);
    const Measured kept = Plughost("images", "in.pdf", {"--modify", "--resolution", "36", "--keep-options"},
                                   row.folder, before);
    EXPECT_EQ(kept.result.err, "plughost: the options were not kept: " + written);
    EXPECT_EQ(check.result.status + kept.result.status, 4);
  }
  hosttest::RunCommand("chmod -R u+rwx " + hosttest::Quoted(work_.path()));  // for the folders' removal
}

}  // namespace
