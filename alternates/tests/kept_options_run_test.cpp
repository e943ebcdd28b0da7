// `plughost images --keep-options` beside other runs on one settings folder:
// each run stores the option values it set and keeps those others stored,
// and a run whose options could not be stored says so in its status.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "plughost_runs.h"
#include "win/registry.h"

namespace {

const char kKey[] = "Software\\Zentu\\Glimmerset\\Current_Version";

class KeptOptionsRuns : public ::testing::Test {
 protected:
  KeptOptionsRuns() {
    // One 64 x 64 gray image placed 16 points wide: 288 dpi, quick to convert.
    std::string pixels;
    for (int i = 0; i < 64 * 64; ++i) pixels += static_cast<char>(i * 5);
    hosttest::PdfSpec spec;
    spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Resources << /XObject << /Im0 5 0 R >> >> "
                    "/Contents 4 0 R >>",
                    "stream:|q 16 0 0 16 10 10 cm /Im0 Do Q",
                    "stream:/Type /XObject /Subtype /Image /Width 64 /Height 64 /ColorSpace /DeviceGray "
                    "/BitsPerComponent 8|" + pixels};
    hosttest::WriteFile(Document(), hosttest::MakePdf(spec));
    ::mkdir(settings_.File("registry").c_str(), 0700);
    hosttest::WriteFile(Hive(), "plughost registry 1\n[Software\\Zentu\\Glimmerset\\Current_Version]\n"
                                "\"ORIG:DPU\" sz \"22.000000\"\n\"X:Other\" sz \"kept\"\n");
  }
  std::string Document() const { return work_.File("one-image.pdf"); }
  std::string Hive() const { return settings_.File("registry/current_user.txt"); }
  static const std::string& Alone() {
    static const hosttest::PluginsFolder alone({GLIMMERSET_PLUGIN});
    return alone.path();
  }
  std::vector<std::string> Images(std::vector<std::string> args) const {
    args.insert(args.begin(), {PLUGHOST, "images", Document()});
    args.insert(args.end(), {"--plugins", Alone(), "--settings", settings_.path()});
    return args;
  }
  std::string Stored(const std::string& name) const { return StoredIn(hosttest::ReadFile(Hive()), name); }
  static std::string StoredIn(const std::string& file, const std::string& name) {
    host::reg::Hive hive;
    std::string why;
    if (!host::reg::Parse(file, &hive, &why)) return "(" + why + ")";
    const host::reg::Value* v = hive[kKey].Find(name);
    return v ? v->data.substr(0, v->data.find('\0')) : "(none)";
  }

  hosttest::TempDir settings_, work_;
};

// A session has "Create..." open while a kept --modify run stores ORIG:DPU;
// then the session's OK stores its ALTS set. Each keeps the other's values.
TEST_F(KeptOptionsRuns, ASessionAndAKeptRunKeepWhatTheOtherStored) {
  hosttest::LiveProcess session(
      {PLUGHOST, "--plugins", Alone(), "--settings", settings_.path(), Document(), "--interactive"},
      alternatestest::kRunBound);
  session.Send("menu zent:GlimmersetCreateAltsMI\n");
  ASSERT_TRUE(session.WaitFor("DIALOG 131")) << session.Finish().err;

  hosttest::ProcessResult kept =
      hosttest::RunProcess(Images({"--modify", "--resolution", "200", "--keep-options"}), "", alternatestest::kRunBound);
  EXPECT_EQ(kept.status, 0) << kept.err;
  EXPECT_EQ(Stored("ORIG:DPU"), "200.000000");

  session.Send("set 6 150\npress 1\nquit\n");
  hosttest::ProcessResult ended = session.Finish();
  EXPECT_EQ(ended.status, 0) << ended.err;
  EXPECT_NE(ended.out.find("CLOSED 131 1"), std::string::npos) << ended.out;
  EXPECT_EQ(Stored("ALTS:DPU"), "150.000000");
  EXPECT_EQ(Stored("ORIG:DPU"), "200.000000");
  EXPECT_EQ(Stored("X:Other"), "kept");
}

// Sixteen kept runs at once, half creating and half modifying, each with a
// resolution of its own, three of them changing one more option each, round
// after round: each set holds the value of one of the round's runs that set
// it, each option the one run changed it to (none writes back what it only
// read), and the value no run sets stays.
TEST_F(KeptOptionsRuns, SixteenRunsAtOnceKeepEveryValueTheyStored) {
  for (int round = 0; round < 10; ++round) {
    std::set<std::string> created, modified;
    std::vector<std::unique_ptr<hosttest::LiveProcess>> runs;
    const bool odd = round % 2;
    const std::vector<std::string> more[] = {{"--jpeg-quality", odd ? "Low" : "Medium"},
                                             {"--color", odd ? "Flate" : "LZW"},
                                             {},
                                             {"--mono", odd ? "LZW" : "Flate"}};
    for (int i = 0; i < 16; ++i) {
      const int dpi = 100 + round * 16 + i;
      (i % 2 ? modified : created).insert(std::to_string(dpi) + ".000000");
      std::vector<std::string> args = {i % 2 ? "--modify" : "--create-alternates", "--resolution", std::to_string(dpi),
                                       "--keep-options"};
      if (i < 4) args.insert(args.end(), more[i].begin(), more[i].end());
      runs.emplace_back(new hosttest::LiveProcess(Images(args), alternatestest::kRunBound));
    }
    for (auto& run : runs) {
      hosttest::ProcessResult result = run->Finish();
      ASSERT_EQ(result.status, 0) << "round " << round << ": " << result.err;
    }
    EXPECT_EQ(created.count(Stored("ALTS:DPU")), 1u) << "round " << round << ": " << Stored("ALTS:DPU");
    EXPECT_EQ(modified.count(Stored("ORIG:DPU")), 1u) << "round " << round << ": " << Stored("ORIG:DPU");
    EXPECT_EQ(Stored("ALTS:JpegQuality") + Stored("ORIG:CTCT") + Stored("ORIG:MCT"), odd ? "132" : "223") << round;
    EXPECT_EQ(Stored("X:Other"), "kept");
  }
}

// Without --keep-options the run's copy of the settings is kept in memory:
// no write and no sync reaches the disk, so a first write or sync that would
// fail fails nothing, and the settings stay as they were.
TEST_F(KeptOptionsRuns, TheRunsOwnCopyOfTheSettingsIsNeverWritten) {
  const std::string seeded = hosttest::ReadFile(Hive());
  for (const char* hook : {"PLUGHOST_FAIL_FILE=write:1:ENOSPC", "PLUGHOST_FAIL_FILE=sync:1:EIO"}) {
    SCOPED_TRACE(hook);
    std::vector<std::string> argv = {"/usr/bin/env", hook};
    for (const std::string& a : Images({"--modify", "--resolution", "150"})) argv.push_back(a);
    hosttest::ProcessResult run = hosttest::RunProcess(argv, "", alternatestest::kRunBound);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "IMAGES: 1 converted, 0 left as they were\nUNSAVED: the changes were not saved; give --output to keep them\n");
    EXPECT_EQ(hosttest::ReadFile(Hive()), seeded);
  }
}

// A kept run whose options do not reach the settings ends with status 2 and
// leaves them as they were; a failed write that a later one makes good is no
// failure. The full disk is a small tmpfs in a mount namespace of its own.
TEST_F(KeptOptionsRuns, OptionsThatCouldNotBeStoredEndTheRunWithStatus2) {
  const std::string note = "NOTE: Error writing key \"Software\\\\Zentu\\\\Glimmerset\\\\Current_Version\" to the registry\n";
  const std::string seeded = hosttest::ReadFile(Hive()), after = work_.File("after.txt");
  const std::string fullDisk =
      "mount -t tmpfs -o size=64k tmpfs \"$1\" || exit 99\n"
      "mkdir \"$1/registry\" && cp \"$2\" \"$1/registry/current_user.txt\" || exit 99\n"
      "dd if=/dev/zero of=\"$1/filler\" bs=1k 2>/dev/null\n"
      "dir=$1 after=$3\nshift 3\n\"$@\"\nstatus=$?\ncp \"$dir/registry/current_user.txt\" \"$after\"\nexit $status\n";
  // The run changes ORIG:DPU and ORIG:AsciiEncode, in that order: two writes.
  const struct {
    const char* what;
    std::vector<std::string> prefix;  // before plughost
    int status;
    std::string dpu;  // ORIG:DPU afterwards
  } rows[] = {
      {"the disk is full", {"/usr/bin/unshare", "-rm", "/bin/sh", "-c", fullDisk, "sh"}, 2, "22.000000"},
      {"the last of the set's writes fails", {"/usr/bin/env", "PLUGHOST_FAIL_FILE=write:2:ENOSPC"}, 2,
       "150.000000"},
      {"a later write takes what the first could not",
       {"/usr/bin/env", "PLUGHOST_FAIL_FILE=write:1:ENOSPC"}, 0, "150.000000"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    hosttest::WriteFile(Hive(), seeded);
    hosttest::TempDir mounted;
    std::vector<std::string> argv = row.prefix;
    const bool onTmpfs = argv.back() == "sh";
    if (onTmpfs) argv.insert(argv.end(), {mounted.path(), Hive(), after});
    for (const std::string& a : Images({"--modify", "--resolution", "150", "--which", "all", "--ascii", "--keep-options"}))
      argv.push_back(onTmpfs && a == settings_.path() ? mounted.path() : a);
    hosttest::ProcessResult run = hosttest::RunProcess(argv, "", alternatestest::kRunBound);
    if (onTmpfs && run.status == 99) {
      std::cout << "no tmpfs could be mounted here: " << run.err;
      continue;
    }
    EXPECT_EQ(run.status, row.status) << run.err;
    EXPECT_EQ(run.out.compare(0, note.size(), note), 0) << run.out;
    const std::string folder = onTmpfs ? mounted.path() : settings_.path();
    EXPECT_EQ(run.err, row.status ? "plughost: the options were not kept: the settings folder " + folder +
                                        " cannot be written: " + folder + "/registry/current_user.txt: No space left on device\n"
                                  : "");
    const std::string file = onTmpfs ? hosttest::ReadFile(after) : hosttest::ReadFile(Hive());
    EXPECT_EQ(StoredIn(file, "ORIG:DPU"), row.dpu);
    EXPECT_EQ(file == seeded, onTmpfs);
  }
}

}  // namespace
