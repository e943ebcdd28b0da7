// The engine's own named tests of the key rules, and their helpers. Every
// test answers 0 when the object passes, else the problem code; some file
// their own records and are used in silent rules.
#pragma once
#include <string>

#include <boost/shared_ptr.hpp>

#include "common/MyCosObj.h"
#include "engine/RuleContext.h"

class ObjectNode;
class PDFXPreflight;
namespace Zentu {
class Conformance;
}

// Registers an indirect object as visited, so that the walk does not check
// it: a new node (classified, with `parent` as its referrer when given)
// unless the walker's visited map holds its number. True when it was added.
bool CollectDictEntries(PDFXPreflight& walker, const MyCosObj& object, const boost::shared_ptr<ObjectNode>& parent);

// The value is an ICC profile stream, the container its colour space: the
// profile's own test files its records. Always 0.
int TestICCProfile(RuleContext* context, CheckResult* result);
// The value is an annotation's flags: 0 when it prints (bit value 4), else 3.
int TestPrintable(RuleContext* context, CheckResult* result);
// 0 when both strings of the walked document's file identifier hold bytes, else 2.
int TestTrailerID(RuleContext* context, CheckResult* result);
// Enters the value in the walker's visited map, so that it is not checked;
// a stream (an appearance) is left for the content that draws it. Always 0.
int MarkAsChecked(RuleContext* context, CheckResult* result);
// 0 when the value's Filter names CCITTFaxDecode, else 2.
int TestFilterForCCITT(RuleContext* context, CheckResult* result);
// The resolution of an image as first placed on the walked page, against
// the settings "min_image_dpi" and "max_image_dpi": files a workflow record
// and answers 9 when outside them, else 0.
int CheckImageDPI(RuleContext* context, CheckResult* result);
// The same for 1-bit images: "min_1bit_dpi", "max_1bit_dpi", the answer 10.
int Check1BitImageDPI(RuleContext* context, CheckResult* result);
// Counts the colourants of a Separation or DeviceN space over the whole
// check; past the standard's maximum one record reports them, updated as
// more come. 11 when this call went past the maximum, else 0.
int CheckSpotColorCount(RuleContext* context, CheckResult* result);

// The standard's spot colour names in the set's order, joined by ", ".
std::string SpotColorList(const Zentu::Conformance& standard);
// The horizontal resolution of `image` at its first placement in `content`
// (forms searched through their own content), in pixels per inch. False
// when the content does not place it, or places it with no width.
bool FindPlacedImageResolution(PDEContent content, const MyCosObj& image, double& resolution);
