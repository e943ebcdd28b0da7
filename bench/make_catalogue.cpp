// make_catalogue OUT.pdf IMAGES [shared]: a catalogue of IMAGES small
// images (16 x 16 gray, Flate), ten a page in a grid, each drawn once at
// 150 ppi. Each page holds its own ten in its resources, named /Im0 to /Im9
// as writers name them page by page; with "shared" every page names one
// resources dictionary that holds them all, each under a name of its own.
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "testing/pdfmaker.h"

int main(int argc, char** argv) {
  if (argc < 3 || std::atol(argv[2]) < 1) {
    std::fprintf(stderr, "usage: make_catalogue OUT.pdf IMAGES [shared]\n");
    return 2;
  }
  const long images = std::atol(argv[2]);
  const bool shared = argc > 3 && std::strcmp(argv[3], "shared") == 0;
  const long perPage = 10, pages = (images + perPage - 1) / perPage;
  // Objects: 1 catalog, 2 pages, 3 the shared resources (or unused), then
  // each page and its content, then the images.
  const long firstPage = 4, firstImage = firstPage + 2 * pages;
  auto name = [&](long i) { return "/Im" + std::to_string(shared ? i : i % perPage); };
  auto ref = [](long object) { return std::to_string(object) + " 0 R"; };
  hosttest::PdfSpec spec;
  spec.version = "1.4";
  std::string kids, all;
  for (long p = 0; p < pages; ++p) kids += ref(firstPage + 2 * p) + " ";
  for (long i = 0; i < images; ++i) all += name(i) + " " + ref(firstImage + i) + " ";
  spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>",
                  "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>",
                  "<< /XObject << " + (shared ? all : std::string()) + ">> >>"};
  for (long p = 0; p < pages; ++p) {
    std::string own, content;
    for (long i = p * perPage; i < std::min(images, (p + 1) * perPage); ++i) {
      own += name(i) + " " + ref(firstImage + i) + " ";
      const long k = i - p * perPage;
      // 16 pixels over 7.68 points: 150 ppi.
      content += "q 7.68 0 0 7.68 " + std::to_string(40 + 50 * (k % 5)) + " " + std::to_string(600 - 60 * (k / 5)) +
                 " cm " + name(i) + " Do Q\n";
    }
    spec.objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 700] /Resources " +
                           (shared ? std::string("3 0 R") : "<< /XObject << " + own + ">> >>") + " /Contents " +
                           ref(firstPage + 2 * p + 1) + " >>");
    spec.objects.push_back("stream:|" + content);
  }
  for (long i = 0; i < images; ++i) {
    std::string pixels(256, '\0');
    for (size_t j = 0; j < pixels.size(); ++j) pixels[j] = static_cast<char>((i * 37 + j * (j % 16 + 1)) % 256);
    spec.objects.push_back(
        "stream:/Type /XObject /Subtype /Image /Width 16 /Height 16 /ColorSpace /DeviceGray /BitsPerComponent 8 "
        "/Filter /FlateDecode|" + hosttest::Deflated(pixels));
  }
  const std::string pdf = hosttest::MakePdf(spec);
  std::FILE* f = std::fopen(argv[1], "wb");
  if (!f || std::fwrite(pdf.data(), 1, pdf.size(), f) != pdf.size() || std::fclose(f) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
