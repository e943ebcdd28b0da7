#include "app/images.h"

#include <strings.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <regex>

#include "app/check.h"
#include "app/steps.h"
#include "core/host.h"
#include "dialogs/manager.h"
#include "win/registry.h"

namespace plughost {

const char kCreateAlternatesMenu[] = "zent:GlimmersetCreateAltsMI";
const char kModifyImagesMenu[] = "zent:GlimmersetModImagesMI";
const char kRemoveAlternatesMenu[] = "zent:GlimmersetRemoveAltsMI";
const char kImagesPlugin[] = "zent_Glimmerset";

const char kImagesUsage[] =
    "usage: plughost images FILE.pdf --create-alternates|--modify|--remove-alternates\n"
    "         [--resolution DPI | --percent P | --keep-resolution] [--mono NAME]\n"
    "         [--color NAME] [--jpeg-quality NAME] [--ascii] [--which all|dpi:N|kb:N]\n"
    "         [--output PATH.pdf] [--password TEXT] [--keep-options] [--settings DIR]\n"
    "         [--plugins DIR] [--verbose] [--quiet] [--print-script]\n"
    "Runs the image plug-in's menu item \"Create...\", \"Modify Images...\" or \"Remove\"\n"
    "as steps (--print-script shows them): for the first two its options dialog is set\n"
    "from the options and OK pressed; the work is waited for, then --output saves.\n"
    "An option left out leaves its item as the stored option set shows it (in new\n"
    "settings: --resolution 72, which takes only the images it makes smaller, --mono\n"
    "and --color \"Use Original\", --jpeg-quality \"High\", --which all under another\n"
    "size option), but for --ascii, whose box is set either way. Standard\n"
    "output has the NOTE, ALERT, PASSWORD, FILE, SKIPPED, NOT REACHED, IMAGES, SAVED\n"
    "and UNSAVED lines (every line with --verbose): \"SKIPPED: page N, object M:\n"
    "REASON\" for each image left as it was, \"NOT REACHED: K images (...)\" for the\n"
    "inline ones and those only in patterns, annotation appearances, soft masks or\n"
    "Type 3 glyphs, then \"IMAGES: N converted, M left as they were[, K not\n"
    "reached][, R earlier alternates removed]\" (\"IMAGES: N alternates removed\").\n"
    "Exit status:\n"
    "  0  every image the options select was converted (or alternates removed)\n"
    "  1  some were, others were left as they were or not reached (the document is\n"
    "     saved all the same)\n"
    "  2  nothing was saved (one line \"plughost: reason\" on standard error): no\n"
    "     image changed (\"the images were not changed: reason\": a file without\n"
    "     images, options that select none, --remove-alternates of a file without\n"
    "     alternates, a plug-in that stopped on its way), or the file is missing or\n"
    "     cannot be read, memory ran out, the output was not written, or a fault of\n"
    "     the command line, told before anything runs\n"
    "  --resolution DPI   the images get DPI dots per inch where they are placed largest;\n"
    "                     without --which, only those it makes smaller (--which dpi:DPI),\n"
    "                     as the stored resolution does when no size option is given\n"
    "  --percent P        the images keep P per cent of their pixels along each side\n"
    "  --keep-resolution  the images keep their size\n"
    "  --mono NAME        the compression of one-bit images: \"Use Original\", \"None\",\n"
    "                     \"LZW\", \"Flate\", \"Packbits\", \"CCITT G3\" or \"CCITT G4\"\n"
    "  --color NAME       the compression of the others: \"Use Original\", \"None\",\n"
    "                     \"LZW\", \"JPEG\" or \"Flate\" (indexed images, those of 2 or 4\n"
    "                     bits and those with a colour-key mask take Flate for JPEG; a\n"
    "                     JPEG image kept at its size is left unless made smaller)\n"
    "  --jpeg-quality NAME  \"Minimum\", \"Low\", \"Medium\", \"High\" or \"Maximum\"; taken\n"
    "                     only while the colour compression is \"Use Original\" or \"JPEG\"\n"
    "                     (NAMEs as the dialog lists them, in any letter case)\n"
    "  --ascii            the new image data is ASCII-encoded (else not)\n"
    "  --which all|dpi:N|kb:N  all images, those of at least N dots per inch, or those\n"
    "                     of at least N kilobytes\n"
    "  --output PATH.pdf  save the document to PATH.pdf (the name ends in \".pdf\")\n"
    "  --password TEXT    open the file with TEXT and give it when the plug-in asks\n"
    "  --keep-options     keep the options in the settings for later runs, exit status 2\n"
    "                     when they could not be stored (else the run works on a copy of\n"
    "                     the settings, which stay as they were)\n"
    "  --verbose          show every line, the dialogs' too\n"
    "  --quiet            no progress line (at a terminal, standard error shows one while\n"
    "                     the plug-in works: per cent done and the image under way)\n"
    "  --print-script     print the steps and end\n";

namespace {

// Where the plug-in keeps its option sets.
const char kOptionsKey[] = "Software\\Zentu\\Glimmerset\\Current_Version";
const char* const kActions[] = {"--create-alternates", "--modify", "--remove-alternates"};
const char* const kScales[] = {"--resolution", "--percent", "--keep-resolution"};
const char kOptionsDialog[] = "131";
// The dialog's pop-ups and the menu resources their entries come from.
const struct {
  const char* option;
  ASInt32 menu;
  std::string ImagesOptions::*value;
} kPopups[] = {
    {"--mono", 16000, &ImagesOptions::mono},
    {"--color", 16001, &ImagesOptions::color},
    {"--jpeg-quality", 16002, &ImagesOptions::quality},
};
const ASInt32 kUnitsMenu = 16003;
const char kDotsPerInch[] = "dpi";
// The colour entries under which the JPEG quality pop-up is enabled.
const char* const kQualityColors[] = {"Use Original", "JPEG"};

bool SameText(const std::string& a, const std::string& b) { return ::strcasecmp(a.c_str(), b.c_str()) == 0; }

// Options are spelt exactly; entry texts in any letter case.
template <size_t N>
bool OneOf(const std::string& text, const char* const (&names)[N], bool anyCase = false) {
  for (const char* name : names)
    if (anyCase ? SameText(text, name) : text == name) return true;
  return false;
}

// A number as an edit takes it: digits with at most one ".", above 0 unless
// `zero` is allowed. Answers the fault, named by `shown`, or "".
std::string NumberFault(const std::string& shown, const std::string& number, bool zero) {
  size_t dots = 0, digits = 0;
  bool other = false;
  for (char c : number) {
    if (c == '.')
      ++dots;
    else if (std::isdigit(static_cast<unsigned char>(c)))
      ++digits;
    else
      other = true;
  }
  if (!other && dots <= 1 && digits > 0 && number.back() != '.' &&
      (zero || std::strtod(number.c_str(), nullptr) > 0))
    return "";
  return shown + ": give a number" + (zero ? "" : " above 0") + ", as 72";
}

// A menu resource's entries: the title, then each entry, each ended by a
// zero; the title is not listed.
std::vector<std::string> Entries(WinModule plugin, ASInt32 menu) {
  std::vector<std::string> entries;
  const PIBinaryResource* r = host::FindBinary(plugin, "MENU", menu);
  if (!r) return entries;
  const char* text = static_cast<const char*>(r->data);
  for (size_t at = 0, end; at < r->size; at = end + 1) {
    end = at;
    while (end < r->size && text[end]) ++end;
    entries.emplace_back(text + at, end - at);
  }
  if (!entries.empty()) entries.erase(entries.begin());
  return entries;
}

std::string Listed(const std::vector<std::string>& entries) {
  std::string list;
  for (size_t i = 0; i < entries.size(); ++i)
    list += (i == 0 ? "" : i + 1 == entries.size() ? " and " : ", ") + Quoted(entries[i]);
  return list;
}

// What the plug-in's progress monitor tells: "page N" while it reads page
// N, "K images not reached, N reached" once it has read them all; of each image "page
// N, object M" while it is under way, then ": converted" or ": left as it
// was[: REASON]" after it; "N alternate(s) removed" when a removal ends.
struct Results {
  enum State { kUnderWay, kConverted, kLeft };
  explicit Results(Transcript& out) : out(out) {}

  void Take(const std::string& text) {
    static const std::regex image("(page [0-9]+, object [0-9]+)(: converted|: left as it was(: (.*))?)?");
    static const std::regex removal("([0-9]+) alternates? removed"), page("page ([0-9]+)"),
        unreached("([0-9]+) images not reached, ([0-9]+) reached");
    std::smatch m;
    if (std::regex_match(text, m, removal)) {
      removed = std::stoi(m[1].str());
      return;
    }
    if (std::regex_match(text, m, page)) {
      reading = true;
      return;
    }
    if (std::regex_match(text, m, unreached)) {
      reading = false;
      notReached = std::stoul(m[1].str());
      reached = std::stoul(m[2].str());
      return;
    }
    if (!std::regex_match(text, m, image)) return;
    const std::string name = m[1].str();
    if (!m[2].matched) {
      states[name] = kUnderWay;
      notesBefore = out.Notes();
      host::SetFailureDetail("");
    } else if (m[2].str() == ": converted") {
      states[name] = kConverted;
    } else {
      states[name] = kLeft;
      // The note shown while it was under way, else the plug-in's reason;
      // data that could not be read, with what the host found.
      std::string reason = m[3].matched               ? m[4].str()
                           : out.Notes() > notesBefore ? out.LastNote()
                                                       : "the plug-in gave no reason";
      if (reason == host::ErrorText(cosErrReadError) && !host::LastFailureDetail().empty())
        reason += " (" + host::LastFailureDetail() + ")";
      out.Event("SKIPPED: " + name + ": " + reason);
    }
  }
  size_t Count(State state) const {
    size_t n = 0;
    for (const auto& s : states) n += s.second == state;
    return n;
  }
  // Images under way, and a page whose reading did not end.
  size_t Pending() const { return Count(kUnderWay) + (reading ? 1 : 0); }

  Transcript& out;
  std::map<std::string, State> states;
  size_t notesBefore = 0;
  int removed = -1;
  bool reading = false;
  size_t notReached = 0, reached = 0;
};

// "1 image", "2 images".
std::string Counted(size_t n, const std::string& one, const std::string& many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

const char kNotReachedKinds[] =
    "inline images, images in patterns, annotation appearances, soft masks or Type 3 glyphs";

// The resolution the option set of `action` holds, as the dialog shows it
// ("72", "dpi"), when that set sizes images by a resolution; "" when it
// sizes them otherwise or holds no number there. A set not stored holds
// the defaults.
std::pair<std::string, std::string> StoredResolution(const std::string& action) {
  host::reg::Hive hive;
  host::reg::ReadHive(winHiveCurrentUser, &hive);
  const auto key = hive.find(kOptionsKey);
  const std::string set = action == kActions[0] ? "ALTS:" : "ORIG:";
  auto stored = [&](const char* name, const char* otherwise) -> std::string {
    if (key != hive.end())
      for (const host::reg::Value& v : key->second.values())
        if (SameText(v.name, set + name) && v.type == winRegSz && !v.data.empty() && v.data[0])
          return std::string(v.data.c_str());
    return otherwise;
  };
  if (std::atoi(stored("ScaleMethod", "0").c_str()) != 0) return {};
  const double dpu = std::atof(stored("DPU", "72").c_str());
  if (!(dpu > 0)) return {};
  char text[64];
  std::snprintf(text, sizeof text, "%.6f", dpu);
  std::string number = text;
  number.erase(number.find_last_not_of('0') + 1);
  if (number.back() == '.') number.pop_back();
  return {number, std::atoi(stored("ScaleUnits", "0").c_str()) == 1 ? "dpmm" : kDotsPerInch};
}

std::string Menu(const std::string& action) {
  return action == kActions[0] ? kCreateAlternatesMenu : action == kActions[1] ? kModifyImagesMenu : kRemoveAlternatesMenu;
}

}  // namespace

bool ImagesOptionTakesValue(const std::string& a) {
  for (const auto& popup : kPopups)
    if (a == popup.option) return true;
  return a == kScales[0] || a == kScales[1] || a == "--which";
}

bool TakeImagesOption(const std::string& a, bool isImages, const std::function<std::string()>& value,
                      ImagesOptions* o, std::string* fault) {
  // Shared with `check`, which takes them outside this shortcut.
  if (a == "--output" || a == "--verbose" || a == "--print-script") {
    if (!isImages) return false;
    if (a == "--output")
      o->output = value();
    else
      (a == "--verbose" ? o->verbose : o->printScript) = true;
    return true;
  }
  const bool action = OneOf(a, kActions), scale = OneOf(a, kScales);
  if (!action && !scale && !ImagesOptionTakesValue(a) && a != "--ascii" && a != "--keep-options") return false;
  if (!isImages) {
    *fault = a + " goes with images";
    return true;
  }
  const std::string given = ImagesOptionTakesValue(a) ? value() : "";
  std::string* slot = action ? &o->action : scale ? &o->resolution : nullptr;
  if (ImagesOptionTakesValue(a) && given.empty()) {
    *fault = a + " needs a value";
  } else if (slot && !slot->empty() && *slot != a) {
    *fault = *slot + " and " + a + " do not go together";
  } else if (slot) {
    *slot = a;
    o->scale = given;
  } else if (a == "--ascii" || a == "--keep-options") {
    (a == "--ascii" ? o->ascii : o->keepOptions) = true;
  } else if (a == "--which") {
    o->which = given;
  } else {
    for (const auto& popup : kPopups)
      if (a == popup.option) o->*popup.value = given;
  }
  return true;
}

std::string ImagesFault(const ImagesOptions& o) {
  if (o.file.empty()) return "images needs the PDF file to work on";
  if (o.action.empty()) return "images needs --create-alternates, --modify or --remove-alternates";
  std::string fault = OutputFault(o.output);
  if (!fault.empty()) return fault;
  if (o.action == kActions[2]) {
    for (const auto& popup : kPopups)
      if (!(o.*popup.value).empty()) return std::string(popup.option) + " does not go with --remove-alternates";
    if (!o.resolution.empty() || !o.which.empty() || o.ascii || o.keepOptions)
      return (!o.resolution.empty() ? o.resolution
              : !o.which.empty()    ? "--which"
              : o.ascii             ? "--ascii"
                                    : "--keep-options") +
             std::string(" does not go with --remove-alternates");
  }
  if (o.resolution == kScales[0] || o.resolution == kScales[1]) {
    fault = NumberFault(o.resolution + " " + o.scale, o.scale, false);
    if (!fault.empty()) return fault;
  }
  if (!o.which.empty() && !SameText(o.which, "all")) {
    const size_t colon = o.which.find(':');
    const std::string kind = o.which.substr(0, colon);
    if (colon == std::string::npos || (kind != "dpi" && kind != "kb"))
      return "--which " + o.which + ": give all, dpi:N or kb:N";
    fault = NumberFault("--which " + o.which, o.which.substr(colon + 1), kind == "kb");
    if (!fault.empty()) return fault;
  }
  if (!o.quality.empty() && !o.color.empty() && !OneOf(o.color, kQualityColors, true))
    return "--jpeg-quality goes with --color \"Use Original\" or \"JPEG\"";
  return "";
}

std::string ImagesFolderFault(const ImagesOptions& o) {
  return o.output.empty() ? "" : FileFolderFault(o.output, "the output");
}

std::string ImagesRun::Prepare() {
  SweepLeftovers(host::TempFolder());
  return options.keepOptions ? "" : UseScratchSettings();
}

std::string ImagesRun::CheckEntries(WinModule plugin) {
  if (!plugin) return std::string("no plug-in ") + kImagesPlugin + " was loaded to work on the images";
  for (const auto& popup : kPopups) {
    std::string& given = options.*popup.value;
    if (given.empty()) continue;
    const std::vector<std::string> entries = Entries(plugin, popup.menu);
    bool found = false;
    for (const std::string& entry : entries)
      if (SameText(entry, given)) given = entry, found = true;
    if (!found)
      return std::string(popup.option) + " " + Quoted(given) + ": the entries are " + Listed(entries);
  }
  for (const std::string& entry : Entries(plugin, kUnitsMenu))
    if (entry == kDotsPerInch) return "";
  return std::string("the image plug-in offers no unit ") + Quoted(kDotsPerInch);
}

std::vector<std::string> ImagesRun::Steps() const {
  const ImagesOptions& o = options;
  std::vector<std::string> s = {"always password " + (o.hasPassword ? Quoted(o.password) : std::string("cancel")),
                                "menu " + Menu(o.action)};
  if (o.action != kActions[2]) {
    s.push_back(std::string("expect dialog ") + kOptionsDialog);
    if (o.resolution == kScales[0]) s.insert(s.end(), {"check 3 on", "set 6 " + o.scale, std::string("choose 23 ") + kDotsPerInch});
    if (o.resolution == kScales[1]) s.insert(s.end(), {"check 4 on", "set 7 " + o.scale});
    if (o.resolution == kScales[2]) s.push_back("check 5 on");
    // The quality after the colour compression, which enables it.
    const char* const items[] = {"8", "9", "11"};
    for (size_t i = 0; i < 3; ++i)
      if (!(o.*kPopups[i].value).empty()) s.push_back(std::string("choose ") + items[i] + " " + Quoted(o.*kPopups[i].value));
    s.push_back(std::string("check 10 ") + (o.ascii ? "on" : "off"));
    // A resolution without --which makes no image larger: it takes only
    // those it makes smaller, the stored one as one given here.
    std::string which = o.which, unit = kDotsPerInch;
    if (which.empty() && o.resolution == kScales[0]) which = "dpi:" + o.scale;
    if (which.empty() && o.resolution.empty()) {
      const auto stored = StoredResolution(o.action);
      if (!stored.first.empty()) which = "dpi:" + stored.first, unit = stored.second;
    }
    const std::string limit = which.substr(which.find(':') + 1);
    if (SameText(which, "all")) s.push_back("check 14 on");
    if (which.compare(0, 4, "dpi:") == 0) s.insert(s.end(), {"check 12 on", "set 15 " + limit, "choose 17 " + unit});
    if (which.compare(0, 3, "kb:") == 0) s.insert(s.end(), {"check 13 on", "set 16 " + limit});
    s.push_back("press 1");
  }
  if (!o.output.empty()) s.push_back("save " + Quoted(AbsoluteFile(o.output)));
  s.push_back("quit");
  return s;
}

int ImagesRun::Run(Session& session) const {
  const std::vector<std::string> steps = Steps();
  std::deque<Line> lines;
  for (const std::string& text : steps) {
    Line line{text, "images step " + std::to_string(lines.size() + 1), ""};
    if (text.compare(0, 13, "expect dialog") == 0) {
      // The security check refuses before the dialog, with a note.
      line.stopAs = "the options dialog did not open";
      line.stopAsWithoutDialog = true;
    }
    if (text.compare(0, 9, "choose 11") == 0)
      line.stopAs = "--jpeg-quality: the JPEG quality is taken only while the colour compression is "
                    "\"Use Original\" or \"JPEG\"";
    lines.push_back(line);
  }
  // The save and `quit` wait until the work is known to have been done.
  const size_t tail = options.output.empty() ? 1 : 2;
  std::deque<Line> last(lines.end() - static_cast<long>(tail), lines.end());
  lines.resize(lines.size() - tail);
  Transcript& out = session.transcript();
  // Memory that runs out is told in one line at the end, not in the notes
  // and SKIPPED lines of each image the plug-in could not make since.
  const unsigned long failed = host::FailedAllocations();
  auto ranOut = [failed] { return host::FailedAllocations() > failed; };
  out.Omit([ranOut](const std::string& line) {
    return ranOut() && (line.compare(0, 6, "NOTE: ") == 0 || line.compare(0, 9, "SKIPPED: ") == 0);
  });
  Results results(out);
  session.OnProgressText([&](const std::string& text) { results.Take(text); });
  session.Append(std::move(lines));
  session.Run();
  session.OnProgressText(nullptr);
  if (ranOut()) session.Stop("out of memory while the images were converted; nothing was saved");

  const std::string note = out.LastNote();
  std::string unchanged;
  int status = 0;
  if (options.action == kActions[2]) {
    if (results.removed >= 0)
      out.Event("IMAGES: " + Counted(static_cast<size_t>(results.removed), "alternate", "alternates") + " removed");
    if (results.removed <= 0) unchanged = !note.empty() ? note : "no image carries alternates Glimmerset made";
  } else if (results.Pending() > 0) {
    // The work stopped on its way, as its note says.
    unchanged = note.empty() ? "the work stopped before its end" : note;
  } else {
    const size_t converted = results.Count(Results::kConverted), left = results.Count(Results::kLeft);
    const size_t unreached = results.notReached;
    // Create takes away the alternates an earlier run made, even from the
    // images it leaves as they were: a change of the document all the same.
    const size_t removed = options.action == kActions[0] && results.removed > 0 ? results.removed : 0;
    if (unreached > 0)
      out.Event("NOT REACHED: " + Counted(unreached, "image", "images") + " (" + kNotReachedKinds +
                "), left as " + (unreached == 1 ? "it was" : "they were"));
    out.Event("IMAGES: " + std::to_string(converted) + " converted, " + std::to_string(left) + " left as they were" +
              (unreached > 0 ? ", " + std::to_string(unreached) + " not reached" : "") +
              (removed > 0 ? ", " + Counted(removed, "earlier alternate", "earlier alternates") + " removed" : ""));
    if (converted == 0 && removed == 0)
      unchanged = !note.empty()     ? note
                  : left > 0        ? "each image was left as it was"
                  : unreached > 0 && results.reached == 0
                                    ? std::string("the document's images are all where the plug-in does not reach them (") +
                                          kNotReachedKinds + ")"
                                    : "the options select no image";
    status = left > 0 || unreached > 0 ? 1 : 0;
  }
  AVDoc doc = host::ActiveViewDocument();
  const bool changed = doc && host::DocumentChanged(host::ViewPDDoc(doc));
  if (!unchanged.empty()) session.Stop("the images were not changed: " + unchanged);
  if (changed && options.output.empty()) out.Event(kUnsavedLine);
  session.Append(std::move(last));
  session.Run();
  // The plug-in told the user of a failed write in a note; the run is not a
  // success when the options it was to keep are not stored.
  const ASInt32 kept = host::reg::LastWriteStatus(winHiveCurrentUser, kOptionsKey);
  if (options.keepOptions && kept != 0)
    session.Stop("the options were not kept: " + host::reg::SystemErrorText(kept));
  return status;
}

}  // namespace plughost
