// Tables that plug-ins offer through servers (AcroSupport 6 and 8), idle
// procedures (AcroView 39) and moveable memory with 32-bit handles (the
// Windows table).
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/host.h"
#include "core/tables.h"
#include "host/procs.h"

struct _t_HFTServer {
  std::string name;
  ASCallback provide = nullptr;
  ASCallback destroy = nullptr;
  void* clientData = nullptr;
};

namespace host {
namespace {

struct Idle {
  ASCallback proc;
  void* clientData;
  ASUns32 period;
};

struct Block {
  std::vector<char> bytes;
  int locks = 0;
};

struct OfferedState {
  std::vector<std::unique_ptr<_t_HFTServer>> servers;
  std::set<HFT> offered;  // tables made for servers: any entry may be set
  std::vector<Idle> idles;
  std::map<ASUns32, Block> blocks;
  ASUns32 nextHandle = 0x10;
};

OfferedState& S() {
  static auto* state = new OfferedState;  // lives as long as the process
  return *state;
}

HFTServer SupHFTServerNew(const char* name, ASCallback provide, ASCallback destroy, void* clientData) {
  Enter(TableId::AcroSupport, AcroSupportSel::HFTServerNew);
  if (!name || !*name || !CallbackProc(provide)) Raise(genErrBadParm);
  if (destroy) CallbackProc(destroy);
  auto server = std::make_unique<_t_HFTServer>();
  server->name = name;
  server->provide = provide;
  server->destroy = destroy;
  server->clientData = clientData;
  S().servers.push_back(std::move(server));
  return S().servers.back().get();
}

HFT SupHFTNew(HFTServer server, ASUns32 numSelectors) {
  Enter(TableId::AcroSupport, AcroSupportSel::HFTNew);
  bool known = false;
  for (const auto& s : S().servers) known = known || s.get() == server;
  if (!known) Raise(genErrBadHandle);
  if (numSelectors == 0 || numSelectors > kHostTableSize) Raise(genErrBadParm);
  // Entry 0 is never a selector: the table has one more slot.
  HFT table = NewTable(server->name.c_str(), 1, numSelectors + 1);
  S().offered.insert(table);
  return table;
}

void AVAppRegisterIdleProcImpl(ASCallback proc, void* clientData, ASUns32 period) {
  Enter(TableId::AcroView, AcroViewSel::AppRegisterIdleProc);
  CallbackProc(proc);  // a destroyed or unknown callback raises here
  if (!proc) Raise(genErrBadParm);
  S().idles.push_back(Idle{proc, clientData, period});
}

#define WENTER(sel) Enter(TableId::Windows, WindowsSel::sel)
Block* Live(ASUns32 handle) {
  auto it = S().blocks.find(handle);
  return it == S().blocks.end() ? nullptr : &it->second;
}
ASUns32 WinGlobalAllocImpl(ASUns32, ASUns32 bytes) {
  WENTER(GlobalAlloc);
  OfferedState& s = S();
  const ASUns32 handle = s.nextHandle;
  s.nextHandle += 0x10;
  s.blocks[handle].bytes.assign(bytes, 0);
  return handle;
}
ASUns32 WinGlobalReAllocImpl(ASUns32 handle, ASUns32 bytes, ASUns32) {
  WENTER(GlobalReAlloc);
  Block* block = Live(handle);
  if (!block || block->locks > 0) return 0;
  block->bytes.resize(bytes, 0);
  return handle;
}
void* WinGlobalLockImpl(ASUns32 handle) {
  WENTER(GlobalLock);
  Block* block = Live(handle);
  if (!block) return nullptr;
  ++block->locks;
  // A block of no bytes still has an address.
  if (block->bytes.empty()) block->bytes.reserve(1);
  return block->bytes.data();
}
ASBool WinGlobalUnlockImpl(ASUns32 handle) {
  WENTER(GlobalUnlock);
  Block* block = Live(handle);
  if (block && block->locks > 0) --block->locks;
  return block && block->locks > 0 ? 1 : 0;
}
ASUns32 WinGlobalFreeImpl(ASUns32 handle) {
  WENTER(GlobalFree);
  return S().blocks.erase(handle) ? 0 : handle;
}

}  // namespace

HFT ImportOffered(const char* name, ASUns32 version) {
  if (!name) return nullptr;
  // A server may be asked while it answers: copy the list first.
  std::vector<HFTServer> servers;
  for (const auto& s : S().servers)
    if (s->name == name) servers.push_back(s.get());
  for (HFTServer server : servers) {
    auto provide = reinterpret_cast<ASHFTServerProvideProc>(CallbackProc(server->provide));
    if (HFT table = provide(server, version, server->clientData)) return table;
  }
  return nullptr;
}

bool IsOfferedTable(HFT table) { return S().offered.count(table) != 0; }

void RunIdleRounds(int rounds) {
  for (int round = 0; round < rounds; ++round) {
    // One registered meanwhile first runs in the next round.
    const std::vector<Idle> idles = S().idles;
    for (const Idle& idle : idles) reinterpret_cast<AVIdleProc>(CallbackProc(idle.proc))(idle.clientData);
  }
}

void* LockMoveable(ASUns32 handle) {
  Block* block = Live(handle);
  return block ? block->bytes.data() : nullptr;
}
size_t MoveableSize(ASUns32 handle) {
  Block* block = Live(handle);
  return block ? block->bytes.size() : 0;
}
void FreeMoveable(ASUns32 handle) { S().blocks.erase(handle); }
size_t LiveMoveables() { return S().blocks.size(); }

void InitOfferedEntries() {
  HFT support = Import(ACROSUPPORT_HFT_NAME, 0);
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(support, AcroSupportSel, Sup##name, name, ret, params);
  HOST_ACROSUPPORT_SERVER_PROCS(FILL)
#undef FILL
  HFT view = Import(ACROVIEW_HFT_NAME, 0);
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(view, AcroViewSel, AV##name##Impl, name, ret, params);
  HOST_ACROVIEW_IDLE_PROCS(FILL)
#undef FILL
  HFT windows = Import(WINDOWS_HFT_NAME, 0);
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(windows, WindowsSel, Win##name##Impl, name, ret, params);
  HOST_WINDOWS_MEMORY_PROCS(FILL)
#undef FILL
}

}  // namespace host
