// The page-box editor's own resources: the boxes palette's template, and
// the toolbar icon, drawn here at compile time (ours): a page with a dashed
// trim frame inside it, on grey for hosts from 6 (101) and on silver for the
// older ones (121); the grouping cell's icons (ours too): the anchor (112),
// an open lock (113) and a closed one (114).
#include "pageboxes/FramewickPlugIn.h"

namespace Zentu {
namespace {

// The boxes palette: the specification line on top, the column headings,
// two rows (the palette copies row 2 one row spacing further down for
// each further box) and the buttons below the last row, which the palette
// moves down with the rows it adds.
const PIDialogItemTemplate kBoxesItems[] = {
    {1038, kPIItemStatic, "Spec:  Custom", 7, 6, 240, 8, 0},
    {1037, kPIItemPushButton, "->", 252, 4, 20, 12, 0},
    {1072, kPIItemStatic, "Grouping", 58, 22, 32, 8, 0},
    {1073, kPIItemStatic, "Color", 92, 22, 20, 8, 0},
    {1001, kPIItemStatic, "X", 114, 22, 34, 8, 0},
    {1002, kPIItemStatic, "Y", 152, 22, 34, 8, 0},
    {1003, kPIItemStatic, "W", 190, 22, 34, 8, 0},
    {1004, kPIItemStatic, "H", 228, 22, 34, 8, 0},
    {1029, kPIItemCheckBox, "Bleed", 7, 34, 48, 10, 0},
    {1031, kPIItemStatic, "", 58, 33, 32, 12, 0},
    {1033, kPIItemStatic, "", 94, 33, 16, 12, 0},
    {1009, kPIItemEdit, "", 114, 33, 34, 12, 0},
    {1010, kPIItemEdit, "", 152, 33, 34, 12, 0},
    {1011, kPIItemEdit, "", 190, 33, 34, 12, 0},
    {1012, kPIItemEdit, "", 228, 33, 34, 12, 0},
    {1021, kPIItemStatic, "mm", 264, 35, 14, 8, 0},
    {1030, kPIItemCheckBox, "Art/Live", 7, 50, 48, 10, 0},
    {1032, kPIItemStatic, "", 58, 49, 32, 12, 0},
    {1034, kPIItemStatic, "", 94, 49, 16, 12, 0},
    {1013, kPIItemEdit, "", 114, 49, 34, 12, 0},
    {1014, kPIItemEdit, "", 152, 49, 34, 12, 0},
    {1015, kPIItemEdit, "", 190, 49, 34, 12, 0},
    {1016, kPIItemEdit, "", 228, 49, 34, 12, 0},
    {1022, kPIItemStatic, "mm", 264, 51, 14, 8, 0},
    {1027, kPIItemPushButton, "Apply", 7, 68, 50, 14, 0},
    {1028, kPIItemPushButton, "Reset", 63, 68, 50, 14, 0},
    {1036, kPIItemPushButton, "Library...", 119, 68, 50, 14, 0},
};

// The library: the hierarchy of publications and specifications, the two
// names, and rows for the bleed and trim boxes (the art row is copied).
const PIDialogItemTemplate kLibraryItems[] = {
    {1039, kPIItemHierarchyList, "Hierarchy", 7, 7, 130, 118, 0},
    {1052, kPIItemPushButton, "Add publ.", 7, 131, 40, 14, 0},
    {1036, kPIItemPushButton, "Add spec.", 51, 131, 40, 14, 0},
    {1053, kPIItemPushButton, "Delete", 95, 131, 40, 14, 0},
    {-1, kPIItemStatic, "Publication:", 145, 7, 80, 8, 0},
    {1055, kPIItemEdit, "", 145, 17, 150, 12, 0},
    {-1, kPIItemStatic, "Specification:", 145, 33, 80, 8, 0},
    {1056, kPIItemEdit, "", 145, 43, 150, 12, 0},
    {-1, kPIItemStatic, "Grouping", 190, 61, 30, 8, 0},
    {1051, kPIItemStatic, "W", 224, 61, 32, 8, 0},
    {1050, kPIItemStatic, "H", 259, 61, 32, 8, 0},
    {1040, kPIItemCheckBox, "Bleed", 145, 73, 42, 10, 0},
    {1041, kPIItemStatic, "", 190, 72, 30, 12, 0},
    {1042, kPIItemEdit, "", 224, 72, 32, 12, 0},
    {1043, kPIItemEdit, "", 259, 72, 32, 12, 0},
    {1044, kPIItemStatic, "in", 294, 74, 10, 8, 0},
    {1045, kPIItemCheckBox, "Art/Live", 145, 89, 42, 10, 0},
    {1046, kPIItemStatic, "", 190, 88, 30, 12, 0},
    {1047, kPIItemEdit, "", 224, 88, 32, 12, 0},
    {1048, kPIItemEdit, "", 259, 88, 32, 12, 0},
    {1049, kPIItemStatic, "in", 294, 90, 10, 8, 0},
    {1, kPIItemPushButton, "Use", 200, 131, 50, 14, kPIItemDefault},
    {2, kPIItemPushButton, "Cancel", 255, 131, 50, 14, 0},
};

const PIDialogTemplate kTemplates[] = {
    {102, "Specifications", 284, 88, "MS Sans Serif", 8, kBoxesItems, PI_COUNT_OF(kBoxesItems)},
    {110, "Box Specifications", 312, 152, "MS Sans Serif", 8, kLibraryItems, PI_COUNT_OF(kLibraryItems)},
};

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
    {112, kMarkSize, kMarkSize, PI_COUNT_OF(kPalette), kPalette, kAnchorMark.pixels, "Zent_Framewick_Anchor"},
    {113, kMarkSize, kMarkSize, PI_COUNT_OF(kPalette), kPalette, kUnlockedMark.pixels, "Zent_Framewick_Unlocked"},
    {114, kMarkSize, kMarkSize, PI_COUNT_OF(kPalette), kPalette, kLockedMark.pixels, "Zent_Framewick_Locked"},
};

}  // namespace

const PIResourceTable kFramewickResources = {kTemplates, PI_COUNT_OF(kTemplates), kBitmaps, PI_COUNT_OF(kBitmaps),
                                             nullptr, 0};

}  // namespace Zentu
