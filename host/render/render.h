// The page renderer: a module of its own, loaded only when a picture is
// drawn, so that a run that draws none does not pay for poppler, cairo and
// their libraries in memory and start-up. A plain C entry point, so that no
// exception or C++ type crosses the module's edge.
#ifndef ZENTU_HOST_RENDER_H
#define ZENTU_HOST_RENDER_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

// Takes `length` bytes of the PNG; returns 0, or an errno value that stops
// the writing.
typedef int (*ZentuPictureSink)(void* closure, const unsigned char* data, unsigned int length);

enum { kZentuPictureDone = 0, kZentuPictureRenderFault = 1, kZentuPictureWriteFault = 2 };

// Renders page `page` (from 0) of the PDF in `pdf` at `zoom` pixels a point,
// paints the display-list `lines` over it and hands the PNG to `sink`. On a
// fault, `why` (of `whySize` bytes) says why: the whole message for a render
// fault, the PNG writer's status for a write fault.
typedef int (*ZentuRenderPictureFn)(const char* pdf, size_t size, int page, double zoom, const char* const* lines,
                                    size_t count, ZentuPictureSink sink, void* closure, char* why, size_t whySize);

#define ZENTU_RENDER_PICTURE_SYMBOL "ZentuRenderPicture"
#define ZENTU_RENDER_MODULE "plughost-render.so"

#ifdef __cplusplus
}
#endif

#endif
