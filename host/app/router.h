// A stand-in for another vendor's batch router (`--fake-router`): the table
// "CALS_BPRouter" through which its clients report, and the router's side
// of a query and of a run request, printed as ROUTER lines.
#pragma once
#include <string>

#include "app/session.h"

namespace plughost {

// Publishes the router's table; its messages become event lines of `out`.
void StartFakeRouter(Transcript& out);
// `router query` and `router run ACTION`: "" when sent, else why it was not.
std::string RouterStep(const Step& step, Transcript& out);

}  // namespace plughost
