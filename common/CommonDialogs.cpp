#include "common/CommonDialogs.h"

#include <cstdio>

#include "common/ADMSuites.h"
#include "common/AcrobatException.h"
#include "common/HostCall.h"

namespace Zentu {
namespace {

const int kMajorVersion = 3;
const int kMinorVersion = 1;
const char kVersionSuffix[] = "";
const char kBuildTime[] = __DATE__ " " __TIME__;  // "Aug  1 2003 15:14:18"

std::string& Prefix() {
  static auto* prefix = new std::string("Zent:PDF/X Corvane 3");
  return *prefix;
}

}  // namespace

const std::string& DialogNamePrefix() { return Prefix(); }
void SetDialogNamePrefix(const std::string& prefix) { Prefix() = prefix; }

// About ----------------------------------------------------------------------------
void AboutDlgADM::InitSelf() {
  std::string name = DialogNamePrefix() + ":AboutDlgADM";
  HostRegionResult r = HostRegion([&] {
    if (ADMItemRef notice = ADMDialog::GetItem(dialog_, 1023)) {
      ADMItem::PrepareStaticText(notice);
      ADMItem::SetItemType(notice, ADM_ITEM_STATIC_MULTILINE);
      std::string text;
      ReadADMItemText(notice, 1024, text);
      char version[128];
      std::snprintf(version, sizeof version, "\nversion %d.%02d%s\n%s", kMajorVersion, kMinorVersion, kVersionSuffix,
                    kBuildTime);
      ADMItemSetText(notice, (text + version).c_str(), kASTextEncodingByte);
    }
    // Without memory from the host a picture is left out.
    if (ADMItemRef item = ADMDialog::GetItem(dialog_, 1018)) smallPicture_ = new DlgImage(*this, name.c_str(), item, 107);
    if (ADMItemRef item = ADMDialog::GetItem(dialog_, 1020)) largePicture_ = new DlgImage(*this, name.c_str(), item, 123);
  });
  if (r.raised) throw AcrobatException(0, r.code, "AboutDlgADM::InitSelf()");
}

void AboutDlgADM::Save() {
  HostRegionResult r = HostRegion([] {});
  if (r.raised) throw AcrobatException(0, r.code, "AboutDlgADM::Save()");
}

ASInt32 AboutDlgADM::DoModal() {
  std::string name = DialogNamePrefix() + ":AboutDlgADM";
  return Modal(gADMPluginRef, name.c_str(), 132, 0, 0);
}

// String entry ----------------------------------------------------------------------
StringEntryDlgADM::StringEntryDlgADM(const std::string& title, const std::string& prompt, ASInt32 resource,
                                     ASInt32 promptItem, ASInt32 entryItem)
    : title_(title.empty() ? "Please enter the requested string" : title),
      prompt_(prompt),
      resource_(resource),
      promptItem_(promptItem),
      entryItem_(entryItem) {}

void StringEntryDlgADM::InitSelf() {
  HostRegion([&] {
    ASText title = ASTextFromEncoded(title_.c_str(), kASTextEncodingByte);
    try {
      SetADMDialogText(dialog_, title);
    } catch (...) {
      HostCallQuietly([&] { ASTextDestroy(title); });
      throw;
    }
    ASTextDestroy(title);
    if (ADMItemRef prompt = ADMDialog::GetItem(dialog_, promptItem_))
      ADMItemSetText(prompt, prompt_.c_str(), kASTextEncodingByte);
    if (ADMItemRef entry = ADMDialog::GetItem(dialog_, entryItem_)) {
      ADMItemSetText(entry, value_.c_str(), kASTextEncodingByte);
      ADMItem::SelectAll(entry, 1);
      ADMItem::TakeFocus(entry);
    }
  });
}

void StringEntryDlgADM::Save() {
  HostRegion([&] {
    if (ADMItemRef entry = ADMDialog::GetItem(dialog_, entryItem_)) ReadADMItemText(entry, 100, value_);
  });
}

ASInt32 StringEntryDlgADM::DoModal() {
  std::string name = DialogNamePrefix() + ":StringEntryDlgADM";
  return Modal(gADMPluginRef, name.c_str(), resource_, 0, 0);
}

}  // namespace Zentu
