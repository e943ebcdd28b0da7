// The page-box tool's modeless dialogs, as one group. The palettes are not
// built yet: the group never has members, so opening, telling and closing
// it change nothing.
#pragma once
#include <vector>

#include "host/astypes.h"

class PageBox;

class FramewickDlgGroup {
 public:
  bool HasMembers() const { return false; }
  // Creates and opens the tool's dialogs over the media box and the four boxes.
  void Open(PageBox&, std::vector<PageBox*>&) {}
  // Tells every member that the tool moves to this view (none: unbound).
  void NotifyAll(AVPageView) {}
  // Closes every member.
  void CloseAll() {}
  // The boxes palette hides its overlays while a box is dragged.
  void SetOverlaysSuspended(bool) {}
};
