// make_large OUT.pdf KIND WIDTHxHEIGHT: a letter page filled by one large
// scanned image, written row by row so that no image lies whole in memory
// (but a G4 one, coded whole). KIND: "rgb" or "gray" (no filter), "g4"
// (one bit, CCITT group 4), "flate" (one bit, Flate), "rgb-flate" (RGB,
// Flate) or "jpeg" (RGB, baseline JPEG by libjpeg). The pages are lines of
// glyphs with specks; the eight-bit ones add grain.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <zlib.h>

extern "C" {
#include <jpeglib.h>
}

#include "cos/ccitt.h"
#include "pixel_hash.h"

namespace {

uint32_t Hash(uint32_t a, uint32_t b, uint32_t c) { return PixelHash(a, b, c); }

// Ink at (x, y): glyphs of a 5 x 7 grid on lines, scaled to the page, and
// specks of dust.
bool Glyphs(int width, int x, int y);
bool Ink(int width, int x, int y) { return Glyphs(width, x, y) != (Hash(x, y, 5) % 500 == 0); }
bool Glyphs(int width, int x, int y) {
  const int unit = width / 2550 > 0 ? width / 2550 : 1;  // 1 at 300 ppi
  const int margin = width / 12;
  if (x < margin || x >= width - margin || y < margin) return false;
  const int line = (y - margin) / (60 * unit), inLine = (y - margin) % (60 * unit);
  const int glyph = (x - margin) / (24 * unit), inGlyph = (x - margin) % (24 * unit);
  if (inLine >= 36 * unit || inGlyph >= 20 * unit) return false;
  const uint32_t shape = Hash(glyph, line, 1);
  if (shape % 7 == 0) return false;
  return Hash(shape % 97, inGlyph * 5 / (20 * unit), inLine * 7 / (36 * unit)) & 1;
}

class Out {
 public:
  explicit Out(FILE* f) : f_(f) {}
  void Put(const void* data, size_t n) {
    if (n && std::fwrite(data, 1, n, f_) != n) ok_ = false;
    at_ += n;
  }
  void Put(const std::string& s) { Put(s.data(), s.size()); }
  void Begin(int number) {
    offsets_.push_back(at_);
    Put(std::to_string(number) + " 0 obj\n");
  }
  long long At() const { return at_; }
  bool Ok() const { return ok_; }
  const std::vector<long long>& Offsets() const { return offsets_; }

 private:
  FILE* f_;
  long long at_ = 0;
  bool ok_ = true;
  std::vector<long long> offsets_;
};

}  // namespace

int main(int argc, char** argv) {
  int width = 0, height = 0;
  const std::string kind = argc == 4 ? argv[2] : "";
  if (argc != 4 || std::sscanf(argv[3], "%dx%d", &width, &height) != 2 || width < 1 || height < 1 ||
      (kind != "rgb" && kind != "gray" && kind != "g4" && kind != "flate" && kind != "rgb-flate" && kind != "jpeg")) {
    std::fprintf(stderr, "usage: make_large OUT.pdf rgb|gray|g4|flate|rgb-flate|jpeg WIDTHxHEIGHT\n");
    return 2;
  }
  FILE* f = std::fopen(argv[1], "wb");
  if (!f) {
    std::perror(argv[1]);
    return 1;
  }
  Out out(f);
  const bool mono = kind == "g4" || kind == "flate";
  const size_t components = kind == "gray" || mono ? 1 : 3;
  const size_t rowBytes = mono ? (static_cast<size_t>(width) + 7) / 8 : static_cast<size_t>(width) * components;
  std::vector<unsigned char> row(rowBytes);
  auto makeRow = [&](int y) {
    if (mono) {
      std::memset(row.data(), 0xFF, rowBytes);  // white is 1
      for (int x = 0; x < width; ++x)
        if (Ink(width, x, y)) row[static_cast<size_t>(x) / 8] &= static_cast<unsigned char>(~(0x80 >> (x % 8)));
      return;
    }
    for (int x = 0; x < width; ++x) {
      const int grain = static_cast<int>(Hash(x, y, 0) % 9);
      const int v = Ink(width, x, y) ? 30 + grain : 238 + grain;
      for (size_t c = 0; c < components; ++c) row[static_cast<size_t>(x) * components + c] = static_cast<unsigned char>(v - 6 * static_cast<int>(c));
    }
  };
  out.Put("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
  out.Begin(1);
  out.Put("<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");
  out.Begin(2);
  out.Put("<< /Type /Pages /Kids [3 0 R] /Count 1 >>\nendobj\n");
  out.Begin(3);
  out.Put("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /XObject << /Im0 5 0 R >> >> "
          "/Contents 4 0 R >>\nendobj\n");
  const std::string content = "q 612 0 0 792 0 0 cm /Im0 Do Q";
  out.Begin(4);
  out.Put("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream\nendobj\n");
  std::string dict = "<< /Type /XObject /Subtype /Image /Width " + std::to_string(width) + " /Height " +
                     std::to_string(height) + " /BitsPerComponent " + (mono ? "1" : "8") + " /ColorSpace /" +
                     (components == 3 ? "DeviceRGB" : "DeviceGray");
  // The data's length comes after it, as object 6.
  out.Begin(5);
  if (kind == "g4") {
    host::CcittParams p;
    p.k = -1;
    p.columns = width;
    p.rows = height;
    p.blackIs1 = false;
    std::string rows;
    rows.reserve(rowBytes * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
      makeRow(y);
      rows.append(reinterpret_cast<const char*>(row.data()), rowBytes);
    }
    const std::string coded = host::CcittEncode(rows, p);
    out.Put(dict + " /Filter /CCITTFaxDecode /DecodeParms << /K -1 /Columns " + std::to_string(width) + " /Rows " +
            std::to_string(height) + " >> /Length " + std::to_string(coded.size()) + " >>\nstream\n");
    out.Put(coded);
  } else if (kind == "jpeg") {
    out.Put(dict + " /Filter /DCTDecode /Length 6 0 R >>\nstream\n");
    const long long start = out.At();
    // libjpeg writes through a buffer into the file as it codes each row.
    struct Destination {
      jpeg_destination_mgr base;
      Out* out;
      std::vector<unsigned char> buf;
    } dest{{}, &out, std::vector<unsigned char>(1 << 16)};
    dest.base.init_destination = [](j_compress_ptr c) {
      auto* d = reinterpret_cast<Destination*>(c->dest);
      d->base.next_output_byte = d->buf.data();
      d->base.free_in_buffer = d->buf.size();
    };
    dest.base.empty_output_buffer = [](j_compress_ptr c) -> boolean {
      auto* d = reinterpret_cast<Destination*>(c->dest);
      d->out->Put(d->buf.data(), d->buf.size());
      d->base.next_output_byte = d->buf.data();
      d->base.free_in_buffer = d->buf.size();
      return TRUE;
    };
    dest.base.term_destination = [](j_compress_ptr c) {
      auto* d = reinterpret_cast<Destination*>(c->dest);
      d->out->Put(d->buf.data(), d->buf.size() - d->base.free_in_buffer);
    };
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    cinfo.dest = &dest.base;
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 85, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    for (int y = 0; y < height; ++y) {
      makeRow(y);
      JSAMPROW rows[1] = {row.data()};
      jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    dict = std::to_string(out.At() - start);  // the length, for object 6
  } else if (kind == "flate" || kind == "rgb-flate") {
    out.Put(dict + " /Filter /FlateDecode /Length 6 0 R >>\nstream\n");
    const long long start = out.At();
    z_stream z{};
    deflateInit(&z, 6);
    std::vector<unsigned char> buf(1 << 16);
    for (int y = 0; y <= height; ++y) {
      if (y < height) makeRow(y);
      z.next_in = row.data();
      z.avail_in = y < height ? static_cast<uInt>(rowBytes) : 0;
      int err;
      do {
        z.next_out = buf.data();
        z.avail_out = static_cast<uInt>(buf.size());
        err = deflate(&z, y < height ? Z_NO_FLUSH : Z_FINISH);
        out.Put(buf.data(), buf.size() - z.avail_out);
      } while (z.avail_out == 0 || (y == height && err != Z_STREAM_END));
    }
    deflateEnd(&z);
    dict = std::to_string(out.At() - start);  // the length, for object 6
  } else {
    out.Put(dict + " /Length " + std::to_string(static_cast<long long>(rowBytes) * height) + " >>\nstream\n");
    for (int y = 0; y < height; ++y) {
      makeRow(y);
      out.Put(row.data(), rowBytes);
    }
  }
  out.Put("\nendstream\nendobj\n");
  out.Begin(6);
  out.Put((kind == "flate" || kind == "rgb-flate" || kind == "jpeg" ? dict : std::string("0")) + "\nendobj\n");
  const long long xref = out.At();
  char line[32];
  out.Put("xref\n0 7\n0000000000 65535 f \n");
  for (long long offset : out.Offsets()) {
    std::snprintf(line, sizeof line, "%010lld 00000 n \n", offset);
    out.Put(line);
  }
  out.Put("trailer\n<< /Size 7 /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n");
  if (!out.Ok() || std::fclose(f) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
