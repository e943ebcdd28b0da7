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

using enginetest::RecordingFixer;
using enginetest::TestStandard;
typedef boost::shared_ptr<KeyRule> RulePtr;

// The objects each probe was called on, in order.
std::vector<int> gProbed;
int Probe(RuleContext* context, CheckResult*) {
  gProbed.push_back(context->value.GetID());
  return 0;
}

class RuleBuildingTest : public enginetest::DocTest {
 protected:
  void SetUp() override {
    gProbed.clear();
    Open({"<< /Type /Font /Sub 4 0 R >>", "<< /Type /Font >>"});  // 3 and 4
  }

  // The standard's rules run on object `number` as a font; the records filed.
  std::vector<boost::shared_ptr<Zentu::PDFX_Error>> Run(const std::vector<RulePtr>& rules, int number) {
    PDFXPreflight walker;
    TestStandard standard("Rules");
    standard.rules->assign(rules.begin(), rules.end());
    standard.CheckDict(walker, KIND_FONT, Obj(number), MyCosObj());
    return {walker.GetErrorList().begin(), walker.GetErrorList().end()};
  }
};

TEST_F(RuleBuildingTest, AlwaysFalseReportsEveryObjectItIsReachedFor) {
  RulePtr rule(new KeyRule(&AlwaysFalse, "AlwaysFalse"));
  rule->SetError(4, "first", 3);
  rule->SetError(7, "x", PROBLEM_FROM_TEST);
  auto records = Run({rule}, 3);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]->GetMessage(), "x");
  EXPECT_EQ(records[0]->GetSeverity(), 7);
  EXPECT_EQ(records[0]->GetProblemKind(), PROBLEM_GENERAL) << "the verdict of AlwaysFalse";
  EXPECT_EQ(rule->callbackName, "AlwaysFalse");
}

TEST_F(RuleBuildingTest, SetFixerSharesAndLetsGo) {
  RulePtr rule(new KeyRule(KIND_FONT));
  boost::shared_ptr<Zentu::Fixer> fixer(new RecordingFixer);
  rule->SetFixer(fixer);
  EXPECT_EQ(fixer.use_count(), 2);
  rule->SetFixer(rule->fixer);
  EXPECT_EQ(fixer.use_count(), 2) << "the same fixer again";

  boost::weak_ptr<Zentu::Fixer> old = fixer;
  fixer.reset();
  rule->SetFixer(boost::shared_ptr<Zentu::Fixer>(new RecordingFixer));
  EXPECT_TRUE(old.expired()) << "its last owner replaced it";
  rule->SetFixer(boost::shared_ptr<Zentu::Fixer>());
  EXPECT_FALSE(rule->fixer);
}

TEST_F(RuleBuildingTest, NegationGatesFollowUpsAndChildrenAndOneRuleServesTwoParents) {
  struct Case {
    const char* name;
    int kind;  // the object is a font
    bool negate;
    bool silent;
    std::vector<int> probed;  // the follow-up, then the child, each on the object
    size_t records;
  } cases[] = {
      {"passing", KIND_FONT, false, true, {3, 3}, 0},
      {"negated and passing", KIND_FONT, true, true, {}, 0},
      {"negated, passing and reporting", KIND_FONT, true, false, {}, 1},
      {"negated and failing", KIND_PAGE, true, true, {3, 3}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    gProbed.clear();
    RulePtr rule(new KeyRule(c.kind));
    if (!c.silent) rule->SetError(5, "negated", PROBLEM_FROM_TEST);
    rule->SetNegate(c.negate);
    rule->AddFollowUp(RulePtr(new KeyRule(&Probe, "Probe")));
    rule->AddChild(RulePtr(new KeyRule(&Probe, "Probe")));
    EXPECT_EQ(Run({rule}, 3).size(), c.records);
    EXPECT_EQ(gProbed, c.probed);
  }

  // One rule under two parents runs under both; a change through one is seen by both.
  RulePtr shared(new KeyRule(&AlwaysFalse, "AlwaysFalse"));
  RulePtr fonts(new KeyRule(KIND_FONT));
  RulePtr sub(new KeyRule(KeyRule::NO_PRESENCE, "Sub", "", '|'));
  fonts->AddFollowUp(shared);
  sub->AddChild(shared);
  fonts->followUps.front()->SetError(6, "shared", 1);
  auto records = Run({fonts, sub}, 3);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0]->GetContainerNode()->objectNumber, 3);
  EXPECT_EQ(records[1]->GetContainerNode()->objectNumber, 4);
  for (const auto& record : records) EXPECT_EQ(record->GetMessage(), "shared");
}

}  // namespace
