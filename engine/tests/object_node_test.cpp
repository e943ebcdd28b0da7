#include <gtest/gtest.h>

#include "engine/ErrorNames.h"
#include "engine/ObjectNode.h"
#include "test_standard.h"

namespace {

class ObjectNodeTest : public enginetest::DocTest {
 protected:
  void SetUp() override {
    Open({
        "<< /Type /XObject /Subtype /Image >>",                       // 3
        "<< /Type /XObject >>",                                       // 4
        "stream:/Subtype /Form|q Q",                                  // 5
        "stream:/Foo 1|data",                                         // 6
        "<< /Foo 1 >>",                                               // 7
        "<< /FunctionType 2 /PatternType 1 >>",                       // 8
        "<< /Type /Page /Resources << /Font << >> >> >>",             // 9
        "stream:/Type /XObject /Subtype /Image /Width 1|x",           // 10
        "<< /Type (Page) >>",                                         // 11
        "stream:/Type /Bogus|x",                                      // 12
        "<< /HalftoneType 1 >>",                                      // 13
        "<< /Type /Annot /Subtype /Text >>",                          // 14
        "stream:/Type /EmbeddedFile|x",                               // 15
        "<< /Subtype /Image >>",                                      // 16
        "<< /Type /XObject /Subtype /PS >>",                          // 17
        "<< /Subtype 5 /PatternType 2 >>",                            // 18
        "<< /Int 5 /Name /N /Arr [1] /Str (s) /Nul null >>",          // 19
        "stream:/Subtype 5|x",                                        // 20
    });
  }
};

TEST_F(ObjectNodeTest, ClassificationFollowsTypeSubtypeAndMarkerKeys) {
  struct Case {
    int number;
    int kind;
  } cases[] = {
      {3, KIND_IMAGE},    {4, KIND_XOBJECT},  {5, KIND_FORM},      {6, KIND_STREAM},    {7, KIND_UNKNOWN},
      {8, KIND_FUNCTION}, {9, KIND_PAGE},     {10, KIND_IMAGE},    {12, KIND_STREAM},   {13, KIND_HALFTONE},
      {14, KIND_ANNOTATION}, {15, KIND_EMBEDDED_FILE}, {16, KIND_IMAGE}, {17, KIND_XOBJECT}, {18, KIND_PATTERN},
      {1, KIND_CATALOG},  {2, KIND_PAGES},
      // A /Type that is not a name is no known type; it must not stop the check.
      {11, KIND_UNKNOWN}, {20, KIND_STREAM},
  };
  for (const Case& c : cases) EXPECT_EQ(ClassifyObjectKind(Obj(c.number)), c.kind) << "object " << c.number;

  struct ValueCase {
    const char* key;
    int kind;
  } values[] = {{"Int", KIND_UNKNOWN}, {"Name", KIND_UNKNOWN}, {"Arr", KIND_UNKNOWN},
                {"Str", KIND_UNKNOWN}, {"Nul", KIND_NONE},     {"Missing", KIND_NONE}};
  for (const ValueCase& v : values) EXPECT_EQ(ClassifyObjectKind(Val(19, v.key)), v.kind) << v.key;
  EXPECT_EQ(ClassifyObjectKind(MyCosObj()), KIND_NONE);
}

TEST_F(ObjectNodeTest, HintsStandUnlessTheObjectIsAnImageOrForm) {
  struct Case {
    MyCosObj object;
    int hint;
    int kind;
  } cases[] = {
      {Val(9, "Resources"), KIND_RESOURCES, KIND_RESOURCES},
      {Obj(10), KIND_XOBJECT, KIND_IMAGE},
      {Obj(5), KIND_CONTENTS, KIND_FORM},
      {Obj(9), 0, KIND_PAGE},
      {Obj(6), KIND_CONTENTS, KIND_CONTENTS},
      {MyCosObj(), 0, KIND_NONE},
  };
  for (const Case& c : cases) {
    ObjectNode node(c.object, c.hint, "");
    EXPECT_EQ(node.objectKind, c.kind) << "hint " << c.hint;
  }
}

TEST_F(ObjectNodeTest, NodeRecordsTypeNumberAndKey) {
  ObjectNode page(Obj(9), 0, "/Kid");
  EXPECT_EQ(page.objectNumber, 9);
  EXPECT_EQ(page.cosType, CosDict);
  EXPECT_EQ(page.key, "Kid");
  EXPECT_TRUE(page.referrers.empty());

  EXPECT_EQ(ObjectNode(Obj(9), 0, "Kid").key, "Kid");
  EXPECT_EQ(ObjectNode(Obj(9), 0, "//Kid").key, "/Kid") << "only one slash goes";

  // Without a key the node takes the name the wrapper was fetched under.
  ObjectNode resources(Val(9, "Resources"), 0, "");
  EXPECT_EQ(resources.key, "Resources");
  EXPECT_EQ(resources.objectNumber, -1) << "direct";

  ObjectNode null(MyCosObj(), 0, "");
  EXPECT_EQ(null.cosType, CosNull);
  EXPECT_EQ(null.key, "");

  page.Init(Obj(3), 0, "Img");
  EXPECT_EQ(page.objectNumber, 3);
  EXPECT_EQ(page.objectKind, KIND_IMAGE);
  EXPECT_EQ(page.key, "Img");
}

}  // namespace
