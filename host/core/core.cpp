#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <stdexcept>
#include <unordered_map>

#include <qpdf/QPDFExc.hh>

#include "core/host.h"
#include "core/tables.h"
#include "dialogs/manager.h"
#include "host/procs.h"

namespace host {
namespace {

struct TableRec {
  std::string name;
  std::vector<HFTEntry> entries;
  HFTRec rec;
};

struct CoreState {
  std::vector<std::unique_ptr<TableRec>> tables;
  std::multimap<std::string, HFT> published;
  std::vector<void*> frames;
  ASErrorCode lastRaised = 0;
  std::string lastDetail;
  std::vector<std::string> atomTexts;
  std::unordered_map<std::string, ASAtom> atoms;
  AlertHandler alertHandler;
  PasswordHandler passwordHandler;
  std::vector<void*> callbacks;  // by handle; none once destroyed
  // hooks
  bool hookArmed = false;
  bool hookAny = false;
  TableId hookTable = TableId::Other;
  ASUns32 hookSelector = 0;
  ASErrorCode hookCode = 0;
  HFT core = nullptr;
};

CoreState& S() {
  static CoreState* state = new CoreState;  // lives as long as the process
  return *state;
}

// Core operations -----------------------------------------------------------
void CoreRaise(ASErrorCode code) {
  Enter(TableId::Core, CoreSel::Raise);
  Raise(code);
}
// Frames are the failure machinery itself: pushing and popping never raise.
void CorePushExceptionFrame(void* frame) {
  S().frames.push_back(frame);
}
void CorePopExceptionFrame() {
  if (!S().frames.empty()) S().frames.pop_back();
}
ASErrorCode CoreGetExceptionErrorCode() { return S().lastRaised; }
ASAtom CoreAtomFromString(const char* text) {
  Enter(TableId::Core, CoreSel::AtomFromString);
  return AtomFromString(text);
}
ASBool CoreAtomExistsForString(const char* text) {
  Enter(TableId::Core, CoreSel::AtomExistsForString);
  return text && S().atoms.count(text) ? 1 : 0;
}
const char* CoreAtomGetString(ASAtom atom) {
  Enter(TableId::Core, CoreSel::AtomGetString);
  return AtomText(atom);
}
// A callback is a handle of ours, not the procedure itself, so that one
// called after its destruction is caught instead of jumping anywhere.
const uintptr_t kFirstCallback = 0xCA11000;

ASCallback CoreCallbackCreate(ASUns32, void* proc) {
  Enter(TableId::Core, CoreSel::CallbackCreate);
  if (!proc) Raise(genErrBadParm);
  S().callbacks.push_back(proc);
  return reinterpret_cast<ASCallback>(kFirstCallback + S().callbacks.size() - 1);
}
std::vector<void*>::iterator CallbackSlot(ASCallback callback) {
  auto& all = S().callbacks;
  uintptr_t n = reinterpret_cast<uintptr_t>(callback) - kFirstCallback;
  if (reinterpret_cast<uintptr_t>(callback) < kFirstCallback || n >= all.size()) Raise(genErrBadHandle);
  return all.begin() + static_cast<std::ptrdiff_t>(n);
}
// A second destruction is harmless; a handle the host never gave raises.
void CoreCallbackDestroy(ASCallback callback) {
  Enter(TableId::Core, CoreSel::CallbackDestroy);
  *CallbackSlot(callback) = nullptr;
}
HFT CoreExtensionMgrGetHFT(ASAtom name, ASUns32 version) {
  Enter(TableId::Core, CoreSel::ExtensionMgrGetHFT);
  const char* text = AtomText(name);
  if (HFT table = Import(text, version)) return table;
  return ImportOffered(text, version);
}
ASBool CoreRegisterHFT(HFT table) {
  Enter(TableId::Core, CoreSel::RegisterHFT);
  return Publish(table) ? 1 : 0;
}
ASInt32 CoreFrameDepth() { return static_cast<ASInt32>(S().frames.size()); }

// Error texts ----------------------------------------------------------------
const std::map<ASErrorCode, const char*>& ErrorTexts() {
  static const std::map<ASErrorCode, const char*> texts = {
      {genErrGeneral, "General error"},
      {genErrNoMemory, "Out of memory"},
      {genErrBadParm, "Bad parameter"},
      {genErrNoHFT, "The requested host function table is not available"},
      {genErrTooManyAtoms, "Too many atoms"},
      {genErrBadHandle, "The handle does not refer to a live object"},
      {genErrMissingEntry, "The host function table has no entry at that selector"},
      {genErrUnknownError, "Unknown error"},
      {genErrException, "An exception occurred in the host"},
      {cosErrTypeMismatch, "The Cos object is not of the expected type"},
      {cosErrDocMismatch, "The Cos objects belong to different documents"},
      {cosErrBadIndex, "Array index out of range"},
      {cosErrDestroyed, "The Cos object was destroyed"},
      {cosErrBadSyntax, "Bad syntax in the PDF data"},
      {cosErrCannotEncode, "The stream cannot be encoded with the filter its dictionary names"},
      {cosErrDataTooLarge, "The decoded data is larger than the host allows"},
      {cosErrReadError, "The object or its data could not be read"},
      {cosErrObjectNotFound, "There is no such object in the document"},
      {cosErrNoObjectNumber, "The document has no object number left for a new object"},
      {pdErrOpenFailed, "The file could not be opened"},
      {pdErrBadFile, "The file is damaged and could not be repaired"},
      {pdErrNeedPassword, "The document is encrypted and needs a password"},
      {pdErrBadPageIndex, "There is no page with that number"},
      {pdErrSaveFailed, "The document could not be saved"},
      {pdErrNoPages, "The document has no page tree"},
      {pdErrNotPermitted, "The document's security does not allow changes"},
      {fileErrOpen, "The file could not be opened"},
      {fileErrRead, "Error reading the file"},
      {fileErrWrite, "Error writing the file"},
      {fileErrNotFound, "The file does not exist"},
      {fileErrBadPath, "Bad path name"},
      {fileErrPermission, "Access to the file was denied"},
      {fileErrIsFolder, "The path names a folder, not a file"},
      {fileErrSettingsLock, "the settings folder could not be locked"},
      {avErrNoDocument, "There is no active document"},
      {avErrScriptExhausted, "The script has no answer for this prompt"},
  };
  return texts;
}

}  // namespace

void Enter(TableId table, ASUns32 selector) {
  CoreState& s = S();
  if (!s.hookArmed) return;
  if (s.hookAny || (s.hookTable == table && s.hookSelector == selector)) {
    s.hookArmed = false;
    Raise(s.hookCode);
  }
}

[[noreturn]] void Raise(ASErrorCode code) {
  S().lastRaised = code;
  throw ASHostRaise{code};
}

namespace {
void* gReserve = nullptr;
std::atomic<unsigned long> gFailedAllocations{0};

// Counts each allocation that fails, then fails it as before.
void CountFailedAllocation() {
  ++gFailedAllocations;
  throw std::bad_alloc();
}
}  // namespace

void ReleaseMemoryReserve() {
  std::free(gReserve);
  gReserve = nullptr;
}

unsigned long FailedAllocations() { return gFailedAllocations; }

[[noreturn]] void RaiseFromCurrentException() {
  try {
    throw;
  } catch (const ASHostRaise&) {
    throw;
  } catch (const std::bad_alloc&) {
    ReleaseMemoryReserve();
    S().lastDetail = "out of memory";
    Raise(genErrNoMemory);
  } catch (const QPDFExc& e) {
    S().lastDetail = e.what();
    Raise(cosErrReadError);
  } catch (const std::logic_error& e) {
    S().lastDetail = e.what();
    Raise(cosErrTypeMismatch);
  } catch (const std::exception& e) {
    // zlib's own allocations fail past the new-handler: memory ran out all
    // the same, and is counted and told as such.
    if (std::strstr(e.what(), "insufficient memory")) {
      ++gFailedAllocations;
      ReleaseMemoryReserve();
      S().lastDetail = "out of memory";
      Raise(genErrNoMemory);
    }
    S().lastDetail = e.what();
    // The library's refusal to number a new object, in words a note can show.
    if (std::strstr(e.what(), "max object id is too high")) Raise(cosErrNoObjectNumber);
    Raise(genErrException);
  } catch (...) {
    S().lastDetail = "unknown exception";
    Raise(genErrUnknownError);
  }
}

const char* ErrorText(ASErrorCode code) {
  auto& texts = ErrorTexts();
  auto it = texts.find(code);
  return it == texts.end() ? "Unknown error" : it->second;
}

const std::string& LastFailureDetail() { return S().lastDetail; }
void SetFailureDetail(const std::string& detail) { S().lastDetail = detail; }
int FrameDepth() { return static_cast<int>(S().frames.size()); }

ASAtom AtomFromString(const char* text) { return AtomFromBytes(text ? text : ""); }

ASAtom AtomFromBytes(const std::string& key) {
  CoreState& s = S();
  auto it = s.atoms.find(key);
  if (it != s.atoms.end()) return it->second;
  if (s.atomTexts.size() >= ASAtomNull) Raise(genErrTooManyAtoms);
  ASAtom atom = static_cast<ASAtom>(s.atomTexts.size());
  s.atomTexts.push_back(key);
  s.atoms.emplace(key, atom);
  return atom;
}

const char* AtomText(ASAtom atom) { return AtomBytes(atom).c_str(); }

const std::string& AtomBytes(ASAtom atom) {
  CoreState& s = S();
  if (atom >= s.atomTexts.size()) Raise(genErrBadParm);
  return s.atomTexts[atom];
}

HFT NewTable(const char* name, ASUns32 version, ASUns32 size) {
  auto rec = std::make_unique<TableRec>();
  rec->name = name;
  rec->entries.assign(size, nullptr);
  rec->rec.name = rec->name.c_str();
  rec->rec.version = version;
  rec->rec.size = size;
  rec->rec.entries = rec->entries.data();
  HFT table = &rec->rec;
  S().tables.push_back(std::move(rec));
  return table;
}

void SetEntry(HFT table, ASUns32 selector, HFTEntry entry) {
  if (!table || selector >= table->size) Raise(genErrBadParm);
  table->entries[selector] = entry;
}

HFTEntry ReplaceEntry(HFT table, ASUns32 selector, HFTEntry entry) {
  if (!table || selector >= table->size || !table->entries[selector]) Raise(genErrBadParm);
  HFTEntry old = table->entries[selector];
  table->entries[selector] = entry;
  return old;
}

bool Publish(HFT table) {
  if (!table || !table->name) return false;
  S().published.emplace(table->name, table);
  return true;
}

HFT Import(const char* name, ASUns32 version) {
  if (!name) return nullptr;
  HFT best = nullptr;
  auto range = S().published.equal_range(name);
  for (auto it = range.first; it != range.second; ++it)
    if (it->second->version >= version && (!best || it->second->version > best->version))
      best = it->second;
  return best;
}

void* CallbackProc(ASCallback callback) {
  if (!callback) return nullptr;
  void* proc = *CallbackSlot(callback);
  if (!proc) {
    SetFailureDetail("a destroyed callback was called");
    Raise(genErrBadHandle);
  }
  return proc;
}

void SetAlertHandler(AlertHandler handler) { S().alertHandler = std::move(handler); }

bool AlertsShown() { return S().alertHandler || CurrentDriver(); }

int ShowAlert(const AlertRequest& request) {
  if (S().alertHandler) return S().alertHandler(request);
  if (Driver* driver = CurrentDriver()) return driver->Alert(request);
  return 1;
}

void SetPasswordHandler(PasswordHandler handler) { S().passwordHandler = std::move(handler); }

bool AskPassword(const PasswordRequest& request, std::string* password) {
  if (S().passwordHandler) return S().passwordHandler(request, password);
  if (Driver* driver = CurrentDriver()) return driver->Password(request, password);
  return false;
}

HFT CoreTable() { return S().core; }

void Init() {
  CoreState& s = S();
  if (s.core) return;
  s.atomTexts.reserve(1024);
  // Address space rather than memory: untouched, it costs nothing until given back.
  if (!gReserve) gReserve = std::malloc(size_t(8) << 20);
  std::set_new_handler(&CountFailedAllocation);
  ErrorTexts();  // made now, not when a failure has to be told
  HFT core = NewTable(CORE_HFT_NAME, HFT_VERSION(5, 0), CoreSel::Last);
  SetEntry(core, CoreSel::Raise, reinterpret_cast<HFTEntry>(&CoreRaise));
#define HOST_FILL_CORE(name, ret, params, args) \
  SetEntry(core, CoreSel::name, reinterpret_cast<HFTEntry>(static_cast<ret(*) params>(&Core##name)));
  HOST_CORE_PROCS(HOST_FILL_CORE)
#undef HOST_FILL_CORE
  s.core = core;
  Publish(core);
  InitCosTable();
  InitPDModelTable();
  InitAcroViewTable();
  InitAcroSupportTable();
  InitWindowsTable();
  InitWindowsResourceEntries();
  InitDialogTables();
  InitEditTables();
  InitResourceEntries();
  InitProgressEntries();
  InitAcroViewToolEntries();
  InitAcroViewGeometryEntries();
  InitAcroViewInputEntries();
  InitAcroViewOverlayEntries();
  InitOfferedEntries();
  InitAcroViewWindowEntries();
}

}  // namespace host

namespace hosttest {
void RaiseOnNextCall(host::TableId table, ASUns32 selector, ASErrorCode code) {
  auto& s = host::S();
  s.hookArmed = true;
  s.hookAny = false;
  s.hookTable = table;
  s.hookSelector = selector;
  s.hookCode = code;
}
void RaiseOnNextAnyCall(ASErrorCode code) {
  auto& s = host::S();
  s.hookArmed = true;
  s.hookAny = true;
  s.hookCode = code;
}
void ClearHooks() { host::S().hookArmed = false; }

size_t AtomCount() { return host::S().atomTexts.size(); }

void ForgetAtomsFrom(size_t count) {
  auto& s = host::S();
  while (s.atomTexts.size() > count) {
    s.atoms.erase(s.atomTexts.back());
    s.atomTexts.pop_back();
  }
}

namespace {
std::vector<std::string>& Log() {
  static auto* log = new std::vector<std::string>;
  return *log;
}
bool gLogKept = true;
}  // namespace
void LogCall(const std::string& entry) {
  if (gLogKept) Log().push_back(entry);
}
void KeepCallLog(bool kept) { gLogKept = kept; }
const std::vector<std::string>& CallLog() { return Log(); }
void ClearCallLog() { Log().clear(); }
int LiveCallbacks() {
  auto& all = host::S().callbacks;
  return static_cast<int>(all.size() - static_cast<size_t>(std::count(all.begin(), all.end(), nullptr)));
}
}  // namespace hosttest
