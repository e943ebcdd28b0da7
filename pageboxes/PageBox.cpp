#include "pageboxes/PageBox.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <set>
#include <utility>

#include "common/AcrobatException.h"
#include "common/HostCall.h"
#include "common/MyCosDoc.h"
#include "common/MyCosObj.h"
#include "common/Prefs.h"
#include "host/errors.h"
#include "host/frame.h"
#include "pageboxes/BoxMath.h"

namespace {

const ASFixedRect kZeroRect{0, 0, 0, 0};

// Red, blue, magenta, green, cyan: taken in turn by boxes without a stored colour.
const double kDefaultColours[5][3] = {{1, 0, 0}, {0, 0, 1}, {1, 0, 1}, {0, 1, 0}, {0, 1, 1}};
int gNextDefaultColour = 0;

bool Same(const ASFixedRect& a, const ASFixedRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool IsZero(const ASFixedRect& r) { return Same(r, kZeroRect); }

void Normalise(ASFixedRect& r) {
  if (r.right < r.left) std::swap(r.left, r.right);
  if (r.top < r.bottom) std::swap(r.top, r.bottom);
}

ASFixed ColourComponent(double value) {
  if (std::isnan(value)) return 0;
  double scaled = value * 65536.0 + 0.5;
  if (scaled >= 2147483647.0) return ASFixedMax;
  if (scaled <= -2147483648.0) return ASFixedMin;
  return static_cast<ASFixed>(scaled);
}

ASAtom AtomOf(const char* text) {
  ASAtom atom = ASAtomNull;
  HostCallQuietly([&] { atom = ASAtomFromString(text); });
  return atom;
}

}  // namespace

// PDFBox --------------------------------------------------------------------

PDFBox::PDFBox(const PDFBox& other)
    : Subject(),
      CSafeAlloc(),
      enabled_(other.enabled_),
      locked_(other.locked_),
      key_(other.key_),
      keyText_(other.keyText_),
      name_(other.name_),
      rect_(other.rect_),
      inheritable_(other.inheritable_) {}

PDFBox& PDFBox::operator=(const PDFBox& other) {
  enabled_ = other.enabled_;
  locked_ = other.locked_;
  key_ = other.key_;
  keyText_ = other.keyText_;
  name_ = other.name_;
  rect_ = other.rect_;
  inheritable_ = other.inheritable_;
  Notify();
  return *this;
}

void PDFBox::SetEnabled(bool on) {
  const bool changed = enabled_ != on;
  enabled_ = on;
  if (on && IsZero(rect_)) rect_ = defaultRect_;
  if (changed) Notify();
}

void PDFBox::SetKey(const char* key, const char* name) {
  keyText_ = key ? key : "";
  key_ = keyText_.empty() ? ASAtomNull : AtomOf(keyText_.c_str());
  name_ = name ? name : "";
  inheritable_ = keyText_ == "MediaBox" || keyText_ == "CropBox";
}

void PDFBox::SetLocked(bool locked) {
  if (locked_ == locked) return;
  locked_ = locked;
  Notify();
}

void PDFBox::SetRect(const ASFixedRect& rect) {
  if (Same(rect_, rect)) return;
  rect_ = rect;
  Notify();
}

void PDFBox::SetWidth(ASFixed width) {
  ASFixedRect r = rect_;
  r.right = SaturatedFixed(static_cast<int64_t>(r.left) + width);
  SetRect(r);
}

void PDFBox::SetHeight(ASFixed height) {
  ASFixedRect r = rect_;
  r.top = SaturatedFixed(static_cast<int64_t>(r.bottom) + height);
  SetRect(r);
}

// PageBox -------------------------------------------------------------------

// The key is set after the first Reset: the colour waits for the first
// Reset of use, so a tool that never edits stores no colours.
PageBox::PageBox(bool attach, const char* key, const char* name) {
  PageBox::Reset();
  if (key) SetKey(key, name);
  if (attach) {
    Anchor& anchor = Anchor::Global();
    Attach(&anchor);
    anchor.Attach(this);
  }
}

PageBox::PageBox(const PageBox& other)
    : PDFBox(other),
      Observer(),
      deviceRect_(other.deviceRect_),
      found_(other.found_),
      pageRect_(other.pageRect_),
      pageBeyond_(other.pageBeyond_),
      metAbsent_(other.metAbsent_),
      colourSpace_(other.colourSpace_),
      pageView_(other.pageView_),
      dragging_(other.dragging_) {
  defaultRect_ = other.defaultRect_;
  for (int i = 0; i < 4; ++i) colour_[i] = other.colour_[i];
  for (int i = 0; i < 4; ++i) pageValues_[i] = other.pageValues_[i];
  for (int i = 0; i < 4; ++i) absentValues_[i] = other.absentValues_[i];
}

PageBox::~PageBox() {
  Anchor& anchor = Anchor::Global();
  if (anchor.box_ == this) anchor.box_ = nullptr;
  StoreColour();
}

void PageBox::StoreColour() const {
  if (key_ == ASAtomNull || colourSpace_ == -1) return;
  std::string value;
  for (int i = 0; i < 3; ++i) {
    char text[32] = "";
    bool converted = false;
    const ASFixed component = colour_[i];
    HostCallQuietly([&] {
      ASFixedToCString(component, text, sizeof text, 8);
      converted = true;
    });
    if (!converted) return;  // a colour we cannot write keeps the stored one
    value += (i ? " " : "") + std::string(text);
  }
  Prefs::Set("Color|" + keyText_, value);
}

void PageBox::SetEnabled(bool on) {
  PDFBox::SetEnabled(on);
  if (!on) rect_ = pageRect_;
}

PageBox* PageBox::Clone() const { return new PageBox(*this); }

void PageBox::Reset() {
  found_ = enabled_ = locked_ = dragging_ = pageBeyond_ = metAbsent_ = false;
  rect_ = kZeroRect;
  if (colourSpace_ == -1 && key_ != ASAtomNull) LoadColour();
}

void PageBox::SetColour(ASFixed red, ASFixed green, ASFixed blue) {
  colourSpace_ = 1;
  colour_[0] = red;
  colour_[1] = green;
  colour_[2] = blue;
  colour_[3] = 0;
}

void PageBox::LoadColour() {
  double rgb[3];
  std::string stored;
  float r, g, b;
  if (Prefs::Get("Color|" + keyText_, stored) && std::sscanf(stored.c_str(), "%f %f %f", &r, &g, &b) >= 3) {
    rgb[0] = r;
    rgb[1] = g;
    rgb[2] = b;
  } else {
    for (int i = 0; i < 3; ++i) rgb[i] = kDefaultColours[gNextDefaultColour][i];
    gNextDefaultColour = (gNextDefaultColour + 1) % 5;
  }
  colourSpace_ = 1;
  for (int i = 0; i < 3; ++i) colour_[i] = ColourComponent(rgb[i]);
  colour_[3] = 0;
}

bool PageBox::CountsAsAbsent(const double v[4]) const { return v[0] == 0 && v[1] == 0 && v[2] == 0 && v[3] == 0; }

bool PageBox::ReadBox(const MyCosObj& node, ASAtom key, bool inherit, Read* read) const {
  std::set<std::pair<ASUns32, ASUns32>> seen;
  MyCosObj dict = node;
  read->metAbsent = false;
  while (dict.CachedType() == CosDict) {
    // A "Parent" loop ends the walk at the first node met again.
    const CosObj raw = dict.GetCosObj();
    if (!seen.insert({raw.a, raw.b}).second) break;
    try {
      MyCosObj value = dict.Get(key);
      if (value.CachedType() == CosArray && value.Length() == 4) {
        double v[4];
        MyCosObj n[4];
        for (ASInt32 i = 0; i < 4; ++i) v[i] = (n[i] = value.Get(i)).NumberValue();
        if (!CountsAsAbsent(v)) {
          if (v[2] < v[0]) std::swap(v[0], v[2]), std::swap(n[0], n[2]);
          if (v[3] < v[1]) std::swap(v[1], v[3]), std::swap(n[1], n[3]);
          // As the host reads a number into 16.16: rounded, cut to the range.
          read->rect = ASFixedRect{SaturatedFixed(RawFixed(v[0])), SaturatedFixed(RawFixed(v[3])),
                                   SaturatedFixed(RawFixed(v[2])), SaturatedFixed(RawFixed(v[1]))};
          read->beyond = false;
          for (int i = 0; i < 4; ++i) {
            read->values[i] = v[i];
            read->numbers[i] = n[i];
            read->beyond = read->beyond || !InFixedRange(RawFixed(v[i]));
          }
          return true;
        }
        if (!read->metAbsent)
          for (int i = 0; i < 4; ++i) read->absent[i] = v[i];
        read->metAbsent = true;
      }
    } catch (const Zentu::AcrobatException&) {
      // An element that is no number: the box is not there.
    }
    if (!inherit) break;
    try {
      dict = dict.Get("Parent");
    } catch (const Zentu::AcrobatException&) {
      break;
    }
  }
  return false;
}

bool PageBox::ReadFromPage(PDPage page, ASAtom key) {
  pageRect_ = kZeroRect;
  pageBeyond_ = false;
  for (double& v : pageValues_) v = 0;
  Read read;
  read.metAbsent = false;
  bool found = false;
  try {
    HostRegion([&] {
      MyCosObj dict(PDPageGetCosObj(page));
      found = ReadBox(dict, key, inheritable_, &read);
    });
  } catch (const Zentu::AcrobatException&) {
    found = false;
  }
  metAbsent_ = read.metAbsent;
  if (metAbsent_)
    for (int i = 0; i < 4; ++i) absentValues_[i] = read.absent[i];
  if (found) {
    pageRect_ = read.rect;
    pageBeyond_ = read.beyond;
    for (int i = 0; i < 4; ++i) pageValues_[i] = read.values[i];
  }
  return found;
}

bool PageBox::LoadFromPage(AVPageView view, PDPage page, bool force) {
  pageView_ = view;
  pageRect_ = kZeroRect;
  bool found = false;
  try {
    HostRegion([&] {
      found = ReadFromPage(page, key_);
      bool changed = force || found != enabled_;
      if (found && !Same(rect_, pageRect_)) {
        rect_ = pageRect_;
        changed = true;
      }
      if (!Same(rect_, pageRect_)) changed = true;
      found_ = found;
      enabled_ = found;
      if (changed) Notify();
    });
  } catch (const Zentu::AcrobatException&) {
  }
  return found;
}

bool PageBox::Unedited() const { return enabled_ == found_ && Same(rect_, pageRect_); }

// A box the user did not change keeps what the page holds: its numbers as
// they were written, a shared array shared, one beyond 16.16 uncut.
bool PageBox::WriteToPage(PDPage page, ASAtom key) { return Unedited() || WriteRect(page, key); }

bool PageBox::WriteRect(PDPage page, ASAtom key) {
  if (key == ASAtomNull) key = key_;
  if (IsZero(rect_)) rect_ = defaultRect_;
  Normalise(rect_);
  pageRect_ = rect_;
  const bool shown = !IsZero(rect_);
  bool written = false;
  try {
    written = !HostRegion([&] {
              MyCosObj dict(PDPageGetCosObj(page));
              if (!enabled_) {
                // A written disabled box is gone from the page and counts as unedited.
                found_ = false;
                pageRect_ = rect_ = kZeroRect;
                dict.Remove(key);
                PDDocSetFlags(PDPageGetDoc(page), 1);
                return;
              }
              found_ = true;
              // Only a direct array of four is ours to change: an indirect one
              // may be shared with other pages.
              MyCosObj array = dict.Get(key);
              if (array.CachedType() != CosArray || array.IsIndirect() || array.Length() != 4) {
                if (!array.NewArray(dict.GetDoc(), false, 4)) ASRaise(genErrNoMemory);
              }
              const CosDoc doc = dict.GetDoc().GetCosDoc();
              const ASFixed values[4] = {pageRect_.left, pageRect_.bottom, pageRect_.right, pageRect_.top};
              // An edge on one of the media box's takes the media box's own
              // number: the shortest text of its 16.16 value may lie a hair
              // beyond it (841.88977 for 841.889764).
              Read media;
              const bool onMedia = ReadBox(dict, AtomOf("MediaBox"), true, &media);
              for (ASInt32 i = 0; i < 4; ++i) {
                MyCosObj number(CosNewFixed(doc, false, values[i]));
                for (int j : {i % 2, i % 2 + 2})
                  if (onMedia && RawFixed(media.values[j]) == values[i])
                    number = media.numbers[j].Copy(dict.GetDoc(), false);
                array.Put(i, number);
              }
              dict.Put(key, array);
            }).raised;
  } catch (const Zentu::AcrobatException&) {
  }
  // A box written off shows the zero box, as one the page never had.
  if (shown && IsZero(rect_)) Notify();
  return written;
}

void PageBox::SetDragging(bool on) {
  dragging_ = on;
  Notify();
}

void PageBox::CentreIn(const PageBox& anchorBox) {
  auto cut = [](const PageBox& box) { return box.pageBeyond_ && box.Unedited(); };
  if (!IsEnabled() || !anchorBox.IsEnabled() || cut(*this) || cut(anchorBox)) return;
  if (Anchor::Global().holds_ > 0 || (Unedited() && anchorBox.Unedited())) return;
  const ASFixedRect& a = anchorBox.rect_;
  const ASFixedRect& b = rect_;
  const int64_t width = int64_t{b.right} - b.left, height = int64_t{b.top} - b.bottom;
  const ASFixed halfH = ASFixedDiv(SaturatedFixed(int64_t{a.top} - a.bottom - height), 0x20000);
  const ASFixed halfW = ASFixedDiv(SaturatedFixed(int64_t{a.right} - a.left - width), 0x20000);
  ASFixedRect centred;
  centred.bottom = SaturatedFixed(int64_t{a.bottom} + halfH);
  centred.left = SaturatedFixed(int64_t{a.left} + halfW);
  centred.top = SaturatedFixed(int64_t{centred.bottom} + height);
  centred.right = SaturatedFixed(int64_t{centred.left} + width);
  SetRect(centred);
}

void PageBox::Update(Subject* subject, bool subjectDying) {
  if (subjectDying || !locked_) return;
  auto* anchor = dynamic_cast<Anchor*>(subject);
  if (anchor && anchor->Box() && anchor->Box() != this) CentreIn(*anchor->Box());
}

// PageBox::Anchor -----------------------------------------------------------

PageBox::Anchor& PageBox::Anchor::Global() {
  // Never destroyed: boxes that outlive static destruction still find it.
  static Anchor* anchor = new Anchor;
  return *anchor;
}

void PageBox::Anchor::SetAnchor(PageBox* box) {
  if (box == box_) return;
  PageBox* previous = box_;
  const bool wasLocked = box && box->locked_;
  box_ = box;
  // The previous anchor box no longer shows the anchor, whether or not it takes the lock.
  if (previous) {
    if (wasLocked) previous->locked_ = true;
    previous->Notify();
  }
  if (box) {
    box->locked_ = false;  // an anchor box is never locked
    box->Notify();
  }
}

void PageBox::Anchor::Update(Subject* subject, bool subjectDying) {
  if (subjectDying) return;
  auto* box = dynamic_cast<PageBox*>(subject);
  if (!box) return;
  // Boxes locked to a switched-off anchor box stay where they are.
  if (box == box_) {
    if (box->IsEnabled()) Notify();
  } else if (box->locked_ && box_)
    box->CentreIn(*box_);
}

// CropPageBox ---------------------------------------------------------------

CropPageBox::CropPageBox(bool attach, CurrentPageSource* source) : PageBox(attach, "CropBox", "Crop"), source_(source) {}

PageBox* CropPageBox::Clone() const { return new CropPageBox(*this); }

void CropPageBox::SetEnabled(bool on) {
  // A row ticked or cleared as it stands changes nothing, on the page neither.
  if (enabled_ == on) return;
  enabled_ = on;
  PDPage page = nullptr;
  if (source_) page = source_->AcquireCurrentPage();
  if (page) {
    try {
      if (!pageCropReplaced_) KeepPageCrop(page);
      HostRegion([&] {
        if (!on) {
          ASFixedRect media;
          PDPageGetMediaBox(page, &media);
          PDPageSetCropBox(page, media);
          written_ = media;
          rect_ = pageRect_;
          pageCropReplaced_ = true;
          if (pageView_) {
            AVDevRect aperture;
            AVPageViewGetAperture(pageView_, &aperture);
            AVPageViewInvalidateRect(pageView_, &aperture);
          }
        } else {
          const bool found = found_;
          const ASFixedRect pageRect = pageRect_;
          WriteRect(page, key_);
          written_ = rect_;
          found_ = found;
          pageRect_ = pageRect;
          // Written at once, not applied: "No" and "Reset" take it back.
          pageCropReplaced_ = true;
        }
      });
    } catch (const Zentu::AcrobatException&) {
    }
    HostCallQuietly([&] { PDPageRelease(page); });
  }
  Notify();
}

void CropPageBox::KeepPageCrop(PDPage page) {
  HostRegion([&] {
    replacedDoc_ = PDPageGetDoc(page);
    replacedPage_ = PDPageGetNumber(page);
    MyCosObj own = MyCosObj(PDPageGetCosObj(page)).Get(key_);
    // A direct value is changed in place by the write: a copy of it is kept.
    if (!own.IsNull() && !own.IsIndirect()) own = own.Copy(own.GetDoc(), false);
    replacedOwn_ = own.IsNull() ? CosObj{0, 0} : own.GetCosObj();
  });
}

bool CropPageBox::HoldsWhatWasWritten(PDPage page) const {
  Read read;
  bool own = false;
  try {
    HostRegion([&] { own = ReadBox(MyCosObj(PDPageGetCosObj(page)), key_, false, &read); });
  } catch (const Zentu::AcrobatException&) {
  }
  return own && Same(read.rect, written_);
}

bool CropPageBox::TakeBackPending(PDPage page) {
  if (pageCropReplaced_ && !HoldsWhatWasWritten(page)) pageCropReplaced_ = false;
  return pageCropReplaced_;
}

void CropPageBox::Reset() {
  RestorePageCrop();
  PageBox::Reset();
}

void CropPageBox::RestorePageCrop() {
  if (!pageCropReplaced_ || !source_) return;
  pageCropReplaced_ = false;  // on a host failure too: nothing is tried twice
  PDPage page = nullptr;
  HostCallQuietly([&] { page = PDDocAcquirePage(replacedDoc_, replacedPage_); });
  // A crop box changed since this box wrote it is another's: it stays.
  if (page && HoldsWhatWasWritten(page)) {
    try {
      HostRegion([&] {
        MyCosObj dict(PDPageGetCosObj(page));
        if (replacedOwn_.a || replacedOwn_.b) {
          dict.Put(key_, MyCosObj(replacedOwn_));
        } else {
          // It inherited its crop box, or had none: the key we added goes.
          dict.Remove(key_);
          PDDocSetFlags(replacedDoc_, 1);
        }
        if (pageView_) {
          AVDevRect aperture;
          AVPageViewGetAperture(pageView_, &aperture);
          AVPageViewInvalidateRect(pageView_, &aperture);
        }
      });
    } catch (const Zentu::AcrobatException&) {
    }
  }
  if (page) HostCallQuietly([&] { PDPageRelease(page); });
  const bool changed = enabled_ != found_;
  enabled_ = found_;
  rect_ = pageRect_;
  if (changed) Notify();
}

bool CropPageBox::WriteToPage(PDPage page, ASAtom key) {
  if (key != ASAtomNull && key != key_) return PageBox::WriteToPage(page, key);
  // Switched on or off and back: the page gets what it held.
  if (Unedited()) {
    RestorePageCrop();
    return true;
  }
  // Written, the page holds what the box says: nothing to put back.
  pageCropReplaced_ = false;
  if (enabled_) return WriteRect(page, key);
  // Would the page, without a crop box of its own, still be cropped by a node above it?
  bool inherits = false;
  try {
    HostRegion([&] {
      MyCosObj dict(PDPageGetCosObj(page));
      Read inherited;
      inherits = ReadBox(dict.Get("Parent"), key_, true, &inherited);
    });
  } catch (const Zentu::AcrobatException&) {
  }
  if (!inherits) return WriteRect(page, key);
  found_ = false;
  pageRect_ = rect_ = ASFixedRect{0, 0, 0, 0};
  try {
    return !HostRegion([&] {
              ASFixedRect media;
              PDPageGetMediaBox(page, &media);
              PDPageSetCropBox(page, media);
            }).raised;
  } catch (const Zentu::AcrobatException&) {
    return false;
  }
}

bool CropPageBox::CountsAsAbsent(const double v[4]) const { return v[0] == v[2] || v[1] == v[3]; }

// SafetyPageBox -------------------------------------------------------------

SafetyPageBox::SafetyPageBox(bool attach) : PageBox(attach, "ArtBox", "Art/Live"), secondKey_(AtomOf("Zent_SafetyBox")) {}

PageBox* SafetyPageBox::Clone() const { return new SafetyPageBox(*this); }

bool SafetyPageBox::ReadFromPage(PDPage page, ASAtom) {
  foundKey_ = FirstKey();
  if (PageBox::ReadFromPage(page, foundKey_)) return true;
  // Four numbers under the first key that count as none are told when the
  // second key has none either.
  const bool metFirst = metAbsent_;
  double first[4];
  for (int i = 0; i < 4; ++i) first[i] = absentValues_[i];
  foundKey_ = OtherKey();
  if (PageBox::ReadFromPage(page, foundKey_)) return true;
  if (metFirst) {
    metAbsent_ = true;
    for (int i = 0; i < 4; ++i) absentValues_[i] = first[i];
  }
  foundKey_ = ASAtomNull;
  return false;
}

bool SafetyPageBox::WriteToPage(PDPage page, ASAtom) {
  const ASAtom first = FirstKey(), other = OtherKey();
  // Left as it was read: nothing to write, or the page's own numbers moved
  // to the key the trim box now gives it.
  const bool kept = Unedited();
  if (kept && !found_) return true;
  if (!kept && !WriteRect(page, first)) return false;
  try {
    return !HostRegion([&] {
              MyCosObj dict(PDPageGetCosObj(page));
              if (kept && foundKey_ != first && foundKey_ != ASAtomNull) {
                MyCosObj value = dict.Get(foundKey_);
                if (!value.IsIndirect()) value = value.Copy(dict.GetDoc(), false);
                dict.Put(first, value);
                foundKey_ = first;
              }
              if (dict.Known(other)) dict.Remove(other);
            }).raised;
  } catch (const Zentu::AcrobatException&) {
    return false;
  }
}

void SafetyPageBox::Update(Subject* subject, bool subjectDying) {
  if (!subjectDying) {
    if (auto* trim = dynamic_cast<PageBox*>(subject)) trimEnabled_ = trim->IsEnabled();
  }
  PageBox::Update(subject, subjectDying);
}

// MediaPageBox --------------------------------------------------------------

MediaPageBox::MediaPageBox() : PageBox(false) {}

PageBox* MediaPageBox::Clone() const { return new MediaPageBox(*this); }

// Without area, no media box: the page is a US Letter page.
bool MediaPageBox::CountsAsAbsent(const double v[4]) const { return v[0] == v[2] || v[1] == v[3]; }

bool MediaPageBox::ReadFromPage(PDPage page, ASAtom key) {
  letter_ = !PageBox::ReadFromPage(page, key);
  if (letter_) {
    pageRect_ = ASFixedRect{0, 792 * fixedOne, 612 * fixedOne, 0};
    const double letter[4] = {0, 0, 612, 792};
    for (int i = 0; i < 4; ++i) pageValues_[i] = letter[i];
  }
  return true;
}
