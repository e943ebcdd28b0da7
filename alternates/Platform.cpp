#include "alternates/Platform.h"

#include "alternates/Preferences.h"
#include "common/ADMSuites.h"

Platform::~Platform() = default;

Platform* Platform::Get() {
  static Platform* instance = nullptr;
  if (!instance) instance = new WinPlatform;
  return instance;
}

PrefStore* WinPlatform::CreatePrefStore() { return new RegistryPrefStore; }

WinBitmap WinPlatform::LoadBitmap(ASInt32 number) {
  WinBitmap bitmap = nullptr;
  // A resource number is a 16-bit identifier.
  HostRegion([&] { bitmap = WinLoadBitmap(PluginModule(), number & 0xFFFF, 0); });
  return bitmap;
}
