// `plughost check FILE.pdf`: a check of one file through the checker
// plug-in's own menu item, dialogs and buttons, written out as the steps a
// script would give; the host does nothing of the check itself.
#pragma once
#include <deque>
#include <string>
#include <vector>

#include "app/session.h"

namespace plughost {

struct CheckOptions {
  std::string file;    // FILE.pdf as given
  std::string report;  // --report as given; "-" is standard output
  std::string output;  // --output as given
  std::string password;
  bool hasPassword = false;
  std::string standard;
  bool hasStandard = false;
  bool keepStandard = false;
  bool fix = false;
  bool removeTags = false;
  bool verbose = false;
  bool printScript = false;
};

// The standards a check chooses from, as the preferences list them.
extern const char kFirstStandard[];  // used when none is stored
// The name --standard takes ("PDF/X-1a", "pdf/x-3:2002", ...) as the
// preferences list it; "" for a standard the checker does not know.
std::string StandardName(const std::string& given);
// The standard a file claims in its information dictionary, as the
// preferences list it (a later revision of a family as the family's), with
// the claim's own text; "" when it claims none of them or cannot be read
// (its open fault is told later), with the text of a claim of another
// standard, or "" for none.
std::string ClaimedStandard(const std::string& file, const std::string* password, std::string* claim);

// Why `path` cannot be a PDF file (empty, or no "%PDF-" near its start), or
// "" (a file that cannot be read is left to the host's own message).
std::string NotPdfFault(const std::string& path);
// The folder cannot be written into (missing, no folder, not writable):
// "cannot write WHAT into FOLDER: reason", or "".
std::string FolderFault(const std::string& folder, const std::string& what);
std::string ReportFolderFault(const std::string& folder);
// The same for the folder of the file `path` names.
std::string FileFolderFault(const std::string& path, const std::string& what);

// The plug-in's menu item and dialogs the steps name.
extern const char kCheckMenu[];
extern const char kStandardKey[];  // the registry key of the stored standard
extern const char kStandardValue[];

// `path` made absolute through the real path of its folder (the file's own
// real path when it exists), so that two names of one file compare equal.
std::string AbsoluteFile(const std::string& path);
// The report's file as the save chooser names it: absolute, with ".log"
// added when its last part has no ".".
std::string ReportFile(const std::string& given);

// What is wrong with the options before anything is loaded, or "".
std::string CheckFault(const CheckOptions& options);
// What is wrong with an --output name (it must end in ".pdf"), or "".
std::string OutputFault(const std::string& output);
// Said when the document changed and nothing saved it.
extern const char kUnsavedLine[];

// The steps of the check, one a line. `reportAnswer` is the path the report
// chooser is answered with; `chooseStandard` adds the first check that
// reaches the preferences and chooses the standard.
std::vector<std::string> CheckSteps(const CheckOptions& options, const std::string& reportAnswer,
                                    bool chooseStandard);

// The exit status a verdict gives: 0 valid, 1 not valid, 2 none.
int VerdictStatus(const std::string& verdict);
// One of several checks whose save failed after its verdict ends its process
// with this plus the verdict's status, so that its RESULT line keeps the
// verdict; plughost itself then ends with 2.
extern const int kUnsavedVerdictExit;

// The settings a run changes without keeping: a copy of `from` (which may
// be missing) in a fresh 0700 folder of the temporary folder, the modes of
// what it holds kept. Empty, with `why`, when it cannot be made.
std::string CopySettings(const std::string& from, std::string* why);
void RemoveTree(const std::string& path);
// The run works on a scratch copy of the settings from now on, removed at
// its end: the fault, or "".
std::string UseScratchSettings();
// Removes the scratch settings and temporary reports that runs now gone
// (killed outright) left in `folder`.
void SweepLeftovers(const std::string& folder);
// From now on SIGINT, SIGTERM and SIGHUP end the run with its scratch
// settings, temporary report and save temporaries removed (a signal the
// caller ignores stays ignored). Every command takes them at its start.
void CatchEndingSignals();

// A file's identity, to tell whether it was written since.
struct FileState {
  bool exists = false;
  unsigned long long inode = 0, size = 0;
  long long mtime = 0, ctime = 0;  // nanoseconds
  bool operator==(const FileState& other) const;
};
FileState StateOf(const std::string& path);

// One run of the shortcut, around the session that carries its steps out.
struct CheckRun {
  CheckOptions options;
  std::string standardLine;  // the STANDARD line of a run without --standard
  std::string reportAnswer;  // the path the report chooser is answered with
  std::string settingsFolder;  // the one --standard's scratch copy was made from
  FileState reportBefore;
  bool oneOfSeveral = false;  // checked in a process of its own
  unsigned long failedAllocations = 0;  // before the run, to tell memory that ran out in it

  // Before the plug-ins load: the scratch settings of --standard and the
  // temporary report of --report -, removed at exit. Answers a fault or "".
  std::string Prepare();
  // The STANDARD line, or nothing: the first line once the file is open.
  void Announce(Session& session) const;
  // --keep-standard: NAME into the settings folder itself; "" or the reason.
  std::string StoreStandard() const;
  // The steps, choosing the standard when the stored one is another.
  std::deque<Line> Steps() const;
  // Gives the session the steps. A save that fails after the verdict stops
  // the run saying that the verdict stands and why the save failed (and
  // that the report was not written, when it was not); the report of
  // --report - is printed all the same.
  void Start(Session& session) const;
  // After the run: the UNSAVED line when the document changed and no
  // --output keeps it, the report checked (and printed for -), then the exit
  // status the verdict gives; 2 with `fault` when none.
  int Finish(Session& session, bool documentChanged, std::string* fault) const;
  // "no report was written to ..." when a report was asked for and the
  // checker wrote none, else ""; the report of -, printed.
  std::string ReportMissing() const;
  void PrintReport() const;
  // Whether an allocation failed since the run began.
  bool MemoryRanOut() const;
  // "the check gave no verdict", with ": there is not enough memory" when
  // memory ran out.
  std::string NoVerdict() const;
};

}  // namespace plughost
