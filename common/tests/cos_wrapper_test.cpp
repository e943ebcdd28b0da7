#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/CosValueText.h"
#include "common/MyCosDoc.h"
#include "common/MyCosObj.h"
#include "core/host.h"
#include "host/calls.h"
#include "testing/pdfmaker.h"

namespace {

using Zentu::AcrobatException;

class CosWrapperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hosttest::BindTables();
    hosttest::PdfSpec s;
    s.objects = {"<< /Type /Catalog /Pages 2 0 R >>",
                 "<< /Type /Pages /Kids [] /Count 0 >>",
                 "<< /Name /Foo#20Bar /Int 7 /Real 0.5 /Str (a\\000b) /Arr [1 2 3] /Dir << /X 1 >> /Self 3 0 R "
                 "/Strm 4 0 R >>",
                 "stream:/Kind /Data|abc", "8.5"};
    pd_ = host::OpenDocumentBytes(hosttest::MakePdf(s), "wrapper");
    doc_ = MyCosDoc(PDDocGetCosDoc(pd_));
    dict_ = doc_.GetObjByID(3);
  }
  void TearDown() override {
    hosttest::ClearHooks();
    host::CloseAllDocuments();
  }

  // Runs `f` expecting an AcrobatException; answers it.
  template <class F>
  AcrobatException Thrown(F&& f) {
    try {
      f();
    } catch (const AcrobatException& e) {
      return e;
    }
    ADD_FAILURE() << "no exception";
    return AcrobatException(-1, 0, "none");
  }

  PDDoc pd_ = nullptr;
  MyCosDoc doc_;
  MyCosObj dict_;
};

TEST_F(CosWrapperTest, SingleValuesActAsOneElementArrays) {
  MyCosObj null;
  MyCosObj name = dict_.Get("Name");
  EXPECT_EQ(null.Length(), 1);
  EXPECT_EQ(name.Length(), 1);
  EXPECT_EQ(dict_.Length(), 1);
  EXPECT_EQ(dict_.Get("Arr").Length(), 3);
  EXPECT_EQ(name.Get(0).ValueAsString(), "Foo Bar");
  AcrobatException e = Thrown([&] { name.Get(1); });
  EXPECT_EQ(e.ErrorCode(), 0x20010018);
  EXPECT_EQ(e.Where(), "MyCosObj::Get(ASInt32)");
  EXPECT_EQ(Thrown([&] { name.Put(2, MyCosObj()); }).Where(), "MyCosObj::Put(ASInt32)");

  // Index 0 of a single value replaces the wrapper's own object, not the document.
  MyCosObj number = dict_.Get("Int");
  number.Put(0, dict_.Get("Str"));
  EXPECT_EQ(number.CachedType(), CosString);
  EXPECT_EQ(number.KeyText(), "Str");
  EXPECT_EQ(static_cast<long>(dict_.Get("Int")), 7);
}

TEST_F(CosWrapperTest, ArraysTakeAndLoseElementsByIndex) {
  MyCosObj array = dict_.Get("Arr");  // [1 2 3]
  array.Insert(0, dict_.Get("Name"));
  array.Insert(4, dict_.Get("Int"));  // appended
  array.Remove(1);
  EXPECT_EQ(CosValueText::FromObject(array, 0, 0).Text(), "[ /Foo Bar 2 3 7 ]");
  // A single value is no array to change, and an index must lie inside.
  EXPECT_EQ(Thrown([&] { dict_.Get("Name").Insert(0, array); }).Where(), "MyCosObj::Insert");
  EXPECT_EQ(Thrown([&] { array.Remove(4); }).Where(), "MyCosObj::Remove(ASInt32)");
}

TEST_F(CosWrapperTest, TextKeyedLookupsNeverFailOnNonDictionaries) {
  MyCosObj missing = dict_.Get("Foo");
  EXPECT_TRUE(missing.IsNull());
  EXPECT_EQ(missing.KeyText(), "Foo");
  EXPECT_TRUE(dict_.Get("Int").Get("Foo").IsNull());
  EXPECT_TRUE(MyCosObj().Get("Foo").IsNull());
  EXPECT_FALSE(MyCosObj().Known(ASAtomFromString("Foo")));
  EXPECT_EQ(Thrown([&] { dict_.Get("Int").Get(ASAtomFromString("X")); }).Where(), "MyCosObj::Get(ASAtom)");
  // Streams answer for their dictionaries.
  MyCosObj stream = dict_.Get("Strm");
  EXPECT_TRUE(stream.Known(ASAtomFromString("Kind")));
  EXPECT_EQ(stream.Get("Kind").ValueAsString(), "Data");
}

TEST_F(CosWrapperTest, ValuesReadAsTheirTypesSay) {
  EXPECT_EQ(dict_.Get("Int").ValueAsString(), "");
  std::string bytes = dict_.Get("Str").ValueAsString();
  EXPECT_EQ(bytes, std::string("a\0b", 3));
  EXPECT_DOUBLE_EQ(static_cast<double>(dict_.Get("Real")), 0.5);
  EXPECT_EQ(dict_.Get("Dir").GetID(), -1);
  EXPECT_EQ(dict_.GetID(), 3);
  EXPECT_EQ(Thrown([&] { static_cast<double>(dict_.Get("Name")); }).Where(), "MyCosObj::operator double()");
  // Fixed values: a real rounds to 16.16, a name is refused with the host's code.
  EXPECT_EQ(static_cast<ASFixed>(doc_.GetObjByID(5)), 0x88000);
  EXPECT_EQ(static_cast<ASFixed>(dict_.Get("Int")), 7 * 0x10000);
  AcrobatException e = Thrown([&] { static_cast<ASFixed>(dict_.Get("Name")); });
  EXPECT_EQ(e.Where(), "MyCosObj::operator ASFixed()");
  EXPECT_EQ(e.ErrorCode(), 0x20010018);

  MyCosObj made;
  ASSERT_TRUE(made.NewString(doc_, 0, "ab\0cd"));
  EXPECT_EQ(made.ValueAsString(), "ab");
}

TEST_F(CosWrapperTest, CreationFailuresAnswerFalseButNewStreamThrows) {
  MyCosObj v;
  hosttest::RaiseOnNextCall(host::TableId::Cos, CosSel::NewInteger, genErrNoMemory);
  EXPECT_FALSE(v.NewInteger(doc_, 0, 5));
  EXPECT_EQ(v.CachedType(), CosNull);
  EXPECT_TRUE(v.NewInteger(doc_, 0, 5));
  EXPECT_EQ(static_cast<long>(v), 5);

  hosttest::RaiseOnNextCall(host::TableId::Cos, CosSel::NewStream, genErrNoMemory);
  AcrobatException e = Thrown([&] { v.NewStream(doc_, 1, nullptr, 0, 1, MyCosObj(), MyCosObj(), 0); });
  EXPECT_EQ(e.Where(), "MyCosObj::NewStream");
  EXPECT_EQ(v.CachedType(), CosNull);
  EXPECT_EQ(ASFrameDepth(), 0);
}

TEST_F(CosWrapperTest, FramesAreBalancedAfterFailures) {
  // Every operation, made to fail on its first host call. Atoms are made
  // beforehand: the text-keyed members make theirs outside any frame.
  ASAtom intKey = ASAtomFromString("Int"), newKey = ASAtomFromString("New");
  MyCosObj arr = dict_.Get("Arr"), value = dict_.Get("Int"), strm = dict_.Get("Strm"), name = dict_.Get("Name");
  std::vector<std::function<void()>> ops = {
      [&] { dict_.GetType(); },           [&] { arr.Length(); },
      [&] { arr.Get(1); },                [&] { dict_.Get(intKey); },
      [&] { dict_.Known(intKey); },       [&] { dict_.Put(newKey, value); },
      [&] { dict_.Remove(newKey); },      [&] { dict_.GetID(); },
      [&] { dict_.Clone(); },             [&] { dict_.GetDoc(); },
      [&] { strm.Dict(); },               [&] { name.ValueAsString(); },
      [&] { doc_.GetRoot(); },            [&] { doc_.GetInfoDict(); },
      [&] { arr.Put(0, value); },         [&] { dict_.Enum([](MyCosObj&, MyCosObj&, void*) -> ASBool { return 1; }, nullptr); }};
  for (size_t i = 0; i < ops.size(); ++i) {
    hosttest::RaiseOnNextAnyCall(genErrNoMemory);
    try {
      ops[i]();
    } catch (const AcrobatException&) {
    }
    hosttest::ClearHooks();
    EXPECT_EQ(ASFrameDepth(), 0) << "operation " << i;
    // A raise with code 0 never escapes as a raw host raise.
    hosttest::RaiseOnNextAnyCall(0);
    try {
      ops[i]();
    } catch (const AcrobatException&) {
    }
    hosttest::ClearHooks();
    EXPECT_EQ(ASFrameDepth(), 0) << "operation " << i;
  }
  // A raise that reports code 0 is not an exception: the start value comes back.
  hosttest::RaiseOnNextAnyCall(0);
  EXPECT_EQ(dict_.GetID(), -1);
  hosttest::RaiseOnNextCall(host::TableId::Cos, CosSel::ArrayLength, 0);
  EXPECT_EQ(arr.Length(), 1);
  hosttest::RaiseOnNextAnyCall(0);
  EXPECT_TRUE(dict_.Get(intKey).IsNull());
  hosttest::ClearHooks();
}

TEST_F(CosWrapperTest, AnEnumerationProcedureThatThrowsEndsEnumWithItsException) {
  int calls = 0;
  struct Boom : std::runtime_error {
    Boom() : std::runtime_error("boom") {}
  };
  auto proc = [](MyCosObj&, MyCosObj&, void* data) -> ASBool {
    if (++*static_cast<int*>(data) == 2) throw Boom();
    return 1;
  };
  EXPECT_THROW(dict_.Enum(proc, &calls), Boom);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(ASFrameDepth(), 0);
}

TEST_F(CosWrapperTest, CloneSharesIndirectValuesAndCopiesDirectOnes) {
  MyCosObj clone = dict_.Clone();
  EXPECT_TRUE(clone.IsIndirect());
  EXPECT_NE(clone.GetID(), dict_.GetID());
  EXPECT_TRUE(clone.Get("Strm").Equal(dict_.Get("Strm")));  // shared
  EXPECT_TRUE(clone.Get("Self").Equal(dict_));               // the cycle is not followed
  MyCosObj dir = clone.Get("Dir");
  EXPECT_FALSE(dir.Equal(dict_.Get("Dir")));
  dir.Put("X", dict_.Get("Int"));
  EXPECT_EQ(static_cast<long>(dict_.Get("Dir").Get("X")), 1);
  clone.Put("Int", dict_.Get("Real"));
  EXPECT_EQ(static_cast<long>(dict_.Get("Int")), 7);
  // A stream clones to a dictionary of its dictionary's entries.
  MyCosObj streamClone = dict_.Get("Strm").Clone();
  EXPECT_EQ(streamClone.GetType(), CosDict);
  EXPECT_EQ(streamClone.Get("Kind").ValueAsString(), "Data");
  // A direct array clone copies its elements.
  MyCosObj arr = dict_.Get("Arr").Clone();
  arr.Put(0, dict_.Get("Int"));
  EXPECT_EQ(static_cast<long>(dict_.Get("Arr").Get(0)), 1);
}

TEST_F(CosWrapperTest, DestroyLeavesANullWrapper) {
  MyCosObj victim = dict_.Get("Strm");
  victim.Destroy();
  EXPECT_EQ(victim.CachedType(), CosNull);
  EXPECT_EQ(victim.GetType(), CosNull);
  EXPECT_EQ(dict_.Get("Strm").GetType(), CosNull);
}

TEST_F(CosWrapperTest, ExceptionDisplay) {
  EXPECT_EQ(AcrobatException(-1, 0, "X").Display(), "Exception in X");
  std::string shown = AcrobatException(12, 0x20010018, "MyCosObj::GetType").Display();
  EXPECT_EQ(shown.rfind("Exception in MyCosObj::GetType\n for object 12\n", 0), 0u);
  EXPECT_NE(shown.find(host::ErrorText(0x20010018)), std::string::npos);
}

TEST_F(CosWrapperTest, ManyWrappersCopiedAndDropped) {
  // Run under valgrind or LeakSanitizer to see that nothing leaks.
  std::vector<MyCosObj> keep;
  for (int i = 0; i < 10000; ++i) {
    MyCosObj a = dict_.Get("Dir");
    MyCosObj b = a;
    keep.push_back(b);
    if (keep.size() > 100) keep.clear();
  }
  EXPECT_EQ(ASFrameDepth(), 0);
}

}  // namespace
