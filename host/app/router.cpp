#include "app/router.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "core/host.h"

namespace plughost {
namespace {

const ASUns32 kIdentitySize = 524, kQuerySize = 2060, kRunSize = 776;
const ASUns32 kHello = 0x42434901, kQuery = 0x42434902, kRun = 0x42434903, kDoneOk = 0x42434904,
              kDoneError = 0x42434905, kStatus = 0x42434906;
const size_t kDatum = 516, kDatumSize = 260, kNameField = 512;

typedef ASUns32 (*BatchProc)(const void* sender, const void* receiver, ASUns32 code, void* data);

ASUns32 Word(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<ASUns32>(p[3]) << 24; }
void PutWord(unsigned char* p, ASUns32 v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
// A text field: up to its first zero, never past its width.
std::string Field(const unsigned char* p, size_t width) {
  const void* zero = std::memchr(p, 0, width);
  return std::string(reinterpret_cast<const char*>(p), zero ? static_cast<const unsigned char*>(zero) - p : width);
}

struct Router {
  Transcript* out = nullptr;
  unsigned char identity[kIdentitySize] = {};
  std::vector<unsigned char> client;  // the hello's identity; empty before one
  std::unique_ptr<unsigned char[]> request;  // the last run request, kept
};

Router& R() {
  static auto* router = new Router;  // its table outlives every plug-in
  return *router;
}

std::string IdentityText(const void* record) {
  if (!record) return "none";
  const auto* p = static_cast<const unsigned char*>(record);
  return "{" + std::to_string(Word(p)) + ", " + Quoted(Field(p + 4, 4)) + ", " + std::to_string(Word(p + 8)) + ", " +
         Quoted(Field(p + 12, 256)) + ", " + Quoted(Field(p + 268, 256)) + "}";
}

std::string Hex(ASUns32 code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", code);
  return text;
}

// The router's send operation, selector 1 of its table.
ASUns32 Send(const void* sender, const void* receiver, ASUns32 code, void* data) {
  Router& r = R();
  std::string line = "ROUTER " + Hex(code) + " from " + IdentityText(sender) + " to " + IdentityText(receiver);
  const auto* bytes = static_cast<const unsigned char*>(data);
  if ((code == kDoneOk || code == kDoneError) && bytes) {
    line += " flag " + std::to_string(Word(bytes + 4)) + " message " + Quoted(Field(bytes + 8, 256));
  } else if (code == kStatus) {
    const unsigned char* own = r.request ? r.request.get() + kDatum : nullptr;
    const char* datum = "bad";
    if (bytes && own && bytes >= r.request.get() && bytes < r.request.get() + kRunSize)
      datum = "own";
    else if (bytes && own && std::memcmp(bytes, own, kDatumSize) == 0)
      datum = "copy";
    line += std::string(" datum ") + datum;
  }
  if (code == kHello && sender) {
    const auto* p = static_cast<const unsigned char*>(sender);
    r.client.assign(p, p + kIdentitySize);
  }
  if (r.out) r.out->Event(line);
  return 0;
}

}  // namespace

void StartFakeRouter(Transcript& out) {
  Router& r = R();
  r.out = &out;
  PutWord(r.identity, kIdentitySize);
  std::memcpy(r.identity + 4, "EVLS", 4);
  PutWord(r.identity + 8, 1);
  std::strcpy(reinterpret_cast<char*>(r.identity + 12), "CALS_BPRouter");
  std::strcpy(reinterpret_cast<char*>(r.identity + 268), "CALS_BPRouter");
  HFT table = host::NewTable("CALS_BPRouter", 1, 2);
  host::SetEntry(table, 1, reinterpret_cast<HFTEntry>(&Send));
  host::Publish(table);
}

std::string RouterStep(const Step& step, Transcript& out) {
  Router& r = R();
  const std::string name = step.verb == "router query" ? "router query" : "router run";
  if (!r.out) return name + ": there is no batch router; give --fake-router";
  if (r.client.empty()) return name + ": no client has said hello to the batch router";
  const std::string client = Field(r.client.data() + 12, 256);
  HFT table = host::Import(client.c_str(), 1);
  if (!table) table = host::ImportOffered(client.c_str(), 1);
  if (!table || table->size < 2 || !table->entries[1]) return name + ": the client " + Quoted(client) + " offers no table";
  auto dispatch = reinterpret_cast<BatchProc>(table->entries[1]);
  if (step.verb == "router query") {
    std::vector<unsigned char> query(kQuerySize, 0);
    PutWord(query.data(), kQuerySize);
    out.Event("ROUTER answer " + std::to_string(dispatch(r.identity, r.client.data(), kQuery, query.data())));
    // Each list: the bytes used, then its entries.
    const auto list = [&](size_t at, size_t width) {
      const ASUns32 handle = Word(&query[at]), used = Word(&query[at + 4]);
      std::string text = " " + std::to_string(used);
      const auto* bytes = static_cast<const unsigned char*>(host::LockMoveable(handle));
      const size_t size = std::min<size_t>(used, host::MoveableSize(handle));
      for (size_t i = 0; bytes && i + width <= size; i += width) text += " " + Quoted(Field(bytes + i, width));
      if (handle) host::FreeMoveable(handle);
      return text;
    };
    const std::string actions = list(4, 32);
    const std::string types = list(1036, 4) + list(1044, 4) + list(1052, 4);
    out.Event("ROUTER actions" + actions);
    out.Event("ROUTER types" + types);
    return "";
  }
  const std::string& action = step.args[0].text;
  if (!r.request) r.request.reset(new unsigned char[kRunSize]);
  unsigned char* request = r.request.get();
  std::memset(request, 0, kRunSize);
  PutWord(request, kRunSize);
  std::memcpy(request + 4, action.data(), std::min(action.size(), kNameField - 1));
  for (size_t i = 0; i < kDatumSize; ++i) request[kDatum + i] = static_cast<unsigned char>(i);
  out.Event("ROUTER answer " + std::to_string(dispatch(r.identity, r.client.data(), kRun, request)));
  return "";
}

}  // namespace plughost
