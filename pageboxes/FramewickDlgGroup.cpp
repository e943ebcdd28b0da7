#include "pageboxes/FramewickDlgGroup.h"

#include "pageboxes/FramewickTool.h"
#include "pageboxes/OrbKDlg.h"
#include "pageboxes/PageBoxDlg.h"
#include "pageboxes/ResourceDlg.h"

namespace {
const ASInt32 kDockedStyle = 5;
}  // namespace

FramewickDlgGroup::FramewickDlgGroup(FramewickTool* tool) : ADMDialogGroup("Zent:QFXTool"), tool_(tool) {}

FramewickDlgGroup::~FramewickDlgGroup() = default;

void FramewickDlgGroup::RemoveDialog(GroupedADMDialog* dialog) {
  ADMDialogGroup::RemoveDialog(dialog);
  if (!open_ || HasMembers()) return;
  open_ = false;
  if (tool_) tool_->UpdateDialogState();
}

bool FramewickDlgGroup::AddDialog(GroupedADMDialog* dialog) {
  if (!ADMDialogGroup::AddDialog(dialog)) return false;
  open_ = true;
  return true;
}

// The boxes palette first: it becomes the main dialog. A palette the host
// had no memory for is not added.
bool FramewickDlgGroup::CreateDialogs(PageBox& mediaBox, std::vector<PageBox*>& boxes) {
  if (makesPalettes) {
    AddDialog(new PageBoxDlg(&mediaBox, boxes));
    AddDialog(new OrbKDlg);
    AddDialog(new ResourceDlg(ResourceDlg::kFonts));
    AddDialog(new ResourceDlg(ResourceDlg::kColors));
  }
  return OpenAll(kDockedStyle, 0);
}

void FramewickDlgGroup::SetOverlaysSuspended(bool on) {
  for (GroupedADMDialog* member : Members())
    if (auto* boxes = dynamic_cast<PageBoxDlg*>(member)) boxes->SetOverlaysSuspended(on);
}

void FramewickDlgGroup::ForgetSpecification() {
  for (GroupedADMDialog* member : Members())
    if (auto* boxes = dynamic_cast<PageBoxDlg*>(member)) boxes->ForgetSpecification();
}
