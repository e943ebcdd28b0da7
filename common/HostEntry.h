// Every procedure the host calls into a plug-in (menu items, buttons,
// tools, notifications, palette procedures) runs its body through Caught,
// so that nothing thrown reaches the host: it is shown as a note.
#pragma once

// Shows the exception in flight as a note: an AcrobatException's display
// form, another exception's text.
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
