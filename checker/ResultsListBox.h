// The details dialog's list of records: a list box whose entries the
// checker draws itself in six columns ("Fixed?" and the results table's
// five), a column header above it, and a horizontal scrollbar below it when
// the columns are wider than the list. The header and the rows scroll
// together by the scrollbar's value.
#pragma once
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "common/BaseADMDialog.h"
#include "common/CSafeAlloc.h"

namespace Zentu {

class DetailsDlgADM;
class ResultsTable;

class ResultsListBox : public BaseADMItem, public CSafeAlloc {
 public:
  // The header strip: the column titles, drawn over the columns.
  class Header : public BaseADMItem, public CSafeAlloc {
   public:
    Header(ADMItemRef item, ResultsListBox* list) : BaseADMItem(item, list), list_(list), titles_(list->titles_) {}
    ~Header() override = default;
    void Draw(ADMDrawerRef drawer) override;

   private:
    ResultsListBox* list_;
    const std::vector<std::string>& titles_;
  };

  // Its value is how far the columns are scrolled left, in pixels.
  class HScrollbar : public BaseADMItem, public CSafeAlloc {
   public:
    HScrollbar(ADMItemRef item, ResultsListBox* list) : BaseADMItem(item, list), list_(list) {}
    ~HScrollbar() override = default;
    void Notify(ADMNotifierRef notifier) override;

   private:
    ResultsListBox* list_;
  };

  // Takes over a list box item of the dialog.
  ResultsListBox(ADMItemRef item, DetailsDlgADM* dialog);
  ~ResultsListBox() override;

  // Measures the columns, makes one entry a row (none for no table), the
  // header on the first layout and the scrollbar when the columns need it.
  bool Layout(const boost::shared_ptr<ResultsTable>& table);
  void DrawEntry(ADMEntryRef entry, ADMDrawerRef drawer);
  static void DrawEntryProc(ADMEntryRef entry, ADMDrawerRef drawer);

  const std::vector<int>& Widths() const { return widths_; }
  const std::vector<int>& Offsets() const { return offsets_; }
  int TotalWidth() const { return totalWidth_; }
  int HorizontalOffset() const { return offset_; }
  ADMItemRef ScrollbarItem() const { return scrollbar_ ? scrollbar_->GetItemRef() : nullptr; }

 private:
  // Widths of the titles and, from column 1, of every row's cells.
  void Measure(ADMDrawerRef drawer);
  void ComputeOffsets();
  void PlaceScrollbar(int visibleWidth);

  DetailsDlgADM* dialog_;
  boost::shared_ptr<ResultsTable> table_;
  size_t columns_ = 0;
  std::vector<std::string> titles_;
  bool measured_ = false;
  std::vector<int> widths_;
  std::vector<int> offsets_;
  int selected_ = -1;
  ADMRect bounds_{};  // the list item's, below the header and without the scrollbar
  Header* header_ = nullptr;        // the dialog's item owns it
  HScrollbar* scrollbar_ = nullptr; // the dialog's item owns it
  int totalWidth_ = 0;
  int offset_ = 0;
};

}  // namespace Zentu
