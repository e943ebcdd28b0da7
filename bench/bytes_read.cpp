// bytes_read COMMAND...: runs COMMAND and prints on standard error
// "bytes read: N", the bytes its reads took from files (rchar of
// /proc/PID/io, read once it has ended and before it is reaped); exits
// with its status.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bytes_read COMMAND...\n");
    return 2;
  }
  const pid_t pid = ::fork();
  if (pid < 0) return 2;
  if (pid == 0) {
    ::execvp(argv[1], argv + 1);
    std::perror(argv[1]);
    ::_exit(127);
  }
  siginfo_t info{};
  if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0) return 2;
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/io", static_cast<int>(pid));
  long long bytes = -1;
  if (FILE* f = std::fopen(path, "r")) {
    char line[128];
    while (std::fgets(line, sizeof line, f))
      if (std::strncmp(line, "rchar: ", 7) == 0) std::sscanf(line + 7, "%lld", &bytes);
    std::fclose(f);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  std::fprintf(stderr, "bytes read: %lld\n", bytes);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
