#include "common/MyCosObj.h"

#include <exception>

#include "common/MyCosDoc.h"
#include "host/frame.h"

namespace {

const ASInt32 kTypeMismatch = 0x20010018;

bool CosBound() { return gCosHFT != nullptr; }

// The one Cos null object every default or reset wrapper holds, made on
// first need and never destroyed.
const CosObj& SharedNull() {
  static bool made = false;
  static CosObj null{0, 0};
  if (!made && CosBound()) {
    HostRegionResult r = HostRegion([&] { null = CosNewNull(); });
    made = !r.raised;
  }
  return null;
}

// The accessor's copy, for unset wrappers.
const CosObj& AccessorNull() {
  static bool made = false;
  static CosObj copy{0, 0};
  if (!made && CosBound()) {
    copy = SharedNull();
    made = true;
  }
  return copy;
}

struct EnumRecord {
  MyCosEnumProc proc;
  void* clientData;
  std::exception_ptr error;
};

struct CloneRecord {
  MyCosObj target;
};

}  // namespace

template <class Body>
void MyCosObj::Guarded(const char* where, Body&& body) const {
  HostRegionResult r = HostRegion(std::forward<Body>(body));
  if (r.raised && r.code != 0) throw Zentu::AcrobatException(report_, r.code, where);
}

// Creation: any raise leaves the shared null and a false answer.
template <class Body>
bool MyCosObj::Create(Body&& body) {
  CosObj made{0, 0};
  HostRegionResult r = HostRegion([&] { made = body(); });
  if (r.raised) {
    HoldSharedNull();
    return false;
  }
  Assign(made);
  return true;
}

void MyCosObj::HoldSharedNull() {
  obj_ = SharedNull();
  type_ = CosNull;
}

MyCosObj::MyCosObj() : obj_{0, 0}, type_(-1) {
  if (CosBound()) HoldSharedNull();
}

MyCosObj::MyCosObj(const CosObj& obj) : obj_{0, 0}, type_(-1) {
  if (CosBound()) HoldSharedNull();
  Assign(obj);
}

void MyCosObj::SetNull(bool force) {
  if (!CosBound()) return;
  if (force || type_ == -1) HoldSharedNull();
}

void MyCosObj::Assign(const CosObj& obj) {
  obj_ = obj;
  type_ = GetType();
}

const CosObj& MyCosObj::GetCosObj() const { return type_ == -1 ? AccessorNull() : obj_; }

CosObj MyCosObj::NullObj() { return SharedNull(); }

bool MyCosObj::NewInteger(const MyCosDoc& doc, ASBool indirect, ASInt32 value) {
  return Create([&] { return CosNewInteger(doc.GetCosDoc(), indirect, value); });
}

bool MyCosObj::NewString(const MyCosDoc& doc, ASBool indirect, const char* text) {
  std::string bytes = text ? text : "";
  return Create([&] {
    return CosNewString(doc.GetCosDoc(), indirect, bytes.data(), static_cast<ASInt32>(bytes.size()));
  });
}

bool MyCosObj::NewName(const MyCosDoc& doc, ASBool indirect, const char* text) {
  return Create([&] { return CosNewName(doc.GetCosDoc(), indirect, ASAtomFromString(text ? text : "")); });
}

bool MyCosObj::NewName(const MyCosDoc& doc, ASBool indirect, ASAtom name) {
  return Create([&] { return CosNewName(doc.GetCosDoc(), indirect, name); });
}

bool MyCosObj::NewArray(const MyCosDoc& doc, ASBool indirect, ASInt32 capacity) {
  return Create([&] { return CosNewArray(doc.GetCosDoc(), indirect, capacity); });
}

bool MyCosObj::NewDict(const MyCosDoc& doc, ASBool indirect, ASInt32 capacity) {
  return Create([&] { return CosNewDict(doc.GetCosDoc(), indirect, capacity); });
}

bool MyCosObj::NewStream(const MyCosDoc& doc, ASBool indirect, ASStm source, ASInt32 sourceStart,
                         ASBool encoded, MyCosObj dict, MyCosObj parms, ASInt32 sourceLength) {
  dict.SetNull(false);
  parms.SetNull(false);
  CosObj made{0, 0};
  HostRegionResult r = HostRegion([&] {
    made = CosNewStream(doc.GetCosDoc(), indirect, source, sourceStart, encoded, dict.GetCosObj(),
                        parms.GetCosObj(), sourceLength);
  });
  if (r.raised) {
    HoldSharedNull();
    throw Zentu::AcrobatException(report_, r.code, "MyCosObj::NewStream");
  }
  Assign(made);
  return true;
}

MyCosObj MyCosObj::Copy(const MyCosDoc& target, ASBool copyIndirect) const {
  MyCosObj result;
  Guarded("MyCosObj::Copy", [&] { result.Assign(CosObjCopy(obj_, target.GetCosDoc(), copyIndirect)); });
  return result;
}

ASBool MyCosObj::EnumTrampoline(CosObj first, CosObj second, void* clientData) {
  auto* rec = static_cast<EnumRecord*>(clientData);
  // Nothing may pass through the host's enumeration: keep the exception and stop.
  try {
    MyCosObj a(first);
    MyCosObj b(second);
    return rec->proc(a, b, rec->clientData);
  } catch (...) {
    rec->error = std::current_exception();
    return 0;
  }
}

ASBool MyCosObj::Enum(MyCosEnumProc proc, void* clientData) const {
  EnumRecord rec{proc, clientData, nullptr};
  ASBool result = 0;
  HostRegionResult r = HostRegion([&] { result = CosObjEnum(obj_, &EnumTrampoline, &rec); });
  if (rec.error) std::rethrow_exception(rec.error);
  if (r.raised && r.code != 0) throw Zentu::AcrobatException(report_, r.code, "MyCosObj::Enum");
  return r.raised ? 0 : result;
}

ASBool MyCosObj::Equal(const MyCosObj& other) const {
  ASBool result = 0;
  Guarded("MyCosObj::Equal(MyCosObj)", [&] { result = CosObjEqual(obj_, other.obj_); });
  return result;
}

ASBool MyCosObj::Equal(const CosObj& other) const {
  ASBool result = 0;
  Guarded("MyCosObj::Equal(CosObj)", [&] { result = CosObjEqual(obj_, other); });
  return result;
}

MyCosDoc MyCosObj::GetDoc() const {
  CosDoc doc = nullptr;
  Guarded("MyCosObj::GetDoc", [&] { doc = CosObjGetDoc(obj_); });
  return MyCosDoc(doc);
}

ASUns16 MyCosObj::GetGeneration() const {
  ASUns16 gen = 0;
  Guarded("MyCosObj::GetGeneration", [&] { gen = CosObjGetGeneration(obj_); });
  return gen;
}

ASInt32 MyCosObj::GetID() const {
  ASInt32 id = -1;
  Guarded("MyCosObj::GetID", [&] {
    if (IsIndirect()) id = CosObjGetID(obj_);
  });
  return id;
}

ASInt32 MyCosObj::GetType() const {
  ASInt32 type = type_;
  Guarded("MyCosObj::GetType", [&] { type = CosObjGetType(obj_); });
  return type;
}

ASBool MyCosObj::IsIndirect() const {
  ASBool indirect = 0;
  Guarded("MyCosObj::IsIndirect", [&] { indirect = CosObjIsIndirect(obj_); });
  return indirect;
}

void MyCosObj::Destroy() {
  Guarded("MyCosObj::Destroy", [&] {
    CosObjDestroy(obj_);
    obj_ = CosNewNull();
    type_ = CosNull;
  });
}

MyCosObj MyCosObj::Get(ASInt32 index) const {
  if (type_ != CosArray) {
    // A single value is a one-element array.
    if (index == 0) return *this;
    throw Zentu::AcrobatException(report_, kTypeMismatch, "MyCosObj::Get(ASInt32)");
  }
  MyCosObj result;
  Guarded("MyCosObj::Get(ASInt32)", [&] { result.Assign(CosArrayGet(obj_, index)); });
  return result;
}

ASInt32 MyCosObj::Length() const {
  ASInt32 length = 1;
  Guarded("MyCosObj::Length", [&] {
    if (GetType() == CosArray) length = CosArrayLength(obj_);
  });
  return length;
}

bool MyCosObj::Put(ASInt32 index, MyCosObj value) {
  if (type_ != CosArray) {
    if (index != 0) throw Zentu::AcrobatException(report_, kTypeMismatch, "MyCosObj::Put(ASInt32)");
    Assign(value.obj_);
    key_ = value.key_;
    return true;
  }
  value.SetNull(false);
  Guarded("MyCosObj::Put(ASInt32)", [&] { CosArrayPut(obj_, index, value.GetCosObj()); });
  return true;
}

void MyCosObj::Insert(ASInt32 index, MyCosObj value) {
  value.SetNull(false);
  Guarded("MyCosObj::Insert", [&] { CosArrayInsert(obj_, index, value.GetCosObj()); });
}

void MyCosObj::Remove(ASInt32 index) {
  Guarded("MyCosObj::Remove(ASInt32)", [&] { CosArrayRemoveNth(obj_, index); });
}

MyCosObj MyCosObj::Get(ASAtom key) const {
  MyCosObj result;
  Guarded("MyCosObj::Get(ASAtom)", [&] { result.Assign(CosDictGet(obj_, key)); });
  return result;
}

MyCosObj MyCosObj::Get(const char* key) const {
  MyCosObj result;
  if (IsNull()) return result;
  ASInt32 type = GetType();
  if (type != CosDict && type != CosStream) return result;
  Guarded("MyCosObj::Get(const char *)", [&] {
    ASAtom atom = ASAtomFromString(key ? key : "");
    CosObj dict = type == CosStream ? CosStreamDict(obj_) : obj_;
    result.Assign(CosDictGet(dict, atom));
    result.key_ = key ? key : "";
  });
  return result;
}

ASBool MyCosObj::Known(ASAtom key) const {
  if (IsNull()) return 0;
  ASBool known = 0;
  Guarded("MyCosObj::Known", [&] {
    ASInt32 type = GetType();
    if (type != CosDict && type != CosStream) return;
    known = CosDictKnown(type == CosStream ? CosStreamDict(obj_) : obj_, key);
  });
  return known;
}

bool MyCosObj::Put(ASAtom key, MyCosObj value) {
  value.SetNull(false);
  Guarded("MyCosObj::Put(ASAtom)", [&] { CosDictPut(obj_, key, value.GetCosObj()); });
  return true;
}

bool MyCosObj::Put(const char* key, MyCosObj value) {
  return Put(ASAtomFromString(key ? key : ""), value);
}

void MyCosObj::Remove(ASAtom key) {
  Guarded("MyCosObj::Remove(ASAtom)", [&] { CosDictRemove(obj_, key); });
}

void MyCosObj::Remove(const char* key) { Remove(ASAtomFromString(key ? key : "")); }

MyCosObj MyCosObj::Dict() const {
  MyCosObj result;
  Guarded("MyCosObj::Dict", [&] { result.Assign(CosStreamDict(obj_)); });
  return result;
}

ASStm MyCosObj::OpenStm(ASInt32 mode) const {
  ASStm stm = nullptr;
  Guarded("MyCosObj::OpenStm", [&] { stm = CosStreamOpenStm(obj_, mode); });
  return stm;
}

ASAtom MyCosObj::NameValue() const {
  ASAtom atom = ASAtomNull;
  Guarded("MyCosObj::NameValue", [&] { atom = CosNameValue(obj_); });
  return atom;
}

const char* MyCosObj::Value(ASInt32* length) const {
  const char* bytes = nullptr;
  Guarded("MyCosObj::Value", [&] { bytes = CosStringValue(obj_, length); });
  return bytes;
}

std::string MyCosObj::ValueAsString() const {
  std::string text;
  if (type_ != CosString && type_ != CosName) return text;
  Guarded("MyCosObj::ValueAsString", [&] {
    if (type_ == CosString) {
      ASInt32 length = 0;
      const char* bytes = Value(&length);
      if (bytes && length > 0) text.assign(bytes, static_cast<size_t>(length));
    } else {
      text = ASAtomGetString(NameValue());
    }
  });
  return text;
}

MyCosObj::operator long() const {
  ASInt32 value = 0;
  Guarded("MyCosObj::operator long()", [&] { value = CosIntegerValue(obj_); });
  return value;
}

MyCosObj::operator ASFixed() const {
  ASFixed value = 0;
  Guarded("MyCosObj::operator ASFixed()", [&] { value = CosFixedValue(obj_); });
  return value;
}

MyCosObj::operator double() const {
  ASFixed value = 0;
  Guarded("MyCosObj::operator double()", [&] { value = CosFixedValue(obj_); });
  return value * 1.52587890625e-05;
}

double MyCosObj::NumberValue() const {
  double value = 0;
  Guarded("MyCosObj::NumberValue", [&] { value = CosNumberValue(obj_); });
  return value;
}

MyCosObj::operator bool() const {
  ASBool value = 0;
  Guarded("MyCosObj::operator bool()", [&] { value = CosBooleanValue(obj_); });
  return value != 0;
}

ASBool MyCosObj::CloneEnumProc(MyCosObj& key, MyCosObj& value, void* clientData) {
  auto* rec = static_cast<CloneRecord*>(clientData);
  CosDoc doc = nullptr;
  const char* where = "MyCosObj::CloneEnumProc (direct)";
  HostRegionResult r{false, 0};
  if (value.IsIndirect()) {
    where = "MyCosObj::CloneEnumProc (indirect)";
    r = HostRegion([&] { CosDictPut(rec->target.obj_, key.NameValue(), value.obj_); });
  } else if (value.type_ == CosDict) {
    where = "MyCosObj::CloneEnumProc (direct CosDict)";
    MyCosObj copy = value.Clone();  // made before the region
    r = HostRegion([&] { CosDictPut(rec->target.obj_, key.NameValue(), copy.obj_); });
  } else {
    r = HostRegion([&] {
      doc = CosObjGetDoc(rec->target.obj_);
      CosDictPut(rec->target.obj_, key.NameValue(), CosObjCopy(value.GetCosObj(), doc, 0));
    });
  }
  if (r.raised && r.code != 0) throw Zentu::AcrobatException(0, r.code, where);
  return 1;
}

MyCosObj MyCosObj::Clone() const {
  CloneRecord clone;
  // The entries are put by CloneEnumProc through the trampoline, which keeps
  // an exception of the procedure until the clone's region is closed.
  EnumRecord rec{&CloneEnumProc, &clone, nullptr};
  CosObj result{0, 0};
  Guarded("MyCosObj::Clone", [&] {
    result = CosNewNull();
    ASBool indirect = CosObjIsIndirect(obj_);
    CosType type = CosObjGetType(obj_);
    CosDoc doc = type == CosNull ? nullptr : CosObjGetDoc(obj_);
    switch (type) {
      case CosNull:
        break;
      case CosInteger:
      case CosFixed:
      case CosBoolean:
      case CosName:
      case CosString:
        result = CosObjCopy(obj_, doc, 0);
        break;
      case CosArray: {
        ASInt32 n = CosArrayLength(obj_);
        result = CosNewArray(doc, indirect, n);
        for (ASInt32 i = n - 1; i >= 0; --i) {
          CosObj item = CosArrayGet(obj_, i);
          CosArrayPut(result, i, indirect ? item : CosObjCopy(item, doc, 0));
        }
        break;
      }
      case CosDict:
      case CosStream:
        // The host enumerates a stream through its dictionary.
        result = CosNewDict(doc, indirect, 1);
        clone.target.Assign(result);
        CosObjEnum(obj_, &EnumTrampoline, &rec);
        break;
      default:
        break;
    }
  });
  if (rec.error) std::rethrow_exception(rec.error);
  return MyCosObj(result);
}
