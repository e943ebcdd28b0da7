// A picture item of the About dialog: one of the plug-in's bitmaps, copied
// into the item at its bounds as it stands.
#pragma once
#include "common/BaseADMDialog.h"

class AboutPicture : public BaseADMItem {
 public:
  // Loads the plug-in's bitmap resource `bitmap` (its low 16 bits); a bitmap
  // that does not load leaves the item drawing nothing.
  AboutPicture(ADMItemRef item, ADMUserData userData, ASInt32 bitmap);
  ~AboutPicture() override;
  void Draw(ADMDrawerRef drawer) override;

 private:
  WinBitmap bitmap_ = nullptr;
};
