#include "pageboxes/FramewickDlgGroup.h"

#include "pageboxes/FramewickTool.h"

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

// The palettes come with their own work; until then the group stays empty.
bool FramewickDlgGroup::CreateDialogs(PageBox&, std::vector<PageBox*>&) { return OpenAll(kDockedStyle, 0); }
