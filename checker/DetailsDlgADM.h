// The modal dialog that lists every record of a check, one line each, in
// the checker's own results list. From it the user fixes the selected
// record ("Fix Item"), fixes everything ("Fix All Errors"), writes the text
// report or opens the settings.
#pragma once
#include <boost/shared_ptr.hpp>

#include "common/AcroADMDialog.h"

namespace Zentu {

class Results;
class ResultsListBox;
class ResultsTable;

class DetailsDlgADM : public AcroADMDialog {
 public:
  enum : ASInt32 {
    kResource = 134,
    kListItem = 1001,
    kFixItem = 1003,
    kFixAllItem = 1004,
    kReportItem = 1024,
    kSettingsItem = 1027
  };

  explicit DetailsDlgADM(const boost::shared_ptr<Results>& results) : results_(results) {}
  ~DetailsDlgADM() override = default;

  void Notify(ADMNotifierRef notifier) override;
  // Puts the results list in the placeholder's place and fills it. A host
  // failure throws Zentu::AcrobatException.
  void InitSelf() override;
  void Save() override {}
  void DestroySelf() override { list_ = nullptr; }
  virtual ASInt32 DoModal();

  // Shows the results (none: keeps the list as it is); "Fix All Errors"
  // follows the open automatically fixable and fixable records.
  bool SetResults(const boost::shared_ptr<Results>& results);
  // The list's selection changed: "Fix Item" is enabled for an open record
  // it can fix.
  void SelectRow(int index, int row);

  ResultsListBox* GetListBox() const { return list_; }
  int SelectedIndex() const { return selectedIndex_; }

 protected:
  // "Report...": the text report of the held results.
  virtual void WriteReport();

 private:
  void FixItem();

  boost::shared_ptr<Results> results_;
  boost::shared_ptr<ResultsTable> table_;
  ResultsListBox* list_ = nullptr;  // the list item owns it
  int selectedIndex_ = -1;
  int selectedRow_ = -1;
};

}  // namespace Zentu
