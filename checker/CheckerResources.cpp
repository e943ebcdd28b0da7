// The checker's own resources: the progress dialog's template and the two
// toolbar icons, drawn here at compile time (ours): a page with a tick,
// on silver for hosts before 6 (1005), on grey for the others (128).
#include "checker/CheckerDlgADM.h"

namespace Zentu {
namespace {

const PIDialogItemTemplate kProgressItems[] = {
    {1, kPIItemPushButton, "Cancel", 67, 63, 50, 14, 0},
    {1009, kPIItemStatic, "Placeholder for progress meter", 7, 34, 172, 14, 0},
    {1015, kPIItemStatic, "", 7, 7, 172, 20, 0},
};

const PIDialogTemplate kTemplates[] = {
    {133, "Zentu PDF/X Corvane Progress", 186, 84, "MS Sans Serif", 8, kProgressItems, PI_COUNT_OF(kProgressItems)},
};

// The sixteen standard colours.
const ASUns32 kPalette[] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
                            0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
const ASUns8 kBlack = 0, kGreen = 2, kSilver = 7, kGrey = 8, kWhite = 15;

const int kIconSize = 18;
struct Icon {
  ASUns8 pixels[kIconSize * kIconSize];
};

constexpr Icon DrawIcon(ASUns8 ground) {
  Icon icon{};
  for (int y = 0; y < kIconSize; ++y)
    for (int x = 0; x < kIconSize; ++x) {
      bool page = x >= 3 && x <= 13 && y >= 1 && y <= 16;
      bool edge = page && (x == 3 || x == 13 || y == 1 || y == 16);
      // A tick from (5, 10) down to (8, 13) and up to (15, 4).
      bool tick = (x >= 5 && x <= 8 && (y == x + 5 || y == x + 4)) || (x >= 8 && x <= 15 && (y == 21 - x || y == 20 - x));
      ASUns8 colour = tick ? kGreen : edge ? kBlack : page ? kWhite : ground;
      icon.pixels[y * kIconSize + x] = colour;
    }
  return icon;
}

constexpr Icon kOldIcon = DrawIcon(kSilver);
constexpr Icon kIcon = DrawIcon(kGrey);

const PIBitmapResource kBitmaps[] = {
    {1005, kIconSize, kIconSize, PI_COUNT_OF(kPalette), kPalette, kOldIcon.pixels},
    {128, kIconSize, kIconSize, PI_COUNT_OF(kPalette), kPalette, kIcon.pixels},
};

}  // namespace

const PIResourceTable kCheckerResources = {kTemplates, PI_COUNT_OF(kTemplates), kBitmaps, PI_COUNT_OF(kBitmaps),
                                           nullptr, 0};

}  // namespace Zentu
