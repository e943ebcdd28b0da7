#include "pageboxes/FramewickDlgGroup.h"

#include "pageboxes/FramewickTool.h"
#include "pageboxes/OrbKDlg.h"
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

// A palette the host gave no memory for is none, which AddDialog refuses.
bool FramewickDlgGroup::CreateDialogs(PageBox&, std::vector<PageBox*>&) {
  if (makesPalettes) {
    AddDialog(new OrbKDlg);
    AddDialog(new ResourceDlg(ResourceDlg::kFonts));
    AddDialog(new ResourceDlg(ResourceDlg::kColors));
  }
  return OpenAll(kDockedStyle, 0);
}
