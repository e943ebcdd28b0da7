#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/host.h"
#include "host/calls.h"
#include "host/frame.h"
#include "testing/pdfmaker.h"
#include "win/registry.h"

namespace {

struct Stored {
  std::string name;
  ASUns32 type;
  std::string data;
  bool operator==(const Stored& o) const { return name == o.name && type == o.type && data == o.data; }
};

class WindowsRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hosttest::BindTables();
    char dir[] = "/tmp/registrytestXXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    home_ = dir;
    ::setenv("PLUGHOST_HOME", home_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("PLUGHOST_HOME");
    std::system(("rm -rf '" + home_ + "'").c_str());
  }

  static ASInt32 Write(const std::string& path, const std::vector<Stored>& values) {
    WinRegKey key = nullptr;
    ASInt32 status = WinRegBeginRewrite(winHiveCurrentUser, path.c_str(), "String", &key);
    for (const Stored& v : values)
      if (status == 0)
        status = WinRegSetValue(key, v.name.c_str(), v.type, v.data.data(), static_cast<ASUns32>(v.data.size()));
    if (status == 0) status = WinRegCommit(key);
    if (key) WinRegCloseKey(key);
    return status;
  }
  static ASInt32 Read(const std::string& path, std::vector<Stored>* values) {
    values->clear();
    WinRegKey key = nullptr;
    ASInt32 status = WinRegOpenKey(winHiveCurrentUser, path.c_str(), &key);
    if (status != 0) return status;
    for (ASUns32 i = 0;; ++i) {
      const char* name = nullptr;
      const char* data = nullptr;
      ASUns32 type = 0, size = 0;
      status = WinRegEnumValue(key, i, &name, &type, &data, &size);
      if (status != 0) break;
      values->push_back(Stored{name, type, std::string(data, size)});
    }
    WinRegCloseKey(key);
    return status == winErrNoMoreItems ? 0 : status;
  }

  std::string home_;
};

TEST_F(WindowsRegistryTest, OddBytesAndTypesRoundTrip) {
  const std::string path = "Software\\Odd ]key[ %41 \"q\"\n/x";
  const std::vector<Stored> values = {
      {"text", winRegSz, std::string("tab\there, \"quote\", 100%, back\\slash, \xC3\xA9\n", 39) + '\0'},
      {"", winRegSz, std::string("", 1)},
      {"no terminator", winRegSz, "abc"},
      {"inner zero", winRegSz, std::string("a\0b\0", 4)},
      {"dword", winRegDword, std::string("\x01\x00\x00\x00", 4)},
      {"empty binary", winRegBinary, ""},
      {"name\nwith %22 newline", winRegMultiSz, std::string("a\0b\0\0", 5)},
  };
  ASSERT_EQ(Write(path, values), 0);
  ASSERT_EQ(Write("Software\\Other", {{"v", winRegSz, std::string("1", 2)}}), 0);
  std::vector<Stored> back;
  ASSERT_EQ(Read(path, &back), 0);
  EXPECT_EQ(back, values);

  // The whole file parses back to the same hive.
  host::reg::Hive hive;
  ASSERT_EQ(host::reg::ReadHive(winHiveCurrentUser, &hive), 0);
  EXPECT_EQ(hive.size(), 2u);
  EXPECT_EQ(hive[path].className, "String");
  host::reg::Hive again;
  std::string why;
  ASSERT_TRUE(host::reg::Parse(host::reg::Serialize(hive), &again, &why)) << why;
  EXPECT_EQ(host::reg::Serialize(again), host::reg::Serialize(hive));
}

TEST_F(WindowsRegistryTest, DamagedTextsAreRefusedWithTheLine) {
  struct Case {
    const char* text;
    const char* why;
  };
  const Case cases[] = {
      {"", "it is not a plughost registry file"},
      {"plughost registry 2\n", "it is not a plughost registry file"},
      {"plughost registry 1\n\"v\" sz \"x\"\n", "line 2: a value outside any key"},
      {"plughost registry 1\n[K]\n\"v\" sz \"x\n", "line 3: bad text value"},
      {"plughost registry 1\n[K]\n\"v\" 4 hex 0g\n", "line 3: bad hexadecimal data"},
      {"plughost registry 1\n[K]\n\"v\" 4 hex 012\n", "line 3: bad hexadecimal data"},
      {"plughost registry 1\n[K]\n\"v\" sz \"%4\"\n", "line 3: bad text value"},
      {"plughost registry 1\n[K]\n[K]\n", "line 3: the key \"K\" appears twice"},
      {"plughost registry 1\n[K]\n\"v\" sz \"\"\n\"v\" sz \"\"\n", "line 4: the value \"v\" appears twice"},
      {"plughost registry 1\n[K] extra\n", "line 2: bad key line"},
      {"plughost registry 1\n[K]\nv=1\n", "line 3: unexpected text"},
  };
  for (const Case& c : cases) {
    host::reg::Hive hive;
    std::string why;
    EXPECT_FALSE(host::reg::Parse(c.text, &hive, &why)) << c.text;
    EXPECT_EQ(why, c.why) << c.text;
    EXPECT_TRUE(hive.empty());
  }
  host::reg::Hive hive;
  std::string why;
  EXPECT_TRUE(host::reg::Parse("plughost registry 1\r\n; a comment\n\n[K]\r\n\"v\" 3 hex\n", &hive, &why)) << why;
  EXPECT_EQ(hive["K"].values().size(), 1u);
}

TEST_F(WindowsRegistryTest, ReadingMakesNothingAndWritingIsPrivate) {
  std::vector<Stored> back;
  EXPECT_EQ(Read("Software\\Missing", &back), winErrFileNotFound);
  struct stat st;
  EXPECT_NE(::stat((home_ + "/registry").c_str(), &st), 0);

  ASSERT_EQ(::chmod(home_.c_str(), 0755), 0);
  ASSERT_EQ(::mkdir((home_ + "/registry").c_str(), 0755), 0);
  ASSERT_EQ(Write("Software\\K", {}), 0);
  ASSERT_EQ(::stat((home_ + "/registry").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ASSERT_EQ(::stat((home_ + "/registry/current_user.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  // A key opened for reading cannot be written; closed handles are refused.
  WinRegKey key = nullptr;
  ASSERT_EQ(WinRegOpenKey(winHiveCurrentUser, "Software\\K", &key), 0);
  EXPECT_EQ(WinRegSetValue(key, "v", winRegSz, "x", 2), winErrAccessDenied);
  EXPECT_EQ(WinRegCommit(key), winErrAccessDenied);
  EXPECT_EQ(WinRegCloseKey(key), 0);
  EXPECT_EQ(WinRegCloseKey(key), winErrInvalidHandle);
  EXPECT_EQ(WinRegOpenKey(7, "Software\\K", &key), winErrInvalidParameter);
}

// Two processes writing different keys at once lose neither.
TEST_F(WindowsRegistryTest, ConcurrentWritersKeepEachOthersKeys) {
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = ::fork();
    ASSERT_GE(children[c], 0);
    if (children[c] == 0) {
      std::string path = "Software\\Writer" + std::to_string(c);
      for (int i = 0; i < 40; ++i) {
        std::string n = std::to_string(i);
        if (Write(path, {{"round", winRegSz, n + '\0'}}) != 0) ::_exit(1);
      }
      ::_exit(0);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int c = 0; c < 2; ++c) {
    std::vector<Stored> back;
    ASSERT_EQ(Read("Software\\Writer" + std::to_string(c), &back), 0);
    EXPECT_EQ(back, (std::vector<Stored>{{"round", winRegSz, std::string("39", 3)}}));
  }
}

// The hive file is written where a link points, and never without the lock,
// even when the lock is lost between the start of a rewrite and its commit.
TEST_F(WindowsRegistryTest, HiveWritesFollowALinkAndNeedTheLock) {
  const std::string folder = home_ + "/registry", real = home_ + "/elsewhere/hive.txt";
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  ASSERT_EQ(::mkdir((home_ + "/elsewhere").c_str(), 0700), 0);
  ASSERT_EQ(::symlink("../elsewhere/hive.txt", (folder + "/current_user.txt").c_str()), 0);
  WinRegKey key = nullptr;
  ASSERT_EQ(Write("Software\\Linked", {{"v", winRegSz, std::string("1", 2)}}), 0);
  ASSERT_EQ(WinRegBeginRewrite(winHiveCurrentUser, "Software\\Linked", "String", &key), 0);
  const std::string before = hosttest::ReadFile(real);
  ASSERT_EQ(::unlink((folder + "/.lock").c_str()), 0);
  ASSERT_EQ(::mkdir((folder + "/.lock").c_str(), 0700), 0);
  EXPECT_EQ(WinRegCommit(key), fileErrSettingsLock);
  WinRegCloseKey(key);
  char text[64];
  WinSystemErrorText(fileErrSettingsLock, text, sizeof text);
  EXPECT_STREQ(text, "the settings folder could not be locked");
  EXPECT_NE(before.find("[Software\\Linked]"), std::string::npos);
  EXPECT_EQ(hosttest::ReadFile(real), before);
  struct stat st;
  ASSERT_EQ(::lstat((folder + "/current_user.txt").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST_F(WindowsRegistryTest, ModuleFileNameOfASharedLibraryAndOfNothing) {
  char buf[4096];
  ASUns32 n = WinModuleFileName(reinterpret_cast<const void*>(&zlibVersion), buf, sizeof buf);
  ASSERT_GT(n, 0u);
  std::string path(buf, n);
  EXPECT_EQ(path[0], '/');
  EXPECT_NE(path.find("/libz.so"), std::string::npos) << path;
  // Too small a buffer: the length, and as much of the name as fits.
  char small[4];
  EXPECT_EQ(WinModuleFileName(reinterpret_cast<const void*>(&zlibVersion), small, sizeof small), n);
  EXPECT_EQ(std::string(small), path.substr(0, 3));
  EXPECT_EQ(WinModuleFileName(nullptr, buf, sizeof buf), 0u);
}

}  // namespace
