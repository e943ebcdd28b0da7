// Real documents, joined into one of some hundred pages at test time.
#include <gtest/gtest.h>

#include "common/MyCosDoc.h"
#include "core/host.h"
#include "engine/ErrorNames.h"
#include "host/calls.h"
#include "walker_fixture.h"

namespace {

using enginetest::WalkerFixture;

using hosttest::FileExists;
using hosttest::Quoted;

class RealDocumentTest : public WalkerFixture {
 protected:
  void SetUp() override {
    WalkerFixture::SetUp();
    Register("A");
  }

  // Joins the given PDFs (gzipped ones are unpacked first) with qpdf; the
  // first one's catalog is kept. Empty when a source is missing.
  std::string Join(const std::vector<std::string>& sources, int rounds) {
    std::vector<std::string> plain;
    for (size_t i = 0; i < sources.size(); ++i) {
      if (!FileExists(sources[i])) return std::string();
      std::string name = sources[i];
      if (name.size() > 3 && name.compare(name.size() - 3, 3, ".gz") == 0) {
        std::string out = home_.File("source" + std::to_string(i) + ".pdf");
        if (hosttest::RunCommand("gunzip -c " + Quoted(name) + " > " + Quoted(out)) != 0) return std::string();
        name = out;
      }
      plain.push_back(name);
    }
    // A plain cross-reference table: the trailer is read from the file's tail.
    std::string command = "qpdf --object-streams=disable " + Quoted(plain.front()) + " --pages";
    for (int r = 0; r < rounds; ++r)
      for (const std::string& p : plain) command += " " + Quoted(p);
    std::string joined = home_.File("joined.pdf");
    command += " -- " + Quoted(joined);
    std::string output;
    int status = hosttest::RunCommand(command, &output);
    // qpdf answers 3 for warnings about the sources; the file is written.
    if (status != 0 && status != 3) {
      ADD_FAILURE() << output;
      return std::string();
    }
    return joined;
  }

  // Walks the open view document, or opens the file when there is none.
  void Walk(const std::string& path, size_t minimumPages) {
    if (!view_) view_ = host::OpenInView(path);
    pd_ = AVDocGetPDDoc(view_);
    ASInt32 pages = PDDocGetNumPages(pd_);
    ASSERT_GE(static_cast<size_t>(pages), minimumPages);
    auto walker = NewWalker();
    PDFXPreflight::SeveritySet result = walker->Check();
    EXPECT_FALSE(result.test(0)) << walker->GetErrorList().front()->GetMessage();
    EXPECT_FALSE(result.test(1));
    EXPECT_EQ(Seen(KIND_PAGE).size(), static_cast<size_t>(pages));
    ASSERT_FALSE(status_.PageTexts().empty());
    EXPECT_EQ(status_.PageTexts().front(), "Checking page 1 of " + std::to_string(pages));
    EXPECT_EQ(walker->GetResourceStack().Size(), 0u);
  }
};

// Documentation shipped with the packages the build installs.
const std::vector<std::string> kPackageDocs = {
    "/usr/share/doc/liblcms2-dev/LittleCMS2.14 API.pdf.gz",
    "/usr/share/doc/liblcms2-dev/LittleCMS2.14 Plugin API.pdf.gz",
    "/usr/share/doc/liblcms2-dev/LittleCMS2.14 tutorial.pdf.gz",
    "/usr/share/doc/zlib1g-dev/crc-doc.1.0.pdf.gz",
};

TEST_F(RealDocumentTest, HundredsOfPagesWithOutlinesAndFields) {
  std::string joined = Join(kPackageDocs, 1);
  if (joined.empty()) GTEST_SKIP() << "the packaged documentation is not installed";

  // Give the real pages an outline tree and a form to walk as well.
  view_ = host::OpenInView(joined);
  pd_ = AVDocGetPDDoc(view_);
  MyCosDoc doc(PDDocGetCosDoc(pd_));
  MyCosObj catalog = doc.GetRoot();
  MyCosObj outlines, first, second, child, form, fields, field, kid;
  ASSERT_TRUE(outlines.NewDict(doc, 1, 4));
  ASSERT_TRUE(first.NewDict(doc, 1, 4));
  ASSERT_TRUE(second.NewDict(doc, 1, 4));
  ASSERT_TRUE(child.NewDict(doc, 1, 4));
  outlines.Put("First", first);
  outlines.Put("Last", second);
  MyCosObj count;
  ASSERT_TRUE(count.NewInteger(doc, 0, 3));
  outlines.Put("Count", count);
  first.Put("Parent", outlines);
  first.Put("Next", second);
  first.Put("First", child);
  child.Put("Parent", first);
  second.Put("Parent", outlines);
  second.Put("Prev", first);
  catalog.Put("Outlines", outlines);
  ASSERT_TRUE(form.NewDict(doc, 0, 2));
  ASSERT_TRUE(fields.NewArray(doc, 0, 1));
  ASSERT_TRUE(field.NewDict(doc, 1, 2));
  ASSERT_TRUE(kid.NewDict(doc, 1, 2));
  MyCosObj kids;
  ASSERT_TRUE(kids.NewArray(doc, 0, 1));
  kids.PutAt(0, kid);
  field.Put("Kids", kids);
  kid.Put("Parent", field);
  fields.PutAt(0, field);
  form.Put("Fields", fields);
  catalog.Put("AcroForm", form);

  Walk(joined, 300);
  EXPECT_EQ(Seen(KIND_OUTLINE).size(), 4u);
  EXPECT_EQ(Seen(KIND_FORM_FIELD).size(), 2u);
}

TEST_F(RealDocumentTest, OutlinesAsTheyWereWritten) {
  std::string joined = Join({"/usr/share/doc/libtasn1-doc/libtasn1.pdf",
                             "/usr/share/doc/shared-mime-info/shared-mime-info-spec.pdf"},
                            4);
  if (joined.empty()) GTEST_SKIP() << "these documents are not installed";
  Walk(joined, 200);
  EXPECT_GT(Seen(KIND_OUTLINE).size(), 10u);
}

}  // namespace
