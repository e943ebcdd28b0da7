// The boxes palette "Specifications": one row per page box, the box
// specification the boxes follow, "Apply" and "Reset" for the page and
// "Library..." for the box library. It watches every box, so edits made on
// the page show in it at once.
#pragma once
#include <boost/shared_ptr.hpp>
#include <string>
#include <vector>

#include "pageboxes/BoxControls.h"
#include "pageboxes/BoxLibrary.h"
#include "pageboxes/DialogGroup.h"
#include "pageboxes/PageBox.h"
#include "pageboxes/Subject.h"

class FramewickTool;

class PageBoxDlg : public GroupedADMDialog, public Observer, public BoxControlsOwner {
 public:
  // X and Y of every row are measured from `reference`; one row per box,
  // in this order (at least two). Neither is owned.
  PageBoxDlg(PageBox* reference, const std::vector<PageBox*>& boxes);
  ~PageBoxDlg() override;

  bool DoModeless(ASInt32 style, ASInt32 options) override;
  void InitSelf() override;
  void Notify(ADMNotifierRef notifier) override;
  void Save() override {}
  void DestroySelf() override {}
  void Update(Subject* subject, bool subjectDying) override;
  // The rows' overlays stop drawing while a box is dragged on the page.
  void SetOverlaysSuspended(bool on);
  // The boxes of another page: "Spec:  Custom" until a specification is used on it.
  void ForgetSpecification();

 private:
  // The "Spec:" line, and the tool told whether the boxes match it.
  void ShowSpecification();
  // "Apply" and "Reset" enabled while some box differs from the page.
  void ShowButtons();
  void RunLibrary(FramewickTool& tool);
  // The name of the first box the specification switches on without a size, or "".
  std::string UnsizedBox(const BoxLibrary::BoxSet& specification) const;
  // The chosen specification's sizes onto the boxes it names.
  void ApplySpecification(FramewickTool& tool);
  bool MatchesSpecification() const;
  ADMItemRef Item(ASInt32 id) const;

  PageBox* reference_;
  std::vector<PageBox*> boxes_;
  std::vector<BoxControls*> rows_;
  boost::shared_ptr<BoxLibrary::BoxSet> specification_;
  boost::shared_ptr<BoxLibrary::PublicationSet> publication_;
  bool applying_ = false;
};

// The library dialog over the tool's library, run modally over `owner`:
// 1 ("Use") with the specification chosen and its publication; any other
// result changes nothing. The library dialog is destroyed before it answers.
ASInt32 ChooseSpecification(FramewickTool& tool, CAcroADMDialog* owner,
                            boost::shared_ptr<BoxLibrary::BoxSet>* specification,
                            boost::shared_ptr<BoxLibrary::PublicationSet>* publication);
