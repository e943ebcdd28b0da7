// Basic types of the host interface. Widths follow the host's conventions:
// atoms and booleans are 16 bits, Cos objects two 32-bit words, fixed 16.16.
#pragma once
#include <cstddef>
#include <cstdint>

typedef int8_t ASInt8;
typedef uint8_t ASUns8;
typedef int16_t ASInt16;
typedef uint16_t ASUns16;
typedef int32_t ASInt32;
typedef uint32_t ASUns32;
typedef uint16_t ASBool;
typedef uint16_t ASAtom;
typedef int32_t ASFixed;
typedef int32_t ASErrorCode;
typedef ASUns32 ASSize_t;

#define ASAtomNull ((ASAtom)0xFFFF)

#define fixedOne ((ASFixed)0x00010000)
#define fixedZero ((ASFixed)0)
#define ASFixedMax ((ASFixed)0x7FFFFFFF)
#define ASFixedMin ((ASFixed)0x80000000)

typedef struct _t_ASFixedRect {
  ASFixed left, top, right, bottom;
} ASFixedRect;

// A rectangle in a page view's device space (y grows downwards).
typedef struct _t_AVDevRect {
  ASInt32 left, top, right, bottom;
} AVDevRect;

// A host window's frame, 16 bits a side.
typedef struct _t_AVRect {
  ASInt16 left, top, right, bottom;
} AVRect;

typedef struct _t_ASFixedPoint {
  ASFixed h, v;
} ASFixedPoint;

typedef struct _t_ASFixedMatrix {
  ASFixed a, b, c, d, h, v;
} ASFixedMatrix;

// A Cos object: the document's id and a slot in that document's handle table.
// All zero is the null object (an absent key, a new null).
typedef struct _t_CosObj {
  ASUns32 a;
  ASUns32 b;
} CosObj;

typedef ASInt32 CosType;
enum {
  CosNull = 0,
  CosInteger = 1,
  CosFixed = 2,
  CosBoolean = 3,
  CosName = 4,
  CosString = 5,
  CosDict = 6,
  CosArray = 7,
  CosStream = 8
};

typedef ASInt32 CosID;
typedef ASUns16 CosGeneration;
typedef ASInt32 CosStreamStartAndCode;
typedef ASInt32 CosByteMax;

// Opaque handles of host objects. The host validates each before use, so a
// handle of a closed document answers harmlessly.
typedef struct _t_CosDoc* CosDoc;
typedef struct _t_PDDoc* PDDoc;
typedef struct _t_PDPage* PDPage;
typedef struct _t_PDFont* PDFont;
typedef struct _t_PDEContent* PDEContent;
typedef struct _t_PDEElement* PDEElement;
// An annotation is its Cos dictionary.
typedef struct _t_PDAnnot {
  ASUns32 a;
  ASUns32 b;
} PDAnnot;
typedef ASInt16 PDRotate;
// An action is its Cos dictionary (a dictionary with a name /S).
typedef struct _t_PDAction {
  ASUns32 a;
  ASUns32 b;
} PDAction;
// Kinds of the elements of a page's content that the host reports: images
// and form XObjects as they are placed, and marked content (containers,
// "PDFEditRead" only); other marks are left out.
enum { kPDEImage = 3, kPDEForm = 4, kPDEContainer = 12 };
typedef struct _t_AVDoc* AVDoc;
typedef struct _t_AVPageView* AVPageView;
typedef struct _t_ASStm* ASStm;
typedef struct _t_ASFile* ASFile;
typedef struct _t_ASPathName* ASPathName;
typedef struct _t_ASFileSys* ASFileSys;
typedef struct _t_AVMenubar* AVMenubar;
typedef struct _t_AVMenu* AVMenu;
typedef struct _t_AVMenuItem* AVMenuItem;
typedef struct _t_AVToolBar* AVToolBar;
typedef struct _t_AVToolButton* AVToolButton;
typedef void* ASCallback;

// A tool (AcroView 24 registers one): the host's own structure. Its size is
// sizeof(AVToolRec); the callbacks are made with Core 8 (procs.h has their
// types). The host's own tools have no callbacks.
typedef struct _t_AVToolRec {
  ASSize_t size;
  ASCallback activate;   // the tool became the active one
  ASCallback callback8;  // the tool stops being the active one
  ASCallback doClick;    // a click in a page view
  ASCallback doKeyDown;  // a key press
  ASCallback getType;    // the tool's type atom
  ASInt32 cursor;        // the cursor's resource number, made current on activation
} AVToolRec;
typedef AVToolRec* AVTool;
// The procedure of a procedural read stream: fills up to nData bytes and
// answers how many it wrote, 0 at the end.
typedef ASInt32 (*ASStmProc)(char* data, ASInt32 nData, void* clientData);

// Permission bits of a document (PDModel 108 and 114). An unencrypted
// document holds them all.
enum : ASInt32 {
  pdPermOpen = 0x01,
  pdPermPrint = 0x04,
  pdPermEdit = 0x08,  // change the document
  pdPermCopy = 0x10,
  pdPermEditNotes = 0x20,
  pdPermAll = pdPermOpen | pdPermPrint | pdPermEdit | pdPermCopy | pdPermEditNotes
};

typedef ASBool (*CosObjEnumProc)(CosObj obj, CosObj value, void* clientData);
// Resource enumeration (PDModel 311): the resource and its name (a name
// object); false ends the enumeration.
typedef ASBool (*PDResourceEnumProc)(CosObj resource, CosObj name, void* clientData);

// The document progress monitor (AcroView 15, ours): its size, then the
// operations at positions 1 to 7, each taking the client datum last; 7 sets
// the text that names the item under way (a record too small for it has none).
typedef struct _t_AVProgressMonitorRec {
  ASSize_t size;
  void (*beginOperation)(void* clientData);
  void (*endOperation)(void* clientData);
  void (*setDuration)(ASInt32 duration, void* clientData);
  void (*setCurrValue)(ASInt32 value, void* clientData);
  ASInt32 (*getDuration)(void* clientData);
  ASInt32 (*getCurrValue)(void* clientData);
  void (*setText)(const char* text, void* clientData);
} AVProgressMonitorRec;
typedef AVProgressMonitorRec* AVProgressMonitor;

// Notifications (AcroView 41 registers a handler, 42 takes it away), sent to
// their handlers in the order registered: 0 once after every plug-in's init,
// 2 a document became active, 7 a document will close, 13 a page view was
// drawn, 14 a page view moved, 34 a page's dictionary changed, 0x38 before
// every save of a document, 92 a preference changed (its number); other
// numbers are accepted and never sent.
enum {
  avNotifyAppDidInit = 0,
  avNotifyDocDidActivate = 2,
  avNotifyDocWillClose = 7,
  avNotifyPageViewDidDraw = 13,
  avNotifyPageViewDidChange = 14,
  pdNotifyPageDidChange = 34,
  avNotifyDocWillSave = 0x38,
  avNotifyAppPrefDidChange = 92
};
typedef void (*AVAppPrefDidChangeProc)(ASInt32 preference, void* clientData);
// A drawing colour (AcroView 114): colour space 1 is RGB, components 16.16.
typedef struct _t_PDColorValueRec {
  ASInt16 space;
  ASFixed value[4];
} PDColorValueRec;
// The record a will-save handler receives (ours): the target and the PDF
// version the document will be written with, the document's own until a
// handler changes it. The version sits at byte offsets 48 and 50.
typedef struct _t_AVDocWillSaveRec {
  ASSize_t size;  // sizeof(AVDocWillSaveRec)
  ASInt32 flags;  // the save's flags
  ASPathName path;
  ASUns8 reserved[48 - 8 - sizeof(ASPathName)];
  ASInt16 major;
  ASInt16 minor;
} AVDocWillSaveRec;
static_assert(offsetof(AVDocWillSaveRec, major) == 48 && offsetof(AVDocWillSaveRec, minor) == 50,
              "the version fields sit at byte offsets 48 and 50");
typedef void (*AVDocWillSaveProc)(PDDoc doc, AVDocWillSaveRec* record, void* clientData);

// File positions and sizes are 64-bit: files past 2 GiB stay addressable.
typedef int64_t ASFilePos64;
// Open modes of files: read, write, create (combined by or).
enum { ASFILE_READ = 1, ASFILE_WRITE = 2, ASFILE_CREATE = 4 };

// Opening a Cos document from a file.
typedef struct _t_CosDocOpenParams {
  ASSize_t size;      // sizeof(CosDocOpenParams)
  ASUns32 openFlags;  // 1: the usual open (the file is read, never repaired)
  ASFileSys fileSys;
  ASPathName pathName;
  const char* headerString;  // unused; null
} CosDocOpenParams;

// One token of a content stream, as the host's content reader gives it. The
// text is zero-terminated and cut to fit; the bytes consumed count it whole.
enum {
  kPDTokenNone = 0,  // the end, or bytes that are not a token
  kPDTokenNumber = 1,
  kPDTokenString = 2,     // a literal string, with its parentheses
  kPDTokenHexString = 3,  // a hexadecimal string, with its angle brackets
  kPDTokenKeyword = 4,    // an operator, or a name (its text begins with "/")
  kPDTokenArrayBegin = 5,
  kPDTokenArrayEnd = 6,
  kPDTokenDictBegin = 7,
  kPDTokenDictEnd = 8,
  kPDTokenBoolean = 9,  // true, false
  kPDTokenNull = 10,
  kPDTokenBraceBegin = 11,
  kPDTokenBraceEnd = 12
};
#define PD_TOKEN_TEXT_SIZE 272
typedef struct _t_PDToken {
  ASInt32 type;
  char text[PD_TOKEN_TEXT_SIZE];
} PDToken;

// Stream open modes.
enum { cosOpenRaw = 0, cosOpenUnfiltered = 1, cosOpenFiltered = 2 };

// Raised host errors travel as this C++ exception; plug-ins catch it only
// inside an exception frame (see frame.h).
struct __attribute__((visibility("default"))) ASHostRaise {
  ASErrorCode code;
};

static inline bool CosObjIsZero(CosObj o) { return o.a == 0 && o.b == 0; }

// Windows stand-ins: registry keys, hives, value types, and the system
// error codes the registry operations answer (0 is success).
typedef struct _t_WinRegKey* WinRegKey;
// A module's resource as found, and as loaded.
typedef struct _t_WinResource* WinResource;
typedef struct _t_WinResourceData* WinResourceData;
enum { winHiveCurrentUser = 1, winHiveClassesRoot = 2 };
enum { winRegSz = 1, winRegExpandSz = 2, winRegBinary = 3, winRegDword = 4, winRegMultiSz = 7 };
enum : ASInt32 {
  winErrSuccess = 0,
  winErrFileNotFound = 2,
  winErrPathNotFound = 3,
  winErrAccessDenied = 5,
  winErrInvalidHandle = 6,
  winErrNotEnoughMemory = 8,
  winErrInvalidParameter = 87,
  winErrDiskFull = 112,
  winErrNoMoreItems = 259,
  winErrBadDB = 1009,
  winErrRegistryIO = 1016
};
