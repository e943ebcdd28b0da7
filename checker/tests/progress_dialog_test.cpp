#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checker/CheckerDlgADM.h"
#include "common/ADMSuites.h"
#include "common/AcrobatException.h"
#include "common/CommonDialogs.h"
#include "dialogs/manager.h"
#include "dialogs/metrics.h"
#include "host/frame.h"
#include "testing/driver.h"

namespace {

PI_EXPORT_RESOURCES(&Zentu::kCheckerResources, &Zentu::kCommonResources);

using Zentu::CheckerDlgADM;

host::ItemView ItemOf(ADMDialogRef dialog, ASInt32 id) {
  for (auto& item : host::DescribeDialog(dialog).items)
    if (item.id == id) return item;
  ADD_FAILURE() << "no item " << id;
  return host::ItemView{};
}

std::vector<std::string> LogOf(const std::string& prefix) {
  std::vector<std::string> out;
  for (auto& e : hosttest::CallLog())
    if (e.compare(0, prefix.size(), prefix) == 0) out.push_back(e);
  return out;
}
bool Logged(const std::string& entry) { return LogOf(entry) == std::vector<std::string>{entry}; }

// What the dialog asked of its items since the log was cleared, by role.
std::vector<std::string> ItemCalls() {
  std::vector<std::string> calls;
  for (auto& e : hosttest::CallLog()) {
    if (e == "Item " + std::to_string(ADMItemSel::SetMaxIntValue)) calls.push_back("maximum");
    if (e == "Item " + std::to_string(ADMItemSel::SetIntValue)) calls.push_back("value");
    if (e == "Item " + std::to_string(ADMItemSel::SetTextW)) calls.push_back("text");
  }
  return calls;
}

class ProgressDialogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    hosttest::BindTables();
    hosttest::RegisterResources(&PIResources);
  }
  void SetUp() override {
    hosttest::ClearHooks();
    hosttest::LogSuiteCalls(false);
    hosttest::ClearCallLog();
  }
  void TearDown() override {
    hosttest::LogSuiteCalls(false);
    EXPECT_TRUE(host::OpenDialogs().empty());
    EXPECT_EQ(gADMDialogCount, 0);
  }

  // Opened as the check opens it: modeless, then shown.
  CheckerDlgADM* Open() {
    auto* dialog = new CheckerDlgADM(nullptr);
    EXPECT_NE(dialog->DoModeless(), nullptr);
    dialog->Show(true);
    return dialog;
  }
  // Closed as the check closes it: the dialog's own clean-up, then the object.
  static void Close(CheckerDlgADM* dialog) {
    dialog->Destroy();
    delete dialog;
  }

  hosttest::TestDriver driver;
};

TEST_F(ProgressDialogTest, ABarReplacesThePlaceholderAndReportsSetOnlyWhatChanged) {
  CheckerDlgADM* dialog = Open();
  ADMDialogRef ref = dialog->GetDialogRef();
  host::DialogView view = host::DescribeDialog(ref);
  EXPECT_EQ(view.name, "Zent:PDF/X Corvane 3:CheckerDlgADM");
  EXPECT_EQ(view.title, "Zentu PDF/X Corvane Progress");
  EXPECT_FALSE(view.modal);
  // The placeholder's bounds: 7, 34, 172 x 14 dialog units.
  using host::metrics::DialogUnitsToPixelsX;
  using host::metrics::DialogUnitsToPixelsY;
  const ASInt32 left = DialogUnitsToPixelsX(7), top = DialogUnitsToPixelsY(34);
  const std::string made = "item 1009 made: " ADM_ITEM_PROGRESS_BAR " (" + std::to_string(left) + ", " +
                           std::to_string(top) + ", " + std::to_string(left + DialogUnitsToPixelsX(172)) + ", " +
                           std::to_string(top + DialogUnitsToPixelsY(14)) + ")";
  EXPECT_EQ(LogOf("item 1009 "), (std::vector<std::string>{"item 1009 destroyed", made, "item 1009 minimum 0",
                                                           "item 1009 window word -16 0x00000001"}));
  EXPECT_TRUE(Logged("dialog 133 cursor -3"));

  struct Report {
    const char* text;
    long value, max;
    std::vector<std::string> calls;
    long shownValue, shownMax;
  };
  const Report reports[] = {
      {"Checking page 1 of 3", 0, 3, {"maximum", "value", "text"}, 0, 3},
      {"Checking page 1 of 3", 0, 3, {}, 0, 3},
      {"Checking page 1 of 3\n  (checking Font object #7)   ", 0, 3, {"text"}, 0, 3},
      {"Checking page 2 of 3", 1, 3, {"value", "text"}, 1, 3},
      {"Checking page 2 of 3", 5, 0, {"value"}, 5, 3},
      {"Checking page 2 of 3", -1, 0, {}, 5, 3},
      {"Checking page 3 of 3", 2, 3, {"value", "text"}, 2, 3},
  };
  hosttest::LogSuiteCalls(true);
  for (const Report& r : reports) {
    hosttest::ClearCallLog();
    EXPECT_EQ(dialog->Progress(r.text, r.value, r.max), 0);
    EXPECT_EQ(ItemCalls(), r.calls) << r.text << " " << r.value << " " << r.max;
    host::ItemView bar = ItemOf(ref, 1009);
    EXPECT_EQ(bar.value, r.shownValue);
    EXPECT_EQ(bar.maximum, r.shownMax);
    EXPECT_EQ(ItemOf(ref, 1015).text, r.text);
  }
  hosttest::LogSuiteCalls(false);

  hosttest::ClearCallLog();
  dialog->Destroy();
  EXPECT_TRUE(Logged("dialog 133 cursor 0"));
  EXPECT_EQ(host::DescribeDialog(ref).cursor, kADMArrowCursor);
  delete dialog;
}

TEST_F(ProgressDialogTest, ACancelIsAnsweredByTheNextReportAndAReportPumpsFiveMessages) {
  // A click queued for report 2 is seen there; report 2 still answers 0.
  CheckerDlgADM* dialog = Open();
  driver.PressInRound(2, 1);
  EXPECT_EQ(dialog->Progress("Checking page 1 of 3", 0, 3), 0);
  EXPECT_FALSE(dialog->Cancelled());
  EXPECT_EQ(dialog->Progress("Checking page 1 of 3", 0, 3), 0);
  EXPECT_TRUE(dialog->Cancelled());
  const int rounds = host::PumpRounds();
  EXPECT_EQ(dialog->Progress("Checking page 2 of 3", 1, 3), -1);
  EXPECT_EQ(host::PumpRounds(), rounds);  // nothing pumped
  EXPECT_EQ(ItemOf(dialog->GetDialogRef(), 1015).text, "Checking page 1 of 3");
  EXPECT_EQ(ItemOf(dialog->GetDialogRef(), 1).text, "Cancel");  // the click leaves the dialog open
  Close(dialog);

  // Seven messages waiting: one report takes five, two are left.
  dialog = Open();
  ADMItemRef cancel = ItemOf(dialog->GetDialogRef(), 1).ref;
  for (int n = 0; n < 7; ++n) ASSERT_TRUE(host::QueuePress(cancel, nullptr));
  EXPECT_EQ(dialog->Progress("Checking page 1 of 1", 0, 1), 0);
  int left = 0;
  WinMsg message{};
  while (WinPeekMessage(&message, nullptr, 0, 0, winPeekRemove)) ++left;
  EXPECT_EQ(left, 2);
  EXPECT_EQ(dialog->Progress("Checking page 1 of 1", 1, 1), -1);
  Close(dialog);
}

TEST_F(ProgressDialogTest, AHostFailureInTheSetUpNamesIt) {
  hosttest::RaiseOnNextCall(host::TableId::ADMDialog, ADMDialogSel::CreateItem, genErrNoMemory);
  auto* dialog = new CheckerDlgADM(nullptr);  // deleted with its dialog
  try {
    dialog->DoModeless();
    ADD_FAILURE() << "no exception";
  } catch (const Zentu::AcrobatException& e) {
    EXPECT_EQ(e.ObjectNumber(), 0);
    EXPECT_EQ(e.ErrorCode(), genErrNoMemory);
    EXPECT_EQ(e.Where(), "CheckerDlgADM::InitSelf()");
  }
}

}  // namespace
