// `plughost images` as a user runs it, on the images sample: the files it
// writes read back by qpdf and pdfimages, and the command lines it refuses
// before anything runs.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "plughost_runs.h"

namespace {

using alternatestest::Sample;

// One object's text in `qpdf --json` output: the braces after its key.
std::string JsonObject(const std::string& json, size_t at) {
  const size_t open = json.find('{', at);
  int depth = 0;
  for (size_t i = open; i < json.size(); ++i) {
    depth += json[i] == '{' ? 1 : json[i] == '}' ? -1 : 0;
    if (depth == 0) return json.substr(open, i - open + 1);
  }
  return "";
}

// An image XObject as qpdf reads it: its dictionary without /Length, its
// decoded samples and its alternate images' numbers.
struct Image {
  std::string dict, samples;
  std::vector<int> alternates;
};

// Every image XObject of `pdf`, by object number; /Alternates is left out
// of `dict`.
std::map<int, Image> Images(const std::string& pdf) {
  std::string json;
  EXPECT_EQ(hosttest::RunCommand("qpdf --json=2 --json-key=qpdf " + hosttest::Quoted(pdf), &json), 0);
  std::map<int, Image> images;
  const std::regex key("\"obj:(\\d+) 0 R\": \\{\\s*\"stream\""), length("\\s*\"/Length\": [^,\\n]*,?");
  const std::regex alternates("\\s*\"/Alternates\": \\[[^\\]]*\\],?"), image("\"/Image\": \"(\\d+) 0 R\"");
  for (std::sregex_iterator it(json.begin(), json.end(), key), end; it != end; ++it) {
    std::string dict = JsonObject(json, static_cast<size_t>(it->position() + it->length()));
    if (dict.find("\"/Subtype\": \"/Image\"") == std::string::npos) continue;
    Image& found = images[std::stoi((*it)[1])];
    std::smatch list;
    if (std::regex_search(dict, list, alternates)) {
      const std::string text = list.str();
      for (std::sregex_iterator a(text.begin(), text.end(), image); a != end; ++a)
        found.alternates.push_back(std::stoi((*a)[1]));
    }
    found.dict = std::regex_replace(std::regex_replace(dict, alternates, ""), length, "");
    hosttest::RunCommand("qpdf --show-object=" + (*it)[1].str() + " --filtered-stream-data " + hosttest::Quoted(pdf),
                         &found.samples);
  }
  return images;
}

std::string Entry(const Image& image, const std::string& key) {
  std::smatch m;
  return std::regex_search(image.dict, m, std::regex("\"/" + key + "\": (\\d+)")) ? m[1].str() : "";
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
  std::string Out(const std::string& name) { return work_.File(name); }

  hosttest::TempDir settings_, work_;
};

// Create at 72 dpi, remove what it made, modify in place: each output
// checked by qpdf, its images by qpdf's JSON and by pdfimages.
TEST_F(ImagesCommandTest, CreateRemoveAndModifyWriteWhatTheOptionsAsk) {
  const std::string images = Sample("images"), created = Out("created.pdf"), removed = Out("removed.pdf"),
                    modified = Out("modified.pdf"), hive = hosttest::ReadFile(Hive());
  const struct {
    std::vector<std::string> args;
    std::string output;
  } runs[] = {
      {{images, "--create-alternates", "--resolution", "72", "--output", created}, created},
      {{created, "--remove-alternates", "--output", removed}, removed},
      {{images, "--modify", "--color", "jpeg", "--resolution", "72", "--keep-options", "--output", modified}, modified},
  };
  for (const auto& run : runs) {
    hosttest::ProcessResult result = Run(run.args);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "SAVED: " + run.output + "\n");
    EXPECT_EQ(hosttest::RunCommand("qpdf --check " + hosttest::Quoted(run.output) + " >/dev/null"), 0) << run.output;
    // Only the run with --keep-options stores the set it ran with.
    EXPECT_EQ(hosttest::ReadFile(Hive()) == hive, &run != &runs[2]);
  }
  EXPECT_NE(hosttest::ReadFile(Hive()).find("\"ORIG:CTCT\" sz \"7\""), std::string::npos);

  // The alternates' sizes, by the original's: its placed size at 72 dpi;
  // Im1 by its first placement, Im4 by its form's box, Im7 not drawn.
  const std::map<std::string, std::string> sizes = {{"600x600", "144x144"}, {"4x1", "288x72"}, {"8x8", "72x72"},
                                                    {"100x100", "50x50"},   {"16x16", "72x72"},  {"10x10", ""}};
  const std::map<int, Image> before = Images(images), after = Images(created), restored = Images(removed);
  std::multimap<std::string, std::string> originals, back;
  for (const auto& i : before) originals.emplace(i.second.dict, i.second.samples);
  for (const auto& i : restored) back.emplace(i.second.dict, i.second.samples);
  EXPECT_EQ(back, originals);
  size_t kept = 0;
  for (const auto& i : after) {
    const Image& image = i.second;
    const auto size = sizes.find(Entry(image, "Width") + "x" + Entry(image, "Height"));
    if (image.alternates.empty()) continue;
    ++kept;
    ASSERT_NE(size, sizes.end()) << image.dict;
    EXPECT_NE(originals.find(image.dict), originals.end()) << image.dict;
    EXPECT_EQ(originals.find(image.dict)->second, image.samples) << image.dict;
    ASSERT_EQ(image.alternates.size(), 1u) << image.dict;
    const Image& alternate = after.at(image.alternates[0]);
    EXPECT_EQ(Entry(alternate, "Width") + "x" + Entry(alternate, "Height"), size->second) << image.dict;
  }
  EXPECT_EQ(kept, 5u);

  // Page, encoding, x-ppi and y-ppi of each image drawn: JPEG for the
  // colour and gray ones; Im3 has one bit, Im5 is indexed.
  std::string list;
  hosttest::RunCommand("pdfimages -list " + hosttest::Quoted(modified) + " | tail -n +3 | awk '{print $1, $9, $13, $14}'",
                       &list);
  EXPECT_EQ(list, "1 jpeg 72 72\n1 jpeg 72 72\n1 image 72 72\n1 image 72 72\n2 jpeg 48 48\n3 jpeg 36 36\n");
}

// Command lines refused before anything runs, and the script of one that
// is not; a refusal of the plug-in is no success.
TEST_F(ImagesCommandTest, FaultsStopTheRunAndTheScriptShowsTheSteps) {
  const std::string images = Sample("images"), out = Out("out.pdf"), locked = Out("locked.pdf");
  ASSERT_EQ(hosttest::RunCommand("qpdf --encrypt u o 256 --modify=none -- " + hosttest::Quoted(images) + " " +
                                 hosttest::Quoted(locked)),
            0);
  const std::string hive = hosttest::ReadFile(Hive());
  const struct {
    std::vector<std::string> args;
    int status;
    std::string text;  // standard output for status 0, else in standard error
  } rows[] = {
      {{images, "--modify", "--color", "Packbits"}, 2,
       "--color \"Packbits\": the entries are \"Use Original\", \"None\", \"LZW\", \"JPEG\" and \"Flate\";"},
      {{images, "--create-alternates", "--mono", "jpeg"}, 2, "--mono \"jpeg\": the entries are \"Use Original\""},
      {{images, "--create-alternates", "--jpeg-quality", "Best"}, 2, "--jpeg-quality \"Best\": the entries are"},
      {{images, "--create-alternates", "--resolution", "0"}, 2, "--resolution 0: give a number above 0"},
      {{images, "--create-alternates", "--which", "dpi:7x"}, 2, "--which dpi:7x: give a number above 0"},
      {{images, "--create-alternates", "--which", "px:7"}, 2, "--which px:7: give all, dpi:N or kb:N"},
      {{images, "--create-alternates", "--percent", "5", "--keep-resolution"}, 2, "--percent and --keep-resolution do"},
      {{images, "--modify", "--remove-alternates"}, 2, "--modify and --remove-alternates do not go together"},
      {{images, "--remove-alternates", "--ascii"}, 2, "--ascii does not go with --remove-alternates"},
      {{images, "--modify", "--color", "Flate", "--jpeg-quality", "Low"}, 2, "--jpeg-quality goes with --color"},
      {{images, "--output", out}, 2, "images needs --create-alternates, --modify or --remove-alternates"},
      {{images, "--modify", "--output", "out.txt"}, 2, "--output out.txt: the name must end in \".pdf\""},
      {{images, "--modify", "--report", "r.log"}, 2, "--report goes with check"},
      {{locked, "--password", "u", "--remove-alternates", "--output", out}, 2,
       "plughost: the images were not changed: You must enter the corrrect password"},
      {{locked, "--password", "u", "--modify"}, 2, "plughost: the options dialog did not open: You must enter"},
      {{images, "--modify", "--percent", "25", "--mono", "ccitt g4", "--color", "use original", "--jpeg-quality", "low",
        "--which", "kb:0", "--ascii", "--output", out, "--print-script"},
       0,
       "always password cancel\nmenu zent:GlimmersetModImagesMI\nexpect dialog 131\ncheck 4 on\nset 7 25\n"
       "choose 8 \"CCITT G4\"\nchoose 9 \"Use Original\"\nchoose 11 \"Low\"\ncheck 10 on\ncheck 13 on\nset 16 0\n"
       "press 1\nsave \"" + out + "\"\nquit\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.args[1] + " " + row.args.back());
    hosttest::ProcessResult run = Run(row.args);
    EXPECT_EQ(run.status, row.status);
    if (row.status == 0) {
      EXPECT_EQ(run.out, row.text);
    } else {
      EXPECT_NE(run.err.find(row.text), std::string::npos) << run.err;
      EXPECT_EQ(run.err.find("plughost: ", 1), std::string::npos) << run.err;
    }
    struct stat st {};
    EXPECT_NE(::stat(out.c_str(), &st), 0);
  }
  EXPECT_EQ(hosttest::ReadFile(Hive()), hive);
}

}  // namespace
