// The page renderer: a module of its own, loaded only when a picture is
// drawn, so that a run that draws none does not pay for poppler, cairo and
// their libraries in memory and start-up. Plain C entry points, so that no
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

// A document opened for pictures: read once, then pictured page by page.
typedef struct ZentuRenderDocument ZentuRenderDocument;

// Opens the PDF in `pdf`, whose `size` bytes stay the caller's and must
// outlive the document, or with `pdf` null the PDF file open at `fd`, which
// the call takes over whatever it answers. Null when it cannot be read, and
// `why` (of `whySize` bytes) says why.
typedef ZentuRenderDocument* (*ZentuRenderOpenFn)(const char* pdf, size_t size, int fd, char* why, size_t whySize);

// Renders page `page` (from 0) of `document` at `zoom` pixels a point, paints
// the display-list `lines` over it and hands the PNG to `sink`. On a fault,
// `why` (of `whySize` bytes) says why: the whole message for a render fault,
// the PNG writer's status for a write fault.
typedef int (*ZentuRenderPictureFn)(ZentuRenderDocument* document, int page, double zoom, const char* const* lines,
                                    size_t count, ZentuPictureSink sink, void* closure, char* why, size_t whySize);

typedef void (*ZentuRenderCloseFn)(ZentuRenderDocument* document);

#define ZENTU_RENDER_OPEN_SYMBOL "ZentuRenderOpen"
#define ZENTU_RENDER_PICTURE_SYMBOL "ZentuRenderPicture"
#define ZENTU_RENDER_CLOSE_SYMBOL "ZentuRenderClose"
#define ZENTU_RENDER_MODULE "plughost-render.so"

#ifdef __cplusplus
}
#endif

#endif
