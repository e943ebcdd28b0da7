#include "common/MyCosDoc.h"

#include "common/HostCall.h"

PDDoc MyCosDoc::GetPDDoc() const {
  PDDoc pd = nullptr;
  HostCall("MyCosDoc::GetPDDoc", [&] { pd = PDDocFromCosDoc(doc_); });
  return pd;
}

MyCosObj MyCosDoc::GetInfoDict() const {
  MyCosObj result;
  HostCall("MyCosDoc::GetInfoDict", [&] { result.Assign(CosDocGetInfoDict(doc_)); });
  return result;
}

MyCosObj MyCosDoc::GetObjByID(ASInt32 id) const {
  MyCosObj result;
  HostCall("MyCosDoc::GetObjByID", [&] { result.Assign(CosDocGetObjByID(doc_, id)); });
  return result;
}

MyCosObj MyCosDoc::GetRoot() const {
  MyCosObj result;
  HostCall("MyCosDoc::GetRoot", [&] { result.Assign(CosDocGetRoot(doc_)); });
  return result;
}
