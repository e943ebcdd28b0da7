// The checker's one user-interface object. The commands take it from the
// stack of user interfaces; the engine reports progress through it and
// learns from it whether the user cancelled; the dialogs ask it for files,
// strings and fixes. It holds the state of one check (the document, the
// walker, the results, the progress and verdict dialogs) and drives the
// check: progress dialog, walk, results, deferred tests, verdict.
#pragma once
#include <bitset>
#include <deque>
#include <string>

#include <boost/shared_ptr.hpp>

#include "checker/FileChoosers.h"
#include "engine/PDFXPreflight.h"
#include "engine/StatusInterface.h"
#include "host/admtypes.h"

namespace Zentu {

class AcroADMDialog;
class CheckerDlgADM;
class Results;

class UIInterface : public StatusInterface {
 public:
  typedef PDFXPreflight::SeveritySet SeveritySet;

  // Loads the workflow settings once; no document yet.
  UIInterface();
  ~UIInterface() override;
  UIInterface(const UIInterface&) = delete;
  UIInterface& operator=(const UIInterface&) = delete;

  using StatusInterface::Progress;
  // The open progress dialog's answer: 0 to go on, -1 once cancelled; -1
  // when no progress dialog is open.
  long Progress(const std::string& text, long value, long max) override;
  // Always false. Closes the progress dialog; after a cancel only says so,
  // else runs the verdict dialog, inside which the user's choices run.
  virtual bool RunWizard(const boost::shared_ptr<Results>& results);
  // Opens a new progress dialog, modeless, in place of any earlier one;
  // false when the dialog manager made none.
  virtual bool ShowChecker();
  // With a progress dialog: shows it and checks the document. Else with a
  // verdict dialog: shows it and lets it go. False when neither is open.
  virtual bool RunCheck();
  // Closes the progress dialog, else the verdict dialog, then lets go of
  // both, the walker and the results; true when a dialog was closed.
  virtual bool CloseChecker();
  virtual void RegisterFileType() = 0;
  // The check of the document set: walker, results, deferred tests, then
  // the verdict. A check that fails (a record of severity 0, or a throw of
  // the walk or the deferred tests) is told in a note, leaves no results
  // and sets bit 0 of `status`, which receives the severities present.
  virtual void CheckDocument(SeveritySet& status);
  virtual bool Confirm(const char* message);
  // "Fix all": passes over the automatically fixable records until none is
  // open, at most ten, then the changed pages are told. 2 when every fix
  // succeeded, 1 when the document may not be changed, else the last
  // other answer of ApplyFixes.
  virtual int FixDocument();
  // Reloads the workflow settings, then takes the document, its PD
  // document and its permission bits.
  virtual void SetDocument(AVDoc doc);
  // The string-entry dialog: 1 and the text entered after OK, else 0 and
  // the default (empty when null).
  StringAnswer AskString(const char* title, const char* prompt, const char* defaultValue) override;
  // The host's open or save dialog over a filter string; a malformed filter
  // is told in a note and chooses nothing. The default extension is the
  // host's to add.
  virtual FileChoice ChooseFile(bool save, const char* initialPath, const char* title, bool offerAllFiles,
                                const char* filter, const char* initialName, const char* defaultExtension);
  // 1 when the user changed the settings.
  virtual int ShowPreferences();
  virtual void ShowAbout();
  // The record's fixer, with questions when forced: 2 fixed (or fixed
  // before), 1 the document may not be changed, 3 not automatically
  // fixable and not forced, 4 no fixer; else the fixer's answer. A fix
  // marks the document changed and writes the standard's version into Info.
  virtual int ApplyFixes(const boost::shared_ptr<PDFX_Error>& error, bool force);
  // The walker's clean-up, then the deferred tests until they rest.
  virtual bool FixAll();
  // The host's password prompt; the authorisation is the host's memory.
  virtual bool AskPassword(PDDoc* doc, ASInt32* wanted, void** authorisation);
  // Whether fixes may change the document; asks for the password when the
  // standard handler needs one.
  virtual bool CheckSecurity();
  // The list of the results' records, run modally from the verdict.
  virtual void ShowDetails(const boost::shared_ptr<Results>& results);
  // Open records of the results in the set; -1 without results.
  int CountResults(const std::bitset<10>& severities) override;

  // Forgets the document and the results, and sets the four resolution
  // defaults in memory when the plug-in's own settings are empty even after
  // loading them.
  void LoadWorkflowSettings();
  // One record's fix, then FixAll; a fix tells its page (or the current one).
  int FixErrors(const boost::shared_ptr<PDFX_Error>& error, bool force);

  bool PreferencesChanged() const { return preferencesChanged_; }
  void SetPreferencesChanged(bool changed) { preferencesChanged_ = changed; }
  const boost::shared_ptr<Results>& GetResults() const { return results_; }
  AVDoc GetAVDoc() const { return avDoc_; }
  PDDoc GetPDDoc() const { return pdDoc_; }
  ASInt32 GetPermissions() const { return permissions_; }
  const boost::shared_ptr<PDFXPreflight>& GetWalker() const { return walker_; }

 protected:
  // The verdict dialog's modal run over the results. Until that dialog is
  // built the check goes straight on to the counts.
  virtual void RunWizardDialog(const boost::shared_ptr<Results>& results);
  // The walker of the check, else the results'.
  boost::shared_ptr<PDFXPreflight> Walker() const;

  bool preferencesChanged_ = false;
  boost::shared_ptr<Results> results_;
  AVDoc avDoc_ = nullptr;
  PDDoc pdDoc_ = nullptr;
  ASInt32 permissions_ = 0;  // 0x08: the document may be changed
  boost::shared_ptr<PDFXPreflight> walker_;
  boost::shared_ptr<AcroADMDialog> wizard_;
  boost::shared_ptr<CheckerDlgADM> progress_;
};

// The one object the plug-in makes: its file choosers and the file-type
// registration are the platform's.
class WinUIInterface : public UIInterface {
 public:
  WinUIInterface() = default;
  ~WinUIInterface() override;

  // Registers the "pdfx" file type under the classes hive once: when its
  // extension key exists nothing is written. Failures stop it quietly.
  void RegisterFileType() override;
  // The platform's dialog; a failure other than a cancel is told in a note.
  FileChoice ChooseFile(bool save, const char* initialPath, const char* title, bool offerAllFiles,
                        const char* filter, const char* initialName, const char* defaultExtension) override;
};

// A bitmap of the plug-in's own resources (the identifier's low 16 bits);
// none when it has none.
WinBitmap LoadBitmapResource(ASInt32 id);

}  // namespace Zentu

// The one user-interface object, made by the plug-in's init and deleted by
// its unload.
extern Zentu::UIInterface* gUIInterface;
// Commands and dialogs take the last entry as the current user interface;
// only CurrentUIInterface pushes, and only the unload empties it.
extern std::deque<Zentu::UIInterface*> gUIStack;
// The last entry of gUIStack, after pushing gUIInterface onto an empty one.
Zentu::UIInterface* CurrentUIInterface();
