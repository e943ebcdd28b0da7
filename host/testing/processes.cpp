#include "testing/processes.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "testing/pdfmaker.h"

namespace hosttest {
namespace {
const uid_t kNobody = 65534;
}

int AsUserNotRoot(const std::function<int()>& body) {
  if (::geteuid() != 0) return body();
  int fds[2];
  if (::pipe(fds) != 0) return kNoOtherUser;
  std::fflush(nullptr);
  pid_t child = ::fork();
  if (child < 0) return kNoOtherUser;
  if (child == 0) {
    ::close(fds[0]);
    if (::setgroups(0, nullptr) == 0 && ::setresgid(kNobody, kNobody, kNobody) == 0 &&
        ::setresuid(kNobody, kNobody, kNobody) == 0 && ::geteuid() == kNobody) {
      int result = body();
      if (::write(fds[1], &result, sizeof result) != sizeof result) ::_exit(2);
    }
    ::_exit(0);
  }
  ::close(fds[1]);
  int result = kNoOtherUser;
  if (::read(fds[0], &result, sizeof result) != sizeof result) result = kNoOtherUser;
  ::close(fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return result;
}

void HandToUserNotRoot(const std::string& path) {
  if (::geteuid() == 0) RunCommand("chown -R 65534:65534 " + Quoted(path));
}

}  // namespace hosttest
