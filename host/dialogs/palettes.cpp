// What palettes need of the dialog manager: a dialog's creation name, its
// local rectangle and size, numeric items holding 16.16 values, icons from
// the plug-in's bitmaps, the mouse of a track, the colour picker (which
// asks the driver) and docking groups.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "dialogs/model.h"

namespace host {
namespace dm {
namespace {

// Each icon's resource: its number, and its name when it has one.
struct IconResource {
  ASInt32 number;
  std::string name;
};
std::map<uintptr_t, IconResource>& Icons() {
  static auto* icons = new std::map<uintptr_t, IconResource>;
  return *icons;
}

Tracker& TR(ADMTrackerRef ref) {
  if (!M().live.count(ref)) Raise(genErrBadHandle);
  return *reinterpret_cast<Tracker*>(ref);
}

std::string Number(ASInt32 n) { return std::to_string(n); }

#define DENTER(sel) SuiteEnter(TableId::ADMDialog, ADMDialogSel::sel, "Dialog")
#define IENTER(sel) SuiteEnter(TableId::ADMItem, ADMItemSel::sel, "Item")

const char* DialogGetDialogNameImpl(ADMDialogRef dialog) {
  DENTER(GetDialogName);
  return D(dialog).name.c_str();
}
void DialogGetLocalRectImpl(ADMDialogRef dialog, ADMRect* rect) {
  DENTER(GetLocalRect);
  const ADMRect& b = D(dialog).bounds;
  if (rect) *rect = ADMRect{0, 0, b.right - b.left, b.bottom - b.top};
}
void DialogSizeImpl(ADMDialogRef dialog, ASInt32 width, ASInt32 height) {
  DENTER(Size);
  if (width < 0 || height < 0) Raise(genErrBadParm);
  Dialog& d = D(dialog);
  d.bounds = ADMRect{d.bounds.left, d.bounds.top, d.bounds.left + width, d.bounds.top + height};
}
void DialogSetMinWidthImpl(ADMDialogRef dialog, ASInt32 width) {
  DENTER(SetMinWidth);
  hosttest::LogCall("dialog " + Number(D(dialog).number) + " minimum width " + Number(width));
}
void DialogSetMinHeightImpl(ADMDialogRef dialog, ASInt32 height) {
  DENTER(SetMinHeight);
  hosttest::LogCall("dialog " + Number(D(dialog).number) + " minimum height " + Number(height));
}

void ItemSetPrecisionImpl(ADMItemRef item, ASInt32 decimals) {
  IENTER(SetPrecision);
  if (decimals < 0 || decimals > 10) Raise(genErrBadParm);
  I(item).precision = decimals;
}
void ItemSetFixedValueImpl(ADMItemRef item, ASFixed value) {
  IENTER(SetFixedValue);
  Item& i = I(item);
  i.fixed = value;
  std::string text = FixedText(value, i.precision);
  if (text == i.text) return;
  i.text = text;
  Invalidate(i);
}
ASFixed ItemGetFixedValueImpl(ADMItemRef item) {
  IENTER(GetFixedValue);
  Item& i = I(item);
  const char* start = i.text.c_str();
  char* end = nullptr;
  double value = std::strtod(start, &end);
  while (end && (*end == ' ' || *end == '\t')) ++end;
  if (end == start || !end || *end || !std::isfinite(value)) {
    // No number: the value last set comes back.
    ItemSetFixedValueImpl(item, i.fixed);
    return i.fixed;
  }
  double raw = std::round(value * 65536.0);
  if (raw > std::numeric_limits<ASFixed>::max()) return std::numeric_limits<ASFixed>::max();
  if (raw < std::numeric_limits<ASFixed>::min()) return std::numeric_limits<ASFixed>::min();
  return static_cast<ASFixed>(raw);
}
void ItemSetUnitsImpl(ADMItemRef item, ASInt32 units) {
  IENTER(SetUnits);
  hosttest::LogCall(ItemName(I(item)) + " units " + Number(units));
}
void ItemSetAllowUnitsImpl(ADMItemRef item, ADMBoolean allow) {
  IENTER(SetAllowUnits);
  hosttest::LogCall(ItemName(I(item)) + " allows units " + Number(allow));
}

ADMBoolean BasicChooseColorImpl(ADMPoint, const ADMRGBColor* color, ADMRGBColor* chosen) {
  SuiteEnter(TableId::ADMBasic, ADMBasicSel::ChooseColor, "Basic");
  if (!color || !chosen) Raise(genErrBadParm);
  ADMRGBColor answer = *color;
  if (!M().driver || !M().driver->ChooseColor(*color, &answer)) return 0;
  *chosen = answer;
  return 1;
}

ADMIconRef IconGetFromResourceImpl(ADMPluginRef plugin, ASInt32 id, ASInt32) {
  SuiteEnter(TableId::ADMIcon, ADMIconSel::GetFromResource, "Icon");
  const PIBitmapResource* bitmap = FindBitmap(PluginOf(plugin).access, id);
  if (!bitmap) {
    hosttest::LogCall("no icon " + Number(id));
    return nullptr;
  }
  uintptr_t handle = M().nextHandle++;
  Icons()[handle] = IconResource{id, bitmap->name ? bitmap->name : ""};
  hosttest::LogCall("icon " + Number(id) + " loaded");
  return reinterpret_cast<ADMIconRef>(handle);
}

ASInt32 TrackerGetActionImpl(ADMTrackerRef tracker) {
  SuiteEnter(TableId::ADMTracker, ADMTrackerSel::GetAction, "Tracker");
  return TR(tracker).action;
}
void TrackerGetPointImpl(ADMTrackerRef tracker, ADMPoint* point) {
  SuiteEnter(TableId::ADMTracker, ADMTrackerSel::GetPoint, "Tracker");
  if (point) *point = TR(tracker).point;
}

ADMErr DialogGroupGetDialogGroupInfoImpl(ADMDialogRef dialog, ADMDialogGroupRef* group, ASInt32* position) {
  SuiteEnter(TableId::ADMDialogGroup, ADMDialogGroupSel::GetDialogGroupInfo, "DialogGroup");
  D(dialog);
  if (!group) return kADMErrBadParm;
  if (position) *position = 0;
  *group = nullptr;
  if (!M().docking) return kADMErrNone;
  if (!M().dockingGroup) M().dockingGroup = reinterpret_cast<ADMDialogGroupRef>(M().nextHandle++);
  *group = M().dockingGroup;
  return kADMErrNone;
}
ADMErr DialogGroupSetDialogGroupInfoImpl(ADMDialogRef dialog, ADMDialogGroupRef group, ASInt32) {
  SuiteEnter(TableId::ADMDialogGroup, ADMDialogGroupSel::SetDialogGroupInfo, "DialogGroup");
  Dialog& d = D(dialog);
  if (!group || group != M().dockingGroup) return kADMErrBadParm;
  hosttest::LogCall("dialog " + Number(d.number) + " docked");
  return kADMErrNone;
}

}  // namespace

std::string FixedText(ASFixed value, ASInt32 precision) {
  char text[64];
  double number = value / 65536.0;
  if (precision >= 0) {
    std::snprintf(text, sizeof text, "%.*f", precision, number);
    return text;
  }
  std::snprintf(text, sizeof text, "%.5f", number);
  std::string out = text;
  while (out.back() == '0') out.pop_back();
  if (out.back() == '.') out.pop_back();
  return out == "-0" ? "0" : out;
}

ASInt32 IconNumber(ADMIconRef icon) {
  auto it = Icons().find(reinterpret_cast<uintptr_t>(icon));
  if (it == Icons().end()) Raise(genErrBadHandle);
  return it->second.number;
}

std::string IconName(ADMIconRef icon) {
  auto it = Icons().find(reinterpret_cast<uintptr_t>(icon));
  if (it == Icons().end()) Raise(genErrBadHandle);
  return it->second.name;
}

void InitPaletteEntries(HFT dialog, HFT item) {
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(dialog, ADMDialogSel, Dialog##name##Impl, name, ret, params);
  HOST_ADMDIALOG_PALETTE_PROCS(FILL)
#undef FILL
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(item, ADMItemSel, Item##name##Impl, name, ret, params);
  HOST_ADMITEM_NUMBER_PROCS(FILL)
#undef FILL
}

void InitPaletteSuites() {
  HFT basic = NewTable("ADM Basic Suite", 7, kSuiteTableSize);
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(basic, ADMBasicSel, Basic##name##Impl, name, ret, params);
  HOST_ADMBASIC_PROCS(FILL)
#undef FILL
  OfferSuite("ADM Basic Suite", 7, basic);
  HFT icon = NewTable("ADM Icon Suite", 2, kSuiteTableSize);
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(icon, ADMIconSel, Icon##name##Impl, name, ret, params);
  HOST_ADMICON_PROCS(FILL)
#undef FILL
  OfferSuite("ADM Icon Suite", 2, icon);
  HFT group = NewTable("ADM Dialog Group Suite", 3, kSuiteTableSize);
#define FILL(name, ret, params, args) \
  HOST_FILL_ENTRY(group, ADMDialogGroupSel, DialogGroup##name##Impl, name, ret, params);
  HOST_ADMDIALOGGROUP_PROCS(FILL)
#undef FILL
  OfferSuite("ADM Dialog Group Suite", 3, group);
  HFT tracker = NewTable("ADM Tracker Suite", 1, kSuiteTableSize);
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(tracker, ADMTrackerSel, Tracker##name##Impl, name, ret, params);
  HOST_ADMTRACKER_PROCS(FILL)
#undef FILL
  OfferSuite("ADM Tracker Suite", 1, tracker);
}

}  // namespace dm

void SetDocking(bool on) {
  dm::M().docking = on;
  if (!on) dm::M().dockingGroup = nullptr;
}

}  // namespace host
