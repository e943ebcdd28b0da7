// The checker's own resources: the progress and details dialogs' templates and the two
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

const PIDialogItemTemplate kDetailsItems[] = {
    {1, kPIItemPushButton, "OK", 316, 209, 50, 14, kPIItemDefault},
    {1001, kPIItemStatic, "", 7, 5, 359, 196, 0},
    {1003, kPIItemPushButton, "&Fix Item", 71, 210, 50, 14, kPIItemDisabled},
    {1004, kPIItemPushButton, "Fix &All Errors", 7, 210, 50, 14, kPIItemDisabled},
    {1024, kPIItemPushButton, "&Report...", 135, 210, 50, 14, 0},
    {1027, kPIItemPushButton, "&Settings...", 200, 210, 50, 14, 0},
};

// The preferences; the workflow frame's title is blank under its check box.
const PIDialogItemTemplate kPreferencesItems[] = {
    {-1, kPIItemStatic, "&Conformance level:", 7, 9, 70, 8, 0},
    {1026, kPIItemPopupList, "", 80, 7, 130, 12, 0},
    {-1, kPIItemFrame, "Characterized Printing Condition", 7, 24, 286, 80, 0},
    {1056, kPIItemRadioButton, "Registered name", 14, 36, 72, 10, 0},
    {1028, kPIItemPopupList, "", 90, 34, 196, 12, 0},
    {1057, kPIItemRadioButton, "ICC profile", 14, 52, 72, 10, 0},
    {1031, kPIItemPopupList, "", 90, 50, 150, 12, 0},
    {1042, kPIItemPushButton, "Browse...", 244, 49, 42, 14, 0},
    {-1, kPIItemStatic, "Description", 14, 68, 72, 8, 0},
    {1043, kPIItemEdit, "", 90, 66, 196, 12, 0},
    {1029, kPIItemCheckBox, "Fail if not default", 14, 86, 100, 10, 0},
    {1030, kPIItemCheckBox, "Automatically fix", 120, 86, 100, 10, 0},
    {1044, kPIItemFrame, "Default Color Spaces", 7, 108, 286, 62, 0},
    {1045, kPIItemStatic, "Gray profile", 14, 122, 60, 8, 0},
    {1046, kPIItemPopupList, "", 80, 120, 160, 12, 0},
    {1047, kPIItemPushButton, "Browse...", 244, 119, 42, 14, 0},
    {1048, kPIItemStatic, "RGB profile", 14, 138, 60, 8, 0},
    {1049, kPIItemPopupList, "", 80, 136, 160, 12, 0},
    {1050, kPIItemPushButton, "Browse...", 244, 135, 42, 14, 0},
    {1051, kPIItemStatic, "CMYK profile", 14, 154, 60, 8, 0},
    {1052, kPIItemPopupList, "", 80, 152, 160, 12, 0},
    {1053, kPIItemPushButton, "Browse...", 244, 151, 42, 14, 0},
    {-1, kPIItemFrame, "                                                     ", 7, 178, 286, 90, 0},
    {1032, kPIItemCheckBox, "PDF/X Plus Workflow Checks", 14, 177, 110, 10, 0},
    {1033, kPIItemCheckBox, "Allow JPEG Compression", 14, 192, 120, 10, 0},
    {1034, kPIItemCheckBox, "Type 1 fonts only", 150, 192, 120, 10, 0},
    {1035, kPIItemCheckBox, "Color and gray images must be between", 14, 208, 140, 10, 0},
    {1036, kPIItemEdit, "", 158, 207, 30, 12, 0},
    {-1, kPIItemStatic, "and", 192, 209, 16, 8, 0},
    {1037, kPIItemEdit, "", 210, 207, 30, 12, 0},
    {-1, kPIItemStatic, "dpi", 244, 209, 16, 8, 0},
    {1038, kPIItemCheckBox, "Bitmap images must be between", 14, 226, 140, 10, 0},
    {1054, kPIItemEdit, "", 158, 225, 30, 12, 0},
    {-1, kPIItemStatic, "and", 192, 227, 16, 8, 0},
    {1055, kPIItemEdit, "", 210, 225, 30, 12, 0},
    {-1, kPIItemStatic, "dpi", 244, 227, 16, 8, 0},
    {-1, kPIItemStatic, "Allow", 14, 246, 22, 8, 0},
    {1039, kPIItemEdit, "", 40, 244, 30, 12, 0},
    {-1, kPIItemStatic, "spot colors", 74, 246, 50, 8, 0},
    {1, kPIItemPushButton, "OK", 186, 274, 50, 14, kPIItemDefault},
    {2, kPIItemPushButton, "Cancel", 243, 274, 50, 14, 0},
};

const PIDialogTemplate kTemplates[] = {
    {133, "Zentu PDF/X Corvane Progress", 186, 84, "MS Sans Serif", 8, kProgressItems, PI_COUNT_OF(kProgressItems)},
    {134, "Zentu PDF/X Corvane details", 374, 230, "MS Sans Serif", 8, kDetailsItems, PI_COUNT_OF(kDetailsItems)},
    {135, "Preferences", 300, 295, "MS Sans Serif", 8, kPreferencesItems, PI_COUNT_OF(kPreferencesItems)},
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
