// The batch router's client in this process, reached through its table as a
// router reaches it, with a router of the test's that records what it
// hears; and the colour layer's engine and handles.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "alternates/BatchClient.h"
#include "alternates/GlimmersetPlugIn.h"
#include "alternates/GlimmersetResources.h"
#include "alternates/ZentuCMS.h"
#include "common/CommonDialogs.h"
#include "dialogs/manager.h"
#include "testing/pdfmaker.h"

namespace {

PI_EXPORT_RESOURCES(&kGlimmersetResources, &Zentu::kCommonResources);

struct Heard {
  ASUns32 code;
  ASUns32 flag;
  std::string message;
  const void* data;
};
std::vector<Heard> gHeard;

ASUns32 RouterSend(const BatchIdentity*, const BatchIdentity*, ASUns32 code, void* data) {
  const auto* result = static_cast<const BatchResult*>(data);
  const bool done = code == kBatchDone || code == kBatchDoneWithError;
  gHeard.push_back({code, done ? result->errorFlag : 0, done ? std::string(result->message) : "", data});
  return 0;
}

std::vector<std::string> gCalls;
HFTEntry gAcquire, gRelease, gEnum;
PDPage CountAcquire(PDDoc doc, ASInt32 page) {
  gCalls.push_back("84 " + std::to_string(page));
  return reinterpret_cast<PDPage (*)(PDDoc, ASInt32)>(gAcquire)(doc, page);
}
void CountRelease(PDPage page) {
  gCalls.push_back("138");
  reinterpret_cast<void (*)(PDPage)>(gRelease)(page);
}
void CountEnum(PDDoc doc, ASInt32 first, ASInt32 last, ASAtom type, ASCallback proc, void* data) {
  gCalls.push_back("311");
  reinterpret_cast<void (*)(PDDoc, ASInt32, ASInt32, ASAtom, ASCallback, void*)>(gEnum)(doc, first, last, type, proc,
                                                                                       data);
}

class BatchClientTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    hosttest::BindTables();
    hosttest::RegisterResources(&PIResources);
    ASSERT_TRUE(PluginExportHFTs());
  }
  void SetUp() override {
    ::setenv("PLUGHOST_HOME", home_.File("settings").c_str(), 1);
    gHeard.clear();
    client_ = ASExtensionMgrGetHFT(ASAtomFromString("zent_Glimmerset"), 1);
    ASSERT_NE(client_, nullptr);
    std::memset(&router_, 0, sizeof router_);
    router_.size = 524;
    std::memcpy(router_.kind, "EVLS", 4);
  }
  void TearDown() override { host::CloseAllDocuments(); }

  ASUns32 Send(const BatchIdentity* sender, const BatchIdentity* receiver, ASUns32 code, void* data) {
    return HFTProc<BatchSendProc>(client_, 1)(sender, receiver, code, data);
  }
  ASUns32 Run(const std::string& action) {
    BatchRunRequest request{};
    request.size = 776;
    std::memcpy(request.action, action.data(), std::min(action.size(), sizeof request.action));
    return Send(&router_, &BatchClient::Identity(), kBatchRun, &request);
  }
  // The router of this test, published once.
  static void ListenAsRouter() {
    static bool published = false;
    if (published) return;
    HFT table = host::NewTable("CALS_BPRouter", 1, 2);
    host::SetEntry(table, 1, reinterpret_cast<HFTEntry>(&RouterSend));
    host::Publish(table);
    published = true;
    ASSERT_TRUE(PluginImportReplaceAndRegister());
    ASSERT_TRUE(PluginInit());
  }

  hosttest::TempDir home_;
  HFT client_ = nullptr;
  BatchIdentity router_;
};

// Without a router nothing is said, yet the table answers; malformed or
// misaddressed messages are refused and queue nothing.
TEST_F(BatchClientTest, TheTableAnswersQueriesAndRefusesWhatIsMalformed) {
  ASSERT_TRUE(ImportBatchRouter());
  BatchQuery query{};
  query.size = 2060;
  EXPECT_EQ(Send(&router_, &BatchClient::Identity(), kBatchQuery, &query), 0u);
  std::vector<std::string> names;
  const char* bytes = static_cast<const char*>(host::LockMoveable(query.actions.handle));
  for (ASUns32 at = 0; bytes && at < query.actions.used; at += 32) names.emplace_back(bytes + at);
  EXPECT_EQ(names, (std::vector<std::string>{"Create Alternates", "Remove Alternates", "Modify Images"}));
  for (const NameList& types : query.types) {
    EXPECT_EQ(types.used, 4u);
    EXPECT_STREQ(static_cast<const char*>(host::LockMoveable(types.handle)), "PDF");
    host::FreeMoveable(types.handle);
  }
  host::FreeMoveable(query.actions.handle);

  ListenAsRouter();
  EXPECT_EQ(gHeard.size(), 1u);  // the hello
  gHeard.clear();
  BatchIdentity other = BatchClient::Identity(), small = router_;
  other.name[200] ^= 1;
  small.size = 523;
  BatchRunRequest shortRun{};
  shortRun.size = 775;
  BatchQuery shortQuery{};
  shortQuery.size = 2059;
  const BatchIdentity* self = &BatchClient::Identity();
  const struct {
    const BatchIdentity *sender, *receiver;
    ASUns32 code;
    void* data;
    ASUns32 answer;
  } rows[] = {
      {&router_, self, kBatchRun, &shortRun, 12},     {&router_, self, kBatchQuery, &shortQuery, 11},
      {&router_, &other, kBatchQuery, &query, 3},     {&small, self, kBatchQuery, &query, 9},
      {nullptr, self, kBatchQuery, &query, 9},        {&router_, self, kBatchDoneWithError, &query, 6},
      {&router_, self, 0x42434999, &query, 5},
  };
  for (const auto& row : rows) EXPECT_EQ(Send(row.sender, row.receiver, row.code, row.data), row.answer) << row.answer;
  host::RunIdleRounds(2);
  EXPECT_TRUE(gHeard.empty());
}

// A name filling its field without a zero is read within the field; the
// page walk of flag 0x400 comes before the work.
TEST_F(BatchClientTest, RunsReadTheNameWithinItsFieldAndWalkThePagesWhenFlagged) {
  ListenAsRouter();
  gHeard.clear();
  host::OpenInView(std::string(SAMPLES) + "/images.pdf");
  ASSERT_EQ(Run(std::string(512, 'A')), 0u);
  host::RunIdleRounds(2);
  ASSERT_EQ(gHeard.size(), 1u);
  EXPECT_EQ(gHeard[0].code, kBatchDoneWithError);
  EXPECT_EQ(gHeard[0].flag, 16u);
  EXPECT_EQ(gHeard[0].message, ("Unknown action \"" + std::string(512, 'A')).substr(0, 255));

  gAcquire = host::ReplaceEntry(gPDModelHFT, PDModelSel::DocAcquirePage, reinterpret_cast<HFTEntry>(&CountAcquire));
  gRelease = host::ReplaceEntry(gPDModelHFT, PDModelSel::PageRelease, reinterpret_cast<HFTEntry>(&CountRelease));
  gEnum = host::ReplaceEntry(gPDModelHFT, PDModelSel::DocEnumResources, reinterpret_cast<HFTEntry>(&CountEnum));
  for (bool flagged : {true, false}) {
    PDDoc doc = host::ViewPDDoc(host::ActiveViewDocument());
    if (flagged) PDDocSetFlags(doc, 0x400);
    else PDDocClearFlags(doc, 0x400);
    gCalls.clear();
    gHeard.clear();
    ASSERT_EQ(Run("Create Alternates"), 0u);
    host::RunIdleRounds(2);
    ASSERT_EQ(gHeard.size(), 2u);
    EXPECT_EQ(gHeard[0].code, kBatchStatus);
    EXPECT_EQ(gHeard[1].code, kBatchDone);
    const auto first311 = std::find(gCalls.begin(), gCalls.end(), "311");
    const auto first84 = std::find_if(gCalls.begin(), gCalls.end(), [](const std::string& c) { return c[0] == '8'; });
    ASSERT_NE(first311, gCalls.end());
    if (flagged) {
      EXPECT_EQ(std::vector<std::string>(gCalls.begin(), gCalls.begin() + 6),
                (std::vector<std::string>{"84 0", "138", "84 1", "138", "84 2", "138"}));
      EXPECT_LT(first84, first311);
    } else {
      EXPECT_GT(first84, first311);
    }
  }
  host::ReplaceEntry(gPDModelHFT, PDModelSel::DocAcquirePage, gAcquire);
  host::ReplaceEntry(gPDModelHFT, PDModelSel::PageRelease, gRelease);
  host::ReplaceEntry(gPDModelHFT, PDModelSel::DocEnumResources, gEnum);
}

// An engine that counts the transforms it makes.
struct CountingEngine : ZentuCMS::Engine {
  struct Profile : ZentuCMS::Profile {
    void Description(std::string& out) override { out = "test"; }
    ASInt32 ComponentCount() override { return 4; }
    ASInt32 Family() override { return 4; }
  };
  struct Transform : ZentuCMS::Transform {
    void Apply(ZentuCMS::PixelLayout*, ZentuCMS::PixelLayout*) override {}
  };
  ZentuCMS::Transform* CreateTransform(const ASUns32*, const ASUns32*) override {
    ++transforms;
    return new Transform;
  }
  ZentuCMS::PixelLayout* CreatePixelLayout(ASInt32, ASInt32, const ASUns32*, void*) override {
    return new ZentuCMS::PixelLayout;
  }
  ZentuCMS::Profile* CreateProfile(const ASUns32*) override { return new Profile; }
  int transforms = 0;
};

TEST(ColourLayerTest, TheOnlyEngineRefusesAndTransformsAreMadeAtFirstUse) {
  ZentuCMS::Engine* engine = ZentuCMS::Engine::Instance();
  EXPECT_NE(engine, nullptr);
  EXPECT_EQ(ZentuCMS::Engine::Instance(), engine);
  const ASUns32 rgb = 3;
  // The layer's refusal reaches a caller's handler of either kind.
  bool asCMSError = false, asStandard = false;
  try {
    ZentuCMS::ProfileRef profile(&rgb);
  } catch (const ZentuCMS::CMSError&) {
    asCMSError = true;
  }
  try {
    ZentuCMS::ProfileRef profile(&rgb);
  } catch (const std::exception&) {
    asStandard = true;
  }
  EXPECT_TRUE(asCMSError && asStandard);
  EXPECT_THROW(ZentuCMS::ProfileRef profile(&rgb), ZentuCMS::Unimplemented);

  CountingEngine counting;
  zentucmstest::SetEngine(&counting);
  {
    ZentuCMS::TransformRef transform(3, 1);
    EXPECT_EQ(counting.transforms, 0);
    EXPECT_EQ(transform.DestinationProfile().ComponentCount(), 4);
    ZentuCMS::PixelLayoutRef in(1, 1, &rgb, nullptr), out(1, 1, &rgb, nullptr);
    transform.Apply(in.Get(), out.Get());
    EXPECT_NE(transform.Get(), nullptr);
    EXPECT_EQ(counting.transforms, 1);
  }
  zentucmstest::SetEngine(nullptr);
  EXPECT_EQ(ZentuCMS::Engine::Instance(), engine);
}

}  // namespace
