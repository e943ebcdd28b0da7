#include "cos/docs.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFWriter.hh>

#include "support/filesys.h"

namespace host {
namespace {

struct Registry {
  std::map<ASUns32, std::unique_ptr<Doc>> docs;
  ASUns32 nextId = 1;  // ids are never reused, so a closed document's handles stay dead
  size_t decodedCap = size_t(512) << 20;
};

Registry& R() {
  static auto* r = new Registry;
  return *r;
}

uint64_t ObjGenKey(QPDFObjGen og) {
  return (static_cast<uint64_t>(static_cast<uint32_t>(og.getObj())) << 32) |
         static_cast<uint32_t>(og.getGen());
}

// Fails once more bytes pass than the cap allows.
class CappedPipe : public Pipeline {
 public:
  CappedPipe(std::string& out, size_t cap) : Pipeline("capped", nullptr), out_(out), cap_(cap) {}
  void write(unsigned char const* data, size_t len) override {
    if (len > cap_ - out_.size()) throw TooLarge();
    out_.append(reinterpret_cast<const char*>(data), len);
  }
  void finish() override {}
  struct TooLarge {};

 private:
  std::string& out_;
  size_t cap_;
};

// Counts the bytes that pass and fails once they are more than the cap.
class CountingPipe : public Pipeline {
 public:
  explicit CountingPipe(size_t cap) : Pipeline("counting", nullptr), cap_(cap) {}
  void write(unsigned char const*, size_t len) override {
    if (len > cap_ - count_) throw CappedPipe::TooLarge();
    count_ += len;
  }
  void finish() override {}

 private:
  size_t cap_;
  size_t count_ = 0;
};

// The library decodes an object stream whole, with no bound, when one of
// its objects is first read. Each is measured once here against the cap, so
// that a small file cannot ask for all the memory there is later.
void CheckObjectStreams(QPDF& qpdf) {
  std::set<int> numbers;
  for (auto& entry : qpdf.getXRefTable())
    if (entry.second.getType() == 2) numbers.insert(entry.second.getObjStreamNumber());
  for (int number : numbers) {
    try {
      QPDFObjectHandle stream = qpdf.getObjectByID(number, 0);
      if (!stream.isStream()) continue;
      CountingPipe counter(R().decodedCap);
      stream.pipeStreamData(&counter, nullptr, 0, qpdf_dl_specialized, true, false);
    } catch (const CappedPipe::TooLarge&) {
      SetFailureDetail("object stream " + std::to_string(number) + " decodes to more than the host allows");
      Raise(cosErrDataTooLarge);
    } catch (const std::exception&) {
      // A broken object stream is the library's to report when its objects are read.
    }
  }
}

Doc& Adopt(std::unique_ptr<QPDF> qpdf, const std::string& path) {
  auto doc = std::make_unique<Doc>();
  doc->id = R().nextId++;
  doc->qpdf = std::move(qpdf);
  doc->path = path;
  doc->slots.emplace_back();  // slot 0 stays unused
  doc->repaired = doc->qpdf->anyWarnings();
  Doc& ref = *doc;
  R().docs[ref.id] = std::move(doc);
  return ref;
}

// Opening succeeds only when the catalog and the page tree root can be read.
void CheckOpened(QPDF& qpdf) {
  QPDFObjectHandle root = qpdf.getRoot();
  if (!root.isDictionary()) Raise(pdErrBadFile);
  if (!root.getKey("/Pages").isDictionary()) Raise(pdErrNoPages);
}

Doc& Open(const std::function<void(QPDF&)>& process, const std::string& path,
          const OpenOptions& options) {
  auto qpdf = std::make_unique<QPDF>();
  qpdf->setSuppressWarnings(true);
  qpdf->setAttemptRecovery(options.attemptRepair);
  try {
    process(*qpdf);
    CheckObjectStreams(*qpdf);
    CheckOpened(*qpdf);
  } catch (const ASHostRaise&) {
    throw;
  } catch (const QPDFExc& e) {
    SetFailureDetail(e.what());
    if (e.getErrorCode() == qpdf_e_password) Raise(pdErrNeedPassword);
    if (e.getErrorCode() == qpdf_e_system) Raise(pdErrOpenFailed);
    Raise(pdErrBadFile);
  } catch (const std::bad_alloc&) {
    Raise(genErrNoMemory);
  } catch (const std::exception& e) {
    SetFailureDetail(e.what());
    Raise(pdErrBadFile);
  }
  return Adopt(std::move(qpdf), path);
}

}  // namespace

CosObj Doc::Wrap(QPDFObjectHandle h) {
  if (!h.isInitialized()) return CosObj{0, 0};
  if (h.isIndirect()) {
    uint64_t key = ObjGenKey(h.getObjGen());
    auto it = indirectSlots.find(key);
    if (it != indirectSlots.end()) return CosObj{id, it->second};
    ASUns32 slot = static_cast<ASUns32>(slots.size());
    slots.push_back(h);
    indirectSlots.emplace(key, slot);
    return CosObj{id, slot};
  }
  if (h.isNull()) return CosObj{0, 0};
  const void* ptr = h.getObjectPtr();
  auto it = directSlots.find(ptr);
  if (it != directSlots.end()) return CosObj{id, it->second};
  ASUns32 slot = static_cast<ASUns32>(slots.size());
  slots.push_back(h);  // keeps the object alive, so its address stays unique
  directSlots.emplace(ptr, slot);
  return CosObj{id, slot};
}

void Doc::Changed(QPDFObjectHandle h, const std::string& key) {
  Touch();
  // A key: only the ones the page walk reads count, in any dictionary (a
  // page can become a node, and a node a page, by them). A whole object (an
  // array changed, an object destroyed): when the walk met it.
  bool moved = key.empty() ? treeObjects.count(h.getObjectPtr()) > 0
                           : key == "/Kids" || key == "/Type" || key == "/Pages" || key == "/Root";
  if (moved) ++treeChanges;
}

Doc* FindDoc(ASUns32 id) {
  auto it = R().docs.find(id);
  return it == R().docs.end() ? nullptr : it->second.get();
}

static ASUns32 HandleId(const void* handle) {
  return static_cast<ASUns32>(reinterpret_cast<uintptr_t>(handle));
}

Doc& DocOf(CosDoc doc) {
  Doc* d = FindDoc(HandleId(doc));
  if (!d) Raise(genErrBadHandle);
  return *d;
}

Doc& DocOf(PDDoc doc) {
  Doc* d = FindDoc(HandleId(doc));
  if (!d) Raise(genErrBadHandle);
  return *d;
}

CosDoc ToCosDoc(const Doc& doc) { return reinterpret_cast<CosDoc>(static_cast<uintptr_t>(doc.id)); }
PDDoc ToPDDoc(const Doc& doc) { return reinterpret_cast<PDDoc>(static_cast<uintptr_t>(doc.id)); }

QPDFObjectHandle Resolve(CosObj obj, Doc** docOut) {
  if (docOut) *docOut = nullptr;
  if (obj.a == 0) return QPDFObjectHandle::newNull();
  Doc* doc = FindDoc(obj.a);
  if (!doc || obj.b == 0 || obj.b >= doc->slots.size()) return QPDFObjectHandle::newNull();
  if (docOut) *docOut = doc;
  return doc->slots[obj.b];
}

Doc& OpenFile(const std::string& path, const OpenOptions& options) {
  // Opened here rather than by the library, so that a missing file, a refused
  // permission and a folder each get their own code, never "damaged".
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  struct stat st;
  int err = fd < 0 ? errno : ::fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
  if (err) {
    if (fd >= 0) ::close(fd);
    SetFailureDetail(path + ": " + std::strerror(err));
    Raise(FileErrorCode(err, pdErrOpenFailed));
  }
  FILE* file = S_ISREG(st.st_mode) ? ::fdopen(fd, "rb") : nullptr;
  if (!file) {
    SetFailureDetail(path + ": not a regular file");
    ::close(fd);
    Raise(pdErrOpenFailed);
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  // The document keeps its path absolute (links as given), so that it still
  // names the file when the working folder changes.
  std::string kept = path;
  char folder[PATH_MAX];
  if (kept[0] != '/' && ::getcwd(folder, sizeof folder)) {
    while (kept.compare(0, 2, "./") == 0) kept.erase(0, 2);
    kept = (std::string(folder) == "/" ? "" : std::string(folder)) + "/" + kept;
  }
  return Open([&](QPDF& q) { q.processFile(path.c_str(), file, true, options.password.c_str()); }, kept,
              options);
}

Doc& OpenBytes(const std::string& bytes, const std::string& description,
               const OpenOptions& options) {
  auto data = std::make_shared<std::string>(bytes);
  Doc& doc = Open(
      [&](QPDF& q) {
        q.processMemoryFile(description.c_str(), data->data(), data->size(),
                            options.password.c_str());
      },
      "", options);
  // QPDF reads lazily from the buffer, which must live as long as the document.
  doc.memoryData = data;
  return doc;
}

void CloseDoc(ASUns32 id) { R().docs.erase(id); }

std::vector<ASUns32> OpenDocIds() {
  std::vector<ASUns32> ids;
  for (auto& kv : R().docs) ids.push_back(kv.first);
  return ids;
}

// A save names a refused permission and a folder; anything else (a missing
// folder included) is a failed save.
[[noreturn]] void RaiseSaveError(const FileReplacement& out, int err) {
  SetFailureDetail(out.Detail());
  Raise(err == ENOENT || err == ENOTDIR ? pdErrSaveFailed : FileErrorCode(err, pdErrSaveFailed));
}

void DocVersion(const Doc& doc, ASInt16* major, ASInt16* minor) {
  int a = 0, b = 0;
  if (std::sscanf(doc.qpdf->getPDFVersion().c_str(), "%d.%d", &a, &b) != 2) a = b = 0;
  *major = static_cast<ASInt16>(a);
  *minor = static_cast<ASInt16>(b);
}

void SaveDoc(Doc& doc, const std::string& path, ASInt16 major, ASInt16 minor) {
  FileReplacement out;
  if (int err = out.Begin(path, FileReplacement::Mode::Inherit)) RaiseSaveError(out, err);
  try {
    int copy = ::dup(out.fd());  // the writer closes its own
    FILE* file = copy >= 0 ? ::fdopen(copy, "wb") : nullptr;
    if (!file) {
      int err = errno;
      if (copy >= 0) ::close(copy);
      throw std::runtime_error(std::string("temporary file: ") + std::strerror(err));
    }
    QPDFWriter w(*doc.qpdf, path.c_str(), file, true);
    w.setCompressStreams(false);
    w.setDecodeLevel(qpdf_dl_none);
    w.setLinearization(false);
    ASInt16 ownMajor = 0, ownMinor = 0;
    DocVersion(doc, &ownMajor, &ownMinor);
    bool known = (major == 1 && minor >= 0 && minor <= 7) || (major == 2 && minor == 0);
    if (!known || (major == ownMajor && minor == ownMinor)) {
      major = ownMajor;
      minor = ownMinor;
    } else {
      w.forcePDFVersion(std::to_string(major) + "." + std::to_string(minor));
    }
    // Old versions get a classic cross-reference table and no object streams.
    w.setObjectStreamMode(major == 1 && minor < 5 ? qpdf_o_disable : qpdf_o_preserve);
    w.write();
  } catch (const std::exception& e) {
    SetFailureDetail(e.what());
    Raise(pdErrSaveFailed);
  }
  if (int err = out.Commit()) RaiseSaveError(out, err);
  doc.flags &= ~1;
}

const std::vector<QPDFObjectHandle>& Pages(Doc& doc) {
  if (doc.pagesAt == doc.treeChanges) return doc.pages;
  doc.pages.clear();
  doc.treeHandles.clear();
  doc.treeObjects.clear();
  doc.pageTreeBroken = false;
  // Everything the walk reads, so that a change to any of it is noticed.
  auto met = [&](QPDFObjectHandle h) {
    if (!h.isIndirect() && h.isNull()) return;  // a missing key: nothing to change in place
    if (doc.treeObjects.insert(h.getObjectPtr()).second) doc.treeHandles.push_back(h);
  };
  std::set<QPDFObjGen> seen;
  // Our own walk: no Parent, no repair of the tree, cycles skipped.
  std::vector<std::pair<QPDFObjectHandle, int>> stack;
  QPDFObjectHandle catalog = doc.qpdf->getRoot();
  met(catalog);
  QPDFObjectHandle root = catalog.getKey("/Pages");
  met(root);
  if (root.isDictionary()) stack.emplace_back(root, 0);
  if (root.isIndirect()) seen.insert(root.getObjGen());
  while (!stack.empty()) {
    auto& top = stack.back();
    QPDFObjectHandle kids = top.first.getKey("/Kids");
    met(kids);
    if (!kids.isArray() || top.second >= kids.getArrayNItems()) {
      stack.pop_back();
      continue;
    }
    QPDFObjectHandle kid = kids.getArrayItem(top.second++);
    met(kid);
    if (!kid.isDictionary()) {
      doc.pageTreeBroken = true;
      continue;
    }
    if (kid.isIndirect() && !seen.insert(kid.getObjGen()).second) {
      doc.pageTreeBroken = true;
      continue;
    }
    QPDFObjectHandle grandKids = kid.getKey("/Kids");
    met(grandKids);
    if (grandKids.isArray() && !kid.getKey("/Type").isNameAndEquals("/Page"))
      stack.emplace_back(kid, 0);
    else
      doc.pages.push_back(kid);
  }
  doc.pagesAt = doc.treeChanges;
  return doc.pages;
}

size_t DecodedDataCap() { return R().decodedCap; }
void SetDecodedDataCap(size_t bytes) { R().decodedCap = bytes; }

std::string StreamData(QPDFObjectHandle stream, ASInt32 mode) {
  std::string out;
  CappedPipe pipe(out, R().decodedCap);
  bool attempted = false;
  bool ok;
  try {
    ok = stream.pipeStreamData(&pipe, &attempted, 0, mode == cosOpenFiltered ? qpdf_dl_all : qpdf_dl_none,
                               true, false);
  } catch (const CappedPipe::TooLarge&) {
    SetFailureDetail("decoded stream data exceeds the host's cap");
    Raise(cosErrDataTooLarge);
  }
  if (!ok || (mode == cosOpenFiltered && !attempted && stream.getDict().hasKey("/Filter"))) {
    // A filter the host cannot decode: never hand encoded bytes as decoded.
    std::string filters;
    QPDFObjectHandle f = stream.getDict().getKey("/Filter");
    for (QPDFObjectHandle name : f.isArray() ? f.getArrayAsVector() : std::vector<QPDFObjectHandle>{f})
      if (name.isName()) filters += (filters.empty() ? " " : ", ") + name.getName().substr(1);
    SetFailureDetail("stream data could not be decoded:" + filters);
    Raise(cosErrReadError);
  }
  return out;
}

}  // namespace host
