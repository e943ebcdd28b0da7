#include "cos/encode.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <unordered_map>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>
#include <qpdf/Pl_Flate.hh>
#include <qpdf/Pl_RunLength.hh>
#include <qpdf/Pl_String.hh>

#include "core/host.h"
#include "cos/ccitt.h"
#include "cos/docs.h"
#include "cos/jpegfailure.h"
#include "cos/streamdecode.h"
#include "support/streams.h"

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

[[noreturn]] void CannotEncode(const std::string& filter, const std::string& why) {
  SetFailureDetail(filter + ": " + why);
  Raise(cosErrCannotEncode);
}


int IntEntry(QPDFObjectHandle dict, const char* key, int fallback) {
  if (!dict.isDictionary()) return fallback;
  QPDFObjectHandle v = dict.getKey(key);
  return v.isInteger() ? v.getIntValueAsInt() : fallback;
}

// A stage that hands its output on in blocks.
class Stage : public Pipeline {
 public:
  Stage(const char* name, Pipeline* next) : Pipeline(name, next) {}

 protected:
  void Put(char c) {
    out_.push_back(c);
    if (out_.size() >= kBlock) Pass();
  }
  void Put(const char* data, size_t size) {
    out_.append(data, size);
    if (out_.size() >= kBlock) Pass();
  }
  // The rest on, and the next stage finished.
  void End() {
    Pass();
    getNext()->finish();
  }

 private:
  static constexpr size_t kBlock = 65536;
  void Pass() {
    if (out_.empty()) return;
    getNext()->write(reinterpret_cast<const unsigned char*>(out_.data()), out_.size());
    out_.clear();
  }
  std::string out_;
};

// The inverse of the predictor the parameters name, applied before the
// filter's own encoding: PNG "Up" on every row, or TIFF predictor 2 on 8-
// and 16-bit samples. Rows must be whole: a partial row cannot be predicted
// without changing the data.
class Predict : public Stage {
 public:
  Predict(Pipeline* next, QPDFObjectHandle parms) : Stage("predict", next) {
    predictor_ = IntParm(parms, "/Predictor", 1);
    long long colors = IntParm(parms, "/Colors", 1), columns = IntParm(parms, "/Columns", 1);
    bits_ = IntParm(parms, "/BitsPerComponent", 8);
    if (colors < 1 || colors > 32 || columns < 1 || columns > (1 << 24) ||
        (bits_ != 1 && bits_ != 2 && bits_ != 4 && bits_ != 8 && bits_ != 16))
      Raise(cosErrCannotEncode);
    if (predictor_ < 10 && !(predictor_ == 2 && (bits_ == 8 || bits_ == 16))) Raise(cosErrCannotEncode);
    row_ = static_cast<size_t>((columns * colors * bits_ + 7) / 8);
    pixel_ = static_cast<size_t>(std::max<long long>(1, colors * bits_ / 8));
    cur_.reserve(row_);
    up_.assign(row_, '\0');
  }
  static bool Wanted(QPDFObjectHandle parms) { return IntParm(parms, "/Predictor", 1) > 1; }
  void write(unsigned char const* data, size_t len) override {
    while (len > 0) {
      const size_t k = std::min(len, row_ - cur_.size());
      cur_.append(reinterpret_cast<const char*>(data), k);
      data += k;
      len -= k;
      if (cur_.size() == row_) Row();
    }
  }
  void finish() override {
    if (!cur_.empty()) Raise(cosErrCannotEncode);
    End();
  }

 private:
  void Row() {
    auto byte = [](const std::string& s, size_t i) { return static_cast<unsigned char>(s[i]); };
    if (predictor_ >= 10) {
      // "Up": each byte less the one above it.
      Put(2);
      for (size_t i = 0; i < row_; ++i) Put(static_cast<char>(static_cast<unsigned char>(byte(cur_, i) - byte(up_, i))));
      up_.swap(cur_);
    } else {
      // Each sample less the same colour's sample to its left.
      std::string out = cur_;
      for (size_t i = row_; i-- > pixel_;) {
        if (bits_ == 8) {
          out[i] = static_cast<char>(byte(cur_, i) - byte(cur_, i - pixel_));
        } else if (i % 2 == 1) {
          const unsigned now = (byte(cur_, i - 1) << 8) | byte(cur_, i);
          const unsigned left = (byte(cur_, i - 1 - pixel_) << 8) | byte(cur_, i - pixel_);
          const unsigned diff = (now - left) & 0xFFFF;
          out[i - 1] = static_cast<char>(diff >> 8);
          out[i] = static_cast<char>(diff & 0xFF);
        }
      }
      Put(out.data(), out.size());
    }
    cur_.clear();
  }
  long long predictor_ = 1, bits_ = 8;
  size_t row_ = 0, pixel_ = 1;
  std::string cur_, up_;
};

class AsciiHex : public Stage {
 public:
  explicit AsciiHex(Pipeline* next) : Stage("ASCIIHex", next) {}
  void write(unsigned char const* data, size_t len) override {
    static const char hex[] = "0123456789ABCDEF";
    for (size_t i = 0; i < len; ++i) {
      Put(hex[data[i] >> 4]);
      Put(hex[data[i] & 15]);
      if (++count_ % 32 == 0) Put('\n');
    }
  }
  void finish() override {
    Put('>');
    End();
  }

 private:
  uint64_t count_ = 0;
};

class Ascii85 : public Stage {
 public:
  explicit Ascii85(Pipeline* next) : Stage("ASCII85", next) {}
  void write(unsigned char const* data, size_t len) override {
    for (size_t i = 0; i < len; ++i) {
      group_[n_++] = data[i];
      if (n_ == 4) Group();
    }
  }
  void finish() override {
    if (n_ > 0) Group();
    Put("~>", 2);
    End();
  }

 private:
  void Char(char c) {
    Put(c);
    if (++column_ == 72) {
      Put('\n');
      column_ = 0;
    }
  }
  // Four bytes (fewer at the end) as five characters, or "z" for zeros.
  void Group() {
    uint32_t word = 0;
    for (size_t k = 0; k < 4; ++k) word = (word << 8) | (k < n_ ? group_[k] : 0);
    if (n_ == 4 && word == 0) {
      Char('z');
    } else {
      char chars[5];
      for (int k = 4; k >= 0; --k) {
        chars[k] = static_cast<char>('!' + word % 85);
        word /= 85;
      }
      for (size_t k = 0; k < n_ + 1; ++k) Char(chars[k]);
    }
    n_ = 0;
  }
  unsigned char group_[4] = {};
  size_t n_ = 0, column_ = 0;
};

// LZW as PDF readers decode it: 9 to 12 bit codes, clear 256, end 257; with
// early change the width grows one code sooner.
class Lzw : public Stage {
 public:
  Lzw(Pipeline* next, bool earlyChange) : Stage("LZW", next), early_(earlyChange) { Emit(256); }
  void write(unsigned char const* data, size_t len) override {
    size_t i = 0;
    if (!started_ && len > 0) {
      prefix_ = data[0];
      started_ = true;
      i = 1;
    }
    for (; i < len; ++i) {
      const unsigned c = data[i];
      const uint32_t key = (prefix_ << 8) | c;
      auto it = table_.find(key);
      if (it != table_.end()) {
        prefix_ = it->second;
        continue;
      }
      Emit(prefix_);
      table_.emplace(key, next_++);
      width_ = Width();
      prefix_ = c;
      if (next_ >= 4093) {
        // The table is full: start afresh.
        Emit(256);
        table_.clear();
        next_ = 258;
        width_ = 9;
      }
    }
  }
  void finish() override {
    if (started_) {
      Emit(prefix_);
      ++next_;  // the reader adds one more entry before the end code
      width_ = Width();
    }
    Emit(257);
    if (bitCount_ > 0) Put(static_cast<char>((bitBuffer_ << (8 - bitCount_)) & 0xFF));
    End();
  }

 private:
  int Width() const {
    int w = 9;
    while (w < 12 && next_ + (early_ ? 1u : 0u) > (1u << w)) ++w;
    return w;
  }
  void Emit(unsigned code) {
    bitBuffer_ = (bitBuffer_ << width_) | code;
    bitCount_ += width_;
    while (bitCount_ >= 8) {
      Put(static_cast<char>((bitBuffer_ >> (bitCount_ - 8)) & 0xFF));
      bitCount_ -= 8;
    }
    bitBuffer_ &= (1u << bitCount_) - 1;
  }
  bool early_;
  std::unordered_map<uint32_t, unsigned> table_;  // (prefix code << 8 | byte) -> code
  unsigned next_ = 258, prefix_ = 0;
  bool started_ = false;
  uint32_t bitBuffer_ = 0;
  int bitCount_ = 0, width_ = 9;
};

// One-bit rows, coded whole at the end (a page of them is small).
class CcittFax : public Pipeline {
 public:
  CcittFax(Pipeline* next, QPDFObjectHandle parms, QPDFObjectHandle dict) : Pipeline("CCITTFax", next) {
    if (IntEntry(dict, "/BitsPerComponent", 1) != 1) CannotEncode(kName, "only 1-bit samples are encoded");
    if (!CcittParamsFrom(parms.isDictionary() ? parms : QPDFObjectHandle::newNull(), &p_))
      CannotEncode(kName, "parameters out of range");
  }
  void write(unsigned char const* data, size_t len) override { rows_.append(reinterpret_cast<const char*>(data), len); }
  void finish() override {
    const size_t rowBytes = static_cast<size_t>((p_.columns + 7) / 8);
    if (rows_.size() % rowBytes != 0) CannotEncode(kName, "the data is not whole rows of Columns samples");
    const std::string coded = CcittEncode(rows_, p_);
    getNext()->write(reinterpret_cast<const unsigned char*>(coded.data()), coded.size());
    getNext()->finish();
  }

 private:
  static constexpr const char* kName = "CCITTFaxDecode";
  CcittParams p_;
  std::string rows_;
};

// --- DCT, through libjpeg's scanline writing

// The compressed bytes go on to the next stage in blocks.
struct JpegDestination {
  jpeg_destination_mgr pub;
  Pipeline* next;
  std::vector<JOCTET> block;
  std::exception_ptr failure;
};

void DestinationStart(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<JpegDestination*>(cinfo->dest);
  d->pub.next_output_byte = d->block.data();
  d->pub.free_in_buffer = d->block.size();
}

// Writes `size` bytes on; a failure there leaves by libjpeg's error exit.
void DestinationPass(j_compress_ptr cinfo, size_t size) {
  auto* d = reinterpret_cast<JpegDestination*>(cinfo->dest);
  try {
    if (size) d->next->write(d->block.data(), size);
  } catch (...) {
    d->failure = std::current_exception();
  }
  if (d->failure) ERREXIT(cinfo, JERR_FILE_WRITE);
  DestinationStart(cinfo);
}

boolean DestinationEmpty(j_compress_ptr cinfo) {
  DestinationPass(cinfo, reinterpret_cast<JpegDestination*>(cinfo->dest)->block.size());
  return TRUE;
}

void DestinationEnd(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<JpegDestination*>(cinfo->dest);
  DestinationPass(cinfo, d->block.size() - d->pub.free_in_buffer);
}

// libjpeg's writing state; destroyed with its owner whatever happened.
struct JpegWriter {
  JpegWriter() {
    cinfo.err = jpeg_std_error(&failure.mgr);
    failure.mgr.error_exit = JpegExit;
  }
  ~JpegWriter() {
    if (created) jpeg_destroy_compress(&cinfo);
  }
  jpeg_compress_struct cinfo;
  JpegFailure failure;
  JpegDestination dest{};
  bool created = false;
};

// Baseline JPEG from the encode parameters: Columns, Rows, Colors, QFactor
// (the standard tables scaled by it), HSamples and VSamples; rows are
// compressed as they come.
class Dct : public Pipeline {
 public:
  Dct(Pipeline* next, QPDFObjectHandle parms, QPDFObjectHandle dict)
      : Pipeline("DCT", next), w_(std::make_unique<JpegWriter>()) {
    if (IntEntry(dict, "/BitsPerComponent", 8) != 8) CannotEncode(kName, "only 8-bit samples are encoded");
    const long long columns = IntParm(parms, "/Columns", IntEntry(dict, "/Width", 0));
    rows_ = IntParm(parms, "/Rows", IntEntry(dict, "/Height", 0));
    const long long colors = IntParm(parms, "/Colors", 0);
    if (colors != 1 && colors != 3 && colors != 4) CannotEncode(kName, "Colors must be 1, 3 or 4");
    if (columns < 1 || rows_ < 1 || columns > 65500 || rows_ > 65500)
      CannotEncode(kName, "Columns and Rows must be 1 to 65500");
    double q = 1.0;
    if (parms.isDictionary() && parms.getKey("/QFactor").isNumber()) q = parms.getKey("/QFactor").getNumericValue();
    if (!(q > 0) || q > 100) CannotEncode(kName, "QFactor out of range");
    const int quality = std::max(1, static_cast<int>(q * 100 + 0.5));
    int h[4] = {1, 1, 1, 1}, v[4] = {1, 1, 1, 1};
    for (int pass = 0; pass < 2; ++pass) {
      QPDFObjectHandle a =
          parms.isDictionary() ? parms.getKey(pass ? "/VSamples" : "/HSamples") : QPDFObjectHandle::newNull();
      if (!a.isArray()) continue;
      for (int c = 0; c < colors && c < a.getArrayNItems(); ++c) {
        QPDFObjectHandle f = a.getArrayItem(c);
        if (!f.isInteger() || f.getIntValue() < 1 || f.getIntValue() > 4)
          CannotEncode(kName, "sampling factors are 1 to 4");
        (pass ? v : h)[c] = f.getIntValueAsInt();
      }
    }
    row_ = static_cast<size_t>(columns * colors);
    Start(static_cast<int>(columns), static_cast<int>(colors), quality, h, v);
  }
  void write(unsigned char const* data, size_t len) override {
    while (len > 0) {
      if (written_ == rows_) CannotEncode(kName, "the data is not Columns x Rows x Colors bytes");
      // Whole rows from where they lie; a row split between pieces is gathered.
      if (partial_.empty() && len >= row_) {
        Scanline(data);
        data += row_;
        len -= row_;
        continue;
      }
      const size_t k = std::min(len, row_ - partial_.size());
      partial_.insert(partial_.end(), data, data + k);
      data += k;
      len -= k;
      if (partial_.size() == row_) {
        Scanline(partial_.data());
        partial_.clear();
      }
    }
  }
  void finish() override {
    if (written_ != rows_ || !partial_.empty()) CannotEncode(kName, "the data is not Columns x Rows x Colors bytes");
    if (setjmp(w_->failure.jump)) Failed();
    jpeg_finish_compress(&w_->cinfo);
    getNext()->finish();
  }

 private:
  static constexpr const char* kName = "DCTDecode";
  void Start(int columns, int colors, int quality, const int* h, const int* v) {
    jpeg_compress_struct& cinfo = w_->cinfo;
    w_->dest.next = getNext();
    w_->dest.block.resize(65536);
    if (setjmp(w_->failure.jump)) Failed();
    jpeg_create_compress(&cinfo);
    w_->created = true;
    w_->dest.pub.init_destination = DestinationStart;
    w_->dest.pub.empty_output_buffer = DestinationEmpty;
    w_->dest.pub.term_destination = DestinationEnd;
    cinfo.dest = &w_->dest.pub;
    cinfo.image_width = static_cast<JDIMENSION>(columns);
    cinfo.image_height = static_cast<JDIMENSION>(rows_);
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
  }
  void Scanline(const unsigned char* row) {
    if (setjmp(w_->failure.jump)) Failed();
    JSAMPROW rows[1] = {const_cast<JSAMPROW>(row)};
    jpeg_write_scanlines(&w_->cinfo, rows, 1);
    ++written_;
  }
  [[noreturn]] void Failed() {
    if (w_->dest.failure) std::rethrow_exception(w_->dest.failure);
    CannotEncode(kName, w_->failure.message);
  }
  std::unique_ptr<JpegWriter> w_;
  long long rows_ = 0, written_ = 0;
  size_t row_ = 0;
  std::vector<unsigned char> partial_;
};

}  // namespace

struct StreamEncoder::Chain {
  std::vector<std::unique_ptr<Pipeline>> stages;  // the first one written to last
  Pipeline* first = nullptr;
};

StreamEncoder::StreamEncoder(QPDFObjectHandle filter, QPDFObjectHandle parms, QPDFObjectHandle dict, Pipeline* sink)
    : chain_(std::make_unique<Chain>()) {
  Pipeline* next = sink;
  if (!filter.isNull() && !filter.isName() && !filter.isArray()) Raise(cosErrCannotEncode);
  const int n = filter.isNull() ? 0 : filter.isArray() ? filter.getArrayNItems() : 1;
  auto add = [&](std::unique_ptr<Pipeline> stage) {
    next = stage.get();
    chain_->stages.push_back(std::move(stage));
  };
  // The first filter named is the last applied when encoding: the chain is
  // built from it, so the data meets the last one first.
  for (int i = 0; i < n; ++i) {
    QPDFObjectHandle f = Nth(filter, i), p = Nth(parms, i);
    if (!f.isName()) Raise(cosErrCannotEncode);
    const std::string name = f.getName();
    if (name == "/FlateDecode" || name == "/Fl") {
      add(std::make_unique<Pl_Flate>("flate", next, Pl_Flate::a_deflate));
    } else if (name == "/LZWDecode" || name == "/LZW") {
      add(std::make_unique<Lzw>(next, IntParm(p, "/EarlyChange", 1) != 0));
    } else if (name == "/RunLengthDecode" || name == "/RL") {
      add(std::make_unique<Pl_RunLength>("rl", next, Pl_RunLength::a_encode));
    } else if (name == "/ASCIIHexDecode" || name == "/AHx") {
      add(std::make_unique<AsciiHex>(next));
    } else if (name == "/ASCII85Decode" || name == "/A85") {
      add(std::make_unique<Ascii85>(next));
    } else if (name == "/DCTDecode" || name == "/DCT") {
      add(std::make_unique<Dct>(next, p, dict));
    } else if (name == "/CCITTFaxDecode" || name == "/CCF") {
      add(std::make_unique<CcittFax>(next, p, dict));
    } else {
      CannotEncode(name.substr(1), "the host has no encoder for it");
    }
    const bool predicted = name == "/FlateDecode" || name == "/Fl" || name == "/LZWDecode" || name == "/LZW";
    if (predicted && Predict::Wanted(p)) add(std::make_unique<Predict>(next, p));
  }
  chain_->first = next;
}

StreamEncoder::~StreamEncoder() = default;

void StreamEncoder::Write(const unsigned char* data, size_t size) {
  if (size) chain_->first->write(data, size);
}

void StreamEncoder::Finish() { chain_->first->finish(); }

std::string EncodeStreamData(const std::string& data, QPDFObjectHandle filter, QPDFObjectHandle parms,
                             QPDFObjectHandle dict) {
  std::string out;
  Pl_String sink("encoded", nullptr, out);
  StreamEncoder encoder(filter, parms, dict, &sink);
  encoder.Write(reinterpret_cast<const unsigned char*>(data.data()), data.size());
  encoder.Finish();
  return out;
}

namespace {

// A step of the encoding: its failure as a raise's code (0: none), the
// library's exceptions turned into raises.
ASErrorCode Attempt(const std::function<void()>& step) {
  try {
    try {
      step();
    } catch (...) {
      RaiseFromCurrentException();
    }
  } catch (const ASHostRaise& raised) {
    return raised.code;
  }
  return 0;
}

[[noreturn]] void RaiseWith(ASErrorCode code, const std::string& detail) {
  SetFailureDetail(detail);
  Raise(code);
}

}  // namespace

std::unique_ptr<StreamBytes> NewStreamData(Doc& doc, ASStm source, long long start, long long length, bool encoded,
                                           QPDFObjectHandle dict, QPDFObjectHandle parms) {
  const size_t cap = DecodedDataCap();
  if (length >= 0 && static_cast<uint64_t>(length) > ImageDataBound())
    RaiseWith(cosErrDataTooLarge, "the new stream's data is more than the host allows");
  const char* kShort = "the source stream ended before its length";
  auto bytes = std::make_unique<StreamBytes>(doc.spill, cap);
  QPDFObjectHandle filter = dict.getKey("/Filter");
  const bool asGiven = encoded || filter.isNull();
  if (asGiven && length >= 0 && static_cast<uint64_t>(length) > cap)
    RaiseWith(cosErrDataTooLarge, "stream data exceeds the host's cap");
  // Encoded as it is read; a refusal of the encoder waits until the source
  // was read to its length, which is checked first.
  std::unique_ptr<StreamEncoder> encoder;
  ASErrorCode refused = asGiven ? 0 : Attempt([&] {
    encoder = std::make_unique<StreamEncoder>(filter, parms.isNull() ? dict.getKey("/DecodeParms") : parms, dict,
                                              bytes.get());
  });
  std::string why = refused ? LastFailureDetail() : "";
  if (source) {
    ReadStm(source, start, 0);  // passes over `start` bytes
    Stm& s = StmOf(source);
    uint64_t total = 0;
    if (asGiven && length >= 0) {
      // Straight to where the bytes are kept.
      total = bytes->ReadFrom(s, static_cast<size_t>(length));
    } else {
      // Small at first and doubled as the source fills it: most new
      // streams are a few bytes, and are made by the thousand.
      std::vector<unsigned char> piece(4096);
      while (length < 0 || total < static_cast<uint64_t>(length)) {
        const size_t want = length < 0 ? piece.size()
                                       : static_cast<size_t>(std::min<uint64_t>(piece.size(), length - total));
        const size_t n = s.Read(reinterpret_cast<char*>(piece.data()), want);
        if (n == 0) break;
        if (n == piece.size() && piece.size() < (size_t(1) << 18)) piece.resize(piece.size() * 2);
        total += n;
        if (total > ImageDataBound())
          RaiseWith(cosErrDataTooLarge, "the new stream's data is more than the host allows");
        if (refused) continue;
        if ((refused = Attempt([&] { encoder ? encoder->Write(piece.data(), n) : bytes->write(piece.data(), n); })))
          why = LastFailureDetail();
      }
    }
    if (length >= 0 && total < static_cast<uint64_t>(length)) RaiseWith(cosErrReadError, kShort);
  }
  if (refused) RaiseWith(refused, why);
  if (encoder && (refused = Attempt([&] { encoder->Finish(); }))) RaiseWith(refused, LastFailureDetail());
  return bytes;
}

}  // namespace host
