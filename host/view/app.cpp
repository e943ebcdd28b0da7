// The AcroView table: one headless application with its documents, menus,
// toolbar and alerts.
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <cstring>
#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "core/tables.h"
#include "cos/docs.h"
#include "dialogs/manager.h"
#include "host/procs.h"
#include "view/view.h"

namespace host {
namespace {

struct MenuRec;
struct MenuItemRec {
  std::string title, name;
  MenuRec* submenu = nullptr;
  MenuRec* parent = nullptr;
  ASCallback execute = nullptr;
  void* executeData = nullptr;
  ASCallback enabled = nullptr;
  void* enabledData = nullptr;
  ASCallback marked = nullptr;
  void* markedData = nullptr;
  ASInt32 preference = -1;  // the host's own items: marked while it is on, run toggles it
};
struct MenuRec {
  std::string title, name;
  std::vector<MenuItemRec*> items;
  MenuItemRec* parentItem = nullptr;
  bool onMenubar = false;
  bool last = false;  // the host's own, kept after the plug-ins' menus
};

struct ToolButtonRec {
  std::string name, help;
  bool separator = false;
  ASInt32 bitmap = 0;  // the icon's resource number; 0: none
  ASCallback execute = nullptr;
  void* executeData = nullptr;
  ASCallback enabled = nullptr;
  void* enabledData = nullptr;
  ASCallback marked = nullptr;
  void* markedData = nullptr;
};

struct Notification {
  ASInt32 type;
  ASCallback proc;
  void* clientData;
  ASUns32 serial = 0;  // tells a handler registered again from the one it was
};

struct App {
  std::vector<Notification> notifications;  // in the order registered
  ASUns32 nextSerial = 1;
  std::vector<ASUns32> docs;  // view documents, the active one first
  std::map<ASUns32, ASInt32> currentPage;  // each document's one page view shows one page
  std::vector<std::unique_ptr<MenuRec>> menus;
  std::vector<std::unique_ptr<MenuItemRec>> items;
  std::vector<MenuRec*> menubar;
  std::vector<std::unique_ptr<ToolButtonRec>> buttons;
  std::vector<ToolButtonRec*> toolbar;  // in the order shown
  bool toolbarRoom = true;
  ASInt16 major = 6, minor = 0;
};

App& A() {
  static auto* app = new App;
  return *app;
}

int MenubarToken, ToolBarToken;
AVMenubar TheMenubar() { return reinterpret_cast<AVMenubar>(&MenubarToken); }
AVToolBar TheToolBar() { return reinterpret_cast<AVToolBar>(&ToolBarToken); }

ASUns32 IdOf(const void* handle) { return static_cast<ASUns32>(reinterpret_cast<uintptr_t>(handle)); }
AVDoc ToAVDoc(ASUns32 id) { return reinterpret_cast<AVDoc>(static_cast<uintptr_t>(id)); }

MenuRec* FindMenu(AVMenu m) {
  for (auto& menu : A().menus)
    if (reinterpret_cast<AVMenu>(menu.get()) == m) return menu.get();
  return nullptr;
}
ToolButtonRec& Button(AVToolButton b) {
  for (auto& button : A().buttons)
    if (reinterpret_cast<AVToolButton>(button.get()) == b) return *button;
  Raise(genErrBadHandle);
}
void CheckToolBar(AVToolBar toolBar) {
  if (toolBar != TheToolBar()) Raise(genErrBadHandle);
}
void TakeOffToolBar(ToolButtonRec* button) {
  auto& bar = A().toolbar;
  bar.erase(std::remove(bar.begin(), bar.end(), button), bar.end());
}

bool Reachable(const MenuItemRec* item, std::string* path);

MenuItemRec* FindItem(AVMenuItem i) {
  for (auto& item : A().items)
    if (reinterpret_cast<AVMenuItem>(item.get()) == i) return item.get();
  return nullptr;
}

#define ENTER(sel) Enter(TableId::AcroView, AcroViewSel::sel)

ASInt32 AVAlertImpl(ASInt32, const char* msg, const char* b1, const char* b2, const char* b3, ASBool) {
  ENTER(Alert);
  AlertRequest r{2, msg ? msg : "", {}};
  for (const char* b : {b1, b2, b3})
    if (b) r.buttons.push_back(b);
  if (r.buttons.empty()) r.buttons.push_back("OK");
  return ShowAlert(r);
}

void AVAlertNoteImpl(const char* msg) {
  ENTER(AlertNote);
  ShowAlert(AlertRequest{0, msg ? msg : "", {"OK"}});
}

ASBool AVAlertConfirmImpl(const char* msg) {
  ENTER(AlertConfirm);
  return ShowAlert(AlertRequest{1, msg ? msg : "", {"OK", "Cancel"}}) == 1 ? 1 : 0;
}

// A yes/no question over a document: the driver's confirmation, OK for yes.
ASBool AVDocAlertYesNoImpl(AVDoc, const char* msg) {
  ENTER(DocAlertYesNo);
  return ShowAlert(AlertRequest{1, msg ? msg : "", {"OK", "Cancel"}}) == 1 ? 1 : 0;
}

void AVAppGetVersionImpl(ASInt16* major, ASInt16* minor) {
  ENTER(AppGetVersion);
  if (major) *major = A().major;
  if (minor) *minor = A().minor;
}

AVDoc AVAppGetActiveDocImpl() {
  ENTER(AppGetActiveDoc);
  return A().docs.empty() ? nullptr : ToAVDoc(A().docs.front());
}

ASInt32 AVAppGetNumDocsImpl() {
  ENTER(AppGetNumDocs);
  return static_cast<ASInt32>(A().docs.size());
}

AVMenubar AVAppGetMenubarImpl() {
  ENTER(AppGetMenubar);
  return TheMenubar();
}

PDDoc AVDocGetPDDocImpl(AVDoc doc) {
  ENTER(DocGetPDDoc);
  return ViewPDDoc(doc);
}

// A document's page view has the document's id.
ASUns32 ViewDocId(AVPageView view) {
  ASUns32 id = IdOf(view);
  auto& docs = A().docs;
  if (std::find(docs.begin(), docs.end(), id) == docs.end()) Raise(genErrBadHandle);
  return id;
}

AVPageView AVDocGetPageViewImpl(AVDoc doc) {
  ENTER(DocGetPageView);
  ViewPDDoc(doc);
  return reinterpret_cast<AVPageView>(doc);
}

ASInt32 AVPageViewGetPageNumImpl(AVPageView view) {
  ENTER(PageViewGetPageNum);
  return A().currentPage[ViewDocId(view)];
}

ASInt32 AVPageViewGetFirstVisiblePageNumImpl(AVPageView view) {
  ENTER(PageViewGetFirstVisiblePageNum);
  return A().currentPage[ViewDocId(view)];
}

ASInt32 AVPageViewGetLastVisiblePageNumImpl(AVPageView view) {
  ENTER(PageViewGetLastVisiblePageNum);
  return A().currentPage[ViewDocId(view)];
}

void AVPageViewGoToImpl(AVPageView view, ASInt32 pageNum) {
  ENTER(PageViewGoTo);
  ASUns32 id = ViewDocId(view);
  Doc* doc = FindDoc(id);
  if (!doc) Raise(genErrBadHandle);
  ASInt32 count = 0;
  try {
    count = static_cast<ASInt32>(Pages(*doc).size());
  } catch (...) {
    RaiseFromCurrentException();
  }
  if (pageNum < 0 || pageNum >= count) Raise(pdErrBadPageIndex);
  A().currentPage[id] = pageNum;
  MarkViewInvalid(id);
  hosttest::LogCall("page view goes to page " + std::to_string(pageNum));
  SendPageViewDidChange(view);
}

// The page's device rectangle (view/geometry.cpp).
void AVPageViewGetApertureImpl(AVPageView view, AVDevRect* rect) {
  ENTER(PageViewGetAperture);
  ViewAperture(view, rect);
}

void AVPageViewInvalidateRectImpl(AVPageView view, const AVDevRect* rect) {
  ENTER(PageViewInvalidateRect);
  InvalidateView(ViewDocId(view), rect);
}

// The user is asked for the document's password. The answer is the
// password, zero-ended, in the host's memory (AcroSupport 1), which the
// caller frees; it is the authorisation PDModel 108 takes.
ASBool AVCryptGetPasswordImpl(PDDoc d, ASInt32, void** authData) {
  ENTER(CryptGetPassword);
  Doc& doc = DocOf(d);
  if (!authData) Raise(genErrBadParm);
  *authData = nullptr;
  PasswordRequest request{doc.path.substr(doc.path.find_last_of('/') + 1)};
  std::string password;
  if (!AskPassword(request, &password)) return 0;
  char* copy = static_cast<char*>(std::malloc(password.size() + 1));
  if (!copy) Raise(genErrNoMemory);
  std::memcpy(copy, password.c_str(), password.size() + 1);
  *authData = copy;
  return 1;
}

AVMenu AVMenubarAcquireMenuByNameImpl(AVMenubar, const char* name) {
  ENTER(MenubarAcquireMenuByName);
  for (auto& m : A().menus)
    if (name && m->name == name) return reinterpret_cast<AVMenu>(m.get());
  return nullptr;
}

// Only an item on the menus counts: one removed before is not found.
AVMenuItem AVMenubarAcquireMenuItemByNameImpl(AVMenubar, const char* name) {
  ENTER(MenubarAcquireMenuItemByName);
  for (auto& i : A().items)
    if (name && i->name == name && Reachable(i.get(), nullptr)) return reinterpret_cast<AVMenuItem>(i.get());
  return nullptr;
}

AVMenu AVMenuNewImpl(const char* title, const char* name, ASUns32) {
  ENTER(MenuNew);
  auto m = std::make_unique<MenuRec>();
  m->title = title ? title : "";
  m->name = name ? name : "";
  AVMenu handle = reinterpret_cast<AVMenu>(m.get());
  A().menus.push_back(std::move(m));
  return handle;
}

void AVMenuReleaseImpl(AVMenu) {}

void AVMenuAddMenuItemImpl(AVMenu menu, AVMenuItem item, ASInt32 position) {
  ENTER(MenuAddMenuItem);
  MenuRec* m = FindMenu(menu);
  MenuItemRec* i = FindItem(item);
  if (!m || !i) Raise(genErrBadHandle);
  if (position < 0 || static_cast<size_t>(position) > m->items.size())
    m->items.push_back(i);
  else
    m->items.insert(m->items.begin() + position, i);
  i->parent = m;
}

AVMenuItem AVMenuItemNewImpl(const char* title, const char* name, AVMenu submenu, ASBool, char,
                             ASInt32, void*, ASUns32) {
  ENTER(MenuItemNew);
  auto i = std::make_unique<MenuItemRec>();
  i->title = title ? title : "";
  i->name = name ? name : "";
  if (submenu) {
    i->submenu = FindMenu(submenu);
    if (i->submenu) i->submenu->parentItem = i.get();
  }
  AVMenuItem handle = reinterpret_cast<AVMenuItem>(i.get());
  A().items.push_back(std::move(i));
  return handle;
}

void AVMenuItemReleaseImpl(AVMenuItem) {}

void AVMenuItemRemoveImpl(AVMenuItem item) {
  ENTER(MenuItemRemove);
  MenuItemRec* i = FindItem(item);
  if (!i) return;
  hosttest::LogCall("menu item removed " + i->name);
  if (!i->parent) return;
  auto& v = i->parent->items;
  v.erase(std::remove(v.begin(), v.end(), i), v.end());
  i->parent = nullptr;
}

void AVMenuItemSetExecuteProcImpl(AVMenuItem item, ASCallback proc, void* data) {
  ENTER(MenuItemSetExecuteProc);
  MenuItemRec* i = FindItem(item);
  if (!i) Raise(genErrBadHandle);
  i->execute = proc;
  i->executeData = data;
}

void AVMenuItemSetComputeEnabledProcImpl(AVMenuItem item, ASCallback proc, void* data) {
  ENTER(MenuItemSetComputeEnabledProc);
  MenuItemRec* i = FindItem(item);
  if (!i) Raise(genErrBadHandle);
  i->enabled = proc;
  i->enabledData = data;
}

void AVMenuItemSetComputeMarkedProcImpl(AVMenuItem item, ASCallback proc, void* data) {
  ENTER(MenuItemSetComputeMarkedProc);
  MenuItemRec* i = FindItem(item);
  if (!i) Raise(genErrBadHandle);
  i->marked = proc;
  i->markedData = data;
}

void AVMenubarAddMenuImpl(AVMenubar, AVMenu menu, ASInt32 position) {
  ENTER(MenubarAddMenu);
  MenuRec* m = FindMenu(menu);
  if (!m) Raise(genErrBadHandle);
  auto& bar = A().menubar;
  auto end = bar.end();
  while (end != bar.begin() && (*(end - 1))->last) --end;
  if (position < 0 || position > end - bar.begin())
    bar.insert(end, m);
  else
    bar.insert(bar.begin() + position, m);
  m->onMenubar = true;
}

void AVAppRegisterNotificationImpl(ASInt32 type, ASUns32, ASCallback proc, void* clientData) {
  ENTER(AppRegisterNotification);
  if (!proc) Raise(genErrBadParm);
  A().notifications.push_back(Notification{type, proc, clientData, A().nextSerial++});
}

void AVAppUnregisterNotificationImpl(ASInt32 type, ASUns32, ASCallback proc, void* clientData) {
  ENTER(AppUnregisterNotification);
  auto& all = A().notifications;
  all.erase(std::remove_if(all.begin(), all.end(),
                           [&](const Notification& n) {
                             return n.type == type && n.proc == proc && n.clientData == clientData;
                           }),
            all.end());
}

AVToolBar AVAppGetToolBarImpl() {
  ENTER(AppGetToolBar);
  return TheToolBar();
}

AVToolButton AVToolBarGetButtonByNameImpl(AVToolBar toolBar, ASAtom name) {
  ENTER(ToolBarGetButtonByName);
  CheckToolBar(toolBar);
  const char* text = AtomText(name);
  for (ToolButtonRec* button : A().toolbar)
    if (text && button->name == text) return reinterpret_cast<AVToolButton>(button);
  return nullptr;
}

void AVToolBarAddButtonImpl(AVToolBar toolBar, AVToolButton button, ASBool after, AVToolButton other) {
  ENTER(ToolBarAddButton);
  CheckToolBar(toolBar);
  ToolButtonRec* b = &Button(button);
  ToolButtonRec* o = other ? &Button(other) : nullptr;
  if (b == o) return;
  TakeOffToolBar(b);
  auto& bar = A().toolbar;
  auto at = std::find(bar.begin(), bar.end(), o);
  if (at == bar.end())
    bar.push_back(b);
  else
    bar.insert(after ? at + 1 : at, b);
}

ASBool AVToolBarIsRoomForImpl(AVToolBar toolBar, ASInt32, ASInt32) {
  ENTER(ToolBarIsRoomFor);
  CheckToolBar(toolBar);
  return A().toolbarRoom ? 1 : 0;
}

void AVToolBarUpdateButtonStatesImpl(AVToolBar toolBar) {
  ENTER(ToolBarUpdateButtonStates);
  CheckToolBar(toolBar);
  hosttest::LogCall("toolbar updated");
}

AVToolButton AVToolButtonNewImpl(ASAtom name, void* icon, ASBool, ASBool separator) {
  ENTER(ToolButtonNew);
  const char* text = AtomText(name);
  if (!text) Raise(genErrBadParm);
  auto b = std::make_unique<ToolButtonRec>();
  b->name = text;
  b->separator = separator != 0;
  b->bitmap = icon ? BitmapNumber(static_cast<WinBitmap>(icon)) : 0;
  AVToolButton handle = reinterpret_cast<AVToolButton>(b.get());
  A().buttons.push_back(std::move(b));
  return handle;
}

void AVToolButtonDestroyImpl(AVToolButton button) {
  ENTER(ToolButtonDestroy);
  ToolButtonRec* b = &Button(button);
  hosttest::LogCall("toolbar button removed " + b->name);
  TakeOffToolBar(b);
  auto& all = A().buttons;
  all.erase(std::remove_if(all.begin(), all.end(), [&](const auto& p) { return p.get() == b; }), all.end());
}

void AVToolButtonSetExecuteProcImpl(AVToolButton button, ASCallback proc, void* data) {
  ENTER(ToolButtonSetExecuteProc);
  ToolButtonRec& b = Button(button);
  b.execute = proc;
  b.executeData = data;
}

void AVToolButtonSetComputeEnabledProcImpl(AVToolButton button, ASCallback proc, void* data) {
  ENTER(ToolButtonSetComputeEnabledProc);
  ToolButtonRec& b = Button(button);
  b.enabled = proc;
  b.enabledData = data;
}

void AVToolButtonSetHelpTextImpl(AVToolButton button, const char* text) {
  ENTER(ToolButtonSetHelpText);
  Button(button).help = text ? text : "";
}

void AVToolButtonSetComputeMarkedProcImpl(AVToolButton button, ASCallback proc, void* data) {
  ENTER(ToolButtonSetComputeMarkedProc);
  ToolButtonRec& b = Button(button);
  b.marked = proc;
  b.markedData = data;
}

// A failed save is told to the user here, as the application tells it.
ASBool AVDocDoSaveImpl(AVDoc doc) {
  ENTER(DocDoSave);
  PDDoc pd = ViewPDDoc(doc);
  std::string path = DocOf(pd).path;
  try {
    if (path.empty()) {
      SetFailureDetail("the document has no file of its own");
      Raise(fileErrBadPath);
    }
    SaveDocument(pd, path);
    return 1;
  } catch (const ASHostRaise& e) {
    std::string text = std::string("The document could not be saved: ") + ErrorText(e.code);
    if (!LastFailureDetail().empty()) text += " (" + LastFailureDetail() + ")";
    ShowAlert(AlertRequest{0, text, {"OK"}});
    return 0;
  }
}

// An item or button without an enable procedure is enabled; one without an
// execute procedure never is.
template <class Rec>
bool Enabled(const Rec& item) {
  if (!item.execute) return false;
  if (!item.enabled) return true;
  return reinterpret_cast<AVComputeEnabledProc>(CallbackProc(item.enabled))(item.enabledData) != 0;
}

// Runs an item or button after its enable procedure; `what` names it in
// the reason when it cannot run.
template <class Rec>
bool RunEnabled(const Rec& rec, const std::string& what, std::string* why) {
  const char* fault = !rec.execute ? " does nothing" : !Enabled(rec) ? " is not enabled" : nullptr;
  if (fault) {
    if (why) *why = what + fault;
    return false;
  }
  reinterpret_cast<AVExecuteProc>(CallbackProc(rec.execute))(rec.executeData);
  return true;
}

bool Marked(const MenuItemRec& item) {
  if (item.preference >= 0) return Preference(item.preference) != 0;
  return item.marked && reinterpret_cast<AVComputeMarkedProc>(CallbackProc(item.marked))(item.markedData) != 0;
}

void AddTree(const MenuRec& menu, int depth, std::unordered_set<const MenuRec*>& seen, std::vector<MenuEntry>& out) {
  if (!seen.insert(&menu).second) return;
  for (MenuItemRec* item : menu.items) {
    const bool enabled = item->submenu || item->preference >= 0 || Enabled(*item);
    out.push_back(MenuEntry{depth, false, item->name, item->title, enabled});
    out.back().marked = Marked(*item);
    if (item->submenu) AddTree(*item->submenu, depth + 1, seen, out);
  }
}

// An item is reachable when its menus lead up to the menu bar.
bool Reachable(const MenuItemRec* item, std::string* path) {
  std::vector<std::string> titles;
  const MenuRec* m = item->parent;
  std::unordered_set<const MenuRec*> seen;
  while (m && seen.insert(m).second) {
    titles.push_back(m->title);
    if (m->onMenubar) {
      if (path) {
        path->clear();
        for (auto it = titles.rbegin(); it != titles.rend(); ++it)
          *path += (path->empty() ? "" : " > ") + *it;
      }
      return true;
    }
    m = m->parentItem ? m->parentItem->parent : nullptr;
  }
  return false;
}

void AVAppSetPreferenceImpl(ASInt32 preference, ASInt32 value) {
  ENTER(AppSetPreference);
  ChangePreference(preference, value);
}

ASBool AVMenuItemIsMarkedImpl(AVMenuItem item) {
  ENTER(MenuItemIsMarked);
  MenuItemRec* i = FindItem(item);
  if (!i) Raise(genErrBadHandle);
  return Marked(*i);
}

void AVMenuItemExecuteImpl(AVMenuItem item) {
  ENTER(MenuItemExecute);
  MenuItemRec* i = FindItem(item);
  if (!i) Raise(genErrBadHandle);
  if (i->preference >= 0)
    ChangePreference(i->preference, !Preference(i->preference));
  else if (i->execute && Enabled(*i))
    reinterpret_cast<AVExecuteProc>(CallbackProc(i->execute))(i->executeData);
}

// The host's viewing switches: their preferences and item names, which a
// test may change before the host makes its menus.
std::map<ASInt32, std::string>& SwitchNames() {
  static auto* names = new std::map<ASInt32, std::string>{{131, "Overprint"}, {76, "UseLocalFonts"}};
  return *names;
}

// The switches, on a menu of its own after the plug-ins'.
void AddPreferenceMenu() {
  AVMenu menu = AVMenuNewImpl("View", "View", 0);
  FindMenu(menu)->last = true;
  const struct {
    const char* title;
    ASInt32 preference;
  } items[] = {{"Overprint Preview", 131}, {"Use Local Fonts", 76}};
  for (const auto& row : items) {
    AVMenuItem item =
        AVMenuItemNewImpl(row.title, SwitchNames()[row.preference].c_str(), nullptr, 0, 0, 0, nullptr, 0);
    FindItem(item)->preference = row.preference;
    AVMenuAddMenuItemImpl(menu, item, 9999);
  }
  AVMenubarAddMenuImpl(TheMenubar(), menu, 9999);
}

}  // namespace

void ChangePreference(ASInt32 preference, ASInt32 value) {
  const bool changed = Preference(preference) != value;
  SetPreference(preference, value);
  if (!changed) return;
  ForEachHandler(avNotifyAppPrefDidChange, [&](ASCallback proc, void* clientData) {
    reinterpret_cast<AVAppPrefDidChangeProc>(CallbackProc(proc))(preference, clientData);
  });
}

bool SetPreferenceItemName(ASInt32 preference, const std::string& name) {
  if (!SwitchNames().count(preference)) return false;
  SwitchNames()[preference] = name;
  for (auto& i : A().items)
    if (i->preference == preference) i->name = name;
  return true;
}

AVDoc ShowInView(PDDoc pd) {
  ASUns32 id = IdOf(pd);
  if (!FindDoc(id)) Raise(genErrBadHandle);
  auto& docs = A().docs;
  const bool already = !docs.empty() && docs.front() == id;
  docs.erase(std::remove(docs.begin(), docs.end(), id), docs.end());
  docs.insert(docs.begin(), id);
  MarkViewInvalid(id);
  if (!already) SendDocDidActivate(ToAVDoc(id));
  return ToAVDoc(id);
}

std::vector<ASUns32> ViewDocIds() { return A().docs; }

void ForEachHandler(ASInt32 type, const std::function<void(ASCallback proc, void* clientData)>& call) {
  const auto handlers = A().notifications;
  for (const Notification& n : handlers) {
    if (n.type != type) continue;
    const auto& now = A().notifications;
    if (std::none_of(now.begin(), now.end(), [&](const Notification& m) { return m.serial == n.serial; })) continue;
    call(n.proc, n.clientData);
  }
}

AVDoc OpenInView(const std::string& path, const DocOpenOptions& options) {
  return ShowInView(OpenDocument(path, options));
}

void GoToPage(AVDoc doc, ASInt32 page) { AVPageViewGoToImpl(AVDocGetPageViewImpl(doc), page); }

AVDoc ActiveViewDocument() { return A().docs.empty() ? nullptr : ToAVDoc(A().docs.front()); }

PDDoc ViewPDDoc(AVDoc doc) {
  ASUns32 id = IdOf(doc);
  auto& docs = A().docs;
  if (std::find(docs.begin(), docs.end(), id) == docs.end()) Raise(genErrBadHandle);
  return ToPDDoc(DocOf(reinterpret_cast<PDDoc>(static_cast<uintptr_t>(id))));
}

bool ViewPage(AVPageView view, ASUns32* docId, ASInt32* page) {
  const ASUns32 id = IdOf(view);
  auto& docs = A().docs;
  if (!view || std::find(docs.begin(), docs.end(), id) == docs.end() || !FindDoc(id)) return false;
  if (docId) *docId = id;
  if (page) *page = A().currentPage[id];
  return true;
}

void ForgetViewDocument(ASUns32 id) {
  ForgetPicturesOf(id);
  ReleaseViewPage(id);
  A().currentPage.erase(id);
  ForgetView(id);
  auto& docs = A().docs;
  docs.erase(std::remove(docs.begin(), docs.end(), id), docs.end());
}

void CloseAllDocuments() {
  for (ASUns32 id : OpenDocIds()) CloseDocument(reinterpret_cast<PDDoc>(static_cast<uintptr_t>(id)));
}

std::vector<MenuItemInfo> MenuItems() {
  std::vector<MenuItemInfo> out;
  for (auto& i : A().items) {
    std::string path;
    if (!i->submenu && Reachable(i.get(), &path))
      out.push_back(MenuItemInfo{i->name, i->title, path, i->execute != nullptr});
  }
  return out;
}

bool ExecuteMenuItem(const std::string& name, std::string* why) {
  for (auto& i : A().items) {
    if (i->name != name) continue;
    if (!Reachable(i.get(), nullptr)) {
      if (why) *why = "menu item \"" + name + "\" is not on any menu";
      return false;
    }
    if (i->preference >= 0) {
      ChangePreference(i->preference, !Preference(i->preference));
      return true;
    }
    return RunEnabled(*i, "menu item \"" + name + "\"", why);
  }
  if (why) *why = "no menu item named \"" + name + "\"";
  return false;
}

std::vector<MenuEntry> MenuTree() {
  std::vector<MenuEntry> out;
  std::unordered_set<const MenuRec*> seen;
  for (MenuRec* menu : A().menubar) {
    out.push_back(MenuEntry{0, true, menu->name, menu->title, true});
    AddTree(*menu, 1, seen, out);
  }
  return out;
}

std::vector<ToolButtonInfo> ToolBarButtons() {
  std::vector<ToolButtonInfo> out;
  for (ToolButtonRec* b : A().toolbar) {
    const bool marked = !b->separator && b->marked &&
                        reinterpret_cast<AVComputeMarkedProc>(CallbackProc(b->marked))(b->markedData) != 0;
    out.push_back(ToolButtonInfo{b->name, b->help, b->bitmap, b->separator, !b->separator && Enabled(*b), marked});
  }
  return out;
}

bool ExecuteToolButton(const std::string& name, std::string* why) {
  for (ToolButtonRec* b : A().toolbar) {
    if (b->name != name || b->separator) continue;
    return RunEnabled(*b, "toolbar button \"" + name + "\"", why);
  }
  if (why) *why = "no toolbar button named \"" + name + "\"";
  return false;
}

void SetAppVersion(ASInt16 major, ASInt16 minor) {
  A().major = major;
  A().minor = minor;
}

void SendWillSave(PDDoc doc, AVDocWillSaveRec* record) {
  auto handlers = A().notifications;  // a handler may register or unregister
  for (const Notification& n : handlers)
    if (n.type == avNotifyDocWillSave)
      reinterpret_cast<AVDocWillSaveProc>(CallbackProc(n.proc))(doc, record, n.clientData);
}

ASInt32 ViewPageIndex(ASUns32 id) {
  ViewDocId(reinterpret_cast<AVPageView>(ToAVDoc(id)));
  return A().currentPage[id];
}

// A handler may unregister itself, or another, meanwhile: only those still
// registered are called.
void SendAppStarted() {
  auto handlers = A().notifications;
  for (const Notification& n : handlers) {
    if (n.type != avNotifyAppDidInit) continue;
    auto& now = A().notifications;
    if (std::none_of(now.begin(), now.end(), [&](const Notification& m) {
          return m.type == n.type && m.proc == n.proc && m.clientData == n.clientData;
        }))
      continue;
    reinterpret_cast<AVAppDidInitProc>(CallbackProc(n.proc))(n.clientData);
  }
}

void InitAcroViewTable() {
  HFT t = NewTable(ACROVIEW_HFT_NAME, HFT_VERSION(5, 0), AcroViewSel::Last);
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(t, AcroViewSel, AV##name##Impl, name, ret, params);
  HOST_ACROVIEW_PROCS(FILL)
  HOST_ACROVIEW_MARK_DRAW_PROCS(FILL)
  HOST_ACROVIEW_PREFERENCE_PROCS(FILL)
#undef FILL
  Publish(t);
  // The menus every plug-in finds on the menu bar.
  AVMenubarAddMenuImpl(TheMenubar(), AVMenuNewImpl("Tools", "Tools", 0), 9999);
  AVMenubarAddMenuImpl(TheMenubar(), AVMenuNewImpl("About Plug-ins", "AboutExtensions", 0), 9999);
  AddPreferenceMenu();
  // The separator the plug-ins put their tool buttons beside.
  AVToolBarAddButtonImpl(TheToolBar(), AVToolButtonNewImpl(AtomFromString("endToolsGroup"), nullptr, 0, 1), 1,
                         nullptr);
}

}  // namespace host

namespace hosttest {
void SetToolBarRoom(bool room) { host::A().toolbarRoom = room; }
int NotificationCount() { return static_cast<int>(host::A().notifications.size()); }
}  // namespace hosttest
