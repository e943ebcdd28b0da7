// Dragging a box, an edge or a corner with the mouse, and nudging or
// centring boxes with the keys.
#include <cstdint>
#include <vector>

#include "common/HostCall.h"
#include "pageboxes/BoxMath.h"
#include "pageboxes/BoxOrder.h"
#include "pageboxes/FramewickTool.h"

namespace {

const ASInt32 kDragCursor = 1012;
const ASInt32 kGuideMargin = 2;

void ShowCursor(ASInt32 id) {
  HostCall("TrackBoxDrag", [&] { AVSysSetCursor(AVSysGetStandardCursor(id)); });
}

// Two inverting outlines whose visible parts run along the box's edges
// across the whole view; drawn again, they are gone.
void DrawGuides(AVPageView view, const AVDevRect& around, const AVDevRect& d) {
  const AVDevRect across{around.left, d.top, around.right, d.bottom};
  const AVDevRect down{d.left, around.top, d.right, around.bottom};
  HostCall("TrackBoxDrag", [&] {
    AVPageViewInvertRectOutline(view, &across);
    AVPageViewInvertRectOutline(view, &down);
  });
}

ASInt32 HitCode(const PageBox& box, ASInt32 x, ASInt32 y) {
  ASInt32 code = -1;
  HostCall("TrackBoxDrag", [&] { code = AVRectHandleHitTest(&box.DeviceRect(), 1, x, y); });
  return code;
}

bool MouseDown() {
  bool down = false;
  HostCall("TrackBoxDrag", [&] { down = AVSysMouseIsStillDown() != 0; });
  return down;
}

// The pointer in the view; true when it is not where it was.
bool PointerMoved(AVPageView view, ASInt32* x, ASInt32* y, ASInt32* dx, ASInt32* dy) {
  ASInt16 px = 0, py = 0;
  HostCall("TrackBoxDrag", [&] { AVPageViewGetMousePosition(view, &px, &py); });
  *dx = px - *x;
  *dy = py - *y;
  *x = px;
  *y = py;
  return *dx != 0 || *dy != 0;
}

// The edges a handle moves: left, top, right, bottom.
void MoveEdges(ASInt32 part, ASInt32 dx, ASInt32 dy, AVDevRect* d) {
  const bool left = part == 1 || part == 4 || part == 8, right = part == 2 || part == 3 || part == 6;
  const bool top = part == 1 || part == 2 || part == 5, bottom = part == 3 || part == 4 || part == 7;
  if (left) d->left += dx;
  if (right) d->right += dx;
  if (top) d->top += dy;
  if (bottom) d->bottom += dy;
}

}  // namespace

void FramewickTool::UpdateDeviceRects(AVPageView view) {
  for (PageBox* box : boxes) {
    if (!box->IsEnabled()) continue;
    const ASFixedRect rect = box->Rect();
    AVDevRect device{0, 0, 0, 0};
    HostCall("FramewickTool", [&] { AVPageViewRectToDevice(view, &rect, &device); });
    box->SetDeviceRect(device);
  }
}

bool FramewickTool::TrackBoxDrag(AVPageView view, ASInt16 x, ASInt16 y) {
  if (!view || view != pageView) return false;
  if (RefusesEdits()) return true;
  UpdateDeviceRects(view);
  PageBox* chosen = nullptr;
  SizeOrderedBoxes inside;
  for (PageBox* box : boxes) {
    if (!box->IsEnabled()) continue;
    const ASInt32 code = HitCode(*box, x, y);
    if (code >= 1 && code <= 8) {
      chosen = box;
      break;
    }
    if (code == 0) inside.Insert(box);
  }
  if (!chosen && !inside.Empty()) chosen = static_cast<PageBox*>(inside.Boxes().front());
  if (!chosen) return true;

  const ASInt32 part = HitCode(*chosen, x, y);
  ShowCursor(kDragCursor);
  AVDevRect around{0, 0, 0, 0};
  HostCall("TrackBoxDrag", [&] { AVPageViewGetAperture(view, &around); });
  around = AVDevRect{around.left - kGuideMargin, around.top - kGuideMargin, around.right + kGuideMargin,
                     around.bottom + kGuideMargin};

  PageBox* anchor = PageBox::Anchor::Global().Box();
  std::vector<PageBox*> moving;
  if (part == 0 && (chosen->Locked() || chosen == anchor)) {
    for (PageBox* box : boxes)
      if (box->IsEnabled() && (box->Locked() || box == anchor)) moving.push_back(box);
  } else {
    moving.push_back(chosen);
  }
  if (part == 0) {
    for (PageBox* box : moving) box->SetDragging(true);
    HostCall("TrackBoxDrag", [&] { AVPageViewDrawNow(view); });
  }
  dialogGroup.SetOverlaysSuspended(true);

  ASInt32 px = x, py = y, dx = 0, dy = 0;
  if (part == 0) {
    for (PageBox* box : moving) DrawGuides(view, around, box->DeviceRect());
    while (MouseDown()) {
      if (!PointerMoved(view, &px, &py, &dx, &dy)) continue;
      for (PageBox* box : moving) DrawGuides(view, around, box->DeviceRect());
      for (PageBox* box : moving) {
        const AVDevRect& was = box->DeviceRect();
        const AVDevRect moved{was.left + dx, was.top + dy, was.right + dx, was.bottom + dy};
        box->SetDeviceRect(moved);
        ASFixedRect user{0, 0, 0, 0};
        HostCall("TrackBoxDrag", [&] { AVPageViewDeviceRectToPage(view, &moved, &user); });
        // Shifted, not replaced: the size stays exact whatever the rounding.
        const ASFixedRect& rect = box->Rect();
        box->SetRect(ShiftedRect(rect, int64_t{user.left} - rect.left, int64_t{user.top} - rect.top));
      }
      for (PageBox* box : moving) DrawGuides(view, around, box->DeviceRect());
    }
  } else {
    AVDevRect d = chosen->DeviceRect();
    DrawGuides(view, around, d);
    while (MouseDown()) {
      if (!PointerMoved(view, &px, &py, &dx, &dy)) continue;
      DrawGuides(view, around, d);
      MoveEdges(part, dx, dy, &d);
      DrawGuides(view, around, d);
      ASFixedRect user{0, 0, 0, 0};
      HostCall("TrackBoxDrag", [&] { AVPageViewDeviceRectToPage(view, &d, &user); });
      chosen->SetRect(user);
    }
    chosen->SetDeviceRect(d);
  }

  dialogGroup.SetOverlaysSuspended(false);
  for (PageBox* box : moving) {
    if (box->Dragging())
      box->SetDragging(false);
    else
      box->Notify();
  }
  ShowCursor(record->cursor);
  return true;
}

bool FramewickTool::HandleBoxKey(ASUns16 key, ASInt16) {
  ASFixed dx = 0, dy = 0;
  switch (key) {
    case 28: dx = -fixedOne; break;
    case 29: dx = fixedOne; break;
    case 30: dy = fixedOne; break;
    case 31: dy = -fixedOne; break;
    case 99: break;
    default: return false;
  }
  if (pageView && RefusesEdits()) return true;
  PageBox* anchor = PageBox::Anchor::Global().Box();
  if (key == 99) {
    // Every box that is free to move, equal sizes included: locked boxes
    // follow their anchor, so each lands centred whatever the order.
    const ASFixedRect& media = mediaBox.Rect();
    for (PageBox* box : boxes) {
      if (!box->IsEnabled() || (box->Locked() && box != anchor)) continue;
      const ASFixedRect& r = box->Rect();
      const int64_t width = int64_t{r.right} - r.left, height = int64_t{r.top} - r.bottom;
      const int64_t left = media.left + ((int64_t{media.right} - media.left - width) >> 1);
      const int64_t bottom = media.bottom + ((int64_t{media.top} - media.bottom - height) >> 1);
      box->SetRect(ShiftedRect(r, left - r.left, bottom - r.bottom));
    }
    return true;
  }

  AVPageView view = nullptr;
  ASInt16 x = 0, y = 0;
  HostCall("HandleBoxKey", [&] {
    if (AVDoc doc = AVAppGetActiveDoc()) view = AVDocGetPageView(doc);
    if (view) AVPageViewGetMousePosition(view, &x, &y);
  });
  PageBox* target = nullptr;
  if (view) {
    UpdateDeviceRects(view);
    SizeOrderedBoxes under;
    for (PageBox* box : boxes)
      if (box->IsEnabled() && HitCode(*box, x, y) != -1) under.Insert(box);
    if (!under.Empty()) target = static_cast<PageBox*>(under.Boxes().front());
  }
  if (!target && anchor && anchor->IsEnabled()) target = anchor;
  if (target && target->Locked() && target != anchor) target = anchor;
  if (!target) return true;
  ASInt32 flags = 0;
  HostCall("HandleBoxKey", [&] {
    flags = AVSysGetModifiers();
    if (flags & 2) {
      dx = ASFixedMul(dx, 10 * fixedOne);
      dy = ASFixedMul(dy, 10 * fixedOne);
    }
  });
  target->SetRect(ShiftedRect(target->Rect(), dx, dy));
  return true;
}
