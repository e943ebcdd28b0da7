// The "Fonts" and "Colors" palettes: the font or colour names that the
// pages of the document in view use, from the tool's scan.
#pragma once
#include "pageboxes/DialogGroup.h"

class ResourceDlg : public GroupedADMDialog {
 public:
  enum Mode : ASInt32 { kFonts = 0, kColors = 1 };
  explicit ResourceDlg(ASInt32 mode);

  bool DoModeless(ASInt32 style, ASInt32 options) override;
  void InitSelf() override;
  void DestroySelf() override {}
  // The list follows the palette's size.
  void Notify(ADMNotifierRef notifier) override;
  void OnGroupNotify(AVPageView view) override;
  // Lists the names for the view's document; none: an empty list.
  void FillLists(AVPageView view);

 private:
  void FollowSize();

  ADMRect bounds_{};
  ASInt32 mode_;
};
