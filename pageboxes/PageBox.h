// The page boxes: a box as a value (PDFBox), a box bound to a page
// (PageBox) with the crop box's and the live-area box's own rules, and the
// one anchor that keeps locked boxes centred in the anchor box. Rectangles
// are 16.16 fixed, left, top, right, bottom, in PDF user space.
#pragma once
#include <string>

#include "common/CSafeAlloc.h"
#include "common/MyCosObj.h"
#include "host/astypes.h"
#include "pageboxes/Subject.h"

// The page the crop box writes to at once when it is switched on or off:
// the tool's current page.
class CurrentPageSource {
 public:
  virtual ~CurrentPageSource() = default;
  // None when there is no current page; else the caller releases it.
  virtual PDPage AcquireCurrentPage() = 0;
};

class PDFBox : public Subject, public CSafeAlloc {
 public:
  PDFBox() = default;
  // Copies enabled, locked, key, name, rect and inheritable; no observers.
  PDFBox(const PDFBox& other);
  // The same fields, then notifies.
  PDFBox& operator=(const PDFBox& other);
  ~PDFBox() override = default;

  // Switching on a box whose rect is zero gives it the default rect.
  virtual void SetEnabled(bool on);

  // The page key ("TrimBox") and the display name ("Trim"); MediaBox and
  // CropBox are read through "Parent".
  void SetKey(const char* key, const char* name);
  ASAtom Key() const { return key_; }
  const std::string& KeyText() const { return keyText_; }
  const std::string& Name() const { return name_; }
  bool Inheritable() const { return inheritable_; }
  bool Enabled() const { return enabled_; }
  bool Locked() const { return locked_; }
  void SetLocked(bool locked);  // notifies when it changed
  const ASFixedRect& Rect() const { return rect_; }
  void SetRect(const ASFixedRect& rect);  // notifies when it changed
  // right = left + width, top = bottom + height; notify when it changed.
  void SetWidth(ASFixed width);
  void SetHeight(ASFixed height);
  const ASFixedRect& DefaultRect() const { return defaultRect_; }
  void SetDefaultRect(const ASFixedRect& rect) { defaultRect_ = rect; }

 protected:
  bool enabled_ = false;
  bool locked_ = false;
  ASAtom key_ = ASAtomNull;
  std::string keyText_;
  std::string name_;
  ASFixedRect rect_{0, 0, 0, 0};
  ASFixedRect defaultRect_{0, 0, 0, 0};
  bool inheritable_ = false;
};

class PageBox : public PDFBox, public Observer {
 public:
  class Anchor;

  // With `attach`, linked both ways with the global anchor. The colour is
  // loaded by the first Reset that finds the key set (not this one).
  explicit PageBox(bool attach = true, const char* key = nullptr, const char* name = nullptr);
  // Stores the colour under "Color|" and the key.
  ~PageBox() override;
  // The same store, for a box that outlives the preferences' save.
  void StoreColour() const;

  // Switched off, the rect goes back to the page rect (after notifying).
  void SetEnabled(bool on) override;
  // A copy of every field, of the same class, linked to nothing.
  virtual PageBox* Clone() const;
  // Clears the page state; loads the colour once.
  virtual void Reset();
  // Reads the box from the page; notifies when anything changed (always
  // with `force`). Answers whether the page has the box.
  virtual bool LoadFromPage(AVPageView view, PDPage page, bool force);
  // Writes the box (ASAtomNull: under its own key); removes the key when
  // the box is disabled. False on a host failure.
  virtual bool WriteToPage(PDPage page, ASAtom key = ASAtomNull);
  virtual bool IsEnabled() const { return enabled_; }
  virtual void SetDragging(bool on);  // always notifies
  // Sets the page rect from the first four-number array under the key;
  // false, page rect zero, when there is none.
  virtual bool ReadFromPage(PDPage page, ASAtom key);

  void Update(Subject* subject, bool subjectDying) override;

  bool Found() const { return found_; }
  const ASFixedRect& PageRect() const { return pageRect_; }
  // The page's value reaches beyond 16.16: PageRect() holds it cut to the range.
  bool PageBeyondRange() const { return pageBeyond_; }
  // Left, bottom, right and top as the page holds them (zero when absent).
  const double* PageValues() const { return pageValues_; }
  // Neither switched on or off nor moved since it was read or written.
  bool Unedited() const;
  // The last read met four numbers that count as no box, as readers take
  // them ([0 0 0 0]; for the crop box any without area): left, bottom,
  // right and top as the page holds them.
  bool MetAbsent() const { return metAbsent_; }
  const double* AbsentValues() const { return absentValues_; }
  // -1 until loaded, then 1 (RGB): red, green and blue, 16.16.
  ASInt16 ColourSpace() const { return colourSpace_; }
  const ASFixed* Colour() const { return colour_; }
  // A colour the user picked, 16.16 components; notifies nobody.
  void SetColour(ASFixed red, ASFixed green, ASFixed blue);
  AVPageView PageView() const { return pageView_; }
  bool Dragging() const { return dragging_; }
  const AVDevRect& DeviceRect() const { return deviceRect_; }
  void SetDeviceRect(const AVDevRect& rect) { deviceRect_ = rect; }

 protected:
  PageBox(const PageBox& other);
  PageBox& operator=(const PageBox&) = delete;
  // Centres this box in the anchor box, keeping its size; notifies when it
  // moved. A box that is off stays as it is (the zero box once written), and
  // so does one held cut to the range, or one whose anchor box is either.
  // Nor does a box move while it and its anchor box are as the page holds
  // them, or while a page loads: another program may have moved a locked
  // box, and the page is shown as it is until the user edits one of them.
  void CentreIn(const PageBox& anchorBox);
  // The box under `key` on `node`, or on its parents when `inherit`, with its
  // numbers as the page holds them and whether one lies beyond 16.16.
  struct Read {
    ASFixedRect rect;
    double values[4];  // left, bottom, right, top
    MyCosObj numbers[4];  // the same, as the page's objects
    bool beyond;
    bool metAbsent;  // four numbers that count as no box were passed
    double absent[4];  // the first such, as the page holds them
  };
  bool ReadBox(const MyCosObj& node, ASAtom key, bool inherit, Read* read) const;
  // Four numbers that count as no box at all (read on up the tree): for
  // most boxes [0 0 0 0], which readers take as none.
  virtual bool CountsAsAbsent(const double values[4]) const;
  // The rect written under the key (the own key for ASAtomNull), whatever
  // the page held; the key removed when the box is disabled.
  bool WriteRect(PDPage page, ASAtom key);

  AVDevRect deviceRect_{0, 0, 0, 0};
  bool found_ = false;
  ASFixedRect pageRect_{0, 0, 0, 0};
  bool pageBeyond_ = false;
  double pageValues_[4] = {0, 0, 0, 0};
  // The last read met four numbers that count as no box (CountsAsAbsent).
  bool metAbsent_ = false;
  double absentValues_[4] = {0, 0, 0, 0};
  ASInt16 colourSpace_ = -1;
  ASFixed colour_[4] = {0, 0, 0, 0};
  AVPageView pageView_ = nullptr;
  bool dragging_ = false;

 private:
  void LoadColour();
};

// Keeps every locked box centred in the anchor box. One exists per process,
// from first use to exit.
class PageBox::Anchor : public Subject, public Observer {
 public:
  static Anchor& Global();

  PageBox* Box() const { return box_; }
  // The new anchor box is unlocked; the previous one takes its lock.
  void SetAnchor(PageBox* box);
  void Update(Subject* subject, bool subjectDying) override;

  // While one is held (a page loading), no locked box is centred.
  class Hold {
   public:
    Hold() { ++Global().holds_; }
    ~Hold() { --Global().holds_; }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;
  };

 private:
  friend class PageBox;
  Anchor() = default;
  PageBox* box_ = nullptr;
  int holds_ = 0;
};

class CropPageBox : public PageBox {
 public:
  explicit CropPageBox(bool attach = true, CurrentPageSource* source = nullptr);

  void SetPageSource(CurrentPageSource* source) { source_ = source; }
  // Acts on the current page at once: switched off, the page shows its
  // media box as its crop box; switched on, the box is written there.
  void SetEnabled(bool on) override;
  PageBox* Clone() const override;
  // Puts back the page's crop box when switching on or off changed it.
  void Reset() override;
  // Puts back what the page held before switching on or off changed its
  // crop box (its own value as it was, or none, so that an inherited one
  // shows again), on the page where that happened (the tool may have moved
  // on); the box then reads as that page holds it. A copy without a page
  // source only reads, and puts back nothing.
  void RestorePageCrop();
  // A disabled crop box on a page that would still inherit one writes the
  // media box as the page's own, so that the page stays uncropped. One left
  // as it was read puts back what the page held.
  bool WriteToPage(PDPage page, ASAtom key = ASAtomNull) override;
  // Whether what this box wrote at once is still to be put back: once the
  // page's crop box is no longer that (another program changed it), the
  // page's value is its own from then on, and nothing is put back.
  bool TakeBackPending(PDPage page);

  bool PageCropReplaced() const { return pageCropReplaced_; }

 protected:
  // Any without area: readers show the page without it.
  bool CountsAsAbsent(const double values[4]) const override;

 private:
  CropPageBox(const CropPageBox& other) = default;
  // Notes the page's own crop box before the first change made at once.
  void KeepPageCrop(PDPage page);
  // The page's own crop box is what this box wrote there at once.
  bool HoldsWhatWasWritten(PDPage page) const;

  bool pageCropReplaced_ = false;
  ASFixedRect written_{0, 0, 0, 0};
  CurrentPageSource* source_ = nullptr;
  // Where the crop box was changed, and the value the page had of its own
  // (a copy, or the shared indirect object itself; none when it had none).
  PDDoc replacedDoc_ = nullptr;
  ASInt32 replacedPage_ = -1;
  CosObj replacedOwn_{0, 0};
};

// The media box: a page without a usable one (missing, not four numbers, or
// without area) is read as a US Letter page, as readers take it.
class MediaPageBox : public PageBox {
 public:
  MediaPageBox();
  PageBox* Clone() const override;
  bool ReadFromPage(PDPage page, ASAtom key) override;
  // The last read found no usable media box.
  bool TakenAsLetter() const { return letter_; }

 protected:
  bool CountsAsAbsent(const double values[4]) const override;

 private:
  MediaPageBox(const MediaPageBox& other) = default;
  bool letter_ = false;
};

// The live area: "Zent_SafetyBox" while the trim box is enabled, else "ArtBox".
class SafetyPageBox : public PageBox {
 public:
  explicit SafetyPageBox(bool attach = true);

  PageBox* Clone() const override;
  // The first of the two keys found wins.
  bool ReadFromPage(PDPage page, ASAtom key) override;
  // Writes under the first key and removes the second.
  bool WriteToPage(PDPage page, ASAtom key = ASAtomNull) override;
  // From the trim box it watches: its enabled flag.
  void Update(Subject* subject, bool subjectDying) override;

  ASAtom SecondKey() const { return secondKey_; }
  bool TrimEnabled() const { return trimEnabled_; }

 private:
  ASAtom foundKey_ = ASAtomNull;  // where the last read found it
  SafetyPageBox(const SafetyPageBox& other) = default;
  ASAtom FirstKey() const { return trimEnabled_ ? secondKey_ : key_; }
  ASAtom OtherKey() const { return trimEnabled_ ? key_ : secondKey_; }

  ASAtom secondKey_ = ASAtomNull;
  bool trimEnabled_ = false;
};
