// One-page documents for the fonts-and-colours scan and the Orb/K facts,
// shared by the tests in this process and those that run plughost.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "testing/pdfmaker.h"

namespace framewicktest {

// Object 3 is the page with `resources`; `more` are objects 4, 5, ...
inline std::string OnePagePdf(const std::string& resources, const std::vector<std::string>& more = {},
                              const std::string& catalog = "", const std::string& trailer = "") {
  hosttest::PdfSpec spec;
  spec.objects = {"<< /Type /Catalog /Pages 2 0 R " + catalog + " >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                  "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Resources << " + resources + " >> >>"};
  spec.objects.insert(spec.objects.end(), more.begin(), more.end());
  spec.trailer += " " + trailer;
  return hosttest::MakePdf(spec);
}

const char kTint[] = "<< /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] /C1 [0 0 0 1] /N 1 >>";

// The documents by name: res, gray, all, loopcs.
inline std::map<std::string, std::string> ScanPdfs() {
  return {
      {"res", OnePagePdf("/Font << /F1 4 0 R /F2 5 0 R /F3 7 0 R /F4 8 0 R >> /ColorSpace << /C1 /DeviceRGB "
                         "/C2 /DeviceCMYK /C3 [/Separation /Gold /DeviceCMYK 9 0 R] /C4 [/Separation /Brass "
                         "/DeviceCMYK 9 0 R] /C5 [/Indexed /DeviceRGB 255 <000000>] /C6 [/DeviceN [/Cyan /Gold "
                         "/None] /DeviceCMYK 9 0 R] >>",
                         {"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
                          "<< /Type /Font /Subtype /TrueType /BaseFont /ABCDEF+Times-Roman /FontDescriptor 6 0 R >>",
                          "<< /Type /FontDescriptor /FontName /ABCDEF+Times-Roman >>",
                          "<< /Type /Font /Subtype /Type1 /BaseFont /Times-Roman >>",
                          "<< /Type /Font /Subtype /Type1 /BaseFont /A+B+C >>", kTint})},
      {"gray", OnePagePdf("/ColorSpace << /CS0 /DeviceGray >>")},
      {"all", OnePagePdf("/ColorSpace << /CS0 [/Separation /All /DeviceCMYK 4 0 R] >>", {kTint})},
      {"loopcs", OnePagePdf("/ColorSpace << /CS0 /DeviceGray /CS1 7 0 R >>",
                            {"null", "null", "null", "[/Indexed 7 0 R 0 <00>]"})},
  };
}

}  // namespace framewicktest
