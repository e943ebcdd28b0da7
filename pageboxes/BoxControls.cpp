#include "pageboxes/BoxControls.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "common/ADMSuites.h"
#include "common/CAcroADMDialog.h"
#include "common/HostCall.h"
#include "host/piglue.h"
#include "pageboxes/BoxMath.h"
#include "pageboxes/FramewickTool.h"
#include "pageboxes/HostEntry.h"

namespace {

const ASInt32 kPageUnits = 39;
const ASInt32 kDecimals = 3;
const ASInt32 kCopyStep = 100;
const ASInt32 kCellColour = 8, kLineColour = 15;
const ASInt32 kSwatchInset = 3;
enum { kAnchorIcon, kUnlockedIcon, kLockedIcon };
const ASInt32 kIconResources[3] = {112, 113, 114};

// The unit of display and the rows alive, process-wide. A unit is
// points x den / num: millimetres through 72/25.4 exactly, not a rounded factor.
struct Units {
  std::string name = "in";
  double num = 1, den = 72;
  bool determined = false;
  std::multimap<CAcroADMDialog*, BoxControls*> rows;
};

Units& U() {
  static auto* units = new Units;
  return *units;
}

void DetermineUnit() {
  if (U().determined) return;
  ASInt32 units = 0;
  HostCall("BoxControls", [&] { units = AVAppGetPreference(kPageUnits); });
  U().name = units == 1 ? "in" : units == 2 ? "mm" : "pt";
  U().num = units == 2 ? 25.4 : 1;
  U().den = units == 1 || units == 2 ? 72 : 1;
  U().determined = true;
}

// A length in points in units of display, to the nearest 1/65536 while the
// 16.16 type holds it.
double ToUnits(double points) {
  const double units = points * U().num / U().den;
  const int64_t raw = RawFixed(units);
  return InFixedRange(raw) ? raw / 65536.0 : units;
}

// A number of units as raw 16.16 points, to the nearest 1/65536 point.
int64_t ToPoints(double units) { return RawFixed(units * U().den / U().num); }

// Loaded the first time a lock button draws, kept for the plug-in's life.
ADMIconRef gIcons[3] = {nullptr, nullptr, nullptr};

bool Inside(const ADMPoint& p, const ADMRect& r) {
  return p.h >= r.left && p.h <= r.right && p.v >= r.top && p.v <= r.bottom;
}

PageBox* AnchorBox() { return PageBox::Anchor::Global().Box(); }

bool IsOn(const PDFBox* box) {
  const auto* page = dynamic_cast<const PageBox*>(box);
  return page ? page->IsEnabled() : box->Enabled();
}

// Left, bottom, right and top in points: as the page holds them while the
// box is as it was read (beyond 16.16 too), else the box's own.
void EdgesOf(const PDFBox* box, double out[4]) {
  const auto* page = dynamic_cast<const PageBox*>(box);
  if (page && page->Found() && page->Unedited()) {
    for (int i = 0; i < 4; ++i) out[i] = page->PageValues()[i];
    return;
  }
  const ASFixedRect& r = box->Rect();
  const double edges[4] = {r.left / 65536.0, r.bottom / 65536.0, r.right / 65536.0, r.top / 65536.0};
  for (int i = 0; i < 4; ++i) out[i] = edges[i];
}

// A field shows a number the 16.16 type cannot hold as its text.
void ShowValue(ADMItemRef item, double value) {
  const int64_t raw = RawFixed(value);
  if (InFixedRange(raw)) {
    ADMItem::SetFixedValue(item, static_cast<ASFixed>(raw));
    return;
  }
  char text[512];
  std::snprintf(text, sizeof text, "%.*f", static_cast<int>(kDecimals), value);
  ADMItem::SetText(item, text);
}

// Edits of the page's boxes are refused on a page the editor cannot hold.
bool Refused(const PDFBox* box) {
  return dynamic_cast<const PageBox*>(box) && FramewickTool::Exists() && FramewickTool::Instance()->RefusesEdits();
}

}  // namespace

// The grouping cell ----------------------------------------------------------------
LockButton::LockButton(ADMItemRef item, PDFBox* box)
    : BaseADMItem(item, nullptr), box_(box), pageBox_(dynamic_cast<PageBox*>(box)) {}

LockButton::~LockButton() {
  if (row_) row_->lock_ = nullptr;
}

void LockButton::SetBox(PDFBox* box) {
  box_ = box;
  pageBox_ = dynamic_cast<PageBox*>(box);
}

void LockButton::Draw(ADMDrawerRef drawer) {
  Caught([&] {
    // A host failure ends the drawing there.
    HostRegion([&] {
      if (!gIcons[kAnchorIcon])
        for (int i = 0; i < 3; ++i) gIcons[i] = ADMIcon::GetFromResource(gADMPluginRef, kIconResources[i], 0);
      ADMRect r{0, 0, 0, 0};
      ADMDrawer::GetBoundsRect(drawer, &r);
      ADMDrawer::SetColor(drawer, kCellColour);
      ADMDrawer::FillRect(drawer, &r);
      ADMDrawer::SetColor(drawer, kLineColour);
      if (!box_) return;
      ADMRect right = r;
      const bool anchor = pageBox_ && pageBox_ == AnchorBox();
      if (pageBox_) {
        const ASInt32 middle = (r.left + r.right) / 2;
        const ADMRect left{r.left, r.top, middle, r.bottom};
        right.left = middle;
        const ADMPoint at{left.left, left.top};
        if (anchor && gIcons[kAnchorIcon]) ADMDrawer::DrawIcon(drawer, gIcons[kAnchorIcon], &at);
        ADMDrawer::FrameRect(drawer, &left);
      }
      ADMIconRef lock = gIcons[box_->Locked() ? kLockedIcon : kUnlockedIcon];
      const ADMPoint at{right.left, right.top};
      if (!anchor && lock) ADMDrawer::DrawIcon(drawer, lock, &at);
      ADMDrawer::FrameRect(drawer, &right);
    });
  });
}

ADMBoolean LockButton::Track(ADMTrackerRef tracker) {
  bool handled = false;
  Caught([&] {
    if (!box_ || !IsOn(box_)) return;
    const ASInt32 action = ADMTracker::GetAction(tracker);
    if (action == kADMButtonDownAction) {
      pressed_ = true;
      handled = true;
      return;
    }
    if (action != kADMButtonUpAction || !pressed_) return;
    pressed_ = false;
    ADMPoint p{0, 0};
    ADMRect r{0, 0, 0, 0};
    ADMTracker::GetPoint(tracker, &p);
    ADMItem::GetBoundsRect(item_, &r);
    if (!Inside(p, r)) return;
    handled = true;
    if (Refused(box_)) return;
    if (!pageBox_)
      box_->SetLocked(!box_->Locked());
    else if (p.h <= (r.left + r.right) / 2)
      PageBox::Anchor::Global().SetAnchor(pageBox_);
    else if (pageBox_ != AnchorBox())  // the anchor box cannot be locked
      box_->SetLocked(!box_->Locked());
    ADMItem::Redraw(item_);
  });
  return handled ? 1 : 0;
}

// The colour swatch ----------------------------------------------------------------
ColorButton::ColorButton(ADMItemRef item, PageBox* box) : BaseADMItem(item, nullptr), box_(nullptr) { SetBox(box); }

ColorButton::~ColorButton() {
  if (row_) row_->colour_ = nullptr;
}

void ColorButton::SetBox(PageBox* box) {
  box_ = box;
  if (!box) return;
  const ASFixed* c = box->Colour();
  auto part = [](ASFixed f) { return static_cast<ASUns16>(static_cast<int64_t>(f) * 65535 / 65536); };
  colour_ = ADMRGBColor{part(c[0]), part(c[1]), part(c[2])};
}

void ColorButton::Draw(ADMDrawerRef drawer) {
  Caught([&] {
    ADMRect r{0, 0, 0, 0};
    ADMDrawer::GetBoundsRect(drawer, &r);
    ADMDrawer::FrameRect(drawer, &r);
    const ADMRect swatch{r.left + kSwatchInset, r.top + kSwatchInset, r.right - kSwatchInset, r.bottom - kSwatchInset};
    ADMDrawer::FillRectRGB(drawer, &swatch, &colour_);
  });
}

void ColorButton::Notify(ADMNotifierRef notifier) {
  Caught([&] {
    BaseADMItem::Notify(notifier);
    if (!box_ || !ADMNotifier::IsNotifierType(notifier, ADM_NOTIFY_USER_CHANGED)) return;
    ADMRGBColor chosen = colour_;
    if (!ADMBasic::ChooseColor(ADMPoint{0, 0}, &colour_, &chosen)) return;
    colour_ = chosen;
    auto fixed = [](ASUns16 part) { return static_cast<ASFixed>(part * 65536.0 / 65535 + 0.5); };
    box_->SetColour(fixed(chosen.red), fixed(chosen.green), fixed(chosen.blue));
    ADMItem::Redraw(item_);
    box_->Notify();
  });
}

// The row --------------------------------------------------------------------------
BoxControls::BoxControls(CAcroADMDialog* dialog, PDFBox* reference, PDFBox* box, const ASInt32 ids[kColumns])
    : dialog_(dialog), reference_(reference), box_(box) {
  for (int c = 0; c < kColumns; ++c) ids_[c] = ids[c];
  Bind();
}

BoxControls::BoxControls(CAcroADMDialog* dialog, PDFBox* reference, PDFBox* box, const BoxControls& templateRow,
                         ASInt32 offset)
    : dialog_(dialog), reference_(reference), box_(box) {
  ADMDialogRef d = dialog->GetDialogRef();
  for (int c = 0; c < kColumns; ++c) {
    ADMItemRef from = templateRow.Item(c);
    if (!from) continue;  // a column the template lacks stays absent
    ASInt32 id = templateRow.ids_[c] + kCopyStep;
    HostCall("BoxControls", [&] {
      while (ADMDialog::GetItem(d, id)) id += kCopyStep;
      ADMRect bounds{0, 0, 0, 0};
      ADMItem::GetBoundsRect(from, &bounds);
      bounds.top += offset;
      bounds.bottom += offset;
      ADMItemRef made = ADMItem::Create(d, id, ADMItem::GetItemType(from), &bounds, nullptr, nullptr, 0);
      if (!made) return;
      ASText text = NewTextFromADMItem(from);
      SetADMItemText(made, text);
      if (text) ASTextDestroy(text);
      ids_[c] = id;
    });
  }
  Bind();
}

BoxControls::~BoxControls() {
  for (auto it = U().rows.begin(); it != U().rows.end(); ++it)
    if (it->second == this) {
      U().rows.erase(it);
      break;
    }
  // The next row reads the host's unit again.
  if (U().rows.empty()) U().determined = false;
  if (box_) box_->Detach(this, false);
  if (reference_) reference_->Detach(this, false);
  overlay_.reset();
  if (lock_) {
    lock_->row_ = nullptr;
    delete lock_;
  }
  if (colour_) {
    colour_->row_ = nullptr;
    delete colour_;
  }
}

const std::string& BoxControls::UnitName() { return U().name; }
double BoxControls::PointsPerUnit() { return U().den / U().num; }

ADMItemRef BoxControls::Item(int column) const {
  if (!ids_[column]) return nullptr;
  ADMItemRef item = nullptr;
  HostCall("BoxControls", [&] { item = ADMDialog::GetItem(dialog_->GetDialogRef(), ids_[column]); });
  return item;
}

void BoxControls::Bind() {
  DetermineUnit();
  U().rows.emplace(dialog_, this);
  for (int c = 0; c < kColumns; ++c)
    if (ids_[c]) columns_[ids_[c]] = c;
  auto* owner = dynamic_cast<BoxControlsOwner*>(dialog_);
  if (!owner) throw std::logic_error("A dialog with box rows must own them.");
  if (ADMItemRef grouping = Item(kGrouping)) {
    lock_ = new LockButton(grouping, box_);
    if (lock_) lock_->row_ = this;
  }
  auto* pageBox = dynamic_cast<PageBox*>(box_);
  if (ADMItemRef colour = Item(kColour)) {
    if (pageBox) {
      colour_ = new ColorButton(colour, pageBox);
      if (colour_) colour_->row_ = this;
    }
    AVPageView view = nullptr;
    HostCall("BoxControls", [&] {
      if (AVDoc doc = AVAppGetActiveDoc()) view = AVDocGetPageView(doc);
    });
    overlay_.reset();
    overlay_.reset(new BoxViewOverlay);
    overlay_->Attach(pageBox, view);
  }
  HostCall("BoxControls", [&] {
    for (int c = kX; c <= kH; ++c)
      if (ADMItemRef item = Item(c)) {
        ADMItem::SetUnits(item, 0);
        ADMItem::SetAllowUnits(item, 0);
        ADMItem::SetPrecision(item, kDecimals);
      }
    if (ADMItemRef unit = Item(kUnit)) ADMItem::SetText(unit, U().name.c_str());
  });
  for (int c = 0; c < kColumns; ++c)
    if (ids_[c] && Item(c)) owner->rowOfItem[ids_[c]] = this;
  PDFBox* box = box_;
  box_ = nullptr;  // SetBox attaches it
  SetBox(box);
  if (reference_) reference_->Attach(this);
}

void BoxControls::Values(double out[4]) const {
  double b[4], ref[4] = {0, 0, 0, 0};
  EdgesOf(box_, b);
  if (reference_) EdgesOf(reference_, ref);
  // The zero box of a row that is off stands at the reference's bottom-left corner.
  const ASFixedRect& r = box_->Rect();
  if (!IsOn(box_) && r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0) {
    b[0] = b[2] = ref[0];
    b[1] = b[3] = ref[1];
  }
  out[0] = ToUnits(b[0] - ref[0]);
  out[1] = ToUnits(ref[3] - b[3]);
  out[2] = ToUnits(b[2] - b[0]);
  out[3] = ToUnits(b[3] - b[1]);
}

void BoxControls::SetBox(PDFBox* box) {
  if (box != box_) {
    if (box_) box_->Detach(this, false);
    box_ = box;
    if (box_) box_->Attach(this);
  }
  if (!box_) return;
  if (lock_) lock_->SetBox(box_);
  if (colour_) colour_->SetBox(dynamic_cast<PageBox*>(box_));
  double values[4];
  Values(values);
  HostCall("BoxControls", [&] {
    if (lock_) ADMItem::Redraw(lock_->GetItemRef());
    if (ADMItemRef check = Item(kCheck)) {
      shownOn_ = IsOn(box_);
      ADMItem::SetBooleanValue(check, shownOn_ ? 1 : 0);
      if (!box_->Name().empty()) ADMItem::SetText(check, box_->Name().c_str());
    }
    for (int i = 0; i < 4; ++i)
      if (ADMItemRef item = Item(kX + i)) {
        ShowValue(item, values[i]);
        shown_[i] = values[i];
      }
  });
  Update(box_, false);
}

void BoxControls::Update(Subject* subject, bool subjectDying) {
  // X and Y are measured from the reference box: they follow it too.
  if (reference_ && subject == static_cast<Subject*>(reference_) && subject != static_cast<Subject*>(box_)) {
    if (subjectDying) {
      reference_ = nullptr;
      return;
    }
    subject = box_;
  }
  if (!box_ || subject != static_cast<Subject*>(box_)) return;
  if (subjectDying) {
    box_ = nullptr;
    return;
  }
  const bool on = IsOn(box_);
  double values[4];
  Values(values);
  HostCall("BoxControls", [&] {
    if (lock_) ADMItem::Redraw(lock_->GetItemRef());
    if (ADMItemRef check = Item(kCheck)) {
      shownOn_ = on;
      ADMItem::SetBooleanValue(check, on ? 1 : 0);
    }
    for (int i = 0; i < 4; ++i) {
      ADMItemRef item = Item(kX + i);
      if (!item) continue;
      if (values[i] != shown_[i]) {
        ShowValue(item, values[i]);
        shown_[i] = values[i];
      }
      // A locked box is placed by its anchor: only its size is the user's.
      ADMItem::Enable(item, on && (i >= 2 || !box_->Locked()) ? 1 : 0);
    }
  });
  if (!on && box_ == AnchorBox() && FramewickTool::Exists()) FramewickTool::Instance()->ChooseDefaultAnchor();
}

ASInt32 BoxControls::OnItemNotify(ADMItemRef item) {
  ASInt32 id = 0;
  HostCall("BoxControls", [&] { id = ADMItem::GetID(item); });
  auto found = columns_.find(id);
  if (found == columns_.end() || !box_) return -1;
  const int column = found->second;
  if ((column == kCheck || (column >= kX && column <= kH)) && Refused(box_)) {
    SetBox(box_);  // the row shows the box again, as it stays
    return column;
  }
  if (column == kCheck) {
    HostCall("BoxControls", [&] { shownOn_ = ADMItem::GetBooleanValue(item) != 0; });
    box_->SetEnabled(shownOn_);
    return column;
  }
  if (column < kX || column > kH) return column;
  const int i = column - kX;
  std::string text;
  HostCall("BoxControls", [&] {
    ADMItem::GetFixedValue(item);  // a text that is no number: the field shows a number again
    ReadADMItemText(item, 64, text);
  });
  // The number as typed, not as the field's 16.16 holds it: 279.4 mm is 792
  // points, and a value beyond the type is the row's too.
  char* end = nullptr;
  const double typed = std::strtod(text.c_str(), &end);
  auto showAgain = [&] { HostCall("BoxControls", [&] { ShowValue(item, shown_[i]); }); };
  if (end == text.c_str() || !std::isfinite(typed)) {
    showAgain();
    return column;
  }
  if (RawFixed(typed) == RawFixed(shown_[i])) return column;  // as shown: nothing changes
  const int64_t length = ToPoints(typed);
  const ASFixedRect was = box_->Rect();
  const ASFixedRect ref = reference_ ? reference_->Rect() : ASFixedRect{0, 0, 0, 0};
  int64_t left = was.left, top = was.top, right = was.right, bottom = was.bottom;
  if (column == kX) {
    left = ref.left + length;
    right = left + (int64_t{was.right} - was.left);
  } else if (column == kY) {
    top = ref.top - length;
    bottom = top - (int64_t{was.top} - was.bottom);
  } else if (column == kW) {
    right = left + length;
  } else {
    bottom = top - length;
  }
  // Refused exactly when an edge of the box it makes would pass what the
  // fixed type holds: the field shows its value again and the box stays.
  if (!InFixedRange(left) || !InFixedRange(top) || !InFixedRange(right) || !InFixedRange(bottom)) {
    showAgain();
    return column;
  }
  box_->SetRect(ASFixedRect{static_cast<ASFixed>(left), static_cast<ASFixed>(top), static_cast<ASFixed>(right),
                            static_cast<ASFixed>(bottom)});
  return column;
}

void BoxControls::EnableItems(bool on) {
  HostCall("BoxControls", [&] {
    for (int c = 0; c < kColumns; ++c)
      if (ADMItemRef item = Item(c)) ADMItem::Enable(item, on ? 1 : 0);
  });
}

void BoxControls::SetOverlaySuspended(bool on) {
  if (overlay_) overlay_->SetSuspended(on);
}
