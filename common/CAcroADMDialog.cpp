#include "common/CAcroADMDialog.h"

#include <algorithm>

#include "common/ADMSuites.h"
#include "common/HostCall.h"
#include "host/errors.h"
#include "host/piglue.h"

namespace {

const ASInt32 kBusyCursor = 1112;
const ASInt32 kArrowCursor = 0;
const char kHostSuiteName[] = "ADM Host Suite";
const ASInt32 kHostSuiteVersion = 6;

// The host window's cursor adjustment: the dialog manager sets the cursor.
void AdjustCursor() {}

void SetCursor(ASInt32 id) {
  HostCallQuietly([id] { AVSysSetCursor(AVSysGetStandardCursor(id)); });
}

bool IsEmpty(const ADMRect& r) { return r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0; }

}  // namespace

// The OK button -------------------------------------------------------------------
CAcroADMDialogOKButtonItem::CAcroADMDialogOKButtonItem(ADMItemRef item, CAcroADMDialog* dialog)
    : BaseADMItem(item, dialog), dialog_(dialog) {}

void CAcroADMDialogOKButtonItem::Notify(ADMNotifierRef notifier) {
  // A press that does not validate is swallowed: the dialog stays open.
  if (ADMNotifier::IsNotifierType(notifier, ADM_NOTIFY_USER_CHANGED) && !dialog_->PressOK()) return;
  BaseADMItem::Notify(notifier);
}

// The dialog base ---------------------------------------------------------------------
CAcroADMDialog::CAcroADMDialog(Variant variant) : variant_(variant) {
  if (variant_ == Variant::ImageAlternates)
    HostCallQuietly([] { AVSysSetBusy(1, 0); });
  else
    SetCursor(kBusyCursor);
  ++gADMDialogCount;
  HostCallQuietly([] { AcquireADMSuites(); });
  HostCallQuietly([this] { focusWindow_ = WinGetFocus(); });
}

CAcroADMDialog::~CAcroADMDialog() {
  --gADMDialogCount;
  if (hostLayer_ == 3) HostCallQuietly([this] { WinSetFocus(focusWindow_); });
  HostCallQuietly([] { ReleaseADMSuites(); });
}

ADMErr CAcroADMDialog::Init() {
  ADMErr result = BaseADMDialog::Init();
  if (result == kADMErrNone) {
    HostRegionResult made = HostRegion([this] {
      handler_ = AVWindowHandlerRec{};
      handler_.size = sizeof handler_;
      handler_.adjustCursor = ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(&AdjustCursor));
      hostLayer_ = HostStyle();
      hostWindow_ = AVWindowNewFromPlatformThing(hostLayer_, HostWindowFlags(), &handler_, gExtensionID,
                                                 ADMDialog::GetWindowRef(dialog_));
      if (hostLayer_ == 3) AVAppBeginModal(hostWindow_);
    });
    // The busy cursor stays: the dialog ends before it shows.
    if (made.raised) return made.code;

    if (ADMItemRef ok = ADMDialog::GetItem(dialog_, 1)) okItem_ = new CAcroADMDialogOKButtonItem(ok, this);

    ADMRect bounds = DefaultBounds();
    if (IsEmpty(bounds)) {
      if (hostWindow_) AVWindowCenter(hostWindow_);
    } else if (bounds.right > bounds.left && bounds.bottom > bounds.top) {
      ADMDialog::SetBoundsRect(dialog_, &bounds);
    } else {
      ADMDialog::Move(dialog_, bounds.left, bounds.top);
    }
    if (variant_ == Variant::Standard) AVWindowEnsureInBounds(hostWindow_);

    InitSelf();

    HostCallQuietly([this] {
      if (ADMDialog::IsVisible(dialog_) && hostWindow_) AVWindowShow(hostWindow_);
    });
  }
  SetCursor(ReadyCursor());
  return result;
}

ASInt32 CAcroADMDialog::ReadyCursor() { return kArrowCursor; }

void CAcroADMDialog::Notify(ADMNotifierRef notifier) {
  BaseADMDialog::Notify(notifier);
  if (ADMNotifier::IsNotifierType(notifier, ADM_NOTIFY_MOVED_BY_DRAG) ||
      ADMNotifier::IsNotifierType(notifier, ADM_NOTIFY_BOUNDS_CHANGED)) {
    ADMRect bounds{};
    ADMDialog::GetBoundsRect(dialog_, &bounds);
    OnBoundsHook(bounds);
  }
}

void CAcroADMDialog::Destroy() {
  DestroySelf();
  if (hostWindow_) {
    AVWindow window = hostWindow_;
    HostCallQuietly([&] {
      if (hostLayer_ == 3) AVAppEndModal(window);
      AVWindowDestroy(window);
    });
    hostWindow_ = nullptr;
  }
  BaseADMDialog::Destroy();
  delete okItem_;  // lets go of item 1
  okItem_ = nullptr;
}

void CAcroADMDialog::Show(bool show) {
  if (!show) {
    Hide();
    return;
  }
  HostCallQuietly([this] {
    if (hostWindow_) AVWindowShow(hostWindow_);
  });
  ADMDialog::Show(dialog_, 1);
}

void CAcroADMDialog::Hide() {
  HostCallQuietly([this] {
    if (hostWindow_) AVWindowHide(hostWindow_);
  });
  ADMDialog::Show(dialog_, 0);
}

bool CAcroADMDialog::ValidateAndSave() {
  if (!Validate()) return false;
  Save();
  return true;
}

bool CAcroADMDialog::Validate() { return false; }
void CAcroADMDialog::Save() {}
ADMRect CAcroADMDialog::DefaultBounds() { return ADMRect{0, 0, 0, 0}; }
void CAcroADMDialog::OnBoundsHook(ADMRect) {}

void CAcroADMDialog::Idle() {
  ASUns32 now = WinGetTickCount() / 16;
  if (lastIdleTick_ == 0) lastIdleTick_ = now;
  ASUns32 passed = now > lastIdleTick_ ? now - lastIdleTick_ : lastIdleTick_ - now;
  if (passed > 5) {
    SweetPeaWindowIdle(ADMDialog::GetWindowRef(dialog_));
    lastIdleTick_ = now;
  }
}

void CAcroADMDialog::CheckCancel(bool* cancelled) {
  void* data = nullptr;
  AVCancelProc cancel = AVAppGetCancelProc(&data);
  if (cancel && cancel(data)) {
    if (cancelled) *cancelled = true;
  } else {
    Idle();
  }
}

ASInt32 CAcroADMDialog::HostStyle() {
  switch (ADMDialog::GetDialogStyle(dialog_)) {
    case 2:
    case 3:
    case 4:
    case 5:
    case 7: return 2;
    default: return 3;
  }
}

ASUns32 CAcroADMDialog::HostWindowFlags() {
  switch (ADMDialog::GetDialogStyle(dialog_)) {
    case 0:
    case 10: return 0x8A000000u;
    case 2:
    case 3: return 0x5A000000u;
    case 4:
    case 5: return 0xDA000000u;
    case 7: return 0x1A000000u;
    default: return 0x08000000u;
  }
}

bool CAcroADMDialog::PressOK() {
  HFT hostSuite = nullptr;
  if (SPBasic::AcquireSuite(kHostSuiteName, kHostSuiteVersion, &hostSuite) == kADMErrNone && hostSuite) {
    typedef void (*BeforeValidateProc)();
    try {
      HFTProc<BeforeValidateProc>(hostSuite, ADMHostSel::BeforeValidate)();
    } catch (...) {
      SPBasic::ReleaseSuite(kHostSuiteName, kHostSuiteVersion);
      throw;
    }
    SPBasic::ReleaseSuite(kHostSuiteName, kHostSuiteVersion);
  }
  return ValidateAndSave();
}

// Text operations -------------------------------------------------------------------
void SetADMItemText(ADMItemRef item, ASText text) {
  if (!text)
    ADMItem::SetText(item, "");
  else
    ADMItem::SetTextW(item, ASTextGetUnicode(text));
}

void SetADMDialogText(ADMDialogRef dialog, ASText text) {
  if (!text)
    ADMDialog::SetText(dialog, "");
  else
    ADMDialog::SetTextW(dialog, ASTextGetUnicode(text));
}

void ADMItemSetText(ADMItemRef item, const char* text, ASInt32 encoding) {
  ASText hostText = ASTextFromEncoded(text, encoding);
  try {
    SetADMItemText(item, hostText);
  } catch (...) {
    HostCallQuietly([&] { ASTextDestroy(hostText); });
    throw;
  }
  ASTextDestroy(hostText);
}

void GetADMItemText(ADMItemRef item, ASText text) {
  ASUns16* buffer = nullptr;
  bool failed = false;
  try {
    failed = HostRegion([&] {
               ASTextMakeEmpty(text);
               const ASInt32 length = ADMItem::GetTextLengthW(item);
               if (length <= 0) return;
               buffer = static_cast<ASUns16*>(ASMalloc(static_cast<ASSize_t>(length + 2) * 2));
               if (!buffer) ASRaise(genErrNoMemory);
               buffer[0] = 0;
               ADMItem::GetTextW(item, buffer, length + 1);
               ASTextSetUnicode(text, buffer, 1);
             }).raised;
  } catch (...) {
    failed = true;
  }
  // Whatever failed, the text is left a valid, empty text.
  if (failed) HostCallQuietly([&] { ASTextSetEncoded(text, "", kASTextEncodingByte); });
  if (buffer) HostCallQuietly([&] { ASFree(buffer); });
}

ASText NewTextFromADMItem(ADMItemRef item) {
  ASText text = nullptr;
  HostCallQuietly([&] { text = ASTextNew(); });
  if (text) GetADMItemText(item, text);
  return text;
}

bool ReadADMItemText(ADMItemRef item, size_t fixedSize, std::string& text) {
  char fixed[1024];
  size_t length = static_cast<size_t>(ADMItem::GetTextLength(item));
  char* buffer = fixed;
  if (length + 1 > std::min(fixedSize, sizeof fixed)) {
    buffer = static_cast<char*>(ASMalloc(static_cast<ASSize_t>(length + 1)));
    if (!buffer) return false;
  }
  try {
    buffer[0] = 0;
    ADMItem::GetText(item, buffer, static_cast<ASInt32>(length + 1));
  } catch (...) {
    if (buffer != fixed) ASFree(buffer);
    throw;
  }
  text = buffer;
  if (buffer != fixed) ASFree(buffer);
  return true;
}
