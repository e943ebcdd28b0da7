// Value wrapper of one Cos object. Every host failure inside an operation
// comes out as Zentu::AcrobatException naming the operation; the creation
// operations answer false instead (NewStream throws).
#pragma once
#include <string>

#include "common/AcrobatException.h"
#include "host/astypes.h"

class MyCosDoc;
class MyCosObj;

// Enumeration procedure: the entry's first and second object (for a
// dictionary the key as a name and the value) and the client data; answer
// true to go on.
typedef ASBool (*MyCosEnumProc)(MyCosObj& first, MyCosObj& second, void* clientData);

class MyCosObj {
 public:
  // Holds the shared null object; unset (-1) while the Cos table is not bound.
  MyCosObj();
  // Takes the raw object and reads its type.
  explicit MyCosObj(const CosObj& obj);

  // --- state
  void SetNull(bool force);
  void Assign(const CosObj& obj);
  const CosObj& GetCosObj() const;
  static CosObj NullObj();
  // Null (0) or unset (-1), from the cached type without a host call.
  bool IsNull() const { return type_ == CosNull || type_ == -1; }
  ASInt32 CachedType() const { return type_; }
  const std::string& KeyText() const { return key_; }
  ASInt32 ReportNumber() const { return report_; }
  void SetReportNumber(ASInt32 number) { report_ = number; }

  // --- creation (false and the shared null on a host failure)
  bool NewInteger(const MyCosDoc& doc, ASBool indirect, ASInt32 value);
  bool NewString(const MyCosDoc& doc, ASBool indirect, const char* text);
  bool NewName(const MyCosDoc& doc, ASBool indirect, const char* text);
  bool NewName(const MyCosDoc& doc, ASBool indirect, ASAtom name);
  bool NewArray(const MyCosDoc& doc, ASBool indirect, ASInt32 capacity);
  bool NewDict(const MyCosDoc& doc, ASBool indirect, ASInt32 capacity);
  // Throws "MyCosObj::NewStream" after making this the shared null.
  bool NewStream(const MyCosDoc& doc, ASBool indirect, ASStm source, ASInt32 sourceStart,
                 ASBool encoded, MyCosObj dict, MyCosObj parms, ASInt32 sourceLength);

  // --- reading and changing
  MyCosObj Copy(const MyCosDoc& target, ASBool copyIndirect) const;
  ASBool Enum(MyCosEnumProc proc, void* clientData) const;
  ASBool Equal(const MyCosObj& other) const;
  ASBool Equal(const CosObj& other) const;
  MyCosDoc GetDoc() const;
  ASUns16 GetGeneration() const;
  ASInt32 GetID() const;
  ASInt32 GetType() const;
  ASBool IsIndirect() const;
  void Destroy();

  MyCosObj Get(ASInt32 index) const;
  ASInt32 Length() const;
  bool Put(ASInt32 index, MyCosObj value);
  // Inserts before element `index` (at the length: appends); arrays only.
  void Insert(ASInt32 index, MyCosObj value);
  // Removes element `index`, the later ones moving up; arrays only.
  void Remove(ASInt32 index);
  MyCosObj Get(ASAtom key) const;
  MyCosObj Get(const char* key) const;
  ASBool Known(ASAtom key) const;
  bool Put(ASAtom key, MyCosObj value);
  bool Put(const char* key, MyCosObj value);
  void Remove(ASAtom key);
  void Remove(const char* key);

  MyCosObj Dict() const;
  ASStm OpenStm(ASInt32 mode) const;
  ASAtom NameValue() const;
  const char* Value(ASInt32* length) const;
  std::string ValueAsString() const;
  operator long() const;
  // The 16.16 value of an integer or a real.
  operator ASFixed() const;
  operator double() const;
  // An integer's or a real's value as the file holds it, beyond 16.16 too.
  double NumberValue() const;
  operator bool() const;

  MyCosObj Clone() const;

  // --- forwarding overloads
  MyCosObj GetAt(int index) const { return Get(static_cast<ASInt32>(index)); }
  MyCosObj GetKey(const std::string& key) const { return Get(key.c_str()); }
  bool PutAt(int index, MyCosObj value) { return Put(static_cast<ASInt32>(index), value); }
  bool Put(const std::string& key, MyCosObj value) { return Put(key.c_str(), value); }
  void Remove(std::string key) { Remove(key.c_str()); }

 private:
  static ASBool EnumTrampoline(CosObj first, CosObj second, void* clientData);
  static ASBool CloneEnumProc(MyCosObj& key, MyCosObj& value, void* clientData);
  // Runs `body` in one host frame; a raise with a non-zero code throws with `where`.
  template <class Body>
  void Guarded(const char* where, Body&& body) const;
  template <class Body>
  bool Create(Body&& body);
  void HoldSharedNull();

  CosObj obj_;
  ASInt32 type_;
  ASInt32 report_ = -1;  // no object number unless someone sets one
  std::string key_;
};
