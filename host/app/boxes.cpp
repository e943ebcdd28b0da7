#include "app/boxes.h"

#include <strings.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>

#include "app/check.h"
#include "app/steps.h"
#include "core/host.h"
#include "cos/docs.h"
#include "support/filesys.h"
#include "win/registry.h"

namespace plughost {

const char kBoxesUsage[] =
    "usage: plughost boxes FILE.pdf [--pages LIST] [--unit in|mm|pt] [--set BOX=X,Y,W,H]...\n"
    "         [--on BOX]... [--off BOX]... [--spec \"PUBLICATION - SPECIFICATION\"]\n"
    "         [--output PATH.pdf] [--picture PREFIX] [--zoom Z] [--password TEXT]\n"
    "         [--settings DIR] [--plugins DIR] [--verbose] [--print-script]\n"
    "Shows the page boxes of FILE.pdf through the page-box editor's tool and its\n"
    "\"Specifications\" palette, run as steps (--print-script shows them). For each\n"
    "page: one line per row of the palette, \"BOX: page N NAME on|off X Y W H UNIT\", as\n"
    "the row shows it (X and Y from the media box's left and top edges), then\n"
    "\"SPEC: page N TEXT\", the palette's \"Spec:\" text. Edits are made in the rows of\n"
    "each page, \"Apply\" writes them into the page and the lines come again.\n"
    "Exit status:\n"
    "  0  every step ran: the rows listed, the edits applied, the output saved\n"
    "  2  the run stopped (one line \"plughost: reason\" on standard error): the\n"
    "     file is missing or cannot be read, the edits changed nothing or were\n"
    "     refused, the output was not written, or a fault of the command line (a\n"
    "     row, a specification or a page that does not exist, a folder that cannot\n"
    "     be written into), told before anything runs; a settings folder that\n"
    "     cannot keep the editor's library gets a NOTE, not a stop\n"
    "  --pages LIST       the pages, as \"1-3,7\" (default: every page)\n"
    "  --unit in|mm|pt    the palette's unit (the page-unit preference for the run;\n"
    "                     default in)\n"
    "  --set BOX=X,Y,W,H  type X, Y, W and H into the row BOX, in the unit; BOX is a\n"
    "                     row's name as the palette shows it (\"Bleed\", \"Trim\",\n"
    "                     \"Art/Live\", \"Crop\"), in any letter case\n"
    "  --on BOX, --off BOX  tick or clear the row's check box\n"
    "  --spec \"PUBLICATION - SPECIFICATION\"  apply a specification of the box library\n"
    "                     (\"Library...\", then \"Use\"), before --on, --off and --set\n"
    "  --output PATH.pdf  save the document to PATH.pdf (through a temporary file and a\n"
    "                     rename; the input only when named)\n"
    "  --picture PREFIX   write each page's view with the tool's boxes over it as\n"
    "                     PREFIX-N.png\n"
    "  --zoom Z           the page view's zoom, for --picture (a number above 0;\n"
    "                     default 1, one pixel a point)\n"
    "  --password TEXT    open the file with TEXT; a file whose security forbids\n"
    "                     changes takes edits and --output only with its owner\n"
    "                     password\n"
    "  --verbose          show every line, the dialogs' and the palette's too\n"
    "  --print-script     print the steps and end\n";

namespace {

const char kToolButton[] = "Zent:QFXToolTB";
const char kPalette[] = "102";
const char kSpecItem[] = "1038";
const char kLibraryList[] = "1039";
const char kLibraryKey[] = "Software\\Zentu\\Framewick\\Current_Version";
const char kLibraryPrefix[] = "BoxLibrary";
// The palette's note on a page whose boxes it cannot hold.
const char kTooLargeNote[] = "The page is larger than the editor's range of 32767 points; its boxes cannot be edited.";

// The palette's rows: the check box, the first of the X, Y, W and H edits,
// and the unit label; the row's lock cell is its check box's number plus 2.
struct PaletteRow {
  const char* name;
  int check, x, unit;
};
// The label of the listing that checks what `--set` typed before "Apply".
const char kTypedLabel[] = "TYPED";
const PaletteRow kRows[] = {
    {"Bleed", 1029, 1009, 1021}, {"Trim", 1030, 1013, 1022}, {"Art/Live", 1130, 1113, 1122}, {"Crop", 1230, 1213, 1222}};

const PaletteRow* RowNamed(const std::string& name) {
  for (const PaletteRow& row : kRows)
    if (::strcasecmp(row.name, name.c_str()) == 0) return &row;
  return nullptr;
}

std::string RowFault(const std::string& option, const std::string& name) {
  if (RowNamed(name)) return "";
  std::string names;
  for (const PaletteRow& row : kRows) names += std::string(names.empty() ? "" : ", ") + Quoted(row.name);
  return option + " " + name + ": the palette has no row " + Quoted(name) + "; its rows are " + names;
}

// The parts of a text between `separator`s, empty ones kept.
std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t at = 0;
  for (size_t end; (end = text.find(separator, at)) != std::string::npos; at = end + 1)
    parts.push_back(text.substr(at, end - at));
  parts.push_back(text.substr(at));
  return parts;
}

// The fields of a text between "|" (empty ones dropped), and a field's name
// after its number and blanks: the library's storage.
std::vector<std::string> Fields(const std::string& text) {
  std::vector<std::string> fields = Split(text, '|');
  fields.erase(std::remove(fields.begin(), fields.end(), std::string()), fields.end());
  return fields;
}

std::string NameAfterNumber(const std::string& field) {
  const size_t blank = field.find(' ');
  const size_t name = blank == std::string::npos ? blank : field.find_first_not_of(' ', blank);
  return name == std::string::npos ? "" : field.substr(name);
}

// Opens the document for the run, once: the library reads much of a large
// file to learn its pages. Answers the pages as the host numbers them; -1
// when the document cannot be opened (`doc` stays null: opening it for the
// run tells why) or its pages cannot all be read, which the run tells.
int OpenForRun(const std::string& file, const std::string& password, PDDoc* doc) {
  try {
    host::OpenOptions options;
    options.password = password;
    host::Doc& opened = host::OpenFile(file, options);
    *doc = host::ToPDDoc(opened);
    return host::PageTreeFault(opened).empty() ? static_cast<int>(opened.pages.size()) : -1;
  } catch (...) {
    return -1;
  }
}

bool IsNumberText(const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  return !text.empty() && *end == 0 && std::isfinite(value) && text.find_first_of("xXnN") == std::string::npos;
}

// One line of a dialog's listing: "  ID KIND \"TEXT\" STATES".
struct Listed {
  int id = 0;
  std::string text, states;
};

bool ParseListed(const std::string& line, Listed* out) {
  if (line.compare(0, 2, "  ") != 0) return false;
  out->id = std::atoi(line.c_str() + 2);
  size_t open = line.find('"');
  if (open == std::string::npos) return false;
  size_t at = open + 1;
  out->text.clear();
  for (; at < line.size() && line[at] != '"'; ++at) {
    if (line[at] == '\\' && at + 1 < line.size()) ++at;
    out->text += line[at];
  }
  out->states = at < line.size() ? line.substr(at + 1) : "";
  return true;
}

// What `--set` typed into a row: the row's check box, the option as given
// and the four numbers.
struct Typed {
  int check;
  std::string option;
  double values[4];
};

// The palette's listings as BOX and SPEC lines: each listing of the palette
// belongs to the next page of `pages`, and its SPEC item ends it. Listings
// are printed only when verbose. With edits each page is listed before and
// after them, and with `--set` once more before "Apply", unprinted, ended by
// the TYPED item: a row there that does not show what `--set` typed refused
// it, and `refusal` says so.
class RowPrinter {
 public:
  RowPrinter(std::vector<int> pages, std::vector<Typed> typed, bool verbose, std::shared_ptr<std::string> refusal)
      : pages_(std::move(pages)), typed_(std::move(typed)), verbose_(verbose), refusal_(std::move(refusal)) {}

  // True for a line that is not to be printed as it is.
  bool Omit(const std::string& line) {
    // What a picture's drawing lists is in the picture.
    if (line.compare(0, 10, "DRAW page ") == 0) drawing_ = true;
    if (drawing_ && (line.compare(0, 10, "DRAW page ") == 0 || line.compare(0, 2, "  ") == 0)) return !verbose_;
    drawing_ = false;
    const std::string head = std::string("ITEMS ") + kPalette + " ";
    if (line.compare(0, head.size(), head) == 0) {
      page_ = next_ < pages_.size() ? pages_[next_++] : 0;
      rows_.clear();
      listing_ = true;
      return !verbose_;
    }
    const std::string typed = std::string(kTypedLabel) + ": ";
    if (line.compare(0, typed.size(), typed) == 0 && listing_) {
      listing_ = false;
      if (refusal_->empty()) CheckTyped();
      return !verbose_;
    }
    if (line.compare(0, 6, "SPEC: ") == 0 && listing_) {
      listing_ = false;
      const std::string page = "page " + std::to_string(page_) + " ";
      for (const PaletteRow& row : kRows) {
        auto shown = rows_.find(row.check);
        if (shown == rows_.end() || shown->second.name.empty()) continue;
        Print("BOX: " + page + shown->second.name + " " + shown->second.state + " " + shown->second.values[0] + " " +
              shown->second.values[1] + " " + shown->second.values[2] + " " + shown->second.values[3] + " " +
              shown->second.unit);
      }
      std::string text = line.substr(6);
      if (text.compare(0, 5, "Spec:") == 0) text.erase(0, text.find_first_not_of(' ', 5));
      Print("SPEC: " + page + text);
      return true;
    }
    Listed item;
    if (!listing_ || !ParseListed(line, &item)) return false;
    for (const PaletteRow& row : kRows) {
      const bool x = item.id >= row.x && item.id < row.x + 4;
      if (item.id != row.check && !x && item.id != row.unit) continue;
      Shown& shown = rows_[row.check];
      if (x) shown.values[item.id - row.x] = Escaped(item.text);
      if (item.id == row.unit) shown.unit = Escaped(item.text);
      if (item.id == row.check) {
        shown.name = Escaped(item.text);
        shown.state = item.states.compare(0, 3, " on") == 0 ? "on" : "off";
      }
    }
    return !verbose_;
  }

 private:
  struct Shown {
    std::string name, state, values[4], unit;
  };
  static void Print(const std::string& line) { std::cout << line << '\n' << std::flush; }

  // Each number the row shows as typed, to its three decimals.
  void CheckTyped() {
    for (const Typed& set : typed_) {
      const Shown& shown = rows_[set.check];
      for (int i = 0; i < 4; ++i)
        if (!(std::fabs(std::strtod(shown.values[i].c_str(), nullptr) - set.values[i]) <= 0.0005 + 1e-6 +
                                                                                           std::fabs(set.values[i]) * 1e-12)) {
          *refusal_ = "--set " + set.option + ": on page " + std::to_string(page_) +
                      " an edge of that box would lie outside -32768 to 32767.99998 points, the range a page box "
                      "holds; nothing is written";
          return;
        }
    }
  }

  std::vector<int> pages_;
  std::vector<Typed> typed_;
  bool verbose_;
  std::shared_ptr<std::string> refusal_;
  size_t next_ = 0;
  int page_ = 0;
  bool listing_ = false, drawing_ = false;
  std::map<int, Shown> rows_;  // by the row's check box
};

}  // namespace

bool BoxesOptionTakesValue(const std::string& o) {
  for (const char* name : {"--pages", "--unit", "--set", "--on", "--off", "--spec", "--output", "--picture"})
    if (o == name) return true;
  return false;
}

bool IsBoxesOption(const std::string& o) { return BoxesOptionTakesValue(o) || o == "--verbose" || o == "--print-script"; }

std::string TakeBoxesOption(const std::string& option, const std::string& value, BoxesOptions* o) {
  if (option == "--verbose") o->verbose = true;
  if (option == "--print-script") o->printScript = true;
  if (option == "--pages") o->pages = value;
  if (option == "--output") o->output = value;
  if (option == "--picture") o->picture = value;
  if (option == "--spec") {
    o->spec = value;
    o->hasSpec = true;
  }
  if (option == "--unit") {
    if (value != "in" && value != "mm" && value != "pt") return "--unit " + value + ": give in, mm or pt";
    o->unit = value;
  }
  if (option == "--on" || option == "--off") {
    std::string fault = RowFault(option, value);
    if (!fault.empty()) return fault;
    (option == "--on" ? o->on : o->off).push_back(value);
  }
  if (option == "--set") {
    const size_t equals = value.find('=');
    const std::string row = value.substr(0, equals);
    const std::vector<std::string> numbers =
        equals == std::string::npos ? std::vector<std::string>() : Split(value.substr(equals + 1), ',');
    if (numbers.size() != 4 || !std::all_of(numbers.begin(), numbers.end(), IsNumberText))
      return "--set " + value + ": give BOX=X,Y,W,H, four numbers, as Trim=0.5,0.5,7.5,10";
    if (!(std::strtod(numbers[2].c_str(), nullptr) > 0 && std::strtod(numbers[3].c_str(), nullptr) > 0))
      return "--set " + value + ": the width W and the height H must be above 0";
    std::string fault = RowFault(option, row);
    if (!fault.empty()) return fault;
    o->sets.push_back({row, value.substr(equals + 1)});
  }
  return "";
}

std::vector<int> PageList(const std::string& list, int count, std::string* why) {
  std::vector<int> pages;
  if (list.empty()) {
    for (int page = 1; page <= count; ++page) pages.push_back(page);
    return pages;
  }
  for (const std::string& part : Split(list, ',')) {
    const size_t dash = part.find('-');
    const std::string first = part.substr(0, dash), last = dash == std::string::npos ? first : part.substr(dash + 1);
    auto number = [](const std::string& text) {
      return !text.empty() && text.size() < 9 && text.find_first_not_of("0123456789") == std::string::npos
                 ? std::atoi(text.c_str())
                 : 0;
    };
    const int from = number(first), to = number(last);
    if (from < 1 || to < from) {
      *why = "--pages " + list + ": give pages from 1, as 1-3,7";
      return {};
    }
    if (count >= 0 && to > count) {
      *why = "--pages " + list + ": the document has " + std::to_string(count) + (count == 1 ? " page" : " pages");
      return {};
    }
    for (int page = from; page <= to; ++page) pages.push_back(page);
  }
  std::sort(pages.begin(), pages.end());
  pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
  return pages;
}

int SpecificationRow(const std::string& given) {
  host::reg::Hive hive;
  if (host::reg::ReadHive(winHiveCurrentUser, &hive) != 0) return -1;
  auto key = hive.find(kLibraryKey);
  if (key == hive.end()) return -1;
  // The editor loads its values in the byte order of their names, giving
  // each new publication and specification the next serial number...
  std::vector<std::string> names;
  for (const auto& value : key->second.values())
    if (value.name.compare(0, sizeof kLibraryPrefix - 1, kLibraryPrefix) == 0) names.push_back(value.name);
  std::sort(names.begin(), names.end());
  struct Publication {
    int serial = 0;
    std::vector<std::string> specs;
  };
  std::map<std::string, Publication> library;
  int serial = 0;
  for (const std::string& name : names) {
    const std::vector<std::string> fields = Fields(name);
    if (fields.size() < 4) continue;  // no box name: no box is made
    auto made = library.emplace(NameAfterNumber(fields[1]), Publication());
    if (made.second) made.first->second.serial = serial++;
    std::vector<std::string>& specs = made.first->second.specs;
    const std::string spec = NameAfterNumber(fields[2]);
    if (std::find(specs.begin(), specs.end(), spec) == specs.end()) {
      specs.push_back(spec);
      ++serial;
    }
  }
  // ...and lists the publications in name order, each inserted at its
  // serial number (at the end when that is past it), specifications beneath.
  std::vector<const std::pair<const std::string, Publication>*> shown;
  for (const auto& publication : library)
    shown.insert(shown.begin() + std::min<size_t>(static_cast<size_t>(publication.second.serial), shown.size()),
                 &publication);
  int row = 0;
  for (const auto* publication : shown) {
    ++row;
    for (const std::string& spec : publication->second.specs) {
      if (publication->first + " - " + spec == given) return row;
      ++row;
    }
  }
  return -1;
}

std::string BoxesRun::Prepare() {
  const BoxesOptions& o = options;
  if (o.file.empty()) return "boxes needs the PDF file";
  const std::string last = o.output.substr(o.output.rfind('/') + 1);
  if (!o.output.empty() && (last.size() < 5 || last.compare(last.size() - 4, 4, ".pdf") != 0))
    return "--output " + o.output + ": the name must end in \".pdf\"";
  if (!o.picture.empty() && o.picture.back() == '/') return "--picture " + o.picture + ": give the pictures' name";
  for (const std::string& on : o.on)
    for (const std::string& off : o.off)
      if (RowNamed(on) == RowNamed(off)) return "--on " + on + " and --off " + off + " name one row";
  for (const auto& set : o.sets)
    for (const std::string& off : o.off)
      if (RowNamed(set.first) == RowNamed(off)) return "--set " + set.first + " and --off " + off + " name one row";
  std::string why;
  pages = PageList(o.pages, OpenForRun(o.file, password, &document), &why);
  if (!why.empty()) return why;
  if (o.hasSpec) {
    specRow = SpecificationRow(o.spec);
    if (specRow < 0)
      return "--spec " + Quoted(o.spec) + ": the box library in " + host::reg::SettingsFolder() +
             " has no such specification (give \"PUBLICATION - SPECIFICATION\")";
  }
  return "";
}

std::deque<Line> BoxesRun::Steps() const {
  const BoxesOptions& o = options;
  const bool edits = HasEdits();
  std::vector<std::string> s, typed;
  static const std::map<std::string, const char*> kUnits = {{"in", "1"}, {"mm", "2"}, {"pt", "3"}};
  if (!o.unit.empty()) s.push_back(std::string("pref 39 ") + kUnits.at(o.unit));
  s.insert(s.end(), {std::string("button ") + kToolButton, std::string("with ") + kPalette});
  const std::vector<std::string> show = {"print dialog", std::string("print item ") + kSpecItem + " SPEC"};
  for (int page : pages) {
    s.push_back("page " + std::to_string(page));
    s.insert(s.end(), show.begin(), show.end());
    if (edits) {
      if (o.hasSpec)
        s.insert(s.end(), {"press Library...", "expect dialog 110",
                           std::string("select ") + kLibraryList + " " + std::to_string(specRow), "press Use"});
      for (const std::string& name : o.on) s.push_back("check " + std::to_string(RowNamed(name)->check) + " on");
      for (const std::string& name : o.off) s.push_back("check " + std::to_string(RowNamed(name)->check) + " off");
      for (const auto& set : o.sets) {
        const std::vector<std::string> numbers = Split(set.second, ',');
        // W and H, X and Y, then W and H again: a row takes one number at a
        // time, and of the two boxes between (the new size where the box was,
        // the old size where it goes) one is within the range whenever the
        // box asked for is.
        for (int i : {2, 3, 0, 1, 2, 3})
          s.push_back("set " + std::to_string(RowNamed(set.first)->x + i) + " " + numbers[static_cast<size_t>(i)]);
        typed.push_back(set.first);
      }
      // What the rows took is looked at before "Apply", which writes only what they all took.
      if (!o.sets.empty()) s.insert(s.end(), {"print dialog", std::string("print item ") + kSpecItem + " " + kTypedLabel});
      s.insert(s.end(), {"if enabled Apply", "  press Apply", "end"});
      s.insert(s.end(), show.begin(), show.end());
    }
    if (!o.picture.empty()) s.push_back("draw " + Quoted(AbsoluteFile(o.picture + "-" + std::to_string(page) + ".png")));
  }
  if (!o.output.empty()) s.push_back("save " + Quoted(AbsoluteFile(o.output)));
  s.push_back("quit");
  std::deque<Line> lines;
  size_t set = 0, page = 0;
  for (const std::string& text : s) {
    Line line{text, "boxes step " + std::to_string(lines.size() + 1), ""};
    if (text.compare(0, 5, "page ") == 0) page = std::strtoul(text.c_str() + 5, nullptr, 10);
    // A row that is off takes no typing; a locked row, placed by the anchor
    // box, takes its W and H (typed first) but not its X and Y.
    if (text.compare(0, 4, "set ") == 0) {
      const PaletteRow& row = *RowNamed(typed[set / 6]);
      const std::string on = " on page " + std::to_string(page);
      line.stopAs = set % 6 == 2 || set % 6 == 3
                        ? "--set " + typed[set / 6] + ":" + on + " the " + row.name +
                              " row is locked: the anchor box places it, and its X and Y take no typing; unlock it "
                              "at the terminal (--interactive) with \"with 102\" and \"track " +
                              std::to_string(row.check + 2) + " 40 6\" (the right half of its lock cell), then Apply"
                        : "--set " + typed[set / 6] + ": the row cannot be typed into" + on + " (is it off? --on ticks it)";
      ++set;
    }
    lines.push_back(line);
  }
  return lines;
}

void BoxesRun::Start(Session& session) const {
  // A page with edits is listed before and after "Apply", and with `--set`
  // once more, unprinted, before it.
  std::vector<int> listed;
  for (int page : pages) listed.insert(listed.end(), HasEdits() ? (options.sets.empty() ? 2 : 3) : 1, page);
  std::vector<Typed> typed;
  for (const auto& set : options.sets) {
    Typed t{RowNamed(set.first)->check, set.first + "=" + set.second, {0, 0, 0, 0}};
    const std::vector<std::string> numbers = Split(set.second, ',');
    for (size_t i = 0; i < 4; ++i) t.values[i] = std::strtod(numbers[i].c_str(), nullptr);
    typed.push_back(t);
  }
  auto printer = std::make_shared<RowPrinter>(listed, typed, options.verbose, refusal);
  session.transcript().Omit([printer](const std::string& line) { return printer->Omit(line); });
}

std::string BoxesRun::FolderFault() const {
  std::string fault = options.output.empty() ? "" : FileFolderFault(options.output, "the output");
  if (fault.empty() && !options.picture.empty()) fault = FileFolderFault(options.picture, "the pictures");
  if (!fault.empty() || options.picture.empty()) return fault;
  // Where each picture lands, through links and other names of its folder:
  // never on the document, the output or another picture.
  const std::string document = host::LandingKey(options.file);
  const std::string output = options.output.empty() ? "" : host::LandingKey(options.output);
  std::map<std::string, std::string> pictures;
  for (int page : pages) {
    const std::string picture = options.picture + "-" + std::to_string(page) + ".png";
    const std::string landing = host::LandingKey(picture);
    const std::string head = "--picture " + options.picture + ": " + picture;
    if (landing == document) return head + " is the document itself; give another name";
    if (landing == output) return head + " would overwrite the --output file " + options.output + "; give another name";
    auto seen = pictures.emplace(landing, picture);
    if (!seen.second) return head + " and " + seen.first->second + " are one file; give another name";
  }
  return "";
}

void BoxesRun::Run(Session& session) const {
  const std::string refused = "the document's security does not allow changes (give the owner password with --password)";
  const std::string listed = std::string("print item ") + kSpecItem + " SPEC";
  const std::string checked = std::string("print item ") + kSpecItem + " " + kTypedLabel;
  auto starts = [](const Line& line, const std::string& head) { return line.text.compare(0, head.size(), head) == 0; };
  auto ends = [&](const Line& line) { return starts(line, "save ") || line.text == "quit"; };
  Transcript& out = session.transcript();
  // A document that opened holds every page of the list: none is no listing.
  if (pages.empty()) session.Stop(options.file + " has no pages");
  // Page by page: a change the document's security refused stops the run
  // before the next page's rows, which would show what was not written; so
  // does a page the editor cannot edit, once listed, and a row that did not
  // take what `--set` typed.
  std::deque<Line> lines = Steps();
  int page = 0;
  std::string editNote;  // the last note the edits brought
  bool ended = false;    // the save, or the end without one, has come
  while (!lines.empty()) {
    AVDoc doc = host::ActiveViewDocument();
    if (starts(lines.front(), "save ") && doc && !host::ChangesAllowed(host::ViewPDDoc(doc))) session.Stop(refused);
    // Nothing changed: nothing is saved, as the other shortcuts end.
    if (ends(lines.front()) && !ended && HasEdits() && !(doc && host::DocumentChanged(host::ViewPDDoc(doc))))
      session.Stop("the boxes were not changed: " + (editNote.empty() ? "the rows already held what was asked" : editNote));
    ended = ended || ends(lines.front());
    std::deque<Line> part;
    bool shown = false;  // the part shows a page: it lists the page's rows first
    do {
      part.push_back(lines.front());
      lines.pop_front();
      if (starts(part.back(), "page ")) {
        page = std::atoi(part.back().text.c_str() + 5);
        shown = true;
      }
    } while (!lines.empty() && part.back().text != "end" && part.back().text != listed &&
             part.back().text != checked && !ends(lines.front()));
    const bool edits = part.back().text == "end" || part.back().text == checked;
    const bool first = shown && part.back().text == listed;
    const size_t notes = out.Notes();
    session.Append(std::move(part));
    session.Run();
    if (host::RefusedChanges() > 0) session.Stop(refused);
    if (out.Notes() > notes && edits) editNote = out.LastNote();
    if (first && HasEdits() && out.Notes() > notes && out.LastNote() == kTooLargeNote)
      session.Stop("page " + std::to_string(page) + " is larger than the editor's range of 32767 points; its boxes "
                   "cannot be edited");
    if (!refusal->empty()) session.Stop(*refusal);
  }
}

bool BoxesRun::HasEdits() const {
  return options.hasSpec || !options.on.empty() || !options.off.empty() || !options.sets.empty();
}

std::string LibraryFault() {
  const ASInt32 stored = host::reg::LastWriteStatus(winHiveCurrentUser, kLibraryKey);
  return stored == 0 ? "" : "the box library was not stored: " + host::reg::SystemErrorText(stored);
}

int BoxesRun::Finish(Session& session, bool documentChanged) const {
  if (documentChanged && options.output.empty())
    session.transcript().Event("UNSAVED: the changes were not saved; give --output to keep them");
  return 0;
}

}  // namespace plughost
