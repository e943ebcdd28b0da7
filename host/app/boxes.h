// `plughost boxes FILE.pdf`: the page boxes of a document shown and edited
// through the page-box editor's tool and its "Specifications" palette,
// written out as the steps a person would take; the host touches nothing of
// the boxes itself.
#pragma once
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/session.h"

namespace plughost {

extern const char kBoxesUsage[];

struct BoxesOptions {
  std::string file;
  std::string pages;  // --pages as given; "" is every page
  std::string unit;   // "", "in", "mm" or "pt"
  std::vector<std::pair<std::string, std::string>> sets;  // row as given, "X,Y,W,H"
  std::vector<std::string> on, off;
  std::string spec;
  bool hasSpec = false;
  std::string output, picture;
  bool verbose = false;
  bool printScript = false;
};

// Whether `option` is one of the shortcut's own, and whether it takes a value.
bool IsBoxesOption(const std::string& option);
bool BoxesOptionTakesValue(const std::string& option);
// Takes one option of the shortcut: "" or the fault of its value.
std::string TakeBoxesOption(const std::string& option, const std::string& value, BoxesOptions* options);

// The pages "1-3,7" names, in order, each once; "" with none given is every
// page of `count`. Empty, with `why`, for a list that does not fit.
std::vector<int> PageList(const std::string& list, int count, std::string* why);

// The row of the palette's hierarchy list of box sets (publications with
// their specifications beneath) that shows "PUBLICATION - SPECIFICATION",
// as the editor lists what it stored in the settings folder; -1 when the
// library holds no such specification.
int SpecificationRow(const std::string& given);

// The page-box editor keeps its library in the settings when it unloads:
// why that write failed ("the box library was not stored: REASON"), or "".
std::string LibraryFault();

// One run of the shortcut, around the session that carries its steps out.
struct BoxesRun {
  BoxesOptions options;
  std::string password;  // the host's --password, to open the file
  // The file, opened once to count its pages and then shown for the run;
  // null when it could not be opened.
  PDDoc document = nullptr;
  std::vector<int> pages;
  int specRow = -1;
  // What a row refused of `--set`, told by the listing after the edits.
  std::shared_ptr<std::string> refusal = std::make_shared<std::string>();

  // What is wrong with the options, read against the file (opened here,
  // for the run) and the stored library, before anything loads: the fault,
  // or "".
  std::string Prepare();
  // The folder of --output or of --picture's pictures cannot be written
  // into: the fault, or "".
  std::string FolderFault() const;
  bool HasEdits() const;
  std::deque<Line> Steps() const;
  // Turns the palette's listings into BOX and SPEC lines.
  void Start(Session& session) const;
  // Carries the steps out in the session. A change the document's security
  // refuses stops the run, unsaved.
  void Run(Session& session) const;
  // The UNSAVED line when edits changed the document and no --output keeps
  // them; the exit status.
  int Finish(Session& session, bool documentChanged) const;
};

}  // namespace plughost
