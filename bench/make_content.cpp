// make_content KIND COUNT OUT.pdf: a one-page PDF 1.3 document whose content
// (Flate) repeats one piece COUNT times, for bench/large-content:
//   inline  a gray inline image of one pixel, placed
//   paths   a path of one operation each (m, l, c, re, h, S in turn)
//   rgb     the same paths, each stroked in an RGB colour set with RG
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "testing/pdfmaker.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: make_content inline|paths|rgb COUNT OUT.pdf\n");
    return 2;
  }
  const std::string kind = argv[1];
  const long count = std::strtol(argv[2], nullptr, 10);
  if (count <= 0 || (kind != "inline" && kind != "paths" && kind != "rgb")) {
    std::fprintf(stderr, "make_content: give inline, paths or rgb and a count above 0\n");
    return 2;
  }
  // Six path operations make one path, its colour first for rgb.
  const char* const path[] = {"10 10 m ", "20 20 l ", "30 10 40 40 50 20 c ", "5 5 10 10 re ", "h ", "S\n"};
  std::string content;
  for (long i = 0; i < count; ++i) {
    if (kind == "inline") {
      content += "q 1 0 0 1 0 0 cm BI /W 1 /H 1 /CS /G /BPC 8 ID \x80 EI Q\n";
    } else {
      if (kind == "rgb" && i % 6 == 0) content += "1 0 0 RG ";
      content += path[i % 6];
    }
  }
  hosttest::PdfSpec spec;
  spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                  "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>",
                  "stream:/Filter /FlateDecode|" + hosttest::Deflated(content)};
  hosttest::WriteFile(argv[3], hosttest::MakePdf(spec));
  return 0;
}
