// "Box Specifications": the modal dialog in which the user browses, makes,
// renames, edits and deletes the publications and specifications of the
// box library, and picks the specification to apply.
#pragma once
#include <boost/shared_ptr.hpp>
#include <string>
#include <vector>

#include "common/AcroADMDialog.h"
#include "pageboxes/BoxControls.h"
#include "pageboxes/BoxLibrary.h"

class LibraryDlg : public Zentu::AcroADMDialog, public BoxControlsOwner {
 public:
  LibraryDlg(CAcroADMDialog* owner, BoxLibrary& library);
  ~LibraryDlg() override;

  // Runs it; answers the button that ended it, 1 "Use" or 2 "Cancel".
  virtual ASInt32 DoModal();
  void InitSelf() override;
  void Notify(ADMNotifierRef notifier) override;
  void DestroySelf() override;

  // The selection when the dialog ended.
  const boost::shared_ptr<BoxLibrary::PublicationSet>& CurrentPublication() const { return publication_; }
  const boost::shared_ptr<BoxLibrary::BoxSet>& CurrentSpecification() const { return specification_; }

 private:
  ADMHierarchyListRef List();
  ADMListEntryRef PublicationEntry();
  ADMListEntryRef SpecificationEntry();
  void AddEntry(ADMHierarchyListRef list, ASInt32 position, const std::string& text, void* data, ASInt32 id);
  // The name item's text, at most 99 characters.
  std::string ReadName(ASInt32 id);
  // Puts the old name back, selected and focused, after the note.
  void RefuseName(ASInt32 id, const std::string& name, const char* note);
  void ShowNames();
  void ShowBoxes();
  void UpdateEnabledStates();
  bool Edited();
  void AskSaveChanges();
  void OnSelection();
  void OnAdd(bool publication);
  void OnSpecificationName();
  void OnPublicationName();
  void OnDelete();

  boost::shared_ptr<BoxLibrary::PublicationSet> publication_;
  boost::shared_ptr<BoxLibrary::BoxSet> specification_;
  CAcroADMDialog* owner_;
  BoxLibrary& library_;
  std::vector<boost::shared_ptr<BoxControls>> rows_;
  std::vector<PDFBox> boxes_;  // bleed, trim, art: the edited sizes
  std::string publicationName_, specificationName_;
};
