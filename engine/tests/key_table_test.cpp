#include <gtest/gtest.h>

#include "engine/Conformance.h"
#include "engine/ErrorNames.h"
#include "engine/ObjectNode.h"
#include "test_standard.h"

namespace {

using enginetest::TestStandard;
typedef boost::shared_ptr<Zentu::PDFX_Error> ErrorPtr;

bool Later(FixContext&) { return false; }

class KeyTableTest : public enginetest::DocTest {
 protected:
  void SetUp() override {
    Open({
        "<< /Trapped /Maybe /Three /D /Count 5 /Arr [1 2] >>",                     // 3
        "<< /Decode [0 0 1 1] /One 1.0 /Int 1 /Name /1 /Half 0.5 /Bool true >>",  // 4
        "<< /Type /Catalog /Pages 2 0 R /Metadata << >> /AcroForm << >> >>",      // 5
        "<< /Decode /Single >>",                                                   // 6
        "<< /Holder 3 0 R >>",                                                     // 7
    });
  }

  // Checks object `number` as a dictionary of `kind` held by object 7.
  CheckResult Check(int kind, int number) { return standard_.CheckDict(walker_, kind, Obj(number), Obj(7)); }
  std::vector<ErrorPtr> Errors() const {
    return std::vector<ErrorPtr>(walker_.GetErrorList().begin(), walker_.GetErrorList().end());
  }
  void Entry(int kind, int keyClass, const char* key, const char* values, int cosType = 0,
             const char* message = nullptr, boost::shared_ptr<Zentu::Fixer>* fixer = nullptr,
             DeferredTest test = nullptr) {
    KeySpec spec = {kind, keyClass, key, values, cosType, 6, message, fixer, test};
    standard_.ParseOptions(&spec, 1);
  }

  TestStandard standard_{"Keys"};
  PDFXPreflight walker_;
};

TEST_F(KeyTableTest, ValueErrorsNameTheAllowedValues) {
  Entry(KIND_INFO, KEY_OPTIONAL, "Trapped", "True|False");
  Entry(KIND_INFO, KEY_OPTIONAL, "Three", "A|B|C");
  Entry(KIND_INFO, KEY_OPTIONAL, "Count", "5");
  CheckResult result = Check(KIND_INFO, 3);
  EXPECT_FALSE(result.passed);
  std::vector<ErrorPtr> errors = Errors();
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0]->GetMessage(), "/Three key (must be one of \"A\", \"B\", or \"C\")");
  EXPECT_EQ(errors[1]->GetMessage(), "/Trapped key (must be \"True\" or \"False\")");
  EXPECT_EQ(errors[1]->GetProblemKind(), PROBLEM_INVALID);
  EXPECT_EQ(errors[1]->GetDetail(), "Trapped");
  EXPECT_EQ(errors[1]->GetSeverity(), 6);
  EXPECT_EQ(errors[1]->GetObjectKind(), KIND_INFO);
  // The dictionary is what the problem lies in; its holder is the object node.
  EXPECT_EQ(errors[1]->GetContainerNode()->objectNumber, 3);
  EXPECT_EQ(errors[1]->GetObjectNode()->objectNumber, 7);
}

TEST_F(KeyTableTest, PresenceAndTypeByKeyClass) {
  Entry(KIND_INFO, KEY_REQUIRED, "Missing0", nullptr);
  Entry(KIND_INFO, KEY_REQUIRED_LATE, "Missing1[all]", "x");
  Entry(KIND_INFO, KEY_OPTIONAL, "MissingOpt", "x");
  Entry(KIND_INFO, KEY_OPTIONAL, "Count", nullptr, CosName);
  Entry(KIND_INFO, KEY_OPTIONAL, "Trapped", nullptr, CosName);
  Entry(KIND_INFO, KEY_OPTIONAL, "Arr", nullptr, CosArray);  // the array itself, not its first element
  Check(KIND_INFO, 3);
  std::vector<ErrorPtr> errors = Errors();
  ASSERT_EQ(errors.size(), 3u);
  // Class 0 first, then class 3, then class 1.
  EXPECT_EQ(errors[0]->GetMessage(), "/Missing0 key");
  EXPECT_EQ(errors[0]->GetProblemKind(), PROBLEM_MISSING);
  EXPECT_EQ(errors[1]->GetMessage(), "/Count key");
  EXPECT_EQ(errors[1]->GetProblemKind(), PROBLEM_WRONG_TYPE);
  EXPECT_EQ(errors[2]->GetMessage(), "/Missing1[all] key (must be \"x\")");
  EXPECT_EQ(errors[2]->GetDetail(), "Missing1");
  EXPECT_EQ(errors[2]->GetProblemKind(), PROBLEM_MISSING);
}

TEST_F(KeyTableTest, IndexPartsSelectElements) {
  struct Case {
    int object;
    const char* key;
    const char* values;
    size_t errors;
  } cases[] = {
      {4, "Decode[0-2]", "0", 0},    // elements 0 and 1
      {4, "Decode[0-3]", "0", 1},    // element 2 is 1
      {4, "Decode[2]", "1", 0},      {4, "Decode[-2]", "0", 0},  {4, "Decode[2-]", "1", 0},
      {4, "Decode[all]", "0|1", 0},  {4, "Decode[all]", "0", 2}, {4, "Decode", "0", 1},  // the array as a whole
      {6, "Decode[all]", "Single", 0},  // a single value is its own element 0
      {4, "Decode[x]", "0", 0},         // not a number: index 0
      {4, "Decode[3-9]", "1", 5},       // past the end: absent elements do not match
      {6, "Decode[1]", "Single", 1},    // a single value has no element 1
  };
  for (const Case& c : cases) {
    PDFXPreflight walker;
    TestStandard standard("Index");
    KeySpec spec = {KIND_IMAGE, KEY_OPTIONAL, c.key, c.values, 0, 7, nullptr, nullptr, nullptr};
    standard.ParseOptions(&spec, 1);
    standard.CheckDict(walker, KIND_IMAGE, Obj(c.object), MyCosObj());
    EXPECT_EQ(walker.GetErrorList().size(), c.errors) << c.key << " on object " << c.object;
  }
}

TEST_F(KeyTableTest, NumbersMatchAcrossForms) {
  struct Case {
    const char* key;
    const char* values;
    bool matches;
  } cases[] = {
      {"One", "1", true},    {"One", "1.0", true},  {"One", "1.5", false}, {"Int", "1", true},
      {"Int", "01", true},   {"Int", "1.0", true},  {"Int", "2", false},   {"Name", "1", true},
      {"Name", "/1", false}, {"Half", "0.5", true}, {"Half", "1", false},  {"Bool", "true", true},
  };
  for (const Case& c : cases) {
    PDFXPreflight walker;
    TestStandard standard("Numbers");
    KeySpec spec = {KIND_IMAGE, KEY_OPTIONAL, c.key, c.values, 0, 7, nullptr, nullptr, nullptr};
    standard.ParseOptions(&spec, 1);
    standard.CheckDict(walker, KIND_IMAGE, Obj(4), MyCosObj());
    EXPECT_EQ(walker.GetErrorList().empty(), c.matches) << c.key << " against " << c.values;
  }
}

TEST_F(KeyTableTest, ProhibitedKeysCarryFixerAndDeferredTest) {
  boost::shared_ptr<Zentu::Fixer> fixer(new enginetest::RecordingFixer);
  Entry(KIND_INFO, KEY_PROHIBITED, "Trapped", nullptr, 0, nullptr, &fixer, &Later);
  Entry(KIND_INFO, KEY_PROHIBITED, "Count", nullptr, 0, "No counting here");
  Entry(KIND_INFO, KEY_PROHIBITED, "Absent", nullptr);
  EXPECT_FALSE(Check(KIND_INFO, 3).passed);
  std::vector<ErrorPtr> errors = Errors();
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0]->GetMessage(), "No counting here");
  EXPECT_EQ(errors[1]->GetMessage(), "/Trapped key");
  EXPECT_EQ(errors[1]->GetDetail(), "Trapped");
  EXPECT_EQ(errors[1]->GetProblemKind(), PROBLEM_INVALID);
  EXPECT_EQ(errors[1]->GetFixer(), fixer);
  EXPECT_EQ(errors[1]->GetDeferredTest(), &Later);
  EXPECT_EQ(static_cast<enginetest::RecordingFixer&>(*fixer).attached.size(), 1u);
  EXPECT_FALSE(errors[0]->GetFixer());
}

TEST_F(KeyTableTest, LaterEntriesOverwriteWhatTheyGive) {
  boost::shared_ptr<Zentu::Fixer> fixer(new enginetest::RecordingFixer);
  Entry(KIND_INFO, KEY_OPTIONAL, "Trapped", "True", 0, "Own message", &fixer);
  Entry(KIND_INFO, KEY_OPTIONAL, "Trapped", nullptr, CosName);  // keeps message, fixer and values
  const KeyEntry& kept = standard_.keyTable->at(std::make_pair(int(KIND_INFO), int(KEY_OPTIONAL))).at("Trapped");
  EXPECT_EQ(kept.message, "Own message");
  EXPECT_EQ(kept.fixer, fixer);
  EXPECT_EQ(kept.values, std::vector<std::string>{"True"});
  EXPECT_EQ(kept.cosType, CosName);
  Entry(KIND_INFO, KEY_OPTIONAL, "Trapped", "Maybe", 0, "New");
  EXPECT_EQ(kept.message, "New");
  EXPECT_EQ(kept.values, std::vector<std::string>{"Maybe"});
  EXPECT_EQ(kept.cosType, 0);
  EXPECT_TRUE(Check(KIND_INFO, 3).passed);
}

TEST_F(KeyTableTest, LaterPdfFeaturesFireAboveTheHighestVersion) {
  EXPECT_FALSE(Check(KIND_CATALOG, 5).passed);
  std::vector<ErrorPtr> errors = Errors();
  ASSERT_EQ(errors.size(), 1u) << "AcroForm belongs to 1.3 itself";
  EXPECT_EQ(errors[0]->GetMessage(), "The \"Metadata\" key is a PDF 1.4 feature");
  EXPECT_EQ(errors[0]->GetSeverity(), 4);
  EXPECT_EQ(errors[0]->GetDetail(), "Metadata");
  EXPECT_EQ(errors[0]->GetProblemKind(), PROBLEM_INVALID);
  EXPECT_FALSE(errors[0]->GetFixer());

  PDFXPreflight walker;
  TestStandard newer("Newer", 1.4);
  EXPECT_TRUE(newer.CheckDict(walker, KIND_CATALOG, Obj(5), MyCosObj()).passed);
  TestStandard older("Older", 1.2);
  older.CheckDict(walker, KIND_CATALOG, Obj(5), MyCosObj());
  EXPECT_EQ(walker.GetErrorList().size(), 2u) << "AcroForm and Metadata";
  older.CheckDict(walker, KIND_PAGE, Obj(5), MyCosObj());
  EXPECT_EQ(walker.GetErrorList().size(), 2u) << "catalog keys only in catalogs";
}

TEST_F(KeyTableTest, NullObjectsGetOnlyTheTrailersRules) {
  Entry(KIND_TRAILER, KEY_REQUIRED, "ID", nullptr);
  Entry(KIND_INFO, KEY_REQUIRED, "ID", nullptr);
  standard_.rules->push_back(boost::shared_ptr<KeyRule>(new KeyRule(KIND_FONT)));
  standard_.rules->back()->silent = false;
  EXPECT_TRUE(standard_.CheckCosObj(walker_, KIND_INFO, MyCosObj()).passed);
  EXPECT_TRUE(standard_.CheckDict(walker_, KIND_INFO, Val(3, "Nothing"), MyCosObj()).passed);
  EXPECT_TRUE(walker_.GetErrorList().empty());
  // The trailer's rules are about the file and run without the object; its
  // key table needs the object and files nothing.
  standard_.CheckCosObj(walker_, KIND_TRAILER, MyCosObj());
  std::vector<ErrorPtr> errors = Errors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0]->GetObjectKind(), KIND_TRAILER);
  EXPECT_EQ(errors[0]->GetDetail(), "");
}

TEST_F(KeyTableTest, NodeEntryPointsPassTheReferrerAsContainer) {
  Entry(KIND_INFO, KEY_REQUIRED, "Missing", nullptr);
  boost::shared_ptr<ObjectNode> node(new ObjectNode(Obj(3), KIND_INFO, ""));
  boost::shared_ptr<ObjectNode> referrer(new ObjectNode(Obj(7), 0, ""));
  standard_.CheckNode(walker_, node, referrer);
  standard_.CheckNode(walker_, node, boost::shared_ptr<ObjectNode>());
  std::vector<ErrorPtr> errors = Errors();
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0]->GetObjectNode()->objectNumber, 7);
  EXPECT_EQ(errors[1]->GetObjectNode()->cosType, CosNull);
  EXPECT_EQ(errors[1]->GetContainerNode()->objectNumber, 3);
}

}  // namespace
