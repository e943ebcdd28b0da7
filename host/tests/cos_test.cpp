#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/host.h"
#include "host/frame.h"
#include "testing/pdfmaker.h"

namespace {

using hosttest::MakePdf;
using hosttest::PdfSpec;

class CosTest : public ::testing::Test {
 protected:
  void SetUp() override { hosttest::BindTables(); }
  void TearDown() override {
    hosttest::ClearHooks();
    host::CloseAllDocuments();
  }

  CosDoc Open(const PdfSpec& spec) {
    pd_ = host::OpenDocumentBytes(MakePdf(spec), "test");
    return PDDocGetCosDoc(pd_);
  }
  static ASAtom K(const char* key) { return ASAtomFromString(key); }
  CosObj Obj(CosDoc doc, int id) { return CosDocGetObjByID(doc, id); }

  PDDoc pd_ = nullptr;
};

PdfSpec Basic() {
  PdfSpec s;
  s.objects = {"<< /Type /Catalog /Pages 2 0 R >>",
               "<< /Type /Pages /Kids [] /Count 0 >>",
               "<< /Zebra 1 /Apple (x) /Mango [1 2] /Inner << /A 1 >> /Dangling 99 0 R /R 0.1 /Big 40000.5 "
               "/Neg -2.7 /I 40000 /N /Name#20X >>"};
  return s;
}

TEST_F(CosTest, HandlesFollowTheHostRules) {
  CosDoc doc = Open(Basic());
  CosObj d = Obj(doc, 3);
  // An absent key is the all-zero null; a reference to a missing object is a
  // live handle whose type is null.
  CosObj absent = CosDictGet(d, K("Nothing"));
  EXPECT_TRUE(CosObjIsZero(absent));
  CosObj dangling = CosDictGet(d, K("Dangling"));
  EXPECT_FALSE(CosObjIsZero(dangling));
  EXPECT_EQ(CosObjGetType(dangling), CosNull);
  // The same object gives the same handle.
  CosObj a = CosDictGet(d, K("Inner"));
  CosObj b = CosDictGet(d, K("Inner"));
  EXPECT_EQ(a.a, b.a);
  EXPECT_EQ(a.b, b.b);
  EXPECT_EQ(CosObjGetID(a), -1);
  EXPECT_EQ(CosObjGetID(d), 3);
  // A direct object shares storage with its container.
  CosDictPut(a, K("B"), CosNewInteger(doc, 0, 2));
  EXPECT_EQ(CosIntegerValue(CosDictGet(CosDictGet(Obj(doc, 3), K("Inner")), K("B"))), 2);
  EXPECT_TRUE(PDDocGetFlags(pd_) & 1);
}

TEST_F(CosTest, NumbersRoundAndSaturate) {
  CosDoc doc = Open(Basic());
  CosObj d = Obj(doc, 3);
  EXPECT_EQ(CosFixedValue(CosDictGet(d, K("R"))), 6554);  // 0.1 * 65536 = 6553.6
  EXPECT_EQ(CosFixedValue(CosDictGet(d, K("Big"))), ASFixedMax);
  EXPECT_EQ(CosFixedValue(CosDictGet(d, K("I"))), ASFixedMax);
  EXPECT_EQ(CosIntegerValue(CosDictGet(d, K("Neg"))), -2);
  EXPECT_EQ(CosFixedValue(CosNewFixed(doc, 0, -98304)), -98304);  // -1.5 round-trips
  CosObj f = CosNewFixed(doc, 0, 1);  // the smallest step survives the text form
  EXPECT_EQ(CosFixedValue(f), 1);
  EXPECT_STREQ(ASAtomGetString(CosNameValue(CosDictGet(d, K("N")))), "Name X");
  HostRegionResult r = HostRegion([&] { CosIntegerValue(CosDictGet(d, K("N"))); });
  EXPECT_TRUE(r.raised);
  EXPECT_EQ(r.code, cosErrTypeMismatch);
}

TEST_F(CosTest, HandlesForgottenSinceAMarkAreMadeAgainForTheirOwnObjects) {
  PdfSpec spec;
  spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>",
                  "<< /Arr [7] /S1 (one) /S2 (two) /Up 2 0 R >>"};
  CosDoc doc = Open(spec);
  CosObj d = Obj(doc, 3);
  auto text = [&](const char* key) { return std::string(CosStringValue(CosDictGet(d, K(key)), nullptr)); };
  auto firstKey = [&] {
    CosObj key{0, 0};
    CosObjEnum(d, [](CosObj k, CosObj, void* out) -> ASBool { *static_cast<CosObj*>(out) = k; return 0; }, &key);
    return std::string(ASAtomGetString(CosNameValue(key)));
  };
  const ASUns32 mark = CosDocHandleMark(doc);
  EXPECT_EQ(firstKey() + text("S1") + text("S2") + std::to_string(CosObjGetID(CosDictGet(d, K("Up")))), "Arronetwo2");
  CosDocReleaseHandles(doc, mark);
  // Made again in another order: each slot now holds another object.
  EXPECT_EQ(CosIntegerValue(CosArrayGet(CosDictGet(d, K("Arr")), 0)), 7);
  EXPECT_EQ(text("S2") + text("S1"), "twoone");
  EXPECT_EQ(CosObjGetType(Obj(doc, 2)), CosDict);
  EXPECT_EQ(firstKey(), "Arr");
}

TEST_F(CosTest, DictionariesEnumerateInByteOrderOfKeys) {
  CosDoc doc = Open(Basic());
  std::vector<std::string> keys;
  CosObjEnum(
      Obj(doc, 3),
      [](CosObj key, CosObj, void* data) -> ASBool {
        static_cast<std::vector<std::string>*>(data)->push_back(ASAtomGetString(CosNameValue(key)));
        return 1;
      },
      &keys);
  // A reference to a missing object is null, so its key is not there at all.
  std::vector<std::string> want = {"Apple", "Big", "I", "Inner", "Mango", "N", "Neg", "R", "Zebra"};
  EXPECT_EQ(keys, want);
  // A false answer stops the walk.
  int seen = 0;
  EXPECT_FALSE(CosObjEnum(
      Obj(doc, 3), [](CosObj, CosObj, void* data) -> ASBool { return ++*static_cast<int*>(data) < 2; }, &seen));
  EXPECT_EQ(seen, 2);
}

TEST_F(CosTest, ArraysExtendAndRefuseBadIndexes) {
  CosDoc doc = Open(Basic());
  CosObj arr = CosDictGet(Obj(doc, 3), K("Mango"));
  CosArrayPut(arr, 4, CosNewInteger(doc, 0, 9));
  EXPECT_EQ(CosArrayLength(arr), 5);
  EXPECT_EQ(CosObjGetType(CosArrayGet(arr, 3)), CosNull);
  EXPECT_EQ(CosIntegerValue(CosArrayGet(arr, 4)), 9);
  EXPECT_TRUE(CosObjIsZero(CosArrayGet(arr, 50)));
  CosArrayInsert(arr, 0, CosNewInteger(doc, 0, 7));
  EXPECT_EQ(CosIntegerValue(CosArrayGet(arr, 0)), 7);
  CosArrayRemoveNth(arr, 0);
  EXPECT_EQ(CosIntegerValue(CosArrayGet(arr, 0)), 1);
  HostRegionResult r = HostRegion([&] { CosArrayPut(arr, -1, CosNewInteger(doc, 0, 1)); });
  EXPECT_EQ(r.code, cosErrBadIndex);
  r = HostRegion([&] { CosArrayLength(Obj(doc, 3)); });
  EXPECT_EQ(r.code, cosErrTypeMismatch);
}

TEST_F(CosTest, DestroyLeavesNullAndKeepsTheNumber) {
  CosDoc doc = Open(Basic());
  CosObj d = Obj(doc, 3);
  CosObjDestroy(d);
  EXPECT_EQ(CosObjGetType(Obj(doc, 3)), CosNull);
  CosObj fresh = CosNewDict(doc, 1, 0);
  EXPECT_GT(CosObjGetID(fresh), 3);
}

TEST_F(CosTest, ObjectByNumberFindsAnyGeneration) {
  PdfSpec s = Basic();
  std::string pdf = MakePdf(s);
  // Give object 3 generation 2 throughout.
  pdf.replace(pdf.find("3 0 obj"), 7, "3 2 obj");
  size_t entry = pdf.find('\n', pdf.find("xref\n") + 5) + 1 + 20 * 3;  // entries are 20 bytes
  pdf.replace(entry + 11, 5, "00002");
  pd_ = host::OpenDocumentBytes(pdf, "gen");
  CosDoc doc = PDDocGetCosDoc(pd_);
  CosObj d = Obj(doc, 3);
  EXPECT_EQ(CosObjGetType(d), CosDict);
  EXPECT_EQ(CosObjGetGeneration(d), 2);
  HostRegionResult r = HostRegion([&] { Obj(doc, -1); });
  EXPECT_TRUE(r.raised);
}

TEST_F(CosTest, StreamsDecodeEncodeAndAreCapped) {
  PdfSpec s = Basic();
  s.objects.push_back("stream:/Filter /ASCIIHexDecode|48656C6C6F>");
  CosDoc doc = Open(s);
  ASStm stm = CosStreamOpenStm(Obj(doc, 4), cosOpenFiltered);
  char buf[16] = {0};
  EXPECT_EQ(ASStmRead(buf, 1, sizeof buf, stm), 5u);
  ASStmClose(stm);
  EXPECT_STREQ(buf, "Hello");

  // A new Flate stream reads back as the bytes it was made from.
  std::string data(10000, 'z');
  CosObj attrs = CosNewDict(doc, 0, 1);
  CosDictPut(attrs, K("Filter"), CosNewName(doc, 0, K("FlateDecode")));
  ASStm src = ASMemStmRdOpen(data.data(), static_cast<ASSize_t>(data.size()));
  CosObj made = CosNewStream(doc, 1, src, 0, 0, attrs, CosNewNull(), -1);
  ASStmClose(src);
  EXPECT_LT(CosStreamLength(made), 1000);
  std::string back(20000, 0);
  ASStm in = CosStreamOpenStm(made, cosOpenFiltered);
  back.resize(ASStmRead(&back[0], 1, static_cast<ASSize_t>(back.size()), in));
  ASStmClose(in);
  EXPECT_EQ(back, data);

  // A filter the host cannot write is refused, not written mislabelled.
  CosDictPut(attrs, K("Filter"), CosNewName(doc, 0, K("JBIG2Decode")));
  src = ASMemStmRdOpen("x", 1);
  HostRegionResult r = HostRegion([&] { CosNewStream(doc, 1, src, 0, 0, attrs, CosNewNull(), -1); });
  ASStmClose(src);
  EXPECT_EQ(r.code, cosErrCannotEncode);

  // Decoded data past the cap is an error, not an exhausted machine.
  host::SetDecodedDataCap(4096);
  r = HostRegion([&] { CosStreamOpenStm(made, cosOpenFiltered); });
  EXPECT_EQ(r.code, cosErrDataTooLarge);
}

TEST_F(CosTest, EqualityAndCopies) {
  CosDoc doc = Open(Basic());
  CosObj d = Obj(doc, 3);
  EXPECT_TRUE(CosObjEqual(d, Obj(doc, 3)));
  EXPECT_TRUE(CosObjEqual(CosNewInteger(doc, 0, 5), CosNewInteger(doc, 0, 5)));
  EXPECT_FALSE(CosObjEqual(CosNewInteger(doc, 0, 5), CosNewFixed(doc, 0, 5 << 16)));
  EXPECT_TRUE(CosObjEqual(CosNewNull(), CosDictGet(d, K("Dangling"))));
  CosObj inner = CosDictGet(d, K("Inner"));
  CosObj copy = CosObjCopy(inner, doc, 0);
  EXPECT_FALSE(CosObjEqual(copy, inner));
  CosDictPut(copy, K("A"), CosNewInteger(doc, 0, 100));
  EXPECT_EQ(CosIntegerValue(CosDictGet(inner, K("A"))), 1);

  // Objects of two documents do not mix.
  PDDoc other = host::OpenDocumentBytes(MakePdf(Basic()), "other");
  CosDoc doc2 = PDDocGetCosDoc(other);
  HostRegionResult r = HostRegion([&] { CosDictPut(d, K("X"), CosDocGetObjByID(doc2, 3)); });
  EXPECT_EQ(r.code, cosErrDocMismatch);
  CosObj moved = CosObjCopy(d, doc2, 1);
  EXPECT_EQ(CosObjGetType(moved), CosDict);
  EXPECT_EQ(CosObjGetDoc(moved), doc2);
}

// A scratch copy that changes nothing is freed with its handles, and an
// object read later where it lay is the document's own: changing it changes
// the document. The copies were held until the save.
TEST_F(CosTest, ObjectsReadWhereFreedCopiesLayAreTheDocumentsOwn) {
  PdfSpec spec;
  spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>"};
  for (int i = 0; i < 300; ++i) spec.objects.push_back("<< /Inner << /A " + std::to_string(i) + " >> >>");
  CosDoc doc = Open(spec);
  for (int id = 4; id < 303; ++id) {
    const ASUns32 mark = CosDocHandleMark(doc);
    for (int copies = 0; copies < 8; ++copies)
      CosDictPut(CosObjCopy(CosDictGet(Obj(doc, 3), K("Inner")), doc, 0), K("B"), CosNewInteger(doc, 0, id));
    CosDocReleaseHandles(doc, mark);
    ASSERT_FALSE(PDDocGetFlags(pd_) & 1) << id;
    CosDictPut(CosDictGet(Obj(doc, id), K("Inner")), K("B"), CosNewInteger(doc, 0, id));
    ASSERT_TRUE(PDDocGetFlags(pd_) & 1) << id;
    PDDocClearFlags(pd_, 1);
  }
}

TEST_F(CosTest, HandlesOfAClosedDocumentAnswerNull) {
  CosDoc doc = Open(Basic());
  CosObj d = Obj(doc, 3);
  host::CloseDocument(pd_);
  EXPECT_EQ(CosObjGetType(d), CosNull);
  HostRegionResult r = HostRegion([&] { CosDocGetRoot(doc); });
  EXPECT_EQ(r.code, genErrBadHandle);
  r = HostRegion([&] { CosDictGet(d, K("Zebra")); });
  EXPECT_TRUE(r.raised);
}

}  // namespace

namespace {

class EncodeTest : public CosTest {};

TEST_F(EncodeTest, EveryWritableFilterReadsBackTheSameBytes) {
  CosDoc doc = Open(Basic());
  struct Case {
    const char* filter;  // a name or an array, as PDF text
    const char* parms;   // DecodeParms, or ""
  } cases[] = {
      {"/FlateDecode", ""},
      {"/FlateDecode", "<< /Predictor 12 /Colors 3 /BitsPerComponent 8 /Columns 10 >>"},
      {"/FlateDecode", "<< /Predictor 2 /Colors 3 /BitsPerComponent 8 /Columns 10 >>"},
      {"/FlateDecode", "<< /Predictor 2 /Colors 1 /BitsPerComponent 16 /Columns 15 >>"},
      {"/LZWDecode", ""},
      {"/LZWDecode", "<< /EarlyChange 0 >>"},
      {"/LZWDecode", "<< /Predictor 15 /Columns 30 >>"},
      {"/ASCII85Decode", ""},
      {"/ASCIIHexDecode", ""},
      {"/RunLengthDecode", ""},
      {"[/ASCII85Decode /FlateDecode]", "[null << /Predictor 10 /Columns 30 >>]"},
  };
  // Sizes around LZW's width changes and table resets, and whole rows of 30 bytes.
  std::vector<size_t> sizes = {0, 30, 510, 1020, 3990, 30 * 1000, 30 * 7000};
  unsigned seed = 7;
  for (const Case& c : cases) {
    for (size_t size : sizes) {
      std::string data(size, 0);
      for (size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245 + 12345;
        // Runs and noise, so that every code path of the coders is taken.
        data[i] = static_cast<char>((i / 97) % 3 == 0 ? (seed >> 16) : (i % 7));
      }
      hosttest::PdfSpec s = Basic();
      s.objects.push_back(std::string("<< /Filter ") + c.filter + (*c.parms ? " /DecodeParms " : "") + c.parms + " >>");
      PDDoc pd = host::OpenDocumentBytes(MakePdf(s), "enc");
      CosDoc d = PDDocGetCosDoc(pd);
      CosObj attrs = CosDocGetObjByID(d, 4);
      ASStm src = ASMemStmRdOpen(data.data(), static_cast<ASSize_t>(data.size()));
      CosObj made = CosNewStream(d, 1, src, 0, 0, attrs, CosNewNull(), -1);
      ASStmClose(src);
      ASStm in = CosStreamOpenStm(made, cosOpenFiltered);
      std::string back(size + 16, 0);
      back.resize(ASStmRead(&back[0], 1, static_cast<ASSize_t>(back.size()), in));
      ASStmClose(in);
      EXPECT_EQ(back == data, true) << c.filter << " " << c.parms << " size " << size;
      host::CloseDocument(pd);
    }
  }
  // A predictor over rows that are not whole is refused rather than padded.
  CosObj attrs = CosNewDict(doc, 0, 2);
  CosDictPut(attrs, K("Filter"), CosNewName(doc, 0, K("FlateDecode")));
  CosObj parms = CosNewDict(doc, 0, 2);
  CosDictPut(parms, K("Predictor"), CosNewInteger(doc, 0, 12));
  CosDictPut(parms, K("Columns"), CosNewInteger(doc, 0, 7));
  CosDictPut(attrs, K("DecodeParms"), parms);
  ASStm src = ASMemStmRdOpen("0123456789", 10);
  HostRegionResult r = HostRegion([&] { CosNewStream(doc, 1, src, 0, 0, attrs, CosNewNull(), -1); });
  ASStmClose(src);
  EXPECT_EQ(r.code, cosErrCannotEncode);
}

}  // namespace
