// Child processes for tests: a body run as a user who is not root, and
// workers waited for within a time bound.
#pragma once
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace hosttest {

// What AsUserNotRoot answers when no other user could be taken on.
const int kNoOtherUser = -1000;

// Runs `body` as a user who is not root and answers what it answers: in this
// process when it is not root, else in a child process that gives root up for
// the ids of "nobody" (65534). Permission checks that root passes can then be
// tested on any machine.
int AsUserNotRoot(const std::function<int()>& body);
// Gives `path` (and, for a folder, everything in it) to that user, so that it
// may write there; nothing to do when this process is not root.
void HandToUserNotRoot(const std::string& path);

// Waits for the children until `seconds` have passed and kills the ones still
// running then. Answers how many exited with status 0.
int WaitForChildren(const std::vector<pid_t>& children, int seconds);

}  // namespace hosttest
