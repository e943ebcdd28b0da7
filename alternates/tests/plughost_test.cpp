#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "alternates/tests/plughost_runs.h"

namespace {

// The collection's and the conversion's, without their values.
const char kProgress[] =
    "PROGRESS begin\nPROGRESS duration 3\nPROGRESS end\nPROGRESS begin\nPROGRESS duration 2613708\nPROGRESS end\n"
    "PROGRESS begin\nPROGRESS duration 6\nPROGRESS end\nPROGRESS begin\nPROGRESS duration 5\nPROGRESS end\n";

// Glimmerset alone, on the samples, with settings of its own.
TEST(GlimmersetImagesRunTest, AboutShowsItsPicturesAndCollectingShowsItsProgress) {
  const struct {
    std::vector<std::string> steps;
    std::string out;
    bool brief;
  } rows[] = {
      {{"menu zent:GlimmersetAboutMI", "print dialog", "press 1"},
       "DIALOG 129 \"About Glimmerset\"\nITEMS 129 \"About Glimmerset\"\n  7 picture static \"bitmap 7\"\n"
       "  6 picture static \"bitmap 6\"\n  1 push button \"OK\"\nCLOSED 129 1\n",
       false},
      {{"menu zent:GlimmersetCreateAltsMI", "press OK"},
       std::string("DIALOG 131 \"Alternate Image Options\"\nCLOSED 131 1\n") + kProgress, false},
      {{"menu zent:GlimmersetCreateAltsMI", "press OK"}, "", true},  // left out as DIALOG lines are
  };
  for (const auto& row : rows) {
    hosttest::TempDir home;
    std::vector<std::string> args = {alternatestest::Sample("images")};
    if (row.brief) args.insert(args.begin(), "--brief");
    std::string script;
    for (const std::string& step : row.steps) script += step + "\n";
    hosttest::ProcessResult run = alternatestest::RunGlimmerset(home.path(), args, script);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(std::regex_replace(run.out, std::regex("PROGRESS (value \\d+|text .*)\n"), ""), row.out) << row.steps.back();
  }
}

}  // namespace
