// A base whose objects live in the host's memory ("AcroSupport"): `new`
// answers none when the host gives no memory (the constructor is then not
// run), and the memory goes back to the host when the object is deleted or
// its constructor throws.
#pragma once
#include <cstddef>

#include "host/frame.h"

class CSafeAlloc {
 public:
  static void* operator new(std::size_t size) noexcept {
    void* memory = nullptr;
    try {
      HostRegion([&] { memory = ASMalloc(static_cast<ASSize_t>(size)); });
    } catch (...) {
      memory = nullptr;
    }
    return memory;
  }
  static void operator delete(void* memory) noexcept {
    if (!memory) return;
    try {
      HostRegion([&] { ASFree(memory); });
    } catch (...) {
    }
  }
};
