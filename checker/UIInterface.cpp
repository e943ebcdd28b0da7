#include "checker/UIInterface.h"

#include <new>

#include "checker/CheckerDlgADM.h"
#include "checker/Results.h"
#include "engine/ErrorNames.h"
#include "common/ADMSuites.h"
#include "common/AcroADMDialog.h"
#include "common/CommonDialogs.h"
#include "common/HostCall.h"
#include "common/Prefs.h"

Zentu::UIInterface* gUIInterface = nullptr;
std::deque<Zentu::UIInterface*> gUIStack;

Zentu::UIInterface* CurrentUIInterface() {
  if (gUIStack.empty()) gUIStack.push_back(gUIInterface);
  return gUIStack.back();
}

namespace Zentu {
namespace {

const ASInt32 kWaitCursor = 1112;
const ASInt32 kStringEntryDialog = 136, kPromptItem = 1006, kEntryItem = 1005;

void Note(const std::string& text) {
  HostCallQuietly([&] { AVAlertNote(text.c_str()); });
}

// Operations whose dialogs and repairs come with later work say so when
// they are reached.
void NotBuiltYet(const char* what) { Note(std::string(what) + " is not built yet."); }

// Ends the dialog through the dialog manager, which runs its own tidy-up;
// the object stays its owner's.
void CloseDialog(CAcroADMDialog& dialog) {
  if (ADMDialogRef ref = dialog.GetDialogRef()) HostCallQuietly([ref] { ADMDialog::Destroy(ref); });
}

void SetCursor(AVCursor cursor) {
  HostCallQuietly([cursor] { AVSysSetCursor(cursor); });
}

}  // namespace

UIInterface::UIInterface() { LoadWorkflowSettings(); }

UIInterface::~UIInterface() {
  if (progress_) CloseDialog(*progress_);
  if (wizard_) CloseDialog(*wizard_);
}

long UIInterface::Progress(const std::string& text, long value, long max) {
  // A dialog the dialog manager ended meanwhile counts as cancelled.
  if (!progress_ || !progress_->GetDialogRef()) return -1;
  return progress_->Progress(text, value, max);
}

bool UIInterface::RunWizard(const boost::shared_ptr<Results>& results) {
  if (progress_) {
    CloseDialog(*progress_);
    bool cancelled = progress_->Cancelled();
    progress_.reset();
    if (cancelled) {
      Note("Corvane cancelled");
      return false;
    }
  }
  RunWizardDialog(results);
  return false;
}

void UIInterface::RunWizardDialog(const boost::shared_ptr<Results>&) {}

bool UIInterface::ShowChecker() {
  if (progress_) CloseDialog(*progress_);
  progress_.reset(new CheckerDlgADM(this));
  // Without its dialog the walk would read every report as a cancel.
  return progress_->DoModeless() != nullptr;
}

bool UIInterface::RunCheck() {
  if (progress_) {
    progress_->Show(true);
    SeveritySet status;
    CheckDocument(status);
    return true;
  }
  if (wizard_) {
    wizard_->Show(true);
    wizard_.reset();
    return true;
  }
  return false;
}

bool UIInterface::CloseChecker() {
  bool closed = false;
  if (progress_) {
    CloseDialog(*progress_);
    closed = true;
  } else if (wizard_) {
    CloseDialog(*wizard_);
    closed = true;
  }
  progress_.reset();
  wizard_.reset();
  walker_.reset();
  results_.reset();
  return closed;
}

void UIInterface::CheckDocument(SeveritySet& status) {
  status.reset();
  AVCursor cursor = nullptr;
  HostCall("UIInterface::CheckDocument", [&] { cursor = AVSysGetCursor(); });
  walker_.reset();
  try {
    walker_.reset(new PDFXPreflight(this));
  } catch (const std::bad_alloc&) {
    return;
  }
  HostCall("UIInterface::CheckDocument", [] { AVSysSetCursor(AVSysGetStandardCursor(kWaitCursor)); });

  // What the walk and the deferred tests throw ends the check as a record
  // of severity 0 would; the verdict dialog's run is not caught here.
  bool thrown = false;
  std::string thrownText;
  try {
    walker_->SetViewDocument(avDoc_);
    status = walker_->Check();
    if (!status.test(0)) {
      results_.reset(new Results(walker_));
      bool again = false;
      do {
        walker_->RunDeferredTests(walker_, this, again);
      } while (again);
    }
  } catch (const AcrobatException& e) {
    thrown = true;
    thrownText = e.Display();
  } catch (const std::exception& e) {
    thrown = true;
    thrownText = e.what();
  } catch (...) {
    thrown = true;
  }
  if (thrown) status.set(0);

  SetCursor(cursor);
  if (status.test(0)) {
    std::string message = "An error occurred while checking the file";
    const PDFX_Error* problem = nullptr;
    for (const auto& error : walker_->GetErrorList())
      if (error->GetSeverity() == PROBLEM) {
        problem = error.get();
        break;
      }
    if (problem)
      message += ":\n" + problem->GetMessage();
    else
      message += (thrownText.empty() ? "" : ":\n" + thrownText) + ".\nPlease contact technical support";
    CloseChecker();
    Note(message);
    return;
  }
  RunWizard(results_);
}

bool UIInterface::Confirm(const char*) { return true; }

int UIInterface::FixDocument() {
  NotBuiltYet("Fix all");
  return 1;
}

void UIInterface::SetDocument(AVDoc doc) {
  LoadWorkflowSettings();
  HostCall("UIInterface::SetDocument", [&] {
    avDoc_ = doc;
    pdDoc_ = AVDocGetPDDoc(doc);
    permissions_ = PDDocGetPermissions(pdDoc_);
  });
}

StringAnswer UIInterface::AskString(const char* title, const char* prompt, const char* defaultValue) {
  StringAnswer answer;
  answer.text = defaultValue ? defaultValue : "";
  StringEntryDlgADM dialog(title ? title : "", prompt ? prompt : "", kStringEntryDialog, kPromptItem, kEntryItem);
  dialog.SetValue(answer.text);
  if (dialog.DoModal() == 1) {
    answer.answer = 1;
    answer.text = dialog.GetValue();
  }
  return answer;
}

FileChoice UIInterface::ChooseFile(bool, const char*, const char*, bool, const char*, const char*, const char*) {
  NotBuiltYet("Choosing a file");
  return FileChoice();
}

int UIInterface::ShowPreferences() {
  NotBuiltYet("The settings dialog");
  return 0;
}

void UIInterface::ShowAbout() { AboutDlgADM().DoModal(); }

int UIInterface::ApplyFixes(const boost::shared_ptr<PDFX_Error>&, bool) {
  NotBuiltYet("Fixing");
  return 1;
}

bool UIInterface::FixAll() {
  NotBuiltYet("Fixing");
  return true;
}

bool UIInterface::AskPassword(PDDoc*, ASInt32*, void**) {
  NotBuiltYet("The password prompt");
  return false;
}

bool UIInterface::CheckSecurity() {
  NotBuiltYet("The security check");
  return false;
}

int UIInterface::CountResults(const std::bitset<10>& severities) {
  return results_ ? results_->Count(severities) : -1;
}

void UIInterface::LoadWorkflowSettings() {
  preferencesChanged_ = false;
  results_.reset();
  avDoc_ = nullptr;
  pdDoc_ = nullptr;
  if (Prefs::Section().empty()) Prefs::Load();
  if (!Prefs::Section().empty()) return;
  // In memory only: they reach the registry when the settings are saved.
  Prefs::Set("min_image_dpi", "150");
  Prefs::Set("max_image_dpi", "400");
  Prefs::Set("min_1bit_dpi", "300");
  Prefs::Set("max_1bit_dpi", "1200");
}

int UIInterface::FixErrors(const boost::shared_ptr<PDFX_Error>& error, bool force) {
  int result = ApplyFixes(error, force);
  FixAll();
  return result;
}

WinUIInterface::~WinUIInterface() = default;

void WinUIInterface::RegisterFileType() { NotBuiltYet("Registering the file type"); }

FileChoice WinUIInterface::ChooseFile(bool save, const char* initialPath, const char* title, bool offerAllFiles,
                                      const char* filter, const char* initialName, const char* defaultExtension) {
  return UIInterface::ChooseFile(save, initialPath, title, offerAllFiles, filter, initialName, defaultExtension);
}

WinBitmap LoadBitmapResource(ASInt32 id) {
  WinBitmap bitmap = nullptr;
  HostCall("LoadBitmapResource", [&] {
    bitmap = WinLoadBitmap(WinModuleHandle(reinterpret_cast<const void*>(&LoadBitmapResource)), id & 0xFFFF, 0);
  });
  return bitmap;
}

}  // namespace Zentu
