// Small one-page PDF 1.3 documents for checking the standards: a baseline
// that each standard accepts and named variants of it, each a change of a
// few lines, written with a classic cross-reference table.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace standardstest {

// A document in the parts a variant changes. Objects: 1 the catalog, 2 the
// page tree, 3 the page, 4 its content, 5 the Info dictionary, 6 the
// output intent, then `objects` from 7 on.
struct Document {
  std::vector<std::pair<std::string, std::string>> info;  // key, value as PDF text, in order
  bool fileIdentifier = true;
  std::string outputIntents = "[6 0 R]";  // the catalog's value; empty: none
  std::string intent;                     // object 6
  std::string catalog;                    // further catalog entries
  std::string boxes = "/MediaBox [0 0 612 792] /TrimBox [36 36 576 756]";
  std::string page;                                // further page entries
  std::vector<int> annotations;                    // the page's "Annots"
  std::map<std::string, std::string> resources;    // category -> its entries
  std::string content = "0 0 0 1 k 100 100 200 200 re f";
  std::vector<std::string> objects;                // 7, 8, ...; "stream:DICT|DATA" for a stream

  // Sets an Info entry (in place, or at the end); an empty value removes it.
  void SetInfo(const std::string& key, const std::string& value);
  // Adds an object and answers its number.
  int Add(const std::string& body);
  // Adds a resource of the page under `name`.
  void AddResource(const std::string& category, const std::string& name, const std::string& value);
  // An image XObject /Im1 placed by the content: `entries` beside its
  // size (1 by 1), /Length and stream data `data`.
  int PlaceImage(const std::string& entries, const std::string& data);
  // An annotation of the page: its entries beside /Type and /Subtype.
  int AddAnnotation(const std::string& subtype, const std::string& entries);
  // The file.
  std::string Pdf() const;
};

extern const char kX1a[];  // the registered names of the two standards
extern const char kX3[];

// B1 under PDF/X-1a:2001, B3 under PDF/X-3.
Document Baseline(const std::string& standard);

struct Variant {
  const char* name;  // also a file name
  std::function<void(Document&)> change;
};
// Every variant the generator knows, in a fixed order.
const std::vector<Variant>& Variants();
// The baseline of the standard changed by the variant of that name; a name
// no variant has fails loudly.
Document Make(const std::string& standard, const std::string& variant);

// Data LZW-encoded (codes of single bytes; at most 250 bytes).
std::string LzwEncoded(const std::string& data);

// Profiles: the built-in CMYK profile as an input profile without its
// 'A2B1' table (its 'A2B0' and the others kept), and a generated profile
// beside the plug-ins by file name.
std::string A2b0OnlyProfile();
std::string ModuleProfile(const std::string& file);

}  // namespace standardstest
