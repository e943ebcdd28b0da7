// The plug-in's own resources: the About dialog's template and three
// bitmaps drawn here at compile time (ours): two pictures behind one another
// for the toolbar button (128), and for the About dialog a small one (6) and
// a landscape (7).
#include "alternates/GlimmersetResources.h"

namespace {

const PIDialogItemTemplate kAboutItems[] = {
    {7, kPIItemPicture, "", 7, 7, 96, 64, 0},
    {6, kPIItemPicture, "", 110, 7, 32, 32, 0},
    {1, kPIItemPushButton, "OK", 92, 80, 50, 14, kPIItemDefault},
};

const PIDialogTemplate kTemplates[] = {
    {129, "About Glimmerset", 150, 102, "MS Sans Serif", 8, kAboutItems, PI_COUNT_OF(kAboutItems)},
};

// The sixteen standard colours.
const ASUns32 kPalette[] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
                            0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
const ASUns8 kBlack = 0, kGreen = 2, kNavy = 4, kSilver = 7, kGrey = 8, kYellow = 11, kBlue = 12, kWhite = 15;

template <int W, int H>
struct Picture {
  ASUns8 pixels[W * H];
};

constexpr bool Inside(int x, int y, int left, int top, int right, int bottom) {
  return x >= left && x <= right && y >= top && y <= bottom;
}
constexpr bool Edge(int x, int y, int left, int top, int right, int bottom) {
  return Inside(x, y, left, top, right, bottom) && (x == left || x == right || y == top || y == bottom);
}

// Two framed pictures, the front one with a hill under a sun.
template <int W, int H>
constexpr Picture<W, H> DrawFrames(ASUns8 ground) {
  Picture<W, H> p{};
  const int bx = W / 3, by = H / 6, fx = W / 9, fy = H / 3;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      ASUns8 c = ground;
      if (Inside(x, y, bx, by, W - 2, H * 2 / 3)) c = Edge(x, y, bx, by, W - 2, H * 2 / 3) ? kBlack : kSilver;
      const int right = W - bx, bottom = H - 2;
      if (Inside(x, y, fx, fy, right, bottom)) {
        const int sx = fx + (right - fx) * 2 / 3, sy = fy + (bottom - fy) / 3, r = (right - fx) / 6 + 1;
        const int dx = x - sx, dy = y - sy;
        const bool hill = y > bottom - (x - fx) * (bottom - fy) / (2 * (right - fx + 1)) - (bottom - fy) / 4;
        c = hill ? kGreen : dx * dx + dy * dy <= r * r ? kYellow : kBlue;
        if (Edge(x, y, fx, fy, right, bottom)) c = kBlack;
      }
      p.pixels[y * W + x] = c;
    }
  return p;
}

// A sky over rolling land, with the sun.
template <int W, int H>
constexpr Picture<W, H> DrawLandscape() {
  Picture<W, H> p{};
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const int wave = (x % 32 < 16 ? x % 16 : 16 - x % 16) / 2;
      const int dx = x - W * 3 / 4, dy = y - H / 4;
      ASUns8 c = y > H * 2 / 3 - wave ? kGreen : dx * dx + dy * dy <= 36 ? kYellow : y < H / 3 ? kBlue : kWhite;
      if (Edge(x, y, 0, 0, W - 1, H - 1)) c = kNavy;
      p.pixels[y * W + x] = c;
    }
  return p;
}

constexpr Picture<18, 18> kButton = DrawFrames<18, 18>(kGrey);
constexpr Picture<32, 32> kSmall = DrawFrames<32, 32>(kWhite);
constexpr Picture<96, 64> kLandscape = DrawLandscape<96, 64>();

const PIBitmapResource kBitmaps[] = {
    {6, 32, 32, PI_COUNT_OF(kPalette), kPalette, kSmall.pixels},
    {7, 96, 64, PI_COUNT_OF(kPalette), kPalette, kLandscape.pixels},
    {128, 18, 18, PI_COUNT_OF(kPalette), kPalette, kButton.pixels},
};

}  // namespace

const PIResourceTable kGlimmersetResources = {kTemplates, PI_COUNT_OF(kTemplates), kBitmaps, PI_COUNT_OF(kBitmaps),
                                              nullptr, 0};
