// A document whose security forbids changes refuses them before they are
// made, until the owner password is given; reading stays free.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/host.h"
#include "host/frame.h"
#include "testing/pdfmaker.h"

namespace {

TEST(SecurityTest, ChangesWaitForTheOwnerPassword) {
  hosttest::BindTables();
  hosttest::TempDir dir;
  hosttest::WriteFile(dir.File("p.pdf"), hosttest::MakePagesPdf(1, "BI /W 1 /H 1 /BPC 8 /CS /G ID x EI"));
  ASSERT_EQ(hosttest::RunCommand("cd " + dir.path() + " && qpdf --encrypt u o 256 --modify=none -- p.pdf l.pdf"), 0);
  for (const char* granted : {"", "x", "o"}) {
    SCOPED_TRACE(granted);
    host::DocOpenOptions options;
    options.password = "u";
    PDDoc pd = host::OpenDocument(dir.File("l.pdf"), options);
    if (*granted) PDDocPermRequest(pd, pdPermEdit, const_cast<char*>(granted));
    const CosDoc d = PDDocGetCosDoc(pd);
    PDPage page = PDDocAcquirePage(pd, 0);
    const CosObj p = PDPageGetCosObj(page), contents = CosDictGet(p, ASAtomFromString("Contents"));
    // The inline image reader's temporary is no change, nor a direct copy (below).
    EXPECT_EQ(HostRegion([&] {
                ASStm stm = CosStreamOpenStm(contents, cosOpenFiltered);
                PDToken t;
                ASInt32 used = PDReadContentToken(stm, &t);
                CosObjDestroy(PDReadInlineImage(stm, CosNewNull(), d, &used));
                ASStmClose(stm);
              }).code, 0);
    const bool allowed = std::string(granted) == "o";
    for (const std::function<void()>& change : std::initializer_list<std::function<void()>>{
             [&] { CosDictPut(p, ASAtomFromString("Rotate"), CosNewInteger(d, 0, 90)); },
             [&] { CosArrayInsert(CosDictGet(p, ASAtomFromString("MediaBox")), 0, CosNewNull()); },
             [&] { CosNewDict(d, 1, 1); }, [&] { CosObjDestroy(contents); },
             [&] { PDPageSetCropBox(page, ASFixedRect{0, fixedOne, fixedOne, 0}); },
             [&] { PDDocSetInfo(pd, "Title", "T", 1); }, [&] { host::SaveDocument(pd, dir.File("s.pdf")); }})
      EXPECT_EQ(HostRegion(change).code, allowed ? 0 : pdErrNotPermitted);
    EXPECT_EQ(host::DocumentChanged(pd) || hosttest::FileExists(dir.File("s.pdf")), allowed);
    EXPECT_EQ(HostRegion([&] { CosObjCopy(CosNewDict(d, 0, 1), d, 0); }).code, 0);
    PDPageRelease(page);
    host::CloseDocument(pd);
  }
}

}  // namespace
