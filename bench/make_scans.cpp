// make_scans OUT.pdf PAGES [WIDTHxHEIGHT]: a document of PAGES scanned pages
// at 300 ppi, each one JPEG image (libjpeg, quality 85) filling its page:
// lines of glyphs, a photograph and coloured bars over paper with grain,
// colour and gray pages in turn. Letter pages (2550 x 3300 pixels) unless a
// size is given, then every page is in colour.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "pixel_hash.h"
#include "testing/jpegmaker.h"
#include "testing/pdfmaker.h"

namespace {

uint32_t Hash(uint32_t a, uint32_t b, uint32_t c) { return PixelHash(a, b, c); }

unsigned char Clamp(int v) { return static_cast<unsigned char>(v < 0 ? 0 : v > 255 ? 255 : v); }

// One pixel of page `page` as RGB.
void Pixel(int page, int width, int height, int x, int y, int rgb[3]) {
  const int margin = width / 12;
  const int grain = static_cast<int>(Hash(x, y, page) % 9) - 4;
  rgb[0] = 246 + grain;
  rgb[1] = 244 + grain;
  rgb[2] = 236 + grain;
  const int photoTop = height * 11 / 20, photoBottom = height * 4 / 5;
  if (y >= photoTop && y < photoBottom && x >= margin && x < width - margin) {
    const double px = x + page * 131.0, py = y;
    rgb[0] = static_cast<int>(128 + 90 * std::sin(px / 97.0) + 30 * std::sin(py / 23.0)) + grain * 2;
    rgb[1] = static_cast<int>(128 + 90 * std::sin(py / 53.0 + px / 301.0)) + grain * 2;
    rgb[2] = static_cast<int>(128 + 90 * std::sin((px + py) / 71.0)) + grain * 2;
    return;
  }
  if (y >= margin / 2 && y < margin / 2 + 40 && x >= margin && x < width - margin) {
    const int bar = (x - margin) / 400 + page;
    rgb[0] = 60 + (bar * 70) % 190;
    rgb[1] = 40 + (bar * 110) % 200;
    rgb[2] = 90 + (bar * 50) % 160;
    return;
  }
  // Text: lines of 60 pixels, glyphs of 24 x 36 drawn from a 5 x 7 grid.
  if (x < margin || x >= width - margin || y < margin || y >= height - margin) return;
  if (y >= photoTop - 60 && y < photoBottom + 60) return;
  const int line = (y - margin) / 60, inLine = (y - margin) % 60;
  const int glyph = (x - margin) / 24, inGlyph = (x - margin) % 24;
  if (inLine >= 36 || inGlyph >= 20) return;
  const uint32_t shape = Hash(glyph, line, page * 7 + 1);
  if (shape % 7 == 0) return;  // a space
  const int col = inGlyph * 5 / 20, row = inLine * 7 / 36;
  if (Hash(shape % 97, col, row) & 1) {
    const int ink = 28 + static_cast<int>(Hash(x, y, 3) % 20);
    rgb[0] = rgb[1] = rgb[2] = ink;
  }
}

std::string PageImage(int page, int width, int height, bool colour) {
  hosttest::JpegSpec spec;
  spec.width = width;
  spec.height = height;
  spec.components = colour ? 3 : 1;
  return hosttest::MakeJpeg(spec, [&](int y, unsigned char* samples) {
    int rgb[3];
    for (int x = 0; x < width; ++x) {
      Pixel(page, width, height, x, y, rgb);
      if (colour) {
        for (int c = 0; c < 3; ++c) samples[x * 3 + c] = Clamp(rgb[c]);
      } else {
        samples[x] = Clamp((rgb[0] * 299 + rgb[1] * 587 + rgb[2] * 114) / 1000);
      }
    }
  });
}

}  // namespace

int main(int argc, char** argv) {
  int width = 2550, height = 3300;
  const bool sized = argc == 4 && std::sscanf(argv[3], "%dx%d", &width, &height) == 2;
  const int pages = argc >= 3 ? std::atoi(argv[2]) : 0;
  if ((argc != 3 && !sized) || pages < 1 || width < 1 || height < 1) {
    std::fprintf(stderr, "usage: make_scans OUT.pdf PAGES [WIDTHxHEIGHT]\n");
    return 2;
  }
  hosttest::PdfSpec spec;
  spec.version = "1.4";
  spec.objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
  std::string kids;
  for (int i = 0; i < pages; ++i) kids += std::to_string(3 + 3 * i) + " 0 R ";
  spec.objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>");
  // 300 pixels an inch: 0.24 points a pixel.
  const std::string w = std::to_string(width * 0.24), h = std::to_string(height * 0.24);
  for (int i = 0; i < pages; ++i) {
    const bool colour = sized || i % 2 == 0;
    const std::string image = std::to_string(5 + 3 * i);
    spec.objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + w + " " + h +
                           "] /Resources << /XObject << /Im0 " + image + " 0 R >> >> /Contents " +
                           std::to_string(4 + 3 * i) + " 0 R >>");
    spec.objects.push_back("stream:|q " + w + " 0 0 " + h + " 0 0 cm /Im0 Do Q");
    spec.objects.push_back("stream:/Type /XObject /Subtype /Image /Width " + std::to_string(width) + " /Height " +
                           std::to_string(height) + " /ColorSpace /" + (colour ? "DeviceRGB" : "DeviceGray") +
                           " /BitsPerComponent 8 /Filter /DCTDecode|" + PageImage(i, width, height, colour));
  }
  const std::string pdf = hosttest::MakePdf(spec);
  FILE* out = std::fopen(argv[1], "wb");
  if (!out || std::fwrite(pdf.data(), 1, pdf.size(), out) != pdf.size() || std::fclose(out) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
