// Writes the bundled sample PDFs, one a run: `make_sample NAME OUT.pdf`.
//   sample       three pages of text
//   x1a-good     a clean PDF/X-1a:2001 file
//   x1a-fixable  the same without /Trapped and the trim box
//   rgb-font     the same with RGB colour and a font not embedded
//   x3-good      a clean PDF/X-3 file with a press profile of its own
//   xref-stream  x1a-good as PDF 1.5 with object streams and a
//                cross-reference stream
//   boxes        five pages with page boxes of their own and inherited ones
//   images       three pages of image XObjects, one drawn through a form
//   alts         images with alternate images, marked and not
// Every date and /ID is fixed, so each run writes the same bytes. Objects
// and the cross-reference sections are written from their contents, never
// by hand.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "icc/generator/profiles.h"

namespace {

class Writer {
 public:
  int Add(const std::string& body) {
    objects_.push_back(body);
    return static_cast<int>(objects_.size());
  }
  void Set(int number, const std::string& body) { objects_[number - 1] = body; }
  static std::string Stream(const std::string& dict, const std::string& data) {
    return "<< " + dict + (dict.empty() ? "" : " ") + "/Length " + std::to_string(data.size()) +
           " >>\nstream\n" + data + "\nendstream";
  }

  // A classic cross-reference table.
  std::string Build(const std::string& version, int root, int info, const std::string& id) const {
    std::ostringstream out;
    std::vector<long> offsets = WriteObjects(out, version);
    long xref = static_cast<long>(out.tellp());
    out << "xref\n0 " << objects_.size() + 1 << "\n0000000000 65535 f \n";
    char line[32];
    for (long off : offsets) {
      std::snprintf(line, sizeof line, "%010ld 00000 n \n", off);
      out << line;
    }
    out << "trailer\n<< /Size " << objects_.size() + 1 << " " << TrailerEntries(root, info, id)
        << " >>\nstartxref\n" << xref << "\n%%EOF\n";
    return out.str();
  }

  // Every object that is no stream goes into one object stream; the
  // cross-reference stream comes last and holds the trailer's entries.
  std::string BuildWithStreams(const std::string& version, int root, int info, const std::string& id) const {
    Writer file;
    std::vector<int> packed;  // object numbers in the object stream
    for (size_t i = 0; i < objects_.size(); ++i) {
      const bool stream = objects_[i].find("\nstream\n") != std::string::npos;
      file.Add(stream ? objects_[i] : "");
      if (!stream) packed.push_back(static_cast<int>(i + 1));
    }
    std::string head, bodies;
    for (int n : packed) {
      head += (head.empty() ? "" : " ") + std::to_string(n) + " " + std::to_string(bodies.size());
      bodies += objects_[n - 1] + "\n";
    }
    head += "\n";
    const int objectStream = file.Add(Stream("/Type /ObjStm /N " + std::to_string(packed.size()) + " /First " +
                                                 std::to_string(head.size()),
                                             head + bodies));
    const int xrefStream = objectStream + 1;

    std::ostringstream out;
    std::vector<long> offsets = file.WriteObjects(out, version, true);
    const long xref = static_cast<long>(out.tellp());
    // Type 0 (free), 1 (offset, generation) or 2 (object stream, index): 1, 4 and 2 bytes.
    std::string entries = Entry(0, 0, 65535);
    for (size_t i = 0; i < objects_.size(); ++i) {
      size_t index = 0;
      while (index < packed.size() && packed[index] != static_cast<int>(i + 1)) ++index;
      entries += index < packed.size() ? Entry(2, objectStream, static_cast<long>(index)) : Entry(1, offsets[i], 0);
    }
    entries += Entry(1, offsets[objectStream - 1], 0) + Entry(1, xref, 0);
    out << xrefStream << " 0 obj\n"
        << Stream("/Type /XRef /Size " + std::to_string(xrefStream + 1) + " /W [1 4 2] " +
                      TrailerEntries(root, info, id),
                  entries)
        << "\nendobj\nstartxref\n" << xref << "\n%%EOF\n";
    return out.str();
  }

 private:
  // The header and every object that has a body; the offsets of all.
  std::vector<long> WriteObjects(std::ostringstream& out, const std::string& version, bool skipEmpty = false) const {
    out << "%PDF-" << version << "\n%\xE2\xE3\xCF\xD3\n";
    std::vector<long> offsets;
    for (size_t i = 0; i < objects_.size(); ++i) {
      offsets.push_back(static_cast<long>(out.tellp()));
      if (skipEmpty && objects_[i].empty()) continue;
      out << (i + 1) << " 0 obj\n" << objects_[i] << "\nendobj\n";
    }
    return offsets;
  }
  static std::string TrailerEntries(int root, int info, const std::string& id) {
    return "/Root " + std::to_string(root) + " 0 R /Info " + std::to_string(info) + " 0 R /ID [<" + id + "> <" + id +
           ">]";
  }
  static std::string Entry(int type, long field2, long field3) {
    std::string bytes(1, static_cast<char>(type));
    for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>((field2 >> shift) & 0xFF);
    for (int shift = 8; shift >= 0; shift -= 8) bytes += static_cast<char>((field3 >> shift) & 0xFF);
    return bytes;
  }

  std::vector<std::string> objects_;
};

// "ZENTU SAMPLE 00n" in hex.
std::string SampleId(int n) { return "5A454E54552053414D504C45203030" + std::to_string(30 + n); }

std::string ThreePages() {
  Writer w;
  int catalog = w.Add("");
  int pages = w.Add("");
  int font = w.Add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
  const char* lines[] = {"Sample page one", "Sample page two", "Sample page three"};
  std::string kids;
  for (const char* text : lines) {
    std::string content = std::string("BT /F1 24 Tf 72 700 Td (") + text + ") Tj ET\n0 0 1 RG 72 650 m 540 650 l S\n";
    int contents = w.Add(Writer::Stream("", content));
    int page = w.Add("<< /Type /Page /Parent " + std::to_string(pages) +
                     " 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 " + std::to_string(font) +
                     " 0 R >> /ProcSet [/PDF /Text] >> /Contents " + std::to_string(contents) + " 0 R >>");
    kids += (kids.empty() ? "" : " ") + std::to_string(page) + " 0 R";
  }
  w.Set(catalog, "<< /Type /Catalog /Pages " + std::to_string(pages) + " 0 R >>");
  w.Set(pages, "<< /Type /Pages /Kids [" + kids + "] /Count 3 >>");
  int info = w.Add("<< /Title (Sample) /Producer (make_sample) /CreationDate (D:20260101000000Z) >>");
  return w.Build("1.3", catalog, info, SampleId(1));
}

// The page boxes' sample: the media box on the root node only; page 3 under
// a node of its own that holds a crop box (inherited) and a bleed box (not
// inherited); page 2's crop box written reversed.
std::string Boxes() {
  Writer w;
  int catalog = w.Add("");
  int root = w.Add("");
  int node = w.Add("");
  int font = w.Add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
  const char* boxes[] = {"/BleedBox [27 27 585 765] /TrimBox [36 36 576 756]", "/CropBox [612 792 0 0]",
                         "/ArtBox [72 72 540 720]", "/TrimBox [36 36 576 756] /ArtBox [50 50 562 742]",
                         "/TrimBox [30 30 570 750] /CropBox [40 40 580 760]"};
  std::string kids;
  for (int n = 1; n <= 5; ++n) {
    std::string content = "BT /F1 24 Tf 72 400 Td (Boxes page " + std::to_string(n) + ") Tj ET\n";
    int contents = w.Add(Writer::Stream("", content));
    int parent = n == 3 ? node : root;
    int page = w.Add("<< /Type /Page /Parent " + std::to_string(parent) + " 0 R " + boxes[n - 1] +
                     " /Resources << /Font << /F1 " + std::to_string(font) + " 0 R >> >> /Contents " +
                     std::to_string(contents) + " 0 R >>");
    if (n == 3) {
      w.Set(node, "<< /Type /Pages /Parent " + std::to_string(root) + " 0 R /CropBox [0 0 600 780]"
                  " /BleedBox [1 1 2 2] /Kids [" + std::to_string(page) + " 0 R] /Count 1 >>");
      page = node;
    }
    kids += (kids.empty() ? "" : " ") + std::to_string(page) + " 0 R";
  }
  w.Set(catalog, "<< /Type /Catalog /Pages " + std::to_string(root) + " 0 R >>");
  w.Set(root, "<< /Type /Pages /MediaBox [0 0 612 792] /Kids [" + kids + "] /Count 5 >>");
  int info = w.Add("<< /Title (boxes) /Producer (make_sample) /CreationDate (D:20260101000000Z) >>");
  return w.Build("1.3", catalog, info, SampleId(7));
}

// Deflate data in stored blocks with the zlib header and Adler-32, so the
// bytes depend on no compression library.
std::string StoredDeflate(const std::string& data) {
  std::string out("\x78\x01", 2);
  size_t at = 0;
  do {
    const size_t n = std::min<size_t>(data.size() - at, 65535);
    const bool last = at + n == data.size();
    out += static_cast<char>(last ? 1 : 0);
    for (unsigned v : {static_cast<unsigned>(n), static_cast<unsigned>(~n & 0xFFFF)}) {
      out += static_cast<char>(v & 0xFF);
      out += static_cast<char>(v >> 8);
    }
    out += data.substr(at, n);
    at += n;
  } while (at < data.size());
  unsigned long a = 1, b = 0;
  for (unsigned char c : data) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  const unsigned long adler = (b << 16) | a;
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((adler >> shift) & 0xFF);
  return out;
}

std::string Samples(size_t count, unsigned seed) {
  std::string data(count, '\0');
  for (size_t i = 0; i < count; ++i) data[i] = static_cast<char>((i * 7 + seed + i / 97) & 0xFF);
  return data;
}

std::string Image(int width, int height, const std::string& colour, int bits, const std::string& data,
                  const std::string& more = "") {
  return Writer::Stream("/Type /XObject /Subtype /Image /Width " + std::to_string(width) + " /Height " +
                            std::to_string(height) + " /ColorSpace " + colour + " /BitsPerComponent " +
                            std::to_string(bits) + more,
                        data);
}

// The image alternates' samples. With `alts`, Im1 and Im2 carry alternates
// (Im1's second one marked by a name, Im2's by a string, which is no mark)
// and Im6 is drawn too, with an Alternates value that is no array.
std::string Images(bool alts) {
  Writer w;
  int catalog = w.Add("");
  int pages = w.Add("");
  int im1 = w.Add(Image(600, 600, "/DeviceRGB", 8, StoredDeflate(Samples(600 * 600 * 3, 1)), " /Filter /FlateDecode"));
  int im2 = w.Add(Image(4, 1, "/DeviceGray", 8, "\x0A\x14\x1E\x28"));
  int im3 = w.Add(Image(8, 8, "/DeviceGray", 1, std::string(8, '\xCC')));
  int im4 = w.Add(Image(100, 100, "/DeviceRGB", 8, Samples(100 * 100 * 3, 4)));
  int im5 = w.Add(Image(16, 16, "[/Indexed /DeviceRGB 255 <" + std::string(1536, '7') + ">]", 8, Samples(256, 5)));
  int im7 = w.Add(Image(10, 10, "/DeviceGray", 8, Samples(100, 7)));
  std::string extra, drawn;
  if (alts) {
    auto small = [&](unsigned seed) { return w.Add(Image(2, 2, "/DeviceGray", 8, Samples(4, seed))); };
    const int a = small(10), b = small(11), c = small(12), d = small(13);
    const std::string r = " 0 R";
    w.Set(im1, Image(600, 600, "/DeviceRGB", 8, StoredDeflate(Samples(600 * 600 * 3, 1)),
                     " /Filter /FlateDecode /Alternates [<< /Image " + std::to_string(a) + r + " >> << /Image " +
                         std::to_string(b) + r + " /ZNTUAltSet /Foo >>]"));
    w.Set(im2, Image(4, 1, "/DeviceGray", 8, "\x0A\x14\x1E\x28",
                     " /Alternates [<< /Image " + std::to_string(c) + r + " /ZNTUAltSet (x) >>]"));
    const int im6 = w.Add(Image(2, 2, "/DeviceGray", 8, Samples(4, 6), " /Alternates << /Image " + std::to_string(d) + r + " >>"));
    extra = " /Im6 " + std::to_string(im6) + r;
    drawn = "q 72 0 0 72 328 300 cm /Im6 Do Q\n";
  }
  auto ref = [](int n) { return std::to_string(n) + " 0 R"; };
  const std::string page1Content = "q 144 0 0 144 72 600 cm /Im1 Do Q\nq 288 0 0 72 72 400 cm /Im2 Do Q\n"
                                   "q 72 0 0 72 72 300 cm /Im3 Do Q\nq 72 0 0 72 200 300 cm /Im5 Do Q\n" + drawn;
  const int form = w.Add(Writer::Stream("/Type /XObject /Subtype /Form /BBox [0 0 306 396] /Resources << /XObject << /Im4 " +
                                            ref(im4) + " >> >>",
                                        "q 50 0 0 50 100 100 cm /Im4 Do Q\n"));
  const struct {
    std::string content, xobjects;
  } pageRows[] = {
      {page1Content, "/Im1 " + ref(im1) + " /Im2 " + ref(im2) + " /Im3 " + ref(im3) + " /Im5 " + ref(im5) + " /Im7 " +
                         ref(im7) + extra},
      {"q 216 0 0 216 72 400 cm /Picture Do Q\n", "/Picture " + ref(im1)},
      {"q 2 0 0 2 0 0 cm /Fm1 Do Q\n", "/Fm1 " + ref(form)},
  };
  std::string kids;
  for (const auto& row : pageRows) {
    const int contents = w.Add(Writer::Stream("", row.content));
    const int page = w.Add("<< /Type /Page /Parent " + ref(pages) + " /MediaBox [0 0 612 792] /Resources << /XObject << " +
                           row.xobjects + " >> >> /Contents " + ref(contents) + " >>");
    kids += (kids.empty() ? "" : " ") + ref(page);
  }
  w.Set(catalog, "<< /Type /Catalog /Pages " + ref(pages) + " >>");
  w.Set(pages, "<< /Type /Pages /Kids [" + kids + "] /Count 3 >>");
  const std::string title = alts ? "alts" : "images";
  int info = w.Add("<< /Title (" + title + ") /Producer (make_sample) /CreationDate (D:20260101000000Z) >>");
  return w.Build("1.4", catalog, info, SampleId(alts ? 9 : 8));
}

// One page whose output intent characterises the print: x1a-good and its
// variants.
struct PrintSample {
  std::string title;
  int id;
  std::string version = "PDF/X-1:2001";
  std::string conformance = "PDF/X-1a:2001";  // none when empty
  bool trapped = true;
  bool trimBox = true;
  std::string content = "0 0 0 1 k 100 100 200 200 re f";
  bool font = false;
  std::string intent = "/OutputConditionIdentifier (CGATS TR 001) /RegistryName (http://www.color.org)"
                       " /OutputCondition (SWOP CGATS TR 001-1995) /Info (CGATS TR 001)";
  bool profile = false;  // the sample press's profile as DestOutputProfile
  bool streams = false;  // PDF 1.5, object streams, a cross-reference stream
};

std::string Print(const PrintSample& s) {
  Writer w;
  int catalog = w.Add("<< /Type /Catalog /Pages 2 0 R /OutputIntents [4 0 R] >>");
  int pages = w.Add("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  int page = w.Add("");
  int intent = w.Add("");
  int contents = w.Add(Writer::Stream("", s.content));
  int info = w.Add("<< /Title (" + s.title +
                   ") /Creator (make_sample) /Producer (make_sample) /CreationDate (D:20260101120000Z)"
                   " /ModDate (D:20260101120000Z)" + (s.trapped ? " /Trapped /False" : "") +
                   " /GTS_PDFXVersion (" + s.version + ")" +
                   (s.conformance.empty() ? "" : " /GTS_PDFXConformance (" + s.conformance + ")") + " >>");
  std::string resources;
  if (s.font)
    resources = " /Resources << /Font << /F1 " +
                std::to_string(w.Add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica"
                                     " /Encoding /WinAnsiEncoding >>")) +
                " 0 R >> >>";
  w.Set(page, "<< /Type /Page /Parent " + std::to_string(pages) + " 0 R /MediaBox [0 0 612 792]" +
                  (s.trimBox ? " /TrimBox [36 36 576 756]" : "") + resources + " /Contents " +
                  std::to_string(contents) + " 0 R >>");
  std::string profile;
  if (s.profile) {
    const profilegen::Bytes bytes = profilegen::sample_press();
    profile = " /DestOutputProfile " +
              std::to_string(w.Add(Writer::Stream("/N 4", std::string(bytes.begin(), bytes.end())))) + " 0 R";
  }
  w.Set(intent, "<< /Type /OutputIntent /S /GTS_PDFX " + s.intent + profile + " >>");
  return s.streams ? w.BuildWithStreams("1.5", catalog, info, SampleId(s.id))
                   : w.Build("1.3", catalog, info, SampleId(s.id));
}

bool Make(const std::string& name, std::string& pdf) {
  PrintSample s;
  s.title = name;
  if (name == "sample") {
    pdf = ThreePages();
    return true;
  } else if (name == "boxes") {
    pdf = Boxes();
    return true;
  } else if (name == "images" || name == "alts") {
    pdf = Images(name == "alts");
    return true;
  } else if (name == "x1a-good") {
    s.id = 2;
  } else if (name == "x1a-fixable") {
    s.id = 3;
    s.trapped = false;
    s.trimBox = false;
  } else if (name == "rgb-font") {
    s.id = 4;
    s.content = "1 0 0 rg 100 100 200 200 re f BT /F1 24 Tf 72 700 Td (Hello) Tj ET";
    s.font = true;
  } else if (name == "x3-good") {
    s.id = 5;
    s.version = "PDF/X-3:2002";
    s.conformance.clear();
    const std::string press = profilegen::kSamplePress;
    s.intent = "/OutputConditionIdentifier (" + press + ") /RegistryName (http://www.color.org) /OutputCondition (" +
               press + ", coated paper) /Info (" + press + ")";
    s.profile = true;
  } else if (name == "xref-stream") {
    s.id = 6;
    s.streams = true;
  } else {
    return false;
  }
  pdf = Print(s);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string pdf;
  try {
    if (argc != 3 || !Make(argv[1], pdf)) {
      std::cerr << "usage: make_sample sample|x1a-good|x1a-fixable|rgb-font|x3-good|xref-stream|boxes|images|alts OUT.pdf\n";
      return 2;
    }
  } catch (const std::exception& e) {
    std::cerr << "make_sample: " << e.what() << "\n";
    return 1;
  }
  std::ofstream out(argv[2], std::ios::binary);
  out << pdf;
  return out ? 0 : 1;
}
