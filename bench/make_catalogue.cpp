// make_catalogue OUT.pdf IMAGES [shared]: a catalogue of IMAGES small
// images (16 x 16 gray, Flate), ten a page in a grid, each drawn once at
// 150 ppi. Each page holds its own ten in its resources, named /Im0 to /Im9
// as writers name them page by page; with "shared" every page names one
// resources dictionary that holds them all, each under a name of its own.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "testing/pdfmaker.h"

int main(int argc, char** argv) {
  if (argc < 3 || std::atol(argv[2]) < 1) {
    std::fprintf(stderr, "usage: make_catalogue OUT.pdf IMAGES [shared]\n");
    return 2;
  }
  const std::string pdf = hosttest::MakeCataloguePdf(std::atol(argv[2]), argc > 3 && std::strcmp(argv[3], "shared") == 0);
  std::FILE* f = std::fopen(argv[1], "wb");
  if (!f || std::fwrite(pdf.data(), 1, pdf.size(), f) != pdf.size() || std::fclose(f) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
