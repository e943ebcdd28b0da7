#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "alternates/ImageOptions.h"
#include "alternates/Platform.h"
#include "alternates/Preferences.h"
#include "core/host.h"
#include "dialogs/manager.h"
#include "host/frame.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Dump(const ImageOptions& o) {
  std::ostringstream s;
  s << o.ScaleMethod << ' ' << o.DPU << ' ' << o.ScaleUnits << ' ' << o.Factor << ' ' << o.MCT << ' ' << o.CTCT
    << ' ' << o.JpegQuality << ' ' << o.AsciiEncode << ' ' << o.ScaleCriteria << ' ' << o.LimitDPU << ' '
    << o.LimitUnits << ' ' << o.LimitKBytes << ' ' << o.ConvertColors << o.CCRGB << o.CCCMYK << o.CCGrayscale
    << o.CCLab << o.CCSpots << ' ' << o.OutputProfile;
  return s.str();
}
const std::string kDefaults = "0 72 0 0.5 0 0 3 0 0 72 0 512 000000 1";

struct Value {
  std::string name;
  ASUns32 type;
  std::string data;  // a text with its terminator
};
Value Text(const std::string& name, const std::string& text) { return {name, winRegSz, text + '\0'}; }

// Each test keeps its settings in a folder of its own. The holder of the
// option store loads the registry once per process, so whatever goes
// through it runs in a child process of its own.
class OptionStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hosttest::BindTables();
    char dir[] = "/tmp/optionstoreXXXXXX";
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
  std::string HiveFile() const { return home_ + "/settings/registry/current_user.txt"; }

  // What the body answers, with the notes it gave, one a line after "|".
  std::string InChild(const std::function<std::string()>& body) {
    int fds[2];
    if (::pipe(fds) != 0) return "no pipe";
    pid_t child = ::fork();
    if (child == 0) {
      ::alarm(60);
      std::string out = body();
      for (const std::string& note : notes_) out += "|" + note;
      bool written = ::write(fds[1], out.data(), out.size()) == static_cast<ssize_t>(out.size());
      ::_exit(written ? 0 : 1);
    }
    ::close(fds[1]);
    std::string out;
    char buf[4096];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
    ::close(fds[0]);
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    return out;
  }

  void Seed(const std::vector<Value>& values) {
    WinRegKey key = nullptr;
    ASSERT_EQ(WinRegBeginRewrite(winHiveCurrentUser, RegistryPrefStore::kKeyPath, "String", &key), 0);
    for (const Value& v : values)
      ASSERT_EQ(WinRegSetValue(key, v.name.c_str(), v.type, v.data.data(), static_cast<ASUns32>(v.data.size())), 0);
    ASSERT_EQ(WinRegCommit(key), 0);
    WinRegCloseKey(key);
  }
  // The stored key: texts without their terminator, other types as "type N".
  std::map<std::string, std::string> Stored() {
    std::map<std::string, std::string> values;
    WinRegKey key = nullptr;
    if (WinRegOpenKey(winHiveCurrentUser, RegistryPrefStore::kKeyPath, &key) != 0) return values;
    const char *name, *data;
    ASUns32 type, size;
    for (ASUns32 i = 0; WinRegEnumValue(key, i, &name, &type, &data, &size) == 0; ++i)
      values[name] = type == winRegSz ? std::string(data, size - 1) : "type " + std::to_string(type);
    WinRegCloseKey(key);
    return values;
  }
  std::vector<Value> Seeded() {
    return {Text("ALTS:Factor", "0.25"), Text("ALTS:AsciiEncode", "2"), Text("ALTS:DPU", ""),
            Text("alts:dpu", "10"), Text("ALTS:LimitDPU", "abc"), Text("A:Long", std::string(2000, 'L')),
            {"Junk", winRegDword, std::string("\1\0\0\0", 4)}, Text("X:JpegQuality", "abc"),
            Text("X:OutputProfile", " 7x"), Text("X:Factor", "1e-1")};
  }

  std::string home_;
  std::vector<std::string> notes_;
};

TEST_F(OptionStoreTest, AFreshUserHasTheDefaultsAndEachSetKeepsItsOwnKeys) {
  EXPECT_EQ(InChild([] {
              Preferences* prefs = Preferences::Instance();
              bool once = prefs == Preferences::Instance() && prefs->Store() == prefs->Store();
              ImageOptions alts("ALTS"), orig("ORIG");
              alts.Save("ALTS");
              return Dump(alts) + "/" + Dump(orig) + (once ? "" : " made twice");
            }),
            kDefaults + "/" + kDefaults);
  std::map<std::string, std::string> alts = Stored();
  EXPECT_EQ(alts.size(), 19u);
  EXPECT_EQ(alts["ALTS:DPU"], "72.000000");
  EXPECT_EQ(alts["ALTS:ScaleMethod"], "0");
  EXPECT_EQ(alts["ALTS:CCSpots"], "0");
  struct stat st;
  ASSERT_EQ(::stat(HiveFile().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);  // the user's alone

  EXPECT_EQ(InChild([] {
              ImageOptions orig("ORIG"), copy("ALTS");
              orig.DPU = 300;
              orig.AsciiEncode = orig.CCLab = true;
              orig.MCT = ImageOptions::kCCITTG4;
              orig.Save("ORIG");
              copy = orig;
              return Dump(copy);
            }),
            "0 300 0 0.5 6 0 3 1 0 72 0 512 000010 1");
  std::map<std::string, std::string> both = Stored();
  EXPECT_EQ(both.size(), 38u);
  for (const auto& entry : alts) EXPECT_EQ(both[entry.first], entry.second) << entry.first;
  EXPECT_EQ(both["ORIG:DPU"], "300.000000");
  EXPECT_EQ(both["ORIG:CCLab"], "1");
}

// Long values load with those after them; empty texts and other sets are
// left alone; what is not text is reported and dropped.
TEST_F(OptionStoreTest, StoredTextsLoadAsAtoiAndAtofReadThem) {
  Seed(Seeded());
  EXPECT_EQ(InChild([] {
              ImageOptions alts("ALTS"), x("X");
              std::string never, lower;
              Preferences::Instance()->GetString(never, "ALTS:Nothing");
              Preferences::Instance()->GetString(lower, "alts:dpu");
              alts.Save("ALTS");
              ImageOptions reset = alts;
              reset.SetDefaults();
              return Dump(alts) + "/" + Dump(x) + "/" + never + "/" + lower + "/" + Dump(reset);
            }),
            "0 72 0 0.25 0 0 3 1 0 0 0 512 000000 1/0 72 0 0.1 0 0 0 0 0 72 0 512 000000 7//10/" + kDefaults +
                "|Invalid data type for key \"Junk\" -- ignoring key");
  std::map<std::string, std::string> stored = Stored();
  const std::map<std::string, std::string> expected = {
      {"ALTS:Factor", "0.250000"}, {"ALTS:AsciiEncode", "1"},    {"ALTS:DPU", "72.000000"},
      {"ALTS:ScaleMethod", "0"},   {"ALTS:JpegQuality", "3"},    {"ALTS:LimitKBytes", "512.000000"},
      {"ALTS:OutputProfile", "1"}, {"ALTS:LimitDPU", "0.000000"}, {"alts:dpu", "10"},
      {"A:Long", std::string(2000, 'L')}, {"X:OutputProfile", " 7x"}};
  for (const auto& entry : expected) EXPECT_EQ(stored[entry.first], entry.second) << entry.first;
  EXPECT_EQ(stored.size(), 19u + 5u);  // ALTS, alts:dpu, A:Long and X's three; no Junk, no ORIG
}

TEST_F(OptionStoreTest, AnUnlockableRegistryGetsANotePerWriteAndKeepsItsFile) {
  Seed({Text("ALTS:DPU", "96.000000")});
  const std::string before = ReadFile(HiveFile());
  const std::string lock = home_ + "/settings/registry/.lock";
  ASSERT_EQ(::unlink(lock.c_str()), 0);
  ASSERT_EQ(::mkdir(lock.c_str(), 0700), 0);
  std::string note = "|Error opening registry:  the settings folder could not be locked", notes;
  for (int i = 0; i < 19; ++i) notes += note;
  EXPECT_EQ(InChild([] {
              ImageOptions alts("ALTS");
              alts.DPU = 150;
              alts.Save("ALTS");
              return Preferences::Instance()->Store()->Get("ALTS:DPU");
            }),
            "150.000000" + notes);
  EXPECT_EQ(ReadFile(HiveFile()), before);
}

// A failed write leaves the file as it was; the store keeps the value and
// the next write takes it along.
TEST_F(OptionStoreTest, AFailedWriteKeepsTheFileAndTheNextWriteTakesTheValue) {
  const struct {
    std::function<void()> inject;
    std::string note;
  } cases[] = {
      {[] { hosttest::FailNextRegistryWrite(ENOSPC); },
       "Error writing key \"Software\\Zentu\\Glimmerset\\Current_Version\" to the registry"},
      {[] { hosttest::RaiseOnNextCall(host::TableId::Windows, WindowsSel::RegSetValue, genErrGeneral); },
       "Error writing key \"A:Long\" to the registry"},
  };
  for (const auto& c : cases) {
    Seed(Seeded());
    RegistryPrefStore store;
    notes_.clear();
    const std::string before = ReadFile(HiveFile());
    c.inject();
    store.Set("ALTS:Factor", "0.75");
    EXPECT_EQ(notes_, std::vector<std::string>{c.note});
    EXPECT_EQ(ReadFile(HiveFile()), before);
    EXPECT_EQ(store.Get("ALTS:Factor"), "0.75");
    EXPECT_EQ(ASFrameDepth(), 0);
    store.Set("ORIG:DPU", "1.000000");
    std::map<std::string, std::string> stored = Stored();
    EXPECT_EQ(stored["ALTS:Factor"], "0.75");
    EXPECT_EQ(stored["ORIG:DPU"], "1.000000");
    EXPECT_EQ(stored.count("Junk"), 0u);
  }
}

TEST_F(OptionStoreTest, ThePlatformIsMadeOnceAndLoadsThePluginsBitmaps) {
  static const ASUns32 palette[] = {0x000000, 0xFFFFFF};
  static const ASUns8 pixels[] = {0, 1, 0, 1, 0, 1};
  static const PIBitmapResource bitmaps[] = {{300, 3, 2, 2, palette, pixels}};
  static const PIResourceTable table = {nullptr, 0, bitmaps, 1, nullptr, 0};
  static const PIResourceTable* const tables[] = {&table};
  static const PIResourceDirectory directory = {sizeof(PIResourceDirectory), tables, 1};
  hosttest::RegisterResources(&directory);

  Platform* platform = Platform::Get();
  ASSERT_NE(platform, nullptr);
  EXPECT_EQ(platform, Platform::Get());
  for (ASInt32 number : {300, 0x10000 + 300}) {
    WinBitmap bitmap = platform->LoadBitmap(number);
    WinBitmapInfo info{};
    ASSERT_TRUE(bitmap && WinGetBitmapInfo(bitmap, &info)) << number;
    EXPECT_EQ(info.width, 3);
    EXPECT_EQ(info.height, 2);
    WinDeleteBitmap(bitmap);
  }
  EXPECT_EQ(platform->LoadBitmap(301), nullptr);
  EXPECT_EQ(ASFrameDepth(), 0);

  PrefStore* store = platform->CreatePrefStore();
  EXPECT_NE(dynamic_cast<RegistryPrefStore*>(store), nullptr);
  delete store;
  hosttest::RegisterResources(nullptr);
}

}  // namespace
