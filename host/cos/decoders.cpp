#include "cos/decoders.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFStreamFilter.hh>

extern "C" {
#include <jbig2.h>
}
#include <openjpeg.h>

namespace host {

size_t DecodedDataCap();  // cos/docs.h

namespace {

thread_local DecodingImage::Declared declared;
thread_local std::string failure;

// Collects what passes, failing once it is more than the host's
// decoded-data cap; a failure leaves as std::runtime_error.
class CappedCollector : public Pipeline {
 public:
  CappedCollector(const char* name, Pipeline* next) : Pipeline(name, next) {}
  void write(unsigned char const* data, size_t len) override {
    const size_t cap = DecodedDataCap();
    if (len > cap - data_.size()) throw std::runtime_error(std::string(getIdentifier()) + ": data too large");
    // Doubling could ask for twice the cap in one block; stop at the cap.
    // A string's own reserve doubles too, so the new block is a new string's.
    if (data_.size() + len > data_.capacity()) {
      std::string grown;
      grown.reserve(std::min(cap, std::max(data_.size() + len, data_.capacity() * 2)));
      grown.append(data_);
      data_.swap(grown);
    }
    data_.append(reinterpret_cast<const char*>(data), len);
  }
  void finish() override {}
  std::string Take() { return std::move(data_); }

 protected:
  std::string data_;
};

// Takes the encoded bytes whole, then decodes them at the end; a failure
// leaves as std::runtime_error, which the library reports as a decoding
// failure of the stream.
class WholeDataPipe : public CappedCollector {
 public:
  WholeDataPipe(const char* name, Pipeline* next) : CappedCollector(name, next) {}
  void finish() override {
    std::string decoded;
    try {
      decoded = Decode(data_);
    } catch (const std::exception& e) {
      failure = e.what();
      throw;
    }
    data_.clear();
    Pipeline* next = getNext();
    if (!decoded.empty()) next->write(reinterpret_cast<const unsigned char*>(decoded.data()), decoded.size());
    next->finish();
  }

 protected:
  virtual std::string Decode(const std::string& encoded) = 0;
};

// Whether a canvas of `width` x `height` pixels is no larger than the image
// its dictionary declares (when it declares one).
bool WithinDeclared(uint64_t width, uint64_t height) {
  if (declared.width == 0 || declared.height == 0) return true;
  return width * height <= declared.width * declared.height;
}

// --- JBIG2

// jbig2dec allocates the whole page before it reads any region: a budget
// keeps a small stream from asking for more memory than the cap allows.
struct BudgetAllocator {
  Jbig2Allocator base;
  size_t left;
};

void* BudgetAlloc(Jbig2Allocator* a, size_t size) {
  auto* budget = reinterpret_cast<BudgetAllocator*>(a);
  if (size > budget->left) return nullptr;
  void* p = std::malloc(size + sizeof(size_t) * 2);
  if (!p) return nullptr;
  budget->left -= size;
  *static_cast<size_t*>(p) = size;
  return static_cast<char*>(p) + sizeof(size_t) * 2;
}

void BudgetFree(Jbig2Allocator* a, void* p) {
  if (!p) return;
  auto* budget = reinterpret_cast<BudgetAllocator*>(a);
  char* start = static_cast<char*>(p) - sizeof(size_t) * 2;
  budget->left += *reinterpret_cast<size_t*>(start);
  std::free(start);
}

void* BudgetRealloc(Jbig2Allocator* a, void* p, size_t size) {
  if (!p) return BudgetAlloc(a, size);
  char* start = static_cast<char*>(p) - sizeof(size_t) * 2;
  size_t old = *reinterpret_cast<size_t*>(start);
  void* made = BudgetAlloc(a, size);
  if (!made) return nullptr;
  std::memcpy(made, p, old < size ? old : size);
  BudgetFree(a, p);
  return made;
}

// The first error or warning: the decoder reads on past either, and what it
// then makes is not to be trusted (a blank region, a partly wrong page).
void Jbig2Error(void* data, const char* msg, Jbig2Severity severity, uint32_t) {
  std::string& first = *static_cast<std::string*>(data);
  if ((severity == JBIG2_SEVERITY_FATAL || severity == JBIG2_SEVERITY_WARNING) && first.empty())
    first = msg ? msg : "damaged data";
}

uint32_t Big32(const unsigned char* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

// A segment's header as the walk reads it.
struct Segment {
  unsigned type;
  size_t referred;
  uint32_t page;  // the page it is associated with
  const unsigned char* data;
  size_t length;
};

// Walks the segments of an embedded stream, handing each one to `visit`.
// Answers why the data cannot be decoded, "" when it can: a segment that is
// not there whole (the decoder itself would wait for the missing bytes and
// then show an empty page), a header the decoder misreads, or what `visit`
// answers.
template <class Visit>
std::string WalkSegments(const std::string& data, Visit visit) {
  const char* const truncated = "truncated JBIG2 data";
  const auto* p = reinterpret_cast<const unsigned char*>(data.data());
  size_t at = 0, size = data.size();
  while (at < size) {
    if (size - at < 6) return truncated;
    const uint32_t number = Big32(p + at);
    const unsigned type = p[at + 4] & 0x3f;
    const bool longPage = (p[at + 4] & 0x40) != 0;
    at += 5;
    size_t referred = p[at] >> 5;
    // The decoder counts the retention bytes after a long count one short,
    // and so reads the segments referred to and the page from the wrong
    // bytes: the region goes to another page, and the image comes out blank.
    if (referred == 7)
      return "a JBIG2 segment header with the long form of the referred-to segments' count, which the decoder does "
             "not read right";
    at += 1;
    const size_t numberSize = number <= 256 ? 1 : number <= 65536 ? 2 : 4;
    const size_t rest = referred * numberSize + (longPage ? 4 : 1) + 4;
    if (at > size || size - at < rest) return truncated;
    at += rest;
    const uint32_t page = longPage ? Big32(p + at - 8) : p[at - 5];
    const uint32_t length = Big32(p + at - 4);
    if (length == 0xffffffffu) return "";  // length unknown: the decoder finds the end
    if (size - at < length) return truncated;
    const std::string why = visit(Segment{type, referred, page, p + at, length});
    if (!why.empty()) return why;
    at += length;
  }
  return "";
}

bool IsRegion(unsigned type) {
  for (unsigned t : {4u, 6u, 7u, 20u, 22u, 23u, 36u, 38u, 39u, 40u, 42u, 43u})
    if (type == t) return true;
  return false;
}

// The decoder allocates and clears each bitmap a segment declares before it
// reads the bitmap's data: the page, a region, a pattern dictionary's
// patterns side by side, a halftone's grid. A few bytes must not ask for
// more than the image's dictionary declares, nor, with the copy handed on,
// more than the cap. A page of unknown height grows by stripes, within the
// decoder's budget.
std::string CanvasTooLarge(const Segment& s) {
  const unsigned type = s.type;
  const unsigned char* data = s.data;
  const size_t length = s.length;
  const bool halftone = type == 20 || type == 22 || type == 23;
  const bool region = IsRegion(type);
  uint64_t width = 0, height = 0;
  if ((type == 48 || region) && length >= 8) {
    width = Big32(data);
    height = Big32(data + 4);
    if (type == 48 && height == 0xffffffffu) height = 1;
  } else if (type == 16 && length >= 7) {  // pattern dictionary: HDPW, HDPH, GRAYMAX
    width = (uint64_t(Big32(data + 3)) + 1) * data[1];
    height = data[2];
  }
  const uint64_t cap = DecodedDataCap() / 2;
  if ((width + 7) / 8 * height > cap) return "JBIG2 bitmap decodes to more than the host allows";
  if (type == 48 || region) {
    if (!WithinDeclared(width, height)) return "JBIG2 bitmap larger than the image";
    // A halftone's grid, one bit a cell for each plane at least.
    if (halftone && length >= 26 && (uint64_t(Big32(data + 18)) + 7) / 8 * Big32(data + 22) > cap)
      return "JBIG2 halftone grid larger than the host allows";
  }
  return "";
}

// What the decoder makes wrong without a word: refinement in Huffman-coded
// text regions and symbol dictionaries (blank), halftone regions that paint
// a background or combine their patterns otherwise than by OR, and the
// refinement of a part of the page away from its corner (partly wrong).
std::string Misdecoded(const Segment& s) {
  const unsigned type = s.type;
  const unsigned char* data = s.data;
  const size_t length = s.length;
  const size_t region = 17;  // width, height, x, y, combination operator
  if (type == 0 && length >= 2 && (data[1] & 1) && (data[1] & 2))
    return "JBIG2 symbols refined under Huffman coding, which the decoder does not read right";
  if ((type == 4 || type == 6 || type == 7) && length >= region + 2 && (data[region + 1] & 1) &&
      (data[region + 1] & 2))
    return "JBIG2 text refined under Huffman coding, which the decoder does not read right";
  if ((type == 20 || type == 22 || type == 23) && length > region && (data[region] & 0xf0) != 0)
    return "a JBIG2 halftone region with a background or a combination of its own, which the decoder does not "
           "read right";
  if ((type == 40 || type == 42 || type == 43) && s.referred == 0 && length >= region &&
      (Big32(data + 8) != 0 || Big32(data + 12) != 0))
    return "a JBIG2 refinement of part of the page, which the decoder does not read right";
  return "";
}

// What the stream's segments tell before the decoder reads them.
struct Segments {
  std::string why;         // "" when they can be decoded
  bool regionData = false;  // a region segment holds coded data
  bool blackPage = false;   // the page's pixels are black until painted
};

Segments ReadSegments(const std::string& data) {
  Segments seen;
  bool pageSeen = false;
  uint32_t pageOf = 0;
  seen.why = WalkSegments(data, [&](const Segment& s) -> std::string {
    std::string why = CanvasTooLarge(s);
    if (why.empty()) why = Misdecoded(s);
    if (!why.empty()) return why;
    if (s.type == 48) {
      pageSeen = true;
      pageOf = s.page;
      seen.blackPage = s.length > 16 && (s.data[16] & 4) != 0;
    }
    if (IsRegion(s.type)) {
      // The decoder puts a region of another page nowhere.
      if (pageSeen && s.page != pageOf)
        return "a JBIG2 region of a page other than its page information's, which the decoder passes over";
      seen.regionData = seen.regionData || s.length > 18;
    }
    return "";
  });
  return seen;
}

// Whether every pixel of the page is `black` (true) or white.
bool AllPixels(const Jbig2Image& page, bool black) {
  const size_t whole = page.width / 8, rest = page.width % 8;
  const unsigned char fill = black ? 0xFF : 0x00;
  const unsigned char tail = static_cast<unsigned char>(0xFF00 >> rest);
  for (uint32_t y = 0; y < page.height; ++y) {
    const unsigned char* line = page.data + size_t(y) * page.stride;
    for (size_t x = 0; x < whole; ++x)
      if (line[x] != fill) return false;
    if (rest && (line[whole] & tail) != (fill & tail)) return false;
  }
  return true;
}

class Jbig2Pipe : public WholeDataPipe {
 public:
  Jbig2Pipe(Pipeline* next, std::shared_ptr<const std::string> globals)
      : WholeDataPipe("JBIG2 decoder", next), globals_(std::move(globals)) {}

 protected:
  std::string Decode(const std::string& encoded) override {
    std::string why = ReadSegments(*globals_).why;
    const Segments segments = ReadSegments(encoded);
    if (why.empty()) why = segments.why;
    if (!why.empty()) throw std::runtime_error(why);
    BudgetAllocator budget{{BudgetAlloc, BudgetFree, BudgetRealloc}, DecodedDataCap() + (size_t(16) << 20)};
    std::string trouble;
    Jbig2GlobalCtx* globals = nullptr;
    if (!globals_->empty()) {
      Jbig2Ctx* g = jbig2_ctx_new(&budget.base, JBIG2_OPTIONS_EMBEDDED, nullptr, Jbig2Error, &trouble);
      if (!g) throw std::runtime_error("JBIG2 decoder could not start");
      jbig2_data_in(g, reinterpret_cast<const unsigned char*>(globals_->data()), globals_->size());
      globals = jbig2_make_global_ctx(g);
    }
    Jbig2Ctx* ctx = jbig2_ctx_new(&budget.base, JBIG2_OPTIONS_EMBEDDED, globals, Jbig2Error, &trouble);
    std::string out;
    bool ok = false;
    if (ctx) {
      int code = jbig2_data_in(ctx, reinterpret_cast<const unsigned char*>(encoded.data()), encoded.size());
      if (code < 0 && trouble.empty()) trouble = "damaged data";
      if (trouble.empty()) jbig2_complete_page(ctx);
      Jbig2Image* page = trouble.empty() ? jbig2_page_out(ctx) : nullptr;
      if (page) {
        // The format's 1 is black; the image's samples give 0 for black.
        const size_t row = (size_t(page->width) + 7) / 8;
        if (page->height == 0 || row * page->height <= DecodedDataCap()) {
          out.reserve(row * page->height);
          for (uint32_t y = 0; y < page->height; ++y) {
            const unsigned char* line = page->data + size_t(y) * page->stride;
            for (size_t x = 0; x < row; ++x) out.push_back(static_cast<char>(~line[x]));
          }
          ok = trouble.empty();
          // Regions that hold data but leave the page as it began: what
          // they hold went somewhere else, without a word.
          if (ok && segments.regionData && page->height > 0 && AllPixels(*page, segments.blackPage)) {
            ok = false;
            trouble = "the decoder made a blank page of regions that hold data";
          }
        }
        jbig2_release_page(ctx, page);
      }
      jbig2_ctx_free(ctx);
    }
    if (globals) jbig2_global_ctx_free(globals);
    if (!ok) throw std::runtime_error(trouble.empty() ? "JBIG2 data holds no whole page" : "JBIG2: " + trouble);
    return out;
  }

 private:
  std::shared_ptr<const std::string> globals_;
};

class Jbig2Filter : public QPDFStreamFilter {
 public:
  bool setDecodeParms(QPDFObjectHandle parms) override {
    if (parms.isNull()) return true;
    if (!parms.isDictionary()) return false;
    QPDFObjectHandle globals = parms.getKey("/JBIG2Globals");
    if (globals.isNull()) return true;
    if (!globals.isStream()) return false;
    // Segments, decoded with the general filters only and never with this
    // one: globals that are the image itself, or that name this filter with
    // globals of their own, would be read again without end.
    if (HasFilter(globals.getDict(), "/JBIG2Decode")) return false;
    try {
      CappedCollector data("JBIG2 globals", nullptr);
      bool attempted = false;
      if (!globals.pipeStreamData(&data, &attempted, 0, qpdf_dl_generalized, true, false)) return false;
      if (!attempted && globals.getDict().hasKey("/Filter")) return false;
      globals_ = std::make_shared<const std::string>(data.Take());
    } catch (const std::exception&) {
      return false;
    }
    return true;
  }
  Pipeline* getDecodePipeline(Pipeline* next) override {
    pipe_ = std::make_unique<Jbig2Pipe>(next, globals_);
    return pipe_.get();
  }
  bool isSpecializedCompression() override { return true; }

 private:
  std::shared_ptr<const std::string> globals_ = std::make_shared<const std::string>();
  std::unique_ptr<Jbig2Pipe> pipe_;
};

// --- JPEG 2000

struct MemoryRead {
  const std::string* data;
  size_t at;
};

OPJ_SIZE_T JpxRead(void* buffer, OPJ_SIZE_T size, void* user) {
  auto* m = static_cast<MemoryRead*>(user);
  size_t left = m->data->size() - m->at;
  if (left == 0) return static_cast<OPJ_SIZE_T>(-1);
  size_t n = size < left ? size : left;
  std::memcpy(buffer, m->data->data() + m->at, n);
  m->at += n;
  return n;
}

OPJ_OFF_T JpxSkip(OPJ_OFF_T count, void* user) {
  auto* m = static_cast<MemoryRead*>(user);
  if (count < 0) return -1;
  size_t left = m->data->size() - m->at;
  size_t n = static_cast<size_t>(count) < left ? static_cast<size_t>(count) : left;
  m->at += n;
  return static_cast<OPJ_OFF_T>(n);
}

OPJ_BOOL JpxSeek(OPJ_OFF_T to, void* user) {
  auto* m = static_cast<MemoryRead*>(user);
  if (to < 0 || static_cast<uint64_t>(to) > m->data->size()) return OPJ_FALSE;
  m->at = static_cast<size_t>(to);
  return OPJ_TRUE;
}

void JpxQuiet(const char*, void*) {}

// A JPX file's or codestream's header, read before any of its data: the
// canvas it declares, which the decoder allocates whole.
class JpxHeader {
 public:
  JpxHeader(const std::string& encoded, bool ownPalette) : source_{&encoded, 0} {
    static const unsigned char kJp2[] = {0, 0, 0, 12, 'j', 'P', ' ', ' '};
    const bool jp2 = encoded.size() >= 8 && std::memcmp(encoded.data(), kJp2, 8) == 0;
    stream_ = opj_stream_create(65536, OPJ_TRUE);
    codec_ = opj_create_decompress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
    if (!stream_ || !codec_) return;
    opj_stream_set_user_data(stream_, &source_, nullptr);
    opj_stream_set_user_data_length(stream_, encoded.size());
    opj_stream_set_read_function(stream_, JpxRead);
    opj_stream_set_skip_function(stream_, JpxSkip);
    opj_stream_set_seek_function(stream_, JpxSeek);
    opj_set_error_handler(codec_, JpxQuiet, nullptr);
    opj_set_warning_handler(codec_, JpxQuiet, nullptr);
    opj_set_info_handler(codec_, JpxQuiet, nullptr);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    if (!ownPalette) parameters.flags |= OPJ_DPARAMETERS_IGNORE_PCLR_CMAP_CDEF_FLAG;
    read_ = opj_setup_decoder(codec_, &parameters) && opj_read_header(stream_, codec_, &image_) && image_;
  }
  ~JpxHeader() {
    if (image_) opj_image_destroy(image_);
    if (codec_) opj_destroy_codec(codec_);
    if (stream_) opj_stream_destroy(stream_);
  }
  JpxHeader(const JpxHeader&) = delete;
  JpxHeader& operator=(const JpxHeader&) = delete;

  // Null when the header could not be read.
  opj_image_t* image() const { return read_ ? image_ : nullptr; }
  // The decoder holds 4 bytes a sample of the whole canvas, allocated
  // before it reads any data, and the samples handed on one more.
  bool PastCap() const {
    const uint64_t width = image_->x1 - image_->x0, height = image_->y1 - image_->y0;
    const uint64_t cap = DecodedDataCap();
    return image_->x1 < image_->x0 || image_->y1 < image_->y0 || width > cap || height > cap ||
           width * height > cap || width * height * image_->numcomps > cap / (sizeof(OPJ_INT32) + 1);
  }
  bool Decode() { return opj_decode(codec_, stream_, image_) && opj_end_decompress(codec_, stream_); }

 private:
  MemoryRead source_;
  opj_stream_t* stream_ = nullptr;
  opj_codec_t* codec_ = nullptr;
  opj_image_t* image_ = nullptr;
  bool read_ = false;
};

class JpxPipe : public WholeDataPipe {
 public:
  explicit JpxPipe(Pipeline* next) : WholeDataPipe("JPX decoder", next) {}

 protected:
  std::string Decode(const std::string& encoded) override {
    // Under a colour space of the dictionary, the file's own palette and
    // channel definitions do not apply: the samples are the space's.
    JpxHeader header(encoded, declared.components <= 0);
    std::string out, why = "JPX data could not be decoded";
    if (opj_image_t* image = header.image()) {
      if (header.PastCap()) {
        why = "JPX image decodes to more than the host allows";
      } else if (!WithinDeclared(image->x1 - image->x0, image->y1 - image->y0)) {
        why = "JPX image larger than the image";
      } else if (header.Decode()) {
        why = Interleave(*image, &out);
      }
    }
    if (!why.empty()) throw std::runtime_error(why);
    return out;
  }

 private:
  // 8 bits a sample, components interleaved; "" when done, else why not.
  static std::string Interleave(const opj_image_t& image, std::string* out) {
    const OPJ_UINT32 n = image.numcomps;
    if (n == 0 || !image.comps) return "JPX image without components";
    if (declared.components >= 0 && static_cast<OPJ_UINT32>(declared.components) != n)
      return "JPX image components do not match its colour space";
    const opj_image_comp_t& first = image.comps[0];
    for (OPJ_UINT32 c = 0; c < n; ++c) {
      const opj_image_comp_t& comp = image.comps[c];
      if (!comp.data || comp.w != first.w || comp.h != first.h || comp.prec == 0 || comp.prec > 16)
        return "JPX image components of different sizes";
    }
    const size_t pixels = size_t(first.w) * first.h;
    out->resize(pixels * n);
    // Samples of fewer bits are stretched to 8, except palette indices.
    const bool indices = declared.indexed;
    for (OPJ_UINT32 c = 0; c < n; ++c) {
      const opj_image_comp_t& comp = image.comps[c];
      const int64_t offset = comp.sgnd ? int64_t(1) << (comp.prec - 1) : 0;
      const int64_t top = (int64_t(1) << comp.prec) - 1;
      for (size_t i = 0; i < pixels; ++i) {
        int64_t v = int64_t(comp.data[i]) + offset;
        v = v < 0 ? 0 : v > top ? top : v;
        (*out)[i * n + c] = static_cast<char>(comp.prec >= 8 ? v >> (comp.prec - 8) : indices ? v : v * 255 / top);
      }
    }
    return "";
  }
};

class JpxFilter : public QPDFStreamFilter {
 public:
  Pipeline* getDecodePipeline(Pipeline* next) override {
    pipe_ = std::make_unique<JpxPipe>(next);
    return pipe_.get();
  }
  bool isSpecializedCompression() override { return true; }
  bool isLossyCompression() override { return true; }

 private:
  std::unique_ptr<JpxPipe> pipe_;
};

}  // namespace

void RegisterStreamDecoders() {
  static std::once_flag once;
  std::call_once(once, [] {
    QPDF::registerStreamFilter("/JBIG2Decode", [] { return std::make_shared<Jbig2Filter>(); });
    QPDF::registerStreamFilter("/JPXDecode", [] { return std::make_shared<JpxFilter>(); });
  });
}

bool JpxDeclaresTooMuch(const std::string& encoded) {
  JpxHeader header(encoded, true);
  return header.image() && header.PastCap();
}

bool HasFilter(QPDFObjectHandle dict, const std::string& wanted) {
  QPDFObjectHandle filter = dict.getKey("/Filter");
  if (filter.isNameAndEquals(wanted)) return true;
  if (!filter.isArray()) return false;
  for (auto& name : filter.getArrayAsVector())
    if (name.isNameAndEquals(wanted)) return true;
  return false;
}

DecodingImage::DecodingImage(QPDFObjectHandle dict, int components) : previous_(declared) {
  // A size beyond 2^32 pixels a side is no bound: the decoders' own are smaller.
  auto side = [&](const char* key) -> uint64_t {
    QPDFObjectHandle n = dict.getKey(key);
    return n.isInteger() && n.getIntValue() > 0 && n.getIntValue() <= INT64_C(0xffffffff)
               ? static_cast<uint64_t>(n.getIntValue())
               : 0;
  };
  QPDFObjectHandle space = dict.getKey("/ColorSpace");
  QPDFObjectHandle family = space.isArray() && space.getArrayNItems() > 0 ? space.getArrayItem(0) : space;
  failure.clear();
  declared.components = components;
  declared.indexed = family.isNameAndEquals("/Indexed") || family.isNameAndEquals("/I");
  declared.width = side("/Width");
  declared.height = side("/Height");
}

DecodingImage::~DecodingImage() { declared = previous_; }

const std::string& DecodingImage::Failure() { return failure; }

int ColorSpaceComponents(QPDFObjectHandle space) {
  if (space.isName()) {
    const std::string name = space.getName();
    if (name == "/DeviceGray" || name == "/G" || name == "/CalGray" || name == "/Indexed" || name == "/I")
      return 1;
    if (name == "/DeviceRGB" || name == "/RGB") return 3;
    if (name == "/DeviceCMYK" || name == "/CMYK") return 4;
    return 0;
  }
  if (!space.isArray() || space.getArrayNItems() == 0 || !space.getArrayItem(0).isName()) return 0;
  const std::string family = space.getArrayItem(0).getName();
  if (family == "/ICCBased") {
    QPDFObjectHandle profile = space.getArrayItem(1);
    QPDFObjectHandle n = profile.isStream() ? profile.getDict().getKey("/N") : QPDFObjectHandle::newNull();
    return n.isInteger() && n.getIntValue() >= 1 && n.getIntValue() <= 4 ? static_cast<int>(n.getIntValue()) : 0;
  }
  if (family == "/CalGray" || family == "/Indexed" || family == "/I" || family == "/Separation") return 1;
  if (family == "/CalRGB" || family == "/Lab") return 3;
  if (family == "/DeviceN") {
    QPDFObjectHandle names = space.getArrayItem(1);
    return names.isArray() ? names.getArrayNItems() : 0;
  }
  if (space.getArrayNItems() == 1) return ColorSpaceComponents(space.getArrayItem(0));
  return 0;
}

}  // namespace host
