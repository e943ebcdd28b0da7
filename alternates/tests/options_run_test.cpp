// The image options dialog and the batch router's client as plughost runs
// Glimmerset: the dialog's items and states from the stored set, what OK and
// Cancel store, and a fake router's query, runs and reports.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <regex>
#include <string>
#include <vector>

#include "plughost_runs.h"

namespace {

using alternatestest::RunGlimmerset;
using alternatestest::Sample;

class OptionsRunTest : public ::testing::Test {
 protected:
  void Seed(const std::string& values) {
    ::mkdir(settings_.File("registry").c_str(), 0700);
    hosttest::WriteFile(settings_.File("registry/current_user.txt"),
                        "plughost registry 1\n[Software\\Zentu\\Glimmerset\\Current_Version]\n" + values);
  }
  hosttest::ProcessResult Run(const std::vector<std::string>& args, const std::string& script) {
    return RunGlimmerset(settings_.path(), args, script);
  }
  std::string Stored(const std::string& key) {
    const std::string hive = hosttest::ReadFile(settings_.File("registry/current_user.txt"));
    const size_t at = hive.find("\"" + key + "\" sz \"");
    return at == std::string::npos ? "none" : hive.substr(at + key.size() + 7, hive.find('"', at + key.size() + 7) - at - key.size() - 7);
  }

  hosttest::TempDir settings_, work_;
};

// Each "print dialog" listing, in order.
std::vector<std::string> Listings(const std::string& out) {
  std::vector<std::string> listings;
  for (size_t at = out.find("ITEMS "); at != std::string::npos; at = out.find("ITEMS ", at + 1))
    listings.push_back(out.substr(at, out.find("ITEMS ", at + 1) - at));
  return listings;
}

TEST_F(OptionsRunTest, TheDialogShowsTheSetFollowsTheUserAndStoresOnlyOnOK) {
  const struct {
    std::string seed, menu, steps;
    std::vector<std::vector<std::string>> listed;  // lines each listing holds
    std::vector<std::pair<std::string, std::string>> stored;
  } rows[] = {
      {"", "CreateAltsMI", "print dialog\nchoose 9 Flate\nprint dialog\nchoose 8 None\nprint dialog\nchoose 9 JPEG\n"
       "print dialog\ncheck 4 on\nset 7 25\nprint dialog\npress OK\n",
       {{"ITEMS 131 \"Alternate Image Options\"", "  3 radio button \"&Specify resolution to be\" on",
         "  6 edit \"72\"\n", "  23 scrolling popup list \"dpi\"\n", "  7 edit \"50\" disabled",
         "  8 scrolling popup list \"Use Original\"\n", "  9 scrolling popup list \"Use Original\"\n",
         "  11 scrolling popup list \"High\"\n", "  10 check box \"ASCII Format\" off", "  14 radio button \"All images\" on",
         "  15 edit \"72\" disabled", "  16 edit \"512\" disabled", "  17 scrolling popup list \"dpi\" disabled"},
        {"  11 scrolling popup list \"High\" disabled"},
        {"  11 scrolling popup list \"High\" disabled"},
        {"  11 scrolling popup list \"High\"\n"},
        {"  3 radio button \"&Specify resolution to be\" off", "  4 radio button \"Calc&ulate resolution to be\" on",
         "  6 edit \"72\" disabled", "  7 edit \"25\"\n"}},
       {{"ALTS:ScaleMethod", "1"}, {"ALTS:Factor", "0.250000"}, {"ALTS:CTCT", "7"}, {"ALTS:MCT", "1"}}},
      {"\"ALTS:ScaleMethod\" sz \"2\"\n", "CreateAltsMI", "print dialog\ncheck 3 on\nset 6 300\npress Cancel\n",
       {{"  5 radio button \"Don't change resolution\" on", "  6 edit \"72\" disabled", "  7 edit \"50\" disabled",
         "  23 scrolling popup list \"dpi\" disabled"}},
       {{"ALTS:ScaleMethod", "2"}, {"ALTS:DPU", "none"}}},  // Cancel changes nothing
      {"\"ORIG:CTCT\" sz \"4\"\n\"ORIG:MCT\" sz \"7\"\n\"ORIG:JpegQuality\" sz \"1\"\n", "ModImagesMI",
       "print dialog\npress OK\n",
       {{"ITEMS 131 \"Modify Image Options\"", "  8 scrolling popup list \"Use Original\"\n",
         "  9 scrolling popup list \"Use Original\"\n", "  11 scrolling popup list \"Low\" disabled"}},
       {{"ORIG:CTCT", "0"}, {"ORIG:MCT", "0"}, {"ORIG:JpegQuality", "1"}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.menu + " " + row.seed);
    Seed(row.seed);
    hosttest::ProcessResult run = Run({Sample("images")}, "menu zent:Glimmerset" + row.menu + "\n" + row.steps);
    EXPECT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> listings = Listings(run.out);
    ASSERT_EQ(listings.size(), row.listed.size()) << run.out;
    for (size_t i = 0; i < listings.size(); ++i)
      for (const std::string& line : row.listed[i]) EXPECT_NE(listings[i].find(line), std::string::npos) << i << line;
    for (const auto& value : row.stored) EXPECT_EQ(Stored(value.first), value.second) << value.first;
  }
}

const char kClient[] = "{524, \"EVLS\", 1, \"zent_Glimmerset\", \"Glimmerset\"}";
const char kRouter[] = "{524, \"EVLS\", 1, \"CALS_BPRouter\", \"CALS_BPRouter\"}";
std::string Done(const char* code, int flag, const std::string& message) {
  return std::string("ROUTER ") + code + " from " + kClient + " to " + kRouter + " flag " + std::to_string(flag) +
         " message \"" + message + "\"\n";
}

// The client says hello, lists its actions, takes one job at a time and
// reports its end on the idle round after the one that ran it.
TEST_F(OptionsRunTest, AFakeRouterQueriesRunsAndHearsHowEachJobEnded) {
  const std::string hello = std::string("ROUTER 0x42434901 from ") + kClient + " to none\n";
  const std::string status = std::string("ROUTER 0x42434906 from ") + kClient + " to " + kRouter + " datum copy\n";
  const std::string locked = work_.File("locked.pdf");
  ASSERT_EQ(hosttest::RunCommand("qpdf --encrypt u o 256 --modify=none -- " + hosttest::Quoted(Sample("images")) +
                                 " " + hosttest::Quoted(locked)),
            0);
  const std::string saved = work_.File("saved.pdf");
  const struct {
    std::vector<std::string> args;
    std::string script, out;
  } rows[] = {
      {{}, "router query\nrouter run \"Create Alternates\"\nidle 2\n",
       hello + "ROUTER answer 0\nROUTER actions 96 \"Create Alternates\" \"Remove Alternates\" \"Modify Images\"\n"
               "ROUTER types 4 \"PDF\" 4 \"PDF\" 4 \"PDF\"\nROUTER answer 0\n" +
           Done("0x42434905", 16, "The handle does not refer to a live object")},
      {{Sample("images")},
       "router run \"Create Alternates\"\nrouter run \"Create Alternates\"\nidle\nidle\nrouter run Foo\nidle 2\n"
       "save " + saved + "\n",
       hello + "ROUTER answer 0\nROUTER answer 4\n" + status + Done("0x42434904", 0, "") + "ROUTER answer 0\n" +
           Done("0x42434905", 16, "Unknown action \\\"Foo\\\"") + "SAVED: " + saved + "\n"},
      {{"--password", "u", locked}, "router run \"Remove Alternates\"\nidle\nanswer password cancel\nidle\n",
       hello + "ROUTER answer 0\nPASSWORD: locked.pdf -> cancel\n"
               "NOTE: You must enter the corrrect password in order to modify this document.\n" +
           status + Done("0x42434904", 0, "")},
  };
  for (const auto& row : rows) {
    std::vector<std::string> args = {"--brief", "--fake-router"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    hosttest::ProcessResult run = Run(args, row.script);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, row.out) << row.script;
  }
  EXPECT_EQ(hosttest::RunCommand("qpdf --check " + hosttest::Quoted(saved) + " >/dev/null"), 0);
  // Im1 has one marked alternate, resampled to its largest placement (page 2).
  std::string shown;
  std::smatch im1, alternate;
  hosttest::RunCommand("qpdf --json --json-key=pages " + hosttest::Quoted(saved), &shown);
  ASSERT_TRUE(std::regex_search(shown, im1, std::regex("\"name\": \"/Im1\",\\s*\"object\": \"(\\d+) 0 R\""))) << shown;
  hosttest::RunCommand("qpdf --show-object=" + im1[1].str() + " " + hosttest::Quoted(saved), &shown);
  ASSERT_TRUE(std::regex_search(shown, alternate,
                                std::regex("/Alternates \\[ << /Image (\\d+) 0 R /ZNTUAltSet /ZNTUAltSetName >> \\]")))
      << shown;
  hosttest::RunCommand("qpdf --show-object=" + alternate[1].str() + " " + hosttest::Quoted(saved), &shown);
  EXPECT_NE(shown.find("/Height 216"), std::string::npos) << shown;
  EXPECT_NE(shown.find("/Width 216"), std::string::npos) << shown;

  // The colour layer's refusal ends the job, which is reported; the next is taken.
  Seed("\"ALTS:ConvertColors\" sz \"1\"\n\"ALTS:CCRGB\" sz \"1\"\n");
  hosttest::ProcessResult colour = Run({"--brief", "--fake-router", Sample("images")},
                                       "router run \"Create Alternates\"\nidle 2\nrouter run \"Create Alternates\"\n");
  EXPECT_EQ(colour.status, 0) << colour.err;
  EXPECT_EQ(colour.out, hello + "ROUTER answer 0\n" + Done("0x42434905", 16, "Color conversion is not implemented.") +
                            "ROUTER answer 0\n");

  hosttest::ProcessResult run = Run({}, "router query\n");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("router query: there is no batch router; give --fake-router"), std::string::npos) << run.err;
}

}  // namespace
