// Image data made by independent encoders, for the documents tests make:
// OpenJPEG for JPEG 2000, libtiff's group 4 coding for JBIG2's MMR regions.
#pragma once
#include <cstdint>
#include <string>

#include "testing/pdfmaker.h"

namespace hosttest {

// A lossless JPEG 2000 codestream of `components` 8-bit samples (4: CMYK,
// 1: gray), w by h, in a pattern of its own.
std::string Jpx(uint32_t w, uint32_t h, uint32_t components = 4);
// One embedded JBIG2 page: page information and an immediate generic region
// with MMR coding, w by h bits in stripes; `dir` holds the files it needs.
std::string Jbig2(const TempDir& dir, uint32_t w, uint32_t h);

}  // namespace hosttest
