#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>

#include "core/host.h"
#include "core/tables.h"

namespace host {
namespace {

// The handle is the text's first byte, so a path object reads as its
// zero-terminated text; the text never changes once made.
struct PathRec {
  std::string text;
};

std::unordered_map<ASPathName, std::unique_ptr<PathRec>>& Paths() {
  static auto* paths = new std::unordered_map<ASPathName, std::unique_ptr<PathRec>>;
  return *paths;
}

struct FileSysRec {
  int unused;
};
FileSysRec gDefaultFileSys;

}  // namespace

ASPathName NewPath(const std::string& text) {
  auto rec = std::make_unique<PathRec>();
  rec->text = text;
  // A stored "\" is a separator too.
  std::replace(rec->text.begin(), rec->text.end(), '\\', '/');
  ASPathName handle = reinterpret_cast<ASPathName>(const_cast<char*>(rec->text.c_str()));
  Paths()[handle] = std::move(rec);
  return handle;
}

const std::string& PathText(ASPathName path) {
  auto it = Paths().find(path);
  if (it == Paths().end()) Raise(genErrBadHandle);
  return it->second->text;
}

void ReleasePath(ASPathName path) { Paths().erase(path); }

bool IsPath(ASPathName path) { return Paths().count(path) != 0; }

ASFileSys DefaultFileSys() { return reinterpret_cast<ASFileSys>(&gDefaultFileSys); }

}  // namespace host

namespace hosttest {
int LivePaths() { return static_cast<int>(host::Paths().size()); }
}  // namespace hosttest
