// Windows bitmaps and device contexts, headless: a bitmap is one of a
// module's bitmap resources, a memory context holds the bitmap selected into
// it, and a copy into a drawer's context is recorded in that drawer's record
// as the bitmap's resource number. The host counts what lives, so tests see
// leaks.
#include <map>

#include "dialogs/model.h"

namespace host {
namespace {

struct BitmapRec {
  ASInt32 number, width, height;
};

struct ContextRec {
  dm::Drawer* drawer;  // none: a memory context
  WinBitmap selected;
};

struct GdiState {
  std::map<WinBitmap, BitmapRec> bitmaps;
  std::map<WinDC, ContextRec> contexts;
  uintptr_t next = 0x100;
};

GdiState& G() {
  static auto* state = new GdiState;
  return *state;
}

template <class Handle>
Handle NewHandle() {
  return reinterpret_cast<Handle>(G().next++);
}

ContextRec* Context(WinDC dc) {
  auto it = G().contexts.find(dc);
  return it == G().contexts.end() ? nullptr : &it->second;
}

#define ENTER(sel) Enter(TableId::Windows, WindowsSel::sel)

// The bitmap resource `number` of the module, at its own size.
WinBitmap WinLoadBitmapImpl(WinModule module, ASInt32 number, ASUns32) {
  ENTER(LoadBitmap);
  const PIBitmapResource* found = FindBitmap(module, number);
  if (!found || found->width <= 0 || found->height <= 0 || !found->pixels) {
    hosttest::LogCall("no bitmap " + std::to_string(number));
    return nullptr;
  }
  WinBitmap bitmap = NewHandle<WinBitmap>();
  G().bitmaps[bitmap] = BitmapRec{number, found->width, found->height};
  hosttest::LogCall("bitmap " + std::to_string(number) + " loaded");
  return bitmap;
}

ASBool WinGetBitmapInfoImpl(WinBitmap bitmap, WinBitmapInfo* info) {
  ENTER(GetBitmapInfo);
  auto it = G().bitmaps.find(bitmap);
  if (it == G().bitmaps.end() || !info) return 0;
  *info = WinBitmapInfo{it->second.width, it->second.height};
  return 1;
}

WinDC WinCreateCompatibleDCImpl(WinDC dc) {
  ENTER(CreateCompatibleDC);
  if (dc && !Context(dc)) return nullptr;
  WinDC memory = NewHandle<WinDC>();
  G().contexts[memory] = ContextRec{nullptr, nullptr};
  return memory;
}

// Answers the bitmap the context held before (none at first).
WinBitmap WinSelectBitmapImpl(WinDC dc, WinBitmap bitmap) {
  ENTER(SelectBitmap);
  ContextRec* context = Context(dc);
  if (!context || context->drawer || (bitmap && !G().bitmaps.count(bitmap))) return nullptr;
  WinBitmap previous = context->selected;
  context->selected = bitmap;
  return previous;
}

ASBool WinBitBltImpl(WinDC target, ASInt32 x, ASInt32 y, ASInt32 width, ASInt32 height, WinDC source, ASInt32,
                     ASInt32, ASUns32) {
  ENTER(BitBlt);
  ContextRec* to = Context(target);
  ContextRec* from = Context(source);
  if (!to || !from || !from->selected || width < 0 || height < 0) return 0;
  if (to->drawer) {
    dm::Drawer& drawer = *to->drawer;
    ADMRect rect{x, y, x + width, y + height};
    drawer.record->push_back(dm::DrawOp{dm::DrawOp::Bitmap, rect, drawer.color, "", G().bitmaps[from->selected].number});
  }
  return 1;
}

// A drawer's own context goes with the drawer.
ASBool WinDeleteDCImpl(WinDC dc) {
  ENTER(DeleteDC);
  ContextRec* context = Context(dc);
  if (!context || context->drawer) return 0;
  G().contexts.erase(dc);
  return 1;
}

ASBool WinDeleteBitmapImpl(WinBitmap bitmap) {
  ENTER(DeleteBitmap);
  if (!G().bitmaps.erase(bitmap)) return 0;
  for (auto& entry : G().contexts)
    if (entry.second.selected == bitmap) entry.second.selected = nullptr;
  return 1;
}

}  // namespace

WinDC DrawerDC(dm::Drawer& drawer) {
  if (!drawer.dc) {
    drawer.dc = NewHandle<WinDC>();
    G().contexts[drawer.dc] = ContextRec{&drawer, nullptr};
  }
  return drawer.dc;
}

ASInt32 BitmapNumber(WinBitmap bitmap) {
  auto it = G().bitmaps.find(bitmap);
  return it == G().bitmaps.end() ? 0 : it->second.number;
}

void ReleaseDrawerDC(dm::Drawer& drawer) {
  if (drawer.dc) G().contexts.erase(drawer.dc);
  drawer.dc = nullptr;
}

void InitBitmapEntries() {
  HFT windows = Import(WINDOWS_HFT_NAME, HFT_VERSION(1, 0));
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(windows, WindowsSel, Win##name##Impl, name, ret, params);
  HOST_WINDOWS_BITMAP_PROCS(FILL)
#undef FILL
}

}  // namespace host

namespace hosttest {
int LiveBitmaps() { return static_cast<int>(host::G().bitmaps.size()); }
int LiveDeviceContexts() { return static_cast<int>(host::G().contexts.size()); }
}  // namespace hosttest
