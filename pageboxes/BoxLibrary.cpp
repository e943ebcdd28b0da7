#include "pageboxes/BoxLibrary.h"

#include <new>

#include "common/HostCall.h"
#include "common/Prefs.h"
#include "pageboxes/BoxMath.h"

ASInt32 BoxLibrary::SetBase::counter_ = 0;

namespace {

const char kPrefix[] = "BoxLibrary";

// A set made in the host's memory and owned by shared references.
template <class Set>
boost::shared_ptr<Set> MadeSet(Set* raw) {
  if (!raw) throw std::bad_alloc();
  boost::shared_ptr<Set> set(raw);
  return set;
}

// Enters the notifying set again under its current name; a set that had
// that name already gives way.
template <class Map>
void Rekey(Map& map, Subject* subject) {
  for (auto it = map.begin(); it != map.end(); ++it) {
    if (static_cast<Subject*>(it->second.get()) != subject) continue;
    auto kept = it->second;
    map.erase(it);
    map[kept->Name()] = kept;
    return;
  }
}

PDFBox LibraryBox(ASAtom key, bool enabled, bool locked, ASFixed width, ASFixed height) {
  const char* text = "";
  HostCall("BoxLibrary", [&] { text = ASAtomGetString(key); });
  PDFBox box;
  box.SetKey(text, "");
  box.SetEnabled(enabled);
  box.SetLocked(locked);
  box.SetRect(ASFixedRect{0, height, width, 0});
  return box;
}

ASFixed InchesToFixed(float inches) { return static_cast<ASFixed>(inches * 72.0 * 65536.0 + 0.5); }

// Decimal digits of n; 0 for 0, so that the number goes without leading zeros.
int Digits(long n) {
  int digits = 0;
  for (; n > 0; n /= 10) ++digits;
  return digits;
}

// "%0*d ": leading zeros to the width, then a blank.
std::string Numbered(int width, long number) {
  std::string text = std::to_string(number);
  if (static_cast<int>(text.size()) < width) text.insert(0, static_cast<size_t>(width) - text.size(), '0');
  return text + " ";
}

std::string FixedText(ASFixed value) {
  char text[28] = "";
  HostCall("SaveBoxLibrary", [&] { ASFixedToCString(value, text, sizeof text, 8); });
  return text;
}

// The fields between "|", empty ones dropped.
std::vector<std::string> Fields(const std::string& text) {
  std::vector<std::string> fields;
  size_t at = 0;
  while (at <= text.size()) {
    size_t end = text.find('|', at);
    if (end == std::string::npos) end = text.size();
    if (end > at) fields.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return fields;
}

std::string FieldAt(const std::vector<std::string>& fields, size_t index) {
  return index < fields.size() ? fields[index] : std::string();
}

// "07 Cover": the name after the first blank and the blanks after it; a
// field without one is the empty name the save writes as "07 ".
std::string NameOf(const std::string& field) {
  const size_t blank = field.find(' ');
  if (blank == std::string::npos) return std::string();
  const size_t name = field.find_first_not_of(' ', blank);
  return name == std::string::npos ? std::string() : field.substr(name);
}

}  // namespace

// BoxSet ----------------------------------------------------------------------

void BoxLibrary::BoxSet::Rename(const std::string& name) {
  name_ = name;
  Notify();
}

PDFBox* BoxLibrary::BoxSet::FindBox(ASAtom key) {
  for (PDFBox& box : boxes_)
    if (box.Key() == key) return &box;
  return nullptr;
}

const PDFBox* BoxLibrary::BoxSet::FindBox(ASAtom key) const { return const_cast<BoxSet*>(this)->FindBox(key); }

PDFBox& BoxLibrary::BoxSet::GetBox(ASAtom key) {
  if (PDFBox* box = FindBox(key)) return *box;
  boxes_.push_back(LibraryBox(key, true, true, 0, 0));
  return boxes_.back();
}

// PublicationSet -------------------------------------------------------------

void BoxLibrary::PublicationSet::Rename(const std::string& name) {
  name_ = name;
  Notify();
}

boost::shared_ptr<BoxLibrary::BoxSet> BoxLibrary::PublicationSet::GetSpecification(const std::string& name) {
  auto it = byName_.find(name);
  if (it != byName_.end()) return it->second;
  boost::shared_ptr<BoxSet> spec = MadeSet(new BoxSet);
  spec->self_ = spec;
  spec->publication_ = self_;
  spec->name_ = name;
  spec->Attach(this);
  byName_[name] = spec;
  specifications_.push_back(spec);
  return spec;
}

void BoxLibrary::PublicationSet::Update(Subject* subject, bool subjectDying) {
  if (!subjectDying) Rekey(byName_, subject);
}

// BoxLibrary -----------------------------------------------------------------

// The sets go first, while the library can still hear of them.
BoxLibrary::~BoxLibrary() { publications_.clear(); }

boost::shared_ptr<BoxLibrary::PublicationSet> BoxLibrary::GetPublication(const std::string& name) {
  auto it = publications_.find(name);
  if (it != publications_.end()) return it->second;
  boost::shared_ptr<PublicationSet> publication = MadeSet(new PublicationSet);
  publication->self_ = publication;
  publication->name_ = name;
  publication->Attach(this);
  publications_[name] = publication;
  return publication;
}

boost::shared_ptr<BoxLibrary::BoxSet> BoxLibrary::NewBoxSet(const std::string& publication,
                                                            const std::string& specification, float bleedWidth,
                                                            float bleedHeight, float trimWidth, float trimHeight,
                                                            float artWidth, float artHeight) {
  boost::shared_ptr<BoxSet> spec = GetPublication(publication)->GetSpecification(specification);
  const struct {
    const char* key;
    float width, height;
  } sizes[] = {{"BleedBox", bleedWidth, bleedHeight}, {"TrimBox", trimWidth, trimHeight}, {"ArtBox", artWidth, artHeight}};
  for (const auto& size : sizes) {
    ASAtom key = ASAtomNull;
    HostCall("BoxLibrary::NewBoxSet", [&] { key = ASAtomFromString(size.key); });
    // One box per key: an existing specification has its box replaced.
    spec->GetBox(key) = LibraryBox(key, true, true, InchesToFixed(size.width), InchesToFixed(size.height));
  }
  return spec;
}

void BoxLibrary::RemoveSpecification(const boost::shared_ptr<BoxSet>& specification) {
  if (!specification) return;
  boost::shared_ptr<PublicationSet> publication = specification->publication_.lock();
  if (!publication) return;
  auto& specs = publication->specifications_;
  for (auto it = specs.begin(); it != specs.end(); ++it)
    if (*it == specification) {
      specs.erase(it);
      break;
    }
  publication->byName_.erase(specification->Name());
  specification->Detach(publication.get(), false);
}

void BoxLibrary::RemovePublication(const boost::shared_ptr<PublicationSet>& publication) {
  if (publication) publications_.erase(publication->Name());
}

void BoxLibrary::Update(Subject* subject, bool subjectDying) {
  if (!subjectDying) Rekey(publications_, subject);
}

bool BoxLibrary::Find(const std::string& publicationName, const std::string& specificationName,
                      boost::shared_ptr<PublicationSet>* foundPublication,
                      boost::shared_ptr<BoxSet>* foundSpecification) const {
  auto pub = publications_.find(publicationName);
  if (pub == publications_.end()) return false;
  auto spec = pub->second->byName_.find(specificationName);
  if (spec == pub->second->byName_.end()) return false;
  *foundPublication = pub->second;
  *foundSpecification = spec->second;
  return true;
}

bool HasPublicationNamed(const BoxLibrary& library, const std::string& name) {
  return library.Publications().count(name) > 0;
}

bool HasSpecificationNamed(const BoxLibrary::PublicationSet& publication, const std::string& name) {
  return publication.SpecificationsByName().count(name) > 0;
}

// Storage --------------------------------------------------------------------

void SaveBoxLibrary(const BoxLibrary& library) {
  Prefs::RemoveByPrefix(kPrefix);
  if (library.Empty()) return;
  const int serialWidth = Digits(BoxLibrary::SetBase::Counter() - 1);
  for (const auto& entry : library.Publications()) {
    const BoxLibrary::PublicationSet& publication = *entry.second;
    const std::string prefix =
        std::string(kPrefix) + "|" + Numbered(serialWidth, publication.Serial()) + publication.Name() + "|";
    const auto specs = publication.Specifications();
    const int positionWidth = Digits(static_cast<long>(specs.size()));
    for (size_t position = 0; position < specs.size(); ++position) {
      const std::string specPrefix =
          prefix + Numbered(positionWidth, static_cast<long>(position)) + specs[position]->Name() + "|";
      for (const PDFBox& box : specs[position]->Boxes()) {
        const ASFixedRect& r = box.Rect();
        Prefs::Set(specPrefix + box.KeyText(), std::string(box.Enabled() ? "1" : "0") + "|" +
                                                   (box.Locked() ? "1" : "0") + "|" + FixedText(WidthOf(r)) +
                                                   "|" + FixedText(HeightOf(r)));
      }
    }
  }
}

void LoadBoxLibrary(BoxLibrary& library) {
  if (!library.Empty()) return;
  for (const auto& value : Prefs::Section()) {
    if (value.first.compare(0, sizeof kPrefix - 1, kPrefix) != 0) continue;
    const std::vector<std::string> key = Fields(value.first), parts = Fields(value.second);
    const std::string boxName = FieldAt(key, 3);
    // No box can be made of a key without a box name.
    if (boxName.empty()) continue;
    boost::shared_ptr<BoxLibrary::BoxSet> spec =
        library.GetPublication(NameOf(FieldAt(key, 1)))->GetSpecification(NameOf(FieldAt(key, 2)));
    ASAtom atom = ASAtomNull;
    ASFixed width = 0, height = 0;
    HostCall("LoadBoxLibrary", [&] {
      atom = ASAtomFromString(boxName.c_str());
      width = ASCStringToFixed(FieldAt(parts, 2).c_str());
      height = ASCStringToFixed(FieldAt(parts, 3).c_str());
    });
    spec->GetBox(atom) = LibraryBox(atom, FieldAt(parts, 0) == "1", FieldAt(parts, 1) == "1", width, height);
  }
}
