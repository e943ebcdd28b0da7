// The walkers by object kind that the object visit dispatches to. None is
// built yet: each one follows nothing, so the objects it would reach are
// not visited, and it files nothing.
#include "engine/PDFXPreflight.h"

// Not built yet: the spaces, profiles, lookups and functions a colour space names are not visited.
void PDFXPreflight::CheckColorSpace(const boost::shared_ptr<ObjectNode>&, const boost::shared_ptr<ObjectNode>&,
                                    bool) {}

// Not built yet: an image's colour space and OPI dictionary are not visited.
void PDFXPreflight::CheckImage(const boost::shared_ptr<ObjectNode>&, const boost::shared_ptr<ObjectNode>&, bool) {}

// Not built yet: an inline image's colour space is not visited.
void PDFXPreflight::CheckInlineImageColorSpace(const MyCosObj&, boost::shared_ptr<ObjectNode>) {}

// Not built yet: no font is checked for embedding and its descriptor, encodings and glyphs are not visited.
void PDFXPreflight::CheckFont(const boost::shared_ptr<ObjectNode>&, const boost::shared_ptr<ObjectNode>&) {}

// Not built yet: a descriptor's font files and CIDSet are not visited.
void PDFXPreflight::CheckFontDescriptor(const boost::shared_ptr<ObjectNode>&, const boost::shared_ptr<ObjectNode>&) {}

// Not built yet: a graphics state's halftone and transfer functions are not visited.
void PDFXPreflight::CheckExtGState(const boost::shared_ptr<ObjectNode>&, const boost::shared_ptr<ObjectNode>&) {}

// Not built yet: a pattern's content, graphics state and shading are not visited.
void PDFXPreflight::CheckPattern(const boost::shared_ptr<ObjectNode>&, const boost::shared_ptr<ObjectNode>&) {}

// Not built yet: a shading's colour space and functions are not visited.
void PDFXPreflight::CheckShading(const boost::shared_ptr<ObjectNode>&, const boost::shared_ptr<ObjectNode>&) {}

// Not built yet: a function's stream and the functions it stitches are not visited.
void PDFXPreflight::CheckFunction(const boost::shared_ptr<ObjectNode>&, const boost::shared_ptr<ObjectNode>&) {}

// Not built yet: a stream is not marked visited and its external file is not followed.
void PDFXPreflight::CheckStream(const boost::shared_ptr<ObjectNode>&, const boost::shared_ptr<ObjectNode>&, bool) {}

// Not built yet: an OPI dictionary's image file is not followed.
void PDFXPreflight::CheckOPI(const boost::shared_ptr<ObjectNode>&, const boost::shared_ptr<ObjectNode>&) {}

// Not built yet: no file specification is checked for embedding.
void PDFXPreflight::CheckFileSpec(const boost::shared_ptr<ObjectNode>&, const boost::shared_ptr<ObjectNode>&) {}
