// Resampling of an image whose colour-key mask names exact sample values,
// which an average does not keep: each new pixel stands for the source
// pixels of its share of the image, and is the key's own colour where most
// of them are keyed, else the mean of those that are not (a source pixel's
// own colour where that mean would be keyed, or where no mean stands for
// the samples: one bit, indices). Half and half goes as the pixel at its
// centre, so that neither side gains area.
#pragma once
#include <cstdint>
#include <vector>

class KeyedScaler {
 public:
  struct Range {
    int64_t low, high;
  };
  // `key`: a range a component; `average`: whether a mean of samples is a
  // colour of the image.
  KeyedScaler(int bits, int components, int width, int height, int newWidth, int newHeight, std::vector<Range> key,
              bool average);

  // Takes `count` packed rows (in order, from `firstRow` on) and writes the
  // new rows they complete, packed, into `out`; answers how many.
  int Run(const unsigned char* rows, int firstRow, int count, unsigned char* out);

  uint64_t RowBytes() const { return (uint64_t(width_) * components_ * bits_ + 7) / 8; }
  uint64_t NewRowBytes() const { return (uint64_t(newWidth_) * components_ * bits_ + 7) / 8; }

 private:
  // The source rows (columns) of new row (column) `i` of `to` over `from`:
  // from First to End, at least one.
  static int64_t First(int64_t i, int64_t from, int64_t to) { return i * from / to; }
  static int64_t End(int64_t i, int64_t from, int64_t to);
  bool Keyed(const int* samples) const;
  void Take(int row);
  void Make(unsigned char* out);

  int bits_, components_, width_, height_, newWidth_, newHeight_;
  std::vector<Range> key_;
  bool average_;
  int next_ = 0;  // the new row under way
  std::vector<int> row_;  // one source row's samples
  // Per new column: pixels met, those keyed, whether the one at its centre
  // is, the others' sums, and the unkeyed pixel nearest its centre with its
  // distance.
  std::vector<uint32_t> met_, keyed_;
  std::vector<char> centre_;
  std::vector<uint64_t> sums_;
  std::vector<int> nearest_;
  std::vector<double> distance_;
};
