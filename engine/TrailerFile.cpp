#include "engine/TrailerFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace Zentu {

const char kTrailerReadError[] = "Error reading directly from file";
const char kXrefOffsetError[] = "Error getting offset of xref table";
const char kTrailerTooLargeError[] = "/Trailer dictionary larger than buffer size!";

const long kTrailerFileObjectOffsets[4] = {9, 58, 115, 162};

namespace {

const size_t kWindow = 2048;
// A subsection whose entries end this close to the window's end is followed
// in a new window, so that "trailer" is never cut by the window's edge.
const size_t kMargin = 50;
const uint64_t kEntrySize = 20;
const size_t kNotFound = static_cast<size_t>(-1);

const char kHead[] =
    "%PDF-1.0\n"
    "1 0 obj\n<<\n/Type /Catalog\n/Pages 2 0 R\n>>\nendobj\n"
    "2 0 obj\n<<\n/Type /Pages\n/Count 1\n/Kids [3 0 R]\n>>\nendobj\n"
    "3 0 obj\n<<\n/Type /Page\n/Parent 2 0 R\n>>\nendobj\n"
    "4 0 obj\n";
static_assert(sizeof(kHead) - 1 == kTrailerFileHeadSize, "the head is 170 bytes");

bool IsWhite(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v' || c == '\0';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsDelimiter(char c) { return std::strchr("()<>[]{}/%", c) != nullptr && c != '\0'; }

bool StartsWith(const char* data, size_t at, size_t end, const char* word) {
  size_t length = std::strlen(word);
  return at + length <= end && std::memcmp(data + at, word, length) == 0;
}

// The first `word` in [from, end), or kNotFound. Never reads past `end`.
size_t Find(const char* data, size_t from, size_t end, const char* word) {
  for (size_t i = from; i < end; ++i) {
    if (StartsWith(data, i, end, word)) return i;
  }
  return kNotFound;
}

[[noreturn]] void Fail(const char* text) { throw std::runtime_error(text); }

// Past white space and comments from `p`; never past `end`.
size_t SkipWhite(const char* data, size_t p, size_t end) {
  while (p < end) {
    if (IsWhite(data[p])) {
      ++p;
    } else if (data[p] == '%') {
      while (p < end && data[p] != '\n' && data[p] != '\r') ++p;
    } else {
      break;
    }
  }
  return p;
}

// The end of the name, number or keyword that begins at `p`.
size_t TokenEnd(const char* data, size_t p, size_t end) {
  while (p < end && !IsWhite(data[p]) && !IsDelimiter(data[p])) ++p;
  return p;
}

// Where "N G obj" at `p` ends, or kNotFound.
size_t ObjectHeaderEnd(const char* data, size_t p, size_t end) {
  for (int part = 0; part < 2; ++part) {
    const size_t digits = p;
    while (p < end && IsDigit(data[p])) ++p;
    if (p == digits || p >= end || !IsWhite(data[p])) return kNotFound;
    p = SkipWhite(data, p, end);
  }
  if (!StartsWith(data, p, end, "obj") || TokenEnd(data, p, end) != p + 3) return kNotFound;
  return p + 3;
}

enum class Scan { kClosed, kCut, kUnbalanced };

// The dictionary whose "<<" is at `open`, token by token, so that a ">>"
// in a string or a comment does not count: `close` comes back just past
// its ">>", `isXRef` says whether its own /Type is /XRef. Cut: the window
// ended first; unbalanced: the object went on past where a dictionary can.
Scan ScanDictionary(const char* data, size_t open, size_t end, size_t& close, bool& isXRef) {
  int depth = 0;
  bool typeKey = false;  // the last token was the key /Type at the top level
  isXRef = false;
  size_t p = open;
  while (p < end) {
    const char c = data[p];
    if (IsWhite(c) || c == '%') {
      p = SkipWhite(data, p, end);
      continue;
    }
    const bool typeValue = typeKey;
    typeKey = false;
    if (c == '(') {
      int nesting = 0;
      for (; p < end; ++p) {
        if (data[p] == '\\') {
          ++p;
        } else if (data[p] == '(') {
          ++nesting;
        } else if (data[p] == ')' && --nesting == 0) {
          break;
        }
      }
      if (p >= end) return Scan::kCut;
      ++p;
    } else if (c == '<') {
      if (p + 1 >= end) return Scan::kCut;
      if (data[p + 1] == '<') {
        ++depth;
        p += 2;
      } else {
        while (p < end && data[p] != '>') ++p;  // a hexadecimal string
        if (p >= end) return Scan::kCut;
        ++p;
      }
    } else if (c == '>') {
      if (p + 1 >= end) return Scan::kCut;
      if (data[p + 1] != '>') return Scan::kUnbalanced;
      p += 2;
      if (--depth == 0) {
        close = p;
        return Scan::kClosed;
      }
    } else if (c == '/') {
      const size_t nameEnd = TokenEnd(data, p + 1, end);
      if (nameEnd >= end) return Scan::kCut;
      const std::string name(data + p + 1, nameEnd - p - 1);
      if (depth == 1) {
        if (typeValue) isXRef = name == "XRef";
        typeKey = !typeValue && name == "Type";
      }
      p = nameEnd;
    } else if (IsDelimiter(c)) {
      ++p;  // brackets and braces
    } else {
      const size_t tokenEnd = TokenEnd(data, p, end);
      if (tokenEnd >= end) return Scan::kCut;
      const std::string token(data + p, tokenEnd - p);
      if (token == "stream" || token == "endstream" || token == "obj" || token == "endobj")
        return Scan::kUnbalanced;
      p = tokenEnd;
    }
  }
  return Scan::kCut;
}

// The dictionary of the cross-reference stream whose object begins at `p`.
// `more`: the file goes on past the window, so a dictionary cut by the
// window's end is one too large, not a broken one.
std::string StreamDictionary(const char* data, size_t p, size_t end, bool more) {
  p = ObjectHeaderEnd(data, p, end);
  if (p == kNotFound) Fail(kXrefOffsetError);
  p = SkipWhite(data, p, end);
  if (!StartsWith(data, p, end, "<<")) Fail(more && p + 2 > end ? kTrailerTooLargeError : kXrefOffsetError);
  size_t close = 0;
  bool isXRef = false;
  switch (ScanDictionary(data, p, end, close, isXRef)) {
    case Scan::kClosed:
      break;
    case Scan::kCut:
      Fail(more ? kTrailerTooLargeError : kXrefOffsetError);
    case Scan::kUnbalanced:
      Fail(kXrefOffsetError);
  }
  const size_t keyword = SkipWhite(data, close, end);
  if (TokenEnd(data, keyword, end) >= end && more) Fail(kTrailerTooLargeError);
  if (!isXRef || !StartsWith(data, keyword, end, "stream") || TokenEnd(data, keyword, end) != keyword + 6)
    Fail(kXrefOffsetError);
  return std::string(data + p, close - p);
}

// The window of at most 2048 bytes, zero-terminated.
class Window {
 public:
  explicit Window(const TailReader& read) : read_(read), bytes_(kWindow + 1, '\0') {}

  void Read(ASFilePos64 pos, size_t count) {
    size_t got = read_(pos, bytes_.data(), count);
    if (got < count) Fail(kTrailerReadError);
    size_ = count;
    bytes_[size_] = '\0';
  }
  const char* data() const { return bytes_.data(); }
  size_t size() const { return size_; }
  char operator[](size_t i) const { return bytes_[i]; }

 private:
  const TailReader& read_;
  std::vector<char> bytes_;
  size_t size_ = 0;
};

// The number after the "startxref" at `at`; false when there is none.
bool ParseStartxref(const Window& w, size_t at, int64_t& value) {
  const size_t end = w.size();
  if (!StartsWith(w.data(), at, end, "startxref")) return false;
  size_t p = at + 9;
  while (p < end && IsWhite(w[p])) ++p;
  bool negative = false;
  if (p < end && (w[p] == '+' || w[p] == '-')) negative = w[p++] == '-';
  if (p >= end || !IsDigit(w[p])) return false;
  uint64_t number = 0;
  for (; p < end && IsDigit(w[p]); ++p) {
    // Anything this large lies past every file: stop counting.
    if (number < (UINT64_C(1) << 60)) number = number * 10 + static_cast<uint64_t>(w[p] - '0');
  }
  value = negative ? -static_cast<int64_t>(number) : static_cast<int64_t>(number);
  return true;
}

// A subsection header's count, from `p` on; leaves `p` where the entries begin.
uint64_t ParseSubsectionHeader(const Window& w, size_t& p) {
  const size_t end = w.size();
  while (p < end && IsDigit(w[p])) ++p;  // the first object number
  while (p < end && !IsDigit(w[p])) ++p;
  uint64_t count = 0;
  for (; p < end && IsDigit(w[p]); ++p) {
    if (count < (UINT64_C(1) << 50)) count = count * 10 + static_cast<uint64_t>(w[p] - '0');
  }
  while (p < end && !IsDigit(w[p])) ++p;
  return count;
}

// Never cut: the closing lines of a file with many placeholders run long.
std::string Format(const char* format, unsigned long a, unsigned long b) {
  char line[64];
  int n = std::snprintf(line, sizeof line, format, a, b);
  if (n <= 0) return std::string();
  if (static_cast<size_t>(n) < sizeof line) return std::string(line, static_cast<size_t>(n));
  std::vector<char> longer(static_cast<size_t>(n) + 1);
  std::snprintf(longer.data(), longer.size(), format, a, b);
  return std::string(longer.data(), static_cast<size_t>(n));
}

}  // namespace

std::string ReadTrailerText(ASFilePos64 fileSize, const TailReader& read, bool* fromStream) {
  if (fromStream) *fromStream = false;
  if (fileSize < 0) fileSize = 0;
  Window w(read);

  // The last "%%EOF" of the tail and the "startxref" before it.
  const ASFilePos64 tailStart = fileSize > static_cast<ASFilePos64>(kWindow) ? fileSize - kWindow : 0;
  w.Read(tailStart, static_cast<size_t>(fileSize - tailStart));
  size_t eof = kNotFound;
  for (size_t i = 0; i + 5 <= w.size();) {
    if (w[i] == '%' && StartsWith(w.data(), i, w.size(), "%%EOF")) {
      eof = i;
      i += 5;
    } else {
      ++i;
    }
  }
  if (eof == kNotFound || eof == 0) Fail(kXrefOffsetError);
  size_t s = eof;
  do {
    if (s == 0) Fail(kXrefOffsetError);
    --s;
  } while (w[s] != 's');
  int64_t pos = 0;
  if (!ParseStartxref(w, s, pos)) Fail(kXrefOffsetError);
  // An offset outside the file leaves nothing to read.
  if (pos < 0 || pos >= fileSize) Fail(kXrefOffsetError);

  // Each window moves on by at least its length less the margin, except at
  // the file's end, where at most a margin's worth of one-byte steps follow:
  // a walk needing more windows than this is going nowhere.
  const int64_t maxWindows = fileSize / static_cast<int64_t>(kWindow - kMargin) + static_cast<int64_t>(kMargin) + 2;
  int64_t windows = 0;
  bool atStart = true;
  size_t p = 0;
  for (;;) {
    if (++windows > maxWindows) Fail(kXrefOffsetError);
    w.Read(pos, static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(kWindow), fileSize - pos)));
    p = 0;
    if (atStart) {
      atStart = false;
      while (p < w.size() && IsWhite(w[p])) ++p;
      if (StartsWith(w.data(), p, w.size(), "trailer")) break;
      if (!StartsWith(w.data(), p, w.size(), "xref")) {
        // A cross-reference stream: its dictionary is the trailer.
        std::string text = StreamDictionary(w.data(), p, w.size(), fileSize - pos > static_cast<int64_t>(w.size()));
        if (fromStream) *fromStream = true;
        return text;
      }
      p += 4;
      while (p < w.size() && !IsDigit(w[p])) ++p;
    } else if (StartsWith(w.data(), 0, w.size(), "trailer")) {
      break;
    }

    // The trailer in sight: read it from its own window, so that the whole
    // dictionary fits if it can.
    size_t trailer = Find(w.data(), 0, w.size(), "trailer");
    if (trailer != kNotFound) {
      pos += static_cast<int64_t>(trailer);
      continue;
    }

    // Skip subsections by their counts until one runs near the window's end.
    for (;;) {
      uint64_t count = ParseSubsectionHeader(w, p);
      uint64_t next = p + kEntrySize * count;
      if (next + kMargin < w.size()) {
        p = static_cast<size_t>(next);
        continue;
      }
      if (next >= static_cast<uint64_t>(fileSize - pos)) Fail(kXrefOffsetError);
      pos += static_cast<int64_t>(next);
      break;
    }
  }

  p += 7;  // "trailer"
  while (p < w.size() && IsWhite(w[p])) ++p;
  size_t end = Find(w.data(), p, w.size(), "startxref");
  if (end == kNotFound) Fail(kTrailerTooLargeError);
  return std::string(w.data() + p, end - p);
}

std::string BuildTrailerFile(const std::string& trailerText, const std::vector<TrailerPlaceholder>& placeholders) {
  struct Subsection {
    unsigned long first;
    unsigned long count;
    std::string entries;
  };
  std::string out(kHead, kTrailerFileHeadSize);
  out += trailerText;
  out += "endobj\n";

  std::vector<Subsection> table(1);
  table[0].first = 0;
  table[0].count = 5;
  table[0].entries = "0000000000 65535 f \n";
  for (long offset : kTrailerFileObjectOffsets)
    table[0].entries += Format("%010lu %05lu n\r\n", static_cast<unsigned long>(offset), 0);

  unsigned long last = 4;
  unsigned long total = 5;
  for (const TrailerPlaceholder& object : placeholders) {
    if (object.number <= 4) continue;  // the head's own objects
    const unsigned long number = static_cast<unsigned long>(object.number);
    if (number != last + 1) table.push_back(Subsection{number, 0, std::string()});
    table.back().entries += Format("%010lu %05lu n\r\n", static_cast<unsigned long>(out.size()), object.generation);
    out += Format("%lu %lu obj\n0\nendobj\n", number, object.generation);
    last = number;
    ++table.back().count;
    ++total;
  }

  // The counts are written once known; a slot grows with its number, so a
  // large subsection never runs into its entries.
  const unsigned long xref = static_cast<unsigned long>(out.size());
  out += "xref\n";
  for (const Subsection& subsection : table) {
    out += Format("%lu %5lu\n", subsection.first, subsection.count);
    out += subsection.entries;
  }
  out += Format("trailer\n<<\n/Size %lu\n/Root 1 0 R\n>>\nstartxref\n%lu\n%%%%EOF\n", total, xref);
  return out;
}

}  // namespace Zentu
