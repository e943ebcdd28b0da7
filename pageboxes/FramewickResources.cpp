// The page-box editor's own resources: the toolbar icon, drawn here at
// compile time (ours): a page with a dashed trim frame inside it, on grey
// for hosts from 6 (101) and on silver for the older ones (121).
#include "pageboxes/FramewickPlugIn.h"

namespace Zentu {
namespace {

const ASUns32 kPalette[] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
                            0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
const ASUns8 kBlack = 0, kSilver = 7, kGrey = 8, kBlue = 12, kWhite = 15;

const int kIconSize = 18;
struct Icon {
  ASUns8 pixels[kIconSize * kIconSize];
};

constexpr Icon DrawIcon(ASUns8 ground) {
  Icon icon{};
  for (int y = 0; y < kIconSize; ++y)
    for (int x = 0; x < kIconSize; ++x) {
      bool page = x >= 3 && x <= 14 && y >= 1 && y <= 16;
      bool edge = page && (x == 3 || x == 14 || y == 1 || y == 16);
      bool inFrame = x >= 6 && x <= 11 && y >= 4 && y <= 13;
      bool frame = inFrame && (x == 6 || x == 11 || y == 4 || y == 13) && (x + y) % 2 == 0;
      ASUns8 colour = edge ? kBlack : frame ? kBlue : page ? kWhite : ground;
      icon.pixels[y * kIconSize + x] = colour;
    }
  return icon;
}

constexpr Icon kIcon = DrawIcon(kGrey);
constexpr Icon kOldIcon = DrawIcon(kSilver);

const PIBitmapResource kBitmaps[] = {
    {101, kIconSize, kIconSize, PI_COUNT_OF(kPalette), kPalette, kIcon.pixels},
    {121, kIconSize, kIconSize, PI_COUNT_OF(kPalette), kPalette, kOldIcon.pixels},
};

}  // namespace

const PIResourceTable kFramewickResources = {nullptr, 0, kBitmaps, PI_COUNT_OF(kBitmaps), nullptr, 0};

}  // namespace Zentu
