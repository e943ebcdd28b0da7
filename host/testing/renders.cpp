#include "testing/renders.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "testing/pdfmaker.h"

namespace hosttest {

namespace {

// A binary PPM; Ghostscript writes a comment into its header.
Picture ReadPpm(const std::string& path, int dpi) {
  const std::string bytes = ReadFile(path);
  std::istringstream in(bytes);
  std::string word;
  int n[3] = {0, 0, 0};  // width, height, largest value
  for (int i = (in >> word, 0); i < 3 && in >> word;)
    if (word[0] == '#') std::getline(in, word); else n[i++] = std::atoi(word.c_str());
  Picture p{n[0], n[1], dpi, in && n[0] > 0 ? bytes.substr(static_cast<size_t>(in.tellg()) + 1) : ""};
  return n[1] > 0 && p.pixels.size() == 3 * static_cast<size_t>(n[0]) * static_cast<size_t>(n[1]) ? p : Picture();
}

std::string Differences(const Picture& a, const Picture& b, const Box* inside) {
  if (a.width == 0 || b.width == 0) return "not drawn";
  if (a.width != b.width || a.height != b.height) return "another size";
  int x0 = a.width, y0 = a.height, x1 = -1, y1 = -1;
  for (size_t i = 0; i < a.pixels.size(); ++i)
    if (a.pixels[i] != b.pixels[i]) {
      const int x = static_cast<int>(i / 3 % static_cast<size_t>(a.width)), y = static_cast<int>(i / 3 / a.width);
      x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
    }
  const double s = a.dpi / 72.0, h = a.height / s;
  if (x1 < 0 || (inside && x0 >= inside->left * s - 1 && x1 <= inside->right * s + 1 &&
                 y0 >= (h - inside->top) * s - 1 && y1 <= (h - inside->bottom) * s + 1))
    return "";
  return "pixels " + std::to_string(x0) + "," + std::to_string(y0) + " to " + std::to_string(x1) + "," +
         std::to_string(y1);
}

}  // namespace

std::vector<Picture> Render(const std::string& pdf, int dpi, bool ghostscript) {
  const TempDir dir;
  const std::string r = std::to_string(dpi), prefix = Quoted(dir.File("p"));
  RunCommand((ghostscript ? "gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=ppmraw -r" + r + " -sOutputFile=" +
                                Quoted(dir.File("p-%04d.ppm")) + " " + Quoted(pdf)
                          : "pdftoppm -r " + r + " " + Quoted(pdf) + " " + prefix) + " > /dev/null 2>&1");
  std::string listed;
  RunCommand("ls " + prefix + "*.ppm 2>/dev/null", &listed);  // in page order: the numbers are padded
  std::vector<Picture> pages;
  std::istringstream lines(listed);
  for (std::string path; std::getline(lines, path);) pages.push_back(ReadPpm(path, dpi));
  return pages;
}

std::vector<std::string> PageDifferences(const std::string& before, const std::string& after, int dpi,
                                         bool ghostscript, const Box* inside) {
  std::vector<Picture> a = Render(before, dpi, ghostscript), b = Render(after, dpi, ghostscript);
  a.resize(std::max(a.size(), b.size())), b.resize(a.size());
  std::vector<std::string> differences;
  for (size_t i = 0; i < a.size(); ++i) differences.push_back(Differences(a[i], b[i], inside));
  return differences;
}

}  // namespace hosttest
