// plughost's command line as a user types it, with every plug-in: outputs
// that would land on an input or on each other (through symbolic links,
// hard links, a bind mount) refused before anything runs, options written
// --opt=value, "--" and unknown options, the plug-ins' versions, memory that
// runs out in `images`, and each command reading its file about once.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "testing/pdfmaker.h"
#include "testing/processes.h"

namespace {

const double kBound = 120;  // seconds: a run that hangs is a fault
const std::string kSamples = SAMPLES_DIR;

class CommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"x1a-fixable", "x1a-good", "boxes", "images"})
      hosttest::WriteFile(Work(std::string(name) + ".pdf"), hosttest::ReadFile(kSamples + "/" + name + ".pdf"));
  }
  void TearDown() override {
    if (mounted_) ::umount(Work("mnt").c_str());
  }
  std::string Work(const std::string& name) const { return work_.File(name); }
  // plughost ARGS in the work folder, with a settings folder of its own.
  hosttest::ProcessResult Run(std::vector<std::string> args, const std::string& input = "") {
    std::vector<std::string> argv = {"/bin/sh", "-c", "cd \"$0\" && exec \"$@\"", work_.path(), PLUGHOST};
    argv.insert(argv.end(), args.begin(), args.end());
    return hosttest::RunProcess(argv, input, kBound);
  }
  std::string Settings() const { return settings_.path(); }
  // The work folder seen again under mnt/, when this machine lets a test
  // bind-mount one.
  bool BindMount() {
    if (mounted_) return true;
    ::mkdir(Work("mnt").c_str(), 0700);
    mounted_ = ::mount(work_.path().c_str(), Work("mnt").c_str(), nullptr, MS_BIND, nullptr) == 0;
    return mounted_;
  }

  hosttest::TempDir work_, settings_;
  bool mounted_ = false;
};

// Each output's landing place (the file its links lead to, or its folder
// and name when that file does not exist yet) against every input and
// every other output: a clash is one line, exit 2, and nothing is written.
// The report once went through a link to the output that did not exist yet
// and the save replaced it: SAVED, exit 0, no report anywhere; a picture
// went into the output the same way; a script's save replaced another open
// document's file.
TEST_F(CommandLineTest, OutputsThatWouldLandOnEachOtherAreRefused) {
  ASSERT_EQ(::symlink("out.pdf", Work("so.log").c_str()), 0);
  ASSERT_EQ(::symlink("so.log", Work("chain.log").c_str()), 0);
  for (const char* dir : {"outs", "reps"}) ASSERT_EQ(::mkdir(Work(dir).c_str(), 0700), 0);
  ASSERT_EQ(::symlink("../outs/x1a-good.pdf", Work("reps/x1a-good.log").c_str()), 0);
  ASSERT_EQ(::symlink("boxes.pdf", Work("outs/x1a-fixable.pdf").c_str()), 0);
  ASSERT_EQ(::symlink("out.pdf", Work("p-1.png").c_str()), 0);
  ASSERT_EQ(::symlink("q-1.png", Work("q-3.png").c_str()), 0);
  ASSERT_EQ(::symlink("boxes.pdf", Work("r-2.png").c_str()), 0);
  ASSERT_EQ(::symlink("x1a-good.pdf", Work("good-link.pdf").c_str()), 0);
  const std::string checkHelp = "; run \"plughost check --help\" for the options\n";
  const std::string reportOnOutput = "plughost: --report would overwrite the --output file out.pdf" + checkHelp;
  const std::vector<std::string> fix = {"check", "x1a-fixable.pdf", "--fix", "--output", "out.pdf", "--settings",
                                        Settings()};
  auto with = [](std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
  };
  struct Row {
    const char* name;
    std::vector<std::string> args;
    std::string err;
    bool mounted = false;  // needs the bind mount
  };
  const std::vector<Row> rows = {
      {"the report through a link to the output yet to be made", with(fix, {"--report", "so.log"}), reportOnOutput},
      {"through two links", with(fix, {"--report", "chain.log"}), reportOnOutput},
      {"the report in the output's folder seen through a bind mount", with(fix, {"--report", "mnt/out.pdf"}),
       reportOnOutput, true},
      {"the report on the input through a bind mount", with(fix, {"--report", "mnt/x1a-fixable.pdf"}),
       "plughost: --report would overwrite x1a-fixable.pdf" + checkHelp, true},
      {"several files: a report through a link to its own output",
       {"check", "x1a-good.pdf", "boxes.pdf", "--output", "outs", "--report", "reps", "--settings", Settings()},
       "plughost: --report would overwrite the --output file outs/x1a-good.pdf" + checkHelp},
      {"several files: two outputs one file through a link",
       {"check", "x1a-fixable.pdf", "boxes.pdf", "--output", "outs", "--settings", Settings()},
       "plughost: x1a-fixable.pdf and boxes.pdf would both write outs/boxes.pdf" + checkHelp},
      {"a picture through a link to the output yet to be made",
       {"boxes", "boxes.pdf", "--pages", "1", "--picture", "p", "--output", "out.pdf", "--settings", Settings()},
       "plughost: --picture p: p-1.png would overwrite the --output file out.pdf; give another name\n"},
      {"two pictures one file through a link",
       {"boxes", "boxes.pdf", "--pages", "1,3", "--picture", "q", "--settings", Settings()},
       "plughost: --picture q: q-3.png and q-1.png are one file; give another name\n"},
      {"a picture through a link to the document",
       {"boxes", "boxes.pdf", "--pages", "2", "--picture", "r", "--settings", Settings()},
       "plughost: --picture r: r-2.png is the document itself; give another name\n"},
      {"a script's save over another open document",
       {"--settings", Settings(), "x1a-good.pdf", "open boxes.pdf", "save x1a-good.pdf"},
       "plughost: cannot save x1a-good.pdf: it is the open document " + Work("x1a-good.pdf") + " (argument 3)\n"},
      {"through a link to it", {"--settings", Settings(), "x1a-good.pdf", "open boxes.pdf", "save good-link.pdf"},
       "plughost: cannot save good-link.pdf: it is the open document " + Work("x1a-good.pdf") + " (argument 3)\n"},
      {"through a bind mount", {"--settings", Settings(), "x1a-good.pdf", "open boxes.pdf", "save mnt/x1a-good.pdf"},
       "plughost: cannot save mnt/x1a-good.pdf: it is the open document " + Work("x1a-good.pdf") + " (argument 3)\n",
       true},
  };
  const std::string good = hosttest::ReadFile(Work("x1a-good.pdf")), boxes = hosttest::ReadFile(Work("boxes.pdf"));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.mounted && !BindMount()) {
      std::printf("(%s: this machine lets no test bind-mount a folder)\n", row.name);
      continue;
    }
    const hosttest::ProcessResult run = Run(row.args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, row.err);
    EXPECT_EQ(run.out.find("SAVED"), std::string::npos) << run.out;
    for (const char* written : {"out.pdf", "q-1.png", "outs/x1a-good.pdf", "outs/boxes.pdf", "outs/boxes.log"})
      EXPECT_FALSE(hosttest::FileExists(Work(written))) << written;
    EXPECT_EQ(hosttest::ReadFile(Work("x1a-good.pdf")), good);
    EXPECT_EQ(hosttest::ReadFile(Work("boxes.pdf")), boxes);
  }

  // The neighbours that are no clash still run: the report beside the
  // output, a script's save over the active document's own file, and
  // --output naming the input to replace it.
  const hosttest::ProcessResult beside = Run(with(fix, {"--report", "r.log"}));
  EXPECT_EQ(beside.status, 0) << beside.err;
  EXPECT_TRUE(hosttest::FileExists(Work("r.log")));
  EXPECT_TRUE(hosttest::FileExists(Work("out.pdf")));
  const hosttest::ProcessResult own = Run({"boxes.pdf", "open x1a-good.pdf", "save good-link.pdf", "--settings",
                                           Settings()});
  EXPECT_EQ(own.status, 0) << own.err;
  EXPECT_EQ(own.out, "SAVED: " + Work("good-link.pdf") + "\n");
  const hosttest::ProcessResult replaced =
      Run({"check", "x1a-fixable.pdf", "--fix", "--output", "x1a-fixable.pdf", "--settings", Settings()});
  EXPECT_EQ(replaced.status, 0) << replaced.err;
}

// --opt=value wherever --opt value is taken, with the same outcome; "--"
// ends the options, so that a file may be named "-q.pdf"; an argument that
// starts with "-" and names no option is refused wherever it stands (it was
// taken as a file to check); a value given to an option that takes none is
// refused too.
TEST_F(CommandLineTest, OptionsAreTakenAsLinuxUsersTypeThem) {
  hosttest::WriteFile(Work("-q.pdf"), hosttest::ReadFile(Work("x1a-good.pdf")));
  hosttest::WriteFile(Work("steps.txt"), "print pref 39\n");
  const std::string s = Settings();
  const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> twins = {
      {{"check", "x1a-good.pdf", "--settings=" + s}, {"check", "x1a-good.pdf", "--settings", s}},
      {{"check", "x1a-fixable.pdf", "--standard=PDF/X-3", "--fix", "--report=r.log", "--settings=" + s},
       {"check", "x1a-fixable.pdf", "--standard", "PDF/X-3", "--fix", "--report", "r.log", "--settings", s}},
      {{"boxes", "boxes.pdf", "--pages=2-3", "--unit=mm", "--set=trim=10,10,100,200", "--settings=" + s},
       {"boxes", "boxes.pdf", "--pages", "2-3", "--unit", "mm", "--set", "trim=10,10,100,200", "--settings", s}},
      {{"images", "images.pdf", "--modify", "--resolution=72", "--color=JPEG", "--which=dpi:50", "--print-script"},
       {"images", "images.pdf", "--modify", "--resolution", "72", "--color", "JPEG", "--which", "dpi:50",
        "--print-script"}},
      {{"--pref=39=2", "--script=steps.txt", "--settings=" + s, "boxes.pdf"},
       {"--pref", "39=2", "--script", "steps.txt", "--settings", s, "boxes.pdf"}},
      {{"check", "--settings=" + s, "--", "-q.pdf"}, {"check", "x1a-good.pdf", "--settings", s}},
  };
  for (const auto& twin : twins) {
    SCOPED_TRACE(twin.first[1]);
    const hosttest::ProcessResult equals = Run(twin.first), spaced = Run(twin.second);
    EXPECT_EQ(equals.status, spaced.status);
    EXPECT_EQ(equals.out, spaced.out);
    EXPECT_EQ(equals.err, spaced.err);
    EXPECT_NE(spaced.out, "");
  }

  const std::string help = "; run \"plughost check --help\" for the options\n";
  const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
      {{"check", "x1a-good.pdf", "-q"}, "plughost: unknown option -q" + help},
      {{"-q", "check", "x1a-good.pdf"}, "plughost: unknown option -q" + help},
      {{"check", "-", "--frobnicate=1"}, "plughost: unknown option --frobnicate" + help},
      {{"check", "x1a-good.pdf", "--fix=yes"}, "plughost: --fix takes no value" + help},
      {{"boxes", "boxes.pdf", "-p", "1"}, "plughost: unknown option -p; run \"plughost boxes --help\" for the options\n"},
      {{"images", "images.pdf", "--modify", "--ascii=no"},
       "plughost: --ascii takes no value; run \"plughost images --help\" for the options\n"},
      {{"x1a-good.pdf", "print menus", "-x"}, "plughost: unknown option -x; run \"plughost --help\" for the options\n"},
  };
  for (const auto& row : refused) {
    SCOPED_TRACE(row.second);
    const hosttest::ProcessResult run = Run(row.first);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, row.second);
  }

  // Every plug-in tells its version.
  const hosttest::ProcessResult version = Run({"--version", "--settings", s});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "plughost 1.0\nZent:Framewick 3.01\nzent_Glimmerset 3.01\nZentu PDF/X Corvane 3 3.01\n");
}

// Memory that runs out while `images` converts, under limits from too little
// to enough (ulimit -v): the run ends with one line that says so, exit 2,
// nothing saved, or converts and saves; an image is never left with the
// plug-in's "Caught C++ exception during CosNewStream!" and the rest saved.
TEST_F(CommandLineTest, MemoryThatRunsOutInImagesEndsInOneLine) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizers reserve more address space than any limit here";
#endif
  hosttest::TempDir temp;
  const hosttest::PluginsFolder alone({GLIMMERSET_PLUGIN});
  const std::string limited = "cd \"$0\" && export TMPDIR=\"$1\" && ulimit -v $2 && shift 2 && exec \"$@\"";
  int ranOut = 0, saved = 0;
  for (int megabytes = 16; megabytes <= 72; megabytes += 4) {
    SCOPED_TRACE(std::to_string(megabytes) + " MB");
    const hosttest::ProcessResult run = hosttest::RunProcess(
        {"/bin/sh", "-c", limited, work_.path(), temp.path(), std::to_string(megabytes * 1024), PLUGHOST, "images",
         "images.pdf", "--modify", "--resolution", "72", "--output", "out.pdf", "--settings", Settings(),
         "--plugins", alone.path()},
        "", kBound);
    EXPECT_EQ(run.out.find("Caught C++ exception"), std::string::npos) << run.out;
    if (run.status == 1) {
      ++saved;
      EXPECT_TRUE(hosttest::FileExists(Work("out.pdf")));
      EXPECT_NE(run.out.find("IMAGES: 2 converted, 1 left as they were\n"), std::string::npos) << run.out;
    } else if (run.err.find("plughost: out of memory") != std::string::npos) {
      ++ranOut;
      EXPECT_EQ(run.status, 2);
      EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
      EXPECT_EQ(run.out.find("SKIPPED"), std::string::npos) << run.out;
      EXPECT_FALSE(hosttest::FileExists(Work("out.pdf")));
    } else {
      // Too little to load the libraries or the plug-in: the loader says so.
      EXPECT_EQ(run.out, "");
      EXPECT_NE(run.status, 0);
    }
    ::unlink(Work("out.pdf").c_str());
  }
  EXPECT_GT(ranOut, 0) << "no limit here lets the conversion start and run out";
  EXPECT_GT(saved, 0);
}

// The bytes a command's reads take from files (rchar), read once it has
// ended and before it is reaped.
long long BytesRead(const std::vector<std::string>& argv) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  siginfo_t info{};
  if (pid < 0 || ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0) return -1;
  const std::string io = hosttest::ReadFile("/proc/" + std::to_string(pid) + "/io");
  ::waitpid(pid, nullptr, 0);
  const size_t at = io.find("rchar: ");
  return at == std::string::npos ? -1 : std::atoll(io.c_str() + at + 7);
}

// Each command reads its file about once, whatever passes it makes over
// it (the scan at opening, the objects it reads, the data it converts, the
// save): what a run reads besides the file (plug-ins' settings, profiles)
// is the same for a small file and a large one, so the two runs' reads
// differ by the files' sizes, within 1.3x. The catalogue's run of `images`
// read it four times over, a check read each line of its cross-reference
// table in a block of its own (65 times the file), and `boxes` opened its
// document twice.
TEST_F(CommandLineTest, EachCommandReadsItsFileAboutOnce) {
  const std::vector<std::pair<const char*, std::string>> files = {
      {"catalogue-10.pdf", hosttest::MakeCataloguePdf(10)},
      {"catalogue-2000.pdf", hosttest::MakeCataloguePdf(2000)},
      {"pages-40.pdf", hosttest::MakePagesPdf(40)},
      {"pages-4000.pdf", hosttest::MakePagesPdf(4000)}};
  for (const auto& file : files) hosttest::WriteFile(Work(file.first), file.second);
  struct Row {
    std::vector<std::string> args;  // "@" for the file
    const char *small, *large;
  };
  const std::vector<Row> rows = {
      {{"images", "@", "--modify", "--resolution", "75", "--output", Work("out.pdf")}, "catalogue-10.pdf",
       "catalogue-2000.pdf"},
      {{"images", "@", "--create-alternates", "--resolution", "75", "--output", Work("out.pdf")}, "catalogue-10.pdf",
       "catalogue-2000.pdf"},
      {{"check", "@"}, "catalogue-10.pdf", "catalogue-2000.pdf"},
      {{"check", "@"}, "pages-40.pdf", "pages-4000.pdf"},
      {{"boxes", "@", "--pages", "40"}, "pages-40.pdf", "pages-4000.pdf"},
      {{"@", "print pref 39"}, "pages-40.pdf", "pages-4000.pdf"},
  };
  for (const Row& row : rows) {
    auto reads = [&](const char* name) {
      std::vector<std::string> argv = {PLUGHOST};
      for (const std::string& arg : row.args) argv.push_back(arg == "@" ? Work(name) : arg);
      argv.insert(argv.end(), {"--settings", Settings()});
      return BytesRead(argv);
    };
    const long long grown = reads(row.large) - reads(row.small);
    const long long more = static_cast<long long>(hosttest::ReadFile(Work(row.large)).size() -
                                                  hosttest::ReadFile(Work(row.small)).size());
    SCOPED_TRACE(row.args.front() + " " + row.args.back() + " of " + row.large);
    EXPECT_GT(grown, more / 2);
    EXPECT_LE(grown, more * 13 / 10) << "the larger file's run reads " << grown << " bytes more for " << more;
  }
}

}  // namespace
