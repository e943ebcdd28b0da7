#include "cos/streamdecode.h"

#include <climits>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>
#include <zlib.h>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFStreamFilter.hh>

#include "cos/ccitt.h"
#include "cos/decoders.h"
#include "cos/docs.h"
#include "cos/jpegfailure.h"
#include "cos/spill.h"

namespace host {
namespace {

[[noreturn]] void Damaged(const std::string& why) {
  SetFailureDetail(why);
  Raise(cosErrReadError);
}

[[noreturn]] void TooLarge(const std::string& why) {
  SetFailureDetail(why);
  Raise(cosErrDataTooLarge);
}

// Runs a decoding step: the library's and zlib's failures are damaged data.
template <class F>
auto Decoding(F&& f) -> decltype(f()) {
  try {
    return f();
  } catch (const ASHostRaise&) {
    throw;
  } catch (const std::bad_alloc&) {
    Raise(genErrNoMemory);
  } catch (const std::exception& e) {
    Damaged(e.what());
  }
}

// --- The pieces of a chain

// Bytes a stage reads: a view that stays valid until the next Ready.
class Input {
 public:
  virtual ~Input() = default;
  // True with at least one byte at hand, false at the end.
  bool Ready() { return left > 0 || Refill(); }
  void Take(size_t n) {
    at += n;
    left -= n;
  }
  const unsigned char* at = nullptr;
  size_t left = 0;

 protected:
  virtual bool Refill() = 0;
};

// A stage of a chain: its output, piece by piece; 0 at the end.
class Stage {
 public:
  virtual ~Stage() = default;
  virtual size_t Pull(unsigned char* out, size_t n) = 0;
};

// Hands the library's writes on in blocks: it decrypts AES data 16 bytes
// a write.
class Gathered : public Pipeline {
 public:
  explicit Gathered(Pipeline* next) : Pipeline("gathered", next) {}
  void write(unsigned char const* data, size_t len) override {
    if (held_.size() + len > kBlock) Flush();
    if (len >= kBlock) getNext()->write(data, len);
    else held_.insert(held_.end(), data, data + len);
  }
  void finish() override { Flush(); }
  void Flush() {
    if (!held_.empty()) getNext()->write(held_.data(), held_.size());
    held_.clear();
  }

 private:
  static constexpr size_t kBlock = 65536;
  std::vector<unsigned char> held_;
};

// The stream's raw bytes (decrypted), in windows. Data that lies in the
// document's file as read is read from there, once. Else the library
// pushes it once, in one call, into a copy of its own (in memory while it
// is small, then in a temporary file), which the windows are read from.
class RawData : public Input, public Stage {
 public:
  explicit RawData(QPDFObjectHandle stream) : stored_(StoredStreamData(stream)) {
    if (stored_.read) return;
    kept_ = std::make_unique<StreamBytes>(keptFile_, SIZE_MAX);
    Gathered gathered(kept_.get());
    const bool ok = Decoding([&] { return stream.pipeStreamData(&gathered, nullptr, 0, qpdf_dl_none, true, false); });
    if (!ok) Damaged("stream data could not be read");
    gathered.Flush();
    const StreamBytes& kept = *kept_;
    stored_.read = [&kept](long long at, char* out, size_t size) { return kept.Read(static_cast<uint64_t>(at), out, size); };
    stored_.offset = 0;
    stored_.length = static_cast<long long>(kept.Size());
  }
  uint64_t Length() const { return static_cast<uint64_t>(stored_.length); }
  size_t Pull(unsigned char* out, size_t n) override {
    if (!Ready()) return 0;
    const size_t k = std::min(n, left);
    std::memcpy(out, at, k);
    Take(k);
    return k;
  }

 protected:
  bool Refill() override {
    if (next_ >= Length()) return false;
    const size_t want = static_cast<size_t>(std::min(kWindow, Length() - next_));
    bytes_.resize(want);
    const size_t got = Decoding([&] { return stored_.read(stored_.offset + static_cast<long long>(next_), &bytes_[0], want); });
    if (got < want) Damaged("stream data could not be read");
    next_ += want;
    at = reinterpret_cast<const unsigned char*>(bytes_.data());
    left = want;
    return true;
  }

 private:
  static constexpr uint64_t kWindow = uint64_t(1) << 18;
  std::shared_ptr<SpillFile> keptFile_;  // before the copy, which writes into it
  std::unique_ptr<StreamBytes> kept_;
  StoredData stored_;
  uint64_t next_ = 0;
  std::string bytes_;
};

// Bytes the stage before made, taken in blocks.
class PulledInput : public Input {
 public:
  explicit PulledInput(std::unique_ptr<Stage> from) : from_(std::move(from)), block_(kBlock) {}

 protected:
  bool Refill() override {
    if (ended_) return false;
    const size_t n = from_->Pull(block_.data(), block_.size());
    if (n == 0) {
      ended_ = true;
      return false;
    }
    at = block_.data();
    left = n;
    return true;
  }

 private:
  static constexpr size_t kBlock = 65536;
  std::unique_ptr<Stage> from_;
  std::vector<unsigned char> block_;
  bool ended_ = false;
};

// A stage that makes its output in batches and hands them out.
class BatchStage : public Stage {
 public:
  size_t Pull(unsigned char* out, size_t n) override {
    size_t made = 0;
    while (made < n) {
      if (pos_ == batch_.size()) {
        batch_.clear();
        pos_ = 0;
        if (ended_) break;
        Produce(batch_);
        if (batch_.empty()) {
          ended_ = true;
          break;
        }
      }
      const size_t k = std::min(n - made, batch_.size() - pos_);
      std::memcpy(out + made, batch_.data() + pos_, k);
      pos_ += k;
      made += k;
    }
    return made;
  }

 protected:
  static constexpr size_t kBatch = 65536;
  // Appends the next output (about kBatch bytes); none at the end.
  virtual void Produce(std::string& batch) = 0;

 private:
  std::string batch_;
  size_t pos_ = 0;
  bool ended_ = false;
};

// --- The filters, each as the library decodes it

bool HexSpace(unsigned char c) { return c == ' ' || c == '\f' || c == '\v' || c == '\t' || c == '\r' || c == '\n'; }

class AsciiHex : public BatchStage {
 public:
  explicit AsciiHex(std::unique_ptr<Input> in) : in_(std::move(in)) {}

 protected:
  void Produce(std::string& batch) override {
    while (batch.size() < kBatch && !ended_ && in_->Ready()) {
      const unsigned char* p = in_->at;
      size_t i = 0;
      for (; i < in_->left && batch.size() < kBatch; ++i) {
        const unsigned char c = static_cast<unsigned char>(std::toupper(p[i]));
        if (HexSpace(c)) continue;
        if (c == '>') {
          ended_ = true;
          ++i;
          break;
        }
        int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0) Damaged("character out of range during base Hex decode");
        if (high_ < 0) {
          high_ = digit;
        } else {
          batch.push_back(static_cast<char>(high_ << 4 | digit));
          high_ = -1;
        }
      }
      in_->Take(i);
    }
    if (batch.empty() && high_ >= 0) {
      // An odd digit at the end counts as followed by 0.
      batch.push_back(static_cast<char>(high_ << 4));
      high_ = -1;
    }
  }

 private:
  std::unique_ptr<Input> in_;
  int high_ = -1;
  bool ended_ = false;
};

class Ascii85 : public BatchStage {
 public:
  explicit Ascii85(std::unique_ptr<Input> in) : in_(std::move(in)) {}

 protected:
  void Produce(std::string& batch) override {
    while (batch.size() < kBatch && !ended_ && in_->Ready()) {
      const unsigned char c = *in_->at;
      in_->Take(1);
      if (tilde_) {
        if (c != '>') Damaged("broken end-of-data sequence in base 85 data");
        ended_ = true;
        Flush(batch);
      } else if (HexSpace(c)) {
      } else if (c == '~') {
        tilde_ = true;
      } else if (c == 'z') {
        if (count_ != 0) Damaged("unexpected z during base 85 decode");
        batch.append(4, '\0');
      } else {
        if (c < '!' || c > 'u') Damaged("character out of range during base 85 decode");
        group_[count_++] = c;
        if (count_ == 5) Flush(batch);
      }
    }
    if (batch.empty() && !ended_) {
      ended_ = true;
      Flush(batch);
    }
  }

 private:
  // A group of n characters, padded with "u", gives n - 1 bytes.
  void Flush(std::string& batch) {
    if (count_ == 0) return;
    uint64_t value = 0;
    for (int i = 0; i < 5; ++i) value = value * 85 + ((i < count_ ? group_[i] : 'u') - '!');
    for (int i = 0; i < count_ - 1; ++i) batch.push_back(static_cast<char>((value >> (24 - 8 * i)) & 0xFF));
    count_ = 0;
  }
  std::unique_ptr<Input> in_;
  unsigned char group_[5] = {};
  int count_ = 0;
  bool tilde_ = false, ended_ = false;
};

// A length byte below 128 copies that many bytes and one more, one above
// repeats the next byte 257 less it times; 128 is passed over, as the
// library does.
class RunLength : public BatchStage {
 public:
  explicit RunLength(std::unique_ptr<Input> in) : in_(std::move(in)) {}

 protected:
  void Produce(std::string& batch) override {
    while (batch.size() < kBatch && in_->Ready()) {
      const unsigned char c = *in_->at;
      if (copying_ > 0) {
        const size_t k = std::min<size_t>(copying_, in_->left);
        batch.append(reinterpret_cast<const char*>(in_->at), k);
        in_->Take(k);
        copying_ -= static_cast<unsigned>(k);
        continue;
      }
      in_->Take(1);
      if (repeat_ > 0) {
        batch.append(repeat_, static_cast<char>(c));
        repeat_ = 0;
      } else if (c < 128) {
        copying_ = c + 1u;
      } else if (c > 128) {
        repeat_ = 257u - c;
      }
    }
  }

 private:
  std::unique_ptr<Input> in_;
  unsigned copying_ = 0, repeat_ = 0;
};

// Codes of 9 to 12 bits, most significant first; the table grows as the
// library's does (a full table is damaged data).
class Lzw : public BatchStage {
 public:
  Lzw(std::unique_ptr<Input> in, bool earlyChange) : in_(std::move(in)), delta_(earlyChange ? 1 : 0) {}

 protected:
  void Produce(std::string& batch) override {
    while (batch.size() < kBatch && !ended_) {
      while (bits_ < width_) {
        if (!in_->Ready()) {
          ended_ = true;
          return;
        }
        buffer_ = (buffer_ << 8) | *in_->at;
        in_->Take(1);
        bits_ += 8;
      }
      const unsigned code = static_cast<unsigned>(buffer_ >> (bits_ - width_)) & ((1u << width_) - 1);
      bits_ -= width_;
      Handle(code, batch);
    }
  }

 private:
  struct Entry {
    unsigned prefix;  // a code
    unsigned char last, first;
    unsigned length;
  };
  unsigned char First(unsigned code) const {
    if (code < 256) return static_cast<unsigned char>(code);
    if (code > 257 && code - 258 < table_.size()) return table_[code - 258].first;
    Damaged("LZWDecoder: bad code received");
  }
  unsigned Length(unsigned code) const { return code < 256 ? 1 : table_[code - 258].length; }
  // A code's bytes, from its last back to its first.
  void Emit(unsigned code, std::string& batch) const {
    const size_t at = batch.size();
    batch.resize(at + Length(code));
    for (size_t i = batch.size(); code >= 256; code = table_[code - 258].prefix) batch[--i] = static_cast<char>(table_[code - 258].last);
    batch[at] = static_cast<char>(code);
  }
  void Handle(unsigned code, std::string& batch) {
    if (code == 256) {
      table_.clear();
      width_ = 9;
    } else if (code == 257) {
      ended_ = true;
      return;
    } else {
      if (last_ != 256) {
        unsigned char next = 0;
        if (code < 256) {
          next = static_cast<unsigned char>(code);
        } else if (code > 257) {
          const size_t index = code - 258;
          if (index > table_.size()) Damaged("LZWDecoder: bad code received");
          next = index == table_.size() ? First(last_) : First(code);
        }
        const unsigned added = 258 + static_cast<unsigned>(table_.size());
        if (added == 4096) Damaged("LZWDecoder: table full");
        if (last_ > 257 && last_ - 258 >= table_.size()) Damaged("LZWDecoder: table overflow");
        table_.push_back(Entry{last_, next, First(last_), Length(last_) + 1});
        const unsigned change = added + delta_;
        if (change == 511 || change == 1023 || change == 2047) ++width_;
      }
      if (code > 257 && code - 258 >= table_.size()) Damaged("Pl_LZWDecoder::handleCode: table overflow");
      Emit(code, batch);
    }
    last_ = code;
  }
  std::unique_ptr<Input> in_;
  unsigned delta_;
  std::vector<Entry> table_;
  uint64_t buffer_ = 0;
  int bits_ = 0;
  int width_ = 9;
  unsigned last_ = 256;
  bool ended_ = false;
};

class Flate : public Stage {
 public:
  explicit Flate(std::unique_ptr<Input> in) : in_(std::move(in)) {
    std::memset(&z_, 0, sizeof z_);
    if (inflateInit(&z_) != Z_OK) Raise(genErrNoMemory);
  }
  ~Flate() override { inflateEnd(&z_); }
  size_t Pull(unsigned char* out, size_t n) override {
    z_.next_out = out;
    z_.avail_out = static_cast<uInt>(std::min<size_t>(n, 1u << 30));
    const uInt asked = z_.avail_out;
    while (!ended_ && z_.avail_out > 0) {
      // With no input left, inflate still hands out what it holds.
      const bool more = in_->Ready();
      z_.next_in = more ? const_cast<Bytef*>(in_->at) : nullptr;
      z_.avail_in = more ? static_cast<uInt>(std::min<size_t>(in_->left, 1u << 30)) : 0;
      const uInt given = z_.avail_in, room = z_.avail_out;
      const int err = inflate(&z_, Z_SYNC_FLUSH);
      if (more) in_->Take(given - z_.avail_in);
      if (err == Z_STREAM_END || (err != Z_OK && z_.msg && std::strcmp(z_.msg, "incorrect data check") == 0)) {
        ended_ = true;
      } else if (err != Z_OK && err != Z_BUF_ERROR) {
        Damaged(std::string("flate data: ") + (z_.msg ? z_.msg : "damaged"));
      } else if (z_.avail_out == room && z_.avail_in == given) {
        // Nothing more comes of it: data that stops before its end gives
        // what it holds, as for the library.
        ended_ = true;
      }
    }
    return asked - z_.avail_out;
  }

 private:
  std::unique_ptr<Input> in_;
  z_stream z_;
  bool ended_ = false;
};

struct PredictorParms {
  long long predictor = 1, columns = 0, colors = 1, bits = 8;
  bool earlyChange = true;
  // 0 for a negative value, which no predictor takes.
  uint64_t RowBytes() const {
    if (columns < 0 || colors < 0 || bits < 0) return 0;
    const unsigned __int128 row = (static_cast<unsigned __int128>(columns) * colors * bits + 7) / 8;
    return row > UINT64_MAX ? UINT64_MAX : static_cast<uint64_t>(row);
  }
};

// A PNG predictor's rows (a tag byte, then the row; a partial last row
// counts as padded with zeros) or TIFF predictor 2's.
class Predictor : public BatchStage {
 public:
  Predictor(std::unique_ptr<Input> in, const PredictorParms& p) : in_(std::move(in)), p_(p) {
    png_ = p.predictor >= 10;
    if (p.colors < 1) Damaged("predictor with invalid Colors");
    if (png_ ? (p.bits != 1 && p.bits != 2 && p.bits != 4 && p.bits != 8 && p.bits != 16) : (p.bits < 1 || p.bits > 64))
      Damaged("predictor with invalid BitsPerComponent");
    if (p.columns < 1 || p.RowBytes() > UINT32_MAX - 1) Damaged("predictor with invalid Columns");
    row_ = static_cast<size_t>(p.RowBytes());
    pixel_ = static_cast<size_t>((p.bits * p.colors + 7) / 8);
    const size_t tag = png_ ? 1 : 0;
    cur_.assign(row_ + tag, 0);
    prev_.assign(row_ + tag, 0);
  }

 protected:
  void Produce(std::string& batch) override {
    const size_t incoming = cur_.size();
    while (batch.size() < kBatch) {
      while (pos_ < incoming && in_->Ready()) {
        const size_t k = std::min(incoming - pos_, in_->left);
        std::memcpy(cur_.data() + pos_, in_->at, k);
        in_->Take(k);
        pos_ += k;
      }
      if (pos_ == 0) return;
      // A partial row ends the data, the rest of it zero.
      std::fill(cur_.begin() + static_cast<long>(pos_), cur_.end(), 0);
      const bool last = pos_ < incoming;
      if (png_) PngRow(batch); else TiffRow(batch);
      cur_.swap(prev_);
      std::fill(cur_.begin(), cur_.end(), 0);
      pos_ = 0;
      if (last) return;
    }
  }

 private:
  void PngRow(std::string& batch) {
    unsigned char* row = cur_.data() + 1;
    const unsigned char* up = prev_.data() + 1;
    const size_t bpp = pixel_;
    switch (cur_[0]) {
      case 1:
        for (size_t i = bpp; i < row_; ++i) row[i] = static_cast<unsigned char>(row[i] + row[i - bpp]);
        break;
      case 2:
        for (size_t i = 0; i < row_; ++i) row[i] = static_cast<unsigned char>(row[i] + up[i]);
        break;
      case 3:
        for (size_t i = 0; i < row_; ++i) {
          const int left = i >= bpp ? row[i - bpp] : 0;
          row[i] = static_cast<unsigned char>(row[i] + (left + up[i]) / 2);
        }
        break;
      case 4:
        for (size_t i = 0; i < row_; ++i) {
          const int a = i >= bpp ? row[i - bpp] : 0, b = up[i], c = i >= bpp ? up[i - bpp] : 0;
          const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
          row[i] = static_cast<unsigned char>(row[i] + (pa <= pb && pa <= pc ? a : pb <= pc ? b : c));
        }
        break;
      default:
        break;
    }
    batch.append(reinterpret_cast<const char*>(row), row_);
  }
  void TiffRow(std::string& batch) {
    if (p_.bits == 8) {
      for (size_t i = static_cast<size_t>(p_.colors); i < row_; ++i)
        cur_[i] = static_cast<unsigned char>(cur_[i] + cur_[i - static_cast<size_t>(p_.colors)]);
      batch.append(reinterpret_cast<const char*>(cur_.data()), row_);
      return;
    }
    // Samples of any width, each the sum of itself and the one to its left.
    const size_t at = batch.size();
    batch.append(row_, '\0');
    std::vector<uint64_t> left(static_cast<size_t>(p_.colors), 0);
    const uint64_t mask = p_.bits == 64 ? ~uint64_t(0) : (uint64_t(1) << p_.bits) - 1;
    uint64_t bit = 0;
    for (long long col = 0; col < p_.columns; ++col) {
      for (uint64_t& prev : left) {
        uint64_t v = 0;
        for (long long b = 0; b < p_.bits; ++b, ++bit) v = v << 1 | ((cur_[bit / 8] >> (7 - bit % 8)) & 1);
        v = (v + prev) & mask;
        prev = v;
        for (long long b = p_.bits - 1; b >= 0; --b) {
          const uint64_t out = bit - static_cast<uint64_t>(b) - 1;
          if ((v >> b) & 1) batch[at + out / 8] = static_cast<char>(batch[at + out / 8] | (0x80 >> (out % 8)));
        }
      }
    }
  }
  std::unique_ptr<Input> in_;
  PredictorParms p_;
  bool png_ = false;
  size_t row_ = 0, pixel_ = 0, pos_ = 0;
  std::vector<unsigned char> cur_, prev_;
};

// --- DCT, through libjpeg's scanline reading

struct JpegSource {
  jpeg_source_mgr pub;
  Input* in;
  std::exception_ptr failure;
  bool ended = false;      // the data ran out: an end marker stands in
  bool cutShort = false;   // and the image's data had not ended there
};

// Warnings (damaged data libjpeg reads on) stay quiet, as the library keeps
// them; one after the stand-in end marker means the scan data stopped short.
void JpegMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  ++cinfo->err->num_warnings;
  auto* src = reinterpret_cast<JpegSource*>(reinterpret_cast<j_decompress_ptr>(cinfo)->src);
  if (cinfo->is_decompressor && src && src->ended && cinfo->err->msg_code != JWRN_JPEG_EOF) src->cutShort = true;
}

const JOCTET kEnd[] = {0xFF, JPEG_EOI};

void SourceStart(j_decompress_ptr) {}
void SourceEnd(j_decompress_ptr) {}

boolean SourceFill(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<JpegSource*>(cinfo->src);
  bool ready = false;
  try {
    ready = src->in->Ready();
  } catch (...) {
    src->failure = std::current_exception();
  }
  // Out through libjpeg by its own error exit; thrown again on our side.
  if (src->failure) ERREXIT(cinfo, JERR_INPUT_EOF);
  if (!ready) {
    // Data whose end marker alone is missing is whole, as libjpeg's own
    // reader has it: the marker stands in, with its warning. Data that
    // stops before its image does is found damaged by what follows.
    if (src->ended) ERREXIT(cinfo, JERR_INPUT_EOF);
    src->ended = true;
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src->pub.next_input_byte = kEnd;
    src->pub.bytes_in_buffer = sizeof kEnd;
    return TRUE;
  }
  src->pub.next_input_byte = src->in->at;
  src->pub.bytes_in_buffer = src->in->left;
  src->in->Take(src->in->left);
  return TRUE;
}

void SourceSkip(j_decompress_ptr cinfo, long count) {
  auto* src = reinterpret_cast<JpegSource*>(cinfo->src);
  while (count > static_cast<long>(src->pub.bytes_in_buffer)) {
    count -= static_cast<long>(src->pub.bytes_in_buffer);
    SourceFill(cinfo);
  }
  if (count > 0) {
    src->pub.next_input_byte += count;
    src->pub.bytes_in_buffer -= static_cast<size_t>(count);
  }
}

// /ColorTransform of the parameters; -1 when they do not say.
int ColorTransformOf(QPDFObjectHandle parms) {
  if (!parms.isDictionary()) return -1;
  QPDFObjectHandle t = parms.getKey("/ColorTransform");
  return t.isInteger() ? (t.getIntValue() != 0 ? 1 : 0) : -1;
}

// libjpeg's reading state; destroyed with its owner whatever happened.
struct JpegReader {
  JpegReader() {
    cinfo.err = jpeg_std_error(&failure.mgr);
    failure.mgr.error_exit = JpegExit;
    failure.mgr.emit_message = JpegMessage;
  }
  ~JpegReader() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
  jpeg_decompress_struct cinfo;
  JpegFailure failure;
  JpegSource source{};
  bool created = false;
};

class Dct : public Stage {
 public:
  // The header is read here. An Adobe marker names the transform itself;
  // without one /ColorTransform does, when given, else libjpeg's own guess.
  Dct(std::unique_ptr<Input> in, int colorTransform) : in_(std::move(in)), r_(std::make_unique<JpegReader>()) {
    jpeg_decompress_struct& cinfo = r_->cinfo;
    r_->source.in = in_.get();
    if (setjmp(r_->failure.jump)) Failed();
    jpeg_create_decompress(&cinfo);
    r_->created = true;
    // What libjpeg holds of a progressive image counts against the cap.
    cinfo.mem->max_memory_to_use = static_cast<long>(std::min<size_t>(DecodedDataCap(), LONG_MAX));
    jpeg_source_mgr& src = r_->source.pub;
    src.init_source = SourceStart;
    src.fill_input_buffer = SourceFill;
    src.skip_input_data = SourceSkip;
    src.resync_to_restart = jpeg_resync_to_restart;
    src.term_source = SourceEnd;
    cinfo.src = &src;
    jpeg_read_header(&cinfo, TRUE);
    if (!cinfo.saw_Adobe_marker && colorTransform >= 0) {
      if (cinfo.num_components == 3) {
        cinfo.jpeg_color_space = colorTransform ? JCS_YCbCr : JCS_RGB;
        cinfo.out_color_space = JCS_RGB;
      } else if (cinfo.num_components == 4) {
        cinfo.jpeg_color_space = colorTransform ? JCS_YCCK : JCS_CMYK;
        cinfo.out_color_space = JCS_CMYK;
      }
    }
    jpeg_start_decompress(&cinfo);
    row_ = static_cast<size_t>(cinfo.output_width) * static_cast<size_t>(cinfo.output_components);
    rowBuffer_.resize(row_);
  }
  uint64_t Size() const { return static_cast<uint64_t>(row_) * r_->cinfo.output_height; }
  size_t Pull(unsigned char* out, size_t n) override {
    size_t made = 0;
    while (made < n) {
      if (pos_ < held_) {
        const size_t k = std::min(n - made, held_ - pos_);
        std::memcpy(out + made, rowBuffer_.data() + pos_, k);
        pos_ += k;
        made += k;
        continue;
      }
      if (r_->cinfo.output_scanline >= r_->cinfo.output_height) break;
      // Whole rows straight into the reader's buffer; a part of one through ours.
      const bool direct = n - made >= row_;
      JSAMPROW rows[1] = {direct ? out + made : rowBuffer_.data()};
      if (Scanline(rows) == 0) break;
      if (direct) {
        made += row_;
      } else {
        pos_ = 0;
        held_ = row_;
      }
    }
    return made;
  }

 private:
  // The last row read, the data must reach its end marker, or its end.
  JDIMENSION Scanline(JSAMPROW* rows) {
    if (setjmp(r_->failure.jump)) Failed();
    const JDIMENSION got = jpeg_read_scanlines(&r_->cinfo, rows, 1);
    const bool last = r_->cinfo.output_scanline == r_->cinfo.output_height;
    // Asked before the finish frees what the image held.
    const bool missing = last && r_->source.ended && ScansMissing();
    if (last) jpeg_finish_decompress(&r_->cinfo);
    if (r_->source.cutShort || missing) Damaged("the JPEG data ends before its image");
    return got;
  }
  // Once the data ran out (an image of many scans has read them all by its
  // last row): a component no scan carried, or (in a progressive image)
  // coefficients no scan gave.
  bool ScansMissing() const {
    const jpeg_decompress_struct& cinfo = r_->cinfo;
    for (int c = 0; c < cinfo.num_components; ++c) {
      if (!cinfo.comp_info[c].quant_table) return true;
      if (cinfo.progressive_mode && cinfo.coef_bits)
        for (int k = 0; k < DCTSIZE2; ++k)
          if (cinfo.coef_bits[c][k] != 0) return true;
    }
    return false;
  }
  [[noreturn]] void Failed() {
    if (r_->source.failure) std::rethrow_exception(r_->source.failure);
    const int code = r_->failure.mgr.msg_code;
    if (code == JERR_INPUT_EOF) Damaged("the JPEG data ends before its image");
    const std::string why = std::string("JPEG data: ") + r_->failure.message;
    if (code == JERR_NO_BACKING_STORE) TooLarge(why);
    Damaged(why);
  }
  std::unique_ptr<Input> in_;
  std::unique_ptr<JpegReader> r_;
  size_t row_ = 0, pos_ = 0, held_ = 0;
  std::vector<unsigned char> rowBuffer_;
};

// --- CCITT fax, row by row

class Ccitt : public BatchStage {
 public:
  Ccitt(std::unique_ptr<Input> in, const CcittParams& p)
      : in_(std::move(in)), decoder_(p, [this] { return More(); }), row_((p.columns + 7) / 8) {}

 protected:
  void Produce(std::string& batch) override {
    while (batch.size() < kBatch && decoder_.Next(row_.data()))
      batch.append(reinterpret_cast<const char*>(row_.data()), row_.size());
  }

 private:
  std::pair<const unsigned char*, size_t> More() {
    if (!in_->Ready()) return {nullptr, 0};
    const std::pair<const unsigned char*, size_t> piece{in_->at, in_->left};
    in_->Take(in_->left);
    return piece;
  }
  std::unique_ptr<Input> in_;
  CcittDecoder decoder_;
  std::vector<unsigned char> row_;
};

// --- The chain a stream's dictionary names

enum class Kind { Flate, Lzw, RunLength, AsciiHex, Ascii85, Dct, Ccitt };

struct Filter {
  Kind kind;
  QPDFObjectHandle parms;
  PredictorParms predictor;
  CcittParams ccitt;
};

bool KindOf(const std::string& name, Kind* kind) {
  static const struct {
    const char *full, *abbreviation;
    Kind kind;
  } names[] = {{"/FlateDecode", "/Fl", Kind::Flate},          {"/LZWDecode", "/LZW", Kind::Lzw},
               {"/RunLengthDecode", "/RL", Kind::RunLength},  {"/ASCIIHexDecode", "/AHx", Kind::AsciiHex},
               {"/ASCII85Decode", "/A85", Kind::Ascii85},     {"/DCTDecode", "/DCT", Kind::Dct},
               {"/CCITTFaxDecode", "/CCF", Kind::Ccitt}};
  for (const auto& n : names)
    if (name == n.full || name == n.abbreviation) {
      *kind = n.kind;
      return true;
    }
  return false;
}

// Flate and LZW parameters as the library takes them; false for ones it
// would not decode with.
bool ReadPredictor(QPDFObjectHandle parms, bool lzw, PredictorParms* p) {
  if (!parms.isDictionary()) return true;
  for (const std::string& key : parms.getKeys()) {
    QPDFObjectHandle v = parms.getKey(key);
    const bool known = key == "/Predictor" || key == "/Columns" || key == "/Colors" || key == "/BitsPerComponent" ||
                       (lzw && key == "/EarlyChange");
    if (!known) continue;
    if (!v.isInteger()) return false;
    const long long value = v.getIntValueAsInt();
    if (key == "/Predictor") {
      p->predictor = value;
      if (value != 1 && value != 2 && (value < 10 || value > 15)) return false;
    } else if (key == "/Columns") {
      p->columns = value;
    } else if (key == "/Colors") {
      p->colors = value;
    } else if (key == "/BitsPerComponent") {
      p->bits = value;
    } else {
      if (value != 0 && value != 1) return false;
      p->earlyChange = value == 1;
    }
  }
  return p->predictor <= 1 || p->columns != 0;
}

bool HasPredictor(const PredictorParms& p) { return p.predictor == 2 || p.predictor >= 10; }

// The filters of the stream in the order they decode, when every one is
// decoded here with parameters it takes.
bool ChainOf(QPDFObjectHandle dict, std::vector<Filter>* chain) {
  QPDFObjectHandle filter = dict.getKey("/Filter");
  std::vector<QPDFObjectHandle> names;
  if (filter.isArray()) {
    names = filter.getArrayAsVector();
  } else if (!filter.isNull()) {
    names.push_back(filter);
  }
  QPDFObjectHandle parms = dict.getKey("/DecodeParms");
  if (parms.isArray() && parms.getArrayNItems() == 0) parms = QPDFObjectHandle::newNull();
  std::vector<QPDFObjectHandle> each;
  if (parms.isArray()) {
    each = parms.getArrayAsVector();
  } else {
    each.assign(names.size(), parms);
  }
  if (!names.empty() && each.size() != names.size()) return false;
  for (size_t i = 0; i < names.size(); ++i) {
    Filter f{Kind::Flate, each[i], {}, {}};
    if (!names[i].isName() || !KindOf(names[i].getName(), &f.kind)) return false;
    const bool lzw = f.kind == Kind::Lzw;
    if ((f.kind == Kind::Flate || lzw) && !ReadPredictor(f.parms, lzw, &f.predictor)) return false;
    if (f.kind == Kind::Dct && !f.parms.isNull() && !f.parms.isDictionary()) return false;
    if (f.kind == Kind::Ccitt && !CcittParamsFrom(f.parms, &f.ccitt)) return false;
    chain->push_back(f);
  }
  return true;
}

// The most a filter can make of `in` bytes: each format's best ratio.
uint64_t MostMade(Kind kind, uint64_t in) {
  const uint64_t top = uint64_t(1) << 62;
  auto times = [&](uint64_t k) { return in > top / k ? top : in * k; };
  switch (kind) {
    case Kind::AsciiHex: return in / 2 + 1;
    case Kind::Ascii85: return times(4) + 4;
    case Kind::RunLength: return times(64);
    case Kind::Lzw: return times(4096);
    case Kind::Flate: return times(1032) + 1024;
    case Kind::Dct: return top;  // its header says
    case Kind::Ccitt: return top;  // a code of a bit can make a row
  }
  return top;
}

// Answers the stream of an image's decoded bytes up to what it declares.
// Data that ends inside its last row has that row's rest padded with
// zeros; data that ends earlier ends there.
class ImageData : public Stm {
 public:
  ImageData(std::unique_ptr<Stage> last, uint64_t declared, uint64_t row)
      : last_(std::move(last)), declared_(declared), row_(row), margin_(declared / 8 + (uint64_t(1) << 20)) {}

 protected:
  size_t Fill(char* buffer, size_t count) override {
    if (given_ >= declared_) return 0;
    const size_t want = static_cast<size_t>(std::min<uint64_t>(count, declared_ - given_));
    auto* out = reinterpret_cast<unsigned char*>(buffer);
    size_t got = 0;
    while (got < want && !ended_) {
      const size_t n = Decoding([&] { return last_->Pull(out + got, want - got); });
      if (n == 0) ended_ = true;
      got += n;
    }
    if (ended_ && declared_ - (given_ + got) < row_) {
      const size_t pad = std::min<size_t>(want - got, static_cast<size_t>(declared_ - given_ - got));
      std::memset(out + got, 0, pad);
      got += pad;
    }
    given_ += got;
    if (given_ == declared_) CheckRest();
    return got;
  }

 private:
  // What the filters make past the declared data: a little is passed over,
  // more is damaged data (a bomb).
  void CheckRest() {
    std::vector<unsigned char> scrap(65536);
    uint64_t past = 0;
    while (size_t n = Decoding([&] { return last_->Pull(scrap.data(), scrap.size()); })) {
      past += n;
      if (past > margin_) Damaged("the image's data decodes to more than its dictionary declares");
    }
  }
  std::unique_ptr<Stage> last_;
  uint64_t declared_, row_, margin_;
  uint64_t given_ = 0;
  bool ended_ = false;
};

}  // namespace

uint64_t DeclaredImageBytes(QPDFObjectHandle dict) {
  if (!dict.getKey("/Subtype").isNameAndEquals("/Image")) return 0;
  QPDFObjectHandle w = dict.getKey("/Width"), h = dict.getKey("/Height");
  if (!w.isInteger() || !h.isInteger() || w.getIntValue() < 1 || h.getIntValue() < 1) return 0;
  long long bits = 0, components = 0;
  if (dict.getKey("/ImageMask").isBool() && dict.getKey("/ImageMask").getBoolValue()) {
    bits = components = 1;
  } else {
    QPDFObjectHandle b = dict.getKey("/BitsPerComponent");
    bits = b.isInteger() ? b.getIntValue() : 0;
    components = ColorSpaceComponents(dict.getKey("/ColorSpace"));
  }
  if (bits < 1 || bits > 16 || components < 1) return 0;
  // Width x components x bits fits in 64 bits; the whole may not.
  const unsigned __int128 row = (static_cast<unsigned __int128>(w.getIntValue()) * components * bits + 7) / 8;
  const unsigned __int128 all = row * static_cast<unsigned __int128>(h.getIntValue());
  return all > UINT64_MAX ? UINT64_MAX : static_cast<uint64_t>(all);
}

uint64_t ImageDataBound() { return uint64_t(16) * DecodedDataCap(); }

void CheckPredictorRows(QPDFObjectHandle dict, uint64_t rowLimit) {
  std::vector<Filter> chain;
  QPDFObjectHandle parms = dict.getKey("/DecodeParms");
  std::vector<QPDFObjectHandle> each = parms.isArray() ? parms.getArrayAsVector() : std::vector<QPDFObjectHandle>{parms};
  for (QPDFObjectHandle p : each) {
    PredictorParms predictor;
    if (ReadPredictor(p, true, &predictor) && HasPredictor(predictor) && predictor.RowBytes() > rowLimit)
      TooLarge("predictor rows of " + std::to_string(predictor.RowBytes()) + " bytes are more than the host allows");
  }
}

std::unique_ptr<Stm> OpenImageData(QPDFObjectHandle stream) {
  QPDFObjectHandle dict = stream.getDict();
  const uint64_t declared = DeclaredImageBytes(dict);
  std::vector<Filter> chain;
  if (declared == 0 || !ChainOf(dict, &chain)) return nullptr;
  if (declared > ImageDataBound())
    TooLarge("the image declares " + std::to_string(declared) + " bytes of data, more than the host allows");
  for (size_t i = 0; i < chain.size(); ++i) {
    const PredictorParms& p = chain[i].predictor;
    if (!HasPredictor(p)) continue;
    // A row is held whole, and the one before it.
    if (p.RowBytes() > DecodedDataCap()) TooLarge("predictor rows are more than the host allows");
    // A row longer than the whole image cannot be the image's.
    if (p.RowBytes() > declared) Damaged("the predictor's rows are longer than the image's data");
  }
  auto raw = std::make_unique<RawData>(stream);
  raw->Ready();  // the first window: data that cannot be read fails the opening
  uint64_t most = raw->Length();
  std::unique_ptr<Stage> last;
  std::unique_ptr<Input> input = std::move(raw);
  for (size_t i = 0; i < chain.size(); ++i) {
    if (last) input = std::make_unique<PulledInput>(std::move(last));
    const Filter& f = chain[i];
    switch (f.kind) {
      case Kind::AsciiHex: last = std::make_unique<AsciiHex>(std::move(input)); break;
      case Kind::Ascii85: last = std::make_unique<Ascii85>(std::move(input)); break;
      case Kind::RunLength: last = std::make_unique<RunLength>(std::move(input)); break;
      case Kind::Lzw: last = std::make_unique<Lzw>(std::move(input), f.predictor.earlyChange); break;
      case Kind::Flate: last = std::make_unique<Flate>(std::move(input)); break;
      case Kind::Ccitt: last = std::make_unique<Ccitt>(std::move(input), f.ccitt); break;
      case Kind::Dct: {
        auto dct = std::make_unique<Dct>(std::move(input), ColorTransformOf(f.parms));
        most = dct->Size();
        last = std::move(dct);
        break;
      }
    }
    if (f.kind != Kind::Dct) most = MostMade(f.kind, most);
    if (HasPredictor(f.predictor)) {
      last = std::make_unique<Predictor>(std::make_unique<PulledInput>(std::move(last)), f.predictor);
      most += f.predictor.RowBytes();
    }
  }
  if (most < declared) Damaged("the image's data is shorter than its dictionary declares");
  if (!last) {
    // No filter: the raw bytes are the image's.
    last.reset(static_cast<RawData*>(input.release()));
  }
  const uint64_t height = static_cast<uint64_t>(dict.getKey("/Height").getIntValue());
  return std::make_unique<ImageData>(std::move(last), declared, declared / height);
}

// --- DCT for the library's own decoding

namespace {

// Takes the encoded bytes whole (capped), then decodes them at the end.
class DctPipe : public Pipeline {
 public:
  DctPipe(Pipeline* next, int colorTransform) : Pipeline("DCT decoder", next), colorTransform_(colorTransform) {}
  void write(unsigned char const* data, size_t len) override {
    if (len > DecodedDataCap() - encoded_.size()) throw std::runtime_error("encoded data too large");
    encoded_.append(reinterpret_cast<const char*>(data), len);
  }
  void finish() override {
    struct Whole : Input {
      explicit Whole(const std::string& s) : s(s) {}
      bool Refill() override {
        if (done) return false;
        done = true;
        at = reinterpret_cast<const unsigned char*>(s.data());
        left = s.size();
        return left > 0;
      }
      const std::string& s;
      bool done = false;
    };
    std::vector<unsigned char> block(65536);
    try {
      Dct dct(std::make_unique<Whole>(encoded_), colorTransform_);
      while (size_t n = dct.Pull(block.data(), block.size())) getNext()->write(block.data(), n);
    } catch (const ASHostRaise& raised) {
      if (raised.code == cosErrDataTooLarge) throw;
      throw std::runtime_error(LastFailureDetail());
    }
    encoded_.clear();
    getNext()->finish();
  }

 private:
  int colorTransform_;
  std::string encoded_;
};

class DctFilter : public QPDFStreamFilter {
 public:
  bool setDecodeParms(QPDFObjectHandle parms) override {
    colorTransform_ = ColorTransformOf(parms);
    return parms.isNull() || parms.isDictionary();
  }
  Pipeline* getDecodePipeline(Pipeline* next) override {
    pipe_ = std::make_unique<DctPipe>(next, colorTransform_);
    return pipe_.get();
  }
  bool isSpecializedCompression() override { return true; }
  bool isLossyCompression() override { return true; }

 private:
  int colorTransform_ = -1;
  std::unique_ptr<DctPipe> pipe_;
};

}  // namespace

void RegisterDctDecoder() {
  static std::once_flag once;
  std::call_once(once, [] { QPDF::registerStreamFilter("/DCTDecode", [] { return std::make_shared<DctFilter>(); }); });
}

}  // namespace host
