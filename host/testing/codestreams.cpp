#include "testing/codestreams.h"

#include <openjpeg.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

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

OPJ_OFF_T SinkSkip(OPJ_OFF_T n, void* user) {
  return SinkSeek(static_cast<OPJ_OFF_T>(static_cast<Sink*>(user)->at) + n, user) ? n : -1;
}

uint32_t Little(const std::string& b, size_t at, int size) {
  uint32_t v = 0;
  for (int i = size - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<size_t>(i)]);
  return v;
}

std::string Box(const char* type, const std::string& payload) {
  return Big32(static_cast<uint32_t>(8 + payload.size())) + type + payload;
}

}  // namespace

std::string Big32(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

std::string JpxCodestream(uint32_t width, uint32_t height, uint32_t components,
                          const std::function<int(uint32_t i, uint32_t c)>& sample, uint32_t bits) {
  std::vector<opj_image_cmptparm_t> parms(components, opj_image_cmptparm_t{1, 1, width, height, 0, 0, bits, 0, 0});
  const OPJ_COLOR_SPACE space = components == 4 ? OPJ_CLRSPC_CMYK : components == 3 ? OPJ_CLRSPC_SRGB : OPJ_CLRSPC_GRAY;
  opj_image_t* image = opj_image_create(components, parms.data(), space);
  image->x1 = width;
  image->y1 = height;
  for (uint32_t c = 0; c < components; ++c)
    for (uint32_t i = 0; i < width * height; ++i) image->comps[c].data[i] = sample(i, c);
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
  opj_stream_set_skip_function(stream, SinkSkip);
  opj_stream_set_seek_function(stream, SinkSeek);
  const bool done = opj_setup_encoder(codec, &parameters, image) && opj_start_compress(codec, image, stream) &&
                    opj_encode(codec, stream) && opj_end_compress(codec, stream);
  opj_stream_destroy(stream);
  opj_destroy_codec(codec);
  opj_image_destroy(image);
  if (!done) throw std::runtime_error("OpenJPEG could not encode the test image");
  return sink.bytes;
}

std::string Jp2WithPalette(const std::string& codestream, uint32_t width, uint32_t height,
                           const std::vector<std::string>& palette, int channels, uint32_t bits) {
  // One component, of unknown colour space in the header's eyes until the
  // palette maps it.
  const std::string ihdr =
      Big32(height) + Big32(width) + std::string("\0\1", 2) + static_cast<char>(bits - 1) + std::string("\7\0\0", 3);
  const std::string colr = std::string("\1\0\0", 3) + Big32(channels == 4 ? 12 : 16);
  std::string pclr = {static_cast<char>(palette.size() >> 8), static_cast<char>(palette.size()),
                      static_cast<char>(channels)};
  pclr += std::string(static_cast<size_t>(channels), '\7');
  for (const std::string& entry : palette) pclr += entry.substr(0, static_cast<size_t>(channels));
  std::string cmap;
  for (int i = 0; i < channels; ++i) cmap += std::string("\0\0\1", 3) + static_cast<char>(i);
  return Box("jP  ", "\r\n\x87\n") + Box("ftyp", "jp2 " + Big32(0) + "jp2 ") +
         Box("jp2h", Box("ihdr", ihdr) + Box("colr", colr) + Box("pclr", pclr) + Box("cmap", cmap)) +
         Box("jp2c", codestream);
}

std::string Jp2File(const std::string& codestream, uint32_t width, uint32_t height, uint32_t components,
                    uint32_t bits) {
  const std::string ihdr = Big32(height) + Big32(width) + static_cast<char>(components >> 8) +
                           static_cast<char>(components) + static_cast<char>(bits - 1) + std::string("\7\0\0", 3);
  const uint32_t space = components == 4 ? 12 : components == 3 ? 16 : 17;
  const std::string colr = std::string("\1\0\0", 3) + Big32(space);
  return Box("jP  ", "\r\n\x87\n") + Box("ftyp", "jp2 " + Big32(0) + "jp2 ") +
         Box("jp2h", Box("ihdr", ihdr) + Box("colr", colr)) + Box("jp2c", codestream);
}

std::string GroupFour(const TempDir& dir, uint32_t width, uint32_t height, const std::string& rows) {
  WriteFile(dir.File("bits.pbm"), "P4\n" + std::to_string(width) + " " + std::to_string(height) + "\n" + rows);
  if (RunCommand("cd " + Quoted(dir.path()) + " && ppm2tiff -c g4 -r 100000 bits.pbm bits.tif") != 0)
    throw std::runtime_error("ppm2tiff failed");
  // The one strip of the TIFF (little-endian, as ppm2tiff writes it).
  const std::string tif = ReadFile(dir.File("bits.tif"));
  const uint32_t ifd = Little(tif, 4, 4);
  uint32_t offset = 0, count = 0;
  for (uint32_t i = 0; i < Little(tif, ifd, 2); ++i) {
    const size_t e = ifd + 2 + 12 * i;
    const uint32_t value = Little(tif, e + 8, Little(tif, e + 2, 2) == 3 ? 2 : 4);
    if (Little(tif, e, 2) == 273) offset = value;
    if (Little(tif, e, 2) == 279) count = value;
  }
  return tif.substr(offset, count);
}

std::string Jbig2Segment(uint32_t number, int type, const std::string& data, int page,
                         const std::vector<uint8_t>& referred, bool longCount) {
  std::string header = Big32(number) + static_cast<char>(type);
  if (longCount)  // the count, then a retention bit for the segment and each one referred to
    header += Big32(0xE0000000u | static_cast<uint32_t>(referred.size())) + std::string((referred.size() + 8) / 8, '\0');
  else
    header += static_cast<char>(referred.size() << 5);
  for (uint8_t r : referred) header += static_cast<char>(r);
  return header + static_cast<char>(page) + Big32(static_cast<uint32_t>(data.size())) + data;
}

std::string Jbig2PageInformation(uint32_t width, uint32_t height) {
  return Big32(width) + Big32(height) + Big32(0) + Big32(0) + std::string(3, '\0');
}

std::string Jbig2Page(const TempDir& dir, uint32_t width, uint32_t height) {
  std::string rows;
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < (width + 7) / 8; ++x)
      rows.push_back(static_cast<char>(((x + y / 5) % 2 ? 0xF0 : 0x0F) ^ y));
  const std::string region = Big32(width) + Big32(height) + Big32(0) + Big32(0) + '\0';
  return Jbig2Segment(0, 48, Jbig2PageInformation(width, height)) +
         Jbig2Segment(1, 38, region + '\1' + GroupFour(dir, width, height, rows));
}

}  // namespace hosttest
