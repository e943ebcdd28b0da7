// `plughost check --fix --output` changes a page's look only where a repair
// means to: each page of the input and of the saved file rendered by
// pdftoppm and compared, and the verdict after "Fix all" held against a
// check of the saved file. Operators taken out of content beside colour
// operators, JPEG 2000 images of every depth recompressed, and one or more
// documents for every repair "Fix all" makes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include "documents.h"
#include "plughost_runs.h"
#include "testing/codestreams.h"
#include "testing/pdfmaker.h"
#include "testing/processes.h"

namespace {

using standardstest::kX1a;
using standardstest::kX3;

const int kDpi = 36;

struct Outcome {
  int status;
  std::string verdict;  // the last VERDICT line
};

// One page as drawn: its width and its RGB pixels, row by row.
struct Picture {
  int width = 0;
  std::string pixels;
};

// A binary PPM, the comments of its header passed over.
Picture ReadPpm(const std::string& path) {
  const std::string bytes = hosttest::ReadFile(path);
  std::istringstream in(bytes);
  std::string word;
  std::vector<int> numbers;  // width, height, largest value
  for (in >> word; numbers.size() < 3 && in >> word;) {
    if (word[0] == '#') {
      std::getline(in, word);
    } else {
      numbers.push_back(std::atoi(word.c_str()));
    }
  }
  if (numbers.size() < 3 || numbers[0] <= 0 || !in) return Picture();
  Picture p{numbers[0], bytes.substr(static_cast<size_t>(in.tellg()) + 1)};
  return p.pixels.size() == 3u * numbers[0] * numbers[1] ? p : Picture();
}

// A rectangle in points, lower left and upper right.
struct Box {
  double left, bottom, right, top;
};

// Where two renders of a page of `heightPoints` differ: "" when nowhere, or
// when only inside `inside` (a pixel of slack for anti-aliased edges);
// else the pixel box of the differences.
std::string Differences(const Picture& a, const Picture& b, double heightPoints, const Box* inside) {
  if (a.width == 0 || b.width == 0) return "not drawn";
  if (a.width != b.width || a.pixels.size() != b.pixels.size()) return "another size";
  int x0 = a.width, y0 = INT32_MAX, x1 = -1, y1 = -1;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    if (a.pixels[i] == b.pixels[i]) continue;
    const int x = static_cast<int>(i / 3 % static_cast<size_t>(a.width)), y = static_cast<int>(i / 3 / a.width);
    x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
  }
  if (x1 < 0) return "";
  const double scale = kDpi / 72.0;
  if (inside && x0 >= inside->left * scale - 1 && x1 <= inside->right * scale + 1 &&
      y0 >= (heightPoints - inside->top) * scale - 1 && y1 <= (heightPoints - inside->bottom) * scale + 1)
    return "";
  return "pixels " + std::to_string(x0) + "," + std::to_string(y0) + " to " + std::to_string(x1) + "," +
         std::to_string(y1);
}

// One page of a document: its dictionary's entries beside /Type and
// /Parent, and the objects after it, which the entries name as @1, @2, ...
struct PageSpec {
  std::string entries;
  std::vector<std::string> objects;
};

std::string PagesPdf(const std::vector<PageSpec>& pages) {
  hosttest::PdfSpec spec;
  spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>", ""};
  std::string kids;
  for (const PageSpec& page : pages) {
    const size_t first = spec.objects.size() + 1;
    std::string entries = page.entries;
    for (size_t at = entries.find('@'); at != std::string::npos; at = entries.find('@', at))
      entries.replace(at, 2, std::to_string(first + static_cast<size_t>(entries[at + 1] - '0')) + " 0 R");
    kids += " " + std::to_string(first) + " 0 R";
    spec.objects.push_back("<< /Type /Page /Parent 2 0 R " + entries + " >>");
    spec.objects.insert(spec.objects.end(), page.objects.begin(), page.objects.end());
  }
  spec.objects[1] = "<< /Type /Pages /Kids [" + kids + " ] /Count " + std::to_string(pages.size()) + " >>";
  return hosttest::MakePdf(spec);
}

class FixLookTest : public ::testing::Test {
 protected:
  Outcome Check(const std::string& file, const std::string& standard, bool fix) {
    std::vector<std::string> argv = {PLUGHOST, "check", work_.File(file), "--plugins", checkertest::PluginFolder(),
                                     "--settings", settings_.path(), "--standard", standard, "--quiet"};
    if (fix) argv.insert(argv.end(), {"--fix", "--output", work_.File("out.pdf")});
    const hosttest::ProcessResult run = hosttest::RunProcess(argv, "", checkertest::kRunBound);
    Outcome r{run.status, ""};
    const size_t verdict = run.out.rfind("VERDICT: ");
    if (verdict != std::string::npos) r.verdict = run.out.substr(verdict, run.out.find('\n', verdict) - verdict);
    EXPECT_EQ(run.err, "") << file;
    return r;
  }
  // Fixes `pdf` as in.pdf into out.pdf; what "Fix all" says must be what a
  // check of out.pdf says, and qpdf must take out.pdf.
  void FixAndRecheck(const std::string& pdf, const std::string& standard) {
    hosttest::WriteFile(work_.File("in.pdf"), pdf);
    const Outcome fixed = Check("in.pdf", standard, true);
    ASSERT_TRUE(hosttest::FileExists(work_.File("out.pdf"))) << fixed.verdict;
    const Outcome again = Check("out.pdf", standard, false);
    EXPECT_EQ(fixed.status, again.status);
    EXPECT_EQ(fixed.verdict, again.verdict);
    EXPECT_EQ(hosttest::RunCommand("qpdf --check " + hosttest::Quoted(work_.File("out.pdf")) + " > /dev/null 2>&1"),
              0);
  }
  // Every page of `file`, in order, as pdftoppm draws it (or Ghostscript).
  std::vector<Picture> Render(const std::string& file, bool ghostscript) {
    const std::string prefix = work_.File(file + "-page"), dpi = std::to_string(kDpi);
    hosttest::RunCommand("rm -f " + hosttest::Quoted(prefix) + "*; " +
                         (ghostscript ? "gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=ppmraw -r" + dpi + " -sOutputFile=" +
                                            hosttest::Quoted(prefix + "-%03d.ppm") + " "
                                      : "pdftoppm -r " + dpi + " ") +
                         hosttest::Quoted(work_.File(file)) + (ghostscript ? "" : " " + hosttest::Quoted(prefix)) +
                         " > /dev/null 2>&1");
    std::string listed;
    hosttest::RunCommand("ls " + hosttest::Quoted(prefix) + "*.ppm", &listed);
    std::vector<Picture> pages;
    std::istringstream lines(listed);
    for (std::string path; std::getline(lines, path);) pages.push_back(ReadPpm(path));
    return pages;
  }
  // in.pdf and out.pdf drawn, `pages` pages each: the first's pages, then
  // the second's.
  std::vector<Picture> BeforeAndAfter(size_t pages, bool ghostscript = false) {
    std::vector<Picture> both = Render("in.pdf", ghostscript), after = Render("out.pdf", ghostscript);
    EXPECT_EQ(both.size(), pages);
    EXPECT_EQ(after.size(), pages);
    both.resize(pages);
    after.resize(pages);
    both.insert(both.end(), after.begin(), after.end());
    return both;
  }
  hosttest::TempDir work_, settings_;
};

// --- operators beside colour operators

// A stream of pieces, each ending in an operator, without the piece `gone`
// wherever it stands. A removed piece takes the blank before it; the first
// of a stream leaves the one after it.
std::string Join(const std::vector<std::string>& pieces, const std::string& gone = "") {
  std::string text;
  for (size_t i = 0; i < pieces.size(); ++i)
    if (pieces[i] != gone) text += (i == 0 ? "" : " ") + pieces[i];
  return text;
}

TEST_F(FixLookTest, OperatorsTakenOutAreOnlyThoseTheRecordsName) {
  const struct {
    const char* written;  // with its operands
    bool removedX1a, removedX3;
  } removable[] = {
      {"/Perceptual ri", true, false},
      {"BX", true, true},
      {"EX", false, false},                // alone, no record asks for it
      {"1 xx", true, true},                 // no operator of PDF 1.3
      {"(0 0 moveto) PS", false, false},  // an error no fix repairs
  };
  const char* const colours[] = {"rg", "RG", "k", "K", "g", "G", "cs", "CS", "sc", "SC", "scn", "SCN"};
  auto colour = [](const std::string& op, int n) {
    const std::string v = "0." + std::to_string(n);
    if (op == "rg" || op == "RG") return v + " 0.6 0.2 " + op;
    if (op == "k" || op == "K") return v + " 0 0.5 0 " + op;
    if (op == "cs" || op == "CS") return "/DeviceGray " + op;
    return v + " " + op;
  };
  // Each page: a /Contents array of three streams and a form; the operator
  // at the start, in the middle and at the end of a stream, before and
  // after the colour operator, and the colour set at a stream's end
  // painting in the next.
  struct Page {
    std::vector<std::vector<std::string>> streams;  // the three, then the form
    std::string gone;
    bool removedX1a, removedX3;
  };
  std::vector<Page> pages;
  std::vector<PageSpec> specs;
  const std::string box = "/MediaBox [0 0 220 120] /TrimBox [0 0 220 120] ";
  for (const auto& r : removable) {
    for (const char* c : colours) {
      const std::string R = r.written;
      auto P = [&](int n) { return colour(c, n); };
      Page page{{{R, P(1), "10 10 30 30 re B", P(2), R, "50 10 30 30 re B", "q", R, P(3), "90 10 30 30 re B", "Q",
                  P(4), R},
                 {R, "130 10 30 30 re B", "/Fm1 Do", R, P(5)},
                 {"170 10 30 30 re B"},
                 {P(6), R, "10 60 30 30 re B", R, P(7), "50 60 30 30 re B", P(8), R}},
                R, r.removedX1a, r.removedX3};
      specs.push_back({box + "/Contents [@1 @2 @3] /Resources << /XObject << /Fm1 @4 >> >>",
                       {"stream:|" + Join(page.streams[0]), "stream:|" + Join(page.streams[1]),
                        "stream:|" + Join(page.streams[2]),
                        "stream:/Type /XObject /Subtype /Form /BBox [0 0 220 120]|" + Join(page.streams[3])}});
      pages.push_back(page);
    }
  }
  // A last page shares the first one's content and form: each page's
  // record is repaired, the content written anew once.
  specs.push_back({box + "/Contents [4 0 R 5 0 R 6 0 R] /Resources << /XObject << /Fm1 7 0 R >> >>", {}});
  pages.push_back(pages.front());
  const std::string pdf = PagesPdf(specs);

  for (const char* standard : {kX1a, kX3}) {
    SCOPED_TRACE(standard);
    FixAndRecheck(pdf, standard);
    QPDF saved;
    saved.processFile(work_.File("out.pdf").c_str());
    const std::vector<QPDFPageObjectHelper> savedPages = QPDFPageDocumentHelper(saved).getAllPages();
    ASSERT_EQ(savedPages.size(), pages.size());
    for (size_t i = 0; i < pages.size(); ++i) {
      const Page& page = pages[i];
      const bool removed = standard == std::string(kX1a) ? page.removedX1a : page.removedX3;
      QPDFObjectHandle dict = savedPages[i].getObjectHandle();
      std::vector<QPDFObjectHandle> streams = dict.getKey("/Contents").getArrayAsVector();
      streams.push_back(dict.getKey("/Resources").getKey("/XObject").getKey("/Fm1"));
      ASSERT_EQ(streams.size(), 4u) << "page " << i + 1;
      for (size_t s = 0; s < 4; ++s) {
        const std::shared_ptr<Buffer> data = streams[s].getStreamData(qpdf_dl_generalized);
        const std::string kept(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
        EXPECT_EQ(kept, Join(page.streams[s], removed ? page.gone : ""))
            << "page " << i + 1 << ", stream " << s + 1;
      }
    }
    // What the removed operators drew: nothing.
    const std::vector<Picture> drawn = BeforeAndAfter(pages.size());
    for (size_t i = 0; i < pages.size(); ++i)
      EXPECT_EQ(Differences(drawn[i], drawn[pages.size() + i], 120, nullptr), "") << "page " << i + 1;
  }
}

// --- JPEG 2000 images

TEST_F(FixLookTest, JpegTwoThousandImagesRecompressedKeepTheirPixels) {
  struct Image {
    uint32_t bits, components, width;
    bool indexed, jp2;
    uint32_t declared;  // the dictionary's depth
  };
  std::vector<Image> images;
  for (uint32_t bits : {1u, 2u, 4u, 8u})
    for (uint32_t components : {0u, 1u, 3u, 4u})  // 0: indexed
      for (uint32_t width : {16u, 13u})           // rows that fill their bytes, and rows that do not
        for (bool jp2 : {true, false})
          images.push_back(Image{bits, components ? components : 1, width, components == 0, jp2, bits});
  // A depth its samples do not fit: they stay 8 bits.
  images.push_back(Image{8, 1, 13, false, false, 4});
  images.push_back(Image{8, 1, 13, true, true, 4});
  const uint32_t height = 5;
  std::vector<PageSpec> specs;
  for (const Image& image : images) {
    const uint32_t top = (1u << image.bits) - 1;
    const std::string codestream = hosttest::JpxCodestream(
        image.width, height, image.components,
        [&](uint32_t i, uint32_t c) { return static_cast<int>((i * 7 + c * 5 + i / image.width) % (top + 1)); },
        image.bits);
    const std::string data =
        image.jp2 ? hosttest::Jp2File(codestream, image.width, height, image.components, image.bits) : codestream;
    std::string space = image.components == 4 ? "/DeviceCMYK" : image.components == 3 ? "/DeviceRGB" : "/DeviceGray";
    if (image.indexed) {
      space = "[/Indexed /DeviceRGB " + std::to_string(top) + " <";
      for (uint32_t i = 0; i <= top; ++i) {
        char entry[8];
        std::snprintf(entry, sizeof entry, "%02x%02x%02x", i * 97 % 256, 255 - i, i * 53 % 256);
        space += entry;
      }
      space += ">]";
    }
    specs.push_back({"/MediaBox [0 0 130 50] /TrimBox [0 0 130 50] /Contents @1 /Resources << /XObject << /Im1 @2 >> >>",
                     {"stream:|q 130 0 0 50 0 0 cm /Im1 Do Q",
                      "stream:/Type /XObject /Subtype /Image /Width " + std::to_string(image.width) + " /Height " +
                          std::to_string(height) + " /BitsPerComponent " + std::to_string(image.declared) +
                          " /ColorSpace " + space + " /Filter /JPXDecode|" + data}});
  }
  FixAndRecheck(PagesPdf(specs), kX3);

  // Each image now Flate data of its own depth, drawn as it was.
  std::string listed;
  hosttest::RunCommand("pdfimages -list " + hosttest::Quoted(work_.File("out.pdf")) + " 2>/dev/null | tail -n +3",
                       &listed);
  std::istringstream rows(listed);
  // pdftoppm draws JPEG 2000 colour samples of fewer than 8 bits short of
  // their full range (shifted, not scaled); Ghostscript draws them all.
  const size_t n = images.size();
  const std::vector<Picture> drawn = BeforeAndAfter(n), gs = BeforeAndAfter(n, true);
  for (size_t i = 0; i < n; ++i) {
    const Image& image = images[i];
    SCOPED_TRACE(std::to_string(image.bits) + " bits, " + (image.indexed ? "indexed" : std::to_string(image.components)) +
                 " components, " + std::to_string(image.width) + " wide, " + (image.jp2 ? "JP2" : "codestream"));
    std::string row;
    std::getline(rows, row);
    std::istringstream fields(row);
    std::string page, num, type, width, h, color, comp, bpc, enc;
    fields >> page >> num >> type >> width >> h >> color >> comp >> bpc >> enc;
    EXPECT_EQ(bpc, std::to_string(image.bits)) << row;
    EXPECT_EQ(enc, "image") << row;
    // Ghostscript reads JPEG 2000 samples at the dictionary's depth, which
    // a reader is to ignore.
    if (image.declared == image.bits) {
      EXPECT_EQ(Differences(gs[i], gs[n + i], 50, nullptr), "") << "Ghostscript";
    }
    if (image.indexed || image.bits == 8) {
      EXPECT_EQ(Differences(drawn[i], drawn[n + i], 50, nullptr), "") << "pdftoppm";
    }
  }
}

// --- every repair

TEST_F(FixLookTest, EveryRepairKeepsThePageAsItLooked) {
  auto form = [](const std::string& entries, const std::string& data) {
    return [=](standardstest::Document& d) {
      d.AddResource("XObject", "Fm1",
                    std::to_string(d.Add("stream:/Type /XObject /Subtype /Form /BBox [0 0 612 792] " + entries + "|" +
                                         data)) +
                        " 0 R");
      d.content += " /Fm1 Do";
    };
  };
  const Box square{100, 100, 200, 200}, appearance{100, 300, 200, 400};
  const struct {
    const char* variant;  // of the generator; "" for the change alone
    std::function<void(standardstest::Document&)> change;
    const char* standard;  // null: both
    const Box* changes;    // where the page may look otherwise; null: nowhere
  } rows[] = {
      {"no-file-identifier", nullptr, nullptr, nullptr},
      {"no-title-or-creator", nullptr, kX1a, nullptr},
      {"trapped-unknown", nullptr, kX3, nullptr},
      {"version-without-conformance", nullptr, nullptr, nullptr},
      {"transfer-function-state", nullptr, kX1a, nullptr},
      {"art-and-trim-box", nullptr, kX3, nullptr},
      {"no-trim-box", nullptr, kX1a, nullptr},
      {"ri-operator", nullptr, kX1a, nullptr},
      {"lzw-image", nullptr, kX1a, nullptr},
      // One stream both recompressed and rid of an operator.
      {"", form("/Filter /LZWDecode", standardstest::LzwEncoded("0 0 1 0 k /Perceptual ri 300 300 100 100 re f")),
       kX1a, nullptr},
      {"", form("/Filter /LZWDecode", standardstest::LzwEncoded("0 0 1 0 k BX 300 300 100 100 re f EX")), kX3,
       nullptr},
      // An inline image on a page without resources, which it needs none of.
      {"",
       [](standardstest::Document& d) {
         d.content = "/Perceptual ri " + d.content + " q 100 0 0 100 300 300 cm BI /W 1 /H 1 /CS /CMYK /BPC 8 ID " +
                     std::string("\x10\x80\x30\x40") + " EI Q";
       },
       kX1a, nullptr},
      {"no-output-intents", nullptr, nullptr, nullptr},
      {"empty-output-intents", nullptr, kX1a, nullptr},
      {"press-intent-without-profile", nullptr, kX3, nullptr},
      {"press-intent-garbage-profile", nullptr, kX1a, nullptr},
      {"default-gray-space", nullptr, kX1a, nullptr},
      {"image-soft-mask-none", nullptr, nullptr, nullptr},
      {"javascript-open-action", nullptr, kX3, nullptr},
      {"square-annotation", nullptr, kX1a, &square},
      {"rgb-appearance-in-trim", nullptr, kX3, &appearance},
      {"appearance-drawn-by-page", nullptr, kX1a, &appearance},
  };
  for (const auto& row : rows) {
    for (const char* standard : {kX1a, kX3}) {
      if (row.standard && row.standard != std::string(standard)) continue;
      SCOPED_TRACE(std::string(*row.variant ? row.variant : "a changed baseline") + " under " + standard);
      standardstest::Document document =
          *row.variant ? standardstest::Make(standard, row.variant) : standardstest::Baseline(standard);
      if (row.change) row.change(document);
      FixAndRecheck(document.Pdf(), standard);
      const std::vector<Picture> drawn = BeforeAndAfter(1);
      EXPECT_EQ(Differences(drawn[0], drawn[1], 792, row.changes), "");
      if (row.changes) {
        EXPECT_NE(Differences(drawn[0], drawn[1], 792, nullptr), "") << "the annotation is gone";
      }
    }
  }
}

}  // namespace
