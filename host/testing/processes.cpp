#include "testing/processes.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
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

namespace {

// Starts the program with pipes for its three streams: `fds` gets the ends
// for its input, output and error (with mergeErr, -1 for the error).
pid_t Spawn(const std::vector<std::string>& argv, bool mergeErr, int fds[3]) {
  int in[2], out[2], err[2];
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return -1;
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
  fds[0] = in[1];
  fds[1] = out[0];
  fds[2] = err[0];
  if (mergeErr) {
    ::close(err[0]);
    fds[2] = -1;
  }
  return child;
}

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Reaps the child, killing it once `deadline` (Now's clock) has passed.
void Reap(pid_t child, double deadline, ProcessResult* result) {
  int status = 0;
  while (::waitpid(child, &status, WNOHANG) == 0) {
    if (Now() >= deadline) {
      result->timedOut = true;
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      break;
    }
    ::usleep(2000);
  }
  if (!result->timedOut && WIFEXITED(status)) result->status = WEXITSTATUS(status);
}

// Reads what is there of one of the child's streams into `sink`; closes it
// (and sets it to -1) at its end.
void Drain(int* fd, std::string* sink) {
  char buf[4096];
  ssize_t n = ::read(*fd, buf, sizeof buf);
  if (n > 0) {
    sink->append(buf, static_cast<size_t>(n));
  } else if (n == 0 || errno != EINTR) {
    ::close(*fd);
    *fd = -1;
  }
}

int MillisecondsTo(double deadline) {
  double left = (deadline - Now()) * 1000;
  return left <= 0 ? 0 : left > 1e9 ? 1000000000 : static_cast<int>(left) + 1;
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& input, double seconds,
                         bool mergeErr) {
  ProcessResult result;
  int ends[3];
  pid_t child = Spawn(argv, mergeErr, ends);
  if (child < 0) return result;
  // A child that stops reading must not kill the test with SIGPIPE.
  struct sigaction ignore {}, old {};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignore, &old);
  int inFd = ends[0];
  ::fcntl(inFd, F_SETFL, O_NONBLOCK);
  size_t written = 0;
  if (input.empty()) {
    ::close(inFd);
    inFd = -1;
  }
  const double deadline = Now() + seconds;
  std::string* sinks[2] = {&result.out, &result.err};
  int fds[2] = {ends[1], ends[2]};
  while (fds[0] >= 0 || fds[1] >= 0) {
    if (MillisecondsTo(deadline) <= 0) {
      result.timedOut = true;
      ::kill(child, SIGKILL);
      break;
    }
    pollfd polls[3] = {{fds[0], POLLIN, 0}, {fds[1], POLLIN, 0}, {inFd, POLLOUT, 0}};
    if (::poll(polls, 3, MillisecondsTo(deadline)) < 0 && errno != EINTR) break;
    for (int i = 0; i < 2; ++i)
      if (fds[i] >= 0 && polls[i].revents) Drain(&fds[i], sinks[i]);
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
  Reap(child, deadline, &result);
  ::sigaction(SIGPIPE, &old, nullptr);
  return result;
}

LiveProcess::LiveProcess(const std::vector<std::string>& argv, double seconds) : deadline_(Now() + seconds) {
  int ends[3];
  pid_ = Spawn(argv, false, ends);
  if (pid_ < 0) return;
  in_ = ends[0];
  out_ = ends[1];
  err_ = ends[2];
  // Its end must not end the test: a write to it then fails instead.
  ::signal(SIGPIPE, SIG_IGN);
}

LiveProcess::~LiveProcess() {
  for (int fd : {in_, out_, err_})
    if (fd >= 0) ::close(fd);
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
}

void LiveProcess::Send(const std::string& text) {
  for (size_t done = 0; in_ >= 0 && done < text.size();) {
    ssize_t n = ::write(in_, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
}

bool LiveProcess::ReadSome() {
  if ((out_ < 0 && err_ < 0) || MillisecondsTo(deadline_) <= 0) return false;
  pollfd polls[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
  if (::poll(polls, 2, MillisecondsTo(deadline_)) < 0 && errno != EINTR) return false;
  if (out_ >= 0 && polls[0].revents) Drain(&out_, &result_.out);
  if (err_ >= 0 && polls[1].revents) Drain(&err_, &result_.err);
  return true;
}

bool LiveProcess::WaitFor(const std::string& text) {
  while (result_.out.find(text) == std::string::npos)
    if (!ReadSome()) return false;
  return true;
}

ProcessResult LiveProcess::Finish() {
  if (pid_ < 0) return result_;
  if (in_ >= 0) ::close(in_);
  in_ = -1;
  while (ReadSome()) {
  }
  if (out_ >= 0 || err_ >= 0) {
    result_.timedOut = true;
    ::kill(pid_, SIGKILL);
  }
  Reap(pid_, deadline_, &result_);
  pid_ = -1;
  return result_;
}

PluginsFolder::PluginsFolder(const std::vector<std::string>& plugins) {
  for (const std::string& plugin : plugins) Link(plugin, plugin.substr(plugin.rfind('/') + 1));
}

void PluginsFolder::Link(const std::string& plugin, const std::string& name) {
  if (::symlink(plugin.c_str(), dir_.File(name).c_str()) != 0) throw std::runtime_error("cannot link " + plugin);
}

}  // namespace hosttest
