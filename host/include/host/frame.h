// Host exception frames on the plug-in side. A region pushes one frame, runs
// its body and pops the frame before anything leaves it: a host raise comes
// back as the raised code, any other exception is rethrown after the pop.
#pragma once
#include "host/calls.h"

struct HostRegionResult {
  bool raised;       // the host raised inside the region (possibly with code 0)
  ASErrorCode code;  // the raised code; 0 when nothing was raised
};

template <class Body>
inline HostRegionResult HostRegion(Body&& body) {
  char frame;  // the frame's identity for the host's stack
  ASPushExceptionFrame(&frame);
  try {
    body();
  } catch (const ASHostRaise&) {
    ASPopExceptionFrame();
    return HostRegionResult{true, ASGetExceptionErrorCode()};
  } catch (...) {
    ASPopExceptionFrame();
    throw;
  }
  ASPopExceptionFrame();
  return HostRegionResult{false, 0};
}
