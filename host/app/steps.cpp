#include "app/steps.h"

#include <cstdlib>

namespace plughost {

const char kStepsHelp[] =
    "Steps at top level:\n"
    "  menu NAME                run a menu item by name, or by its title without \"&\"\n"
    "  button NAME              run a toolbar button by name\n"
    "  open PATH                open PATH as the active document\n"
    "  page N                   show page N (from 1) of the active document\n"
    "  save PATH                save the active document to PATH\n"
    "  print menus              the menus (names, titles, disabled items), then the\n"
    "                           toolbar (names, help texts, bitmaps, marked and\n"
    "                           disabled buttons); a marked item shows \" marked\"\n"
    "  tool NAME                make the tool of type NAME the active tool\n"
    "  print tool               the active tool's type and the cursor shown now\n"
    "  draw [PATH.png]          draw the active document's page view: \"DRAW page P\",\n"
    "                           then what it drew, one line each (\"image N G R\",\n"
    "                           \"color R G B\", \"rect L T R B width W dash A B\",\n"
    "                           \"xor L T R B\", \"frame L T R B\"), in device units\n"
    "                           and with PATH.png write it as a PNG picture: the page at\n"
    "                           the views' zoom, one device unit a pixel, those lines\n"
    "                           painted over it; images as the file holds them\n"
    "  close                    close the active document without saving\n"
    "  activate N               make the N-th open document (in the order opened,\n"
    "                           from 1) the active one\n"
    "  set-page-key KEY VALUE   put VALUE (PDF syntax; null removes) under /KEY of\n"
    "                           the page the active view shows\n"
    "  pointer X Y              move the pointer (device units of the active view)\n"
    "  click X Y                click there with the active tool\n"
    "  drag X1 Y1 X2 Y2 ...     press at the first point, move through the others,\n"
    "                           release at the last\n"
    "  key CODE [FLAGS]         press the key CODE with the modifier FLAGS (default 0)\n"
    "  idle [N]                 N rounds (default 1) of idle time: each idle procedure\n"
    "                           runs once a round (also one round before each prompt)\n"
    "  router query             with --fake-router: ask the client that said hello for\n"
    "                           its actions and type lists (ROUTER lines)\n"
    "  router run ACTION        with --fake-router: send the client a run request\n"
    "  with DIALOG              dialog steps and `if enabled` act on the open modeless\n"
    "                           dialog of that template number, title or creation name\n"
    "                           (not the newest) until the next `with` or until it closes\n"
    "  pref N V                 set the host's preference N to the integer V\n"
    "  print pref N             the preference's value, as \"PREF N: V\"\n"
    "  quit                     unload the plug-ins and end (also: exit)\n"
    "while a dialog waits (the innermost one):\n"
    "  expect dialog N [M ...]  stop unless it was built from one of these templates\n"
    "  print dialog             its items: name, kind, text, states (an edit's number range)\n"
    "  print item ITEM [LABEL]  one item's text, as \"ITEM name: text\" or \"LABEL: text\"\n"
    "  press ITEM               press a button, tick a box\n"
    "  set ITEM TEXT            type a text\n"
    "  check ITEM on|off        set a check box or radio button\n"
    "  choose ITEM TEXT|[N]     choose a pop-up's entry by its text, or by its index N\n"
    "  select ITEM ROW          select a list's entry by its row (from 0)\n"
    "  scroll ITEM VALUE        set a scrollbar's value\n"
    "  print list ITEM          each entry as drawn: \"LIST name row: \" and its texts, tab-joined\n"
    "                           (a hierarchy list's rows depth-first, a child's texts\n"
    "                           two blanks further in per level)\n"
    "  move X Y, resize W H     move or resize the dialog\n"
    "  track ITEM X Y           click at (X, Y) in the item's pixels from its top-left\n"
    "  closebox                 click the dialog's close box\n"
    "while a prompt waits (at the terminal its ASK line comes before the prompt):\n"
    "  answer confirm ok|cancel the confirmation (ASK CONFIRM)\n"
    "  answer alert N|TEXT      the alert (ASK ALERT), by its button's number or text\n"
    "  answer color R G B|cancel   the colour picker (ASK COLOR, with the colour it\n"
    "                           shows); 16-bit components, 0 to 65535\n"
    "  answer password TEXT|cancel   the password prompt (ASK PASSWORD); a quoted TEXT\n"
    "                           is always a password (answer password \"cancel\"); at a\n"
    "                           terminal the prompt reads the password without echo\n"
    "  answer file PATH|cancel|error CODE   a file chooser (ASK FILE); a quoted PATH is\n"
    "                           always a path (answer file \"cancel\"); it is made\n"
    "                           absolute, and a save without \".\" in its last part gets\n"
    "                           the default extension\n"
    "anywhere:\n"
    "  always confirm ok|cancel, always alert N|TEXT, always password TEXT|cancel\n"
    "                           a standing answer for later prompts\n"
    "  if enabled ITEM ... [else ...] end               steps taken as an item is enabled\n"
    "  quiet on, quiet off      hold the event lines: dropped at off, printed at a stop\n"
    "  help                     list these steps\n"
    "  at-progress N press ITEM press ITEM of the working (modeless) dialog in the N-th\n"
    "                           round of the message pump from here; menu and other\n"
    "                           steps wait until the plug-in's work returns\n"
    "An ITEM is its identifier, ID#n when several items share it (n from 1), or its\n"
    "text without \"&\"; a quoted name is always a text. Arguments are words or\n"
    "\"quoted texts\" (with \\\" \\\\ \\n \\t); the last runs to the end of the line.\n"
    "A # at the start of a line or after a blank begins a comment.\n";

namespace {

// The forms of the verbs, tried in order. In a pattern, a plain word is a
// fixed word; "@" is one argument (a word or a quoted text); "%" is the last
// argument, which runs to the end of the line; "?" is a last argument that
// may be left out; "#" is a number; "#+" one number or more to the end.
struct Form {
  const char* pattern;
  Place place;
  const char* usage;
};

const Form kForms[] = {
    {"menu %", Place::Top, "menu NAME"},
    {"button %", Place::Top, "button NAME"},
    {"open %", Place::Top, "open PATH"},
    {"page #", Place::Top, "page N"},
    {"save %", Place::Top, "save PATH"},
    {"print menus", Place::Top, "print menus"},
    {"draw", Place::Top, "draw [PATH.png]"},
    {"draw %", Place::Top, "draw [PATH.png]"},
    {"tool %", Place::Top, "tool NAME"},
    {"close", Place::Top, "close"},
    {"activate #", Place::Top, "activate N"},
    {"set-page-key @ %", Place::Top, "set-page-key KEY VALUE"},
    {"pointer # #", Place::Top, "pointer X Y"},
    {"click # #", Place::Top, "click X Y"},
    {"drag #+", Place::Top, "drag X1 Y1 X2 Y2 ..."},
    {"key #", Place::Top, "key CODE [FLAGS]"},
    {"key # #", Place::Top, "key CODE [FLAGS]"},
    {"idle", Place::Top, "idle [N]"},
    {"idle #", Place::Top, "idle [N]"},
    {"router query", Place::Top, "router query"},
    {"router run %", Place::Top, "router run ACTION"},
    {"with %", Place::Top, "with DIALOG"},
    {"pref # #", Place::Top, "pref N V"},
    {"quit", Place::Top, "quit"},
    {"help", Place::Anywhere, "help"},
    {"exit", Place::Top, "exit"},
    {"expect dialog #+", Place::Dialog, "expect dialog N [M ...]"},
    {"print dialog", Place::Dialog, "print dialog"},
    {"print item @ ?", Place::Dialog, "print item ITEM [LABEL]"},
    {"press %", Place::Dialog, "press ITEM"},
    {"set @ %", Place::Dialog, "set ITEM TEXT"},
    {"check @ on", Place::Dialog, "check ITEM on|off"},
    {"check @ off", Place::Dialog, "check ITEM on|off"},
    {"choose @ %", Place::Dialog, "choose ITEM TEXT|[N]"},
    {"select @ #", Place::Dialog, "select ITEM ROW"},
    {"scroll @ #", Place::Dialog, "scroll ITEM VALUE"},
    {"print list %", Place::Dialog, "print list ITEM"},
    {"print tool", Place::Top, "print tool"},
    {"print pref #", Place::Top, "print pref N"},
    {"move # #", Place::Dialog, "move X Y"},
    {"resize # #", Place::Dialog, "resize WIDTH HEIGHT"},
    {"track @ # #", Place::Dialog, "track ITEM X Y"},
    {"closebox", Place::Dialog, "closebox"},
    {"answer confirm ok", Place::Prompt, "answer confirm ok|cancel"},
    {"answer confirm cancel", Place::Prompt, "answer confirm ok|cancel"},
    {"answer alert %", Place::Prompt, "answer alert N|TEXT"},
    {"answer color # # #", Place::Prompt, "answer color R G B|cancel"},
    {"answer color cancel", Place::Prompt, "answer color R G B|cancel"},
    {"answer password cancel", Place::Prompt, "answer password TEXT|cancel"},
    {"answer password %", Place::Prompt, "answer password TEXT|cancel"},
    {"answer file cancel", Place::Prompt, "answer file PATH|cancel|error CODE"},
    {"answer file error #", Place::Prompt, "answer file PATH|cancel|error CODE"},
    {"answer file %", Place::Prompt, "answer file PATH|cancel|error CODE"},
    {"always confirm ok", Place::Anywhere, "always confirm ok|cancel"},
    {"always confirm cancel", Place::Anywhere, "always confirm ok|cancel"},
    {"always alert %", Place::Anywhere, "always alert N|TEXT"},
    {"always password cancel", Place::Anywhere, "always password TEXT|cancel"},
    {"always password %", Place::Anywhere, "always password TEXT|cancel"},
    {"at-progress # press %", Place::Anywhere, "at-progress N press ITEM"},
    {"if enabled %", Place::Anywhere, "if enabled ITEM"},
    {"else", Place::Anywhere, "else"},
    {"end", Place::Anywhere, "end"},
    {"quiet on", Place::Anywhere, "quiet on|off"},
    {"quiet off", Place::Anywhere, "quiet on|off"},
};

bool Blank(char c) { return c == ' ' || c == '\t'; }

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < text.size()) {
    size_t end = text.find(' ', i);
    if (end == std::string::npos) end = text.size();
    out.push_back(text.substr(i, end - i));
    i = end + 1;
  }
  return out;
}

// Reads the arguments of one line from left to right.
class Cursor {
 public:
  explicit Cursor(const std::string& text) : text_(text) {}

  bool AtEnd() {
    SkipBlanks();
    return at_ == text_.size();
  }

  // One word, or one quoted text; false at the end or on a fault.
  bool Word(Arg* arg) {
    if (AtEnd()) return false;
    if (text_[at_] == '"') return QuotedText(arg) && Ends();
    size_t start = at_;
    while (at_ < text_.size() && !Blank(text_[at_])) ++at_;
    *arg = Arg{text_.substr(start, at_ - start), false};
    return true;
  }

  // The rest of the line: one quoted text, or the words as written.
  bool Rest(Arg* arg) {
    if (AtEnd()) return false;
    if (text_[at_] == '"') return QuotedText(arg) && Ends() && AtEnd();
    *arg = Arg{text_.substr(at_), false};
    at_ = text_.size();
    return true;
  }

  const std::string& fault() const { return fault_; }

 private:
  // A quoted text ends its argument.
  bool Ends() {
    if (at_ == text_.size() || Blank(text_[at_])) return true;
    fault_ = "a quoted text runs into the text after it";
    return false;
  }

  void SkipBlanks() {
    while (at_ < text_.size() && Blank(text_[at_])) ++at_;
  }

  // Taken literally but for \", \\, \n and \t.
  bool QuotedText(Arg* arg) {
    std::string out;
    for (size_t i = at_ + 1; i < text_.size(); ++i) {
      char c = text_[i];
      if (c == '"') {
        at_ = i + 1;
        *arg = Arg{out, true};
        return true;
      }
      if (c == '\\' && i + 1 < text_.size()) {
        char next = text_[i + 1];
        if (next == '"' || next == '\\' || next == 'n' || next == 't') {
          out += next == 'n' ? '\n' : next == 't' ? '\t' : next;
          ++i;
          continue;
        }
      }
      out += c;
    }
    fault_ = "a quoted text is not closed";
    return false;
  }

  const std::string& text_;
  size_t at_ = 0;
  std::string fault_;
};

bool Match(const Form& form, const std::string& text, Step* step, std::string* fault) {
  Cursor cursor(text);
  std::vector<Arg> args;
  auto fail = [&] {
    if (!cursor.fault().empty()) *fault = cursor.fault();
    return false;
  };
  for (const std::string& part : Words(form.pattern)) {
    Arg arg;
    if (part == "%" || (part == "?" && !cursor.AtEnd())) {
      if (!cursor.Rest(&arg)) return fail();
      args.push_back(arg);
    } else if (part == "#+") {
      do {
        if (!cursor.Word(&arg) || !arg.IsNumber()) return fail();
        args.push_back(arg);
      } while (!cursor.AtEnd());
    } else if (part != "?") {
      if (!cursor.Word(&arg)) return fail();
      if (part == "@" || part == "#") {
        if (part == "#" && !arg.IsNumber()) return false;
        args.push_back(arg);
      } else if (arg.quoted || arg.text != part) {
        return false;
      }
    }
  }
  if (!cursor.AtEnd()) return false;
  step->verb = form.pattern;
  step->args = args;
  step->place = form.place;
  return true;
}

// The line up to its comment, without blanks at either end.
std::string Uncommented(const std::string& line) {
  bool quoted = false;
  size_t end = line.size();
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    bool wordStart = i == 0 || Blank(line[i - 1]);
    if (quoted) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        quoted = false;
    } else if (c == '"' && wordStart) {
      quoted = true;
    } else if (c == '#' && wordStart) {
      end = i;
      break;
    }
  }
  size_t first = 0;
  while (first < end && (Blank(line[first]) || line[first] == '\r')) ++first;
  while (end > first && (Blank(line[end - 1]) || line[end - 1] == '\r')) --end;
  return line.substr(first, end - first);
}

}  // namespace

bool Arg::IsNumber() const {
  if (quoted || text.empty() || text.size() > 10) return false;
  size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size()) return false;
  for (; i < text.size(); ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

int Arg::Number() const { return static_cast<int>(std::strtol(text.c_str(), nullptr, 10)); }

Parsed ParseStep(const std::string& line, Step* step, std::string* why) {
  std::string text = Uncommented(line);
  if (text.empty()) return Parsed::Empty;
  step->line = text;
  step->bare = false;
  std::string verb = text.substr(0, text.find_first_of(" \t"));
  std::string usage, fault;
  for (const Form& form : kForms) {
    std::string first = form.pattern;
    first = first.substr(0, first.find(' '));
    if (first != verb) continue;
    if (Match(form, text, step, &fault)) return Parsed::Step;
    if (usage.find(form.usage) == std::string::npos) usage += (usage.empty() ? "" : " | ") + std::string(form.usage);
  }
  if (!fault.empty()) {
    *why = fault + ": " + text;
  } else if (!usage.empty()) {
    *why = "\"" + text + "\" does not fit " + usage;
  } else if (text.find_first_of(" \t\"") == std::string::npos) {
    step->verb = "menu %";
    step->args = {Arg{text, false}};
    step->place = Place::Top;
    step->bare = true;
    return Parsed::Step;
  } else {
    *why = "no verb \"" + verb + "\"";
  }
  return Parsed::Error;
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : Escaped(text)) {
    if (c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string ButtonText(const std::string& text) {
  std::string out;
  for (char c : Escaped(text)) {
    if (c == '|' || c == ']') out += '\\';
    out += c;
  }
  return out;
}

std::string WithoutAmpersands(const std::string& title) {
  std::string out;
  for (size_t i = 0; i < title.size(); ++i) {
    if (title[i] != '&')
      out += title[i];
    else if (i + 1 < title.size() && title[i + 1] == '&')
      out += title[++i];
  }
  return out;
}

}  // namespace plughost
