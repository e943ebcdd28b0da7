#include "cos/encode.h"

#include <qpdf/Pl_Flate.hh>
#include <qpdf/Pl_RunLength.hh>
#include <qpdf/Pl_String.hh>

#include <unordered_map>

#include "core/host.h"

namespace host {
namespace {

QPDFObjectHandle Nth(QPDFObjectHandle obj, int i) {
  if (obj.isArray()) return i < obj.getArrayNItems() ? obj.getArrayItem(i) : QPDFObjectHandle::newNull();
  return i == 0 ? obj : QPDFObjectHandle::newNull();
}

long long IntParm(QPDFObjectHandle parms, const char* key, long long fallback) {
  if (!parms.isDictionary()) return fallback;
  QPDFObjectHandle v = parms.getKey(key);
  return v.isInteger() ? v.getIntValue() : fallback;
}

// The inverse of the predictor the parameters name, applied before the
// filter's own encoding.
std::string Predict(const std::string& data, QPDFObjectHandle parms) {
  long long predictor = IntParm(parms, "/Predictor", 1);
  if (predictor <= 1) return data;
  long long colors = IntParm(parms, "/Colors", 1), bpc = IntParm(parms, "/BitsPerComponent", 8),
            columns = IntParm(parms, "/Columns", 1);
  if (colors < 1 || colors > 32 || columns < 1 || columns > (1 << 24) ||
      (bpc != 1 && bpc != 2 && bpc != 4 && bpc != 8 && bpc != 16))
    Raise(cosErrCannotEncode);
  size_t rowBytes = static_cast<size_t>((columns * colors * bpc + 7) / 8);
  size_t pixelBytes = static_cast<size_t>(std::max<long long>(1, colors * bpc / 8));
  // Rows must be whole: a partial row cannot be predicted without changing the data.
  if (data.size() % rowBytes != 0) Raise(cosErrCannotEncode);
  std::string out;
  if (predictor >= 10) {
    // PNG predictors: every row tagged; "Up" differences against the row above.
    out.reserve(data.size() + data.size() / rowBytes);
    for (size_t row = 0; row * rowBytes < data.size(); ++row) {
      out.push_back(2);
      for (size_t i = 0; i < rowBytes; ++i) {
        unsigned char cur = static_cast<unsigned char>(data[row * rowBytes + i]);
        unsigned char up = row ? static_cast<unsigned char>(data[(row - 1) * rowBytes + i]) : 0;
        out.push_back(static_cast<char>(static_cast<unsigned char>(cur - up)));
      }
    }
    return out;
  }
  if (predictor == 2 && (bpc == 8 || bpc == 16)) {
    // TIFF predictor 2: each sample less the same colour's sample to its left.
    out = data;
    size_t sampleBytes = static_cast<size_t>(bpc / 8);
    for (size_t row = 0; row * rowBytes < data.size(); ++row) {
      size_t base = row * rowBytes;
      for (size_t i = rowBytes; i-- > pixelBytes;) {
        if (sampleBytes == 1) {
          out[base + i] = static_cast<char>(static_cast<unsigned char>(data[base + i]) -
                                            static_cast<unsigned char>(data[base + i - pixelBytes]));
        } else if (i % 2 == 1) {
          unsigned cur = (static_cast<unsigned char>(data[base + i - 1]) << 8) | static_cast<unsigned char>(data[base + i]);
          unsigned left = (static_cast<unsigned char>(data[base + i - 1 - pixelBytes]) << 8) |
                          static_cast<unsigned char>(data[base + i - pixelBytes]);
          unsigned diff = (cur - left) & 0xFFFF;
          out[base + i - 1] = static_cast<char>(diff >> 8);
          out[base + i] = static_cast<char>(diff & 0xFF);
        }
      }
    }
    return out;
  }
  Raise(cosErrCannotEncode);
}

std::string Flate(const std::string& data) {
  std::string out;
  Pl_String sink("flate-out", nullptr, out);
  Pl_Flate flate("flate", &sink, Pl_Flate::a_deflate);
  flate.write(reinterpret_cast<const unsigned char*>(data.data()), data.size());
  flate.finish();
  return out;
}

std::string RunLength(const std::string& data) {
  std::string out;
  Pl_String sink("rl-out", nullptr, out);
  Pl_RunLength rl("rl", &sink, Pl_RunLength::a_encode);
  rl.write(reinterpret_cast<const unsigned char*>(data.data()), data.size());
  rl.finish();
  return out;
}

std::string AsciiHex(const std::string& data) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(data.size() * 2 + data.size() / 32 + 2);
  for (size_t i = 0; i < data.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(data[i]);
    out.push_back(hex[c >> 4]);
    out.push_back(hex[c & 15]);
    if (i % 32 == 31) out.push_back('\n');
  }
  out.push_back('>');
  return out;
}

std::string Ascii85(const std::string& data) {
  std::string out;
  size_t column = 0;
  auto put = [&](char c) {
    out.push_back(c);
    if (++column == 72) {
      out.push_back('\n');
      column = 0;
    }
  };
  for (size_t i = 0; i < data.size(); i += 4) {
    size_t n = std::min<size_t>(4, data.size() - i);
    uint32_t word = 0;
    for (size_t k = 0; k < 4; ++k)
      word = (word << 8) | (k < n ? static_cast<unsigned char>(data[i + k]) : 0);
    if (n == 4 && word == 0) {
      put('z');
      continue;
    }
    char group[5];
    for (int k = 4; k >= 0; --k) {
      group[k] = static_cast<char>('!' + word % 85);
      word /= 85;
    }
    for (size_t k = 0; k < n + 1; ++k) put(group[k]);
  }
  out += "~>";
  return out;
}

// LZW as PDF readers decode it: 9 to 12 bit codes, clear 256, end 257; with
// early change the width grows one code sooner.
std::string Lzw(const std::string& data, bool earlyChange) {
  std::string out;
  uint32_t bitBuffer = 0;
  int bitCount = 0;
  int width = 9;
  auto emit = [&](unsigned code) {
    bitBuffer = (bitBuffer << width) | code;
    bitCount += width;
    while (bitCount >= 8) {
      out.push_back(static_cast<char>((bitBuffer >> (bitCount - 8)) & 0xFF));
      bitCount -= 8;
    }
    bitBuffer &= (1u << bitCount) - 1;
  };
  std::unordered_map<uint32_t, unsigned> table;  // (prefix code << 8 | byte) -> code
  unsigned next = 258;
  auto widthFor = [&]() {
    int w = 9;
    while (w < 12 && next + (earlyChange ? 1u : 0u) > (1u << w)) ++w;
    return w;
  };
  emit(256);
  if (!data.empty()) {
    unsigned prefix = static_cast<unsigned char>(data[0]);
    for (size_t i = 1; i < data.size(); ++i) {
      unsigned c = static_cast<unsigned char>(data[i]);
      uint32_t key = (prefix << 8) | c;
      auto it = table.find(key);
      if (it != table.end()) {
        prefix = it->second;
        continue;
      }
      emit(prefix);
      table.emplace(key, next++);
      width = widthFor();
      prefix = c;
      if (next >= 4093) {
        // The table is full: start afresh.
        emit(256);
        table.clear();
        next = 258;
        width = 9;
      }
    }
    emit(prefix);
    ++next;  // the reader adds one more entry before the end code
    width = widthFor();
  }
  emit(257);
  if (bitCount > 0) out.push_back(static_cast<char>((bitBuffer << (8 - bitCount)) & 0xFF));
  return out;
}

std::string EncodeOne(const std::string& data, const std::string& name, QPDFObjectHandle parms) {
  if (name == "/FlateDecode" || name == "/Fl") return Flate(Predict(data, parms));
  if (name == "/LZWDecode" || name == "/LZW")
    return Lzw(Predict(data, parms), IntParm(parms, "/EarlyChange", 1) != 0);
  if (name == "/RunLengthDecode" || name == "/RL") return RunLength(data);
  if (name == "/ASCIIHexDecode" || name == "/AHx") return AsciiHex(data);
  if (name == "/ASCII85Decode" || name == "/A85") return Ascii85(data);
  Raise(cosErrCannotEncode);
}

}  // namespace

std::string EncodeStreamData(const std::string& data, QPDFObjectHandle filter, QPDFObjectHandle parms) {
  if (filter.isNull()) return data;
  if (!filter.isName() && !filter.isArray()) Raise(cosErrCannotEncode);
  int n = filter.isArray() ? filter.getArrayNItems() : 1;
  // The first filter named is the first applied when decoding, so encode
  // from the last to the first.
  std::string out = data;
  for (int i = n - 1; i >= 0; --i) {
    QPDFObjectHandle f = Nth(filter, i);
    if (!f.isName()) Raise(cosErrCannotEncode);
    out = EncodeOne(out, f.getName(), Nth(parms, i));
  }
  return out;
}

}  // namespace host
