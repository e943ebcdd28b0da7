// A test case run as a user who is not root, so that permission checks,
// which root passes, are tested on any machine.
#pragma once
#include <functional>
#include <string>

namespace hosttest {

// What AsUserNotRoot answers when no other user could be taken on.
const int kNoOtherUser = -1000;

// Runs `body` and answers what it answers: in this process when it is not
// root, else in a child process that gives root up for the ids of "nobody".
int AsUserNotRoot(const std::function<int()>& body);
// Gives `path` (a folder with all it holds) to that user; nothing to do when
// this process is not root.
void HandToUserNotRoot(const std::string& path);

}  // namespace hosttest
