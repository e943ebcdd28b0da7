// The small modeless dialog a check shows while the walker works: a text
// line, a progress bar and "Cancel". Each progress report updates what
// changed and pumps a few window messages, which is how a click on
// "Cancel" reaches the dialog while the walk runs on the host's thread.
#pragma once
#include <string>

#include "common/AcroADMDialog.h"
#include "host/resources.h"

namespace Zentu {

class UIInterface;

// Template 133 and the checker's other resources, listed before the
// common library's.
extern const PIResourceTable kCheckerResources;

class CheckerDlgADM : public AcroADMDialog {
 public:
  enum : ASInt32 { kResource = 133, kCancelItem = 1, kBarItem = 1009, kTextItem = 1015 };

  // `owner` is the user-interface object that opens and closes the dialog;
  // not owned.
  explicit CheckerDlgADM(UIInterface* owner) : owner_(owner) { ownedByOpener_ = true; }
  ~CheckerDlgADM() override = default;

  // A click on "Cancel" sets the cancelled flag; the dialog stays open.
  void Notify(ADMNotifierRef notifier) override;
  // Puts a progress bar in place of the placeholder and shows the wait
  // cursor. A host failure throws Zentu::AcrobatException.
  void InitSelf() override;
  // Puts back the cursor InitSelf replaced.
  void DestroySelf() override;
  virtual ASInt32 DoModal();
  // Opens the dialog modeless (style 2). The opener owns the object, which
  // outlives its dialog; deleting it while the dialog is open destroys the
  // dialog.
  virtual ADMDialogRef DoModeless();

  // 0 to go on, -1 once cancelled. A maximum of 0 or less, a negative value
  // and an unchanged text leave the bar and the line alone.
  long Progress(const std::string& text, long value, long max);

  bool Cancelled() const { return cancelled_; }
  UIInterface* Owner() const { return owner_; }

 private:
  static std::string Name();

  bool cancelled_ = false;
  std::string lastText_;
  long lastValue_ = -1;
  long lastMax_ = -1;
  UIInterface* owner_;
  ADMItemRef bar_ = nullptr;
};

}  // namespace Zentu
