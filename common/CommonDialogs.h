// The two small dialogs every plug-in can open: the About dialog (notice,
// version, build time and two pictures) and the string entry (one line of
// text under a title and a prompt). Their templates and bitmaps are the
// common resources, which each plug-in lists after its own.
#pragma once
#include <string>

#include "common/CAcroADMDialog.h"
#include "common/DlgImage.h"
#include "host/resources.h"

namespace Zentu {

// Templates 132 and 136, bitmaps 107 and 123.
extern const PIResourceTable kCommonResources;

// The first part of the names the dialogs run under: "Zent:" and the
// linking plug-in's name ("Zent:PDF/X Corvane 3" until a plug-in sets its own).
const std::string& DialogNamePrefix();
void SetDialogNamePrefix(const std::string& prefix);

class AboutDlgADM : public CAcroADMDialog {
 public:
  AboutDlgADM() = default;
  // The pictures are their items' to delete.
  ~AboutDlgADM() override = default;

  void InitSelf() override;
  bool Validate() override { return true; }
  void Save() override;
  void DestroySelf() override {}
  virtual ASInt32 DoModal();

 protected:
  DlgImage* smallPicture_ = nullptr;  // item 1018, bitmap 107
  DlgImage* largePicture_ = nullptr;  // item 1020, bitmap 123
};

class StringEntryDlgADM : public CAcroADMDialog {
 public:
  // An empty title becomes "Please enter the requested string".
  StringEntryDlgADM(const std::string& title, const std::string& prompt, ASInt32 resource = 136,
                    ASInt32 promptItem = 1006, ASInt32 entryItem = 1005);

  // Shown in the entry when the dialog runs; the text left there after OK.
  void SetValue(const std::string& value) { value_ = value; }
  const std::string& GetValue() const { return value_; }
  const std::string& GetTitle() const { return title_; }

  // Host failures are not reported: the dialog shows what was set before.
  void InitSelf() override;
  bool Validate() override { return true; }
  // The entry into the value; after a host failure the value keeps its text.
  void Save() override;
  void DestroySelf() override {}
  // 1 for OK, 2 for Cancel.
  virtual ASInt32 DoModal();

 private:
  std::string value_, title_, prompt_;
  ASInt32 resource_, promptItem_, entryItem_;
};

}  // namespace Zentu
