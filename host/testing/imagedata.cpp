#include "testing/imagedata.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include <openjpeg.h>

namespace hosttest {
namespace {

// OpenJPEG writes into memory.
struct Sink {
  std::string bytes;
  size_t at = 0;
};
OPJ_SIZE_T SinkWrite(void* data, OPJ_SIZE_T n, void* user) {
  auto* s = static_cast<Sink*>(user);
  s->bytes.resize(std::max(s->bytes.size(), s->at + n));
  std::memcpy(&s->bytes[s->at], data, n);
  s->at += n;
  return n;
}
OPJ_BOOL SinkSeek(OPJ_OFF_T to, void* user) {
  auto* s = static_cast<Sink*>(user);
  s->at = static_cast<size_t>(to);
  s->bytes.resize(std::max(s->bytes.size(), s->at));
  return OPJ_TRUE;
}

}  // namespace

std::string Jpx(uint32_t w, uint32_t h, uint32_t components) {
  std::vector<opj_image_cmptparm_t> parms(components, opj_image_cmptparm_t{1, 1, w, h, 0, 0, 8, 0, 0});
  opj_image_t* image =
      opj_image_create(components, parms.data(), components == 4 ? OPJ_CLRSPC_CMYK : OPJ_CLRSPC_GRAY);
  image->x1 = w;
  image->y1 = h;
  for (OPJ_UINT32 c = 0; c < components; ++c)
    for (OPJ_UINT32 i = 0; i < w * h; ++i) image->comps[c].data[i] = static_cast<OPJ_INT32>((i * 37 + c * 61) % 256);
  opj_cparameters_t parameters;
  opj_set_default_encoder_parameters(&parameters);
  parameters.tcp_numlayers = 1;
  parameters.cp_disto_alloc = 1;
  parameters.numresolution = 2;
  opj_codec_t* codec = opj_create_compress(OPJ_CODEC_J2K);
  Sink sink;
  opj_stream_t* stream = opj_stream_create(65536, OPJ_FALSE);
  opj_stream_set_user_data(stream, &sink, nullptr);
  opj_stream_set_write_function(stream, SinkWrite);
  opj_stream_set_skip_function(stream, [](OPJ_OFF_T n, void* user) -> OPJ_OFF_T {
    return SinkSeek(static_cast<OPJ_OFF_T>(static_cast<Sink*>(user)->at) + n, user) ? n : -1;
  });
  opj_stream_set_seek_function(stream, SinkSeek);
  EXPECT_TRUE(opj_setup_encoder(codec, &parameters, image) && opj_start_compress(codec, image, stream) &&
              opj_encode(codec, stream) && opj_end_compress(codec, stream));
  opj_stream_destroy(stream);
  opj_destroy_codec(codec);
  opj_image_destroy(image);
  return sink.bytes;
}

namespace {

uint32_t Little(const std::string& b, size_t at, int size) {
  uint32_t v = 0;
  for (int i = size - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<size_t>(i)]);
  return v;
}
std::string Big32(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

}  // namespace

// Its group 4 data is the one strip of libtiff's TIFF.
std::string Jbig2(const TempDir& dir, uint32_t w, uint32_t h) {
  std::string pbm = "P4\n" + std::to_string(w) + " " + std::to_string(h) + "\n";
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < (w + 7) / 8; ++x) pbm.push_back(static_cast<char>(((x + y / 5) % 2 ? 0xF0 : 0x0F) ^ y));
  WriteFile(dir.File("bits.pbm"), pbm);
  EXPECT_EQ(RunCommand("cd " + Quoted(dir.path()) + " && ppm2tiff -c g4 -r 100000 bits.pbm bits.tif"), 0);
  const std::string tif = ReadFile(dir.File("bits.tif"));
  const uint32_t ifd = Little(tif, 4, 4);
  uint32_t offset = 0, count = 0;
  for (uint32_t i = 0; i < Little(tif, ifd, 2); ++i) {
    const size_t e = ifd + 2 + 12 * i;
    const uint32_t value = Little(tif, e + 8, Little(tif, e + 2, 2) == 3 ? 2 : 4);
    if (Little(tif, e, 2) == 273) offset = value;
    if (Little(tif, e, 2) == 279) count = value;
  }
  auto segment = [](uint32_t number, char type, const std::string& data) {
    return Big32(number) + type + std::string(1, '\0') + '\1' + Big32(static_cast<uint32_t>(data.size())) + data;
  };
  const std::string size = Big32(w) + Big32(h) + Big32(0) + Big32(0);
  return segment(0, 48, size + std::string(3, '\0')) + segment(1, 38, size + '\0' + '\1' + tif.substr(offset, count));
}

}  // namespace hosttest
