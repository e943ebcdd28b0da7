// The PDModel table: PD documents over the host's documents, and pages.
#include <map>
#include <memory>
#include <unordered_map>

#include "core/tables.h"
#include "dialogs/manager.h"
#include "cos/docs.h"
#include "cos/security.h"
#include "pd/content.h"
#include "pd/fonts.h"
#include "pd/pages.h"
#include "support/files.h"
#include "host/procs.h"

namespace host {
namespace {

struct PageRec {
  ASUns32 docId;
  ASInt32 index;
  int refs;
};

std::unordered_map<PDPage, std::unique_ptr<PageRec>>& LivePages() {
  static auto* pages = new std::unordered_map<PDPage, std::unique_ptr<PageRec>>;
  return *pages;
}

// While held, a page of a document has one handle.
std::map<std::pair<ASUns32, ASInt32>, PDPage>& HeldPages() {
  static auto* held = new std::map<std::pair<ASUns32, ASInt32>, PDPage>;
  return *held;
}

PageRec& PageOf(PDPage page) {
  auto it = LivePages().find(page);
  if (it == LivePages().end()) Raise(genErrBadHandle);
  return *it->second;
}

#define ENTER(sel) Enter(TableId::PDModel, PDModelSel::sel)

// Every save first tells the will-save handlers, which may choose the
// version the document is written with.
void SaveNotified(PDDoc d, const std::string& target, ASPathName path, ASInt32 flags, ASInt16 major = 0,
                  ASInt16 minor = 0) {
  if (!ChangesAllowed(d)) NoteSaveRefused(target, pdErrNotPermitted);
  RequireChangesAllowed(DocOf(d));
  AVDocWillSaveRec record{};
  record.size = sizeof record;
  record.flags = flags;
  record.path = path;
  DocVersion(DocOf(d), &record.major, &record.minor);
  if (major > 0) {
    record.major = major;
    record.minor = minor;
  }
  SendWillSave(d, &record);
  SaveDoc(DocOf(d), target, record.major, record.minor);  // a handler may have closed it
}

void PDDocSaveImpl(PDDoc d, ASInt32 flags, ASPathName path, ASFileSys, void*, void*) {
  ENTER(DocSave);
  std::string target = path ? PathText(path) : DocOf(d).path;
  if (target.empty()) Raise(fileErrBadPath);
  SaveNotified(d, target, path, flags);
  const ASInt32 saveCopy = 0x02;  // else the document's file becomes the target
  if (!(flags & saveCopy)) {
    Doc& doc = DocOf(d);
    doc.path = target;
    // The document's file is now the one just written, even at the same path.
    ForgetDocumentFiles(doc.id);
    KeepDocFile(doc, target);
  }
  if (Driver* driver = CurrentDriver()) driver->Saved(target);
}

ASInt32 PDDocGetFlagsImpl(PDDoc d) {
  ENTER(DocGetFlags);
  return DocOf(d).flags;
}

void PDDocSetFlagsImpl(PDDoc d, ASInt32 flags) {
  ENTER(DocSetFlags);
  DocOf(d).flags |= flags;
}

CosDoc PDDocGetCosDocImpl(PDDoc d) {
  ENTER(DocGetCosDoc);
  return ToCosDoc(DocOf(d));
}

ASInt32 PDDocGetNumPagesImpl(PDDoc d) {
  ENTER(DocGetNumPages);
  Doc& doc = DocOf(d);
  try {
    return static_cast<ASInt32>(Pages(doc).size());
  } catch (...) {
    RaiseFromCurrentException();
  }
}

PDPage PDDocAcquirePageImpl(PDDoc d, ASInt32 pageNum) {
  ENTER(DocAcquirePage);
  Doc& doc = DocOf(d);
  size_t count;
  try {
    count = Pages(doc).size();
  } catch (...) {
    RaiseFromCurrentException();
  }
  if (pageNum < 0 || static_cast<size_t>(pageNum) >= count) Raise(pdErrBadPageIndex);
  return AcquirePageHandle(doc.id, pageNum);
}

void PDPageReleaseImpl(PDPage page) { ReleasePageHandle(page); }

}  // namespace

void ReleasePageHandle(PDPage page) {
  auto it = LivePages().find(page);
  if (it == LivePages().end()) return;
  if (--it->second->refs > 0) return;
  HeldPages().erase({it->second->docId, it->second->index});
  LivePages().erase(it);
}

namespace {

PDDoc PDPageGetDocImpl(PDPage page) {
  ENTER(PageGetDoc);
  PageRec& rec = PageOf(page);
  Doc* doc = FindDoc(rec.docId);
  if (!doc) Raise(genErrBadHandle);
  return ToPDDoc(*doc);
}

CosObj PDPageGetCosObjImpl(PDPage page) {
  ENTER(PageGetCosObj);
  PageRec& rec = PageOf(page);
  Doc* doc = FindDoc(rec.docId);
  if (!doc) Raise(genErrBadHandle);
  try {
    const auto& pages = Pages(*doc);
    if (static_cast<size_t>(rec.index) >= pages.size()) Raise(pdErrBadPageIndex);
    return doc->Wrap(pages[rec.index]);
  } catch (...) {
    RaiseFromCurrentException();
  }
}

ASInt32 PDPageGetNumberImpl(PDPage page) {
  ENTER(PageGetNumber);
  return PageOf(page).index;
}

PDDoc PDDocFromCosDocImpl(CosDoc d) {
  ENTER(DocFromCosDoc);
  return ToPDDoc(DocOf(d));
}

ASFile PDDocGetFileImpl(PDDoc d) {
  ENTER(DocGetFile);
  return DocumentFile(DocOf(d).id);
}

std::string& OtherHandler() {
  static auto* name = new std::string;
  return *name;
}

ASAtom PDDocGetNewSecurityHandlerImpl(PDDoc d) {
  ENTER(DocGetNewSecurityHandler);
  Doc& doc = DocOf(d);
  std::string filter = Q([&] {
    if (!doc.qpdf->isEncrypted()) return std::string();
    if (!OtherHandler().empty()) return OtherHandler();
    QPDFObjectHandle f = doc.qpdf->getTrailer().getKey("/Encrypt").getKey("/Filter");
    return f.isName() ? f.getName().substr(1) : std::string();
  });
  return filter.empty() ? ASAtomNull : AtomFromString(filter.c_str());
}

// An authorisation is a password, zero-ended. It is tried on a reading of
// the document's file of its own: the document in use stays as it is, with
// everything its objects' holders hold. The owner password grants all.
ASInt32 PDDocPermRequestImpl(PDDoc d, ASInt32, void* authData) {
  ENTER(DocPermRequest);
  Doc& doc = DocOf(d);
  if (!authData || doc.path.empty() || !Q([&] { return doc.qpdf->isEncrypted(); })) return DocPermissions(doc);
  const char* password = static_cast<const char*>(authData);
  try {
    QPDF reading;
    reading.setSuppressWarnings(true);
    reading.processFile(doc.path.c_str(), password);
    if (reading.ownerPasswordMatched()) doc.ownerGranted = true;
    if (!doc.ownerGranted) return GrantedPermissions(reading);
  } catch (const std::exception&) {
    // A wrong password, or a file that went: the document keeps what it had.
  }
  return DocPermissions(doc);
}

ASInt32 PDDocGetPermissionsImpl(PDDoc d) {
  ENTER(DocGetPermissions);
  return DocPermissions(DocOf(d));
}

void PDDocCloseImpl(PDDoc d) {
  ENTER(DocClose);
  CloseDocument(d);
}

}  // namespace

PDPage AcquirePageHandle(ASUns32 docId, ASInt32 index) {
  PDPage& held = HeldPages()[{docId, index}];
  if (held) {
    ++PageOf(held).refs;
    return held;
  }
  auto rec = std::make_unique<PageRec>(PageRec{docId, index, 1});
  held = reinterpret_cast<PDPage>(rec.get());
  LivePages()[held] = std::move(rec);
  return held;
}

ASInt32 PageIndex(PDPage page) { return PageOf(page).index; }

QPDFObjectHandle PageDict(PDPage page, Doc** docOut) {
  PageRec& rec = PageOf(page);
  Doc* doc = FindDoc(rec.docId);
  if (!doc) Raise(genErrBadHandle);
  if (docOut) *docOut = doc;
  try {
    const auto& pages = Pages(*doc);
    if (static_cast<size_t>(rec.index) >= pages.size()) Raise(pdErrBadPageIndex);
    return pages[rec.index];
  } catch (...) {
    RaiseFromCurrentException();
  }
}

static OpenOptions Convert(const DocOpenOptions& o) {
  OpenOptions out;
  out.attemptRepair = o.attemptRepair;
  out.password = o.password;
  return out;
}

PDDoc OpenDocument(const std::string& path, const DocOpenOptions& options) {
  return ToPDDoc(OpenFile(path, Convert(options)));
}

PDDoc OpenDocumentBytes(const std::string& bytes, const std::string& description,
                        const DocOpenOptions& options) {
  return ToPDDoc(OpenBytes(bytes, description, Convert(options)));
}

void CloseDocument(PDDoc d) {
  ASUns32 id = static_cast<ASUns32>(reinterpret_cast<uintptr_t>(d));
  for (auto it = LivePages().begin(); it != LivePages().end();)
    it = it->second->docId == id ? LivePages().erase(it) : std::next(it);
  ForgetViewDocument(id);
  ForgetDocumentFiles(id);
  CloseDoc(id);
}

void SaveDocument(PDDoc d, const std::string& path, ASInt16 major, ASInt16 minor) {
  DocOf(d);
  ASPathName name = NewPath(path);
  try {
    SaveNotified(d, path, name, 0, major, minor);
  } catch (...) {
    ReleasePath(name);
    throw;
  }
  ReleasePath(name);
}

bool DocumentChanged(PDDoc d) { return (DocOf(d).flags & 1) != 0; }

std::string PageTreeFault(PDDoc d) { return PageTreeFault(DocOf(d)); }

void InitPDModelTable() {
  HFT t = NewTable(PDMODEL_HFT_NAME, HFT_VERSION(5, 0), PDModelSel::Last);
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(t, PDModelSel, PD##name##Impl, name, ret, params);
  HOST_PDMODEL_PROCS(FILL)
  HOST_PDMODEL_ALTERNATE_PROCS(FILL)
#undef FILL
  Publish(t);
}

}  // namespace host

namespace hosttest {
void SetSecurityHandlerName(const std::string& name) { host::OtherHandler() = name; }
}  // namespace hosttest
