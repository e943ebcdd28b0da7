// Profiles read from streams and files, and the profile lists kept in the
// settings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Prefs.h"
#include "engine/ICCProfile.h"
#include "engine/ObjectNode.h"
#include "engine/ProfileSettings.h"
#include "profile_bytes.h"
#include "walker_fixture.h"

namespace {

using enginetest::Hex;
using enginetest::ProfileBytes;
using enginetest::WalkerFixture;

int32_t Sig(const char* s) {
  uint32_t sig = 0;
  for (int i = 0; i < 4; ++i) sig = (sig << 8) | static_cast<uint8_t>(s[i]);
  return static_cast<int32_t>(sig);
}

class ProfileTest : public WalkerFixture {
 protected:
  void SetUp() override {
    WalkerFixture::SetUp();
    OpenPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>",
             "stream:/N 4 /Filter /ASCIIHexDecode|" + Hex(ProfileBytes("prtr", "CMYK", "Coated Press")),
             "stream:/N 3|" + ProfileBytes("mntr", "RGB ", ""), "stream:/N 4|",
             "stream:/N 4|" + ProfileBytes("prtr", "CMYK", "Cut").substr(0, 150), "<< /N 4 >>"});
  }
};

TEST_F(ProfileTest, StreamsAreReadDecodedWithHeaderAndDescription) {
  struct Case {
    int object;
    bool read;
    int32_t deviceClass;
    int32_t colorSpace;
    const char* description;  // null: none
  };
  const Case cases[] = {
      {3, true, Sig("prtr"), Sig("CMYK"), "Coated Press"},
      {4, true, Sig("mntr"), Sig("RGB "), nullptr},  // no 'desc' tag
      {5, false, -1, -1, nullptr},                   // empty
      {6, false, -1, -1, nullptr},                   // cut short
      {7, false, -1, -1, nullptr},                   // no stream at all
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.object);
    Zentu::ICCProfile profile(boost::shared_ptr<ObjectNode>(new ObjectNode(Obj(c.object), 0, "")),
                              boost::shared_ptr<ObjectNode>());
    EXPECT_EQ(profile.ReadFailed(), !c.read);
    EXPECT_EQ(profile.GetDeviceClass(), c.deviceClass);
    EXPECT_EQ(profile.GetColorSpace(), c.colorSpace);
    std::string text = "unchanged";
    EXPECT_EQ(profile.GetDescriptionTag(text), c.description != nullptr);
    EXPECT_EQ(text, c.description ? c.description : "unchanged");

    OutputIntentRecord record;
    record.file = "kept.icc";
    record.extraText = "cleared";
    EXPECT_EQ(record.ReadProfile(Obj(c.object)), c.read);
    EXPECT_TRUE(record.hasProfile);
    EXPECT_EQ(record.read, c.read);
    EXPECT_EQ(record.deviceClass, c.deviceClass);
    EXPECT_EQ(record.colorSpace, c.colorSpace);
    EXPECT_EQ(record.file, "kept.icc");
    EXPECT_EQ(record.extraText, "");
  }

  // A failed read lasts until a good one or Reset; a held profile is dropped by Reset.
  Zentu::ICCProfile profile{boost::shared_ptr<ObjectNode>(), boost::shared_ptr<ObjectNode>()};
  EXPECT_FALSE(profile.HasProfile());
  ASSERT_TRUE(profile.LoadFromStream(Obj(3)));
  EXPECT_FALSE(profile.LoadFromStream(Obj(5)));
  EXPECT_TRUE(profile.ReadFailed());
  EXPECT_EQ(profile.GetColorSpace(), -1);
  EXPECT_TRUE(profile.LoadFromStream(Obj(4)));
  EXPECT_FALSE(profile.ReadFailed());
  profile.Reset();
  EXPECT_FALSE(profile.HasProfile());
  EXPECT_FALSE(profile.ReadFailed());
  EXPECT_EQ(profile.GetDeviceClass(), -1);
  ASSERT_TRUE(profile.LoadFromStream(Obj(4)));
  EXPECT_EQ(profile.GetColorSpace(), Sig("RGB "));
}

TEST_F(ProfileTest, AnEntryReadsTheFileOfARecordOnlyNamedInTheSettings) {
  struct Case {
    const char* colorSpace;
    int family;
  };
  const Case cases[] = {{"CMYK", ProfileEntry::CMYK}, {"GRAY", ProfileEntry::GRAY},
                        {"RGB ", ProfileEntry::RGB}, {"Lab ", ProfileEntry::OTHER}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.colorSpace);
    const std::string path = home_.File(std::string("p") + c.colorSpace[0] + ".icc");
    hosttest::WriteFile(path, ProfileBytes("prtr", c.colorSpace, std::string("Named ") + c.colorSpace));
    boost::shared_ptr<OutputIntentRecord> record(new OutputIntentRecord);
    record->file = path;
    record->description = "From the settings";
    ProfileEntry entry("Entry", record, true);
    EXPECT_EQ(entry.name, "Entry");
    EXPECT_TRUE(entry.flag);
    EXPECT_EQ(entry.family, c.family);
    EXPECT_TRUE(record->read);
    EXPECT_TRUE(record->hasProfile);
    EXPECT_EQ(record->colorSpace, Sig(c.colorSpace));
    EXPECT_EQ(record->deviceClass, Sig("prtr"));
    EXPECT_EQ(entry.description, std::string("Named ") + c.colorSpace);
  }

  // A file that is not there leaves the record as the settings gave it.
  boost::shared_ptr<OutputIntentRecord> missing(new OutputIntentRecord);
  missing->file = home_.File("none.icc");
  missing->description = "Gone";
  ProfileEntry gone("Gone", missing, false);
  EXPECT_EQ(gone.family, ProfileEntry::OTHER);
  EXPECT_FALSE(missing->read);
  EXPECT_EQ(missing->colorSpace, -1);
  EXPECT_EQ(gone.description, "Gone");

  // A record read from a stream is not read again from a file.
  boost::shared_ptr<OutputIntentRecord> streamed(new OutputIntentRecord);
  ASSERT_TRUE(streamed->ReadProfile(Obj(3)));
  streamed->file = missing->file;
  ProfileEntry fromStream("Stream", streamed, false);
  EXPECT_EQ(fromStream.family, ProfileEntry::CMYK);
  EXPECT_EQ(fromStream.description, "Coated Press");

  ProfileEntry empty("Empty", boost::shared_ptr<OutputIntentRecord>(), false);
  EXPECT_EQ(empty.family, ProfileEntry::OTHER);
  EXPECT_EQ(empty.description, "");
}

class ProfileSettingsTest : public WalkerFixture {
 protected:
  // The family's records as "name=file".
  static std::vector<std::string> Pairs(const ProfileSettings::RecordList& list) {
    std::vector<std::string> pairs;
    for (const auto& record : list) pairs.push_back(record->description + "=" + record->file);
    return pairs;
  }
  static std::string Stored(const char* key) {
    std::string value = "<none>";
    Prefs::Get(key, value);
    return value;
  }

  ProfileSettings settings_;
};

TEST_F(ProfileSettingsTest, NamesAndFilesArePairedItemByItem) {
  struct Case {
    const char* names;
    const char* files;
    std::vector<std::string> pairs;
  };
  const Case cases[] = {
      {"A|B", "a.icc|b.icc", {"A=a.icc", "B=b.icc"}},
      {"|A||B|", "a.icc|b.icc", {"A=a.icc", "B=b.icc"}},
      {"A|B|C", "a.icc|b.icc", {"A=a.icc", "B=b.icc"}},
      {"A", "a.icc|b.icc", {"A=a.icc"}},
      {" A |B", "a.icc| b.icc", {" A =a.icc", "B= b.icc"}},
      {"", "a.icc", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.names);
    Prefs::Set("gray_profile_names", c.names);
    Prefs::Set("gray_profile_filenames", c.files);
    EXPECT_TRUE(settings_.Load());
    EXPECT_EQ(Pairs(settings_.families[1]), c.pairs);
    for (const auto& record : settings_.families[1]) {
      EXPECT_EQ(record->colorSpace, -1);
      EXPECT_FALSE(record->read);
      EXPECT_FALSE(record->hasProfile);
      EXPECT_EQ(settings_.nameIndex[record->description], record);
    }
  }
}

TEST_F(ProfileSettingsTest, LoadingAgainKeepsEachRecordOnceAndTheIndexTheNewest) {
  Prefs::Set("gray_profile_names", "Shared|Gray");
  Prefs::Set("gray_profile_filenames", "g1.icc|g2.icc");
  Prefs::Set("cmyk_profile_names", "Shared");
  Prefs::Set("cmyk_profile_filenames", "c.icc");
  Prefs::Set("cmyk_profile", "Shared");
  settings_.chosen[1] = "kept";
  settings_.Load();
  settings_.Load();
  EXPECT_EQ(Pairs(settings_.families[1]), (std::vector<std::string>{"Shared=g1.icc", "Gray=g2.icc"}));
  EXPECT_EQ(Pairs(settings_.families[3]), (std::vector<std::string>{"Shared=c.icc"}));
  EXPECT_TRUE(settings_.families[0].empty());
  EXPECT_TRUE(settings_.families[2].empty());
  EXPECT_EQ(settings_.nameIndex.size(), 2u);
  EXPECT_EQ(settings_.nameIndex["Shared"], settings_.families[3].front());
  EXPECT_EQ(settings_.chosen[3], "Shared");
  EXPECT_EQ(settings_.chosen[1], "kept") << "no stored choice leaves the one held";

  // Clearing a family leaves the index and the choice alone.
  boost::shared_ptr<OutputIntentRecord> gray = settings_.nameIndex["Gray"];
  EXPECT_TRUE(settings_.ClearFamily(1));
  EXPECT_TRUE(settings_.families[1].empty());
  EXPECT_EQ(settings_.nameIndex["Gray"], gray);
  EXPECT_EQ(settings_.chosen[1], "kept");
  EXPECT_FALSE(settings_.ClearFamily(4));
  EXPECT_FALSE(settings_.ClearFamily(-1));
}

TEST_F(ProfileSettingsTest, SavingWritesWhatLoadingReads) {
  Prefs::Set("default_profile_names", "|A||B|");
  Prefs::Set("default_profile_filenames", "a.icc|b.icc");
  Prefs::Set("default_profile", "B");
  settings_.Load();
  EXPECT_TRUE(settings_.Save());
  EXPECT_EQ(Stored("default_profile_names"), "A|B");
  EXPECT_EQ(Stored("default_profile_filenames"), "a.icc|b.icc");
  EXPECT_EQ(Stored("default_profile"), "B");
  EXPECT_EQ(Stored("rgb_profile_names"), "");
  EXPECT_EQ(Stored("rgb_profile_filenames"), "");
  EXPECT_EQ(Stored("rgb_profile"), "");

  // A record that could not be read back in pairs is left out, and said so.
  boost::shared_ptr<OutputIntentRecord> odd(new OutputIntentRecord);
  odd->description = "C|D";
  odd->file = "cd.icc";
  boost::shared_ptr<OutputIntentRecord> nameless(new OutputIntentRecord);
  nameless->file = "x.icc";
  boost::shared_ptr<OutputIntentRecord> last(new OutputIntentRecord);
  last->description = "E";
  last->file = "e.icc";
  settings_.families[0].push_back(odd);
  settings_.families[0].push_back(nameless);
  settings_.families[0].push_back(last);
  EXPECT_FALSE(settings_.Save());
  EXPECT_EQ(Stored("default_profile_names"), "A|B|E");
  EXPECT_EQ(Stored("default_profile_filenames"), "a.icc|b.icc|e.icc");
  settings_.Load();
  EXPECT_EQ(Pairs(settings_.families[0]), (std::vector<std::string>{"A=a.icc", "B=b.icc", "E=e.icc"}));
}

}  // namespace
