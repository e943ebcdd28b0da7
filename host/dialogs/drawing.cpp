// Recorded drawing. Draw procedures run when a dialog first shows and then,
// before the user's next step, for every item and list entry whose drawing
// was invalidated; each drawing records what it drew (texts with their
// boxes and colours, fills, frames, lines, bitmap copies) in place of the
// last, so that a user of plughost reads a dialog as it was drawn.
#include <algorithm>
#include <map>
#include <memory>

#include "dialogs/metrics.h"
#include "dialogs/model.h"

namespace host {
namespace dm {
namespace {

// A draw procedure that keeps invalidating what it draws stops here.
const int kPasses = 4;

ADMRect Size(const ADMRect& r) { return ADMRect{0, 0, r.right - r.left, r.bottom - r.top}; }

bool Overlaps(const ADMRect& a, const ADMRect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Runs one draw procedure with a drawer over `record`.
template <class Body>
void WithDrawer(Dialog& d, const ADMRect& bounds, DrawRecord& record, Body&& body) {
  record.clear();
  Drawer drawer{&d, bounds, &record};
  LiveScope live(&drawer);
  try {
    body(reinterpret_cast<ADMDrawerRef>(&drawer));
  } catch (...) {
    ReleaseDrawerDC(drawer);
    throw;
  }
  ReleaseDrawerDC(drawer);
}

void DrawEntry(Item& item, Entry& entry) {
  ADMRect bounds = EntryBox(item);
  ADMEntryDrawProc proc = item.list->draw;
  WithDrawer(*item.dialog, bounds, entry.record, [&](ADMDrawerRef drawer) {
    if (proc)
      proc(reinterpret_cast<ADMEntryRef>(entry.handle), drawer);
    else  // the host's own drawing of an entry: its text
      entry.record.push_back(DrawOp{DrawOp::Text, bounds, 0, entry.text, 0});
  });
}

void DrawItem(Item& item) {
  WithDrawer(*item.dialog, Size(item.bounds), item.record, [&](ADMDrawerRef drawer) {
    if (item.draw) item.draw(Ref(item), drawer);
  });
}

void Record(ADMDrawerRef ref, DrawOp op) {
  Drawer& drawer = DR(ref);
  op.color = drawer.color;
  drawer.record->push_back(std::move(op));
}

#define DRENTER(sel) SuiteEnter(TableId::ADMDrawer, ADMDrawerSel::sel, "Drawer")

WinDC DrawerGetDCImpl(ADMDrawerRef drawer) {
  DRENTER(GetDC);
  return DrawerDC(DR(drawer));
}

void DrawerGetBoundsRectImpl(ADMDrawerRef drawer, ADMRect* bounds) {
  DRENTER(GetBoundsRect);
  Drawer& d = DR(drawer);
  if (!bounds) Raise(genErrBadParm);
  *bounds = d.bounds;
}

void DrawerSetColorImpl(ADMDrawerRef drawer, ASInt32 color) {
  DRENTER(SetColor);
  DR(drawer).color = color;
}

ASInt32 DrawerGetColorImpl(ADMDrawerRef drawer) {
  DRENTER(GetColor);
  return DR(drawer).color;
}

// A text whose box lies outside the visible area is not drawn.
void DrawerDrawTextInBoxImpl(ADMDrawerRef drawer, const ADMRect* box, const char* text, ASInt32) {
  DRENTER(DrawTextInBox);
  Drawer& d = DR(drawer);
  if (!box) Raise(genErrBadParm);
  if (!Overlaps(*box, d.bounds)) return;
  Record(drawer, DrawOp{DrawOp::Text, *box, 0, text ? text : "", 0});
}

void DrawerFillRectImpl(ADMDrawerRef drawer, const ADMRect* rect) {
  DRENTER(FillRect);
  if (!rect) Raise(genErrBadParm);
  Record(drawer, DrawOp{DrawOp::Fill, *rect, 0, "", 0});
}

void DrawerFrameRectImpl(ADMDrawerRef drawer, const ADMRect* rect) {
  DRENTER(FrameRect);
  if (!rect) Raise(genErrBadParm);
  Record(drawer, DrawOp{DrawOp::Frame, *rect, 0, "", 0});
}

void DrawerDrawLineImpl(ADMDrawerRef drawer, const ADMPoint* from, const ADMPoint* to) {
  DRENTER(DrawLine);
  if (!from || !to) Raise(genErrBadParm);
  Record(drawer, DrawOp{DrawOp::Line, ADMRect{from->h, from->v, to->h, to->v}, 0, "", 0});
}

void DrawerFillRectRGBImpl(ADMDrawerRef drawer, const ADMRect* rect, const ADMRGBColor* color) {
  DRENTER(FillRectRGB);
  if (!rect || !color) Raise(genErrBadParm);
  DrawOp op{DrawOp::Fill, *rect, 0, "", 0};
  op.rgb = *color;
  op.isRGB = true;
  Record(drawer, op);
}

void DrawerDrawIconImpl(ADMDrawerRef drawer, ADMIconRef icon, const ADMPoint* where) {
  DRENTER(DrawIcon);
  if (!where) Raise(genErrBadParm);
  Record(drawer,
         DrawOp{DrawOp::Icon, ADMRect{where->h, where->v, where->h, where->v}, 0, IconName(icon), IconNumber(icon)});
}

ASInt32 DrawerGetTextWidthImpl(ADMDrawerRef drawer, const char* text) {
  DRENTER(GetTextWidth);
  DR(drawer);
  return metrics::TextWidth(text ? text : "");
}

ASInt32 DrawerGetFontLineHeightImpl(ADMDrawerRef drawer) {
  DRENTER(GetFontLineHeight);
  DR(drawer);
  return metrics::kLineHeight;
}

// A measuring drawer lives until Destroy; what it draws is dropped.
struct MadeDrawer {
  DrawRecord record;
  Drawer drawer;
};
std::map<const Drawer*, std::unique_ptr<MadeDrawer>>& MadeDrawers() {
  static auto* made = new std::map<const Drawer*, std::unique_ptr<MadeDrawer>>;
  return *made;
}

ADMDrawerRef DrawerCreateImpl(WinWindow window, const ADMRect* bounds, ASInt32) {
  DRENTER(Create);
  auto items = M().itemWindows.find(window);
  auto dialogs = M().windows.find(window);
  Dialog* d = items != M().itemWindows.end() ? items->second->dialog
              : dialogs != M().windows.end() ? dialogs->second
                                             : nullptr;
  if (!d || !bounds) Raise(genErrBadParm);
  auto made = std::make_unique<MadeDrawer>();
  made->drawer = Drawer{d, Size(*bounds), &made->record};
  Drawer* drawer = &made->drawer;
  MadeDrawers()[drawer] = std::move(made);
  M().live.insert(drawer);
  return reinterpret_cast<ADMDrawerRef>(drawer);
}

void DrawerDestroyImpl(ADMDrawerRef drawer) {
  DRENTER(Destroy);
  Drawer& d = DR(drawer);
  auto made = MadeDrawers().find(&d);
  if (made == MadeDrawers().end()) Raise(genErrBadParm);  // a draw procedure's own
  ReleaseDrawerDC(d);
  M().live.erase(&d);
  MadeDrawers().erase(made);
}

}  // namespace

void Invalidate(Item& item) {
  item.invalid = true;
  if (item.list)
    for (auto& entry : EntriesInOrder(*item.list)) entry.first->invalid = true;
}

void Invalidate(Entry& entry) { entry.invalid = true; }

void DrawDialog(Dialog& d, bool all) {
  auto keep = FindDialog(Ref(d));
  if (all) {
    DrawRecord unread;  // what the dialog itself draws shows nowhere
    WithDrawer(d, Size(d.bounds), unread, [&](ADMDrawerRef drawer) {
      if (d.draw) d.draw(Ref(d), drawer);
    });
    for (auto& item : d.items) Invalidate(*item);
  }
  for (int pass = 0; pass < kPasses; ++pass) {
    bool drew = false;
    auto items = d.items;  // procedures may add or remove items
    for (auto& item : items) {
      if (d.ending) return;
      if (item->ending || !item->visible) continue;
      if (item->invalid) {
        item->invalid = false;
        DrawItem(*item);
        drew = true;
      }
      if (!item->list || item->ending) continue;
      for (auto& row : EntriesInOrder(*item->list)) {
        auto& entry = row.first;
        if (!entry->invalid || !M().entries.count(entry->handle)) continue;
        entry->invalid = false;
        DrawEntry(*item, *entry);
        drew = true;
        if (item->ending || d.ending) break;
      }
    }
    if (!drew) return;
  }
}

std::vector<std::string> TextsLeftToRight(const DrawRecord& record) {
  std::vector<const DrawOp*> texts;
  for (auto& op : record)
    if (op.kind == DrawOp::Text) texts.push_back(&op);
  std::stable_sort(texts.begin(), texts.end(), [](const DrawOp* a, const DrawOp* b) { return a->rect.left < b->rect.left; });
  std::vector<std::string> out;
  for (auto* op : texts) out.push_back(op->text);
  return out;
}

std::string ShownText(const Item& item) {
  for (auto op = item.record.rbegin(); op != item.record.rend(); ++op)
    if (op->kind == DrawOp::Bitmap || op->kind == DrawOp::Icon)
      return (op->kind == DrawOp::Bitmap ? "bitmap " : "icon ") +
             (op->text.empty() ? std::to_string(op->bitmap) : op->text);
  std::vector<std::string> texts = TextsLeftToRight(item.record);
  if (texts.empty()) return item.list && item.kind == kPIItemPopupList ? SelectedText(item) : item.text;
  std::string out;
  for (size_t i = 0; i < texts.size(); ++i) out += (i ? "\t" : "") + texts[i];
  return out;
}

ADMRect EntryBox(const Item& item) {
  ASInt32 width = item.kind == kPIItemListBox ? ListArea(item).right - ListArea(item).left : item.bounds.right - item.bounds.left;
  if (item.kind == kPIItemHierarchyList && item.list && item.list->entryWidth > 0) width = item.list->entryWidth;
  return ADMRect{0, 0, width, metrics::kListEntryHeight};
}

ADMRect ListArea(const Item& item) {
  const ADMRect& b = item.bounds;
  ASInt32 inset = metrics::kListInset;
  return ADMRect{b.left + inset, b.top + inset, std::max(b.left + inset, b.right - inset - metrics::kScrollbarWidth),
                 std::max(b.top + inset, b.bottom - inset)};
}

void InitDrawerSuite() {
  HFT drawer = NewTable("ADM Drawer Suite", 4, kSuiteTableSize);
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(drawer, ADMDrawerSel, Drawer##name##Impl, name, ret, params);
  HOST_ADMDRAWER_PROCS(FILL)
#undef FILL
  AlsoAt(drawer, 1002, ADMDrawerSel::DrawTextInBox);
  AlsoAt(drawer, 1004, ADMDrawerSel::FrameRect);
  AlsoAt(drawer, 29, ADMDrawerSel::FrameRect);
  AlsoAt(drawer, 1006, ADMDrawerSel::GetTextWidth);
  OfferSuite("ADM Drawer Suite", 4, drawer);
}

}  // namespace dm
}  // namespace host
