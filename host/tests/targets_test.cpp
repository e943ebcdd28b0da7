// Each failure to open a document names its cause; a save writes the file
// the user meant, as a copy would.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <string>

#include "core/host.h"
#include "host/frame.h"
#include "testing/pdfmaker.h"
#include "testing/processes.h"

namespace {

using hosttest::ReadFile;
using hosttest::WriteFile;

template <class F>
int Raised(F&& f) {
  try {
    f();
  } catch (const ASHostRaise& e) {
    return e.code;
  }
  return 0;
}

int OpenedAsFile(const std::string& path) {
  ASFileSys fs = ASGetDefaultFileSys();
  ASPathName name = ASFileSysCreatePathName(fs, ASAtomFromString("Cstring"), path.c_str(), nullptr);
  ASFile file = nullptr;
  ASErrorCode code = ASFileSysOpenFile(fs, name, ASFILE_READ, &file);
  if (file) ASFileClose(file);
  ASFileSysReleasePath(fs, name);
  return code;
}

std::string Listing(const std::string& folder) {
  std::string out;
  hosttest::RunCommand("ls -A " + hosttest::Quoted(folder), &out);
  return out;
}

class TargetsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hosttest::BindTables();
    pd_ = host::OpenDocumentBytes(hosttest::MakePagesPdf(2), "source");
  }
  void TearDown() override { host::CloseAllDocuments(); }
  hosttest::TempDir dir_;
  PDDoc pd_ = nullptr;
};

TEST_F(TargetsTest, OpenFailuresNameTheirCauseAsAUserWhoIsNotRoot) {
  WriteFile(dir_.File("garbage.pdf"), std::string(3000, '\x01'));
  WriteFile(dir_.File("unread.pdf"), hosttest::MakePagesPdf(1));
  WriteFile(dir_.File("readonly.pdf"), "old");
  hosttest::HandToUserNotRoot(dir_.path());
  ASSERT_EQ(::chmod(dir_.File("unread.pdf").c_str(), 0), 0);
  ASSERT_EQ(::chmod(dir_.File("readonly.pdf").c_str(), 0444), 0);
  struct Case {
    const char* name;
    ASErrorCode document, file;  // opened as a document, as a file
    const char* text;
  };
  const Case cases[] = {
      {"missing.pdf", fileErrNotFound, fileErrNotFound, "The file does not exist"},
      {"", fileErrIsFolder, fileErrIsFolder, "The path names a folder, not a file"},
      {"garbage.pdf", pdErrBadFile, 0, "The file is damaged and could not be repaired"},
      {"unread.pdf", fileErrPermission, fileErrPermission, "Access to the file was denied"},
  };
  for (const Case& c : cases) {
    std::string path = dir_.File(c.name);
    int opened = hosttest::AsUserNotRoot([&] {
      int code = Raised([&] { host::OpenDocument(path); });
      bool reason = host::LastFailureDetail().find(path) != std::string::npos;  // kept beside the text
      return code && !reason ? -1 : code;
    });
    if (opened == hosttest::kNoOtherUser) GTEST_SKIP() << "runs as root and could not become another user";
    EXPECT_EQ(opened, c.document) << c.name;
    EXPECT_STREQ(host::ErrorText(c.document), c.text);
    EXPECT_EQ(hosttest::AsUserNotRoot([&] { return OpenedAsFile(path); }), c.file) << c.name;
  }
  auto save = [&] { host::SaveDocument(pd_, dir_.File("readonly.pdf")); };
  EXPECT_EQ(hosttest::AsUserNotRoot([&] { return Raised(save); }), fileErrPermission);
  EXPECT_EQ(ReadFile(dir_.File("readonly.pdf")), "old");
}

TEST_F(TargetsTest, SavesWriteTheFileTheTargetNamesAndKeepItsMode) {
  ASSERT_EQ(::mkdir(dir_.File("real").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir(dir_.File("folder").c_str(), 0700), 0);
  for (const char* name : {"real/target.pdf", "kept.pdf"}) {
    WriteFile(dir_.File(name), "old");
    ASSERT_EQ(::chmod(dir_.File(name).c_str(), 0640), 0);
  }
  ASSERT_EQ(::symlink("real/target.pdf", dir_.File("link.pdf").c_str()), 0);
  ASSERT_EQ(::symlink("real/none.pdf", dir_.File("dangling.pdf").c_str()), 0);
  ASSERT_EQ(::mkfifo(dir_.File("fifo").c_str(), 0600), 0);
  struct Case {
    const char* target;
    ASErrorCode code;
    const char* written;  // the file that holds the document afterwards
    mode_t mode;
  };
  const Case cases[] = {
      {"link.pdf", 0, "real/target.pdf", 0640},  {"new.pdf", 0, "new.pdf", 0600},  // umask 077
      {"kept.pdf", 0, "kept.pdf", 0640},         {"dangling.pdf", 0, "real/none.pdf", 0600},
      {"folder", fileErrIsFolder, nullptr, 0},   {"fifo", pdErrSaveFailed, nullptr, 0},
  };
  mode_t mask = ::umask(077);
  for (const Case& c : cases) {
    EXPECT_EQ(Raised([&] { host::SaveDocument(pd_, dir_.File(c.target)); }), c.code) << c.target;
    struct stat st;
    if (!c.written) continue;
    ASSERT_EQ(::stat(dir_.File(c.written).c_str(), &st), 0) << c.written;
    EXPECT_EQ(st.st_mode & 07777, c.mode) << c.target;
    EXPECT_EQ(hosttest::RunCommand("qpdf --check " + hosttest::Quoted(dir_.File(c.written))), 0) << c.target;
    ASSERT_EQ(::lstat(dir_.File(c.target).c_str(), &st), 0);
    EXPECT_EQ(S_ISLNK(st.st_mode), c.target != std::string(c.written)) << c.target;
  }
  ::umask(mask);
  // The fifo is still one, and no temporary file is left anywhere.
  EXPECT_EQ(Listing(dir_.File("real")) + Listing(dir_.File("folder")), "none.pdf\ntarget.pdf\n");
  EXPECT_EQ(Listing(dir_.path()), "dangling.pdf\nfifo\nfolder\nkept.pdf\nlink.pdf\nnew.pdf\nreal\n");
  EXPECT_EQ(hosttest::RunCommand("test -p " + hosttest::Quoted(dir_.File("fifo"))), 0);
}

TEST_F(TargetsTest, TemporaryFilesOfGoneWritersAreRemovedAtTheNextSave) {
  pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
  const std::string dead = std::to_string(gone), live = std::to_string(::getpid());
  const struct {
    std::string name;
    bool old, kept;
  } cases[] = {
      {".plughost-save-" + dead + "-aB3xYz", true, false},
      {".plughost-save-" + live + "-aB3xYz", true, true},   // its writer still runs
      {".plughost-save-" + dead + "-q1w2e3", false, false},  // recent: killed a moment ago
      {".plughost-save--" + dead + "-aB3xYz", true, true},  // not one of ours
  };
  struct timeval past[2] = {{::time(nullptr) - 7200, 0}, {::time(nullptr) - 7200, 0}};
  for (const auto& c : cases) {
    WriteFile(dir_.File(c.name), "partial");
    EXPECT_EQ(c.old ? ::utimes(dir_.File(c.name).c_str(), past) : 0, 0);
  }
  host::SaveDocument(pd_, dir_.File("out.pdf"));
  for (const auto& c : cases) EXPECT_EQ(hosttest::FileExists(dir_.File(c.name)), c.kept) << c.name;
}

}  // namespace
