#include "alternates/AboutPicture.h"

#include "common/ADMSuites.h"
#include "common/HostCall.h"

AboutPicture::AboutPicture(ADMItemRef item, ADMUserData userData, ASInt32 bitmap) : BaseADMItem(item, userData) {
  HostCallQuietly([&] { bitmap_ = WinLoadBitmap(PluginModule(), bitmap & 0xFFFF, winLoadMap3DColours); });
}

AboutPicture::~AboutPicture() {
  if (bitmap_) HostCallQuietly([this] { WinDeleteBitmap(bitmap_); });
}

// The host's selection answers the context's previous bitmap (none for a new
// context), which says nothing of success: the copy goes by the bitmap held.
void AboutPicture::Draw(ADMDrawerRef drawer) {
  if (!bitmap_) return;
  WinDC memory = nullptr;
  HostCallQuietly([&] {
    WinDC dc = ADMDrawer::GetDC(drawer);
    memory = WinCreateCompatibleDC(dc);
    if (!memory) return;
    ADMRect area{};
    ADMDrawer::GetBoundsRect(drawer, &area);
    WinBitmap kept = WinSelectBitmap(memory, bitmap_);
    WinBitBlt(dc, area.left, area.top, area.right, area.bottom, memory, 0, 0, winCopySource);
    WinSelectBitmap(memory, kept);
  });
  if (memory) HostCallQuietly([&] { WinDeleteDC(memory); });
}
