// The trailer read from the file's tail: the tail and table walk on bytes,
// the temporary file's bytes, and the step inside a check (records, thrown
// texts, the Encrypt dictionary, no temporary file left behind).
#include <dirent.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <gtest/gtest.h>

#include "common/MyCosDoc.h"
#include "core/host.h"
#include "engine/ErrorNames.h"
#include "engine/Fixers.h"
#include "engine/TrailerFile.h"
#include "host/calls.h"
#include "host/frame.h"
#include "walker_fixture.h"

namespace {

using Zentu::BuildTrailerFile;
using Zentu::ReadTrailerText;
using Zentu::TrailerPlaceholder;

// --- files made here ------------------------------------------------------

// Objects 1..n, then a table split into subsections of `perSubsection`
// entries (the free entry counts), then the trailer.
std::string PdfWithTable(const std::vector<std::string>& objects, const std::string& trailer,
                         size_t perSubsection) {
  std::string out = "%PDF-1.3\n";
  std::vector<std::string> entries{"0000000000 65535 f \n"};
  for (size_t i = 0; i < objects.size(); ++i) {
    char entry[32];
    std::snprintf(entry, sizeof entry, "%010lu 00000 n \n", static_cast<unsigned long>(out.size()));
    entries.push_back(entry);
    out += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  size_t xref = out.size();
  out += "xref\n";
  for (size_t first = 0; first < entries.size(); first += perSubsection) {
    size_t count = std::min(perSubsection, entries.size() - first);
    out += std::to_string(first) + " " + std::to_string(count) + "\n";
    for (size_t i = first; i < first + count; ++i) out += entries[i];
  }
  out += "trailer\n" + trailer + "\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return out;
}

std::vector<std::string> ManyObjects(int count) {
  std::vector<std::string> objects{"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>"};
  for (int i = 3; i <= count; ++i) objects.push_back("<< /N " + std::to_string(i) + " >>");
  return objects;
}

// A small file from the test PDF maker, with its trailer entries.
std::string SmallPdf(const std::string& trailer = "/Root 1 0 R") {
  hosttest::PdfSpec spec;
  spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>"};
  spec.trailer = trailer;
  return hosttest::MakePdf(spec);
}

// The table of SmallPdf given way to a stream object with `dictionary`, or
// to `object` whole.
std::string StreamXref(const std::string& dictionary = "<< /Type /XRef >>", const std::string& object = "") {
  const std::string pdf = SmallPdf();
  const size_t xref = pdf.find("xref\n");
  return pdf.substr(0, xref) + (object.empty() ? "3 0 obj\n" + dictionary + "\nstream\nendstream\nendobj\n" : object) +
         "startxref\n" + std::to_string(xref) + "\n%%EOF\n";
}

// An incremental update: object 2 again, a new table and a new trailer.
std::string WithUpdate(const std::string& pdf, const std::string& trailer) {
  size_t previous = std::stoul(pdf.substr(pdf.rfind("startxref") + 10));
  std::string out = pdf;
  size_t object = out.size();
  out += "2 0 obj\n<< /Type /Pages /Kids [] /Count 0 /Updated true >>\nendobj\n";
  size_t xref = out.size();
  char entry[32];
  std::snprintf(entry, sizeof entry, "%010lu 00000 n \n", static_cast<unsigned long>(object));
  out += std::string("xref\n2 1\n") + entry + "trailer\n" + trailer + " /Prev " + std::to_string(previous) +
         " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return out;
}

// A revision made of its own cross-reference stream alone (object `number`,
// uncompressed), with /Prev and `entries` beside the stream's keys.
std::string WithStreamRevision(const std::string& pdf, int number, const std::string& entries) {
  const std::string previous = std::to_string(std::stoul(pdf.substr(pdf.rfind("startxref") + 10)));
  const size_t at = pdf.size();
  const char entry[] = {1, char(at >> 24), char(at >> 16), char(at >> 8), char(at), 0};
  return pdf + std::to_string(number) + " 0 obj\n<< /Type /XRef /Size " + std::to_string(number + 1) + " /Index [" +
         std::to_string(number) + " 1] /W [1 4 1] /Length 6 /Prev " + previous + " " + entries + " >>\nstream\n" +
         std::string(entry, 6) + "\nendstream\nendobj\nstartxref\n" + std::to_string(at) + "\n%%EOF\n";
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  size_t at = text.find(from);
  if (at == std::string::npos) throw std::logic_error("not found: " + from);
  return text.replace(at, from.size(), to);
}

// Serves a file's bytes to the tail read and keeps every read it was asked for.
struct Tail {
  explicit Tail(std::string b) : bytes(std::move(b)) {}
  std::string Read() {
    return ReadTrailerText(static_cast<ASFilePos64>(bytes.size()),
                           [this](ASFilePos64 pos, char* buffer, size_t count) -> size_t {
                             reads.push_back(std::make_pair(pos, count));
                             EXPECT_LE(count, 2048u);
                             EXPECT_LE(static_cast<size_t>(pos) + count, bytes.size());
                             size_t n = std::min(count, bytes.size() - static_cast<size_t>(pos));
                             n = n > shortBy ? n - shortBy : 0;
                             std::memcpy(buffer, bytes.data() + pos, n);
                             return n;
                           },
                           &stream);
  }
  // The thrown text, or "" when the read went through.
  std::string Failure() {
    try {
      Read();
    } catch (const std::runtime_error& e) {
      return e.what();
    }
    return std::string();
  }
  std::string bytes;
  size_t shortBy = 0;
  bool stream = false;
  std::vector<std::pair<ASFilePos64, size_t>> reads;
};

// --- the tail and the table --------------------------------------------------

// A table's trailer runs to "startxref"; a stream's dictionary to its ">>".
TEST(TrailerTextTest, TheLastSectionsTrailerIsRead) {
  std::string big = PdfWithTable(ManyObjects(400), "<< /Size 401 /Root 1 0 R /Big true >>", 37);
  const std::string once = WithStreamRevision(SmallPdf(), 3, "/Root 1 0 R /R 1");
  const std::string tricky = "/ID [(>> \\) ( >>)) <3e3e>] % >> stream\n/Sub << /Type /Page >> /Type /XRef";
  const struct {
    const char* name;
    std::string file;
    std::string text;
    bool stream;
  } cases[] = {
      {"a cross-reference stream", StreamXref(), "<< /Type /XRef >>", true},
      {"streams of two revisions", WithStreamRevision(once, 4, "/Root 1 0 R /R 2"),
       "<< /Type /XRef /Size 5 /Index [4 1] /W [1 4 1] /Length 6 /Prev " + std::to_string(SmallPdf().size()) +
           " /Root 1 0 R /R 2 >>",
       true},
      {"strings and comments holding \">>\"", WithStreamRevision(SmallPdf(), 3, tricky),
       "<< /Type /XRef /Size 4 /Index [3 1] /W [1 4 1] /Length 6 /Prev " + std::to_string(SmallPdf().find("xref\n")) +
           " " + tricky + " >>",
       true},
      {"a hybrid file's table", Replace(SmallPdf(), "/Root 1 0 R", "/Root 1 0 R /XRefStm 9"),
       "<< /Size 3 /Root 1 0 R /XRefStm 9 >>\n", false},
      {"small file", SmallPdf(), "<< /Size 3 /Root 1 0 R >>\n", false},
      {"incremental update", WithUpdate(SmallPdf(), "<< /Size 3 /Root 1 0 R /Second true"),
       "<< /Size 3 /Root 1 0 R /Second true /Prev " + std::to_string(SmallPdf().find("xref\n")) + " >>\n", false},
      {"subsections over several windows", big, "<< /Size 401 /Root 1 0 R /Big true >>\n", false},
      {"trailer on the keyword's line", Replace(SmallPdf(), "trailer\n<<", "trailer <<"),
       "<< /Size 3 /Root 1 0 R >>\n", false},
  };
  for (const auto& c : cases) {
    Tail tail(c.file);
    EXPECT_EQ(tail.Read(), c.text) << c.name;
    EXPECT_EQ(tail.stream, c.stream) << c.name;
  }

  Tail small(SmallPdf());
  small.Read();
  ASSERT_FALSE(small.reads.empty());
  EXPECT_EQ(small.reads[0], std::make_pair(ASFilePos64(0), small.bytes.size())) << "read whole";

  Tail walk(big);
  walk.Read();
  ASSERT_GE(walk.reads.size(), 4u) << "tail, then the table window by window";
  EXPECT_EQ(walk.reads[0], std::make_pair(ASFilePos64(big.size() - 2048), size_t(2048)));
  EXPECT_EQ(static_cast<size_t>(walk.reads[1].first), big.find("xref\n0 37"));
  EXPECT_EQ(static_cast<size_t>(walk.reads.back().first), big.rfind("trailer"));
}

TEST(TrailerTextTest, AStartxrefAtTheTrailerItselfIsAccepted) {
  std::string pdf = SmallPdf();
  std::string xref = pdf.substr(pdf.rfind("startxref") + 10);
  xref = xref.substr(0, xref.find('\n'));
  pdf = Replace(pdf, "startxref\n" + xref, "startxref\n" + std::to_string(pdf.find("trailer")));
  Tail tail(pdf);
  EXPECT_EQ(tail.Read(), "<< /Size 3 /Root 1 0 R >>\n");
  EXPECT_EQ(tail.reads.size(), 2u);
}

TEST(TrailerTextTest, TailsThatCannotBeReadEndWithTheirText) {
  const std::string xrefError = Zentu::kXrefOffsetError;
  std::string pdf = SmallPdf();
  std::string offset = pdf.substr(pdf.rfind("startxref") + 10);
  offset = offset.substr(0, offset.find('\n'));
  std::string table = pdf.substr(pdf.find("xref\n"));

  // The table runs past the first window, so the count is what moves on.
  std::string huge = Replace(PdfWithTable(ManyObjects(400), "<< /Size 401 /Root 1 0 R >>", 1000), "xref\n0 401",
                             "xref\n0 200000000");

  auto pointedAt = [&](size_t at) { return Replace(StreamXref(), "startxref\n" + offset, "startxref\n" + std::to_string(at)); };
  std::string longTrailer = Replace(pdf, "/Root 1 0 R", "/Root 1 0 R /Pad (" + std::string(2100, 'x') + ")");
  const struct {
    const char* name;
    std::string file;
    std::string text;
  } cases[] = {
      {"no %%EOF in the last 2048 bytes", pdf + "%" + std::string(2100, ' ') + "\n", xrefError},
      {"%%EOF only at the window's first byte", "%%EOF" + std::string(10, ' '), xrefError},
      {"no number after startxref", Replace(pdf, "startxref\n" + offset, "startxref\nxyz"), xrefError},
      {"startxref past the end", Replace(pdf, "startxref\n" + offset, "startxref\n99999"), xrefError},
      {"negative startxref", Replace(pdf, "startxref\n" + offset, "startxref\n-5"), xrefError},
      {"a count of 200 million", huge, xrefError},
      {"startxref into the middle of an object", pointedAt(pdf.find("xref\n") + 8), xrefError},
      {"startxref at an object that is no stream", pointedAt(pdf.find("1 0 obj")), xrefError},
      {"a stream of another /Type", StreamXref("<< /Type /XRefStm >>"), xrefError},
      {"/Type /XRef only in a dictionary inside", StreamXref("<< /Sub << /Type /XRef >> >>"), xrefError},
      {"a stream dictionary with an unbalanced <<", StreamXref("<< /Type /XRef /Sub << /N 1 >>"), xrefError},
      {"a stream dictionary the file's end cuts", StreamXref("", "3 0 obj\n<< /Type /XRef /W [1 2 1]\n"), xrefError},
      {"a stream dictionary past the window", StreamXref("<< /Type /XRef /Pad (" + std::string(2100, 'x') + ") >>"),
       Zentu::kTrailerTooLargeError},
      {"a table without trailer", Replace(pdf, "trailer\n<< /Size 3 /Root 1 0 R >>\n", ""), xrefError},
      {"empty file", "", xrefError},
      {"trailer past the window", longTrailer, Zentu::kTrailerTooLargeError},
  };
  for (const auto& c : cases) {
    Tail tail(c.file);
    EXPECT_EQ(tail.Failure(), c.text) << c.name;
  }

  Tail shortRead(pdf);
  shortRead.shortBy = 1;
  EXPECT_EQ(shortRead.Failure(), Zentu::kTrailerReadError);
}

// --- the temporary file's bytes -----------------------------------------------

// The entry lines of the file's table, after the "xref" keyword.
std::vector<std::string> TableLines(const std::string& file) {
  size_t xref = std::stoul(file.substr(file.rfind("startxref\n") + 10));
  std::string table = file.substr(xref, file.rfind("trailer\n") - xref);
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < table.size()) {
    size_t end = table.find('\n', at);
    lines.push_back(table.substr(at, end - at + 1));
    at = end + 1;
  }
  return lines;
}

TEST(TrailerFileTest, ThePlainFileIsByteExact) {
  const std::string text = "<< /Size 5 /Root 1 0 R >>\n";
  std::string file = BuildTrailerFile(text, {});
  const std::string head =
      "%PDF-1.0\n1 0 obj\n<<\n/Type /Catalog\n/Pages 2 0 R\n>>\nendobj\n2 0 obj\n<<\n/Type /Pages\n/Count 1\n"
      "/Kids [3 0 R]\n>>\nendobj\n3 0 obj\n<<\n/Type /Page\n/Parent 2 0 R\n>>\nendobj\n4 0 obj\n";
  ASSERT_EQ(head.size(), 170u);
  EXPECT_EQ(file.substr(0, 170), head);
  EXPECT_EQ(file.substr(170, text.size() + 7), text + "endobj\n");
  const size_t xref = 170 + text.size() + 7;
  EXPECT_EQ(file.substr(xref),
            "xref\n0     5\n0000000000 65535 f \n0000000009 00000 n\r\n0000000058 00000 n\r\n"
            "0000000115 00000 n\r\n0000000162 00000 n\r\n"
            "trailer\n<<\n/Size 5\n/Root 1 0 R\n>>\nstartxref\n" +
                std::to_string(xref) + "\n%%EOF\n");
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(file.compare(static_cast<size_t>(Zentu::kTrailerFileObjectOffsets[i]), 7,
                           std::to_string(i + 1) + " 0 obj"),
              0);
  }
}

TEST(TrailerFileTest, PlaceholdersGetObjectsEntriesAndSubsections) {
  std::string file = BuildTrailerFile("<<>>\n", {{5, 0}, {6, 0}, {2, 0}, {12, 0}, {13, 2}});
  std::vector<std::string> lines = TableLines(file);
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0], "xref\n");
  EXPECT_EQ(lines[1], "0     7\n") << "objects 0 to 6";
  EXPECT_EQ(lines[9], "12     2\n");
  // Each entry is 20 bytes and gives the offset of its object.
  const struct {
    size_t line;
    const char* object;
  } entries[] = {{7, "5 0 obj\n0\nendobj\n"}, {8, "6 0 obj\n0\nendobj\n"}, {10, "12 0 obj\n0\nendobj\n"},
                 {11, "13 2 obj\n0\nendobj\n"}};
  for (const auto& e : entries) {
    ASSERT_EQ(lines[e.line].size(), 20u);
    size_t offset = std::stoul(lines[e.line].substr(0, 10));
    EXPECT_EQ(file.compare(offset, std::strlen(e.object), e.object), 0) << e.object;
  }
  EXPECT_EQ(lines[11].substr(11, 5), "00002");
  EXPECT_NE(file.find("/Size 9\n"), std::string::npos) << "5 + 4 placeholders; object 2 is the head's";
}

TEST(TrailerFileTest, AHugeSubsectionKeepsItsEntriesWhole) {
  std::vector<TrailerPlaceholder> placeholders;
  for (ASInt32 n = 5; n < 5 + 100000; ++n) placeholders.push_back(TrailerPlaceholder{n, 0});
  std::string file = BuildTrailerFile("<<>>\n", placeholders);
  std::vector<std::string> lines = TableLines(file);
  ASSERT_EQ(lines.size(), 2u + 100005u);
  EXPECT_EQ(lines[1], "0 100005\n");
  EXPECT_EQ(lines[2], "0000000000 65535 f \n");
  for (size_t i = 2; i < lines.size(); ++i) ASSERT_EQ(lines[i].size(), 20u) << i;
  EXPECT_NE(file.find("/Size 100005\n"), std::string::npos);
}

TEST(TrailerFileTest, ManyPlaceholdersKeepTheEndOfTheFileWhole) {
  // Over ten million bytes before the table, and a six-digit Size.
  std::vector<TrailerPlaceholder> placeholders;
  for (ASInt32 n = 5; n < 5 + 600000; ++n) placeholders.push_back(TrailerPlaceholder{n, 0});
  std::string file = BuildTrailerFile("<<>>\n", placeholders);
  const size_t xref = file.rfind("xref\n0 ");
  ASSERT_NE(xref, std::string::npos);
  ASSERT_GE(xref, 10000000u);
  const std::string tail = "trailer\n<<\n/Size 600005\n/Root 1 0 R\n>>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  ASSERT_GE(file.size(), tail.size());
  EXPECT_EQ(file.substr(file.size() - tail.size()), tail);
}

// --- the step inside a check -------------------------------------------------

// The temporary files as they were when opened, in order.
std::vector<std::string> gOpenedFiles;
HFTEntry gRealOpen = nullptr;

CosDoc OpenAndKeep(const CosDocOpenParams* params) {
  if (params && params->pathName) gOpenedFiles.push_back(hosttest::ReadFile(host::PathText(params->pathName)));
  return reinterpret_cast<CosDoc (*)(const CosDocOpenParams*)>(gRealOpen)(params);
}

int NoIdentifier(RuleContext* context, CheckResult*) {
  ASUns8 buffer[39];
  return PDDocGetID(context->walker->GetPDDoc(), 0, buffer, sizeof buffer) < 1 ? 2 : 0;
}

class TrailerStepTest : public enginetest::WalkerFixture {
 protected:
  void SetUp() override {
    WalkerFixture::SetUp();
    const char* old = std::getenv("TMPDIR");
    if (old) oldTmp_ = old;
    hadTmp_ = old != nullptr;
    ::setenv("TMPDIR", tmp_.path().c_str(), 1);
    auto* standard = new enginetest::RecordingStandard("T", log_);
    standard->highestVersion = 2.0;  // no later-version keys in these files
    standard->builder = [](enginetest::TestStandard& s) {
      // The file identifier's rule, shaped as the standards give it.
      boost::shared_ptr<KeyRule> trailer(new KeyRule(KIND_TRAILER));
      boost::shared_ptr<KeyRule> id(new KeyRule(&NoIdentifier, "NoIdentifier"));
      id->silent = false;
      id->severity = 5;
      id->message = "The /ID key in Trailer";
      id->reportOnContainer = true;
      trailer->AddChild(id);
      s.rules->push_back(trailer);
      const KeySpec specs[] = {
          {KIND_ENCRYPT, KEY_PROHIBITED, "Filter", nullptr, 0, 7, nullptr, nullptr, nullptr},
          {KIND_TRAILER, KEY_REQUIRED, "Info", nullptr, 0, 7, nullptr, nullptr, nullptr},
      };
      s.ParseOptions(specs, 2);
    };
    ASSERT_TRUE(Zentu::Conformance::Register(standard));
    gOpenedFiles.clear();
    gRealOpen = host::ReplaceEntry(gCosHFT, CosSel::DocOpenWithParams, reinterpret_cast<HFTEntry>(&OpenAndKeep));
  }
  void TearDown() override {
    host::ReplaceEntry(gCosHFT, CosSel::DocOpenWithParams, gRealOpen);
    hosttest::ClearHooks();
    WalkerFixture::TearDown();
    EXPECT_EQ(Leftovers(), 0) << "temporary files left behind";
    if (hadTmp_) {
      ::setenv("TMPDIR", oldTmp_.c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
  }

  int Leftovers() const {
    int count = 0;
    DIR* dir = ::opendir(tmp_.path().c_str());
    if (!dir) return 0;
    while (dirent* entry = ::readdir(dir)) {
      if (std::strncmp(entry->d_name, "ZentuPDFXPlugin", 15) == 0) ++count;
    }
    ::closedir(dir);
    return count;
  }

  void OpenBytes(const std::string& bytes) {
    pd_ = host::OpenDocumentBytes(bytes, "trailer test");
    view_ = host::ShowInView(pd_);
  }
  void OpenFile(const std::string& path) {
    view_ = host::OpenInView(path);
    pd_ = AVDocGetPDDoc(view_);
  }

  // The records, each as "severity/kind/problem message".
  std::vector<std::string> Records(const PDFXPreflight& walker) const {
    std::vector<std::string> out;
    for (const auto& e : walker.GetErrorList()) {
      out.push_back(std::to_string(e->GetSeverity()) + "/" + std::to_string(e->GetObjectKind()) + "/" +
                    std::to_string(e->GetProblemKind()) + " " + e->GetMessage());
    }
    return out;
  }

  std::string Joined(const PDFXPreflight& walker) const {
    std::string all;
    for (const std::string& record : Records(walker)) all += record + "\n";
    return all;
  }

  // A file encrypted with an empty user password; its Encrypt dictionary is object 12.
  std::string EncryptedFile() {
    std::string plain = home_.File("plain.pdf");
    std::string resources;
    for (int i = 4; i <= 11; ++i) resources += "/X" + std::to_string(i) + " " + std::to_string(i) + " 0 R ";
    hosttest::PdfSpec spec;
    spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] /Resources << /XObject << " +
                        resources + ">> >> >>"};
    for (int i = 4; i <= 11; ++i) spec.objects.push_back("<< /N " + std::to_string(i) + " >>");
    hosttest::WriteFile(plain, hosttest::MakePdf(spec));
    std::string encrypted = home_.File("encrypted.pdf");
    std::string output;
    int status = hosttest::RunCommand("qpdf --object-streams=disable --encrypt '' owner 256 -- '" + plain +
                                          "' '" + encrypted + "'",
                                      &output);
    EXPECT_EQ(status, 0) << output;
    return encrypted;
  }

  hosttest::TempDir tmp_;
  std::string oldTmp_;
  bool hadTmp_ = false;
};

TEST_F(TrailerStepTest, TheTrailerRulesRunAndSizeIsLookedFor) {
  const struct {
    const char* name;
    std::string file;
    std::vector<std::string> records;
  } cases[] = {
      {"no identifier", SmallPdf(), {"5/25/2 The /ID key in Trailer"}},
      {"identifier", SmallPdf("/Root 1 0 R /ID [<01> <02>]"), {}},
      // The host repairs the file: its own trailer is checked instead.
      {"no Size",
       Replace(SmallPdf("/Root 1 0 R /ID [<01> <02>]"), "/Size 3 ", ""),
       {"5/25/3 The file's cross-reference data is damaged"}},
      // A table that names a cross-reference stream beside it (a hybrid file).
      {"a hybrid file", SmallPdf("/Root 1 0 R /ID [<01> <02>] /XRefStm 9"),
       {"5/25/3 Cross-reference streams are a PDF 1.5 feature"}},
      {"the last section's trailer",
       WithUpdate(Replace(SmallPdf("/ID [<01> <02>] /Root 1 0 R"), "/Size 3 ", ""),
                  "<< /Size 3 /Root 1 0 R /ID [<01> <02>]"),
       {}},
  };
  for (const auto& c : cases) {
    log_->cosObjKinds.clear();
    gOpenedFiles.clear();
    OpenBytes(c.file);
    auto walker = NewWalker();
    walker->Check();
    EXPECT_EQ(gOpenedFiles.size(), 1u) << c.name << ": the plain file serves";
    EXPECT_EQ(Records(*walker), c.records) << c.name;
    EXPECT_EQ(log_->cosObjKinds, (std::vector<int>{KIND_TRAILER, KIND_INFO, KIND_CATALOG}))
        << c.name << ": the check goes on";
    host::CloseAllDocuments();
  }
  OpenBytes(Replace(SmallPdf("/Root 1 0 R /ID [<01> <02>]"), "/Size 3 ", ""));
  auto walker = NewWalker();
  walker->Check();
  ASSERT_EQ(walker->GetErrorList().size(), 1u);
  const boost::shared_ptr<Zentu::PDFX_Error>& error = walker->GetErrorList().front();
  EXPECT_EQ(error->GetDetail(), "xref");
  EXPECT_EQ(error->GetFixer(), Zentu::GlobalFixers::JustSave());
  for (const auto& node : {error->GetObjectNode(), error->GetContainerNode()})
    EXPECT_TRUE(!node || node->object.IsNull()) << "the trailer written is no object of the document";
}

// A tail that cannot be read ends the check with its text, unless the host
// repaired the file: then the repaired trailer is checked, its Encrypt
// dictionary too, with one record that saving repairs.
TEST_F(TrailerStepTest, UnreadableTailsOfRepairedFilesAreRecorded) {
  const std::string pdf = SmallPdf();
  std::string encrypted = hosttest::ReadFile(EncryptedFile());
  encrypted = encrypted.substr(0, encrypted.rfind("startxref")) + "startxref\n7\n%%EOF\n";
  const std::string damaged = "5/25/3 The file's cross-reference data is damaged";
  const struct {
    const char* name;
    std::string file;
    std::vector<std::string> records;  // empty: the text is thrown
  } cases[] = {
      {"no %%EOF at the end", pdf + "%" + std::string(2100, ' ') + "\n", {"5/25/2 The /ID key in Trailer", damaged}},
      {"no startxref", pdf.substr(0, pdf.rfind("startxref")) + "%%EOF\n", {"5/25/2 The /ID key in Trailer", damaged}},
      {"a count of 200 million", Replace(PdfWithTable(ManyObjects(400), "<< /Size 401 /Root 1 0 R >>", 1000),
                                         "xref\n0 401", "xref\n0 200000000"),
       {"5/25/2 The /ID key in Trailer", damaged}},
      {"an encrypted file, its startxref wrong", encrypted, {damaged, "7/21/3 /Filter key"}},
      {"a sound file whose trailer is larger than a window",
       Replace(pdf, "/Size 3", "/Size 3 /Long (" + std::string(3000, 'x') + ")"), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    OpenBytes(c.file);
    auto walker = NewWalker();
    try {
      walker->Check();
      EXPECT_FALSE(c.records.empty()) << "no failure";
      EXPECT_EQ(Records(*walker), c.records);
    } catch (const std::runtime_error& e) {
      EXPECT_TRUE(c.records.empty()) << e.what();
      EXPECT_STREQ(e.what(), "/Trailer dictionary larger than buffer size!");
      EXPECT_EQ(Records(*walker), std::vector<std::string>{"5/25/2 The /ID key in Trailer"})
          << "the records filed before stay";
    }
    host::CloseAllDocuments();
  }
}

// The Encrypt entry of a cross-reference stream is checked as a table's.
TEST_F(TrailerStepTest, CrossReferenceStreamsAreReadWithTheirRecord) {
  std::string packed = home_.File("packed.pdf");
  ASSERT_EQ(hosttest::RunCommand("qpdf --object-streams=generate --encrypt '' owner 256 -- '" + EncryptedFile() +
                                 "' '" + packed + "'"), 0);
  OpenFile(packed);
  auto walker = NewWalker();
  walker->Check();
  const ASInt32 encrypt = MyCosObj(CosDocGetTrailer(PDDocGetCosDoc(pd_))).Get("Encrypt").GetID();
  ASSERT_TRUE(walker->IsVisited(encrypt));
  EXPECT_EQ(walker->GetVisitedMap()[encrypt]->objectKind, KIND_ENCRYPT);
  EXPECT_EQ(Records(*walker), (std::vector<std::string>{"5/25/3 Cross-reference streams are a PDF 1.5 feature",
                                                        "7/21/3 /Filter key"}));
  EXPECT_EQ(walker->GetErrorList().front()->GetDetail(), "XRef");
  EXPECT_EQ(walker->GetErrorList().front()->GetFixer(), Zentu::GlobalFixers::JustSave());
}

TEST_F(TrailerStepTest, ThePlainFileOpensWithTheTrailerAsObjectFour) {
  OpenBytes(SmallPdf());
  auto walker = NewWalker();
  walker->Check();
  std::string path = tmp_.File("plain-trailer.pdf");
  ASPathName pathName = nullptr;
  HostRegion([&] {
    pathName = ASFileSysCreatePathName(ASGetDefaultFileSys(), ASAtomFromString("Cstring"), path.c_str(), nullptr);
  });
  MyCosDoc doc = walker->CreateTrailerTempFile(pathName, "<< /Size 5 /Root 1 0 R >>\n", false);
  ASSERT_TRUE(doc.IsValid());
  EXPECT_EQ(hosttest::ReadFile(path), BuildTrailerFile("<< /Size 5 /Root 1 0 R >>\n", {}));
  MyCosObj trailer = doc.GetObjByID(4);
  ASSERT_EQ(trailer.CachedType(), CosDict);
  EXPECT_EQ(static_cast<long>(trailer.Get("Size")), 5);
  EXPECT_TRUE(trailer.Get("Root").Equal(doc.GetRoot()));
  EXPECT_EQ(doc.GetRoot().Get("Type").ValueAsString(), "Catalog");
  EXPECT_EQ(doc.GetObjByID(3).Get("Type").ValueAsString(), "Page");
  HostRegion([&] { CosDocClose(doc.GetCosDoc()); });

  // A text that does not parse fails as a file that does not open.
  try {
    walker->CreateTrailerTempFile(pathName, "<< /Size 5 /Root (unended >>\n", false);
    ADD_FAILURE() << "opened";
  } catch (const Zentu::AcrobatException& e) {
    EXPECT_EQ(e.Where(), "CosDocOpenWithParams in PDFXPreflight::CreateTrailerTempFile");
  }
  HostRegion([&] {
    ASFileSysRemoveFile(ASGetDefaultFileSys(), pathName);
    ASFileSysReleasePath(ASGetDefaultFileSys(), pathName);
  });

  // A file that cannot be written gives no document.
  HostRegion([&] {
    pathName = ASFileSysCreatePathName(ASGetDefaultFileSys(), ASAtomFromString("Cstring"),
                                       tmp_.File("no/such/folder.pdf").c_str(), nullptr);
  });
  EXPECT_FALSE(walker->CreateTrailerTempFile(pathName, "<<>>\n", false).IsValid());
  HostRegion([&] { ASFileSysReleasePath(ASGetDefaultFileSys(), pathName); });
}

TEST_F(TrailerStepTest, TrailersThatDoNotParseAreRecorded) {
  // The document opens (its first trailer is sound); the last one read from
  // the tail does not parse in the temporary file, plain or extended.
  OpenBytes(WithUpdate(SmallPdf("/Root 1 0 R /ID [<01> <02>]"), "<< /Size 3 /Root 1 0 R /ID [<01> <02>] /Bad (x"));
  auto walker = NewWalker();
  walker->Check();
  // The host read it by repair: a finding, and the check goes on.
  EXPECT_EQ(Records(*walker), std::vector<std::string>{"5/25/3 The file's cross-reference data is damaged"});
  host::CloseAllDocuments();

  // No temporary file can be made at all.
  OpenBytes(SmallPdf("/Root 1 0 R /ID [<01> <02>]"));
  walker = NewWalker();
  hosttest::RaiseOnNextCall(host::TableId::Windows, WindowsSel::CreateTempFile, genErrGeneral);
  walker->Check();
  EXPECT_EQ(Records(*walker), std::vector<std::string>{"0/25/1 There was an error parsing the Trailer dictionary"});
}

TEST_F(TrailerStepTest, AnIndirectEncryptDictionaryIsTheDocumentsOwn) {
  OpenFile(EncryptedFile());
  MyCosObj own = Obj(12);
  ASSERT_EQ(own.CachedType(), CosDict);
  ASSERT_EQ(own.Get("Filter").ValueAsString(), "Standard");
  auto walker = NewWalker();
  walker->Check();

  // The plain file cannot resolve the reference; the extended one holds a
  // stand-in for each dictionary of the document.
  ASSERT_EQ(gOpenedFiles.size(), 2u);
  EXPECT_EQ(gOpenedFiles[0].find("12 0 obj"), std::string::npos);
  EXPECT_NE(gOpenedFiles[1].find("\n12 0 obj\n0\nendobj\n"), std::string::npos);
  EXPECT_NE(gOpenedFiles[1].find("\n4 0 obj\n<< /Root 1 0 R /Size 13"), std::string::npos);

  ASSERT_TRUE(walker->IsVisited(12));
  EXPECT_EQ(walker->GetVisitedMap()[12]->objectKind, KIND_ENCRYPT);
  ASSERT_EQ(walker->GetErrorList().size(), 1u) << Joined(*walker);
  boost::shared_ptr<Zentu::PDFX_Error> error = walker->GetErrorList().front();
  EXPECT_EQ(error->GetObjectKind(), KIND_ENCRYPT);
  EXPECT_EQ(error->GetDetail(), "Filter");
  EXPECT_EQ(error->GetContainerNode()->objectNumber, 12);
  EXPECT_TRUE(error->GetContainerNode()->object.Equal(own));
  // Its holder is the document's trailer, alive after the step.
  MyCosObj trailer = error->GetObjectNode()->object;
  EXPECT_EQ(trailer.GetType(), CosDict);
  EXPECT_EQ(trailer.GetDoc().GetCosDoc(), PDDocGetCosDoc(pd_));
  EXPECT_EQ(trailer.Get("Encrypt").GetID(), 12);
  EXPECT_EQ(PDDocGetFlags(pd_) & 1, 0) << "a check does not change the document";
}

TEST_F(TrailerStepTest, ADirectEncryptDictionaryIsCheckedAsItStands) {
  // The Encrypt dictionary written into the trailer itself; the table and
  // everything before it stay as they are.
  std::string bytes = hosttest::ReadFile(EncryptedFile());
  size_t begin = bytes.find("12 0 obj\n") + 9;
  std::string dict = bytes.substr(begin, bytes.find("\nendobj", begin) - begin);
  size_t trailerAt = bytes.rfind("trailer");
  bytes = bytes.substr(0, trailerAt) + Replace(bytes.substr(trailerAt), "/Encrypt 12 0 R", "/Encrypt " + dict);
  std::string direct = home_.File("direct.pdf");
  hosttest::WriteFile(direct, bytes);
  OpenFile(direct);
  auto walker = NewWalker();
  walker->Check();

  EXPECT_FALSE(walker->IsVisited(12));
  ASSERT_EQ(walker->GetErrorList().size(), 1u) << Joined(*walker);
  boost::shared_ptr<Zentu::PDFX_Error> error = walker->GetErrorList().front();
  EXPECT_EQ(error->GetObjectKind(), KIND_ENCRYPT);
  MyCosObj encrypt = error->GetContainerNode()->object;
  EXPECT_EQ(error->GetContainerNode()->objectNumber, -1);
  EXPECT_EQ(encrypt.GetType(), CosDict) << "read after the temporary document was closed";
  EXPECT_EQ(encrypt.GetDoc().GetCosDoc(), PDDocGetCosDoc(pd_));
  EXPECT_EQ(encrypt.Get("Filter").ValueAsString(), "Standard");
  EXPECT_EQ(error->GetObjectNode()->object.GetType(), CosDict);
  EXPECT_EQ(PDDocGetFlags(pd_) & 1, 0);

  // When the document in memory no longer holds it as written, a copy that
  // the document holds is checked, and the document is still unchanged.
  MyCosObj trailer(CosDocGetTrailer(PDDocGetCosDoc(pd_)));
  trailer.Put("Encrypt", Obj(12));
  PDDocClearFlags(pd_, 1);
  walker = NewWalker();
  walker->Check();
  ASSERT_EQ(walker->GetErrorList().size(), 1u) << Joined(*walker);
  encrypt = walker->GetErrorList().front()->GetContainerNode()->object;
  EXPECT_FALSE(encrypt.IsIndirect());
  EXPECT_EQ(encrypt.GetType(), CosDict);
  EXPECT_EQ(encrypt.GetDoc().GetCosDoc(), PDDocGetCosDoc(pd_));
  EXPECT_EQ(encrypt.Get("Filter").ValueAsString(), "Standard");
  EXPECT_FALSE(walker->IsVisited(12));
  EXPECT_EQ(PDDocGetFlags(pd_) & 1, 0);
}

TEST_F(TrailerStepTest, AFailureAfterTheFileWasMadeRemovesIt) {
  OpenFile(EncryptedFile());
  auto walker = NewWalker();
  hosttest::RaiseOnNextCall(host::TableId::Cos, CosSel::DocGetTrailer, genErrGeneral);
  EXPECT_THROW(walker->Check(), Zentu::AcrobatException);
  // TearDown finds the temporary folder empty.
}

}  // namespace
