#include "alternates/ImageOptionsDialog.h"

#include <cstring>
#include <vector>

#include "common/ADMSuites.h"
#include "common/HostCall.h"

namespace {

enum : ASInt32 {
  kSpecify = 3, kCalculate = 4, kKeep = 5, kDpu = 6, kFactor = 7, kMono = 8, kColor = 9, kAscii = 10,
  kQuality = 11, kAtLeast = 12, kLarger = 13, kAll = 14, kLimitDpu = 15, kLimitKBytes = 16, kLimitUnits = 17,
  kResolutionGroup = 18, kWhichGroup = 19, kCompressionGroup = 22, kScaleUnits = 23, kColorGroup = 27,
  kConvertColors = 28, kOutputProfile = 34,
};
enum : ASInt32 { kMonoMenu = 16000, kColorMenu = 16001, kQualityMenu = 16002, kUnitsMenu = 16003 };

// Compression code (0 to 7) to the entry each pop-up shows.
const ASInt32 kMonoEntry[] = {0, 1, 2, 3, 4, 5, 6, 0};
const ASInt32 kColorEntry[] = {0, 1, 2, 4, 0, 0, 0, 3};
const ASInt32 kUseOriginal = 0, kJpegEntry = 3;

ASInt32 EntryOf(const ASInt32 (&table)[8], ASInt32 code) { return code >= 0 && code < 8 ? table[code] : 0; }

// The first code whose entry the pop-up shows; none keeps `code`.
void CodeOf(const ASInt32 (&table)[8], ASInt32 entry, int32_t& code) {
  for (ASInt32 c = 0; c < 8; ++c)
    if (table[c] == entry) {
      code = c;
      return;
    }
}

// A menu resource's entries, its title left out.
std::vector<std::string> MenuEntries(ASInt32 number) {
  std::vector<std::string> entries;
  const char* bytes = nullptr;
  ASUns32 size = 0;
  HostCall("ImageOptionsDialog::InitSelf", [&] {
    WinModule module = PluginModule();
    WinResource found = WinFindResource(module, number, "MENU");
    WinResourceData loaded = found ? WinLoadResource(module, found) : nullptr;
    if (!loaded) return;
    bytes = static_cast<const char*>(WinLockResource(loaded));
    size = WinSizeofResource(module, found);
  });
  for (ASUns32 at = 0; bytes && at < size;) {
    const void* zero = std::memchr(bytes + at, 0, size - at);
    const ASUns32 end = zero ? static_cast<ASUns32>(static_cast<const char*>(zero) - bytes) : size;
    entries.emplace_back(bytes + at, end - at);
    at = end + 1;
  }
  if (!entries.empty()) entries.erase(entries.begin());  // the title
  return entries;
}

}  // namespace

ImageOptionsDialog::ImageOptionsDialog(const ImageOptions& options, const std::string& title)
    : CAcroADMDialog(Variant::ImageAlternates), options_(options), title_(title) {}

ADMItemRef ImageOptionsDialog::Item(ASInt32 id) const { return ADMDialog::GetItem(dialog_, id); }

void ImageOptionsDialog::Enable(ASInt32 id, bool enable) const {
  if (ADMItemRef item = Item(id)) ADMItem::Enable(item, enable ? 1 : 0);
}

bool ImageOptionsDialog::IsOn(ASInt32 id) const {
  ADMItemRef item = Item(id);
  return item && ADMItem::GetBooleanValue(item) == 1;
}

ASInt32 ImageOptionsDialog::Chosen(ASInt32 id) const {
  ADMItemRef item = Item(id);
  ADMListRef list = item ? ADMItem::GetList(item) : nullptr;
  const ASInt32 count = list ? ADMList::NumberOfEntries(list) : 0;
  for (ASInt32 i = 0; i < count; ++i)
    if (ADMEntry::IsSelected(ADMList::IndexEntry(list, i))) return i;
  return -1;
}

void ImageOptionsDialog::FillPopup(ASInt32 id, ASInt32 menu, ASInt32 chosen) const {
  ADMItemRef item = Item(id);
  ADMListRef list = item ? ADMItem::GetList(item) : nullptr;
  if (!list) return;
  for (const std::string& entry : MenuEntries(menu)) ADMEntry::SetText(ADMList::InsertEntry(list, -1), entry.c_str());
  if (chosen >= 0 && chosen < ADMList::NumberOfEntries(list)) ADMEntry::Select(ADMList::IndexEntry(list, chosen), 1);
}

void ImageOptionsDialog::SetNumber(ASInt32 id, double value, bool enabled) const {
  ADMItemRef item = Item(id);
  if (!item) return;
  ADMItem::Enable(item, enabled ? 1 : 0);
  ADMItem::SetUnits(item, 0);
  ADMItem::SetAllowUnits(item, 0);
  ADMItem::SetFloatValue(item, static_cast<float>(value));
}

void ImageOptionsDialog::EnableResolution() const {
  const bool specify = IsOn(kSpecify);
  Enable(kDpu, specify);
  Enable(kScaleUnits, specify);
  Enable(kFactor, IsOn(kCalculate));
}

void ImageOptionsDialog::EnableQuality() const {
  const ASInt32 color = Chosen(kColor);
  Enable(kQuality, color == kUseOriginal || color == kJpegEntry);
}

void ImageOptionsDialog::EnableCriteria() const {
  const bool atLeast = IsOn(kAtLeast);
  Enable(kLimitDpu, atLeast);
  Enable(kLimitUnits, atLeast);
  Enable(kLimitKBytes, IsOn(kLarger));
}

void ImageOptionsDialog::InitSelf() {
  const ImageOptions& o = options_;
  // A host failure ends the filling; what is not filled keeps its template state.
  HostRegion([&] {
    ASText title = ASTextFromEncoded(title_.c_str(), kASTextEncodingByte);
    struct Text {
      ASText text;
      ~Text() { HostCallQuietly([this] { ASTextDestroy(text); }); }
    } owned{title};
    SetADMDialogText(dialog_, title);
    const std::pair<ASInt32, const char*> groups[] = {{kResolutionGroup, "Image Resolution"},
                                                      {kColorGroup, "Color Conversion"},
                                                      {kCompressionGroup, "Image Compression"},
                                                      {kWhichGroup, "Which Images?"}};
    for (const auto& group : groups)
      if (ADMItemRef item = Item(group.first)) ADMItemSetText(item, group.second, kASTextEncodingByte);

    const ASInt32 method[] = {kSpecify, kCalculate, kKeep};
    for (ASInt32 m = 0; m < 3; ++m)
      if (ADMItemRef item = Item(method[m])) ADMItem::SetBooleanValue(item, o.ScaleMethod == m ? 1 : 0);
    SetNumber(kDpu, o.DPU, o.ScaleMethod == 0);
    SetNumber(kFactor, o.Factor * 100, o.ScaleMethod == 1);

    FillPopup(kMono, kMonoMenu, EntryOf(kMonoEntry, o.MCT));
    FillPopup(kColor, kColorMenu, EntryOf(kColorEntry, o.CTCT));
    Enable(kMono, true);
    Enable(kColor, true);
    FillPopup(kQuality, kQualityMenu, o.JpegQuality);
    Enable(kQuality, o.CTCT == 0 || o.CTCT == 7);
    FillPopup(kScaleUnits, kUnitsMenu, o.ScaleUnits);
    Enable(kScaleUnits, o.ScaleMethod == 0);
    if (ADMItemRef item = Item(kAscii)) ADMItem::SetBooleanValue(item, o.AsciiEncode ? 1 : 0);

    const std::pair<ASInt32, int32_t> criteria[] = {{kAtLeast, 1}, {kLarger, 2}, {kAll, 0}};
    for (const auto& c : criteria)
      if (ADMItemRef item = Item(c.first)) ADMItem::SetBooleanValue(item, o.ScaleCriteria == c.second ? 1 : 0);
    SetNumber(kLimitDpu, o.LimitDPU, o.ScaleCriteria == 1);
    SetNumber(kLimitKBytes, o.LimitKBytes, o.ScaleCriteria == 2);
    FillPopup(kLimitUnits, kUnitsMenu, o.LimitUnits);
    Enable(kLimitUnits, o.ScaleCriteria == 1);
  });
}

void ImageOptionsDialog::Notify(ADMNotifierRef notifier) {
  CAcroADMDialog::Notify(notifier);
  if (!ADMNotifier::IsNotifierType(notifier, ADM_NOTIFY_USER_CHANGED)) return;
  ADMItemRef item = ADMNotifier::GetItem(notifier);
  switch (item ? ADMItem::GetID(item) : kADMNoItem) {
    case kSpecify:
    case kCalculate:
    case kKeep:
      EnableResolution();
      break;
    case kMono:
    case kColor:
      EnableQuality();
      break;
    case kAtLeast:
    case kLarger:
    case kAll:
      EnableCriteria();
      break;
    default:
      break;
  }
  // Items 28 to 34 (colour conversion) are not in template 131.
}

void ImageOptionsDialog::Save() {
  ImageOptions& o = options_;
  HostRegion([&] {
    const auto number = [&](ASInt32 id, double& field) {
      if (ADMItemRef item = Item(id)) field = ADMItem::GetFloatValue(item);
    };
    const auto entry = [&](ASInt32 id, int32_t& field) {
      const ASInt32 chosen = Chosen(id);
      if (chosen >= 0) field = chosen;
    };
    if (IsOn(kSpecify)) o.ScaleMethod = 0;
    if (IsOn(kCalculate)) o.ScaleMethod = 1;
    if (IsOn(kKeep)) o.ScaleMethod = 2;
    number(kDpu, o.DPU);
    if (ADMItemRef item = Item(kFactor)) o.Factor = ADMItem::GetFloatValue(item) * 0.01;
    entry(kScaleUnits, o.ScaleUnits);
    bool* const colorFlags[] = {&o.ConvertColors, &o.CCRGB, &o.CCCMYK, &o.CCGrayscale, &o.CCLab, &o.CCSpots};
    for (ASInt32 i = 0; i < 6; ++i)
      if (ADMItemRef item = Item(kConvertColors + i)) *colorFlags[i] = ADMItem::GetBooleanValue(item) == 1;
    entry(kOutputProfile, o.OutputProfile);
    CodeOf(kMonoEntry, Chosen(kMono), o.MCT);
    CodeOf(kColorEntry, Chosen(kColor), o.CTCT);
    entry(kQuality, o.JpegQuality);
    if (Item(kAscii)) o.AsciiEncode = IsOn(kAscii);
    if (IsOn(kAtLeast)) o.ScaleCriteria = 1;
    if (IsOn(kLarger)) o.ScaleCriteria = 2;
    if (IsOn(kAll)) o.ScaleCriteria = 0;
    entry(kLimitUnits, o.LimitUnits);
    number(kLimitDpu, o.LimitDPU);
    number(kLimitKBytes, o.LimitKBytes);
  });
}

ASInt32 RunImageOptionsDialog(ImageOptions& options, const char* title, const char* name, ASInt32 id) {
  ImageOptionsDialog dialog(options, title);
  const ASInt32 answer = dialog.Modal(gADMPluginRef, name, id, 0, 0);
  options = dialog.GetOptions();
  return answer;
}
