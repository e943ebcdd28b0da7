// The plug-in's own resources: the About and image options dialogs'
// templates, the options' pop-up menus, and three
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

// The image options: each radio group stands together, a non-radio item
// between the two groups.
const PIDialogItemTemplate kImageOptionsItems[] = {
    {18, kPIItemFrame, "Image Resolution", 7, 7, 187, 70, 0},
    {3, kPIItemRadioButton, "&Specify resolution to be", 13, 19, 95, 10, 0},
    {4, kPIItemRadioButton, "Calc&ulate resolution to be", 13, 38, 95, 10, 0},
    {5, kPIItemRadioButton, "Don't change resolution", 13, 57, 91, 10, 0},
    {6, kPIItemEdit, "", 112, 18, 30, 12, 0},
    {23, kPIItemPopupList, "", 146, 18, 46, 92, 0},
    {7, kPIItemEdit, "", 112, 37, 30, 12, 0},
    {20, kPIItemStatic, "% of original", 145, 38, 45, 8, 0},
    {22, kPIItemFrame, "Image Compression", 7, 82, 187, 78, 0},
    {-1, kPIItemStatic, "Monochrome Images:", 14, 95, 75, 10, 0},
    {8, kPIItemPopupList, "", 95, 95, 97, 92, 0},
    {-1, kPIItemStatic, "Color/Grayscale Images:", 14, 116, 79, 10, 0},
    {9, kPIItemPopupList, "", 95, 115, 97, 92, 0},
    {10, kPIItemCheckBox, "ASCII Format", 14, 138, 57, 10, 0},
    {-1, kPIItemStatic, "JPEG Quality", 95, 138, 43, 10, 0},
    {11, kPIItemPopupList, "", 140, 137, 52, 92, 0},
    {19, kPIItemFrame, "Which Images?", 7, 166, 187, 67, 0},
    {12, kPIItemRadioButton, "With a resolution of at least", 13, 181, 99, 10, 0},
    {13, kPIItemRadioButton, "Larger than", 13, 199, 52, 10, 0},
    {14, kPIItemRadioButton, "All images", 13, 218, 102, 10, 0},
    {15, kPIItemEdit, "", 114, 180, 30, 12, 0},
    {17, kPIItemPopupList, "", 149, 180, 43, 92, 0},
    {16, kPIItemEdit, "", 114, 198, 30, 12, 0},
    {21, kPIItemStatic, "kilobytes", 149, 200, 28, 8, 0},
    {1, kPIItemPushButton, "&OK", 38, 242, 50, 14, kPIItemDefault},
    {2, kPIItemPushButton, "&Cancel", 104, 242, 50, 14, 0},
};

const PIDialogTemplate kTemplates[] = {
    {129, "About Glimmerset", 150, 102, "MS Sans Serif", 8, kAboutItems, PI_COUNT_OF(kAboutItems)},
    {131, "Alternate Image Creation Settings", 201, 263, "MS Sans Serif", 8, kImageOptionsItems,
     PI_COUNT_OF(kImageOptionsItems)},
};

// The pop-ups' menus: the title, then the entries, each ended by a zero.
const char kMonochromeMenu[] = "Monochrome Images\0Use Original\0None\0LZW\0Flate\0Packbits\0CCITT G3\0CCITT G4";
const char kColorMenu[] = "Color/Grayscale Images\0Use Original\0None\0LZW\0JPEG\0Flate";
const char kQualityMenu[] = "JPEG Quality\0Minimum\0Low\0Medium\0High\0Maximum";
const char kUnitsMenu[] = "UNITS\0dpi\0dpmm";

const PIBinaryResource kBinaries[] = {
    {"MENU", 16000, kMonochromeMenu, sizeof kMonochromeMenu},
    {"MENU", 16001, kColorMenu, sizeof kColorMenu},
    {"MENU", 16002, kQualityMenu, sizeof kQualityMenu},
    {"MENU", 16003, kUnitsMenu, sizeof kUnitsMenu},
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
                                              kBinaries, PI_COUNT_OF(kBinaries)};
