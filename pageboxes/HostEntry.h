// Every procedure the host calls into the page-box editor (buttons, the
// menu item, the tool's callbacks, notifications, palette procedures)
// runs its body through Caught, so that nothing thrown (the integer -1 of
// a box's fault included) reaches the host: it is shown as a note.
#pragma once

// Shows the exception in flight as a note.
void NoteCaught();

// Runs the body; false when it threw.
template <class Body>
bool Caught(Body&& body) {
  try {
    body();
    return true;
  } catch (...) {
    NoteCaught();
    return false;
  }
}
