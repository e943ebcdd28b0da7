// What the application's documents and their page views share inside the
// host's view layer (view/app.cpp, view/draw.cpp).
#pragma once
#include <string>
#include <vector>

#include "host/astypes.h"

namespace host {

// The page a view document's one page view shows (from 0).
ASInt32 ViewPageIndex(ASUns32 docId);

// Each view has a display list and a valid flag; it is drawn again only
// when invalid.
void MarkViewInvalid(ASUns32 docId);
// AcroView 126: invalid, and logged (`invalidate all` for no rectangle).
void InvalidateView(ASUns32 docId, const AVDevRect* rect);
void ForgetView(ASUns32 docId);
void AVPageViewDrawNowImpl(AVPageView view);
// A line drawn over the view (view/overlay.cpp): into its display list, and
// to the view-event sink unless a `draw` is listing it.
void RecordDrawing(ASUns32 docId, const std::string& line);
// The active tool, and whether it is the host's own Hand or Select
// (view/tools.cpp).
AVTool ActiveTool();
bool IsHostTool(AVTool tool);
// A line for the view-event sink (`--log view`).
void ViewEvent(const std::string& line);
// The page views' zoom (view/geometry.cpp).
double ViewZoom();
// Writes the document's page (from 0) with the display list `list` painted
// over it as a PNG picture at `path`, through a temporary file
// (view/picture.cpp); throws std::runtime_error with the reason. Answers
// the note of a page not pictured (WriteViewPicture), else "".
std::string WritePicture(ASUns32 docId, ASInt32 page, const std::vector<std::string>& list, const std::string& path);
// Lets the renderer go of the document, which closes.
void ForgetPicturesOf(ASUns32 docId);

}  // namespace host
