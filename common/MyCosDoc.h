// Handle of one Cos document and its document-level objects.
#pragma once
#include "common/MyCosObj.h"
#include "host/astypes.h"

class MyCosDoc {
 public:
  MyCosDoc() : valid_(false), doc_(nullptr) {}
  MyCosDoc(const CosDoc& doc) : valid_(true), doc_(doc) {}  // NOLINT: made freely from host handles
  MyCosDoc(const MyCosDoc&) = default;
  MyCosDoc& operator=(const MyCosDoc&) = default;

  bool IsValid() const { return valid_; }
  CosDoc GetCosDoc() const { return doc_; }

  PDDoc GetPDDoc() const;
  MyCosObj GetInfoDict() const;
  MyCosObj GetObjByID(ASInt32 id) const;
  MyCosObj GetRoot() const;

 private:
  bool valid_;
  CosDoc doc_;
};
