// One page box drawn over its page view: its edges as dashed lines in the
// box's colour across the whole view, a dotted cross through its centre and
// its frame with handles. It watches the box and has the view redraw the
// strips it leaves and takes.
#pragma once
#include "host/astypes.h"
#include "pageboxes/PageBox.h"
#include "pageboxes/Subject.h"

class BoxViewOverlay : public Observer {
 public:
  BoxViewOverlay() = default;
  // Detaches from the box and stops drawing.
  ~BoxViewOverlay() override;
  BoxViewOverlay(const BoxViewOverlay&) = delete;
  BoxViewOverlay& operator=(const BoxViewOverlay&) = delete;

  // Watches the box in the view; no view is a fault (throws the integer -1).
  void Attach(PageBox* box, AVPageView view);
  void Update(Subject* subject, bool subjectDying) override;
  // From the view's redraw: nothing for another view, a disabled box or
  // one being dragged.
  virtual void Draw(AVPageView view);
  // Suspended (while a box is dragged) it draws and invalidates nothing;
  // resumed, the view draws the box where it is now.
  void SetSuspended(bool on);
  bool Suspended() const { return suspended_; }

 private:
  // The six strips the drawing of `rect` covers.
  void Invalidate(const ASFixedRect& rect, const AVDevRect& aperture);

  PageBox* box_ = nullptr;
  AVPageView view_ = nullptr;
  ASFixedRect last_{0, 0, 0, 0};
  bool drawing_ = false;  // registered for the view's redraws
  bool suspended_ = false;
};

// The host's redraw notification, with the overlay as client data.
void OverlayDrawCallback(AVPageView view, void* overlay);
