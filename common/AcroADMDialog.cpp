#include "common/AcroADMDialog.h"

#include <cstring>

#include "common/ADMSuites.h"

namespace Zentu {

AcroADMDialog::~AcroADMDialog() { itemMap_.clear(); }

ASInt32 AcroADMDialog::Modal(ADMPluginRef plugin, const char* name, ASInt32 id, ASInt32 style, ASInt32 options) {
  return BaseADMDialog::Modal(plugin, name, id, style, options);
}

// A frame never hides the items inside it, and no button cuts its text.
void AcroADMDialog::InitSelf() {
  for (ADMItemRef item = ADMDialog::GetItem(dialog_, kADMNoItem); item; item = ADMDialog::GetNextItem(dialog_, item)) {
    const char* type = ADMItem::GetItemType(item);
    if (std::strcmp(type, ADM_ITEM_FRAME) == 0) {
      WinSetWindowOrder(ADMItem::GetWindowRef(item), winOrderBottom);
    } else if (std::strcmp(type, ADM_ITEM_PUSH_BUTTON) == 0) {
      ADMPoint needed{};
      ADMRect bounds{};
      ADMItem::GetBestSize(item, &needed);
      ADMItem::GetBoundsRect(item, &bounds);
      ASInt32 width = bounds.right - bounds.left;
      if (needed.h > width) {
        ASInt32 grow = (needed.h - width + 1) / 2;
        bounds.left -= grow;
        bounds.right += grow;
        ADMItem::SetBoundsRect(item, &bounds);
      }
    }
  }
  InitItems();
}

void AcroADMDialog::AddDependentItem(ASInt32 controlling, ASInt32 dependant, bool enableWhenOn) {
  ItemEntry& entry = itemMap_[controlling];
  entry.kind = 0;
  entry.dependants.emplace_back(dependant, enableWhenOn);
}

AcroADMDialog::ItemEntry& AcroADMDialog::BindItemFlag(ASInt32 id, bool* flag) {
  ItemEntry& entry = itemMap_[id];
  entry.kind = 0;
  entry.flag = flag;
  return entry;
}

void AcroADMDialog::InitItems() {
  for (auto& entry : itemMap_)
    if (ADMItemRef item = Item(entry.first)) SyncItem(item);
}

void AcroADMDialog::SyncItem(ADMItemRef item) {
  if (itemMap_.empty()) return;
  auto it = itemMap_.find(ADMItem::GetID(item));
  if (it == itemMap_.end() || it->second.kind != 0) return;
  bool on = ADMItem::GetBooleanValue(item) != 0;
  if (it->second.flag) *it->second.flag = on;
  for (auto& dependant : it->second.dependants) EnableItem(dependant.first, on == dependant.second);
}

std::string AcroADMDialog::GetItemValue(ASInt32 id) {
  std::string text;
  ReadItemValue(id, text);
  return text;
}

void AcroADMDialog::ReadItemValue(ASInt32 id, std::string& text) {
  if (ADMItemRef item = Item(id)) ReadADMItemText(item, 100, text);
}

void AcroADMDialog::SetItemText(ASInt32 id, const std::string& text) {
  if (ADMItemRef item = Item(id)) ADMItemSetText(item, text.c_str(), kASTextEncodingByte);
}

void AcroADMDialog::ClearList(ASInt32 id) {
  ADMItemRef item = Item(id);
  if (!item) return;
  if (ADMListRef list = ADMItem::GetList(item)) {
    for (ASInt32 n = ADMList::NumberOfEntries(list); n > 0; --n) ADMList::RemoveEntry(list, 0);
  }
  WinSendMessage(ADMItem::GetWindowRef(item), winMsgComboReset, 0, 0);
}

void AcroADMDialog::SetItemChoice(ASInt32 id, const std::string& text, bool firstWhenMissing) {
  ADMItemRef item = Item(id);
  ADMListRef list = item ? ADMItem::GetList(item) : nullptr;
  if (!list) return;
  ADMEntryRef entry = text.empty() ? nullptr : ADMList::FindEntry(list, text.c_str());
  if (!entry && firstWhenMissing) entry = ADMList::IndexEntry(list, 0);
  if (entry) ADMEntry::Select(entry, 1);
}

void AcroADMDialog::EnableItem(ASInt32 id, bool enable) {
  if (ADMItemRef item = Item(id)) ADMItem::Enable(item, enable ? 1 : 0);
}

bool AcroADMDialog::SetWaitCursor(bool on) {
  if (on) {
    ADMPluginRef plugin = nullptr;
    ADMDialog::GetCursorID(dialog_, &plugin, &savedCursor_);
    ADMDialog::SetCursorID(dialog_, ADMDialog::GetPluginRef(dialog_), kADMWaitCursor);
  } else {
    ADMDialog::SetCursorID(dialog_, ADMDialog::GetPluginRef(dialog_), savedCursor_);
  }
  return true;
}

ADMItemRef AcroADMDialog::Item(ASInt32 id) { return ADMDialog::GetItem(dialog_, id); }

}  // namespace Zentu
