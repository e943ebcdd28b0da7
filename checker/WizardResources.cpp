// The verdict dialog's two templates (the taller one leaves room for the
// workflow lines) and its three pictures, ours, drawn here at compile time:
// a figure giving thumbs up, giving thumbs down, and raising an open hand.
#include "checker/WizardDlgADM.h"

namespace Zentu {
namespace {

// The same items in both, placed apart.
const PIDialogItemTemplate kItems[] = {
    {1007, kPIItemPushButton, "&Fix all", 135, 155, 50, 14, kPIItemDisabled},
    {1008, kPIItemPushButton, "&Details...", 75, 155, 50, 14, kPIItemDisabled},
    {1024, kPIItemPushButton, "&Report...", 75, 175, 50, 14, kPIItemDisabled},
    {1, kPIItemPushButton, "&Close", 200, 175, 50, 14, kPIItemDefault},
    {1010, kPIItemStatic, "", 135, 15, 116, 135, 0},
    {1013, kPIItemPicture, "", 7, 7, 119, 146, 0},
    {1009, kPIItemPushButton, "&Save", 135, 175, 50, 14, kPIItemDisabled},
    {1027, kPIItemPushButton, "Se&ttings...", 10, 175, 50, 14, kPIItemDisabled},
};
const PIDialogItemTemplate kWorkflowItems[] = {
    {1007, kPIItemPushButton, "&Fix all", 196, 175, 50, 14, kPIItemDisabled},
    {1008, kPIItemPushButton, "&Details...", 103, 175, 50, 14, kPIItemDisabled},
    {1024, kPIItemPushButton, "&Report...", 103, 195, 50, 14, kPIItemDisabled},
    {1, kPIItemPushButton, "&Close", 289, 195, 50, 14, kPIItemDefault},
    {1010, kPIItemStatic, "", 133, 10, 212, 155, 0},
    {1013, kPIItemPicture, "", 5, 15, 119, 146, 0},
    {1009, kPIItemPushButton, "&Save", 196, 195, 50, 14, kPIItemDisabled},
    {1027, kPIItemPushButton, "Se&ttings...", 10, 195, 50, 14, kPIItemDisabled},
};

const char kTitle[] = "Zentu PDF/X Corvane";
const PIDialogTemplate kTemplates[] = {
    {WizardDlgADM::kResource, kTitle, 262, 197, "MS Sans Serif", 8, kItems, PI_COUNT_OF(kItems)},
    {WizardDlgADM::kWorkflowResource, kTitle, 352, 215, "MS Sans Serif", 8, kWorkflowItems,
     PI_COUNT_OF(kWorkflowItems)},
};

// 256 colours: a few named ones, then a ramp of sky blues for the ground.
enum : ASUns8 { kOutline = 0, kSkin = 1, kShirt = 2, kUp = 3, kDown = 4, kHalt = 5, kGround = 16 };
struct Palette {
  ASUns32 colours[256];
};
constexpr Palette MakePalette() {
  Palette p{};
  p.colours[kOutline] = 0x202020;
  p.colours[kSkin] = 0xF0C090;
  p.colours[kShirt] = 0x3060A0;
  p.colours[kUp] = 0x20A040;
  p.colours[kDown] = 0xC03020;
  p.colours[kHalt] = 0xE0A010;
  for (int i = kGround; i < 256; ++i) {
    ASUns32 level = static_cast<ASUns32>(255 - (i - kGround) / 3);
    p.colours[i] = (level * 3 / 4) << 16 | (level * 7 / 8) << 8 | level;
  }
  return p;
}
constexpr Palette kPalette = MakePalette();

const int kWidth = 186, kHeight = 237;
struct Picture {
  ASUns8 pixels[kWidth * kHeight];
};

constexpr bool InCircle(int x, int y, int cx, int cy, int r) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; }
constexpr bool InBox(int x, int y, int left, int top, int right, int bottom) {
  return x >= left && x <= right && y >= top && y <= bottom;
}

// Level 1: thumb up beside the figure; 2: thumb down; 3: an open hand
// raised with five fingers. The band behind the hand tells them apart too.
constexpr Picture Draw(int level) {
  Picture p{};
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      ASUns8 colour = static_cast<ASUns8>(kGround + y * (256 - kGround - 1) / kHeight);
      bool head = InCircle(x, y, 70, 55, 26);
      bool body = InBox(x, y, 45, 85, 95, 215);
      bool arm = false, hand = false, sign = false;
      if (level == 3) {
        arm = InBox(x, y, 95, 60, 112, 120);
        hand = InBox(x, y, 100, 30, 150, 62) || (y >= 8 && y < 30 && x >= 100 && x < 150 && (x - 100) % 10 < 7);
        sign = InCircle(x, y, 125, 45, 40);
      } else {
        const bool up = level == 1;
        arm = InBox(x, y, 95, 110, 140, 126);
        hand = InBox(x, y, 130, 100, 160, 135) || (up ? InBox(x, y, 138, 65, 150, 100) : InBox(x, y, 138, 135, 150, 170));
        sign = InCircle(x, y, 145, up ? 95 : 140, 38);
      }
      bool edge = head && !InCircle(x, y, 70, 55, 24);
      if (sign) colour = level == 1 ? kUp : level == 2 ? kDown : kHalt;
      if (body || arm) colour = kShirt;
      if (hand || head) colour = kSkin;
      if (edge) colour = kOutline;
      p.pixels[y * kWidth + x] = colour;
    }
  return p;
}

constexpr Picture kThumbsUp = Draw(1);
constexpr Picture kThumbsDown = Draw(2);
constexpr Picture kRaisedHand = Draw(3);

const PIBitmapResource kBitmaps[] = {
    {WizardDlgADM::kGoodPicture, kWidth, kHeight, 256, kPalette.colours, kThumbsUp.pixels},
    {WizardDlgADM::kBadPicture, kWidth, kHeight, 256, kPalette.colours, kThumbsDown.pixels},
    {WizardDlgADM::kWorkflowPicture, kWidth, kHeight, 256, kPalette.colours, kRaisedHand.pixels},
};

}  // namespace

const PIResourceTable kWizardResources = {kTemplates, PI_COUNT_OF(kTemplates), kBitmaps, PI_COUNT_OF(kBitmaps),
                                          nullptr, 0};

}  // namespace Zentu
