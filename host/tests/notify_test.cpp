// Notifications about documents, views and pages, as the steps `open`,
// `activate`, `close`, `page` and `set-page-key` raise them, and handlers
// that come and go while one is sent; preference changes and the host's
// menu items that switch them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/host.h"
#include "host/calls.h"
#include "host/piglue.h"

namespace {

std::vector<std::string> gHeard;

std::string Id(const void* handle) { return std::to_string(reinterpret_cast<uintptr_t>(handle)); }

void Activated(AVDoc doc, void* second, void*) { gHeard.push_back("2 " + Id(doc) + (second ? "" : " null")); }
void Closing(AVDoc doc, void*) { gHeard.push_back("7 " + Id(doc)); }
void PageChanged(PDPage page, void*) { gHeard.push_back("34 page " + std::to_string(PDPageGetNumber(page))); }

ASCallback gLate = nullptr;
void Late(AVPageView, void*) { gHeard.push_back("14 late"); }
// Unregisters the handler after it and registers another, the first time.
ASCallback gSecond = nullptr;
void First(AVPageView view, void* data) {
  gHeard.push_back("14 first");
  if (gLate) return;
  AVAppUnregisterNotification(avNotifyPageViewDidChange, gExtensionID, gSecond, data);
  gLate = ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(&Late));
  AVAppRegisterNotification(avNotifyPageViewDidChange, gExtensionID, gLate, data);
  (void)view;
}
void Second(AVPageView, void*) { gHeard.push_back("14 second"); }

TEST(Notifications, DocumentsViewsAndPagesAreToldInTheOrderRegistered) {
  hosttest::BindTables();
  gHeard.clear();
  const struct {
    ASInt32 type;
    void* proc;
  } handlers[] = {{avNotifyDocDidActivate, reinterpret_cast<void*>(&Activated)},
                  {avNotifyDocWillClose, reinterpret_cast<void*>(&Closing)},
                  {pdNotifyPageDidChange, reinterpret_cast<void*>(&PageChanged)},
                  {avNotifyPageViewDidChange, reinterpret_cast<void*>(&First)},
                  {avNotifyPageViewDidChange, reinterpret_cast<void*>(&Second)}};
  for (const auto& h : handlers) {
    ASCallback callback = ASCallbackCreate(gExtensionID, h.proc);
    if (h.proc == reinterpret_cast<void*>(&Second)) gSecond = callback;
    AVAppRegisterNotification(h.type, gExtensionID, callback, nullptr);
  }
  AVDoc a = host::OpenInView(SAMPLES_DIR "/boxes.pdf");
  AVDoc b = host::OpenInView(SAMPLES_DIR "/sample.pdf");
  std::string why;
  EXPECT_TRUE(host::ActivateDocument(1, &why));
  EXPECT_TRUE(host::ActivateDocument(1, &why));  // already active: nothing told
  EXPECT_FALSE(host::ActivateDocument(3, &why));
  EXPECT_EQ(why, "activate 3: 2 documents are open");
  host::GoToPage(a, 1);
  host::GoToPage(a, 2);
  EXPECT_TRUE(host::SetPageKey(a, "Foo", "[1 2]", &why));
  EXPECT_FALSE(host::SetPageKey(a, "Foo", "[1 2", &why));
  EXPECT_FALSE(host::SetPageKey(a, "Foo", "3 0 R", &why));
  EXPECT_TRUE(host::SetPageKey(a, "Foo", "null", &why));
  PDPage page = PDDocAcquirePage(AVDocGetPDDoc(a), 1);
  PDPageResourcesChanged(page, 0);
  PDPageRelease(page);
  EXPECT_TRUE(host::CloseActiveDocument());
  EXPECT_TRUE(host::CloseActiveDocument());
  EXPECT_FALSE(host::CloseActiveDocument());
  const std::vector<std::string> heard = {
      "2 " + Id(a), "2 " + Id(b), "2 " + Id(a), "14 first", "14 first", "14 late", "34 page 2", "34 page 2", "34 page 1",
      "7 " + Id(a), "2 " + Id(b), "7 " + Id(b)};
  EXPECT_EQ(gHeard, heard);
}

void PrefChanged(ASInt32 preference, void*) {
  gHeard.push_back("92 " + std::to_string(preference) + "=" + std::to_string(AVAppGetPreference(preference)));
}

// Only a change is told, whichever road made it; an item's mark follows its
// preference, and the host's menu stays after the plug-ins' menus.
TEST(Notifications, PreferenceChangesAreToldAndTheHostItemsSwitchThem) {
  hosttest::BindTables();
  gHeard.clear();
  ASCallback callback = ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(&PrefChanged));
  AVAppRegisterNotification(avNotifyAppPrefDidChange, gExtensionID, callback, nullptr);
  AVMenubarAddMenu(AVAppGetMenubar(), AVMenuNew("Late", "Late", gExtensionID), 9999);
  AVAppSetPreference(96, 1);
  AVAppSetPreference(96, 1);
  AVMenuItem overprint = AVMenubarAcquireMenuItemByName(AVAppGetMenubar(), "Overprint");
  AVMenuItemExecute(overprint);
  host::ChangePreference(131, 1);
  std::string why;
  EXPECT_TRUE(host::ExecuteMenuItem("UseLocalFonts", &why));
  AVAppUnregisterNotification(avNotifyAppPrefDidChange, gExtensionID, callback, nullptr);
  EXPECT_EQ(gHeard, (std::vector<std::string>{"92 96=1", "92 131=1", "92 76=1"}));
  std::string tree;
  for (const auto& entry : host::MenuTree()) tree += entry.name + (entry.marked ? "+ " : " ");
  EXPECT_EQ(tree, "Tools AboutExtensions Late View Overprint+ UseLocalFonts+ ");
}

}  // namespace
