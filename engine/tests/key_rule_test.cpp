#include <gtest/gtest.h>

#include "engine/Conformance.h"
#include "engine/ErrorNames.h"
#include "engine/KeyRule.h"
#include "engine/ObjectNode.h"
#include "test_standard.h"

namespace {

using enginetest::TestStandard;
typedef boost::shared_ptr<KeyRule> RulePtr;
typedef boost::shared_ptr<Zentu::PDFX_Error> ErrorPtr;

// What the probe callback saw, call by call.
struct Seen {
  int containerKind;
  int objectKind;
  int valueId;
  int valueType;
  int containerId;
  int outerId;
};
std::vector<Seen> gSeen;
int gVerdict = 0;

int Probe(RuleContext* context, CheckResult*) {
  gSeen.push_back(Seen{context->containerKind, context->objectKind, context->value.GetID(),
                       context->value.CachedType(), context->container.GetID(), context->outerContainer.GetID()});
  return gVerdict;
}

RulePtr Reporting(KeyRule* rule, int problemKind = PROBLEM_FROM_TEST) {
  rule->silent = false;
  rule->severity = 6;
  rule->problemKind = problemKind;
  return RulePtr(rule);
}

class KeyRuleTest : public enginetest::DocTest {
 protected:
  void SetUp() override {
    gSeen.clear();
    gVerdict = 0;
    Open({
        "<< /K /A /Foo 1 /Arr [/X 5 0 R null] /Sub 5 0 R >>",  // 3
        "<< /Holds 3 0 R >>",                                    // 4
        "<< /FunctionType 2 >>",                                 // 5
        "<< /F /AHx /BPC 8 >>",                                  // 6
        "<< /Empty [] >>",                                       // 7
        "<< /BitsPerComponent 8 /Filter [/FlateDecode /DCTDecode] >>",  // 8
        "<< /BitsPerComponent 1 /Filter [] >>",                         // 9
    });
  }

  // Runs one top-level rule on object `number` (as `kind`, held by object 4).
  std::vector<ErrorPtr> Run(const RulePtr& rule, int number, int kind = KIND_UNKNOWN) {
    PDFXPreflight walker;
    TestStandard standard("Rules");
    standard.rules->push_back(rule);
    CheckResult result = standard.CheckDict(walker, kind, Obj(number), Obj(4));
    EXPECT_TRUE(result.passed) << "rules leave the pass flag alone";
    return std::vector<ErrorPtr>(walker.GetErrorList().begin(), walker.GetErrorList().end());
  }
  std::string OnlyMessage(const RulePtr& rule, int number, int kind = KIND_UNKNOWN) {
    std::vector<ErrorPtr> errors = Run(rule, number, kind);
    return errors.size() == 1 ? errors[0]->GetMessage() : "<" + std::to_string(errors.size()) + " errors>";
  }
};

TEST_F(KeyRuleTest, KeyRulesComposeTheirMessages) {
  struct Case {
    int presence;
    const char* keys;
    const char* values;
    const char* message;
    const char* expected;  // "" = no error
  } cases[] = {
      {KeyRule::REQUIRED, "Missing", "", "", "/Missing key is required"},
      {KeyRule::RECOMMENDED, "Missing", "", "", "/Missing key is recommended"},
      {KeyRule::NO_PRESENCE, "Missing", "", "", ""},
      {KeyRule::PROHIBITED, "Missing", "", "", ""},
      {KeyRule::PROHIBITED, "Foo", "", "", "/Foo key is prohibited"},
      {KeyRule::PROHIBITED, "K", "A|B", "", "/K key (must not be \"A\" or \"B\")"},
      {KeyRule::PROHIBITED, "K", "C|D", "", ""},
      {KeyRule::REQUIRED, "K", "B|C|D", "", "/K key (must be one of \"B\", \"C\", or \"D\")"},
      {KeyRule::REQUIRED, "K", "A", "", ""},
      {KeyRule::REQUIRED, "K", "B", "Use B", "Use B (must be \"B\")"},
      {KeyRule::REQUIRED, "Missing", "", "Say it", "Say it"},
      {KeyRule::REQUIRED, "Missing|Foo", "", "", ""},  // the first key present decides
  };
  for (const Case& c : cases) {
    RulePtr rule = Reporting(new KeyRule(c.presence, c.keys, c.values, '|'));
    rule->message = c.message;
    std::vector<ErrorPtr> errors = Run(rule, 3);
    if (*c.expected == 0) {
      EXPECT_TRUE(errors.empty()) << c.keys << " " << c.values;
    } else {
      ASSERT_EQ(errors.size(), 1u) << c.keys << " " << c.values;
      EXPECT_EQ(errors[0]->GetMessage(), c.expected);
      EXPECT_EQ(errors[0]->GetDetail(), std::string(c.keys).substr(0, std::string(c.keys).find('|')));
    }
  }
}

TEST_F(KeyRuleTest, ValuesPresentAreJudgedElementByElementAndWithoutAPresenceAskedFor) {
  struct Case {
    int presence;
    const char* key;
    const char* values;
    int number;
    bool silent;
    const char* expected;  // "" = no error
  } cases[] = {
      // With no presence asked for, a value present and not allowed is reported.
      {KeyRule::NO_PRESENCE, "BitsPerComponent", "1", 8, false, "M (must be \"1\")"},
      {KeyRule::NO_PRESENCE, "BitsPerComponent", "1", 9, false, ""},
      {KeyRule::NO_PRESENCE, "BitsPerComponent", "1", 3, false, ""},
      {KeyRule::NO_PRESENCE, "BitsPerComponent", "1", 8, true, ""},
      // A prohibited value is found in any element, an allowed list must hold every one.
      {KeyRule::PROHIBITED, "Filter", "DCTDecode", 8, false, "M (must not be \"DCTDecode\")"},
      {KeyRule::PROHIBITED, "Filter", "DCTDecode", 9, false, ""},
      {KeyRule::REQUIRED, "Filter", "FlateDecode|DCTDecode", 8, false, ""},
      {KeyRule::REQUIRED, "Filter", "FlateDecode", 8, false, "M (must be \"FlateDecode\")"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.key) + " " + c.values + " on " + std::to_string(c.number));
    RulePtr rule(new KeyRule(c.presence, c.key, c.values, '|'));
    rule->SetError(6, "M", PROBLEM_FROM_TEST);
    rule->silent = c.silent;
    std::vector<ErrorPtr> errors = Run(rule, c.number);
    if (*c.expected == 0) {
      EXPECT_TRUE(errors.empty());
      continue;
    }
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0]->GetMessage(), c.expected);
    EXPECT_EQ(errors[0]->GetProblemKind(), PROBLEM_INVALID);
    EXPECT_EQ(errors[0]->GetSeverity(), 6);
  }
}

TEST_F(KeyRuleTest, ProblemKindTwelveTakesTheTestsCode) {
  gVerdict = 9;
  struct Case {
    RulePtr rule;
    int number;
    int problem;
  } cases[] = {
      {Reporting(new KeyRule(KeyRule::REQUIRED, "Missing", "", '|')), 3, PROBLEM_MISSING},
      {Reporting(new KeyRule(KeyRule::REQUIRED, "K", "B", '|')), 3, PROBLEM_INVALID},
      {Reporting(new KeyRule(KeyRule::REQUIRED, int(CosArray))), 3, PROBLEM_WRONG_TYPE},
      {Reporting(new KeyRule(KeyRule::REQUIRED, std::vector<int>{KIND_FONT})), 3, PROBLEM_INVALID},
      {Reporting(new KeyRule(KIND_FONT)), 3, PROBLEM_GENERAL},
      {Reporting(new KeyRule(&Probe, "Probe")), 3, 9},
      {Reporting(new KeyRule(KeyRule::REQUIRED, "Missing", "", '|'), PROBLEM_BAD_FILTER), 3, PROBLEM_BAD_FILTER},
  };
  for (const Case& c : cases) {
    std::vector<ErrorPtr> errors = Run(c.rule, c.number);
    ASSERT_EQ(errors.size(), 1u) << "kind " << c.rule->kind;
    EXPECT_EQ(errors[0]->GetProblemKind(), c.problem) << "kind " << c.rule->kind;
    EXPECT_EQ(errors[0]->GetSeverity(), 6);
  }
}

TEST_F(KeyRuleTest, VerdictsGateFollowUps) {
  struct Case {
    RulePtr rule;
    bool negate;
    size_t followUpRuns;
    size_t errors;
  } cases[] = {
      // Silent rules gate by their verdict, inverted when negated.
      {RulePtr(new KeyRule(KeyRule::NO_PRESENCE, std::vector<int>{KIND_UNKNOWN})), false, 1, 0},
      {RulePtr(new KeyRule(KeyRule::NO_PRESENCE, std::vector<int>{KIND_UNKNOWN})), true, 0, 0},
      {RulePtr(new KeyRule(KeyRule::NO_PRESENCE, std::vector<int>{KIND_FONT})), true, 1, 0},
      // A reporting kind list never passes unless negated.
      {Reporting(new KeyRule(KeyRule::REQUIRED, std::vector<int>{KIND_UNKNOWN})), false, 0, 0},
      {Reporting(new KeyRule(KeyRule::REQUIRED, std::vector<int>{KIND_FONT})), false, 0, 1},
      {Reporting(new KeyRule(KeyRule::PROHIBITED, std::vector<int>{KIND_FONT})), true, 1, 1},
      {RulePtr(new KeyRule(KIND_UNKNOWN)), false, 1, 0},
      {RulePtr(new KeyRule(KIND_UNKNOWN)), true, 0, 0},
      {RulePtr(new KeyRule(KeyRule::NO_PRESENCE, int(CosDict))), false, 1, 0},
      {RulePtr(new KeyRule(KeyRule::NO_PRESENCE, int(CosDict))), true, 0, 0},
      {RulePtr(new KeyRule(KeyRule::NO_PRESENCE, "K", "A", '|')), false, 1, 0},
      {RulePtr(new KeyRule(KeyRule::NO_PRESENCE, "K", "B", '|')), true, 1, 0},
      {RulePtr(new KeyRule(KeyRule::NO_PRESENCE, "Missing", "", '|')), true, 0, 0},
      {RulePtr(new KeyRule(&Probe, "Probe")), false, 1, 0},
      {RulePtr(new KeyRule(&Probe, "Probe")), true, 0, 0},
  };
  for (const Case& c : cases) {
    gSeen.clear();
    c.rule->SetNegate(c.negate);
    c.rule->AddFollowUp(RulePtr(new KeyRule(&Probe, "Probe")));
    std::vector<ErrorPtr> errors = Run(c.rule, 3);
    size_t probeCalls = c.rule->kind == KeyRule::TEST_CALLBACK ? 1 : 0;
    EXPECT_EQ(gSeen.size(), c.followUpRuns + probeCalls) << "kind " << c.rule->kind << " negate " << c.negate;
    EXPECT_EQ(errors.size(), c.errors) << "kind " << c.rule->kind << " negate " << c.negate;
  }
}

TEST_F(KeyRuleTest, ElementRanges) {
  struct Case {
    int number;
    const char* key;
    KeyRule::Range range;
    const char* values;
    bool passes;
    size_t errors;
  } cases[] = {
      {7, "Empty", {0, -1}, "X", true, 0},      // nothing to check
      {3, "Arr", {0, 1}, "X", true, 0},
      {3, "Arr", {0, -1}, "X", false, 1},
      {3, "Arr", {1, 5}, "X", true, 0},         // runs past the end: skipped
      {3, "Arr", {3, -1}, "X", true, 0},        // starts past the end: skipped
      {3, "Arr", {0, -1}, "", true, 0},         // no values: anything goes
      {3, "K", {0, -1}, "A", true, 0},          // a single value is its own element
  };
  for (const Case& c : cases) {
    gSeen.clear();
    // Reached through a key rule so that the array is the value under test.
    RulePtr outer(new KeyRule(KeyRule::NO_PRESENCE, c.key, "", '|'));
    RulePtr elements = Reporting(new KeyRule(KeyRule::NO_PRESENCE, c.range, c.values, '|'));
    elements->AddFollowUp(RulePtr(new KeyRule(&Probe, "Probe")));
    outer->AddChild(elements);
    std::vector<ErrorPtr> errors = Run(outer, c.number);
    EXPECT_EQ(gSeen.size() == 1, c.passes) << c.key << " " << c.range.first << "-" << c.range.second;
    EXPECT_EQ(errors.size(), c.errors) << c.key << " " << c.range.first << "-" << c.range.second;
  }
}

TEST_F(KeyRuleTest, ChildrenSeeTheSelectedValueOneLevelDown) {
  // Object kind 9 at the top; the key's value is the indirect function 5.
  RulePtr key(new KeyRule(KeyRule::NO_PRESENCE, "Sub", "", '|'));
  key->AddChild(RulePtr(new KeyRule(&Probe, "Probe")));
  key->AddFollowUp(RulePtr(new KeyRule(&Probe, "Probe")));
  Run(key, 3, KIND_COLORSPACE);
  ASSERT_EQ(gSeen.size(), 2u);
  EXPECT_EQ(gSeen[0].containerKind, KIND_COLORSPACE);
  EXPECT_EQ(gSeen[0].objectKind, KIND_FUNCTION) << "classified";
  EXPECT_EQ(gSeen[0].valueId, 5);
  EXPECT_EQ(gSeen[0].containerId, 3);
  EXPECT_EQ(gSeen[0].outerId, 4);
  // The follow-up sees the rule's own context.
  EXPECT_EQ(gSeen[1].containerKind, 0);
  EXPECT_EQ(gSeen[1].objectKind, KIND_COLORSPACE);
  EXPECT_EQ(gSeen[1].valueId, 3);
  EXPECT_EQ(gSeen[1].containerId, 4);
  EXPECT_EQ(gSeen[1].outerId, -1);

  // An element rule hands each non-null element of its first range to its children.
  gSeen.clear();
  RulePtr arr(new KeyRule(KeyRule::NO_PRESENCE, "Arr", "", '|'));
  RulePtr elements(new KeyRule(KeyRule::NO_PRESENCE, KeyRule::Range(0, -1), "", '|'));
  elements->AddChild(RulePtr(new KeyRule(&Probe, "Probe")));
  arr->AddChild(elements);
  Run(arr, 3);
  ASSERT_EQ(gSeen.size(), 2u);
  EXPECT_EQ(gSeen[0].valueType, CosName);
  EXPECT_EQ(gSeen[1].valueId, 5);
  EXPECT_EQ(gSeen[1].outerId, 3);

  // A single value is its own only element, however far the range runs.
  gSeen.clear();
  RulePtr single(new KeyRule(KeyRule::NO_PRESENCE, "K", "", '|'));
  RulePtr wide(new KeyRule(KeyRule::NO_PRESENCE, KeyRule::Range(0, 3), "", '|'));
  wide->AddChild(RulePtr(new KeyRule(&Probe, "Probe")));
  single->AddChild(wide);
  Run(single, 3);
  ASSERT_EQ(gSeen.size(), 1u);
  EXPECT_EQ(gSeen[0].valueType, CosName);

  // Other kinds hand down the value itself.
  gSeen.clear();
  RulePtr kind(new KeyRule(KIND_PAGE));
  kind->AddChild(RulePtr(new KeyRule(&Probe, "Probe")));
  Run(kind, 3, KIND_PAGE);
  ASSERT_EQ(gSeen.size(), 1u);
  EXPECT_EQ(gSeen[0].valueId, 3);
  EXPECT_EQ(gSeen[0].containerId, 3);
  EXPECT_EQ(gSeen[0].containerKind, KIND_PAGE);
  EXPECT_EQ(gSeen[0].objectKind, KIND_UNKNOWN);
}

TEST_F(KeyRuleTest, ChildrenAndMessagesFollowTheKeyFound) {
  // The abbreviated /F of an inline image is checked when /Filter is absent.
  RulePtr filter(new KeyRule(KeyRule::NO_PRESENCE, "Filter|F", "", '|'));
  filter->AddChild(Reporting(new KeyRule(KeyRule::NO_PRESENCE, KeyRule::Range(0, -1), "FlateDecode|Fl", '|'), 7));
  RulePtr bits = Reporting(new KeyRule(KeyRule::REQUIRED, "BitsPerComponent|BPC", "1", '|'));
  std::vector<ErrorPtr> errors = Run(filter, 6);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0]->GetMessage(), " (must be \"FlateDecode\" or \"Fl\")");
  EXPECT_EQ(errors[0]->GetProblemKind(), 7);
  errors = Run(bits, 6);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0]->GetMessage(), "/BPC key (must be \"1\")");
  EXPECT_EQ(errors[0]->GetDetail(), "BPC");
}

TEST_F(KeyRuleTest, ErrorsNameTheirObjectsAndCarryTheFixer) {
  boost::shared_ptr<enginetest::RecordingFixer> fixer(new enginetest::RecordingFixer);
  RulePtr key(new KeyRule(KeyRule::NO_PRESENCE, "Sub", "", '|'));
  RulePtr plain = Reporting(new KeyRule(KIND_PAGE));
  plain->SetFixer(fixer);
  RulePtr upward = Reporting(new KeyRule(KIND_PAGE));
  upward->SetReportOnContainer(true);
  key->AddChild(plain);
  key->AddChild(upward);
  std::vector<ErrorPtr> errors = Run(key, 3, KIND_COLORSPACE);
  ASSERT_EQ(errors.size(), 2u);
  // The value tested (function 5) is what the problem lies in; 3 holds it.
  EXPECT_EQ(errors[0]->GetContainerNode()->objectNumber, 5);
  EXPECT_EQ(errors[0]->GetObjectNode()->objectNumber, 3);
  EXPECT_EQ(errors[0]->GetObjectKind(), KIND_FUNCTION);
  EXPECT_EQ(errors[0]->GetFixer(), fixer);
  ASSERT_EQ(fixer->attached.size(), 1u);
  EXPECT_EQ(fixer->attached[0], errors[0].get());
  // Reported on the container: one level up, with the container's kind.
  EXPECT_EQ(errors[1]->GetContainerNode()->objectNumber, 3);
  EXPECT_EQ(errors[1]->GetObjectNode()->objectNumber, 4);
  EXPECT_EQ(errors[1]->GetObjectKind(), KIND_COLORSPACE);
  EXPECT_FALSE(errors[1]->GetFixer());
}

TEST(KeyRuleBuild, ValueListsSkipEmptyPieces) {
  KeyRule key(KeyRule::REQUIRED, "||A||B|", "", '|');
  EXPECT_EQ(key.keyNames, (std::vector<std::string>{"A", "B"}));
  EXPECT_TRUE(key.values.empty());
  KeyRule::ParseValueList(key.values, "x;y", ';');
  EXPECT_EQ(key.values, (std::vector<std::string>{"x", "y"}));
}

}  // namespace
