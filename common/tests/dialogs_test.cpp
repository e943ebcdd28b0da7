#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cstring>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "common/ADMSuites.h"
#include "common/AcrobatException.h"
#include "common/CommonDialogs.h"
#include "host/frame.h"
#include "dialogs/manager.h"
#include "dialogs/metrics.h"
#include "testing/driver.h"
#include "test_dialogs.h"

namespace {

PI_EXPORT_RESOURCES(&kTestDialogResources, &Zentu::kCommonResources);

// Template 900 in pixels: 186 x 60 dialog units.
const ASInt32 kWidth = 279, kHeight = 97;

std::vector<std::string> LogOf(const std::string& prefix) {
  std::vector<std::string> out;
  for (auto& entry : hosttest::CallLog())
    if (entry.compare(0, prefix.size(), prefix) == 0) out.push_back(entry);
  return out;
}

bool Same(const ADMRect& a, const ADMRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

host::ItemView ItemOf(ADMDialogRef dialog, ASInt32 id) {
  for (auto& item : host::DescribeDialog(dialog).items)
    if (item.id == id) return item;
  ADD_FAILURE() << "no item " << id;
  return host::ItemView{};
}
std::string ItemText(ADMDialogRef dialog, ASInt32 id) { return ItemOf(dialog, id).text; }

// Every test leaves no dialog, run, host window, frame or dialog object behind.
class DialogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    hosttest::BindTables();
    hosttest::RegisterResources(&PIResources);
  }
  void SetUp() override {
    hosttest::ClearHooks();
    hosttest::WithholdSuites({});
    hosttest::LogSuiteCalls(false);
    hosttest::UseRealClock();
    hosttest::SetCancel(false);
    hosttest::ClearCallLog();
    frames_ = host::FrameDepth();
  }
  void TearDown() override {
    EXPECT_TRUE(host::OpenDialogs().empty());
    EXPECT_EQ(hosttest::ModalDepth(), 0);
    EXPECT_EQ(hosttest::HostWindowCount(), 0);
    EXPECT_EQ(host::FrameDepth(), frames_);
    EXPECT_EQ(gADMDialogCount, 0);
  }

  hosttest::TestDriver driver;
  int frames_ = 0;
};

// Counts every call that reaches the object after it was handed to the dialog manager.
struct WatchedDialog : TestDialog {
  explicit WatchedDialog(int* calls) : TestDialog(901), calls(calls) {}
  void DestroySelf() override { ++*calls; }
  void Notify(ADMNotifierRef notifier) override {
    ++*calls;
    TestDialog::Notify(notifier);
  }
  int* calls;
};

struct DrawnItem : BaseADMItem {
  explicit DrawnItem(int* draws) : BaseADMItem(nullptr, nullptr), draws(draws) {}
  void Draw(ADMDrawerRef) override { ++*draws; }
  ADMBoolean TextToNumber(const char*, ADMReal* value) override {
    *value = -1;
    return 1;
  }
  int* draws;
};

ADMErr gInitAnswer = 0;
ADMErr InitWithoutObject(ADMDialogRef dialog) { return gInitAnswer = BaseADMDialog::InitProc(dialog); }

TEST_F(DialogTest, ObjectsLetGoOfTheirDialogsAndItems) {
  // A modal object whose run ended holds no reference, and deleting it calls nothing.
  auto modal = std::make_unique<TestDialog>();
  driver.Press(2);
  EXPECT_EQ(modal->Run(), 2);
  EXPECT_EQ(modal->GetDialogRef(), nullptr);
  hosttest::LogSuiteCalls(true);
  hosttest::ClearCallLog();
  modal.reset();
  EXPECT_TRUE(LogOf("Dialog ").empty());
  EXPECT_TRUE(LogOf("Item ").empty());

  // A modeless object deleted while open: the dialog goes once, nothing calls back.
  int calls = 0;
  auto* modeless = new WatchedDialog(&calls);
  ASSERT_NE(modeless->Open(), nullptr);
  modeless->Show(true);
  hosttest::ClearCallLog();
  delete modeless;
  EXPECT_EQ(LogOf("dialog 901 destroyed").size(), 1u);
  EXPECT_EQ(calls, 0);

  // An item without a reference calls nothing until MakeItem; one that
  // overrides only Draw is drawn; with its user data cleared, the number
  // conversion is the default one.
  int draws = 0;
  DrawnItem* drawn = nullptr;
  TestDialog owner;
  owner.onInit = [&](TestDialog& d) {
    hosttest::ClearCallLog();
    drawn = new DrawnItem(&draws);
    EXPECT_TRUE(hosttest::CallLog().empty());
    ASSERT_NE(drawn->MakeItem(d.GetDialogRef(), ADMRect{5, 5, 55, 25}, ADM_ITEM_PUSH_BUTTON, 7), nullptr);
    EXPECT_EQ(hosttest::CallLog().front(), "Item 0");
  };
  driver.Look([&](ADMDialogRef) {
    EXPECT_EQ(draws, 1);
    ADMItemRef item = drawn->GetItemRef();
    ADMReal value = 0;
    EXPECT_TRUE(BaseADMItem::TextToNumberProc(item, "2.5", &value));
    EXPECT_EQ(value, -1);
    ADMItem::SetUserData(item, nullptr);
    EXPECT_TRUE(BaseADMItem::TextToNumberProc(item, " 2.5 ", &value));
    EXPECT_EQ(value, 2.5f);
    EXPECT_FALSE(BaseADMItem::TextToNumberProc(item, "2.5 cm", &value));
    EXPECT_FALSE(BaseADMItem::TextToNumberProc(item, "nan", &value));
    ADMItem::SetUserData(item, drawn);
  });
  // A press draws the pressed item again, before the next step.
  driver.Press(7).Look([&](ADMDialogRef) { EXPECT_EQ(draws, 2); }).Press(2);
  EXPECT_EQ(owner.Run(), 2);

  // An init procedure that finds no object answers PARM, and no dialog is made.
  EXPECT_EQ(ADMDialog::Create(gADMPluginRef, "Zent:Test:Bare", 901, 2, &InitWithoutObject, nullptr, 0), nullptr);
  EXPECT_EQ(gInitAnswer, kADMErrBadParm);
}

TEST_F(DialogTest, ItemTextsComeIntoHostTextObjectsOrLeaveThemEmpty) {
  auto units = [](ASText text) { return std::u16string(reinterpret_cast<const char16_t*>(ASTextGetUnicode(text))); };
  const int texts = hosttest::LiveTexts();
  std::vector<std::u16string> seen;
  TestDialog dialog;
  driver.Look([&](ADMDialogRef d) {
    ADMItemRef entry = ADMDialog::GetItem(d, 901);
    ASText text = NewTextFromADMItem(entry);
    seen.push_back(units(text));
    ADMItem::SetText(entry, "Trim");
    GetADMItemText(entry, text);
    seen.push_back(units(text));
    ADMItem::SetTextW(entry, reinterpret_cast<const ASUns16*>(u"Ma\u00DF \u2192 \U0001F4C4"));
    GetADMItemText(entry, text);
    seen.push_back(units(text));
    // A read that fails leaves an empty text, and nothing escapes.
    hosttest::RaiseOnNextCall(host::TableId::ADMItem, ADMItemSel::GetTextW, genErrNoMemory);
    GetADMItemText(entry, text);
    seen.push_back(units(text));
    ASTextDestroy(text);
  });
  driver.Press(2);
  EXPECT_EQ(dialog.Run(), 2);
  EXPECT_EQ(seen, (std::vector<std::u16string>{u"", u"Trim", u"Ma\u00DF \u2192 \U0001F4C4", u""}));
  EXPECT_EQ(hosttest::LiveTexts(), texts);
}

TEST_F(DialogTest, SuitesAreHeldFromTheFirstDialogObjectToTheLast) {
  hosttest::LogSuiteCalls(true);
  auto first = std::make_unique<TestDialog>();
  EXPECT_EQ(LogOf("acquire ").size(), 14u);
  EXPECT_EQ(LogOf("WinHost 4").size(), 1u);  // the resource context
  hosttest::ClearCallLog();
  auto second = std::make_unique<TestDialog>();
  first.reset();
  EXPECT_TRUE(LogOf("acquire ").empty());
  EXPECT_TRUE(LogOf("WinHost 4").empty());
  EXPECT_TRUE(LogOf("release ").empty());
  EXPECT_NE(ADMSuites.basic, nullptr);
  second.reset();
  const std::vector<std::string> expected = {
      "release ADM Basic Suite 7",       "release ADM Dialog Suite 7",          "release ADM Item Suite 6",
      "release ADM List Suite 3",        "release ADM Entry Suite 5",           "release ADM Icon Suite 2",
      "release ADM Dialog Group Suite 3", "release ADM Image Suite 2",          "release ADM Drawer Suite 4",
      "release ADM Notifier Suite 2",    "release ADM Tracker Suite 1",         "release ADM Hierarchy List Suite 3",
      "release ADM List Entry Suite 4",  "release ADM Win Host Suite 4"};
  EXPECT_EQ(LogOf("release "), expected);
  EXPECT_EQ(ADMSuites.basic, nullptr);

  // A suite the host withholds stays none, unreported; dialogs run; its
  // give-back is accepted and counted apart.
  hosttest::WithholdSuites({"ADM Tracker Suite"});
  hosttest::SuiteCounts before = hosttest::Suites();
  {
    TestDialog dialog;
    EXPECT_EQ(ADMSuites.tracker, nullptr);
    EXPECT_NE(ADMSuites.dialog, nullptr);
    driver.Press(2);
    EXPECT_EQ(dialog.Run(), 2);
  }
  EXPECT_EQ(hosttest::Suites().releasedNotGiven, before.releasedNotGiven + 1);
  EXPECT_EQ(hosttest::Suites().released, before.released + 13);
  EXPECT_EQ(driver.Events(), (std::vector<std::string>{"open 900", "close 900 2"}));
}

TEST_F(DialogTest, StylesGiveHostLayersAndFlags) {
  const struct {
    ASInt32 style, layer;
    unsigned flags;
  } cases[] = {{0, 3, 0x8A000000}, {2, 2, 0x5A000000}, {4, 2, 0xDA000000},
               {7, 2, 0x1A000000}, {1, 3, 0x08000000}, {11, 3, 0x08000000}};
  for (auto& c : cases) {
    SCOPED_TRACE("style " + std::to_string(c.style));
    hosttest::ClearCallLog();
    TestDialog dialog;
    dialog.style = c.style;
    EXPECT_EQ(hosttest::CurrentCursor(), 1112);
    int depth = -1;
    driver.Look([&](ADMDialogRef) {
      depth = hosttest::ModalDepth();
      EXPECT_EQ(hosttest::CurrentCursor(), 0);
      EXPECT_EQ(dialog.HostLayer(), c.layer);
    });
    driver.Press(2);
    EXPECT_EQ(dialog.Run(), 2);
    EXPECT_EQ(depth, c.layer == 3 ? 1 : 0);
    EXPECT_EQ(hosttest::ModalDepth(), 0);
    char made[64];
    std::snprintf(made, sizeof made, " made layer %d flags 0x%08X", c.layer, c.flags);
    auto windows = LogOf("host window ");
    ASSERT_FALSE(windows.empty());
    EXPECT_NE(windows.front().find(made), std::string::npos) << windows.front();
  }
}

TEST_F(DialogTest, PlacementFollowsDefaultBoundsAndMovesReachTheHook) {
  const struct {
    ADMRect defaults;
    CAcroADMDialog::Variant variant;
    ADMRect placed;
  } cases[] = {
      {{10, 20, 10, 20}, CAcroADMDialog::Variant::Standard, {10, 20, 10 + kWidth, 20 + kHeight}},
      {{0, 0, 0, 0}, CAcroADMDialog::Variant::Standard, {372, 335, 372 + kWidth, 335 + kHeight}},
      {{10, 20, 110, 220}, CAcroADMDialog::Variant::Standard, {10, 20, 110, 220}},
      // kept on the 1024 x 768 screen, except by the image-alternates base
      {{1000, 700, 1000, 700}, CAcroADMDialog::Variant::Standard, {1024 - kWidth, 768 - kHeight, 1024, 768}},
      {{1000, 700, 1000, 700}, CAcroADMDialog::Variant::ImageAlternates, {1000, 700, 1000 + kWidth, 700 + kHeight}},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.defaults.left) + "," + std::to_string(c.defaults.right));
    hosttest::ClearCallLog();
    TestDialog dialog(900, c.variant);
    dialog.bounds = c.defaults;
    bool alternates = c.variant == CAcroADMDialog::Variant::ImageAlternates;
    EXPECT_EQ(LogOf("busy 1 0").size(), alternates ? 1u : 0u);
    driver.Look([&](ADMDialogRef d) {
      ADMRect placed = host::DescribeDialog(d).bounds;
      EXPECT_TRUE(Same(placed, c.placed)) << placed.left << " " << placed.top << " " << placed.right << " "
                                           << placed.bottom;
      EXPECT_TRUE(dialog.HasOKItem());
    });
    driver.Move(30, 40).Resize(100, 50).Press(2);
    EXPECT_EQ(dialog.Run(), 2);
    ASSERT_EQ(dialog.boundsSeen.size(), 2u);
    EXPECT_TRUE(Same(dialog.boundsSeen[0], ADMRect{30, 40, 30 + c.placed.right - c.placed.left, 40 + c.placed.bottom - c.placed.top}));
    EXPECT_TRUE(Same(dialog.boundsSeen[1], ADMRect{30, 40, 130, 90}));
  }
}

TEST_F(DialogTest, OKSavesOnlyWhatValidates) {
  TestDialog refused;
  driver.Press(1).Look([&](ADMDialogRef) { EXPECT_EQ(refused.saves, 0); }).Press(2);
  EXPECT_EQ(refused.Run(), 2);
  EXPECT_EQ(refused.saves, 0);
  EXPECT_EQ(LogOf("ADM Host 21").size(), 1u);
  EXPECT_EQ(LogOf("release ADM Host Suite 6").size(), 1u);

  TestDialog accepted;
  driver.SetText(901, "typed").Check(902, true).Press(1);
  EXPECT_EQ(accepted.Run(), 1);
  EXPECT_EQ(accepted.saves, 1);

  TestDialog cancelled;
  driver.Check(902, true).Press(2);
  EXPECT_EQ(cancelled.Run(), 2);
  EXPECT_EQ(cancelled.saves, 0);
  EXPECT_EQ(cancelled.destroys, 1);
}

TEST_F(DialogTest, ModelessDialogIdlesShowsAndCancels) {
  auto* dialog = new TestDialog(901);
  ADMDialogRef ref = dialog->Open();
  ASSERT_NE(ref, nullptr);
  EXPECT_FALSE(dialog->HasOKItem());
  EXPECT_EQ(dialog->HostLayer(), 2);
  EXPECT_FALSE(host::DescribeDialog(ref).visible);
  dialog->Show(true);
  EXPECT_TRUE(host::DescribeDialog(ref).visible);
  hosttest::ClearCallLog();
  dialog->Show(false);
  EXPECT_FALSE(host::DescribeDialog(ref).visible);
  EXPECT_EQ(LogOf("host window ").size(), 1u);
  EXPECT_NE(LogOf("host window ").front().find("hidden"), std::string::npos);

  hosttest::SetTickCount(1000);
  dialog->Idle();
  hosttest::SetTickCount(1080);
  dialog->Idle();
  EXPECT_TRUE(LogOf("idle window ").empty());
  hosttest::SetTickCount(1200);
  bool cancelled = false;
  dialog->CheckCancel(&cancelled);
  EXPECT_FALSE(cancelled);
  EXPECT_EQ(LogOf("idle window ").size(), 1u);
  hosttest::SetCancel(true);
  hosttest::SetTickCount(1400);
  dialog->CheckCancel(&cancelled);
  EXPECT_TRUE(cancelled);
  EXPECT_EQ(LogOf("idle window ").size(), 1u);

  ADMItemRef stop = ADMDialog::GetItem(ref, 3);
  ADMItemSetText(stop, "Halt \xE9", 0);
  EXPECT_EQ(ItemText(ref, 3), "Halt \xE9");
  SetADMItemText(stop, nullptr);
  EXPECT_EQ(ItemText(ref, 3), "");

  dialog->Destroy();
  EXPECT_EQ(hosttest::HostWindowCount(), 0);
  delete dialog;
  EXPECT_EQ(driver.Events(), (std::vector<std::string>{"open 901", "close 901"}));
}

TEST_F(DialogTest, ModalRunsNest) {
  TestDialog outer(902);
  driver.Press(3, 902).Press(2, 900).Press(1, 902);
  EXPECT_EQ(outer.Run(), 1);
  EXPECT_EQ(outer.innerResult, 2);
  EXPECT_EQ(LogOf("dialog "), (std::vector<std::string>{"dialog 902 made", "dialog 900 made", "dialog 900 destroyed",
                                                         "dialog 902 destroyed"}));
  EXPECT_EQ(driver.Events(), (std::vector<std::string>{"open 902", "open 900", "close 900 2", "close 902 1"}));

  // A dialog made modeless runs modally without a second init; its object
  // goes with it.
  int inits = 0;
  auto* made = new TestDialog(900);
  made->onInit = [&](TestDialog&) { ++inits; };
  ASSERT_NE(made->Open(), nullptr);
  driver.Press(2, 900);
  EXPECT_EQ(made->RunMadeDialog(), 2);
  EXPECT_EQ(inits, 1);
}

TEST_F(DialogTest, AlertsAskTheHandlerFirstThenTheDriver) {
  driver.AnswerAlert(2);
  EXPECT_EQ(AVAlert(0, "q", "Yes", "No", nullptr, 0), 2);
  AVAlertNote("n");
  EXPECT_EQ(driver.Events(), std::vector<std::string>{"note n"});
  EXPECT_THROW(AVAlertConfirm("unanswered"), hosttest::DriverStop);
  host::SetAlertHandler([](const host::AlertRequest&) { return 3; });
  EXPECT_EQ(AVAlert(0, "q", "A", "B", "C", 0), 3);
  host::SetAlertHandler(nullptr);
  host::SetDriver(nullptr);
  EXPECT_EQ(AVAlert(0, "q", "A", "B", "C", 0), 1);
  host::SetDriver(&driver);
}

TEST_F(DialogTest, FailuresEndTheDialogOnTheirWay) {
  {
    TestDialog throws(903);
    try {
      throws.Run();
      ADD_FAILURE() << "InitSelf's exception did not arrive";
    } catch (const Zentu::AcrobatException& e) {
      EXPECT_EQ(e.Where(), "TestDialog::InitSelf()");
    }
    EXPECT_EQ(throws.destroys, 1);
    EXPECT_EQ(hosttest::CurrentCursor(), 1112);
  }
  EXPECT_TRUE(driver.Events().empty());
  TestDialog next;
  ADMDialogRef gone = nullptr;
  driver.Look([&](ADMDialogRef d) { gone = d; }).Press(2);
  EXPECT_EQ(next.Run(), 2);
  // A dialog that went is refused, not read.
  HostRegionResult stale = HostRegion([&] { ADMDialog::GetUserData(gone); });
  EXPECT_TRUE(stale.raised);
  EXPECT_EQ(stale.code, genErrBadHandle);

  // A raise while the host window is made, or while the modal state is
  // entered: the run answers -1 and leaves nothing.
  for (ASUns32 selector : {AcroViewSel::WindowNewFromPlatformThing, AcroViewSel::AppBeginModal}) {
    SCOPED_TRACE(selector);
    hosttest::ClearCallLog();
    TestDialog dialog;
    hosttest::RaiseOnNextCall(host::TableId::AcroView, selector, genErrGeneral);
    EXPECT_EQ(dialog.Run(), -1);
    EXPECT_EQ(hosttest::ModalDepth(), 0);
    EXPECT_EQ(hosttest::HostWindowCount(), 0);
    EXPECT_EQ(LogOf("host window ").size(), selector == AcroViewSel::AppBeginModal ? 2u : 0u);
  }
}

TEST_F(DialogTest, DriverStopsWhereNoStepFits) {
  {
    TestDialog waiting;
    try {
      waiting.Run();
      ADD_FAILURE() << "the run went on without a step";
    } catch (const hosttest::DriverStop& e) {
      EXPECT_STREQ(e.what(), "no step for dialog 900 \"Test dialog\"");
    }
  }
  {
    TestDialog disabled(904);
    driver.Press(3);
    try {
      disabled.Run();
      ADD_FAILURE() << "a disabled button was pressed";
    } catch (const hosttest::DriverStop& e) {
      EXPECT_STREQ(e.what(), "item 3 \"Off\" is disabled in dialog 904 \"Disabled\"");
    }
  }
  {
    TestDialog wrong;
    driver.Press(2, 902);
    EXPECT_THROW(wrong.Run(), hosttest::DriverStop);
  }
}

TEST(DialogResources, OwnTablesComeBeforeTheCommonOnes) {
  hosttest::BindTables();
  static const PIDialogTemplate own[] = {{900, "Own", 10, 10, "", 8, nullptr, 0}};
  static const PIDialogTemplate common[] = {{900, "Common", 10, 10, "", 8, nullptr, 0}, {132, "About", 10, 10, "", 8, nullptr, 0}};
  static const ASUns32 palette[] = {0xFFFFFF};
  static const ASUns8 pixels[] = {0};
  static const PIBitmapResource bitmaps[] = {{107, 1, 1, 1, palette, pixels}};
  static const char profile[] = "icc";
  static const PIBinaryResource binaries[] = {{"ICCPROFILE", 110, profile, 3}};
  static const PIResourceTable ownTable = {own, 1, nullptr, 0, nullptr, 0};
  static const PIResourceTable commonTable = {common, 2, bitmaps, 1, binaries, 1};
  static const PIResourceTable* const tables[] = {&ownTable, nullptr, &commonTable};
  static const PIResourceDirectory directory = {sizeof(PIResourceDirectory), tables, 3};
  static const PIResourceDirectory damaged = {4, tables, 3};
  static const char anchor = 0;  // any address stands for a module here
  WinModule module = reinterpret_cast<WinModule>(const_cast<char*>(&anchor));

  host::RegisterResources(module, &directory);
  EXPECT_STREQ(host::FindDialogTemplate(module, 900)->title, "Own");
  EXPECT_STREQ(host::FindDialogTemplate(module, 132)->title, "About");
  EXPECT_EQ(host::FindDialogTemplate(module, 136), nullptr);
  EXPECT_EQ(host::FindBitmap(module, 107)->width, 1);
  EXPECT_EQ(host::FindBinary(module, "ICCPROFILE", 110)->size, 3u);
  EXPECT_EQ(host::FindBinary(module, "ICCPROFILE", 112), nullptr);
  EXPECT_EQ(host::FindBinary(module, "BITMAP", 110), nullptr);
  EXPECT_EQ(host::FindDialogTemplate(nullptr, 900), nullptr);
  host::RegisterResources(module, &damaged);
  EXPECT_EQ(host::FindDialogTemplate(module, 900), nullptr);
  host::RegisterResources(module, nullptr);
  EXPECT_EQ(host::FindDialogTemplate(module, 132), nullptr);
}

TEST(DialogMetrics, TextAndDialogUnits) {
  using namespace host::metrics;
  const struct {
    const char* text;
    ASInt32 width, height;
  } texts[] = {{"ten chars!", 70, 21}, {"&Open", 34, 21}, {"", 10, 21}, {"two\nlines", 40, 34}};
  for (auto& t : texts) {
    ASInt32 w, h;
    NeededSize(t.text, &w, &h);
    EXPECT_EQ(w, t.width) << t.text;
    EXPECT_EQ(h, t.height) << t.text;
  }
  EXPECT_EQ(DialogUnitsToPixelsX(34), 51);
  EXPECT_EQ(DialogUnitsToPixelsY(60), 97);
  EXPECT_EQ(DialogUnitsToPixelsY(1), 1);
}

// Items, lists, pictures and the common dialogs ----------------------------------
// 907 with hooks around the tidy-up; a changed on/off item is synced.
struct MapDialog : Zentu::AcroADMDialog {
  ASInt32 Run() { return Modal(gADMPluginRef, "Zent:Test:MapDialog", 907, 0, 0); }
  void InitSelf() override {
    if (before) before(*this);
    AcroADMDialog::InitSelf();
  }
  void DestroySelf() override {}
  void Notify(ADMNotifierRef notifier) override {
    if (ADMNotifier::IsNotifierType(notifier, ADM_NOTIFY_USER_CHANGED)) SyncItem(ADMNotifier::GetItem(notifier));
    AcroADMDialog::Notify(notifier);
  }
  ADMDialogRef Dialog() const { return dialog_; }
  std::function<void(MapDialog&)> before;
};

struct About : Zentu::AboutDlgADM {
  Zentu::DlgImage* Small() const { return smallPicture_; }
  Zentu::DlgImage* Large() const { return largePicture_; }
};

TEST_F(DialogTest, TidyUpWidensButtonsAndSendsFramesBehind) {
  MapDialog dialog;
  dialog.before = [](MapDialog& d) {
    ADMRect fifty{100, 160, 150, 181};
    ADMItemRef made = ADMDialog::CreateItem(d.Dialog(), 1030, ADM_ITEM_PUSH_BUTTON, &fifty, nullptr, nullptr, 0);
    ASSERT_NE(made, nullptr);
    ADMItem::SetText(made, "ten chars!");
  };
  const struct {
    ASInt32 id;
    ADMRect bounds;
  } expected[] = {
      {1030, {90, 160, 160, 181}},   // made 50 wide, its text needs 70
      {1020, {159, 130, 230, 152}},  // 34 units, 51 pixels: 71
      {1, {10, 130, 85, 152}},       // its text fits
  };
  driver.Look([&](ADMDialogRef d) {
    for (auto& e : expected) {
      ADMRect r = ItemOf(d, e.id).bounds;
      EXPECT_TRUE(Same(r, e.bounds)) << e.id << ": " << r.left << " " << r.top << " " << r.right << " " << r.bottom;
    }
  });
  driver.Press(2);
  EXPECT_EQ(dialog.Run(), 2);
  std::vector<std::string> bottom;
  for (auto& entry : hosttest::CallLog())
    if (entry.find(" window to the bottom") != std::string::npos) bottom.push_back(entry);
  EXPECT_EQ(bottom, (std::vector<std::string>{"item 1021 window to the bottom", "item 1022 window to the bottom"}));
}

TEST_F(DialogTest, ItemMapDrivesFlagsAndDependants) {
  MapDialog dialog;
  bool inverse = false;
  dialog.before = [&](MapDialog& d) {
    d.AddDependentItem(1011, 1013, false);
    d.AddDependentItem(1011, 1014, true);  // later in identifier order than 1010's: it wins
    d.AddDependentItem(1010, 1012, true);
    d.AddDependentItem(1010, 1014, true);
    d.BindItemFlag(1011, &inverse);
  };
  const struct {
    ASInt32 check;  // 0: the dialog as it opens
    bool on;
    bool inverse, e1012, e1013, e1014;
  } steps[] = {
      {0, false, true, false, false, true},
      {1010, true, true, true, false, true},
      {1011, false, false, true, true, false},
      {1010, false, false, false, true, false},
  };
  for (auto& step : steps) {
    if (step.check) driver.Check(step.check, step.on);
    driver.Look([&, step](ADMDialogRef d) {
      SCOPED_TRACE(step.check);
      EXPECT_EQ(inverse, step.inverse);
      EXPECT_EQ(ItemOf(d, 1012).enabled, step.e1012);
      EXPECT_EQ(ItemOf(d, 1013).enabled, step.e1013);
      EXPECT_EQ(ItemOf(d, 1014).enabled, step.e1014);
    });
  }
  driver.Press(1);
  EXPECT_EQ(dialog.Run(), 1);
}

TEST_F(DialogTest, ItemOperationsByIdentifier) {
  MapDialog dialog;
  const std::string longText(150, 'w');
  driver.Look([&](ADMDialogRef d) {
    ADMListRef list = ADMItem::GetList(ADMDialog::GetItem(d, 1015));
    for (const char* text : {"one", "two"}) ADMEntry::SetText(ADMList::InsertEntry(list, -1), text);
    auto chosen = [&] { return ItemText(d, 1015); };
    const struct {
      const char* text;
      bool first;
      const char* chosen;
    } choices[] = {{"two", false, "two"}, {"", false, "two"}, {"nope", true, "one"}, {"two", true, "two"}, {"", true, "one"},
                   {"nope", false, "one"}};
    for (auto& c : choices) {
      dialog.SetItemChoice(1015, c.text, c.first);
      EXPECT_EQ(chosen(), c.chosen) << c.text << " " << c.first;
    }
    dialog.ClearList(1015);
    EXPECT_TRUE(host::DescribeList(ADMDialog::GetItem(d, 1015)).empty());
    EXPECT_EQ(LogOf("item 1015 combo box reset").size(), 1u);

    dialog.SetItemText(1016, longText);
    EXPECT_EQ(dialog.GetItemValue(1016), longText);
    std::string kept = "kept";
    dialog.ReadItemValue(9999, kept);
    EXPECT_EQ(kept, "kept");
    hosttest::FailNextAllocation();  // a long text without memory is not read
    dialog.ReadItemValue(1016, kept);
    EXPECT_EQ(kept, "kept");

    dialog.SetWaitCursor(false);  // nothing kept yet: the arrow
    EXPECT_EQ(host::DescribeDialog(d).cursor, kADMArrowCursor);
    ADMDialog::SetCursorID(d, gADMPluginRef, 5);
    dialog.SetWaitCursor(true);
    EXPECT_EQ(host::DescribeDialog(d).cursor, kADMWaitCursor);
    dialog.SetWaitCursor(false);
    EXPECT_EQ(host::DescribeDialog(d).cursor, 5);
  });
  driver.Press(2);
  EXPECT_EQ(dialog.Run(), 2);
}

TEST_F(DialogTest, PicturesLoadEachBitmapOnceAndLeaveNothing) {
  {
    About about;
    driver.Look([&](ADMDialogRef d) {
      // The first drawing gave each picture its bitmap's size.
      EXPECT_EQ(ItemOf(d, 1018).bounds.right - ItemOf(d, 1018).bounds.left, 32);
      EXPECT_EQ(ItemOf(d, 1020).bounds.bottom - ItemOf(d, 1020).bounds.top, 80);
      EXPECT_EQ(ItemText(d, 1018), "bitmap 107");
      hosttest::ClearCallLog();
      for (ASInt32 n : {123, 150, 107, 123, 150, 107}) EXPECT_TRUE(about.Small()->SetImage(n)) << n;
      EXPECT_FALSE(about.Small()->SetImage(999));
      host::DrawPending();
      EXPECT_EQ(ItemText(d, 1018), "bitmap 107");
      EXPECT_EQ(LogOf("bitmap "), (std::vector<std::string>{"bitmap 123 loaded", "bitmap 150 loaded"}));
      EXPECT_EQ(LogOf("no bitmap ").size(), 1u);
    });
    driver.Press(1);
    EXPECT_EQ(about.DoModal(), 1);
  }
  EXPECT_EQ(hosttest::LiveBitmaps(), 0);
  EXPECT_EQ(hosttest::LiveDeviceContexts(), 0);

  About without;
  hosttest::FailNextAllocation();
  driver.Look([&](ADMDialogRef d) {
    EXPECT_EQ(without.Small(), nullptr);
    EXPECT_NE(without.Large(), nullptr);
    EXPECT_EQ(ItemText(d, 1018), "");
    EXPECT_EQ(ItemText(d, 1020), "bitmap 123");
  });
  driver.Press(1);
  EXPECT_EQ(without.DoModal(), 1);
}

TEST_F(DialogTest, AboutShowsItsVersionAndBuildAndNamesItsFailures) {
  {
    About about;
    driver.Look([&](ADMDialogRef d) {
      EXPECT_EQ(ItemOf(d, 1023).type, ADM_ITEM_STATIC_MULTILINE);
      EXPECT_TRUE(std::regex_match(ItemText(d, 1023),
                                   std::regex("Zentu PDF/X Corvane checks PDF files for print exchange\\.\n"
                                              "Copyright Zentu; all rights reserved\\.\nversion 3\\.01\n"
                                              "[A-Z][a-z]{2} [ 123][0-9] [0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}")))
          << ItemText(d, 1023);
      EXPECT_EQ(host::DescribeDialog(d).name, "Zent:PDF/X Corvane 3:AboutDlgADM");
    });
    driver.Press(1);
    EXPECT_EQ(about.DoModal(), 1);
  }
  About failing;
  hosttest::RaiseOnNextCall(host::TableId::ADMItem, ADMItemSel::PrepareStaticText, genErrGeneral);
  try {
    failing.DoModal();
    ADD_FAILURE() << "the raise did not arrive";
  } catch (const Zentu::AcrobatException& e) {
    EXPECT_EQ(e.ObjectNumber(), 0);
    EXPECT_EQ(e.ErrorCode(), genErrGeneral);
    EXPECT_EQ(e.Where(), "AboutDlgADM::InitSelf()");
  }
}

TEST_F(DialogTest, StringEntrySwallowsHostFailures) {
  Zentu::SetDialogNamePrefix("Zent:Framewick");
  Zentu::StringEntryDlgADM entry("", "Prompt");
  entry.SetValue("preset");
  hosttest::RaiseOnNextCall(host::TableId::ADMItem, ADMItemSel::SelectAll, genErrGeneral);
  driver.Look([&](ADMDialogRef d) {
    EXPECT_EQ(host::DescribeDialog(d).name, "Zent:Framewick:StringEntryDlgADM");
    EXPECT_EQ(host::DescribeDialog(d).title, "Please enter the requested string");
    EXPECT_EQ(ItemText(d, 1005), "preset");
    EXPECT_TRUE(LogOf("item 1005 focus").empty());  // the raise came before
  });
  driver.SetText(1005, "typed").Press(1);
  EXPECT_EQ(entry.DoModal(), 1);
  EXPECT_EQ(entry.GetValue(), "typed");
  Zentu::SetDialogNamePrefix("Zent:PDF/X Corvane 3");
}

// Both kinds of chooser: the answer made absolute, the default extension of
// a save, and never more than the caller's buffer holds.
TEST_F(DialogTest, ChoosersAnswerAbsolutePathsThatFit) {
  char folder[PATH_MAX];
  ASSERT_NE(::getcwd(folder, sizeof folder), nullptr);
  std::string cwd = folder;
  enum Form { PlatformSave, PlatformOpen, HostSave, HostOpen };
  const struct {
    Form form;
    ASUns32 room;
    const char* answer;
    std::string chosen;  // empty: nothing chosen
    ASUns32 error;
  } cases[] = {
      {PlatformSave, 1024, "out", cwd + "/out.log", 0},
      {PlatformSave, 1024, "./d.x/out", cwd + "/d.x/out.log", 0},
      {PlatformSave, 1024, "out.txt", cwd + "/out.txt", 0},
      {PlatformOpen, 1024, "/abs/profile", "/abs/profile", 0},
      {PlatformSave, static_cast<ASUns32>(cwd.size() + 8), "out", "", winErrChooserBufferTooSmall},
      {HostSave, 0, "report", cwd + "/report.extension-of-32-characters......", 0},
      {HostOpen, 0, "/abs/a.icc", "/abs/a.icc", 0},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.answer);
    driver.AnswerFile(c.answer);
    std::string chosen;
    if (c.form == PlatformSave || c.form == PlatformOpen) {
      std::string buffer(c.room + 8, '#');
      std::memcpy(&buffer[0], "before", 7);
      WinFileDialogRec record{};
      record.size = sizeof record;
      record.file = &buffer[0];
      record.fileSize = c.room;
      record.defaultExtension = "log";
      ASBool ok = c.form == PlatformSave ? WinGetSaveFileName(&record) : WinGetOpenFileName(&record);
      if (ok) chosen = record.file;
      EXPECT_EQ(WinChooserError(), c.error);
      EXPECT_EQ(buffer.substr(c.room), std::string(8, '#'));  // nothing past the buffer
    } else {
      AVFileDescRec full{};
      std::memcpy(full.extension, "extension-of-32-characters......", 32);  // no zero
      AVFileFilterRec filter{nullptr, &full, 1};
      AVFileFilterRec* filters[] = {&filter};
      AVFileDialogParams params{};
      params.size = sizeof params;
      params.initialFileName = "name";
      params.filters = filters;
      params.filterCount = 1;
      if (c.form == HostSave) {
        ASPathName path = nullptr;
        if (AVSaveFileDialog(&params, nullptr, &path, nullptr)) chosen = ASPathGetText(path);
        ASFileSysReleasePath(nullptr, path);
      } else {
        ASPathName* paths = nullptr;
        ASUns16 count = 0;
        if (AVOpenFileDialog(&params, nullptr, &paths, &count, nullptr) && count == 1) chosen = ASPathGetText(paths[0]);
        if (paths) ASFileSysReleasePath(nullptr, paths[0]);
      }
    }
    EXPECT_EQ(chosen, c.chosen);
  }
  EXPECT_EQ(driver.Files().size(), PI_COUNT_OF(cases));
  EXPECT_EQ(driver.Files()[4], "save \"\" \"before\" -> error 12291");
}

// Presses reach a working modeless dialog in the round they were queued
// for, and never a modal one.
TEST_F(DialogTest, PumpDeliversPressesToModelessDialogsInTheirRound) {
  auto* work = new WorkDialog;
  ASSERT_NE(work->Open(), nullptr);
  work->Show(true);
  driver.PressInRound(2, 1).PressInRound(4, 3).PressInRound(4, 3);
  work->Work();
  EXPECT_EQ(work->presses, (std::vector<int>{0, 1, 0, 2, 0, 0, 0, 0, 0, 0}));
  delete work;

  TestDialog modal;
  driver.Look([](ADMDialogRef d) {
    std::string why;
    EXPECT_FALSE(host::QueuePress(ItemOf(d, 1).ref, &why));
    EXPECT_NE(why.find("is modal"), std::string::npos) << why;
  });
  driver.Press(2);
  EXPECT_EQ(modal.Run(), 2);
}

}  // namespace
