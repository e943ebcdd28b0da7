#include "testing/processes.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

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

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& input, double seconds,
                         bool mergeErr) {
  ProcessResult result;
  int in[2], out[2], err[2];
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return result;
  std::fflush(nullptr);
  pid_t child = ::fork();
  if (child == 0) {
    ::dup2(in[0], 0);
    ::dup2(out[1], 1);
    ::dup2(mergeErr ? out[1] : err[1], 2);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    // Said on the child's standard error, which the failing test shows.
    // No allocation here: the parent may have had other threads.
    const char* parts[] = {"cannot run ", args[0], ": ", std::strerror(errno), "\n"};
    for (const char* part : parts)
      if (::write(2, part, std::strlen(part)) < 0) break;
    ::_exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);
  // A child that stops reading must not kill the test with SIGPIPE.
  struct sigaction ignore {}, old {};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignore, &old);
  ::fcntl(in[1], F_SETFL, O_NONBLOCK);
  size_t written = 0;
  int inFd = in[1];
  if (input.empty()) {
    ::close(inFd);
    inFd = -1;
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  std::string* sinks[2] = {&result.out, &result.err};
  int fds[2] = {out[0], err[0]};
  while (fds[0] >= 0 || fds[1] >= 0) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      result.timedOut = true;
      ::kill(child, SIGKILL);
      break;
    }
    pollfd polls[3] = {{fds[0], POLLIN, 0}, {fds[1], POLLIN, 0}, {inFd, POLLOUT, 0}};
    if (::poll(polls, 3, static_cast<int>(left.count())) < 0 && errno != EINTR) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i] < 0 || !polls[i].revents) continue;
      char buf[4096];
      ssize_t n = ::read(fds[i], buf, sizeof buf);
      if (n > 0) {
        sinks[i]->append(buf, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        ::close(fds[i]);
        fds[i] = -1;
      }
    }
    if (inFd >= 0 && polls[2].revents) {
      ssize_t n = ::write(inFd, input.data() + written, input.size() - written);
      if (n > 0) written += static_cast<size_t>(n);
      if ((n < 0 && errno != EAGAIN && errno != EINTR) || written == input.size()) {
        ::close(inFd);
        inFd = -1;
      }
    }
  }
  for (int fd : {fds[0], fds[1], inFd})
    if (fd >= 0) ::close(fd);
  int status = 0;
  while (::waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() >= deadline) {
      result.timedOut = true;
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      break;
    }
    ::usleep(2000);
  }
  ::sigaction(SIGPIPE, &old, nullptr);
  if (!result.timedOut && WIFEXITED(status)) result.status = WEXITSTATUS(status);
  return result;
}

PluginsFolder::PluginsFolder(const std::vector<std::string>& plugins) {
  for (const std::string& plugin : plugins) Link(plugin, plugin.substr(plugin.rfind('/') + 1));
}

void PluginsFolder::Link(const std::string& plugin, const std::string& name) {
  if (::symlink(plugin.c_str(), dir_.File(name).c_str()) != 0) throw std::runtime_error("cannot link " + plugin);
}

void InProcessOfItsOwn(const std::function<void()>& body) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        body();
        std::fflush(nullptr);
        std::_Exit(::testing::Test::HasFailure() ? 1 : 0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace hosttest
