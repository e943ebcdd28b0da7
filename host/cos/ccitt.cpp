#include "cos/ccitt.h"

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFStreamFilter.hh>

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace host {
namespace {

struct Code {
  unsigned bits;
  int length;
};

// Run-length codes (T.4): terminating codes for 0..63, make-up codes for
// 64..1728 by 64, and the make-up codes both colours share for 1792..2560.
const Code kWhiteTerm[64] = {{0x35, 8}, {0x7, 6}, {0x7, 4}, {0x8, 4}, {0xb, 4}, {0xc, 4}, {0xe, 4}, {0xf, 4}, {0x13, 5}, {0x14, 5}, {0x7, 5}, {0x8, 5}, {0x8, 6}, {0x3, 6}, {0x34, 6}, {0x35, 6}, {0x2a, 6}, {0x2b, 6}, {0x27, 7}, {0xc, 7}, {0x8, 7}, {0x17, 7}, {0x3, 7}, {0x4, 7}, {0x28, 7}, {0x2b, 7}, {0x13, 7}, {0x24, 7}, {0x18, 7}, {0x2, 8}, {0x3, 8}, {0x1a, 8}, {0x1b, 8}, {0x12, 8}, {0x13, 8}, {0x14, 8}, {0x15, 8}, {0x16, 8}, {0x17, 8}, {0x28, 8}, {0x29, 8}, {0x2a, 8}, {0x2b, 8}, {0x2c, 8}, {0x2d, 8}, {0x4, 8}, {0x5, 8}, {0xa, 8}, {0xb, 8}, {0x52, 8}, {0x53, 8}, {0x54, 8}, {0x55, 8}, {0x24, 8}, {0x25, 8}, {0x58, 8}, {0x59, 8}, {0x5a, 8}, {0x5b, 8}, {0x4a, 8}, {0x4b, 8}, {0x32, 8}, {0x33, 8}, {0x34, 8}};
const Code kWhiteMakeup[27] = {{0x1b, 5}, {0x12, 5}, {0x17, 6}, {0x37, 7}, {0x36, 8}, {0x37, 8}, {0x64, 8}, {0x65, 8}, {0x68, 8}, {0x67, 8}, {0xcc, 9}, {0xcd, 9}, {0xd2, 9}, {0xd3, 9}, {0xd4, 9}, {0xd5, 9}, {0xd6, 9}, {0xd7, 9}, {0xd8, 9}, {0xd9, 9}, {0xda, 9}, {0xdb, 9}, {0x98, 9}, {0x99, 9}, {0x9a, 9}, {0x18, 6}, {0x9b, 9}};
const Code kBlackTerm[64] = {{0x37, 10}, {0x2, 3}, {0x3, 2}, {0x2, 2}, {0x3, 3}, {0x3, 4}, {0x2, 4}, {0x3, 5}, {0x5, 6}, {0x4, 6}, {0x4, 7}, {0x5, 7}, {0x7, 7}, {0x4, 8}, {0x7, 8}, {0x18, 9}, {0x17, 10}, {0x18, 10}, {0x8, 10}, {0x67, 11}, {0x68, 11}, {0x6c, 11}, {0x37, 11}, {0x28, 11}, {0x17, 11}, {0x18, 11}, {0xca, 12}, {0xcb, 12}, {0xcc, 12}, {0xcd, 12}, {0x68, 12}, {0x69, 12}, {0x6a, 12}, {0x6b, 12}, {0xd2, 12}, {0xd3, 12}, {0xd4, 12}, {0xd5, 12}, {0xd6, 12}, {0xd7, 12}, {0x6c, 12}, {0x6d, 12}, {0xda, 12}, {0xdb, 12}, {0x54, 12}, {0x55, 12}, {0x56, 12}, {0x57, 12}, {0x64, 12}, {0x65, 12}, {0x52, 12}, {0x53, 12}, {0x24, 12}, {0x37, 12}, {0x38, 12}, {0x27, 12}, {0x28, 12}, {0x58, 12}, {0x59, 12}, {0x2b, 12}, {0x2c, 12}, {0x5a, 12}, {0x66, 12}, {0x67, 12}};
const Code kBlackMakeup[27] = {{0xf, 10}, {0xc8, 12}, {0xc9, 12}, {0x5b, 12}, {0x33, 12}, {0x34, 12}, {0x35, 12}, {0x6c, 13}, {0x6d, 13}, {0x4a, 13}, {0x4b, 13}, {0x4c, 13}, {0x4d, 13}, {0x72, 13}, {0x73, 13}, {0x74, 13}, {0x75, 13}, {0x76, 13}, {0x77, 13}, {0x52, 13}, {0x53, 13}, {0x54, 13}, {0x55, 13}, {0x5a, 13}, {0x5b, 13}, {0x64, 13}, {0x65, 13}};
const Code kExtendedMakeup[13] = {{0x8, 11}, {0xc, 11}, {0xd, 11}, {0x12, 12}, {0x13, 12}, {0x14, 12}, {0x15, 12}, {0x16, 12}, {0x17, 12}, {0x1c, 12}, {0x1d, 12}, {0x1e, 12}, {0x1f, 12}};
const Code kEol = {1, 12};

// Two-dimensional modes (T.4 and T.6).
enum Mode { kPass, kHorizontal, kV0, kVR1, kVR2, kVR3, kVL1, kVL2, kVL3 };
const Code kModeCodes[] = {{1, 4}, {1, 3}, {1, 1}, {3, 3}, {3, 6}, {3, 7}, {2, 3}, {2, 6}, {2, 7}};

// The columns where the colour changes, first to black; then three copies of
// the width, so that the two-dimensional coders can always look two ahead.
using Changes = std::vector<int>;

void EndChanges(Changes& c, int columns) { c.insert(c.end(), 3, columns); }

size_t RowBytes(const CcittParams& p) { return static_cast<size_t>((p.columns + 7) / 8); }

// Changing elements of a packed row; a black pixel is a 0 bit unless BlackIs1.
void RowChanges(const unsigned char* row, const CcittParams& p, Changes& out) {
  out.clear();
  int columns = static_cast<int>(p.columns);
  unsigned blackBit = p.blackIs1 ? 1 : 0;
  bool black = false;
  for (int x = 0; x < columns;) {
    unsigned char byte = row[x >> 3];
    // Whole bytes of the current colour are passed over at once.
    if ((x & 7) == 0 && x + 8 <= columns) {
      unsigned char same = (black == (blackBit == 1)) ? 0xFF : 0x00;
      if (byte == same) {
        x += 8;
        continue;
      }
    }
    bool isBlack = ((byte >> (7 - (x & 7))) & 1) == blackBit;
    if (isBlack != black) {
      out.push_back(x);
      black = isBlack;
    }
    ++x;
  }
  EndChanges(out, columns);
}

class BitWriter {
 public:
  void Put(unsigned bits, int length) {
    acc_ = (acc_ << length) | bits;
    count_ += length;
    while (count_ >= 8) {
      out_.push_back(static_cast<char>((acc_ >> (count_ - 8)) & 0xFF));
      count_ -= 8;
    }
    acc_ &= (1u << count_) - 1;
  }
  void Put(const Code& c) { Put(c.bits, c.length); }
  void Align() {
    if (count_) Put(0, 8 - count_);
  }
  std::string Take() {
    Align();
    return std::move(out_);
  }

 private:
  std::string out_;
  uint32_t acc_ = 0;
  int count_ = 0;
};

void PutRun(BitWriter& w, int run, bool black) {
  while (run >= 2560) {
    w.Put(kExtendedMakeup[12]);
    run -= 2560;
  }
  if (run >= 64) {
    int m = run / 64;
    w.Put(m <= 27 ? (black ? kBlackMakeup : kWhiteMakeup)[m - 1] : kExtendedMakeup[m - 28]);
    run -= m * 64;
  }
  w.Put((black ? kBlackTerm : kWhiteTerm)[run]);
}

void Encode1D(BitWriter& w, const Changes& cur, int columns) {
  int a0 = 0;
  bool black = false;
  for (size_t i = 0;; ++i) {
    int a1 = std::min(cur[i], columns);
    PutRun(w, a1 - a0, black);
    if (a1 >= columns) break;
    a0 = a1;
    black = !black;
  }
}

// b1: the first change of the reference line right of a0 whose colour is
// the opposite of a0's (changes to black sit at even places).
size_t FindB1(const Changes& ref, size_t from, int a0, bool black) {
  size_t i = from;
  while (ref[i] <= a0 && ref[i] < ref.back()) ++i;
  if ((i % 2 == 1) != black) ++i;
  return std::min(i, ref.size() - 2);
}

void Encode2D(BitWriter& w, const Changes& cur, const Changes& ref, int columns) {
  int a0 = -1;
  bool black = false;
  size_t ai = 0;  // index of a1 in cur
  size_t bi = 0;
  for (;;) {
    while (cur[ai] <= a0 && cur[ai] < columns) ++ai;
    int a1 = cur[ai];
    bi = FindB1(ref, bi > 0 ? bi - 1 : 0, a0, black);
    int b1 = ref[bi], b2 = ref[bi + 1];
    if (b2 < a1) {
      w.Put(kModeCodes[kPass]);
      a0 = b2;
    } else if (a1 - b1 >= -3 && a1 - b1 <= 3) {
      static const Mode v[] = {kVL3, kVL2, kVL1, kV0, kVR1, kVR2, kVR3};
      w.Put(kModeCodes[v[a1 - b1 + 3]]);
      a0 = a1;
      black = !black;
    } else {
      int a2 = cur[ai + 1];
      w.Put(kModeCodes[kHorizontal]);
      PutRun(w, a1 - std::max(a0, 0), black);
      PutRun(w, a2 - a1, !black);
      a0 = a2;
    }
    if (a0 >= columns) break;
  }
}

// Reads bits most significant first, from coded data handed over piece by
// piece; past the end it reads zeros. Only what lies after the mark is kept.
class BitReader {
 public:
  explicit BitReader(const CcittSource& more) : more_(more) {}
  // Up to 13 bits.
  unsigned Peek(int n) {
    const size_t byte = pos_ >> 3;
    Have(byte + 3);
    uint32_t v = 0;
    for (size_t i = 0; i < 3; ++i) v = (v << 8) | (byte + i < end_ ? buf_[byte + i - base_] : 0);
    return (v >> (24 - (pos_ & 7) - static_cast<size_t>(n))) & ((1u << n) - 1);
  }
  void Skip(int n) { pos_ += static_cast<size_t>(n); }
  // At least `bits` bits from here before the end.
  bool Has(size_t bits) {
    Have((pos_ + bits + 7) >> 3);
    return pos_ + bits <= end_ * 8;
  }
  bool AtEnd() { return !Has(1); }
  void Align() { pos_ = (pos_ + 7) & ~size_t(7); }
  // Zero bits from here (counted up to `limit`).
  int Zeros(int limit) {
    int z = 0;
    while (z < limit && Has(static_cast<size_t>(z) + 1) && Peek1(pos_ + static_cast<size_t>(z)) == 0) ++z;
    return z;
  }
  size_t Pos() const { return pos_; }
  void Seek(size_t pos) { pos_ = pos; }
  // Nothing before the position is read again.
  void Mark() {
    const size_t drop = std::min(pos_ >> 3, end_) - base_;
    if (drop < kKeep) return;
    buf_.erase(buf_.begin(), buf_.begin() + static_cast<long>(drop));
    base_ += drop;
  }

 private:
  static constexpr size_t kKeep = 65536;
  // Bytes up to `byte` (absolute) at hand, unless the data ends first.
  void Have(size_t byte) {
    while (byte > end_ && !ended_) {
      const std::pair<const unsigned char*, size_t> piece = more_();
      if (piece.second == 0) {
        ended_ = true;
        break;
      }
      buf_.insert(buf_.end(), piece.first, piece.first + piece.second);
      end_ += piece.second;
    }
  }
  unsigned Peek1(size_t at) const { return (buf_[(at >> 3) - base_] >> (7 - (at & 7))) & 1; }
  const CcittSource& more_;
  std::vector<unsigned char> buf_;
  size_t base_ = 0, end_ = 0;  // the absolute offsets of buf_'s first byte and of its end
  size_t pos_ = 0;
  bool ended_ = false;
};

// Lookup by the next 13 bits: run (or -1) and code length, per colour.
struct RunTable {
  std::vector<short> run = std::vector<short>(8192, -1);
  std::vector<unsigned char> length = std::vector<unsigned char>(8192, 0);
  void Add(const Code& c, int value) {
    unsigned first = c.bits << (13 - c.length), n = 1u << (13 - c.length);
    for (unsigned i = 0; i < n; ++i) {
      run[first + i] = static_cast<short>(value);
      length[first + i] = static_cast<unsigned char>(c.length);
    }
  }
};

const RunTable& Table(bool black) {
  static const RunTable* tables = [] {
    auto* t = new RunTable[2];
    for (int b = 0; b < 2; ++b) {
      for (int i = 0; i < 64; ++i) t[b].Add((b ? kBlackTerm : kWhiteTerm)[i], i);
      for (int i = 0; i < 27; ++i) t[b].Add((b ? kBlackMakeup : kWhiteMakeup)[i], (i + 1) * 64);
      for (int i = 0; i < 13; ++i) t[b].Add(kExtendedMakeup[i], 1792 + i * 64);
    }
    return t;
  }();
  return tables[black ? 1 : 0];
}

// One run: make-up codes and their terminating code. -1 at the end of the
// data; throws on a code that is none.
int ReadRun(BitReader& r, bool black) {
  const RunTable& t = Table(black);
  int total = 0;
  for (;;) {
    if (r.AtEnd()) return -1;
    unsigned key = r.Peek(13);
    int run = t.run[key];
    if (run < 0) throw CcittError("CCITTFaxDecode: no run-length code");
    if (!r.Has(t.length[key])) return -1;
    r.Skip(t.length[key]);
    total += run;
    if (total > (1 << 30)) throw CcittError("CCITTFaxDecode: run too long");
    if (run < 64) return total;
  }
}

// -1 at the end of the data.
int ReadMode(BitReader& r) {
  if (r.AtEnd()) return -1;
  unsigned bits = r.Peek(7);
  for (int m = 0; m < 9; ++m) {
    const Code& c = kModeCodes[m];
    if ((bits >> (7 - c.length)) == c.bits) {
      if (!r.Has(static_cast<size_t>(c.length))) return -1;
      r.Skip(c.length);
      return m;
    }
  }
  throw CcittError("CCITTFaxDecode: no mode code");
}

void AddChange(Changes& c, int x) {
  // Two changes at one place cancel.
  if (!c.empty() && c.back() == x)
    c.pop_back();
  else
    c.push_back(x);
}

// False at the end of the data.
bool Decode1D(BitReader& r, Changes& cur, int columns) {
  int a0 = 0;
  bool black = false;
  while (a0 < columns) {
    int run = ReadRun(r, black);
    if (run < 0) return false;
    if (run > columns - a0) throw CcittError("CCITTFaxDecode: run past the row");
    a0 += run;
    if (a0 < columns) AddChange(cur, a0);
    black = !black;
  }
  return true;
}

bool Decode2D(BitReader& r, Changes& cur, const Changes& ref, int columns) {
  int a0 = -1;
  bool black = false;
  size_t bi = 0;
  while (a0 < columns) {
    bi = FindB1(ref, bi > 0 ? bi - 1 : 0, a0, black);
    int b1 = ref[bi], b2 = ref[bi + 1];
    int mode = ReadMode(r);
    if (mode < 0) return false;
    if (mode == kPass) {
      a0 = b2;
    } else if (mode == kHorizontal) {
      int start = std::max(a0, 0);
      int run1 = ReadRun(r, black);
      if (run1 < 0) return false;
      int run2 = ReadRun(r, !black);
      if (run2 < 0) return false;
      if (run1 > columns - start || run2 > columns - start - run1)
        throw CcittError("CCITTFaxDecode: run past the row");
      int a1 = start + run1, a2 = a1 + run2;
      if (a1 < columns) AddChange(cur, a1);
      if (a2 < columns) AddChange(cur, a2);
      a0 = a2;
      if (run1 + run2 == 0 && a0 >= 0) throw CcittError("CCITTFaxDecode: empty horizontal mode");
    } else {
      static const int delta[] = {0, 0, 0, 1, 2, 3, -1, -2, -3};
      int a1 = b1 + delta[mode];
      if (a1 < 0 || a1 > columns || (a0 >= 0 && a1 < a0)) throw CcittError("CCITTFaxDecode: bad vertical mode");
      if (a1 < columns) AddChange(cur, a1);
      a0 = a1;
      black = !black;
    }
  }
  return true;
}

void FillRow(unsigned char* row, const Changes& c, const CcittParams& p) {
  int columns = static_cast<int>(p.columns);
  size_t bytes = RowBytes(p);
  unsigned char white = p.blackIs1 ? 0x00 : 0xFF;
  std::memset(row, white, bytes);
  for (size_t i = 0; i + 1 < c.size() && c[i] < columns; i += 2) {
    int from = c[i], to = std::min(c[i + 1], columns);
    for (int x = from; x < to;) {
      if ((x & 7) == 0 && x + 8 <= to) {
        row[x >> 3] = static_cast<unsigned char>(~white);
        x += 8;
        continue;
      }
      row[x >> 3] = static_cast<unsigned char>(row[x >> 3] ^ (0x80 >> (x & 7)));
      ++x;
    }
  }
  if (columns % 8) row[bytes - 1] = static_cast<unsigned char>(row[bytes - 1] & (0xFF << (8 - columns % 8)));
}

// An end-of-line code here (after fill zeros), consumed when found.
bool TakeEol(BitReader& r) {
  int z = r.Zeros(1 << 20);
  if (z < 11 || !r.Has(static_cast<size_t>(z) + 1)) return false;
  r.Skip(z + 1);
  return true;
}

}  // namespace

bool CcittParamsFrom(QPDFObjectHandle parms, CcittParams* out) {
  CcittParams p;
  if (!parms.isNull()) {
    if (!parms.isDictionary()) return false;
    auto integer = [&](const char* key, long long* v) {
      QPDFObjectHandle o = parms.getKey(key);
      if (o.isNull()) return true;
      if (!o.isInteger()) return false;
      *v = o.getIntValue();
      return true;
    };
    auto flag = [&](const char* key, bool* v) {
      QPDFObjectHandle o = parms.getKey(key);
      if (o.isNull()) return true;
      if (!o.isBool()) return false;
      *v = o.getBoolValue();
      return true;
    };
    if (!integer("/K", &p.k) || !integer("/Columns", &p.columns) || !integer("/Rows", &p.rows) ||
        !flag("/BlackIs1", &p.blackIs1) || !flag("/EncodedByteAlign", &p.encodedByteAlign) ||
        !flag("/EndOfLine", &p.endOfLine) || !flag("/EndOfBlock", &p.endOfBlock))
      return false;
  }
  // Rows up to 2^24 pixels wide: one row must fit in memory whatever the data.
  if (p.columns < 1 || p.columns > (1 << 24) || p.rows < 0) return false;
  *out = p;
  return true;
}

std::string CcittEncode(const std::string& rows, const CcittParams& p) {
  size_t rowBytes = RowBytes(p);
  int columns = static_cast<int>(p.columns);
  BitWriter w;
  Changes ref, cur;
  ref.clear();
  EndChanges(ref, columns);
  size_t count = rows.size() / rowBytes;
  for (size_t y = 0; y < count; ++y) {
    if (p.encodedByteAlign) w.Align();
    RowChanges(reinterpret_cast<const unsigned char*>(rows.data()) + y * rowBytes, p, cur);
    if (p.k < 0) {
      Encode2D(w, cur, ref, columns);
    } else if (p.k == 0) {
      Encode1D(w, cur, columns);
    } else {
      bool oneD = y % static_cast<size_t>(p.k) == 0;
      w.Put(oneD ? 1 : 0, 1);
      if (oneD)
        Encode1D(w, cur, columns);
      else
        Encode2D(w, cur, ref, columns);
    }
    std::swap(ref, cur);
  }
  // End of block: two end-of-line codes for group 4, six (each with its
  // tag bit when rows are tagged) for group 3.
  if (p.encodedByteAlign) w.Align();
  for (int i = 0; i < (p.k < 0 ? 2 : 6); ++i) {
    w.Put(kEol);
    if (p.k > 0) w.Put(1, 1);
  }
  return w.Take();
}

struct CcittDecoder::State {
  State(const CcittParams& p, CcittSource more) : p(p), more(std::move(more)), r(this->more) {
    EndChanges(ref, static_cast<int>(p.columns));
  }
  CcittParams p;
  CcittSource more;
  BitReader r;
  Changes ref, cur;
  long long y = 0;
  bool ended = false;
};

CcittDecoder::CcittDecoder(const CcittParams& params, CcittSource more)
    : s_(std::make_unique<State>(params, std::move(more))) {}
CcittDecoder::~CcittDecoder() = default;

bool CcittDecoder::Next(unsigned char* row) {
  State& s = *s_;
  const CcittParams& p = s.p;
  BitReader& r = s.r;
  if (s.ended || (p.rows != 0 && s.y >= p.rows)) return false;
  s.ended = true;
  r.Mark();
  // Rows start on a byte boundary when aligned, unless an end-of-line
  // (whose fill does the aligning) comes first; fill zeros must not be
  // taken for the start of one.
  bool eol = (!p.encodedByteAlign || p.endOfLine) && TakeEol(r);
  if (!eol && p.encodedByteAlign) {
    r.Align();
    eol = TakeEol(r);
  }
  if (eol) {
    // A second end-of-line right after the first ends the block.
    size_t at = r.Pos();
    if (p.k > 0) r.Skip(1);
    bool end = TakeEol(r);
    r.Seek(at);
    if (end) return false;
  }
  if (r.AtEnd()) return false;
  const int zeros = r.Zeros(1 << 20);
  if (!r.Has(static_cast<size_t>(zeros) + 1)) return false;  // only fill bits are left
  bool twoD = p.k < 0;
  if (p.k > 0) {
    twoD = r.Peek(1) == 0;
    r.Skip(1);
  }
  const int columns = static_cast<int>(p.columns);
  s.cur.clear();
  bool whole = twoD ? Decode2D(r, s.cur, s.ref, columns) : Decode1D(r, s.cur, columns);
  if (!whole) return false;
  EndChanges(s.cur, columns);
  FillRow(row, s.cur, p);
  std::swap(s.ref, s.cur);
  ++s.y;
  s.ended = false;
  return true;
}

void CcittDecode(const unsigned char* data, size_t size, const CcittParams& p,
                 const std::function<void(const unsigned char*, size_t)>& emit) {
  bool given = false;
  CcittDecoder decoder(p, [&] {
    const bool first = !given;
    given = true;
    return std::make_pair(data, first ? size : size_t(0));
  });
  std::vector<unsigned char> row(RowBytes(p));
  while (decoder.Next(row.data())) emit(row.data(), row.size());
}

namespace {

// Collects the coded data and decodes it when it is whole.
class CcittPipe : public Pipeline {
 public:
  CcittPipe(Pipeline* next, const CcittParams& p) : Pipeline("ccittfax", next), params_(p) {}
  void write(unsigned char const* data, size_t len) override { coded_.insert(coded_.end(), data, data + len); }
  void finish() override {
    Pipeline* next = getNext();
    CcittDecode(coded_.data(), coded_.size(), params_,
                [&](const unsigned char* row, size_t n) { next->write(row, n); });
    coded_.clear();
    next->finish();
  }

 private:
  CcittParams params_;
  std::vector<unsigned char> coded_;
};

class CcittFilter : public QPDFStreamFilter {
 public:
  bool setDecodeParms(QPDFObjectHandle parms) override { return CcittParamsFrom(parms, &params_); }
  Pipeline* getDecodePipeline(Pipeline* next) override {
    pipe_ = std::make_unique<CcittPipe>(next, params_);
    return pipe_.get();
  }
  bool isSpecializedCompression() override { return true; }

 private:
  CcittParams params_;
  std::unique_ptr<CcittPipe> pipe_;
};

}  // namespace

void RegisterCcittFaxFilter() {
  static bool done = false;
  if (done) return;
  done = true;
  auto factory = [] { return std::make_shared<CcittFilter>(); };
  QPDF::registerStreamFilter("/CCITTFaxDecode", factory);
  QPDF::registerStreamFilter("/CCF", factory);
}

}  // namespace host
