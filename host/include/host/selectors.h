// Selector numbers of the host function tables, one block per table.
// Numbers below 1000 are the ones the plug-ins were written against; numbers
// from 1000 up are operations of our own host, in blocks of a hundred by the
// area of work that added them (see host/README.md). Every table has room for
// selectors below kHostTableSize.
#pragma once

enum : unsigned { kHostTableSize = 2300 };

#define CORE_HFT_NAME "Core"
#define COS_HFT_NAME "Cos"
#define PDMODEL_HFT_NAME "PDModel"
#define ACROVIEW_HFT_NAME "AcroView"
#define ACROSUPPORT_HFT_NAME "AcroSupport"
#define ASEXTRA_HFT_NAME "ASExtra"
#define WINDOWS_HFT_NAME "Windows"  // our own: the Windows services, on Linux
#define WIN_HFT_NAME "Win"            // the host's table of platform windows
#define SWEETPEA_HFT_NAME "AcroViewSweetPea"
// The page content as editable elements.
#define PAGEPDECONTENT_HFT_NAME "PagePDEContent"
#define PDFEDITREAD_HFT_NAME "PDFEditRead"
#define PDFEDITWRITE_HFT_NAME "PDFEditWrite"

namespace CoreSel {
enum : unsigned {
  Raise = 1,
  PushExceptionFrame = 2,
  PopExceptionFrame = 3,
  GetExceptionErrorCode = 4,
  AtomFromString = 5,
  AtomExistsForString = 6,
  AtomGetString = 7,
  CallbackCreate = 8,
  CallbackDestroy = 9,
  ExtensionMgrGetHFT = 10,
  // ours
  RegisterHFT = 1000,
  FrameDepth = 1001,
  Last = kHostTableSize
};
}

namespace CosSel {
enum : unsigned {
  ObjEqual = 1,
  ObjGetType = 2,
  ObjEnum = 4,
  ObjGetDoc = 5,
  NewInteger = 7,
  NewFixed = 8,
  NewName = 10,
  NewString = 11,
  NewArray = 12,
  NewDict = 13,
  NewStream = 14,
  ObjDestroy = 15,
  IntegerValue = 16,
  FixedValue = 17,
  NameValue = 19,
  DictGet = 21,
  DictPut = 22,
  DictRemove = 23,
  DictKnown = 24,
  ArrayGet = 25,
  ArrayPut = 26,
  ArrayInsert = 27,
  ArrayLength = 29,
  StreamOpenStm = 32,
  DocGetInfoDict = 35,
  ObjCopy = 51,
  // ours
  NewNull = 1000,
  NewBoolean = 1001,
  BooleanValue = 1002,
  StringValue = 1003,
  ObjIsIndirect = 1004,
  ObjGetID = 1005,  // also at 43
  ObjGetGeneration = 1006,
  StreamDict = 1007,
  StreamLength = 1008,
  DocGetRoot = 1009,
  DocGetObjByID = 1010,
  ArrayRemoveNth = 1011,
  DocGetTrailer = 1012,
  DocOpenWithParams = 1400,
  DocClose = 1401,
  DocEnumIndirect = 1402,
  DocHandleMark = 1403,
  DocReleaseHandles = 1404,
  DocWasRepaired = 1420,
  NumberValue = 1907,
  Last = kHostTableSize
};
}

namespace PDModelSel {
enum : unsigned {
  DocSave = 70,
  DocGetFlags = 74,
  DocSetFlags = 75,
  DocGetCosDoc = 78,
  DocGetFile = 79,
  DocGetNumPages = 83,
  DocAcquirePage = 84,
  DocGetInfo = 104,
  DocSetInfo = 105,
  DocPermRequest = 108,
  DocGetNewSecurityHandler = 112,
  DocGetPermissions = 114,
  PageNotifyContentsDidChange = 136,
  PageGetNumber = 137,
  PageRelease = 138,
  PageGetDoc = 139,
  PageGetCosObj = 140,
  PageGetMediaBox = 144,
  PageSetCropBox = 147,
  PageGetResources = 158,
  PageResourcesChanged = 262,
  DocFromCosDoc = 310,
  DocEnumResources = 311,
  ImageSelectAlternate = 345,
  // ours
  DocClose = 1000,
  ReadContentToken = 1300,
  ReadInlineImage = 1301,
  FontFromCosObj = 1500,
  FontIsEmbedded = 1501,
  FontGetSubtype = 1502,
  FontGetName = 1503,
  FontGetEncodingName = 1504,
  DocGetID = 1600,
  PageGetRotate = 1601,
  PageGetNumAnnots = 1602,
  PageGetAnnot = 1603,
  AnnotGetFlags = 1604,
  AnnotGetSubtype = 1605,
  AnnotGetRect = 1606,
  AnnotGetCosObj = 1607,
  PageAcquirePDEContent = 1608,
  EContentGetNumElems = 1609,
  EContentGetElem = 1610,
  EContentRelease = 1611,
  EElementGetType = 1612,
  EElementGetBBox = 1613,
  EElementGetCosObj = 1614,
  EFormGetContent = 1615,
  DocClearFlags = 1700,
  PageRemoveAnnot = 1701,
  PageGetAnnotIndex = 1702,
  AnnotFromCosObj = 1703,
  AnnotSetRect = 1704,
  ActionFromCosObj = 1705,
  ActionDestroy = 1706,
  Last = kHostTableSize
};
}

namespace AcroViewSel {
enum : unsigned {
  Alert = 4,
  AlertNote = 5,
  AlertConfirm = 6,
  DocAlertYesNo = 285,
  AppGetVersion = 7,
  AppGetActiveDoc = 12,
  AppGetDocProgressMonitor = 15,
  AppGetNumDocs = 13,
  AppGetMenubar = 16,
  AppGetToolBar = 17,
  AppRegisterIdleProc = 39,
  AppRegisterNotification = 41,
  AppUnregisterNotification = 42,
  DocGetPDDoc = 48,
  PageViewGetAperture = 108,
  PageViewInvalidateRect = 126,
  DocGetPageView = 49,
  PageViewGetPageNum = 219,
  CryptGetPassword = 209,
  MenubarAcquireMenuByName = 71,
  MenubarAcquireMenuItemByName = 74,
  MenuNew = 78,
  MenuRelease = 80,
  MenuAddMenuItem = 89,
  MenuItemNew = 90,
  MenuItemRelease = 92,
  MenuItemRemove = 93,
  MenuItemSetExecuteProc = 99,
  MenuItemSetComputeEnabledProc = 100,
  MenuItemSetComputeMarkedProc = 101,
  PageViewDrawNow = 127,
  AppGetCancelProc = 10,
  AppBeginModal = 36,
  AppEndModal = 38,
  SysGetStandardCursor = 159,
  SysSetCursor = 160,
  SysGetCursor = 161,
  ToolBarGetButtonByName = 163,
  ToolBarAddButton = 165,
  ToolBarIsRoomFor = 167,
  ToolBarUpdateButtonStates = 168,
  ToolButtonNew = 169,
  ToolButtonDestroy = 170,
  ToolButtonSetExecuteProc = 175,
  ToolButtonSetComputeEnabledProc = 176,
  ToolButtonSetComputeMarkedProc = 177,
  ToolButtonSetHelpText = 214,
  DocDoSave = 243,
  WindowNewFromPlatformThing = 183,
  WindowDestroy = 184,
  WindowShow = 187,
  WindowHide = 188,
  WindowCenter = 357,
  SysSetBusy = 386,
  WindowEnsureInBounds = 392,
  OpenFileDialog = 332,
  SaveFileDialog = 333,
  AppGetActiveTool = 18,
  AppGetLastActiveTool = 19,
  AppGetDefaultTool = 20,
  AppSetActiveTool = 21,
  AppRegisterTool = 24,
  ToolGetType = 180,
  ToolIsPersistent = 181,
  PageViewGetAVDoc = 107,
  PageViewGetPage = 109,
  PageViewRectToDevice = 154,
  PageViewDeviceRectToPage = 155,
  PageViewSetColor = 114,
  PageViewDrawRectOutline = 130,
  PageViewGetMousePosition = 132,
  SysGetModifiers = 156,
  SysMouseIsStillDown = 157,
  PageViewSetLayoutMode = 244,
  PageViewGetLayoutMode = 245,
  PageViewInvertRectOutline = 347,
  RectHandleHitTest = 354,
  PageViewDrawRectOutlineWithHandles = 355,
  DocGetSerialNumber = 358,
  AppGetPreference = 31,
  DocGetAVWindow = 50,
  WindowGetFrame = 195,
  AppSetPreference = 32,
  MenuItemIsMarked = 104,
  MenuItemExecute = 105,
  // ours
  MenubarAddMenu = 1000,
  PageViewGetFirstVisiblePageNum = 1700,
  PageViewGetLastVisiblePageNum = 1701,
  PageViewGoTo = 1702,
  Last = kHostTableSize
};
}

namespace AcroSupportSel {
enum : unsigned {
  Malloc = 1,
  Realloc = 2,
  Free = 3,
  GetErrorString = 4,
  HFTServerNew = 6,
  HFTNew = 8,
  HFTGetReplacedEntry = 11,
  HFTReplaceEntry = 81,
  FixedMul = 12,
  FixedDiv = 13,
  FixedToCString = 14,
  CStringToFixed = 15,
  GetDefaultFileSys = 21,
  FileSysReleasePath = 25,
  FileSysCreatePathName = 52,
  ProcStmRdOpen = 42,
  StmRead = 43,  // also at 1000
  StmClose = 45,  // also at 1001
  // ours
  MemStmRdOpen = 1002,
  PathGetText = 1003,
  DisplayStringFromPath = 22,
  FileAcquirePathName = 37,
  FileGetFileSys = 38,
  FileSysOpenFile = 1400,
  FileSysRemoveFile = 1401,
  FileGetEOF = 1402,
  FileSetPos = 1403,
  FileGetPos = 1404,
  FileRead = 1405,
  FileWrite = 1406,
  FileClose = 1407,
  FileStmRdOpen = 1900,
  FixedMatrixConcat = 1600,
  FixedMatrixTransform = 1601,
  FixedMatrixTransformRect = 1602,
  FixedMatrixInvert = 1603,
  Last = kHostTableSize
};
}

// Windows (prefix Win): the registry, the module file name, temporary files.
namespace WindowsSel {
enum : unsigned {
  RegOpenKey = 1100,
  RegEnumValue = 1101,
  RegCloseKey = 1102,
  RegBeginRewrite = 1103,
  RegSetValue = 1104,
  RegCommit = 1105,
  SystemErrorText = 1106,
  ModuleFileName = 1107,
  CreateTempFile = 1108,
  RegBeginUpdate = 1109,
  RegDeleteValue = 1110,
  GetTickCount = 2000,
  GetFocus = 2001,
  SetFocus = 2002,
  ModuleHandle = 2003,
  FindResource = 1800,
  LoadResource = 1801,
  LockResource = 1802,
  SizeofResource = 1803,
  LoadBitmap = 2200,
  GetBitmapInfo = 2201,
  CreateCompatibleDC = 2202,
  SelectBitmap = 2203,
  BitBlt = 2204,
  DeleteDC = 2205,
  DeleteBitmap = 2206,
  SetWindowOrder = 2207,
  SendMessage = 2208,
  GetWindowWord = 2209,
  SetWindowWord = 2210,
  PeekMessage = 2211,
  TranslateMessage = 2212,
  DispatchMessage = 2213,
  GetOpenFileName = 2214,
  GetSaveFileName = 2215,
  ChooserError = 2216,
  // moveable memory with 32-bit handles
  GlobalAlloc = 1950,
  GlobalReAlloc = 1951,
  GlobalLock = 1952,
  GlobalUnlock = 1953,
  GlobalFree = 1954,
  Last = kHostTableSize
};
}

// "PagePDEContent": a page's content, acquired and released.
namespace PagePDEContentSel {
enum : unsigned { PageAcquireContent = 1, PageReleaseContent = 2, Last = 100 };
}

// "PDFEditRead": reading the elements of a content.
namespace PDFEditReadSel {
enum : unsigned {
  ContentGetNumElems = 4,
  ContentGetElem = 5,
  ElementGetBBox = 6,
  ImageIsXObject = 27,
  ImageGetCosObj = 33,
  ObjectGetType = 50,
  Release = 52,
  ContainerGetContent = 62,
  ElementGetMatrix = 1960,
  Last = kHostTableSize
};
}

// "PDFEditWrite": a form's content.
namespace PDFEditWriteSel {
enum : unsigned { FormGetContent = 29, Last = 100 };
}

// "Win": the platform windows of the host application.
namespace WinSel {
enum : unsigned { AppGetModalParent = 4, Last = kHostTableSize };
}

// "ASExtra": text objects.
namespace ASExtraSel {
enum : unsigned {
  TextNew = 3,
  TextFromEncoded = 6,
  TextDestroy = 12,
  TextSetUnicode = 13,
  TextSetEncoded = 19,
  TextGetUnicode = 21,
  TextMakeEmpty = 94,
  Last = kHostTableSize
};
}

// "AcroViewSweetPea": the dialog manager's way in.
namespace SweetPeaSel {
enum : unsigned {
  GetBasicSuite = 1,
  GetPluginRef = 2,
  GetResourceAccess = 3,
  SetResourceAccess = 4,
  WindowIdle = 6,
  Last = kHostTableSize
};
}

// Suites of the dialog manager, acquired by name and version through the
// basic suite. Their entries count from 0; ours start at 1000.
enum : unsigned { kSuiteTableSize = 1100 };

namespace SPBasicSel {
enum : unsigned { AcquireSuite = 0, ReleaseSuite = 1, Last = kSuiteTableSize };
}

namespace ADMDialogSel {
enum : unsigned {
  Create = 0,
  Modal = 1,
  RunMade = 3,
  Destroy = 4,
  SetDrawProc = 5,
  DefaultDraw = 7,
  SetTrackProc = 8,
  DefaultTrack = 10,
  SetNotifyProc = 13,
  DefaultNotify = 15,
  SetDestroyProc = 19,
  SetUserData = 23,
  GetUserData = 24,
  GetPluginRef = 27,
  GetWindowRef = 28,
  GetDialogName = 25,
  GetDialogStyle = 30,
  Show = 31,
  IsVisible = 32,
  SetBoundsRect = 39,
  GetBoundsRect = 40,
  Move = 41,
  GetLocalRect = 38,
  Size = 42,
  SetMinWidth = 60,
  SetMinHeight = 62,
  SetText = 54,
  SetTextW = 55,
  Invalidate = 47,
  InvalidateRect = 48,
  SetCursorID = 50,
  GetCursorID = 51,
  GetItem = 72,
  CreateItem = 73,
  GetNextItem = 75,
  EndModal = 81,
  Last = kSuiteTableSize
};
}

namespace ADMItemSel {
enum : unsigned {
  Create = 0,
  Destroy = 1,
  SetDrawProc = 2,
  DefaultDraw = 4,
  SetTrackProc = 5,
  DefaultTrack = 7,
  SetNotifyProc = 10,
  DefaultNotify = 12,
  SetDestroyProc = 16,
  SetUserData = 20,
  GetUserData = 21,
  GetID = 22,
  GetWindowRef = 24,
  GetList = 25,
  GetChildItem = 26,
  GetItemType = 30,
  SetStyleCode = 31,
  Show = 33,
  Enable = 35,
  SetBoundsRect = 41,
  GetBoundsRect = 44,  // also at 42
  GetBestSize = 45,
  Move = 46,
  Resize = 47,  // also at 1001
  Redraw = 52,  // also at 1000
  GetFont = 74,
  SetText = 75,
  SetTextW = 76,
  GetText = 77,
  GetTextW = 78,
  GetTextLength = 79,
  GetTextLengthW = 80,
  SetJustify = 86,
  SetFormatCode = 88,
  SetPrecision = 90,
  SetBooleanValue = 92,
  GetBooleanValue = 93,
  GetIntValue = 95,  // also at 1007
  SetFixedValue = 96,
  GetFixedValue = 97,
  SetMinIntValue = 100,
  SetMaxIntValue = 104,  // also at 1009
  SetMinFloatValue = 106,
  SetMaxFloatValue = 110,
  SetSmallIncrement = 112,
  SetLargeIncrement = 114,
  GetSmallIncrement = 115,
  SetUnits = 116,
  SetFloatToTextProc = 120,
  DefaultFloatToText = 122,
  SetTextToFloatProc = 124,
  DefaultTextToFloat = 126,
  SetAllowUnits = 128,
  // ours
  PrepareStaticText = 1002,
  SetItemType = 1003,
  SelectAll = 1004,
  TakeFocus = 1005,
  SetIntValue = 1006,
  GetHierarchyList = 1010,
  SetFloatValue = 1011,
  GetFloatValue = 1012,
  Last = kSuiteTableSize
};
}

namespace ADMListSel {
enum : unsigned {
  SetDrawProc = 7,  // also at 1001
  GetEntryTextRect = 20,
  InsertEntry = 21,  // also at 1000
  RemoveEntry = 22,
  IndexEntry = 24,
  FindEntry = 25,
  NumberOfEntries = 29,
  // ours
  GetItem = 1002,
  Last = kSuiteTableSize
};
}

namespace ADMEntrySel {
enum : unsigned {
  SetID = 8,  // also at 1002
  SetUserData = 10,  // also at 1004
  Select = 12,
  IsSelected = 13,  // also at 1006
  IsInBounds = 15,
  Invalidate = 30,
  // ours
  SetText = 1000,
  GetText = 1001,
  GetID = 1003,
  GetUserData = 1005,
  GetIndex = 1007,
  GetBoundsRect = 1008,
  Last = kSuiteTableSize
};
}

// Ours, every one.
namespace ADMHierarchyListSel {
enum : unsigned {
  InsertEntry = 1000,
  RemoveEntry = 1001,
  IndexEntry = 1002,
  NumberOfEntries = 1003,
  FindEntry = 1004,
  GetActiveEntry = 1005,
  DeselectAll = 1006,
  SetEntryWidth = 1007,
  GetEntryWidth = 1008,
  GetItem = 1009,
  GetEntryTextRect = 1010,
  SetEntryTextRect = 1011,
  Last = kSuiteTableSize
};
}

namespace ADMListEntrySel {
enum : unsigned {
  Select = 1000,
  IsSelected = 1001,
  SetText = 1002,
  GetText = 1003,
  SetID = 1004,
  GetID = 1005,
  SetUserData = 1006,
  GetUserData = 1007,
  CreateChildList = 1008,
  GetChildList = 1009,
  GetList = 1010,
  Remove = 1011,
  Last = kSuiteTableSize
};
}

namespace ADMDrawerSel {
enum : unsigned {
  GetDC = 0,
  GetBoundsRect = 2,
  FrameRect = 25,  // also at 29 and 1004
  GetTextWidth = 44,  // also at 1006
  DrawTextInBox = 49,  // also at 1002
  Destroy = 59,
  Create = 63,
  // ours
  SetColor = 1000,
  GetColor = 1001,
  FillRect = 1003,
  DrawLine = 1005,
  FillRectRGB = 1007,
  DrawIcon = 1008,
  GetFontLineHeight = 1009,
  Last = kSuiteTableSize
};
}

namespace ADMNotifierSel {
enum : unsigned {
  IsNotifierType = 2,
  // ours
  GetItem = 1000,
  Last = kSuiteTableSize
};
}

namespace ADMBasicSel {
enum : unsigned { ChooseColor = 24, Last = kSuiteTableSize };
}

namespace ADMIconSel {
enum : unsigned { GetFromResource = 0, Last = kSuiteTableSize };
}

namespace ADMTrackerSel {
enum : unsigned {
  // ours
  GetAction = 1000,
  GetPoint = 1001,
  Last = kSuiteTableSize
};
}

namespace ADMDialogGroupSel {
enum : unsigned { GetDialogGroupInfo = 1, SetDialogGroupInfo = 7, Last = kSuiteTableSize };
}

namespace ADMWinHostSel {
enum : unsigned { GetParentWindow = 3, SetParentWindow = 4, Last = kSuiteTableSize };
}

namespace ADMHostSel {
enum : unsigned { BeforeValidate = 21, Last = kSuiteTableSize };
}
