#include "alternates/GlimmersetPlugIn.h"

#include <exception>
#include <string>

#include "alternates/Atoms.h"
#include "alternates/BatchClient.h"
#include "alternates/Commands.h"
#include "alternates/ImageWork.h"
#include "alternates/Platform.h"
#include "common/HostCall.h"
#include "common/HostEntry.h"
#include "host/piglue.h"

namespace {

const char kExtensionName[] = "zent_Glimmerset";
const char kButtonName[] = "zent:GlimmersetShowAltsTB";
const ASInt32 kButtonBitmap = 128;

// Set by init, taken down by unload.
Command* gAbout = nullptr;
Command* gModify = nullptr;
Command* gCreate = nullptr;
ShowAlternatesCommand* gShow = nullptr;
Command* gRemove = nullptr;
ASCallback gExecute = nullptr, gEnabled = nullptr, gMarked = nullptr;
AVToolButton gButton = nullptr;
// The start-up notification's callback, and the replacement's, which stays
// with the host once installed.
ASCallback gStartup = nullptr, gReplacement = nullptr;
bool gStartupSent = false;

// Unload removes the items in this order.
const char* const kItemNames[] = {"zent:GlimmersetAboutMI",       "zent:GlimmersetModImagesMI",
                                  "zent:GlimmersetCreateAltsMI",  "zent:GlimmersetShowAltsMI",
                                  "zent:GlimmersetRemoveAltsMI",  "zent:GlimmersetAltsMI",
                                  "zent:GlimmersetImgToolsMI"};

// A wrapper over a new command; none when either allocation failed.
template <class T>
Command* MakeSecure() {
  Command* wrapped = new T;
  if (!wrapped) return nullptr;
  Command* secure = new SecureCommand(wrapped);
  if (!secure) delete wrapped;
  return secure;
}

AVMenuItem AddItem(AVMenu menu, const char* title, const char* name, AVMenu submenu, Command* command,
                   bool hasCommand) {
  AVMenuItem item = AVMenuItemNew(title, name, submenu, 0, 0, 0, nullptr, gExtensionID);
  if (hasCommand) {
    AVMenuItemSetExecuteProc(item, gExecute, command);
    AVMenuItemSetComputeEnabledProc(item, gEnabled, command);
    AVMenuItemSetComputeMarkedProc(item, gMarked, command);
  }
  AVMenuAddMenuItem(menu, item, 9999);
  AVMenuItemRelease(item);
  return item;
}

void BuildMenus() {
  AVMenubar bar = AVAppGetMenubar();
  AVMenu about = AVMenubarAcquireMenuByName(bar, "AboutExtensions");
  AddItem(about, "Glimmerset", "zent:GlimmersetAboutMI", nullptr, gAbout, true);
  AVMenuRelease(about);

  AVMenu tools = AVMenubarAcquireMenuByName(bar, "Tools");
  AVMenu imageTools = AVMenuNew("Glimmerset", "zent:GlimmersetImgToolsM", gExtensionID);
  AddItem(tools, "Glimmerset", "zent:GlimmersetImgToolsMI", imageTools, nullptr, false);
  AVMenuRelease(tools);
  AddItem(imageTools, "Modify Images...", "zent:GlimmersetModImagesMI", nullptr, gModify, true);
  AVMenu alternates = AVMenuNew("Image Alternates", "zent:GlimmersetAltsM", gExtensionID);
  AddItem(imageTools, "Image Alternates", "zent:GlimmersetAltsMI", alternates, nullptr, false);
  AVMenuRelease(imageTools);
  AddItem(alternates, "Create...", "zent:GlimmersetCreateAltsMI", nullptr, gCreate, true);
  AddItem(alternates, "Show", "zent:GlimmersetShowAltsMI", nullptr, gShow, true);
  AddItem(alternates, "Remove", "zent:GlimmersetRemoveAltsMI", nullptr, gRemove, true);
  AVMenuRelease(alternates);
}

void BuildButton() {
  AVToolBar toolBar = AVAppGetToolBar();
  if (!AVToolBarIsRoomFor(toolBar, 1, 0)) return;
  WinBitmap icon = Platform::Get() ? Platform::Get()->LoadBitmap(kButtonBitmap) : nullptr;
  gButton = AVToolButtonNew(ASAtomFromString(kButtonName), icon, 1, 0);
  AVToolButtonSetHelpText(gButton, "Show/Hide Alternates");
  AVToolButtonSetExecuteProc(gButton, gExecute, gShow);
  AVToolButtonSetComputeEnabledProc(gButton, gEnabled, gShow);
  AVToolButtonSetComputeMarkedProc(gButton, gMarked, gShow);
  AVToolButton end = AVToolBarGetButtonByName(toolBar, ASAtomFromString("endToolsGroup"));
  AVToolBarAddButton(toolBar, gButton, 1, end);
}

// Clears the holder first: the replacement, which outlives unload, must
// never reach a deleted Show command.
template <class T>
void DeleteCommand(T*& holder) {
  T* command = holder;
  holder = nullptr;
  delete command;
}

void DestroyCallback(ASCallback& callback) {
  if (callback) ASCallbackDestroy(callback);
  callback = nullptr;
}

}  // namespace

ShowAlternatesCommand* ShowCommand() { return gShow; }

ASAtom GetExtensionName() {
  ASAtom name = ASAtomNull;
  Caught([&] { HostCall("GetExtensionName", [&] { name = ASAtomFromString(kExtensionName); }); });
  return name;
}

ASBool PluginExportHFTs() {
  ASBool result = 0;
  Caught([&] {
    HostRegionResult r = HostRegion(
        [&] { result = BatchClient::Register(kExtensionName, "Glimmerset", &BatchQueryActions, &BatchRunAction); });
    if (r.raised) result = 0;
  });
  return result;
}

ASBool PluginImportReplaceAndRegister() {
  ASBool result = 1;
  Caught([] {
    HostCall("PluginImportReplaceAndRegister", [] {
      gStartupSent = false;
      gStartup = ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(&InstallAlternateSelector));
      AVAppRegisterNotification(avNotifyAppDidInit, gExtensionID, gStartup, nullptr);
    });
  });
  Caught([&] { result = ImportBatchRouter(); });
  return result;
}

ASBool PluginInit() {
  ASBool result = 0;
  Caught([&] {
    Platform::Get();
    HostCall("PluginInit", [] {
      InitAtoms();
      gExecute = ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(&MenuExecuteProc));
      gEnabled = ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(&MenuComputeEnabledProc));
      gMarked = ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(&MenuComputeMarkedProc));
    });
    gAbout = new AboutCommand;
    gModify = MakeSecure<ModifyImagesCommand>();
    gCreate = MakeSecure<CreateAlternatesCommand>();
    gShow = new ShowAlternatesCommand;
    gRemove = MakeSecure<RemoveAlternatesCommand>();
    HostCall("PluginInit", [] {
      BuildMenus();
      BuildButton();
    });
    result = RegisterBatchIdleProc();
  });
  return result;
}

ASBool PluginUnload() {
  Caught([] {
    HostCall("PluginUnload", [] {
      AVMenubar bar = AVAppGetMenubar();
      for (const char* name : kItemNames) {
        if (AVMenuItem item = AVMenubarAcquireMenuItemByName(bar, name)) {
          AVMenuItemRemove(item);
          AVMenuItemRelease(item);
        }
      }
      if (gButton) AVToolButtonDestroy(gButton);
      gButton = nullptr;
    });
  });
  DeleteCommand(gAbout);
  DeleteCommand(gModify);
  DeleteCommand(gCreate);
  DeleteCommand(gShow);
  DeleteCommand(gRemove);
  Caught([] {
    HostCall("PluginUnload", [] {
      DestroyCallback(gExecute);
      DestroyCallback(gEnabled);
      DestroyCallback(gMarked);
      if (gStartup && !gStartupSent) AVAppUnregisterNotification(avNotifyAppDidInit, gExtensionID, gStartup, nullptr);
      DestroyCallback(gStartup);
    });
  });
  return 1;
}

void MenuExecuteProc(void* clientData) {
  if (clientData) Caught([&] { static_cast<Command*>(clientData)->Execute(); });
}

ASBool MenuComputeEnabledProc(void* clientData) {
  bool enabled = false;
  if (clientData) Caught([&] { enabled = static_cast<Command*>(clientData)->IsEnabled(); });
  return enabled ? 1 : 0;
}

ASBool MenuComputeMarkedProc(void* clientData) {
  bool marked = false;
  if (clientData) Caught([&] { marked = static_cast<Command*>(clientData)->IsMarked(); });
  return marked ? 1 : 0;
}

void InstallAlternateSelector(void*) {
  Caught([] {
    HostCall("InstallAlternateSelector", [] {
      gReplacement = ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(&SelectAlternateReplacement));
      ASHFTReplaceEntry(gPDModelHFT, PDModelSel::ImageSelectAlternate, gReplacement, gExtensionID, 1);
      AVAppUnregisterNotification(avNotifyAppDidInit, gExtensionID, gStartup, nullptr);
      gStartupSent = true;
    });
  });
}

CosObj SelectAlternateReplacement(CosObj image, ASBool printing, void* data, ASBool* chosen, void* more) {
  CosObj drawn = image;
  bool found = false;
  Caught([&] {
    if (printing || !gShow || !gShow->IsMarked()) return;
    HostCall("SelectAlternateReplacement", [&] {
      CosObj alternates = CosDictGet(image, gAtoms.Alternates);
      if (CosObjGetType(alternates) != CosArray) return;
      const ASInt32 count = CosArrayLength(alternates);
      for (ASInt32 i = 0; i < count && !found; ++i) {
        CosObj entry = CosArrayGet(alternates, i);
        // An element that is no dictionary has no mark to read.
        if (CosObjGetType(entry) != CosDict) continue;
        if (CosObjGetType(CosDictGet(entry, gAtoms.ZNTUAltSet)) != CosName) continue;
        drawn = CosDictGet(entry, gAtoms.Image);
        found = true;
      }
    });
  });
  if (!found) drawn = image;
  if (found && chosen) *chosen = 1;
  CosObj answer = image;
  Caught([&] {
    HostCall("SelectAlternateReplacement", [&] {
      HFTEntry replaced = ASHFTGetReplacedEntry(gPDModelHFT, PDModelSel::ImageSelectAlternate, gReplacement);
      answer = reinterpret_cast<PDImageSelectAlternate_Proc>(replaced)(drawn, printing, data, chosen, more);
    });
  });
  return answer;
}
