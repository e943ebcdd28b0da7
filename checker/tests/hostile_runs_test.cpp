// `plughost check` where things go wrong: a disk that fills during a save,
// damaged trailers and object numbers, unreadable profiles. Each run has its
// own working, temporary and settings folders; the samples are only read.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "plughost_runs.h"
#include "testing/pdfmaker.h"
#include "testing/processes.h"
#include "win/registry.h"

namespace {

using checkertest::Sample;

class HostileRunsTest : public ::testing::Test {
 protected:
  // plughost with `env` (NAME=VALUE words, or none) in its environment.
  hosttest::ProcessResult Run(const std::vector<std::string>& env, std::vector<std::string> args) {
    std::vector<std::string> argv = {"/bin/sh", "-c", "cd \"$0\" && TMPDIR=\"$1\" && export TMPDIR && shift && exec \"$@\"",
                                     work_.path(), temp_.path(), "env"};
    argv.insert(argv.end(), env.begin(), env.end());
    argv.insert(argv.end(), {PLUGHOST, "--plugins", checkertest::PluginFolder(), "--settings", settings_.path(), "check"});
    argv.insert(argv.end(), args.begin(), args.end());
    hosttest::ProcessResult run = hosttest::RunProcess(argv, "", checkertest::kRunBound);
    std::string left;
    hosttest::RunCommand("ls -A " + hosttest::Quoted(temp_.path()), &left);
    EXPECT_EQ(left, "") << "left in the temporary folder";
    return run;
  }
  // Leftovers of a save beside the file.
  std::string SaveLeftovers(const std::string& folder) {
    std::string out;
    hosttest::RunCommand("ls -A " + hosttest::Quoted(folder) + " | grep plughost-save", &out);
    return out;
  }
  // `script` run by sh in the working folder, its $1.. the temporary and
  // settings folders, plughost and `args`; $P the checker's plug-ins folder.
  int Shell(const std::string& script, const std::vector<std::string>& args) {
    std::string command = "P=" + hosttest::Quoted(checkertest::PluginFolder()) + " sh -c " +
                          hosttest::Quoted("cd \"$0\" && export TMPDIR=\"$1\" && " + script);
    for (const std::string& a : std::vector<std::string>{work_.path(), temp_.path(), settings_.path(), PLUGHOST})
      command += " " + hosttest::Quoted(a);
    for (const std::string& a : args) command += " " + hosttest::Quoted(a);
    return hosttest::RunCommand(command + " > /dev/null 2>&1");
  }
  std::string Work(const std::string& name) const { return work_.File(name); }
  hosttest::TempDir work_, temp_, settings_;
};

// Every write, the flush, the close and the sync of a save onto the file
// itself fail in turn: the file stays byte for byte as it was.
TEST_F(HostileRunsTest, ASaveThatFailsLeavesTheFileAsItWas) {
  const std::string original = hosttest::ReadFile(Sample("x3-good"));
  const std::string file = Work("x3.pdf");
  struct Step {
    const char* name;
    const char* code;
    const char* reason;
  };
  const Step steps[] = {{"write", "ENOSPC", "No space left on device"},
                        {"flush", "EIO", "Input/output error"},
                        {"sync", "ENOSPC", "No space left on device"},
                        {"close", "EIO", "Input/output error"}};
  for (const Step& step : steps) {
    for (int n = 1;; ++n) {
      SCOPED_TRACE(std::string(step.name) + " " + std::to_string(n));
      hosttest::WriteFile(file, original);
      std::string hook = std::string("PLUGHOST_FAIL_FILE=") + step.name + ":" + std::to_string(n) + ":" + step.code;
      // Not valid under PDF/X-1a:2001: the host's own save writes the file.
      hosttest::ProcessResult run = Run({hook}, {"x3.pdf", "--standard", "PDF/X-1a:2001", "--output", "x3.pdf"});
      EXPECT_EQ(SaveLeftovers(work_.path()), "");
      if (run.status != 2) {
        // Past the last write the save goes through: every one was tried.
        EXPECT_EQ(std::string(step.name), "write");
        EXPECT_GT(n, 1);
        EXPECT_NE(hosttest::ReadFile(file), original);
        break;
      }
      EXPECT_EQ(hosttest::ReadFile(file), original);
      // The verdict was shown: it stands, and the save failed for the system's reason.
      EXPECT_EQ(run.err, "plughost: the verdict stands, but saving " + file + " failed: " + step.reason + "\n");
      if (std::string(step.name) != "write") break;
      ASSERT_LT(n, 50) << "a save of the sample writes far fewer pieces";
    }
  }

  // The settings hive: the scratch copy is never written, so the store of
  // --keep-standard is the one write.
  ASSERT_EQ(Run({}, {Sample("x3-good"), "--standard", "PDF/X-3", "--keep-standard"}).status, 0);
  const std::string hive = hosttest::ReadFile(settings_.File("registry/current_user.txt"));
  for (const Step& step : steps) {
    if (std::string(step.name) == "flush") continue;  // written whole, not through a buffer
    SCOPED_TRACE(step.name);
    hosttest::WriteFile(settings_.File("registry/current_user.txt"), hive);
    std::string hook = std::string("PLUGHOST_FAIL_FILE=") + step.name + ":1:" + step.code;
    hosttest::ProcessResult run = Run({hook}, {Sample("x1a-good"), "--standard", "PDF/X-1a:2001", "--keep-standard"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.rfind("plughost: the standard was not stored: ", 0), 0u) << run.err;
    EXPECT_EQ(hosttest::ReadFile(settings_.File("registry/current_user.txt")), hive);
  }
}

// A save that fails once the verdict was shown, through the wizard's "Save"
// or the host's, for want of room or of memory, or refused by a document's
// security (without the owner password): the verdict stands, one line
// says why the save failed, exit 2; of several files, each RESULT line keeps
// its verdict. Nothing is written, and no temporary file is left; a report
// asked for on standard output is printed all the same.
TEST_F(HostileRunsTest, ASaveThatFailsAfterTheVerdictKeepsTheVerdict) {
  const std::string fixable = Sample("x1a-fixable"), font = Sample("rgb-font"), locked = Work("locked.pdf");
  ASSERT_EQ(hosttest::RunCommand("qpdf --allow-weak-crypto --encrypt '' owner 40 --modify=n -- " +
                                 hosttest::Quoted(fixable) + " " + hosttest::Quoted(locked)), 0);
  auto failed = [&](const std::string& file, const char* reason) {
    return "the verdict stands, but saving " + Work(file) + " failed: " + reason;
  };
  const struct {
    std::vector<std::string> args;
    const char* hook;
    std::string err;                 // the whole of standard error, for one file
    std::vector<std::string> lines;  // lines standard output holds
  } rows[] = {
      {{fixable, "--fix", "--output", "o.pdf", "--report", "-"},
       "write:1:ENOSPC",
       failed("o.pdf", "No space left on device"),
       {"VERDICT: Congratulations!\\nThis is a good PDF/X-1a:2001 file.\\n",
        "/Trapped key (must be \"True\" or \"False\")"}},
      {{fixable, "--fix", "--output", "o.pdf"}, "write:1:ENOMEM", failed("o.pdf", "out of memory"), {}},
      {{font, "--output", "o.pdf"}, "write:1:ENOMEM", failed("o.pdf", "out of memory"), {}},
      {{font, "--output", "o.pdf"}, "close:1:EIO", failed("o.pdf", "Input/output error"), {}},
      {{fixable, font, "--fix", "--output", "."}, "write:1:ENOSPC", "",
       {"RESULT: " + fixable + ": valid (" + failed("x1a-fixable.pdf", "No space left on device") + ")",
        "RESULT: " + font + ": not valid (" + failed("rgb-font.pdf", "No space left on device") + ")"}},
      {{locked, "--fix", "--output", "o.pdf"}, "", failed("o.pdf", "The document's security does not allow changes"),
       {"VERDICT: This file isn't a valid PDF/X-1a:2001 file.  There were 2 errors which can be fixed.  However, there "
        "was 1 error which can not be fixed.  \\nClick the \"Details...\" button for more information"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.args.back() + " " + row.hook);
    hosttest::ProcessResult run = Run({std::string("PLUGHOST_FAIL_FILE=") + row.hook}, row.args);  // "": none
    EXPECT_EQ(run.status, 2) << run.out;
    if (!row.err.empty()) {
      EXPECT_EQ(run.err, "plughost: " + row.err + "\n");
    }
    for (const std::string& line : row.lines) EXPECT_NE(run.out.find(line + "\n"), std::string::npos) << run.out;
    for (const char* written : {"o.pdf", "x1a-fixable.pdf", "rgb-font.pdf"}) EXPECT_FALSE(hosttest::FileExists(Work(written)));
    EXPECT_EQ(SaveLeftovers(work_.path()), "");
  }
}

// Memory that runs out while a document with a stream of 48 MB is saved,
// under limits from too little to enough (ulimit -v): every command that
// saves ends with one line saying so, exit 2, its target absent and nothing
// left beside it or in the temporary folder, or saves the stream whole. The
// library once wrote the stream cut short (exit 0), or ended the process
// through SIGABRT.
TEST_F(HostileRunsTest, MemoryThatRunsOutInASaveEndsInOneLine) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizers reserve more address space than any limit here";
#endif
  const size_t large = 48000000;
  hosttest::PdfSpec spec;
  spec.objects = {"<< /Type /Catalog /Pages 2 0 R /Extra 6 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                  "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
                  "/Resources << /XObject << /Im0 5 0 R >> >> >>",
                  "stream:|q 100 0 0 100 0 0 cm /Im0 Do Q",
                  "stream:/Type /XObject /Subtype /Image /Width 16 /Height 16 /ColorSpace /DeviceGray "
                  "/BitsPerComponent 8|" + std::string(256, '\x80'),
                  "stream:|" + std::string(large, 'x')};
  hosttest::WriteFile(Work("large.pdf"), hosttest::MakePdf(spec));
  // With the checker's plug-in alone, or ("") those beside plughost.
  const std::string checker = checkertest::PluginFolder();
  std::vector<std::pair<std::string, std::vector<std::string>>> rows = {
      {checker, {"large.pdf", "save out.pdf"}},
      {checker, {"check", "large.pdf", "--standard", "PDF/X-1a:2001", "--output", "out.pdf"}}};
#ifdef INSTALLS_EVERY_PLUGIN
  rows.push_back({"", {"boxes", "large.pdf", "--pages", "1", "--on", "trim", "--set", "trim=1,1,5,5", "--output",
                       "out.pdf"}});
  rows.push_back({"", {"images", "large.pdf", "--modify", "--keep-resolution", "--which", "all", "--output", "out.pdf"}});
#endif
  const std::string limited = "cd \"$0\" && export TMPDIR=\"$1\" && ulimit -v $2 && shift 2 && exec \"$@\"";
  for (const auto& row : rows) {
    int ranOut = 0, saved = 0;
    for (int megabytes : {64, 96, 128, 512}) {
      SCOPED_TRACE(row.second[0] + " under " + std::to_string(megabytes) + " MB");
      std::vector<std::string> argv = {"/bin/sh", "-c", limited, work_.path(), temp_.path(),
                                       std::to_string(megabytes * 1024), PLUGHOST, "--settings", settings_.path(),
                                       "--plugins", row.first};
      if (row.first.empty()) argv.resize(argv.size() - 2);
      argv.insert(argv.end(), row.second.begin(), row.second.end());
      const hosttest::ProcessResult run = hosttest::RunProcess(argv, "", checkertest::kRunBound);
      std::string scratch;
      hosttest::RunCommand("ls -A " + hosttest::Quoted(temp_.path()), &scratch);
      EXPECT_EQ(SaveLeftovers(work_.path()) + scratch, "");
      if (run.status == 0 || run.status == 1) {
        ++saved;
        EXPECT_GT(hosttest::ReadFile(Work("out.pdf")).size(), large);
      } else {
        ASSERT_EQ(run.status, 2) << run.err;
        EXPECT_FALSE(hosttest::FileExists(Work("out.pdf")));
        const size_t last = run.err.rfind("plughost: ", run.err.size() - 1);
        ASSERT_NE(last, std::string::npos) << run.err;
        EXPECT_NE(run.err.find("out of memory", last), std::string::npos) << run.err;
        ranOut += run.err.find("out.pdf", last) != std::string::npos;  // in the save, not before
      }
      ::unlink(Work("out.pdf").c_str());
    }
    EXPECT_GT(ranOut, 0) << "no limit here lets the save start and run out";
    EXPECT_GT(saved, 0);
  }
}

// Memory that runs out during a check (ulimit -v): no run ends by a signal
// (once SIGSEGV), one that ran out says so in its one line; with enough, a verdict.
TEST_F(HostileRunsTest, MemoryThatRunsOutInACheckSaysSo) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizers reserve more address space than any limit here";
#endif
  std::string operators;  // a record a page, naming 200 operators
  for (int i = 0; i < 200; ++i) operators += " o" + std::to_string(i);
  hosttest::WriteFile(Work("many.pdf"), hosttest::MakePagesPdf(2000, operators));
  int ranOut = 0;
  for (int megabytes : {24, 32, 40, 56, 72, 512}) {
    const hosttest::ProcessResult run = hosttest::RunProcess(
        {"/bin/sh", "-c", "cd \"$0\" && export TMPDIR=\"$1\" && ulimit -v $2 && shift 2 && exec \"$@\"", work_.path(),
         temp_.path(), std::to_string(megabytes * 1024), PLUGHOST, "--settings", settings_.path(), "--plugins",
         checkertest::PluginFolder(), "check", "many.pdf", "--standard", "PDF/X-1a:2001", "--quiet"},
        "", checkertest::kRunBound);
    const bool out = run.err == "plughost: the check gave no verdict: there is not enough memory\n";
    ranOut += out;
    EXPECT_TRUE(megabytes == 512 ? run.status == 1 : out ? run.status == 2 && run.out.find("VERDICT") == std::string::npos
                                                         : run.status >= 0)
        << megabytes << " MB: " << run.status << " " << run.err;
  }
  EXPECT_GT(ranOut, 0) << "no limit here lets the check start and run out";
}

// A real full disk: a small tmpfs, where the test may mount one.
TEST_F(HostileRunsTest, AFullDiskLosesNothing) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting needs root";
  hosttest::TempDir disk;
  if (hosttest::RunCommand("mount -t tmpfs -o size=160k tmpfs " + hosttest::Quoted(disk.path()) + " 2>/dev/null") != 0)
    GTEST_SKIP() << "tmpfs cannot be mounted here";
  const std::string original = hosttest::ReadFile(Sample("x3-good"));
  hosttest::WriteFile(disk.File("x3.pdf"), original);
  hosttest::ProcessResult save =
      Run({}, {disk.File("x3.pdf"), "--standard", "PDF/X-1a:2001", "--output", disk.File("x3.pdf")});
  EXPECT_EQ(save.status, 2);
  EXPECT_NE(save.err.find("No space left on device"), std::string::npos) << save.err;
  EXPECT_EQ(hosttest::ReadFile(disk.File("x3.pdf")), original);
  EXPECT_EQ(SaveLeftovers(disk.path()), "");

  // What is left is too little for the report: none is kept, the report
  // that stood there stays as it was, and the run says so.
  hosttest::WriteFile(disk.File("old.log"), "the report before");
  hosttest::WriteFile(disk.File("fill"), std::string(60 * 1024 - 512, 'x'));
  for (const char* name : {"r.log", "old.log"}) {
    hosttest::ProcessResult report = Run({}, {Sample("rgb-font"), "--report", disk.File(name)});
    EXPECT_EQ(report.status, 2);
    EXPECT_NE(report.err.find("no report was written"), std::string::npos) << report.err;
  }
  // Nor for the saved document: both failures are said.
  hosttest::ProcessResult both =
      Run({}, {Sample("x1a-fixable"), "--fix", "--output", disk.File("o.pdf"), "--report", disk.File("old.log")});
  EXPECT_EQ(both.status, 2);
  EXPECT_EQ(both.err, "plughost: the verdict stands, but saving " + disk.File("o.pdf") +
                          " failed: No space left on device; no report was written to " + disk.File("old.log") + "\n");
  EXPECT_FALSE(hosttest::FileExists(disk.File("r.log")) || hosttest::FileExists(disk.File("o.pdf")));
  EXPECT_EQ(hosttest::ReadFile(disk.File("old.log")), "the report before");
  EXPECT_EQ(SaveLeftovers(disk.path()), "");

  // A full temporary folder: the copy of the settings cannot be made, and
  // the line names the copy, not the settings.
  ::mkdir(settings_.File("registry").c_str(), 0700);
  hosttest::WriteFile(settings_.File("registry/current_user.txt"), "plughost registry 1\n" + std::string(200 * 1024, ';'));
  hosttest::ProcessResult copy = hosttest::RunProcess(
      {"/bin/sh", "-c", "export TMPDIR=\"$0\"; exec \"$@\"", disk.path(), PLUGHOST, "--plugins", checkertest::PluginFolder(),
       "--settings", settings_.path(), "check", Sample("x1a-good"), "--standard", "PDF/X-3"},
      "", checkertest::kRunBound);
  EXPECT_EQ(copy.status, 2);
  EXPECT_EQ(copy.err.rfind("plughost: cannot copy the settings folder " + settings_.path() + ": " + disk.path() +
                               "/plughost-settings-", 0), 0u) << copy.err;
  EXPECT_NE(copy.err.find("/registry/current_user.txt: No space left on device"), std::string::npos) << copy.err;
  hosttest::RunCommand("umount " + hosttest::Quoted(disk.path()));
}

// A damaged registry: a run on a copy of the settings (made in a temporary
// folder that may lie inside the settings folder itself, which the copy
// leaves out), or on the settings read before its session starts, names the
// settings folder's own file, sets it aside there and says so once.
TEST_F(HostileRunsTest, ADamagedRegistryIsNamedAndSetAsideWhereItIsKept) {
  const std::string hive = settings_.File("registry/current_user.txt"), inside = settings_.File("tmp");
  const std::pair<std::vector<std::string>, std::vector<std::string>> runs[] = {
      {{}, {Sample("x1a-good"), "--standard", "PDF/X-3"}},                   // a copy of the settings
      {{"TMPDIR=" + inside}, {Sample("x1a-good"), "--standard", "PDF/X-3"}},  // made inside them
      {{}, {Sample("x1a-good")}},  // a copy, for the standard the file claims
      {{}, {Sample("sample")}},    // the stored standard, read before the session
  };
  ::mkdir(settings_.File("registry").c_str(), 0700);
  ::mkdir(inside.c_str(), 0700);
  for (const auto& r : runs) {
    SCOPED_TRACE(r.second.back() + (r.first.empty() ? "" : " " + r.first[0]));
    hosttest::RunCommand("rm -f " + hosttest::Quoted(settings_.File("registry")) + "/*");
    hosttest::WriteFile(hive, "not a registry\n");
    hosttest::ProcessResult run = Run(r.first, r.second);
    EXPECT_NE(run.status, 2) << run.err;
    const std::string note = "NOTE: The registry file \"" + hive + "\" is damaged (it is not a plughost registry file). "
                             "It was set aside as \"" + hive + ".damaged-";
    EXPECT_EQ(run.out.rfind(note, 0), 0u) << run.out;
    EXPECT_EQ(run.out.find(note, 1), std::string::npos) << "once";
    std::string aside;
    hosttest::RunCommand("ls " + hosttest::Quoted(settings_.File("registry")) + "; ls -A " + hosttest::Quoted(inside), &aside);
    EXPECT_EQ(aside.rfind("current_user.txt.damaged-", 0), 0u) << aside;
    EXPECT_EQ(std::count(aside.begin(), aside.end(), '\n'), 1) << aside;
    EXPECT_EQ(hosttest::ReadFile(settings_.File("registry/" + aside.substr(0, aside.size() - 1))), "not a registry\n");
  }
}

// Damaged files whose repairs once ended without a saved file.
TEST_F(HostileRunsTest, RepairsOfDamagedFilesEndInASavedFile) {
  const std::string fixable = hosttest::ReadFile(Sample("x1a-fixable"));
  const std::string id = "/ID [<5A454E54552053414D504C4520303033> <5A454E54552053414D504C4520303033>]";
  ASSERT_NE(fixable.find(id), std::string::npos);
  auto withId = [&](const std::string& replacement) {
    std::string bytes = fixable;
    return bytes.replace(bytes.find(id), id.size(), "/ID " + replacement);
  };
  hosttest::PdfSpec stray;
  stray.objects = {"<< /Type /Catalog /Pages 2 0 R /ZStray 2147483647 0 R >>",
                   "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                   "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R >>",
                   "stream:|0 0 m 10 10 l S"};
  struct Row {
    const char* name;
    std::string bytes;
    bool valid;  // else the verdict may be either
  };
  const Row rows[] = {{"/ID of nulls", withId("[null null]"), true},
                      {"/ID with a null", withId("[<00> null]"), true},
                      {"/ID a string", withId("(abc)"), true},
                      {"object number 2^31-1, no /Info", hosttest::MakePdf(stray), false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    hosttest::WriteFile(Work("in.pdf"), row.bytes);
    ::unlink(Work("out.pdf").c_str());
    hosttest::ProcessResult run = Run({}, {"in.pdf", "--fix", "--output", "out.pdf"});
    EXPECT_EQ(run.out.find("An exception occurred in the host"), std::string::npos) << run.out;
    if (row.valid)
      EXPECT_EQ(run.status, 0) << run.out << run.err;
    else
      EXPECT_TRUE(run.status == 0 || run.status == 1) << run.out << run.err;
    if (!hosttest::FileExists(Work("out.pdf"))) {
      EXPECT_FALSE(row.valid);
      continue;
    }
    std::string checked;
    EXPECT_EQ(hosttest::RunCommand("qpdf --check " + hosttest::Quoted(Work("out.pdf")) + " 2>&1", &checked), 0)
        << checked;
    std::string saved = hosttest::ReadFile(Work("out.pdf"));
    size_t trailer = saved.rfind("/ID [<");
    EXPECT_NE(trailer, std::string::npos) << "a fresh /ID of two strings";
  }
}

// An unreadable destination profile, of four components or of one: "Fix
// all" replaces it by a profile the saved file passes with, under each
// standard, so the verdict after the repair is the saved file's verdict.
TEST_F(HostileRunsTest, UnreadableDestinationProfileIsReplaced) {
  for (const char* components : {"/N 4", "/N 1"}) {
    std::string zeroed = hosttest::ReadFile(Sample("x3-good"));
    const size_t dict = zeroed.find("/N 4 /Length 98330");
    ASSERT_NE(dict, std::string::npos);
    zeroed.replace(dict, 4, components);
    size_t data = zeroed.find("stream\n", dict) + 7;
    zeroed.replace(data, 98330, std::string(98330, '\0'));
    hosttest::WriteFile(Work("zeroed.pdf"), zeroed);
    for (const char* standard : {"PDF/X-3", "PDF/X-1a:2001"}) {
      SCOPED_TRACE(std::string(standard) + " " + components);
      hosttest::ProcessResult fixed =
          Run({}, {"zeroed.pdf", "--standard", standard, "--fix", "--output", "fixed.pdf", "--report", "-"});
      EXPECT_EQ(fixed.status, 0) << fixed.out << fixed.err;
      EXPECT_NE(fixed.out.find("ICC profile can't be read"), std::string::npos) << "the first check finds it";
      hosttest::ProcessResult again = Run({}, {"fixed.pdf", "--standard", standard, "--report", "-"});
      EXPECT_EQ(again.status, 0) << again.out;
      EXPECT_EQ(again.out.find("ICC profile"), std::string::npos) << again.out;
    }
  }
}

#if defined(__SANITIZE_ADDRESS__)
const int kRounds = 3;  // every run is several times slower there
#else
const int kRounds = 10;
#endif

// Runs sharing one settings folder with --keep-standard, the standards
// alternating: each checks against its own, and the settings stay readable.
TEST_F(HostileRunsTest, KeptStandardsOfConcurrentRunsDoNotMix) {
  ASSERT_EQ(Shell("for r in $(seq 1 $4); do for i in $(seq 1 16); do s=PDF/X-1a:2001; [ $((i % 2)) = 0 ] && s=PDF/X-3; "
                  "( \"$3\" --plugins \"$P\" --settings \"$2\" check \"$5\" --standard $s --keep-standard > run-$r-$i 2>&1; "
                  "echo \"status $? asked $s\" >> run-$r-$i ) & done; wait; done",
                  {std::to_string(kRounds), Sample("x3-good")}),
            0);
  for (int round = 1; round <= kRounds; ++round) {
    for (int i = 1; i <= 16; ++i) {
      std::string out = hosttest::ReadFile(Work("run-" + std::to_string(round) + "-" + std::to_string(i)));
      SCOPED_TRACE(out);
      std::string asked = i % 2 ? "PDF/X-1a:2001" : "PDF/X-3";
      size_t verdict = out.rfind("VERDICT: ");
      ASSERT_NE(verdict, std::string::npos);
      EXPECT_NE(out.find(" " + asked + " file", verdict), std::string::npos);
      EXPECT_NE(out.find(std::string("status ") + (i % 2 ? "1" : "0") + " asked " + asked), std::string::npos);
    }
  }
  host::reg::Hive hive;
  std::string why;
  EXPECT_TRUE(host::reg::Parse(hosttest::ReadFile(settings_.File("registry/current_user.txt")), &hive, &why)) << why;
}

// Runs ended by SIGINT, SIGTERM or SIGHUP at any moment take their scratch
// settings and temporary report with them; the leftovers of one killed
// outright go at the next run (Run looks at the temporary folder).
TEST_F(HostileRunsTest, RunsEndedBySignalsLeaveNothingBehind) {
  // A background job of sh would ignore SIGINT.
  const std::string run =
      "env --default-signal=INT \"$3\" --plugins \"$P\" --settings \"$2\" check \"$4\" --standard PDF/X-3 --report - & pid=$!; ";
  Shell("for b in $(seq 1 10); do for i in $(seq 1 10); do s=HUP; [ $((i % 3)) = 0 ] && s=INT; "
        "[ $((i % 3)) = 1 ] && s=TERM; ( " + run + "sleep 0.$(( (b * 7 + i * 13) % 30 )); kill -$s $pid; wait $pid ) & "
        "done; wait; done",
        {Sample("x3-good")});
  std::string left;
  hosttest::RunCommand("ls -A " + hosttest::Quoted(temp_.path()), &left);
  EXPECT_EQ(left, "");
  Shell(run + "for i in $(seq 1 3000); do [ -n \"$(ls -A \"$1\")\" ] && break; sleep 0.001; done; "
              "kill -KILL $pid; wait $pid",
        {Sample("x3-good")});
  EXPECT_EQ(Run({}, {Sample("x1a-good")}).status, 0);

  // Several files: the signal that ends plughost ends the check under way
  // too, here one waiting for a writer of its file.
  ASSERT_EQ(::mkfifo(Work("waits.pdf").c_str(), 0600), 0);
  const std::string several = "\"$3\" --settings \"$2\" check waits.pdf \"$4\" & pid=$!; ";
  for (const char* sig : {"TERM", "HUP"}) {
    SCOPED_TRACE(sig);
    EXPECT_EQ(Shell(several + "for i in $(seq 1 500); do c=$(pgrep -P $pid) && break; sleep 0.004; done; kill -" + sig +
                        " $pid; wait $pid; for i in $(seq 1 500); do read -r n name state rest < /proc/$c/stat && "
                        "[ $state != Z ] || exit 0; sleep 0.004; done 2>/dev/null; kill -KILL $c; exit 1",
                    {Sample("x1a-good")}),
              0)
        << "the check under way outlived plughost";
  }
}

// A save ended by SIGINT, SIGTERM or SIGHUP takes its temporary file with it,
// for any command; one killed outright leaves it to the next save into the
// same folder, which removes those of writers that are gone. Of several
// files, the check under way ends with plughost, killed outright too, and
// is gone with its files by the time plughost is.
TEST_F(HostileRunsTest, SavesEndedBySignalsLeaveNothingBehind) {
#if defined(__SANITIZE_ADDRESS__)
  const int objects = 30000;
#else
  const int objects = 150000;  // a save of a second or more
#endif
  hosttest::PdfSpec spec;
  spec.objects = {"<< /Type /Catalog /Pages 2 0 R /Extra 4 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                  "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>"};
  std::string all = "[";
  for (int i = 0; i < objects; ++i) all += std::to_string(5 + i) + " 0 R ";
  spec.objects.push_back(all + "]");
  for (int i = 0; i < objects; ++i) spec.objects.push_back("<< /N " + std::to_string(i) + " /T (some text) >>");
  hosttest::WriteFile(Work("big.pdf"), hosttest::MakePdf(spec));
  ASSERT_EQ(::mkdir(Work("out").c_str(), 0700), 0);
  // $4: the signal, sent once the save's temporary file is there.
  const std::string start = "{ env --default-signal=INT \"$3\" --plugins \"$P\" --settings \"$2\" ";
  // Then, once plughost has ended, its checks too (bounded).
  const std::string wait = " & pid=$!; for i in $(seq 1 20000); do ls -A out | grep -q plughost-save && break; "
                           "sleep 0.0005; done; kids=$(pgrep -P $pid); kill -$4 $pid; wait $pid; for k in $kids; do "
                           "for i in $(seq 1 500); do kill -0 $k 2>/dev/null || break; sleep 0.01; done; done; }";
  for (const std::string& run : {std::string("big.pdf \"save out/s.pdf\""),
                                 std::string("check big.pdf --standard PDF/X-1a:2001 --output out/c.pdf"),
                                 std::string("check big.pdf \"$5\" --standard PDF/X-1a:2001 --output out")}) {
    for (const char* sig : {"INT", "TERM", "HUP", "KILL"}) {
      SCOPED_TRACE(std::string(sig) + " " + run);
      Shell(start + run + wait, {sig, Sample("x1a-good")});
      const bool several = run.find("$5") != std::string::npos;
      const std::string left = SaveLeftovers(Work("out"));
      EXPECT_EQ(left.empty(), several || std::string(sig) != "KILL") << left;
      EXPECT_FALSE(hosttest::FileExists(Work("out/s.pdf")) || hosttest::FileExists(Work("out/c.pdf")) ||
                   hosttest::FileExists(Work("out/big.pdf")));
    }
    // The next save into the folder, here a report, takes the one of the
    // run killed outright away.
    ASSERT_EQ(Run({}, {Sample("x1a-good"), "--standard", "PDF/X-3", "--report", "out/n.log"}).status, 1);
    EXPECT_EQ(SaveLeftovers(Work("out")), "");
    ::unlink(Work("out/n.log").c_str());
  }
}

}  // namespace
