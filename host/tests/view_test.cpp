#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "core/host.h"
#include "host/frame.h"
#include "testing/pdfmaker.h"

namespace {

struct Version {
  ASInt16 major, minor;
  int calls = 0;
};

// As a plug-in writes them: 16-bit values at byte offsets 48 and 50.
void PutVersion(PDDoc, AVDocWillSaveRec* record, void* data) {
  auto* version = static_cast<Version*>(data);
  ++version->calls;
  std::memcpy(reinterpret_cast<char*>(record) + 48, &version->major, 2);
  std::memcpy(reinterpret_cast<char*>(record) + 50, &version->minor, 2);
}

// A PDF 1.5 file with object streams, saved by both roads while a handler
// asks for a version: a known one is written (below 1.5 with a classic
// cross-reference table), any other leaves the document's own.
TEST(WillSave, HandlersChooseTheVersionWritten) {
  hosttest::BindTables();
  hosttest::TempDir dir;
  hosttest::PdfSpec spec;
  spec.version = "1.5";
  spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                  "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>"};
  std::string plain = dir.File("plain.pdf"), packed = dir.File("packed.pdf"), out = dir.File("out.pdf");
  hosttest::WriteFile(plain, hosttest::MakePdf(spec));
  ASSERT_EQ(hosttest::RunCommand("qpdf --object-streams=generate " + hosttest::Quoted(plain) + " " + hosttest::Quoted(packed)), 0);

  struct Row {
    ASInt16 major, minor;
    bool throughTable;
    const char* header;
  };
  for (const Row& row : {Row{1, 3, false, "%PDF-1.3"}, Row{1, 3, true, "%PDF-1.3"}, Row{9, 99, false, "%PDF-1.5"},
                         Row{2, 0, true, "%PDF-2.0"}}) {
    SCOPED_TRACE(row.header);
    Version version{row.major, row.minor};
    ASCallback handler = ASCallbackCreate(0, reinterpret_cast<void*>(&PutVersion));
    AVAppRegisterNotification(avNotifyDocWillSave, 0, handler, &version);
    PDDoc doc = host::OpenDocument(packed);
    if (row.throughTable) {
      ASPathName path = host::NewPath(out);
      PDDocSave(doc, 0x20, path, nullptr, nullptr, nullptr);
      host::ReleasePath(path);
    } else {
      host::SaveDocument(doc, out);
    }
    AVAppUnregisterNotification(avNotifyDocWillSave, 0, handler, &version);
    host::SaveDocument(doc, dir.File("unsent.pdf"));  // no handler left
    host::CloseDocument(doc);
    ASCallbackDestroy(handler);

    EXPECT_EQ(version.calls, 1);
    std::string bytes = hosttest::ReadFile(out);
    bool old = row.header < std::string("%PDF-1.5");
    EXPECT_EQ(bytes.compare(0, 8, row.header), 0);
    EXPECT_EQ(bytes.find("/ObjStm") == std::string::npos, old);
    EXPECT_EQ(bytes.find("\nxref\n") != std::string::npos, old);
    EXPECT_EQ(hosttest::RunCommand("qpdf --check " + hosttest::Quoted(out) + " >/dev/null"), 0);
  }
}

void Count(void* data) { ++*static_cast<int*>(data); }

// A callback called after its destruction raises instead of running; the
// menus every plug-in looks for are on the menu bar from the start.
TEST(Callbacks, ADestroyedOneRaisesWhenCalled) {
  hosttest::BindTables();
  AVMenu tools = AVMenubarAcquireMenuByName(AVAppGetMenubar(), "Tools");
  ASSERT_NE(tools, nullptr);
  EXPECT_NE(AVMenubarAcquireMenuByName(AVAppGetMenubar(), "AboutExtensions"), nullptr);
  int runs = 0;
  ASCallback execute = ASCallbackCreate(0, reinterpret_cast<void*>(&Count));
  AVMenuItem item = AVMenuItemNew("Count", "Test:Count", nullptr, 0, 0, 0, nullptr, 0);
  AVMenuItemSetExecuteProc(item, execute, &runs);
  AVMenuAddMenuItem(tools, item, 9999);
  std::string why;
  EXPECT_TRUE(host::ExecuteMenuItem("Test:Count", &why));
  ASCallbackDestroy(execute);
  ASCallbackDestroy(execute);  // a second time changes nothing
  HostRegionResult called = HostRegion([&] { host::ExecuteMenuItem("Test:Count", &why); });
  EXPECT_EQ(called.code, genErrBadHandle);
  EXPECT_EQ(runs, 1);
  HostRegionResult foreign = HostRegion([] { ASCallbackDestroy(reinterpret_cast<ASCallback>(&Count)); });
  EXPECT_EQ(foreign.code, genErrBadHandle);
  AVMenuItemRemove(item);
}

// Buttons go before or after the one named, or last; they run as menu items
// do, after their enable procedures, and show as marked while their marked
// procedures say so; a destroyed one is gone.
TEST(ToolBar, ButtonsTakeTheirPlacesAndRunAfterTheirEnableProcedures) {
  hosttest::BindTables();
  AVToolBar bar = AVAppGetToolBar();
  AVToolButton end = AVToolBarGetButtonByName(bar, ASAtomFromString("endToolsGroup"));
  ASSERT_NE(end, nullptr);
  auto names = [] {
    std::string out;
    for (const auto& b : host::ToolBarButtons())
      out += b.name + (b.marked ? "/marked" : "") + (b.separator ? "/separator" : b.enabled ? "" : "/disabled") + " ";
    return out;
  };
  AVToolButton a = AVToolButtonNew(ASAtomFromString("A"), nullptr, 1, 0);
  AVToolButton b = AVToolButtonNew(ASAtomFromString("B"), nullptr, 1, 0);
  AVToolButton c = AVToolButtonNew(ASAtomFromString("C"), nullptr, 1, 0);
  EXPECT_EQ(AVToolBarGetButtonByName(bar, ASAtomFromString("A")), nullptr);  // not on the toolbar yet
  AVToolBarAddButton(bar, a, 1, end);
  AVToolBarAddButton(bar, b, 0, a);
  AVToolBarAddButton(bar, c, 1, nullptr);
  int runs = 0;
  ASCallback execute = ASCallbackCreate(0, reinterpret_cast<void*>(&Count));
  ASCallback never = ASCallbackCreate(0, reinterpret_cast<void*>(+[](void*) -> ASBool { return 0; }));
  AVToolButtonSetExecuteProc(a, execute, &runs);
  AVToolButtonSetExecuteProc(b, execute, &runs);
  AVToolButtonSetComputeEnabledProc(b, never, nullptr);
  AVToolButtonSetComputeMarkedProc(b, never, nullptr);
  ASCallback always = ASCallbackCreate(0, reinterpret_cast<void*>(+[](void*) -> ASBool { return 1; }));
  AVToolButtonSetComputeMarkedProc(a, always, nullptr);
  AVToolButtonSetComputeMarkedProc(c, always, nullptr);
  AVToolButtonSetHelpText(a, "Help");
  EXPECT_EQ(names(), "endToolsGroup/separator B/disabled A/marked C/marked/disabled ");
  EXPECT_EQ(host::ToolBarButtons()[2].help, "Help");
  EXPECT_EQ(AVToolBarGetButtonByName(bar, ASAtomFromString("A")), a);

  const struct {
    const char* name;
    bool ran;
    const char* why;
  } rows[] = {{"A", true, ""},
              {"B", false, "toolbar button \"B\" is not enabled"},
              {"C", false, "toolbar button \"C\" does nothing"},
              {"endToolsGroup", false, "no toolbar button named \"endToolsGroup\""}};
  for (const auto& row : rows) {
    std::string why;
    EXPECT_EQ(host::ExecuteToolButton(row.name, &why), row.ran) << row.name;
    EXPECT_EQ(why, row.why);
  }
  EXPECT_EQ(runs, 1);

  AVToolBarAddButton(bar, c, 0, end);
  EXPECT_EQ(names(), "C/marked/disabled endToolsGroup/separator B/disabled A/marked ");
  for (AVToolButton button : {a, b, c}) AVToolButtonDestroy(button);
  EXPECT_EQ(names(), "endToolsGroup/separator ");
  EXPECT_EQ(HostRegion([&] { AVToolButtonSetHelpText(a, "x"); }).code, genErrBadHandle);
  EXPECT_TRUE(AVToolBarIsRoomFor(bar, 1, 0));
  hosttest::SetToolBarRoom(false);
  EXPECT_FALSE(AVToolBarIsRoomFor(bar, 1, 0));
  hosttest::SetToolBarRoom(true);
  ASCallbackDestroy(execute);
  ASCallbackDestroy(never);
  ASCallbackDestroy(always);
}

// The version told, and the cursor shown now.
TEST(Application, VersionAndCursor) {
  hosttest::BindTables();
  ASInt16 major = 0, minor = 0;
  AVAppGetVersion(&major, &minor);
  EXPECT_EQ(major * 100 + minor, 600);
  host::SetAppVersion(5, 1);
  AVAppGetVersion(&major, &minor);
  EXPECT_EQ(major * 100 + minor, 501);
  host::SetAppVersion(6, 0);
  AVSysSetCursor(AVSysGetStandardCursor(1112));
  EXPECT_EQ(AVSysGetCursor(), AVSysGetStandardCursor(1112));
  AVSysSetCursor(AVSysGetStandardCursor(0));
  EXPECT_EQ(AVSysGetCursor(), AVSysGetStandardCursor(0));
}

// A document saved to its own file: as every save, through the will-save
// handlers and a temporary file; one without a file says so and answers 0.
TEST(Application, DocumentsAreSavedToTheirOwnFiles) {
  hosttest::BindTables();
  hosttest::TempDir dir;
  const std::string path = dir.File("doc.pdf");
  hosttest::WriteFile(path, hosttest::MakePagesPdf(1));
  std::vector<std::string> notes;
  host::SetAlertHandler([&](const host::AlertRequest& request) {
    notes.push_back(request.message);
    return 1;
  });
  Version version{1, 4};
  ASCallback handler = ASCallbackCreate(0, reinterpret_cast<void*>(&PutVersion));
  AVAppRegisterNotification(avNotifyDocWillSave, 0, handler, &version);

  AVDoc doc = host::OpenInView(path);
  PDDoc pd = AVDocGetPDDoc(doc);
  PDDocSetInfo(pd, "Title", "Saved", 5);
  EXPECT_TRUE(AVDocDoSave(doc));
  EXPECT_FALSE(PDDocGetFlags(pd) & 1);
  EXPECT_EQ(version.calls, 1);
  const std::string bytes = hosttest::ReadFile(path);
  EXPECT_EQ(bytes.compare(0, 8, "%PDF-1.4"), 0);
  EXPECT_NE(bytes.find("(Saved)"), std::string::npos);

  AVDoc memory = host::ShowInView(host::OpenDocumentBytes(hosttest::MakePagesPdf(1), "memory"));
  EXPECT_FALSE(AVDocDoSave(memory));
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0].rfind("The document could not be saved: ", 0), 0u) << notes[0];
  AVAppUnregisterNotification(avNotifyDocWillSave, 0, handler, &version);
  ASCallbackDestroy(handler);
  host::SetAlertHandler(nullptr);
  host::CloseAllDocuments();
  std::string left;
  hosttest::RunCommand("ls -A " + hosttest::Quoted(dir.path()), &left);
  EXPECT_EQ(left, "doc.pdf\n");
}

// The security handler's name and the permission bits, with and without
// the permission to change the document; without it, changes and saves are
// refused until the owner password is given, and reading stays free.
TEST(Security, HandlerAndPermissionsAsTheDocumentWasOpened) {
  hosttest::BindTables();
  hosttest::TempDir dir;
  const std::string plain = dir.File("plain.pdf");
  hosttest::WriteFile(plain, hosttest::MakePagesPdf(1, "BI /W 1 /H 1 /BPC 8 /CS /G ID x EI"));
  const struct {
    const char* modify;  // none: not encrypted
    const char* handler;
    ASInt32 bits;
  } rows[] = {{nullptr, nullptr, pdPermAll},
              {"all", "Standard", pdPermAll},
              {"none", "Standard", pdPermOpen | pdPermPrint | pdPermCopy}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.modify ? row.modify : "plain");
    std::string file = plain;
    if (row.modify) {
      file = dir.File(std::string(row.modify) + ".pdf");
      ASSERT_EQ(hosttest::RunCommand("qpdf --encrypt '' owner 256 --modify=" + std::string(row.modify) + " -- " +
                                     hosttest::Quoted(plain) + " " + hosttest::Quoted(file)),
                0);
    }
    PDDoc doc = host::OpenDocument(file);
    ASAtom handler = PDDocGetNewSecurityHandler(doc);
    if (row.handler)
      EXPECT_EQ(handler, ASAtomFromString(row.handler));
    else
      EXPECT_EQ(handler, ASAtomNull);
    EXPECT_EQ(PDDocGetPermissions(doc), row.bits);
    EXPECT_EQ(PDDocPermRequest(doc, pdPermEdit, nullptr), row.bits);
    const CosDoc d = PDDocGetCosDoc(doc);
    PDPage page = PDDocAcquirePage(doc, 0);
    const CosObj p = PDPageGetCosObj(page), contents = CosDictGet(p, ASAtomFromString("Contents"));
    // An inline image's temporary is the host's, and a direct copy adds nothing.
    EXPECT_EQ(HostRegion([&] {
                ASStm stm = CosStreamOpenStm(contents, cosOpenFiltered);
                PDToken t;
                ASInt32 used = PDReadContentToken(stm, &t);
                CosObjDestroy(PDReadInlineImage(stm, CosNewNull(), d, &used));
                ASStmClose(stm);
                CosObjCopy(CosNewDict(d, 0, 1), d, 0);
              }).code, 0);
    for (const char* password : {"x", "owner"}) {
      PDDocPermRequest(doc, pdPermEdit, const_cast<char*>(password));
      const ASErrorCode code = (row.bits & pdPermEdit) || *password == 'o' ? 0 : pdErrNotPermitted;
      for (const std::function<void()>& change : std::initializer_list<std::function<void()>>{
               [&] { CosDictPut(p, ASAtomFromString("Rotate"), CosNewInteger(d, 0, 90)); },
               [&] { CosNewDict(d, 1, 1); }, [&] { CosObjDestroy(contents); },
               [&] { PDPageSetCropBox(page, ASFixedRect{0, fixedOne, fixedOne, 0}); },
               [&] { host::SaveDocument(doc, dir.File("saved.pdf")); }})
        EXPECT_EQ(HostRegion(change).code, code) << password;
    }
    PDPageRelease(page);
    host::CloseDocument(doc);
  }
}

}  // namespace
