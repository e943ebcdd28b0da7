#include "checker/PreferencesDlgADM.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <initializer_list>

#include "checker/PrefKeys.h"
#include "checker/UIInterface.h"
#include "common/ADMSuites.h"
#include "common/AcrobatException.h"
#include "common/HostCall.h"
#include "common/Prefs.h"
#include "engine/SplitString.h"
#include "icc/icc.h"

namespace Zentu {
namespace {

const char kDialogName[] = "Zent:PDF/X Corvane 3:PreferencesDlgADM";
const char kAlertPrefix[] = "Zentu PDF/X Corvane 3:  ";
const ASInt32 kMinDpi = 1, kMaxDpi = 4000, kSpotsLimit = 32;

void Note(const std::string& text) {
  HostCallQuietly([&] { AVAlertNote(text.c_str()); });
}

// A name and a path the stored lists give back paired as they were.
bool Listable(const std::string& text) { return !text.empty() && text.find('|') == std::string::npos; }

bool Is(int32_t signature, const char (&text)[5]) { return static_cast<uint32_t>(signature) == icmSig(text); }

// The first AToB table present is AToB1.
bool ColorimetricFirst(const OutputIntentRecord& record) { return record.hasAToB && record.aToBIndex == 1; }

// Why a profile chosen with a Browse button does not fit its list; null
// when it fits.
const char* ProfileProblem(ASInt32 button, const OutputIntentRecord& r, bool x3) {
  const bool displayOrInput = Is(r.deviceClass, "mntr") || Is(r.deviceClass, "scnr");
  switch (button) {
    case PreferencesDlgADM::kConditionBrowseItem:
      if (x3) return Is(r.deviceClass, "prtr") ? nullptr : "Must be an output profile";
      return ColorimetricFirst(r) ? nullptr : "Must be a Device to PCS: Colorimetric rendering intent profile";
    case 1047: return displayOrInput || Is(r.colorSpace, "GRAY") ? nullptr : "Must be a grayscale profile";
    case 1050: return displayOrInput || Is(r.colorSpace, "RGB ") ? nullptr : "Must be an RGB profile";
    case 1053: return Is(r.deviceClass, "scnr") || Is(r.colorSpace, "CMYK") ? nullptr : "Must be a CMYK profile";
    default: return "Unknown profile list";
  }
}

// A range message with its two limits, printf-style.
std::string RangeMessage(const char* format, ASInt32 low, ASInt32 high) {
  char text[160];
  std::snprintf(text, sizeof text, format, static_cast<int>(low), static_cast<int>(high));
  return text;
}

}  // namespace

ProfileBrowseTable& ProfileBrowseTargets() {
  static ProfileBrowseTable table;
  return table;
}

void LoadProfileBrowseTargets() {
  ProfileBrowseTargets() = ProfileBrowseTable{
      {PreferencesDlgADM::kConditionBrowseItem, {PreferencesDlgADM::kConditionProfileItem, 0}},
      {1047, {1046, 1}},
      {1050, {1049, 2}},
      {1053, {1052, 3}},
  };
}

void ClearProfileBrowseTargets() { ProfileBrowseTargets().clear(); }

ASInt32 SaturatedAtoi(const std::string& text) {
  size_t at = 0;
  while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  int64_t value = 0;
  const int64_t limit = negative ? -static_cast<int64_t>(INT32_MIN) : INT32_MAX;
  for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
    value = value * 10 + (text[at] - '0');
    if (value >= limit) {
      value = limit;
      break;
    }
  }
  return static_cast<ASInt32>(negative ? -value : value);
}

PreferencesDlgADM::~PreferencesDlgADM() = default;

ASInt32 PreferencesDlgADM::DoModal() { return Modal(gADMPluginRef, kDialogName, kResource, 0, 0); }

bool PreferencesDlgADM::GetSetting(std::string key, std::string& value) { return GetValue(&conformance_, key, value); }

bool PreferencesDlgADM::SetSetting(std::string key, const std::string& value) {
  return SetValue(&conformance_, key, value);
}

void PreferencesDlgADM::BindSettings() {
  using namespace PrefKeys;
  const std::pair<ASInt32, const char*> rows[] = {
      {kDescriptionItem, kConditionDescription},
      {kFailItem, kFailIfNotDefault},
      {kAutoFixItem, kAutoFixToDefault},
      {kWorkflowItem, kWorkflowChecks},
      {kJpegItem, kAllowJpeg},
      {kType1Item, kType1FontsOnly},
      {kImageDpiItem, kConstrainImageDpi},
      {kMinImageItem, kMinImageDpi},
      {kMaxImageItem, kMaxImageDpi},
      {kBitmapDpiItem, kConstrainBitmapDpi},
      {kMinBitmapItem, kMinBitmapDpi},
      {kMaxBitmapItem, kMaxBitmapDpi},
      {kMaxSpotsItem, kMaxSpots},
  };
  for (const auto& row : rows) Bind(row.first, &conformance_, row.second);
}

void PreferencesDlgADM::InitSelf() {
  HostRegionResult r = HostRegion([&] {
    if (ADMItemRef popup = Item(kConformanceItem))
      if (ADMListRef list = ADMItem::GetList(popup))
        for (const std::string& name : Conformance::RegisteredNames())
          ADMEntry::SetText(ADMList::InsertEntry(list, -1), name.c_str());
    conformance_.clear();
    Prefs::Get(PrefKeys::kConformance, conformance_);
    SetItemChoice(kConformanceItem, conformance_, true);

    std::string type;
    GetSetting(PrefKeys::kConditionType, type);
    registered_ = type != PrefKeys::kConditionTypeProfile;
    if (ADMItemRef radio = Item(registered_ ? kRegisteredItem : kProfileItem)) ADMItem::SetBooleanValue(radio, 1);
    GetSetting(PrefKeys::kCondition, conditionName_);

    // The workflow box stands over the blank title of its frame.
    if (ADMItemRef box = Item(kWorkflowItem)) WinSetWindowOrder(ADMItem::GetWindowRef(box), winOrderTopMost);
    for (ASInt32 id : {kMinImageItem, kMaxImageItem, kMinBitmapItem, kMaxBitmapItem})
      if (ADMItemRef edit = Item(id)) {
        ADMItem::SetStyleCode(edit, 2);
        ADMItem::SetFormatCode(edit, 0);
        ADMItem::SetMinFloatValue(edit, static_cast<ADMReal>(kMinDpi));
        ADMItem::SetMaxFloatValue(edit, static_cast<ADMReal>(kMaxDpi));
      }
    if (ADMItemRef edit = Item(kMaxSpotsItem)) {
      ADMItem::SetStyleCode(edit, 2);
      ADMItem::SetFormatCode(edit, 0);
      ADMItem::SetMinIntValue(edit, 0);
      ADMItem::SetMaxIntValue(edit, kSpotsLimit);
    }

    AddDependentItem(kFailItem, kAutoFixItem, true);
    for (ASInt32 id : {kConditionItem, kFailItem, kAutoFixItem}) AddDependentItem(kRegisteredItem, id, true);
    for (ASInt32 id : {kConditionProfileItem, kConditionBrowseItem}) AddDependentItem(kRegisteredItem, id, false);
    for (ASInt32 id : {kJpegItem, kType1Item, kImageDpiItem, kBitmapDpiItem, kMaxSpotsItem})
      AddDependentItem(kWorkflowItem, id, true);
    BindItemFlag(kFailItem, &failIfNotDefault_);
    BindItemFlag(kAutoFixItem, &autoFix_);
    if (ADMItemRef popup = Item(kConditionProfileItem)) ADMItem::Show(popup, 0);
    BindItemFlag(kJpegItem, &allowJpeg_);
    BindItemFlag(kType1Item, &type1Only_);
    BindItemFlag(kImageDpiItem, &constrainImage_);
    BindItemFlag(kBitmapDpiItem, &constrainBitmap_);
    BindItemFlag(kWorkflowItem, &workflow_);
  });
  if (r.raised) throw AcrobatException(0, r.code, "PreferencesDlgADM::InitSelf()");
  ADMSettingsDialog::InitSelf();
  UpdateProfiles();
  EnableImageDpi();
  EnableBitmapDpi();
}

void PreferencesDlgADM::UpdateProfiles() {
  boost::shared_ptr<Conformance> next = Conformance::CreateByName(GetItemValue(kConformanceItem));
  if (!next && !standard_) return;
  ClearList(kConditionItem);
  const boost::shared_ptr<Conformance> previous = standard_;
  standard_ = next;
  bool x3 = false;
  if (next) {
    const std::string pattern = next->GetConditionNamesPattern();
    if (!pattern.empty()) {
      if (ADMItemRef popup = Item(kConditionItem))
        for (const std::string& name : SplitString(pattern, "|"))
          ADMEntry::SetText(ADMList::InsertEntry(ADMItem::GetList(popup), -1), name.c_str());
      SetItemChoice(kConditionItem, conditionName_, true);
    } else if (registered_) {
      SetRegistered(false);
    }
    ConditionChanged();

    ProfileSettings& profiles = next->profileSettings;
    profiles.Load();
    for (const auto& row : ProfileBrowseTargets()) {
      ClearList(row.second.popup);
      ADMItemRef popup = Item(row.second.popup);
      ADMListRef list = popup ? ADMItem::GetList(popup) : nullptr;
      if (!list) continue;
      ADMEntryRef last = nullptr;
      for (const auto& record : profiles.families[row.second.kind])
        if (record) ADMEntry::SetText(last = ADMList::InsertEntry(list, -1), record->description.c_str());
      std::string chosen;
      next->FindOutputCondition(row.second.kind, chosen);
      if (!chosen.empty())
        SetItemChoice(row.second.popup, chosen, true);
      else if (last)
        ADMEntry::Select(last, 1);
    }
    x3 = next->name == "PDF/X-3";

    // Profiles listed for the printing condition under another standard go
    // when the first of them does not qualify under this one.
    ProfileSettings::RecordList& conditionProfiles = profiles.families[0];
    if (previous && !conditionProfiles.empty() && conditionProfiles.front()) {
      OutputIntentRecord& first = *conditionProfiles.front();
      if (!first.hasProfile && !first.file.empty()) first.LoadFile(first.file);
      if (!(x3 ? Is(first.deviceClass, "prtr") : ColorimetricFirst(first))) {
        profiles.ClearFamily(0);
        ClearList(kConditionProfileItem);
      }
    }
  }
  for (ASInt32 id = kColorSpacesFirst; id <= kColorSpacesLast; ++id) EnableItem(id, x3);
}

void PreferencesDlgADM::ConditionChanged() {
  conditionName_ = GetItemValue(kConditionItem);
  if (!registered_ || !standard_) return;
  const OutputConditionMap& conditions = standard_->GetPrintingConditions();
  auto found = conditions.find(conditionName_);
  if (found != conditions.end() && found->second && !found->second->description.empty())
    SetItemText(kDescriptionItem, found->second->description);
}

void PreferencesDlgADM::EnableImageDpi() {
  for (ASInt32 id : {kMinImageItem, kMaxImageItem}) EnableItem(id, workflow_ && constrainImage_);
}

void PreferencesDlgADM::EnableBitmapDpi() {
  for (ASInt32 id : {kMinBitmapItem, kMaxBitmapItem}) EnableItem(id, workflow_ && constrainBitmap_);
}

void PreferencesDlgADM::SetRegistered(bool registered) {
  registered_ = registered;
  if (ADMItemRef chosen = Item(registered ? kRegisteredItem : kProfileItem)) ADMItem::SetBooleanValue(chosen, 1);
  if (ADMItemRef other = Item(registered ? kProfileItem : kRegisteredItem)) {
    ADMItem::SetBooleanValue(other, 0);
    SyncItem(other);
  }
}

void PreferencesDlgADM::Notify(ADMNotifierRef notifier) {
  ADMItemRef item =
      ADMNotifier::IsNotifierType(notifier, ADM_NOTIFY_USER_CHANGED) ? ADMNotifier::GetItem(notifier) : nullptr;
  if (item) {
    SyncItem(item);
    switch (ASInt32 id = ADMItem::GetID(item)) {
      case kConformanceItem: UpdateProfiles(); break;
      case kConditionItem: ConditionChanged(); break;
      case kWorkflowItem:
        EnableImageDpi();
        EnableBitmapDpi();
        break;
      case kImageDpiItem: EnableImageDpi(); break;
      case kBitmapDpiItem: EnableBitmapDpi(); break;
      case kRegisteredItem: SetRegistered(true); break;
      case kProfileItem: SetRegistered(false); break;
      default:
        if (ProfileBrowseTargets().count(id)) CheckProfile(id);
    }
  }
  ADMDialog::DefaultNotify(dialog_, notifier);
}

void PreferencesDlgADM::CheckProfile(ASInt32 button) {
  auto row = ProfileBrowseTargets().find(button);
  if (row == ProfileBrowseTargets().end()) return;
  boost::shared_ptr<OutputIntentRecord> record(new OutputIntentRecord);
  if (!ChooseProfileFile(*record)) return;
  const bool x3 = standard_ && standard_->name.find("X-3") != std::string::npos;
  if (const char* problem = ProfileProblem(button, *record, x3)) {
    if (!record->description.empty()) Note(std::string(kAlertPrefix) + problem);
    return;
  }
  // The stored lists pair names and files by position: such a profile would
  // lend its name to another's file.
  if (!Listable(record->description) || !Listable(record->file)) {
    Note(std::string(kAlertPrefix) +
         "A profile whose description is empty or contains \"|\", or whose path contains \"|\", cannot be listed");
    return;
  }
  ADMItemRef popup = Item(row->second.popup);
  ADMListRef list = popup ? ADMItem::GetList(popup) : nullptr;
  if (!list || !standard_) return;
  ADMEntryRef entry = ADMList::InsertEntry(list, -1);
  ADMEntry::SetText(entry, record->description.c_str());
  ProfileSettings& profiles = standard_->profileSettings;
  profiles.nameIndex[record->description] = record;
  profiles.families[row->second.kind].push_back(record);
  ADMEntry::Select(entry, 1);
}

bool PreferencesDlgADM::ChooseProfileFile(OutputIntentRecord& record) {
  record.Reset();
  UIInterface* ui = CurrentUIInterface();
  if (!ui) return false;
  FileChoice choice = ui->ChooseFile(false, nullptr, "Select ICC profile file", true, "ICC profile files|icc;icm|prof",
                                     nullptr, nullptr);
  if (!choice.chosen) return false;
  if (record.LoadFile(choice.path.Text())) return true;
  Note("Error loading profile:  " +
       (record.extraText.empty() ? std::string("Unknown error while loading profile") : record.extraText) +
       "\nPlease choose another file.");
  return false;
}

bool PreferencesDlgADM::Validate() {
  try {
    if (!registered_ && GetItemValue(kConditionProfileItem).empty())
      throw std::string("You must select an ICC profile to use for the characterized printing condition");
    if (workflow_) {
      // Compared unsigned: a negative number lies outside every range.
      auto read = [&](ASInt32 id) { return static_cast<ASUns32>(SaturatedAtoi(GetItemValue(id))); };
      auto check = [&](ASInt32 id, const char* format) {
        ASUns32 value = read(id);
        if (value < static_cast<ASUns32>(kMinDpi) || value > static_cast<ASUns32>(kMaxDpi))
          throw RangeMessage(format, kMinDpi, kMaxDpi);
        return value;
      };
      minImageDpi_ = check(kMinImageItem, "Minimum image DPI must be between %d and %d, inclusive.");
      minBitmapDpi_ = check(kMinBitmapItem, "Minimum bitmap DPI must be between %d and %d, inclusive.");
      maxImageDpi_ = check(kMaxImageItem, "Maximum image DPI must be between %d and %d, inclusive.");
      maxBitmapDpi_ = check(kMaxBitmapItem, "Maximum bitmap DPI must be between %d and %d, inclusive.");
      if (minImageDpi_ > maxImageDpi_)
        throw std::string("The minimum image DPI must be less than the maximum image DPI");
      if (minBitmapDpi_ > maxBitmapDpi_)
        throw std::string("The minimum bitmap DPI must be less than the maximum bitmap DPI");
      if (read(kMaxSpotsItem) > static_cast<ASUns32>(kSpotsLimit))
        throw RangeMessage("Maximum spots must be between %d and %d, inclusive.", 0, kSpotsLimit);
    }
  } catch (const std::string& message) {
    Note(message);
    return false;
  }
  return true;
}

void PreferencesDlgADM::Save() {
  conformance_ = GetItemValue(kConformanceItem);
  Prefs::Set(PrefKeys::kConformance, conformance_);
  ADMSettingsDialog::Save();
  SetSetting(PrefKeys::kConditionType, registered_ ? PrefKeys::kConditionTypeName : PrefKeys::kConditionTypeProfile);
  SetSetting(PrefKeys::kCondition, GetItemValue(kConditionItem));
  if (standard_) {
    ProfileSettings& profiles = standard_->profileSettings;
    for (const auto& row : ProfileBrowseTargets()) {
      const std::string shown = GetItemValue(row.second.popup);
      if (profiles.nameIndex.count(shown)) profiles.chosen[row.second.kind] = shown;
    }
    profiles.Save();
  }
  Prefs::Save();
}

}  // namespace Zentu
