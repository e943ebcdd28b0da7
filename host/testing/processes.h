// A test case run as a user who is not root, so that permission checks,
// which root passes, are tested on any machine.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "testing/pdfmaker.h"

namespace hosttest {

// What AsUserNotRoot answers when no other user could be taken on.
const int kNoOtherUser = -1000;

// Runs `body` and answers what it answers: in this process when it is not
// root, else in a child process that gives root up for the ids of "nobody".
int AsUserNotRoot(const std::function<int()>& body);
// Gives `path` (a folder with all it holds) to that user; nothing to do when
// this process is not root.
void HandToUserNotRoot(const std::string& path);

struct ProcessResult {
  int status = -1;  // the exit status; -1 when it did not exit by itself
  bool timedOut = false;
  std::string out, err;  // with mergeErr, err is empty and out holds both
};

// Runs the program `argv[0]` with `input` on its standard input (closed
// after it), killing it after `seconds`, so that a test never hangs on it.
ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& input, double seconds,
                         bool mergeErr = false);

// A program the test talks to while it runs (a session at the terminal):
// lines written to its standard input as the test goes on, its standard
// output read until a text shows. Killed when it outlives `seconds`, or is
// still running when this object goes.
class LiveProcess {
 public:
  LiveProcess(const std::vector<std::string>& argv, double seconds);
  ~LiveProcess();
  LiveProcess(const LiveProcess&) = delete;
  LiveProcess& operator=(const LiveProcess&) = delete;
  void Send(const std::string& text);
  // Reads until the output holds `text`; false when the program ended or
  // the bound passed first.
  bool WaitFor(const std::string& text);
  // Closes its input and waits for its end.
  ProcessResult Finish();

 private:
  bool ReadSome();
  int pid_ = -1;
  int in_ = -1, out_ = -1, err_ = -1;
  double deadline_ = 0;
  ProcessResult result_;
};

// A plug-ins folder that links the given plug-in files alone, so that a run
// loads just those; removed with this object. A plug-in's module folder is
// still its real one, where its data files lie.
class PluginsFolder {
 public:
  explicit PluginsFolder(const std::vector<std::string>& plugins);
  // Links one more under a name of its own (the load order follows names).
  void Link(const std::string& plugin, const std::string& name);
  const std::string& path() const { return dir_.path(); }

 private:
  TempDir dir_;
};

}  // namespace hosttest
