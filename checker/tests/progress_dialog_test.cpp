#include <gtest/gtest.h>

#include "checker/CheckerDlgADM.h"
#include "common/ADMSuites.h"
#include "common/AcrobatException.h"
#include "common/CommonDialogs.h"
#include "dialogs/manager.h"
#include "testing/driver.h"

namespace {

PI_EXPORT_RESOURCES(&Zentu::kCheckerResources, &Zentu::kCommonResources);

using Zentu::CheckerDlgADM;

std::vector<std::string> LogOf(const std::string& prefix) {
  std::vector<std::string> out;
  for (auto& e : hosttest::CallLog())
    if (e.compare(0, prefix.size(), prefix) == 0) out.push_back(e);
  return out;
}

host::ItemView ItemOf(CheckerDlgADM* dialog, ASInt32 id) {
  for (auto& item : host::DescribeDialog(dialog->GetDialogRef()).items)
    if (item.id == id) return item;
  return host::ItemView{};
}

class ProgressDialogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    hosttest::BindTables();
    hosttest::RegisterResources(&PIResources);
  }
  void SetUp() override { hosttest::ClearCallLog(); }
  void TearDown() override {
    hosttest::LogSuiteCalls(false);
    EXPECT_TRUE(host::OpenDialogs().empty());
    EXPECT_EQ(gADMDialogCount, 0);
  }
  // Opened as the check opens it.
  CheckerDlgADM* Open() {
    auto* dialog = new CheckerDlgADM(nullptr);
    EXPECT_NE(dialog->DoModeless(), nullptr);
    dialog->Show(true);
    return dialog;
  }

  hosttest::TestDriver driver;
};

TEST_F(ProgressDialogTest, ABarTakesThePlaceholdersPlaceAndReportsSetOnlyWhatChanged) {
  CheckerDlgADM* dialog = Open();
  EXPECT_EQ(host::DescribeDialog(dialog->GetDialogRef()).name, "Zent:PDF/X Corvane 3:CheckerDlgADM");
  // The placeholder's place: 7, 34, 172 x 14 dialog units.
  EXPECT_EQ(LogOf("item 1009 "),
            (std::vector<std::string>{"item 1009 destroyed", "item 1009 made: " ADM_ITEM_PROGRESS_BAR " (10, 55, 268, 77)",
                                      "item 1009 minimum 0", "item 1009 window word -16 0x00000001"}));
  EXPECT_EQ(LogOf("dialog 133 cursor"), std::vector<std::string>{"dialog 133 cursor -3"});

  // Each change is set once; a maximum of 0 and a value of -1 set nothing.
  hosttest::LogSuiteCalls(true);
  const struct {
    const char* text;
    long value, max;
  } reports[] = {{"Checking page 1 of 3", 0, 3}, {"Checking page 1 of 3", 0, 3}, {"Checking page 1 of 3\n  (Font)", 0, 3},
                 {"Checking page 2 of 3", 1, 3}, {"Checking page 2 of 3", 5, 0}, {"Checking page 2 of 3", -1, 0}};
  for (const auto& r : reports) EXPECT_EQ(dialog->Progress(r.text, r.value, r.max), 0);
  EXPECT_EQ(LogOf("item 1009 maximum"), std::vector<std::string>{"item 1009 maximum 3"});
  EXPECT_EQ(LogOf("Item " + std::to_string(ADMItemSel::SetIntValue)).size(), 3u);  // 0, 1, 5
  EXPECT_EQ(LogOf("Item " + std::to_string(ADMItemSel::SetTextW)).size(), 3u);
  EXPECT_EQ(ItemOf(dialog, 1009).value, 5);
  EXPECT_EQ(ItemOf(dialog, 1015).text, "Checking page 2 of 3");
  hosttest::ClearCallLog();
  dialog->Destroy();
  EXPECT_EQ(LogOf("dialog 133 cursor"), std::vector<std::string>{"dialog 133 cursor 0"});
  delete dialog;
}

TEST_F(ProgressDialogTest, ACancelIsAnsweredByTheNextReportAndAReportTakesFiveMessages) {
  CheckerDlgADM* dialog = Open();
  driver.PressInRound(2, 1);
  EXPECT_EQ(dialog->Progress("Checking page 1 of 3", 0, 3), 0);
  EXPECT_EQ(dialog->Progress("Checking page 1 of 3", 0, 3), 0);
  EXPECT_TRUE(dialog->Cancelled());
  const int rounds = host::PumpRounds();
  EXPECT_EQ(dialog->Progress("Checking page 2 of 3", 1, 3), -1);
  EXPECT_EQ(host::PumpRounds(), rounds);
  EXPECT_EQ(ItemOf(dialog, 1015).text, "Checking page 1 of 3");
  dialog->Destroy();
  delete dialog;

  dialog = Open();
  for (int n = 0; n < 7; ++n) ASSERT_TRUE(host::QueuePress(ItemOf(dialog, 1).ref, nullptr));
  EXPECT_EQ(dialog->Progress("Checking page 1 of 1", 0, 1), 0);
  int left = 0;
  for (WinMsg message{}; WinPeekMessage(&message, nullptr, 0, 0, winPeekRemove);) ++left;
  EXPECT_EQ(left, 2);
  delete dialog;
}

TEST_F(ProgressDialogTest, AHostFailureInTheSetUpNamesIt) {
  hosttest::RaiseOnNextCall(host::TableId::ADMDialog, ADMDialogSel::CreateItem, genErrNoMemory);
  try {
    CheckerDlgADM(nullptr).DoModeless();
    ADD_FAILURE() << "no exception";
  } catch (const Zentu::AcrobatException& e) {
    EXPECT_EQ(e.ObjectNumber(), 0);
    EXPECT_EQ(e.ErrorCode(), genErrNoMemory);
    EXPECT_EQ(e.Where(), "CheckerDlgADM::InitSelf()");
  }
}

}  // namespace
