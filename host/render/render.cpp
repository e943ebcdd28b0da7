// A page view as a PNG picture: the page rendered as pdftocairo renders it
// (cairo image surface, the view's zoom as the scale, the crop box turned by
// the page's /Rotate, blended onto white, the size rounded up), then the
// view's display list painted over it, one device unit a pixel.
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <poppler.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "render/render.h"

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

namespace {

template <class T, void (*Free)(T*)>
struct Freer {
  void operator()(T* p) const {
    if (p) Free(p);
  }
};
template <class T, void (*Free)(T*)>
using Owned = std::unique_ptr<T, Freer<T, Free>>;

void Unref(void* object) { g_object_unref(object); }
using Surface = Owned<cairo_surface_t, cairo_surface_destroy>;
using Context = Owned<cairo_t, cairo_destroy>;

// Fontconfig keeps what poppler asked of it for the process: freed at its
// end, once a page was rendered, so that a leak check finds only ours.
void ReleaseFontCachesAtExit() {
  static const bool registered = [] {
    std::atexit([] { FcFini(); });
    return true;
  }();
  (void)registered;
}

[[noreturn]] void RenderFault(int index, const std::string& why) {
  throw std::runtime_error("cannot render page " + std::to_string(index + 1) + ": " + why);
}

}  // namespace

// The document as poppler read it, kept for the pictures of its pages.
struct ZentuRenderDocument {
  std::unique_ptr<PopplerDocument, void (*)(void*)> poppler{nullptr, Unref};
};

namespace {

// The page on a white ground, at `zoom` pixels a point.
Surface RenderPage(PopplerDocument* doc, int index, double zoom) {
  std::unique_ptr<PopplerPage, void (*)(void*)> page(poppler_document_get_page(doc, index), Unref);
  if (!page) RenderFault(index, "no such page");
  double width = 0, height = 0;
  poppler_page_get_size(page.get(), &width, &height);
  const double w = std::ceil(width * zoom), h = std::ceil(height * zoom);
  if (!(w >= 1 && h >= 1)) RenderFault(index, "the page has no area");
  if (!(w <= 32767 && h <= 32767)) RenderFault(index, "too large at this zoom");
  ReleaseFontCachesAtExit();
  Surface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(w), static_cast<int>(h)));
  Context cr(cairo_create(surface.get()));
  cairo_save(cr.get());
  cairo_scale(cr.get(), zoom, zoom);
  {
#ifdef __SANITIZE_ADDRESS__
    // Poppler's cairo output leaks the pattern it makes for an image whose
    // data ends before the size it declares (cairo_pattern_create_for_surface,
    // called inside libpoppler-glib); the leak checker's stacks end in cairo,
    // which keeps no frame pointers, so no suppression could name poppler.
    // Cairo finishes some of what that drawing left on the surface only when
    // the surface is drawn on next (the white under the page), so those calls
    // are covered too. Nothing of the renderer's own is allocated here.
    __lsan::ScopedDisabler libraryLeaks;
#endif
    poppler_page_render(page.get(), cr.get());
    cairo_restore(cr.get());
    // The white goes under what was drawn, not first: transparency groups
    // and blend modes then come out as pdftocairo's.
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_DEST_OVER);
    cairo_set_source_rgb(cr.get(), 1, 1, 1);
    cairo_paint(cr.get());
  }
  if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS)
    RenderFault(index, cairo_status_to_string(cairo_status(cr.get())));
  return surface;
}

struct DevRect {
  double l, t, r, b;
};

// The outline of the pixels from (l, t) to (r, b), both included, `width`
// pixels wide inside them; a rectangle one pixel thin is a line.
void OutlinePath(cairo_t* cr, DevRect d, double width) {
  const double l = std::min(d.l, d.r), r = std::max(d.l, d.r), t = std::min(d.t, d.b), b = std::max(d.t, d.b);
  const double half = width / 2;
  if (l == r || t == b) {
    cairo_move_to(cr, l == r ? l + half : l, t == b ? t + half : t);
    cairo_line_to(cr, l == r ? l + half : r + 1, t == b ? t + half : b + 1);
  } else {
    cairo_rectangle(cr, l + half, t + half, r - l + 1 - width, b - t + 1 - width);
  }
  cairo_set_line_width(cr, width);
  cairo_stroke(cr);
}

// The rectangle and the dash that follow a line's verb. An edge on the
// picture's far side (a box that is the whole page) is drawn on its last
// pixel, inside the picture; edges further out stay out of it.
DevRect ReadRect(std::istringstream& in, double width, double height) {
  DevRect d{0, 0, 0, 0};
  in >> d.l >> d.t >> d.r >> d.b;
  for (double* x : {&d.l, &d.r})
    if (*x == width) *x = width - 1;
  for (double* y : {&d.t, &d.b})
    if (*y == height) *y = height - 1;
  return d;
}

void ReadDash(std::istringstream& in, cairo_t* cr) {
  std::string word;
  std::vector<double> dash;
  if (in >> word && word == "dash")
    for (double value; in >> value;) dash.push_back(value);
  cairo_set_dash(cr, dash.data(), static_cast<int>(dash.size()), 0);
}

// One display-list line on a picture `width` x `height`; `image` and anything
// unknown draw nothing.
void Paint(cairo_t* cr, const std::string& line, double width, double height) {
  std::istringstream in(line);
  std::string verb;
  in >> verb;
  if (verb == "color") {
    double red = 0, green = 0, blue = 0;
    in >> red >> green >> blue;
    cairo_set_source_rgb(cr, red, green, blue);
  } else if (verb == "rect") {
    const DevRect d = ReadRect(in, width, height);
    std::string word;
    double stroke = 1;  // the outline's width
    if (in >> word && word == "width") in >> stroke;
    ReadDash(in, cr);
    OutlinePath(cr, d, stroke > 0 ? stroke : 1);
  } else if (verb == "xor") {
    const DevRect d = ReadRect(in, width, height);
    cairo_save(cr);
    cairo_set_dash(cr, nullptr, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_DIFFERENCE);
    cairo_set_source_rgb(cr, 1, 1, 1);
    OutlinePath(cr, d, 1);
    cairo_restore(cr);
  } else if (verb == "frame") {
    const DevRect d = ReadRect(in, width, height);
    ReadDash(in, cr);
    OutlinePath(cr, d, 1);
    // The handles lie where the hit test finds them: 5 x 5 pixels centred on
    // the corners and on the middles of the edges.
    const int l = static_cast<int>(d.l), t = static_cast<int>(d.t), r = static_cast<int>(d.r),
              b = static_cast<int>(d.b);
    const int cx = (l + r) / 2, cy = (t + b) / 2;
    const int centres[8][2] = {{l, t}, {r, t}, {r, b}, {l, b}, {cx, t}, {r, cy}, {cx, b}, {l, cy}};
    for (const auto& c : centres) cairo_rectangle(cr, c[0] - 2, c[1] - 2, 5, 5);
    cairo_fill(cr);
  }
}

struct Sink {
  ZentuPictureSink write;
  void* closure;
};

cairo_status_t WriteTo(void* closure, const unsigned char* data, unsigned int length) {
  auto* sink = static_cast<Sink*>(closure);
  return sink->write(sink->closure, data, length) ? CAIRO_STATUS_WRITE_ERROR : CAIRO_STATUS_SUCCESS;
}

int Say(char* why, size_t whySize, int code, const std::string& text) {
  if (whySize) {
    const size_t n = std::min(text.size(), whySize - 1);
    std::memcpy(why, text.data(), n);
    why[n] = 0;
  }
  return code;
}

}  // namespace

#define ZENTU_EXPORT extern "C" __attribute__((visibility("default")))

ZENTU_EXPORT ZentuRenderDocument* ZentuRenderOpen(const char* pdf, size_t size, int fd, char* why, size_t whySize) {
  GError* error = nullptr;
  PopplerDocument* poppler = nullptr;
  if (pdf) {
    GBytes* data = g_bytes_new_static(pdf, size);
    poppler = poppler_document_new_from_bytes(data, nullptr, &error);
    g_bytes_unref(data);
  } else {
    poppler = poppler_document_new_from_fd(fd, nullptr, &error);
  }
  if (!poppler) {
    Say(why, whySize, kZentuPictureRenderFault, error ? error->message : "unreadable");
    if (error) g_error_free(error);
    return nullptr;
  }
  auto* document = new (std::nothrow) ZentuRenderDocument;
  if (document) document->poppler.reset(poppler);
  else g_object_unref(poppler);
  return document;
}

ZENTU_EXPORT void ZentuRenderClose(ZentuRenderDocument* document) { delete document; }

ZENTU_EXPORT int ZentuRenderPicture(ZentuRenderDocument* document, int page, double zoom, const char* const* lines,
                                    size_t count, ZentuPictureSink sink, void* closure, char* why, size_t whySize) {
  // Nothing may be thrown across the module's edge.
  try {
    Surface surface = RenderPage(document->poppler.get(), page, zoom);
    {
      Context cr(cairo_create(surface.get()));
      // Overlays are drawn pixel for pixel, as a screen shows them.
      cairo_set_antialias(cr.get(), CAIRO_ANTIALIAS_NONE);
      cairo_set_source_rgb(cr.get(), 0, 0, 0);
      const double w = cairo_image_surface_get_width(surface.get()), h = cairo_image_surface_get_height(surface.get());
      for (size_t i = 0; i < count; ++i) Paint(cr.get(), lines[i], w, h);
    }
    Sink out{sink, closure};
    cairo_status_t status;
    {
#ifdef __SANITIZE_ADDRESS__
      // Writing flushes the surface, where cairo lets go of the snapshots the
      // page's drawing left (those of poppler's leaked pattern among them):
      // as in RenderPage, nothing of ours is allocated in the call.
      __lsan::ScopedDisabler libraryLeaks;
#endif
      status = cairo_surface_write_to_png_stream(surface.get(), WriteTo, &out);
    }
    if (status != CAIRO_STATUS_SUCCESS)
      return Say(why, whySize, kZentuPictureWriteFault, cairo_status_to_string(status));
    return kZentuPictureDone;
  } catch (const std::exception& e) {
    return Say(why, whySize, kZentuPictureRenderFault, e.what());
  }
}
