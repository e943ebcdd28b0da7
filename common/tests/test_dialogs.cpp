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

const PIDialogItemTemplate kLists[] = {
    {1, kPIItemPushButton, "OK", 200, 90, 50, 14, kPIItemDefault},
    {2, kPIItemPushButton, "Cancel", 200, 107, 50, 14, 0},
    {1001, kPIItemListBox, "", 7, 7, 120, 60, 0},
    {1002, kPIItemScrollbar, "", 130, 7, 10, 60, 0},
    {1003, kPIItemPopupList, "", 7, 75, 80, 12, 0},
    {1004, kPIItemStatic, "", 7, 92, 180, 10, 0},
};
// The item map's: frames, check boxes and their dependants, a pop-up, a
// text, and buttons of every width.
const PIDialogItemTemplate kItemMap[] = {
    {1021, kPIItemFrame, "", 5, 5, 150, 70, 0},
    {1010, kPIItemCheckBox, "Master", 10, 10, 60, 10, 0},
    {1011, kPIItemCheckBox, "Inverse", 10, 22, 60, 10, kPIItemOn},
    {1012, kPIItemEdit, "", 80, 10, 60, 12, 0},
    {1013, kPIItemEdit, "", 80, 22, 60, 12, 0},
    {1014, kPIItemEdit, "", 80, 34, 60, 12, 0},
    {1015, kPIItemPopupList, "", 10, 48, 80, 12, 0},
    {1016, kPIItemStatic, "short", 10, 62, 140, 8, 0},
    {1022, kPIItemFrame, "", 160, 5, 40, 70, 0},
    {1, kPIItemPushButton, "OK", 7, 80, 50, 14, kPIItemDefault},
    {2, kPIItemPushButton, "Cancel", 60, 80, 50, 14, 0},
    {1020, kPIItemPushButton, "Ten chars!", 113, 80, 34, 14, 0},
};
const PIDialogItemTemplate kPaletteItems[] = {
    {5, kPIItemStatic, "Target", 7, 7, 40, 10, 0},
    {6, kPIItemPushButton, "Color", 7, 20, 50, 14, 0},
};
const PIDialogItemTemplate kWork[] = {
    {1015, kPIItemStatic, "", 7, 7, 172, 20, 0},
    {1009, kPIItemProgressBar, "", 7, 34, 172, 14, 0},
    {1, kPIItemPushButton, "Cancel", 67, 63, 50, 14, 0},
    {3, kPIItemPushButton, "Count", 7, 63, 50, 14, 0},
};

const PIDialogTemplate kDialogs[] = {
    {900, "Test dialog", 186, 60, "MS Sans Serif", 8, kModal, PI_COUNT_OF(kModal)},
    {901, "Working", 120, 40, "MS Sans Serif", 8, kModeless, PI_COUNT_OF(kModeless)},
    {902, "Opener", 170, 30, "MS Sans Serif", 8, kOpener, PI_COUNT_OF(kOpener)},
    {903, "Throws", 170, 30, "MS Sans Serif", 8, kOpener, 2},
    {904, "Disabled", 170, 30, "MS Sans Serif", 8, kDisabled, PI_COUNT_OF(kDisabled)},
    {905, "Twins", 170, 45, "MS Sans Serif", 8, kTwins, PI_COUNT_OF(kTwins)},
    {906, "Lists", 260, 125, "MS Sans Serif", 8, kLists, PI_COUNT_OF(kLists)},
    {907, "Item map", 210, 100, "MS Sans Serif", 8, kItemMap, PI_COUNT_OF(kItemMap)},
    {908, "Working", 186, 84, "MS Sans Serif", 8, kWork, PI_COUNT_OF(kWork)},
    {909, "Palette", 120, 40, "MS Sans Serif", 8, kPaletteItems, PI_COUNT_OF(kPaletteItems)},
};

const ASUns32 kPalette[] = {0x000000, 0xFFFFFF};
const ASUns8 kPixels[100] = {1};
const PIBitmapResource kBitmaps[] = {{150, 10, 10, 2, kPalette, kPixels}};

// The scrollbar of 906, with a notify procedure of its own.
class Scrollbar : public BaseADMItem {
 public:
  Scrollbar(ADMItemRef item, ListDialog* dialog) : BaseADMItem(item, dialog), dialog_(dialog) {}
  void Notify(ADMNotifierRef notifier) override {
    for (const char* type : {ADM_NOTIFY_INTERMEDIATE_CHANGED, ADM_NOTIFY_USER_CHANGED})
      if (ADMNotifier::IsNotifierType(notifier, type))
        dialog_->Heard(std::string(type == std::string(ADM_NOTIFY_USER_CHANGED) ? "user " : "intermediate ") +
                       std::to_string(ADMItem::GetIntValue(item_)));
    BaseADMItem::Notify(notifier);
  }

 private:
  ListDialog* dialog_;
};

void DrawEntry(ADMEntryRef entry, ADMDrawerRef drawer) {
  ADMRect bounds{};
  ADMDrawer::GetBoundsRect(drawer, &bounds);
  char text[64];
  ADMEntry::GetText(entry, text, sizeof text);
  const struct {
    ASInt32 left, right;
    std::string text;
  } cells[] = {{0, 60, text},
               {60, 120, ADMEntry::IsSelected(entry) ? "selected" : ""},
               {120, 150, std::to_string(ADMEntry::GetID(entry))},
               {bounds.right + 10, bounds.right + 60, "hidden"}};
  for (auto& cell : cells) {
    ADMRect box{cell.left, 0, cell.right, bounds.bottom};
    ADMDrawer::DrawTextInBox(drawer, &box, cell.text.c_str(), 0);
  }
}

void Fill(ADMItemRef item, std::initializer_list<const char*> texts) {
  ADMListRef list = ADMItem::GetList(item);
  ASInt32 id = 1;
  for (const char* text : texts) {
    ADMEntryRef entry = ADMList::InsertEntry(list, -1);
    ADMEntry::SetText(entry, text);
    ADMEntry::SetID(entry, id++);
  }
}

}  // namespace

const PIResourceTable kTestDialogResources = {kDialogs, PI_COUNT_OF(kDialogs), kBitmaps, PI_COUNT_OF(kBitmaps), nullptr, 0};

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

// Lists ----------------------------------------------------------------------------
void ListDialog::InitSelf() {
  AcroADMDialog::InitSelf();
  ADMItemRef box = ADMDialog::GetItem(dialog_, 1001);
  Fill(box, {"alpha", "beta", "gamma"});
  ADMList::SetDrawProc(ADMItem::GetList(box), &DrawEntry);
  ADMItemRef bar = ADMDialog::GetItem(dialog_, 1002);
  ADMItem::SetMaxIntValue(bar, 100);
  new Scrollbar(bar, this);  // its item deletes it
  Fill(ADMDialog::GetItem(dialog_, 1003), {"red", "green", "blue", "green"});
  SetItemChoice(1003, "green", true);
}

void ListDialog::Notify(ADMNotifierRef notifier) {
  if (ADMNotifier::GetItem(notifier) == ADMDialog::GetItem(dialog_, 1003) &&
      ADMNotifier::IsNotifierType(notifier, ADM_NOTIFY_USER_CHANGED))
    Heard("chose " + GetItemValue(1003));
  AcroADMDialog::Notify(notifier);
}

void ListDialog::Heard(const std::string& what) {
  heard.push_back(what);
  std::string line;
  for (auto& h : heard) line += (line.empty() ? "" : "; ") + h;
  SetItemText(1004, line);
}

// Work -----------------------------------------------------------------------------
void WorkDialog::InitSelf() {
  AcroADMDialog::InitSelf();
  ADMItem::SetMaxIntValue(ADMDialog::GetItem(dialog_, 1009), 10);
}

void WorkDialog::Notify(ADMNotifierRef notifier) {
  ADMItemRef item = ADMNotifier::GetItem(notifier);
  bool press = item && ADMNotifier::IsNotifierType(notifier, ADM_NOTIFY_USER_CHANGED);
  if (press && report > 0 && report <= static_cast<int>(presses.size())) {
    ++presses[static_cast<size_t>(report - 1)];
  } else if (press && item == ADMDialog::GetItem(dialog_, 1) && onCancel) {
    onCancel();  // may destroy the dialog, and this object
    return;
  }
  AcroADMDialog::Notify(notifier);
}

std::string WorkDialog::Work() {
  presses.assign(10, 0);
  for (report = 1; report <= 10; ++report) {
    SetItemText(1015, "Report " + std::to_string(report) + " of 10");
    ADMItem::SetIntValue(ADMDialog::GetItem(dialog_, 1009), report);
    for (int taken = 0; taken < 5; ++taken) {
      WinMsg message{};
      if (!WinPeekMessage(&message, nullptr, 0, 0, winPeekRemove)) break;
      WinTranslateMessage(&message);
      WinDispatchMessage(&message);
    }
  }
  report = 0;
  std::string out = "10 reports; presses per report:";
  for (int n : presses) out += " " + std::to_string(n);
  return out;
}
