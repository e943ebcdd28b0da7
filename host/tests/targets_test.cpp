// Where a document comes from and where it goes: each failure to open names
// its cause, and a save writes the file the user meant, as a copy would.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "core/host.h"
#include "host/frame.h"
#include "testing/pdfmaker.h"
#include "testing/processes.h"

namespace {

using hosttest::FileExists;
using hosttest::ReadFile;
using hosttest::RunCommand;
using hosttest::WriteFile;

class TargetsTest : public ::testing::Test {
 protected:
  void SetUp() override { hosttest::BindTables(); }
  void TearDown() override { host::CloseAllDocuments(); }

  static ASErrorCode Opened(const std::string& path) {
    try {
      host::OpenDocument(path);
    } catch (const ASHostRaise& e) {
      return e.code;
    }
    return 0;
  }
  static ASErrorCode OpenedAsFile(const std::string& path) {
    ASPathName name =
        ASFileSysCreatePathName(ASGetDefaultFileSys(), ASAtomFromString("Cstring"), path.c_str(), nullptr);
    ASFile file = nullptr;
    ASErrorCode code = ASFileSysOpenFile(ASGetDefaultFileSys(), name, ASFILE_READ, &file);
    if (file) ASFileClose(file);
    ASFileSysReleasePath(ASGetDefaultFileSys(), name);
    return code;
  }
  static ASErrorCode Saved(PDDoc pd, const std::string& path) {
    try {
      host::SaveDocument(pd, path);
    } catch (const ASHostRaise& e) {
      return e.code;
    }
    return 0;
  }
  static std::string Listing(const std::string& folder) {
    std::string out;
    RunCommand("ls -A " + hosttest::Quoted(folder), &out);
    return out;
  }
  static void SkipNote() {
    if (::geteuid() == 0) std::cout << "running as root: the case runs as uid 65534 in a child\n";
  }

  hosttest::TempDir dir_;
};

TEST_F(TargetsTest, EachFailureToOpenNamesItsCause) {
  WriteFile(dir_.File("garbage.pdf"), std::string(3000, '\x01') + "not a pdf");
  WriteFile(dir_.File("good.pdf"), hosttest::MakePagesPdf(1));
  struct Case {
    std::string path;
    ASErrorCode document;  // opening it as a document
    ASErrorCode file;      // opening it as a file
    const char* text;
  };
  const Case cases[] = {
      {dir_.File("missing.pdf"), fileErrNotFound, fileErrNotFound, "The file does not exist"},
      {dir_.File("good.pdf/x"), fileErrNotFound, fileErrNotFound, "The file does not exist"},
      {dir_.path(), fileErrIsFolder, fileErrIsFolder, "The path names a folder, not a file"},
      {dir_.File("garbage.pdf"), pdErrBadFile, 0, "The file is damaged and could not be repaired"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Opened(c.path), c.document) << c.path;
    EXPECT_STREQ(host::ErrorText(c.document), c.text);
    EXPECT_EQ(OpenedAsFile(c.path), c.file) << c.path;
  }
}

// Root passes every permission check: these run as another user.
TEST_F(TargetsTest, WhatTheUserMayNotReadOrWriteIsRefusedAndKept) {
  SkipNote();
  std::string unread = dir_.File("unread.pdf"), readOnly = dir_.File("readonly.pdf");
  WriteFile(unread, hosttest::MakePagesPdf(1));
  WriteFile(readOnly, "old bytes");
  PDDoc pd = host::OpenDocumentBytes(hosttest::MakePagesPdf(2), "source");
  hosttest::HandToUserNotRoot(dir_.path());
  ASSERT_EQ(::chmod(unread.c_str(), 0), 0);
  ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);

  int opened = hosttest::AsUserNotRoot([&] {
    ASErrorCode code = Opened(unread);
    // The reason stays beside the headline.
    return host::LastFailureDetail().find("Permission denied") == std::string::npos ? -1 : code;
  });
  if (opened == hosttest::kNoOtherUser) GTEST_SKIP() << "runs as root and could not become another user";
  EXPECT_EQ(opened, fileErrPermission);
  EXPECT_STREQ(host::ErrorText(fileErrPermission), "Access to the file was denied");
  EXPECT_EQ(hosttest::AsUserNotRoot([&] { return OpenedAsFile(unread); }), fileErrPermission);

  EXPECT_EQ(hosttest::AsUserNotRoot([&] { return Saved(pd, readOnly); }), fileErrPermission);
  EXPECT_EQ(ReadFile(readOnly), "old bytes");
  EXPECT_EQ(Listing(dir_.path()), "readonly.pdf\nunread.pdf\n");
}

TEST_F(TargetsTest, SavesWriteTheFileTheTargetNamesAndKeepItsMode) {
  const std::string pdf = hosttest::MakePagesPdf(2);
  PDDoc pd = host::OpenDocumentBytes(pdf, "source");
  ASSERT_EQ(::mkdir(dir_.File("real").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir(dir_.File("folder").c_str(), 0700), 0);
  for (const char* name : {"real/target.pdf", "kept.pdf"}) {
    WriteFile(dir_.File(name), "old bytes");
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
      {"link.pdf", 0, "real/target.pdf", 0640},
      {"new.pdf", 0, "new.pdf", 0600},  // under umask 077
      {"kept.pdf", 0, "kept.pdf", 0640},
      {"folder", fileErrIsFolder, nullptr, 0},
      {"dangling.pdf", 0, "real/none.pdf", 0600},
      {"fifo", pdErrSaveFailed, nullptr, 0},
  };
  mode_t mask = ::umask(077);
  for (const Case& c : cases) {
    EXPECT_EQ(Saved(pd, dir_.File(c.target)), c.code) << c.target;
    if (!c.written) continue;
    std::string written = dir_.File(c.written);
    struct stat st;
    ASSERT_EQ(::stat(written.c_str(), &st), 0) << c.written;
    EXPECT_EQ(st.st_mode & 07777, c.mode) << c.target;
    std::string report;
    EXPECT_EQ(RunCommand("qpdf --check " + hosttest::Quoted(written), &report), 0) << report;
  }
  ::umask(mask);
  struct stat st;
  for (const char* link : {"link.pdf", "dangling.pdf"}) {
    ASSERT_EQ(::lstat(dir_.File(link).c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << link;
  }
  ASSERT_EQ(::lstat(dir_.File("fifo").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  // Nothing made where a failed save pointed, and no temporary file left.
  EXPECT_EQ(Listing(dir_.File("real")), "none.pdf\ntarget.pdf\n");
  EXPECT_EQ(Listing(dir_.File("folder")), "");
  EXPECT_EQ(Listing(dir_.path()), "dangling.pdf\nfifo\nfolder\nkept.pdf\nlink.pdf\nnew.pdf\nreal\n");
}

TEST_F(TargetsTest, TemporaryFilesOfGoneWritersAreRemovedAtTheNextSave) {
  pid_t gone = ::fork();
  ASSERT_GE(gone, 0);
  if (gone == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
  const std::string dead = std::to_string(gone), live = std::to_string(::getpid());
  struct Case {
    std::string name;
    bool old;
    bool kept;
  };
  const Case cases[] = {
      {".plughost-save-" + dead + "-aB3xYz", true, false},
      {".plughost-save-" + live + "-aB3xYz", true, true},   // its writer still runs
      {".plughost-save-" + dead + "-q1w2e3", false, true},  // recent
      {".plughost-save--" + dead + "-aB3xYz", true, true},  // not one of ours
      {".plughost-save-x" + dead, true, true},
  };
  for (const Case& c : cases) {
    WriteFile(dir_.File(c.name), "partial");
    if (!c.old) continue;
    struct timeval times[2];
    ::gettimeofday(&times[0], nullptr);
    times[0].tv_sec -= 2 * 3600;
    times[1] = times[0];
    ASSERT_EQ(::utimes(dir_.File(c.name).c_str(), times), 0);
  }
  PDDoc pd = host::OpenDocumentBytes(hosttest::MakePagesPdf(1), "source");
  ASSERT_EQ(Saved(pd, dir_.File("out.pdf")), 0);
  for (const Case& c : cases) EXPECT_EQ(FileExists(dir_.File(c.name)), c.kept) << c.name;
}

}  // namespace
