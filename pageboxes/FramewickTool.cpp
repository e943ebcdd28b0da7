#include "pageboxes/FramewickTool.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "common/HostCall.h"
#include "common/MyCosDoc.h"
#include "common/MyCosObj.h"
#include "common/Prefs.h"
#include "host/piglue.h"
#include "pageboxes/BoxOrder.h"
#include "pageboxes/FramewickPlugIn.h"

namespace {

FramewickTool* gTool = nullptr;

const char kRecordKey[] = "Zent_BoxInfo";
const ASInt32 kToolCursor = 1002;
const char kLetterNote[] =
    "The page's media box is not four numbers with an area: it is taken as a US Letter page (612 by 792 points), as "
    "readers take it.";
const char kTooLargeNote[] = "The page is larger than the editor's range of 32767 points; its boxes cannot be edited.";

// Four numbers under a box's key that readers take as no box: "The page's
// crop box is [0 0 0 0], which has no area: readers show the page without it."
std::string AbsentBoxNote(const PageBox& box) {
  std::string name = box.Name(), numbers;
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (int i = 0; i < 4; ++i) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", box.AbsentValues()[i]);
    numbers += (i ? " " : "") + std::string(text);
  }
  return "The page's " + name + " box is [" + numbers + "], which has no area: readers show the page without it.";
}

// The box name atoms, made once per process.
bool gAtomsMade = false;
void MakeBoxAtoms() {
  if (gAtomsMade) return;
  HostCall("FramewickTool", [] {
    for (const char* name : {"MediaBox", "BleedBox", "TrimBox", "CropBox", "ArtBox", "Zent_SafetyBox"})
      ASAtomFromString(name);
  });
  gAtomsMade = true;
}

ASCallback NewCallback(void* proc) {
  ASCallback callback = nullptr;
  HostCall("FramewickTool", [&] { callback = ASCallbackCreate(gExtensionID, proc); });
  return callback;
}

// The entries of `from` put into `into`: direct values copied, references kept.
void CopyEntries(const MyCosObj& from, MyCosObj& into) {
  from.Enum(
      [](MyCosObj& key, MyCosObj& value, void* target) -> ASBool {
        auto& dict = *static_cast<MyCosObj*>(target);
        dict.Put(key.NameValue(), value.IsIndirect() ? value : value.Copy(dict.GetDoc(), false));
        return 1;
      },
      &into);
}

// An entry written by another program may hold anything: only an integer counts.
ASInt32 IntegerOrZero(const MyCosObj& value) {
  return value.CachedType() == CosInteger ? static_cast<ASInt32>(static_cast<long>(value)) : 0;
}

}  // namespace

PageHold::~PageHold() {
  if (page) HostCallQuietly([&] { PDPageRelease(page); });
}

FramewickTool* FramewickTool::Instance() {
  if (gTool) return gTool;
  try {
    gTool = new FramewickTool;
  } catch (...) {
    gTool = nullptr;  // the callers do nothing without a tool
  }
  return gTool;
}

void FramewickTool::DeleteInstance() {
  FramewickTool* tool = gTool;
  gTool = nullptr;
  delete tool;
}

bool FramewickTool::Exists() { return gTool != nullptr; }

FramewickTool::FramewickTool() : dialogGroup(this) {
  HostCall("FramewickTool", [&] {
    type = ASAtomFromString("Zent:QFXTool");
    record = static_cast<AVTool>(ASMalloc(sizeof(AVToolRec)));
  });
  if (!record) throw std::bad_alloc();
  std::memset(record, 0, sizeof(AVToolRec));
  if (Prefs::Section().empty()) Prefs::Load();
  if (Prefs::Section().empty()) {
    Prefs::Set("BleedBox_Color", "1 0 0");
    Prefs::Set("TrimBox_Color", "0 0 1");
    Prefs::Set("ArtBox_Color", "1 0 1");
    Prefs::Set("CropBox_Color", "0 1 0");
  }
  MakeBoxAtoms();
  mediaBox.SetKey("MediaBox", "Media");
  PageBox* trim = nullptr;
  boxes.push_back(new PageBox(true, "BleedBox", "Bleed"));
  boxes.push_back(trim = new PageBox(true, "TrimBox", "Trim"));
  auto* live = new SafetyPageBox(true);
  boxes.push_back(live);
  trim->Attach(live);
  live->Update(trim, false);  // starts with the trim box's enabled flag
  boxes.push_back(new CropPageBox(true, this));

  record->size = sizeof(AVToolRec);
  record->activate = NewCallback(reinterpret_cast<void*>(&FramewickToolActivate));
  record->callback8 = NewCallback(reinterpret_cast<void*>(&FramewickToolCallback8));
  record->doClick = NewCallback(reinterpret_cast<void*>(&FramewickToolDoClick));
  record->doKeyDown = NewCallback(reinterpret_cast<void*>(&FramewickToolDoKeyDown));
  record->getType = NewCallback(reinterpret_cast<void*>(&FramewickToolGetType));
  record->cursor = kToolCursor;
}

// The dialogs close first: as they close they still read the boxes and
// store their places, which must reach the preferences before they are
// written to the registry.
FramewickTool::~FramewickTool() {
  dialogGroup.CloseAll();
  for (PageBox* box : boxes) delete box;
  boxes.clear();
  mediaBox.StoreColour();
  Prefs::Save();
  if (record) HostCallQuietly([&] { ASFree(record); });
  record = nullptr;
  specification.reset();
  publication.reset();
}

PDPage FramewickTool::AcquireCurrentPage() {
  PDPage page = nullptr;
  const HostRegionResult r = HostRegion([&] {
    AVDoc doc = AVPageViewGetAVDoc(pageView);
    page = PDDocAcquirePage(AVDocGetPDDoc(doc), pageNumber);
  });
  return r.raised ? nullptr : page;
}

void FramewickTool::ReadBoxInfo(PDPage page, bool reset) {
  // The boxes as the page holds them, whatever its record locks.
  PageBox::Anchor::Hold still;
  if (reset) {
    mediaBox.Reset();
    mediaBox.LoadFromPage(pageView, page, true);
    if (mediaBox.TakenAsLetter()) HostCall("ReadBoxInfo", [] { AVAlertNote(kLetterNote); });
    if (PageTooLarge()) HostCall("ReadBoxInfo", [] { AVAlertNote(kTooLargeNote); });
    // The page shows what it holds alone: no box loads while another still
    // has the lock of the page before, nor is compared with a specification
    // used on another page.
    for (PageBox* box : boxes) box->Reset();
    dialogGroup.ForgetSpecification();
  }
  ASFixedRect fallback = mediaBox.Rect();
  for (PageBox* box : boxes) {
    auto* crop = dynamic_cast<CropPageBox*>(box);
    // What the crop box wrote at once, and still to be put back, is not the page's.
    const bool own = crop && !reset && crop->TakeBackPending(page);
    if (!own && !box->LoadFromPage(pageView, page, reset)) box->SetDefaultRect(fallback);
    if (crop) fallback = box->Rect();
    if (reset && box->MetAbsent()) {
      const std::string note = AbsentBoxNote(*box);
      HostCall("ReadBoxInfo", [&] { AVAlertNote(note.c_str()); });
    }
  }

  ReadPageRecord(page);
  if (!reset) return;
  // An anchor box the page does not have gives way to the page's largest box.
  PageBox* anchor = PageBox::Anchor::Global().Box();
  if (!anchor || !anchor->IsEnabled()) ChooseDefaultAnchor();
}

void FramewickTool::ReadPageRecord(PDPage page) {
  CosObj pageObj{};
  HostCall("ReadBoxInfo", [&] { pageObj = PDPageGetCosObj(page); });
  const MyCosObj info = MyCosObj(pageObj).Get(kRecordKey);
  // A record that is no dictionary was written by another program: none of ours.
  if (info.CachedType() != CosDict) return;
  std::string publicationName, specificationName;
  const MyCosObj p = info.Get("P"), s = info.Get("S");
  if (p.CachedType() == CosString) publicationName = p.ValueAsString();
  if (s.CachedType() == CosString) specificationName = s.ValueAsString();
  if (!publicationName.empty() && !specificationName.empty())
    library.Find(publicationName, specificationName, &publication, &specification);
  PageBox* anchor = nullptr;
  for (PageBox* box : boxes) {
    const MyCosObj entry = info.Get(box->KeyText().c_str());
    if (entry.IsNull()) continue;
    // An entry that is no dictionary, or whose values are no integers, reads as 0.
    const bool dict = entry.CachedType() == CosDict;
    if (dict && IntegerOrZero(entry.Get("A")) != 0) anchor = box;
    box->SetLocked(dict && IntegerOrZero(entry.Get("L")) != 0);
  }
  if (anchor) PageBox::Anchor::Global().SetAnchor(anchor);
}

bool FramewickTool::RefusesEdits() {
  if (!PageTooLarge()) return false;
  HostCall("FramewickTool", [] { AVAlertNote(kTooLargeNote); });
  return true;
}

void FramewickTool::WriteBoxInfo(PDPage page) {
  if (PageTooLarge()) return;
  struct Busy {
    explicit Busy(bool& flag) : flag(flag) { flag = true; }
    ~Busy() { flag = false; }
    bool& flag;
  };
  {
    Busy hold(busy);
    ASInt32 enabled = 0;
    std::vector<std::pair<std::string, bool>> outside;  // the box, and whether wholly
    const ASFixedRect& media = mediaBox.Rect();
    for (PageBox* box : boxes) {
      const ASFixedRect r = box->Rect();
      // Readers clip a box to the media box: one the user placed beyond it is written as asked, and said so.
      if (!box->Unedited() && box->IsEnabled() &&
          (r.left < media.left || r.bottom < media.bottom || r.right > media.right || r.top > media.top))
        outside.emplace_back(box->Name(), r.right <= media.left || r.left >= media.right || r.top <= media.bottom ||
                                              r.bottom >= media.top);
      box->WriteToPage(page);
      if (box->IsEnabled()) ++enabled;
    }
    ASInt32 number = 0;
    HostCall("WriteBoxInfo", [&] { number = PDPageGetNumber(page); });
    for (const auto& box : outside) {
      const std::string note = "The " + box.first + " box of page " + std::to_string(number + 1) + " lies " +
                               (box.second ? "" : "partly ") +
                               "outside the media box; it is written as asked, and readers clip it to the media box.";
      HostCall("WriteBoxInfo", [&] { AVAlertNote(note.c_str()); });
    }
    CosObj pageObj{};
    HostCall("WriteBoxInfo", [&] { pageObj = PDPageGetCosObj(page); });
    MyCosObj dict(pageObj);
    const MyCosDoc doc = dict.GetDoc();
    const bool chosen = specificationChosen && specification && publication;
    MyCosObj info = dict.Get(kRecordKey);
    // A record that is no dictionary (another program's) gives way to ours;
    // a shared one is left to the other pages, and this page gets a copy.
    if (info.CachedType() != CosDict || info.IsIndirect()) {
      const MyCosObj shared = info;
      if (!info.NewDict(doc, false, enabled + (chosen ? 2 : 0))) throw Zentu::AcrobatException(-1, 0, "WriteBoxInfo");
      if (shared.CachedType() == CosDict) CopyEntries(shared, info);
      dict.Put(kRecordKey, info);
      info = dict.Get(kRecordKey);
    }
    if (chosen) {
      MyCosObj text;
      if (text.NewString(doc, false, publication->Name().c_str())) info.Put("P", text);
      if (text.NewString(doc, false, specification->Name().c_str())) info.Put("S", text);
    }
    for (PageBox* box : boxes) {
      const char* key = box->KeyText().c_str();
      if (!box->IsEnabled()) {
        if (info.Known(box->Key())) info.Remove(key);
        continue;
      }
      MyCosObj entry, a, l;
      if (!entry.NewDict(doc, false, 2) || !a.NewInteger(doc, false, PageBox::Anchor::Global().Box() == box ? 1 : 0) ||
          !l.NewInteger(doc, false, box->Locked() ? 1 : 0))
        throw Zentu::AcrobatException(-1, 0, "WriteBoxInfo");
      entry.Put("A", a);
      entry.Put("L", l);
      info.Put(key, entry);
    }
  }
  HostCall("WriteBoxInfo", [&] { PDPageNotifyContentsDidChange(page); });
}

void FramewickTool::ChooseDefaultAnchor() {
  SizeOrderedBoxes order;
  for (PageBox* box : boxes)
    if (box->IsEnabled()) order.Insert(box);
  if (!order.Empty()) PageBox::Anchor::Global().SetAnchor(static_cast<PageBox*>(order.Boxes().back()));
}

void FramewickTool::LoadBoxLibrary() { ::LoadBoxLibrary(library); }

void FramewickTool::SaveBoxLibrary() { ::SaveBoxLibrary(library); }

void FramewickTool::SetChosenSpecification(bool chosen, const boost::shared_ptr<BoxLibrary::BoxSet>& spec,
                                           const boost::shared_ptr<BoxLibrary::PublicationSet>& pub) {
  specificationChosen = chosen;
  specification = spec;
  publication = pub;
}
