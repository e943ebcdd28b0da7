// Dialogs for tests, from templates 900 to 905:
//   900 modal: OK (1), Cancel (2), a text entry (901) and the check box
//       "Valid" (902), which OK's validation reads;
//   901 modeless (floating), without an item 1: a text and "Stop" (3);
//   902 modal: OK, Cancel and "Open" (3), which runs a 900 inside it;
//   903 modal: its InitSelf throws Zentu::AcrobatException;
//   904 modal: OK, Cancel and the disabled button "Off" (3);
//   905 modal: OK, Cancel and two buttons whose text is "Same" (3, 4);
//   906 modal (ListDialog): lists, a scrollbar and a pop-up;
//   907 modal: the item map's (dialog_items_test.cpp);
//   908 modeless (WorkDialog): a dialog a plug-in's work reports to;
//   909 modeless (the test plug-in's palette): a static "Target" (5) and
//       "Color" (6).
// Bitmap 150 is a test picture, 10 by 10.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "common/ADMSuites.h"
#include "common/AcroADMDialog.h"
#include "common/CAcroADMDialog.h"
#include "host/resources.h"

extern const PIResourceTable kTestDialogResources;

class TestDialog : public CAcroADMDialog {
 public:
  explicit TestDialog(ASInt32 number = 900, Variant variant = Variant::Standard) : CAcroADMDialog(variant), number(number) {}

  // Runs it modally (any style) or makes it modeless (style 2 by default).
  ASInt32 Run() { return Modal(gADMPluginRef, "Zent:Test:TestDialog", number, style, 0); }
  ADMDialogRef Open() { return Create(gADMPluginRef, "Zent:Test:TestDialog", number, style == 0 ? 2 : style, 0); }

  void InitSelf() override;
  void DestroySelf() override { ++destroys; }
  bool Validate() override;
  void Save() override { ++saves; }
  ADMRect DefaultBounds() override { return bounds; }
  void OnBoundsHook(ADMRect r) override { boundsSeen.push_back(r); }
  void Notify(ADMNotifierRef notifier) override;

  bool HasOKItem() const { return okItem_ != nullptr; }
  AVWindow HostWindow() const { return hostWindow_; }
  ASInt32 HostLayer() const { return hostLayer_; }

  ASInt32 number;
  ASInt32 style = 0;
  ADMRect bounds{0, 0, 0, 0};
  std::function<void(TestDialog&)> onInit;  // more of InitSelf
  std::function<void(TestDialog&, ADMNotifierRef)> onNotify;  // after the dialog's own; may delete it
  int saves = 0, destroys = 0, inits = 0;
  std::vector<ADMRect> boundsSeen;
  ASInt32 innerResult = 0;  // what 902's inner dialog answered
};

// 906: the list box 1001, whose entries ("alpha", "beta", "gamma", with
// identifiers 1 to 3) draw their text, "selected" or nothing, their
// identifier, and a text outside the list; the scrollbar 1002 (0 to 100),
// an item object of its own; the pop-up 1003 ("red", "green", "blue",
// "green" again; the first "green" chosen); the static 1004 shows what the scrollbar and the pop-up
// heard, one "; "-joined line.
class ListDialog : public Zentu::AcroADMDialog {
 public:
  ASInt32 Run() { return Modal(gADMPluginRef, "Zent:Test:ListDialog", 906, 0, 0); }
  void InitSelf() override;
  void DestroySelf() override {}
  void Notify(ADMNotifierRef notifier) override;
  void Heard(const std::string& what);

  std::vector<std::string> heard;
};

// 908: "Cancel" (1) and "Count" (3) count the presses that reach them while
// the work runs; the text 1015 and the bar 1009 show the report. Once the
// work is done, "Cancel" calls onCancel.
class WorkDialog : public Zentu::AcroADMDialog {
 public:
  ADMDialogRef Open() { return Create(gADMPluginRef, "Zent:Test:WorkDialog", 908, 2, 0); }
  void InitSelf() override;
  void DestroySelf() override {}
  void Notify(ADMNotifierRef notifier) override;
  // Ten reports; each shows its text and value and pumps up to five
  // messages. Answers "10 reports; presses per report: 0 0 1 ...".
  std::string Work();

  std::vector<int> presses;
  int report = 0;
  std::function<void()> onCancel;
};
