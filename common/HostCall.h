// Host calls outside the Cos wrappers: one host frame around them, and a
// raise with a non-zero code comes out as Zentu::AcrobatException naming the
// operation (no object number).
#pragma once
#include <utility>

#include "common/AcrobatException.h"
#include "host/frame.h"

template <class Body>
void HostCall(const char* where, Body&& body) {
  HostRegionResult r = HostRegion(std::forward<Body>(body));
  if (r.raised && r.code != 0) throw Zentu::AcrobatException(-1, r.code, where);
}

// Host calls whose failure changes nothing for the caller (clean-up in a
// destructor, a cosmetic step): a raise or any exception is dropped.
template <class Body>
void HostCallQuietly(Body&& body) noexcept {
  try {
    HostRegion(std::forward<Body>(body));
  } catch (...) {
  }
}
