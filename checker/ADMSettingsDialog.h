// The base of dialogs whose check boxes and edits edit settings of the
// plug-in's own preference section. A derived dialog binds items to keys
// once; the base fills the items from the settings when the dialog opens
// and writes them back on OK (memory only: the derived dialog saves the
// registry).
#pragma once
#include <map>
#include <string>

#include "common/AcroADMDialog.h"

namespace Zentu {

struct SettingBinding {
  void* store = nullptr;  // the derived dialog's; never read
  std::string key;
};

class ADMSettingsDialog : public AcroADMDialog {
 public:
  ADMSettingsDialog() = default;
  ~ADMSettingsDialog() override;

  // Binds (the first time), fills the bound items, then lets the base put
  // frames behind the other items and refresh its item map.
  void InitSelf() override;
  // Check boxes store "true" or "false", edits their text.
  void Save() override;
  // Fills the binding map; called once per dialog object.
  virtual void BindSettings() = 0;

  // The key's value in the plug-in's own section; false, and the value
  // empty, when the key is absent. The store reference is not used.
  bool GetValue(void* store, const std::string& key, std::string& value);
  // False for an empty key. Memory only.
  bool SetValue(void* store, const std::string& key, const std::string& value);

 protected:
  void Bind(ASInt32 id, void* store, const std::string& key);

  std::map<ASInt32, SettingBinding> bindings_;
};

}  // namespace Zentu
