// The standard classes: the condition-name patterns, what a clone shares
// with its prototype, and the fixers each build makes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <boost/weak_ptr.hpp>

#include "engine/Fixers.h"
#include "standards/PDF_X_1_2001.h"
#include "standards/PDF_X_3_2002.h"
#include "standards_fixture.h"

namespace {

using standardstest::kStandards;
using standardstest::StandardsFixture;
typedef boost::shared_ptr<Zentu::Fixer> FixerPtr;

const char kCmykConditions[] =
    "CGATS TR 001|Ifra_NP_40lcm_neg+CTP_05.00|OF COM NE P1 F60|OF COM NE P2 F60|OF COM NE P3 F60|OF COM NE P4 F60|"
    "OF COM PO P1 F60|OF COM PO P2 F60|OF COM PO P3 F60|OF COM PO P4 F60|SC GC2 CO F30";

// What a build makes, in the order of the members; the value each
// information-dictionary fixer writes, or the key a key remover takes.
struct Made {
  FixerPtr fixer;
  std::string writes;
};

std::string Writes(const FixerPtr& fixer) {
  if (auto info = boost::dynamic_pointer_cast<Zentu::InfoDictFixer>(fixer)) return "info " + info->GetValue();
  if (auto key = boost::dynamic_pointer_cast<Zentu::KeyRemovalFixer>(fixer)) return "remove " + key->GetKey();
  if (boost::dynamic_pointer_cast<Zentu::ObscuringAnnotationFixer>(fixer)) return "annotations";
  if (boost::dynamic_pointer_cast<Zentu::ActionFixer>(fixer)) return "actions";
  return fixer ? "other" : "none";
}

std::vector<Made> MadeBy(Zentu::Conformance& standard) {
  std::vector<FixerPtr> fixers;
  if (auto* x1 = dynamic_cast<Zentu::PDF_X_1_2001*>(&standard)) {
    fixers = {standard.fixer, x1->artBoxFixer, x1->conformanceFixer, x1->trappedFixer, x1->annotationFixer,
              x1->actionFixer};
  } else if (auto* x3 = dynamic_cast<Zentu::PDF_X_3_2002*>(&standard)) {
    fixers = {standard.fixer, x3->artBoxFixer, x3->trappedFixer, x3->annotationFixer, x3->actionFixer};
  }
  std::vector<Made> made;
  for (const FixerPtr& fixer : fixers) made.push_back(Made{fixer, Writes(fixer)});
  return made;
}

class ClassesTest : public StandardsFixture {};

TEST_F(ClassesTest, ConditionPatternsAreFilledByEachFamilysFirstBuildOnly) {
  Zentu::PDF_X_1a_2001 x1a;
  Zentu::PDF_X_1_2001 x1;
  Zentu::PDF_X_3_2002 x3;
  EXPECT_EQ(x1a.GetConditionNamesPattern(), "");
  EXPECT_EQ(x3.GetConditionNamesPattern(), "");
  for (int build = 0; build < 2; ++build) {
    x1a.BuildRules();
    EXPECT_EQ(x1a.GetConditionNamesPattern(), kCmykConditions);
    EXPECT_EQ(x1.GetConditionNamesPattern(), kCmykConditions) << "one pattern for the family";
    EXPECT_EQ(x3.GetConditionNamesPattern(), build == 0 ? "" : std::string(kCmykConditions) + "|eciRGB");
    x3.BuildRules();
    EXPECT_EQ(x3.GetConditionNamesPattern(), std::string(kCmykConditions) + "|eciRGB");
  }
}

TEST_F(ClassesTest, EachCloneHasTheFixersOfItsOwnBuildAndSharesTheRules) {
  const std::vector<std::vector<std::string>> writes = {
      {"info PDF/X-1:2001", "remove ArtBox", "info PDF/X-1a:2001", "info True", "annotations", "actions"},
      {"info PDF/X-3:2002", "remove ArtBox", "info True", "annotations", "actions"}};
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(kStandards[i]);
    boost::shared_ptr<Zentu::Conformance> first = Zentu::Conformance::CreateByName(kStandards[i]);
    ASSERT_TRUE(first);
    std::vector<boost::weak_ptr<Zentu::Fixer>> firstFixers;
    std::vector<std::string> firstWrites;
    for (const Made& made : MadeBy(*first)) {
      firstFixers.push_back(made.fixer);
      firstWrites.push_back(made.writes);
    }
    EXPECT_EQ(firstWrites, writes[i]);
    EXPECT_EQ(first->IsColorManaged(), i == 1);
    EXPECT_EQ(first->IsDeviceColorOnly(), i == 0);

    boost::shared_ptr<Zentu::Conformance> second = Zentu::Conformance::CreateByName(kStandards[i]);
    ASSERT_TRUE(second);
    EXPECT_EQ(first->rules, second->rules) << "one rule list, emptied and filled in place";
    EXPECT_EQ(first->keyTable, second->keyTable);
    const std::vector<Made> secondMade = MadeBy(*second);
    ASSERT_EQ(secondMade.size(), firstFixers.size());
    for (size_t f = 0; f < firstFixers.size(); ++f) {
      EXPECT_FALSE(firstFixers[f].expired()) << "fixer " << f << " lives with the first clone";
      EXPECT_NE(firstFixers[f].lock(), secondMade[f].fixer) << "fixer " << f << " is made by every build";
    }
    first.reset();
    for (size_t f = 0; f < firstFixers.size(); ++f) EXPECT_TRUE(firstFixers[f].expired()) << f;
  }
}

}  // namespace
