#include <gtest/gtest.h>

#include <string>

#include "core/host.h"
#include "host/frame.h"
#include "host/piglue.h"

namespace {

class TablesTest : public ::testing::Test {
 protected:
  void SetUp() override { hosttest::BindTables(); }
  void TearDown() override { hosttest::ClearHooks(); }
};

int AddOne(int x) { return x + 1; }
HFTEntry gReplaced = nullptr;
int AddOneTwice(int x) { return reinterpret_cast<int (*)(int)>(gReplaced)(x) + 1; }

TEST_F(TablesTest, ImportTakesNewestVersionDownToFloor) {
  HFT v1 = host::NewTable("Widgets", HFT_VERSION(1, 0), 4);
  HFT v2 = host::NewTable("Widgets", HFT_VERSION(2, 0), 4);
  host::Publish(v1);
  host::Publish(v2);
  EXPECT_EQ(host::Import("Widgets", HFT_VERSION(1, 0)), v2);
  EXPECT_EQ(host::Import("Widgets", HFT_VERSION(2, 0)), v2);
  EXPECT_EQ(host::Import("Widgets", HFT_VERSION(3, 0)), nullptr);
  EXPECT_EQ(host::Import("Gadgets", 0), nullptr);

  HFT got = nullptr;
  PITableImport wanted[] = {{"Widgets", &got, HFT_VERSION(4, 0), HFT_VERSION(2, 0), true}};
  EXPECT_TRUE(PIImportTables(host::CoreTable(), wanted, 1));
  EXPECT_EQ(got, v2);
  HFT missing = nullptr;
  PITableImport required[] = {{"Gadgets", &missing, HFT_VERSION(2, 0), HFT_VERSION(1, 0), true}};
  EXPECT_FALSE(PIImportTables(host::CoreTable(), required, 1));
  PITableImport optional[] = {{"Gadgets", &missing, HFT_VERSION(2, 0), HFT_VERSION(1, 0), false}};
  EXPECT_TRUE(PIImportTables(host::CoreTable(), optional, 1));
  // The floor is kept: a table older than the floor is not taken.
  HFT old = nullptr;
  PITableImport floor[] = {{"Widgets", &old, HFT_VERSION(9, 0), HFT_VERSION(3, 0), true}};
  EXPECT_FALSE(PIImportTables(host::CoreTable(), floor, 1));
}

TEST_F(TablesTest, ReplacedEntryCanCallTheOneItReplaced) {
  HFT t = host::NewTable("Math", HFT_VERSION(1, 0), 3);
  host::SetEntry(t, 1, reinterpret_cast<HFTEntry>(&AddOne));
  gReplaced = host::ReplaceEntry(t, 1, reinterpret_cast<HFTEntry>(&AddOneTwice));
  EXPECT_EQ(HFTProc<int (*)(int)>(t, 1)(5), 7);
  // A missing entry raises instead of crashing.
  HostRegionResult r = HostRegion([&] { HFTProc<int (*)(int)>(t, 2)(5); });
  EXPECT_TRUE(r.raised);
  EXPECT_EQ(r.code, genErrMissingEntry);
  EXPECT_EQ(host::FrameDepth(), 0);
}

TEST_F(TablesTest, FramesUnwindOnRaiseAndOnForeignExceptions) {
  EXPECT_EQ(ASFrameDepth(), 0);
  HostRegionResult r = HostRegion([] {
    HostRegionResult inner = HostRegion([] { ASRaise(cosErrBadIndex); });
    EXPECT_TRUE(inner.raised);
    EXPECT_EQ(ASFrameDepth(), 1);
    ASRaise(genErrBadParm);
  });
  EXPECT_TRUE(r.raised);
  EXPECT_EQ(r.code, genErrBadParm);
  EXPECT_EQ(ASFrameDepth(), 0);

  EXPECT_THROW(HostRegion([] { throw std::runtime_error("plug-in fault"); }), std::runtime_error);
  EXPECT_EQ(ASFrameDepth(), 0);

  // A raise with code 0 is still a raise.
  HostRegionResult zero = HostRegion([] { ASRaise(0); });
  EXPECT_TRUE(zero.raised);
  EXPECT_EQ(zero.code, 0);
}

TEST_F(TablesTest, InjectedFaultHitsOnlyTheChosenOperationOnce) {
  hosttest::RaiseOnNextCall(host::TableId::Core, CoreSel::AtomFromString, genErrNoMemory);
  HostRegionResult r = HostRegion([] { ASAtomFromString("Type"); });
  EXPECT_TRUE(r.raised);
  EXPECT_EQ(r.code, genErrNoMemory);
  r = HostRegion([] { ASAtomFromString("Type"); });
  EXPECT_FALSE(r.raised);

  hosttest::RaiseOnNextAnyCall(0);
  r = HostRegion([] { ASAtomGetString(ASAtomFromString("Type")); });
  EXPECT_TRUE(r.raised);
  EXPECT_EQ(r.code, 0);
}

TEST_F(TablesTest, AtomsAreStableAndRaiseWhenExhausted) {
  ASAtom a = ASAtomFromString("Pages");
  EXPECT_EQ(ASAtomFromString("Pages"), a);
  EXPECT_STREQ(ASAtomGetString(a), "Pages");
  EXPECT_TRUE(ASAtomExistsForString("Pages"));
  EXPECT_FALSE(ASAtomExistsForString("NeverMade"));
  const size_t made = hosttest::AtomCount();
  HostRegionResult r = HostRegion([] {
    for (int i = 0; i < 70000; ++i) ASAtomFromString(("atom" + std::to_string(i)).c_str());
  });
  EXPECT_TRUE(r.raised);
  EXPECT_EQ(r.code, genErrTooManyAtoms);
  EXPECT_EQ(ASAtomFromString("Pages"), a);  // the existing ones still answer
  hosttest::ForgetAtomsFrom(made);
}

TEST_F(TablesTest, EveryErrorCodeHasAText) {
  char buf[1024];
  EXPECT_STRNE(ASGetErrorString(0x20010018, buf, sizeof buf), "Unknown error");
  EXPECT_STREQ(ASGetErrorString(0x7FFF0001, buf, sizeof buf), "Unknown error");
  char small[8];
  ASGetErrorString(cosErrTypeMismatch, small, sizeof small);
  EXPECT_EQ(std::string(small).size(), 7u);
}

}  // namespace
