// A plug-in for plughost's tests, never installed: under Tools > "Zentu Test"
// menu items that open the test dialogs and the common ones (About, string
// entry), show an alert, a confirmation and a note, ask for a file, and run
// a work that reports to a modeless dialog, a palette with a tracked item,
// a colour picker and a close box; one whose enable procedure
// answers false and one that needs a document. Its menu procedures show
// what the dialogs throw as a note.
#include <memory>
#include <string>
#include <vector>

#include "common/AcrobatException.h"
#include "common/CommonDialogs.h"
#include "common/HostCall.h"
#include "host/piglue.h"
#include "test_dialogs.h"

PI_EXPORT_RESOURCES(&kTestDialogResources, &Zentu::kCommonResources);

namespace {

void Note(const std::string& text) {
  HostCallQuietly([&] { AVAlertNote(text.c_str()); });
}

template <class Body>
void Caught(Body&& body) {
  try {
    body();
  } catch (const Zentu::AcrobatException& e) {
    Note(e.Display());
  } catch (const std::exception& e) {
    Note(std::string("Exception: ") + e.what());
  } catch (...) {
    Note("Exception");
  }
}

void RunModal(ASInt32 number) {
  Caught([&] {
    TestDialog dialog(number);
    dialog.Run();
  });
}

// The modeless dialog lives until "Stop" or the unload. "Stop" hands the
// object to the dialog manager, whose destruction of the dialog deletes it.
std::unique_ptr<TestDialog> gModeless;

void OpenModeless() {
  Caught([] {
    gModeless.reset();
    gModeless = std::make_unique<TestDialog>(901);
    gModeless->onNotify = [](TestDialog& dialog, ADMNotifierRef notifier) {
      ADMItemRef stop = ADMDialog::GetItem(dialog.GetDialogRef(), 3);
      if (ADMNotifier::GetItem(notifier) != stop || !ADMNotifier::IsNotifierType(notifier, ADM_NOTIFY_USER_CHANGED))
        return;
      gModeless.release();
      ADMDialog::Destroy(dialog.GetDialogRef());
    };
    if (gModeless->Open()) gModeless->Show(true);
  });
}

// The palette tells of the mouse on its static "Target", opens the colour
// picker from "Color" and notes its close box; it lives until the unload.
class Target : public BaseADMItem {
 public:
  explicit Target(ADMItemRef item) : BaseADMItem(item, nullptr) {}
  ADMBoolean Track(ADMTrackerRef tracker) override {
    ADMPoint p{0, 0};
    ADMTracker::GetPoint(tracker, &p);
    Note("track " + std::to_string(ADMTracker::GetAction(tracker)) + " " + std::to_string(p.h) + " " +
         std::to_string(p.v));
    return 1;
  }
  void Notify(ADMNotifierRef notifier) override {
    if (ADMNotifier::IsNotifierType(notifier, ADM_NOTIFY_USER_CHANGED)) Note("target changed");
  }
};

std::unique_ptr<TestDialog> gPalette;

void OpenPalette() {
  Caught([] {
    gPalette.reset();
    gPalette = std::make_unique<TestDialog>(909);
    gPalette->onInit = [](TestDialog& dialog) { new Target(ADMDialog::GetItem(dialog.GetDialogRef(), 5)); };
    gPalette->onNotify = [](TestDialog& dialog, ADMNotifierRef notifier) {
      if (ADMNotifier::IsNotifierType(notifier, ADM_NOTIFY_CLOSE_HIT)) return Note("close hit");
      if (ADMNotifier::GetItem(notifier) != ADMDialog::GetItem(dialog.GetDialogRef(), 6) ||
          !ADMNotifier::IsNotifierType(notifier, ADM_NOTIFY_USER_CHANGED))
        return;
      const ADMRGBColor blue{0, 0, 65535};
      ADMRGBColor chosen{0, 0, 0};
      if (ADMBasic::ChooseColor(ADMPoint{0, 0}, &blue, &chosen))
        Note("chosen " + std::to_string(chosen.red) + " " + std::to_string(chosen.green) + " " +
             std::to_string(chosen.blue));
      else
        Note("no colour");
    };
    if (gPalette->Create(gADMPluginRef, "Zent:Test:Palette", 909, 2, 0)) gPalette->Show(true);
  });
}

void RunEntry(const char* title) {
  Caught([&] {
    Zentu::StringEntryDlgADM entry(title, "Name of the thing");
    entry.SetValue("preset");
    ASInt32 result = entry.DoModal();
    Note(std::to_string(result) + " \"" + entry.GetValue() + "\"");
  });
}

// The platform's save dialog over "Log files|log|TEXT", as the checker asks.
void SaveLog() {
  Caught([] {
    char file[1024] = "suggested name";
    static const char filter[] = "Log files (*.log)\0*.log\0";
    WinFileDialogRec record{};
    record.size = sizeof record;
    record.owner = WinAppGetModalParent(AVAppGetActiveDoc());
    record.module = WinModuleHandle(reinterpret_cast<const void*>(&SaveLog));
    record.filter = filter;
    record.file = file;
    record.fileSize = sizeof file;
    record.title = "Select output file";
    record.flags = winFileConfirmOverwrite | winFileHideReadOnly | winFileKeepFolder;
    record.defaultExtension = "log";
    if (WinGetSaveFileName(&record))
      Note(std::string("chosen ") + file);
    else
      Note("nothing chosen, error " + std::to_string(WinChooserError()));
  });
}

// The work dialog stays open after the work, until "Cancel".
std::unique_ptr<WorkDialog> gWork;

void Work() {
  Caught([] {
    gWork.reset();
    gWork = std::make_unique<WorkDialog>();
    gWork->onCancel = [] { ADMDialog::Destroy(gWork.release()->GetDialogRef()); };
    if (!gWork->Open()) return;
    gWork->Show(true);
    Note(gWork->Work());
  });
}

void ShowAlert() {
  ASInt32 button = 0;
  HostCallQuietly([&] { button = AVAlert(2, "q", "Yes", "No|Maybe", nullptr, 0); });
  Note("button " + std::to_string(button));
}

void ShowConfirm() {
  ASBool ok = 0;
  HostCallQuietly([&] { ok = AVAlertConfirm("a\nb"); });
  Note(ok ? "confirmed" : "not confirmed");
}

ASBool Never() { return 0; }
ASBool HasDocument() {
  AVDoc doc = nullptr;
  HostCallQuietly([&] { doc = AVAppGetActiveDoc(); });
  return doc != nullptr;
}

struct Command {
  const char* name;
  const char* title;
  void (*run)();
  ASBool (*enabled)();  // none: always enabled
};

const Command kCommands[] = {
    {"Test:Modal", "&Modal dialog", [] { RunModal(900); }, nullptr},
    {"Test:Modeless", "Mode&less dialog", OpenModeless, nullptr},
    {"Test:Palette", "&Palette", OpenPalette, nullptr},
    {"Test:Opener", "&Opener", [] { RunModal(902); }, nullptr},
    {"Test:Throws", "&Throwing dialog", [] { RunModal(903); }, nullptr},
    {"Test:Disabled", "&Disabled item", [] { RunModal(904); }, nullptr},
    {"Test:Twins", "T&wins", [] { RunModal(905); }, nullptr},
    {"Test:Lists", "&Lists", [] { Caught([] { ListDialog().Run(); }); }, nullptr},
    {"Test:About", "A&bout dialog", [] { Caught([] { Zentu::AboutDlgADM().DoModal(); }); }, nullptr},
    {"Test:Entry", "&String entry", [] { RunEntry(""); }, nullptr},
    {"Test:EntryTitled", "String entry with a title", [] { RunEntry("T"); }, nullptr},
    {"Test:SaveLog", "Save a lo&g", SaveLog, nullptr},
    {"Test:Work", "&Work", Work, nullptr},
    {"Test:Alert", "&Alert", ShowAlert, nullptr},
    {"Test:Confirm", "&Confirm", ShowConfirm, nullptr},
    {"Test:Note", "&Note", [] { Note("hello"); }, nullptr},
    {"Test:Never", "Ne&ver enabled", [] { Note("Never ran"); }, Never},
    {"Test:NeedsDoc", "Needs a do&cument", [] { Note("A document is open"); }, HasDocument},
};
const Command kAbout = {"Test:About", "About the &Test plug-in...", [] { Note("The test plug-in"); }, nullptr};

void Execute(void* data) { static_cast<const Command*>(data)->run(); }
ASBool IsEnabled(void* data) { return static_cast<const Command*>(data)->enabled(); }

ASCallback gExecute = nullptr, gEnabled = nullptr;

AVMenuItem NewItem(const Command& command) {
  AVMenuItem item = AVMenuItemNew(command.title, command.name, nullptr, 0, 0, 0, nullptr, gExtensionID);
  void* data = const_cast<Command*>(&command);
  AVMenuItemSetExecuteProc(item, gExecute, data);
  if (command.enabled) AVMenuItemSetComputeEnabledProc(item, gEnabled, data);
  return item;
}

ASBool Init() {
  return HostRegion([] {
           gExecute = ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(&Execute));
           gEnabled = ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(&IsEnabled));
           AVMenubar bar = AVAppGetMenubar();
           AVMenu tools = AVMenubarAcquireMenuByName(bar, "Tools");
           AVMenu menu = AVMenuNew("Zentu &Test", "Test:Menu", gExtensionID);
           AVMenuItem sub = AVMenuItemNew("Zentu &Test", "Test:Menu", menu, 0, 0, 0, nullptr, gExtensionID);
           AVMenuAddMenuItem(tools, sub, 9999);
           AVMenuItemRelease(sub);
           for (const Command& command : kCommands) {
             AVMenuItem item = NewItem(command);
             AVMenuAddMenuItem(menu, item, 9999);
             AVMenuItemRelease(item);
           }
           AVMenuRelease(tools);
           AVMenu about = AVMenubarAcquireMenuByName(bar, "AboutExtensions");
           AVMenuItem item = NewItem(kAbout);
           AVMenuAddMenuItem(about, item, 9999);
           AVMenuItemRelease(item);
           AVMenuRelease(about);
         }).raised
             ? 0
             : 1;
}

ASBool Unload() {
  gModeless.reset();
  gPalette.reset();
  gWork.reset();
  HostCallQuietly([] {
    if (AVMenuItem item = AVMenubarAcquireMenuItemByName(AVAppGetMenubar(), "Test:Menu")) {
      AVMenuItemRemove(item);
      AVMenuItemRelease(item);
    }
    ASCallbackDestroy(gExecute);
    ASCallbackDestroy(gEnabled);
  });
  return 1;
}

ASAtom GetName() { return ASAtomFromString("Zentu Test"); }

}  // namespace

extern "C" __attribute__((visibility("default"))) ASBool PlugInMain(PIHandshake* hs) {
  if (!PIAcceptHandshake(hs)) return 0;
  hs->getExtensionName = &GetName;
  hs->init = &Init;
  hs->unload = &Unload;
  return 1;
}
