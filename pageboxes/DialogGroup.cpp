#include "pageboxes/DialogGroup.h"

#include <cstdio>

#include "common/ADMSuites.h"
#include "common/HostCall.h"
#include "common/Prefs.h"
#include "host/piglue.h"
#include "pageboxes/HostEntry.h"

namespace {

bool Docks(ASInt32 style) { return style == 3 || style == 5; }

}  // namespace

// Members --------------------------------------------------------------------------
// The group deletes its members; the manager's end of a dialog never does.
GroupedADMDialog::GroupedADMDialog() { ownedByOpener_ = true; }

GroupedADMDialog::~GroupedADMDialog() { Caught([&] { LeaveGroup(); }); }

void GroupedADMDialog::LeaveGroup() {
  ADMDialogGroup* group = group_;
  if (!group) return;
  if (dialog_) group->SaveBounds(this);
  group_ = nullptr;
  group->RemoveDialog(this);
}

ADMErr GroupedADMDialog::Init() {
  ADMErr result = kADMErrBadParm;
  if (!Caught([&] {
        result = CAcroADMDialog::Init();
        if (result != kADMErrNone) return;
        ADMDialog::SetDrawProc(dialog_, &GroupedDrawProc);
        ADMDialog::SetNotifyProc(dialog_, &GroupedNotifyProc);
      }))
    result = kADMErrBadParm;
  opened_ = result == kADMErrNone;
  return result;
}

void GroupedADMDialog::GroupedDrawProc(ADMDialogRef dialog, ADMDrawerRef drawer) {
  Caught([&] { DrawProc(dialog, drawer); });
}

void GroupedADMDialog::GroupedNotifyProc(ADMDialogRef dialog, ADMNotifierRef notifier) {
  Caught([&] { NotifyProc(dialog, notifier); });
}

void GroupedADMDialog::Draw(ADMDrawerRef drawer) { CAcroADMDialog::Draw(drawer); }

void GroupedADMDialog::Notify(ADMNotifierRef notifier) {
  CAcroADMDialog::Notify(notifier);
  if (ADMNotifier::IsNotifierType(notifier, ADM_NOTIFY_CLOSE_HIT)) delete this;
}

void GroupedADMDialog::Destroy() {
  Caught([&] {
    if (opened_) LeaveGroup();
    CAcroADMDialog::Destroy();
  });
}

ASInt32 GroupedADMDialog::ReadyCursor() {
  ASInt32 cursor = CAcroADMDialog::ReadyCursor();
  HostCallQuietly([&] {
    if (AVTool tool = AVAppGetActiveTool()) cursor = tool->cursor;
  });
  return cursor;
}

void GroupedADMDialog::OnGroupNotify(AVPageView) {}
void GroupedADMDialog::SetGroup(ADMDialogGroup* group) { group_ = group; }

bool GroupedADMDialog::OpenModeless(const char* name, ASInt32 id, ASInt32 style, ASInt32 options) {
  if (!Create(gADMPluginRef, name, id, style, options)) return false;
  Show(true);
  return true;
}

// The group ------------------------------------------------------------------------
ADMDialogGroup::ADMDialogGroup(const char* name) : name_(name ? name : "") {}

ADMDialogGroup::~ADMDialogGroup() { RemoveAll(false); }

bool ADMDialogGroup::AddDialog(GroupedADMDialog* dialog) {
  if (!dialog) return false;
  for (GroupedADMDialog* member : members_)
    if (member == dialog) return false;
  members_.push_back(dialog);
  ++count_;
  if (!main_) main_ = dialog;
  dialog->SetGroup(this);
  return true;
}

std::string ADMDialogGroup::BoundsKey(GroupedADMDialog* dialog) const {
  std::string name;
  HostCall("ADMDialogGroup", [&] {
    const char* made = ADMDialog::GetDialogName(dialog->GetDialogRef());
    name = made ? made : "";
  });
  if (name.compare(0, name_.size(), name_) == 0) name.erase(0, name_.size());
  return "Dialog|" + name + "|Bounds";
}

bool ADMDialogGroup::OpenAll(ASInt32 style, ASInt32 options) {
  docking_ = nullptr;
  ASInt32 x = 0, y = 0;
  for (GroupedADMDialog* member : members_) {
    if (!member->DoModeless(style, options)) return false;
    ADMDialogRef dialog = member->GetDialogRef();
    HostCall("ADMDialogGroup", [&] {
      ADMRect local{0, 0, 0, 0};
      ADMDialog::GetLocalRect(dialog, &local);
      ADMDialog::SetMinWidth(dialog, local.right - local.left);
      ADMDialog::SetMinHeight(dialog, local.bottom - local.top);
      if (Docks(style)) {
        ASInt32 position = 0;
        if (!docking_)
          ADMDocking::GetDialogGroupInfo(dialog, &docking_, &position);
        else
          ADMDocking::SetDialogGroupInfo(dialog, docking_, 0);
      }
    });
    // Only the main dialog of a docked group is placed.
    if (docking_ && member != main_) continue;
    std::string stored;
    long left = 0, top = 0, right = 0, bottom = 0;
    const bool restored = Prefs::Get(BoundsKey(member), stored) && !stored.empty() &&
                          std::sscanf(stored.c_str(), "%ld,%ld,%ld,%ld", &left, &top, &right, &bottom) == 4;
    ADMRect bounds{static_cast<ASInt32>(left), static_cast<ASInt32>(top), static_cast<ASInt32>(right),
                   static_cast<ASInt32>(bottom)};
    HostCall("ADMDialogGroup", [&] {
      if (!restored) {
        ADMDialog::GetBoundsRect(dialog, &bounds);
        if (x == 0 && y == 0) {
          AVRect frame{0, 0, 0, 0};
          AVWindowGetFrame(AVDocGetAVWindow(AVAppGetActiveDoc()), &frame);
          x = frame.right;
          y = frame.top;
        }
        bounds = ADMRect{x - (bounds.right - bounds.left), y, x, y + (bounds.bottom - bounds.top)};
      }
      ADMDialog::SetBoundsRect(dialog, &bounds);
    });
    if (!restored) y += bounds.bottom - bounds.top;
  }
  return true;
}

void ADMDialogGroup::SaveBounds(GroupedADMDialog* dialog) {
  if (!dialog || !dialog->GetDialogRef()) return;
  ADMRect bounds{0, 0, 0, 0};
  ASInt32 style = 0;
  HostCall("ADMDialogGroup", [&] {
    style = ADMDialog::GetDialogStyle(dialog->GetDialogRef());
    ADMDialog::GetBoundsRect(dialog->GetDialogRef(), &bounds);
  });
  // Docked, the others follow the main dialog.
  if (Docks(style) && docking_ && dialog != main_) return;
  char text[96];
  std::snprintf(text, sizeof text, "%ld,%ld,%ld,%ld", static_cast<long>(bounds.left), static_cast<long>(bounds.top),
                static_cast<long>(bounds.right), static_cast<long>(bounds.bottom));
  Prefs::Set(BoundsKey(dialog), text);
}

void ADMDialogGroup::NotifyAll(AVPageView view) {
  for (GroupedADMDialog* member : std::list<GroupedADMDialog*>(members_)) member->OnGroupNotify(view);
}

bool ADMDialogGroup::CloseAll() {
  RemoveAll(true);
  return true;
}

void ADMDialogGroup::RemoveAll(bool destroyFirst) {
  struct Closing {
    explicit Closing(ADMDialogGroup& group) : group(group) { group.closing_ = true; }
    ~Closing() {
      group.main_ = nullptr;
      group.docking_ = nullptr;
      group.closing_ = false;
    }
    ADMDialogGroup& group;
  } closing(*this);
  while (!members_.empty()) {
    GroupedADMDialog* member = members_.front();
    members_.pop_front();
    --count_;
    if (destroyFirst) member->Destroy();
    delete member;
  }
}

void ADMDialogGroup::RemoveDialog(GroupedADMDialog* dialog) {
  if (!dialog || closing_) return;
  for (auto it = members_.begin(); it != members_.end(); ++it)
    if (*it == dialog) {
      members_.erase(it);
      --count_;
      break;
    }
  if (dialog == main_) main_ = nullptr;
  CloseAll();
}
