#include "alternates/KeyedScaler.h"

#include <algorithm>
#include <cstring>
#include <limits>

KeyedScaler::KeyedScaler(int bits, int components, int width, int height, int newWidth, int newHeight,
                         std::vector<Range> key, bool average)
    : bits_(bits),
      components_(components),
      width_(width),
      height_(height),
      newWidth_(newWidth),
      newHeight_(newHeight),
      key_(std::move(key)),
      average_(average),
      row_(size_t(width) * components),
      met_(size_t(newWidth)),
      keyed_(size_t(newWidth)),
      centre_(size_t(newWidth)),
      sums_(size_t(newWidth) * components),
      nearest_(size_t(newWidth) * components),
      distance_(size_t(newWidth), std::numeric_limits<double>::infinity()) {}

int64_t KeyedScaler::End(int64_t i, int64_t from, int64_t to) {
  return std::max(First(i, from, to) + 1, std::min(from, (i + 1) * from / to));
}

bool KeyedScaler::Keyed(const int* samples) const {
  for (int c = 0; c < components_; ++c)
    if (samples[c] < key_[c].low || samples[c] > key_[c].high) return false;
  return true;
}

int KeyedScaler::Run(const unsigned char* rows, int firstRow, int count, unsigned char* out) {
  const uint64_t rowBytes = RowBytes(), newRowBytes = NewRowBytes();
  const int mask = (1 << bits_) - 1;
  int made = 0;
  for (int k = 0; k < count; ++k) {
    const int r = firstRow + k;
    const unsigned char* packed = rows + rowBytes * k;
    for (size_t s = 0; s < row_.size(); ++s) {
      const uint64_t bit = s * bits_;
      row_[s] = bits_ == 8 ? packed[s] : (packed[bit / 8] >> (8 - bits_ - bit % 8)) & mask;
    }
    // Upsampled, one source row makes several new rows.
    while (next_ < newHeight_ && First(next_, height_, newHeight_) <= r) {
      Take(r);
      if (r + 1 < End(next_, height_, newHeight_)) break;
      Make(out + newRowBytes * made++);
      ++next_;
    }
  }
  return made;
}

void KeyedScaler::Take(int r) {
  const double centreY = (next_ + 0.5) * height_ / newHeight_ - (r + 0.5);
  const bool centreRow = static_cast<int64_t>((next_ + 0.5) * height_ / newHeight_) == r;
  for (int j = 0; j < newWidth_; ++j) {
    const double centreX = (j + 0.5) * width_ / newWidth_;
    const int64_t centreColumn = static_cast<int64_t>(centreX);
    for (int64_t x = First(j, width_, newWidth_); x < End(j, width_, newWidth_); ++x) {
      const int* s = &row_[size_t(x) * components_];
      ++met_[j];
      const bool keyed = Keyed(s);
      if (centreRow && x == centreColumn) centre_[j] = keyed;
      if (keyed) {
        ++keyed_[j];
        continue;
      }
      for (int c = 0; c < components_; ++c) sums_[size_t(j) * components_ + c] += s[c];
      const double dx = x + 0.5 - centreX, d = dx * dx + centreY * centreY;
      if (d < distance_[j]) {
        distance_[j] = d;
        std::copy(s, s + components_, &nearest_[size_t(j) * components_]);
      }
    }
  }
}

void KeyedScaler::Make(unsigned char* out) {
  std::memset(out, 0, NewRowBytes());
  std::vector<int> pixel(static_cast<size_t>(components_));
  const int top = (1 << bits_) - 1;
  for (int j = 0; j < newWidth_; ++j) {
    const uint32_t unkeyed = met_[j] - keyed_[j];
    // Half and half: as the pixel at its centre.
    if (unkeyed == 0 || keyed_[j] * uint64_t(2) > met_[j] || (keyed_[j] * uint64_t(2) == met_[j] && centre_[j])) {
      for (int c = 0; c < components_; ++c) pixel[c] = static_cast<int>(std::max<int64_t>(0, key_[c].low));
    } else {
      for (int c = 0; c < components_; ++c)
        pixel[c] = static_cast<int>((sums_[size_t(j) * components_ + c] + unkeyed / 2) / unkeyed);
      if (!average_ || Keyed(pixel.data()))
        std::copy(&nearest_[size_t(j) * components_], &nearest_[size_t(j) * components_] + components_, pixel.begin());
    }
    for (int c = 0; c < components_; ++c) {
      const uint64_t bit = (uint64_t(j) * components_ + c) * bits_;
      const int v = std::min(pixel[c], top);
      if (bits_ == 8)
        out[bit / 8] = static_cast<unsigned char>(v);
      else
        out[bit / 8] |= static_cast<unsigned char>(v << (8 - bits_ - bit % 8));
    }
    met_[j] = keyed_[j] = 0;
    centre_[j] = false;
    std::fill(&sums_[size_t(j) * components_], &sums_[size_t(j) * components_] + components_, 0);
    distance_[j] = std::numeric_limits<double>::infinity();
  }
}
