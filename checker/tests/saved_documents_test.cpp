// `plughost check --fix --output` on documents whose data or protection the
// save must carry over: JBIG2 and JPEG 2000 images, whole and truncated, and
// each of qpdf's encryption handlers. qpdf and pdftoppm judge the results.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "plughost_runs.h"
#include "testing/codestreams.h"
#include "testing/pdfmaker.h"
#include "testing/processes.h"
#include "testing/renders.h"

namespace {

const char kGood[] = "VERDICT: Congratulations!\\nThis is a good PDF/X-1a:2001 file.\\n\n";

// A page that only its image's filter (and the missing output intent)
// keeps from PDF/X-1a:2001.
std::string Page(const std::string& image, const std::string& data) {
  hosttest::PdfSpec spec;
  spec.objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /TrimBox [0 0 200 200] /Contents 4 0 R "
      "/Resources << /XObject << /Im1 5 0 R >> >> >>",
      "stream:|q 128 0 0 80 10 10 cm /Im1 Do Q",
      "stream:/Type /XObject /Subtype /Image " + image + "|" + data,
      "<< /Title (t) /Creator (t) /Producer (t) /Trapped /False /GTS_PDFXVersion (PDF/X-1:2001) "
      "/GTS_PDFXConformance (PDF/X-1a:2001) /CreationDate (D:20260101120000Z) /ModDate (D:20260101120000Z) >>"};
  spec.trailer = "/Root 1 0 R /Info 6 0 R /ID [<00112233445566778899aabbccddeeff> <00112233445566778899aabbccddeeff>]";
  return hosttest::MakePdf(spec);
}

class SavedDocumentsTest : public ::testing::Test {
 protected:
  hosttest::ProcessResult Check(const std::string& in, std::vector<std::string> more) {
    std::vector<std::string> argv = {PLUGHOST, "check", work_.File(in), "--settings", settings_.path(), "--fix",
                                     "--output", work_.File("out.pdf")};
    argv.insert(argv.end(), more.begin(), more.end());
    ::unlink(work_.File("out.pdf").c_str());
    return hosttest::RunProcess(argv, "", checkertest::kRunBound);
  }
  std::string Shell(const std::string& command, int* status = nullptr) {
    std::string out;
    const int s = hosttest::RunCommand("cd " + hosttest::Quoted(work_.path()) + " && " + command + " 2>&1", &out);
    if (status) *status = s;
    return out;
  }
  hosttest::TempDir work_, settings_;
};

TEST_F(SavedDocumentsTest, ImagesTheHostDecodesAreRecompressedAndDamagedOnesLeftOpen) {
  const std::string jbig2 = hosttest::Jbig2Page(work_, 64, 40);
  const std::string jpx =
      hosttest::JpxCodestream(16, 12, 4, [](uint32_t i, uint32_t c) { return static_cast<int>((i * 37 + c * 61) % 256); });
  const std::string gray = "/Width 64 /Height 40 /ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /JBIG2Decode";
  const std::string cmyk = "/Width 16 /Height 12 /ColorSpace /DeviceCMYK /Filter /JPXDecode";
  const struct {
    const char* name;
    std::string pdf;
    bool whole;
  } rows[] = {
      {"jbig2", Page(gray, jbig2), true},
      {"jpx", Page(cmyk, jpx), true},
      {"jbig2-truncated", Page(gray, jbig2.substr(0, jbig2.size() - 20)), false},
      {"jpx-truncated", Page(cmyk, jpx.substr(0, jpx.size() / 2)), false},
      {"jpx-without-colour-space", Page("/Width 16 /Height 12 /Filter /JPXDecode", jpx), false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    hosttest::WriteFile(work_.File("in.pdf"), row.pdf);
    const hosttest::ProcessResult run = Check("in.pdf", {});
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out.find("NOTE:"), std::string::npos) << run.out;
    int status = 0;
    const std::string report = Shell("qpdf --check out.pdf", &status);
    EXPECT_EQ(status, 0) << report;
    if (row.whole) {
      EXPECT_EQ(run.status, 0) << run.out;
      EXPECT_NE(run.out.find(kGood), std::string::npos) << run.out;
      EXPECT_NE(Shell("pdfimages -list out.pdf").find(" image "), std::string::npos) << "recompressed";
      EXPECT_EQ(hosttest::PageDifferences(work_.File("in.pdf"), work_.File("out.pdf"), 72), std::vector<std::string>{""});
    } else {
      EXPECT_EQ(run.status, 1) << run.out;
      EXPECT_NE(run.out.rfind("VERDICT: This file isn't a valid PDF/X-1a:2001 file."), std::string::npos);
      const std::string images = Shell("pdfimages -list out.pdf");
      EXPECT_TRUE(images.find(" jbig2 ") != std::string::npos || images.find(" jpx ") != std::string::npos)
          << "the image is kept as it was: " << images;
    }
  }
}

TEST_F(SavedDocumentsTest, SavesKeepTheEncryptionOfEachHandler) {
  hosttest::WriteFile(work_.File("plain.pdf"), hosttest::ReadFile(checkertest::Sample("x1a-fixable")));
  const struct {
    const char* how;
    const char* note;  // beside the SAVED line
  } rows[] = {
      {"--allow-weak-crypto --encrypt user owner 40 --extract=n", ""},
      {"--allow-weak-crypto --encrypt user owner 128 --use-aes=n --print=low", " (version 1.4: the encryption needs it)"},
      {"--encrypt user owner 128 --use-aes=y --modify=form", " (version 1.6: the encryption needs it)"},
      {"--encrypt user owner 256 --extract=n", " (version 1.7: the encryption needs it)"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.how);
    ASSERT_EQ(Shell("qpdf " + std::string(row.how) + " -- plain.pdf enc.pdf"), "");
    const hosttest::ProcessResult run = Check("enc.pdf", {"--password", "owner"});
    EXPECT_EQ(run.status, 1) << run.out << run.err;  // encryption itself stays an unfixable error
    EXPECT_NE(run.out.find("SAVED: " + work_.File("out.pdf") + row.note + "\n"), std::string::npos) << run.out;
    EXPECT_EQ(Shell("qpdf --show-encryption --password=owner out.pdf"),
              Shell("qpdf --show-encryption --password=owner enc.pdf"));
    for (const char* password : {"user", "owner"}) {
      int status = 0;
      const std::string report = Shell(std::string("qpdf --check --password=") + password + " out.pdf", &status);
      EXPECT_EQ(status, 0) << password << ": " << report;
    }
    int status = 0;
    Shell("qpdf --requires-password out.pdf", &status);
    EXPECT_EQ(status, 0) << "opens without a password";
  }
}

}  // namespace
