// The modal dialog in which the user edits an image option set before
// "Create..." or "Modify Images..." runs: template 131, titled by the
// command that asks.
#pragma once
#include <string>

#include "alternates/ImageOptions.h"
#include "common/CAcroADMDialog.h"

class ImageOptionsDialog : public CAcroADMDialog {
 public:
  ImageOptionsDialog(const ImageOptions& options, const std::string& title);
  void Notify(ADMNotifierRef notifier) override;
  void InitSelf() override;
  void Save() override;
  // What the items hold is stored as it is: nothing to refuse.
  bool Validate() override { return true; }
  void DestroySelf() override {}
  // The dialog's copy, changed only by Save (so not after Cancel).
  virtual const ImageOptions& GetOptions() const { return options_; }

 private:
  ADMItemRef Item(ASInt32 id) const;
  void Enable(ASInt32 id, bool enable) const;
  bool IsOn(ASInt32 id) const;
  // The entry shown by a pop-up; -1 for none.
  ASInt32 Chosen(ASInt32 id) const;
  void FillPopup(ASInt32 id, ASInt32 menu, ASInt32 chosen) const;
  void SetNumber(ASInt32 id, double value, bool enabled) const;
  void EnableResolution() const;
  void EnableQuality() const;
  void EnableCriteria() const;

  ImageOptions options_;
  std::string title_;
};

// Runs the dialog over `options` from the resource `name`, template `id`;
// `options` takes the dialog's copy whatever the answer (1 for OK).
ASInt32 RunImageOptionsDialog(ImageOptions& options, const char* title, const char* name, ASInt32 id);
