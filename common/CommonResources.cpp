// The common library's resources: the About and string-entry templates and
// the About's two pictures. The pictures are ours, drawn here at compile
// time; each is of another size than its item, which takes the bitmap's.
#include "common/CommonDialogs.h"

namespace Zentu {
namespace {

const PIDialogItemTemplate kAboutItems[] = {
    {1020, kPIItemPicture, "", 7, 7, 110, 70, 0},
    {1023, kPIItemStatic,
     "Zentu PDF/X Corvane checks PDF files for print exchange.\nCopyright Zentu; all rights reserved.", 125, 7, 280,
     60, 0},
    {1018, kPIItemPicture, "", 7, 92, 30, 30, 0},
    {1, kPIItemPushButton, "OK", 355, 117, 50, 14, kPIItemDefault},
};

const PIDialogItemTemplate kStringEntryItems[] = {
    {1006, kPIItemStatic, "Description", 7, 7, 172, 10, 0},
    {1005, kPIItemEdit, "", 7, 20, 172, 14, 0},
    {1, kPIItemPushButton, "OK", 75, 45, 50, 14, kPIItemDefault},
    {2, kPIItemPushButton, "Cancel", 129, 45, 50, 14, 0},
};

const PIDialogTemplate kTemplates[] = {
    {132, "About Zentu PDF/X Corvane", 412, 138, "MS Sans Serif", 8, kAboutItems, PI_COUNT_OF(kAboutItems)},
    {136, "Please enter the requested string", 186, 66, "MS Sans Serif", 8, kStringEntryItems,
     PI_COUNT_OF(kStringEntryItems)},
};

const ASUns32 kPalette[] = {0xFFFFFF, 0x1F3A5F, 0x4F8FC0, 0xC0C0C0};

// A framed "Z" on a grey ground.
template <int W, int H>
struct Picture {
  ASUns8 pixels[W * H];
};

template <int W, int H>
constexpr Picture<W, H> Draw() {
  Picture<W, H> p{};
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      bool frame = x == 0 || y == 0 || x == W - 1 || y == H - 1;
      bool bar = y >= H / 5 && y < H / 5 + H / 10;
      bool foot = y >= H - H / 5 - H / 10 && y < H - H / 5;
      int diagonal = (H - 1 - y) * W / H;
      bool stroke = y >= H / 5 && y < H - H / 5 && x >= diagonal - W / 12 && x <= diagonal + W / 12;
      bool inside = x >= W / 6 && x < W - W / 6;
      p.pixels[y * W + x] = frame ? 1 : inside && (bar || foot || stroke) ? 2 : 3;
    }
  return p;
}

constexpr auto kSmall = Draw<32, 32>();
constexpr auto kLarge = Draw<128, 80>();

const PIBitmapResource kBitmaps[] = {
    {107, 32, 32, PI_COUNT_OF(kPalette), kPalette, kSmall.pixels},
    {123, 128, 80, PI_COUNT_OF(kPalette), kPalette, kLarge.pixels},
};

// The version the common About box shows, which a plug-in without one of its
// own tells plughost --version.
const char kVersion[] = "3.01";
const PIBinaryResource kBinaries[] = {{"VERSION", 1, kVersion, sizeof kVersion - 1}};

}  // namespace

const PIResourceTable kCommonResources = {kTemplates, PI_COUNT_OF(kTemplates), kBitmaps, PI_COUNT_OF(kBitmaps),
                                          kBinaries, PI_COUNT_OF(kBinaries)};

}  // namespace Zentu
