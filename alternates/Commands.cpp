#include "alternates/Commands.h"

#include "alternates/ImageOptionsDialog.h"
#include "alternates/ImageWork.h"
#include "common/ADMSuites.h"
#include "common/CAcroADMDialog.h"
#include "common/HostCall.h"
#include "host/calls.h"
#include "host/frame.h"

namespace {

const ASInt32 kPermModify = 0x08;
const ASInt32 kWaitCursor = 1112;

// The About dialog: the plug-in's two pictures and OK.
class AboutDlg : public CAcroADMDialog {
 public:
  AboutDlg() : CAcroADMDialog(Variant::ImageAlternates) {}
  void InitSelf() override { AttachAboutPictures(*this); }
  bool Validate() override { return true; }
  void DestroySelf() override {}
};

void Note(const char* text) {
  HostCall("Command", [&] { AVAlertNote(text); });
}

PDDoc ActivePDDoc() {
  PDDoc doc = nullptr;
  HostCall("Command", [&] { doc = AVDocGetPDDoc(AVAppGetActiveDoc()); });
  return doc;
}

// The wait cursor while an image command works; the one before it comes
// back only when the work ends normally.
AVCursor ShowWaitCursor() {
  AVCursor kept = nullptr;
  HostCall("Command", [&] {
    kept = AVSysGetCursor();
    AVSysSetCursor(AVSysGetStandardCursor(kWaitCursor));
  });
  return kept;
}

void Invalidate() {
  HostCall("Command", [] { AVPageViewInvalidateRect(AVDocGetPageView(AVAppGetActiveDoc()), nullptr); });
}

void RedrawAndRestore(AVCursor kept, bool draw) {
  HostCall("Command", [&] {
    AVPageView view = AVDocGetPageView(AVAppGetActiveDoc());
    AVPageViewInvalidateRect(view, nullptr);
    if (draw) AVPageViewDrawNow(view);
    AVSysSetCursor(kept);
  });
}

// A page the collection cannot read ends the command: its note names the
// page and says why, so nothing more is shown; a batch job is told it failed.
bool Collected(PDDoc doc, ImageMap& map, bool batch) {
  const HostRegionResult r = HostRegion([&] { CollectPlacements(doc, map); });
  if (r.raised && batch) throw Zentu::AcrobatException(-1, r.code, "CollectPlacements");
  return !r.raised;
}

// The options dialog over a copy of the set; the copy is stored whatever
// the answer (after Cancel it still holds the values it opened with). The
// dialog's OK sets every value: those set to what the set held are no
// change, and leave what another run stored meanwhile.
bool AskOptions(ImageOptions& options, const char* set, const char* title, const char* resource) {
  ImageOptions copy(options);
  const ASInt32 answer = RunImageOptionsDialog(copy, title, resource, 131);
  const ImageOptions was(options);
  options = copy;
  options.Save(set, &was);
  return answer == 1;
}

}  // namespace

Command::~Command() = default;

bool Command::IsActiveDocument() {
  ASInt32 count = 0;
  HostCall("Command::IsActiveDocument", [&] { count = AVAppGetNumDocs(); });
  return count > 0;
}

void AboutCommand::Execute() {
  AboutDlg dialog;
  dialog.Modal(gADMPluginRef, "zent:AboutCmdDlg", 129, 0, 0);
}

void ShowAlternatesCommand::Execute() {
  show_ = !show_;
  AVDoc doc = nullptr;
  HostCall("ShowAlternatesCommand::Execute", [&] { doc = AVAppGetActiveDoc(); });
  if (doc) Invalidate();
}

void CreateAlternatesCommand::Execute() {
  if (!batch_ && !AskOptions(options_, "ALTS", "Alternate Image Options", "zent:CreateAltsCmdDlg")) return;
  AVCursor kept = batch_ ? nullptr : ShowWaitCursor();
  PDDoc doc = doc_ ? doc_ : ActivePDDoc();
  ImageMap collected, selected, converted;
  if (!Collected(doc, collected, batch_)) {
    RedrawAndRestore(kept, false);
    return;
  }
  SelectImages(collected, selected, options_);
  const uint64_t total = CountWork(selected, options_);
  ConvertImages(selected, converted, options_, total);
  RemoveAlternatesInDocument(collected);
  AttachAlternates(selected, converted);
  if (!batch_) RedrawAndRestore(kept, true);
}

void ModifyImagesCommand::Execute() {
  if (!batch_ && !AskOptions(options_, "ORIG", "Modify Image Options", "zent:ModImagesCmdDlg")) return;
  AVCursor kept = nullptr;
  if (!batch_) {
    kept = ShowWaitCursor();
    Invalidate();
  }
  PDDoc doc = doc_ ? doc_ : ActivePDDoc();
  ImageMap collected, selected, converted;
  if (!Collected(doc, collected, batch_)) {
    RedrawAndRestore(kept, false);
    return;
  }
  SelectImages(collected, selected, options_);
  collected.clear();  // what the work needs is in the selection
  const uint64_t total = CountWork(selected, options_);
  ConvertImages(selected, converted, options_, total);
  ModifyImagesInPlace(selected, converted);
  if (!batch_) RedrawAndRestore(kept, true);
}

void RemoveAlternatesCommand::Execute() {
  AVCursor kept = batch_ ? nullptr : ShowWaitCursor();
  ImageMap every;
  RemoveAlternatesInDocument(every);
  if (!batch_) RedrawAndRestore(kept, false);
}

CommandWrapper::~CommandWrapper() { delete wrapped_; }

void CommandWrapper::Execute() {
  if (wrapped_) wrapped_->Execute();
}

void SecureCommand::Execute() {
  PDDoc doc = ActivePDDoc();
  ASInt32 permissions = 0;
  HostCall("SecureCommand::Execute", [&] { permissions = PDDocGetPermissions(doc); });
  if (!(permissions & kPermModify)) {
    bool standard = false;
    HostCall("SecureCommand::Execute",
             [&] { standard = PDDocGetNewSecurityHandler(doc) == ASAtomFromString("Standard"); });
    if (!standard) {
      Note("Cannot change permissions for a security handler other than the standard one.");
      return;
    }
    ASInt32 granted = 0;
    HostCall("SecureCommand::Execute", [&] { granted = PDDocPermRequest(doc, kPermModify, nullptr); });
    if (!(granted & kPermModify)) {
      void* authorisation = nullptr;
      ASBool given = 0;
      HostCall("SecureCommand::Execute", [&] { given = AVCryptGetPassword(doc, granted | kPermModify, &authorisation); });
      if (given) {
        HostRegionResult asked = HostRegion([&] { granted = PDDocPermRequest(doc, kPermModify, authorisation); });
        HostCallQuietly([&] { ASFree(authorisation); });
        if (asked.raised && asked.code != 0) throw Zentu::AcrobatException(-1, asked.code, "SecureCommand::Execute");
      }
      if (!(granted & kPermModify)) {
        Note("You must enter the corrrect password in order to modify this document.");
        return;
      }
    }
  }
  CommandWrapper::Execute();
}
