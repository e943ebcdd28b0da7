// Two sessions of the editor on one settings folder: what one stores while
// the other is open outlives the other's end, and the other's own changes
// are stored beside it.
#include <gtest/gtest.h>

#include "plughost_runs.h"

namespace {

using framewicktest::Sample;
using framewicktest::Values;

// A `plughost boxes` run kept open at the palette (its steps as the shortcut
// writes them, the palette moved) while a second session adds a publication
// of two specifications in the library dialog and ends; then the first ends.
TEST(SharedSettingsRuns, ALibraryStoredMeanwhileOutlivesAnEarlierBoxesRun) {
  const Values seeded[] = {{}, {{"BoxLibrary|0 Mag|0 Cover|TrimBox", "1|1|612|792"}}};
  for (const Values& library : seeded) {
    SCOPED_TRACE(library.size());
    hosttest::TempDir settings;
    framewicktest::Seed(settings.path(), library);
    hosttest::ProcessResult script = hosttest::RunProcess(
        {PLUGHOST, "boxes", Sample("boxes"), "--pages", "1", "--print-script"}, "", framewicktest::kRunBound);
    ASSERT_EQ(script.status, 0) << script.err;
    const std::string steps = script.out.substr(0, script.out.rfind("quit\n"));

    hosttest::LiveProcess boxes({PLUGHOST, "--plugins", framewicktest::PluginFolder(), "--settings", settings.path(),
                                 Sample("boxes"), "--interactive", "--brief"},
                                framewicktest::kRunBound);
    boxes.Send(steps + "move 300 40\nprint item 1038 READY\n");
    ASSERT_TRUE(boxes.WaitFor("READY:")) << boxes.Finish().err;

    hosttest::ProcessResult dialog = framewicktest::Run(
        settings.path(), {Sample("boxes"), "--brief"},
        "tool Zent:QFXTool\nwith 102\npress Library...\npress Add publ.\npress Add spec.\npress Cancel\nquit\n");
    ASSERT_EQ(dialog.status, 0) << dialog.err;
    const Values stored = framewicktest::LibraryValues(settings.path());
    EXPECT_EQ(stored.size(), library.size() + 6);

    boxes.Send("quit\n");
    hosttest::ProcessResult ended = boxes.Finish();
    EXPECT_EQ(ended.status, 0) << ended.err;
    EXPECT_EQ(framewicktest::LibraryValues(settings.path()), stored);
    EXPECT_EQ(framewicktest::StoredValues(settings.path())["Dialog|Boxes|Bounds"].compare(0, 7, "300,40,"), 0);
  }
}

}  // namespace
