// The steps of plughost, one a line: a verb, its fixed words and its
// arguments, separated by blanks. Each argument is one word or one
// double-quoted text, except the last, which runs to the end of the line.
// A "#" at the start of a line or after a blank outside quotes begins a
// comment. The forms of every verb are one table (steps.cpp), so a new verb
// is one row there and one branch where it runs.
#pragma once
#include <string>
#include <vector>

namespace plughost {

// Where a verb fits: at top level, while a dialog waits, while a prompt
// waits, or anywhere.
enum class Place { Top, Dialog, Prompt, Anywhere };

struct Arg {
  std::string text;
  bool quoted = false;
  // Digits, with a leading "-" allowed, and not quoted.
  bool IsNumber() const;
  int Number() const;  // of an IsNumber argument
};

struct Step {
  std::string verb;  // the verb and its fixed words: "press", "answer confirm ok"
  std::vector<Arg> args;
  Place place = Place::Top;
  bool bare = false;  // one word that is no verb: a menu item by name
  std::string line;   // as written, for messages
  std::string where;  // "argument 2", "script.txt line 4", "input"
  bool typed = false; // at the terminal
  std::string stopAs; // the reason a stop at this step gives, when not its own
  bool stopAsWithoutDialog = false;  // see Line
};

enum class Parsed { Empty, Step, Error };

// The steps and their forms, as --help and the `help` step list them.
extern const char kStepsHelp[];

// Blank lines and comments give Empty; a line that fits no form of its verb
// gives Error with the reason (the verb's forms).
Parsed ParseStep(const std::string& line, Step* step, std::string* why);

// Texts in the transcript: a backslash, line feed, carriage return and tab
// are written \\, \n, \r, \t. Quoted adds the quotes and writes " as \".
// ButtonText also writes | and ] as \| and \].
std::string Escaped(const std::string& text);
std::string Quoted(const std::string& text);
std::string ButtonText(const std::string& text);
// A title as a user reads it: "&" marks the access key ("&&" is one "&").
std::string WithoutAmpersands(const std::string& title);

}  // namespace plughost
