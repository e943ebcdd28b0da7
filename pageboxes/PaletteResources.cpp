// The templates of the Orb/K palette (117) and of the fonts-and-colours
// palettes (118, which each titles by its mode).
#include "pageboxes/FramewickPlugIn.h"

namespace Zentu {
namespace {

// The labels and values start empty and narrow: the palette fits them to
// their text and grows with them.
const PIDialogItemTemplate kOrbKItems[] = {
    {1063, kPIItemCheckBox, "Enable Orb/K mode", 7, 6, 100, 10, 0},
    {1074, kPIItemStaticMultiLine, "", 7, 22, 8, 8, 0},
    {1075, kPIItemStaticMultiLine, "", 20, 22, 8, 8, 0},
};

const PIDialogItemTemplate kResourceItems[] = {
    {1064, kPIItemHierarchyList, "", 5, 5, 100, 65, 0},
};

const PIDialogTemplate kTemplates[] = {
    {117, "Orb/K", 120, 40, "MS Sans Serif", 8, kOrbKItems, PI_COUNT_OF(kOrbKItems)},
    {118, "Fonts", 110, 75, "MS Sans Serif", 12, kResourceItems, PI_COUNT_OF(kResourceItems)},
};

}  // namespace

const PIResourceTable kPaletteResources = {kTemplates, PI_COUNT_OF(kTemplates), nullptr, 0, nullptr, 0};

}  // namespace Zentu
