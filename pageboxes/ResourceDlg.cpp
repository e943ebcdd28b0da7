#include "pageboxes/ResourceDlg.h"

#include <string>
#include <vector>

#include "common/ADMSuites.h"
#include "common/HostCall.h"
#include "pageboxes/FramewickTool.h"
#include "host/piglue.h"

namespace {

const ASInt32 kTemplate = 118, kList = 1064;
const ASInt32 kEntryMargin = 20;  // the list's width less its entries'

const struct {
  const char *title, *name;
} kModes[] = {{"Fonts", "Zent:QFXToolFonts"}, {"Colors", "Zent:QFXToolColors"}};

ADMHierarchyListRef ListOf(ADMDialogRef dialog) {
  return ADMItem::GetHierarchyList(ADMDialog::GetItem(dialog, kList));
}

ASInt32 Width(const ADMRect& r) { return r.right - r.left; }
ASInt32 Height(const ADMRect& r) { return r.bottom - r.top; }

}  // namespace

ResourceDlg::ResourceDlg(ASInt32 mode) : mode_(mode == kColors ? kColors : kFonts) {}

bool ResourceDlg::DoModeless(ASInt32 style, ASInt32 options) {
  return OpenModeless(kModes[mode_].name, kTemplate, style, options);
}

void ResourceDlg::InitSelf() {
  ADMDialog::SetText(dialog_, kModes[mode_].title);
  ADMDialog::GetBoundsRect(dialog_, &bounds_);
  ADMRect list{};
  ADMItem::GetBoundsRect(ADMDialog::GetItem(dialog_, kList), &list);
  ADMHierarchyList::SetEntryWidth(ListOf(dialog_), Width(list) - kEntryMargin);
  AVPageView view = nullptr;
  HostCall("ResourceDlg::InitSelf", [&] {
    if (AVDoc doc = AVAppGetActiveDoc()) view = AVDocGetPageView(doc);
  });
  FillLists(view);
}

void ResourceDlg::OnGroupNotify(AVPageView view) { FillLists(view); }

void ResourceDlg::FillLists(AVPageView view) {
  try {
    ADMHierarchyListRef list = ListOf(dialog_);
    for (ASInt32 i = ADMHierarchyList::NumberOfEntries(list); i-- > 0;) ADMHierarchyList::RemoveEntry(list, i);
    if (!view || !FramewickTool::Exists()) return;
    AVDoc doc = nullptr;
    HostCall("ResourceDlg::FillLists", [&] { doc = AVPageViewGetAVDoc(view); });
    const ScanRecord record = FramewickTool::Instance()->GetScanResult(doc);
    std::vector<std::string> names(record.fontNames.begin(), record.fontNames.end());
    if (mode_ == kColors) {
      names.clear();
      for (const ColorEntry& entry : record.colors) names.push_back(entry.name);
    }
    ASInt32 index = 0;
    for (const std::string& name : names)
      ADMListEntry::SetText(ADMHierarchyList::InsertEntry(list, index++), name.c_str());
  } catch (const Zentu::AcrobatException& e) {
    throw FramewickTool::AcroException{e.ErrorCode()};
  }
}

void ResourceDlg::Notify(ADMNotifierRef notifier) {
  if (ADMNotifier::IsNotifierType(notifier, ADM_NOTIFY_CLOSE_HIT)) {
    GroupedADMDialog::Notify(notifier);  // deletes this palette
    return;
  }
  GroupedADMDialog::Notify(notifier);
  if (ADMNotifier::IsNotifierType(notifier, ADM_NOTIFY_BOUNDS_CHANGED)) FollowSize();
}

// The list grows and shrinks with the palette; a move changes nothing.
void ResourceDlg::FollowSize() {
  ADMRect now{};
  ADMDialog::GetBoundsRect(dialog_, &now);
  const ASInt32 dw = Width(now) - Width(bounds_), dh = Height(now) - Height(bounds_);
  bounds_ = now;
  if (dw == 0 && dh == 0) return;
  ADMItemRef item = ADMDialog::GetItem(dialog_, kList);
  ADMRect list{};
  ADMItem::GetBoundsRect(item, &list);
  ADMItem::Resize(item, Width(list) + dw, Height(list) + dh);
  ADMHierarchyListRef entries = ListOf(dialog_);
  ADMHierarchyList::SetEntryWidth(entries, Width(list) + dw - kEntryMargin);
  ADMRect text{};
  ADMHierarchyList::GetEntryTextRect(entries, &text);
  text.right += dw;
  ADMHierarchyList::SetEntryTextRect(entries, &text);
}
