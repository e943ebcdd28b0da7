#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <map>
#include <sstream>

#include "alternates/ImageOptions.h"
#include "alternates/Platform.h"
#include "alternates/Preferences.h"
#include "dialogs/manager.h"
#include "host/frame.h"
#include "testing/pdfmaker.h"

namespace {

using hosttest::ReadFile;

std::string Dump(const ImageOptions& o) {
  std::ostringstream s;
  s << o.ScaleMethod << ' ' << o.DPU << ' ' << o.ScaleUnits << ' ' << o.Factor << ' ' << o.MCT << ' ' << o.CTCT
    << ' ' << o.JpegQuality << ' ' << o.AsciiEncode << ' ' << o.ScaleCriteria << ' ' << o.LimitDPU << ' '
    << o.LimitUnits << ' ' << o.LimitKBytes << ' ' << o.ConvertColors << o.CCRGB << o.CCCMYK << o.CCGrayscale
    << o.CCLab << o.CCSpots << ' ' << o.OutputProfile;
  return s.str();
}
const std::string kDefaults = "0 72 0 0.5 0 0 3 0 0 72 0 512 000000 1";

// Each test keeps its settings in a folder of its own. The option store's
// holder loads the registry once per process, so what goes through it runs
// in a child process.
class OptionStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hosttest::BindTables();
    ::setenv("PLUGHOST_HOME", home_.File("settings").c_str(), 1);
    host::SetAlertHandler([this](const host::AlertRequest& r) { return notes_.push_back(r.message), 1; });
  }
  void TearDown() override {
    host::SetAlertHandler(nullptr);
    hosttest::ClearHooks();
  }
  std::string HiveFile() const { return home_.File("settings/registry/current_user.txt"); }

  // The body's answer, then each note it gave after a "|".
  std::string InChild(const std::function<std::string()>& body) {
    const std::string out = home_.File("child.out");
    pid_t child = ::fork();
    if (child == 0) {
      ::alarm(60);
      std::string text = body();
      for (const std::string& note : notes_) text += "|" + note;
      hosttest::WriteFile(out, text);
      ::_exit(0);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    return ReadFile(out);
  }

  // The hive file's own form; "Junk" a number, as anyone might write it.
  void Seed() {
    ::mkdir(home_.File("settings").c_str(), 0700);
    ::mkdir(home_.File("settings/registry").c_str(), 0700);
    hosttest::WriteFile(HiveFile(), "plughost registry 1\n[Software\\Zentu\\Glimmerset\\Current_Version]\n"
        "\"ALTS:Factor\" sz \"0.25\"\n\"ALTS:AsciiEncode\" sz \"2\"\n\"ALTS:DPU\" sz \"\"\n\"alts:dpu\" sz \"10\"\n"
        "\"ALTS:LimitDPU\" sz \"abc\"\n\"X:JpegQuality\" sz \"abc\"\n\"X:OutputProfile\" sz \" 7x\"\n"
        "\"X:Factor\" sz \"1e-1\"\n\"Junk\" 4 hex 01000000\n\"A:Long\" sz \"" + std::string(2000, 'L') + "\"\n");
  }
  // Stored texts of the key by name, then "/" and how many values it holds.
  std::string Stored(const std::vector<std::string>& names) {
    std::map<std::string, std::string> values;
    WinRegKey key = nullptr;
    const char *name, *data;
    ASUns32 type, size;
    WinRegOpenKey(winHiveCurrentUser, RegistryPrefStore::kKeyPath, &key);
    for (ASUns32 i = 0; key && WinRegEnumValue(key, i, &name, &type, &data, &size) == 0; ++i)
      values[name] = std::string(data, size).c_str();
    if (key) WinRegCloseKey(key);
    std::string out;
    for (const std::string& n : names) out += (values.count(n) ? values[n] : "none") + " ";
    return out + "/" + std::to_string(values.size());
  }

  hosttest::TempDir home_;
  std::vector<std::string> notes_;
};

TEST_F(OptionStoreTest, AFreshUserHasTheDefaultsAndEachSetKeepsItsOwnKeys) {
  EXPECT_EQ(InChild([] {
              Preferences* prefs = Preferences::Instance();
              ImageOptions alts("ALTS"), orig("ORIG");
              alts.Save("ALTS");
              orig.DPU = 300;
              orig.AsciiEncode = orig.CCLab = true;
              orig.MCT = ImageOptions::kCCITTG4;
              orig.Save("ORIG");
              return Dump(alts) + "/" + Dump(orig) + (prefs->Store() == Preferences::Instance()->Store() ? "" : "!");
            }),
            kDefaults + "/0 300 0 0.5 6 0 3 1 0 72 0 512 000010 1");
  EXPECT_EQ(Stored({"ALTS:DPU", "ALTS:ScaleMethod", "ALTS:CCLab", "ORIG:DPU", "ORIG:CCLab", "ORIG:MCT"}),
            "72.000000 0 0 300.000000 1 6 /38");
}

// Long values load with those after them; empty texts and other sets are
// left alone; what is not text is reported and dropped.
TEST_F(OptionStoreTest, StoredTextsLoadAsAtoiAndAtofReadThem) {
  Seed();
  EXPECT_EQ(InChild([] {
              ImageOptions alts("ALTS"), x("X");
              std::string never = "?";
              Preferences::Instance()->GetString(never, "ALTS:Nothing");
              std::string loaded = Dump(alts) + "/" + Dump(x) + "/" + never + "/";
              alts.Save("ALTS");
              alts.SetDefaults();
              return loaded + Dump(alts);
            }),
            "0 72 0 0.25 0 0 3 1 0 0 0 512 000000 1/0 72 0 0.1 0 0 0 0 0 72 0 512 000000 7//" + kDefaults +
                "|Invalid data type for key \"Junk\" -- ignoring key");
  // ALTS's 19, alts:dpu, A:Long and X's three: no Junk, no ORIG.
  EXPECT_EQ(Stored({"ALTS:Factor", "ALTS:AsciiEncode", "ALTS:DPU", "ALTS:ScaleMethod", "ALTS:JpegQuality",
                    "ALTS:LimitKBytes", "ALTS:OutputProfile", "ALTS:LimitDPU", "alts:dpu", "X:OutputProfile"}),
            "0.250000 1 72.000000 0 3 512.000000 1 0.000000 10  7x /24");
  EXPECT_EQ(Stored({"A:Long"}), std::string(2000, 'L') + " /24");
}

// A write that fails leaves the file as it was and the value in the store,
// where the next write takes it.
TEST_F(OptionStoreTest, FailedWritesKeepTheFileAndTheNextWriteTakesTheValue) {
  Seed();
  const std::string lock = home_.File("settings/registry/.lock"), before = ReadFile(HiveFile());
  ASSERT_EQ(::mkdir(lock.c_str(), 0700), 0);
  std::string notes = "|Invalid data type for key \"Junk\" -- ignoring key";
  for (int i = 0; i < 19; ++i) notes += "|Error opening registry:  the settings folder could not be locked";
  EXPECT_EQ(InChild([] {
              ImageOptions orig("ORIG");
              orig.Save("ORIG");
              return Preferences::Instance()->Store()->Get("ORIG:DPU");
            }),
            "72.000000" + notes);
  EXPECT_EQ(ReadFile(HiveFile()), before);
  ASSERT_EQ(::rmdir(lock.c_str()), 0);

  const std::pair<std::function<void()>, std::string> cases[] = {
      {[] { hosttest::FailNextRegistryWrite(ENOSPC); },
       "Error writing key \"Software\\Zentu\\Glimmerset\\Current_Version\" to the registry"},
      {[] { hosttest::RaiseOnNextCall(host::TableId::Windows, WindowsSel::RegSetValue, genErrGeneral); },
       "Error writing key \"ALTS:Factor\" to the registry"}};
  for (const auto& c : cases) {
    Seed();
    RegistryPrefStore store;
    notes_.clear();
    const std::string seeded = ReadFile(HiveFile());
    c.first();
    store.Set("ALTS:Factor", "0.75");
    EXPECT_EQ(notes_, std::vector<std::string>{c.second});
    EXPECT_EQ(ReadFile(HiveFile()), seeded);
    EXPECT_EQ(store.Get("ALTS:Factor"), "0.75");
    EXPECT_EQ(ASFrameDepth(), 0);
    store.Set("ORIG:DPU", "1");
    EXPECT_EQ(Stored({"ALTS:Factor", "ORIG:DPU", "Junk"}), "0.75 1 none /10");
  }
}

TEST_F(OptionStoreTest, ThePlatformIsMadeOnceAndLoadsThePluginsBitmaps) {
  static const ASUns32 palette[] = {0x000000, 0xFFFFFF};
  static const ASUns8 pixels[6] = {};
  static const PIBitmapResource resource = {300, 3, 2, 2, palette, pixels};
  static const PIResourceTable table = {nullptr, 0, &resource, 1, nullptr, 0}, *const tables[] = {&table};
  static const PIResourceDirectory directory = {sizeof(PIResourceDirectory), tables, 1};
  hosttest::RegisterResources(&directory);

  Platform* platform = Platform::Get();
  ASSERT_TRUE(platform && platform == Platform::Get());
  WinBitmap bitmap = platform->LoadBitmap(0x10000 + 300);  // only the low 16 bits count
  WinBitmapInfo info{};
  EXPECT_TRUE(bitmap && WinGetBitmapInfo(bitmap, &info) && info.width == 3 && info.height == 2);
  WinDeleteBitmap(bitmap);
  EXPECT_EQ(platform->LoadBitmap(301), nullptr);
  PrefStore* store = platform->CreatePrefStore();
  EXPECT_TRUE(dynamic_cast<RegistryPrefStore*>(store));
  delete store;
  hosttest::RegisterResources(nullptr);
}

}  // namespace
