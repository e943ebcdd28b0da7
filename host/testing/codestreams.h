// Image data of the kinds the host decodes itself, made for tests by
// independent encoders: JPEG 2000 by OpenJPEG, JBIG2 segments around the
// group 4 data that libtiff's ppm2tiff writes.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "testing/pdfmaker.h"

namespace hosttest {

// A lossless JPEG 2000 codestream of `components` components of `bits`
// bits; sample `i` (row by row) of component `c` is `sample(i, c)`.
std::string JpxCodestream(uint32_t width, uint32_t height, uint32_t components,
                          const std::function<int(uint32_t i, uint32_t c)>& sample, uint32_t bits = 8);

// A JP2 file of a one-component codestream of `bits` bits whose own header
// maps it through `palette` (entries of `channels` bytes each) to a CMYK (4)
// or sRGB (3) image.
std::string Jp2WithPalette(const std::string& codestream, uint32_t width, uint32_t height,
                           const std::vector<std::string>& palette, int channels, uint32_t bits = 8);

// A JP2 file of `codestream` (of `components` components of `bits` bits),
// its header naming the colour space: greyscale, sRGB or CMYK by the count.
std::string Jp2File(const std::string& codestream, uint32_t width, uint32_t height, uint32_t components,
                    uint32_t bits = 8);

// The four bytes of `v`, most significant first.
std::string Big32(uint32_t v);

// Group 4 data of a `width` x `height` bitmap whose rows are `rows` as a
// PBM holds them (1 is black).
std::string GroupFour(const TempDir& dir, uint32_t width, uint32_t height, const std::string& rows);

// A JBIG2 segment of an embedded stream: its header (one-byte page
// association, segment numbers `referred` below 256) and `data`. The
// referred-to count in the long form when `longCount`, which the format
// keeps for more than four (a smaller count there is not valid).
std::string Jbig2Segment(uint32_t number, int type, const std::string& data, int page = 1,
                         const std::vector<uint8_t>& referred = {}, bool longCount = false);

// JBIG2 page information for a `width` x `height` page.
std::string Jbig2PageInformation(uint32_t width, uint32_t height);

// One embedded JBIG2 page: page information and an immediate generic region
// with MMR coding, of a `width` x `height` pattern of stripes.
std::string Jbig2Page(const TempDir& dir, uint32_t width, uint32_t height);

}  // namespace hosttest
