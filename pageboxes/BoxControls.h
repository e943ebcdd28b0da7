// One row of a palette per page box: a check box that switches the box on
// or off, a grouping cell (anchor and lock), a colour swatch, X, Y, W and H
// in the unit of display, and the unit's label. The row watches its box and
// turns the user's edits into changes of the box.
#pragma once
#include <map>
#include <memory>
#include <string>

#include "common/BaseADMDialog.h"
#include "common/CSafeAlloc.h"
#include "pageboxes/BoxViewOverlay.h"
#include "pageboxes/PageBox.h"
#include "pageboxes/Subject.h"

class BoxControls;
class CAcroADMDialog;

// A dialog that holds rows: its items' notifications reach their row
// through this map of item identifiers.
class BoxControlsOwner {
 public:
  virtual ~BoxControlsOwner() = default;
  std::map<ASInt32, BoxControls*> rowOfItem;
};

// The grouping cell: its left half marks and makes the anchor box, its
// right half shows and toggles the lock.
class LockButton : public BaseADMItem, public CSafeAlloc {
 public:
  LockButton(ADMItemRef item, PDFBox* box);
  ~LockButton() override;
  void SetBox(PDFBox* box);
  void Draw(ADMDrawerRef drawer) override;
  // True when it handled the mouse.
  ADMBoolean Track(ADMTrackerRef tracker) override;

 private:
  friend class BoxControls;
  PDFBox* box_;
  PageBox* pageBox_;  // none for a plain box (the library's)
  bool pressed_ = false;
  BoxControls* row_ = nullptr;
};

// The colour swatch: a press opens the colour picker.
class ColorButton : public BaseADMItem, public CSafeAlloc {
 public:
  ColorButton(ADMItemRef item, PageBox* box);
  ~ColorButton() override;
  void SetBox(PageBox* box);
  void Draw(ADMDrawerRef drawer) override;
  void Notify(ADMNotifierRef notifier) override;
  const ADMRGBColor& Colour() const { return colour_; }

 private:
  friend class BoxControls;
  PageBox* box_;
  ADMRGBColor colour_{0, 0, 0};
  BoxControls* row_ = nullptr;
};

class BoxControls : public CSafeAlloc, public Observer {
 public:
  enum Column { kCheck, kGrouping, kColour, kX, kY, kW, kH, kUnit, kColumns };

  // A row of the dialog's own items, by column; 0 for a column it lacks.
  BoxControls(CAcroADMDialog* dialog, PDFBox* reference, PDFBox* box, const ASInt32 ids[kColumns]);
  // A row copied from `templateRow`, `offset` pixels lower; each copied
  // item's identifier is the template's plus 100 for each copy before it.
  BoxControls(CAcroADMDialog* dialog, PDFBox* reference, PDFBox* box, const BoxControls& templateRow, ASInt32 offset);
  ~BoxControls() override;
  BoxControls(const BoxControls&) = delete;
  BoxControls& operator=(const BoxControls&) = delete;

  void SetBox(PDFBox* box);
  void Update(Subject* subject, bool subjectDying) override;
  // Applies the user's edit of one of the row's items; answers its column.
  virtual ASInt32 OnItemNotify(ADMItemRef item);
  virtual void EnableItems(bool on);
  void SetOverlaySuspended(bool on);

  PDFBox* Box() const { return box_; }
  ASInt32 ItemId(int column) const { return ids_[column]; }
  BoxViewOverlay* Overlay() const { return overlay_.get(); }

  // The unit of display, shared by every row: "in", "mm" or "pt", read
  // from the host's page units when a row is made while none lives.
  static const std::string& UnitName();
  static double PointsPerUnit();

 private:
  friend class LockButton;
  friend class ColorButton;
  void Bind();
  ADMItemRef Item(int column) const;
  // The four numbers in display units from the box (one beyond the 16.16
  // type's range is shown as it is).
  void Values(double out[4]) const;

  CAcroADMDialog* dialog_;
  PDFBox* reference_;
  PDFBox* box_ = nullptr;
  std::unique_ptr<BoxViewOverlay> overlay_;
  ColorButton* colour_ = nullptr;
  LockButton* lock_ = nullptr;
  ASInt32 ids_[kColumns] = {0, 0, 0, 0, 0, 0, 0, 0};
  std::map<ASInt32, int> columns_;
  bool shownOn_ = false;
  double shown_[4] = {0, 0, 0, 0};  // X, Y, W, H
};
