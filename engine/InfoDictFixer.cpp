// The repairs of the Information dictionary and of the file identifier,
// and the helpers that lead a fixer from its record to the document.
#include <bitset>
#include <cctype>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "common/HostCall.h"
#include "common/MyCosDoc.h"
#include "engine/ErrorNames.h"
#include "engine/Fixers.h"
#include "engine/PDFXPreflight.h"
#include "engine/PDFX_Error.h"
#include "engine/StatusInterface.h"
#include "host/calls.h"
#include "host/frame.h"

namespace {

// The question icon of the host's alerts.
const ASInt32 kAlertQuestion = 2;


void SetInfoText(PDDoc pd, const std::string& key, const std::string& value) {
  HostCall("InfoDictFixer::FixIt", [&] {
    PDDocSetInfo(pd, key.c_str(), value.c_str(), static_cast<ASInt32>(value.size()));
  });
}

// The display text of the document's file path; empty when the document
// has no file of its own.
std::string DisplayPath(PDDoc pd) {
  std::string text;
  HostRegionResult r = HostRegion([&] {
    ASFile file = PDDocGetFile(pd);
    ASFileSys fileSys = ASFileGetFileSys(file);
    ASPathName path = ASFileAcquirePathName(file);
    char* display = nullptr;
    HostRegionResult inner = HostRegion([&] { display = ASDisplayStringFromPath(fileSys, path, nullptr); });
    ASFileSysReleasePath(fileSys, path);
    if (inner.raised) return;
    if (display) text = display;
    ASFree(display);
  });
  if (r.raised) text.clear();
  return text;
}

}  // namespace

PDDoc GetErrorPDDoc(const Zentu::PDFX_Error* error) {
  if (!error || !error->GetOwner()) return nullptr;
  const MyCosDoc& doc = error->GetOwner()->GetMainDocument();
  return doc.IsValid() ? doc.GetPDDoc() : nullptr;
}

MyCosObj GetErrorInfoDict(const Zentu::PDFX_Error* error) {
  if (!error || !error->GetOwner()) return MyCosObj();
  const MyCosDoc& doc = error->GetOwner()->GetMainDocument();
  return doc.IsValid() ? doc.GetInfoDict() : MyCosObj();
}

const char* FormatPDFDate() {
  static char text[40];
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const size_t length = std::strftime(text, sizeof text - 1, "D:%Y%m%d%H%M%S", &local);
  text[length] = 'z';
  text[length + 1] = '\0';
  return text;
}

std::string TitleFromDisplayPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && name.size() - dot == 4) {
    std::string extension = name.substr(dot);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".pdf") name.erase(dot);
  }
  return name;
}

namespace Zentu {

InfoDictFixer::InfoDictFixer(const std::string& value) : value_(value) {}
InfoDictFixer::~InfoDictFixer() = default;

int InfoDictFixer::FixIt(FixContext& context, bool interactive) {
  if (!context.error) return 1;
  const std::string key = context.error->GetDetail();
  if (key == "GTS_PDFXVersion" || key == "GTS_PDFXConformance") return FixIdentification(context, interactive);
  if (key == "Trapped") return FixTrapped(*context.error, interactive);
  if (key == "CreationDate" || key == "ModDate") {
    PDDoc pd = GetErrorPDDoc(context.error);
    const std::string date = FormatPDFDate();
    SetInfoText(pd, key, date);
    if (key == "CreationDate") SetInfoText(pd, "ModDate", date);
    return 2;
  }
  if (key == "Creator" || key == "Title" || key == "Producer") return FixText(context, key, interactive);
  return 4;
}

int InfoDictFixer::FixIdentification(FixContext& context, bool interactive) {
  PDFX_Error& error = *context.error;
  const std::string& key = error.GetDetail();
  // The identification is written only while nothing unfixable is open,
  // and without the user, nothing fixable either.
  std::bitset<10> severities;
  severities.set(UNFIXABLE_ERROR);
  if (!interactive) severities.set(FIXABLE_ERROR);
  const int open = context.ui ? context.ui->CountResults(severities) : -1;
  if (open == 0) {
    SetInfoText(GetErrorPDDoc(&error), key, value_);
    return 2;
  }
  if (error.IsFixed()) {
    // Written by an earlier pass: taken back.
    MyCosObj info = GetErrorInfoDict(&error);
    if (info.CachedType() == CosDict) info.Remove(key);
    error.SetFixed(false);
  }
  return 1;
}

int InfoDictFixer::FixTrapped(PDFX_Error& error, bool interactive) {
  std::vector<const char*> buttons;
  int choice = 0;
  int cancel = 0;
  if (value_.empty()) {
    buttons = {"/True", "/False", "Cancel"};
    choice = 2;
    cancel = 3;
  } else if (value_ == "True") {
    buttons = {"/True", "Cancel"};
    choice = 1;
    cancel = 2;
  } else {
    HostCall("InfoDictFixer::FixIt", [&] { AVAlertNote("Error for /Trapped fix"); });
    return 4;
  }
  if (interactive) {
    HostCall("InfoDictFixer::FixIt", [&] {
      choice = AVAlert(kAlertQuestion, "Choose a value for the /Trapped key \n(or press \"Cancel\")", buttons[0],
                       buttons[1], buttons.size() > 2 ? buttons[2] : nullptr, 0);
    });
    // Cancel, or an answer that names no value, changes nothing.
    if (choice < 1 || choice >= cancel) return 1;
  }
  const std::string value = buttons[static_cast<size_t>(choice - 1)] + 1;  // without the slash

  PDDoc pd = GetErrorPDDoc(&error);
  MyCosObj info = GetErrorInfoDict(&error);
  if (info.IsNull()) {
    // Setting a text entry makes the dictionary; the entry itself goes again.
    SetInfoText(pd, "Trapped", value);
    info = GetErrorInfoDict(&error);
    info.Remove("Trapped");
  } else if (error.GetProblemKind() != PROBLEM_MISSING) {
    info.Remove("Trapped");
  }
  MyCosObj name;
  if (!name.NewName(error.GetOwner()->GetMainDocument(), 0, value.c_str())) return 1;
  info.Put("Trapped", name);
  return 2;
}

int InfoDictFixer::FixText(FixContext& context, const std::string& key, bool interactive) {
  PDDoc pd = GetErrorPDDoc(context.error);
  std::string text = "Unknown";
  if (key == "Title") {
    const std::string path = DisplayPath(pd);
    // A document without a file of its own has no name to offer.
    if (!path.empty()) text = TitleFromDisplayPath(path);
  }
  if (interactive) {
    if (!context.ui) return 1;
    const std::string prompt = "Enter the string to be used for the " + key + " key in the Info dictionary";
    StringAnswer answer = context.ui->AskString("", prompt.c_str(), text.c_str());
    if (answer.answer != 1) return 1;
    text = answer.text;
  }
  SetInfoText(pd, key, text);
  return 2;
}

JustSaveFixer::~JustSaveFixer() = default;

int JustSaveFixer::FixIt(FixContext& context, bool) {
  PDDoc pd = GetErrorPDDoc(context.error);
  if (!pd) return 1;
  HostCall("JustSaveFixer::FixIt", [&] { PDDocSetFlags(pd, 1); });
  return 2;
}

}  // namespace Zentu
