// Resource enumeration (PDModel 311): the named resources of one type that a
// run of pages uses, the page's own and those of the forms it holds.
#include <set>

#include "core/tables.h"
#include "cos/docs.h"
#include "pd/pages.h"
#include "host/procs.h"

namespace host {
namespace {

struct Enumeration {
  Doc& doc;
  std::string type;  // "/XObject", "/Font", ...
  PDResourceEnumProc proc;
  void* clientData;
  std::set<QPDFObjGen> forms;  // entered once a call
  bool stopped = false;
  bool procThrew = false;  // what the procedure throws passes as it is
};

bool IsForm(QPDFObjectHandle x) {
  return x.isStream() && x.getDict().getKey("/Subtype").isNameAndEquals("/Form");
}

void Visit(Enumeration& e, QPDFObjectHandle resources);

// The form's own resources, once a call (a form that holds itself ends).
void EnterForm(Enumeration& e, QPDFObjectHandle form) {
  if (!e.forms.insert(form.getObjGen()).second) return;
  QPDFObjectHandle res = form.getDict().getKey("/Resources");
  if (res.isDictionary()) Visit(e, res);
}

void Visit(Enumeration& e, QPDFObjectHandle resources) {
  QPDFObjectHandle dict = resources.getKey(e.type);
  bool xobjects = e.type == "/XObject";
  if (dict.isDictionary()) {
    for (const std::string& key : dict.getKeys()) {  // byte order
      QPDFObjectHandle value = dict.getKey(key);
      CosObj name = e.doc.Wrap(QPDFObjectHandle::newName(key));
      ASBool goOn;
      try {
        goOn = e.proc(e.doc.Wrap(value), name, e.clientData);
      } catch (...) {
        e.procThrew = true;
        throw;
      }
      if (!goOn) {
        e.stopped = true;
        return;
      }
      if (xobjects && IsForm(value)) {
        EnterForm(e, value);
        if (e.stopped) return;
      }
    }
  }
  if (xobjects) return;
  QPDFObjectHandle xdict = resources.getKey("/XObject");
  if (!xdict.isDictionary()) return;
  for (const std::string& key : xdict.getKeys()) {
    QPDFObjectHandle value = xdict.getKey(key);
    if (!IsForm(value)) continue;
    EnterForm(e, value);
    if (e.stopped) return;
  }
}

void PDDocEnumResourcesImpl(PDDoc d, ASInt32 firstPage, ASInt32 lastPage, ASAtom type, ASCallback proc,
                            void* clientData) {
  Enter(TableId::PDModel, PDModelSel::DocEnumResources);
  Doc& doc = DocOf(d);
  auto enumProc = reinterpret_cast<PDResourceEnumProc>(CallbackProc(proc));
  if (!enumProc || type == ASAtomNull) Raise(genErrBadParm);
  const std::vector<QPDFObjectHandle>& pages = Q([&]() -> const std::vector<QPDFObjectHandle>& { return Pages(doc); });
  if (firstPage < 0 || lastPage < firstPage || static_cast<size_t>(lastPage) >= pages.size())
    Raise(pdErrBadPageIndex);
  Enumeration e{doc, std::string("/") + AtomText(type), enumProc, clientData, {}};
  for (ASInt32 i = firstPage; i <= lastPage && !e.stopped; ++i) {
    QPDFObjectHandle resources = Q([&] { return InheritedResources(Pages(doc)[static_cast<size_t>(i)]); });
    if (!resources.isDictionary()) continue;
    try {
      Visit(e, resources);
    } catch (...) {
      if (e.procThrew) throw;
      RaiseFromCurrentException();  // the library's failures become raises
    }
  }
}

}  // namespace

void InitResourceEntries() {
  HFT t = Import(PDMODEL_HFT_NAME, HFT_VERSION(5, 0));
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(t, PDModelSel, PD##name##Impl, name, ret, params);
  HOST_PDMODEL_RESOURCE_PROCS(FILL)
#undef FILL
}

}  // namespace host
