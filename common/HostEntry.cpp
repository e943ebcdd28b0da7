#include "common/HostEntry.h"

#include <exception>
#include <string>

#include "common/AcrobatException.h"
#include "common/HostCall.h"
#include "host/piglue.h"

void NoteCaught() {
  std::string text;
  try {
    throw;
  } catch (const Zentu::AcrobatException& e) {
    text = e.Display();
  } catch (const std::exception& e) {
    text = e.what();
  } catch (...) {
    text = "An unknown error occurred.";
  }
  HostCallQuietly([&] { AVAlertNote(text.c_str()); });
}
