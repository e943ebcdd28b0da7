// The dialog manager's own records of dialogs, items, lists and what their
// draw procedures drew, shared by its modules (manager, lists, drawing, the
// pump, the choosers). Not for plughost or tests.
#pragma once
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "dialogs/internal.h"

namespace host {
namespace dm {

struct Dialog;
struct Item;
struct List;

// One thing a draw procedure drew, for its item or list entry.
struct DrawOp {
  enum Kind { Text, Fill, Frame, Line, Bitmap, Icon } kind;
  ADMRect rect;  // a line runs from (left, top) to (right, bottom)
  ASInt32 color;
  std::string text;
  ASInt32 bitmap;  // the resource number of a copied bitmap or a drawn icon
  ADMRGBColor rgb{0, 0, 0};  // a fill in an RGB colour
  bool isRGB = false;
};

// What the last drawing of an item or entry drew.
using DrawRecord = std::vector<DrawOp>;

struct Entry {
  uintptr_t handle = 0;
  List* list = nullptr;
  std::string text;
  ASInt32 id = 0;
  ADMUserData userData = nullptr;
  bool selected = false;
  bool invalid = true;  // drawn again before the user's next step
  DrawRecord record;
  std::unique_ptr<List> child;  // a hierarchy list's entry: the list below it
};

struct List {
  uintptr_t handle = 0;
  Item* item = nullptr;
  std::vector<std::shared_ptr<Entry>> entries;
  ADMEntryDrawProc draw = nullptr;
  ASInt32 top = 0;  // a list box's first row in view
  Entry* parent = nullptr;  // a hierarchy list's child list: its entry
  ASInt32 entryWidth = 0;   // a hierarchy list's; 0: the item's width
  ADMRect textRect{};       // a hierarchy list's entries' text area, in an entry
};

struct Item {
  uintptr_t handle = 0;
  Dialog* dialog = nullptr;
  Item* parent = nullptr;  // a list box's scrollbar and list area have one
  ASInt32 id = kADMNoItem;
  ASInt32 kind = 0;
  std::string text;
  ADMRect bounds{};
  bool enabled = true, visible = true, on = false, isDefault = false;
  ADMItemDrawProc draw = nullptr;
  ADMItemTrackProc track = nullptr;
  ADMItemNotifyProc notify = nullptr;
  ADMItemDestroyProc destroy = nullptr;
  ADMItemTextToFloatProc textToFloat = nullptr;
  ADMItemFloatToTextProc floatToText = nullptr;
  ADMUserData userData = nullptr;
  bool ending = false;
  WinWindow window = nullptr;
  std::unique_ptr<List> list;  // pop-ups and list boxes
  std::vector<std::shared_ptr<Item>> children;
  ASInt32 value = 0, minimum = 0, maximum = 0;  // scrollbars, progress bars
  ADMReal smallStep = 1, largeStep = 10;  // scrollbars
  double low = 0, high = 0;  // the numbers an edit takes; both 0: not set
  ASInt32 precision = -1;    // decimals of a numeric item; -1: as few as needed
  ASFixed fixed = 0;         // the 16.16 value last set
  bool listOpen = false;     // a pop-up's list is dropped down
  bool invalid = true;
  DrawRecord record;
};

struct Dialog {
  uintptr_t handle = 0;
  ASInt32 number = 0;
  std::string name, title;
  ADMPluginRef plugin = nullptr;
  ASInt32 style = 0;
  WinWindow window = nullptr;
  ADMRect bounds{};
  ADMDialogDrawProc draw = nullptr;
  ADMDialogTrackProc track = nullptr;
  ADMDialogNotifyProc notify = nullptr;
  ADMDialogDestroyProc destroy = nullptr;
  ADMUserData userData = nullptr;
  bool modal = false;      // made for a modal run, or run as one
  bool visible = false;
  bool shown = false;      // drawn once
  bool announced = false;  // the driver knows it is open
  int runs = 0;            // modal runs of it under way
  bool endRequested = false;
  ASInt32 endItem = kADMNoItem;
  bool ending = false;
  ADMPluginRef cursorPlugin = nullptr;
  ASInt32 cursor = kADMArrowCursor;
  Item* focus = nullptr;
  std::vector<std::shared_ptr<Item>> items;
};

// Notifiers, drawers and trackers live on the stack for one call.
struct Notifier {
  std::string type;
  Item* item;
  Dialog* dialog;
};
struct Drawer {
  Dialog* dialog;
  ADMRect bounds;    // origin 0, 0; also what is visible
  DrawRecord* record;
  ASInt32 color = 0;
  WinDC dc = nullptr;  // made on the first request
};
struct Tracker {
  Dialog* dialog;
  Item* item;
  ASInt32 action = 0;  // 2 pressed, -2 released; 0 for a press
  ADMPoint point{0, 0};  // in the dialog's coordinates
};

struct ManagerState {
  std::map<uintptr_t, std::shared_ptr<Dialog>> dialogs;
  std::map<uintptr_t, std::shared_ptr<Item>> items;
  std::map<uintptr_t, List*> lists;
  std::map<uintptr_t, std::shared_ptr<Entry>> entries;
  uintptr_t nextHandle = 0x1000;
  uintptr_t nextWindow = 2;  // 1 is the application's window
  std::map<WinWindow, Dialog*> windows;
  std::map<WinWindow, Item*> itemWindows;
  std::vector<Dialog*> runs;  // modal runs, innermost last
  std::set<const void*> live;  // notifiers, drawers and trackers in use
  unsigned long actions = 0;
  Driver* driver = nullptr;
  bool cancel = false;
  bool docking = false;
  ADMDialogGroupRef dockingGroup = nullptr;  // made on the first request
};
ManagerState& M();

ADMDialogRef Ref(const Dialog& d);
ADMItemRef Ref(const Item& i);
std::shared_ptr<Dialog> FindDialog(ADMDialogRef ref);
std::shared_ptr<Item> FindItem(ADMItemRef ref);
// Each raises genErrBadHandle for a handle that is gone.
Dialog& D(ADMDialogRef ref);
Item& I(ADMItemRef ref);
Entry& E(ADMEntryRef ref);
List& L(ADMListRef ref);
Drawer& DR(ADMDrawerRef ref);

std::string DialogName(const Dialog& d);
std::string ItemName(const Item& i);

// Keeps a stack object known as live while it is in use.
class LiveScope {
 public:
  explicit LiveScope(const void* object) : object_(object) { M().live.insert(object); }
  ~LiveScope() { M().live.erase(object_); }
  LiveScope(const LiveScope&) = delete;
  LiveScope& operator=(const LiveScope&) = delete;

 private:
  const void* object_;
};

// Items of a dialog (manager.cpp): one in item order, a child of an item,
// and the records of one that goes.
std::shared_ptr<Item> AddItem(Dialog& d, ASInt32 id, ASInt32 kind, const std::string& text, const ADMRect& bounds);
std::shared_ptr<Item> AddChild(Item& parent, ASInt32 kind);
void Forget(Item& item);

bool Refuse(std::string* why, const std::string& reason);
// A text into a caller's buffer of `maxLength` bytes, cut to fit, zero-ended.
void CopyText(const std::string& from, char* text, ASInt32 maxLength);
// An item a user can reach; none, with the reason, otherwise.
std::shared_ptr<Item> UsableItem(ADMItemRef ref, std::string* why);
// Sends a notifier of that type along the item's road.
void NotifyItem(Item& item, const char* type);
// Ends a dialog; with `rethrow` false a procedure's exception is dropped.
void EndDialog(const std::shared_ptr<Dialog>& d, bool rethrow);

// Lists (dialogs/lists.cpp) ----------------------------------------------------
// Makes the list of a pop-up or a list box, and a list box's children.
void MakeListParts(Item& item);
// Forgets the list and its entries.
void DropList(Item& item);
// Removes every entry.
void ClearList(Item& item);
// Puts a list box's scrollbar and list area in place.
void PlaceChildren(Item& item);
// One entry is selected in the item's whole hierarchy.
void SelectEntry(Entry& entry, bool select);
// The entries of a list and of the lists below them, depth-first (an
// entry, then its child list), with their depth from 0.
std::vector<std::pair<std::shared_ptr<Entry>, int>> EntriesInOrder(const List& list);
// A hierarchy list item's top list; none for other items.
ADMHierarchyListRef ItemHierarchyList(Item& item);
// Scrolls a list box so that `row` is in view.
void ShowRow(List& list, ASInt32 row);
// The text a pop-up shows: its selected entry's.
std::string SelectedText(const Item& item);
void InitDialogListSuites();

// Drawing (dialogs/drawing.cpp) --------------------------------------------------
// The item or entry is drawn again before the user's next step.
void Invalidate(Item& item);
void Invalidate(Entry& entry);
// Draws everything (a dialog shown for the first time) or only what was
// invalidated; procedures may throw.
void DrawDialog(Dialog& d, bool all);
// The texts a drawing drew, left to right.
std::vector<std::string> TextsLeftToRight(const DrawRecord& record);
// The text an item shows: what its draw procedure drew, else its own.
std::string ShownText(const Item& item);
// The area of a list box's list, relative to the dialog.
ADMRect ListArea(const Item& item);
// The box an entry of the item's list is drawn in, origin 0, 0.
ADMRect EntryBox(const Item& item);
void InitDrawerSuite();

// Palettes (dialogs/palettes.cpp): the Dialog suite's size and name entries,
// numeric items, icons, trackers, the colour picker and docking groups.
void InitPaletteEntries(HFT dialog, HFT item);
void InitPaletteSuites();
// A numeric item's text for a 16.16 value.
std::string FixedText(ASFixed value, ASInt32 precision);
// The resource number of an icon the Icon suite gave, and its resource's
// name ("" for none); raise for another.
ASInt32 IconNumber(ADMIconRef icon);
std::string IconName(ADMIconRef icon);

// One user action on a dialog: counted, drawn afterwards; a modeless dialog
// whose procedure throws is ended (a modal run ends its own).
template <class Body>
bool UserAction(Dialog& dialog, Body&& body) {
  auto d = FindDialog(Ref(dialog));
  ++M().actions;
  try {
    body();
    if (!d->ending && !d->endRequested && d->visible) DrawDialog(*d, false);
  } catch (...) {
    if (!d->runs) EndDialog(d, false);
    throw;
  }
  return true;
}

}  // namespace dm

// Bitmaps and device contexts (win/bitmaps.cpp): a drawer's context, made on
// its first request and gone with the drawer.
WinDC DrawerDC(dm::Drawer& drawer);
void ReleaseDrawerDC(dm::Drawer& drawer);
void InitBitmapEntries();
// The message pump and window services (dialogs/pump.cpp), the choosers
// (dialogs/choosers.cpp).
void InitPumpEntries();
void InitChooserEntries();

}  // namespace host
