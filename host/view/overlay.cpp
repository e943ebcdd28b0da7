// What plug-ins draw over a page view: the colour, dashed and inverting
// outlines, and a frame with its handles, each one line of the view's
// display list in device units, fixed numbers written as the plug-ins
// write them ("0.5", "3").
#include <string>

#include "core/host.h"
#include "core/tables.h"
#include "host/procs.h"
#include "support/fixed.h"
#include "view/view.h"

namespace host {
namespace {

ASUns32 ViewId(AVPageView view) {
  ASUns32 id = 0;
  if (!ViewPage(view, &id, nullptr)) Raise(genErrBadHandle);
  return id;
}

std::string Fixed(ASFixed value) {
  char text[32];
  SupFixedToCString(value, text, sizeof text, 8);
  return text;
}

std::string Rect(const AVDevRect* rect) {
  if (!rect) Raise(genErrBadParm);
  return std::to_string(rect->left) + " " + std::to_string(rect->top) + " " + std::to_string(rect->right) + " " +
         std::to_string(rect->bottom);
}

std::string Dash(const ASFixed* dash, ASInt32 length) {
  if (length <= 0) return "";
  if (!dash) Raise(genErrBadParm);
  std::string text = " dash";
  for (ASInt32 i = 0; i < length; ++i) text += " " + Fixed(dash[i]);
  return text;
}

#define ENTER(sel) Enter(TableId::AcroView, AcroViewSel::sel)

void AVPageViewSetColorImpl(AVPageView view, const PDColorValueRec* color) {
  ENTER(PageViewSetColor);
  const ASUns32 id = ViewId(view);
  if (!color || color->space != 1) Raise(genErrBadParm);
  RecordDrawing(id, "color " + Fixed(color->value[0]) + " " + Fixed(color->value[1]) + " " + Fixed(color->value[2]));
}

void AVPageViewDrawRectOutlineImpl(AVPageView view, const AVDevRect* rect, ASInt32 width, const ASFixed* dash,
                                   ASInt32 dashLength) {
  ENTER(PageViewDrawRectOutline);
  const ASUns32 id = ViewId(view);
  RecordDrawing(id, "rect " + Rect(rect) + " width " + std::to_string(width) + Dash(dash, dashLength));
}

void AVPageViewInvertRectOutlineImpl(AVPageView view, const AVDevRect* rect) {
  ENTER(PageViewInvertRectOutline);
  const ASUns32 id = ViewId(view);
  RecordDrawing(id, "xor " + Rect(rect));
}

void AVPageViewDrawRectOutlineWithHandlesImpl(AVPageView view, const AVDevRect* rect, ASBool, ASBool,
                                              const ASFixed* dash, ASInt32 dashLength) {
  ENTER(PageViewDrawRectOutlineWithHandles);
  const ASUns32 id = ViewId(view);
  RecordDrawing(id, "frame " + Rect(rect) + Dash(dash, dashLength));
}

}  // namespace

void InitAcroViewOverlayEntries() {
  HFT t = Import(ACROVIEW_HFT_NAME, HFT_VERSION(5, 0));
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(t, AcroViewSel, AV##name##Impl, name, ret, params);
  HOST_ACROVIEW_OVERLAY_PROCS(FILL)
#undef FILL
}

}  // namespace host
