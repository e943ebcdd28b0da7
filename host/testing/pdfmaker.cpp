#include "testing/pdfmaker.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace hosttest {

std::string MakePdf(const PdfSpec& spec) {
  std::ostringstream out;
  out << "%PDF-" << spec.version << "\n%\xE2\xE3\xCF\xD3\n";
  std::vector<long> offsets;
  for (size_t i = 0; i < spec.objects.size(); ++i) {
    offsets.push_back(static_cast<long>(out.tellp()));
    std::string body = spec.objects[i];
    if (body.compare(0, 7, "stream:") == 0) {
      size_t bar = body.find('|');
      std::string dict = body.substr(7, bar == std::string::npos ? std::string::npos : bar - 7);
      std::string data = bar == std::string::npos ? "" : body.substr(bar + 1);
      body = "<< " + dict + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data +
             "\nendstream";
    }
    out << (i + 1) << " 0 obj\n" << body << "\nendobj\n";
  }
  long xref = static_cast<long>(out.tellp());
  out << "xref\n0 " << spec.objects.size() + 1 << "\n0000000000 65535 f \n";
  char line[32];
  for (long off : offsets) {
    std::snprintf(line, sizeof line, "%010ld 00000 n \n", off);
    out << line;
  }
  out << "trailer\n<< /Size " << spec.objects.size() + 1 << " " << spec.trailer
      << " >>\nstartxref\n" << xref << "\n%%EOF\n";
  return out.str();
}

std::string Deflated(const std::string& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  compress(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(data.data()),
           static_cast<uLong>(data.size()));
  out.resize(size);
  return out;
}

std::string MakePagesPdf(int pages, const std::string& content) {
  PdfSpec spec;
  spec.objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
  std::string kids;
  for (int i = 0; i < pages; ++i) kids += std::to_string(3 + 2 * i) + " 0 R ";
  spec.objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>");
  for (int i = 0; i < pages; ++i) {
    spec.objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents " +
                           std::to_string(4 + 2 * i) + " 0 R >>");
    spec.objects.push_back("stream:|" + content);
  }
  return MakePdf(spec);
}

std::string MakeCataloguePdf(long images, bool shared) {
  // Objects: 1 catalog, 2 pages, 3 the shared resources, then each page and
  // its content, then the images.
  const long perPage = 10, pages = (images + perPage - 1) / perPage, firstImage = 4 + 2 * pages;
  auto name = [&](long i) { return "/Im" + std::to_string(shared ? i : i % perPage); };
  auto ref = [](long object) { return std::to_string(object) + " 0 R "; };
  std::string kids, all;
  for (long p = 0; p < pages; ++p) kids += ref(4 + 2 * p);
  for (long i = 0; i < images; ++i) all += name(i) + " " + ref(firstImage + i);
  PdfSpec spec{"1.4", {"<< /Type /Catalog /Pages 2 0 R >>",
                       "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>",
                       "<< /XObject << " + (shared ? all : "") + ">> >>"}};
  for (long p = 0; p < pages; ++p) {
    std::string own, content;
    for (long i = p * perPage, k = 0; i < std::min(images, (p + 1) * perPage); ++i, ++k) {
      own += name(i) + " " + ref(firstImage + i);  // drawn 16 pixels over 7.68 points: 150 ppi
      content += "q 7.68 0 0 7.68 " + std::to_string(40 + 50 * (k % 5)) + " " + std::to_string(600 - 60 * (k / 5)) +
                 " cm " + name(i) + " Do Q\n";
    }
    spec.objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 700] /Resources " +
                           (shared ? "3 0 R" : "<< /XObject << " + own + ">> >>") + " /Contents " + ref(5 + 2 * p) + ">>");
    spec.objects.push_back("stream:|" + content);
  }
  for (long i = 0; i < images; ++i) {
    std::string pixels(256, '\0');
    for (size_t j = 0; j < pixels.size(); ++j) pixels[j] = static_cast<char>((i * 37 + j * (j % 16 + 1)) % 256);
    spec.objects.push_back("stream:/Type /XObject /Subtype /Image /Width 16 /Height 16 /ColorSpace /DeviceGray "
                           "/BitsPerComponent 8 /Filter /FlateDecode|" + Deflated(pixels));
  }
  return MakePdf(spec);
}

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string tmpl = std::string(base && *base ? base : "/tmp") + "/zentu-test-XXXXXX";
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back(0);
  if (!::mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
  path_ = buf.data();
}

TempDir::~TempDir() { RunCommand("rm -rf '" + path_ + "'"); }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

int RunCommand(const std::string& command, std::string* output) {
  FILE* p = ::popen((command + " 2>&1").c_str(), "r");
  if (!p) return -1;
  std::string text;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) text.append(buf, n);
  int status = ::pclose(p);
  if (output) *output = text;
  return WEXITSTATUS(status);
}

}  // namespace hosttest
