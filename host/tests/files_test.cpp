#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/host.h"
#include "host/frame.h"
#include "testing/pdfmaker.h"

namespace {

using hosttest::ReadFile;
using hosttest::TempDir;
using hosttest::WriteFile;

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override { hosttest::BindTables(); }
  void TearDown() override { host::CloseAllDocuments(); }
  ASPathName Path(const std::string& text) {
    return ASFileSysCreatePathName(ASGetDefaultFileSys(), ASAtomFromString("Cstring"), text.c_str(), nullptr);
  }
  TempDir dir_;
};

TEST_F(FilesTest, TheDocumentsOwnFileReadsFromAnyPosition) {
  std::string pdf = hosttest::MakePagesPdf(2);
  std::string file = dir_.File("doc.pdf");
  WriteFile(file, pdf);
  for (PDDoc pd : {host::OpenDocument(file), host::OpenDocumentBytes(pdf, "memory")}) {
    ASFile f = PDDocGetFile(pd);
    ASSERT_EQ(ASFileGetEOF(f), static_cast<ASFilePos64>(pdf.size()));
    ASFileSetPos(f, static_cast<ASFilePos64>(pdf.size()) - 6);
    char tail[16] = {0};
    EXPECT_EQ(ASFileRead(f, tail, 16), 6u);
    EXPECT_STREQ(tail, "%%EOF\n");
    EXPECT_EQ(ASFileGetPos(f), static_cast<ASFilePos64>(pdf.size()));
    EXPECT_EQ(ASFileRead(f, tail, 16), 0u);
    // Its own file is never written through this handle, and closing it is harmless.
    HostRegionResult r = HostRegion([&] { ASFileWrite(f, "x", 1); });
    EXPECT_EQ(r.code, fileErrWrite);
    EXPECT_EQ(ASFileClose(f), 0);
    EXPECT_EQ(ASFileGetEOF(PDDocGetFile(pd)), static_cast<ASFilePos64>(pdf.size()));
  }
  EXPECT_EQ(ReadFile(file), pdf);
}

// A file replaced at its path after opening: the document's file is still
// the one it was read from (its trailer with it), first read or not.
TEST_F(FilesTest, TheDocumentsFileIsTheOneOpenedNotTheOneNowAtItsPath) {
  const std::string original = hosttest::MakePagesPdf(1), other = hosttest::MakePagesPdf(3);
  const std::string file = dir_.File("doc.pdf"), next = dir_.File("next.pdf");
  WriteFile(file, original);
  PDDoc pd = host::OpenDocument(file);
  WriteFile(next, other);
  ASSERT_EQ(std::rename(next.c_str(), file.c_str()), 0);
  ASFile f = PDDocGetFile(pd);
  ASSERT_EQ(ASFileGetEOF(f), static_cast<ASFilePos64>(original.size()));
  std::string read(original.size(), '\0');
  ASFileSetPos(f, 0);
  EXPECT_EQ(ASFileRead(f, &read[0], static_cast<ASSize_t>(read.size())), read.size());
  EXPECT_EQ(read, original);
}

TEST_F(FilesTest, WrittenFilesReadBackAndAreRemoved) {
  ASPathName path = Path(dir_.File("out.bin"));
  ASFile f = nullptr;
  ASSERT_EQ(ASFileSysOpenFile(ASGetDefaultFileSys(), path, ASFILE_WRITE | ASFILE_CREATE, &f), 0);
  ASFileSetPos(f, 0);
  EXPECT_EQ(ASFileWrite(f, "hello world", 11), 11u);
  ASFileSetPos(f, 6);
  ASFileWrite(f, "WORLD", 5);
  EXPECT_EQ(ASFileClose(f), 0);
  EXPECT_EQ(ReadFile(dir_.File("out.bin")), "hello WORLD");
  // Opening again with create starts afresh.
  ASSERT_EQ(ASFileSysOpenFile(ASGetDefaultFileSys(), path, ASFILE_WRITE | ASFILE_CREATE, &f), 0);
  ASFileWrite(f, "hi", 2);
  ASFileClose(f);
  EXPECT_EQ(ReadFile(dir_.File("out.bin")), "hi");
  EXPECT_EQ(ASFileSysRemoveFile(ASGetDefaultFileSys(), path), 0);
  EXPECT_EQ(ASFileSysRemoveFile(ASGetDefaultFileSys(), path), fileErrNotFound);
  EXPECT_EQ(ASFileSysOpenFile(ASGetDefaultFileSys(), path, ASFILE_READ, &f), fileErrNotFound);
  EXPECT_EQ(f, nullptr);
  ASFileSysReleasePath(ASGetDefaultFileSys(), path);
}

TEST_F(FilesTest, AFileStreamReadsTheWholeFileFromItsStart) {
  std::string bytes(200000, 'x');  // more than one buffer
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  WriteFile(dir_.File("data.bin"), bytes);
  ASPathName path = Path(dir_.File("data.bin"));
  ASFile f = nullptr;
  ASSERT_EQ(ASFileSysOpenFile(ASGetDefaultFileSys(), path, ASFILE_READ, &f), 0);
  ASFileSetPos(f, 100);
  ASStm stm = ASFileStmRdOpen(f, 0);
  std::string back(bytes.size() + 1, '\0');
  EXPECT_EQ(ASStmRead(&back[0], 1, static_cast<ASSize_t>(back.size()), stm), bytes.size());
  EXPECT_TRUE(back.substr(0, bytes.size()) == bytes);
  ASStmClose(stm);
  // A stream whose file was closed reads nothing more.
  stm = ASFileStmRdOpen(f, 0);
  EXPECT_EQ(ASFileClose(f), 0);
  EXPECT_EQ(HostRegion([&] { ASStmRead(&back[0], 1, 1, stm); }).code, genErrBadHandle);
  ASStmClose(stm);
  ASFileSysReleasePath(ASGetDefaultFileSys(), path);
}

TEST_F(FilesTest, DocumentsOpenedFromParametersAreNeverRepaired) {
  std::string good = dir_.File("good.pdf"), bad = dir_.File("bad.pdf");
  std::string pdf = hosttest::MakePagesPdf(1);
  WriteFile(good, pdf);
  std::string broken = pdf;
  broken.replace(broken.find("startxref\n") + 10, 3, "999");  // the table is not where it says
  WriteFile(bad, broken);
  CosDocOpenParams params{sizeof(CosDocOpenParams), 1, ASGetDefaultFileSys(), Path(good), nullptr};
  CosDoc doc = CosDocOpenWithParams(&params);
  CosObj root = CosDocGetRoot(doc);
  EXPECT_EQ(CosObjGetType(root), CosDict);
  CosDocClose(doc);
  EXPECT_EQ(CosObjGetType(root), CosNull);

  params.pathName = Path(bad);
  HostRegionResult r = HostRegion([&] { CosDocOpenWithParams(&params); });
  EXPECT_TRUE(r.raised);
  EXPECT_NE(r.code, 0);
  // The ordinary open repairs the same file.
  PDDoc repaired = host::OpenDocument(bad);
  EXPECT_EQ(PDDocGetNumPages(repaired), 1);
}

TEST_F(FilesTest, IndirectObjectsEnumerateInAscendingNumber) {
  PDDoc pd = host::OpenDocumentBytes(hosttest::MakePagesPdf(3), "enum");
  CosDoc doc = PDDocGetCosDoc(pd);
  CosObjDestroy(CosDocGetObjByID(doc, 4));
  CosNewDict(doc, 1, 0);
  std::vector<int> ids;
  CosDocEnumIndirect(
      doc,
      [](CosObj obj, CosObj, void* data) -> ASBool {
        static_cast<std::vector<int>*>(data)->push_back(CosObjGetID(obj));
        return 1;
      },
      &ids);
  std::vector<int> want = {1, 2, 3, 5, 6, 7, 8, 9};
  EXPECT_EQ(ids, want);
}

}  // namespace
