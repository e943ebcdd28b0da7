// The ICC profile object over real files, streams and the built-in
// resources; its test against a standard; the replacing fixer.
#include <sys/stat.h>

#include <gtest/gtest.h>
#include <lcms2.h>

#include <functional>

#include "common/MyCosDoc.h"
#include "common/Prefs.h"
#include "core/host.h"
#include "dialogs/manager.h"
#include "engine/ErrorNames.h"
#include "engine/Fixers.h"
#include "engine/ICCProfile.h"
#include "engine/ObjectNode.h"
#include "engine/PDFX_Error.h"
#include "engine/ProfileResources.h"
#include "fix_fixture.h"
#include "host/calls.h"
#include "icc/icc_memory.h"
#include "profile_bytes.h"
#include "support.h"
#include "testing/processes.h"

namespace {

using enginetest::ErrorPtr;
using enginetest::NodePtr;
using enginetest::TestStandard;

int32_t Sig(const char* s) { return static_cast<int32_t>(str2tag(s)); }

std::string BuiltIn(int index) {
  uint32_t size = 0;
  const unsigned char* bytes = Zentu::LoadProfileResource(index, size);
  return bytes ? std::string(reinterpret_cast<const char*>(bytes), size) : std::string();
}

// The profile's bytes after `edit`, written again by the library.
std::string Edited(const std::string& bytes, const std::function<void(icc*)>& edit) {
  icc* p = new_icc();
  EXPECT_EQ(icc_read_memory(p, bytes.data(), static_cast<unsigned int>(bytes.size())), 0);
  edit(p);
  std::string out(p->get_size(p), '\0');
  EXPECT_EQ(icc_write_memory(p, &out[0], static_cast<unsigned int>(out.size())), 0) << p->error_text;
  p->del(p);
  return out;
}

std::string ModuleFile(const std::string& name) { return GetModulePath() + "/" + name; }

class ProfileTest : public enginetest::FixFixture {
 protected:
  void SetUp() override {
    FixFixture::SetUp();
    UseStandard(nullptr);
    static const PIResourceTable* const tables[] = {&kICCProfileResources};
    static const PIResourceDirectory directory = {sizeof(PIResourceDirectory), tables, 1};
    hosttest::RegisterResources(&directory);
  }

  NodePtr Node(int number, int kind = 0) const { return NodePtr(new ObjectNode(Obj(number), kind, "")); }
  boost::shared_ptr<PDFXPreflight> Walker() {
    boost::shared_ptr<PDFXPreflight> walker(new PDFXPreflight(&status_));
    walker->SetViewDocument(view_);
    return walker;
  }
};

// Output profiles, which the profile test of either standard accepts once
// written into a document.
TEST_F(ProfileTest, BuiltInProfilesAreTheModulesResources) {
  struct Case {
    int index;
    const char* space;  // null: no such resource
  };
  const Case cases[] = {{0, "GRAY"}, {1, "CMYK"}, {2, nullptr}, {-1, nullptr}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    uint32_t size = 7;
    const unsigned char* bytes = Zentu::LoadProfileResource(c.index, size);
    ASSERT_EQ(bytes != nullptr, c.space != nullptr);
    if (!bytes) {
      EXPECT_EQ(size, 0u);
      continue;
    }
    Zentu::ICCProfile profile{NodePtr(), NodePtr()};
    ASSERT_TRUE(profile.ReadFromMemory(bytes, size)) << profile.GetErrorText();
    EXPECT_EQ(profile.GetDeviceClass(), Sig("prtr"));
    EXPECT_EQ(profile.GetColorSpace(), Sig(c.space));
    for (const char* standard : {"PDF/X-1a:2001", "PDF/X-3"}) EXPECT_TRUE(profile.MeetsStandard(standard)) << standard;
    std::string text;
    EXPECT_TRUE(profile.GetDescriptionTag(text));
    EXPECT_EQ(text, "<GTS_:cpc>CGATS TR 001</GTS_:cpc>");
  }
}

TEST_F(ProfileTest, ProfileFilesAreSummarisedOrSayWhy) {
  // The reference conditions name their files in the module folder.
  TestStandard standard("Conditions");
  standard.BuildRules();
  std::vector<std::string> conditionFiles;
  for (const auto& entry : standard.GetPrintingConditions()) conditionFiles.push_back(entry.second->profile->file);

  const std::string onlyA2B1A2B2 = Edited(BuiltIn(0), [](icc* p) {
    p->read_all_tags(p);
    p->delete_tag(p, str2tag("A2B0"));
    p->delete_tag(p, str2tag("B2A0"));
  });
  const std::string emptyDescription = Edited(BuiltIn(0), [](icc* p) {
    p->delete_tag(p, str2tag("desc"));
    auto* desc = static_cast<icmTextDescription*>(p->add_tag(p, str2tag("desc"), str2tag("desc")));
    desc->size = 1;
    desc->allocate(desc);
  });
  hosttest::WriteFile(home_.File("a2b1.icc"), onlyA2B1A2B2);
  hosttest::WriteFile(home_.File("nodesc.icc"), emptyDescription);

  struct Case {
    std::string path;
    bool read;
    const char* deviceClass;  // null: -1
    const char* description;
    int aToB, bToA;
    ASErrorCode error;
  };
  std::vector<Case> cases = {
      {ModuleFile("ANSI TR 001.icc"), true, "prtr", "CGATS TR 001", 0, 0, 0},
      {ModuleFile("ecirgb10.icm"), true, "prtr", "eciRGB", 0, 0, 0},
      {home_.File("a2b1.icc"), true, "prtr", "<GTS_:cpc>CGATS TR 001</GTS_:cpc>", 1, 1, 0},
      {home_.File("nodesc.icc"), true, "prtr", "", 0, 0, 0},
      {home_.File("none.icc"), false, nullptr, "", -1, -1, fileErrNotFound},
      {ModuleFile(""), false, nullptr, "", -1, -1, fileErrIsFolder},  // a condition without a file
  };
  for (const std::string& file : conditionFiles) {
    if (file.back() != '/') cases.push_back({file, true, nullptr, nullptr, -2, -2, 0});
  }
  EXPECT_EQ(cases.size(), 13u) << "seven conditions with a file";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    OutputIntentRecord record;
    EXPECT_EQ(record.LoadFile(c.path), c.read);
    EXPECT_EQ(record.read, c.read);
    EXPECT_TRUE(record.hasProfile);
    EXPECT_EQ(record.file, c.path);
    EXPECT_EQ(record.extraText, c.error ? host::ErrorText(c.error) : "");
    if (c.aToB == -2) continue;  // the conditions: read whole is all
    EXPECT_EQ(record.deviceClass, c.deviceClass ? Sig(c.deviceClass) : -1);
    EXPECT_EQ(record.description, c.description);
    EXPECT_EQ(record.aToBIndex, c.aToB);
    EXPECT_EQ(record.hasAToB, c.aToB >= 0);
    EXPECT_EQ(record.bToAIndex, c.bToA);
  }
  OutputIntentRecord none;
  EXPECT_FALSE(none.LoadFile(""));
  EXPECT_FALSE(none.hasProfile);
}

TEST_F(ProfileTest, OracleProfilesReadAsLittleCmsReadsThem) {
  int compared = 0;
  for (const auto* set : {&icctest::package_profiles(), &icctest::lcms_v2_profiles()}) {
    for (const icctest::OracleProfile& o : *set) {
      if (o.version != 2) continue;
      SCOPED_TRACE(o.path);
      const std::string path = home_.File("oracle.icc");
      hosttest::WriteFile(path, std::string(o.data.begin(), o.data.end()));
      OutputIntentRecord record;
      if (!record.LoadFile(path)) {
        // LittleCMS writes its XYZ identity without a CLUT, which the library refuses.
        EXPECT_EQ(record.extraText, "icmLut_read: Unusable table sizes");
        continue;
      }
      cmsHPROFILE h = cmsOpenProfileFromMem(o.data.data(), static_cast<cmsUInt32Number>(o.data.size()));
      ASSERT_NE(h, nullptr);
      char text[512] = {};
      cmsGetProfileInfoASCII(h, cmsInfoDescription, "en", "US", text, sizeof text);
      EXPECT_EQ(record.deviceClass, static_cast<int32_t>(cmsGetDeviceClass(h)));
      EXPECT_EQ(record.colorSpace, static_cast<int32_t>(cmsGetColorSpace(h)));
      EXPECT_EQ(record.description, text);
      cmsCloseProfile(h);
      ++compared;
    }
  }
  EXPECT_GT(compared, 10);
}

TEST_F(ProfileTest, AFileTheUserMayNotReadSaysSo) {
  hosttest::TempDir dir;
  const std::string path = dir.File("closed.icc");
  hosttest::WriteFile(path, BuiltIn(0));
  hosttest::HandToUserNotRoot(dir.path());
  ASSERT_EQ(::chmod(path.c_str(), 0), 0);
  const int answer = hosttest::AsUserNotRoot([&] {
    OutputIntentRecord record;
    return !record.LoadFile(path) && !record.read && record.extraText == host::ErrorText(fileErrPermission);
  });
  if (answer == hosttest::kNoOtherUser) GTEST_SKIP() << "runs as root and could not become another user";
  EXPECT_EQ(answer, 1);
}

TEST_F(ProfileTest, StreamsAreReadDecodedOrCountAsUnreadable) {
  const std::string gray = BuiltIn(0);
  Open({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>",
        "stream:/N 1 /Filter /FlateDecode|" + hosttest::Deflated(gray), "stream:/N 1|", "stream:/N 1|" + gray});
  Zentu::ICCProfile flate{NodePtr(), NodePtr()};
  ASSERT_TRUE(flate.LoadFromStream(Obj(3))) << flate.GetErrorText();
  EXPECT_TRUE(flate.GetStream().Equal(Obj(3)));
  ASSERT_TRUE(flate.GetProfileNode());
  EXPECT_TRUE(flate.GetProfileNode()->object.Equal(Obj(3)));

  Zentu::ICCProfile empty(Node(4), NodePtr());
  EXPECT_TRUE(empty.ReadFailed());
  EXPECT_TRUE(empty.HasProfile()) << "the library read and failed";

  // Past the host's cap the stream cannot be opened: unreadable, not thrown.
  const size_t cap = host::DecodedDataCap();
  host::SetDecodedDataCap(100);
  boost::shared_ptr<PDFXPreflight> walker = Walker();
  Zentu::ICCProfile capped(Node(5, KIND_ICC_PROFILE), Node(5));
  host::SetDecodedDataCap(cap);
  EXPECT_TRUE(capped.ReadFailed());
  EXPECT_FALSE(capped.TestForPDFX("PDF/X-3", walker.get()));
  ASSERT_EQ(walker->GetErrorList().size(), 1u);
  EXPECT_EQ(walker->GetErrorList().front()->GetMessage(), "ICC profile can't be read");
}

TEST_F(ProfileTest, ProfilesAreTestedAgainstTheStandardNamed) {
  auto file = [](const char* name) { return hosttest::ReadFile(ModuleFile(name)); };
  const std::string a2b0Only = Edited(BuiltIn(1), [](icc* p) {
    p->read_all_tags(p);
    p->delete_tag(p, str2tag("A2B1"));
    p->header->deviceClass = str2tag("scnr");  // an output profile must have it
  });
  Open({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>", "stream:/N 4|not a profile",
        "stream:/N 4|" + a2b0Only, "stream:/N 4|" + file("ANSI TR 001.icc"), "stream:/N 1|" + BuiltIn(0),
        "stream:/N 3|" + enginetest::ProfileBytes("mntr", "RGB ", "eciRGB"),
        "stream:/N 4|" + enginetest::ProfileBytes("prtr", "CMYK", "x"), "[/ICCBased 3 0 R]"});
  struct Case {
    const char* standard;
    int stream;
    const char* message;  // null: no record
    int severity, problem;
    bool fixer;
  };
  const char* unread = "ICC profile can't be read";
  const char* noA2B1 = "ICC profile does not contain an AtoB1 tag";
  const char* notOutput = "ICC profile is not an output device profile";
  const Case cases[] = {
      {"PDF/X-1a:2001", 3, unread, 5, 4, true},        {"PDF/X-1a:2001", 4, noA2B1, 7, 2, false},
      {"PDF/X-1a:2001", 5, nullptr, 0, 0, false},      {"PDF/X-3", 3, unread, 5, 4, true},
      {"PDF/X-3", 6, nullptr, 0, 0, false},            {"PDF/X-3", 7, notOutput, 7, 3, false},
      {"PDF/X-3", 8, nullptr, 0, 0, false},            {"PDF/X-3:2002", 6, nullptr, 0, 0, false},
      {"PDF/X-3:2002", 4, nullptr, 0, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.standard) + " " + std::to_string(c.stream));
    boost::shared_ptr<PDFXPreflight> walker = Walker();
    Zentu::ICCProfile profile(Node(c.stream, KIND_ICC_PROFILE), Node(9));
    EXPECT_EQ(profile.TestForPDFX(c.standard, walker.get()), c.message == nullptr);
    ASSERT_EQ(walker->GetErrorList().size(), c.message ? 1u : 0u);
    if (!c.message) continue;
    const ErrorPtr& record = walker->GetErrorList().front();
    EXPECT_EQ(record->GetMessage(), c.message);
    EXPECT_EQ(record->GetDetail(), "");
    EXPECT_EQ(record->GetSeverity(), c.severity);
    EXPECT_EQ(record->GetObjectKind(), KIND_ICC_PROFILE);
    EXPECT_EQ(record->GetProblemKind(), c.problem);
    EXPECT_EQ(record->GetContainerNode()->objectNumber, c.stream);
    EXPECT_EQ(record->GetObjectNode()->objectNumber, 9);
    EXPECT_EQ(record->GetFixer(), c.fixer ? Zentu::GlobalFixers::ReplaceProfile() : nullptr);
  }
}

TEST_F(ProfileTest, AnUnreadableProfileBecomesTheBuiltInOfItsComponents) {
  Open({"<< /Type /Catalog /Pages 2 0 R /OutputIntents [12 0 R] >>", "<< /Type /Pages /Kids [14 0 R] /Count 1 >>",
        "[/ICCBased 5 0 R]", "[/ICCBased 5 0 R]",
        "stream:/N 4 /Alternate /DeviceCMYK /Filter /ASCIIHexDecode /DecodeParms << /Zent 1 >>|6e6f74>",
        "[/ICCBased 7 0 R]", "stream:/N 1|junk", "[/ICCBased 9 0 R]", "stream:/N 3|junk", "null", "null",
        "<< /Type /OutputIntent /S /GTS_PDFX /DestOutputProfile 13 0 R >>", "stream:/N 4|junk",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] /Resources << /ColorSpace << /A 3 0 R /B 4 0 R "
        "/C 6 0 R /D 8 0 R >> >> >>"});
  boost::shared_ptr<PDFXPreflight> walker = Walker();
  // What the user interface does: the record of the test, then its fixer.
  auto repair = [&](int stream, int space) {
    Zentu::ICCProfile profile(Node(stream, KIND_ICC_PROFILE), Node(space));
    profile.TestForPDFX("PDF/X-1a:2001", walker.get());
    const ErrorPtr record = walker->GetErrorList().back();
    EXPECT_EQ(record->GetFixer(), Zentu::GlobalFixers::ReplaceProfile());
    FixContext context;
    context.error = record.get();
    context.ui = &status_;
    context.walker = walker;
    return record->GetFixer()->FixIt(context, false);
  };
  ASSERT_EQ(repair(5, 3), 2);
  ASSERT_EQ(repair(7, 6), 2);
  EXPECT_EQ(repair(9, 8), 1);
  // An output intent's profile: replaced in the intent, the built-in one
  // standing in where the standard of the check has none.
  EXPECT_EQ(repair(13, 12), 2);
  EXPECT_TRUE(Obj(8).Get(1).Equal(Obj(9)));
  EXPECT_FALSE(Obj(12).Get("DestOutputProfile").Equal(Obj(13)));

  const MyCosObj cmyk = Obj(3).Get(1), gray = Obj(6).Get(1);
  ASSERT_EQ(cmyk.GetType(), CosStream);
  EXPECT_TRUE(cmyk.IsIndirect());
  EXPECT_FALSE(cmyk.Equal(gray));
  EXPECT_EQ(enginetest::DecodedData(cmyk.GetCosObj()), BuiltIn(1));
  EXPECT_EQ(enginetest::DecodedData(gray.GetCosObj()), BuiltIn(0));
  EXPECT_EQ(cmyk.Get("Filter").ValueAsString(), "FlateDecode");
  EXPECT_TRUE(cmyk.Get("DecodeParms").IsNull());
  EXPECT_EQ(static_cast<long>(cmyk.Get("N")), 4);
  EXPECT_EQ(cmyk.Get("Alternate").ValueAsString(), "DeviceCMYK");

  // The clean-up points the other user of the old stream at the new one.
  EXPECT_TRUE(Obj(4).Get(1).Equal(Obj(5)));
  EXPECT_TRUE(walker->Cleanup());
  EXPECT_TRUE(Obj(4).Get(1).Equal(cmyk));
  EXPECT_EQ(Obj(5).GetType(), CosNull);
  walker.reset();
  std::string report;
  EXPECT_TRUE(enginetest::QpdfAccepts(Save(), &report)) << report;
}

}  // namespace
