// write_documents FOLDER: writes the generator's documents into the folder,
// the baseline and every variant under each standard ("x1a-NAME.pdf",
// "x3-NAME.pdf"), for walks over them.
#include <cstdio>
#include <exception>
#include <string>

#include "documents.h"
#include "core/host.h"
#include "testing/pdfmaker.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  hosttest::BindTables();
  try {
    for (const char* standard : {standardstest::kX1a, standardstest::kX3}) {
      const std::string prefix = std::string(argv[1]) + "/" + (standard == standardstest::kX1a ? "x1a-" : "x3-");
      hosttest::WriteFile(prefix + "baseline.pdf", standardstest::Baseline(standard).Pdf());
      for (const standardstest::Variant& variant : standardstest::Variants())
        hosttest::WriteFile(prefix + variant.name + ".pdf", standardstest::Make(standard, variant.name).Pdf());
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
    return 1;
  }
  return 0;
}
