// A document whose security forbids changes: every change through the Cos
// and PD tables, and the save, is refused before it is made; the owner
// password, given at opening or at the permission request, allows them;
// reading, inline images' temporaries included, stays free.
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "core/host.h"
#include "host/frame.h"
#include "testing/pdfmaker.h"

namespace {

ASAtom Atom(const char* name) { return ASAtomFromString(name); }

// qpdf renumbers what it encrypts: objects are reached from the page and the catalog.
CosObj Annotation(PDPage page) { return CosArrayGet(CosDictGet(PDPageGetCosObj(page), Atom("Annots")), 0); }

TEST(SecurityTest, ChangesNeedThePermissionToModify) {
  hosttest::BindTables();
  hosttest::TempDir dir;
  hosttest::PdfSpec s;
  s.objects = {"<< /Type /Catalog /Pages 2 0 R /OpenAction 6 0 R >>",
               "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
               "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Annots [4 0 R] /Contents 5 0 R >>",
               "<< /Subtype /Square /Rect [0 0 10 10] >>",
               "stream:|BI /W 1 /H 1 /BPC 8 /CS /G ID x EI",
               "<< /S /JavaScript /JS (app.alert(1)) >>"};
  hosttest::WriteFile(dir.File("plain.pdf"), hosttest::MakePdf(s));
  ASSERT_EQ(hosttest::RunCommand("qpdf --encrypt u o 256 --modify=none -- " + dir.File("plain.pdf") + " " +
                                 dir.File("locked.pdf")),
            0);

  const struct {
    const char* name;
    bool changes;  // refused without the permission
    std::function<void(PDDoc, CosDoc, PDPage)> act;
  } operations[] = {
      {"dictionary put", true, [](PDDoc, CosDoc d, PDPage p) {
         CosDictPut(PDPageGetCosObj(p), Atom("Rotate"), CosNewInteger(d, 0, 90));
       }},
      {"dictionary remove", true, [](PDDoc, CosDoc, PDPage p) { CosDictRemove(PDPageGetCosObj(p), Atom("Annots")); }},
      {"array put", true, [](PDDoc, CosDoc d, PDPage p) {
         CosArrayPut(CosDictGet(PDPageGetCosObj(p), Atom("MediaBox")), 2, CosNewInteger(d, 0, 600));
       }},
      {"array insert", true, [](PDDoc, CosDoc, PDPage p) {
         CosArrayInsert(CosDictGet(PDPageGetCosObj(p), Atom("Annots")), 0, CosNewNull());
       }},
      {"array remove", true, [](PDDoc, CosDoc, PDPage p) {
         CosArrayRemoveNth(CosDictGet(PDPageGetCosObj(p), Atom("Annots")), 0);
       }},
      {"new indirect object", true, [](PDDoc, CosDoc d, PDPage) { CosNewDict(d, 1, 1); }},
      {"new stream", true, [](PDDoc, CosDoc d, PDPage) {
         CosNewStream(d, 1, nullptr, 0, 0, CosNewNull(), CosNewNull(), 0);
       }},
      {"destroy", true, [](PDDoc, CosDoc, PDPage p) { CosObjDestroy(Annotation(p)); }},
      {"copy of an indirect object", true, [](PDDoc, CosDoc d, PDPage p) { CosObjCopy(Annotation(p), d, 0); }},
      {"information entry", true, [](PDDoc pd, CosDoc, PDPage) { PDDocSetInfo(pd, "Title", "T", 1); }},
      {"crop box", true, [](PDDoc, CosDoc, PDPage p) {
         PDPageSetCropBox(p, ASFixedRect{0, 100 * fixedOne, 100 * fixedOne, 0});
       }},
      {"annotation removed", true, [](PDDoc, CosDoc, PDPage p) { PDPageRemoveAnnot(p, 0); }},
      {"annotation moved", true, [](PDDoc, CosDoc, PDPage p) {
         const ASFixedRect r{0, 5 * fixedOne, 5 * fixedOne, 0};
         PDAnnotSetRect(PDAnnotFromCosObj(Annotation(p)), &r);
       }},
      {"action destroyed", true, [](PDDoc, CosDoc d, PDPage) {
         PDActionDestroy(PDActionFromCosObj(CosDictGet(CosDocGetRoot(d), Atom("OpenAction"))));
       }},
      {"save", true, [&dir](PDDoc pd, CosDoc, PDPage) { host::SaveDocument(pd, dir.File("saved.pdf")); }},
      // Reading, and objects the document does not hold yet.
      {"direct objects and a direct copy", false, [](PDDoc, CosDoc d, PDPage) {
         CosObjCopy(CosNewDict(d, 0, 1), d, 0);
       }},
      {"an inline image read and its temporary destroyed", false, [](PDDoc, CosDoc d, PDPage p) {
         ASStm stm = CosStreamOpenStm(CosDictGet(PDPageGetCosObj(p), Atom("Contents")), cosOpenFiltered);
         PDToken t;
         PDReadContentToken(stm, &t);
         ASInt32 used = 0;
         CosObj image = PDReadInlineImage(stm, CosNewNull(), d, &used);
         ASStmClose(stm);
         CosObjDestroy(image);
       }},
  };
  const struct {
    const char* password;
    const char* granted;  // given at the permission request; none: not asked
    bool allowed;
  } openings[] = {{"u", nullptr, false}, {"u", "x", false}, {"o", nullptr, true}, {"u", "o", true}};

  for (const auto& opening : openings) {
    for (const auto& op : operations) {
      SCOPED_TRACE(std::string(op.name) + " opened with " + opening.password + " granted " +
                   (opening.granted ? opening.granted : "nothing"));
      ::unlink(dir.File("saved.pdf").c_str());
      host::DocOpenOptions options;
      options.password = opening.password;
      PDDoc pd = host::OpenDocument(dir.File("locked.pdf"), options);
      if (opening.granted) PDDocPermRequest(pd, pdPermEdit, const_cast<char*>(opening.granted));
      EXPECT_EQ((PDDocGetPermissions(pd) & pdPermEdit) != 0, opening.allowed);
      EXPECT_EQ(host::ChangesAllowed(pd), opening.allowed);
      PDPage page = PDDocAcquirePage(pd, 0);
      const int refusedBefore = host::RefusedChanges();
      HostRegionResult r = HostRegion([&] { op.act(pd, PDDocGetCosDoc(pd), page); });
      PDPageRelease(page);
      const bool refused = op.changes && !opening.allowed;
      EXPECT_EQ(r.code, refused ? pdErrNotPermitted : 0) << host::ErrorText(r.code);
      EXPECT_EQ(host::RefusedChanges() - refusedBefore, refused ? 1 : 0);
      if (refused) {
        EXPECT_FALSE(host::DocumentChanged(pd));
        EXPECT_FALSE(hosttest::FileExists(dir.File("saved.pdf")));
      }
      host::CloseDocument(pd);
    }
  }
  EXPECT_STREQ(host::ErrorText(pdErrNotPermitted), "The document's security does not allow changes");
}

}  // namespace
