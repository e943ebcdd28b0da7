#include <gtest/gtest.h>

#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "common/Prefs.h"
#include "core/host.h"
#include "host/frame.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> List(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(folder.c_str())) {
    while (dirent* e = ::readdir(d))
      if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
    ::closedir(d);
  }
  return names;
}

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// Each test keeps its settings in a folder of its own and its entries in
// sections of its own (the store is process-wide).
class PrefsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hosttest::BindTables();
    char dir[] = "/tmp/prefstestXXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    home_ = dir;
    ::setenv("PLUGHOST_HOME", (home_ + "/settings").c_str(), 1);
    host::SetAlertHandler([this](const host::AlertRequest& r) {
      notes_.push_back(r.message);
      return 1;
    });
  }
  void TearDown() override {
    host::SetAlertHandler(nullptr);
    hosttest::ClearHooks();
    ::unsetenv("PLUGHOST_HOME");
    std::system(("rm -rf '" + home_ + "'").c_str());
  }
  std::string Hive() const { return home_ + "/settings/registry/current_user.txt"; }
  static std::string Key(const char* section) { return Prefs::KeyText(section); }

  std::string home_;
  std::vector<std::string> notes_;
};

TEST_F(PrefsTest, SectionsKeepTextsUnderCaseSensitiveKeys) {
  std::string value = "default";
  EXPECT_FALSE(Prefs::Get("missing", value, "Fresh"));
  EXPECT_EQ(value, "default");
  EXPECT_TRUE(Prefs::Section("Fresh").empty());  // made by the Get
  EXPECT_FALSE(Prefs::Set("", "x", "Fresh"));
  EXPECT_TRUE(Prefs::Section("Fresh").empty());

  EXPECT_TRUE(Prefs::Set("Key", "upper", "Cased"));
  EXPECT_TRUE(Prefs::Set("key", "lower", "Cased"));
  EXPECT_TRUE(Prefs::Set("key", "lower2", "Cased"));
  EXPECT_EQ(Prefs::Section("Cased").size(), 2u);
  ASSERT_TRUE(Prefs::Get("Key", value, "Cased"));
  EXPECT_EQ(value, "upper");
  ASSERT_TRUE(Prefs::Get("key", value, "Cased"));
  EXPECT_EQ(value, "lower2");

  // The plug-in's own name as a section name: same registry key, own map.
  EXPECT_EQ(Key("PDF/X Corvane 3"), Key(nullptr));
  EXPECT_EQ(Key(nullptr), "Software\\Zentu\\PDF/X Corvane 3\\Current_Version");
  EXPECT_NE(&Prefs::Section("PDF/X Corvane 3"), &Prefs::Section(nullptr));
}

TEST_F(PrefsTest, RemoveByPrefixTakesTheKeysThatBeginWithItInItsCase) {
  struct Case {
    std::vector<std::string> keys;
    std::string prefix;
    bool removed;
    std::vector<std::string> left;
  } cases[] = {
      {{"BoxLibrary|a", "BoxLibrary|b", "Color|TrimBox"}, "BoxLibrary", true, {"Color|TrimBox"}},
      {{"boxlibrary|x", "Color|TrimBox"}, "BoxLibrary", false, {"Color|TrimBox", "boxlibrary|x"}},
      {{"BoxLibrary", "BoxLibraryX", "BoxLibrar", "Box"}, "BoxLibrary", true, {"Box", "BoxLibrar"}},
      {{"BoxLibrary|a"}, "", false, {"BoxLibrary|a"}},
  };
  for (const Case& c : cases) {
    Prefs::Section("Library").clear();
    for (const std::string& key : c.keys) Prefs::Set(key, "1", "Library");
    EXPECT_EQ(Prefs::RemoveByPrefix(c.prefix, "Library"), c.removed) << c.keys[0];
    std::vector<std::string> left;
    for (auto& entry : Prefs::Section("Library")) left.push_back(entry.first);
    EXPECT_EQ(left, c.left) << c.keys[0];
  }
}

// Written by one process, read by another; long values and the ones after
// them survive, in byte order of the keys.
TEST_F(PrefsTest, SavedSettingsOutliveTheProcess) {
  const std::string big(5000, 'p');
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    bool ok = Prefs::Set("a_list", big, "Lasting") && Prefs::Set("Beta", "B", "Lasting") &&
              Prefs::Set("zz_after", "still here", "Lasting") && Prefs::Set("empty", "", "Lasting") &&
              Prefs::Set(std::string(300, 'n'), "long name", "Lasting") && Prefs::Save("Lasting");
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  EXPECT_TRUE(Prefs::Section("Lasting").empty());
  ASSERT_TRUE(Prefs::Load("Lasting"));
  std::string value;
  ASSERT_TRUE(Prefs::Get("a_list", value, "Lasting"));
  EXPECT_EQ(value, big);
  ASSERT_TRUE(Prefs::Get("zz_after", value, "Lasting"));
  EXPECT_EQ(value, "still here");
  ASSERT_TRUE(Prefs::Get("empty", value, "Lasting"));
  EXPECT_EQ(value, "");
  ASSERT_TRUE(Prefs::Get(std::string(300, 'n'), value, "Lasting"));
  EXPECT_EQ(value, "long name");
  EXPECT_TRUE(notes_.empty());

  std::string file = ReadFile(Hive());
  EXPECT_LT(file.find("\"Beta\""), file.find("\"a_list\""));
  EXPECT_EQ(ModeOf(Hive()), 0600u);
  EXPECT_EQ(ModeOf(home_ + "/settings/registry"), 0700u);
}

TEST_F(PrefsTest, LoadMergesAndKeyWithSlashRoundTrips) {
  EXPECT_FALSE(Prefs::Load(nullptr));  // nothing stored yet, nothing said
  EXPECT_TRUE(notes_.empty());
  Prefs::Set("conformance", "PDF/X-3");
  Prefs::Set("shared", "old");
  ASSERT_TRUE(Prefs::Save(nullptr));
  EXPECT_NE(ReadFile(Hive()).find("[Software\\Zentu\\PDF/X Corvane 3\\Current_Version]"), std::string::npos);

  Prefs::Section(nullptr).clear();
  Prefs::Set("memory_only", "kept");
  Prefs::Set("shared", "replaced by the registry");
  ASSERT_TRUE(Prefs::Load(nullptr));
  EXPECT_EQ(Prefs::Section(nullptr),
            (Prefs::SectionMap{{"conformance", "PDF/X-3"}, {"memory_only", "kept"}, {"shared", "old"}}));
  Prefs::Section(nullptr).clear();

  // A read that fails before the end is not a complete load.
  hosttest::RaiseOnNextCall(host::TableId::Windows, WindowsSel::RegEnumValue, genErrGeneral);
  EXPECT_FALSE(Prefs::Load(nullptr));
  EXPECT_EQ(ASFrameDepth(), 0);
  Prefs::Section(nullptr).clear();

  // An empty section leaves an empty key behind.
  ASSERT_TRUE(Prefs::Save("Hollow"));
  EXPECT_TRUE(Prefs::Load("Hollow"));
  EXPECT_TRUE(Prefs::Section("Hollow").empty());
}

TEST_F(PrefsTest, OtherValueTypesAreReportedAndSkipped) {
  ASSERT_EQ(::mkdir((home_ + "/settings").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir((home_ + "/settings/registry").c_str(), 0700), 0);
  WriteFile(Hive(),
            "plughost registry 1\n"
            "[" + Key("Typed") + "]\n"
            "class \"String\"\n"
            "\"\" sz \"unnamed\"\n"
            "\"a\" sz \"1\"\n"
            "\"X\" 4 hex 01000000\n"
            "\"cut\" 1 hex 41420043\n"
            "\"inner\" sz \"a%00b\"\n"
            "\"unended\" 1 hex 4142\n"
            "\"z\" sz \"2\"\n");
  ASSERT_TRUE(Prefs::Load("Typed"));
  EXPECT_EQ(notes_, (std::vector<std::string>{"Invalid data type for key \"X\" -- ignoring key",
                                              "Invalid data type for key \"cut\" -- ignoring key",
                                              "Invalid data type for key \"inner\" -- ignoring key"}));
  EXPECT_EQ(Prefs::Section("Typed"),
            (Prefs::SectionMap{{"", "unnamed"}, {"a", "1"}, {"unended", "AB"}, {"z", "2"}}));
}

// Settings are texts: a zero byte would cut a value, or make two keys one.
TEST_F(PrefsTest, ZeroBytesAreRefusedAndTheOtherKeysSaved) {
  Prefs::Set("a", "1", "Zero");
  Prefs::Set("cut", std::string("a\0b", 3), "Zero");
  Prefs::Set(std::string("k\0x", 3), "x", "Zero");
  Prefs::Set(std::string("k\0y", 3), "y", "Zero");
  Prefs::Set("z", "2", "Zero");
  EXPECT_FALSE(Prefs::Save("Zero"));
  EXPECT_EQ(notes_, (std::vector<std::string>{"Invalid data type for key \"cut\" -- ignoring key",
                                              "Invalid data type for key \"k\\0x\" -- ignoring key",
                                              "Invalid data type for key \"k\\0y\" -- ignoring key"}));
  Prefs::Section("Zero").clear();
  ASSERT_TRUE(Prefs::Load("Zero"));
  EXPECT_EQ(Prefs::Section("Zero"), (Prefs::SectionMap{{"a", "1"}, {"z", "2"}}));
}

// Without the lock nothing is written; with it, many writers at once keep
// every value they saved.
TEST_F(PrefsTest, SavesTakeTheSettingsLockOrWriteNothing) {
  Prefs::Set("kept", "1", "Locked");
  ASSERT_TRUE(Prefs::Save("Locked"));
  const std::string before = ReadFile(Hive());
  const std::string lock = home_ + "/settings/registry/.lock";
  ASSERT_EQ(::unlink(lock.c_str()), 0);
  ASSERT_EQ(::mkdir(lock.c_str(), 0700), 0);
  Prefs::Set("lost", "2", "Locked");
  EXPECT_FALSE(Prefs::Save("Locked"));
  const std::string note = "Error opening registry:  the settings folder could not be locked";
  EXPECT_EQ(notes_, std::vector<std::string>{note});
  EXPECT_EQ(ReadFile(Hive()), before);
  Prefs::Section("Locked").clear();
  EXPECT_TRUE(Prefs::Load("Locked"));  // reading goes on without it
  EXPECT_EQ(Prefs::Section("Locked"), (Prefs::SectionMap{{"kept", "1"}}));
  ASSERT_EQ(::rmdir(lock.c_str()), 0);

  const int writers = 24, values = 20;
  std::vector<pid_t> children;
  for (int w = 0; w < writers; ++w) {
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::alarm(120);  // a writer that hangs is ended
      std::string section = "Writer " + std::to_string(w);
      for (int v = 0; v < values; ++v) {
        Prefs::Set("value " + std::to_string(v), std::to_string(w * 100 + v), section.c_str());
        if (!Prefs::Save(section.c_str())) ::_exit(1);
      }
      ::_exit(0);
    }
    children.push_back(child);
  }
  for (int w = 0; w < writers; ++w) {
    int status = 0;
    ASSERT_EQ(::waitpid(children[w], &status, 0), children[w]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    std::string section = "Writer " + std::to_string(w);
    ASSERT_TRUE(Prefs::Load(section.c_str()));
    EXPECT_EQ(Prefs::Section(section.c_str()).size(), static_cast<size_t>(values)) << section;
    EXPECT_EQ(Prefs::Section(section.c_str())["value 7"], std::to_string(w * 100 + 7));
  }
}

// Two processes load one section; the other one changes it and saves first.
// Each save writes what its process changed since the load, into the key as
// stored then: the other's values stay unless both changed the same one.
TEST_F(PrefsTest, ASaveWritesWhatThisProcessChangedAndKeepsTheOthers) {
  using Edit = std::function<void(Prefs::SectionMap&)>;
  const struct {
    const char* what;
    Prefs::SectionMap seeded;
    Edit other, mine;
    Prefs::SectionMap after;
  } rows[] = {
      {"values changed, added and removed on both sides; a library saved again as it was",
       {{"a", "1"}, {"b", "2"}, {"c", "3"}, {"BoxLibrary|0 P|0 S|ArtBox", "1|1|0|0"}, {"BoxLibrary|1", "x"}},
       [](Prefs::SectionMap& s) { s["b"] = "20", s["d"] = "4", s["BoxLibrary|1"] = "y"; },
       [](Prefs::SectionMap& s) {
         const Prefs::SectionMap kept = s;
         Prefs::RemoveByPrefix("BoxLibrary", "Shared");
         s = kept, s["a"] = "10", s.erase("c");
       },
       {{"BoxLibrary|0 P|0 S|ArtBox", "1|1|0|0"}, {"BoxLibrary|1", "y"}, {"a", "10"}, {"b", "20"}, {"d", "4"}}},
      {"the later save of one value wins", {{"a", "1"}}, [](Prefs::SectionMap& s) { s["a"] = "2"; },
       [](Prefs::SectionMap& s) { s["a"] = "3"; }, {{"a", "3"}}},
      {"a value set as it was read is no change", {{"a", "1"}}, [](Prefs::SectionMap& s) { s["a"] = "2"; },
       [](Prefs::SectionMap& s) { s["a"] = "1"; }, {{"a", "2"}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    std::system(("rm -rf '" + home_ + "/settings'").c_str());
    EXPECT_FALSE(Prefs::Load("Shared"));  // nothing stored now: all of it to write
    Prefs::Section("Shared") = row.seeded;
    ASSERT_TRUE(Prefs::Save("Shared"));
    Prefs::Section("Shared").clear();
    ASSERT_TRUE(Prefs::Load("Shared"));
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::alarm(60);
      row.other(Prefs::Section("Shared"));
      ::_exit(Prefs::Save("Shared") ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    row.mine(Prefs::Section("Shared"));
    ASSERT_TRUE(Prefs::Save("Shared"));
    Prefs::Section("Shared").clear();
    ASSERT_TRUE(Prefs::Load("Shared"));
    EXPECT_EQ(Prefs::Section("Shared"), row.after);
  }
  EXPECT_TRUE(notes_.empty());
}

TEST_F(PrefsTest, AKeyOfTwoHundredThousandValuesRoundTrips) {
  Prefs::SectionMap& large = Prefs::Section("Large");
  for (int i = 0; i < 200000; ++i) large["value " + std::to_string(i)] = std::to_string(i * 7);
  const Prefs::SectionMap saved = large;
  ASSERT_TRUE(Prefs::Save("Large"));
  large.clear();
  ASSERT_TRUE(Prefs::Load("Large"));
  EXPECT_TRUE(Prefs::Section("Large") == saved);
  Prefs::Section("Large").clear();
}

TEST_F(PrefsTest, FailedSaveLeavesTheStoredSettingsWhole) {
  Prefs::Set("first", "1", "Safe");
  Prefs::Set("second", "2", "Safe");
  ASSERT_TRUE(Prefs::Save("Safe"));
  const std::string before = ReadFile(Hive());
  Prefs::Set("first", "changed", "Safe");

  // The file write fails part way.
  hosttest::FailNextRegistryWrite(ENOSPC);
  EXPECT_FALSE(Prefs::Save("Safe"));
  EXPECT_EQ(notes_, std::vector<std::string>{"Error writing key \"" + Key("Safe") + "\" to the registry"});
  EXPECT_EQ(ReadFile(Hive()), before);
  EXPECT_EQ(List(home_ + "/settings/registry"), (std::vector<std::string>{".lock", "current_user.txt"}));

  // One value cannot be written.
  notes_.clear();
  hosttest::RaiseOnNextCall(host::TableId::Windows, WindowsSel::RegSetValue, genErrGeneral);
  EXPECT_FALSE(Prefs::Save("Safe"));
  EXPECT_EQ(notes_, std::vector<std::string>{"Error writing key \"first\" to the registry"});
  EXPECT_EQ(ReadFile(Hive()), before);
  EXPECT_EQ(ASFrameDepth(), 0);

  // The change is still to be written: the next save takes it.
  notes_.clear();
  ASSERT_TRUE(Prefs::Save("Safe"));
  Prefs::Section("Safe").clear();
  ASSERT_TRUE(Prefs::Load("Safe"));
  EXPECT_EQ(Prefs::Section("Safe"), (Prefs::SectionMap{{"first", "changed"}, {"second", "2"}}));

  // The key cannot be opened for writing: the settings folder is a file.
  notes_.clear();
  WriteFile(home_ + "/blocker", "x");
  ::setenv("PLUGHOST_HOME", (home_ + "/blocker/settings").c_str(), 1);
  EXPECT_FALSE(Prefs::Save("Safe"));
  EXPECT_EQ(notes_, std::vector<std::string>{"Error opening registry:  the settings folder " + home_ +
                                              "/blocker/settings cannot be written: " + home_ + "/blocker: Not a directory"});
}

TEST_F(PrefsTest, DamagedFileIsSetAsideAndNothingIsLost) {
  ASSERT_EQ(::mkdir((home_ + "/settings").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir((home_ + "/settings/registry").c_str(), 0700), 0);
  const std::string damaged = "[HKEY_CURRENT_USER\\Software]\n\"x\"=\"not ours\"\n";
  WriteFile(Hive(), damaged);

  EXPECT_FALSE(Prefs::Load("Mended"));
  ASSERT_EQ(notes_.size(), 1u);
  EXPECT_NE(notes_[0].find("is damaged (it is not a plughost registry file)"), std::string::npos) << notes_[0];
  std::vector<std::string> files = List(home_ + "/settings/registry");
  files.erase(std::remove(files.begin(), files.end(), ".lock"), files.end());
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].compare(0, 25, "current_user.txt.damaged-"), 0) << files[0];
  EXPECT_NE(notes_[0].find(files[0]), std::string::npos);
  EXPECT_EQ(ReadFile(home_ + "/settings/registry/" + files[0]), damaged);

  Prefs::Set("k", "v", "Mended");
  ASSERT_TRUE(Prefs::Save("Mended"));
  Prefs::Section("Mended").clear();
  ASSERT_TRUE(Prefs::Load("Mended"));
  EXPECT_EQ(Prefs::Section("Mended"), (Prefs::SectionMap{{"k", "v"}}));
  EXPECT_EQ(List(home_ + "/settings/registry").size(), 3u);  // the lock, the new file, the old one
  EXPECT_EQ(notes_.size(), 1u);
}

TEST(PrefsUtilities, CaselessCompare) {
  struct Case {
    const char* a;
    const char* b;
    int result;
  };
  const Case cases[] = {
      {".PDF", ".pdf", 0}, {".pdf", ".pd", 1}, {".pd", ".pdf", -1}, {"", "", 0},
      {"abc", "abd", -1},  {"a", "B", 1},      {"B", "a", -1},       {"\xC9", "\xE9", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(CaselessCompare(c.a, c.b), c.result) << c.a << " / " << c.b;
}

TEST(PrefsUtilities, StrDup) {
  const char* text = "text";
  char* copy = StrDup(text);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, text);
  EXPECT_STREQ(copy, text);
  std::free(copy);
  EXPECT_EQ(StrDup(nullptr), nullptr);
}

TEST(PrefsUtilities, TempFilesAreNewPrivateFilesInTmpdir) {
  hosttest::BindTables();
  char dir[] = "/tmp/tempnamesXXXXXX";
  ASSERT_NE(::mkdtemp(dir), nullptr);
  ::setenv("TMPDIR", dir, 1);
  std::string a = TempFileName("C:\\temp", "ZentuPDFXPlugin");
  std::string b = TempFileName("C:\\temp", "ZentuPDFXPlugin");
  std::string c = TempFileName(nullptr, "../escape/");
  ::unsetenv("TMPDIR");
  const std::string prefix = std::string(dir) + "/ZentuPDFXPlugin";
  for (const std::string& name : {a, b}) {
    EXPECT_EQ(name.compare(0, prefix.size(), prefix), 0) << name;
    EXPECT_EQ(ModeOf(name), 0600u) << name;
  }
  EXPECT_NE(a, b);
  EXPECT_EQ(c.compare(0, std::string(dir).size() + 1, std::string(dir) + "/"), 0) << c;
  EXPECT_EQ(c.find('/', std::string(dir).size() + 1), std::string::npos) << c;
  EXPECT_EQ(List(dir).size(), 3u);
  std::system(("rm -rf '" + std::string(dir) + "'").c_str());
}

TEST(PrefsUtilities, ModulePathIsTheFolderOfThisProgram) {
  hosttest::BindTables();
  char exe[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
  ASSERT_GT(n, 0);
  std::string self(exe, static_cast<size_t>(n));
  std::string folder = GetModulePath();
  EXPECT_EQ(folder, self.substr(0, self.rfind('/')));
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '/');
}

}  // namespace
