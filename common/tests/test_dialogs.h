// Dialogs for tests, from templates 900 to 905:
//   900 modal: OK (1), Cancel (2), a text entry (901) and the check box
//       "Valid" (902), which OK's validation reads;
//   901 modeless (floating), without an item 1: a text and "Stop" (3);
//   902 modal: OK, Cancel and "Open" (3), which runs a 900 inside it;
//   903 modal: its InitSelf throws Zentu::AcrobatException;
//   904 modal: OK, Cancel and the disabled button "Off" (3);
//   905 modal: OK, Cancel and two buttons whose text is "Same" (3, 4).
#pragma once
#include <functional>
#include <vector>

#include "common/ADMSuites.h"
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
