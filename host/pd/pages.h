// Pages of the PD layer, and the operations on pages kept in files of their own.
#pragma once
#include <qpdf/QPDFObjectHandle.hh>

#include "cos/docs.h"
#include "host/astypes.h"

namespace host {

// The page's dictionary (raises for a released page or a closed document).
QPDFObjectHandle PageDict(PDPage page, Doc** doc = nullptr);
// The page's index in its document, from 0.
ASInt32 PageIndex(PDPage page);
// The resources in force for a page: its own, or the nearest ancestor's.
QPDFObjectHandle InheritedResources(QPDFObjectHandle page);

ASInt32 PDDocGetIDImpl(PDDoc doc, ASInt32 index, ASUns8* buffer, ASInt32 size);
PDRotate PDPageGetRotateImpl(PDPage page);
ASInt32 PDPageGetNumAnnotsImpl(PDPage page);
PDAnnot PDPageGetAnnotImpl(PDPage page, ASInt32 index);
ASInt32 PDAnnotGetFlagsImpl(PDAnnot annot);
ASAtom PDAnnotGetSubtypeImpl(PDAnnot annot);
void PDAnnotGetRectImpl(PDAnnot annot, ASFixedRect* rect);
CosObj PDAnnotGetCosObjImpl(PDAnnot annot);

ASInt32 PDDocGetInfoImpl(PDDoc doc, const char* key, char* buffer, ASInt32 size);
void PDDocSetInfoImpl(PDDoc doc, const char* key, const char* value, ASInt32 length);
void PDDocClearFlagsImpl(PDDoc doc, ASInt32 flags);
void PDPageNotifyContentsDidChangeImpl(PDPage page);
void PDPageRemoveAnnotImpl(PDPage page, ASInt32 index);
ASInt32 PDPageGetAnnotIndexImpl(PDPage page, PDAnnot annot);
PDAnnot PDAnnotFromCosObjImpl(CosObj obj);
void PDAnnotSetRectImpl(PDAnnot annot, const ASFixedRect* rect);
PDAction PDActionFromCosObjImpl(CosObj obj);
void PDActionDestroyImpl(PDAction action);
void PDPageGetMediaBoxImpl(PDPage page, ASFixedRect* box);
void PDPageSetCropBoxImpl(PDPage page, ASFixedRect box);
CosObj PDPageGetResourcesImpl(PDPage page);
void PDPageResourcesChangedImpl(PDPage page, ASInt32 flags);

PDEContent PDPageAcquirePDEContentImpl(PDPage page);
ASInt32 PDEContentGetNumElemsImpl(PDEContent content);
PDEElement PDEContentGetElemImpl(PDEContent content, ASInt32 index);
void PDEContentReleaseImpl(PDEContent content);
ASInt32 PDEElementGetTypeImpl(PDEElement element);
void PDEElementGetBBoxImpl(PDEElement element, ASFixedRect* bbox);
CosObj PDEElementGetCosObjImpl(PDEElement element);
PDEContent PDEFormGetContentImpl(PDEElement form);

CosObj PDImageSelectAlternateImpl(CosObj image, ASBool printing, void* data, ASBool* chosen, void* more);

}  // namespace host
