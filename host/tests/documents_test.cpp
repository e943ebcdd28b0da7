// The library's headers are read as the host reads them.
#define POINTERHOLDER_TRANSITION 4
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <qpdf/FileInputSource.hh>
#include <qpdf/QPDF.hh>

#include "core/host.h"
#include "cos/filesource.h"
#include "host/frame.h"
#include "testing/pdfmaker.h"

namespace {

using hosttest::ReadFile;
using hosttest::RunCommand;
using hosttest::TempDir;
using hosttest::WriteFile;

class DocumentsTest : public ::testing::Test {
 protected:
  void SetUp() override { hosttest::BindTables(); }
  void TearDown() override { host::CloseAllDocuments(); }
  TempDir dir_;
};

ASErrorCode OpenError(const std::string& path, const std::string& password = "") {
  host::DocOpenOptions o;
  o.password = password;
  try {
    host::OpenDocument(path, o);
  } catch (const ASHostRaise& e) {
    return e.code;
  }
  return 0;
}

TEST_F(DocumentsTest, SavedChangesPassQpdfCheckAndLeaveTheOriginalAlone) {
  std::string original = dir_.File("in.pdf");
  WriteFile(original, hosttest::MakePagesPdf(3));
  std::string before = ReadFile(original);
  PDDoc pd = host::OpenDocument(original);
  CosDoc doc = PDDocGetCosDoc(pd);
  CosObj info = CosNewDict(doc, 1, 2);
  CosDictPut(info, ASAtomFromString("Title"), CosNewString(doc, 0, "Changed", 7));
  CosDictPut(CosDocGetTrailer(doc), ASAtomFromString("Info"), info);
  std::string out = dir_.File("out.pdf");
  host::SaveDocument(pd, out);
  EXPECT_EQ(ReadFile(original), before);
  EXPECT_FALSE(PDDocGetFlags(pd) & 1);

  std::string report;
  EXPECT_EQ(RunCommand("qpdf --check '" + out + "'", &report), 0) << report;
  std::string shown;
  RunCommand("qpdf --show-object=trailer '" + out + "'", &shown);
  EXPECT_NE(shown.find("/Info"), std::string::npos);
  std::string saved = ReadFile(out);
  // A PDF 1.3 file keeps a classic cross-reference table.
  EXPECT_NE(saved.find("\nxref\n"), std::string::npos);
  EXPECT_EQ(saved.find("/ObjStm"), std::string::npos);
  // The document stays usable after the save, and no stray temporary remains.
  EXPECT_EQ(PDDocGetNumPages(pd), 3);
  std::string listing;
  RunCommand("ls -A '" + dir_.path() + "'", &listing);
  EXPECT_EQ(listing, "in.pdf\nout.pdf\n");
}

TEST_F(DocumentsTest, SaveIntoAMissingFolderFailsCleanly) {
  std::string original = dir_.File("in.pdf");
  WriteFile(original, hosttest::MakePagesPdf(1));
  PDDoc pd = host::OpenDocument(original);
  EXPECT_THROW(host::SaveDocument(pd, dir_.File("nope/out.pdf")), ASHostRaise);
}

TEST_F(DocumentsTest, DamagedAndLockedFilesGiveErrorsWithTexts) {
  std::string pdf = hosttest::MakePagesPdf(2);
  std::string truncated = dir_.File("truncated.pdf");
  WriteFile(truncated, pdf.substr(0, 60));
  std::string garbage = dir_.File("garbage.pdf");
  WriteFile(garbage, std::string(5000, '\x01') + "not a pdf at all");
  std::string empty = dir_.File("empty.pdf");
  WriteFile(empty, "");
  std::string plain = dir_.File("plain.pdf");
  WriteFile(plain, pdf);
  std::string locked = dir_.File("locked.pdf");
  ASSERT_EQ(RunCommand("qpdf --encrypt secret owner 256 -- '" + plain + "' '" + locked + "'"), 0);

  for (const std::string& f : {truncated, garbage, empty}) {
    ASErrorCode code = OpenError(f);
    EXPECT_NE(code, 0) << f;
    EXPECT_STRNE(host::ErrorText(code), "Unknown error") << f;
  }
  EXPECT_EQ(OpenError(locked), pdErrNeedPassword);
  EXPECT_EQ(OpenError(locked, "secret"), 0);
  EXPECT_EQ(OpenError(dir_.File("missing.pdf")), fileErrNotFound);
  EXPECT_EQ(OpenError(dir_.path()), fileErrIsFolder);
}

// Opening learns the highest object number without reading every object;
// a number the file names above its listed ones must still count, or an
// inline image's temporary and new objects would take numbers in use, and a
// file naming 2^31-1 could not be given new objects at all.
TEST_F(DocumentsTest, NewObjectsAreNumberedAboveEveryNumberTheFileNames) {
  // `extra` in the catalog; `after` objects after a stream whose data is `data`.
  auto pdf = [](const std::string& extra, const std::string& data = "", const std::string& after = "") {
    hosttest::PdfSpec spec;
    spec.objects = {"<< /Type /Catalog /Pages 2 0 R " + extra + " >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>"};
    if (!data.empty()) spec.objects.push_back("stream:/ZK /stream /ZS (a stream) |" + data);
    if (!after.empty()) spec.objects.push_back(after);
    return hosttest::MakePdf(spec);
  };
  // Objects of no digit, which opening passes at a glance, before `last`.
  auto plain = [](const std::string& last) {
    hosttest::PdfSpec spec;
    spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>"};
    spec.objects.insert(spec.objects.end(), 8, "<< /ZName /Plain /ZS (no digits) >>");
    spec.objects.push_back(last);
    return hosttest::MakePdf(spec);
  };
  // A string longer than the blocks the file is read in, with parentheses
  // and escapes that keep it open.
  std::string nested;
  for (int i = 0; i < 20000; ++i) nested += "(a%\\)\\(b) ";
  // Stream data is passed over, whatever it holds; what follows it is not.
  const std::string binary = std::string("(\\%\0stream\r\n", 12) + std::string(70000, '\xB7') + "endstream";
  // The reference inside an object stream, written there by qpdf as a
  // reference to an object of the file and then made to name 2^31-1.
  const std::string stored = dir_.File("stored.pdf");
  WriteFile(dir_.File("plain.pdf"), pdf("/ZRef 3 0 R /ZPad (0123456789)"));
  ASSERT_EQ(RunCommand("qpdf --object-streams=generate --stream-data=uncompress " +
                       hosttest::Quoted(dir_.File("plain.pdf")) + " " + hosttest::Quoted(stored)),
            0);
  std::string packed = ReadFile(stored);
  const size_t from = packed.find("/ZPad (0123456789) /ZRef ");
  ASSERT_NE(from, std::string::npos);
  const size_t to = packed.find(" R", from) + 2;
  const std::string high = "/ZPad () /ZRef 2147483647 0 R";
  packed.replace(from, to - from, high + std::string(to - from - high.size(), ' '));

  struct Row {
    const char* name;
    std::string bytes;
    bool fromFile;
    int highest;  // the temporary takes the next number; -1: renumbered when opened
  } rows[] = {
      {"no other number", pdf(""), true, 3},
      {"a missing object", pdf("/ZRef 40 0 R"), false, 40},
      {"comments between", pdf("/ZRef 40 % a\n 0 %\n R"), true, 40},
      {"a sign", pdf("/ZRef +40 0 R"), false, 40},
      {"2^31-1", pdf("/ZRef 2147483647 0 R"), true, -1},
      {"2^31-1, in memory", pdf("/ZRef 2147483647 0 R"), false, -1},
      {"2^31-1 in an object stream", packed, true, -1},
      {"a percent sign in a string", pdf("/ZS (50%) /ZRef 40 0 R"), true, 40},
      {"after a string read in several blocks", pdf("/ZS (" + nested + ") /ZRef 40 0 R"), true, 40},
      {"after a stream's data", pdf("", binary, "<< /ZRef 40 0 R >>"), true, 40},
      {"after a stream's data, in memory", pdf("", binary, "[(stream) 40 0 R]"), false, 40},
      {"only in a stream's data", pdf("", "40 0 R 2147483647 0 R", "<< /ZRef 4 0 R >>"), true, 5},
      {"after objects of no digit", plain("<< /ZRef 40 0 R >>"), true, 40},
      {"none after objects of no digit", plain("<< /ZRef 5 0 R >>"), true, 12},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PDDoc pd = nullptr;
    if (row.fromFile) {
      WriteFile(dir_.File("in.pdf"), row.bytes);
      pd = host::OpenDocument(dir_.File("in.pdf"));
    } else {
      pd = host::OpenDocumentBytes(row.bytes, row.name);
    }
    CosDoc doc = PDDocGetCosDoc(pd);
    const std::string content = "/W 1 /H 1 /BPC 8 /CS /G ID x EI";
    ASStm stm = ASMemStmRdOpen(content.data(), static_cast<ASSize_t>(content.size()));
    ASInt32 used = 0;
    CosObj image = PDReadInlineImage(stm, CosObj{0, 0}, doc, &used);
    ASStmClose(stm);
    const CosID temporary = CosObjGetID(image);
    EXPECT_EQ(CosObjGetType(image), CosStream);
    if (row.highest >= 0) {
      EXPECT_EQ(temporary, row.highest + 1);
    } else {
      EXPECT_LT(temporary, 100) << "renumbered";
    }
    CosObjDestroy(image);
    EXPECT_EQ(CosObjGetType(CosDocGetRoot(doc)), CosDict) << "the catalog stays";
    EXPECT_EQ(CosObjGetID(CosNewDict(doc, true, 1)), temporary + 1);
    EXPECT_EQ(PDDocGetNumPages(pd), 1) << "read from the bytes the document keeps";
    host::CloseAllDocuments();
  }
}

TEST_F(DocumentsTest, PagesAreCountedAndAcquired) {
  PDDoc pd = host::OpenDocumentBytes(hosttest::MakePagesPdf(4), "pages");
  EXPECT_EQ(PDDocGetNumPages(pd), 4);
  PDPage page = PDDocAcquirePage(pd, 2);
  EXPECT_EQ(CosObjGetID(PDPageGetCosObj(page)), 7);
  EXPECT_EQ(PDPageGetNumber(page), 2);
  EXPECT_EQ(PDPageGetDoc(page), pd);
  PDPageRelease(page);
  HostRegionResult r = HostRegion([&] { PDDocAcquirePage(pd, 4); });
  EXPECT_EQ(r.code, pdErrBadPageIndex);
  EXPECT_EQ(PDDocFromCosDoc(PDDocGetCosDoc(pd)), pd);
}

TEST_F(DocumentsTest, TheActiveDocumentIsTheLastOpened) {
  std::string a = dir_.File("a.pdf"), b = dir_.File("b.pdf");
  WriteFile(a, hosttest::MakePagesPdf(1));
  WriteFile(b, hosttest::MakePagesPdf(2));
  EXPECT_EQ(AVAppGetActiveDoc(), nullptr);
  host::OpenInView(a);
  AVDoc second = host::OpenInView(b);
  EXPECT_EQ(AVAppGetActiveDoc(), second);
  EXPECT_EQ(AVAppGetNumDocs(), 2);
  EXPECT_EQ(PDDocGetNumPages(AVDocGetPDDoc(second)), 2);
  host::CloseDocument(AVDocGetPDDoc(second));
  EXPECT_EQ(PDDocGetNumPages(AVDocGetPDDoc(AVAppGetActiveDoc())), 1);
}

}  // namespace

// The opened file is read through our own block source; it must answer
// every read, seek and line search as the library's stdio source does, on
// real files: block edges, blocks not kept, reads past the end, a table the
// library rebuilds.
class BlockSourceTest : public DocumentsTest {};

TEST_F(BlockSourceTest, AnswersAsTheLibrarysFileSource) {
  std::string pages = hosttest::MakePagesPdf(400);
  std::string broken = pages.substr(0, pages.rfind("xref")) + "trailer\n<< /Root 1 0 R >>\n%%EOF\n";
  const std::string source = std::getenv("ZENTU_SOURCE_DIR") ? std::getenv("ZENTU_SOURCE_DIR") : ".";
  const std::vector<std::pair<std::string, std::string>> files = {
      {"sample", ReadFile(source + "/samples/sample.pdf")},
      {"xref-stream", ReadFile(source + "/samples/xref-stream.pdf")},
      {"pages", pages},
      {"broken-table", broken}};
  for (const auto& file : files) {
    SCOPED_TRACE(file.first);
    const std::string path = dir_.File(file.first + ".pdf");
    WriteFile(path, file.second);
    const qpdf_offset_t size = static_cast<qpdf_offset_t>(file.second.size());
    FileInputSource theirs(path.c_str());
    host::BlockFileSource ours(path, ::open(path.c_str(), O_RDONLY));
    ours.PassOver(3, size - 3);  // most of the file as one stream's data: blocks not kept
    // Offsets about the block edges and the end; reads short and long.
    const qpdf_offset_t offsets[] = {0, 1, 65535, 65536, 65537, size / 2, size - 3, size, size + 10};
    const size_t lengths[] = {1, 7, 300, 70000};
    for (qpdf_offset_t offset : offsets) {
      for (size_t length : lengths) {
        SCOPED_TRACE(std::to_string(offset) + "+" + std::to_string(length));
        theirs.seek(offset, SEEK_SET);
        ours.seek(offset, SEEK_SET);
        std::string a(length, '\0'), b(length, '\0');
        a.resize(theirs.read(&a[0], length));
        b.resize(ours.read(&b[0], length));
        EXPECT_EQ(a, b);
        EXPECT_EQ(theirs.tell(), ours.tell());
        EXPECT_EQ(theirs.getLastOffset(), ours.getLastOffset());
        if (!a.empty()) {
          theirs.unreadCh(a.back());
          ours.unreadCh(b.back());
        }
        EXPECT_EQ(theirs.findAndSkipNextEOL(), ours.findAndSkipNextEOL());
        EXPECT_EQ(theirs.tell(), ours.tell());
        EXPECT_EQ(theirs.readLine(80), ours.readLine(80));
      }
    }
    theirs.seek(-5, SEEK_END);
    ours.seek(-5, SEEK_END);
    EXPECT_EQ(theirs.tell(), ours.tell());
    EXPECT_THROW(ours.seek(-1, SEEK_SET), std::runtime_error);

    // The document read through it: the same objects, the table rebuilt alike.
    QPDF a, b;
    a.setSuppressWarnings(true);
    b.setSuppressWarnings(true);
    a.processFile(path.c_str());
    b.processInputSource(std::make_shared<host::BlockFileSource>(path, ::open(path.c_str(), O_RDONLY)));
    std::vector<QPDFObjectHandle> left = a.getAllObjects(), right = b.getAllObjects();
    ASSERT_EQ(left.size(), right.size());
    for (size_t i = 0; i < left.size(); ++i) EXPECT_EQ(left[i].unparseResolved(), right[i].unparseResolved());
  }
}
