#include "common/DlgImage.h"

#include <cstdio>

#include "common/ADMSuites.h"
#include "common/HostCall.h"

namespace Zentu {

DlgImage::Image::Image(ASInt32 number, const std::string& prefix) {
  bitmap = WinLoadBitmap(PluginModule(), number, winLoadMap3DColours);
  WinBitmapInfo info{};
  if (bitmap && WinGetBitmapInfo(bitmap, &info)) {
    width = info.width;
    height = info.height;
  }
  char text[32];
  std::snprintf(text, sizeof text, ":Image%d", static_cast<int>(number));
  name = prefix + text;
}

DlgImage::Image::~Image() {
  if (bitmap) HostCallQuietly([this] { WinDeleteBitmap(bitmap); });
}

DlgImage::DlgImage(BaseADMDialog& dialog, const char* prefix, ADMItemRef item, ASInt32 bitmap)
    : BaseADMItem(item, &dialog), prefix_(prefix ? prefix : "") {
  SetImage(bitmap);
}

DlgImage::~DlgImage() = default;

bool DlgImage::SetImage(ASInt32 number) {
  auto it = cache_.find(number);
  if (it == cache_.end()) it = cache_.emplace(number, boost::shared_ptr<Image>(new Image(number, prefix_))).first;
  if (!it->second->bitmap) return false;
  current_ = number;
  showing_ = true;
  ADMItem::Redraw(item_);
  return true;
}

// Failures of the drawing calls are not reported; a context made is deleted.
void DlgImage::Draw(ADMDrawerRef drawer) {
  if (!showing_) return;
  const Image& image = *cache_[current_];
  if (!image.bitmap) return;
  WinDC memory = nullptr;
  HostCallQuietly([&] {
    WinDC dc = ADMDrawer::GetDC(drawer);
    memory = WinCreateCompatibleDC(dc);
    ADMRect area{};
    ADMDrawer::GetBoundsRect(drawer, &area);
    WinBitmap kept = WinSelectBitmap(memory, image.bitmap);
    if (image.width != area.right - area.left || image.height != area.bottom - area.top) {
      area.right = area.left + image.width;
      area.bottom = area.top + image.height;
      ADMItem::Resize(item_, image.width, image.height);
    }
    WinBitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, memory, 0, 0, winCopySource);
    WinSelectBitmap(memory, kept);
  });
  if (memory) HostCallQuietly([&] { WinDeleteDC(memory); });
}

}  // namespace Zentu
