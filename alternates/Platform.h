// The platform layer: where the option store lives and how the plug-in's
// bitmaps are loaded.
#pragma once
#include "common/CSafeAlloc.h"

class PrefStore;

class Platform : public CSafeAlloc {
 public:
  // Made on first use (a WinPlatform) and never freed; none when the host
  // had no memory for it.
  static Platform* Get();
  // A new store, owned by the caller; none without memory.
  virtual PrefStore* CreatePrefStore() = 0;
  // A bitmap resource of the plug-in's own module; none when it has no such
  // bitmap. Only the low 16 bits of the number count.
  virtual WinBitmap LoadBitmap(ASInt32 number) = 0;
  virtual ~Platform();
};

class WinPlatform : public Platform {
 public:
  PrefStore* CreatePrefStore() override;
  WinBitmap LoadBitmap(ASInt32 number) override;
};
