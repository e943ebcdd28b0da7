// Streams with external files, OPI dictionaries and file specifications:
// what is followed and when a file that is not embedded is filed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ErrorNames.h"
#include "kinds_fixture.h"

namespace {

using enginetest::Filed;
using enginetest::KindFixture;
using enginetest::Visit;

const std::string kImageHead = "stream:/Type /XObject /Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8"
                               " /ColorSpace /DeviceGray";

class StreamCheckTest : public KindFixture {
 protected:
  // Checks a page that shows image 5, whose extra entries are given; the
  // further objects are 6, 7, ...
  boost::shared_ptr<PDFXPreflight> CheckImage(const std::string& entries, const std::vector<std::string>& more) {
    log_->visits.clear();
    answers_->askedKinds.clear();
    std::vector<std::string> objects = {kImageHead + " " + entries + "|x"};
    objects.insert(objects.end(), more.begin(), more.end());
    OnePage("/XObject << /Im 5 0 R >>", "/Im Do", objects);
    return CheckAll();
  }
  // The text of the file specification a record names as its container.
  static std::string FileOf(const boost::shared_ptr<Zentu::PDFX_Error>& error) {
    const MyCosObj& spec = error->GetContainerNode()->object;
    return spec.CachedType() == CosDict ? spec.Get("F").ValueAsString() : spec.ValueAsString();
  }
};

// Object 5 refers to a file that is not embedded.
const Filed kFileOf5 = {UNFIXABLE_ERROR, KIND_FILESPEC, PROBLEM_NOT_EMBEDDED, "", 5, -1};

TEST_F(StreamCheckTest, AnExternalFileIsFiledWhenTheStandardAsksForTheReferrersKind) {
  auto walker = CheckImage("/F (picture.dat)", {});
  EXPECT_EQ(Records(*walker), (std::vector<Filed>{kFileOf5}));
  EXPECT_EQ(answers_->askedKinds, (std::vector<int>{KIND_IMAGE}));
  EXPECT_EQ(FileOf(walker->GetErrorList().front()), "picture.dat");

  answers_->unwantedKinds = {KIND_IMAGE};
  walker = CheckImage("/F (picture.dat)", {});
  EXPECT_TRUE(Records(*walker).empty());
  EXPECT_EQ(answers_->askedKinds, (std::vector<int>{KIND_IMAGE}));
}

TEST_F(StreamCheckTest, AFileSpecificationIsEmbeddedOnlyWithEF) {
  struct Case {
    const char* name;
    std::string spec;  // object 6
    std::vector<Filed> records;
  } cases[] = {
      {"a dictionary without EF", "<< /Type /Filespec /F (picture.dat) >>",
       {{UNFIXABLE_ERROR, KIND_FILESPEC, PROBLEM_NOT_EMBEDDED, "", 5, 6}}},
      {"EF null", "<< /Type /Filespec /F (picture.dat) /EF null >>",
       {{UNFIXABLE_ERROR, KIND_FILESPEC, PROBLEM_NOT_EMBEDDED, "", 5, 6}}},
      {"EF present", "<< /Type /Filespec /F (picture.dat) /EF 7 0 R >>", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto walker = CheckImage("/F 6 0 R", {c.spec, "<< /F 8 0 R >>", "stream:/Type /EmbeddedFile|data"});
    EXPECT_EQ(Records(*walker), c.records);
    EXPECT_EQ(Seen(KIND_FILESPEC), (std::vector<int>{6}));
  }
  // The EF dictionary is read with its file specification, never on its own.
  auto walker = CheckImage("/F 6 0 R", {"<< /Type /Filespec /F (picture.dat) /EF 7 0 R >>", "<< /F 8 0 R >>",
                                        "stream:/Type /EmbeddedFile|data"});
  EXPECT_TRUE(walker->IsVisited(7));
  EXPECT_FALSE(walker->IsVisited(8));
}

TEST_F(StreamCheckTest, RelatedFilesAreTheStreamsAtOddPlaces) {
  auto walker = CheckImage(
      "/F 6 0 R", {"<< /Type /Filespec /F (a.dat) /EF << /F 7 0 R >> /RF << /DOS [(A1.DAT) 8 0 R (A2.DAT) 9 0 R]"
                   " /Unix [(a3.dat)] /Mac null /F [(a4.dat) 10 0 R] >> >>",
                   "stream:/Type /EmbeddedFile|a", "stream:/Type /EmbeddedFile|a1", "stream:/Type /EmbeddedFile|a2",
                   "stream:/Type /EmbeddedFile|a4"});
  // Each related file is visited as a file specification; its data is
  // embedded, so nothing is filed.
  EXPECT_EQ(Seen(KIND_FILESPEC), (std::vector<int>{6, 8, 9, 10}));
  std::vector<int> referrers;
  for (const Visit& v : SeenVisits(KIND_FILESPEC)) referrers.push_back(v.referrer);
  EXPECT_EQ(referrers, (std::vector<int>{5, 6, 6, 6}));
  EXPECT_TRUE(Records(*walker).empty());
}

TEST_F(StreamCheckTest, AnOPIDictionaryFollowsItsFirstVersion) {
  struct Case {
    const char* name;
    std::string opi;
    std::vector<std::string> files;
  } cases[] = {
      {"both versions", "<< /1.3 << /Type /OPI /F (old.tif) >> /2.0 << /Type /OPI /F (new.tif) >> >>", {"old.tif"}},
      {"only 2.0", "<< /2.0 << /Type /OPI /F (new.tif) >> >>", {"new.tif"}},
      {"1.3 null", "<< /1.3 null /2.0 << /Type /OPI /F (new.tif) >> >>", {"new.tif"}},
      {"a version without a file", "<< /1.3 << /Type /OPI >> /2.0 << /Type /OPI /F (new.tif) >> >>", {}},
      {"no version", "<< /1.0 << /F (ancient.tif) >> >>", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto walker = CheckImage("/OPI 6 0 R", {c.opi});
    std::vector<std::string> files;
    for (const auto& error : walker->GetErrorList()) {
      EXPECT_EQ(error->GetObjectNode()->objectNumber, 6) << "the OPI dictionary refers to the file";
      files.push_back(FileOf(error));
    }
    EXPECT_EQ(files, c.files);
    EXPECT_EQ(answers_->askedKinds, std::vector<int>(c.files.size(), KIND_OPI));
  }
}

TEST_F(StreamCheckTest, AStreamMetTwiceFollowsItsFileOnce) {
  // A form is dispatched as an XObject and again as content.
  OnePage("/XObject << /Fm 5 0 R >>", "/Fm Do",
          {"stream:/Type /XObject /Subtype /Form /BBox [0 0 1 1] /F (form.dat)|0 0 m"});
  auto walker = CheckAll();
  EXPECT_EQ(Records(*walker), (std::vector<Filed>{kFileOf5}));
  EXPECT_EQ(Seen(KIND_FILESPEC), (std::vector<int>{-1}));
}

TEST_F(StreamCheckTest, AnInlineImagesFilterIsNoFile) {
  OnePage("", "BI /W 1 /H 1 /BPC 8 /CS /G /F /AHx ID 00> EI BI /W 1 /H 1 /BPC 8 /CS /G /F [/AHx] ID 00> EI", {});
  auto walker = CheckAll();
  EXPECT_EQ(Seen(KIND_INLINE_IMAGE).size(), 2u);
  EXPECT_TRUE(Seen(KIND_FILESPEC).empty());
  EXPECT_TRUE(Records(*walker).empty());
}

TEST_F(StreamCheckTest, WhatIsNotAStreamIsNotMarked) {
  OnePage("", "", {"<< /F (not.dat) >>", "stream:/F (data.dat)|x"});
  auto walker = NewWalker();
  walker->CheckStream(NodeOf(5, KIND_STREAM), enginetest::NodePtr(), false);
  EXPECT_FALSE(walker->IsVisited(5));
  EXPECT_TRUE(walker->GetErrorList().empty());
  // A stream is marked and its file followed unless told to skip it.
  walker->CheckStream(NodeOf(6, KIND_STREAM), enginetest::NodePtr(), true);
  EXPECT_TRUE(walker->IsVisited(6));
  EXPECT_TRUE(walker->GetErrorList().empty());
}

}  // namespace
