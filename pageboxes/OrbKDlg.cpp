#include "pageboxes/OrbKDlg.h"

#include <algorithm>
#include <vector>

#include "common/ADMSuites.h"
#include "common/CosValueText.h"
#include "common/HostCall.h"
#include "common/MyCosDoc.h"
#include "pageboxes/FramewickTool.h"
#include "pageboxes/HostEntry.h"
#include "host/piglue.h"

namespace {

const ASInt32 kTemplate = 117, kModeBox = 1063, kLabels = 1074, kValues = 1075;
const ASInt32 kValueGap = 5;
const char kNotPresent[] = "(not present)";
const char kPrompt[] =
    "You changed a preference used by Orb/K mode.  Do you want to change it back or disable Orb/K mode?";

// The facts in the order shown: the label and the key that holds it.
const struct {
  const char *label, *key;
} kFacts[] = {{"PDF/X Version", "GTS_PDFXVersion"},
              {"Trapped key", "Trapped"},
              {"OutputConditionIdentifier", "OutputConditionIdentifier"},
              {"RegistryName", "RegistryName"},
              {"DestOutputProfile", "DestOutputProfile"},
              {"OutputCondition", "OutputCondition"},
              {"Info", "Info"}};
const size_t kFactCount = sizeof kFacts / sizeof kFacts[0];

ASCallback gPreferenceProc = nullptr;  // made once, kept for the process

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) text += (i ? "\n" : "") + lines[i];
  return text;
}

// A string's or a name's text; another value as it would be written.
std::string FactText(const MyCosObj& obj) {
  const ASInt32 type = obj.GetType();
  if (type == CosString || type == CosName) return obj.ValueAsString();
  return CosValueText(obj.GetCosObj(), 0, 0).Text();
}

// Sizes the item to its lines of text in its own font; answers its bounds
// before and after.
std::pair<ADMRect, ADMRect> FitToText(ADMItemRef item) {
  ADMRect before{}, after{};
  ADMItem::GetBoundsRect(item, &before);
  std::string text;
  ReadADMItemText(item, 1024, text);
  ADMDrawerRef drawer = ADMDrawer::Create(ADMItem::GetWindowRef(item), &before, ADMItem::GetFont(item));
  ASInt32 width = 0, lines = 0;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find('\n', start);
    width = std::max(width, ADMDrawer::GetTextWidth(drawer, text.substr(start, end - start).c_str()));
    ++lines;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  const ASInt32 height = lines * ADMDrawer::GetFontLineHeight(drawer);
  ADMDrawer::Destroy(drawer);
  ADMItem::Resize(item, width, height);
  ADMItem::GetBoundsRect(item, &after);
  return {before, after};
}

// The host's menu item that switches a preference; none when it has none.
AVMenuItem SwitchItem(ASInt32 preference) {
  AVMenubar bar = AVAppGetMenubar();
  if (preference == 131) return AVMenubarAcquireMenuItemByName(bar, "Overprint");
  AVMenuItem item = AVMenubarAcquireMenuItemByName(bar, "UseLocalFonts");
  return item ? item : AVMenubarAcquireMenuItemByName(bar, "LocalFonts");
}

// The tool's page-switch handlers keep still while the mode's own changes go on.
struct Busy {
  Busy() : tool(FramewickTool::Exists() ? FramewickTool::Instance() : nullptr), was(tool && tool->busy) {
    if (tool) tool->busy = true;
  }
  ~Busy() {
    if (tool) tool->busy = was;
  }
  FramewickTool* tool;
  bool was;
};

}  // namespace

OrbKDlg::OrbKDlg() = default;

OrbKDlg::~OrbKDlg() {
  Caught([&] { SetMode(false, false); });
}

bool OrbKDlg::DoModeless(ASInt32 style, ASInt32 options) {
  return OpenModeless("Zent:QFXToolOrbK", kTemplate, style, options);
}

void OrbKDlg::InitSelf() {
  ADMDialog::SetText(dialog_, "Orb/K");
  ADMItemRef labels = ADMDialog::GetItem(dialog_, kLabels);
  ADMItemRef values = ADMDialog::GetItem(dialog_, kValues);
  std::vector<std::string> lines;
  for (const auto& fact : kFacts) lines.push_back(std::string(fact.label) + ":");
  ADMItem::SetText(labels, Joined(lines).c_str());
  const auto fitted = FitToText(labels);
  ADMRect at{};
  ADMItem::GetBoundsRect(values, &at);
  ADMItem::Move(values, fitted.second.right + kValueGap, at.top);
  ADMDialog::GetBoundsRect(dialog_, &bounds_);
  bounds_.bottom += (fitted.second.bottom - fitted.second.top) - (fitted.first.bottom - fitted.first.top);
  ADMDialog::SetBoundsRect(dialog_, &bounds_);
  AVPageView view = nullptr;
  HostCall("OrbKDlg::InitSelf", [&] {
    if (AVDoc doc = AVAppGetActiveDoc()) view = AVDocGetPageView(doc);
  });
  ShowFacts(view);
}

void OrbKDlg::DestroySelf() { SetMode(false, false); }

void OrbKDlg::OnGroupNotify(AVPageView view) { ShowFacts(view); }

void OrbKDlg::ShowFacts(AVPageView view) {
  std::vector<std::string> values(kFactCount, kNotPresent);
  if (view) {
    try {
      CosDoc cos = nullptr;
      HostCall("OrbKDlg::ShowFacts", [&] { cos = PDDocGetCosDoc(AVDocGetPDDoc(AVPageViewGetAVDoc(view))); });
      const MyCosDoc doc(cos);
      const MyCosObj info = doc.GetInfoDict();
      const MyCosObj version = info.Get("GTS_PDFXVersion"), conformance = info.Get("GTS_PDFXConformance");
      if (!version.IsNull()) {
        std::string text = FactText(version);
        const std::string claimed = conformance.IsNull() ? std::string() : FactText(conformance);
        if (!claimed.empty()) text += " (" + claimed + ")";
        if (!text.empty()) values[0] = text;
      }
      const MyCosObj trapped = info.Get("Trapped");
      if (!trapped.IsNull()) values[1] = FactText(trapped);
      const MyCosObj intents = doc.GetRoot().Get("OutputIntents");
      for (ASInt32 i = 0, n = intents.IsNull() ? 0 : intents.Length(); i < n; ++i) {
        const MyCosObj intent = intents.Get(i);
        if (intent.GetType() != CosDict || FactText(intent.Get("Type")) != "OutputIntent" ||
            intent.Get("Type").GetType() != CosName || intent.Get("S").GetType() != CosName ||
            FactText(intent.Get("S")) != "GTS_PDFX")
          continue;
        for (size_t f = 2; f < kFactCount; ++f) {
          const MyCosObj value = intent.Get(kFacts[f].key);
          if (!value.IsNull()) values[f] = f == 4 ? "(present)" : FactText(value);
        }
        break;
      }
    } catch (const Zentu::AcrobatException& e) {
      throw FramewickTool::AcroException{e.ErrorCode()};
    }
  }
  ADMItemRef item = ADMDialog::GetItem(dialog_, kValues);
  std::string previous;
  ReadADMItemText(item, 1024, previous);
  ADMItem::SetText(item, Joined(values).c_str());
  const auto fitted = FitToText(item);
  const ASInt32 wider = (fitted.second.right - fitted.second.left) - (fitted.first.right - fitted.first.left);
  if (previous.size() < 2 && wider > 0) {
    ADMDialog::GetBoundsRect(dialog_, &bounds_);
    bounds_.right += wider;
    ADMDialog::SetBoundsRect(dialog_, &bounds_);
  }
}

void OrbKDlg::Apply(bool modeValues) {
  Busy busy;
  HostCall("OrbKDlg::SetMode", [&] {
    for (const PrefRecord& r : records_) {
      const ASInt32 wanted = modeValues ? r.modeValue : r.userValue;
      if (r.preference == 96) {
        AVAppSetPreference(r.preference, wanted);
        continue;
      }
      AVMenuItem item = SwitchItem(r.preference);
      if (!item) continue;
      if ((AVMenuItemIsMarked(item) != 0) != (wanted != 0)) AVMenuItemExecute(item);
      AVMenuItemRelease(item);
    }
  });
}

void OrbKDlg::SetMode(bool on, bool keepUserValues) {
  if (on) {
    if (keepUserValues)
      HostCall("OrbKDlg::SetMode", [&] {
        for (PrefRecord& r : records_) r.userValue = static_cast<ASInt16>(AVAppGetPreference(r.preference));
      });
    Apply(true);
    HostCall("OrbKDlg::SetMode", [&] {
      if (!gPreferenceProc)
        gPreferenceProc = ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(&OrbKDlg::PreferenceChanged));
      if (!registered_) AVAppRegisterNotification(avNotifyAppPrefDidChange, gExtensionID, gPreferenceProc, this);
    });
    registered_ = true;
    mode_ = true;
    return;
  }
  if (!mode_) return;
  mode_ = false;
  if (registered_)
    HostCall("OrbKDlg::SetMode", [&] {
      AVAppUnregisterNotification(avNotifyAppPrefDidChange, gExtensionID, gPreferenceProc, this);
    });
  registered_ = false;
  Apply(false);
}

void OrbKDlg::PreferenceChanged(ASInt32 preference, void* data) {
  Caught([&] { static_cast<OrbKDlg*>(data)->OnPreferenceChanged(preference); });
}

void OrbKDlg::OnPreferenceChanged(ASInt32 preference) {
  PrefRecord* record = nullptr;
  for (PrefRecord& r : records_)
    if (r.preference == preference) record = &r;
  if (!record || !mode_) return;
  ASInt32 now = 0, answer = 0;
  HostCall("OrbKDlg", [&] { now = AVAppGetPreference(preference); });
  if (now == record->modeValue) return;
  HostCall("OrbKDlg", [&] { answer = AVAlert(1, kPrompt, "Change", "Disable", nullptr, 1); });
  if (answer == 1) {
    Apply(true);
    return;
  }
  ADMItem::SetBooleanValue(ADMDialog::GetItem(dialog_, kModeBox), false);
  record->userValue = static_cast<ASInt16>(now);
  SetMode(false, false);
}

void OrbKDlg::Notify(ADMNotifierRef notifier) {
  if (ADMNotifier::IsNotifierType(notifier, ADM_NOTIFY_CLOSE_HIT)) {
    GroupedADMDialog::Notify(notifier);  // deletes this dialog
    return;
  }
  GroupedADMDialog::Notify(notifier);
  ADMItemRef item = ADMNotifier::GetItem(notifier);
  if (ADMNotifier::IsNotifierType(notifier, ADM_NOTIFY_USER_CHANGED) && item && ADMItem::GetID(item) == kModeBox) {
    SetMode(!mode_, true);
  } else if (ADMNotifier::IsNotifierType(notifier, ADM_NOTIFY_BOUNDS_CHANGED) && !item) {
    ADMDialog::GetBoundsRect(dialog_, &bounds_);
  }
}
