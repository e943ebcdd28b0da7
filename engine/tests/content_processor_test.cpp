// The operator remover on content streams: what each run keeps, how the
// new streams take the old ones' places, and what stops it.
#include <stdexcept>

#include "common/MyCosDoc.h"
#include "engine/ContentProcessor.h"
#include "fix_fixture.h"
#include "host/calls.h"

namespace {

using enginetest::FixFixture;
typedef std::list<std::string> Names;

std::string Decoded(const MyCosObj& stream) {
  std::string data;
  ASStm stm = stream.OpenStm(cosOpenFiltered);
  char buffer[512];
  for (ASSize_t got; (got = ASStmRead(buffer, 1, sizeof buffer, stm)) > 0;) data.append(buffer, got);
  ASStmClose(stm);
  return data;
}

class ContentProcessorTest : public FixFixture {
 protected:
  // A page whose contents are `contents` (object 4 on), with resources.
  void OpenContents(const std::string& contents, const std::vector<std::string>& streams) {
    UseStandard(nullptr);
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 /MediaBox [0 0 200 100] >>",
        "<< /Type /Page /Parent 2 0 R /Resources << >> /Contents " + contents + " >>"};
    for (const std::string& data : streams)
      objects.push_back(data.compare(0, 7, "stream:") == 0 ? data : "stream:|" + data);
    Open(objects);
    walker_ = Check();
  }
  MyCosObj Contents() const { return Obj(3).Get("Contents"); }
  MyCosObj Resources() const { return Obj(3).Get("Resources"); }

  boost::shared_ptr<PDFXPreflight> walker_;
};

TEST_F(ContentProcessorTest, EachRunKeepsEverythingButTheListedOperatorsWithTheirOperands) {
  struct Case {
    const char* content;
    Names names;
    const char* kept;  // null: the stream is left as it is
    size_t marks;
  } cases[] = {
      {"q 1 0 0 RG 0 0 m 10 10 l S Q", {"RG"}, "q 0 0 m 10 10 l S Q", 2},
      {"1 g 0 G", {"g", "G"}, "", 2},  // adjacent runs merge
      {"/RG gs 1 0 0 RG", {"RG"}, "/RG gs", 2},
      {"1 0 0 RG q", {"RG"}, " q", 2},
      {"% a note\n1 0 0 RG Q", {"RG"}, " Q", 2},
      {"(1 0 0 RG) Tj 1 0 0 rg", {"RG"}, nullptr, 0},
      {"BI /W 2 /H 1 /BPC 8 /CS /G ID \x01\xfe EI 0 g", {"g"}, "BI /W 2 /H 1 /BPC 8 /CS /G ID \x01\xfe EI", 2},
      {"BI /W 2 /H 1 /BPC 8 /CS /G ID \x01\xfe EI 0 g", {"BI"}, " 0 g", 2},
      // An image that cannot be read ends the stream; the rest is kept.
      {"1 0 0 RG BI /W 2 /H 1", {"RG", "BI"}, " BI /W 2 /H 1", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.content);
    OpenContents("4 0 R", {c.content});
    ContentProcessor processor(walker_, Contents(), Resources());
    EXPECT_TRUE(processor.Run(c.names));
    EXPECT_EQ(processor.GetMarks().size(), c.marks);
    if (!c.kept) {
      EXPECT_TRUE(walker_->GetReplacements().empty());
    } else {
      ASSERT_EQ(walker_->GetReplacements().size(), 1u);
      const ReplacementRecord& record = walker_->GetReplacements().front();
      EXPECT_TRUE(record.object.Equal(Contents()));
      EXPECT_EQ(Decoded(record.replacement), c.kept);
      EXPECT_EQ(Decoded(Contents()), c.content) << "the old stream stays until the clean-up";
    }
    TearDown();
    SetUp();
  }
}

TEST_F(ContentProcessorTest, LongStreamsAreCutAtTheirRangesAcrossReadPieces) {
  const std::string line = "0 0 m 10 10 l S";
  std::string content = line;
  std::string kept = line;
  for (int i = 1; i < 700; ++i) {
    if (i % 7 == 0) content += "\n1 0 0 RG";
    content += "\n" + line;
    kept += "\n" + line;
  }
  OpenContents("4 0 R", {content});
  ContentProcessor processor(walker_, Contents(), Resources());
  processor.Run({"RG"});
  ASSERT_EQ(walker_->GetReplacements().size(), 1u);
  EXPECT_EQ(Decoded(walker_->GetReplacements().front().replacement), kept);
}

TEST_F(ContentProcessorTest, AnArrayRewritesOnlyItsStreamsWithOperatorsAndTheCleanupPutsThemInPlace) {
  // Element 1 is broken and holds no content; element 2 has nothing to remove.
  OpenContents("[4 0 R null 5 0 R 6 0 R]",
               {"q 1 0 0 RG", "0 0 m 10 10 l S", "stream:/Filter /ASCIIHexDecode|31203020302052472051>"});
  const MyCosObj old4 = Obj(4), old6 = Obj(6);
  ContentProcessor processor(walker_, Contents(), Resources());
  processor.Run({"RG"});
  ASSERT_EQ(walker_->GetReplacements().size(), 2u);
  EXPECT_EQ(processor.GetMarks().front().stream, 0);
  EXPECT_EQ(processor.GetMarks().back().stream, 3);

  hosttest::ClearCallLog();
  ASSERT_TRUE(walker_->Cleanup());
  const MyCosObj contents = Contents();
  EXPECT_EQ(Decoded(contents.Get(0)), "q");
  EXPECT_TRUE(contents.Get(2).Equal(Obj(5)));
  // The filters stay: the new data is encoded as the old was.
  EXPECT_EQ(contents.Get(3).Get("Filter").ValueAsString(), "ASCIIHexDecode");
  EXPECT_EQ(Decoded(contents.Get(3)), " Q");
  EXPECT_EQ(old4.GetType(), CosNull);
  EXPECT_EQ(old6.GetType(), CosNull);
  // The page in view is told, once per replaced stream.
  EXPECT_EQ(std::count(hosttest::CallLog().begin(), hosttest::CallLog().end(), "page contents changed 0"), 2);
}

TEST_F(ContentProcessorTest, MissingContentsStopBeforeAnythingChangesAndMissingResourcesDoNot) {
  OpenContents("4 0 R", {"1 0 0 RG BI /W 2 /H 1 /BPC 8 /CS /G ID \x01\xfe EI"});
  try {
    ContentProcessor processor(walker_, MyCosObj(), Resources());
    ADD_FAILURE() << "no contents";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "No Contents stream.");
  }
  EXPECT_TRUE(walker_->GetReplacements().empty());
  // An inline image of a device space is read without resources, as the
  // check read it.
  ContentProcessor withoutResources(walker_, Contents(), MyCosObj());
  withoutResources.Run({"RG"});
  ASSERT_EQ(walker_->GetReplacements().size(), 1u);
  EXPECT_EQ(Decoded(walker_->GetReplacements().front().replacement), " BI /W 2 /H 1 /BPC 8 /CS /G ID \x01\xfe EI");

  // Content without inline images needs no resources.
  TearDown();
  SetUp();
  OpenContents("4 0 R", {"1 0 0 RG q"});
  ContentProcessor plain(walker_, Contents(), MyCosObj());
  plain.Run({"RG"});
  ASSERT_EQ(walker_->GetReplacements().size(), 1u);
  EXPECT_EQ(Decoded(walker_->GetReplacements().front().replacement), " q");
}

}  // namespace
