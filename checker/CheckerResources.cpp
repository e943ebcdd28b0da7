// The checker's own resources: the progress dialog's template.
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

}  // namespace

const PIResourceTable kCheckerResources = {kTemplates, PI_COUNT_OF(kTemplates), nullptr, 0, nullptr, 0};

}  // namespace Zentu
