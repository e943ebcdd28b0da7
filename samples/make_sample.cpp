// Writes the bundled sample PDF: three pages of text in PDF 1.3, with an
// information dictionary and a file identifier. Objects and the
// cross-reference table are written from their contents, never by hand.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

class Writer {
 public:
  int Add(const std::string& body) {
    objects_.push_back(body);
    return static_cast<int>(objects_.size());
  }
  void Set(int number, const std::string& body) { objects_[number - 1] = body; }
  static std::string Stream(const std::string& dict, const std::string& data) {
    return "<< " + dict + (dict.empty() ? "" : " ") + "/Length " + std::to_string(data.size()) +
           " >>\nstream\n" + data + "\nendstream";
  }
  std::string Build(int root, int info, const std::string& id) const {
    std::ostringstream out;
    out << "%PDF-1.3\n%\xE2\xE3\xCF\xD3\n";
    std::vector<long> offsets;
    for (size_t i = 0; i < objects_.size(); ++i) {
      offsets.push_back(static_cast<long>(out.tellp()));
      out << (i + 1) << " 0 obj\n" << objects_[i] << "\nendobj\n";
    }
    long xref = static_cast<long>(out.tellp());
    out << "xref\n0 " << objects_.size() + 1 << "\n0000000000 65535 f \n";
    char line[32];
    for (long off : offsets) {
      std::snprintf(line, sizeof line, "%010ld 00000 n \n", off);
      out << line;
    }
    out << "trailer\n<< /Size " << objects_.size() + 1 << " /Root " << root << " 0 R /Info " << info
        << " 0 R /ID [<" << id << "> <" << id << ">] >>\nstartxref\n"
        << xref << "\n%%EOF\n";
    return out.str();
  }

 private:
  std::vector<std::string> objects_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_sample OUT.pdf\n";
    return 2;
  }
  Writer w;
  int catalog = w.Add("");
  int pages = w.Add("");
  int font = w.Add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
  const char* lines[] = {"Sample page one", "Sample page two", "Sample page three"};
  std::string kids;
  for (const char* text : lines) {
    std::string content = std::string("BT /F1 24 Tf 72 700 Td (") + text + ") Tj ET\n0 0 1 RG 72 650 m 540 650 l S\n";
    int contents = w.Add(Writer::Stream("", content));
    int page = w.Add("<< /Type /Page /Parent " + std::to_string(pages) +
                     " 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 " + std::to_string(font) +
                     " 0 R >> /ProcSet [/PDF /Text] >> /Contents " + std::to_string(contents) + " 0 R >>");
    kids += (kids.empty() ? "" : " ") + std::to_string(page) + " 0 R";
  }
  w.Set(catalog, "<< /Type /Catalog /Pages " + std::to_string(pages) + " 0 R >>");
  w.Set(pages, "<< /Type /Pages /Kids [" + kids + "] /Count 3 >>");
  int info = w.Add("<< /Title (Sample) /Producer (make_sample) /CreationDate (D:20260101000000Z) >>");
  std::string pdf = w.Build(catalog, info, "5A454E54552053414D504C4520303031");
  std::ofstream out(argv[1], std::ios::binary);
  out << pdf;
  return out ? 0 : 1;
}
