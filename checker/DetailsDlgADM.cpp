#include "checker/DetailsDlgADM.h"

#include "checker/Reports.h"
#include "checker/Results.h"
#include "checker/ResultsListBox.h"
#include "checker/UIInterface.h"
#include "common/ADMSuites.h"
#include "common/AcrobatException.h"
#include "common/CommonDialogs.h"
#include "common/HostCall.h"
#include "host/errors.h"
#include "host/frame.h"

namespace Zentu {
namespace {

// The wait cursor while a fix runs, put back however it ends.
class WaitCursor {
 public:
  explicit WaitCursor(AcroADMDialog& dialog) : dialog_(dialog) { dialog_.SetWaitCursor(true); }
  ~WaitCursor() { dialog_.SetWaitCursor(false); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  AcroADMDialog& dialog_;
};

int OpenCount(const boost::shared_ptr<Results>& results, unsigned long mask) {
  return results ? results->Count(Results::Severities(mask)) : -1;
}

}  // namespace

ASInt32 DetailsDlgADM::DoModal() {
  const std::string name = DialogNamePrefix() + ":DetailsDlgADM";
  return Modal(gADMPluginRef, name.c_str(), kResource, 0, 0);
}

void DetailsDlgADM::InitSelf() {
  AcroADMDialog::InitSelf();
  HostRegionResult r = HostRegion([this] {
    ADMItemRef placeholder = ADMDialog::GetItem(dialog_, kListItem);
    ADMRect bounds{};
    ADMItem::GetBoundsRect(placeholder, &bounds);
    ADMItem::Destroy(placeholder);
    ADMItemRef item = ADMDialog::CreateItem(dialog_, kListItem, ADM_ITEM_LIST_BOX, &bounds, nullptr, nullptr, 0);
    if (!item) throw AcrobatException(0, genErrBadParm, "DetailsDlgADM::InitSelf()");
    list_ = new ResultsListBox(item, this);
    SetResults(results_);
  });
  if (r.raised) throw AcrobatException(0, r.code, "DetailsDlgADM::InitSelf()");
}

bool DetailsDlgADM::SetResults(const boost::shared_ptr<Results>& results) {
  results_ = results;
  if (!results_) return true;
  table_ = results_->WriteTable();
  selectedIndex_ = -1;
  selectedRow_ = -1;
  if (list_) list_->Layout(table_);
  EnableItem(kFixAllItem, OpenCount(results_, Results::kFixable) > 0);
  EnableItem(kFixItem, false);
  return true;
}

void DetailsDlgADM::SelectRow(int index, int row) {
  selectedIndex_ = index;
  selectedRow_ = row;
  if (index == -1 || !table_ || row < 0 || static_cast<size_t>(row) >= table_->rows.size()) {
    EnableItem(kFixItem, false);
    return;
  }
  const auto& error = table_->rows[static_cast<size_t>(row)].error;
  const int severity = error ? error->GetSeverity() : -1;
  EnableItem(kFixItem, error && !error->IsFixed() && (severity == 5 || severity == 6 || severity == 2 || severity == 3));
}

void DetailsDlgADM::FixItem() {
  if (selectedIndex_ < 0 || !table_ || selectedRow_ < 0 || static_cast<size_t>(selectedRow_) >= table_->rows.size())
    return;
  WaitCursor wait(*this);
  const int before = OpenCount(results_, Results::kWarningsAndErrors);
  const auto& walker = results_ ? results_->GetWalker() : nullptr;
  const size_t records = walker ? walker->GetErrorList().size() : 0;
  // The row goes when the table is rebuilt; the record stays.
  boost::shared_ptr<PDFX_Error> error = table_->rows[static_cast<size_t>(selectedRow_)].error;
  if (CurrentUIInterface()->FixErrors(error, true) != 2) return;
  if (walker && walker->GetErrorList().size() != records) {
    SetResults(results_);
  } else if (before - OpenCount(results_, Results::kWarningsAndErrors) > 1) {
    ADMItem::Redraw(list_->GetItemRef());
  } else {
    ADMEntryRef entry = ADMList::IndexEntry(ADMItem::GetList(list_->GetItemRef()), selectedIndex_);
    if (entry && ADMEntry::IsInBounds(entry)) ADMEntry::Invalidate(entry);
  }
}

void DetailsDlgADM::WriteReport() {
  if (!results_ || !results_->GetWalker()) return;
  TextReport report(results_->GetWalker()->GetPDDoc());
  if (report.ChooseFileName(CurrentUIInterface())) report.Generate(results_);
}

void DetailsDlgADM::Notify(ADMNotifierRef notifier) {
  if (ADMNotifier::IsNotifierType(notifier, ADM_NOTIFY_USER_CHANGED)) {
    ADMItemRef item = ADMNotifier::GetItem(notifier);
    switch (item ? ADMItem::GetID(item) : kADMNoItem) {
      case kFixItem:
        FixItem();
        break;
      case kFixAllItem: {
        WaitCursor wait(*this);
        CurrentUIInterface()->FixDocument();
        SetResults(results_);
        break;
      }
      case kReportItem:
        WriteReport();
        break;
      case kSettingsItem:
        if (CurrentUIInterface()->ShowPreferences() == 1) CurrentUIInterface()->SetPreferencesChanged(true);
        break;
      default:
        break;
    }
  }
  AcroADMDialog::Notify(notifier);
}

}  // namespace Zentu
