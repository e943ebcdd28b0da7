// The AcroSupport table: memory, error texts, streams and paths.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/host.h"
#include "core/tables.h"
#include "host/procs.h"
#include "support/files.h"
#include "support/fixed.h"
#include "support/streams.h"

namespace host {
namespace {

bool gFailNextAllocation = false;
size_t gAllocationLimit = 0;  // 0: none

bool Refused(ASSize_t size) { return gAllocationLimit && size > gAllocationLimit; }

// AcroSupport operations -----------------------------------------------------
void* SupMalloc(ASSize_t size) {
  Enter(TableId::AcroSupport, AcroSupportSel::Malloc);
  if (gFailNextAllocation) {
    gFailNextAllocation = false;
    return nullptr;
  }
  if (Refused(size)) return nullptr;
  return std::malloc(size ? size : 1);
}
void* SupRealloc(void* ptr, ASSize_t size) {
  Enter(TableId::AcroSupport, AcroSupportSel::Realloc);
  if (Refused(size)) return nullptr;  // the block stays as it was
  return std::realloc(ptr, size ? size : 1);
}
void SupFree(void* ptr) { std::free(ptr); }
const char* SupGetErrorString(ASErrorCode code, char* buffer, ASSize_t size) {
  if (!buffer || size == 0) return buffer;
  std::strncpy(buffer, ErrorText(code), size - 1);
  buffer[size - 1] = 0;
  return buffer;
}
ASSize_t SupStmRead(char* ptr, ASSize_t itemSize, ASSize_t nItems, ASStm stm) {
  Enter(TableId::AcroSupport, AcroSupportSel::StmRead);
  if (!ptr || itemSize == 0) return 0;
  Stm& s = StmOf(stm);
  size_t want = static_cast<size_t>(itemSize) * nItems;
  size_t got = 0;
  while (got < want) {
    size_t n = s.Read(ptr + got, want - got);
    if (n == 0) break;
    got += n;
  }
  return static_cast<ASSize_t>(got / itemSize);
}
void SupStmClose(ASStm stm) { CloseStm(stm); }
ASStm SupProcStmRdOpen(ASCallback readProc, void* clientData) {
  Enter(TableId::AcroSupport, AcroSupportSel::ProcStmRdOpen);
  CallbackProc(readProc);  // a destroyed or unknown callback raises here
  return NewProcStm(readProc, clientData);
}
ASStm SupMemStmRdOpen(const char* data, ASSize_t length) {
  Enter(TableId::AcroSupport, AcroSupportSel::MemStmRdOpen);
  // The bytes are copied: the caller may free its buffer at once.
  return NewMemStm(std::string(data ? data : "", data ? length : 0));
}

ASFileSys SupGetDefaultFileSys() { return DefaultFileSys(); }
void SupFileSysReleasePath(ASFileSys, ASPathName path) { ReleasePath(path); }
ASPathName SupFileSysCreatePathName(ASFileSys, ASAtom specType, const void* spec, const void*) {
  Enter(TableId::AcroSupport, AcroSupportSel::FileSysCreatePathName);
  if (!spec) Raise(genErrBadParm);
  // "Cstring" and "DIPath" both carry a path text here.
  std::string type = AtomText(specType);
  if (type != "Cstring" && type != "DIPath") Raise(fileErrBadPath);
  return NewPath(static_cast<const char*>(spec));
}
const char* SupPathGetText(ASPathName path) {
  Enter(TableId::AcroSupport, AcroSupportSel::PathGetText);
  return PathText(path).c_str();
}

// Entries replaced by a plug-in: each keeps the entry it stood over, so that
// its procedure can pass a call on. Replacements stay until the host quits.
struct Replacement {
  HFT table;
  ASUns32 selector;
  ASCallback callback;
  HFTEntry replaced;
};
std::vector<Replacement>& Replacements() {
  static auto* all = new std::vector<Replacement>;
  return *all;
}
void SupHFTReplaceEntry(HFT table, ASUns32 selector, ASCallback entry, ASUns32, ASUns32) {
  Enter(TableId::AcroSupport, AcroSupportSel::HFTReplaceEntry);
  void* proc = CallbackProc(entry);
  if (!proc) Raise(genErrBadParm);
  // An offered table starts empty: its entries are put, not replaced.
  HFTEntry replaced = nullptr;
  if (IsOfferedTable(table) && selector < table->size && table->entries[selector] == nullptr)
    SetEntry(table, selector, reinterpret_cast<HFTEntry>(proc));
  else
    replaced = ReplaceEntry(table, selector, reinterpret_cast<HFTEntry>(proc));
  Replacements().push_back(Replacement{table, selector, entry, replaced});
}
HFTEntry SupHFTGetReplacedEntry(HFT table, ASUns32 selector, ASCallback entry) {
  Enter(TableId::AcroSupport, AcroSupportSel::HFTGetReplacedEntry);
  for (const Replacement& r : Replacements())
    if (r.table == table && r.selector == selector && r.callback == entry) return r.replaced;
  Raise(genErrBadParm);
}

}  // namespace

void InitAcroSupportTable() {
  HFT t = NewTable(ACROSUPPORT_HFT_NAME, HFT_VERSION(5, 0), AcroSupportSel::Last);
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(t, AcroSupportSel, Sup##name, name, ret, params);
  HOST_ACROSUPPORT_PROCS(FILL)
  HOST_ACROSUPPORT_REPLACE_PROCS(FILL)
#undef FILL
  // Where our own numbers came first, both reach the operation.
  SetEntry(t, 1000, t->entries[AcroSupportSel::StmRead]);
  SetEntry(t, 1001, t->entries[AcroSupportSel::StmClose]);
  Publish(t);
}

}  // namespace host

namespace hosttest {
void FailNextAllocation() { host::gFailNextAllocation = true; }
void FailAllocationsAbove(size_t bytes) { host::gAllocationLimit = bytes; }
}  // namespace hosttest
