// The base of every dialog of the plug-ins: the suites are held while a
// dialog object exists, the dialog's window is known to the host as a host
// window (modal for the modal kinds), item 1 is the OK button that validates
// and saves, and the placement goes through DefaultBounds and OnBoundsHook.
#pragma once
#include <cstddef>
#include <string>

#include "common/BaseADMDialog.h"

class CAcroADMDialog;

// Item 1 of a dialog: a press ends the dialog only when the dialog validates
// and saves.
class CAcroADMDialogOKButtonItem : public BaseADMItem {
 public:
  CAcroADMDialogOKButtonItem(ADMItemRef item, CAcroADMDialog* dialog);
  void Notify(ADMNotifierRef notifier) override;

 private:
  CAcroADMDialog* dialog_;
};

class CAcroADMDialog : public BaseADMDialog {
 public:
  // The image-alternates plug-in's dialogs tell the host they are busy where
  // the others show the busy cursor, and leave the host window where it is.
  enum class Variant { Standard, ImageAlternates };

  explicit CAcroADMDialog(Variant variant = Variant::Standard);
  CAcroADMDialog(const CAcroADMDialog&) = delete;
  CAcroADMDialog& operator=(const CAcroADMDialog&) = delete;
  ~CAcroADMDialog() override;

  ADMErr Init() override;
  void Notify(ADMNotifierRef notifier) override;
  void Destroy() override;

  virtual void Show(bool show);
  virtual void Hide();
  // Every concrete dialog fills its items here.
  virtual void InitSelf() = 0;
  virtual bool ValidateAndSave();
  // The base refuses, so a dialog that keeps it cannot be ended with OK.
  virtual bool Validate();
  virtual void Save();
  // The dialog's own clean-up when its dialog goes.
  virtual void DestroySelf() = 0;
  // (0, 0, 0, 0) centres the dialog; a rectangle with a size sets the
  // bounds; any other puts the top-left corner there.
  virtual ADMRect DefaultBounds();
  // Each new position and size after the user moved or resized the dialog.
  virtual void OnBoundsHook(ADMRect bounds);
  // Lets the host service the dialog's window, at most every six ticks of
  // 16 milliseconds however often it is called.
  virtual void Idle();
  // Sets *cancelled when the host's cancel procedure answers true, else idles.
  virtual void CheckCancel(bool* cancelled);
  // 2 for the floating styles (2, 3, 4, 5, 7), else 3 (modal).
  virtual ASInt32 HostStyle();
  virtual ASUns32 HostWindowFlags();
  virtual bool PressOK();
  // The cursor made current once the dialog is built: the arrow.
  virtual ASInt32 ReadyCursor();

 protected:
  ASUns32 lastIdleTick_ = 0;
  AVWindow hostWindow_ = nullptr;
  ASInt32 hostLayer_ = 0;
  AVWindowHandlerRec handler_{};
  CAcroADMDialogOKButtonItem* okItem_ = nullptr;
  WinWindow focusWindow_ = nullptr;
  Variant variant_;
};

// An item's text, or a dialog's title, from a host text object; none
// empties it. The text object stays the caller's.
void SetADMItemText(ADMItemRef item, ASText text);
void SetADMDialogText(ADMDialogRef dialog, ASText text);
// Replaces the text object's contents by the item's text; never throws (a
// failure leaves it empty).
void GetADMItemText(ADMItemRef item, ASText text);
// A new text object with the item's text, which the caller destroys; none
// when the host made none.
ASText NewTextFromADMItem(ADMItemRef item);
// An item's text from 8-bit text in a host encoding (0: a byte a character).
void ADMItemSetText(ADMItemRef item, const char* text, ASInt32 encoding);
// Reads an item's whole text: into a buffer of `fixedSize` bytes (at most
// 1024) when it fits, else into one of its length plus one from the host's
// allocator. False, with the text unchanged, when that allocation gives none.
bool ReadADMItemText(ADMItemRef item, size_t fixedSize, std::string& text);
