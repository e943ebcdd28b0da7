// `plughost images` on documents made here whose images stand where real
// files put them: inside forms, on pages that share their resources, as
// masks, in places the plug-in does not reach; read back by pdfimages.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "plughost_runs.h"

namespace {

std::string Ref(int object) { return std::to_string(object) + " 0 R"; }

// Objects 1 catalog and 2 pages, then what Add adds; Page adds a page.
struct Document {
  hosttest::PdfSpec spec;
  std::vector<int> pages;
  Document() { spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>", ""}; }
  int Add(const std::string& body) {
    spec.objects.push_back(body);
    return static_cast<int>(spec.objects.size());
  }
  void Page(const std::string& resources, const std::string& content, const std::string& more = "") {
    const int contents = Add("stream:|" + content);
    pages.push_back(Add("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources " + resources +
                        " /Contents " + Ref(contents) + " " + more + " >>"));
  }
  std::string Pdf() {
    std::string kids;
    for (int page : pages) kids += Ref(page) + " ";
    spec.objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) + " >>";
    return hosttest::MakePdf(spec);
  }
};

std::string Gray(int w, int h, const std::string& more = "") {
  std::string data(static_cast<size_t>(w * h), '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 % 251);
  return "stream:/Type /XObject /Subtype /Image /Width " + std::to_string(w) + " /Height " + std::to_string(h) +
         " /ColorSpace /DeviceGray /BitsPerComponent 8 " + more + "|" + data;
}
std::string Form(const std::string& matrix, const std::string& xobjects, const std::string& content,
                 const std::string& more = "") {
  return "stream:/Type /XObject /Subtype /Form /BBox [0 0 1000 1000] /Matrix [" + matrix +
         "] /Resources << /XObject << " + xobjects + " >> >> " + more + "|" + content;
}

class PlacementsRunTest : public ::testing::Test {
 protected:
  hosttest::ProcessResult Images(const std::string& pdf, std::vector<std::string> args) {
    static const hosttest::PluginsFolder alone({GLIMMERSET_PLUGIN});
    hosttest::WriteFile(work_.File("in.pdf"), pdf);
    args.insert(args.begin(), {PLUGHOST, "images", work_.File("in.pdf")});
    args.insert(args.end(), {"--output", Out(), "--plugins", alone.path(), "--settings", settings_.path()});
    return hosttest::RunProcess(args, "", alternatestest::kRunBound);
  }
  std::string Out() const { return work_.File("out.pdf"); }
  // pdfimages -list of the output: page, type, width, height, x-ppi, y-ppi.
  std::vector<std::vector<std::string>> Listed() {
    std::string list;
    hosttest::RunCommand("pdfimages -list " + hosttest::Quoted(Out()) + " | tail -n +3", &list);
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(list);
    for (std::string line; std::getline(lines, line);) {
      std::istringstream f(line);
      std::vector<std::string> v;
      for (std::string w; f >> w;) v.push_back(w);
      if (v.size() >= 14) rows.push_back({v[0], v[2], v[3], v[4], v[12], v[13]});
    }
    return rows;
  }
  hosttest::TempDir settings_, work_;
};

// One image a page, placed through forms at scales 1, 0.75, 0.43082 and 3,
// through a form in a form, a form whose matrix scales its axes apart, a
// form inside marked content and a transparency group; and one image drawn
// both directly and through a form at half the size. At 150 dpi each comes
// out at 150 ppi on its page (within rounding); the one drawn twice at 150
// where it is largest and 300 in the form.
TEST_F(PlacementsRunTest, ImagesInFormsGetTheResolutionOnThePage) {
  Document d;
  auto drawn = [](int side) {
    return "q " + std::to_string(side) + " 0 0 " + std::to_string(side) + " 0 0 cm /I Do Q";
  };
  // Sides whose 150 ppi is a whole number of pixels where the scale makes them small.
  const struct {
    std::string cm;  // the form's placement on the page
    std::string matrix;
    int pixels, side;
    std::string around;  // the placement wrapped: "%" for it
  } pages[] = {
      {"1 0 0 1 10 10", "1 0 0 1 0 0", 300, 100, ""},
      {"0.75 0 0 0.75 10 10", "1 0 0 1 0 0", 300, 100, ""},
      {"0.43082 0 0 0.43082 0 0", "1 0 0 1 0 0", 300, 100, ""},
      {"3 0 0 3 0 0", "1 0 0 1 0 0", 1000, 100, ""},
      {"1 0 0 1 0 0", "0.5 0 0 0.25 0 0", 300, 144, ""},
      {"0.5 0 0 0.5 0 0", "1 0 0 1 0 0", 300, 100, "/Span BMC % EMC"},
  };
  for (const auto& p : pages) {
    const int image = d.Add(Gray(p.pixels, p.pixels));
    const int form = d.Add(Form(p.matrix, "/I " + Ref(image), drawn(p.side)));
    std::string placed = "q " + p.cm + " cm /F Do Q";
    if (!p.around.empty())
      placed = p.around.substr(0, p.around.find('%')) + placed + p.around.substr(p.around.find('%') + 1);
    d.Page("<< /XObject << /F " + Ref(form) + " >> >>", placed);
  }
  // A form in a form: 0.5 by the placement, 0.5 by the inner form's matrix.
  const int deep = d.Add(Gray(200, 200));
  const int inner = d.Add(Form("0.5 0 0 0.5 0 0", "/I " + Ref(deep), drawn(144)));
  const int outer = d.Add(Form("1 0 0 1 0 0", "/G " + Ref(inner), "/G Do"));
  d.Page("<< /XObject << /F " + Ref(outer) + " >> >>", "q 0.5 0 0 0.5 0 0 cm /F Do Q");
  // A transparency group at 0.75.
  const int grouped = d.Add(Gray(300, 300));
  const int group = d.Add(Form("0.75 0 0 0.75 0 0", "/I " + Ref(grouped), drawn(100), "/Group << /S /Transparency >>"));
  d.Page("<< /XObject << /F " + Ref(group) + " >> >>", "/F Do");
  // Drawn at 100 points and through a form at 50.
  const int twice = d.Add(Gray(300, 300));
  const int half = d.Add(Form("0.5 0 0 0.5 0 0", "/I " + Ref(twice), drawn(100)));
  d.Page("<< /XObject << /I " + Ref(twice) + " /F " + Ref(half) + " >> >>", drawn(100) + " q 1 0 0 1 200 0 cm /F Do Q");

  const hosttest::ProcessResult run = Images(d.Pdf(), {"--modify", "--resolution", "150"});
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_EQ(run.out, "IMAGES: 9 converted, 0 left as they were\nSAVED: " + Out() + "\n");
  const std::vector<std::vector<std::string>> listed = Listed();
  ASSERT_EQ(listed.size(), 10u);
  for (size_t i = 0; i < listed.size(); ++i) {
    SCOPED_TRACE(listed[i][0] + " " + listed[i][2] + "x" + listed[i][3]);
    const int asked = i == 9 ? 300 : 150;
    EXPECT_NEAR(std::atoi(listed[i][4].c_str()), asked, 1);
    EXPECT_NEAR(std::atoi(listed[i][5].c_str()), asked, 1);
  }
}

// Four pages share one resources dictionary, which lists every image, the
// masks among them: an image drawn only on the last page, a soft mask with
// /Matte, one without, an image mask, one image drawn nowhere. Only that
// one is SKIPPED; each image is converted at 150 ppi on its page, the mask
// with /Matte at its image's new size, the other masks as they were.
TEST_F(PlacementsRunTest, SharedResourcesMasksAndLatePagesTellTheTruth) {
  Document d;
  const int a = d.Add(Gray(300, 300)), late = d.Add(Gray(300, 300)), nowhere = d.Add(Gray(50, 50));
  const int matte = d.Add(Gray(300, 300, "/Matte [0]")), plain = d.Add(Gray(600, 600));
  const int stencil = d.Add("stream:/Type /XObject /Subtype /Image /Width 300 /Height 300 /ImageMask true|" +
                            std::string(300 * 38, '\x0f'));
  const int softened = d.Add(Gray(300, 300, "/SMask " + Ref(matte)));
  const int soft = d.Add(Gray(300, 300, "/SMask " + Ref(plain)));
  const int masked = d.Add(Gray(300, 300, "/Mask " + Ref(stencil)));
  const int resources = d.Add("<< /XObject << /A " + Ref(a) + " /B " + Ref(late) + " /N " + Ref(nowhere) + " /S " +
                              Ref(matte) + " /T " + Ref(plain) + " /K " + Ref(stencil) + " /P " + Ref(softened) +
                              " /Q " + Ref(soft) + " /R " + Ref(masked) + " >> >>");
  const std::string at = "q 100 0 0 100 0 0 cm ";
  d.Page(Ref(resources), at + "/A Do Q");
  d.Page(Ref(resources), at + "/Q Do Q");
  d.Page(Ref(resources), at + "/P Do Q q 100 0 0 100 200 0 cm /R Do Q");
  d.Page(Ref(resources), at + "/B Do Q");

  const hosttest::ProcessResult run = Images(d.Pdf(), {"--modify", "--resolution", "150"});
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.out, "SKIPPED: page 1, object " + std::to_string(nowhere) +
                         ": it is drawn nowhere, so the resolution gives it no size\n"
                         "IMAGES: 5 converted, 1 left as they were\nSAVED: " + Out() + "\n");
  // Page, type and size of each image drawn, the masks after their images.
  std::string seen;
  for (const auto& row : Listed()) seen += row[0] + " " + row[1] + " " + row[2] + "x" + row[3] + "\n";
  EXPECT_EQ(seen, "1 image 209x209\n2 image 209x209\n2 smask 600x600\n3 image 209x209\n3 smask 209x209\n"
                  "3 image 209x209\n3 mask 300x300\n4 image 209x209\n");
}

// Images the walk reaches (with /Type or without), and those it does not:
// inline, in an annotation's appearance, a tiling pattern, a soft mask.
// Each run counts the latter; one that has only those says so.
TEST_F(PlacementsRunTest, ImagesThePlugInDoesNotReachAreCounted) {
  const std::string plain = Gray(40, 40), untyped = "stream:/Subtype /Image /Width 40 /Height 40 "
                                                    "/ColorSpace /DeviceGray /BitsPerComponent 8|" +
                                                    std::string(1600, 'x');
  const std::string inlined = "q 10 0 0 10 300 300 cm BI /W 2 /H 2 /CS /G /BPC 8 ID abcd EI Q";
  auto annotated = [&](Document& d, int image) {
    const int appearance = d.Add(Form("1 0 0 1 0 0", "/U " + Ref(image), "q 50 0 0 50 0 0 cm /U Do Q"));
    return d.Add("<< /Type /Annot /Subtype /Square /Rect [300 300 350 350] /AP << /N " + Ref(appearance) + " >> >>");
  };
  const std::string notReached = " (inline images, images in patterns, annotation appearances or soft masks)";
  struct Row {
    const char* name;
    std::string pdf;
    std::vector<std::string> args;
    int status;
    std::string out, stop;
  };
  std::vector<Row> rows;
  {
    Document d;
    const int one = d.Add(untyped), two = d.Add(untyped);
    d.Page("<< /XObject << /A " + Ref(one) + " /B " + Ref(two) + " >> >>", "q 40 0 0 40 0 0 cm /A Do /B Do Q");
    rows.push_back({"images without /Type", d.Pdf(), {"--percent", "50"}, 0, "IMAGES: 2 converted, 0 left as they were\n", ""});
  }
  {
    Document d;
    const int drawn = d.Add(plain), shown = d.Add(plain), tiled = d.Add(plain), masked = d.Add(plain);
    const int annot = annotated(d, shown);
    const int pattern = d.Add("stream:/PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 40 40] /XStep 40 "
                              "/YStep 40 /Resources << /XObject << /T " + Ref(tiled) + " >> >>|q 40 0 0 40 0 0 cm /T Do Q");
    const int group = d.Add(Form("1 0 0 1 0 0", "/M " + Ref(masked), "q 40 0 0 40 0 0 cm /M Do Q",
                                 "/Group << /S /Transparency /CS /DeviceGray >>"));
    d.Page("<< /XObject << /A " + Ref(drawn) + " >> /Pattern << /P " + Ref(pattern) +
               " >> /ExtGState << /G << /SMask << /S /Luminosity /G " + Ref(group) + " >> >> >> >>",
           "q 40 0 0 40 0 0 cm /A Do Q /G gs /Pattern cs /P scn 0 0 100 100 re f " + inlined,
           "/Annots [" + Ref(annot) + "]");
    rows.push_back({"one image of five reached", d.Pdf(), {"--percent", "50"}, 1,
                    "NOT REACHED: 4 images" + notReached + ", left as they were\n"
                    "IMAGES: 1 converted, 0 left as they were, 4 not reached\n", ""});
  }
  {
    Document d;
    const int annot = annotated(d, d.Add(plain));
    d.Page("<< >>", "0 0 m 1 1 l S", "/Annots [" + Ref(annot) + "]");
    rows.push_back({"only an annotation's image", d.Pdf(), {"--percent", "50"}, 2,
                    "NOT REACHED: 1 image" + notReached + ", left as it was\n"
                    "IMAGES: 0 converted, 0 left as they were, 1 not reached\n",
                    "the images were not changed: the document's images are all where the plug-in does not reach "
                    "them" + notReached});
  }
  {
    Document d;
    d.Page("<< >>", inlined);
    rows.push_back({"only an inline image", d.Pdf(), {"--percent", "50"}, 2,
                    "NOT REACHED: 1 image" + notReached + ", left as it was\n"
                    "IMAGES: 0 converted, 0 left as they were, 1 not reached\n",
                    "the images were not changed: the document's images are all where the plug-in does not reach "
                    "them" + notReached});
  }
  {
    Document d;
    const int mask = d.Add("stream:/Type /XObject /Subtype /Image /Width 100 /Height 100 /ImageMask true|" +
                           std::string(1300, '\x55'));
    d.Page("<< /XObject << /K " + Ref(mask) + " >> >>", "q 100 0 0 100 0 0 cm /K Do Q");
    rows.push_back({"an image mask over a kilobyte", d.Pdf(), {"--keep-resolution", "--which", "kb:1"}, 0,
                    "IMAGES: 1 converted, 0 left as they were\n", ""});
  }
  {
    Document d;
    const int image = d.Add(plain);
    const int annot = annotated(d, image);
    d.Page("<< /XObject << /U " + Ref(image) + " >> >>", "0 0 m 1 1 l S", "/Annots [" + Ref(annot) + "]");
    rows.push_back({"held by the page, drawn by an annotation", d.Pdf(), {"--resolution", "150", "--which", "all"}, 2,
                    "SKIPPED: page 1, object 3: it is drawn only where the plug-in does not look (an annotation's "
                    "appearance, a pattern or a soft mask), so the resolution gives it no size\n"
                    "IMAGES: 0 converted, 1 left as they were\n",
                    "the images were not changed: each image was left as it was"});
  }
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::string> args = {"--modify"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    const hosttest::ProcessResult run = Images(row.pdf, args);
    EXPECT_EQ(run.status, row.status) << run.err;
    EXPECT_EQ(run.out, row.out + (row.status == 2 ? "" : "SAVED: " + Out() + "\n"));
    EXPECT_EQ(run.err, row.stop.empty() ? "" : "plughost: " + row.stop + "\n");
    ::unlink(Out().c_str());
  }
}

}  // namespace
