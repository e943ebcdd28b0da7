// A plug-in's resources: dialog templates, bitmaps and typed binary data,
// compiled in. Each plug-in library exports one resource directory beside
// PlugInMain; the host reads it with dlsym when it loads the library, as a
// Windows module's resources are read without its code running. Later
// tables of a directory are searched after earlier ones, so a plug-in lists
// its own tables first and the common library's after them.
#pragma once
#include "host/astypes.h"

// Item kinds of templates, each one of the dialog manager's type names.
enum {
  kPIItemPushButton = 1,  // "ADM Text Push Button Type"
  kPIItemStatic,          // "ADM Text Static Type"
  kPIItemStaticMultiLine, // "ADM Text Static Multi Line Type"
  kPIItemEdit,            // "ADM Text Edit Type"
  kPIItemCheckBox,        // "ADM Text Check Box Type"
  kPIItemRadioButton,     // "ADM Text Radio Button Type"
  kPIItemFrame,           // "ADM Frame Type"
  kPIItemPopupList,       // "ADM Scrolling Popup List Type"
  kPIItemListBox,         // "ADM List Box Type"
  kPIItemScrollbar,       // "ADM Scrollbar Type"
  kPIItemProgressBar,     // "ADM Progress Bar Type"
  kPIItemPicture,         // "ADM Picture Static Type"
  kPIItemHierarchyList    // "ADM Hierarchy List Box Type"
};

// Initial states of template items, combined by or.
enum { kPIItemDisabled = 1, kPIItemOn = 2, kPIItemDefault = 4, kPIItemHidden = 8 };

// Positions and sizes are in dialog units (see host/dialogs/metrics.h).
typedef struct _t_PIDialogItemTemplate {
  ASInt32 id;  // -1: none
  ASInt32 kind;
  const char* text;
  ASInt32 x, y, width, height;
  ASUns32 state;
} PIDialogItemTemplate;

typedef struct _t_PIDialogTemplate {
  ASInt32 number;
  const char* title;
  ASInt32 width, height;
  const char* font;
  ASInt32 fontSize;
  const PIDialogItemTemplate* items;  // in template order
  ASUns32 itemCount;
} PIDialogTemplate;

// A bitmap: width x height palette indexes, row by row from the top; the
// palette holds `colours` 0xRRGGBB values. A bitmap may carry a name
// beside its number, as a Windows resource does.
typedef struct _t_PIBitmapResource {
  ASInt32 number;
  ASInt32 width, height;
  ASUns32 colours;
  const ASUns32* palette;
  const ASUns8* pixels;
  const char* name = nullptr;
} PIBitmapResource;

// Binary data of a named type ("ICCPROFILE").
typedef struct _t_PIBinaryResource {
  const char* type;
  ASInt32 number;
  const void* data;
  ASUns32 size;
} PIBinaryResource;

typedef struct _t_PIResourceTable {
  const PIDialogTemplate* dialogs;
  ASUns32 dialogCount;
  const PIBitmapResource* bitmaps;
  ASUns32 bitmapCount;
  const PIBinaryResource* binaries;
  ASUns32 binaryCount;
} PIResourceTable;

typedef struct _t_PIResourceDirectory {
  ASUns32 size;  // sizeof(PIResourceDirectory)
  const PIResourceTable* const* tables;
  ASUns32 tableCount;
} PIResourceDirectory;

// The name of the exported directory.
#define PI_RESOURCES_NAME "PIResources"

#define PI_COUNT_OF(array) ((ASUns32)(sizeof(array) / sizeof((array)[0])))

// Defines a plug-in's exported directory over its tables:
//   PI_EXPORT_RESOURCES(&kMyResources, &kCommonResources)
#define PI_EXPORT_RESOURCES(...)                                                           \
  static const PIResourceTable* const kPIResourceTables_[] = {__VA_ARGS__};               \
  extern "C" __attribute__((visibility("default"))) const PIResourceDirectory PIResources = \
      {sizeof(PIResourceDirectory), kPIResourceTables_, PI_COUNT_OF(kPIResourceTables_)}
