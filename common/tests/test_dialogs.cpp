#include "test_dialogs.h"

#include "common/ADMSuites.h"
#include "common/AcrobatException.h"
#include "host/errors.h"

namespace {

const PIDialogItemTemplate kModal[] = {
    {1, kPIItemPushButton, "OK", 130, 7, 50, 14, kPIItemDefault},
    {2, kPIItemPushButton, "Cancel", 130, 24, 50, 14, 0},
    {-1, kPIItemStatic, "Name:", 7, 9, 30, 8, 0},
    {901, kPIItemEdit, "", 40, 7, 80, 12, 0},
    {-1, kPIItemStatic, "Options", 7, 30, 40, 8, 0},
    {902, kPIItemCheckBox, "Valid", 40, 30, 60, 10, 0},
};
const PIDialogItemTemplate kModeless[] = {
    {-1, kPIItemStatic, "Working", 7, 7, 100, 8, 0},
    {3, kPIItemPushButton, "Stop", 7, 20, 50, 14, 0},
};
const PIDialogItemTemplate kOpener[] = {
    {1, kPIItemPushButton, "OK", 7, 7, 50, 14, kPIItemDefault},
    {2, kPIItemPushButton, "Cancel", 60, 7, 50, 14, 0},
    {3, kPIItemPushButton, "&Open", 113, 7, 50, 14, 0},
};
const PIDialogItemTemplate kDisabled[] = {
    {1, kPIItemPushButton, "OK", 7, 7, 50, 14, kPIItemDefault},
    {2, kPIItemPushButton, "Cancel", 60, 7, 50, 14, 0},
    {3, kPIItemPushButton, "Off", 113, 7, 50, 14, kPIItemDisabled},
};

const PIDialogItemTemplate kTwins[] = {
    {1, kPIItemPushButton, "OK", 7, 7, 50, 14, kPIItemDefault},
    {2, kPIItemPushButton, "Cancel", 60, 7, 50, 14, 0},
    {3, kPIItemPushButton, "&Same", 7, 24, 50, 14, 0},
    {4, kPIItemPushButton, "Sa&me", 60, 24, 50, 14, 0},
};

const PIDialogTemplate kDialogs[] = {
    {900, "Test dialog", 186, 60, "MS Sans Serif", 8, kModal, PI_COUNT_OF(kModal)},
    {901, "Working", 120, 40, "MS Sans Serif", 8, kModeless, PI_COUNT_OF(kModeless)},
    {902, "Opener", 170, 30, "MS Sans Serif", 8, kOpener, PI_COUNT_OF(kOpener)},
    {903, "Throws", 170, 30, "MS Sans Serif", 8, kOpener, 2},
    {904, "Disabled", 170, 30, "MS Sans Serif", 8, kDisabled, PI_COUNT_OF(kDisabled)},
    {905, "Twins", 170, 45, "MS Sans Serif", 8, kTwins, PI_COUNT_OF(kTwins)},
};

}  // namespace

const PIResourceTable kTestDialogResources = {kDialogs, PI_COUNT_OF(kDialogs), nullptr, 0, nullptr, 0};

void TestDialog::InitSelf() {
  ++inits;
  if (number == 903) throw Zentu::AcrobatException(0, genErrGeneral, "TestDialog::InitSelf()");
  if (onInit) onInit(*this);
}

bool TestDialog::Validate() {
  ADMItemRef valid = ADMDialog::GetItem(dialog_, 902);
  return !valid || ADMItem::GetBooleanValue(valid);
}

void TestDialog::Notify(ADMNotifierRef notifier) {
  CAcroADMDialog::Notify(notifier);
  ADMItemRef item = ADMNotifier::GetItem(notifier);
  if (number == 902 && item == ADMDialog::GetItem(dialog_, 3) &&
      ADMNotifier::IsNotifierType(notifier, ADM_NOTIFY_USER_CHANGED)) {
    TestDialog inner(900);
    innerResult = inner.Run();
  }
  // Last: the hook may destroy the dialog, and with it this object.
  if (auto hook = onNotify) hook(*this, notifier);
}
