// The dialog base of the checker's and the page-box editor's dialogs: when
// it opens, frames go behind the other items and push buttons widen to fit
// their text; an item map binds on/off items to flags of the dialog and
// enables their dependants from their state; small item operations address
// items by identifier and do nothing for an identifier the dialog lacks.
#pragma once
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/CAcroADMDialog.h"

namespace Zentu {

class AcroADMDialog : public CAcroADMDialog {
 public:
  // One controlling item of the map.
  struct ItemEntry {
    ASInt32 kind = 0;       // 0: an on/off item, the only kind made
    bool* flag = nullptr;   // the dialog's, never owned
    std::vector<std::pair<ASInt32, bool>> dependants;  // (identifier, enabled while on)
  };

  explicit AcroADMDialog(Variant variant = Variant::Standard) : CAcroADMDialog(variant) {}
  ~AcroADMDialog() override;

  ASInt32 Modal(ADMPluginRef plugin, const char* name, ASInt32 id, ASInt32 style, ASInt32 options) override;
  // The tidy-up, then InitItems; derived dialogs call it after binding.
  void InitSelf() override;
  // OK ends the dialog unless a derived dialog validates.
  bool Validate() override { return true; }

  void AddDependentItem(ASInt32 controlling, ASInt32 dependant, bool enableWhenOn);
  ItemEntry& BindItemFlag(ASInt32 id, bool* flag);
  // SyncItem for every entry, in ascending identifier order.
  void InitItems();
  // The bound flag and the dependants follow the item's on/off value.
  void SyncItem(ADMItemRef item);

  std::string GetItemValue(ASInt32 id);
  void ReadItemValue(ASInt32 id, std::string& text);
  void SetItemText(ASInt32 id, const std::string& text);
  // Empties the item's list and the combo box behind it.
  void ClearList(ASInt32 id);
  // Selects the entry with that text; with firstWhenMissing, the first
  // entry when the text is empty or no entry has it.
  void SetItemChoice(ASInt32 id, const std::string& text, bool firstWhenMissing);
  void EnableItem(ASInt32 id, bool enable);
  // On: keeps the dialog's cursor and shows the wait cursor; off: puts the
  // kept one back (the arrow before any wait). Always true.
  bool SetWaitCursor(bool on);

 protected:
  ADMItemRef Item(ASInt32 id);

  std::map<ASInt32, ItemEntry> itemMap_;
  ASInt32 savedCursor_ = kADMArrowCursor;
};

}  // namespace Zentu
