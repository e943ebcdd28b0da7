// Pages drawn by pdftoppm or Ghostscript, for tests that prove a change
// keeps a page's look, or changes it only where it is meant to.
#pragma once
#include <string>
#include <vector>

namespace hosttest {

// One page as drawn: its RGB pixels, row by row from the top.
struct Picture {
  int width = 0, height = 0, dpi = 0;
  std::string pixels;
};
// A rectangle in points, from the page's lower left.
struct Box {
  double left, bottom, right, top;
};

// Every page of `pdf`, in order, at `dpi`, by pdftoppm (or Ghostscript).
std::vector<Picture> Render(const std::string& pdf, int dpi, bool ghostscript = false);

// Where each page of `after` differs from `before`'s, as many as the longer
// has: "" for nowhere or only inside `inside` (a pixel of slack for
// anti-aliased edges), "not drawn", "another size", else the pixels' box.
std::vector<std::string> PageDifferences(const std::string& before, const std::string& after, int dpi,
                                         bool ghostscript = false, const Box* inside = nullptr);

}  // namespace hosttest
