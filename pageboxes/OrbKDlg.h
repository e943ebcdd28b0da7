// The "Orb/K" palette: the PDF/X facts of the document in view, and the
// mode that fixes three of the host's viewing preferences while it is on
// (overprint on, local fonts off, preference 96 off), putting the user's
// own values back when it ends.
#pragma once
#include <string>

#include "pageboxes/DialogGroup.h"

class OrbKDlg : public GroupedADMDialog {
 public:
  OrbKDlg();
  ~OrbKDlg() override;

  bool DoModeless(ASInt32 style, ASInt32 options) override;
  void InitSelf() override;
  void DestroySelf() override;
  void Notify(ADMNotifierRef notifier) override;
  void OnGroupNotify(AVPageView view) override;

  // On: keeps the user's values when asked, then sets the mode's and
  // watches the preferences; off: puts the user's values back.
  void SetMode(bool on, bool keepUserValues);
  bool ModeOn() const { return mode_; }

 private:
  struct PrefRecord {
    ASInt16 preference;
    ASInt16 modeValue;
    ASInt16 userValue;
  };

  void ShowFacts(AVPageView view);
  // Each preference to its mode value, or to the user's.
  void Apply(bool modeValues);
  void OnPreferenceChanged(ASInt32 preference);
  static void PreferenceChanged(ASInt32 preference, void* data);

  bool mode_ = false;
  PrefRecord records_[3] = {{96, 0, 0}, {131, 1, 0}, {76, 0, 0}};
  bool registered_ = false;
  ADMRect bounds_{};
};
