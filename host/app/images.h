// `plughost images FILE.pdf`: one of the image plug-in's three menu items,
// its options dialog filled in from the command line and OK pressed, then a
// save; written out as steps, as `plughost check` is (app/check.h).
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "app/session.h"
#include "host/admtypes.h"

namespace plughost {

// The menu items the actions run.
extern const char kCreateAlternatesMenu[], kModifyImagesMenu[], kRemoveAlternatesMenu[];
// The extension name of the plug-in whose resources list the dialog's entries.
extern const char kImagesPlugin[];
// --help's text for the shortcut.
extern const char kImagesUsage[];

struct ImagesOptions {
  std::string file;
  std::string action;  // "--create-alternates", "--modify", "--remove-alternates"
  std::string resolution;  // how the new resolution is found: "--resolution",
  std::string scale;       // "--percent" or "--keep-resolution", with its value
  std::string mono, color, quality;  // entry texts as given; "" when not given
  std::string which;  // "all", "dpi:N", "kb:N"; "" when not given
  bool ascii = false;
  std::string output;
  std::string password;
  bool hasPassword = false;
  bool keepOptions = false;
  bool verbose = false;
  bool printScript = false;
};

// Takes the option `a` of the command line when it is one of the shortcut's
// (those it shares with `check` only when `isImages`); `value` gives the
// option's value. A fault (an option outside the shortcut, a second action)
// goes to `fault`.
bool TakeImagesOption(const std::string& a, bool isImages, const std::function<std::string()>& value,
                      ImagesOptions* options, std::string* fault);
// Whether the option takes a value, for finding the first word that is none.
bool ImagesOptionTakesValue(const std::string& a);

// What is wrong with the options before anything is loaded, or "".
std::string ImagesFault(const ImagesOptions& options);
// The --output folder cannot be written into: the fault, or "".
std::string ImagesFolderFault(const ImagesOptions& options);

// One run of the shortcut, around the session that carries its steps out.
struct ImagesRun {
  ImagesOptions options;

  // Before the plug-ins load: the scratch settings unless --keep-options.
  // Answers a fault or "".
  std::string Prepare();
  // Once the plug-ins are loaded: the entry texts checked against the
  // dialog's lists in `plugin`'s resources (null: the plug-in is missing)
  // and taken as the lists spell them. Answers a fault or "".
  std::string CheckEntries(WinModule plugin);
  // The steps: the menu item and its dialog, then the save and `quit`.
  std::vector<std::string> Steps() const;
  // Carries the steps out in the session. A refusal of the plug-in (the
  // security check's, a colour conversion it cannot do) is told in a note
  // and leaves the document as it was: the run stops there, unsaved.
  // A changed document that no --output keeps gets the UNSAVED line.
  void Run(Session& session) const;
};

}  // namespace plughost
