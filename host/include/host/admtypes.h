// Types of the dialog manager, its suites and the host windows around
// dialogs. Dialog-manager booleans and error codes are 32 bits.
#pragma once
#include "host/astypes.h"

typedef ASInt32 ADMErr;
typedef ASInt32 ADMBoolean;
typedef float ADMReal;
typedef void* ADMUserData;

#define ADM_FOUR_CHAR(a, b, c, d) \
  ((ADMErr)(((ASUns32)(a) << 24) | ((ASUns32)(b) << 16) | ((ASUns32)(c) << 8) | (ASUns32)(d)))
enum : ADMErr {
  kADMErrNone = 0,
  kADMErrBadParm = ADM_FOUR_CHAR('P', 'A', 'R', 'M'),  // a bad parameter
  kADMErrNoSuite = ADM_FOUR_CHAR('N', 'S', 'U', 'I'),  // ours: no such suite
};

// Handles. The host checks each before use: a stale one raises genErrBadHandle.
typedef struct _t_ADMPlugin* ADMPluginRef;
typedef struct _t_ADMDialog* ADMDialogRef;
typedef struct _t_ADMItem* ADMItemRef;
typedef struct _t_ADMNotifier* ADMNotifierRef;
typedef struct _t_ADMDrawer* ADMDrawerRef;
typedef struct _t_ADMTracker* ADMTrackerRef;
// The list of a pop-up or a list box, and one entry of it.
typedef struct _t_ADMList* ADMListRef;
typedef struct _t_ADMEntry* ADMEntryRef;
// A hierarchy list (the top list of a hierarchy list item, or an entry's
// child list) and one entry of it.
typedef struct _t_ADMHierarchyList* ADMHierarchyListRef;
typedef struct _t_ADMListEntry* ADMListEntryRef;
// An icon from a plug-in's bitmap resources; a docking group of palettes.
typedef struct _t_ADMIcon* ADMIconRef;
typedef struct _t_ADMDialogGroup* ADMDialogGroupRef;
// A platform window (a dialog's, an item's, the application's) and a module
// whose resources the dialog manager reads.
typedef struct _t_WinWindow* WinWindow;
typedef struct _t_WinModule* WinModule;
// Windows drawing: a device context and a bitmap.
typedef struct _t_WinDC* WinDC;
typedef struct _t_WinBitmap* WinBitmap;
// Host windows, cursors and text objects.
typedef struct _t_AVWindow* AVWindow;
typedef struct _t_AVCursor* AVCursor;
typedef struct _t_ASText* ASText;

// Rectangles and points in pixels; y grows downwards.
typedef struct _t_ADMRect {
  ASInt32 left, top, right, bottom;
} ADMRect;
typedef struct _t_ADMPoint {
  ASInt32 h, v;
} ADMPoint;

typedef ADMErr (*ADMDialogInitProc)(ADMDialogRef dialog);
typedef void (*ADMDialogDrawProc)(ADMDialogRef dialog, ADMDrawerRef drawer);
typedef ADMBoolean (*ADMDialogTrackProc)(ADMDialogRef dialog, ADMTrackerRef tracker);
typedef void (*ADMDialogNotifyProc)(ADMDialogRef dialog, ADMNotifierRef notifier);
typedef void (*ADMDialogDestroyProc)(ADMDialogRef dialog);

typedef ADMErr (*ADMItemInitProc)(ADMItemRef item);
typedef void (*ADMItemDrawProc)(ADMItemRef item, ADMDrawerRef drawer);
typedef ADMBoolean (*ADMItemTrackProc)(ADMItemRef item, ADMTrackerRef tracker);
typedef void (*ADMItemNotifyProc)(ADMItemRef item, ADMNotifierRef notifier);
typedef void (*ADMItemDestroyProc)(ADMItemRef item);
typedef ADMBoolean (*ADMItemTextToFloatProc)(ADMItemRef item, const char* text, ADMReal* value);
typedef ADMBoolean (*ADMItemFloatToTextProc)(ADMItemRef item, ADMReal value, char* text, ASInt32 maxLength);
// Draws one entry of a list; a list without one is drawn by the host.
typedef void (*ADMEntryDrawProc)(ADMEntryRef entry, ADMDrawerRef drawer);

// The item identifier that names no item (a run that ended without one).
enum : ASInt32 { kADMNoItem = -1 };

// Type names of items and notifiers, as the plug-ins compare them.
#define ADM_ITEM_PUSH_BUTTON "ADM Text Push Button Type"
#define ADM_ITEM_STATIC "ADM Text Static Type"
#define ADM_ITEM_STATIC_MULTILINE "ADM Text Static Multi Line Type"
#define ADM_ITEM_EDIT "ADM Text Edit Type"
#define ADM_ITEM_CHECK_BOX "ADM Text Check Box Type"
#define ADM_ITEM_RADIO_BUTTON "ADM Text Radio Button Type"
#define ADM_ITEM_FRAME "ADM Frame Type"
#define ADM_ITEM_POPUP_LIST "ADM Scrolling Popup List Type"
#define ADM_ITEM_LIST_BOX "ADM List Box Type"
#define ADM_ITEM_SCROLLBAR "ADM Scrollbar Type"
#define ADM_ITEM_PROGRESS_BAR "ADM Progress Bar Type"
#define ADM_ITEM_PICTURE "ADM Picture Static Type"
#define ADM_ITEM_HIERARCHY_LIST "ADM Hierarchy List Box Type"

#define ADM_NOTIFY_USER_CHANGED "ADM User Changed Notifier"
#define ADM_NOTIFY_MOVED_BY_DRAG "ADM Window Moved By Drag"
#define ADM_NOTIFY_BOUNDS_CHANGED "ADM Bounds Changed Notifier"
#define ADM_NOTIFY_INTERMEDIATE_CHANGED "ADM Intermediate Changed Notifier"
#define ADM_NOTIFY_CLOSE_HIT "ADM Close Hit Notifier"

// A tracker's action: the mouse button pressed and released.
enum : ASInt32 { kADMButtonDownAction = 2, kADMButtonUpAction = -2 };

// A colour of the colour picker, 16 bits a component.
typedef struct _t_ADMRGBColor {
  ASUns16 red, green, blue;
} ADMRGBColor;

// Cursors of a dialog: the arrow, and the one shown while it works.
enum : ASInt32 { kADMArrowCursor = 0, kADMWaitCursor = -3 };

// The record handed to the host with a new host window: its size (the
// record's real size: it holds pointers), procedures this host never calls,
// and the cursor-adjustment procedure. Ours.
typedef struct _t_AVWindowHandlerRec {
  ASUns32 size;
  ASCallback unused[14];
  ASCallback adjustCursor;
} AVWindowHandlerRec;
typedef AVWindowHandlerRec* AVWindowHandler;

// The host's cancel procedure: true when the user asked to stop.
typedef ASBool (*AVCancelProc)(void* clientData);

// Text encodings of host text objects: 0, one character a byte.
enum : ASInt32 { kASTextEncodingByte = 0 };

// Windows stand-ins around dialogs ------------------------------------------------
// A message of the pump. The host makes them for what the user does to a
// modeless dialog while a plug-in works; plug-ins only take, translate and
// dispatch them.
typedef struct _t_WinMsg {
  WinWindow window;
  ASUns32 message;
  uintptr_t wParam;
  intptr_t lParam;
} WinMsg;
enum : ASUns32 {
  winMsgCommand = 0x0111,       // a press: wParam the item's identifier, lParam its window
  winMsgComboReset = 0x014B,    // empties the list of a pop-up
  winPeekRemove = 1
};
// The window word of a window's style.
enum : ASInt32 { winWordStyle = -16 };
// Where a window goes in the window order.
enum : ASInt32 { winOrderBottom = 1, winOrderTopMost = 2 };
// A bitmap's description.
typedef struct _t_WinBitmapInfo {
  ASInt32 width, height;
} WinBitmapInfo;
// Loading a bitmap: its greys become the system's three-dimensional colours.
enum : ASUns32 { winLoadMap3DColours = 0x1000 };
enum : ASUns32 { winCopySource = 0x00CC0020 };

// The platform's open and save dialogs (ours: their fields in order). The
// filter is pairs of zero-ended texts (a description, its patterns), ended by
// an empty text; the chosen file is written into `file`, `fileSize` bytes
// with its zero, which holds the suggested name before.
typedef struct _t_WinFileDialogRec {
  ASUns32 size;  // sizeof(WinFileDialogRec)
  WinWindow owner;
  WinModule module;
  const char* filter;
  char* file;
  ASUns32 fileSize;
  const char* initialFolder;
  const char* title;
  ASUns32 flags;
  const char* defaultExtension;
} WinFileDialogRec;
enum : ASUns32 { winFileConfirmOverwrite = 0x2, winFileHideReadOnly = 0x4, winFileKeepFolder = 0x8000 };
// Extended errors of the platform's choosers: a record that is not one (its
// size, no file buffer), an answer that did not fit its file buffer.
enum : ASUns32 { winErrChooserBadRecord = 1, winErrChooserBufferTooSmall = 12291 };

// The host's own open and save dialogs (ours: their fields in order).
typedef struct _t_AVFileDescRec {
  char extension[32];  // without the dot; no zero when it takes all 32
  ASUns8 reserved[8];
} AVFileDescRec;
typedef struct _t_AVFileFilterRec {
  ASText description;
  AVFileDescRec* descriptors;
  ASUns16 count;
} AVFileFilterRec;
typedef struct _t_AVFileDialogParams {
  ASSize_t size;  // sizeof(AVFileDialogParams)
  ASUns32 flags;  // avFileDialogAllFiles: all files are offered too
  void* reserved1;
  ASText title;   // none: no title
  void* reserved2[3];
  ASPathName initialPath;
  const char* initialFileName;
  AVFileFilterRec** filters;
  ASUns16 filterCount;
} AVFileDialogParams;
enum : ASUns32 { avFileDialogAllFiles = 1 };
