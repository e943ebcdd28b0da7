// The application's preferences as integers, documents' windows and the
// frames of windows: what palettes need to place themselves and to show
// numbers in the user's units.
#include <map>
#include <memory>

#include "core/host.h"
#include "core/tables.h"
#include "host/procs.h"

namespace host {
namespace {

const ASInt32 kPageUnits = 39;
const AVRect kDocumentFrame = {0, 0, 1024, 768};

struct Frames {
  std::map<ASInt32, ASInt32> preferences{{kPageUnits, 1}};
  // One window a document, kept for the process: a window handle stays
  // valid however long a plug-in keeps it.
  std::map<ASUns32, std::unique_ptr<char>> windows;
};

Frames& F() {
  static auto* frames = new Frames;
  return *frames;
}

#define ENTER(sel) Enter(TableId::AcroView, AcroViewSel::sel)

ASInt32 AVAppGetPreferenceImpl(ASInt32 preference) {
  ENTER(AppGetPreference);
  auto it = F().preferences.find(preference);
  return it == F().preferences.end() ? 0 : it->second;
}

AVWindow AVDocGetAVWindowImpl(AVDoc doc) {
  ENTER(DocGetAVWindow);
  ViewPDDoc(doc);
  auto& window = F().windows[static_cast<ASUns32>(reinterpret_cast<uintptr_t>(doc))];
  if (!window) window.reset(new char);
  return reinterpret_cast<AVWindow>(window.get());
}

void AVWindowGetFrameImpl(AVWindow window, AVRect* frame) {
  ENTER(WindowGetFrame);
  if (!frame) Raise(genErrBadParm);
  for (auto& entry : F().windows)
    if (reinterpret_cast<AVWindow>(entry.second.get()) == window) {
      *frame = kDocumentFrame;
      return;
    }
  Raise(genErrBadHandle);
}

}  // namespace

void SetPreference(ASInt32 preference, ASInt32 value) { F().preferences[preference] = value; }
ASInt32 Preference(ASInt32 preference) { return AVAppGetPreferenceImpl(preference); }

void InitAcroViewWindowEntries() {
  HFT t = Import(ACROVIEW_HFT_NAME, HFT_VERSION(5, 0));
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(t, AcroViewSel, AV##name##Impl, name, ret, params);
  HOST_ACROVIEW_WINDOW_PROCS(FILL)
#undef FILL
}

}  // namespace host
