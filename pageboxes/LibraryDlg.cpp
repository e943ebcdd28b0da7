#include "pageboxes/LibraryDlg.h"

#include "common/ADMSuites.h"
#include "common/HostCall.h"
#include "host/calls.h"

namespace {

enum : ASInt32 {
  kUse = 1,
  kCancel = 2,
  kAddSpecification = 1036,
  kList = 1039,
  kAddPublication = 1052,
  kDelete = 1053,
  kPublicationName = 1055,
  kSpecificationName = 1056,
};
const ASInt32 kBleedRow[8] = {1040, 1041, 0, 0, 0, 1042, 1043, 1044};
const ASInt32 kTrimRow[8] = {1045, 1046, 0, 0, 0, 1047, 1048, 1049};
const size_t kNameLimit = 99;

const char kSpecificationTaken[] = "There's already a specification with that name";
const char kPublicationTaken[] = "There's already a publication with that name";
// Stored names are split at "|": such a name would not come back.
const char kBarRefused[] = "A name cannot contain \"|\".";

void Note(const std::string& text) { AVAlertNote(text.c_str()); }

bool Ask(const std::string& text) { return AVDocAlertYesNo(AVAppGetActiveDoc(), text.c_str()) != 0; }

// The enabled flag, the locked flag and the size; the display name stays.
void CopySize(PDFBox& to, const PDFBox& from) {
  to.SetRect(from.Rect());
  to.SetLocked(from.Locked());
  to.SetEnabled(from.Enabled());
}

bool SameSize(const PDFBox& a, const PDFBox& b) {
  const ASFixedRect &r = a.Rect(), &s = b.Rect();
  return a.Enabled() == b.Enabled() && a.Locked() == b.Locked() && r.left == s.left && r.top == s.top &&
         r.right == s.right && r.bottom == s.bottom;
}

// The first name of the form that the container lacks: the plain one, then
// numbered from 1.
template <class Taken>
std::string FreeName(const char* plain, Taken taken) {
  if (!taken(plain)) return plain;
  for (int n = 1;; ++n) {
    const std::string name = std::string(plain) + " " + std::to_string(n);
    if (!taken(name)) return name;
  }
}

}  // namespace

LibraryDlg::LibraryDlg(CAcroADMDialog* owner, BoxLibrary& library) : owner_(owner), library_(library) {
  const struct {
    const char* key;
    const char* name;
  } boxes[] = {{"BleedBox", "Bleed"}, {"TrimBox", "Trim"}, {"ArtBox", "Art/Live"}};
  boxes_.reserve(3);  // the rows hold pointers to them
  for (const auto& b : boxes) {
    boxes_.emplace_back();
    boxes_.back().SetKey(b.key, b.name);
  }
}

LibraryDlg::~LibraryDlg() { rows_.clear(); }

ASInt32 LibraryDlg::DoModal() { return Modal(gADMPluginRef, "Zent:Framewick:LibraryDlg", 110, 0, 0); }

void LibraryDlg::DestroySelf() { rows_.clear(); }

ADMHierarchyListRef LibraryDlg::List() { return ADMItem::GetHierarchyList(Item(kList)); }

ADMListEntryRef LibraryDlg::PublicationEntry() {
  return publication_ ? ADMHierarchyList::FindEntry(List(), publication_->Serial()) : nullptr;
}

ADMListEntryRef LibraryDlg::SpecificationEntry() {
  ADMListEntryRef parent = PublicationEntry();
  ADMHierarchyListRef children = parent ? ADMListEntry::GetChildList(parent) : nullptr;
  return children && specification_ ? ADMHierarchyList::FindEntry(children, specification_->Serial()) : nullptr;
}

void LibraryDlg::AddEntry(ADMHierarchyListRef list, ASInt32 position, const std::string& text, void* data,
                          ASInt32 id) {
  ADMListEntryRef entry = ADMHierarchyList::InsertEntry(list, position);
  ADMListEntry::SetText(entry, text.c_str());
  ADMListEntry::SetUserData(entry, data);
  ADMListEntry::SetID(entry, id);
}

void LibraryDlg::InitSelf() {
  HostCall("LibraryDlg::InitSelf()", [&] {
    ADMRect bounds{};
    ADMItem::GetBoundsRect(Item(kList), &bounds);
    ADMHierarchyList::SetEntryWidth(List(), bounds.right - bounds.left - 20);
  });
  if (library_.Empty()) LoadBoxLibrary(library_);
  for (const auto& entry : library_.Publications()) {
    BoxLibrary::PublicationSet& pub = *entry.second;
    AddEntry(List(), pub.Serial(), pub.Name(), &pub, pub.Serial());
    ADMHierarchyListRef children =
        ADMListEntry::CreateChildList(ADMHierarchyList::FindEntry(List(), pub.Serial()));
    ASInt32 position = 0;
    for (const auto& spec : pub.Specifications()) AddEntry(children, position++, spec->Name(), spec.get(), spec->Serial());
  }

  // The bleed and trim rows are the template's; the art row is the trim
  // row's copy one row lower, and the dialog and its buttons make room.
  rows_.emplace_back(new BoxControls(this, &boxes_[0], &boxes_[0], kBleedRow));
  rows_.emplace_back(new BoxControls(this, &boxes_[1], &boxes_[1], kTrimRow));
  ADMRect bleed{}, trim{}, local{};
  ADMItem::GetBoundsRect(Item(kBleedRow[0]), &bleed);
  ADMItem::GetBoundsRect(Item(kTrimRow[0]), &trim);
  const ASInt32 pitch = trim.top - bleed.top;
  rows_.emplace_back(new BoxControls(this, &boxes_[2], &boxes_[2], *rows_[1], pitch));
  ADMDialog::GetLocalRect(dialog_, &local);
  ADMDialog::Size(dialog_, local.right - local.left, local.bottom - local.top + pitch);
  for (ASInt32 id : {kUse, kCancel}) {
    ADMRect r{};
    ADMItem::GetBoundsRect(Item(id), &r);
    ADMItem::Move(Item(id), r.left, r.top + pitch);
  }
  AcroADMDialog::InitSelf();
  UpdateEnabledStates();
}

void LibraryDlg::UpdateEnabledStates() {
  const bool spec = specification_ != nullptr, any = spec || publication_;
  EnableItem(kUse, spec);
  EnableItem(kSpecificationName, spec);
  for (auto& row : rows_) row->EnableItems(spec);
  EnableItem(kAddSpecification, any);
  EnableItem(kDelete, any);
  EnableItem(kPublicationName, publication_ && !spec);
}

void LibraryDlg::ShowNames() {
  SetItemText(kPublicationName, publication_ ? publication_->Name() : "");
  SetItemText(kSpecificationName, specification_ ? specification_->Name() : "");
}

// GetBox adds a box the specification lacks.
void LibraryDlg::ShowBoxes() {
  for (PDFBox& box : boxes_) CopySize(box, specification_->GetBox(box.Key()));
}

std::string LibraryDlg::ReadName(ASInt32 id) { return GetItemValue(id).substr(0, kNameLimit); }

void LibraryDlg::RefuseName(ASInt32 id, const std::string& name, const char* note) {
  Note(note);
  SetItemText(id, name);
  if (ADMItemRef item = Item(id)) {
    ADMItem::SelectAll(item, 1);
    ADMItem::TakeFocus(item);
  }
}

void LibraryDlg::Notify(ADMNotifierRef notifier) {
  if (ADMNotifier::IsNotifierType(notifier, ADM_NOTIFY_CLOSE_HIT)) {
    AskSaveChanges();
    return;
  }
  if (!ADMNotifier::IsNotifierType(notifier, ADM_NOTIFY_USER_CHANGED)) return;
  AcroADMDialog::Notify(notifier);
  ADMItemRef item = ADMNotifier::GetItem(notifier);
  if (!item) return;
  const ASInt32 id = ADMItem::GetID(item);
  auto row = rowOfItem.find(id);
  if (row != rowOfItem.end()) {
    row->second->OnItemNotify(item);
    return;
  }
  switch (id) {
    case kUse:
    case kCancel: AskSaveChanges(); break;
    case kList: OnSelection(); break;
    case kAddSpecification: OnAdd(false); break;
    case kAddPublication: OnAdd(true); break;
    case kSpecificationName: OnSpecificationName(); break;
    case kPublicationName: OnPublicationName(); break;
    case kDelete: OnDelete(); break;
    default: break;
  }
}

void LibraryDlg::OnSelection() {
  AskSaveChanges();
  ADMListEntryRef active = ADMHierarchyList::GetActiveEntry(List());
  publication_.reset();
  specification_.reset();
  if (active) {
    void* data = ADMListEntry::GetUserData(active);
    // The top list holds the publications, the child lists their specifications.
    if (ADMListEntry::GetList(active) == List()) {
      publication_ = static_cast<BoxLibrary::PublicationSet*>(data)->Self();
    } else {
      specification_ = static_cast<BoxLibrary::BoxSet*>(data)->Self();
      ShowBoxes();
      publication_ = specification_->Publication();
    }
  }
  ShowNames();
  UpdateEnabledStates();
}

void LibraryDlg::OnAdd(bool newPublication) {
  AskSaveChanges();
  boost::shared_ptr<BoxLibrary::PublicationSet> pub = publication_;
  std::string pubName = pub ? pub->Name() : std::string();
  std::string specName = "New specification";
  if (newPublication) {
    pubName = FreeName("New publication", [&](const std::string& n) { return HasPublicationNamed(library_, n); });
  } else {
    specName = FreeName("New specification", [&](const std::string& n) { return HasSpecificationNamed(*pub, n); });
  }
  specification_ = library_.NewBoxSet(pubName, specName, 0, 0, 0, 0, 0, 0);
  publication_ = specification_->Publication();
  ADMHierarchyList::DeselectAll(List());
  if (newPublication) AddEntry(List(), -1, publication_->Name(), publication_.get(), publication_->Serial());
  ADMHierarchyListRef children = ADMListEntry::CreateChildList(PublicationEntry());
  AddEntry(children, -1, specification_->Name(), specification_.get(), specification_->Serial());
  ADMListEntry::Select(SpecificationEntry(), 1);
  ADMItem::Redraw(Item(kList));
  ShowBoxes();
  ShowNames();
  UpdateEnabledStates();
}

void LibraryDlg::OnSpecificationName() {
  if (!specification_) return;
  const std::string name = ReadName(kSpecificationName);
  if (name.find('|') != std::string::npos) return RefuseName(kSpecificationName, specification_->Name(), kBarRefused);
  if (publication_ && HasSpecificationNamed(*publication_, name))
    return RefuseName(kSpecificationName, specification_->Name(), kSpecificationTaken);
  specificationName_ = name;
  ADMListEntry::SetText(SpecificationEntry(), name.c_str());
  specification_->Rename(name);
}

void LibraryDlg::OnPublicationName() {
  if (!publication_) return;
  const std::string name = ReadName(kPublicationName);
  if (name.find('|') != std::string::npos) return RefuseName(kPublicationName, publication_->Name(), kBarRefused);
  auto other = library_.Publications().find(name);
  if (other != library_.Publications().end() && other->second != publication_)
    return RefuseName(kPublicationName, publication_->Name(), kPublicationTaken);
  publicationName_ = name;
  ADMListEntry::SetText(PublicationEntry(), name.c_str());
  publication_->Rename(name);
}

void LibraryDlg::OnDelete() {
  const bool spec = specification_ != nullptr;
  const std::string name = spec ? specification_->Name() : publication_ ? publication_->Name() : std::string();
  if (!spec && !publication_) return;
  if (!Ask("Are you sure you want to delete the \"" + name + (spec ? "\" specification?" : "\" publication?")))
    return;
  if (ADMListEntryRef active = ADMHierarchyList::GetActiveEntry(List())) ADMListEntry::Remove(active);
  if (spec)
    library_.RemoveSpecification(specification_);
  else
    library_.RemovePublication(publication_);
  specification_.reset();
  publication_.reset();
  UpdateEnabledStates();
}

bool LibraryDlg::Edited() {
  if (specification_) {
    specificationName_ = ReadName(kSpecificationName);
    if (specificationName_ != specification_->Name()) return true;
    for (const PDFBox& box : boxes_)
      if (!SameSize(box, specification_->GetBox(box.Key()))) return true;
    return false;
  }
  publicationName_ = ReadName(kPublicationName);
  return publicationName_ != publication_->Name();
}

void LibraryDlg::AskSaveChanges() {
  if (!specification_ && !publication_) return;
  if (!Edited()) return;
  const bool spec = specification_ != nullptr;
  if (!Ask(std::string("Do you want to save the changes to the current ") +
           (spec ? "specification?" : "publication?")))
    return;
  if (spec) {
    specification_->Rename(specificationName_);
    for (const PDFBox& box : boxes_) CopySize(specification_->GetBox(box.Key()), box);
    if (ADMListEntryRef entry = SpecificationEntry()) ADMListEntry::SetText(entry, specificationName_.c_str());
  } else {
    publication_->Rename(publicationName_);
    if (ADMListEntryRef entry = PublicationEntry()) ADMListEntry::SetText(entry, publicationName_.c_str());
  }
}
