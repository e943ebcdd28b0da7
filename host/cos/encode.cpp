#include "cos/encode.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>
#include <qpdf/Pl_Flate.hh>
#include <qpdf/Pl_RunLength.hh>
#include <qpdf/Pl_String.hh>

#include <unordered_map>

#include "core/host.h"
#include "cos/ccitt.h"

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

[[noreturn]] void CannotEncode(const std::string& filter, const std::string& why) {
  SetFailureDetail(filter + ": " + why);
  Raise(cosErrCannotEncode);
}

int IntEntry(QPDFObjectHandle dict, const char* key, int fallback) {
  if (!dict.isDictionary()) return fallback;
  QPDFObjectHandle v = dict.getKey(key);
  return v.isInteger() ? v.getIntValueAsInt() : fallback;
}

struct JpegFailure {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void JpegExit(j_common_ptr cinfo) {
  auto* failure = reinterpret_cast<JpegFailure*>(cinfo->err);
  cinfo->err->format_message(cinfo, failure->message);
  std::longjmp(failure->jump, 1);
}

// libjpeg's compressor over plain bytes; no C++ object lives across the jump.
// Answers the message of a failure, or null with the data in *out.
const char* JpegCompress(const unsigned char* samples, int columns, int rows, int colors, int quality,
                         const int* h, const int* v, unsigned char** out, unsigned long* outSize) {
  static thread_local JpegFailure failure;
  jpeg_compress_struct cinfo;
  cinfo.err = jpeg_std_error(&failure.mgr);
  failure.mgr.error_exit = JpegExit;
  if (setjmp(failure.jump)) {
    jpeg_destroy_compress(&cinfo);
    std::free(*out);
    *out = nullptr;
    return failure.message;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, out, outSize);
  cinfo.image_width = static_cast<JDIMENSION>(columns);
  cinfo.image_height = static_cast<JDIMENSION>(rows);
  cinfo.input_components = colors;
  cinfo.in_color_space = colors == 1 ? JCS_GRAYSCALE : colors == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&cinfo);
  // Three components are written as YCbCr, four as they come.
  jpeg_set_colorspace(&cinfo, colors == 1 ? JCS_GRAYSCALE : colors == 3 ? JCS_YCbCr : JCS_CMYK);
  jpeg_set_linear_quality(&cinfo, quality, TRUE);
  for (int c = 0; c < colors; ++c) {
    cinfo.comp_info[c].h_samp_factor = colors == 1 ? 1 : h[c];
    cinfo.comp_info[c].v_samp_factor = colors == 1 ? 1 : v[c];
  }
  jpeg_start_compress(&cinfo, TRUE);
  size_t stride = static_cast<size_t>(columns) * static_cast<size_t>(colors);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(samples + stride * cinfo.next_scanline);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return nullptr;
}

// Baseline JPEG from the encode parameters: Columns, Rows, Colors, QFactor
// (the standard tables scaled by it), HSamples and VSamples.
std::string Dct(const std::string& data, QPDFObjectHandle parms, QPDFObjectHandle dict) {
  const std::string name = "DCTDecode";
  if (IntEntry(dict, "/BitsPerComponent", 8) != 8) CannotEncode(name, "only 8-bit samples are encoded");
  long long columns = IntParm(parms, "/Columns", IntEntry(dict, "/Width", 0));
  long long rows = IntParm(parms, "/Rows", IntEntry(dict, "/Height", 0));
  long long colors = IntParm(parms, "/Colors", 0);
  if (colors != 1 && colors != 3 && colors != 4) CannotEncode(name, "Colors must be 1, 3 or 4");
  if (columns < 1 || rows < 1 || columns > 65500 || rows > 65500)
    CannotEncode(name, "Columns and Rows must be 1 to 65500");
  if (static_cast<unsigned long long>(columns * rows * colors) != data.size())
    CannotEncode(name, "the data is not Columns x Rows x Colors bytes");
  double q = 1.0;
  if (parms.isDictionary() && parms.getKey("/QFactor").isNumber()) q = parms.getKey("/QFactor").getNumericValue();
  if (!(q > 0) || q > 100) CannotEncode(name, "QFactor out of range");
  int quality = static_cast<int>(q * 100 + 0.5);
  if (quality < 1) quality = 1;
  int h[4] = {1, 1, 1, 1}, v[4] = {1, 1, 1, 1};
  for (int pass = 0; pass < 2; ++pass) {
    QPDFObjectHandle a = parms.isDictionary() ? parms.getKey(pass ? "/VSamples" : "/HSamples") : QPDFObjectHandle::newNull();
    if (!a.isArray()) continue;
    for (int c = 0; c < colors && c < a.getArrayNItems(); ++c) {
      QPDFObjectHandle f = a.getArrayItem(c);
      if (!f.isInteger() || f.getIntValue() < 1 || f.getIntValue() > 4) CannotEncode(name, "sampling factors are 1 to 4");
      (pass ? v : h)[c] = f.getIntValueAsInt();
    }
  }
  unsigned char* out = nullptr;
  unsigned long size = 0;
  const char* failed = JpegCompress(reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(columns),
                                    static_cast<int>(rows), static_cast<int>(colors), quality, h, v, &out, &size);
  if (failed) CannotEncode(name, failed);
  std::string result(reinterpret_cast<const char*>(out), size);
  std::free(out);
  return result;
}

std::string CcittFax(const std::string& data, QPDFObjectHandle parms, QPDFObjectHandle dict) {
  const std::string name = "CCITTFaxDecode";
  if (IntEntry(dict, "/BitsPerComponent", 1) != 1) CannotEncode(name, "only 1-bit samples are encoded");
  CcittParams p;
  if (!CcittParamsFrom(parms.isDictionary() ? parms : QPDFObjectHandle::newNull(), &p))
    CannotEncode(name, "parameters out of range");
  size_t rowBytes = static_cast<size_t>((p.columns + 7) / 8);
  if (data.size() % rowBytes != 0) CannotEncode(name, "the data is not whole rows of Columns samples");
  return CcittEncode(data, p);
}

std::string EncodeOne(const std::string& data, const std::string& name, QPDFObjectHandle parms,
                      QPDFObjectHandle dict) {
  if (name == "/FlateDecode" || name == "/Fl") return Flate(Predict(data, parms));
  if (name == "/LZWDecode" || name == "/LZW")
    return Lzw(Predict(data, parms), IntParm(parms, "/EarlyChange", 1) != 0);
  if (name == "/RunLengthDecode" || name == "/RL") return RunLength(data);
  if (name == "/ASCIIHexDecode" || name == "/AHx") return AsciiHex(data);
  if (name == "/ASCII85Decode" || name == "/A85") return Ascii85(data);
  if (name == "/DCTDecode" || name == "/DCT") return Dct(data, parms, dict);
  if (name == "/CCITTFaxDecode" || name == "/CCF") return CcittFax(data, parms, dict);
  CannotEncode(name.substr(1), "the host has no encoder for it");
}

}  // namespace

std::string EncodeStreamData(const std::string& data, QPDFObjectHandle filter, QPDFObjectHandle parms,
                             QPDFObjectHandle dict) {
  if (filter.isNull()) return data;
  if (!filter.isName() && !filter.isArray()) Raise(cosErrCannotEncode);
  int n = filter.isArray() ? filter.getArrayNItems() : 1;
  // The first filter named is the first applied when decoding, so encode
  // from the last to the first.
  std::string out = data;
  for (int i = n - 1; i >= 0; --i) {
    QPDFObjectHandle f = Nth(filter, i);
    if (!f.isName()) Raise(cosErrCannotEncode);
    out = EncodeOne(out, f.getName(), Nth(parms, i), dict);
  }
  return out;
}

}  // namespace host
