#include "cos/decoders.h"

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

thread_local int expectedJpxComponents = -1;  // -1: no image being read

// Takes the encoded bytes whole, then decodes them at the end; a failure
// leaves as std::runtime_error, which the library reports as a decoding
// failure of the stream.
class WholeDataPipe : public Pipeline {
 public:
  WholeDataPipe(const char* name, Pipeline* next) : Pipeline(name, next) {}
  void write(unsigned char const* data, size_t len) override {
    if (len > DecodedDataCap() - encoded_.size()) throw std::runtime_error("encoded data too large");
    encoded_.append(reinterpret_cast<const char*>(data), len);
  }
  void finish() override {
    std::string decoded = Decode(encoded_);
    encoded_.clear();
    Pipeline* next = getNext();
    if (!decoded.empty()) next->write(reinterpret_cast<const unsigned char*>(decoded.data()), decoded.size());
    next->finish();
  }

 protected:
  virtual std::string Decode(const std::string& encoded) = 0;

 private:
  std::string encoded_;
};

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

void Jbig2Error(void* data, const char* msg, Jbig2Severity severity, uint32_t) {
  if (severity == JBIG2_SEVERITY_FATAL && msg) *static_cast<std::string*>(data) = msg;
}

uint32_t Big32(const unsigned char* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

// Whether every segment of an embedded stream is there whole: the decoder
// itself waits for missing bytes and then shows an empty page.
bool SegmentsWhole(const std::string& data) {
  const auto* p = reinterpret_cast<const unsigned char*>(data.data());
  size_t at = 0, size = data.size();
  while (at < size) {
    if (size - at < 6) return false;
    const uint32_t number = Big32(p + at);
    const bool longPage = (p[at + 4] & 0x40) != 0;
    at += 5;
    size_t referred = p[at] >> 5;
    if (referred == 7) {
      if (size - at < 4) return false;
      referred = Big32(p + at) & 0x1fffffff;
      at += 4 + (referred + 8) / 8;
    } else {
      at += 1;
    }
    const size_t numberSize = number <= 256 ? 1 : number <= 65536 ? 2 : 4;
    const size_t rest = referred * numberSize + (longPage ? 4 : 1) + 4;
    if (at > size || size - at < rest) return false;
    at += rest;
    const uint32_t length = Big32(p + at - 4);
    if (length == 0xffffffffu) return true;  // length unknown: the decoder finds the end
    if (size - at < length) return false;
    at += length;
  }
  return true;
}

class Jbig2Pipe : public WholeDataPipe {
 public:
  Jbig2Pipe(Pipeline* next, std::string globals) : WholeDataPipe("JBIG2 decoder", next), globals_(std::move(globals)) {}

 protected:
  std::string Decode(const std::string& encoded) override {
    if (!SegmentsWhole(globals_) || !SegmentsWhole(encoded)) throw std::runtime_error("truncated JBIG2 data");
    BudgetAllocator budget{{BudgetAlloc, BudgetFree, BudgetRealloc}, DecodedDataCap() + (size_t(16) << 20)};
    std::string fatal;
    Jbig2GlobalCtx* globals = nullptr;
    if (!globals_.empty()) {
      Jbig2Ctx* g = jbig2_ctx_new(&budget.base, JBIG2_OPTIONS_EMBEDDED, nullptr, Jbig2Error, &fatal);
      if (!g) throw std::runtime_error("JBIG2 decoder could not start");
      jbig2_data_in(g, reinterpret_cast<const unsigned char*>(globals_.data()), globals_.size());
      globals = jbig2_make_global_ctx(g);
    }
    Jbig2Ctx* ctx = jbig2_ctx_new(&budget.base, JBIG2_OPTIONS_EMBEDDED, globals, Jbig2Error, &fatal);
    std::string out;
    bool ok = false;
    if (ctx) {
      int code = jbig2_data_in(ctx, reinterpret_cast<const unsigned char*>(encoded.data()), encoded.size());
      if (code < 0 && fatal.empty()) fatal = "damaged data";
      if (fatal.empty()) jbig2_complete_page(ctx);
      Jbig2Image* page = fatal.empty() ? jbig2_page_out(ctx) : nullptr;
      if (page) {
        // The format's 1 is black; the image's samples give 0 for black.
        const size_t row = (size_t(page->width) + 7) / 8;
        if (page->height == 0 || row * page->height <= DecodedDataCap()) {
          out.reserve(row * page->height);
          for (uint32_t y = 0; y < page->height; ++y) {
            const unsigned char* line = page->data + size_t(y) * page->stride;
            for (size_t x = 0; x < row; ++x) out.push_back(static_cast<char>(~line[x]));
          }
          ok = fatal.empty();
        }
        jbig2_release_page(ctx, page);
      }
      jbig2_ctx_free(ctx);
    }
    if (globals) jbig2_global_ctx_free(globals);
    if (!ok) throw std::runtime_error(fatal.empty() ? "JBIG2 data holds no whole page" : "JBIG2: " + fatal);
    return out;
  }

 private:
  std::string globals_;
};

class Jbig2Filter : public QPDFStreamFilter {
 public:
  bool setDecodeParms(QPDFObjectHandle parms) override {
    if (parms.isNull()) return true;
    if (!parms.isDictionary()) return false;
    QPDFObjectHandle globals = parms.getKey("/JBIG2Globals");
    if (globals.isNull()) return true;
    if (!globals.isStream()) return false;
    try {
      auto data = globals.getStreamData(qpdf_dl_generalized);
      globals_.assign(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
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
  std::string globals_;
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

class JpxPipe : public WholeDataPipe {
 public:
  explicit JpxPipe(Pipeline* next) : WholeDataPipe("JPX decoder", next) {}

 protected:
  std::string Decode(const std::string& encoded) override {
    static const unsigned char kJp2[] = {0, 0, 0, 12, 'j', 'P', ' ', ' '};
    const bool jp2 = encoded.size() >= 8 && std::memcmp(encoded.data(), kJp2, 8) == 0;
    MemoryRead source{&encoded, 0};
    opj_stream_t* stream = opj_stream_create(65536, OPJ_TRUE);
    opj_codec_t* codec = opj_create_decompress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
    opj_image_t* image = nullptr;
    std::string out, why = "JPX data could not be decoded";
    if (stream && codec) {
      opj_stream_set_user_data(stream, &source, nullptr);
      opj_stream_set_user_data_length(stream, encoded.size());
      opj_stream_set_read_function(stream, JpxRead);
      opj_stream_set_skip_function(stream, JpxSkip);
      opj_stream_set_seek_function(stream, JpxSeek);
      opj_set_error_handler(codec, JpxQuiet, nullptr);
      opj_set_warning_handler(codec, JpxQuiet, nullptr);
      opj_set_info_handler(codec, JpxQuiet, nullptr);
      opj_dparameters_t parameters;
      opj_set_default_decoder_parameters(&parameters);
      if (opj_setup_decoder(codec, &parameters) && opj_read_header(stream, codec, &image) && image) {
        const uint64_t width = image->x1 - image->x0, height = image->y1 - image->y0;
        if (width * height * image->numcomps > DecodedDataCap()) {
          why = "JPX image decodes to more than the host allows";
        } else if (opj_decode(codec, stream, image) && opj_end_decompress(codec, stream)) {
          why = Interleave(*image, &out);
        }
      }
    }
    if (image) opj_image_destroy(image);
    if (codec) opj_destroy_codec(codec);
    if (stream) opj_stream_destroy(stream);
    if (!why.empty()) throw std::runtime_error(why);
    return out;
  }

 private:
  // 8 bits a sample, components interleaved; "" when done, else why not.
  static std::string Interleave(const opj_image_t& image, std::string* out) {
    const OPJ_UINT32 n = image.numcomps;
    if (n == 0 || !image.comps) return "JPX image without components";
    if (expectedJpxComponents >= 0 && static_cast<OPJ_UINT32>(expectedJpxComponents) != n)
      return "JPX image components do not match its colour space";
    const opj_image_comp_t& first = image.comps[0];
    for (OPJ_UINT32 c = 0; c < n; ++c) {
      const opj_image_comp_t& comp = image.comps[c];
      if (!comp.data || comp.w != first.w || comp.h != first.h || comp.prec == 0 || comp.prec > 16)
        return "JPX image components of different sizes";
    }
    const size_t pixels = size_t(first.w) * first.h;
    out->resize(pixels * n);
    for (OPJ_UINT32 c = 0; c < n; ++c) {
      const opj_image_comp_t& comp = image.comps[c];
      const int64_t offset = comp.sgnd ? int64_t(1) << (comp.prec - 1) : 0;
      const int64_t top = (int64_t(1) << comp.prec) - 1;
      for (size_t i = 0; i < pixels; ++i) {
        int64_t v = int64_t(comp.data[i]) + offset;
        v = v < 0 ? 0 : v > top ? top : v;
        (*out)[i * n + c] = static_cast<char>(comp.prec >= 8 ? v >> (comp.prec - 8) : v * 255 / top);
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

JpxComponents::JpxComponents(int components) : previous_(expectedJpxComponents) {
  expectedJpxComponents = components;
}

JpxComponents::~JpxComponents() { expectedJpxComponents = previous_; }

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
