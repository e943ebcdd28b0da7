#include <gtest/gtest.h>

#include <cstring>
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

}  // namespace
