// The standard classes: the condition-name patterns and what a clone
// shares with its prototype.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <boost/weak_ptr.hpp>

#include "standards/PDF_X_1_2001.h"
#include "standards/PDF_X_3_2002.h"
#include "standards_fixture.h"
#include "testing/processes.h"

namespace {

using standardstest::kStandards;
typedef boost::shared_ptr<Zentu::Fixer> FixerPtr;

const std::string kCmykConditions =
    "CGATS TR 001|Ifra_NP_40lcm_neg+CTP_05.00|OF COM NE P1 F60|OF COM NE P2 F60|OF COM NE P3 F60|OF COM NE P4 F60|"
    "OF COM PO P1 F60|OF COM PO P2 F60|OF COM PO P3 F60|OF COM PO P4 F60|SC GC2 CO F30";

// The fixers every build makes anew.
std::vector<FixerPtr> BuiltFixers(Zentu::Conformance& standard) {
  if (auto* x1 = dynamic_cast<Zentu::PDF_X_1_2001*>(&standard)) {
    return {standard.fixer,    x1->artBoxFixer,     x1->conformanceFixer,
            x1->trappedFixer,  x1->annotationFixer, x1->actionFixer};
  }
  auto& x3 = dynamic_cast<Zentu::PDF_X_3_2002&>(standard);
  return {standard.fixer, x3.artBoxFixer, x3.trappedFixer, x3.annotationFixer, x3.actionFixer};
}

class ClassesTest : public standardstest::StandardsFixture {};

TEST_F(ClassesTest, ConditionPatternsAreFilledByEachFamilysFirstBuildOnly) {
  hosttest::InProcessOfItsOwn([&] {
    Zentu::PDF_X_1a_2001 x1a;
    Zentu::PDF_X_1_2001 x1;
    Zentu::PDF_X_3_2002 x3;
    EXPECT_EQ(x1a.GetConditionNamesPattern(), "");
    EXPECT_EQ(x3.GetConditionNamesPattern(), "");
    for (int build = 0; build < 2; ++build) {
      x1a.BuildRules();
      EXPECT_EQ(x1a.GetConditionNamesPattern(), kCmykConditions);
      EXPECT_EQ(x1.GetConditionNamesPattern(), kCmykConditions) << "one pattern for the family";
      EXPECT_EQ(x3.GetConditionNamesPattern(), build == 0 ? "" : kCmykConditions + "|eciRGB");
      x3.BuildRules();
      EXPECT_EQ(x3.GetConditionNamesPattern(), kCmykConditions + "|eciRGB");
    }
  });
}

TEST_F(ClassesTest, EachCloneKeepsTheFixersOfItsOwnBuildAndSharesTheRules) {
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(kStandards[i]);
    boost::shared_ptr<Zentu::Conformance> first = Zentu::Conformance::CreateByName(kStandards[i]);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->IsColorManaged(), i == 1);
    EXPECT_EQ(first->IsDeviceColorOnly(), i == 0);
    std::vector<boost::weak_ptr<Zentu::Fixer>> held;
    for (const FixerPtr& fixer : BuiltFixers(*first)) {
      EXPECT_TRUE(fixer);
      held.push_back(fixer);
    }

    boost::shared_ptr<Zentu::Conformance> second = Zentu::Conformance::CreateByName(kStandards[i]);
    EXPECT_EQ(first->rules, second->rules) << "one rule list, emptied and filled in place";
    EXPECT_EQ(first->keyTable, second->keyTable);
    const std::vector<FixerPtr> made = BuiltFixers(*second);
    for (size_t f = 0; f < held.size(); ++f) {
      EXPECT_FALSE(held[f].expired()) << "fixer " << f << " lives with the first clone";
      EXPECT_NE(held[f].lock(), made[f]) << "fixer " << f << " is made by every build";
    }
  }
}

}  // namespace
