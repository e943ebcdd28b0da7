#include "documents.h"

#include <cstdint>
#include <stdexcept>

#include "common/Prefs.h"
#include "engine/ProfileResources.h"
#include "icc/icc.h"
#include "icc/icc_memory.h"
#include "profile_bytes.h"
#include "testing/pdfmaker.h"

namespace standardstest {

const char kX1a[] = "PDF/X-1a:2001";
const char kX3[] = "PDF/X-3";

namespace {

const char kCmykPixel[] = "\x10\x20\x30\x40";
const char kDeepCmykPixel[] = "\x10\x11\x20\x21\x30\x31\x40\x41";  // 16 bits a component
const char kImage[] = "/ColorSpace /DeviceCMYK /BitsPerComponent 8";
const char kPlace[] = " q 100 0 0 100 100 100 cm /Im1 Do Q";

std::string Ref(int number) { return std::to_string(number) + " 0 R"; }

// An output intent of a condition no registry lists, with its profile.
void PressIntent(Document& d, const std::string& profile, int components) {
  std::string entries = "/Type /OutputIntent /S /GTS_PDFX /OutputConditionIdentifier (MyPress) "
                        "/RegistryName (http://www.color.org) /OutputCondition (My press) /Info (My press)";
  if (!profile.empty()) {
    const int stream = d.Add("stream:/N " + std::to_string(components) + " /Filter /ASCIIHexDecode|" +
                             enginetest::Hex(profile));
    entries += " /DestOutputProfile " + Ref(stream);
  }
  d.intent = "<< " + entries + " >>";
}

void InlineImage(Document& d, const std::string& filter, const std::string& data) {
  d.content += " q 100 0 0 100 100 100 cm BI /W 1 /H 1 /CS /CMYK /BPC 8 /F /" + filter + " ID " + data + " EI Q";
}

void GraphicsState(Document& d, const std::string& entries) {
  d.AddResource("ExtGState", "GS1", Ref(d.Add("<< /Type /ExtGState " + entries + " >>")));
  d.content = "/GS1 gs " + d.content;
}

// A trap network whose normal appearance names its colour model.
void TrapNetwork(Document& d, const char* model) {
  d.SetInfo("Trapped", "/True");
  const int appearance = d.Add(std::string("stream:/Type /XObject /Subtype /Form /BBox [0 0 612 792] /PCM /") +
                               model + "|0 0 0 1 k");
  d.AddAnnotation("TrapNet", "/Rect [0 0 612 792] /LastModified (D:20240101120000Z) /AP << /N " + Ref(appearance) +
                                 " >>");
}

// The version of PDF/X-1a:2001 where the version of its family belongs, and
// no conformance key.
void WrongIdentification(Document& d) {
  d.SetInfo("GTS_PDFXVersion", "(PDF/X-1a:2001)");
  d.SetInfo("GTS_PDFXConformance", "");
}

}  // namespace

void Document::SetInfo(const std::string& key, const std::string& value) {
  for (auto it = info.begin(); it != info.end(); ++it) {
    if (it->first != key) continue;
    if (value.empty()) {
      info.erase(it);
    } else {
      it->second = value;
    }
    return;
  }
  if (!value.empty()) info.emplace_back(key, value);
}

int Document::Add(const std::string& body) {
  objects.push_back(body);
  return static_cast<int>(objects.size()) + 6;
}

void Document::AddResource(const std::string& category, const std::string& name, const std::string& value) {
  resources[category] += " /" + name + " " + value;
}

int Document::PlaceImage(const std::string& entries, const std::string& data) {
  const int image = Add("stream:/Type /XObject /Subtype /Image /Width 1 /Height 1 " + entries + "|" + data);
  AddResource("XObject", "Im1", Ref(image));
  content += kPlace;
  return image;
}

int Document::AddAnnotation(const std::string& subtype, const std::string& entries) {
  const int annotation = Add("<< /Type /Annot /Subtype /" + subtype + " " + entries + " >>");
  annotations.push_back(annotation);
  return annotation;
}

std::string Document::Pdf() const {
  hosttest::PdfSpec spec;
  std::string intents = outputIntents.empty() ? "" : " /OutputIntents " + outputIntents;
  spec.objects.push_back("<< /Type /Catalog /Pages 2 0 R" + intents + (catalog.empty() ? "" : " " + catalog) + " >>");
  spec.objects.push_back("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  std::string entries = "/Type /Page /Parent 2 0 R " + boxes + " /Contents 4 0 R";
  if (!resources.empty()) {
    entries += " /Resources <<";
    for (const auto& category : resources) entries += " /" + category.first + " <<" + category.second + " >>";
    entries += " >>";
  }
  if (!annotations.empty()) {
    entries += " /Annots [";
    for (int annotation : annotations) entries += " " + Ref(annotation);
    entries += " ]";
  }
  if (!page.empty()) entries += " " + page;
  spec.objects.push_back("<< " + entries + " >>");
  spec.objects.push_back("stream:|" + content);
  std::string infoText = "<<";
  for (const auto& entry : info) infoText += " /" + entry.first + " " + entry.second;
  spec.objects.push_back(infoText + " >>");
  spec.objects.push_back(intent.empty() ? "null" : intent);
  spec.objects.insert(spec.objects.end(), objects.begin(), objects.end());
  spec.trailer = "/Root 1 0 R /Info 5 0 R";
  if (fileIdentifier) spec.trailer += " /ID [<0123456789ABCDEF0123456789ABCDEF> <0123456789ABCDEF0123456789ABCDEF>]";
  return hosttest::MakePdf(spec);
}

Document Baseline(const std::string& standard) {
  const bool x1a = standard == kX1a;
  if (!x1a && standard != kX3) throw std::invalid_argument("no baseline for " + standard);
  Document d;
  d.info = {{"Title", "(Test document)"},
            {"Creator", "(Zentu tests)"},
            {"Producer", "(Zentu tests)"},
            {"CreationDate", "(D:20240101120000Z)"},
            {"ModDate", "(D:20240101120000Z)"},
            {"Trapped", "/False"},
            {"GTS_PDFXVersion", x1a ? "(PDF/X-1:2001)" : "(PDF/X-3:2002)"}};
  if (x1a) d.info.emplace_back("GTS_PDFXConformance", "(PDF/X-1a:2001)");
  d.intent = "<< /Type /OutputIntent /S /GTS_PDFX /OutputConditionIdentifier (CGATS TR 001) "
             "/RegistryName (http://www.color.org) /OutputCondition (SWOP CGATS TR 001-1995)" +
             std::string(x1a ? "" : " /Info (CGATS TR 001)") + " >>";
  return d;
}

const std::vector<Variant>& Variants() {
  static const std::vector<Variant> variants = {
      {"ri-operator", [](Document& d) { d.content = "0 0 0 1 k /Perceptual ri 100 100 200 200 re f"; }},
      {"ex-operator", [](Document& d) { d.content = "0 0 0 1 k EX 100 100 200 200 re f"; }},
      {"rg-operator", [](Document& d) { d.content = "1 0 0 rg 100 100 200 200 re f"; }},
      {"rgb-image", [](Document& d) { d.PlaceImage("/ColorSpace /DeviceRGB /BitsPerComponent 8", "\x10\x20\x30"); }},
      {"lzw-image",
       [](Document& d) { d.PlaceImage(std::string(kImage) + " /Filter /LZWDecode", LzwEncoded(kCmykPixel)); }},
      {"ccitt-8-bit-image",
       [](Document& d) { d.PlaceImage(std::string(kImage) + " /Filter /CCITTFaxDecode", "\x12\x34"); }},
      {"flate-inline-image", [](Document& d) { InlineImage(d, "Fl", hosttest::Deflated(kCmykPixel)); }},
      {"lzw-inline-image", [](Document& d) { InlineImage(d, "LZW", LzwEncoded(kCmykPixel)); }},
      {"indexed-rgb-image",
       [](Document& d) { d.PlaceImage("/ColorSpace [/Indexed /DeviceRGB 0 <102030>] /BitsPerComponent 8", "\x01"); }},
      {"separation-rgb-image",
       [](Document& d) { d.PlaceImage("/ColorSpace [/Separation /Spot /DeviceRGB 1] /BitsPerComponent 8", "\x01"); }},
      {"garbage-icc-image",
       [](Document& d) {
         const int profile = d.Add("stream:/N 4|not a profile at all");
         d.PlaceImage("/ColorSpace [/ICCBased " + Ref(profile) + "] /BitsPerComponent 8", kCmykPixel);
       }},
      {"image-soft-mask-none",
       [](Document& d) { d.PlaceImage(std::string(kImage) + " /SMask /None", kCmykPixel); }},
      {"half-transparent-state", [](Document& d) { GraphicsState(d, "/ca 0.5"); }},
      {"opaque-state", [](Document& d) { GraphicsState(d, "/ca 1"); }},
      {"separation-info",
       [](Document& d) { d.page = "/SeparationInfo << /Pages [3 0 R] /DeviceColorant /Cyan >>"; }},
      {"square-annotation",
       [](Document& d) { d.AddAnnotation("Square", "/Rect [100 100 200 200] /C [0 0 0]"); }},
      {"transparent-page-group", [](Document& d) { d.page = "/Group << /S /Transparency /CS /DeviceCMYK >>"; }},
      {"transparent-form",
       [](Document& d) {
         const int form = d.Add("stream:/Type /XObject /Subtype /Form /BBox [0 0 10 10] /Group << /S /Transparency >>|"
                                "0 0 10 10 re f");
         d.AddResource("XObject", "Fm1", Ref(form));
         d.content += " /Fm1 Do";
       }},
      {"transparent-appearance",
       [](Document& d) {
         // Outside the trimmed page: only the group is at fault.
         const int appearance = d.Add(
             "stream:/Type /XObject /Subtype /Form /BBox [0 0 10 10] /Group << /S /Transparency >>|0 0 10 10 re f");
         d.AddAnnotation("Square", "/Rect [0 0 10 10] /AP << /N " + Ref(appearance) + " >>");
       }},
      {"trap-network-cmyk", [](Document& d) { TrapNetwork(d, "DeviceCMYK"); }},
      {"trap-network-rgb", [](Document& d) { TrapNetwork(d, "DeviceRGB"); }},
      {"javascript-open-action", [](Document& d) { d.catalog = "/OpenAction << /S /JavaScript /JS (1) >>"; }},
      {"view-area-beside-preferences", [](Document& d) { d.catalog = "/ViewerPreferences << >> /ViewArea /CropBox"; }},
      {"view-area-in-preferences", [](Document& d) { d.catalog = "/ViewerPreferences << /ViewArea /CropBox >>"; }},
      {"press-intent-without-profile", [](Document& d) { PressIntent(d, "", 0); }},
      {"press-intent-a2b0-profile", [](Document& d) { PressIntent(d, A2b0OnlyProfile(), 4); }},
      {"press-intent-monitor-profile",
       [](Document& d) { PressIntent(d, enginetest::ProfileBytes("mntr", "RGB ", "eciRGB"), 3); }},
      {"press-intent-garbage-profile", [](Document& d) { PressIntent(d, "not a profile at all", 4); }},
      {"no-output-intents", [](Document& d) { d.outputIntents.clear(); }},
      {"no-file-identifier", [](Document& d) { d.fileIdentifier = false; }},
      {"no-title-or-creator",
       [](Document& d) {
         d.SetInfo("Title", "");
         d.SetInfo("Creator", "");
       }},
      {"trapped-unknown", [](Document& d) { d.SetInfo("Trapped", "/Unknown"); }},
      {"trapped-string", [](Document& d) { d.SetInfo("Trapped", "(True)"); }},
      {"version-without-conformance", [](Document& d) { WrongIdentification(d); }},
      {"version-without-conformance-rg",
       [](Document& d) {
         WrongIdentification(d);
         d.content = "1 0 0 rg 100 100 200 200 re f";
       }},
      {"transfer-function-state", [](Document& d) { GraphicsState(d, "/TR /Identity"); }},
      {"halftone-type-1-state",
       [](Document& d) {
         GraphicsState(d, "/HT << /Type /Halftone /HalftoneType 1 /Frequency 60 /Angle 45 /SpotFunction /Round >>");
       }},
      {"halftone-type-6-state",
       [](Document& d) {
         const int halftone = d.Add("stream:/Type /Halftone /HalftoneType 6 /Width 1 /Height 1|\x80");
         GraphicsState(d, "/HT " + Ref(halftone));
       }},
      {"postscript-xobject",
       [](Document& d) {
         d.AddResource("XObject", "PS1", Ref(d.Add("stream:/Type /XObject /Subtype /PS|0 0 moveto")));
         d.content += " /PS1 Do";
       }},
      {"opi-form",
       [](Document& d) {
         const int form = d.Add("stream:/Type /XObject /Subtype /Form /BBox [0 0 10 10] /OPI << /1.3 << /Type /OPI "
                                "/Version 1.3 /F (photo.tif) /Size [10 10] /CropRect [0 0 10 10] /Position [0 0 10 0 10 "
                                "10 0 10] >> >>|0 0 0 1 k 0 0 10 10 re f");
         d.AddResource("XObject", "Fm1", Ref(form));
         d.content += " /Fm1 Do";
       }},
      {"external-image-data",
       [](Document& d) { d.PlaceImage(std::string(kImage) + " /F (pixel.cmyk)", kCmykPixel); }},
      {"alternate-image-for-printing",
       [](Document& d) {
         const int alternate = d.Add("stream:/Type /XObject /Subtype /Image /Width 1 /Height 1 " + std::string(kImage) +
                                     "|" + kCmykPixel);
         d.PlaceImage(std::string(kImage) + " /Alternates [<< /Image " + Ref(alternate) +
                          " /DefaultForPrinting true >>]",
                      kCmykPixel);
       }},
      {"no-trim-box", [](Document& d) { d.boxes = "/MediaBox [0 0 612 792]"; }},
      {"art-and-trim-box", [](Document& d) { d.boxes += " /ArtBox [36 36 576 756]"; }},
      {"empty-output-intents", [](Document& d) { d.outputIntents = "[]"; }},
      {"two-output-intents", [](Document& d) { d.outputIntents = "[6 0 R " + Ref(d.Add(d.intent)) + "]"; }},
      {"output-intents-not-an-array", [](Document& d) { d.outputIntents = "6 0 R"; }},
      // Features of later versions of PDF, each where the walk meets it.
      {"sixteen-bit-image",
       [](Document& d) { d.PlaceImage("/ColorSpace /DeviceCMYK /BitsPerComponent 16", kDeepCmykPixel); }},
      {"sixteen-bit-inline-image",
       [](Document& d) {
         d.content += " q 100 0 0 100 100 100 cm BI /W 1 /H 1 /CS /CMYK /BPC 16 ID " + std::string(kDeepCmykPixel) +
                      " EI Q";
       }},
      {"optional-content",
       [](Document& d) {
         const int group = d.Add("<< /Type /OCG /Name (Layer) >>");
         d.catalog = "/OCProperties << /OCGs [" + Ref(group) + "] /D << /OFF [" + Ref(group) + "] >> >>";
         d.AddResource("Properties", "L1", Ref(group));
         d.content = "/OC /L1 BDC " + d.content + " EMC";
       }},
      {"marked-optional-content",
       [](Document& d) {
         d.AddResource("Properties", "L1", Ref(d.Add("<< /Type /OCG /Name (Layer) >>")));
         d.content = "/OC /L1 BDC " + d.content + " EMC";
       }},
      {"optional-form",
       [](Document& d) {
         const int group = d.Add("<< /Type /OCG /Name (Layer) >>");
         d.AddResource("XObject", "Fm1", Ref(d.Add("stream:/Type /XObject /Subtype /Form /BBox [0 0 10 10] /OC " +
                                                  Ref(group) + "|0 0 0 1 k 0 0 10 10 re f")));
         d.content += " /Fm1 Do";
       }},
      {"opentype-font",
       [](Document& d) {
         const int program = d.Add("stream:/Subtype /OpenType|OTTO");
         const int descriptor = d.Add("<< /Type /FontDescriptor /FontName /Face /Flags 32 /FontBBox [0 0 1000 1000] "
                                      "/ItalicAngle 0 /Ascent 800 /Descent -200 /CapHeight 700 /StemV 80 /FontFile3 " +
                                      Ref(program) + " >>");
         d.AddResource("Font", "F1", Ref(d.Add("<< /Type /Font /Subtype /Type1 /BaseFont /Face /FirstChar 97 "
                                                "/LastChar 97 /Widths [500] /FontDescriptor " +
                                                Ref(descriptor) + " >>")));
         d.content += " BT /F1 12 Tf 100 100 Td (a) Tj ET";
       }},
      {"user-unit", [](Document& d) { d.page = "/UserUnit 2"; }},
      // Annotations over the trimmed page, which "Fix all" removes with
      // what their appearances hold.
      {"appearance-drawn-by-page",
       [](Document& d) {
         const int image = d.Add("stream:/Type /XObject /Subtype /Image /Width 1 /Height 1 /ColorSpace /DeviceCMYK "
                                 "/BitsPerComponent 16|" + std::string(kDeepCmykPixel));
         const int form = d.Add("stream:/Type /XObject /Subtype /Form /BBox [0 0 1 1] /Resources << /XObject << /Im1 " +
                                Ref(image) + " >> >>|/Im1 Do");
         d.AddAnnotation("Square", "/F 4 /Rect [100 300 200 400] /AP << /N " + Ref(form) + " >>");
         d.AddResource("XObject", "Fm1", Ref(form));
         d.content += " q 100 0 0 100 100 100 cm /Fm1 Do Q";
       }},
      {"filled-form-field-in-trim",
       [](Document& d) {
         const int appearance = d.Add("stream:/Type /XObject /Subtype /Form /BBox [0 0 200 30] /Group << /S "
                                      "/Transparency >>|0 0 0 1 k 0 0 200 30 re f");
         const int widget = d.AddAnnotation("Widget", "/FT /Tx /T (name) /V (filled) /F 4 /Rect [100 100 300 130] "
                                                      "/AP << /N " + Ref(appearance) + " >>");
         d.catalog = "/AcroForm << /Fields [" + Ref(widget) + "] >>";
       }},
      {"form-field-half-in-trim",
       [](Document& d) {
         // The kid kept outside the trimmed page still leads to its parent,
         // and through it to the one removed.
         const std::string group = "stream:/Type /XObject /Subtype /Form /BBox [0 0 20 20] /Group << /S /Transparency >>"
                                   "|0 0 0 1 k 0 0 20 20 re f";
         const int inside = d.Add(group), outside = d.Add(group);
         const int field = static_cast<int>(d.objects.size()) + 9;  // after the two kids
         const std::string kid = "/F 4 /Parent " + Ref(field) + " /AP << /N ";
         const int first = d.AddAnnotation("Widget", kid + Ref(inside) + " >> /Rect [100 100 120 120]");
         const int second = d.AddAnnotation("Widget", kid + Ref(outside) + " >> /Rect [0 0 20 20]");
         d.Add("<< /FT /Btn /T (choice) /Kids [" + Ref(first) + " " + Ref(second) + "] >>");
         d.catalog = "/AcroForm << /Fields [" + Ref(field) + "] >>";
       }},
      {"rgb-appearance-in-trim",
       [](Document& d) {
         const int appearance = d.Add("stream:/Type /XObject /Subtype /Form /BBox [0 0 100 100] /Group << /S "
                                      "/Transparency /CS /DeviceRGB >>|1 0 0 rg 0 0 100 100 re f");
         d.AddAnnotation("Square", "/F 4 /Rect [100 300 200 400] /C [1 0 0] /AP << /N " + Ref(appearance) + " >>");
       }},
      {"default-gray-space",
       [](Document& d) {
         const int profile = d.Add("stream:/N 1 /Filter /ASCIIHexDecode|" +
                                   enginetest::Hex(enginetest::ProfileBytes("mntr", "GRAY", "Gray")));
         d.AddResource("ColorSpace", "DefaultGray", Ref(d.Add("[/ICCBased " + Ref(profile) + "]")));
       }},
  };
  return variants;
}

Document Make(const std::string& standard, const std::string& variant) {
  Document d = Baseline(standard);
  for (const Variant& v : Variants()) {
    if (variant != v.name) continue;
    v.change(d);
    return d;
  }
  throw std::invalid_argument("no variant " + variant);
}

std::string LzwEncoded(const std::string& data) {
  if (data.size() > 250) throw std::invalid_argument("too long for 9-bit codes");
  // Codes of 9 bits, most significant first: clear, each byte, end.
  std::string out;
  uint32_t bits = 0;
  int count = 0;
  auto put = [&](uint32_t code) {
    bits = (bits << 9) | code;
    count += 9;
    while (count >= 8) {
      count -= 8;
      out += static_cast<char>((bits >> count) & 0xFF);
    }
  };
  put(256);
  for (unsigned char c : data) put(c);
  put(257);
  if (count > 0) out += static_cast<char>((bits << (8 - count)) & 0xFF);
  return out;
}

std::string A2b0OnlyProfile() {
  for (ASUns32 i = 0; i < kICCProfileResources.binaryCount; ++i) {
    const PIBinaryResource& resource = kICCProfileResources.binaries[i];
    if (resource.number != 112) continue;
    icc* p = new_icc();
    std::string out;
    // An input profile, as an output profile must have the table.
    if (icc_read_memory(p, resource.data, resource.size) == 0 && p->read_all_tags(p) == 0 &&
        p->delete_tag(p, str2tag("A2B1")) == 0) {
      p->header->deviceClass = str2tag("scnr");
      out.resize(p->get_size(p));
      if (out.empty() || icc_write_memory(p, &out[0], static_cast<unsigned int>(out.size())) != 0) out.clear();
    }
    p->del(p);
    if (!out.empty()) return out;
  }
  throw std::runtime_error("no built-in CMYK profile to take A2B1 from");
}

std::string ModuleProfile(const std::string& file) {
  const std::string path = GetModulePath() + "/" + file;
  if (!hosttest::FileExists(path)) throw std::runtime_error("no profile " + path);
  return hosttest::ReadFile(path);
}

}  // namespace standardstest
