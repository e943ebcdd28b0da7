// Where-texts of the clone's failures, by the step that failed.
#include <gtest/gtest.h>

#include <string>

#include "common/MyCosDoc.h"
#include "common/MyCosObj.h"
#include "core/host.h"
#include "host/calls.h"
#include "testing/pdfmaker.h"

namespace {

class ReviewCloneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hosttest::BindTables();
    hosttest::PdfSpec s;
    s.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>",
                 "<< /Int 7 >>"};
    pd_ = host::OpenDocumentBytes(hosttest::MakePdf(s), "clone");
    dict_ = MyCosDoc(PDDocGetCosDoc(pd_)).GetObjByID(3);
  }
  void TearDown() override {
    hosttest::ClearHooks();
    host::CloseAllDocuments();
  }
  // The where-text of the exception the clone throws when `selector` fails.
  std::string CloneFailure(ASUns32 selector) {
    hosttest::RaiseOnNextCall(host::TableId::Cos, selector, genErrNoMemory);
    std::string where = "(none)";
    try {
      dict_.Clone();
    } catch (const Zentu::AcrobatException& e) {
      where = e.Where();
    }
    hosttest::ClearHooks();
    EXPECT_EQ(ASFrameDepth(), 0);
    return where;
  }

  PDDoc pd_ = nullptr;
  MyCosObj dict_;
};

TEST_F(ReviewCloneTest, FailuresNameTheCloneOrItsEntryProcedure) {
  // The enumeration is one of the clone's own steps, inside its region.
  EXPECT_EQ(CloneFailure(CosSel::NewDict), "MyCosObj::Clone");
  EXPECT_EQ(CloneFailure(CosSel::ObjEnum), "MyCosObj::Clone");
  EXPECT_EQ(CloneFailure(CosSel::DictPut), "MyCosObj::CloneEnumProc (direct)");
}

}  // namespace
