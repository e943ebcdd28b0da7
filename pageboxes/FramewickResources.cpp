// The page-box editor's own resources: the toolbar icon, drawn here at
// compile time (ours): a page with a dashed trim frame inside it, on grey
// for hosts from 6 (101) and on silver for the older ones (121); the
// grouping cell's icons (ours too): the anchor (112), an open lock (113)
// and a closed one (114).
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

const int kMarkSize = 12;
struct Mark {
  ASUns8 pixels[kMarkSize * kMarkSize];
};

enum class Shape { Anchor, Unlocked, Locked };

constexpr Mark DrawMark(Shape shape) {
  Mark mark{};
  for (int y = 0; y < kMarkSize; ++y)
    for (int x = 0; x < kMarkSize; ++x) {
      bool ink = false;
      if (shape == Shape::Anchor) {
        ink = (x == 5 || x == 6) && y >= 1 && y <= 10;            // the shank
        ink = ink || (y == 3 && x >= 3 && x <= 8);                // the stock
        ink = ink || (y == 10 && x >= 2 && x <= 9);               // the crown
        ink = ink || ((x == 2 || x == 9) && y >= 8 && y <= 10);   // the flukes
      } else {
        const bool body = x >= 2 && x <= 9 && y >= 6 && y <= 11;
        const bool shackle = (y == 1 && x >= 4 && x <= 7) || (x == 3 && y >= 2 && y <= 5) ||
                             (x == 8 && y >= 2 && y <= (shape == Shape::Locked ? 5 : 3));
        ink = body || shackle;
      }
      mark.pixels[y * kMarkSize + x] = ink ? kBlack : kSilver;
    }
  return mark;
}

constexpr Mark kAnchorMark = DrawMark(Shape::Anchor);
constexpr Mark kUnlockedMark = DrawMark(Shape::Unlocked);
constexpr Mark kLockedMark = DrawMark(Shape::Locked);

constexpr Icon kIcon = DrawIcon(kGrey);
constexpr Icon kOldIcon = DrawIcon(kSilver);

const PIBitmapResource kBitmaps[] = {
    {101, kIconSize, kIconSize, PI_COUNT_OF(kPalette), kPalette, kIcon.pixels},
    {121, kIconSize, kIconSize, PI_COUNT_OF(kPalette), kPalette, kOldIcon.pixels},
    {112, kMarkSize, kMarkSize, PI_COUNT_OF(kPalette), kPalette, kAnchorMark.pixels},
    {113, kMarkSize, kMarkSize, PI_COUNT_OF(kPalette), kPalette, kUnlockedMark.pixels},
    {114, kMarkSize, kMarkSize, PI_COUNT_OF(kPalette), kPalette, kLockedMark.pixels},
};

}  // namespace

const PIResourceTable kFramewickResources = {nullptr, 0, kBitmaps, PI_COUNT_OF(kBitmaps), nullptr, 0};

}  // namespace Zentu
