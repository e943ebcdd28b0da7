// `plughost images` on the images sample: the files it writes read back by
// qpdf and pdfimages, and the command lines it refuses.
#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <regex>
#include <string>
#include <vector>

#include "plughost_runs.h"

namespace {

using alternatestest::Sample;

// Each image XObject of `pdf` by qpdf's JSON, by object number: its
// dictionary without /Length and /Alternates, samples, size, alternates.
struct Image {
  std::string dict, samples, size;
  std::vector<int> alternates;
};
std::map<int, Image> Images(const std::string& pdf) {
  std::string json;
  EXPECT_EQ(hosttest::RunCommand("qpdf --json=2 --json-key=qpdf " + hosttest::Quoted(pdf), &json), 0);
  std::map<int, Image> images;
  const std::regex key("\"obj:(\\d+) 0 R\": \\{\\s*\"stream\""), length("\\s*\"/Length\": [^,\\n]*,?");
  const std::regex alternates("\\s*\"/Alternates\": \\[[^\\]]*\\],?"), image("\"/Image\": \"(\\d+) 0 R\"");
  const std::regex size("\"/Height\": (\\d+)[\\s\\S]*\"/Width\": (\\d+)");
  for (std::sregex_iterator it(json.begin(), json.end(), key), end; it != end; ++it) {
    size_t at = static_cast<size_t>(it->position() + it->length()), close = at;
    for (int depth = 1; depth > 0; ++close) depth += json[close] == '{' ? 1 : json[close] == '}' ? -1 : 0;
    const std::string dict = json.substr(at, close - at);
    if (dict.find("\"/Subtype\": \"/Image\"") == std::string::npos) continue;
    Image& found = images[std::stoi((*it)[1])];
    for (std::sregex_iterator a(dict.begin(), dict.end(), image); a != end; ++a) found.alternates.push_back(std::stoi((*a)[1]));
    found.dict = std::regex_replace(std::regex_replace(dict, alternates, ""), length, "");
    std::smatch m;
    if (std::regex_search(found.dict, m, size)) found.size = m[2].str() + "x" + m[1].str();
    hosttest::RunCommand("qpdf --show-object=" + (*it)[1].str() + " --filtered-stream-data " + hosttest::Quoted(pdf),
                         &found.samples);
  }
  return images;
}

class ImagesCommandTest : public ::testing::Test {
 protected:
  ImagesCommandTest() {
    ::mkdir(settings_.File("registry").c_str(), 0700);
    hosttest::WriteFile(Hive(), "plughost registry 1\n[Software\\Zentu\\Glimmerset\\Current_Version]\n"
                                "\"ALTS:AsciiEncode\" sz \"1\"\n\"ALTS:DPU\" sz \"300.000000\"\n");
  }
  std::string Hive() const { return settings_.File("registry/current_user.txt"); }
  hosttest::ProcessResult Run(std::vector<std::string> args) {
    static const hosttest::PluginsFolder alone({GLIMMERSET_PLUGIN});
    args.insert(args.begin(), {PLUGHOST, "images"});
    args.insert(args.end(), {"--plugins", alone.path(), "--settings", settings_.path()});
    return hosttest::RunProcess(args, "", alternatestest::kRunBound);
  }
  hosttest::TempDir settings_, work_;
};

// Create at 72 dpi for every image, remove what it made, modify in place
// at 72 dpi (which then takes only the images it makes smaller): each
// output checked by qpdf, its images by qpdf's JSON and by pdfimages.
TEST_F(ImagesCommandTest, CreateRemoveAndModifyWriteWhatTheOptionsAsk) {
  const std::string images = Sample("images"), created = work_.File("created.pdf"), removed = work_.File("removed.pdf"),
                    modified = work_.File("modified.pdf"), hive = hosttest::ReadFile(Hive());
  // Im7, drawn nowhere, gets no size from a resolution: exit status 1.
  const std::string skipped = "SKIPPED: page 1, object 8: it is drawn nowhere, so the resolution gives it no size\n";
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out;
  } runs[] = {
      {{images, "--create-alternates", "--resolution", "72", "--which", "all", "--output", created}, 1,
       skipped + "IMAGES: 5 converted, 1 left as they were\n"},
      {{created, "--remove-alternates", "--output", removed}, 0, "IMAGES: 5 alternates removed\n"},
      {{images, "--modify", "--color", "jpeg", "--resolution", "72", "--keep-options", "--output", modified}, 1,
       skipped + "IMAGES: 2 converted, 1 left as they were\n"}};
  for (const auto& r : runs) {
    const std::vector<std::string>& run = r.args;
    hosttest::ProcessResult result = Run(run);
    EXPECT_EQ(result.status, r.status) << result.err;
    EXPECT_EQ(result.out, r.out + "SAVED: " + run.back() + "\n");
    EXPECT_EQ(hosttest::RunCommand("qpdf --check " + hosttest::Quoted(run.back()) + " >/dev/null"), 0) << run.back();
    // Only the run with --keep-options stores the set it ran with.
    EXPECT_EQ(hosttest::ReadFile(Hive()) == hive, &r != &runs[2]);
  }
  EXPECT_NE(hosttest::ReadFile(Hive()).find("\"ORIG:CTCT\" sz \"7\""), std::string::npos);

  // The alternates' sizes, by the original's: its placed size at 72 dpi;
  // Im1 by its larger placement (page 2), Im4 by its box on the page (the
  // form's doubled); Im7 is not drawn.
  const std::map<std::string, std::string> sizes = {{"600x600", "216x216"}, {"4x1", "288x72"}, {"8x8", "72x72"},
                                                    {"100x100", "100x100"}, {"16x16", "72x72"}};
  const std::map<int, Image> before = Images(images), after = Images(created), restored = Images(removed);
  std::multimap<std::string, std::string> originals, back;
  for (const auto& i : before) originals.emplace(i.second.dict, i.second.samples);
  for (const auto& i : restored) back.emplace(i.second.dict, i.second.samples);
  EXPECT_EQ(back, originals);
  std::map<std::string, std::string> made;
  for (const auto& i : after) {
    if (i.second.alternates.empty()) continue;
    ASSERT_EQ(i.second.alternates.size(), 1u) << i.second.dict;
    const Image& alternate = after.at(i.second.alternates[0]);  // not ASCII, as stored: no --ascii
    made[i.second.size] = alternate.size + (alternate.dict.find("ASCII") == std::string::npos ? "" : " ASCII");
    const auto original = originals.find(i.second.dict);
    EXPECT_TRUE(original != originals.end() && original->second == i.second.samples) << i.second.dict;
  }
  EXPECT_EQ(made, sizes);

  // Page, encoding, x-ppi and y-ppi of each image drawn: Im1 and Im4 at 72
  // ppi where they are largest, as JPEG; the others, below 72 ppi, as they were.
  std::string list;
  hosttest::RunCommand("pdfimages -list " + hosttest::Quoted(modified) + " | tail -n +3 | awk '{print $1, $9, $13, $14}'",
                       &list);
  EXPECT_EQ(list, "1 jpeg 108 108\n1 image 1 1\n1 image 8 8\n1 image 16 16\n2 jpeg 72 72\n3 jpeg 72 72\n");
}

// Command lines refused before anything runs, and the script of one that
// is not; a refusal of the plug-in is no success.
TEST_F(ImagesCommandTest, FaultsStopTheRunAndTheScriptShowsTheSteps) {
  const std::string images = Sample("images"), out = work_.File("out.pdf"), locked = work_.File("locked.pdf");
  ASSERT_EQ(hosttest::RunCommand("qpdf --encrypt u o 256 --modify=none -- " + images + " " + locked), 0);
  const std::string hive = hosttest::ReadFile(Hive());
  // Each row: the arguments, the exit status, standard output (0) or the
  // reason that begins standard error (2).
  const struct { std::vector<std::string> args; int status; std::string text; } rows[] = {
      {{images, "--modify", "--color", "Packbits"}, 2,
       "--color \"Packbits\": the entries are \"Use Original\", \"None\", \"LZW\", \"JPEG\" and \"Flate\";"},
      {{images, "--create-alternates", "--mono", "jpeg"}, 2, "--mono \"jpeg\": the entries are \"Use Original\""},
      {{images, "--create-alternates", "--resolution", "0"}, 2, "--resolution 0: give a number above 0"},
      {{images, "--create-alternates", "--which", "dpi:7x"}, 2, "--which dpi:7x: give a number above 0"},
      {{images, "--modify", "--remove-alternates"}, 2, "--modify and --remove-alternates do not go together"},
      {{images, "--remove-alternates", "--ascii"}, 2, "--ascii does not go with --remove-alternates"},
      {{images, "--modify", "--color", "Flate", "--jpeg-quality", "Low"}, 2, "--jpeg-quality goes with --color"},
      {{images, "--output", out}, 2, "images needs --create-alternates, --modify or --remove-alternates"},
      {{images, "--modify", "--output", "out.txt"}, 2,
       "--output out.txt: the name must end in \".pdf\"; run \"plughost images --help\" for the options"},
      {{images, "--modify", "--output", work_.File("none/o.pdf")}, 2,
       "cannot write the output into " + work_.File("none") + ": No such file or directory"},
      {{locked, "--password", "u", "--remove-alternates", "--output", out}, 2,
       "the images were not changed: You must enter the corrrect password"},
      {{locked, "--password", "u", "--modify"}, 2, "the options dialog did not open: You must enter"},
      {{images, "--modify", "--percent", "25", "--mono", "ccitt g4", "--color", "use original", "--jpeg-quality", "low",
        "--which", "kb:0", "--ascii", "--output", out, "--print-script"}, 0,
       "always password cancel\nmenu zent:GlimmersetModImagesMI\nexpect dialog 131\ncheck 4 on\nset 7 25\n"
       "choose 8 \"CCITT G4\"\nchoose 9 \"Use Original\"\nchoose 11 \"Low\"\ncheck 10 on\ncheck 13 on\nset 16 0\n"
       "press 1\nsave \"" + out + "\"\nquit\n"},
      // A resolution without --which takes the images it makes smaller.
      {{images, "--create-alternates", "--resolution", "150", "--print-script"}, 0,
       "always password cancel\nmenu zent:GlimmersetCreateAltsMI\nexpect dialog 131\ncheck 3 on\nset 6 150\n"
       "choose 23 dpi\ncheck 10 off\ncheck 12 on\nset 15 150\nchoose 17 dpi\npress 1\nquit\n"},
  };
  for (const auto& row : rows) {
    hosttest::ProcessResult run = Run(row.args);
    EXPECT_EQ(run.status, row.status) << row.text;
    // A fault is one line, the reason.
    const bool said = row.status == 0 ? run.out == row.text
                                      : run.err.rfind("plughost: " + row.text, 0) == 0 && run.err.find('\n') + 1 == run.err.size();
    EXPECT_TRUE(said) << run.out << run.err;
    EXPECT_NE(::access(out.c_str(), F_OK), 0);
  }
  EXPECT_EQ(hosttest::ReadFile(Hive()), hive);
}

}  // namespace
