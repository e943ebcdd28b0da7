// A dialog item that shows a bitmap of the plug-in's own resources, sized to
// the bitmap when it is first drawn. Bitmaps once loaded stay in the item's
// cache, failed loads too, so switching back and forth loads each once.
#pragma once
#include <map>
#include <string>

#include <boost/shared_ptr.hpp>

#include "common/BaseADMDialog.h"
#include "common/CSafeAlloc.h"

namespace Zentu {

class DlgImage : public BaseADMItem, public CSafeAlloc {
 public:
  // One loaded bitmap; none, 0 by 0, when loading failed.
  class Image {
   public:
    Image(ASInt32 number, const std::string& prefix);
    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    WinBitmap bitmap = nullptr;
    ASInt32 width = 0, height = 0;
    std::string name;  // "<prefix>:Image<number>"
  };

  // The item belongs to the dialog, which the object receives by reference:
  // a copy of its base part would own the dialog's reference. Shows the
  // first bitmap; whether it loaded is not examined.
  DlgImage(BaseADMDialog& dialog, const char* prefix, ADMItemRef item, ASInt32 bitmap);
  ~DlgImage() override;

  // True when the item now shows that bitmap; false when it failed to load,
  // and the item keeps showing what it showed.
  bool SetImage(ASInt32 number);
  void Draw(ADMDrawerRef drawer) override;

 private:
  std::map<ASInt32, boost::shared_ptr<Image>> cache_;
  bool showing_ = false;
  ASInt32 current_ = 0;
  std::string prefix_;
};

}  // namespace Zentu
