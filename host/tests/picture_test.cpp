// plughost's `draw PATH.png`: the page as pdftocairo renders it (an oracle with the same
// cairo backend), and the page-box tool's frame with its handles where the hit test finds them.
#include <cairo.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include "testing/codestreams.h"
#include "testing/processes.h"

namespace {

using Picture = std::unique_ptr<cairo_surface_t, void (*)(cairo_surface_t*)>;

Picture Read(const std::string& path) {
  Picture p(cairo_image_surface_create_from_png(path.c_str()), cairo_surface_destroy);
  EXPECT_EQ(cairo_surface_status(p.get()), CAIRO_STATUS_SUCCESS) << path;
  return p;
}

// The pixel's colour as 0xRRGGBB.
unsigned Pixel(cairo_surface_t* p, int x, int y) {
  const unsigned char* row = cairo_image_surface_get_data(p) + y * cairo_image_surface_get_stride(p);
  return reinterpret_cast<const uint32_t*>(row)[x] & 0xffffff;
}

// plughost, with the page-box editor loaded, draws page N of `file` at
// `zoom` into `picture` (dir/view.png), pdftocairo into dir/oracle.png.
hosttest::ProcessResult Draw(const hosttest::TempDir& dir, const std::string& file, int page, double zoom,
                             const std::string& steps = "", const std::string& picture = "view.png",
                             const std::string& program = PLUGHOST) {
  static const hosttest::PluginsFolder folder({FRAMEWICK_PLUGIN});
  const std::string n = std::to_string(page);
  EXPECT_EQ(hosttest::RunCommand("pdftocairo -png -singlefile -cropbox -r " + std::to_string(72 * zoom) + " -f " + n +
                                 " -l " + n + " " + hosttest::Quoted(file) + " " + hosttest::Quoted(dir.File("oracle"))),
            0);
  return hosttest::RunProcess({program, "--plugins", folder.path(), "--settings", dir.path(), "--zoom",
                               std::to_string(zoom), file, "--script", "-"},
                              steps + "page " + n + "\ndraw " + dir.File(picture) + "\n", 60);
}

// A page placing one image of the dictionary entries and data given.
std::string ImagePage(const hosttest::TempDir& dir, const std::string& name, const std::string& image) {
  hosttest::PdfSpec s;
  s.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
               "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 300] /Contents 4 0 R "
               "/Resources << /XObject << /Im0 5 0 R >> >> >>",
               "stream:|q 200 0 0 200 50 50 cm /Im0 Do Q", "stream:/Type /XObject /Subtype /Image " + image};
  hosttest::WriteFile(dir.File(name), hosttest::MakePdf(s));
  return dir.File(name);
}

// A page placing a JPEG whose frame header and dictionary declare `side` x
// `side` pixels, cut off after half its data (pdftoppm writes the JPEG).
std::string DamagedJpegPage(const hosttest::TempDir& dir, int side) {
  EXPECT_EQ(hosttest::RunCommand("pdftoppm -jpeg -r 20 -singlefile " SAMPLES_DIR "/sample.pdf " +
                                 hosttest::Quoted(dir.File("small"))),
            0);
  std::string jpeg = hosttest::ReadFile(dir.File("small.jpg"));
  const size_t frame = jpeg.find("\xFF\xC0");
  EXPECT_NE(frame, std::string::npos);
  if (frame == std::string::npos) return "";
  const char bytes[] = {static_cast<char>(side >> 8), static_cast<char>(side & 0xFF)};
  jpeg.replace(frame + 5, 4, std::string(bytes, 2) + std::string(bytes, 2));
  const std::string n = std::to_string(side);
  return ImagePage(dir, "damaged-jpeg-" + n + ".pdf",
                   "/Width " + n + " /Height " + n + " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode|" +
                       jpeg.substr(0, jpeg.size() / 2));
}

// A page placing a 64 x 64 JPX image whose own header declares a canvas of
// 60000 x 60000, which poppler would take.
std::string LargeCanvasJpxPage(const hosttest::TempDir& dir) {
  std::string codestream = hosttest::JpxCodestream(64, 64, 1, [](uint32_t i, uint32_t) { return int(i % 251); });
  const size_t siz = codestream.find("\xFF\x51");
  EXPECT_NE(siz, std::string::npos);
  if (siz == std::string::npos) return "";
  const std::string side = hosttest::Big32(60000);
  codestream.replace(siz + 6, 8, side + side);   // the canvas
  codestream.replace(siz + 22, 8, side + side);  // one tile
  return ImagePage(dir, "large-canvas-jpx.pdf",
                   "/Width 64 /Height 64 /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /JPXDecode|" + codestream);
}

// Under the sanitizers, a run that leaks ends otherwise than with 0.
TEST(Pictures, PagesAsPdftocairoRendersThem) {
  hosttest::TempDir dir;
  const std::string turned = dir.File("turned.pdf");
  ASSERT_EQ(hosttest::RunCommand("qpdf --rotate=+90:1 --rotate=+270:2 " SAMPLES_DIR "/images.pdf " + turned), 0);
  const struct { std::string file; int page; double zoom; } rows[] = {
      {SAMPLES_DIR "/sample.pdf", 1, 1},  {SAMPLES_DIR "/images.pdf", 3, 2}, {SAMPLES_DIR "/rgb-font.pdf", 1, 1.3},
      {SAMPLES_DIR "/boxes.pdf", 5, 1},   {turned, 1, 1},                     {turned, 2, 2},
      {DamagedJpegPage(dir, 4000), 1, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file + " page " + std::to_string(row.page) + " zoom " + std::to_string(row.zoom));
    const auto run = Draw(dir, row.file, row.page, row.zoom);
    ASSERT_EQ(run.status, 0) << run.err;
    Picture view = Read(dir.File("view.png")), oracle = Read(dir.File("oracle.png"));
    const int w = cairo_image_surface_get_width(view.get()), h = cairo_image_surface_get_height(view.get());
    ASSERT_EQ(std::make_pair(w, h),
              std::make_pair(cairo_image_surface_get_width(oracle.get()), cairo_image_surface_get_height(oracle.get())));
    int differing = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) differing += Pixel(view.get(), x, y) != Pixel(oracle.get(), x, y);
    EXPECT_EQ(differing, 0);
  }
  // A picture that cannot be written is the step's fault, and so is one that
  // would take the place of an open document, under any of its names.
  ASSERT_EQ(::link(turned.c_str(), dir.File("linked.pdf").c_str()), 0);
  const std::string original = hosttest::ReadFile(turned);
  for (const std::string fault : {"no/such.png: No such file", "turned.pdf: it is an open document",
                                  "linked.pdf: it is an open document"}) {
    const auto run = Draw(dir, turned, 1, 1, "", fault.substr(0, fault.find(':')));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("plughost: cannot write " + dir.File(fault)), std::string::npos) << run.err;
  }
  EXPECT_EQ(hosttest::ReadFile(turned), original);
  // A page whose image declares more decoded data than the host allows, in
  // its dictionary (65500 x 65500 RGB) or in its JPX header, is not
  // pictured: a note says so.
  for (const std::string& file : {DamagedJpegPage(dir, 65500), LargeCanvasJpxPage(dir)}) {
    SCOPED_TRACE(file);
    const auto huge = hosttest::RunProcess(
        {PLUGHOST, "--settings", dir.path(), "--brief", file, "draw " + dir.File("huge.png")}, "", 60);
    EXPECT_EQ(huge.status, 0) << huge.err;
    EXPECT_NE(huge.out.find("NOTE: page 1 is not pictured: the decoded data of its image (object 5) is larger than the "
                            "host allows\n"), std::string::npos) << huge.out;
    EXPECT_FALSE(hosttest::FileExists(dir.File("huge.png")));
  }
  // Without the renderer beside it, plughost says so and writes nothing.
  const std::string alone = dir.File("plughost");
  ASSERT_EQ(hosttest::RunCommand("cp " + hosttest::Quoted(PLUGHOST) + " " + hosttest::Quoted(alone)), 0);
  const auto bare = Draw(dir, turned, 1, 1, "", "bare.png", alone);
  EXPECT_EQ(bare.status, 2);
  EXPECT_NE(bare.err.find("cannot draw a picture: the page renderer plughost-render.so is not beside plughost"),
            std::string::npos)
      << bare.err;
  EXPECT_NE(hosttest::RunCommand("test -e " + hosttest::Quoted(dir.File("bare.png"))), 0);
}

// The trim box is magenta on a first start: boxes.pdf page 1 (36 36 576 756)
// at two zooms, and a page whose crop box exceeds its media box, upright and
// turned, whose view is the crop box clipped to the media box, as its picture.
TEST(Pictures, TheToolsFrameWithItsHandles) {
  hosttest::TempDir files;
  const std::string crop = files.File("crop.pdf"), boxes = SAMPLES_DIR "/boxes.pdf";
  const std::string page = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 400 500] /CropBox [-20 -20 420 520] "
                           "/TrimBox [50 60 350 440] /Rotate ";
  hosttest::PdfSpec spec;
  spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
                  page + "0 >>", page + "90 >>"};
  hosttest::WriteFile(crop, hosttest::MakePdf(spec));
  const struct { std::string file; int page, zoom, l, t, r, b; } rows[] = {
      {boxes, 1, 1, 36, 36, 576, 756}, {boxes, 1, 2, 72, 72, 1152, 1512}, {crop, 1, 1, 50, 60, 350, 440},
      {crop, 2, 1, 60, 50, 440, 350}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file + " page " + std::to_string(row.page) + " zoom " + std::to_string(row.zoom));
    hosttest::TempDir dir;
    const auto run = Draw(dir, row.file, row.page, row.zoom, "button Zent:QFXToolTB\n");
    ASSERT_EQ(run.status, 0) << run.err;
    Picture view = Read(dir.File("view.png")), oracle = Read(dir.File("oracle.png"));
    const int l = row.l, t = row.t, r = row.r, b = row.b;
    const int qx = l + (r - l) / 4, qy = t + (b - t) / 4, cx = (l + r) / 2;
    const struct { int x, y; bool frame; } points[] = {{qx, t, true},        {r, qy, true},         {qx, b, true},         {l, qy, true},
                  {qx, t + 1, false},   {r - 1, qy, false},    {qx, b - 1, false},    {l + 1, qy, false},
                  {l + 2, t + 2, true}, {l + 3, t + 3, false}, {cx + 2, t + 2, true}, {cx + 3, t + 2, false},
                  {r - 2, b - 2, true}, {r - 3, b - 3, false}};
    for (const auto& p : points)
      EXPECT_EQ(Pixel(view.get(), p.x, p.y), p.frame ? 0xff00ffu : Pixel(oracle.get(), p.x, p.y)) << p.x << "," << p.y;
  }
}

// The device space is the area pdftocairo draws: the trim box [100 150 400
// 600] filled black in a media box [0 0 500 700] under crop boxes larger,
// smaller, shifted and larger on one side only, and as the whole page, each
// turned 0, 90, 180 and 270 degrees. The magenta frame lies on the black's
// edges (within half a pixel), every edge inside the picture; a drag from
// each drawn edge's handle moves that edge alone.
TEST(Pictures, FramesLieWhereTheRendererDrawsTheirBoxes) {
  hosttest::TempDir dir;
  const std::string crops[] = {"", "/CropBox [-20 -20 520 720]", "/CropBox [50 100 450 650]", "/CropBox [30 -40 530 660]",
                               "/CropBox [50 -40 560 650]", "/CropBox [60 20 440 760]"};
  hosttest::PdfSpec spec;
  std::string kids, drags = "button Zent:QFXToolTB\n";
  for (int n = 0; n < 28; ++n) {
    kids += std::to_string(3 + 2 * n) + " 0 R ";
    spec.objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox " +
                           (n < 24 ? "[0 0 500 700] " + crops[n / 4] : "[100 150 400 600]") +
                           " /TrimBox [100 150 400 600] /Rotate " + std::to_string(90 * (n % 4)) + " /Contents " +
                           std::to_string(4 + 2 * n) + " 0 R >>");
    spec.objects.push_back("stream:|0 g 100 150 300 450 re f");
  }
  spec.objects.insert(spec.objects.begin(), {"<< /Type /Catalog /Pages 2 0 R >>",
                                             "<< /Type /Pages /Kids [" + kids + "] /Count 28 >>"});
  const std::string file = dir.File("crops.pdf"), out = dir.File("out.pdf");
  hosttest::WriteFile(file, hosttest::MakePdf(spec));
  auto drag = [](int x, int y, int dx, int dy) {
    return "drag " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(x + dx) + " " +
           std::to_string(y + dy) + "\n";
  };
  for (int n = 1; n <= 28; ++n) {
    SCOPED_TRACE("page " + std::to_string(n));
    ASSERT_EQ(Draw(dir, file, n, 1, "button Zent:QFXToolTB\n").status, 0);
    Picture view = Read(dir.File("view.png")), oracle = Read(dir.File("oracle.png"));
    const int w = cairo_image_surface_get_width(view.get()), h = cairo_image_surface_get_height(view.get());
    ASSERT_EQ(std::make_pair(w, h),
              std::make_pair(cairo_image_surface_get_width(oracle.get()), cairo_image_surface_get_height(oracle.get())));
    int l = w, t = h, r = 0, b = 0;  // the black's edges: its first pixels, one past its last
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (Pixel(oracle.get(), x, y) == 0) l = std::min(l, x), t = std::min(t, y), r = std::max(r, x + 1), b = std::max(b, y + 1);
    auto frame = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h && Pixel(view.get(), x, y) == 0xff00ff; };
    const int qx = l + (r - l) / 4, qy = t + (b - t) / 4;
    EXPECT_TRUE(frame(l, qy) || frame(l - 1, qy)) << l;
    EXPECT_TRUE(frame(r, qy) || frame(r - 1, qy)) << r;
    EXPECT_TRUE(frame(qx, t) || frame(qx, t - 1)) << t;
    EXPECT_TRUE(frame(qx, b) || frame(qx, b - 1)) << b;
    // Left, top, right and bottom handles (on the edges' last pixels inside
    // the picture), each 10 pixels in, from the box as it then is.
    drags += "page " + std::to_string(n) + "\n" + drag(l, (t + b) / 2, 10, 0) + drag((l + 10 + r) / 2, t, 0, 10) +
             drag(r - 1, (t + 10 + b) / 2, -10, 0) + drag((l + r) / 2, b - 1, 0, -10) + "with 102\npress Apply\n";
  }
  ASSERT_EQ(Draw(dir, file, 1, 1, drags + "save " + out + "\n").status, 0);
  std::string trims;  // each page's, once each
  ASSERT_EQ(hosttest::RunCommand("pdfinfo -box -f 1 -l 28 " + out + " | grep TrimBox | sed 's/.*://' | sort -u", &trims), 0);
  EXPECT_EQ(trims, "     110.00   160.00   390.00   590.00\n");
}

}  // namespace
