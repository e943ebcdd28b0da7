#include "checker/WizardDlgADM.h"

#include <stdexcept>

#include "checker/Reports.h"
#include "checker/Results.h"
#include "checker/UIInterface.h"
#include "common/ADMSuites.h"
#include "common/CommonDialogs.h"
#include "common/HostCall.h"
#include "common/Prefs.h"
#include "engine/CheckCallbacks.h"
#include "engine/Conformance.h"
#include "engine/ErrorNames.h"
#include "host/errors.h"
#include "host/frame.h"

namespace Zentu {
namespace {

const ASInt32 kWaitCursor = 1112;
const ASInt32 kCloseItem = 1;

template <class Mask>
Mask Bit(int n) {
  return Mask().set(static_cast<size_t>(n));
}

// "s" after a count other than one.
std::string Plural(int n) { return n > 1 ? "s" : ""; }
std::string WereOrWas(int n) { return n > 1 ? "were " : "was "; }

std::string Preference(const char* key) {
  std::string value;
  Prefs::Get(key, value);
  return value;
}

}  // namespace

WizardDlgADM::WizardDlgADM(UIInterface* owner, const boost::shared_ptr<Results>& results)
    : results_(results), owner_(owner), resource_(kResource) {
  if (results_ && results_->Count(Results::kWorkflow) != 0) resource_ = kWorkflowResource;
  if (results_ && results_->GetWalker())
    if (auto standard = results_->GetWalker()->GetConformance()) standardName_ = standard->name;
}

WizardDlgADM::~WizardDlgADM() = default;

std::string WizardDlgADM::Name() { return DialogNamePrefix() + ":WizardDlgADM"; }

ASInt32 WizardDlgADM::DoModal() { return Modal(gADMPluginRef, Name().c_str(), resource_, 0, 0); }

void WizardDlgADM::InitSelf() {
  HostRegionResult r = HostRegion([this] {
    EnableItem(kCloseItem, true);
    for (ASInt32 id : {kFixAllItem, kDetailsItem, kReportItem}) EnableItem(id, false);
    if (ADMItemRef item = ADMDialog::GetItem(dialog_, kPictureItem))
      picture_ = new DlgImage(*this, Name().c_str(), item, kGoodPicture);
    ShowVerdict(results_);
  });
  if (r.raised) throw AcrobatException(0, r.code, "WizardDlgADM::InitSelf()");
}

void WizardDlgADM::Save() {
  HostRegionResult r = HostRegion([] {});
  if (r.raised) throw AcrobatException(0, r.code, "WizardDlgADM::Save()");
}

void WizardDlgADM::ShowVerdictImage(int level) {
  static const ASInt32 kPictures[] = {kGoodPicture, kBadPicture, kWorkflowPicture};
  if (picture_ && level >= 1 && level <= 3) picture_->SetImage(kPictures[level - 1]);
}

bool WizardDlgADM::ShowVerdict(const boost::shared_ptr<Results>& results) {
  results_ = results;
  if (!dialog_) return false;
  if (results_->Count(Results::kProblems) != 0) throw std::runtime_error("Need to handle PDFX_Error::PROBLEM case");
  const int f = fixable_ = results_->Count(Results::kFixable);
  const int u = unfixable_ = results_->Count(Results::kUnfixable);
  const int w = workflow_ = results_->Count(Results::kWorkflow);

  EnableItem(kDetailsItem, !results_->GetWalker()->GetErrorList().empty());
  EnableItem(kReportItem, true);
  EnableItem(kFixAllItem, f > 0);
  EnableItem(kSettingsItem, true);
  if (f + u == 0) EnableItem(kSaveItem, true);

  const std::string invalid = "This file isn't a valid " + standardName_ + " file.  ";
  std::string text;
  if (f + u > 0) {
    ShowVerdictImage(2);
    if (u == 0) {
      text = invalid + "There " + WereOrWas(f) + std::to_string(f) + " error" + Plural(f) +
             " which can be automatically fixed by clicking the \"Fix all\" button.  ";
    } else {
      text = invalid + "There " + WereOrWas(f > 0 ? f : u);
      if (f > 0) text += std::to_string(f) + " error" + Plural(f) + " which can be fixed.  However, there " + WereOrWas(u);
      text += std::to_string(u) + " error" + Plural(u) + " which can not be fixed.  ";
      const int missingFonts =
          results_->CountMatching({}, Bit<Results::ObjectKinds>(KIND_FONT), Bit<Results::ProblemKinds>(PROBLEM_NOT_EMBEDDED));
      const bool rgb = results_->HasRGBErrors();
      const std::string rgbText = "at least one RGB image or artwork.  ";
      if (missingFonts > 0)
        text += "There were " + std::to_string(missingFonts) + " missing fonts" + (rgb ? " and " + rgbText : ".  ");
      else if (rgb)
        text += "There was " + rgbText;
    }
    if (w > 0)
      text += "There " + WereOrWas(w) + std::to_string(w) + " workflow error" + Plural(w) + " which cannot be fixed.\n" +
              WorkflowDetails();
    text += "\nClick the \"Details...\" button for more information";
  } else {
    ShowVerdictImage(w > 0 ? 3 : 1);
    text = "Congratulations!\nThis is a good " + standardName_ + " file.\n";
    if (w > 0)
      text += "However, there " + WereOrWas(w) + std::to_string(w) + " workflow error" + Plural(w) +
              " which cannot be fixed.\n" + WorkflowDetails();
  }
  SetItemText(kVerdictItem, text);
  return true;
}

std::string WizardDlgADM::WorkflowDetails() const {
  auto count = [this](int problem) {
    return results_->CountMatching(Bit<Results::Severities>(WORKFLOW_ERROR), {}, Bit<Results::ProblemKinds>(problem));
  };
  auto resolution = [](int n, const char* what, const char* minKey, const char* maxKey) {
    return "\n" + std::to_string(n) + " " + what +
           (n > 1 ? "s have resolutions that are " : " has a resolution that is ") +
           " not in the range set in workflow settings (" + Preference(minKey) + " DPI - " + Preference(maxKey) +
           " DPI).\n";
  };
  std::string text;
  if (count(PROBLEM_BAD_JPEG) > 0) text += "\nThis file contains images with JPEG compression.\n";
  if (count(PROBLEM_NOT_TYPE1) > 0) text += "\nThis file contains fonts that are not Type1.\n";
  if (int n = count(PROBLEM_IMAGE_RESOLUTION)) text += resolution(n, "image", "min_image_dpi", "max_image_dpi");
  if (int n = count(PROBLEM_BITMAP_RESOLUTION)) text += resolution(n, "bitmap", "min_1bit_dpi", "max_1bit_dpi");
  if (count(PROBLEM_TOO_MANY_SPOTS) > 0) {
    boost::shared_ptr<Conformance> standard = results_->GetWalker()->GetConformance();
    text += "\nNumber of spot colors (" + std::to_string(standard ? standard->spotColorNames.size() : 0) +
            ") exceeds workflow maximum of " + Preference("max_spots") + ".  " +
            "Spot colors used: " + (standard ? SpotColorList(*standard) : std::string()) + "\n";
  }
  return text;
}

void WizardDlgADM::Notify(ADMNotifierRef notifier) {
  ASInt32 id = 0;
  if (ADMNotifier::IsNotifierType(notifier, ADM_NOTIFY_USER_CHANGED))
    if (ADMItemRef item = ADMNotifier::GetItem(notifier)) id = ADMItem::GetID(item);
  switch (id) {
    case kFixAllItem:
      if (fixable_ > 0) {
        SetWaitCursor(true);
        owner_->FixDocument();
        ShowVerdict(results_);
        SetWaitCursor(false);
      }
      break;
    case kDetailsItem:
      owner_->ShowDetails(results_);
      SetWaitCursor(true);
      ShowVerdict(results_);
      SetWaitCursor(false);
      break;
    case kSaveItem:
      ChooseOutputFile();
      break;
    case kReportItem: {
      TextReport report(results_->GetWalker()->GetPDDoc());
      if (report.ChooseFileName(owner_)) report.Generate(results_);
      break;
    }
    case kSettingsItem:
      if (CurrentUIInterface()->ShowPreferences() == 1) owner_->SetPreferencesChanged(true);
      break;
  }
  // "Fix all" is never handed on.
  if (id != kFixAllItem) AcroADMDialog::Notify(notifier);
  // Changed settings close the verdict, which no longer holds for them.
  if (owner_->PreferencesChanged()) {
    owner_->SetPreferencesChanged(false);
    if (dialog_) ADMDialog::EndModal(dialog_, kCloseItem);
  }
}

bool WizardDlgADM::ChooseOutputFile() {
  PDDoc doc = nullptr;
  HostCall("WizardDlgADM::ChooseOutputFile", [&] { doc = AVDocGetPDDoc(AVAppGetActiveDoc()); });
  const DocumentFile file = ReadDocumentFile(doc, "WizardDlgADM::ChooseOutputFile");
  const ASFileSys fileSys = file.fileSys;
  const std::string& devicePath = file.devicePath;
  std::string name = devicePath.substr(devicePath.rfind('/') + 1);  // all of it without a "/"
  if (size_t dot = name.rfind('.'); dot != std::string::npos) name.erase(dot);
  name += ".pdf";

  FileChoice choice = CurrentUIInterface()->ChooseFile(true, nullptr, "Select output file", true,
                                                       "Adobe PDF files|pdf|PDFX", name.c_str(), "pdf");
  if (!choice.chosen) return false;
  const std::string& chosen = choice.path.Text();
  if (chosen.size() < 4 || chosen.compare(chosen.size() - 4, 4, ".pdf") != 0) {
    const std::string target = chosen + ".pdf";
    choice.path.SetPath(target);
    choice.path.SetText(target);
    // The chooser asked about the name it answered, not this one.
    bool exists = false;
    HostCall("WizardDlgADM::ChooseOutputFile", [&] {
      ASFile file = nullptr;
      ASErrorCode error = ASFileSysOpenFile(fileSys, choice.path.Path(), ASFILE_READ, &file);
      if (file) ASFileClose(file);
      exists = error != fileErrNotFound;
    });
    if (exists) {
      ASBool replace = 0;
      const std::string question = "\"" + target + "\" already exists. Replace it?";
      HostCall("WizardDlgADM::ChooseOutputFile", [&] { replace = AVAlertConfirm(question.c_str()); });
      if (!replace) return false;
    }
  }
  HostRegionResult saved = HostRegion([&] {
    AVSysSetCursor(AVSysGetStandardCursor(kWaitCursor));
    PDDocSave(doc, 0x21, choice.path.Path(), fileSys, nullptr, nullptr);
  });
  HostCallQuietly([] { AVSysSetCursor(nullptr); });
  if (saved.raised) throw AcrobatException(-1, saved.code, "WizardDlgADM::ChooseOutputFile");
  return true;
}

}  // namespace Zentu
