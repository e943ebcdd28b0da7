#include "pageboxes/PageBoxDlg.h"

#include <new>

#include "common/ADMSuites.h"
#include "common/HostCall.h"
#include "pageboxes/BoxMath.h"
#include "pageboxes/FramewickTool.h"

namespace {

enum : ASInt32 { kApply = 1027, kReset = 1028, kLibrary = 1036, kArrow = 1037, kSpec = 1038 };
const ASInt32 kHeadings[] = {1072, 1073, 1001, 1002, 1003, 1004};
const ASInt32 kButtons[] = {kApply, kReset, kLibrary};
// Check box, grouping, colour, X, Y, W, H and unit of the template's two rows.
const ASInt32 kRow1[8] = {1029, 1031, 1033, 1009, 1010, 1011, 1012, 1021};
const ASInt32 kRow2[8] = {1030, 1032, 1034, 1013, 1014, 1015, 1016, 1022};
const ASInt32 kCentred = 1;
const char kCustom[] = "Spec:  Custom";

// The "Spec:" text last set, shared by every palette.
std::string gSpecShown = kCustom;

// A row the host had no memory for is a failed init, not a row to use.
BoxControls* Made(BoxControls* row) {
  if (!row) throw std::bad_alloc();
  return row;
}

}  // namespace

PageBoxDlg::PageBoxDlg(PageBox* reference, const std::vector<PageBox*>& boxes) : reference_(reference), boxes_(boxes) {}

PageBoxDlg::~PageBoxDlg() {
  for (BoxControls* row : rows_) delete row;
  rows_.clear();
  // The rows' overlays are gone: the page is drawn without them.
  HostCallQuietly([] {
    if (AVDoc doc = AVAppGetActiveDoc())
      if (AVPageView view = AVDocGetPageView(doc)) AVPageViewInvalidateRect(view, nullptr);
  });
  specification_.reset();
  publication_.reset();
}

bool PageBoxDlg::DoModeless(ASInt32 style, ASInt32 options) {
  return OpenModeless("Zent:QFXToolBoxes", 102, style, options);
}

ADMItemRef PageBoxDlg::Item(ASInt32 id) const { return ADMDialog::GetItem(dialog_, id); }

void PageBoxDlg::InitSelf() {
  ADMItem::Show(Item(kArrow), 0);
  ADMItem::Enable(Item(kApply), 0);
  ADMItem::Enable(Item(kReset), 0);
  for (ASInt32 id : kHeadings) ADMItem::SetJustify(Item(id), kCentred);
  // The item shows the template's text: what is shown starts from there.
  gSpecShown = kCustom;

  rows_.reserve(boxes_.size());
  for (size_t i = 0; i < boxes_.size() && i < 2; ++i)
    rows_.push_back(Made(new BoxControls(this, reference_, boxes_[i], i ? kRow2 : kRow1)));
  if (boxes_.size() > 2) {
    ADMRect first{}, second{}, local{};
    ADMItem::GetBoundsRect(Item(kRow1[0]), &first);
    ADMItem::GetBoundsRect(Item(kRow2[0]), &second);
    const ASInt32 spacing = second.top - first.top;
    const ASInt32 added = static_cast<ASInt32>(boxes_.size() - 2) * spacing;
    ADMDialog::GetLocalRect(dialog_, &local);
    ADMDialog::Size(dialog_, local.right - local.left, local.bottom - local.top + added);
    for (size_t k = 2; k < boxes_.size(); ++k)
      rows_.push_back(
          Made(new BoxControls(this, reference_, boxes_[k], *rows_[1], static_cast<ASInt32>(k - 1) * spacing)));
    for (ASInt32 id : kButtons) {
      ADMRect bounds{};
      ADMItemRef button = Item(id);
      ADMItem::GetBoundsRect(button, &bounds);
      ADMItem::Move(button, bounds.left, bounds.top + added);
    }
  }
  for (PageBox* box : boxes_) box->Attach(this);
}

void PageBoxDlg::Update(Subject*, bool subjectDying) {
  if (applying_ || subjectDying || !dialog_) return;
  ShowSpecification();
  ShowButtons();
}

void PageBoxDlg::ForgetSpecification() {
  specification_.reset();
  publication_.reset();
  if (!dialog_) return;
  ShowSpecification();
  ShowButtons();
}

void PageBoxDlg::SetOverlaysSuspended(bool on) {
  for (BoxControls* row : rows_) row->SetOverlaySuspended(on);
}

bool PageBoxDlg::MatchesSpecification() const {
  const PageBox* anchor = PageBox::Anchor::Global().Box();
  for (const PageBox* box : boxes_) {
    const PDFBox* entry = specification_->FindBox(box->Key());
    if (!entry) continue;  // boxes it does not name may be anything
    if (!box->IsEnabled()) {
      if (entry->Enabled()) return false;
      continue;
    }
    // The anchor box is never locked: its entry matches locked or not, so
    // that the largest box "Use" makes the anchor still follows its entry.
    if (box != anchor && box->Locked() != entry->Locked()) return false;
    if (WidthOf(box->Rect()) != WidthOf(entry->Rect()) || HeightOf(box->Rect()) != HeightOf(entry->Rect()))
      return false;
  }
  return true;
}

void PageBoxDlg::ShowSpecification() {
  std::string text = kCustom;
  const bool chosen = specification_ && publication_;
  const bool match = chosen && MatchesSpecification();
  if (chosen) {
    const std::string names = publication_->Name() + " - " + specification_->Name();
    text = match ? "Spec:  " + names : std::string(kCustom) + "  (was " + names + ")";
  }
  if (FramewickTool::Exists()) {
    FramewickTool* tool = FramewickTool::Instance();
    tool->SetChosenSpecification(match, specification_, publication_);
  }
  if (text == gSpecShown) return;
  ADMItemSetText(Item(kSpec), text.c_str(), 0);
  gSpecShown = text;
}

void PageBoxDlg::ShowButtons() {
  const ADMBoolean edited = BoxesEdited(boxes_) ? 1 : 0;
  ADMItem::Enable(Item(kApply), edited);
  ADMItem::Enable(Item(kReset), edited);
}

void PageBoxDlg::Notify(ADMNotifierRef notifier) {
  // The close box deletes the palette: nothing of it may be used after.
  GroupedADMDialog::Notify(notifier);
  if (!ADMNotifier::IsNotifierType(notifier, ADM_NOTIFY_USER_CHANGED)) return;
  ADMItemRef item = ADMNotifier::GetItem(notifier);
  const ASInt32 id = ADMItem::GetID(item);
  auto row = rowOfItem.find(id);
  if (row != rowOfItem.end()) {
    row->second->OnItemNotify(item);
  } else if (id == kApply || id == kReset || id == kLibrary) {
    if (!FramewickTool::Exists()) return;
    FramewickTool* tool = FramewickTool::Instance();
    PageHold page(tool->AcquireCurrentPage());
    if (id == kLibrary) {
      if (!tool->RefusesEdits()) RunLibrary(*tool);
    } else if (page.page) {
      if (id == kApply)
        tool->WriteBoxInfo(page.page);
      else
        tool->ReadBoxInfo(page.page, true);
    }
  }
  ShowButtons();
}

void PageBoxDlg::RunLibrary(FramewickTool& tool) {
  if (tool.library.Empty()) tool.LoadBoxLibrary();
  boost::shared_ptr<BoxLibrary::BoxSet> specification;
  boost::shared_ptr<BoxLibrary::PublicationSet> publication;
  if (ChooseSpecification(tool, this, &specification, &publication) == 1 && specification) {
    const std::string unsized = UnsizedBox(*specification);
    if (unsized.empty()) {
      specification_ = specification;
      publication_ = publication;
      ApplySpecification(tool);
    } else {
      // Used, it would give the box no area.
      const std::string note =
          "The specification has no size for the " + unsized + " box (its width or height is 0); it was not used.";
      HostCall("PageBoxDlg", [&] { AVAlertNote(note.c_str()); });
    }
  }
  tool.SaveBoxLibrary();
}

std::string PageBoxDlg::UnsizedBox(const BoxLibrary::BoxSet& specification) const {
  for (const PageBox* box : boxes_) {
    const PDFBox* entry = specification.FindBox(box->Key());
    if (entry && entry->Enabled() && (WidthOf(entry->Rect()) <= 0 || HeightOf(entry->Rect()) <= 0)) return box->Name();
  }
  return "";
}

void PageBoxDlg::ApplySpecification(FramewickTool& tool) {
  struct Applying {
    explicit Applying(bool& flag) : flag(flag) { flag = true; }
    ~Applying() { flag = false; }
    bool& flag;
  };
  {
    Applying hold(applying_);
    PageBox::Anchor::Global().SetAnchor(reference_);
    for (PageBox* box : boxes_) {
      const PDFBox* entry = specification_->FindBox(box->Key());
      if (!entry) continue;
      if (!entry->Enabled()) {
        box->SetEnabled(false);
        continue;
      }
      box->SetLocked(entry->Locked());
      box->SetEnabled(true);
      ASFixedRect rect = box->Rect();
      rect.right = SaturatedFixed(int64_t{rect.left} + WidthOf(entry->Rect()));
      box->SetRect(rect);
      rect.top = SaturatedFixed(int64_t{rect.bottom} + HeightOf(entry->Rect()));
      box->SetRect(rect);
    }
  }
  tool.ChooseDefaultAnchor();
  ShowSpecification();
}
