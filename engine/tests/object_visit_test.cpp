// The object visit: once per check, referrers, the dispatch by kind, the
// progress texts, forms, pages and cancel.
#include <gtest/gtest.h>

#include <boost/weak_ptr.hpp>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/ErrorNames.h"
#include "visit_fixture.h"

namespace {

using enginetest::NodePtr;
using enginetest::Tree;
using enginetest::Visit;
using enginetest::VisitFixture;

const char kImage[] = "stream:/Type /XObject /Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8"
                      " /ColorSpace /DeviceGray|x";

std::vector<int> Numbers(const std::list<NodePtr>& nodes) {
  std::vector<int> numbers;
  for (const NodePtr& node : nodes) numbers.push_back(node->objectNumber);
  return numbers;
}

class ObjectVisitTest : public VisitFixture {
 protected:
  std::vector<int> ReferrersSeen(int kind) const {
    std::vector<int> numbers;
    for (const Visit& v : SeenVisits(kind)) numbers.push_back(v.referrer);
    return numbers;
  }
};

TEST_F(ObjectVisitTest, AnImageOnTenPagesIsCheckedOnceAndKnowsEveryContent) {
  // Pages 3, 5, ... 21, each followed by its content; the image is 23.
  std::string kids;
  for (int i = 0; i < 10; ++i) kids += std::to_string(3 + 2 * i) + " 0 R ";
  std::vector<std::string> objects = Tree(kids, 10, "/Resources << /XObject << /Im1 23 0 R >> >>");
  for (int i = 0; i < 10; ++i) {
    objects.push_back("<< /Type /Page /Parent 2 0 R /Contents " + std::to_string(4 + 2 * i) + " 0 R >>");
    objects.push_back("stream:|q /Im1 Do Q");
  }
  objects.push_back(kImage);
  OpenPdf(objects);
  auto walker = CheckAll();

  EXPECT_EQ(Seen(KIND_IMAGE), (std::vector<int>{23}));
  EXPECT_EQ(ReferrersSeen(KIND_IMAGE), (std::vector<int>{4}));
  ASSERT_TRUE(walker->IsVisited(23));
  const NodePtr& image = walker->GetVisitedMap()[23];
  EXPECT_EQ(Numbers(image->referrers), (std::vector<int>{4, 6, 8, 10, 12, 14, 16, 18, 20, 22}));
  EXPECT_EQ(image->referrers.front()->objectKind, KIND_CONTENTS);
  EXPECT_TRUE(walker->GetPendingMap().empty());
  EXPECT_EQ(walker->GetResourceStack().Size(), 0u);
}

TEST_F(ObjectVisitTest, EachObjectReportsItsProgress) {
  OpenPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
           "<< /Type /Page /Parent 2 0 R /Contents 4 0 R /Resources << /XObject << /Im1 5 0 R >>"
           " /ExtGState << /G0 << /Type /ExtGState >> >> >> >>",
           "stream:|/G0 gs /Im1 Do", kImage});
  CheckAll();
  EXPECT_EQ(TextsWith("(checking Image XObject"),
            (std::vector<std::string>{"Checking page 1 of 1\n  (checking Image XObject object #5)   "}));
  EXPECT_EQ(TextsWith("(checking Page"),
            (std::vector<std::string>{"Checking page 1 of 1\n  (checking Page object #3)   "}));
  // A direct object has no number to show.
  EXPECT_EQ(TextsWith("(checking Extended"),
            (std::vector<std::string>{"Checking page 1 of 1\n  (checking Extended Graphics State)   "}));
}

TEST_F(ObjectVisitTest, DirectResourcesAreCheckedEachTimeIndirectOnesOnce) {
  OpenPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
           "<< /Type /Page /Parent 2 0 R /Contents 4 0 R /Resources << /ExtGState << /D << /Type /ExtGState >>"
           " /I 5 0 R >> /Properties << /P 6 0 R >> >> >>",
           "stream:|/D gs /I gs /D gs /I gs /P BDC EMC /P BDC EMC /Nothing gs", "<< /Type /ExtGState >>",
           "<< /Kind /Unwalked >>"});
  auto walker = CheckAll();
  EXPECT_EQ(Seen(KIND_EXTGSTATE), (std::vector<int>{-1, -1, 5}));
  EXPECT_TRUE(walker->IsVisited(5));
  // A kind without a walker stays out of the visited map.
  EXPECT_EQ(Seen(KIND_PROPERTIES), (std::vector<int>{6}));
  EXPECT_FALSE(walker->IsVisited(6));
}

TEST_F(ObjectVisitTest, KindsWithoutAWalkerAreCheckedAgainOnALaterPage) {
  std::vector<std::string> objects = Tree("3 0 R 5 0 R", 2, "/Resources << /Properties << /P 7 0 R >> >>");
  objects.insert(objects.end(), {"<< /Type /Page /Parent 2 0 R /Contents 4 0 R >>", "stream:|/P BDC EMC",
                                 "<< /Type /Page /Parent 2 0 R /Contents 6 0 R >>", "stream:|/P BDC EMC",
                                 "<< /Kind /Unwalked >>"});
  OpenPdf(objects);
  auto walker = CheckAll();
  EXPECT_EQ(Seen(KIND_PROPERTIES), (std::vector<int>{7, 7}));
  EXPECT_FALSE(walker->IsVisited(7));
  // Both pages see the Pages node's one resource node, which keeps every referrer.
  auto property = std::find_if(content_->nodes.begin(), content_->nodes.end(),
                               [](const NodePtr& node) { return node->objectNumber == 7; });
  ASSERT_NE(property, content_->nodes.end());
  EXPECT_EQ(Numbers((*property)->referrers), (std::vector<int>{4, 6}));
}

TEST_F(ObjectVisitTest, AFormIsCheckedAsXObjectThenAsContentWithItsOwnResources) {
  OpenPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
           "<< /Type /Page /Parent 2 0 R /Contents 4 0 R /Resources << /XObject << /Fm1 5 0 R /Im3 8 0 R >> >> >>",
           "stream:|/Fm1 Do",
           "stream:/Type /XObject /Subtype /Form /BBox [0 0 1 1] /OPI 6 0 R"
           " /Resources << /XObject << /Im2 7 0 R >> >>|/Im2 Do /Im3 Do",
           "<< /1.3 << /Type /OPI /Version 1.3 /F (image.tif) >> >>", kImage, kImage});
  auto walker = CheckAll();
  std::vector<int> kindsOf5;
  for (const Visit& v : log_->visits)
    if (v.number == 5) kindsOf5.push_back(v.kind);
  EXPECT_EQ(kindsOf5, (std::vector<int>{KIND_FORM, KIND_CONTENTS}));
  EXPECT_EQ(walker->GetVisitedMap()[5]->objectKind, KIND_CONTENTS);
  EXPECT_EQ(Seen(KIND_OPI), (std::vector<int>{6}));
  EXPECT_EQ(ReferrersSeen(KIND_OPI), (std::vector<int>{5}));
  // /Im3 is only in the page's resources: the form's own hide it.
  EXPECT_EQ(Seen(KIND_IMAGE), (std::vector<int>{7}));
  EXPECT_EQ(ReferrersSeen(KIND_IMAGE), (std::vector<int>{5}));
  EXPECT_EQ(TextsWith("(checking Contents stream object #5)").size(), 1u);
  EXPECT_EQ(walker->GetResourceStack().Size(), 0u);
}

TEST_F(ObjectVisitTest, APageHandsOnItsContentThumbnailAndBoxes) {
  OpenPdf({"<< /Type /Catalog /Pages 2 0 R >>",
           "<< /Type /Pages /Kids [3 0 R 6 0 R] /Count 2 /MediaBox 7 0 R /CropBox [0 0 50 50] /TrimBox [1 1 2 2] >>",
           "<< /Type /Page /Parent 2 0 R /Contents 4 0 R /Thumb 5 0 R /TrimBox [0 0 5 5] /BleedBox 8 0 R >>",
           "stream:|0 0 m S", "stream:/Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceRGB|xyz",
           "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 9 9] >>", "[0 0 200 300]", "[0 0 7 7]"});
  auto walker = CheckAll();
  EXPECT_EQ(Seen(KIND_CONTENTS), (std::vector<int>{4}));
  EXPECT_EQ(ReferrersSeen(KIND_CONTENTS), (std::vector<int>{3}));
  EXPECT_EQ(Seen(KIND_IMAGE), (std::vector<int>{5}));
  EXPECT_EQ(ReferrersSeen(KIND_IMAGE), (std::vector<int>{3}));

  ASSERT_EQ(content_->boxes.size(), 2u);
  const enginetest::BoxCall& first = content_->boxes[0];
  EXPECT_EQ(first.page->objectNumber, 3);
  EXPECT_FALSE(first.boxes[0]) << "no ArtBox";
  ASSERT_TRUE(first.boxes[1]);
  EXPECT_EQ(first.boxes[1]->objectNumber, 8);
  ASSERT_TRUE(first.boxes[2]);
  EXPECT_EQ(static_cast<long>(first.boxes[2]->object.Get(2)), 50) << "CropBox inherited";
  ASSERT_TRUE(first.boxes[3]);
  EXPECT_EQ(first.boxes[3]->objectNumber, 7) << "MediaBox inherited";
  ASSERT_TRUE(first.boxes[4]);
  EXPECT_EQ(static_cast<long>(first.boxes[4]->object.Get(2)), 5) << "the page's own TrimBox";
  // Page 2: its own MediaBox; TrimBox and BleedBox are not inherited.
  const enginetest::BoxCall& second = content_->boxes[1];
  EXPECT_EQ(static_cast<long>(second.boxes[3]->object.Get(2)), 9);
  EXPECT_FALSE(second.boxes[4]);
  EXPECT_FALSE(second.boxes[1]);
  // Indirect boxes are never checked as objects of their own.
  EXPECT_TRUE(walker->IsVisited(7));
  EXPECT_TRUE(walker->IsVisited(8));
}

TEST_F(ObjectVisitTest, AContentSharedByPagesIsReadOnEachUnderItsResources) {
  std::vector<std::string> objects = Tree("3 0 R 4 0 R", 2);
  objects.insert(objects.end(), {"<< /Type /Page /Parent 2 0 R /Contents 5 0 R /Resources << /XObject << /X 6 0 R >> >> >>",
                                 "<< /Type /Page /Parent 2 0 R /Contents 5 0 R /Resources << /XObject << /X 7 0 R >> >> >>",
                                 "stream:|q /X Do Q", kImage, kImage});
  OpenPdf(objects);
  CheckAll();
  EXPECT_EQ(Seen(KIND_CONTENTS), (std::vector<int>{5, 5}));
  EXPECT_EQ(Operators(), (std::vector<std::string>{"q", "Do", "Q", "q", "Do", "Q"}));
  EXPECT_EQ(Seen(KIND_IMAGE), (std::vector<int>{6, 7}));
}

TEST_F(ObjectVisitTest, AResourceIsFoundByItsNameAsContentWritesIt) {
  OpenPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>",
           "<< /Font << /F1 4 0 R >> /ExtGState << /G << /Type /ExtGState >> >> >>",
           "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"});
  auto walker = NewWalker();
  walker->GetResourceStack().Push(Obj(3));
  NodePtr referrer(new ObjectNode(Obj(3), KIND_RESOURCES, std::string()));
  NodePtr found;
  EXPECT_FALSE(walker->CheckObject("F1", referrer, &found)) << "the name keeps its slash";
  EXPECT_FALSE(found);
  EXPECT_FALSE(walker->CheckObject(std::string("/F2"), referrer, &found));
  EXPECT_TRUE(walker->CheckObject("/F1", referrer, &found));
  ASSERT_TRUE(found);
  EXPECT_EQ(found->objectNumber, 4);
  EXPECT_EQ(found->objectKind, KIND_FONT);
  EXPECT_EQ(walker->GetPendingMap().count(4), 1u) << "met, not checked yet";
  EXPECT_TRUE(Seen(KIND_FONT).empty());
  // A direct one is checked at once.
  EXPECT_TRUE(walker->CheckObject(std::string("/G"), referrer));
  EXPECT_EQ(Seen(KIND_EXTGSTATE), (std::vector<int>{-1}));
}

TEST_F(ObjectVisitTest, NodesThatReferToEachOtherGoWithTheWalker) {
  OpenPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>", kImage, kImage});
  boost::weak_ptr<ObjectNode> self, other;
  {
    auto walker = NewWalker();
    NodePtr a(new ObjectNode(Obj(3), 0, std::string()));
    NodePtr b(new ObjectNode(Obj(4), 0, std::string()));
    walker->VisitObject(a, a);  // an object that names itself
    walker->VisitObject(b, a);
    walker->MarkVisited(b);
    walker->VisitObject(a, b);  // and two that name each other
    self = a;
    other = b;
  }
  EXPECT_TRUE(self.expired());
  EXPECT_TRUE(other.expired());
}

TEST_F(ObjectVisitTest, TheVisitNotesReferrersInTheNodeThatStands) {
  OpenPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>", kImage, kImage});
  auto walker = NewWalker();
  NodePtr a(new ObjectNode(Obj(1), KIND_CATALOG, std::string()));
  NodePtr b(new ObjectNode(Obj(2), KIND_PAGES, std::string()));
  NodePtr first(new ObjectNode(Obj(3), 0, std::string()));
  NodePtr again(new ObjectNode(Obj(3), 0, std::string()));
  EXPECT_FALSE(walker->VisitObject(NodePtr(), a));
  EXPECT_TRUE(walker->VisitObject(first, a));
  EXPECT_TRUE(walker->VisitObject(again, a));  // the same referrer right after: noted once
  EXPECT_TRUE(walker->VisitObject(again, b));
  EXPECT_TRUE(walker->VisitObject(again, NodePtr()));
  ASSERT_EQ(walker->GetPendingMap().size(), 1u);
  EXPECT_EQ(walker->GetPendingMap()[3], first);
  EXPECT_EQ(Numbers(first->referrers), (std::vector<int>{1, 2}));
  EXPECT_TRUE(again->referrers.empty());

  // Once checked, later visits go to the node in the visited map.
  NodePtr other(new ObjectNode(Obj(4), 0, std::string()));
  walker->MarkVisited(other);
  EXPECT_TRUE(walker->VisitObject(NodePtr(new ObjectNode(Obj(4), 0, std::string())), b));
  EXPECT_EQ(Numbers(other->referrers), (std::vector<int>{2}));
  EXPECT_EQ(walker->GetPendingMap().count(4), 0u);
}

TEST_F(ObjectVisitTest, TheDrainTakesTheFirstReferrerUnlessItIsThePage) {
  OpenPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>", kImage, kImage, kImage,
           "stream:|"});
  auto walker = NewWalker();
  NodePtr page(new ObjectNode(Obj(2), KIND_PAGE, std::string()));
  NodePtr stream(new ObjectNode(Obj(6), KIND_CONTENTS, std::string()));
  walker->VisitObject(NodePtr(new ObjectNode(Obj(5), 0, std::string())), stream);
  walker->VisitObject(NodePtr(new ObjectNode(Obj(4), 0, std::string())), page);
  walker->VisitObject(NodePtr(new ObjectNode(Obj(3), 0, std::string())), NodePtr());
  walker->DrainPendingObjects(page);
  EXPECT_EQ(Seen(KIND_IMAGE), (std::vector<int>{3, 4, 5}));
  EXPECT_EQ(ReferrersSeen(KIND_IMAGE), (std::vector<int>{2, 2, 6}));
  EXPECT_TRUE(walker->GetPendingMap().empty());
  EXPECT_TRUE(walker->IsVisited(3) && walker->IsVisited(4) && walker->IsVisited(5));
}

TEST_F(ObjectVisitTest, ACancelWhileCheckingAnObjectStopsThePage) {
  OpenPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R 7 0 R] /Count 2 >>",
           "<< /Type /Page /Parent 2 0 R /Contents 4 0 R /Resources << /XObject << /A 5 0 R /B 6 0 R >> >> >>",
           "stream:|/A Do /B Do", kImage, kImage, "<< /Type /Page /Parent 2 0 R >>"});
  status_.cancelAt = "Checking page 1 of 2\n  (checking Image XObject object #5)";
  auto walker = CheckAll();
  EXPECT_TRUE(walker->GetSeverities().test(CANCELLED));
  EXPECT_EQ(Seen(KIND_IMAGE), (std::vector<int>{5})) << "the standard saw it before the report";
  EXPECT_FALSE(walker->IsVisited(5)) << "not done";
  EXPECT_EQ(Seen(KIND_PAGE), (std::vector<int>{3}));
  EXPECT_TRUE(TextsWith("Checking page 2").empty());
  EXPECT_EQ(walker->GetResourceStack().Size(), 0u);
}

TEST_F(ObjectVisitTest, ObjectsThatAreNotThereAreLeftAlone) {
  // A missing content, a null thumbnail, a broken Contents array element,
  // an XObject of another subtype.
  OpenPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
           "<< /Type /Page /Parent 2 0 R /Contents 40 0 R /Thumb null >>",
           "<< /Type /Page /Parent 2 0 R /Contents [null 5 0 R 41 0 R] /Resources << /XObject << /P 6 0 R >> >> >>",
           "stream:|/P Do q Q", "stream:/Type /XObject /Subtype /PS|"});
  auto walker = CheckAll();
  EXPECT_FALSE(walker->GetSeverities().test(PROBLEM));
  EXPECT_EQ(Operators(), (std::vector<std::string>{"Do", "q", "Q"}));
  EXPECT_EQ(Seen(KIND_XOBJECT), (std::vector<int>{6}));
  EXPECT_TRUE(walker->IsVisited(6));
  EXPECT_EQ(Seen(KIND_PAGE).size(), 2u);
}

}  // namespace
