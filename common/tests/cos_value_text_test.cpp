#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "common/CosValueText.h"
#include "core/host.h"
#include "host/frame.h"

namespace {

// Made during static initialisation, before any table is bound: unset.
MyCosObj gUnsetWrapper;

const char kMarker[] = "*** Maximum depth exceeded ***";

// A PDF of the given object bodies (object n is bodies[n - 1]) with a
// correct cross-reference table.
std::string BuildPdf(const std::vector<std::string>& bodies) {
  std::string out = "%PDF-1.3\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < bodies.size(); ++i) {
    offsets.push_back(out.size());
    out += std::to_string(i + 1) + " 0 obj\n" + bodies[i] + "\nendobj\n";
  }
  size_t xref = out.size();
  out += "xref\n0 " + std::to_string(bodies.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t off : offsets) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", off);
    out += line;
  }
  out += "trailer\n<< /Size " + std::to_string(bodies.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return out;
}

class CosValueTextTest : public ::testing::Test {
 protected:
  void SetUp() override { hosttest::BindTables(); }
  void TearDown() override {
    hosttest::ClearHooks();
    host::CloseAllDocuments();
  }
  // Objects 1 and 2 are the catalog and an empty page tree; `bodies` are
  // objects 3, 4, ...
  CosDoc Open(std::vector<std::string> bodies) {
    bodies.insert(bodies.begin(), {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>"});
    PDDoc pd = host::OpenDocumentBytes(BuildPdf(bodies), "test");
    return PDDocGetCosDoc(pd);
  }
};

TEST_F(CosValueTextTest, FormatsEachKindByteForByte) {
  CosDoc doc = Open({
      "[1 0.5 (ab)]",                                                   // 3
      "[7 0 R]",                                                        // 4
      "<< /Parent 12 0 R >>",                                           // 5
      "[[] << >>]",                                                     // 6
      "<< /Type /Page >>",                                              // 7
      "<< /Length 5 >>\nstream\nhello\nendstream",                      // 8
      "[(a\\)b) /Name#20X true false null -3 -2.5]",                    // 9
      "<< /b 1 /B 2 /A << /In [1] >> >>",                               // 10
      "[13 0 R 13 0 R 99 0 R]",                                         // 11
      "<< /Type /Pages >>",                                             // 12
      "42",                                                             // 13
      "<< /Self 13 0 R /Me 14 0 R >>",                                  // 14
      "[15 0 R]",                                                       // 15
      "<< /Length 2 /Filter /Bogus /D << /X 1 >> >>\nstream\nab\nendstream",  // 16
  });
  struct Case {
    int object;
    ASInt32 maxDepth;
    ASInt32 depth;
    std::string text;
  };
  const Case cases[] = {
      {3, 0, 0, "[ 1 0.500000 (ab) ]"},
      {4, 0, 0, "[ { #7 << /Type /Page >> } ]"},
      {5, 0, 0, "<< /Parent { #12  << /Type /Pages >> } >>"},
      {6, 0, 0, "[ [ ] << >> ]"},
      {8, 0, 0, "| stream << /Length 5 >> |"},
      {8, 1, 0, "| stream *** Maximum depth exceeded *** |"},
      {9, 0, 0, "[ (a)b) /Name X true false ****NULL***** -3 -2.500000 ]"},
      {10, 0, 0, "<< /A << /In [ 1 ] >> /B 2 /b 1 >>"},
      // Depth cuts: only containers look one level further.
      {3, 1, 0, "[ *** Maximum depth exceeded *** ]"},
      {10, 1, 0, "<< *** Maximum depth exceeded *** >>"},
      {10, 2, 0, "<< /A << *** Maximum depth exceeded *** >> /B 2 /b 1 >>"},
      {13, 1, 0, "42"},
      {13, 3, 3, kMarker},
      {3, 3, 2, "[ *** Maximum depth exceeded *** ]"},
      // A shared object is printed wherever it appears; only a way back into
      // an object on the current path is cut.
      {11, 0, 0, "[ { #13 42 } { #13 42 } { #99 ****NULL***** } ]"},
      {14, 0, 0, "<< /Me { #14  *** Maximum depth exceeded *** } /Self { #13  42 } >>"},
      {15, 0, 0, "[ { #15 *** Maximum depth exceeded *** } ]"},
      {16, 0, 0, "| stream << /D << /X 1 >> /Filter /Bogus /Length 2 >> |"},
  };
  for (const Case& c : cases) {
    CosValueText text(CosDocGetObjByID(doc, c.object), c.maxDepth, c.depth);
    EXPECT_EQ(text.Text(), c.text) << "object " << c.object << " max " << c.maxDepth << " depth " << c.depth;
  }
  EXPECT_EQ(ASFrameDepth(), 0);
}

TEST_F(CosValueTextTest, UnquotedDropsOnlyDelimitersThatAreThere) {
  CosDoc doc = Open({"/Name", "(a\\(b)", "17", "[1]"});
  struct Case {
    int object;
    ASInt32 maxDepth;
    ASInt32 depth;
    std::string unquoted;
  };
  const Case cases[] = {
      {3, 0, 0, "Name"}, {4, 0, 0, "a(b"}, {5, 0, 0, "17"}, {6, 0, 0, "[ 1 ]"}, {3, 1, 1, kMarker},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CosValueText(CosDocGetObjByID(doc, c.object), c.maxDepth, c.depth).Unquoted(), c.unquoted)
        << "object " << c.object;
  // An unset wrapper gives the null text.
  ASSERT_EQ(gUnsetWrapper.CachedType(), -1);
  EXPECT_EQ(CosValueText::FromObject(gUnsetWrapper, 3, 0).Text(), "****NULL*****");
}

TEST_F(CosValueTextTest, CapEndsLongTextsWithTheMarker) {
  CosDoc doc = Open({"(" + std::string(100000, 'x') + ")", "[3 0 R 3 0 R]"});
  CosValueText single(CosDocGetObjByID(doc, 3), 0, 0);
  EXPECT_EQ(single.Text().size(), CosValueText::kMaxText);
  EXPECT_EQ(single.Text().compare(0, 4, "(xxx"), 0);
  EXPECT_EQ(single.Text().substr(single.Text().size() - (sizeof kMarker - 1)), kMarker);
  std::string unquoted = single.Unquoted();
  EXPECT_EQ(unquoted.substr(0, 3), "xxx");
  EXPECT_EQ(unquoted.substr(unquoted.size() - (sizeof kMarker - 1)), kMarker);

  CosValueText twice(CosDocGetObjByID(doc, 4), 0, 0);
  EXPECT_EQ(twice.Text().size(), CosValueText::kMaxText);
  EXPECT_EQ(twice.Text().compare(0, 12, "[ { #3 (xxxx"), 0);

  // Nesting built in memory, deeper than any stack would hold.
  CosObj nested = CosNewArray(doc, 0, 1);
  for (int i = 0; i < 20000; ++i) {
    CosObj outer = CosNewArray(doc, 0, 1);
    CosArrayInsert(outer, 0, nested);
    nested = outer;
  }
  const std::string deep = CosValueText(nested, 0, 0).Text();
  const std::string levels = [] {
    std::string s;
    for (int i = 0; i < CosValueText::kMaxNesting; ++i) s += "[ ";
    return s;
  }();
  EXPECT_EQ(deep.substr(0, levels.size() + sizeof kMarker - 1), levels + kMarker);
  EXPECT_LE(deep.size(), CosValueText::kMaxText);
}

TEST_F(CosValueTextTest, HostFailurePassesAsAcrobatExceptionWithNoFrameLeft) {
  CosDoc doc = Open({"[1 << /A [2] >>]"});
  CosObj array = CosDocGetObjByID(doc, 3);
  hosttest::RaiseOnNextCall(host::TableId::Cos, CosSel::ObjEnum, cosErrReadError);
  try {
    CosValueText text(array, 0, 0);
    FAIL() << "no exception; text " << text.Text();
  } catch (const Zentu::AcrobatException& e) {
    EXPECT_EQ(e.ErrorCode(), cosErrReadError);
  }
  EXPECT_EQ(ASFrameDepth(), 0);
}

// A page of a real 100-page document at the walker's depth: the page tree
// leads from every page to its parent and back to all the pages.
TEST_F(CosValueTextTest, PageOfHundredPageDocumentIsQuickAndCapped) {
  const char* source = std::getenv("ZENTU_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  std::string sample = std::string(source) + "/samples/sample.pdf";
  char dir[] = "/tmp/cosvaluetextXXXXXX";
  ASSERT_NE(::mkdtemp(dir), nullptr);
  std::string out = std::string(dir) + "/hundred.pdf";
  std::string command = "qpdf --empty --pages";
  for (int i = 0; i < 33; ++i) command += " '" + sample + "' 1-3";
  command += " '" + sample + "' 1 -- '" + out + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;

  PDDoc pd = host::OpenDocument(out);
  ASSERT_EQ(PDDocGetNumPages(pd), 100);
  PDPage page = PDDocAcquirePage(pd, 0);
  CosObj pageObj = PDPageGetCosObj(page);
  auto start = std::chrono::steady_clock::now();
  CosValueText text(pageObj, 100, 0);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  PDPageRelease(page);
  std::remove(out.c_str());
  ::rmdir(dir);

  EXPECT_LT(seconds, 0.5);
  EXPECT_LE(text.Text().size(), CosValueText::kMaxText);
  EXPECT_EQ(text.Text().compare(0, 3, "<< "), 0);
  EXPECT_NE(text.Text().find(" /Parent { #"), std::string::npos);
  EXPECT_NE(text.Text().find(kMarker), std::string::npos);
}

}  // namespace
