// The lists of pop-ups, list boxes and hierarchy lists: entries with a
// text, an identifier, user data and a selected flag, one selected at a
// time, and the List, Entry, Hierarchy List and List Entry suites over them.
// A list box has two children: its vertical scrollbar and its list area. A
// hierarchy list's entries may each hold a child list.
#include <algorithm>
#include <cstring>
#include <utility>

#include "dialogs/model.h"

namespace host {
namespace dm {
namespace {

#define LENTER(sel) SuiteEnter(TableId::ADMList, ADMListSel::sel, "List")
#define EENTER(sel) SuiteEnter(TableId::ADMEntry, ADMEntrySel::sel, "Entry")

ADMEntryRef Ref(const Entry& e) { return reinterpret_cast<ADMEntryRef>(e.handle); }

std::string Text(const char* text) { return text ? text : ""; }

// How many rows the list shows at once (a pop-up shows its one entry).
ASInt32 RowsInView(const List& list) {
  const Item& item = *list.item;
  if (item.kind != kPIItemListBox) return 1;
  ADMRect area = ListArea(item), box = EntryBox(item);
  return std::max<ASInt32>(1, (area.bottom - area.top) / std::max<ASInt32>(1, box.bottom - box.top));
}

// The first row in view, kept within the entries as they are now.
ASInt32 FirstRowInView(const List& list) {
  ASInt32 last = std::max<ASInt32>(0, static_cast<ASInt32>(list.entries.size()) - RowsInView(list));
  return std::min(std::max<ASInt32>(0, list.top), last);
}

ASInt32 IndexOf(const Entry& entry);

void Changed(Entry& entry) {
  Invalidate(entry);
  // A pop-up shows its selected entry's text.
  if (entry.list->item->kind == kPIItemPopupList) entry.list->item->invalid = true;
}

// Forgets the handles of an entry and of everything below it.
void ForgetEntry(Entry& entry) {
  M().entries.erase(entry.handle);
  if (!entry.child) return;
  for (auto& below : entry.child->entries) ForgetEntry(*below);
  M().lists.erase(entry.child->handle);
}

void RemoveAt(List& list, size_t index) {
  auto entry = list.entries[index];
  list.entries.erase(list.entries.begin() + static_cast<std::ptrdiff_t>(index));
  ForgetEntry(*entry);
  Invalidate(*list.item);
}

std::shared_ptr<Entry> NewEntry(List& list, ASInt32 index) {
  auto entry = std::make_shared<Entry>();
  entry->handle = M().nextHandle++;
  entry->list = &list;
  size_t at = index < 0 ? list.entries.size() : std::min(static_cast<size_t>(index), list.entries.size());
  list.entries.insert(list.entries.begin() + static_cast<std::ptrdiff_t>(at), entry);
  M().entries[entry->handle] = entry;
  Invalidate(*list.item);  // the entries after it move
  return entry;
}

std::unique_ptr<List> NewList(Item& item, Entry* parent) {
  auto list = std::make_unique<List>();
  list->handle = M().nextHandle++;
  list->item = &item;
  list->parent = parent;
  M().lists[list->handle] = list.get();
  return list;
}

void ListRemoveEntryImpl(ADMListRef ref, ASInt32 index) {
  LENTER(RemoveEntry);
  List& list = L(ref);
  if (index < 0 || static_cast<size_t>(index) >= list.entries.size()) Raise(genErrBadParm);
  RemoveAt(list, static_cast<size_t>(index));
}

ADMEntryRef ListIndexEntryImpl(ADMListRef ref, ASInt32 index) {
  LENTER(IndexEntry);
  List& list = L(ref);
  if (index < 0 || static_cast<size_t>(index) >= list.entries.size()) return nullptr;
  return Ref(*list.entries[static_cast<size_t>(index)]);
}

ADMEntryRef ListFindEntryImpl(ADMListRef ref, const char* text) {
  LENTER(FindEntry);
  List& list = L(ref);
  for (auto& entry : list.entries)
    if (text && entry->text == text) return Ref(*entry);
  return nullptr;
}

ASInt32 ListNumberOfEntriesImpl(ADMListRef ref) {
  LENTER(NumberOfEntries);
  return static_cast<ASInt32>(L(ref).entries.size());
}

ADMEntryRef ListInsertEntryImpl(ADMListRef ref, ASInt32 index) {
  LENTER(InsertEntry);
  return Ref(*NewEntry(L(ref), index));
}

void ListSetDrawProcImpl(ADMListRef ref, ADMEntryDrawProc proc) {
  LENTER(SetDrawProc);
  List& list = L(ref);
  list.draw = proc;
  Invalidate(*list.item);
}

void ListGetEntryTextRectImpl(ADMListRef ref, ADMRect* rect) {
  LENTER(GetEntryTextRect);
  List& list = L(ref);
  if (!rect) Raise(genErrBadParm);
  *rect = EntryBox(*list.item);
}

ADMItemRef ListGetItemImpl(ADMListRef ref) {
  LENTER(GetItem);
  return Ref(*L(ref).item);
}

void EntrySelectImpl(ADMEntryRef ref, ADMBoolean select) {
  EENTER(Select);
  SelectEntry(E(ref), select != 0);
}

void EntrySetTextImpl(ADMEntryRef ref, const char* text) {
  EENTER(SetText);
  Entry& entry = E(ref);
  entry.text = Text(text);
  Changed(entry);
}

void EntryGetTextImpl(ADMEntryRef ref, char* text, ASInt32 maxLength) {
  EENTER(GetText);
  CopyText(E(ref).text, text, maxLength);
}

void EntrySetIDImpl(ADMEntryRef ref, ASInt32 id) {
  EENTER(SetID);
  E(ref).id = id;
}

ASInt32 EntryGetIDImpl(ADMEntryRef ref) {
  EENTER(GetID);
  return E(ref).id;
}

void EntrySetUserDataImpl(ADMEntryRef ref, ADMUserData data) {
  EENTER(SetUserData);
  E(ref).userData = data;
}

ADMUserData EntryGetUserDataImpl(ADMEntryRef ref) {
  EENTER(GetUserData);
  return E(ref).userData;
}

ADMBoolean EntryIsSelectedImpl(ADMEntryRef ref) {
  EENTER(IsSelected);
  return E(ref).selected ? 1 : 0;
}

ASInt32 IndexOf(const Entry& entry) {
  auto& entries = entry.list->entries;
  for (size_t i = 0; i < entries.size(); ++i)
    if (entries[i].get() == &entry) return static_cast<ASInt32>(i);
  return -1;
}

// Entries lie one under the other from the list's first row in view.
ADMRect BoundsOf(const Entry& entry) {
  ADMRect box = EntryBox(*entry.list->item);
  ASInt32 top = (IndexOf(entry) - FirstRowInView(*entry.list)) * (box.bottom - box.top);
  return ADMRect{box.left, top, box.right, top + box.bottom - box.top};
}

ADMBoolean EntryIsInBoundsImpl(ADMEntryRef ref) {
  EENTER(IsInBounds);
  const Entry& entry = E(ref);
  ASInt32 row = IndexOf(entry) - FirstRowInView(*entry.list);
  return row >= 0 && row < RowsInView(*entry.list) ? 1 : 0;
}

void EntryInvalidateImpl(ADMEntryRef ref) {
  EENTER(Invalidate);
  Invalidate(E(ref));
}

ASInt32 EntryGetIndexImpl(ADMEntryRef ref) {
  EENTER(GetIndex);
  return IndexOf(E(ref));
}

void EntryGetBoundsRectImpl(ADMEntryRef ref, ADMRect* bounds) {
  EENTER(GetBoundsRect);
  const Entry& entry = E(ref);
  if (!bounds) Raise(genErrBadParm);
  *bounds = BoundsOf(entry);
}

// Hierarchy lists -------------------------------------------------------------

#define HENTER(sel) SuiteEnter(TableId::ADMHierarchyList, ADMHierarchyListSel::sel, "Hierarchy List")
#define LEENTER(sel) SuiteEnter(TableId::ADMListEntry, ADMListEntrySel::sel, "List Entry")

List& HL(ADMHierarchyListRef ref) { return L(reinterpret_cast<ADMListRef>(ref)); }
ADMHierarchyListRef HRef(const List& list) { return reinterpret_cast<ADMHierarchyListRef>(list.handle); }
Entry& LE(ADMListEntryRef ref) { return E(reinterpret_cast<ADMEntryRef>(ref)); }
ADMListEntryRef LERef(const Entry& entry) { return reinterpret_cast<ADMListEntryRef>(entry.handle); }

ADMListEntryRef HierarchyInsertEntryImpl(ADMHierarchyListRef ref, ASInt32 index) {
  HENTER(InsertEntry);
  return LERef(*NewEntry(HL(ref), index));
}

void HierarchyRemoveEntryImpl(ADMHierarchyListRef ref, ASInt32 index) {
  HENTER(RemoveEntry);
  List& list = HL(ref);
  if (index < 0 || static_cast<size_t>(index) >= list.entries.size()) Raise(genErrBadParm);
  RemoveAt(list, static_cast<size_t>(index));
}

ADMListEntryRef HierarchyIndexEntryImpl(ADMHierarchyListRef ref, ASInt32 index) {
  HENTER(IndexEntry);
  List& list = HL(ref);
  if (index < 0 || static_cast<size_t>(index) >= list.entries.size()) return nullptr;
  return LERef(*list.entries[static_cast<size_t>(index)]);
}

ASInt32 HierarchyNumberOfEntriesImpl(ADMHierarchyListRef ref) {
  HENTER(NumberOfEntries);
  return static_cast<ASInt32>(HL(ref).entries.size());
}

ADMListEntryRef HierarchyFindEntryImpl(ADMHierarchyListRef ref, ASInt32 id) {
  HENTER(FindEntry);
  for (auto& entry : HL(ref).entries)
    if (entry->id == id) return LERef(*entry);
  return nullptr;
}

ADMListEntryRef HierarchyGetActiveEntryImpl(ADMHierarchyListRef ref) {
  HENTER(GetActiveEntry);
  for (auto& row : EntriesInOrder(HL(ref)))
    if (row.first->selected) return LERef(*row.first);
  return nullptr;
}

void HierarchyDeselectAllImpl(ADMHierarchyListRef ref) {
  HENTER(DeselectAll);
  for (auto& row : EntriesInOrder(*HL(ref).item->list))
    if (row.first->selected) SelectEntry(*row.first, false);
}

void HierarchySetEntryWidthImpl(ADMHierarchyListRef ref, ASInt32 width) {
  HENTER(SetEntryWidth);
  List& list = HL(ref);
  list.entryWidth = std::max<ASInt32>(0, width);
  Invalidate(*list.item);
}

ASInt32 HierarchyGetEntryWidthImpl(ADMHierarchyListRef ref) {
  HENTER(GetEntryWidth);
  return EntryBox(*HL(ref).item).right;
}

ADMItemRef HierarchyGetItemImpl(ADMHierarchyListRef ref) {
  HENTER(GetItem);
  return Ref(*HL(ref).item);
}

void ListEntrySelectImpl(ADMListEntryRef ref, ADMBoolean select) {
  LEENTER(Select);
  SelectEntry(LE(ref), select != 0);
}

ADMBoolean ListEntryIsSelectedImpl(ADMListEntryRef ref) {
  LEENTER(IsSelected);
  return LE(ref).selected ? 1 : 0;
}

void ListEntrySetTextImpl(ADMListEntryRef ref, const char* text) {
  LEENTER(SetText);
  Entry& entry = LE(ref);
  entry.text = Text(text);
  Changed(entry);
}

void ListEntryGetTextImpl(ADMListEntryRef ref, char* text, ASInt32 maxLength) {
  LEENTER(GetText);
  CopyText(LE(ref).text, text, maxLength);
}

void ListEntrySetIDImpl(ADMListEntryRef ref, ASInt32 id) {
  LEENTER(SetID);
  LE(ref).id = id;
}

ASInt32 ListEntryGetIDImpl(ADMListEntryRef ref) {
  LEENTER(GetID);
  return LE(ref).id;
}

void ListEntrySetUserDataImpl(ADMListEntryRef ref, ADMUserData data) {
  LEENTER(SetUserData);
  LE(ref).userData = data;
}

ADMUserData ListEntryGetUserDataImpl(ADMListEntryRef ref) {
  LEENTER(GetUserData);
  return LE(ref).userData;
}

ADMHierarchyListRef ListEntryCreateChildListImpl(ADMListEntryRef ref) {
  LEENTER(CreateChildList);
  Entry& entry = LE(ref);
  if (!entry.child) entry.child = NewList(*entry.list->item, &entry);
  return HRef(*entry.child);
}

ADMHierarchyListRef ListEntryGetChildListImpl(ADMListEntryRef ref) {
  LEENTER(GetChildList);
  Entry& entry = LE(ref);
  return entry.child ? HRef(*entry.child) : nullptr;
}

ADMHierarchyListRef ListEntryGetListImpl(ADMListEntryRef ref) {
  LEENTER(GetList);
  return HRef(*LE(ref).list);
}

void ListEntryRemoveImpl(ADMListEntryRef ref) {
  LEENTER(Remove);
  Entry& entry = LE(ref);
  List& list = *entry.list;
  for (size_t i = 0; i < list.entries.size(); ++i)
    if (list.entries[i].get() == &entry) return RemoveAt(list, i);
}

void AddEntries(const List& list, int depth, std::vector<std::pair<std::shared_ptr<Entry>, int>>& out) {
  for (auto& entry : list.entries) {
    out.emplace_back(entry, depth);
    if (entry->child) AddEntries(*entry->child, depth + 1, out);
  }
}

}  // namespace

std::vector<std::pair<std::shared_ptr<Entry>, int>> EntriesInOrder(const List& list) {
  std::vector<std::pair<std::shared_ptr<Entry>, int>> out;
  AddEntries(list, 0, out);
  return out;
}

ADMHierarchyListRef ItemHierarchyList(Item& item) {
  return item.kind == kPIItemHierarchyList && item.list ? HRef(*item.list) : nullptr;
}

void MakeListParts(Item& item) {
  if (item.kind != kPIItemPopupList && item.kind != kPIItemListBox && item.kind != kPIItemHierarchyList) return;
  item.list = NewList(item, nullptr);
  if (item.kind == kPIItemListBox) {
    AddChild(item, kPIItemScrollbar);
    AddChild(item, 0);  // the list area
    PlaceChildren(item);
  }
}

void PlaceChildren(Item& item) {
  if (item.kind != kPIItemListBox || item.children.size() < 2) return;
  ADMRect area = ListArea(item);
  item.children[0]->bounds = ADMRect{area.right, area.top, item.bounds.right - 1, area.bottom};
  item.children[1]->bounds = area;
}

void DropList(Item& item) {
  if (!item.list) return;
  for (auto& entry : item.list->entries) ForgetEntry(*entry);
  M().lists.erase(item.list->handle);
  item.list.reset();
}

void ClearList(Item& item) {
  if (!item.list) return;
  while (!item.list->entries.empty()) RemoveAt(*item.list, item.list->entries.size() - 1);
}

// The row the user picks is scrolled into view first, as a list does.
void ShowRow(List& list, ASInt32 row) {
  if (list.item->kind == kPIItemHierarchyList) return;
  ASInt32 top = FirstRowInView(list), rows = RowsInView(list);
  if (row >= top && row < top + rows) return;
  list.top = row < top ? row : row - rows + 1;
  Invalidate(*list.item);
}

void SelectEntry(Entry& entry, bool select) {
  if (select) {
    for (auto& row : EntriesInOrder(*entry.list->item->list)) {
      Entry& other = *row.first;
      if (&other != &entry && other.selected) {
        other.selected = false;
        Changed(other);
      }
    }
  }
  if (entry.selected == select) return;
  entry.selected = select;
  Changed(entry);
}

std::string SelectedText(const Item& item) {
  if (item.list)
    for (auto& entry : item.list->entries)
      if (entry->selected) return entry->text;
  return "";
}

void InitDialogListSuites() {
  HFT list = NewTable("ADM List Suite", 3, kSuiteTableSize);
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(list, ADMListSel, List##name##Impl, name, ret, params);
  HOST_ADMLIST_PROCS(FILL)
#undef FILL
  AlsoAt(list, 1000, ADMListSel::InsertEntry);
  AlsoAt(list, 1001, ADMListSel::SetDrawProc);
  OfferSuite("ADM List Suite", 3, list);
  HFT entry = NewTable("ADM Entry Suite", 5, kSuiteTableSize);
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(entry, ADMEntrySel, Entry##name##Impl, name, ret, params);
  HOST_ADMENTRY_PROCS(FILL)
#undef FILL
  AlsoAt(entry, 1002, ADMEntrySel::SetID);
  AlsoAt(entry, 1004, ADMEntrySel::SetUserData);
  AlsoAt(entry, 1006, ADMEntrySel::IsSelected);
  OfferSuite("ADM Entry Suite", 5, entry);
  HFT hierarchy = NewTable("ADM Hierarchy List Suite", 3, kSuiteTableSize);
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(hierarchy, ADMHierarchyListSel, Hierarchy##name##Impl, name, ret, params);
  HOST_ADMHIERARCHYLIST_PROCS(FILL)
#undef FILL
  OfferSuite("ADM Hierarchy List Suite", 3, hierarchy);
  HFT listEntry = NewTable("ADM List Entry Suite", 4, kSuiteTableSize);
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(listEntry, ADMListEntrySel, ListEntry##name##Impl, name, ret, params);
  HOST_ADMLISTENTRY_PROCS(FILL)
#undef FILL
  OfferSuite("ADM List Entry Suite", 4, listEntry);
}

}  // namespace dm

bool ChooseEntry(ADMItemRef ref, ASInt32 index, std::string* why) {
  auto item = dm::UsableItem(ref, why);
  if (!item) return false;
  if (!item->list) return dm::Refuse(why, dm::ItemName(*item) + " has no list");
  auto entries = dm::EntriesInOrder(*item->list);
  if (index < 0 || static_cast<size_t>(index) >= entries.size())
    return dm::Refuse(why, dm::ItemName(*item) + " has no entry " + std::to_string(index) + " (it has " +
                               std::to_string(entries.size()) + ")");
  auto entry = entries[static_cast<size_t>(index)].first;
  return dm::UserAction(*item->dialog, [&] {
    dm::ShowRow(*item->list, index);
    dm::SelectEntry(*entry, true);
    dm::NotifyItem(*item, ADM_NOTIFY_USER_CHANGED);
  });
}

std::vector<EntryView> DescribeList(ADMItemRef ref) {
  dm::Item& item = dm::I(ref);
  std::vector<EntryView> out;
  if (!item.list) return out;
  ASInt32 index = 0;
  for (auto& row : dm::EntriesInOrder(*item.list)) {
    const dm::Entry& entry = *row.first;
    out.push_back(EntryView{index++, entry.id, entry.text, entry.selected, dm::TextsLeftToRight(entry.record), row.second});
  }
  return out;
}

}  // namespace host
