#include "common/BaseADMDialog.h"

#include "common/ADMSuites.h"
#include "common/HostCall.h"

namespace {

BaseADMDialog* DialogObject(ADMDialogRef dialog) {
  return static_cast<BaseADMDialog*>(ADMDialog::GetUserData(dialog));
}
BaseADMItem* ItemObject(ADMItemRef item) { return static_cast<BaseADMItem*>(ADMItem::GetUserData(item)); }

}  // namespace

// Dialogs ----------------------------------------------------------------------
ADMErr BaseADMDialog::Init() {
  ADMDialog::SetDrawProc(dialog_, &DrawProc);
  ADMDialog::SetTrackProc(dialog_, &TrackProc);
  ADMDialog::SetNotifyProc(dialog_, &NotifyProc);
  ADMDialog::SetDestroyProc(dialog_, &DestroyProc);
  return kADMErrNone;
}

void BaseADMDialog::Draw(ADMDrawerRef drawer) { ADMDialog::DefaultDraw(dialog_, drawer); }
ADMBoolean BaseADMDialog::Track(ADMTrackerRef tracker) { return ADMDialog::DefaultTrack(dialog_, tracker); }
void BaseADMDialog::Notify(ADMNotifierRef notifier) { ADMDialog::DefaultNotify(dialog_, notifier); }
void BaseADMDialog::Destroy() {}

BaseADMDialog::~BaseADMDialog() {
  if (!dialog_ || modal_) return;  // a modal run owns its dialog
  ADMDialogRef dialog = dialog_;
  HostCallQuietly([&] {
    ADMDialog::SetUserData(dialog, nullptr);
    ADMDialog::SetDrawProc(dialog, nullptr);
    ADMDialog::SetNotifyProc(dialog, nullptr);
    ADMDialog::SetDestroyProc(dialog, nullptr);
    ADMDialog::Destroy(dialog);
  });
  dialog_ = nullptr;
}

ADMDialogRef BaseADMDialog::Create(ADMPluginRef plugin, const char* name, ASInt32 id, ASInt32 style,
                                   ASInt32 options) {
  dialog_ = ADMDialog::Create(plugin, name, id, style, &InitProc, this, options);
  return dialog_;
}

ASInt32 BaseADMDialog::Modal(ADMPluginRef plugin, const char* name, ASInt32 id, ASInt32 style, ASInt32 options) {
  modal_ = 1;
  return ADMDialog::Modal(plugin, name, id, style, &InitProc, this, options);
}

ASInt32 BaseADMDialog::RunMadeDialog() { return ADMDialog::RunMade(dialog_); }

ADMErr BaseADMDialog::InitProc(ADMDialogRef dialog) {
  BaseADMDialog* object = DialogObject(dialog);
  if (!object) return kADMErrBadParm;
  object->dialog_ = dialog;
  return object->Init();
}

void BaseADMDialog::DrawProc(ADMDialogRef dialog, ADMDrawerRef drawer) {
  if (BaseADMDialog* object = DialogObject(dialog)) object->Draw(drawer);
}

ADMBoolean BaseADMDialog::TrackProc(ADMDialogRef dialog, ADMTrackerRef tracker) {
  BaseADMDialog* object = DialogObject(dialog);
  return object ? object->Track(tracker) : 0;
}

void BaseADMDialog::NotifyProc(ADMDialogRef dialog, ADMNotifierRef notifier) {
  if (BaseADMDialog* object = DialogObject(dialog)) object->Notify(notifier);
}

// A modeless object is let go before it is deleted, so that its destructor
// asks for no second destruction of the dialog that is going. An object its
// opener owns only forgets its dialog.
void BaseADMDialog::DestroyProc(ADMDialogRef dialog) {
  BaseADMDialog* object = DialogObject(dialog);
  if (!object) return;
  object->Destroy();
  if (object->modal_ || object->ownedByOpener_) {
    object->dialog_ = nullptr;
    return;
  }
  ADMDialog::SetUserData(dialog, nullptr);
  object->dialog_ = nullptr;
  delete object;
}

// Items ------------------------------------------------------------------------
BaseADMItem::BaseADMItem(ADMItemRef item, ADMUserData userData) : item_(item), userData_(userData) {
  if (!item_) return;
  ADMItem::SetUserData(item_, this);
  try {
    RegisterProcs();
  } catch (...) {
    // No procedure may find an object that was never made.
    HostCallQuietly([&] { ADMItem::SetUserData(item_, nullptr); });
    throw;
  }
}

void BaseADMItem::RegisterProcs() {
  ADMItem::SetDrawProc(item_, &DrawProc);
  ADMItem::SetTrackProc(item_, &TrackProc);
  ADMItem::SetNotifyProc(item_, &NotifyProc);
  ADMItem::SetDestroyProc(item_, &DestroyProc);
  ADMItem::SetTextToFloatProc(item_, &TextToNumberProc);
  ADMItem::SetFloatToTextProc(item_, &NumberToTextProc);
}

ADMErr BaseADMItem::Init() { return kADMErrNone; }
void BaseADMItem::Draw(ADMDrawerRef drawer) { ADMItem::DefaultDraw(item_, drawer); }
ADMBoolean BaseADMItem::Track(ADMTrackerRef tracker) { return ADMItem::DefaultTrack(item_, tracker); }
void BaseADMItem::Notify(ADMNotifierRef notifier) { ADMItem::DefaultNotify(item_, notifier); }
ADMBoolean BaseADMItem::TextToNumber(const char* text, ADMReal* value) {
  return ADMItem::DefaultTextToFloat(item_, text, value);
}
ADMBoolean BaseADMItem::NumberToText(ADMReal value, char* text, ASInt32 maxLength) {
  return ADMItem::DefaultFloatToText(item_, value, text, maxLength);
}
void BaseADMItem::Redraw(ADMDrawerRef drawer) { Draw(drawer); }

BaseADMItem::~BaseADMItem() {
  if (item_ && ADMSuites.item) {
    ADMItemRef item = item_;
    HostCallQuietly([&] {
      ADMItem::SetUserData(item, nullptr);
      ADMItem::SetDrawProc(item, nullptr);
      ADMItem::SetNotifyProc(item, nullptr);
      ADMItem::SetDestroyProc(item, nullptr);
      ADMItem::SetTextToFloatProc(item, nullptr);
      ADMItem::SetFloatToTextProc(item, nullptr);
      ADMItem::Destroy(item);
    });
  }
  item_ = nullptr;
}

ADMItemRef BaseADMItem::MakeItem(ADMDialogRef dialog, const ADMRect& bounds, const char* type, ASInt32 id) {
  item_ = ADMItem::Create(dialog, id, type, &bounds, &InitProc, this, 0);
  if (item_) RegisterProcs();
  return item_;
}

ADMErr BaseADMItem::InitProc(ADMItemRef item) {
  BaseADMItem* object = ItemObject(item);
  if (!object) return kADMErrBadParm;
  object->item_ = item;
  return object->Init();
}

void BaseADMItem::DrawProc(ADMItemRef item, ADMDrawerRef drawer) {
  if (BaseADMItem* object = ItemObject(item)) object->Redraw(drawer);
}

ADMBoolean BaseADMItem::TrackProc(ADMItemRef item, ADMTrackerRef tracker) {
  BaseADMItem* object = ItemObject(item);
  return object ? object->Track(tracker) : 0;
}

void BaseADMItem::NotifyProc(ADMItemRef item, ADMNotifierRef notifier) {
  if (BaseADMItem* object = ItemObject(item)) object->Notify(notifier);
}

void BaseADMItem::DestroyProc(ADMItemRef item) {
  BaseADMItem* object = ItemObject(item);
  if (!object) return;
  ADMItem::SetUserData(item, nullptr);
  object->item_ = nullptr;
  delete object;
}

ADMBoolean BaseADMItem::TextToNumberProc(ADMItemRef item, const char* text, ADMReal* value) {
  BaseADMItem* object = ItemObject(item);
  return object ? object->TextToNumber(text, value) : ADMItem::DefaultTextToFloat(item, text, value);
}

ADMBoolean BaseADMItem::NumberToTextProc(ADMItemRef item, ADMReal value, char* text, ASInt32 maxLength) {
  BaseADMItem* object = ItemObject(item);
  return object ? object->NumberToText(value, text, maxLength) : ADMItem::DefaultFloatToText(item, value, text, maxLength);
}
