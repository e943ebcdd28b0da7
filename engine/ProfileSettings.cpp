#include "engine/ProfileSettings.h"

#include <vector>

#include "common/Prefs.h"
#include "engine/ICCProfile.h"
#include "engine/SplitString.h"
#include "icc/icc.h"

namespace {

struct FamilyKeys {
  const char* chosen;
  const char* names;
  const char* files;
};

const FamilyKeys kKeys[ProfileSettings::kFamilies] = {
    {"default_profile", "default_profile_names", "default_profile_filenames"},
    {"gray_profile", "gray_profile_names", "gray_profile_filenames"},
    {"rgb_profile", "rgb_profile_names", "rgb_profile_filenames"},
    {"cmyk_profile", "cmyk_profile_names", "cmyk_profile_filenames"},
};

bool ValidFamily(int family) { return family >= 0 && family < ProfileSettings::kFamilies; }

// An item the stored lists can give back: not empty, no separator.
bool Storable(const std::string& item) { return !item.empty() && item.find('|') == std::string::npos; }

std::string Join(const std::vector<std::string>& items) {
  std::string joined;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i) joined += "|";
    joined += items[i];
  }
  return joined;
}

}  // namespace

namespace {

void TakeFacts(const Zentu::ICCProfile& profile, OutputIntentRecord& record) {
  record.deviceClass = profile.GetDeviceClass();
  record.colorSpace = profile.GetColorSpace();
  profile.GetDescriptionTag(record.description);
  record.hasAToB = profile.FindAToBTag(record.aToBIndex);
  record.hasBToA = profile.FindBToATag(record.bToAIndex);
}

}  // namespace

bool OutputIntentRecord::ReadProfile(const MyCosObj& stream) {
  Reset();
  hasProfile = true;
  Zentu::ICCProfile profile{boost::shared_ptr<ObjectNode>(), boost::shared_ptr<ObjectNode>()};
  read = profile.LoadFromStream(stream);
  if (read) TakeFacts(profile, *this);
  return read;
}

bool OutputIntentRecord::LoadFile(const std::string& path) {
  Reset();
  if (path.empty()) return false;
  hasProfile = true;
  file = path;
  Zentu::ICCProfile profile{boost::shared_ptr<ObjectNode>(), boost::shared_ptr<ObjectNode>()};
  read = profile.LoadFromFile(path);
  if (read) {
    TakeFacts(profile, *this);
  } else {
    extraText = profile.GetErrorText();
  }
  return read;
}

void OutputIntentRecord::Reset() {
  colorSpace = -1;
  deviceClass = -1;
  hasAToB = false;
  hasBToA = false;
  aToBIndex = -1;
  bToAIndex = -1;
  hasProfile = false;
  read = false;
  extraText.clear();
}

ProfileEntry::ProfileEntry(const std::string& entryName, const boost::shared_ptr<OutputIntentRecord>& entryRecord,
                           bool entryFlag)
    : name(entryName), record(entryRecord), flag(entryFlag) {
  if (!record) return;
  if (!record->hasProfile && !record->read && !record->file.empty()) record->LoadFile(record->file);
  const uint32_t space = static_cast<uint32_t>(record->colorSpace);
  if (space == icmSig("CMYK")) {
    family = CMYK;
  } else if (space == icmSig("GRAY")) {
    family = GRAY;
  } else if (space == icmSig("RGB ")) {
    family = RGB;
  }
  description = record->description;
}

bool ProfileSettings::Load() {
  for (int family = 0; family < kFamilies; ++family) {
    families[family].clear();
    std::string names;
    std::string files;
    Prefs::Get(kKeys[family].names, names);
    Prefs::Get(kKeys[family].files, files);
    const std::vector<std::string> nameItems = SplitString(names, "|");
    const std::vector<std::string> fileItems = SplitString(files, "|");
    for (size_t i = 0; i < nameItems.size() && i < fileItems.size(); ++i) {
      boost::shared_ptr<OutputIntentRecord> record(new OutputIntentRecord);
      record->file = fileItems[i];
      record->description = nameItems[i];
      nameIndex[nameItems[i]] = record;
      families[family].push_back(record);
    }
    Prefs::Get(kKeys[family].chosen, chosen[family]);
  }
  return true;
}

bool ProfileSettings::Save() {
  bool whole = true;
  for (int family = 0; family < kFamilies; ++family) {
    std::vector<std::string> names;
    std::vector<std::string> files;
    for (const boost::shared_ptr<OutputIntentRecord>& record : families[family]) {
      if (!record) continue;
      if (!Storable(record->description) || !Storable(record->file)) {
        whole = false;
        continue;
      }
      names.push_back(record->description);
      files.push_back(record->file);
    }
    Prefs::Set(kKeys[family].names, Join(names));
    Prefs::Set(kKeys[family].files, Join(files));
    Prefs::Set(kKeys[family].chosen, chosen[family]);
  }
  return whole;
}

bool ProfileSettings::ClearFamily(int family) {
  if (!ValidFamily(family)) return false;
  families[family].clear();
  return true;
}
