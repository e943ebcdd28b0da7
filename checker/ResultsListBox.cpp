#include "checker/ResultsListBox.h"

#include <algorithm>
#include <stdexcept>

#include "checker/DetailsDlgADM.h"
#include "checker/Results.h"
#include "common/ADMSuites.h"

namespace Zentu {
namespace {

// Pixels between two columns; a header's text sits one further right.
const int kGap = 6;
// The dialog manager's colours.
const ASInt32 kBackground = 1, kSelectedBackground = 2, kSelectedText = 3, kHeaderBackground = 5, kLines = 14,
              kText = 15;

bool Visible(const ADMRect& box, const ADMRect& bounds) { return box.right > 0 && box.left < bounds.right; }

void VerticalLine(ADMDrawerRef drawer, int x, int top, int bottom, const ADMRect& bounds) {
  if (x < 0 || x >= bounds.right) return;
  ADMPoint from{x, top}, to{x, bottom};
  ADMDrawer::DrawLine(drawer, &from, &to);
}

}  // namespace

ResultsListBox::ResultsListBox(ADMItemRef item, DetailsDlgADM* dialog) : BaseADMItem(item, dialog), dialog_(dialog) {
  ADMItem::GetBoundsRect(item_, &bounds_);
  ADMList::SetDrawProc(ADMItem::GetList(item_), &DrawEntryProc);
}

ResultsListBox::~ResultsListBox() = default;

void ResultsListBox::Measure(ADMDrawerRef drawer) {
  for (size_t c = 0; c < columns_; ++c) {
    // Columns and titles are counted apart; a title missing is a fault.
    if (c >= titles_.size()) throw std::out_of_range("invalid vector<T> subscript");
    widths_[c] = ADMDrawer::GetTextWidth(drawer, titles_[c].c_str());
  }
  if (!table_) return;
  for (auto& row : table_->rows)
    for (size_t c = 1; c < columns_; ++c)
      widths_[c] = std::max(widths_[c], static_cast<int>(ADMDrawer::GetTextWidth(drawer, row.Cell(c - 1).c_str())));
}

void ResultsListBox::ComputeOffsets() {
  for (size_t c = 1; c < columns_; ++c) offsets_[c] = offsets_[c - 1] + widths_[c - 1] + kGap;
  totalWidth_ = offsets_.empty() ? 0 : offsets_.back() + widths_.back() + 3;
}

bool ResultsListBox::Layout(const boost::shared_ptr<ResultsTable>& table) {
  selected_ = -1;
  table_ = table;
  titles_.assign(1, "Fixed?");
  if (table_)
    titles_.insert(titles_.end(), table_->titles.begin(), table_->titles.end());
  else
    titles_.insert(titles_.end(), {"Page", "Error level", "Location", "Type", "Description"});
  columns_ = titles_.size();
  widths_.assign(columns_, 0);
  offsets_.assign(columns_, 0);
  measured_ = false;

  ADMRect itemBounds{};
  ADMItem::GetBoundsRect(item_, &itemBounds);
  ADMDrawerRef drawer = ADMDrawer::Create(ADMItem::GetWindowRef(item_), &itemBounds, ADMItem::GetFont(item_));
  ADMListRef list = ADMItem::GetList(item_);
  const ASInt32 rows = table_ ? static_cast<ASInt32>(table_->rows.size()) : 0;
  try {
    while (ADMList::NumberOfEntries(list) < rows)
      ADMEntry::SetUserData(ADMList::InsertEntry(list, -1), this);
    while (ADMList::NumberOfEntries(list) > rows) ADMList::RemoveEntry(list, ADMList::NumberOfEntries(list) - 1);
    for (ASInt32 r = 0; r < rows; ++r) ADMEntry::SetID(ADMList::IndexEntry(list, r), r);
    Measure(drawer);
  } catch (...) {
    ADMDrawer::Destroy(drawer);
    throw;
  }
  ADMDrawer::Destroy(drawer);
  ComputeOffsets();

  ADMRect entry{};
  ADMList::GetEntryTextRect(list, &entry);
  const int visibleWidth = entry.right - entry.left, entryHeight = entry.bottom - entry.top;
  if (!header_) {
    ADMRect area{};
    ADMItem::GetBoundsRect(ADMItem::GetChildItem(item_, 2), &area);
    ADMRect strip{area.left - 1, area.top, area.right, area.top + entryHeight};
    ADMItem::Resize(item_, bounds_.right - bounds_.left, bounds_.bottom - strip.bottom);
    ADMItem::Move(item_, bounds_.left, strip.bottom);
    ADMItem::GetBoundsRect(item_, &bounds_);
    ADMItemRef made = ADMDialog::CreateItem(dialog_->GetDialogRef(), 0, ADM_ITEM_STATIC, &strip, nullptr, nullptr, 0);
    if (made) header_ = new Header(made, this);
  }
  PlaceScrollbar(visibleWidth);
  // The header shows the new titles and offset too.
  ADMRect redraw = bounds_;
  if (header_) {
    ADMRect strip{};
    ADMItem::GetBoundsRect(header_->GetItemRef(), &strip);
    redraw.top = strip.top;
  }
  ADMDialog::InvalidateRect(dialog_->GetDialogRef(), &redraw);
  return true;
}

// The list keeps its full height in bounds_; the scrollbar, when shown,
// takes the bottom of it.
void ResultsListBox::PlaceScrollbar(int visibleWidth) {
  const int width = bounds_.right - bounds_.left, height = bounds_.bottom - bounds_.top;
  if (totalWidth_ > visibleWidth) {
    ADMRect vertical{};
    ADMItem::GetBoundsRect(ADMItem::GetChildItem(item_, 1), &vertical);
    const int barHeight = vertical.right - vertical.left;
    if (!scrollbar_) {
      ADMRect bar{bounds_.left, bounds_.bottom - barHeight, bounds_.right, bounds_.bottom};
      ADMItemRef made = ADMDialog::CreateItem(dialog_->GetDialogRef(), 0, ADM_ITEM_SCROLLBAR, &bar, nullptr, nullptr, 0);
      if (!made) return;
      scrollbar_ = new HScrollbar(made, this);
    }
    ADMItemRef bar = scrollbar_->GetItemRef();
    const int maximum = totalWidth_ - visibleWidth;
    ADMItem::SetMaxIntValue(bar, maximum);
    if (offset_ > maximum) {
      offset_ = maximum;
      ADMItem::SetIntValue(bar, offset_);
    }
    ADMItem::SetSmallIncrement(bar, ADMItem::GetSmallIncrement(bar));
    ADMItem::SetLargeIncrement(bar, static_cast<ADMReal>(visibleWidth));
    ADMItem::Show(bar, true);
    ADMItem::Enable(bar, true);
    ADMItem::Resize(item_, width, height - barHeight);
  } else if (scrollbar_) {
    ADMItemRef bar = scrollbar_->GetItemRef();
    offset_ = 0;
    ADMItem::SetIntValue(bar, 0);
    ADMItem::Show(bar, false);
    ADMItem::Enable(bar, false);
    ADMItem::Resize(item_, width, height);
  }
}

void ResultsListBox::DrawEntryProc(ADMEntryRef entry, ADMDrawerRef drawer) {
  if (auto* list = static_cast<ResultsListBox*>(ADMEntry::GetUserData(entry))) list->DrawEntry(entry, drawer);
}

void ResultsListBox::DrawEntry(ADMEntryRef entry, ADMDrawerRef drawer) {
  const ASInt32 row = ADMEntry::GetID(entry);
  const ASInt32 index = ADMEntry::GetIndex(entry);
  if (!table_ || row < 0 || static_cast<size_t>(row) >= table_->rows.size()) return;
  ResultsTable::Row& cells = table_->rows[static_cast<size_t>(row)];

  ASInt32 background = kBackground, text = kText;
  if (ADMEntry::IsSelected(entry)) {
    background = kSelectedBackground;
    text = kSelectedText;
    selected_ = index;
    dialog_->SelectRow(index, row);
  } else if (selected_ == index) {
    selected_ = -1;
    dialog_->SelectRow(-1, row);
  }
  ADMRect bounds{};
  ADMDrawer::GetBoundsRect(drawer, &bounds);
  ADMDrawer::SetColor(drawer, background);
  ADMDrawer::FillRect(drawer, &bounds);
  ADMDrawer::SetColor(drawer, text);

  const int origin = bounds.left - offset_;
  for (size_t c = 0; c < columns_; ++c) {
    ADMRect box{offsets_[c] + origin, bounds.top, offsets_[c] + origin + widths_[c] + kGap, bounds.bottom};
    if (!Visible(box, bounds)) continue;
    std::string cell;
    if (c == 0)
      cell = cells.error && (cells.error->IsFixed() || cells.error->GetSeverity() == -1) ? "Yes" : "No";
    else
      cell = cells.Cell(c - 1);
    ADMDrawer::DrawTextInBox(drawer, &box, cell.c_str(), 0);
  }
  ADMDrawer::SetColor(drawer, kLines);
  for (size_t c = 1; c < columns_; ++c) VerticalLine(drawer, offsets_[c] + origin - 3, bounds.top, bounds.bottom, bounds);
}

void ResultsListBox::Header::Draw(ADMDrawerRef drawer) {
  ADMRect bounds{};
  ADMDrawer::GetBoundsRect(drawer, &bounds);
  ADMDrawer::SetColor(drawer, kHeaderBackground);
  ADMDrawer::FillRect(drawer, &bounds);
  ADMDrawer::SetColor(drawer, kText);
  const int origin = bounds.left - list_->offset_;
  if (!list_->measured_) {
    list_->Measure(drawer);
    list_->ComputeOffsets();
    list_->measured_ = true;
  }
  const auto& offsets = list_->offsets_;
  const auto& widths = list_->widths_;
  for (size_t c = 0; c < list_->columns_; ++c) {
    ADMRect box{offsets[c] + origin + 1, bounds.top, offsets[c] + origin + 1 + widths[c] + kGap, bounds.bottom};
    if (Visible(box, bounds)) ADMDrawer::DrawTextInBox(drawer, &box, titles_.at(c).c_str(), 0);
  }
  ADMDrawer::SetColor(drawer, kLines);
  ADMDrawer::FrameRect(drawer, &bounds);
  for (size_t c = 1; c < list_->columns_; ++c)
    VerticalLine(drawer, offsets[c] + origin - 2, bounds.top + 2, bounds.bottom - 2, bounds);
}

void ResultsListBox::HScrollbar::Notify(ADMNotifierRef notifier) {
  // Hosts of major version 6 tell a scroll as it happens, the others when it ends.
  static const char* followed = nullptr;
  if (!followed) {
    ASInt16 major = 0, minor = 0;
    AVAppGetVersion(&major, &minor);
    followed = major == 6 ? ADM_NOTIFY_INTERMEDIATE_CHANGED : ADM_NOTIFY_USER_CHANGED;
  }
  if (ADMNotifier::IsNotifierType(notifier, followed)) {
    const int value = ADMItem::GetIntValue(item_);
    if (value != list_->offset_) {
      list_->offset_ = value;
      ADMDialog::Invalidate(list_->dialog_->GetDialogRef());
    }
  }
  BaseADMItem::Notify(notifier);
}

}  // namespace Zentu
