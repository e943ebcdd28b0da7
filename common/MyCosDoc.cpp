#include "common/MyCosDoc.h"

#include "host/frame.h"

namespace {
template <class Body>
void Guarded(const char* where, Body&& body) {
  HostRegionResult r = HostRegion(std::forward<Body>(body));
  if (r.raised && r.code != 0) throw Zentu::AcrobatException(-1, r.code, where);
}
}  // namespace

PDDoc MyCosDoc::GetPDDoc() const {
  PDDoc pd = nullptr;
  Guarded("MyCosDoc::GetPDDoc", [&] { pd = PDDocFromCosDoc(doc_); });
  return pd;
}

MyCosObj MyCosDoc::GetInfoDict() const {
  MyCosObj result;
  Guarded("MyCosDoc::GetInfoDict", [&] { result.Assign(CosDocGetInfoDict(doc_)); });
  return result;
}

MyCosObj MyCosDoc::GetObjByID(ASInt32 id) const {
  MyCosObj result;
  Guarded("MyCosDoc::GetObjByID", [&] { result.Assign(CosDocGetObjByID(doc_, id)); });
  return result;
}

MyCosObj MyCosDoc::GetRoot() const {
  MyCosObj result;
  Guarded("MyCosDoc::GetRoot", [&] { result.Assign(CosDocGetRoot(doc_)); });
  return result;
}
