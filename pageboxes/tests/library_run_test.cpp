// The box library as plughost keeps it: loaded from the stored values when
// the tool starts, saved back under fresh serials and positions when the
// editing ends, values of other writers and odd ones included.
#include <gtest/gtest.h>

#include <algorithm>

#include "plughost_runs.h"

namespace {

using framewicktest::Sample;
using framewicktest::Values;

const std::string kToggle = "button Zent:QFXToolTB\nbutton Zent:QFXToolTB\nquit\n";

Values Twelve(const char* serial, bool renumbered) {
  Values out;
  for (int i = 0; i < 12; ++i) {
    const std::string position = (i < 10 ? "0" : "") + std::to_string(i);
    out.push_back({std::string("BoxLibrary|") + serial + " P|" + position + " S" + std::to_string(i) + "|TrimBox",
                   renumbered ? "1|0|612|792" : "1|0|612.0|792"});
  }
  return out;
}

TEST(LibraryRun, TheLibraryIsSavedUnderFreshSerialsAndPositions) {
  const Values magazine = {{"BoxLibrary|7 Mag|1 Back|TrimBox", "1|0|612|792"},
                           {"BoxLibrary|7 Mag|0 Cover|TrimBox", "1|1|612|792"},
                           {"BoxLibrary|7 Mag|0 Cover|BleedBox", "1|1|630|810"}};
  const Values renumbered = {{"BoxLibrary|0 Mag|0 Cover|BleedBox", "1|1|630|810"},
                             {"BoxLibrary|0 Mag|0 Cover|TrimBox", "1|1|612|792"},
                             {"BoxLibrary|0 Mag|1 Back|TrimBox", "1|0|612|792"}};
  const struct {
    const char* what;
    Values seeded;
    std::string script;
    Values saved;
  } rows[] = {
      {"the tool switched on and off", magazine, kToggle, renumbered},
      {"the only document closed", magazine, "button Zent:QFXToolTB\nclose\nquit\n", renumbered},
      {"never used: nothing loaded or saved", magazine, "quit\n", magazine},
      // Thirteen serials given out, the highest 12: two digits each.
      {"twelve specifications", Twelve("3", false), kToggle, Twelve("00", true)},
      {"letter case, odd fields, another writer's key",
       {{"BoxLibrary|0 Mag|0 A|TrimBox", "1|0|612|792"},
        {"BoxLibrary|1 mag|0 B|TrimBox", "1|1|"},
        {"BoxLibrary|2 Mag|0|BleedBox", "0|1|10.5|20.25"},
        {"boxlibrary|1 X|0 Y|TrimBox", "1|1|1|1"}},
       kToggle,
       {{"BoxLibrary|0 Mag|0 A|TrimBox", "1|0|612|792"},
        {"BoxLibrary|0 Mag|1 |BleedBox", "0|1|10.5|20.25"},
        {"BoxLibrary|2 mag|0 B|TrimBox", "1|1|0|0"},
        {"boxlibrary|1 X|0 Y|TrimBox", "1|1|1|1"}}},
      {"no box name: an empty library, nothing written", {{"BoxLibrary|0 P|0 S", "1|1|1|1"}}, kToggle, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    hosttest::TempDir settings;
    framewicktest::Seed(settings.path(), row.seeded);
    auto run = framewicktest::Run(settings.path(), {Sample("boxes")}, row.script);
    EXPECT_EQ(run.status, 0) << run.err;
    Values expected = row.saved;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(framewicktest::LibraryValues(settings.path()), expected);
  }
}

}  // namespace
