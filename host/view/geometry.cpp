// Page views' geometry: the document and page a view shows, its aperture,
// and rectangles between PDF user space and the view's device space. The
// device space is the area the page's picture shows, taken here alone for
// the picture, the overlays, the mouse and the keys (FrameOf), at the view's
// zoom, y growing downwards, turned as the page's /Rotate turns it. Plug-ins call these
// from destructors, so no view or a closed document's view answers none or
// the zero rectangle rather than raising.
#include <algorithm>
#include <cmath>
#include <map>
#include <string>

#include "core/tables.h"
#include "cos/docs.h"
#include "pd/pages.h"
#include "host/procs.h"
#include "view/view.h"

namespace host {
namespace {

double gZoom = 1;

// Each view's hold on the page it showed when last asked (by document).
std::map<ASUns32, PDPage>& ViewHolds() {
  static auto* holds = new std::map<ASUns32, PDPage>;
  return *holds;
}

// The area the renderer draws on a page, as poppler takes the page's boxes:
// the media box and the crop box each the first usable one up the page tree
// (four numbers, not all zero, a crop box with an area, which the picture
// then does without; else US Letter, and the media box), a crop box
// wider or taller than the media box taking the media box's range on that
// axis (on a node typed /Page), then each edge kept within the media box;
// /Rotate an integer, inherited, anything but 90, 180 or 270 being 0.
// False when the page cannot be read.
struct PageFrame {
  double left, bottom, right, top;
  int rotate;
};

bool BoxOf(QPDFObjectHandle node, const char* key, double* box) {
  for (int depth = 0; depth < 64 && node.isDictionary(); ++depth, node = node.getKey("/Parent")) {
    QPDFObjectHandle value = node.getKey(key);
    if (!value.isArray() || value.getArrayNItems() != 4) continue;
    double read[4];
    bool numbers = true;
    for (int i = 0; i < 4; ++i) {
      QPDFObjectHandle n = value.getArrayItem(i);
      numbers = numbers && n.isNumber();
      if (numbers) read[i] = n.getNumericValue();
    }
    if (!numbers || (read[0] == 0 && read[1] == 0 && read[2] == 0 && read[3] == 0)) continue;
    if (std::string(key) == "/CropBox" && (read[0] == read[2] || read[1] == read[3])) continue;
    box[0] = std::min(read[0], read[2]);
    box[1] = std::min(read[1], read[3]);
    box[2] = std::max(read[0], read[2]);
    box[3] = std::max(read[1], read[3]);
    return true;
  }
  return false;
}

bool FrameOf(AVPageView view, PageFrame* frame) {
  ASUns32 docId = 0;
  ASInt32 index = 0;
  if (!ViewPage(view, &docId, &index)) return false;
  try {
    Doc* doc = FindDoc(docId);
    const auto& pages = Pages(*doc);
    if (index < 0 || static_cast<size_t>(index) >= pages.size()) return false;
    QPDFObjectHandle page = pages[index];
    double media[4] = {0, 0, 612, 792}, crop[4];
    BoxOf(page, "/MediaBox", media);
    if (!BoxOf(page, "/CropBox", crop)) std::copy(media, media + 4, crop);
    if (page.getKey("/Type").isNameAndEquals("/Page"))
      for (int axis = 0; axis < 2; ++axis)
        if (crop[axis + 2] - crop[axis] > media[axis + 2] - media[axis]) {
          crop[axis] = media[axis];
          crop[axis + 2] = media[axis + 2];
        }
    auto within = [](double v, double low, double high) { return std::max(low, std::min(high, v)); };
    frame->left = within(crop[0], media[0], media[2]);
    frame->bottom = within(crop[1], media[1], media[3]);
    frame->right = within(crop[2], media[0], media[2]);
    frame->top = within(crop[3], media[1], media[3]);
    frame->rotate = 0;
    QPDFObjectHandle node = page;
    for (int depth = 0; depth < 64 && node.isDictionary(); ++depth, node = node.getKey("/Parent")) {
      QPDFObjectHandle r = node.getKey("/Rotate");
      if (!r.isInteger()) continue;
      const long long degrees = ((r.getIntValue() % 360) + 360) % 360;
      frame->rotate = degrees % 90 == 0 ? static_cast<int>(degrees) : 0;
      break;
    }
    return true;
  } catch (...) {
    return false;
  }
}

ASInt32 Device(double value) {
  double rounded = std::floor(value + 0.5);
  return static_cast<ASInt32>(std::max(-32768.0, std::min(32767.0, rounded)));
}

ASFixed Fixed(double value) {
  double scaled = std::floor(value * 65536.0 + 0.5);
  return static_cast<ASFixed>(std::max(-2147483648.0, std::min(2147483647.0, scaled)));
}

// User (x, y) to device (u, v), unrounded.
void ToDevice(const PageFrame& f, double x, double y, double* du, double* dv) {
  const double w = (f.right - f.left) * gZoom, h = (f.top - f.bottom) * gZoom;
  const double u = (x - f.left) * gZoom, v = (f.top - y) * gZoom;
  switch (f.rotate) {
    case 90: *du = h - v, *dv = u; break;
    case 180: *du = w - u, *dv = h - v; break;
    case 270: *du = v, *dv = w - u; break;
    default: *du = u, *dv = v;
  }
}

void ToUser(const PageFrame& f, double du, double dv, double* x, double* y) {
  const double w = (f.right - f.left) * gZoom, h = (f.top - f.bottom) * gZoom;
  double u, v;
  switch (f.rotate) {
    case 90: u = dv, v = h - du; break;
    case 180: u = w - du, v = h - dv; break;
    case 270: u = w - dv, v = du; break;
    default: u = du, v = dv;
  }
  *x = f.left + u / gZoom;
  *y = f.top - v / gZoom;
}

#define ENTER(sel) Enter(TableId::AcroView, AcroViewSel::sel)

AVDoc AVPageViewGetAVDocImpl(AVPageView view) {
  ENTER(PageViewGetAVDoc);
  ASUns32 docId = 0;
  if (!ViewPage(view, &docId, nullptr)) return nullptr;
  return reinterpret_cast<AVDoc>(static_cast<uintptr_t>(docId));
}

PDPage AVPageViewGetPageImpl(AVPageView view) {
  ENTER(PageViewGetPage);
  ASUns32 docId = 0;
  ASInt32 index = 0;
  if (!ViewPage(view, &docId, &index)) return nullptr;
  PDPage& hold = ViewHolds()[docId];
  if (hold && PageIndex(hold) == index) return hold;
  PDPage page = AcquirePageHandle(docId, index);
  if (hold) ReleasePageHandle(hold);
  hold = page;
  return page;
}

void AVPageViewRectToDeviceImpl(AVPageView view, const ASFixedRect* rect, AVDevRect* device) {
  ENTER(PageViewRectToDevice);
  if (!device) return;
  *device = AVDevRect{0, 0, 0, 0};
  PageFrame f;
  if (!rect || !FrameOf(view, &f)) return;
  double u1, v1, u2, v2;
  ToDevice(f, rect->left / 65536.0, rect->top / 65536.0, &u1, &v1);
  ToDevice(f, rect->right / 65536.0, rect->bottom / 65536.0, &u2, &v2);
  *device = AVDevRect{Device(std::min(u1, u2)), Device(std::min(v1, v2)), Device(std::max(u1, u2)),
                      Device(std::max(v1, v2))};
}

void AVPageViewDeviceRectToPageImpl(AVPageView view, const AVDevRect* device, ASFixedRect* rect) {
  ENTER(PageViewDeviceRectToPage);
  if (!rect) return;
  *rect = ASFixedRect{0, 0, 0, 0};
  PageFrame f;
  if (!device || !FrameOf(view, &f)) return;
  double x1, y1, x2, y2;
  ToUser(f, device->left, device->top, &x1, &y1);
  ToUser(f, device->right, device->bottom, &x2, &y2);
  rect->left = Fixed(std::min(x1, x2));
  rect->right = Fixed(std::max(x1, x2));
  rect->bottom = Fixed(std::min(y1, y2));
  rect->top = Fixed(std::max(y1, y2));
}

}  // namespace

void SetViewZoom(double zoom) { gZoom = zoom; }
double ViewZoom() { return gZoom; }

void ViewAperture(AVPageView view, AVDevRect* rect) {
  if (!rect) return;
  *rect = AVDevRect{0, 0, 0, 0};
  PageFrame f;
  if (!FrameOf(view, &f)) return;
  // The picture's size: rounded up, as the renderer rounds it.
  const ASInt32 w = Device(std::ceil((f.right - f.left) * gZoom)), h = Device(std::ceil((f.top - f.bottom) * gZoom));
  const bool turned = f.rotate == 90 || f.rotate == 270;
  *rect = AVDevRect{0, 0, turned ? h : w, turned ? w : h};
}

void ReleaseViewPage(ASUns32 docId) {
  auto it = ViewHolds().find(docId);
  if (it == ViewHolds().end()) return;
  ReleasePageHandle(it->second);
  ViewHolds().erase(it);
}

void InitAcroViewGeometryEntries() {
  HFT t = Import(ACROVIEW_HFT_NAME, HFT_VERSION(5, 0));
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(t, AcroViewSel, AV##name##Impl, name, ret, params);
  HOST_ACROVIEW_GEOMETRY_PROCS(FILL)
#undef FILL
}

}  // namespace host
