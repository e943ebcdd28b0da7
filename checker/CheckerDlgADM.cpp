#include "checker/CheckerDlgADM.h"

#include "common/ADMSuites.h"
#include "common/AcrobatException.h"
#include "common/CommonDialogs.h"
#include "host/frame.h"

namespace Zentu {
namespace {

// A report handles at most this many window messages, so it never blocks
// for long and the walk goes on between reports.
const int kMessagesPerReport = 5;
// The style bit of a smooth progress bar.
const ASInt32 kSmoothBar = 0x1;

}  // namespace

std::string CheckerDlgADM::Name() { return DialogNamePrefix() + ":CheckerDlgADM"; }

ASInt32 CheckerDlgADM::DoModal() { return Modal(gADMPluginRef, Name().c_str(), kResource, 0, 0); }

ADMDialogRef CheckerDlgADM::DoModeless() { return Create(gADMPluginRef, Name().c_str(), kResource, 2, 0); }

void CheckerDlgADM::InitSelf() {
  HostRegionResult r = HostRegion([this] {
    ADMItemRef placeholder = ADMDialog::GetItem(dialog_, kBarItem);
    ADMRect bounds{};
    ADMItem::GetBoundsRect(placeholder, &bounds);
    ADMItem::Destroy(placeholder);
    bar_ = ADMDialog::CreateItem(dialog_, kBarItem, ADM_ITEM_PROGRESS_BAR, &bounds, nullptr, nullptr, 0);
    ADMItem::SetMinIntValue(bar_, 0);
    WinWindow window = ADMItem::GetWindowRef(bar_);
    WinSetWindowWord(window, winWordStyle, WinGetWindowWord(window, winWordStyle) | kSmoothBar);
    SetWaitCursor(true);
  });
  if (r.raised) throw AcrobatException(0, r.code, "CheckerDlgADM::InitSelf()");
}

void CheckerDlgADM::DestroySelf() { SetWaitCursor(false); }

void CheckerDlgADM::Notify(ADMNotifierRef notifier) {
  if (ADMNotifier::IsNotifierType(notifier, ADM_NOTIFY_USER_CHANGED)) {
    ADMItemRef item = ADMNotifier::GetItem(notifier);
    if (item && ADMItem::GetID(item) == kCancelItem) cancelled_ = true;
  }
  AcroADMDialog::Notify(notifier);
}

long CheckerDlgADM::Progress(const std::string& text, long value, long max) {
  if (cancelled_) return -1;
  if (max > 0 && max != lastMax_) {
    ADMItem::SetMaxIntValue(bar_, static_cast<ASInt32>(max));
    lastMax_ = max;
  }
  if (value >= 0 && value != lastValue_) {
    ADMItem::SetIntValue(bar_, static_cast<ASInt32>(value));
    lastValue_ = value;
  }
  if (text != lastText_) {
    ADMItemSetText(ADMDialog::GetItem(dialog_, kTextItem), text.c_str(), kASTextEncodingByte);
    lastText_ = text;
  }
  for (int handled = 0; handled < kMessagesPerReport; ++handled) {
    WinMsg message{};
    if (!WinPeekMessage(&message, nullptr, 0, 0, winPeekRemove)) break;
    WinTranslateMessage(&message);
    WinDispatchMessage(&message);
  }
  // A cancel the pump just delivered is answered by the next report.
  return 0;
}

}  // namespace Zentu
