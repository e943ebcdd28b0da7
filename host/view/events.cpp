// Notifications about documents, page views and pages, and the steps that
// raise them: closing and activating documents, and changing a page's key
// from outside the plug-ins.
#include <algorithm>
#include <string>

#include "core/host.h"
#include "cos/docs.h"
#include "host/procs.h"
#include "pd/pages.h"
#include "view/view.h"

namespace host {

void SendDocDidActivate(AVDoc doc) {
  // The second argument means nothing here; handlers only expect it set.
  AVPageView view = reinterpret_cast<AVPageView>(doc);
  ForEachHandler(avNotifyDocDidActivate, [&](ASCallback proc, void* data) {
    reinterpret_cast<AVDocDidActivateProc>(CallbackProc(proc))(doc, view, data);
  });
}

void SendDocWillClose(AVDoc doc) {
  ForEachHandler(avNotifyDocWillClose, [&](ASCallback proc, void* data) {
    reinterpret_cast<AVDocWillCloseProc>(CallbackProc(proc))(doc, data);
  });
}

void SendPageViewDidDraw(AVPageView view) {
  ForEachHandler(avNotifyPageViewDidDraw, [&](ASCallback proc, void* data) {
    reinterpret_cast<AVPageViewDidDrawProc>(CallbackProc(proc))(view, data);
  });
}

void SendPageViewDidChange(AVPageView view) {
  ForEachHandler(avNotifyPageViewDidChange, [&](ASCallback proc, void* data) {
    reinterpret_cast<AVPageViewDidChangeProc>(CallbackProc(proc))(view, data);
  });
}

void SendPageDidChange(PDPage page) {
  ForEachHandler(pdNotifyPageDidChange, [&](ASCallback proc, void* data) {
    reinterpret_cast<PDPageDidChangeProc>(CallbackProc(proc))(page, data);
  });
}

bool CloseActiveDocument() {
  const std::vector<ASUns32> docs = ViewDocIds();
  if (docs.empty()) return false;
  const ASUns32 id = docs.front();
  SendDocWillClose(reinterpret_cast<AVDoc>(static_cast<uintptr_t>(id)));
  // A handler may have closed it, or made another one active, meanwhile.
  if (FindDoc(id)) CloseDocument(reinterpret_cast<PDDoc>(static_cast<uintptr_t>(id)));
  const std::vector<ASUns32> left = ViewDocIds();
  if (!left.empty()) SendDocDidActivate(reinterpret_cast<AVDoc>(static_cast<uintptr_t>(left.front())));
  return true;
}

bool ActivateDocument(int n, std::string* why) {
  std::vector<ASUns32> docs = ViewDocIds();
  // Ids grow as documents open: their order is the order opened.
  std::sort(docs.begin(), docs.end());
  if (n < 1 || static_cast<size_t>(n) > docs.size()) {
    *why = "activate " + std::to_string(n) + ": " + std::to_string(docs.size()) + " document" +
           (docs.size() == 1 ? " is" : "s are") + " open";
    return false;
  }
  ShowInView(reinterpret_cast<PDDoc>(static_cast<uintptr_t>(docs[static_cast<size_t>(n) - 1])));
  return true;
}

bool SetPageKey(AVDoc view, const std::string& key, const std::string& value, std::string* why) {
  const ASUns32 id = static_cast<ASUns32>(reinterpret_cast<uintptr_t>(view));
  const ASInt32 index = ViewPageIndex(id);
  Doc* doc = FindDoc(id);
  if (!doc) Raise(genErrBadHandle);
  const std::string name = key.empty() || key[0] != '/' ? "/" + key : key;
  QPDFObjectHandle object;
  try {
    object = QPDFObjectHandle::parse(value, "the value of set-page-key");
  } catch (const std::exception& e) {
    *why = "set-page-key: " + value + " is no PDF object (" + e.what() + ")";
    return false;
  }
  if (object.isIndirect()) {
    *why = "set-page-key: " + value + " is no direct object";
    return false;
  }
  Q([&] {
    QPDFObjectHandle page = Pages(*doc).at(static_cast<size_t>(index));
    if (object.isNull())
      page.removeKey(name);
    else
      page.replaceKey(name, object);
    doc->Changed(page, name);
    return 0;
  });
  doc->flags |= 1;
  PDPage page = AcquirePageHandle(id, index);
  struct Hold {
    PDPage page;
    ~Hold() { ReleasePageHandle(page); }
  } hold{page};
  SendPageDidChange(page);
  return true;
}

}  // namespace host
