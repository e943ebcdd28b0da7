// Glimmerset's frame in this process: its menus, button and unload, the Show
// switch and the replacement of PDModel 345 through the table, and what the
// image commands tell the host (cursor, redraw) behind the permission check.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "alternates/BatchClient.h"
#include "alternates/GlimmersetPlugIn.h"
#include "alternates/GlimmersetResources.h"
#include "common/CommonDialogs.h"
#include "dialogs/manager.h"
#include "testing/driver.h"
#include "testing/pdfmaker.h"

namespace {

PI_EXPORT_RESOURCES(&kGlimmersetResources, &Zentu::kCommonResources);

std::string Sample(const std::string& name) { return std::string(SAMPLES) + "/" + name + ".pdf"; }

// The host log from the first line that begins with `from`.
std::vector<std::string> LogFrom(const std::string& from) {
  const auto& log = hosttest::CallLog();
  std::vector<std::string> out;
  for (const std::string& line : log)
    if (!out.empty() || line.compare(0, from.size(), from) == 0) out.push_back(line);
  return out;
}

class GlimmersetFrameTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    hosttest::BindTables();
    hosttest::RegisterResources(&PIResources);
  }
  void SetUp() override {
    ::setenv("PLUGHOST_HOME", home_.File("settings").c_str(), 1);
    // The batch idle procedure stays to the host's exit: made before counting.
    ASSERT_TRUE(RegisterBatchIdleProc());
    callbacks_ = hosttest::LiveCallbacks();
    notifications_ = hosttest::NotificationCount();
    host::SetAlertHandler([this](const host::AlertRequest& r) {
      alerts_.push_back(r.message);
      return 1;
    });
    ASSERT_TRUE(PluginImportReplaceAndRegister());
  }
  void TearDown() override {
    if (loaded_) PluginUnload();
    host::SetAlertHandler(nullptr);
    host::SetPasswordHandler(nullptr);
    hosttest::SetToolBarRoom(true);
    hosttest::SetSecurityHandlerName("");
    host::CloseAllDocuments();
  }
  void Init() {
    ASSERT_TRUE(PluginInit());
    loaded_ = true;
  }
  void Menu(const std::string& name) {
    std::string why;
    EXPECT_TRUE(host::ExecuteMenuItem(name, &why)) << why;
  }

  hosttest::TempDir home_;
  std::vector<std::string> alerts_;
  int callbacks_ = 0, notifications_ = 0;
  bool loaded_ = false;
};

TEST_F(GlimmersetFrameTest, InitAndUnloadLeaveTheHostAsTheyFoundIt) {
  for (bool room : {false, true}) {
    SCOPED_TRACE(room);
    if (room) {
      ASSERT_TRUE(PluginImportReplaceAndRegister());
    }
    hosttest::SetToolBarRoom(room);
    Init();
    AVMenubar bar = AVAppGetMenubar();
    for (const char* name : {"zent:GlimmersetImgToolsM", "zent:GlimmersetAltsM"}) {
      EXPECT_NE(AVMenubarAcquireMenuByName(bar, name), nullptr) << name;
    }
    EXPECT_EQ(host::ToolBarButtons().size(), room ? 2u : 1u);  // beside the host's separator
    std::vector<std::string> removed;
    for (const char* item : {"AboutMI", "ModImagesMI", "CreateAltsMI", "ShowAltsMI", "RemoveAltsMI", "AltsMI",
                             "ImgToolsMI"})
      removed.push_back(std::string("menu item removed zent:Glimmerset") + item);
    if (room) removed.push_back("toolbar button removed zent:GlimmersetShowAltsTB");
    hosttest::ClearCallLog();
    loaded_ = false;
    EXPECT_TRUE(PluginUnload());
    EXPECT_EQ(hosttest::CallLog(), removed);
    EXPECT_EQ(hosttest::LiveCallbacks(), callbacks_);
    EXPECT_EQ(hosttest::NotificationCount(), notifications_);
  }
  for (const auto& entry : host::MenuTree()) EXPECT_EQ(entry.name.find("zent:"), std::string::npos) << entry.name;
}

// The only test that sends notification 0: the replacement stays with the
// host for the rest of the process, as it stays until the host quits.
TEST_F(GlimmersetFrameTest, TheReplacementDrawsTheMarkedAlternateOnScreenOnly) {
  Init();
  hosttest::ClearCallLog();
  Menu("zent:GlimmersetShowAltsMI");
  EXPECT_EQ(hosttest::CallLog(), std::vector<std::string>{});  // no document: the flag alone
  host::OpenInView(Sample("alts"));
  Menu("zent:GlimmersetShowAltsMI");
  Menu("zent:GlimmersetShowAltsMI");
  EXPECT_EQ(LogFrom("invalidate"), (std::vector<std::string>{"invalidate all", "invalidate all"}));

  host::SendAppStarted();
  EXPECT_EQ(hosttest::NotificationCount(), notifications_);
  CosDoc cos = PDDocGetCosDoc(host::ViewPDDoc(host::ActiveViewDocument()));
  CosObj im1 = CosDocGetObjByID(cos, 3), b = CosDocGetObjByID(cos, 10);
  const struct {
    ASBool flag;
    CosObj answer;
    ASBool chosen;
  } rows[] = {{1, im1, 0}, {0, b, 1}};
  for (const auto& row : rows) {
    ASBool chosen = 0;
    CosObj answer = PDImageSelectAlternate(im1, row.flag, nullptr, &chosen, nullptr);
    EXPECT_TRUE(CosObjEqual(answer, row.answer)) << int(row.flag);
    EXPECT_EQ(chosen, row.chosen);
  }
  loaded_ = false;
  EXPECT_TRUE(PluginUnload());
  EXPECT_EQ(hosttest::LiveCallbacks(), callbacks_ + 1);
  EXPECT_EQ(hosttest::NotificationCount(), notifications_);
  ASBool chosen = 0;
  EXPECT_TRUE(CosObjEqual(PDImageSelectAlternate(im1, 0, nullptr, &chosen, nullptr), im1));
  EXPECT_EQ(chosen, 0);
}

TEST_F(GlimmersetFrameTest, ImageCommandsWaitRedrawAndAskFirstWhenLocked) {
  Init();
  host::OpenInView(Sample("images"));
  const std::vector<std::string> drawn = {"draw page 1", "image 3 0 R", "image 4 0 R", "image 5 0 R", "image 7 0 R"};
  // The collection's progress, one step a page.
  const std::vector<std::string> collected = {"PROGRESS begin", "PROGRESS duration 3", "PROGRESS value 0",
                                              "PROGRESS value 1", "PROGRESS value 2", "PROGRESS value 3",
                                              "PROGRESS end"};
  auto with = [&](std::vector<std::string> head, bool draw) {
    if (draw) {
      head.insert(head.end() - 1, collected.begin(), collected.end());
      head.insert(head.end(), drawn.begin(), drawn.end());
    }
    head.push_back("cursor 0");
    return head;
  };
  const struct {
    const char* item;
    std::vector<std::string> log;
  } rows[] = {
      {"zent:GlimmersetCreateAltsMI", with({"cursor 1112", "invalidate all"}, true)},
      {"zent:GlimmersetModImagesMI", with({"cursor 1112", "invalidate all", "invalidate all"}, true)},
      {"zent:GlimmersetRemoveAltsMI", with({"cursor 1112", "invalidate all"}, false)},
  };
  host::SetPasswordHandler([](const host::PasswordRequest&, std::string*) {
    ADD_FAILURE() << "a document that grants modifying asks nothing";
    return false;
  });
  // Progress and images drawn change with the conversion; not told here.
  auto framed = [](std::vector<std::string> log) {
    auto told = [](const std::string& l) { return l.rfind("PROGRESS", 0) && l.rfind("image ", 0) && l.rfind("page res", 0); };
    log.erase(std::stable_partition(log.begin(), log.end(), told), log.end());
    return log;
  };
  for (const auto& row : rows) {
    hosttest::ClearCallLog();
    hosttest::TestDriver driver;
    if (std::string(row.item) != "zent:GlimmersetRemoveAltsMI") driver.Press(1, 131);
    Menu(row.item);
    EXPECT_EQ(framed(LogFrom("cursor 1112")), framed(row.log)) << row.item;
  }

  hosttest::TempDir work;
  const std::string locked = work.File("locked.pdf");
  ASSERT_EQ(hosttest::RunCommand("qpdf --encrypt u o 256 --modify=none -- " + hosttest::Quoted(Sample("images")) +
                                 " " + hosttest::Quoted(locked)),
            0);
  host::DocOpenOptions options;
  options.password = "u";
  host::OpenInView(locked, options);
  const struct {
    const char* handler;
    const char* password;  // none: cancelled
    bool asked, ran;
  } locks[] = {{"", "x", true, false}, {"", nullptr, true, false}, {"Other", "o", false, false}, {"", "o", true, true}};
  for (const auto& lock : locks) {
    hosttest::SetSecurityHandlerName(lock.handler);
    bool asked = false;
    host::SetPasswordHandler([&](const host::PasswordRequest&, std::string* password) {
      asked = true;
      if (lock.password) *password = lock.password;
      return lock.password != nullptr;
    });
    hosttest::ClearCallLog();
    alerts_.clear();
    Menu("zent:GlimmersetRemoveAltsMI");
    EXPECT_EQ(asked, lock.asked) << lock.handler;
    EXPECT_EQ(framed(LogFrom("cursor 1112")).size(), lock.ran ? 3u : 0u);
    EXPECT_EQ(alerts_.size(), lock.ran ? 0u : 1u);
  }
  EXPECT_EQ(alerts_, std::vector<std::string>{});
}

}  // namespace
