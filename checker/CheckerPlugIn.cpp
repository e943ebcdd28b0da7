#include "checker/CheckerPlugIn.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "checker/PreferencesDlgADM.h"
#include "checker/Results.h"
#include "checker/UIInterface.h"
#include "common/HostCall.h"
#include "common/HostEntry.h"
#include "common/MyCosDoc.h"
#include "common/MyCosObj.h"
#include "host/piglue.h"
#include "standards/Standards.h"

HFT gFormsHFT = nullptr;

namespace {

const char kExtensionName[] = "Zentu PDF/X Corvane 3";
const char kMenuName[] = "Zent:PDFXCorvane3";
const char kCheckName[] = "Zent:PDFXCorvane3:Check";
const char kRemoveName[] = "Zent:PDFXCorvane3:RemoveKeys";
const char kAboutName[] = "Zent:PDFXCorvane3:About";
// The menu of the product's previous major version.
const char kPreviousMenuName[] = "Zent:PDFXCorvane";
const char kVersionKey[] = "Zent_PDFX_Corvane";
const char* const kIdentificationKeys[] = {"GTS_PDFXVersion", "GTS_PDFXConformance"};
const char kRemoveQuestion[] =
    "This file did not meet the conformance tests for a PDF/X file.  The GTS_PDFXVersion and GTS_PDFXConformance "
    "tags should be removed.\n\nClick Ok to remove the tags.\n\nClick Cancel to leave the file unchanged.";
const ASInt32 kNotifyNothing = 0x20;
const ASInt32 kNotifyWillSave = 0x38;
const ASInt32 kChangedFlag = 0x1;

// The items' and the button's client data.
const ASInt32 kAbout = kCommandAbout, kCheck = kCommandCheck, kRemoveKeys = kCommandRemoveKeys;

// Set by init, taken down by unload.
ASCallback gExecute = nullptr, gEnabled = nullptr, gNothing = nullptr, gWillSave = nullptr;
AVMenu gSubmenu = nullptr;
AVMenuItem gCheckItem = nullptr, gRemoveItem = nullptr, gAboutItem = nullptr;
AVToolButton gButton = nullptr;

void Note(const std::string& text) {
  HostCallQuietly([&] { AVAlertNote(text.c_str()); });
}

void NothingToDo(void*) {}

MyCosObj ActiveInfoDict(PDDoc* pd = nullptr) {
  CosDoc cos = nullptr;
  HostCall("ActiveInfoDict", [&] {
    PDDoc doc = AVDocGetPDDoc(AVAppGetActiveDoc());
    if (pd) *pd = doc;
    cos = PDDocGetCosDoc(doc);
  });
  return MyCosDoc(cos).GetInfoDict();
}

// After a check that left errors: asks before removing the identification
// keys that hold a text.
void AskToRemoveIdentification() {
  PDDoc pd = nullptr;
  MyCosObj info = ActiveInfoDict(&pd);
  bool found[2] = {false, false};
  for (int i = 0; i < 2; ++i) {
    MyCosObj value = info.Get(kIdentificationKeys[i]);
    found[i] = value.GetType() == CosString && !value.ValueAsString().empty();
  }
  if (!found[0] && !found[1]) return;
  ASBool remove = 0;
  HostCall("RunCheckCommand", [&] { remove = AVAlertConfirm(kRemoveQuestion); });
  if (!remove) return;
  for (int i = 0; i < 2; ++i) {
    if (!found[i]) continue;
    info.Remove(kIdentificationKeys[i]);
    HostCall("RunCheckCommand", [&] { PDDocSetInfo(pd, kIdentificationKeys[i], "", 0); });
  }
}

void CheckCommand() {
  AVDoc doc = nullptr;
  ASInt32 flags = 0;
  HostCall("DoCommand", [&] {
    doc = AVAppGetActiveDoc();
    flags = PDDocGetFlags(AVDocGetPDDoc(doc));
  });
  if (flags & kChangedFlag) {
    ASInt32 button = 0;
    HostCall("DoCommand", [&] {
      button = AVAlert(1, "Please save your changes prior to running Zentu PDF/X Corvane 3.", "Save...", "Cancel",
                       nullptr, 1);
    });
    if (button != 1) return;
    ASBool saved = 0;
    HostCall("DoCommand", [&] { saved = AVDocDoSave(doc); });
    if (!saved) return;
  }
  if (RunCheckCommand() == 0) Note("Zentu PDF/X Corvane 3:  Error trying to check document");
}

// The numbers of "%d.%d": whitespace and a sign before each; false unless
// both are read and fit in 16 bits.
bool ParseVersion(const char* text, ASInt16* major, ASInt16* minor) {
  long numbers[2];
  for (int i = 0; i < 2; ++i) {
    if (i == 1 && *text++ != '.') return false;
    char* end = nullptr;
    errno = 0;
    numbers[i] = std::strtol(text, &end, 10);
    if (end == text || errno == ERANGE || numbers[i] < SHRT_MIN || numbers[i] > SHRT_MAX) return false;
    text = end;
  }
  *major = static_cast<ASInt16>(numbers[0]);
  *minor = static_cast<ASInt16>(numbers[1]);
  return true;
}

AVMenuItem NewCommandItem(const char* title, const char* name, const ASInt32* command, bool enable) {
  AVMenuItem item = AVMenuItemNew(title, name, nullptr, 0, 0, 0, nullptr, gExtensionID);
  void* data = const_cast<ASInt32*>(command);
  AVMenuItemSetExecuteProc(item, gExecute, data);
  if (enable) AVMenuItemSetComputeEnabledProc(item, gEnabled, data);
  return item;
}

void BuildMenusAndButton() {
  ASInt16 major = 0, minor = 0;
  AVAppGetVersion(&major, &minor);
  const ASInt32 bitmap = major < 6 ? 1005 : 128;
  std::string title = "Zentu PDF/&X Corvane", help = "PDF/X Corvane";

  gExecute = ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(&DoCommand));
  gEnabled = ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(&IsCommandEnabled));

  AVMenubar bar = AVAppGetMenubar();
  if (AVMenu previous = AVMenubarAcquireMenuByName(bar, kPreviousMenuName)) {
    title += " 3";
    help += " 3";
    AVMenuRelease(previous);
  }

  AVMenu tools = AVMenubarAcquireMenuByName(bar, "Tools");
  gSubmenu = AVMenuNew(title.c_str(), kMenuName, gExtensionID);
  AVMenuItem opener = AVMenuItemNew(title.c_str(), kMenuName, gSubmenu, 0, 0, 0, nullptr, gExtensionID);
  AVMenuAddMenuItem(tools, opener, 9999);
  AVMenuItemRelease(opener);
  gCheckItem = NewCommandItem("PDF/X Corvane...", kCheckName, &kCheck, true);
  AVMenuAddMenuItem(gSubmenu, gCheckItem, 9999);
  AVMenuItemRelease(gCheckItem);
  gRemoveItem = NewCommandItem("Remove PDF/X Keys", kRemoveName, &kRemoveKeys, true);
  AVMenuAddMenuItem(gSubmenu, gRemoveItem, 9999);
  AVMenuItemRelease(gRemoveItem);
  AVMenuRelease(tools);

  AVMenu about = AVMenubarAcquireMenuByName(bar, "AboutExtensions");
  gAboutItem = NewCommandItem((title + "...").c_str(), kAboutName, &kAbout, false);
  AVMenuAddMenuItem(about, gAboutItem, 9999);
  AVMenuItemRelease(gAboutItem);
  AVMenuRelease(about);

  AVToolBar toolBar = AVAppGetToolBar();
  if (AVToolBarIsRoomFor(toolBar, 1, 0)) {
    WinBitmap icon = Zentu::LoadBitmapResource(bitmap);
    gButton = AVToolButtonNew(ASAtomFromString(kCheckName), icon, 1, 0);
    AVToolButtonSetHelpText(gButton, help.c_str());
    void* data = const_cast<ASInt32*>(&kCheck);
    AVToolButtonSetExecuteProc(gButton, gExecute, data);
    AVToolButtonSetComputeEnabledProc(gButton, gEnabled, data);
    AVToolButton end = AVToolBarGetButtonByName(toolBar, ASAtomFromString("endToolsGroup"));
    AVToolBarAddButton(toolBar, gButton, 1, end);
    AVToolBarUpdateButtonStates(toolBar);
  }

  gNothing = ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(&NothingToDo));
  gWillSave = ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(&ReadDocumentVersion));
  AVAppRegisterNotification(kNotifyNothing, gExtensionID, gNothing, nullptr);
  AVAppRegisterNotification(kNotifyWillSave, gExtensionID, gWillSave, nullptr);
}

void TakeDownMenusAndButton() {
  if (AVMenuItem item = AVMenubarAcquireMenuItemByName(AVAppGetMenubar(), kMenuName)) {
    AVMenuItemRemove(item);
    AVMenuItemRelease(item);
  }
  if (gButton) AVToolButtonDestroy(gButton);
  gButton = nullptr;
  for (ASCallback* callback : {&gExecute, &gEnabled}) {
    if (*callback) ASCallbackDestroy(*callback);
    *callback = nullptr;
  }
  if (gNothing) AVAppUnregisterNotification(kNotifyNothing, gExtensionID, gNothing, nullptr);
  if (gWillSave) AVAppUnregisterNotification(kNotifyWillSave, gExtensionID, gWillSave, nullptr);
  for (ASCallback* callback : {&gNothing, &gWillSave}) {
    if (*callback) ASCallbackDestroy(*callback);
    *callback = nullptr;
  }
  gSubmenu = nullptr;
  gCheckItem = gRemoveItem = gAboutItem = nullptr;
}

}  // namespace

ASAtom GetExtensionName() {
  ASAtom name = ASAtomNull;
  Caught([&] { HostCall("GetExtensionName", [&] { name = ASAtomFromString(kExtensionName); }); });
  return name;
}

ASBool PluginExportHFTs() { return 1; }

ASBool PluginImportReplaceAndRegister() {
  Caught([] {
    HostCall("PluginImportReplaceAndRegister",
             [] { gFormsHFT = ASExtensionMgrGetHFT(ASAtomFromString("Forms"), 0x10001); });
  });
  return 1;
}

// No host call happens before this: the object reads the user's settings.
ASBool PluginInit() {
  return Caught([] {
           Zentu::LoadStandards();
           Zentu::LoadProfileBrowseTargets();
           if (!gUIInterface) gUIInterface = new Zentu::WinUIInterface;
           HostCall("PluginInit", [] { BuildMenusAndButton(); });
         })
             ? 1
             : 0;
}

ASBool PluginUnload() {
  bool tidy = Caught([] { HostCall("PluginUnload", [] { TakeDownMenusAndButton(); }); });
  tidy = Caught([] { Zentu::UnloadStandards(); }) && tidy;
  Zentu::ClearProfileBrowseTargets();
  tidy = Caught([] {
           delete gUIInterface;
           gUIInterface = nullptr;
           gUIStack.clear();
         }) &&
         tidy;
  return tidy ? 1 : 0;
}

void DoCommand(void* data) {
  const ASInt32 command = data ? *static_cast<const ASInt32*>(data) : -1;
  try {
    switch (command) {
      case kCommandAbout:
        AboutCommand();
        break;
      case kCommandCheck:
        CheckCommand();
        break;
      case kCommandRemoveKeys:
        RemovePDFXKeysCommand();
        break;
      default:
        Note("Internal Error: Unknown Cammand Constant.");
    }
  } catch (...) {
    NoteCaught();
    // The check's own end did not run: its dialogs are closed here.
    if (command == kCommandCheck)
      Caught([] {
        if (Zentu::UIInterface* ui = CurrentUIInterface()) ui->CloseChecker();
      });
  }
}

ASBool IsCommandEnabled(void* data) {
  const ASInt32 command = data ? *static_cast<const ASInt32*>(data) : -1;
  bool enabled = false;
  Caught([&] {
    if (command == kCommandAbout) {
      enabled = true;
    } else if (command == kCommandCheck || command == kCommandRemoveKeys) {
      HostCall("IsCommandEnabled", [&] { enabled = AVAppGetActiveDoc() != nullptr; });
    }
  });
  return enabled ? 1 : 0;
}

void ReadDocumentVersion(PDDoc doc, AVDocWillSaveRec* record, void*) {
  Caught([&] {
    ASInt32 length = 0;
    HostCall("ReadDocumentVersion", [&] { length = PDDocGetInfo(doc, kVersionKey, nullptr, 0); });
    if (length <= 0 || !record) return;
    std::vector<char> text(static_cast<size_t>(length) + 1, 0);
    HostCall("ReadDocumentVersion", [&] { PDDocGetInfo(doc, kVersionKey, text.data(), length); });
    ASInt16 major = 0, minor = 0;
    if (!ParseVersion(text.data(), &major, &minor)) return;
    std::memcpy(reinterpret_cast<char*>(record) + 48, &major, sizeof major);
    std::memcpy(reinterpret_cast<char*>(record) + 50, &minor, sizeof minor);
  });
}

int RunCheckCommand() {
  int result = 1;
  AVDoc doc = nullptr;
  HostCall("RunCheckCommand", [&] { doc = AVAppGetActiveDoc(); });
  if (doc) {
    if (Zentu::UIInterface* ui = CurrentUIInterface()) ui->SetDocument(doc);
  }
  Zentu::UIInterface* ui = CurrentUIInterface();
  if (!ui || !ui->ShowChecker()) return result;
  ui->RunCheck();

  // A check that failed has said so and left no results: nothing to count.
  const int errors = ui->CountResults(Zentu::Results::kErrors);
  if (errors < 0) {
    ui->CloseChecker();
    return 0;
  }
  if (errors != 0) AskToRemoveIdentification();
  if (ui->CountResults(Zentu::Results::kProblems) != 0) result = 0;
  if (ui->CountResults(Zentu::Results::kUnfixable) != 0) result = 3;
  ui->CloseChecker();
  return result;
}

void RemovePDFXKeysCommand() {
  MyCosObj info = ActiveInfoDict();
  // Without an information dictionary there is nothing to remove.
  if (info.IsNull()) return;
  for (const char* key : kIdentificationKeys) info.Remove(key);
}

void AboutCommand() {
  if (Zentu::UIInterface* ui = CurrentUIInterface()) ui->ShowAbout();
}
