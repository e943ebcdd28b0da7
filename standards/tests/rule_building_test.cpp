// Configuring and linking rules as the rule builders do, and AlwaysFalse.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <boost/weak_ptr.hpp>

#include "engine/ErrorNames.h"
#include "engine/KeyRule.h"
#include "engine/ObjectNode.h"
#include "engine/PDFX_Error.h"
#include "standards/RuleBuilding.h"
#include "test_standard.h"

namespace {

typedef boost::shared_ptr<KeyRule> RulePtr;

int gProbes = 0;
int Probe(RuleContext*, CheckResult*) {
  ++gProbes;
  return 0;
}

class RuleBuildingTest : public enginetest::DocTest {
 protected:
  void SetUp() override { Open({"<< /Type /Font /Sub 4 0 R >>", "<< /Type /Font >>"}); }  // 3 and 4

  // The rules run on font 3; the records filed, by the object each lies in.
  std::vector<int> Run(const std::vector<RulePtr>& rules) {
    PDFXPreflight walker;
    enginetest::TestStandard standard("Rules");
    standard.rules->assign(rules.begin(), rules.end());
    standard.CheckDict(walker, KIND_FONT, Obj(3), MyCosObj());
    std::vector<int> filed;
    for (const auto& error : walker.GetErrorList()) {
      EXPECT_EQ(error->GetMessage(), "x");
      EXPECT_EQ(error->GetSeverity(), 7);
      EXPECT_EQ(error->GetProblemKind(), PROBLEM_GENERAL) << "AlwaysFalse's verdict, or kind 1's";
      filed.push_back(error->GetContainerNode()->objectNumber);
    }
    return filed;
  }
};

TEST_F(RuleBuildingTest, SetFixerSharesAFixerAndLetsTheOldOneGo) {
  RulePtr rule(new KeyRule(KIND_FONT));
  boost::shared_ptr<Zentu::Fixer> fixer(new enginetest::RecordingFixer);
  rule->SetFixer(fixer);
  rule->SetFixer(rule->fixer);
  EXPECT_EQ(fixer.use_count(), 2) << "the same fixer again counts once";
  boost::weak_ptr<Zentu::Fixer> old = fixer;
  fixer.reset();
  rule->SetFixer(boost::shared_ptr<Zentu::Fixer>(new enginetest::RecordingFixer));
  EXPECT_TRUE(old.expired()) << "its last owner replaced it";
}

TEST_F(RuleBuildingTest, NegationGatesWhatFollowsAndOneRuleServesTwoParents) {
  // A negated rule whose test passes fails: no follow-up, no child, and a report.
  for (bool negate : {false, true}) {
    gProbes = 0;
    RulePtr fonts(new KeyRule(KIND_FONT));
    fonts->SetError(7, "x", PROBLEM_FROM_TEST);
    fonts->SetNegate(negate);
    fonts->AddFollowUp(RulePtr(new KeyRule(&Probe, "Probe")));
    fonts->AddChild(RulePtr(new KeyRule(&Probe, "Probe")));
    EXPECT_EQ(Run({fonts}), negate ? std::vector<int>{3} : std::vector<int>{});
    EXPECT_EQ(gProbes, negate ? 0 : 2);
  }

  // AlwaysFalse under two parents reports under both, as configured through either.
  RulePtr always(new KeyRule(&AlwaysFalse, "AlwaysFalse"));
  RulePtr fonts(new KeyRule(KIND_FONT));
  RulePtr sub(new KeyRule(KeyRule::NO_PRESENCE, "Sub", "", '|'));
  fonts->AddFollowUp(always);
  sub->AddChild(always);
  always->SetError(4, "first", 3);
  sub->children.front()->SetError(7, "x", PROBLEM_FROM_TEST);
  EXPECT_EQ(Run({fonts, sub}), (std::vector<int>{3, 4}));
}

}  // namespace
