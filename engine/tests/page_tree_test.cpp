#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>

#include "engine/CheckCallbacks.h"
#include "engine/ErrorNames.h"
#include "walker_fixture.h"

namespace {

using enginetest::NodePtr;
using enginetest::Visit;
using enginetest::WalkerFixture;

class PageTreeTest : public WalkerFixture {
 protected:
  void SetUp() override {
    WalkerFixture::SetUp();
    Register("A");
  }
  std::vector<int> Referrers(int kind) const {
    std::vector<int> numbers;
    for (const Visit& v : SeenVisits(kind)) numbers.push_back(v.referrer);
    return numbers;
  }
};

// Page 1, a Pages node with pages 2a and 2b, page 3.
std::vector<std::string> NestedTree() {
  return {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R 4 0 R 7 0 R] /Count 4 >>",
      "<< /Type /Page /Parent 2 0 R >>",
      "<< /Type /Pages /Parent 2 0 R /Kids [5 0 R 6 0 R] /Count 2 >>",
      "<< /Type /Page /Parent 4 0 R >>",
      "<< /Type /Page /Parent 4 0 R >>",
      "<< /Type /Page /Parent 2 0 R >>",
  };
}

TEST_F(PageTreeTest, PagesComeInTreeOrderWithTheirNumbersAndReferrers) {
  OpenPdf(NestedTree());
  auto walker = NewWalker();
  EXPECT_EQ(walker->Check(), PDFXPreflight::SeveritySet());
  EXPECT_EQ(Seen(KIND_PAGE), (std::vector<int>{3, 5, 6, 7}));
  EXPECT_EQ(Referrers(KIND_PAGE), (std::vector<int>{2, 4, 4, 2}));
  std::vector<int> pages;
  for (const Visit& v : SeenVisits(KIND_PAGE)) pages.push_back(v.page);
  EXPECT_EQ(pages, (std::vector<int>{0, 1, 2, 3}));

  const std::vector<std::string> texts = status_.PageTexts();
  ASSERT_EQ(texts.size(), 5u) << "one report a page and one at the end";
  EXPECT_EQ(texts.front(), "Checking page 1 of 4");
  EXPECT_EQ(texts[3], "Checking page 4 of 4");
  // Pages done before each; the last report reaches the count.
  EXPECT_EQ(status_.PageValues(), (std::vector<long>{0, 1, 2, 3, 4}));

  // Done Pages nodes are never checked by the object visit; each names the
  // node that lists it.
  ASSERT_TRUE(walker->IsVisited(4));
  const NodePtr& inner = walker->GetVisitedMap()[4];
  EXPECT_EQ(inner->objectKind, KIND_PAGES);
  ASSERT_EQ(inner->referrers.size(), 1u);
  EXPECT_EQ(inner->referrers.front()->objectNumber, 2);
  EXPECT_TRUE(walker->GetVisitedMap()[2]->referrers.empty());
  EXPECT_EQ(walker->GetResourceStack().Size(), 0u);
}

TEST_F(PageTreeTest, AnotherTypeInTheTreeEndsTheCheckAfterTheEarlierPages) {
  std::vector<std::string> objects = NestedTree();
  objects[1] = "<< /Type /Pages /Kids [3 0 R 1 0 R 7 0 R] /Count 2 >>";
  OpenPdf(objects);
  auto walker = NewWalker();
  try {
    walker->Check();
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Invalid type in /Pages tree!");
  }
  EXPECT_EQ(Seen(KIND_PAGE), (std::vector<int>{3}));
  EXPECT_EQ(walker->GetResourceStack().Size(), 0u);
}

TEST_F(PageTreeTest, ACancelStopsTheWalkAndKeepsTheRecords) {
  OpenPdf(NestedTree());
  log_->onNode = [](PDFXPreflight& w, const NodePtr& node) {
    if (node->objectKind == KIND_PAGE) w.AddNodeError("seen", "", 4, KIND_PAGE, PROBLEM_INVALID, node, node);
  };
  status_.cancelAt = "Checking page 2 ";
  auto walker = NewWalker();
  PDFXPreflight::SeveritySet result = walker->Check();
  EXPECT_TRUE(result.test(1)) << "Cancelled";
  EXPECT_TRUE(result.test(4));
  EXPECT_EQ(Seen(KIND_PAGE), (std::vector<int>{3}));
  ASSERT_EQ(walker->GetErrorList().size(), 1u);
  EXPECT_EQ(walker->GetErrorList().front()->GetPageIndex(), 0);
  EXPECT_EQ(status_.PageTexts().size(), 2u) << "no final report after a cancel";
  EXPECT_EQ(walker->GetResourceStack().Size(), 0u);
}

TEST_F(PageTreeTest, ACancelAtTheFinalReportCounts) {
  OpenPdf(NestedTree());
  // Only the final report answers cancel: each page reports itself, then
  // the check of its page object.
  status_.ScheduleCancel(9);
  auto walker = NewWalker();
  EXPECT_TRUE(walker->Check().test(1));
  EXPECT_EQ(Seen(KIND_PAGE).size(), 4u);
}

TEST_F(PageTreeTest, PagesSeeInheritedAttributesAndTheirNearestResources) {
  OpenPdf({
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 /MediaBox [0 0 200 300] /TrimBox [1 1 9 9]"
      " /CropBox [0 0 50 50] /Resources << /Font << /F1 10 0 R /F2 11 0 R >> /XObject 9 0 R >> >>",
      "<< /Type /Page /Parent 2 0 R /CropBox [0 0 20 20] /Resources << /Font << /F1 12 0 R >> >> >>",
      "<< /Type /Page /Parent 2 0 R >>",
      "<< /Foreign true >>",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Courier >>",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Times-Roman >>",
      "<< /Im1 13 0 R >>",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Symbol >>",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Courier >>",
      "stream:/Type /XObject /Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray|x",
  });
  struct Found {
    int mediaTop, cropRight;
    bool trim;
    int f1, f2, im1;
  };
  std::vector<Found> found;
  auto numberOf = [](const NodePtr& n) { return n ? n->objectNumber : 0; };
  log_->onNode = [&](PDFXPreflight& w, const NodePtr& node) {
    if (node->objectKind != KIND_PAGE) return;
    ResourceStack& stack = w.GetResourceStack();
    EXPECT_EQ(stack.Size(), 2u);
    NodePtr media = stack.FindInherited("MediaBox");
    NodePtr crop = stack.FindInherited("CropBox");
    found.push_back(Found{media ? static_cast<int>(static_cast<long>(media->object.Get(3))) : -1,
                          crop ? static_cast<int>(static_cast<long>(crop->object.Get(2))) : -1,
                          static_cast<bool>(stack.FindInherited("TrimBox")), numberOf(stack.FindResource("/F1")),
                          numberOf(stack.FindResource("/F2")), numberOf(stack.FindResource("/Im1"))});
  };
  auto walker = NewWalker();
  walker->Check();
  ASSERT_EQ(found.size(), 2u);
  // Page 1 has its own crop box and resources: the ancestor's /F2 is not seen.
  EXPECT_EQ(found[0].mediaTop, 300);
  EXPECT_EQ(found[0].cropRight, 20);
  EXPECT_FALSE(found[0].trim) << "TrimBox is not inherited";
  EXPECT_EQ(found[0].f1, 12);
  EXPECT_EQ(found[0].f2, 0);
  EXPECT_EQ(found[0].im1, 0);
  // Page 2 has none of its own and sees the ancestor's.
  EXPECT_EQ(found[1].mediaTop, 300);
  EXPECT_EQ(found[1].cropRight, 50);
  EXPECT_EQ(found[1].f1, 10);
  EXPECT_EQ(found[1].f2, 11);
  EXPECT_EQ(found[1].im1, 13);
  // Indirect resource categories are marked visited without a check; fonts
  // are left for the content that names them.
  EXPECT_TRUE(walker->IsVisited(9));
  EXPECT_FALSE(walker->IsVisited(10));
  EXPECT_FALSE(walker->IsVisited(5));
}

TEST_F(PageTreeTest, IndirectResourcesAreNeverCheckedAsObjects) {
  OpenPdf({
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 /Resources 4 0 R >>",
      "<< /Type /Page /Parent 2 0 R /Resources 5 0 R >>",
      "<< /Font 6 0 R >>",
      "<< /ProcSet [/PDF] >>",
      "<< /F1 7 0 R >>",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
  });
  auto walker = NewWalker();
  walker->Check();
  for (int n : {4, 5}) {
    ASSERT_TRUE(walker->IsVisited(n)) << n;
    EXPECT_EQ(walker->GetVisitedMap()[n]->objectKind, KIND_RESOURCES) << n;
  }
  EXPECT_TRUE(walker->IsVisited(6));
  EXPECT_FALSE(walker->IsVisited(7));
}

TEST_F(PageTreeTest, OutlinesAreCheckedDepthFirstWithTheirParentsAsReferrers) {
  OpenPdf({
      "<< /Type /Catalog /Pages 2 0 R /Outlines 3 0 R >>",
      "<< /Type /Pages /Kids [] /Count 0 >>",
      "<< /Type /Outlines /First 4 0 R /Last 5 0 R /Count 3 >>",
      "<< /Title (a) /Parent 3 0 R /Next 5 0 R /First 6 0 R /Last 6 0 R /Count 1 >>",
      "<< /Title (b) /Parent 3 0 R /Prev 4 0 R >>",
      "<< /Title (a.1) /Parent 4 0 R >>",
  });
  auto walker = NewWalker();
  walker->Check();
  EXPECT_EQ(Seen(KIND_OUTLINE), (std::vector<int>{3, 4, 6, 5}));
  EXPECT_EQ(Referrers(KIND_OUTLINE), (std::vector<int>{1, 3, 4, 3}));
  EXPECT_TRUE(walker->GetErrorList().empty());
}

TEST_F(PageTreeTest, OutlinesWithoutCountAreOnlyMarked) {
  for (const char* count : {"/Count 0", "", "/Count (3)"}) {
    log_->visits.clear();
    OpenPdf({
        "<< /Type /Catalog /Pages 2 0 R /Outlines 3 0 R >>",
        "<< /Type /Pages /Kids [] /Count 0 >>",
        std::string("<< /Type /Outlines /First 4 0 R /Last 4 0 R ") + count + " >>",
        "<< /Title (a) /Parent 3 0 R >>",
    });
    auto walker = NewWalker();
    walker->Check();
    EXPECT_TRUE(Seen(KIND_OUTLINE).empty()) << count;
    ASSERT_TRUE(walker->IsVisited(3)) << count;
    EXPECT_EQ(walker->GetVisitedMap()[3]->objectKind, KIND_OUTLINE);
  }
}

TEST_F(PageTreeTest, FieldsComeBeforeTheirKidsAndKidsBeforeTheNextField) {
  OpenPdf({
      "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [3 0 R 6 0 R 7 0 R] >> >>",
      "<< /Type /Pages /Kids [] /Count 0 >>",
      "<< /T (a) /Kids [4 0 R 5 0 R] >>",
      "<< /T (a1) /Parent 3 0 R >>",
      "<< /T (a2) /Parent 3 0 R >>",
      "<< /T (b) /Kids [] >>",
      "<< /T (c) >>",
  });
  auto walker = NewWalker();
  walker->Check();
  EXPECT_EQ(Seen(KIND_FORM_FIELD), (std::vector<int>{3, 4, 5, 6, 7}));
  EXPECT_EQ(Referrers(KIND_FORM_FIELD), (std::vector<int>{1, 3, 3, 1, 1}));
  EXPECT_TRUE(walker->GetErrorList().empty());
}

// Trees that loop or lose a link: every reachable page is still checked, in
// bounded time, and one record says what is wrong.
TEST_F(PageTreeTest, LoopsAndBrokenLinksAreReportedOnce) {
  struct Case {
    const char* name;
    std::vector<std::pair<int, std::string>> changes;  // object number, new body
    std::vector<int> pages;
    const char* message;  // null: no record
    int kind;
    int objectNumber;
  } cases[] = {
      {"page without Parent", {{5, "<< /Type /Page >>"}}, {3, 5, 6, 7}, "Loop or broken link in the page tree",
       KIND_PAGE, 5},
      {"Parent names another node", {{6, "<< /Type /Page /Parent 2 0 R >>"}}, {3, 5, 6, 7},
       "Loop or broken link in the page tree", KIND_PAGE, 6},
      {"a Parent loop between a Pages node and its page",
       {{4, "<< /Type /Pages /Parent 5 0 R /Kids [5 0 R 6 0 R] /Count 2 >>"}},
       {3, 5, 6, 7},
       "Loop or broken link in the page tree",
       KIND_PAGES,
       4},
      {"Kids back to the root",
       {{4, "<< /Type /Pages /Parent 2 0 R /Kids [5 0 R 2 0 R 6 0 R] /Count 2 >>"}},
       {3, 5, 6, 7},
       "Loop or broken link in the page tree",
       KIND_PAGES,
       2},
      // Numbered as the library lists it: the second place is a copy of its own.
      {"a page listed twice",
       {{2, "<< /Type /Pages /Kids [3 0 R 4 0 R 3 0 R 7 0 R] /Count 4 >>"}},
       {3, 5, 6, 12, 7},
       nullptr,
       KIND_PAGE,
       0},
      {"a kid that names nothing",
       {{2, "<< /Type /Pages /Kids [3 0 R 99 0 R 4 0 R 7 0 R] /Count 4 >>"}},
       {3, 5, 6, 7},
       "Loop or broken link in the page tree",
       KIND_PAGES,
       2},
      {"Kids that is no array",
       {{4, "<< /Type /Pages /Parent 2 0 R /Kids 12 /Count 2 >>"}},
       {3, 7},
       "Loop or broken link in the page tree",
       KIND_PAGES,
       4},
      {"empty Kids", {{4, "<< /Type /Pages /Parent 2 0 R /Kids [] /Count 0 >>"}}, {3, 7}, nullptr, 0, 0},
      {"Pages without Kids", {{4, "<< /Type /Pages /Parent 2 0 R /Count 0 >>"}}, {3, 7}, nullptr, 0, 0},
      {"a direct kid after the first",
       {{2, "<< /Type /Pages /Kids [3 0 R << /Type /Page /Parent 2 0 R >> 7 0 R] /Count 3 >>"}},
       {3, -1, 7},
       nullptr,
       0,
       0},
      {"outline Next cycle",
       {{1, "<< /Type /Catalog /Pages 2 0 R /Outlines 8 0 R >>"},
        {8, "<< /Type /Outlines /First 9 0 R /Last 10 0 R /Count 2 >>"},
        {9, "<< /Title (a) /Parent 8 0 R /Next 10 0 R >>"},
        {10, "<< /Title (b) /Parent 8 0 R /Next 9 0 R >>"}},
       {3, 5, 6, 7},
       "Loop or broken link in the outlines",
       KIND_OUTLINE,
       9},
      {"outline First back to an ancestor",
       {{1, "<< /Type /Catalog /Pages 2 0 R /Outlines 8 0 R >>"},
        {8, "<< /Type /Outlines /First 9 0 R /Last 9 0 R /Count 2 >>"},
        {9, "<< /Title (a) /Parent 8 0 R /First 8 0 R /Next 10 0 R >>"},
        {10, "<< /Title (b) /Parent 8 0 R >>"}},
       {3, 5, 6, 7},
       "Loop or broken link in the outlines",
       KIND_OUTLINE,
       8},
      {"outline item that is no dictionary",
       {{1, "<< /Type /Catalog /Pages 2 0 R /Outlines 8 0 R >>"},
        {8, "<< /Type /Outlines /First 9 0 R /Last 9 0 R /Count 2 >>"},
        {9, "<< /Title (a) /Parent 8 0 R /Next 10 0 R >>"},
        {10, "42"}},
       {3, 5, 6, 7},
       "Loop or broken link in the outlines",
       KIND_OUTLINE,
       10},
      {"field Kids cycle",
       {{1, "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [8 0 R 10 0 R] >> >>"},
        {8, "<< /T (a) /Kids [9 0 R] >>"},
        {9, "<< /T (b) /Parent 8 0 R /Kids [8 0 R] >>"},
        {10, "<< /T (c) >>"}},
       {3, 5, 6, 7},
       "Loop or broken link in the form fields",
       KIND_FORM_FIELD,
       8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> objects = NestedTree();
    objects.resize(11, "<< /Unused true >>");
    for (const auto& change : c.changes) objects[static_cast<size_t>(change.first - 1)] = change.second;
    log_->visits.clear();
    OpenPdf(objects);
    auto walker = NewWalker();
    auto start = std::chrono::steady_clock::now();
    walker->Check();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(Seen(KIND_PAGE), c.pages);
    if (!c.message) {
      EXPECT_TRUE(walker->GetErrorList().empty());
      continue;
    }
    ASSERT_EQ(walker->GetErrorList().size(), 1u);
    const auto& e = walker->GetErrorList().front();
    EXPECT_EQ(e->GetMessage(), c.message);
    EXPECT_EQ(e->GetSeverity(), PROBLEM);
    EXPECT_EQ(e->GetObjectKind(), c.kind);
    EXPECT_EQ(e->GetProblemKind(), PROBLEM_GENERAL);
    EXPECT_EQ(e->GetDetail(), "");
    ASSERT_TRUE(e->GetObjectNode());
    EXPECT_EQ(e->GetObjectNode()->objectNumber, c.objectNumber);
    EXPECT_FALSE(e->GetContainerNode());
  }
}

TEST_F(PageTreeTest, APageWithoutParentIsReferredToByItsHolder) {
  std::vector<std::string> objects = NestedTree();
  objects[4] = "<< /Type /Page >>";
  OpenPdf(objects);
  NewWalker()->Check();
  EXPECT_EQ(Referrers(KIND_PAGE), (std::vector<int>{2, 4, 4, 2}));
}

TEST_F(PageTreeTest, CollectDictEntriesEntersOnlyNewIndirectObjects) {
  OpenPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>",
           "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"});
  PDFXPreflight walker;
  NodePtr parent(new ObjectNode(Obj(2), KIND_PAGES, ""));
  EXPECT_TRUE(CollectDictEntries(walker, Obj(3), parent));
  ASSERT_TRUE(walker.IsVisited(3));
  const NodePtr& node = walker.GetVisitedMap()[3];
  EXPECT_EQ(node->objectKind, KIND_FONT);
  ASSERT_EQ(node->referrers.size(), 1u);
  EXPECT_EQ(node->referrers.front(), parent);
  EXPECT_FALSE(CollectDictEntries(walker, Obj(3), NodePtr())) << "already there";
  EXPECT_EQ(walker.GetVisitedMap()[3], node);
  EXPECT_FALSE(CollectDictEntries(walker, Obj(3).Get("Subtype"), NodePtr())) << "direct";
  EXPECT_FALSE(CollectDictEntries(walker, MyCosObj(), NodePtr()));
  EXPECT_EQ(walker.GetVisitedMap().size(), 1u);
}

}  // namespace
