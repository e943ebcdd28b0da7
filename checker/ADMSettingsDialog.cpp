#include "checker/ADMSettingsDialog.h"

#include <cstring>

#include "common/ADMSuites.h"
#include "common/Prefs.h"

namespace Zentu {
namespace {

bool IsType(ADMItemRef item, const char* type) { return std::strcmp(ADMItem::GetItemType(item), type) == 0; }

}  // namespace

ADMSettingsDialog::~ADMSettingsDialog() { bindings_.clear(); }

void ADMSettingsDialog::InitSelf() {
  if (bindings_.empty()) BindSettings();
  for (const auto& binding : bindings_) {
    ADMItemRef item = ADMDialog::GetItem(dialog_, binding.first);
    if (!item) continue;
    std::string value;
    if (binding.second.store)
      GetValue(binding.second.store, binding.second.key, value);
    else
      Prefs::Get(binding.second.key, value);
    if (IsType(item, ADM_ITEM_CHECK_BOX))
      ADMItem::SetBooleanValue(item, value == "true" ? 1 : 0);
    else if (IsType(item, ADM_ITEM_EDIT))
      ADMItemSetText(item, value.c_str(), kASTextEncodingByte);
  }
  AcroADMDialog::InitSelf();
}

void ADMSettingsDialog::Save() {
  for (const auto& binding : bindings_) {
    ADMItemRef item = ADMDialog::GetItem(dialog_, binding.first);
    if (!item) continue;
    std::string value;
    if (IsType(item, ADM_ITEM_CHECK_BOX))
      value = ADMItem::GetBooleanValue(item) ? "true" : "false";
    else if (IsType(item, ADM_ITEM_EDIT))
      value = GetItemValue(binding.first);
    else
      continue;  // other kinds carry no setting of their own
    if (binding.second.store)
      SetValue(binding.second.store, binding.second.key, value);
    else
      Prefs::Set(binding.second.key, value);
  }
}

bool ADMSettingsDialog::GetValue(void*, const std::string& key, std::string& value) {
  value.clear();
  return Prefs::Get(key, value);
}

bool ADMSettingsDialog::SetValue(void*, const std::string& key, const std::string& value) {
  return Prefs::Set(key, value);
}

void ADMSettingsDialog::Bind(ASInt32 id, void* store, const std::string& key) {
  bindings_[id] = SettingBinding{store, key};
}

}  // namespace Zentu
