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
// A platform window (a dialog's, an item's, the application's) and a module
// whose resources the dialog manager reads.
typedef struct _t_WinWindow* WinWindow;
typedef struct _t_WinModule* WinModule;
// Host windows, cursors and text objects.
typedef struct _t_AVWindow* AVWindow;
typedef struct _t_AVCursor* AVCursor;
typedef struct _t_ASText* ASText;

// Rectangles and points in pixels; y grows downwards.
typedef struct _t_ADMRect {
  ASInt32 left, top, right, bottom;
} ADMRect;

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

#define ADM_NOTIFY_USER_CHANGED "ADM User Changed Notifier"
#define ADM_NOTIFY_MOVED_BY_DRAG "ADM Window Moved By Drag"
#define ADM_NOTIFY_BOUNDS_CHANGED "ADM Bounds Changed Notifier"

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
