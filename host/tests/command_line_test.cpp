// plughost's command line as a user types it, with every plug-in: outputs
// landing on each other, options, memory that runs out, the reads it makes.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "testing/pdfmaker.h"
#include "testing/processes.h"

namespace {

using hosttest::ProcessResult;
using Args = std::vector<std::string>;

class CommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const std::string name : {"x1a-fixable", "x1a-good", "boxes", "images"})
      hosttest::WriteFile(Work(name + ".pdf"), hosttest::ReadFile(SAMPLES_DIR "/" + name + ".pdf"));
  }
  void TearDown() override {
    if (mounted_) ::umount(Work("mnt").c_str());
  }
  std::string Work(const std::string& name) const { return work_.File(name); }
  // plughost ARGS in the work folder (its temporary files too), with a
  // settings folder of its own given first as --settings=DIR, under ulimit -v.
  ProcessResult Run(const Args& args, const std::string& limit = "unlimited") {
    Args argv = {"/bin/sh", "-c", "cd \"$0\" && export TMPDIR=\"$0\" && ulimit -v $1 && shift && exec \"$@\"",
                 work_.path(), limit, PLUGHOST, "--settings=" + settings_.path()};
    argv.insert(argv.end(), args.begin(), args.end());
    return hosttest::RunProcess(argv, "", 120);
  }

  hosttest::TempDir work_, settings_;
  bool mounted_ = false;
};

// Where each output lands (through links, or its folder under another name
// when it does not exist yet) against every input and other output: a clash
// is one line, exit 2, nothing written. A report or a picture went through a
// link into the output yet to be made; a script's save replaced another
// open document's file.
TEST_F(CommandLineTest, OutputsThatWouldLandOnEachOtherAreRefused) {
  for (const char* dir : {"outs", "mnt"}) ASSERT_EQ(::mkdir(Work(dir).c_str(), 0700), 0);
  mounted_ = ::mount(work_.path().c_str(), Work("mnt").c_str(), nullptr, MS_BIND, nullptr) == 0;
  if (!mounted_) std::printf("(this machine lets no test bind-mount a folder)\n");
  for (const auto& link : std::vector<std::pair<std::string, std::string>>{{"out.pdf", "so.log"},
           {"boxes.pdf", "outs/x1a-fixable.pdf"}, {"out.pdf", "p-1.png"}, {"q-1.png", "q-3.png"},
           {"boxes.pdf", "r-2.png"}, {"x1a-good.pdf", "good-link.pdf"}})
    ASSERT_EQ(::symlink(link.first.c_str(), Work(link.second).c_str()), 0);
  const std::string help = "; run \"plughost check --help\" for the options\n", name = "; give another name\n";
  auto fix = [](const std::string& report) {
    return Args{"check", "x1a-fixable.pdf", "--fix", "--output", "out.pdf", "--report", report};
  };
  const struct { Args args; std::string err; } rows[] = {
      {fix("so.log"), "--report would overwrite the --output file out.pdf" + help},
      {fix("mnt/out.pdf"), "--report would overwrite the --output file out.pdf" + help},  // the folder renamed
      {{"check", "x1a-fixable.pdf", "boxes.pdf", "--output", "outs"},
       "x1a-fixable.pdf and boxes.pdf would both write outs/boxes.pdf" + help},
      {{"boxes", "boxes.pdf", "--pages", "1", "--picture", "p", "--output", "out.pdf"},
       "--picture p: p-1.png would overwrite the --output file out.pdf" + name},
      {{"boxes", "boxes.pdf", "--pages", "1,3", "--picture", "q"}, "--picture q: q-3.png and q-1.png are one file" + name},
      {{"boxes", "boxes.pdf", "--pages", "2", "--picture", "r"}, "--picture r: r-2.png is the document itself" + name},
      {{"x1a-good.pdf", "open boxes.pdf", "save good-link.pdf"},
       "cannot save good-link.pdf: it is the open document " + Work("x1a-good.pdf") + " (argument 3)\n"},
  };
  for (const auto& row : rows) {
    if (!mounted_ && row.args.back() == "mnt/out.pdf") continue;
    SCOPED_TRACE(row.err);
    const ProcessResult run = Run(row.args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "plughost: " + row.err);
    for (const char* out : {"out.pdf", "q-1.png", "outs/boxes.pdf"}) EXPECT_FALSE(hosttest::FileExists(Work(out)));
    for (const std::string in : {"x1a-good.pdf", "boxes.pdf"})
      EXPECT_EQ(hosttest::ReadFile(Work(in)), hosttest::ReadFile(SAMPLES_DIR "/" + in)) << in;
  }
  // No clash: the report beside the output; a save over the active document's own file.
  for (const Args& args : {fix("r.log"), Args{"boxes.pdf", "open x1a-good.pdf", "save good-link.pdf"}})
    EXPECT_EQ(Run(args).status, 0) << args.back();
  EXPECT_TRUE(hosttest::FileExists(Work("r.log")) && hosttest::FileExists(Work("out.pdf")));
}

// --opt=value as --opt value (every run gives --settings=DIR before its
// command); "--" ends the options, so that a file may be named "-q.pdf"; an
// argument that starts with "-" and names no option is refused wherever it
// stands (it was taken as a file), as is a value to an option that takes none.
TEST_F(CommandLineTest, OptionsAreTakenAsLinuxUsersTypeThem) {
  hosttest::WriteFile(Work("-q.pdf"), hosttest::ReadFile(Work("x1a-good.pdf")));
  const std::pair<Args, Args> twins[] = {
      {{"boxes", "boxes.pdf", "--pages=2-3", "--unit=mm", "--set=trim=10,10,100,200"},
       {"boxes", "boxes.pdf", "--pages", "2-3", "--unit", "mm", "--set", "trim=10,10,100,200"}},
      {{"check", "--standard=PDF/X-3", "--report=r.log", "--", "-q.pdf"},
       {"check", "--standard", "PDF/X-3", "--report", "r.log", "--", "-q.pdf"}},
  };
  for (const auto& twin : twins) {
    const ProcessResult equals = Run(twin.first), spaced = Run(twin.second);
    EXPECT_EQ(equals.status, spaced.status) << twin.first[0];
    EXPECT_EQ(equals.out, spaced.out);
    EXPECT_NE(spaced.out, "");
  }
  for (const auto& row : std::vector<std::pair<Args, std::string>>{
           {{"check", "x1a-good.pdf", "-q"}, "unknown option -q; run \"plughost check --help\""},
           {{"images", "images.pdf", "--modify", "--ascii=no"}, "--ascii takes no value; run \"plughost images --help\""},
           {{"x1a-good.pdf", "print menus", "-x"}, "unknown option -x; run \"plughost --help\""}}) {
    const ProcessResult run = Run(row.first);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "plughost: " + row.second + " for the options\n");
  }
  const ProcessResult version = Run({"--version"});  // every plug-in's
  EXPECT_EQ(version.out, "plughost 1.0\nZent:Framewick 3.01\nzent_Glimmerset 3.01\nZentu PDF/X Corvane 3 3.01\n");
}

// Memory that runs out while `images` converts, under limits from too
// little to enough: one line that says so, exit 2, nothing saved; or all
// converted and saved. Never the plug-in's "Caught C++ exception during
// CosNewStream!" with the rest saved.
TEST_F(CommandLineTest, MemoryThatRunsOutInImagesEndsInOneLine) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizers reserve more address space than any limit here";
#endif
  const hosttest::PluginsFolder alone({GLIMMERSET_PLUGIN});
  int ranOut = 0, saved = 0;
  for (int megabytes = 16; megabytes <= 72; megabytes += 4) {
    SCOPED_TRACE(std::to_string(megabytes) + " MB");
    const ProcessResult run = Run({"images", "images.pdf", "--modify", "--resolution", "72", "--output", "out.pdf",
                                   "--plugins", alone.path()}, std::to_string(megabytes * 1024));
    EXPECT_EQ(run.out.find("Caught C++ exception"), std::string::npos) << run.out;
    EXPECT_EQ(hosttest::FileExists(Work("out.pdf")), run.status == 1);
    EXPECT_NE(run.status, 0);  // not even when too little to load the libraries
    if (run.status == 1) {
      ++saved;
      EXPECT_NE(run.out.find("IMAGES: 2 converted, 1 left as they were\n"), std::string::npos) << run.out;
    } else if (run.err.find("plughost: out of memory") == 0) {
      ++ranOut;
      EXPECT_EQ(run.status, 2);
      EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
      EXPECT_EQ(run.out.find("SKIPPED"), std::string::npos) << run.out;
    }
    ::unlink(Work("out.pdf").c_str());
  }
  EXPECT_GT(ranOut, 0) << "no limit here lets the conversion start and run out";
  EXPECT_GT(saved, 0);
}

// Each command reads its file about once, whatever passes it makes over it:
// a large file's run reads more than a small one's by about the files'
// difference (what else a run reads is alike). `images` read the catalogue
// four times over, a check read each line of its cross-reference table in a
// block of its own (65 times the file), `boxes` opened its document twice.
TEST_F(CommandLineTest, EachCommandReadsItsFileAboutOnce) {
  const std::string small = hosttest::MakeCataloguePdf(10), large = hosttest::MakeCataloguePdf(2000);
  hosttest::WriteFile(Work("small.pdf"), small);
  hosttest::WriteFile(Work("large.pdf"), large);
  const long long more = static_cast<long long>(large.size() - small.size());
  for (const Args& args : {Args{"images", "--modify", "--resolution", "75", "--output", Work("out.pdf")},
                           Args{"check"}, Args{"boxes", "--pages", "1"}}) {
    // The shell's reads once it has reaped plughost hold plughost's (rchar).
    auto reads = [&](const std::string& file) {
      Args argv = {"/bin/sh", "-c", "\"$@\" >/dev/null 2>&1; cat /proc/$$/io", "sh", PLUGHOST, "--settings",
                   settings_.path()};
      argv.insert(argv.end(), args.begin(), args.end());
      argv.push_back(Work(file));
      const std::string io = hosttest::RunProcess(argv, "", 120).out;
      return std::atoll(io.c_str() + io.find("rchar: ") + 7);
    };
    const long long grown = reads("large.pdf") - reads("small.pdf");
    EXPECT_GT(grown, more / 2) << args[0];
    EXPECT_LE(grown, more * 13 / 10) << args[0] << ": the larger file's run reads " << grown << " bytes more for " << more;
  }
}

}  // namespace
