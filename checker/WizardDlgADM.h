// The modal dialog that ends every successful check: a picture and a text
// give the verdict, and buttons lead on to the details, the text report,
// "Fix all", a copy saved under a new name and the settings. The verdict is
// composed again after a fix and after the details, which may fix too.
#pragma once
#include <string>

#include <boost/shared_ptr.hpp>

#include "common/AcroADMDialog.h"
#include "common/DlgImage.h"
#include "host/resources.h"

namespace Zentu {

class Results;
class UIInterface;

// Templates 137 and 138 and the three verdict pictures.
extern const PIResourceTable kWizardResources;

class WizardDlgADM : public AcroADMDialog {
 public:
  enum : ASInt32 {
    kResource = 137,
    kWorkflowResource = 138,  // taller, for the workflow lines
    kFixAllItem = 1007,
    kDetailsItem = 1008,
    kSaveItem = 1009,
    kVerdictItem = 1010,
    kPictureItem = 1013,
    kReportItem = 1024,
    kSettingsItem = 1027
  };
  enum : ASInt32 { kGoodPicture = 114, kBadPicture = 117, kWorkflowPicture = 131 };

  // `owner` runs the check; not owned. The template follows from the open
  // workflow records.
  WizardDlgADM(UIInterface* owner, const boost::shared_ptr<Results>& results);
  ~WizardDlgADM() override;

  void Notify(ADMNotifierRef notifier) override;
  // A host failure throws Zentu::AcrobatException; an open record of a
  // failed verification throws std::runtime_error from the verdict.
  void InitSelf() override;
  void Save() override;
  void DestroySelf() override {}
  virtual ASInt32 DoModal();
  // Holds the results and, once the dialog is open, shows their verdict and
  // sets the buttons; false before.
  virtual bool ShowVerdict(const boost::shared_ptr<Results>& results);
  // 1 good, 2 not valid, 3 good but for workflow records; other levels
  // leave the picture.
  void ShowVerdictImage(int level);
  // Saves the document under a name the user chooses, ending in ".pdf";
  // false when nothing was saved.
  virtual bool ChooseOutputFile();

  ASInt32 Resource() const { return resource_; }

 private:
  static std::string Name();
  // The lines on the open workflow records, by their problem.
  std::string WorkflowDetails() const;

  boost::shared_ptr<Results> results_;
  UIInterface* owner_;
  ASInt32 resource_;
  DlgImage* picture_ = nullptr;  // the item's to delete
  int fixable_ = 0, unfixable_ = 0, workflow_ = 0;
  std::string standardName_;
};

}  // namespace Zentu
