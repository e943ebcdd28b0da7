// `plughost images --modify --resolution 150` on documents whose images stand
// where real files put them: inside forms, on pages that share their
// resources, as masks; each image drawn is read back by pdfimages.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "plughost_runs.h"

namespace {

std::string Ref(size_t object) { return std::to_string(object) + " 0 R"; }

// Objects 1 catalog and 2 pages, then what Add adds.
struct Document {
  hosttest::PdfSpec spec{"1.4", {"<< /Type /Catalog /Pages 2 0 R >>", ""}};
  std::string kids;
  size_t pages = 0;
  size_t Add(const std::string& body) { return spec.objects.push_back(body), spec.objects.size(); }
  void Page(const std::string& resources, const std::string& content) {
    ++pages;
    kids += Ref(Add("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources " + resources + " /Contents " +
                    Ref(Add("stream:|" + content)) + " >>")) + " ";
  }
  std::string Pdf() {
    spec.objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>";
    return hosttest::MakePdf(spec);
  }
};

std::string Gray(int side, const std::string& more = "") {
  return "stream:/Type /XObject /Subtype /Image /Width " + std::to_string(side) + " /Height " + std::to_string(side) +
         " /ColorSpace /DeviceGray /BitsPerComponent 8 " + more + "|" + std::string(size_t(side) * side, 'g');
}
std::string Form(const std::string& matrix, const std::string& xobjects, int side) {
  return "stream:/Type /XObject /Subtype /Form /BBox [0 0 1000 1000] /Matrix [" + matrix + "] /Resources << /XObject << " +
         xobjects + " >> >>|q " + std::to_string(side) + " 0 0 " + std::to_string(side) + " 0 0 cm /I Do Q";
}

// The run's output, each image pdfimages lists as "page type WxH x-ppi y-ppi".
std::vector<std::string> Converted(const std::string& pdf, const hosttest::TempDir& work, std::string* out) {
  static const hosttest::PluginsFolder alone({GLIMMERSET_PLUGIN});
  hosttest::TempDir settings;
  hosttest::WriteFile(work.File("in.pdf"), pdf);
  const hosttest::ProcessResult run = hosttest::RunProcess(
      {PLUGHOST, "images", work.File("in.pdf"), "--modify", "--resolution", "150", "--output", work.File("out.pdf"),
       "--plugins", alone.path(), "--settings", settings.path()},
      "", alternatestest::kRunBound);
  *out = run.out + run.err;
  std::string list;
  hosttest::RunCommand("pdfimages -list " + work.File("out.pdf") + " 2>/dev/null | tail -n +3 | awk '{print $1, $3, $4 \"x\" $5, $13, $14}'",
                       &list);
  std::vector<std::string> rows;
  std::istringstream lines(list);
  for (std::string line; std::getline(lines, line);) rows.push_back(line);
  return rows;
}

// One image a page through forms placed at 1, 0.75, 0.43082 and 3, a form
// whose matrix scales its axes apart, one in marked content, a form whose
// own resources lack the name the page's hold, a form in a form; then one
// image drawn at 100 points and through a form at half: at 150 dpi each
// comes out at 150 ppi on its page (within rounding), the one drawn twice
// at 150 where it is largest and 300 in the form.
TEST(PlacementsRunTest, ImagesInFormsGetTheResolutionOnThePage) {
  Document d;
  const struct {
    std::string placed, matrix;  // "%" in `placed` for the form
    int pixels, side;
  } pages[] = {
      {"q 1 0 0 1 10 10 cm %", "1 0 0 1 0 0", 300, 100},          {"q 0.75 0 0 0.75 10 10 cm %", "1 0 0 1 0 0", 300, 100},
      {"q 0.43082 0 0 0.43082 0 0 cm %", "1 0 0 1 0 0", 300, 100}, {"q 3 0 0 3 0 0 cm %", "1 0 0 1 0 0", 1000, 100},
      {"q %", "0.5 0 0 0.25 0 0", 300, 144},                       {"/Span BMC q 0.5 0 0 0.5 0 0 cm % EMC", "1 0 0 1 0 0", 300, 100},
  };
  for (const auto& p : pages) {
    const size_t form = d.Add(Form(p.matrix, "/I " + Ref(d.Add(Gray(p.pixels))), p.side));
    d.Page("<< /XObject << /F " + Ref(form) + " >> >>", p.placed.substr(0, p.placed.find('%')) + "/F Do Q" +
                                                            p.placed.substr(p.placed.find('%') + 1));
  }
  d.Page("<< /XObject << /I " + Ref(d.Add(Gray(300))) + " /F " + Ref(d.Add(Form("0.5 0 0 0.5 0 0", "", 200))) + " >> >>",
         "/F Do");
  const size_t inner = d.Add(Form("0.5 0 0 0.5 0 0", "/I " + Ref(d.Add(Gray(200))), 144));
  d.Page("<< /XObject << /F " + Ref(d.Add(Form("1 0 0 1 0 0", "/I " + Ref(inner), 1))) + " >> >>",
         "q 0.5 0 0 0.5 0 0 cm /F Do Q");
  const size_t twice = d.Add(Gray(300));
  d.Page("<< /XObject << /I " + Ref(twice) + " /F " + Ref(d.Add(Form("0.5 0 0 0.5 0 0", "/I " + Ref(twice), 100))) +
             " >> >>",
         "q 100 0 0 100 0 0 cm /I Do Q q 1 0 0 1 200 0 cm /F Do Q");
  std::string out;
  const std::vector<std::string> listed = Converted(d.Pdf(), hosttest::TempDir(), &out);
  EXPECT_NE(out.find("IMAGES: 9 converted, 0 left as they were"), std::string::npos) << out;
  ASSERT_EQ(listed.size(), 10u) << out;
  for (size_t i = 0; i < listed.size(); ++i) {
    std::istringstream f(listed[i]);
    std::string page, type, size;
    int x = 0, y = 0;
    f >> page >> type >> size >> x >> y;
    EXPECT_NEAR(x, i == 9 ? 300 : 150, 1) << listed[i];
    EXPECT_NEAR(y, i == 9 ? 300 : 150, 1) << listed[i];
  }
}

// Four pages name one resources dictionary, which lists every image, masks
// among them: one image drawn only on the last page, a soft mask with
// /Matte, one without, a stencil /Mask, an image drawn nowhere. Only that
// one is SKIPPED; each image drawn is at 150 ppi on its page, the /Matte
// mask at its image's new size, the other masks as they were.
TEST(PlacementsRunTest, SharedResourcesMasksAndLatePagesTellTheTruth) {
  Document d;
  const size_t a = d.Add(Gray(300)), late = d.Add(Gray(300)), nowhere = d.Add(Gray(50));
  const size_t matte = d.Add(Gray(300, "/Matte [0]")), plain = d.Add(Gray(600));
  const size_t stencil = d.Add("stream:/Type /XObject /Subtype /Image /Width 300 /Height 300 /ImageMask true|" +
                               std::string(300 * 38, '\x0f'));
  const std::string all = "<< /XObject << /A " + Ref(a) + " /B " + Ref(late) + " /N " + Ref(nowhere) + " /S " +
                          Ref(matte) + " /T " + Ref(plain) + " /K " + Ref(stencil) + " /P " +
                          Ref(d.Add(Gray(300, "/SMask " + Ref(matte)))) + " /Q " +
                          Ref(d.Add(Gray(300, "/SMask " + Ref(plain)))) + " /R " +
                          Ref(d.Add(Gray(300, "/Mask " + Ref(stencil)))) + " >> >>";
  const std::string shared = Ref(d.Add(all)), at = "q 100 0 0 100 0 0 cm ";
  for (const char* content : {"/A Do Q", "/Q Do Q", "/P Do Q q 100 0 0 100 200 0 cm /R Do Q", "/B Do Q"})
    d.Page(shared, at + content);
  std::string out;
  std::string seen;
  for (const std::string& row : Converted(d.Pdf(), hosttest::TempDir(), &out)) seen += row + "\n";
  EXPECT_EQ(out.substr(0, out.find("SAVED")), "SKIPPED: page 1, object " + std::to_string(nowhere) +
                                                  ": it is drawn nowhere, so the resolution gives it no size\n"
                                                  "IMAGES: 5 converted, 1 left as they were\n");
  EXPECT_EQ(seen, "1 image 209x209 150 150\n2 image 209x209 150 150\n2 smask 600x600 432 432\n"
                  "3 image 209x209 150 150\n3 smask 209x209 150 150\n3 image 209x209 150 150\n"
                  "3 mask 300x300 216 216\n4 image 209x209 150 150\n");
}

// Names with a stray "#", alike in content and resources, on a page, in a
// form, and for one image two pages name apart: each is found as the
// library reads it, converted and replaced under its own name.
TEST(PlacementsRunTest, NamesWithAStrayHashAreFoundAsTheLibraryReadsThem) {
  Document d;
  const size_t a = d.Add(Gray(300)), b = d.Add(Gray(300)), inForm = d.Add(Gray(300));
  const size_t form = d.Add("stream:/Type /XObject /Subtype /Form /BBox [0 0 1000 1000] /Resources << /XObject << /D#zz " +
                            Ref(inForm) + " >> >>|q 100 0 0 100 0 0 cm /D#zz Do Q");
  d.Page("<< /XObject << /Im# " + Ref(a) + " /B#4G " + Ref(b) + " /F#G1 " + Ref(form) + " >> >>",
         "q 100 0 0 100 0 0 cm /Im# Do Q q 100 0 0 100 200 0 cm /B#4G Do Q q 1 0 0 1 0 300 cm /F#G1 Do Q");
  d.Page("<< /XObject << /E#41# " + Ref(a) + " >> >>", "q 50 0 0 50 0 0 cm /E#41# Do Q");
  std::string out, seen;
  for (const std::string& row : Converted(d.Pdf(), hosttest::TempDir(), &out)) seen += row + "\n";
  EXPECT_EQ(out.substr(0, out.find("SAVED")), "IMAGES: 3 converted, 0 left as they were\n");
  EXPECT_EQ(seen, "1 image 209x209 150 150\n1 image 209x209 150 150\n1 image 209x209 150 150\n"
                  "2 image 209x209 301 301\n");
}

}  // namespace
