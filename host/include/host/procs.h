// Signatures of the host operations, one X-list per table:
//   X(name, return type, (parameters), (arguments))
// The plug-in side turns each into a call wrapper (calls.h); the host side
// fills its tables from the same lists, so both agree on every signature.
#pragma once
#include "host/admtypes.h"
#include "host/astypes.h"
#include "host/hft.h"
#include "host/selectors.h"

typedef void (*AVExecuteProc)(void* clientData);
typedef ASBool (*AVComputeEnabledProc)(void* clientData);
typedef ASBool (*AVComputeMarkedProc)(void* clientData);
// Notification 0, the application started.
typedef void (*AVAppDidInitProc)(void* clientData);
typedef void (*AVToolActivateProc)(AVTool tool);
typedef void (*AVToolCallback8Proc)(AVTool tool);
typedef ASBool (*AVToolDoClickProc)(AVTool tool, AVPageView view, ASInt16 x, ASInt16 y, ASInt16 flags,
                                    ASInt16 clickNo);
typedef ASBool (*AVToolDoKeyDownProc)(AVTool tool, ASUns16 key, ASInt16 flags);
typedef ASAtom (*AVToolGetTypeProc)(AVTool tool);
// Notifications 2 (the second argument is never null), 7, 13, 14 and 34.
typedef void (*AVDocDidActivateProc)(AVDoc doc, void* second, void* clientData);
typedef void (*AVDocWillCloseProc)(AVDoc doc, void* clientData);
typedef void (*AVPageViewDidDrawProc)(AVPageView view, void* clientData);
typedef void (*AVPageViewDidChangeProc)(AVPageView view, void* clientData);
typedef void (*PDPageDidChangeProc)(PDPage page, void* clientData);

// Core (prefix AS); Raise is declared by hand because it never returns.
#define HOST_CORE_PROCS(X)                                                        \
  X(PushExceptionFrame, void, (void* frame), (frame))                             \
  X(PopExceptionFrame, void, (), ())                                              \
  X(GetExceptionErrorCode, ASErrorCode, (), ())                                   \
  X(AtomFromString, ASAtom, (const char* text), (text))                           \
  X(AtomExistsForString, ASBool, (const char* text), (text))                      \
  X(AtomGetString, const char*, (ASAtom atom), (atom))                            \
  X(CallbackCreate, ASCallback, (ASUns32 extension, void* proc), (extension, proc)) \
  X(CallbackDestroy, void, (ASCallback callback), (callback))                     \
  X(ExtensionMgrGetHFT, HFT, (ASAtom name, ASUns32 version), (name, version))     \
  X(RegisterHFT, ASBool, (HFT table), (table))                                    \
  X(FrameDepth, ASInt32, (), ())

// Cos (prefix Cos). DocWasRepaired answers whether the file was damaged
// (its cross-reference data or an object unreadable as written, or no
// "%%EOF" in its last 1024 bytes) and the document was opened by repair. NumberValue answers an integer or a real as
// the file holds it, where FixedValue saturates at the 16.16 limits.
#define HOST_COS_PROCS(X)                                                                 \
  X(ObjEqual, ASBool, (CosObj a, CosObj b), (a, b))                                       \
  X(ObjGetType, CosType, (CosObj obj), (obj))                                             \
  X(ObjEnum, ASBool, (CosObj obj, CosObjEnumProc proc, void* clientData), (obj, proc, clientData)) \
  X(ObjGetDoc, CosDoc, (CosObj obj), (obj))                                               \
  X(NewInteger, CosObj, (CosDoc doc, ASBool indirect, ASInt32 value), (doc, indirect, value)) \
  X(NewFixed, CosObj, (CosDoc doc, ASBool indirect, ASFixed value), (doc, indirect, value)) \
  X(NewName, CosObj, (CosDoc doc, ASBool indirect, ASAtom name), (doc, indirect, name))   \
  X(NewString, CosObj, (CosDoc doc, ASBool indirect, const char* bytes, ASInt32 length),  \
    (doc, indirect, bytes, length))                                                       \
  X(NewArray, CosObj, (CosDoc doc, ASBool indirect, ASInt32 capacity), (doc, indirect, capacity)) \
  X(NewDict, CosObj, (CosDoc doc, ASBool indirect, ASInt32 capacity), (doc, indirect, capacity)) \
  X(NewStream, CosObj,                                                                    \
    (CosDoc doc, ASBool indirect, ASStm source, CosStreamStartAndCode sourceStart,        \
     ASBool sourceLengthEncoded, CosObj attributes, CosObj encodeParms, CosByteMax sourceLength), \
    (doc, indirect, source, sourceStart, sourceLengthEncoded, attributes, encodeParms, sourceLength)) \
  X(ObjDestroy, void, (CosObj obj), (obj))                                                \
  X(IntegerValue, ASInt32, (CosObj obj), (obj))                                           \
  X(FixedValue, ASFixed, (CosObj obj), (obj))                                             \
  X(NameValue, ASAtom, (CosObj obj), (obj))                                               \
  X(DictGet, CosObj, (CosObj dict, ASAtom key), (dict, key))                              \
  X(DictPut, void, (CosObj dict, ASAtom key, CosObj value), (dict, key, value))          \
  X(DictRemove, void, (CosObj dict, ASAtom key), (dict, key))                             \
  X(DictKnown, ASBool, (CosObj dict, ASAtom key), (dict, key))                            \
  X(ArrayGet, CosObj, (CosObj array, ASInt32 index), (array, index))                      \
  X(ArrayPut, void, (CosObj array, ASInt32 index, CosObj value), (array, index, value))   \
  X(ArrayInsert, void, (CosObj array, ASInt32 index, CosObj value), (array, index, value)) \
  X(ArrayLength, ASInt32, (CosObj array), (array))                                        \
  X(StreamOpenStm, ASStm, (CosObj stream, ASInt32 mode), (stream, mode))                  \
  X(DocGetInfoDict, CosObj, (CosDoc doc), (doc))                                          \
  X(ObjCopy, CosObj, (CosObj source, CosDoc target, ASBool copyIndirect), (source, target, copyIndirect)) \
  X(NewNull, CosObj, (), ())                                                              \
  X(NewBoolean, CosObj, (CosDoc doc, ASBool indirect, ASBool value), (doc, indirect, value)) \
  X(BooleanValue, ASBool, (CosObj obj), (obj))                                            \
  X(StringValue, const char*, (CosObj obj, ASInt32* length), (obj, length))               \
  X(ObjIsIndirect, ASBool, (CosObj obj), (obj))                                           \
  X(ObjGetID, CosID, (CosObj obj), (obj))                                                 \
  X(ObjGetGeneration, CosGeneration, (CosObj obj), (obj))                                 \
  X(StreamDict, CosObj, (CosObj stream), (stream))                                        \
  X(StreamLength, ASInt32, (CosObj stream), (stream))                                     \
  X(DocGetRoot, CosObj, (CosDoc doc), (doc))                                              \
  X(DocGetObjByID, CosObj, (CosDoc doc, CosID id), (doc, id))                             \
  X(ArrayRemoveNth, void, (CosObj array, ASInt32 index), (array, index))                  \
  X(DocGetTrailer, CosObj, (CosDoc doc), (doc))                                          \
  X(DocOpenWithParams, CosDoc, (const CosDocOpenParams* params), (params))                \
  X(DocClose, void, (CosDoc doc), (doc))                                                  \
  X(DocEnumIndirect, ASBool, (CosDoc doc, CosObjEnumProc proc, void* clientData), (doc, proc, clientData)) \
  X(DocHandleMark, ASUns32, (CosDoc doc), (doc))                                          \
  X(DocReleaseHandles, void, (CosDoc doc, ASUns32 mark), (doc, mark))                    \
  X(DocWasRepaired, ASBool, (CosDoc doc), (doc))                                          \
  X(NumberValue, double, (CosObj obj), (obj))

// PDModel (prefix PD). DocGetNewSecurityHandler answers the name of the
// encryption's filter (ASAtomNull without encryption); DocPermRequest and
// DocGetPermissions answer the permission bits the document was opened with
// (pdPerm..., astypes.h); the authorisation is not read. PageGetMediaBox
// answers the page's media box, inherited through the page tree and
// normalised (US Letter when there is none with an area); PageSetCropBox gives the page a
// crop box of its own. PageGetResources answers the page's resources, else
// the nearest ancestor's, else the null object; PageResourcesChanged is the
// notice that a page's resources changed (logged, then notification 34).
#define HOST_PDMODEL_PROCS(X)                                                             \
  X(DocSave, void, (PDDoc doc, ASInt32 flags, ASPathName path, ASFileSys fileSys,         \
                    void* progress, void* progressData),                                  \
    (doc, flags, path, fileSys, progress, progressData))                                  \
  X(DocGetFlags, ASInt32, (PDDoc doc), (doc))                                             \
  X(DocSetFlags, void, (PDDoc doc, ASInt32 flags), (doc, flags))                          \
  X(DocGetCosDoc, CosDoc, (PDDoc doc), (doc))                                             \
  X(DocGetNumPages, ASInt32, (PDDoc doc), (doc))                                          \
  X(DocAcquirePage, PDPage, (PDDoc doc, ASInt32 pageNum), (doc, pageNum))                 \
  X(PageRelease, void, (PDPage page), (page))                                             \
  X(PageGetDoc, PDDoc, (PDPage page), (page))                                             \
  X(PageGetCosObj, CosObj, (PDPage page), (page))                                         \
  X(PageGetNumber, ASInt32, (PDPage page), (page))                                        \
  X(DocFromCosDoc, PDDoc, (CosDoc doc), (doc))                                            \
  X(DocClose, void, (PDDoc doc), (doc))                                                   \
  X(DocGetFile, ASFile, (PDDoc doc), (doc))                                               \
  X(ReadContentToken, ASInt32, (ASStm stm, PDToken* token), (stm, token))                 \
  X(ReadInlineImage, CosObj, (ASStm stm, CosObj resources, CosDoc doc, ASInt32* consumed), \
    (stm, resources, doc, consumed))                                                      \
  X(FontFromCosObj, PDFont, (CosObj font), (font))                                        \
  X(FontIsEmbedded, ASBool, (PDFont font), (font))                                        \
  X(FontGetSubtype, ASAtom, (PDFont font), (font))                                        \
  X(FontGetName, ASInt32, (PDFont font, char* buffer, ASInt32 size), (font, buffer, size)) \
  X(FontGetEncodingName, const char*, (PDFont font), (font))                              \
  X(DocGetID, ASInt32, (PDDoc doc, ASInt32 index, ASUns8* buffer, ASInt32 size), (doc, index, buffer, size)) \
  X(PageGetRotate, PDRotate, (PDPage page), (page))                                       \
  X(PageGetNumAnnots, ASInt32, (PDPage page), (page))                                     \
  X(PageGetAnnot, PDAnnot, (PDPage page, ASInt32 index), (page, index))                   \
  X(AnnotGetFlags, ASInt32, (PDAnnot annot), (annot))                                     \
  X(AnnotGetSubtype, ASAtom, (PDAnnot annot), (annot))                                    \
  X(AnnotGetRect, void, (PDAnnot annot, ASFixedRect* rect), (annot, rect))                \
  X(AnnotGetCosObj, CosObj, (PDAnnot annot), (annot))                                     \
  X(PageAcquirePDEContent, PDEContent, (PDPage page), (page))                             \
  X(EContentGetNumElems, ASInt32, (PDEContent content), (content))                        \
  X(EContentGetElem, PDEElement, (PDEContent content, ASInt32 index), (content, index))   \
  X(EContentRelease, void, (PDEContent content), (content))                               \
  X(EElementGetType, ASInt32, (PDEElement element), (element))                            \
  X(EElementGetBBox, void, (PDEElement element, ASFixedRect* bbox), (element, bbox))      \
  X(EElementGetCosObj, CosObj, (PDEElement element), (element))                           \
  X(EFormGetContent, PDEContent, (PDEElement form), (form))                               \
  X(DocGetInfo, ASInt32, (PDDoc doc, const char* key, char* buffer, ASInt32 size), (doc, key, buffer, size)) \
  X(DocSetInfo, void, (PDDoc doc, const char* key, const char* value, ASInt32 length), (doc, key, value, length)) \
  X(DocGetNewSecurityHandler, ASAtom, (PDDoc doc), (doc))                               \
  X(DocPermRequest, ASInt32, (PDDoc doc, ASInt32 wanted, void* authData), (doc, wanted, authData)) \
  X(DocGetPermissions, ASInt32, (PDDoc doc), (doc))                                      \
  X(DocClearFlags, void, (PDDoc doc, ASInt32 flags), (doc, flags))                        \
  X(PageNotifyContentsDidChange, void, (PDPage page), (page))                             \
  X(PageRemoveAnnot, void, (PDPage page, ASInt32 index), (page, index))                   \
  X(PageGetAnnotIndex, ASInt32, (PDPage page, PDAnnot annot), (page, annot))              \
  X(AnnotFromCosObj, PDAnnot, (CosObj obj), (obj))                                        \
  X(AnnotSetRect, void, (PDAnnot annot, const ASFixedRect* rect), (annot, rect))          \
  X(ActionFromCosObj, PDAction, (CosObj obj), (obj))                                      \
  X(ActionDestroy, void, (PDAction action), (action))                                     \
  X(PageGetMediaBox, void, (PDPage page, ASFixedRect* box), (page, box))                  \
  X(PageSetCropBox, void, (PDPage page, ASFixedRect box), (page, box))                    \
  X(PageGetResources, CosObj, (PDPage page), (page))                                      \
  X(PageResourcesChanged, void, (PDPage page, ASInt32 flags), (page, flags))

// PDModel 345: the image drawn for an image XObject. The host's own entry
// answers the image when it is an image stream, else the null object, and
// never writes `chosen`; a plug-in may stand in its place (AcroSupport 81)
// to choose an alternate, setting *chosen to 1 when it did.
#define HOST_PDMODEL_ALTERNATE_PROCS(X)                                                   \
  X(ImageSelectAlternate, CosObj, (CosObj image, ASBool printing, void* data, ASBool* chosen, void* more), \
    (image, printing, data, chosen, more))

// AcroView (prefix AV). The one toolbar holds the host's separator
// "endToolsGroup" at first; ToolBarAddButton puts a button after `other`
// when `after` is true, else before it, and at the end when `other` is
// none. A button's icon is a bitmap (WinLoadBitmap). DocDoSave saves a
// document to its own file, as every save does (notification 0x38, a
// temporary file renamed over it); 0 when it cannot, after a note. A page
// view's aperture is the zero rectangle, and invalidating a part of it
// draws nothing, until views are drawn.
#define HOST_ACROVIEW_PROCS(X)                                                            \
  X(Alert, ASInt32, (ASInt32 iconType, const char* msg, const char* button1,              \
                     const char* button2, const char* button3, ASBool beep),              \
    (iconType, msg, button1, button2, button3, beep))                                     \
  X(AlertNote, void, (const char* msg), (msg))                                            \
  X(AlertConfirm, ASBool, (const char* msg), (msg))                                       \
  X(DocAlertYesNo, ASBool, (AVDoc doc, const char* msg), (doc, msg))                      \
  X(AppGetVersion, void, (ASInt16* major, ASInt16* minor), (major, minor))                \
  X(AppGetActiveDoc, AVDoc, (), ())                                                       \
  X(AppGetNumDocs, ASInt32, (), ())                                                       \
  X(AppGetMenubar, AVMenubar, (), ())                                                     \
  X(DocGetPDDoc, PDDoc, (AVDoc doc), (doc))                                               \
  X(DocGetPageView, AVPageView, (AVDoc doc), (doc))                                       \
  X(PageViewGetPageNum, ASInt32, (AVPageView view), (view))                               \
  X(PageViewGetFirstVisiblePageNum, ASInt32, (AVPageView view), (view))                   \
  X(PageViewGetLastVisiblePageNum, ASInt32, (AVPageView view), (view))                    \
  X(PageViewGoTo, void, (AVPageView view, ASInt32 pageNum), (view, pageNum))              \
  X(MenubarAcquireMenuByName, AVMenu, (AVMenubar menubar, const char* name), (menubar, name)) \
  X(MenubarAcquireMenuItemByName, AVMenuItem, (AVMenubar menubar, const char* name), (menubar, name)) \
  X(MenuNew, AVMenu, (const char* title, const char* name, ASUns32 extension), (title, name, extension)) \
  X(MenuRelease, void, (AVMenu menu), (menu))                                             \
  X(MenuAddMenuItem, void, (AVMenu menu, AVMenuItem item, ASInt32 position), (menu, item, position)) \
  X(MenuItemNew, AVMenuItem, (const char* title, const char* name, AVMenu submenu,       \
                             ASBool longMenusOnly, char shortcut, ASInt32 flags,          \
                             void* icon, ASUns32 extension),                              \
    (title, name, submenu, longMenusOnly, shortcut, flags, icon, extension))              \
  X(MenuItemRelease, void, (AVMenuItem item), (item))                                     \
  X(MenuItemRemove, void, (AVMenuItem item), (item))                                      \
  X(MenuItemSetExecuteProc, void, (AVMenuItem item, ASCallback proc, void* data), (item, proc, data)) \
  X(MenuItemSetComputeEnabledProc, void, (AVMenuItem item, ASCallback proc, void* data),  \
    (item, proc, data))                                                                   \
  X(MenubarAddMenu, void, (AVMenubar menubar, AVMenu menu, ASInt32 position), (menubar, menu, position)) \
  X(AppRegisterNotification, void, (ASInt32 type, ASUns32 extension, ASCallback proc, void* clientData), \
    (type, extension, proc, clientData))                                                  \
  X(AppUnregisterNotification, void, (ASInt32 type, ASUns32 extension, ASCallback proc, void* clientData), \
    (type, extension, proc, clientData))                                                  \
  X(AppGetToolBar, AVToolBar, (), ())                                                     \
  X(ToolBarGetButtonByName, AVToolButton, (AVToolBar toolBar, ASAtom name), (toolBar, name)) \
  X(ToolBarAddButton, void, (AVToolBar toolBar, AVToolButton button, ASBool after, AVToolButton other), \
    (toolBar, button, after, other))                                                      \
  X(ToolBarIsRoomFor, ASBool, (AVToolBar toolBar, ASInt32 buttons, ASInt32 separators),  \
    (toolBar, buttons, separators))                                                       \
  X(ToolBarUpdateButtonStates, void, (AVToolBar toolBar), (toolBar))                      \
  X(ToolButtonNew, AVToolButton, (ASAtom name, void* icon, ASBool longOnly, ASBool separator), \
    (name, icon, longOnly, separator))                                                    \
  X(ToolButtonDestroy, void, (AVToolButton button), (button))                             \
  X(ToolButtonSetExecuteProc, void, (AVToolButton button, ASCallback proc, void* data), (button, proc, data)) \
  X(ToolButtonSetComputeEnabledProc, void, (AVToolButton button, ASCallback proc, void* data), \
    (button, proc, data))                                                                 \
  X(ToolButtonSetHelpText, void, (AVToolButton button, const char* text), (button, text)) \
  X(ToolButtonSetComputeMarkedProc, void, (AVToolButton button, ASCallback proc, void* data), \
    (button, proc, data))                                                                 \
  X(DocDoSave, ASBool, (AVDoc doc), (doc))                                               \
  X(CryptGetPassword, ASBool, (PDDoc doc, ASInt32 wanted, void** authData), (doc, wanted, authData)) \
  X(PageViewGetAperture, void, (AVPageView view, AVDevRect* rect), (view, rect))          \
  X(PageViewInvalidateRect, void, (AVPageView view, const AVDevRect* rect), (view, rect))

// AcroView: an item's mark, and drawing a page view. A view is drawn again
// (DrawNow) only when invalid: opened, turned to another page or
// invalidated (PageViewInvalidateRect, which logs `invalidate all` for no
// rectangle, else `invalidate L T R B`).
#define HOST_ACROVIEW_MARK_DRAW_PROCS(X)                                                  \
  X(MenuItemSetComputeMarkedProc, void, (AVMenuItem item, ASCallback proc, void* data),   \
    (item, proc, data))                                                                   \
  X(PageViewDrawNow, void, (AVPageView view), (view))

// AcroView: setting a preference (32; notification 92 tells each change), an
// item's check mark as `print menus` shows it (104) and running an item
// after its enable procedure (105).
#define HOST_ACROVIEW_PREFERENCE_PROCS(X)                                                 \
  X(AppSetPreference, void, (ASInt32 preference, ASInt32 value), (preference, value))     \
  X(MenuItemIsMarked, ASBool, (AVMenuItem item), (item))                                  \
  X(MenuItemExecute, void, (AVMenuItem item), (item))

// AcroView: the document progress monitor (15), answered with its client
// datum; its operations are lines of the driver's transcript.
#define HOST_ACROVIEW_PROGRESS_PROCS(X) \
  X(AppGetDocProgressMonitor, AVProgressMonitor, (void** clientData), (clientData))

// PDModel: resource enumeration (311). Page by page from `firstPage` to
// `lastPage` (from 0), the entries of the type's dictionary in the page's
// resources (its own or inherited) in byte order of their names; after each
// form XObject among them, the entries of the same type in the form's own
// resources, each form once a call. `proc` is a callback over a
// PDResourceEnumProc.
#define HOST_PDMODEL_RESOURCE_PROCS(X)                                                    \
  X(DocEnumResources, void, (PDDoc doc, ASInt32 firstPage, ASInt32 lastPage, ASAtom type, \
                             ASCallback proc, void* clientData),                          \
    (doc, firstPage, lastPage, type, proc, clientData))

// "PagePDEContent" (prefix PDEdit): a page's content read as PDModel 1608
// reads it, with inline images as image elements and marked content as
// containers; released by page.
#define HOST_PAGEPDECONTENT_PROCS(X)                                                      \
  X(PageAcquireContent, PDEContent, (PDPage page, ASUns32 extension), (page, extension))  \
  X(PageReleaseContent, void, (PDPage page, ASUns32 extension), (page, extension))

// "PDFEditRead" (prefix PDEdit). ElementGetBBox: the box in the coordinates
// of the content the element belongs to (left, top, right, bottom);
// ElementGetMatrix: the matrix in those coordinates (an image's unit square
// to where it is drawn, a form's Matrix and placement; identity for a
// container). ImageIsXObject is false for an inline image, whose Cos object
// is null.
#define HOST_PDFEDITREAD_PROCS(X)                                                         \
  X(ContentGetNumElems, ASInt32, (PDEContent content), (content))                         \
  X(ContentGetElem, PDEElement, (PDEContent content, ASInt32 index), (content, index))    \
  X(ElementGetBBox, void, (PDEElement element, ASFixedRect* bbox), (element, bbox))       \
  X(ElementGetMatrix, void, (PDEElement element, ASFixedMatrix* matrix), (element, matrix)) \
  X(ImageIsXObject, ASBool, (PDEElement image), (image))                                  \
  X(ImageGetCosObj, CosObj, (PDEElement image), (image))                                  \
  X(ObjectGetType, ASInt32, (PDEElement element), (element))                              \
  X(Release, void, (PDEContent content), (content))                                       \
  X(ContainerGetContent, PDEContent, (PDEElement container), (container))

// "PDFEditWrite" (prefix PDEdit).
#define HOST_PDFEDITWRITE_PROCS(X) X(FormGetContent, PDEContent, (PDEElement form), (form))

// AcroSupport (prefix AS). FixedToCString writes the shortest decimal that
// reads back to the same value, with at most `precision` decimals and
// neither exponent nor trailing zeros; CStringToFixed rounds to the nearest
// value and saturates (0 for a text that is no number).
#define HOST_ACROSUPPORT_PROCS(X)                                                         \
  X(Malloc, void*, (ASSize_t size), (size))                                               \
  X(Realloc, void*, (void* ptr, ASSize_t size), (ptr, size))                              \
  X(Free, void, (void* ptr), (ptr))                                                       \
  X(GetErrorString, const char*, (ASErrorCode code, char* buffer, ASSize_t size), (code, buffer, size)) \
  X(FixedMul, ASFixed, (ASFixed a, ASFixed b), (a, b))                                    \
  X(FixedDiv, ASFixed, (ASFixed a, ASFixed b), (a, b))                                    \
  X(FixedToCString, void, (ASFixed f, char* text, ASSize_t maxLength, ASInt16 precision),  \
    (f, text, maxLength, precision))                                                      \
  X(CStringToFixed, ASFixed, (const char* text), (text))                                  \
  X(FixedMatrixConcat, void, (ASFixedMatrix* result, const ASFixedMatrix* m1, const ASFixedMatrix* m2), \
    (result, m1, m2))                                                                     \
  X(FixedMatrixTransform, void, (ASFixedPoint* result, const ASFixedMatrix* m, const ASFixedPoint* p), \
    (result, m, p))                                                                       \
  X(FixedMatrixTransformRect, void, (ASFixedRect* result, const ASFixedMatrix* m, const ASFixedRect* r), \
    (result, m, r))                                                                       \
  X(FixedMatrixInvert, ASBool, (ASFixedMatrix* result, const ASFixedMatrix* m), (result, m)) \
  X(StmRead, ASSize_t, (char* ptr, ASSize_t itemSize, ASSize_t nItems, ASStm stm),        \
    (ptr, itemSize, nItems, stm))                                                         \
  X(StmClose, void, (ASStm stm), (stm))                                                   \
  X(ProcStmRdOpen, ASStm, (ASCallback readProc, void* clientData), (readProc, clientData)) \
  X(MemStmRdOpen, ASStm, (const char* data, ASSize_t length), (data, length))             \
  X(GetDefaultFileSys, ASFileSys, (), ())                                                 \
  X(FileSysReleasePath, void, (ASFileSys fileSys, ASPathName path), (fileSys, path))      \
  X(FileSysCreatePathName, ASPathName, (ASFileSys fileSys, ASAtom specType,              \
                                        const void* spec, const void* extra),              \
    (fileSys, specType, spec, extra))                                                     \
  X(PathGetText, const char*, (ASPathName path), (path))                                  \
  X(DisplayStringFromPath, char*, (ASFileSys fileSys, ASPathName path, ASPathName relativeTo), \
    (fileSys, path, relativeTo))                                                          \
  X(FileAcquirePathName, ASPathName, (ASFile file), (file))                               \
  X(FileGetFileSys, ASFileSys, (ASFile file), (file))                                     \
  X(FileSysOpenFile, ASErrorCode, (ASFileSys fileSys, ASPathName path, ASUns16 mode, ASFile* file), \
    (fileSys, path, mode, file))                                                          \
  X(FileSysRemoveFile, ASErrorCode, (ASFileSys fileSys, ASPathName path), (fileSys, path)) \
  X(FileGetEOF, ASFilePos64, (ASFile file), (file))                                       \
  X(FileSetPos, void, (ASFile file, ASFilePos64 pos), (file, pos))                        \
  X(FileGetPos, ASFilePos64, (ASFile file), (file))                                       \
  X(FileRead, ASSize_t, (ASFile file, char* buffer, ASSize_t count), (file, buffer, count)) \
  X(FileWrite, ASSize_t, (ASFile file, const char* buffer, ASSize_t count), (file, buffer, count)) \
  X(FileClose, ASErrorCode, (ASFile file), (file))                                       \
  X(FileStmRdOpen, ASStm, (ASFile file, ASUns32 bufSize), (file, bufSize))

// AcroSupport: replacing a table's entry. HFTReplaceEntry puts the host
// callback's procedure in the entry's place; HFTGetReplacedEntry answers the
// entry that callback replaced there (genErrBadParm when it replaced none).
#define HOST_ACROSUPPORT_REPLACE_PROCS(X)                                                 \
  X(HFTReplaceEntry, void, (HFT table, ASUns32 selector, ASCallback entry, ASUns32 extension, ASUns32 flags), \
    (table, selector, entry, extension, flags))                                           \
  X(HFTGetReplacedEntry, HFTEntry, (HFT table, ASUns32 selector, ASCallback entry), (table, selector, entry))

// AcroSupport: tables a plug-in offers. A server answers imports of its name
// (Core 10) through its provide callback, ASHFTServerProvideProc, asked with
// the version wanted; HFTNew makes an empty table of that many selectors
// for a server, whose entries HFTReplaceEntry fills.
typedef struct _t_HFTServer* HFTServer;
typedef HFT (*ASHFTServerProvideProc)(HFTServer server, ASUns32 version, void* clientData);
typedef void (*ASHFTServerDestroyProc)(HFTServer server, void* clientData);
#define HOST_ACROSUPPORT_SERVER_PROCS(X)                                                  \
  X(HFTServerNew, HFTServer, (const char* name, ASCallback provide, ASCallback destroy, void* clientData), \
    (name, provide, destroy, clientData))                                                 \
  X(HFTNew, HFT, (HFTServer server, ASUns32 numSelectors), (server, numSelectors))

// AcroView 39: an idle procedure, called once per round of the host's idle
// time with its client data; the period (in ticks) is kept, not timed.
typedef void (*AVIdleProc)(void* clientData);
#define HOST_ACROVIEW_IDLE_PROCS(X) \
  X(AppRegisterIdleProc, void, (ASCallback proc, void* clientData, ASUns32 period), (proc, clientData, period))

// Windows: moveable global memory behind 32-bit handles (0: none). Alloc and
// ReAlloc answer 0 when refused (the old block then stays); Lock answers
// none for a handle that is not live; Free answers 0 on success, else the
// handle.
#define HOST_WINDOWS_MEMORY_PROCS(X)                                                      \
  X(GlobalAlloc, ASUns32, (ASUns32 flags, ASUns32 bytes), (flags, bytes))                 \
  X(GlobalReAlloc, ASUns32, (ASUns32 handle, ASUns32 bytes, ASUns32 flags), (handle, bytes, flags)) \
  X(GlobalLock, void*, (ASUns32 handle), (handle))                                        \
  X(GlobalUnlock, ASBool, (ASUns32 handle), (handle))                                     \
  X(GlobalFree, ASUns32, (ASUns32 handle), (handle))

// Windows (prefix Win). Registry operations answer a system error code (0 on
// success). A key opened for reading is a snapshot: the texts RegEnumValue
// hands out stay valid until the key is closed. RegBeginRewrite starts a new,
// empty version of a key; RegCommit replaces the stored key by it in one
// atomic write. RegBeginUpdate starts changes to a key (RegSetValue,
// RegDeleteValue); RegCommit applies them to the key as stored then, read
// again under the settings lock, so values others wrote meanwhile stay, and
// makes the key (with the class) when it is missing. ModuleFileName and CreateTempFile answer the full length of
// the name, which the buffer holds only when that length is below `size`
// (0: failed); a temporary file whose name did not fit is removed again.
#define HOST_WINDOWS_PROCS(X)                                                             \
  X(RegOpenKey, ASInt32, (ASInt32 hive, const char* path, WinRegKey* key), (hive, path, key)) \
  X(RegEnumValue, ASInt32, (WinRegKey key, ASUns32 index, const char** name, ASUns32* type, \
                            const char** data, ASUns32* size),                            \
    (key, index, name, type, data, size))                                                 \
  X(RegCloseKey, ASInt32, (WinRegKey key), (key))                                         \
  X(RegBeginRewrite, ASInt32, (ASInt32 hive, const char* path, const char* className,    \
                               WinRegKey* key),                                           \
    (hive, path, className, key))                                                         \
  X(RegSetValue, ASInt32, (WinRegKey key, const char* name, ASUns32 type, const char* data, \
                           ASUns32 size),                                                 \
    (key, name, type, data, size))                                                        \
  X(RegCommit, ASInt32, (WinRegKey key), (key))                                           \
  X(RegBeginUpdate, ASInt32, (ASInt32 hive, const char* path, const char* className,     \
                              WinRegKey* key),                                            \
    (hive, path, className, key))                                                         \
  X(RegDeleteValue, ASInt32, (WinRegKey key, const char* name), (key, name))              \
  X(SystemErrorText, const char*, (ASInt32 code, char* buffer, ASUns32 size), (code, buffer, size)) \
  X(ModuleFileName, ASUns32, (const void* address, char* buffer, ASUns32 size),          \
    (address, buffer, size))                                                              \
  X(CreateTempFile, ASUns32, (const char* prefix, char* buffer, ASUns32 size), (prefix, buffer, size))

// AcroView entries around dialogs: host windows over platform windows, the
// modal state, cursors, the cancel procedure. AppEndModal names the window
// whose modal state ends; any other window's is left as it is.
#define HOST_ACROVIEW_DIALOG_PROCS(X)                                                     \
  X(AppGetCancelProc, AVCancelProc, (void** clientData), (clientData))                    \
  X(AppBeginModal, void, (AVWindow window), (window))                                     \
  X(AppEndModal, void, (AVWindow window), (window))                                       \
  X(SysGetStandardCursor, AVCursor, (ASInt32 cursorID), (cursorID))                       \
  X(SysSetCursor, void, (AVCursor cursor), (cursor))                                      \
  X(SysGetCursor, AVCursor, (), ())                                                       \
  X(WindowNewFromPlatformThing, AVWindow, (ASInt32 layer, ASUns32 flags, AVWindowHandler handler, \
                                           ASUns32 extension, WinWindow platformWindow),  \
    (layer, flags, handler, extension, platformWindow))                                   \
  X(WindowDestroy, void, (AVWindow window), (window))                                     \
  X(WindowShow, void, (AVWindow window), (window))                                        \
  X(WindowHide, void, (AVWindow window), (window))                                        \
  X(WindowCenter, void, (AVWindow window), (window))                                      \
  X(WindowEnsureInBounds, void, (AVWindow window), (window))                              \
  X(SysSetBusy, void, (ASBool busy, ASInt32 flags), (busy, flags))

// Tools (host/view/tools.cpp). The host's own tools are "Hand" (the default,
// active at start) and "Select". Making a tool active runs the active one's
// second callback, then the new one's activate callback; the previous tool
// is the one active before the active one. ToolIsPersistent answers true
// for every registered tool.
#define HOST_ACROVIEW_TOOL_PROCS(X)                                                       \
  X(AppGetActiveTool, AVTool, (), ())                                                     \
  X(AppGetLastActiveTool, AVTool, (), ())                                                 \
  X(AppGetDefaultTool, AVTool, (), ())                                                    \
  X(AppSetActiveTool, void, (AVTool tool, ASBool persistent), (tool, persistent))         \
  X(AppRegisterTool, void, (AVTool tool), (tool))                                         \
  X(ToolGetType, ASAtom, (AVTool tool), (tool))                                           \
  X(ToolIsPersistent, ASBool, (AVTool tool), (tool))

// Page views' geometry (host/view/geometry.cpp): device space is the crop
// box at the view's zoom, y downwards, turned with the page's /Rotate. Given
// no view or the view of a closed document, these answer none or the zero
// rectangle. A view's page is the document's one handle for that page (the
// view holds it; the caller does not release it).
#define HOST_ACROVIEW_GEOMETRY_PROCS(X)                                                   \
  X(PageViewGetAVDoc, AVDoc, (AVPageView view), (view))                                   \
  X(PageViewGetPage, PDPage, (AVPageView view), (view))                                   \
  X(PageViewRectToDevice, void, (AVPageView view, const ASFixedRect* rect, AVDevRect* device), \
    (view, rect, device))                                                                 \
  X(PageViewDeviceRectToPage, void, (AVPageView view, const AVDevRect* device, ASFixedRect* rect), \
    (view, device, rect))

// The pointer, the mouse button and the modifier keys as the user's steps
// set them (host/view/mouse.cpp), the hit test of a rectangle's handles,
// drawing over a page view into its display list (host/view/overlay.cpp),
// a view's layout mode and a document's serial number, never reused.
#define HOST_ACROVIEW_INPUT_PROCS(X)                                                      \
  X(PageViewGetMousePosition, void, (AVPageView view, ASInt16* x, ASInt16* y), (view, x, y)) \
  X(SysGetModifiers, ASInt32, (), ())                                                     \
  X(SysMouseIsStillDown, ASBool, (), ())                                                  \
  X(RectHandleHitTest, ASInt32, (const AVDevRect* rect, ASBool midpoints, ASInt32 x, ASInt32 y), \
    (rect, midpoints, x, y))                                                              \
  X(PageViewSetLayoutMode, void, (AVPageView view, ASInt32 mode), (view, mode))           \
  X(PageViewGetLayoutMode, ASInt32, (AVPageView view), (view))                            \
  X(DocGetSerialNumber, ASUns32, (AVDoc doc), (doc))

// A preference's integer value (39, the page units, starts at 1, the
// others at 0), a document's window and a window's frame ((0, 0, 1024, 768)
// for a document's).
#define HOST_ACROVIEW_WINDOW_PROCS(X)                                                     \
  X(AppGetPreference, ASInt32, (ASInt32 preference), (preference))                        \
  X(DocGetAVWindow, AVWindow, (AVDoc doc), (doc))                                         \
  X(WindowGetFrame, void, (AVWindow window, AVRect* frame), (window, frame))

// Drawing over a page view, recorded in its display list.
#define HOST_ACROVIEW_OVERLAY_PROCS(X)                                                    \
  X(PageViewSetColor, void, (AVPageView view, const PDColorValueRec* color), (view, color)) \
  X(PageViewDrawRectOutline, void, (AVPageView view, const AVDevRect* rect, ASInt32 width, \
                                    const ASFixed* dash, ASInt32 dashLength),            \
    (view, rect, width, dash, dashLength))                                                \
  X(PageViewInvertRectOutline, void, (AVPageView view, const AVDevRect* rect), (view, rect)) \
  X(PageViewDrawRectOutlineWithHandles, void, (AVPageView view, const AVDevRect* rect, ASBool midpoints, \
                                               ASBool thin, const ASFixed* dash, ASInt32 dashLength), \
    (view, rect, midpoints, thin, dash, dashLength))

// AcroView's own open and save dialogs. The open dialog's array of paths
// stays the host's until its next open dialog; the paths are the caller's.
#define HOST_ACROVIEW_CHOOSER_PROCS(X)                                                    \
  X(OpenFileDialog, ASBool, (const AVFileDialogParams* params, ASFileSys* fileSys, ASPathName** paths, \
                             ASUns16* count, ASUns16* filterIndex),                       \
    (params, fileSys, paths, count, filterIndex))                                         \
  X(SaveFileDialog, ASBool, (const AVFileDialogParams* params, ASFileSys* fileSys, ASPathName* path, \
                             ASUns16* filterIndex),                                       \
    (params, fileSys, path, filterIndex))

// Windows: the tick count (milliseconds), the keyboard focus, and the module
// that holds an address (the key of its resources).
#define HOST_WINDOWS_UI_PROCS(X)                                                          \
  X(GetTickCount, ASUns32, (), ())                                                        \
  X(GetFocus, WinWindow, (), ())                                                          \
  X(SetFocus, WinWindow, (WinWindow window), (window))                                    \
  X(ModuleHandle, WinModule, (const void* address), (address))

// Windows: a module's typed binary resources (its directory's data of a
// named type and number). Found, loaded and locked they stay with the
// module and are never freed; a handle the host did not give finds nothing.
#define HOST_WINDOWS_RESOURCE_PROCS(X)                                                    \
  X(FindResource, WinResource, (WinModule module, ASInt32 number, const char* type),      \
    (module, number, type))                                                               \
  X(LoadResource, WinResourceData, (WinModule module, WinResource resource), (module, resource)) \
  X(LockResource, const void*, (WinResourceData data), (data))                            \
  X(SizeofResource, ASUns32, (WinModule module, WinResource resource), (module, resource))

// Windows: bitmaps of a module's resources and drawing with them; a copy
// into a drawer's context is recorded in that drawer's record.
#define HOST_WINDOWS_BITMAP_PROCS(X)                                                      \
  X(LoadBitmap, WinBitmap, (WinModule module, ASInt32 number, ASUns32 flags), (module, number, flags)) \
  X(GetBitmapInfo, ASBool, (WinBitmap bitmap, WinBitmapInfo* info), (bitmap, info))      \
  X(CreateCompatibleDC, WinDC, (WinDC dc), (dc))                                          \
  X(SelectBitmap, WinBitmap, (WinDC dc, WinBitmap bitmap), (dc, bitmap))                  \
  X(BitBlt, ASBool, (WinDC target, ASInt32 x, ASInt32 y, ASInt32 width, ASInt32 height,  \
                     WinDC source, ASInt32 sourceX, ASInt32 sourceY, ASUns32 operation),  \
    (target, x, y, width, height, source, sourceX, sourceY, operation))                   \
  X(DeleteDC, ASBool, (WinDC dc), (dc))                                                   \
  X(DeleteBitmap, ASBool, (WinBitmap bitmap), (bitmap))

// Windows: the order, messages and words of windows, and the message pump.
#define HOST_WINDOWS_PUMP_PROCS(X)                                                        \
  X(SetWindowOrder, ASBool, (WinWindow window, ASInt32 order), (window, order))           \
  X(SendMessage, intptr_t, (WinWindow window, ASUns32 message, uintptr_t wParam, intptr_t lParam), \
    (window, message, wParam, lParam))                                                    \
  X(GetWindowWord, ASInt32, (WinWindow window, ASInt32 index), (window, index))           \
  X(SetWindowWord, ASInt32, (WinWindow window, ASInt32 index, ASInt32 value), (window, index, value)) \
  X(PeekMessage, ASBool, (WinMsg* message, WinWindow window, ASUns32 first, ASUns32 last, ASUns32 flags), \
    (message, window, first, last, flags))                                                \
  X(TranslateMessage, ASBool, (const WinMsg* message), (message))                         \
  X(DispatchMessage, intptr_t, (const WinMsg* message), (message))

// Windows: the platform's open and save dialogs; ChooserError is 0 after a
// cancel.
#define HOST_WINDOWS_CHOOSER_PROCS(X)                                                     \
  X(GetOpenFileName, ASBool, (WinFileDialogRec* record), (record))                        \
  X(GetSaveFileName, ASBool, (WinFileDialogRec* record), (record))                        \
  X(ChooserError, ASUns32, (), ())

// "Win" (prefix Win)
#define HOST_WIN_PROCS(X) X(AppGetModalParent, WinWindow, (AVDoc doc), (doc))

// "ASExtra" (prefix AS). A text object's Unicode form is UTF-16, zero-ended,
// and lives as long as the object (until it is set again). TextNew makes an
// empty one; TextSetUnicode takes zero-ended UTF-16 in host byte order
// (format 1) or big-endian (0); TextSetEncoded takes 8-bit text (encoding 0).
#define HOST_ASEXTRA_PROCS(X)                                                             \
  X(TextFromEncoded, ASText, (const char* text, ASInt32 encoding), (text, encoding))      \
  X(TextDestroy, void, (ASText text), (text))                                             \
  X(TextGetUnicode, const ASUns16*, (ASText text), (text))                                \
  X(TextNew, ASText, (), ())                                                              \
  X(TextSetUnicode, void, (ASText text, const ASUns16* units, ASInt32 format), (text, units, format)) \
  X(TextSetEncoded, void, (ASText text, const char* bytes, ASInt32 encoding), (text, bytes, encoding)) \
  X(TextMakeEmpty, void, (ASText text), (text))

// "AcroViewSweetPea" (prefix SweetPea). The plug-in reference is the one of
// the plug-in with that extension identifier; its resource access is the
// module whose resources its dialogs are built from.
#define HOST_SWEETPEA_PROCS(X)                                                            \
  X(GetBasicSuite, HFT, (), ())                                                           \
  X(GetPluginRef, ADMPluginRef, (ASUns32 extension), (extension))                         \
  X(GetResourceAccess, ADMErr, (ADMPluginRef plugin, WinModule* module), (plugin, module)) \
  X(SetResourceAccess, ADMErr, (ADMPluginRef plugin, WinModule module), (plugin, module)) \
  X(WindowIdle, void, (WinWindow window), (window))

// The basic suite: a suite by name and version into a reference, and its
// give-back.
#define HOST_SPBASIC_PROCS(X)                                                             \
  X(AcquireSuite, ADMErr, (const char* name, ASInt32 version, HFT* suite), (name, version, suite)) \
  X(ReleaseSuite, ADMErr, (const char* name, ASInt32 version), (name, version))

// "ADM Dialog Suite" version 7. Create and Modal build the dialog from the
// template `id` of the plug-in's resource access; Modal answers the item
// that ended the run, -1 when the dialog could not be made or its init
// procedure failed; RunMade runs a dialog made by Create. GetItem with -1
// answers the first item in item order, GetNextItem the one after an item
// (none after the last); CreateItem is the Item suite's Create. The cursor
// of a dialog is the arrow until it is set.
#define HOST_ADMDIALOG_PROCS(X)                                                           \
  X(Create, ADMDialogRef, (ADMPluginRef plugin, const char* name, ASInt32 id, ASInt32 style, \
                           ADMDialogInitProc init, ADMUserData data, ASInt32 options),    \
    (plugin, name, id, style, init, data, options))                                       \
  X(Modal, ASInt32, (ADMPluginRef plugin, const char* name, ASInt32 id, ASInt32 style,    \
                     ADMDialogInitProc init, ADMUserData data, ASInt32 options),          \
    (plugin, name, id, style, init, data, options))                                       \
  X(RunMade, ASInt32, (ADMDialogRef dialog), (dialog))                                    \
  X(Destroy, void, (ADMDialogRef dialog), (dialog))                                       \
  X(SetDrawProc, void, (ADMDialogRef dialog, ADMDialogDrawProc proc), (dialog, proc))     \
  X(DefaultDraw, void, (ADMDialogRef dialog, ADMDrawerRef drawer), (dialog, drawer))      \
  X(SetTrackProc, void, (ADMDialogRef dialog, ADMDialogTrackProc proc), (dialog, proc))   \
  X(DefaultTrack, ADMBoolean, (ADMDialogRef dialog, ADMTrackerRef tracker), (dialog, tracker)) \
  X(SetNotifyProc, void, (ADMDialogRef dialog, ADMDialogNotifyProc proc), (dialog, proc)) \
  X(DefaultNotify, void, (ADMDialogRef dialog, ADMNotifierRef notifier), (dialog, notifier)) \
  X(SetDestroyProc, void, (ADMDialogRef dialog, ADMDialogDestroyProc proc), (dialog, proc)) \
  X(SetUserData, void, (ADMDialogRef dialog, ADMUserData data), (dialog, data))           \
  X(GetUserData, ADMUserData, (ADMDialogRef dialog), (dialog))                            \
  X(GetPluginRef, ADMPluginRef, (ADMDialogRef dialog), (dialog))                          \
  X(GetWindowRef, WinWindow, (ADMDialogRef dialog), (dialog))                             \
  X(GetDialogStyle, ASInt32, (ADMDialogRef dialog), (dialog))                             \
  X(Show, void, (ADMDialogRef dialog, ADMBoolean show), (dialog, show))                   \
  X(IsVisible, ADMBoolean, (ADMDialogRef dialog), (dialog))                               \
  X(SetBoundsRect, void, (ADMDialogRef dialog, const ADMRect* bounds), (dialog, bounds))  \
  X(GetBoundsRect, void, (ADMDialogRef dialog, ADMRect* bounds), (dialog, bounds))        \
  X(Move, void, (ADMDialogRef dialog, ASInt32 x, ASInt32 y), (dialog, x, y))              \
  X(SetText, void, (ADMDialogRef dialog, const char* text), (dialog, text))               \
  X(SetTextW, void, (ADMDialogRef dialog, const ASUns16* text), (dialog, text))           \
  X(GetItem, ADMItemRef, (ADMDialogRef dialog, ASInt32 id), (dialog, id))                 \
  X(EndModal, void, (ADMDialogRef dialog, ASInt32 itemID), (dialog, itemID))              \
  X(SetCursorID, void, (ADMDialogRef dialog, ADMPluginRef plugin, ASInt32 cursorID),      \
    (dialog, plugin, cursorID))                                                           \
  X(GetCursorID, void, (ADMDialogRef dialog, ADMPluginRef* plugin, ASInt32* cursorID),    \
    (dialog, plugin, cursorID))                                                           \
  X(CreateItem, ADMItemRef, (ADMDialogRef dialog, ASInt32 id, const char* type, const ADMRect* bounds, \
                             ADMItemInitProc init, ADMUserData data, ASInt32 options),    \
    (dialog, id, type, bounds, init, data, options))                                      \
  X(GetNextItem, ADMItemRef, (ADMDialogRef dialog, ADMItemRef item), (dialog, item))      \
  X(Invalidate, void, (ADMDialogRef dialog), (dialog))                                    \
  X(InvalidateRect, void, (ADMDialogRef dialog, const ADMRect* rect), (dialog, rect))

// The Dialog suite's entries for palettes: the name a dialog was created
// under, its local rectangle (0, 0, width, height), its size set with the
// top-left corner kept, and its minimum width and height (only logged).
#define HOST_ADMDIALOG_PALETTE_PROCS(X)                                                   \
  X(GetDialogName, const char*, (ADMDialogRef dialog), (dialog))                          \
  X(GetLocalRect, void, (ADMDialogRef dialog, ADMRect* rect), (dialog, rect))             \
  X(Size, void, (ADMDialogRef dialog, ASInt32 width, ASInt32 height), (dialog, width, height)) \
  X(SetMinWidth, void, (ADMDialogRef dialog, ASInt32 width), (dialog, width))             \
  X(SetMinHeight, void, (ADMDialogRef dialog, ASInt32 height), (dialog, height))

// The Item suite's numeric items: an edit shows a 16.16 value with the
// decimals set by SetPrecision; GetFixedValue reads its text as a number,
// rounded to 16.16 and saturated; a text that is no number answers the
// value last set, which it shows again. SetUnits and SetAllowUnits are
// only logged.
#define HOST_ADMITEM_NUMBER_PROCS(X)                                                      \
  X(SetPrecision, void, (ADMItemRef item, ASInt32 decimals), (item, decimals))            \
  X(SetFixedValue, void, (ADMItemRef item, ASFixed value), (item, value))                 \
  X(GetFixedValue, ASFixed, (ADMItemRef item), (item))                                    \
  X(SetUnits, void, (ADMItemRef item, ASInt32 units), (item, units))                      \
  X(SetAllowUnits, void, (ADMItemRef item, ADMBoolean allow), (item, allow))

// "ADM Basic Suite" version 7: the colour picker, which asks the driver;
// true with the colour chosen, false for a cancel.
#define HOST_ADMBASIC_PROCS(X)                                                            \
  X(ChooseColor, ADMBoolean, (ADMPoint where, const ADMRGBColor* color, ADMRGBColor* chosen), \
    (where, color, chosen))

// "ADM Icon Suite" version 2: an icon from the plug-in's bitmap resources.
#define HOST_ADMICON_PROCS(X)                                                             \
  X(GetFromResource, ADMIconRef, (ADMPluginRef plugin, ASInt32 id, ASInt32 index), (plugin, id, index))

// "ADM Tracker Suite" version 1, ours: the mouse action of a track (2
// pressed, -2 released) and its point, in the dialog's coordinates.
#define HOST_ADMTRACKER_PROCS(X)                                                          \
  X(GetAction, ASInt32, (ADMTrackerRef tracker), (tracker))                               \
  X(GetPoint, void, (ADMTrackerRef tracker, ADMPoint* point), (tracker, point))

// "ADM Dialog Group Suite" version 3: no docking group unless docking is
// on; then a new group the first time and the same one later.
#define HOST_ADMDIALOGGROUP_PROCS(X)                                                      \
  X(GetDialogGroupInfo, ADMErr, (ADMDialogRef dialog, ADMDialogGroupRef* group, ASInt32* position), \
    (dialog, group, position))                                                            \
  X(SetDialogGroupInfo, ADMErr, (ADMDialogRef dialog, ADMDialogGroupRef group, ASInt32 position), \
    (dialog, group, position))

// "ADM Item Suite" version 6. GetTextW and GetTextLengthW give the text in
// UTF-16 units (as SetTextW took it), the length without the terminator.
// Create takes its bounds in pixels, relative
// to the dialog, and answers none for a type name it does not know or when
// the init procedure fails. Ours: Redraw draws the item again before the
// user's next step; Resize keeps its top-left corner; PrepareStaticText and
// SetItemType (to "ADM Text Static Multi Line Type") make a static text
// multi-line; SelectAll (with true) and TakeFocus ready an edit for typing;
// the integer value, minimum and maximum are those of scrollbars and
// progress bars, and so are the small and large steps; the minimum and
// maximum (integer or float) of an edit are the range of the numbers it
// takes. Show (33) shows or hides an item; on a pop-up it opens or closes
// the pop-up's list instead, and the pop-up stays in view. SetStyleCode
// (31), SetJustify (86) and SetFormatCode (88) are only recorded.
// GetChildItem counts a list box's children from 1: its vertical
// scrollbar, then its list area; Move takes the new top-left corner;
// GetFont answers the dialog font, 0.
#define HOST_ADMITEM_PROCS(X)                                                             \
  X(Create, ADMItemRef, (ADMDialogRef dialog, ASInt32 id, const char* type, const ADMRect* bounds, \
                         ADMItemInitProc init, ADMUserData data, ASInt32 options),        \
    (dialog, id, type, bounds, init, data, options))                                      \
  X(Destroy, void, (ADMItemRef item), (item))                                             \
  X(SetDrawProc, void, (ADMItemRef item, ADMItemDrawProc proc), (item, proc))             \
  X(DefaultDraw, void, (ADMItemRef item, ADMDrawerRef drawer), (item, drawer))            \
  X(SetTrackProc, void, (ADMItemRef item, ADMItemTrackProc proc), (item, proc))           \
  X(DefaultTrack, ADMBoolean, (ADMItemRef item, ADMTrackerRef tracker), (item, tracker))  \
  X(SetNotifyProc, void, (ADMItemRef item, ADMItemNotifyProc proc), (item, proc))         \
  X(DefaultNotify, void, (ADMItemRef item, ADMNotifierRef notifier), (item, notifier))    \
  X(SetDestroyProc, void, (ADMItemRef item, ADMItemDestroyProc proc), (item, proc))       \
  X(SetUserData, void, (ADMItemRef item, ADMUserData data), (item, data))                 \
  X(GetUserData, ADMUserData, (ADMItemRef item), (item))                                  \
  X(SetText, void, (ADMItemRef item, const char* text), (item, text))                     \
  X(SetTextW, void, (ADMItemRef item, const ASUns16* text), (item, text))                 \
  X(GetText, void, (ADMItemRef item, char* text, ASInt32 maxLength), (item, text, maxLength)) \
  X(GetTextLength, ASInt32, (ADMItemRef item), (item))                                    \
  X(GetTextW, void, (ADMItemRef item, ASUns16* text, ASInt32 maxLength), (item, text, maxLength)) \
  X(GetTextLengthW, ASInt32, (ADMItemRef item), (item))                                   \
  X(SetBooleanValue, void, (ADMItemRef item, ADMBoolean value), (item, value))            \
  X(GetBooleanValue, ADMBoolean, (ADMItemRef item), (item))                               \
  X(SetFloatToTextProc, void, (ADMItemRef item, ADMItemFloatToTextProc proc), (item, proc)) \
  X(DefaultFloatToText, ADMBoolean, (ADMItemRef item, ADMReal value, char* text, ASInt32 maxLength), \
    (item, value, text, maxLength))                                                       \
  X(SetTextToFloatProc, void, (ADMItemRef item, ADMItemTextToFloatProc proc), (item, proc)) \
  X(DefaultTextToFloat, ADMBoolean, (ADMItemRef item, const char* text, ADMReal* value),  \
    (item, text, value))                                                                  \
  X(GetID, ASInt32, (ADMItemRef item), (item))                                            \
  X(GetWindowRef, WinWindow, (ADMItemRef item), (item))                                   \
  X(GetList, ADMListRef, (ADMItemRef item), (item))                                       \
  X(GetItemType, const char*, (ADMItemRef item), (item))                                  \
  X(Enable, void, (ADMItemRef item, ADMBoolean enable), (item, enable))                   \
  X(SetBoundsRect, void, (ADMItemRef item, const ADMRect* bounds), (item, bounds))        \
  X(GetBoundsRect, void, (ADMItemRef item, ADMRect* bounds), (item, bounds))              \
  X(GetBestSize, void, (ADMItemRef item, ADMPoint* size), (item, size))                   \
  X(Redraw, void, (ADMItemRef item), (item))                                              \
  X(Resize, void, (ADMItemRef item, ASInt32 width, ASInt32 height), (item, width, height)) \
  X(PrepareStaticText, void, (ADMItemRef item), (item))                                   \
  X(SetItemType, void, (ADMItemRef item, const char* type), (item, type))                 \
  X(SelectAll, void, (ADMItemRef item, ADMBoolean select), (item, select))                \
  X(TakeFocus, void, (ADMItemRef item), (item))                                           \
  X(SetIntValue, void, (ADMItemRef item, ASInt32 value), (item, value))                   \
  X(SetFloatValue, void, (ADMItemRef item, float value), (item, value))                   \
  X(GetFloatValue, float, (ADMItemRef item), (item))                                      \
  X(GetIntValue, ASInt32, (ADMItemRef item), (item))                                      \
  X(SetMinIntValue, void, (ADMItemRef item, ASInt32 value), (item, value))                \
  X(SetMaxIntValue, void, (ADMItemRef item, ASInt32 value), (item, value))                \
  X(GetChildItem, ADMItemRef, (ADMItemRef item, ASInt32 child), (item, child))            \
  X(Move, void, (ADMItemRef item, ASInt32 x, ASInt32 y), (item, x, y))                    \
  X(GetFont, ASInt32, (ADMItemRef item), (item))                                          \
  X(SetSmallIncrement, void, (ADMItemRef item, ADMReal step), (item, step))               \
  X(GetSmallIncrement, ADMReal, (ADMItemRef item), (item))                                \
  X(SetLargeIncrement, void, (ADMItemRef item, ADMReal step), (item, step))               \
  X(SetMinFloatValue, void, (ADMItemRef item, ADMReal value), (item, value))              \
  X(SetMaxFloatValue, void, (ADMItemRef item, ADMReal value), (item, value))              \
  X(Show, void, (ADMItemRef item, ADMBoolean show), (item, show))                         \
  X(SetStyleCode, void, (ADMItemRef item, ASInt32 code), (item, code))                    \
  X(SetFormatCode, void, (ADMItemRef item, ASInt32 code), (item, code))                  \
  X(GetHierarchyList, ADMHierarchyListRef, (ADMItemRef item), (item))                  \
  X(SetJustify, void, (ADMItemRef item, ASInt32 justify), (item, justify))

// "ADM List Suite" version 3: the entries of a pop-up or a list box, in
// order from index 0. InsertEntry at an index past the end (or -1) appends;
// FindEntry answers the first entry with exactly that text;
// GetEntryTextRect answers the box one entry's drawing gets (origin 0, 0).
#define HOST_ADMLIST_PROCS(X)                                                             \
  X(RemoveEntry, void, (ADMListRef list, ASInt32 index), (list, index))                   \
  X(IndexEntry, ADMEntryRef, (ADMListRef list, ASInt32 index), (list, index))             \
  X(FindEntry, ADMEntryRef, (ADMListRef list, const char* text), (list, text))            \
  X(NumberOfEntries, ASInt32, (ADMListRef list), (list))                                  \
  X(InsertEntry, ADMEntryRef, (ADMListRef list, ASInt32 index), (list, index))            \
  X(SetDrawProc, void, (ADMListRef list, ADMEntryDrawProc proc), (list, proc))            \
  X(GetItem, ADMItemRef, (ADMListRef list), (list))                                       \
  X(GetEntryTextRect, void, (ADMListRef list, ADMRect* rect), (list, rect))

// "ADM Entry Suite" version 5. One entry of a list is selected at a time.
// IsInBounds: whether the entry lies in its list's visible area; Invalidate
// draws it again before the user's next step; GetIndex its place in the
// list; GetBoundsRect its box relative to the list area.
#define HOST_ADMENTRY_PROCS(X)                                                            \
  X(Select, void, (ADMEntryRef entry, ADMBoolean select), (entry, select))                \
  X(SetText, void, (ADMEntryRef entry, const char* text), (entry, text))                  \
  X(GetText, void, (ADMEntryRef entry, char* text, ASInt32 maxLength), (entry, text, maxLength)) \
  X(SetID, void, (ADMEntryRef entry, ASInt32 id), (entry, id))                            \
  X(GetID, ASInt32, (ADMEntryRef entry), (entry))                                         \
  X(SetUserData, void, (ADMEntryRef entry, ADMUserData data), (entry, data))              \
  X(GetUserData, ADMUserData, (ADMEntryRef entry), (entry))                               \
  X(IsSelected, ADMBoolean, (ADMEntryRef entry), (entry))                                 \
  X(IsInBounds, ADMBoolean, (ADMEntryRef entry), (entry))                                 \
  X(Invalidate, void, (ADMEntryRef entry), (entry))                                       \
  X(GetIndex, ASInt32, (ADMEntryRef entry), (entry))                                      \
  X(GetBoundsRect, void, (ADMEntryRef entry, ADMRect* bounds), (entry, bounds))

// "ADM Hierarchy List Suite" version 3: the top list of a hierarchy list
// item and the child lists of its entries. InsertEntry at an index past the
// end (or -1) appends; FindEntry answers the entry of this list (not of its
// children) with that identifier; GetActiveEntry the selected entry of the
// list or of a list below it; DeselectAll clears the selection of the whole
// hierarchy; the entry width is kept for the entries' drawing. The entries'
// text area (ours) is where an entry's text goes inside it, empty at first.
#define HOST_ADMHIERARCHYLIST_PROCS(X)                                                    \
  X(InsertEntry, ADMListEntryRef, (ADMHierarchyListRef list, ASInt32 index), (list, index)) \
  X(RemoveEntry, void, (ADMHierarchyListRef list, ASInt32 index), (list, index))          \
  X(IndexEntry, ADMListEntryRef, (ADMHierarchyListRef list, ASInt32 index), (list, index)) \
  X(NumberOfEntries, ASInt32, (ADMHierarchyListRef list), (list))                         \
  X(FindEntry, ADMListEntryRef, (ADMHierarchyListRef list, ASInt32 id), (list, id))       \
  X(GetActiveEntry, ADMListEntryRef, (ADMHierarchyListRef list), (list))                  \
  X(DeselectAll, void, (ADMHierarchyListRef list), (list))                                \
  X(SetEntryWidth, void, (ADMHierarchyListRef list, ASInt32 width), (list, width))        \
  X(GetEntryWidth, ASInt32, (ADMHierarchyListRef list), (list))                           \
  X(GetItem, ADMItemRef, (ADMHierarchyListRef list), (list))                              \
  X(GetEntryTextRect, void, (ADMHierarchyListRef list, ADMRect* rect), (list, rect))      \
  X(SetEntryTextRect, void, (ADMHierarchyListRef list, const ADMRect* rect), (list, rect))

// "ADM List Entry Suite" version 4: one entry of a hierarchy list. One
// entry is selected in the whole hierarchy. CreateChildList answers the
// entry's child list, made when it has none; GetChildList none then.
// Remove takes the entry and its child list out of its list.
#define HOST_ADMLISTENTRY_PROCS(X)                                                        \
  X(Select, void, (ADMListEntryRef entry, ADMBoolean select), (entry, select))            \
  X(IsSelected, ADMBoolean, (ADMListEntryRef entry), (entry))                             \
  X(SetText, void, (ADMListEntryRef entry, const char* text), (entry, text))              \
  X(GetText, void, (ADMListEntryRef entry, char* text, ASInt32 maxLength), (entry, text, maxLength)) \
  X(SetID, void, (ADMListEntryRef entry, ASInt32 id), (entry, id))                        \
  X(GetID, ASInt32, (ADMListEntryRef entry), (entry))                                     \
  X(SetUserData, void, (ADMListEntryRef entry, ADMUserData data), (entry, data))          \
  X(GetUserData, ADMUserData, (ADMListEntryRef entry), (entry))                           \
  X(CreateChildList, ADMHierarchyListRef, (ADMListEntryRef entry), (entry))               \
  X(GetChildList, ADMHierarchyListRef, (ADMListEntryRef entry), (entry))                  \
  X(GetList, ADMHierarchyListRef, (ADMListEntryRef entry), (entry))                       \
  X(Remove, void, (ADMListEntryRef entry), (entry))

// "ADM Drawer Suite" version 4: the drawer an item's or an entry's draw
// procedure gets. Its bounds have their origin at 0, 0; colours are the
// dialog manager's colour numbers. Everything drawn is recorded for the
// item or entry; a text that lies outside the bounds is not drawn. Create
// makes a drawer for measuring over an item's window (bounds and font are
// kept; what it draws is recorded nowhere), which Destroy gives back.
// GetFontLineHeight (ours) is the height of one line of the drawer's font.
#define HOST_ADMDRAWER_PROCS(X)                                                           \
  X(GetDC, WinDC, (ADMDrawerRef drawer), (drawer))                                        \
  X(GetBoundsRect, void, (ADMDrawerRef drawer, ADMRect* bounds), (drawer, bounds))        \
  X(SetColor, void, (ADMDrawerRef drawer, ASInt32 color), (drawer, color))                \
  X(GetColor, ASInt32, (ADMDrawerRef drawer), (drawer))                                   \
  X(DrawTextInBox, void, (ADMDrawerRef drawer, const ADMRect* box, const char* text, ASInt32 justify), \
    (drawer, box, text, justify))                                                         \
  X(FillRect, void, (ADMDrawerRef drawer, const ADMRect* rect), (drawer, rect))           \
  X(FrameRect, void, (ADMDrawerRef drawer, const ADMRect* rect), (drawer, rect))          \
  X(DrawLine, void, (ADMDrawerRef drawer, const ADMPoint* from, const ADMPoint* to), (drawer, from, to)) \
  X(GetTextWidth, ASInt32, (ADMDrawerRef drawer, const char* text), (drawer, text))       \
  X(FillRectRGB, void, (ADMDrawerRef drawer, const ADMRect* rect, const ADMRGBColor* color), (drawer, rect, color)) \
  X(DrawIcon, void, (ADMDrawerRef drawer, ADMIconRef icon, const ADMPoint* where), (drawer, icon, where)) \
  X(GetFontLineHeight, ASInt32, (ADMDrawerRef drawer), (drawer))                          \
  X(Create, ADMDrawerRef, (WinWindow window, const ADMRect* bounds, ASInt32 font), (window, bounds, font)) \
  X(Destroy, void, (ADMDrawerRef drawer), (drawer))

// "ADM Notifier Suite" version 2.
#define HOST_ADMNOTIFIER_PROCS(X)                                                         \
  X(IsNotifierType, ADMBoolean, (ADMNotifierRef notifier, const char* type), (notifier, type)) \
  X(GetItem, ADMItemRef, (ADMNotifierRef notifier), (notifier))

// "ADM Win Host Suite" version 4: the window dialogs take as their parent.
#define HOST_ADMWINHOST_PROCS(X)                                                          \
  X(GetParentWindow, WinWindow, (), ())                                                   \
  X(SetParentWindow, void, (WinWindow window), (window))

// "ADM Host Suite" version 6.
#define HOST_ADMHOST_PROCS(X) X(BeforeValidate, void, (), ())
