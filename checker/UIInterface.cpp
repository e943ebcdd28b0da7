#include "checker/UIInterface.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <set>

#include "checker/CheckerDlgADM.h"
#include "checker/DetailsDlgADM.h"
#include "checker/PrefKeys.h"
#include "checker/PreferencesDlgADM.h"
#include "checker/Results.h"
#include "checker/WizardDlgADM.h"
#include "engine/Conformance.h"
#include "engine/ErrorNames.h"
#include "engine/Fixer.h"
#include "engine/SplitString.h"
#include "common/ADMSuites.h"
#include "common/AcroADMDialog.h"
#include "common/CommonDialogs.h"
#include "common/HostCall.h"
#include "common/Prefs.h"
#include "host/errors.h"

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

// Ends the dialog through the dialog manager, which runs its own tidy-up;
// the object stays its owner's.
void CloseDialog(CAcroADMDialog& dialog) {
  if (ADMDialogRef ref = dialog.GetDialogRef()) HostCallQuietly([ref] { ADMDialog::Destroy(ref); });
}

void SetCursor(AVCursor cursor) {
  HostCallQuietly([cursor] { AVSysSetCursor(cursor); });
}

// "Fix all" passes over the records at most this often.
const int kFixPasses = 10;
// Document flag set after every fix.
const ASInt32 kFixedFlag = 2;
// Open records of these severities are what "Fix all" looks for: 2 and 5.
const unsigned long kAutoFixSeverities = 0x24;

bool AutomaticallyFixable(const PDFX_Error& error) {
  return !error.IsFixed() && (error.GetSeverity() == 5 || error.GetEffectiveSeverity() == 2);
}

// Tells the host that the page's contents changed. A failure changes
// nothing for the fix already made.
void NotifyPage(PDDoc doc, ASInt32 page) {
  PDPage handle = nullptr;
  HostCallQuietly([&] { handle = PDDocAcquirePage(doc, page); });
  if (!handle) return;
  HostCallQuietly([&] { PDPageNotifyContentsDidChange(handle); });
  HostCallQuietly([&] { PDPageRelease(handle); });
}

// The active view's current page; -1 without a view.
ASInt32 CurrentPage() {
  ASInt32 page = -1;
  HostCallQuietly([&] {
    if (AVDoc active = AVAppGetActiveDoc()) page = AVPageViewGetPageNum(AVDocGetPageView(active));
  });
  return page;
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

void UIInterface::RunWizardDialog(const boost::shared_ptr<Results>& results) {
  boost::shared_ptr<WizardDlgADM> wizard(new WizardDlgADM(this, results));
  wizard_ = wizard;
  wizard->DoModal();
}

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
  } catch (const std::bad_alloc&) {
    thrown = true;
    thrownText = "There is not enough memory";
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
  int result = 2;
  const SeveritySet fixable(kAutoFixSeverities);
  int count = CountResults(fixable);
  if (count != 0 && !CheckSecurity()) return 1;
  std::set<ASInt32> pages;
  boost::shared_ptr<PDFXPreflight> walker = Walker();
  for (int pass = 0; walker && count > 0 && pass < kFixPasses; ++pass) {
    // Fixes and the deferred tests may file records at the list's end; this
    // pass sees the list as it began, without a copy of a large list.
    const PDFXPreflight::ErrorList& errors = walker->GetErrorList();
    auto next = errors.begin();
    for (size_t left = errors.size(); left > 0 && next != errors.end(); --left) {
      const boost::shared_ptr<PDFX_Error> error = *next++;
      if (!AutomaticallyFixable(*error)) continue;
      int answer = ApplyFixes(error, false);
      // A repair that could not be made would be offered again and again:
      // from now on the record counts as what it is, an error not fixed.
      if (answer == 1 && (permissions_ & pdPermEdit) && !error->IsFixed()) error->SetSeverity(UNFIXABLE_ERROR);
      if (answer != 2)
        result = answer;
      else if (error->GetPageIndex() != -1)
        pages.insert(error->GetPageIndex());
    }
    FixAll();
    count = CountResults(fixable);
  }
  ASInt32 current = CurrentPage();
  if (current >= 0) NotifyPage(pdDoc_, current);
  for (ASInt32 page : pages) NotifyPage(pdDoc_, page);
  return result;
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

int UIInterface::ShowPreferences() { return PreferencesDlgADM().DoModal(); }

void UIInterface::ShowAbout() { AboutDlgADM().DoModal(); }

int UIInterface::ApplyFixes(const boost::shared_ptr<PDFX_Error>& error, bool force) {
  if (!error) return 4;
  if (error->IsFixed()) return 2;
  if (!CheckSecurity()) return 1;
  if (!force && !AutomaticallyFixable(*error)) return 3;
  if (!error->GetFixer()) {
    Note("\"Fixable\" error has no way to be fixed");
    return 4;
  }
  FixContext context;
  context.error = error.get();
  context.ui = this;
  context.walker = Walker();
  int answer;
  try {
    answer = error->GetFixer()->FixIt(context, force);
  } catch (const AcrobatException& e) {
    // A repair the host cannot make room for is not made; the others go on.
    if (e.ErrorCode() != cosErrNoObjectNumber) throw;
    Note(e.Display());
    return 1;
  }
  if (answer == 2) {
    HostCall("UIInterface::ApplyFixes", [&] { PDDocSetFlags(pdDoc_, kFixedFlag); });
    error->SetFixed(true);
    boost::shared_ptr<Conformance> standard = context.walker ? context.walker->GetConformance() : nullptr;
    if (standard) {
      char version[32];
      std::snprintf(version, sizeof version, "%.1f", static_cast<double>(standard->highestVersionF));
      HostCall("UIInterface::ApplyFixes", [&] {
        PDDocSetInfo(pdDoc_, "Zent_PDFX_Corvane", version, static_cast<ASInt32>(std::strlen(version)));
      });
    }
  }
  return answer;
}

bool UIInterface::FixAll() {
  if (walker_) {
    walker_->Cleanup();
    walker_->Cleanup();
    walker_->SetFixedWhereRemoved();
  }
  if (boost::shared_ptr<PDFXPreflight> walker = results_ ? results_->GetWalker() : nullptr) {
    bool again = false;
    do {
      again = false;
      walker->RunDeferredTests(walker, this, again);
    } while (again);
  }
  return true;
}

bool UIInterface::AskPassword(PDDoc* doc, ASInt32* wanted, void** authorisation) {
  ASBool answer = 0;
  HostCall("UIInterface::AskPassword",
           [&] { answer = AVCryptGetPassword(doc ? *doc : nullptr, wanted ? *wanted : 0, authorisation); });
  return answer == 1;
}

bool UIInterface::CheckSecurity() {
  if (permissions_ & pdPermEdit) return true;
  static ASAtom standard = ASAtomNull;
  ASAtom handler = ASAtomNull;
  HostCall("UIInterface::CheckSecurity", [&] {
    if (standard == ASAtomNull) standard = ASAtomFromString("Standard");
    handler = PDDocGetNewSecurityHandler(pdDoc_);
  });
  if (handler != standard) {
    Note("Cannot change permissions for a security handler other than the standard one.");
    return false;
  }
  HostCall("UIInterface::CheckSecurity", [&] { permissions_ = PDDocPermRequest(pdDoc_, pdPermEdit, nullptr); });
  if (permissions_ & pdPermEdit) return true;
  PDDoc doc = pdDoc_;
  ASInt32 wanted = permissions_ | pdPermEdit;
  void* authorisation = nullptr;
  if (AskPassword(&doc, &wanted, &authorisation)) {
    // The authorisation is the host's memory, given back whatever the answer.
    HostRegionResult r = HostRegion([&] { permissions_ = PDDocPermRequest(pdDoc_, pdPermEdit, authorisation); });
    HostCallQuietly([&] { ASFree(authorisation); });
    if (r.raised && r.code != 0) throw AcrobatException(-1, r.code, "UIInterface::CheckSecurity");
  }
  if (permissions_ & pdPermEdit) return true;
  Note("You must enter the correct password in order to make fixes to this document");
  return false;
}

void UIInterface::ShowDetails(const boost::shared_ptr<Results>& results) {
  DetailsDlgADM details(results);
  details.DoModal();
}

boost::shared_ptr<PDFXPreflight> UIInterface::Walker() const {
  if (walker_) return walker_;
  return results_ ? results_->GetWalker() : nullptr;
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
  for (const auto& setting : PrefKeys::kWorkflowDefaults) Prefs::Set(setting.key, setting.value);
  // The condition the preferences show first is the one a repair writes.
  std::string conformance;
  Prefs::Get(PrefKeys::kConformance, conformance);
  boost::shared_ptr<Conformance> standard = Conformance::CreateByName(conformance);
  if (!standard && !Conformance::RegisteredNames().empty())
    standard = Conformance::CreateByName(Conformance::RegisteredNames().front());
  if (!standard) return;
  const std::vector<std::string> names = SplitString(standard->GetConditionNamesPattern(), "|");
  if (names.empty()) return;
  Prefs::Set(PrefKeys::kCondition, names.front());
  // The Description the dialog fills in for that condition.
  const OutputConditionMap& conditions = standard->GetPrintingConditions();
  auto found = conditions.find(names.front());
  if (found != conditions.end() && found->second && !found->second->description.empty())
    Prefs::Set(PrefKeys::kConditionDescription, found->second->description);
}

int UIInterface::FixErrors(const boost::shared_ptr<PDFX_Error>& error, bool force) {
  int result = ApplyFixes(error, force);
  FixAll();
  if (result == 2) {
    ASInt32 page = error->GetPageIndex();
    if (page == -1) page = CurrentPage();
    if (page >= 0) NotifyPage(pdDoc_, page);
  }
  return result;
}

WinUIInterface::~WinUIInterface() = default;

WinBitmap LoadBitmapResource(ASInt32 id) {
  WinBitmap bitmap = nullptr;
  HostCall("LoadBitmapResource", [&] {
    bitmap = WinLoadBitmap(WinModuleHandle(reinterpret_cast<const void*>(&LoadBitmapResource)), id & 0xFFFF, 0);
  });
  return bitmap;
}

}  // namespace Zentu
