// Objects over the dialog manager's dialogs and items. Each object registers
// static procedures of its class and keeps its own address as the user data
// of its dialog or item; the procedures find the object again and call its
// virtual operations, whose defaults hand back to the dialog manager. They
// throw nothing and catch nothing: what an override throws leaves through
// the dialog manager to the code that opened the dialog.
#pragma once
#include "host/admtypes.h"

class IADMDialog {
 public:
  virtual ADMErr Init() = 0;
  virtual void Draw(ADMDrawerRef drawer) = 0;
  virtual ADMBoolean Track(ADMTrackerRef tracker) = 0;
  virtual void Notify(ADMNotifierRef notifier) = 0;
  virtual void Destroy() = 0;
  virtual ~IADMDialog() {}
  virtual ADMDialogRef Create(ADMPluginRef plugin, const char* name, ASInt32 id, ASInt32 style, ASInt32 options) = 0;
  virtual ASInt32 Modal(ADMPluginRef plugin, const char* name, ASInt32 id, ASInt32 style, ASInt32 options) = 0;
  virtual ASInt32 RunMadeDialog() = 0;
};

class BaseADMDialog : public IADMDialog {
 public:
  BaseADMDialog() = default;
  BaseADMDialog(const BaseADMDialog&) = default;
  BaseADMDialog& operator=(const BaseADMDialog&) = default;

  // Registers the draw, track, notify and destroy procedures; answers 0. A
  // derived initialisation calls it first.
  ADMErr Init() override;
  void Draw(ADMDrawerRef drawer) override;
  ADMBoolean Track(ADMTrackerRef tracker) override;
  void Notify(ADMNotifierRef notifier) override;
  void Destroy() override;
  // A modeless dialog still open is let go (no procedure calls back into the
  // object) and destroyed; a modal one makes no dialog-manager call.
  ~BaseADMDialog() override;
  // A modeless dialog; none when the dialog manager made none.
  ADMDialogRef Create(ADMPluginRef plugin, const char* name, ASInt32 id, ASInt32 style, ASInt32 options) override;
  // Runs the dialog modally; answers the item that ended it.
  ASInt32 Modal(ADMPluginRef plugin, const char* name, ASInt32 id, ASInt32 style, ASInt32 options) override;
  ASInt32 RunMadeDialog() override;

  ADMDialogRef GetDialogRef() const { return dialog_; }

  static ADMErr InitProc(ADMDialogRef dialog);
  static void DrawProc(ADMDialogRef dialog, ADMDrawerRef drawer);
  static ADMBoolean TrackProc(ADMDialogRef dialog, ADMTrackerRef tracker);
  static void NotifyProc(ADMDialogRef dialog, ADMNotifierRef notifier);
  static void DestroyProc(ADMDialogRef dialog);

 protected:
  ADMDialogRef dialog_ = nullptr;
  ASInt32 modal_ = 0;  // set once Modal was called; never cleared
  // A modeless dialog whose object its opener owns: the dialog's going
  // leaves the object alive, for the opener to delete.
  bool ownedByOpener_ = false;
};

class IADMItem {
 public:
  virtual ADMErr Init() = 0;
  virtual void Draw(ADMDrawerRef drawer) = 0;
  virtual ADMBoolean Track(ADMTrackerRef tracker) = 0;
  virtual void Notify(ADMNotifierRef notifier) = 0;
  virtual ADMBoolean TextToNumber(const char* text, ADMReal* value) = 0;
  virtual ADMBoolean NumberToText(ADMReal value, char* text, ASInt32 maxLength) = 0;
  virtual void Redraw(ADMDrawerRef drawer) = 0;
  virtual ~IADMItem() {}
  virtual ADMItemRef MakeItem(ADMDialogRef dialog, const ADMRect& bounds, const char* type, ASInt32 id) = 0;
};

class BaseADMItem : public IADMItem {
 public:
  // With an item (one the dialog's template made), the object takes it over
  // at once; without, it makes no call until MakeItem.
  BaseADMItem(ADMItemRef item, ADMUserData userData);
  BaseADMItem(const BaseADMItem&) = delete;
  BaseADMItem& operator=(const BaseADMItem&) = delete;

  ADMErr Init() override;
  void Draw(ADMDrawerRef drawer) override;
  ADMBoolean Track(ADMTrackerRef tracker) override;
  void Notify(ADMNotifierRef notifier) override;
  ADMBoolean TextToNumber(const char* text, ADMReal* value) override;
  ADMBoolean NumberToText(ADMReal value, char* text, ASInt32 maxLength) override;
  // Calls Draw; the draw procedure calls this, so a class may override either.
  void Redraw(ADMDrawerRef drawer) override;
  // Lets go of the item and destroys it (while the Item suite is held).
  ~BaseADMItem() override;
  // A new item of the dialog, bounds in pixels; none when none was made.
  ADMItemRef MakeItem(ADMDialogRef dialog, const ADMRect& bounds, const char* type, ASInt32 id) override;

  ADMItemRef GetItemRef() const { return item_; }
  ADMUserData GetUserData() const { return userData_; }

  static ADMErr InitProc(ADMItemRef item);
  static void DrawProc(ADMItemRef item, ADMDrawerRef drawer);
  static ADMBoolean TrackProc(ADMItemRef item, ADMTrackerRef tracker);
  static void NotifyProc(ADMItemRef item, ADMNotifierRef notifier);
  static void DestroyProc(ADMItemRef item);
  static ADMBoolean TextToNumberProc(ADMItemRef item, const char* text, ADMReal* value);
  static ADMBoolean NumberToTextProc(ADMItemRef item, ADMReal value, char* text, ASInt32 maxLength);

 protected:
  ADMItemRef item_;
  ADMUserData userData_;  // the creator's; never read here

 private:
  void RegisterProcs();
};
