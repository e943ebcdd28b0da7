// The user's pointer, mouse button and modifier keys, as the steps `pointer`,
// `click`, `drag` and `key` set them, handed to the active tool; the hit test
// of a rectangle's handles; a view's layout mode and a document's serial
// number.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "core/host.h"
#include "core/tables.h"
#include "host/procs.h"
#include "view/view.h"

namespace host {
namespace {

struct Input {
  DevicePoint pointer{0, 0};
  ASInt32 modifiers = 0;
  // The drag in progress: the points still to come, the next one first.
  std::vector<DevicePoint> path;
  size_t next = 0;
  std::map<ASUns32, ASInt32> layoutModes;
};

Input& I() {
  static auto* input = new Input;
  return *input;
}

ASUns32 IdOf(const void* handle) { return static_cast<ASUns32>(reinterpret_cast<uintptr_t>(handle)); }

// Whether (x, y) lies in the 5 x 5 square centred on (cx, cy).
bool OnHandle(ASInt32 cx, ASInt32 cy, ASInt32 x, ASInt32 y) { return x >= cx - 2 && x <= cx + 2 && y >= cy - 2 && y <= cy + 2; }

#define ENTER(sel) Enter(TableId::AcroView, AcroViewSel::sel)

void AVPageViewGetMousePositionImpl(AVPageView, ASInt16* x, ASInt16* y) {
  ENTER(PageViewGetMousePosition);
  if (x) *x = static_cast<ASInt16>(I().pointer.x);
  if (y) *y = static_cast<ASInt16>(I().pointer.y);
}

ASInt32 AVSysGetModifiersImpl() {
  ENTER(SysGetModifiers);
  return I().modifiers;
}

// Each poll moves the pointer to the drag's next point; once the path is
// used up the button is up.
ASBool AVSysMouseIsStillDownImpl() {
  ENTER(SysMouseIsStillDown);
  Input& in = I();
  if (in.next >= in.path.size()) return 0;
  in.pointer = in.path[in.next++];
  return 1;
}

ASInt32 AVRectHandleHitTestImpl(const AVDevRect* rect, ASBool midpoints, ASInt32 x, ASInt32 y) {
  ENTER(RectHandleHitTest);
  if (!rect) Raise(genErrBadParm);
  const AVDevRect& r = *rect;
  const ASInt32 corners[4][2] = {{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}};
  for (int i = 0; i < 4; ++i)
    if (OnHandle(corners[i][0], corners[i][1], x, y)) return i + 1;
  if (midpoints) {
    const ASInt32 cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    const ASInt32 middles[4][2] = {{cx, r.top}, {r.right, cy}, {cx, r.bottom}, {r.left, cy}};
    for (int i = 0; i < 4; ++i)
      if (OnHandle(middles[i][0], middles[i][1], x, y)) return i + 5;
  }
  const bool inside = x >= std::min(r.left, r.right) && x <= std::max(r.left, r.right) &&
                      y >= std::min(r.top, r.bottom) && y <= std::max(r.top, r.bottom);
  return inside ? 0 : -1;
}

void AVPageViewSetLayoutModeImpl(AVPageView view, ASInt32 mode) {
  ENTER(PageViewSetLayoutMode);
  if (!ViewPage(view, nullptr, nullptr)) Raise(genErrBadHandle);
  I().layoutModes[IdOf(view)] = mode;
}

ASInt32 AVPageViewGetLayoutModeImpl(AVPageView view) {
  ENTER(PageViewGetLayoutMode);
  if (!ViewPage(view, nullptr, nullptr)) Raise(genErrBadHandle);
  return I().layoutModes[IdOf(view)];
}

// Document ids are never reused: the id is the serial number.
ASUns32 AVDocGetSerialNumberImpl(AVDoc doc) {
  ENTER(DocGetSerialNumber);
  ViewPDDoc(doc);
  return IdOf(doc);
}

// Sets a value for the length of a tool's callback and puts the old one back.
template <class T>
struct During {
  During(T& place, T value) : place(place), old(place) { place = value; }
  ~During() { place = old; }
  T& place;
  T old;
};

}  // namespace

void SetPointer(ASInt32 x, ASInt32 y) { I().pointer = DevicePoint{x, y}; }

bool ClickActiveTool(AVDoc doc, const std::vector<DevicePoint>& points) {
  AVTool tool = ActiveTool();
  if (points.empty()) Raise(genErrBadParm);
  AVPageView view = reinterpret_cast<AVPageView>(doc);
  AVDevRect aperture;
  ViewAperture(view, &aperture);
  const DevicePoint first = points.front();
  I().pointer = first;
  if (IsHostTool(tool) || !tool->doClick) return false;
  if (first.x < aperture.left || first.x >= aperture.right || first.y < aperture.top || first.y >= aperture.bottom)
    return false;
  Input& in = I();
  During<std::vector<DevicePoint>> path(in.path, std::vector<DevicePoint>(points.begin() + 1, points.end()));
  During<size_t> next(in.next, 0);
  reinterpret_cast<AVToolDoClickProc>(CallbackProc(tool->doClick))(tool, view, static_cast<ASInt16>(first.x),
                                                                    static_cast<ASInt16>(first.y), 0, 1);
  return true;
}

bool KeyActiveTool(ASUns16 key, ASInt32 flags) {
  AVTool tool = ActiveTool();
  if (IsHostTool(tool) || !tool->doKeyDown) return false;
  During<ASInt32> modifiers(I().modifiers, flags);
  reinterpret_cast<AVToolDoKeyDownProc>(CallbackProc(tool->doKeyDown))(tool, key, static_cast<ASInt16>(flags));
  return true;
}

void InitAcroViewInputEntries() {
  HFT t = Import(ACROVIEW_HFT_NAME, HFT_VERSION(5, 0));
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(t, AcroViewSel, AV##name##Impl, name, ret, params);
  HOST_ACROVIEW_INPUT_PROCS(FILL)
#undef FILL
}

}  // namespace host
