// The checker's preferences: the standard checked against, the printing
// condition of the output intent (a registered name or a profile file of the
// user's own), the profiles of the default colour spaces (PDF/X-3 only), and
// the workflow limits. Profile files added with Browse are tested before they
// join a list; OK validates the numbers, writes every setting and saves the
// registry; Cancel changes nothing.
#pragma once
#include <map>
#include <string>

#include <boost/shared_ptr.hpp>

#include "checker/ADMSettingsDialog.h"
#include "engine/Conformance.h"

namespace Zentu {

// A Browse button's pop-up and the kind of profile it adds (0 the printing
// condition's, 1 gray, 2 RGB, 3 CMYK).
struct ProfileBrowseTarget {
  ASInt32 popup;
  int kind;
};
typedef std::map<ASInt32, ProfileBrowseTarget> ProfileBrowseTable;

// Keyed by Browse button; filled when the plug-in loads, emptied when it unloads.
ProfileBrowseTable& ProfileBrowseTargets();
void LoadProfileBrowseTargets();
void ClearProfileBrowseTargets();

class PreferencesDlgADM : public ADMSettingsDialog {
 public:
  enum : ASInt32 {
    kResource = 135,
    kConformanceItem = 1026,
    kConditionItem = 1028,
    kFailItem = 1029,
    kAutoFixItem = 1030,
    kConditionProfileItem = 1031,
    kWorkflowItem = 1032,
    kJpegItem = 1033,
    kType1Item = 1034,
    kImageDpiItem = 1035,
    kMinImageItem = 1036,
    kMaxImageItem = 1037,
    kBitmapDpiItem = 1038,
    kMaxSpotsItem = 1039,
    kConditionBrowseItem = 1042,
    kDescriptionItem = 1043,
    kColorSpacesFirst = 1044,  // the Default Color Spaces frame to the
    kColorSpacesLast = 1053,   // last Browse button
    kMinBitmapItem = 1054,
    kMaxBitmapItem = 1055,
    kRegisteredItem = 1056,
    kProfileItem = 1057,
  };

  PreferencesDlgADM() = default;
  ~PreferencesDlgADM() override;

  void InitSelf() override;
  void Notify(ADMNotifierRef notifier) override;
  // Alerts the first number out of its range (only with the workflow checks
  // on) or a missing printing-condition profile; the dialog then stays.
  bool Validate() override;
  void Save() override;
  void DestroySelf() override {}
  void BindSettings() override;

  // 1 after OK, 2 after Cancel.
  virtual ASInt32 DoModal();
  virtual bool GetSetting(std::string key, std::string& value);
  virtual bool SetSetting(std::string key, const std::string& value);

 protected:
  // The standard of pop-up 1026: its condition names and profile lists.
  void UpdateProfiles();
  void ConditionChanged();
  void EnableImageDpi();
  void EnableBitmapDpi();
  // A Browse button: a profile file chosen, tested and listed.
  void CheckProfile(ASInt32 browseButton);
  // False when nothing was chosen or the file is no profile (alerted).
  bool ChooseProfileFile(OutputIntentRecord& record);
  // The radio buttons follow the way the printing condition is given.
  void SetRegistered(bool registered);

  std::string conformance_;
  bool registered_ = true;
  std::string conditionName_;
  boost::shared_ptr<Conformance> standard_;
  bool failIfNotDefault_ = false, autoFix_ = false, workflow_ = false, allowJpeg_ = false, type1Only_ = false,
       constrainImage_ = false;
  ASUns32 minImageDpi_ = 0, maxImageDpi_ = 0;
  bool constrainBitmap_ = false;
  ASUns32 minBitmapDpi_ = 0, maxBitmapDpi_ = 0;
};

// atoi's reading of a text (blanks, a sign, digits), held at the 32-bit
// limits where atoi's result would be undefined.
ASInt32 SaturatedAtoi(const std::string& text);

}  // namespace Zentu
