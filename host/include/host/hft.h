// Host function tables: named, versioned arrays of entry points indexed by
// selector. Selectors the plug-ins' description names keep their numbers;
// operations of our own start at 1000 in each table.
#pragma once
#include "host/astypes.h"

typedef void (*HFTEntry)(void);

typedef struct _t_HFTRec {
  const char* name;
  ASUns32 version;
  ASUns32 size;  // number of slots, selector 0 unused
  HFTEntry* entries;
} HFTRec;
typedef HFTRec* HFT;

#define HFT_VERSION(major, minor) ((ASUns32)(((major) << 16) | (minor)))

// The entry at a selector, cast to its signature. A missing entry is a
// programming fault on the host side; calling it would crash, so the
// wrappers go through HFTProc, which raises instead.
[[noreturn]] void HFTMissingEntry(HFT hft, ASUns32 sel);

template <class Fn>
inline Fn HFTProc(HFT hft, ASUns32 sel) {
  if (!hft || sel >= hft->size || !hft->entries[sel]) HFTMissingEntry(hft, sel);
  return reinterpret_cast<Fn>(hft->entries[sel]);
}
