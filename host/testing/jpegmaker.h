// JPEG data written with libjpeg, for test and benchmark documents.
#pragma once
#include <functional>
#include <string>

namespace hosttest {

struct JpegSpec {
  int width = 0, height = 0;
  int components = 3;  // 1 gray, 3 RGB, 4 CMYK
  int quality = 85;
  // Samples stored transformed (YCbCr, YCCK) or as given.
  bool transform = true;
  // The Adobe APP14 marker, which names the transform; libjpeg's own choice
  // when unset.
  enum class Adobe { Default, Written, Omitted } adobe = Adobe::Default;
  // Component ids 'R', 'G', 'B' (else 1, 2, 3): what a reader looks at to
  // guess the transform when no marker names it.
  bool rgbIds = false;
  bool progressive = false;
};

// `row(y, samples)` fills row y: width x components bytes.
std::string MakeJpeg(const JpegSpec& spec, const std::function<void(int, unsigned char*)>& row);

}  // namespace hosttest
