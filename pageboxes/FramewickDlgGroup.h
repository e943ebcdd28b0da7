// The page-box tool's modeless palettes, as one group.
#pragma once
#include <vector>

#include "pageboxes/DialogGroup.h"

class FramewickTool;
class PageBox;

class FramewickDlgGroup : public ADMDialogGroup {
 public:
  explicit FramewickDlgGroup(FramewickTool* tool = nullptr);
  ~FramewickDlgGroup() override;
  FramewickDlgGroup(const FramewickDlgGroup&) = delete;
  FramewickDlgGroup& operator=(const FramewickDlgGroup&) = delete;

  // Once the last member has gone the tool ends its editing, told once
  // however many members leave on the way.
  void RemoveDialog(GroupedADMDialog* dialog) override;
  bool AddDialog(GroupedADMDialog* dialog) override;
  // Creates the tool's palettes over the media box and the boxes, adds
  // them and opens them docked (style 5).
  virtual bool CreateDialogs(PageBox& mediaBox, std::vector<PageBox*>& boxes);

  // The boxes palette hides its rows' overlays while a box is dragged.
  void SetOverlaysSuspended(bool on);
  // The boxes palette lets go of the specification chosen on another page.
  void ForgetSpecification();

  // Off, CreateDialogs makes none: tests open palettes of their own.
  bool makesPalettes = true;

 private:
  FramewickTool* tool_;
  bool open_ = false;  // members were added since the group was last empty
};
