#include "pageboxes/BoxViewOverlay.h"

#include "common/HostCall.h"
#include "host/piglue.h"
#include "pageboxes/HostEntry.h"

namespace {

const ASFixed kEdgeDash[2] = {3 * fixedOne, 3 * fixedOne};
const ASFixed kCentreDash[2] = {2 * fixedOne, 10 * fixedOne};
const ASInt32 kViewMargin = 2;
const ASInt32 kStrip = 6;

ASCallback gDraw = nullptr;  // made once

bool Same(const ASFixedRect& a, const ASFixedRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

void OverlayDrawCallback(AVPageView view, void* overlay) {
  Caught([&] {
    if (overlay) static_cast<BoxViewOverlay*>(overlay)->Draw(view);
  });
}

BoxViewOverlay::~BoxViewOverlay() {
  if (box_) box_->Detach(this, false);
  if (drawing_)
    HostCallQuietly([&] { AVAppUnregisterNotification(avNotifyPageViewDidDraw, gExtensionID, gDraw, this); });
}

void BoxViewOverlay::Attach(PageBox* box, AVPageView view) {
  if (!view) throw -1;
  box_ = box;
  view_ = view;
  if (!drawing_) {
    HostCall("BoxViewOverlay", [&] {
      if (!gDraw) gDraw = ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(&OverlayDrawCallback));
      AVAppRegisterNotification(avNotifyPageViewDidDraw, gExtensionID, gDraw, this);
    });
    drawing_ = true;
  }
  if (!box) return;
  box->Attach(this);
  Update(box, false);
}

void BoxViewOverlay::SetSuspended(bool on) {
  if (on == suspended_) return;
  AVDevRect aperture{0, 0, 0, 0};
  if (view_) HostCall("BoxViewOverlay", [&] { AVPageViewGetAperture(view_, &aperture); });
  // Its drawing goes once as it is suspended; resumed, it follows the box.
  if (on && view_) Invalidate(last_, aperture);
  suspended_ = on;
  if (on || !box_ || !view_) return;
  last_ = box_->Rect();
  Invalidate(last_, aperture);
}

void BoxViewOverlay::Update(Subject* subject, bool subjectDying) {
  if (!box_ || subject != static_cast<Subject*>(box_)) return;
  if (subjectDying) {
    // Its owner should have detached first. Throwing from inside the box's
    // destructor would end the host: the overlay lets the box go instead.
    box_ = nullptr;
    return;
  }
  if (suspended_) return;
  view_ = box_->PageView();
  if (!view_) return;
  AVDevRect aperture{0, 0, 0, 0};
  HostCall("BoxViewOverlay", [&] { AVPageViewGetAperture(view_, &aperture); });
  if (box_->Dragging() || !Same(box_->Rect(), last_)) Invalidate(last_, aperture);
  last_ = box_->Rect();
  if (!box_->Dragging()) Invalidate(last_, aperture);
}

void BoxViewOverlay::Invalidate(const ASFixedRect& rect, const AVDevRect& a) {
  AVDevRect d{0, 0, 0, 0};
  HostCall("BoxViewOverlay", [&] { AVPageViewRectToDevice(view_, &rect, &d); });
  const ASInt32 cx = (d.left + d.right) / 2, cy = (d.top + d.bottom) / 2;
  const AVDevRect strips[6] = {{a.left, d.top, a.right, d.top + kStrip},
                               {a.left, d.bottom - kStrip, a.right, d.bottom},
                               {d.left, a.top, d.left + kStrip, a.bottom},
                               {d.right - kStrip, a.top, d.right, a.bottom},
                               {cx, a.top, cx + 1, a.bottom},
                               {a.left, cy, a.right, cy + 1}};
  HostCall("BoxViewOverlay", [&] {
    for (const AVDevRect& strip : strips) AVPageViewInvalidateRect(view_, &strip);
  });
}

void BoxViewOverlay::Draw(AVPageView view) {
  if (!box_ || view != view_ || !box_->IsEnabled() || box_->Dragging() || suspended_) return;
  HostCall("BoxViewOverlay", [&] {
    AVDevRect d{0, 0, 0, 0};
    AVPageViewRectToDevice(view, &last_, &d);
    PDColorValueRec colour{box_->ColourSpace(), {0, 0, 0, 0}};
    for (int i = 0; i < 4; ++i) colour.value[i] = box_->Colour()[i];
    AVPageViewSetColor(view, &colour);
    AVDevRect e{0, 0, 0, 0};
    AVPageViewGetAperture(view, &e);
    e = AVDevRect{e.left - kViewMargin, e.top - kViewMargin, e.right + kViewMargin, e.bottom + kViewMargin};
    const ASInt32 cx = (d.left + d.right) / 2, cy = (d.top + d.bottom) / 2;
    const AVDevRect across{e.left, d.top, e.right, d.bottom}, down{d.left, e.top, d.right, e.bottom};
    const AVDevRect vertical{cx, e.top, cx, e.bottom}, horizontal{e.left, cy, e.right, cy};
    AVPageViewDrawRectOutline(view, &across, 1, kEdgeDash, 2);
    AVPageViewDrawRectOutline(view, &down, 1, kEdgeDash, 2);
    AVPageViewDrawRectOutline(view, &vertical, 1, kCentreDash, 2);
    AVPageViewDrawRectOutline(view, &horizontal, 1, kCentreDash, 2);
    AVPageViewDrawRectOutlineWithHandles(view, &d, 1, 1, nullptr, 0);
  });
}
