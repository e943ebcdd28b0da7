// File choosers: the platform's open and save dialogs ("Windows") and the
// host's own (AcroView 332, 333). Both ask the driver; an answer is made
// absolute against the working folder, a save answer without "." in its
// last part gets the default extension, and the host never writes past the
// caller's file buffer: an answer that does not fit fails the chooser.
#include <limits.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "dialogs/model.h"
#include "support/files.h"

namespace host {
namespace {

ASUns32 gChooserError = 0;

FileAnswer AskFile(const FileRequest& request) {
  Driver* driver = CurrentDriver();
  FileAnswer answer = driver ? driver->ChooseFile(request) : FileAnswer{};
  if (answer.kind == FileAnswer::Chosen) {
    answer.path = ChosenPath(request, answer.path);
    if (request.room && answer.path.size() + 1 > request.room) answer = FileAnswer{FileAnswer::Failed, "", winErrChooserBufferTooSmall};
  }
  if (driver) driver->FileChosen(request, answer);
  return answer;
}

#define ENTER(sel) Enter(TableId::Windows, WindowsSel::sel)

ASBool AskPlatform(WinFileDialogRec* record, bool save) {
  if (!record || record->size < sizeof(WinFileDialogRec) || !record->file || record->fileSize == 0) {
    gChooserError = winErrChooserBadRecord;
    return 0;
  }
  FileRequest request{save,
                      record->title ? record->title : "",
                      std::string(record->file, ::strnlen(record->file, record->fileSize)),
                      record->defaultExtension ? record->defaultExtension : "",
                      save && (record->flags & winFileConfirmOverwrite) != 0,
                      record->fileSize};
  FileAnswer answer = AskFile(request);
  gChooserError = answer.kind == FileAnswer::Failed ? answer.code : 0;
  if (answer.kind != FileAnswer::Chosen) return 0;
  std::memcpy(record->file, answer.path.c_str(), answer.path.size() + 1);
  return 1;
}

ASBool WinGetOpenFileNameImpl(WinFileDialogRec* record) {
  ENTER(GetOpenFileName);
  return AskPlatform(record, false);
}

ASBool WinGetSaveFileNameImpl(WinFileDialogRec* record) {
  ENTER(GetSaveFileName);
  return AskPlatform(record, true);
}

ASUns32 WinChooserErrorImpl() {
  ENTER(ChooserError);
  return gChooserError;
}

// The host's own dialogs: the default extension is the first filter's first.
FileRequest FromParams(const AVFileDialogParams* params, bool save) {
  if (!params || params->size < sizeof(AVFileDialogParams)) Raise(genErrBadParm);
  FileRequest request{save, params->title ? TextBytes(params->title) : "",
                      params->initialFileName ? params->initialFileName : "", "", save, 0};
  if (params->filters && params->filterCount > 0 && params->filters[0] && params->filters[0]->descriptors &&
      params->filters[0]->count > 0) {
    const char* extension = params->filters[0]->descriptors[0].extension;
    request.defaultExtension.assign(extension, ::strnlen(extension, sizeof params->filters[0]->descriptors[0].extension));
  }
  return request;
}

ASBool AVOpenFileDialogImpl(const AVFileDialogParams* params, ASFileSys* fileSys, ASPathName** paths, ASUns16* count,
                            ASUns16* filterIndex) {
  Enter(TableId::AcroView, AcroViewSel::OpenFileDialog);
  if (!paths || !count) Raise(genErrBadParm);
  FileAnswer answer = AskFile(FromParams(params, false));
  if (answer.kind != FileAnswer::Chosen) return 0;
  static auto* held = new std::vector<ASPathName>;  // the host's until the next open dialog
  *held = {NewPath(answer.path)};
  *paths = held->data();
  *count = 1;
  if (fileSys) *fileSys = DefaultFileSys();
  if (filterIndex) *filterIndex = 0;
  return 1;
}

ASBool AVSaveFileDialogImpl(const AVFileDialogParams* params, ASFileSys* fileSys, ASPathName* path,
                            ASUns16* filterIndex) {
  Enter(TableId::AcroView, AcroViewSel::SaveFileDialog);
  if (!path) Raise(genErrBadParm);
  FileAnswer answer = AskFile(FromParams(params, true));
  if (answer.kind != FileAnswer::Chosen) return 0;
  *path = NewPath(answer.path);
  if (fileSys) *fileSys = DefaultFileSys();
  if (filterIndex) *filterIndex = 0;
  return 1;
}

}  // namespace

std::string ChosenPath(const FileRequest& request, const std::string& answer) {
  std::string path = answer;
  if (path.empty() || path[0] != '/') {
    while (path.compare(0, 2, "./") == 0) path.erase(0, 2);
    char folder[PATH_MAX];
    std::string base = ::getcwd(folder, sizeof folder) ? folder : ".";
    path = (base == "/" ? "" : base) + "/" + path;
  }
  std::string last = path.substr(path.rfind('/') + 1);
  if (request.save && !request.defaultExtension.empty() && last.find('.') == std::string::npos)
    path += "." + request.defaultExtension;
  return path;
}

void InitChooserEntries() {
  HFT windows = Import(WINDOWS_HFT_NAME, HFT_VERSION(1, 0));
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(windows, WindowsSel, Win##name##Impl, name, ret, params);
  HOST_WINDOWS_CHOOSER_PROCS(FILL)
#undef FILL
  HFT view = Import(ACROVIEW_HFT_NAME, HFT_VERSION(5, 0));
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(view, AcroViewSel, AV##name##Impl, name, ret, params);
  HOST_ACROVIEW_CHOOSER_PROCS(FILL)
#undef FILL
}

}  // namespace host
