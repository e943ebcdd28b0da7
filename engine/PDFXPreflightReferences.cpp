// The objects fixers hand over to be replaced or dropped, and the clean-up
// that carries that out once fixing is done.
#include <exception>
#include <utility>
#include <vector>

#include "common/HostCall.h"
#include "engine/PDFXPreflight.h"
#include "host/frame.h"

namespace {

bool IsContainer(const MyCosObj& obj) {
  ASInt32 type = obj.CachedType();
  return type == CosDict || type == CosArray || type == CosStream;
}

struct Entry {
  std::string key;  // dictionaries
  ASInt32 index;    // arrays; -1 in dictionaries
  MyCosObj value;
};

ASBool CollectEntry(MyCosObj& key, MyCosObj& value, void* data) {
  ASAtom atom = key.NameValue();
  const char* text = nullptr;
  HostRegionResult r = HostRegion([&] { text = ASAtomGetString(atom); });
  if (r.raised && r.code != 0) throw Zentu::AcrobatException(-1, r.code, "ASAtomGetString");
  static_cast<std::vector<Entry>*>(data)->push_back(Entry{text ? text : "", -1, value});
  return 1;
}

// The values of a dictionary or array, read before anything is done with
// them so that no work runs inside the host's enumeration.
std::vector<Entry> EntriesOf(const MyCosObj& container) {
  std::vector<Entry> entries;
  if (container.CachedType() == CosArray) {
    ASInt32 n = container.Length();
    for (ASInt32 i = 0; i < n; ++i) entries.push_back(Entry{std::string(), i, container.Get(i)});
  } else if (container.CachedType() == CosDict) {
    container.Enum(&CollectEntry, &entries);
  }
  return entries;
}

struct IndirectObjects {
  std::vector<CosObj> objects;
  std::exception_ptr error;
};

ASBool CollectIndirect(CosObj obj, CosObj, void* data) {
  auto* all = static_cast<IndirectObjects*>(data);
  try {
    all->objects.push_back(obj);
    return 1;
  } catch (...) {
    // Nothing may pass through the host's enumeration; an incomplete list
    // must not let anything be destroyed.
    all->error = std::current_exception();
    return 0;
  }
}

void Destroy(ReplacementRecord& record) {
  MyCosObj object = record.object;
  if (record.destroy) {
    record.destroy(object, record.clientData);
  } else {
    object.Destroy();
  }
}

}  // namespace

bool PDFXPreflight::RecordReference(const MyCosObj& object, const MyCosObj& replacement,
                                    ReferenceDestroyProc destroy, ASInt32 clientData) {
  if (object.IsNull() || !object.IsIndirect()) return true;
  for (const ReplacementRecord& record : replacements_) {
    if (!record.object.Equal(object)) continue;
    // The first replacement stands.
    return record.replacement.Equal(replacement) && record.destroy == destroy && record.clientData == clientData;
  }
  ReplacementRecord record;
  record.object = object;
  record.replacement = replacement;
  record.number = object.GetID();
  if (!replacement.IsNull() && replacement.IsIndirect()) record.replacementNumber = replacement.GetID();
  record.destroy = destroy;
  record.clientData = clientData;
  replacements_.push_back(record);
  if (record.replacementNumber >= 0) {
    pendingReplacements_[record.number] = replacement;
    replacedBy_[record.replacementNumber] = record.number;
  }
  return true;
}

MyCosObj PDFXPreflight::LatestVersion(const MyCosObj& object) const {
  MyCosObj current = object;
  // Each step goes to an object made later; a chain is never longer than
  // all the replacements known.
  for (size_t steps = pendingReplacements_.size() + successors_.size(); steps > 0; --steps) {
    if (current.CachedType() == CosNull || !current.IsIndirect()) break;
    const ASInt32 number = current.GetID();
    auto pending = pendingReplacements_.find(number);
    if (pending != pendingReplacements_.end()) {
      current = pending->second;
      continue;
    }
    auto placed = successors_.find(number);
    if (placed == successors_.end()) break;
    current = placed->second;
  }
  return current;
}

void PDFXPreflight::Supersede(const MyCosObj& source, const MyCosObj& made, ReferenceDestroyProc destroy,
                              ASInt32 clientData) {
  auto replaced = source.IsIndirect() ? replacedBy_.find(source.GetID()) : replacedBy_.end();
  if (replaced == replacedBy_.end() || !made.IsIndirect()) {
    RecordReference(source, made, destroy, clientData);
    return;
  }
  const ASInt32 number = replaced->second;
  for (ReplacementRecord& record : replacements_) {
    if (record.number != number || record.replacementNumber != replaced->first) continue;
    record.replacement = made;
    record.replacementNumber = made.GetID();
    if (destroy) {
      record.destroy = destroy;
      record.clientData = clientData;
    }
    break;
  }
  replacedBy_.erase(replaced);
  replacedBy_[made.GetID()] = number;
  pendingReplacements_[number] = made;
  MyCosObj unused = source;
  unused.Destroy();
}

bool PDFXPreflight::CollectReferences(const MyCosObj& value, ReferenceDestroyProc destroy, ASInt32 clientData) {
  // Only the value itself carries the caller's routine; what it holds gets none.
  std::vector<MyCosObj> work(1, value);
  bool top = true;
  while (!work.empty()) {
    MyCosObj current = work.back();
    work.pop_back();
    ReferenceDestroyProc routine = top ? destroy : nullptr;
    ASInt32 data = top ? clientData : 0;
    top = false;
    if (current.IsNull()) continue;
    if (current.IsIndirect()) {
      bool known = false;
      for (const ReplacementRecord& record : replacements_) {
        if (!record.object.Equal(current)) continue;
        known = record.replacement.IsNull() && record.destroy == routine && record.clientData == data;
        break;
      }
      if (!known) {
        ReplacementRecord record;
        record.object = current;
        record.destroy = routine;
        record.clientData = data;
        replacements_.push_back(record);
      }
      continue;
    }
    if (!IsContainer(current)) continue;
    std::vector<Entry> entries = EntriesOf(current.CachedType() == CosStream ? current.Dict() : current);
    // Last first onto the stack, so the values are taken in their order.
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) work.push_back(it->value);
  }
  return true;
}

bool PDFXPreflight::ScanReferences(const MyCosObj& start, const RecordIndex& byNumber) {
  bool kept = false;
  std::vector<MyCosObj> work(1, start);
  while (!work.empty()) {
    MyCosObj container = work.back();
    work.pop_back();
    // A stream's entries are put back into its dictionary.
    if (container.CachedType() == CosStream) container = container.Dict();
    for (const Entry& entry : EntriesOf(container)) {
      const MyCosObj& value = entry.value;
      if (value.IsNull()) continue;
      if (!value.IsIndirect()) {
        if (IsContainer(value)) work.push_back(value);
        continue;
      }
      auto range = byNumber.equal_range(value.GetID());
      for (auto it = range.first; it != range.second; ++it) {
        ReplacementRecord& record = *it->second;
        if (!record.object.Equal(value)) continue;
        if (record.replacement.IsNull()) {
          record.stillReferenced = true;
        } else {
          ObjectReference reference;
          reference.container = container;
          reference.key = entry.key;
          reference.index = entry.index;
          record.references.push_back(reference);
          kept = true;
        }
      }
    }
  }
  return kept;
}

bool PDFXPreflight::Cleanup() {
  if (replacements_.empty()) return true;
  MyCosDoc doc = mainDoc_.IsValid() ? mainDoc_ : replacements_.front().object.GetDoc();

  RecordIndex byNumber;
  for (ReplacementRecord& record : replacements_) {
    if (record.replacement.IsNull()) record.stillReferenced = false;
    record.references.clear();
    if (!record.object.IsNull()) byNumber.insert(std::make_pair(record.object.GetID(), &record));
  }

  // Every reference is found before anything is destroyed, so a failure
  // leaves the document as it was.
  try {
    IndirectObjects all;
    CosObj trailer{0, 0};
    HostRegionResult r = HostRegion([&] {
      CosDocEnumIndirect(doc.GetCosDoc(), &CollectIndirect, &all);
      trailer = CosDocGetTrailer(doc.GetCosDoc());
    });
    if (all.error) std::rethrow_exception(all.error);
    if (r.raised && r.code != 0) throw Zentu::AcrobatException(-1, r.code, "PDFXPreflight::Cleanup()");
    for (const CosObj& obj : all.objects) {
      MyCosObj container(obj);
      if (!IsContainer(container)) continue;
      // The handles made for what the scan only passes through are
      // forgotten after each object, unless a record holds one.
      ASUns32 mark = 0;
      HostCall("PDFXPreflight::Cleanup()", [&] { mark = CosDocHandleMark(doc.GetCosDoc()); });
      if (ScanReferences(container, byNumber)) continue;
      HostCall("PDFXPreflight::Cleanup()", [&] { CosDocReleaseHandles(doc.GetCosDoc(), mark); });
    }
    // The trailer refers to the catalog, the Information dictionary and more.
    ScanReferences(MyCosObj(trailer), byNumber);
  } catch (const Zentu::AcrobatException& e) {
    throw Zentu::AcrobatException(e.ObjectNumber(), e.ErrorCode(), "PDFXPreflight::Cleanup()");
  }

  for (auto it = replacements_.begin(); it != replacements_.end();) {
    ReplacementRecord& record = *it;
    if (record.replacement.IsNull()) {
      if (record.stillReferenced || record.object.Equal(doc.GetRoot())) {
        ++it;
        continue;
      }
      Destroy(record);
    } else {
      for (ObjectReference& reference : record.references) {
        if (reference.index >= 0) {
          reference.container.PutAt(reference.index, record.replacement);
        } else {
          reference.container.Put(reference.key, record.replacement);
        }
      }
      successors_[record.number] = record.replacement;
      pendingReplacements_.erase(record.number);
      replacedBy_.erase(record.replacementNumber);
      // Never the document's catalog: after a replacement of /Root that
      // is the new one, and the old may go.
      if (!record.object.Equal(doc.GetRoot())) Destroy(record);
    }
    it = replacements_.erase(it);
  }
  return true;
}
