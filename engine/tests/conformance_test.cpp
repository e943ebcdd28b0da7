#include <gtest/gtest.h>

#include "core/host.h"
#include "engine/Conformance.h"
#include "engine/ErrorNames.h"
#include "test_standard.h"

namespace {

using enginetest::TestStandard;
using Zentu::Conformance;

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hosttest::BindTables();  // a rule build asks the host where the plug-in lies
    ClearGlobalRegistries();
  }
  void TearDown() override { ClearGlobalRegistries(); }
};

TEST_F(RegistryTest, CreateByNameClonesTheRegisteredPrototype) {
  TestStandard* first = new TestStandard("Test/A");
  TestStandard* second = new TestStandard("Test/B", 1.4);
  ASSERT_TRUE(Conformance::Register(first));
  ASSERT_TRUE(Conformance::Register(second));
  EXPECT_EQ(Conformance::RegisteredNames(), (std::vector<std::string>{"Test/A", "Test/B"}));

  boost::shared_ptr<Conformance> a = Conformance::CreateByName("Test/A");
  ASSERT_TRUE(a);
  EXPECT_NE(a.get(), first) << "a new object, not the prototype";
  EXPECT_EQ(a->name, "Test/A");
  EXPECT_EQ(first->builds, 1) << "the prototype rebuilt its rules before the copy";
  EXPECT_EQ(a->rules, first->rules) << "clones share the rule list";

  boost::shared_ptr<Conformance> b = Conformance::CreateByName("Test/B");
  ASSERT_TRUE(b);
  EXPECT_DOUBLE_EQ(b->highestVersion, 1.4);
  EXPECT_NE(Conformance::CreateByName("Test/A"), a);

  for (const char* missing : {"Test/C", "test/a", "TEST/A", "Test/A ", ""}) {
    EXPECT_FALSE(Conformance::CreateByName(missing)) << "'" << missing << "'";
  }
}

TEST_F(RegistryTest, RegistrationRefusesEmptyNamesAndKeepsTheFirstOfTwins) {
  EXPECT_FALSE(Conformance::Register(new TestStandard("")));
  EXPECT_FALSE(Conformance::Register(nullptr));
  EXPECT_TRUE(Conformance::RegisteredNames().empty());

  ASSERT_TRUE(Conformance::Register(new TestStandard("Twin", 1.3)));
  EXPECT_TRUE(Conformance::Register(new TestStandard("Twin", 1.5)));
  EXPECT_EQ(Conformance::RegisteredNames().size(), 1u);
  EXPECT_DOUBLE_EQ(Conformance::CreateByName("Twin")->highestVersion, 1.3);
}

TEST_F(RegistryTest, ClearingForgetsEverything) {
  Conformance::Register(new TestStandard("Test/A"));
  ASSERT_FALSE(Conformance::GetFeatureTable().empty());
  ClearGlobalRegistries();
  EXPECT_FALSE(Conformance::CreateByName("Test/A"));
  EXPECT_TRUE(Conformance::RegisteredNames().empty());
  EXPECT_TRUE(Conformance::GetFeatureTable().empty());

  // The next standard made builds the feature table again, once.
  TestStandard again("Again");
  TestStandard more("More");
  EXPECT_EQ(Conformance::GetFeatureTable().size(), 37u);
}

TEST(ConformanceBase, DefaultsAndBaseRuleBuild) {
  hosttest::BindTables();
  TestStandard standard("Base");
  EXPECT_FALSE(standard.IsColorManaged());
  EXPECT_TRUE(standard.IsDeviceColorOnly());
  EXPECT_EQ(standard.GetConditionNamesPattern(), "");
  EXPECT_EQ(standard.GetReserved(), nullptr);
  EXPECT_EQ(standard.maxSpotColors, -1);
  EXPECT_EQ(standard.secondLimit, -1);
  ASSERT_TRUE(standard.rules);
  ASSERT_TRUE(standard.keyTable);

  standard.text = "left over";
  standard.secondLimit = 4;
  standard.rules->push_back(boost::shared_ptr<KeyRule>(new KeyRule(KIND_PAGE)));
  standard.builder = [](TestStandard& s) { s.rules->push_back(boost::shared_ptr<KeyRule>(new KeyRule(KIND_FONT))); };
  standard.BuildRules();
  standard.BuildRules();
  EXPECT_EQ(standard.text, "");
  EXPECT_EQ(standard.secondLimit, -1);
  ASSERT_EQ(standard.rules->size(), 1u) << "each build starts from an empty list";
  EXPECT_EQ(standard.rules->front()->objectKind, KIND_FONT);

  // The printing conditions are one table for every standard.
  TestStandard other("Other");
  EXPECT_EQ(&standard.GetPrintingConditions(), &other.GetPrintingConditions());
}

TEST(ConformanceBase, FindOutputConditionByFamily) {
  TestStandard standard("Conditions");
  boost::shared_ptr<OutputIntentRecord> cmyk(new OutputIntentRecord);
  standard.profileSettings.nameIndex["Press"] = cmyk;
  standard.profileSettings.chosen[3] = "Press";
  standard.profileSettings.chosen[2] = "Unlisted";

  std::string name = "before";
  EXPECT_FALSE(standard.FindOutputCondition(1, name));
  EXPECT_EQ(name, "before") << "nothing chosen leaves the name";
  EXPECT_EQ(standard.FindOutputCondition(3, name), cmyk);
  EXPECT_EQ(name, "Press");
  EXPECT_FALSE(standard.FindOutputCondition(2, name));
  EXPECT_EQ(name, "Unlisted");
  EXPECT_EQ(standard.profileSettings.nameIndex.count("Unlisted"), 0u) << "asking adds no entry";
  EXPECT_FALSE(standard.FindOutputCondition(7, name));
}

}  // namespace
