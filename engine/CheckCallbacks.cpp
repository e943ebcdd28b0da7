#include "common/HostCall.h"
#include "engine/CheckCallbacks.h"

#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <boost/make_shared.hpp>

#include "common/Prefs.h"
#include "engine/Conformance.h"
#include "engine/ErrorNames.h"
#include "engine/ICCProfile.h"
#include "engine/ObjectNode.h"
#include "engine/PDFXPreflight.h"
#include "host/calls.h"
#include "host/frame.h"

namespace {

typedef boost::shared_ptr<ObjectNode> NodePtr;


bool IsNumber(const MyCosObj& value) {
  return value.CachedType() == CosInteger || value.CachedType() == CosFixed;
}

// A workflow limit from the settings; missing or not a number, the default.
int Setting(const char* key, int fallback) {
  std::string text;
  if (!Prefs::Get(key, text)) return fallback;
  const char* start = text.c_str();
  char* end = nullptr;
  errno = 0;
  long value = std::strtol(start, &end, 10);
  if (end == start || errno == ERANGE) return fallback;
  return static_cast<int>(value);
}

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int size = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text;
  if (size > 0) {
    std::vector<char> buffer(static_cast<size_t>(size) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, again);
    text.assign(buffer.data(), static_cast<size_t>(size));
  }
  va_end(again);
  return text;
}

// The object a test is about and the object that holds it. Rules reach the
// test either on the object itself or on a value they selected in it (an
// image's BitsPerComponent, a colour space's family name); then the object
// is the context's container.
struct Subject {
  MyCosObj object;
  MyCosObj holder;
  bool found = false;
};

Subject FindSubject(const RuleContext& context, ASInt32 cosType) {
  Subject subject;
  if (context.value.CachedType() == cosType) {
    subject.object = context.value;
    subject.holder = context.container;
    subject.found = true;
  } else if (context.container.CachedType() == cosType) {
    subject.object = context.container;
    subject.holder = context.outerContainer;
    subject.found = true;
  }
  return subject;
}

bool FindInContent(PDEContent content, ASInt32 imageNumber, double pixels, double& resolution) {
  ASInt32 count = 0;
  HostCall("FindPlacedImageResolution", [&] { count = PDEContentGetNumElems(content); });
  for (ASInt32 i = 0; i < count; ++i) {
    ASInt32 type = 0;
    ASFixedRect box{0, 0, 0, 0};
    ASInt32 number = -1;
    PDEContent inner = nullptr;
    HostCall("FindPlacedImageResolution", [&] {
      PDEElement element = PDEContentGetElem(content, i);
      type = PDEElementGetType(element);
      if (type == kPDEImage) {
        CosObj object = PDEElementGetCosObj(element);
        if (CosObjIsIndirect(object)) number = CosObjGetID(object);
        PDEElementGetBBox(element, &box);
      } else if (type == kPDEForm) {
        inner = PDEFormGetContent(element);
      }
    });
    if (type == kPDEImage && number == imageNumber) {
      // In double: a 16.16 quotient would divide by zero on a flat
      // placement and wrap past 32767 dpi.
      const double width = (static_cast<double>(box.right) - static_cast<double>(box.left)) / 65536.0;
      if (width <= 0) continue;  // shows nothing: not a placement
      resolution = pixels / width * 72.0;
      return true;
    }
    if (inner && FindInContent(inner, imageNumber, pixels, resolution)) return true;
  }
  return false;
}

// The image resolution tests: the limits from the settings, the message
// and the answer differ.
struct ResolutionTest {
  const char* minKey;
  int minDefault;
  const char* maxKey;
  int maxDefault;
  const char* message;
  int problem;
};

int CheckResolution(RuleContext* context, const ResolutionTest& test) {
  if (!context || !context->walker) return 0;
  const int low = Setting(test.minKey, test.minDefault);
  const int high = Setting(test.maxKey, test.maxDefault);
  Subject image = FindSubject(*context, CosStream);
  if (!image.found || !image.object.IsIndirect()) return 0;

  PDFXPreflight& walker = *context->walker;
  const PDDoc doc = walker.GetPDDoc();
  const int pageIndex = walker.GetPageCounter();
  if (!doc || pageIndex < 0) return 0;  // not met on a page

  double resolution = 0;
  bool found = false;
  PDPage page = nullptr;
  HostCall("CheckImageDPI", [&] { page = PDDocAcquirePage(doc, pageIndex); });
  PDEContent content = nullptr;
  try {
    HostCall("CheckImageDPI", [&] { content = PDPageAcquirePDEContent(page); });
    found = FindPlacedImageResolution(content, image.object, resolution);
  } catch (...) {
    HostRegion([&] {
      if (content) PDEContentRelease(content);
      PDPageRelease(page);
    });
    throw;
  }
  HostRegion([&] {
    PDEContentRelease(content);
    PDPageRelease(page);
  });

  // To three decimals: the noise of the matrix arithmetic must not decide.
  resolution = std::round(resolution * 1000.0) / 1000.0;
  if (!found || (resolution >= low && resolution <= high)) return 0;
  walker.AddError(image.holder, image.object, Format(test.message, resolution, low, high), std::string(),
                  WORKFLOW_ERROR, KIND_IMAGE, test.problem);
  return test.problem;
}

bool IsProcessColorant(const std::string& name) {
  static const char* const kNames[] = {"Cyan", "Magenta", "Yellow", "Black", "Red",
                                       "Green", "Blue", "All", "None"};
  for (const char* process : kNames) {
    if (name == process) return true;
  }
  return false;
}

}  // namespace

bool CollectDictEntries(PDFXPreflight& walker, const MyCosObj& object, const boost::shared_ptr<ObjectNode>& parent) {
  if (object.IsNull() || !object.IsIndirect()) return false;
  if (walker.IsVisited(object.GetID())) return false;
  boost::shared_ptr<ObjectNode> node = boost::make_shared<ObjectNode>(object, 0, std::string());
  if (parent) node->referrers.push_back(parent);
  walker.MarkVisited(node);
  return true;
}

int TestICCProfile(RuleContext* context, CheckResult*) {
  if (!context) return 0;
  NodePtr profileNode = boost::make_shared<ObjectNode>(context->value, KIND_ICC_PROFILE, std::string());
  NodePtr spaceNode = boost::make_shared<ObjectNode>(context->container, context->containerKind, std::string());
  {
    Zentu::ICCProfile profile(profileNode, spaceNode);
    profile.TestForPDFX(context->standard ? context->standard->name : std::string(), context->walker);
  }
  if (context->walker && !context->value.IsNull() && context->value.IsIndirect() &&
      !context->walker->IsVisited(profileNode->objectNumber)) {
    context->walker->MarkVisited(profileNode);
  }
  return 0;
}

int TestPrintable(RuleContext* context, CheckResult*) {
  if (!context || !IsNumber(context->value)) return PROBLEM_INVALID;
  const long flags = static_cast<long>(context->value);
  return (flags & 4) != 0 ? 0 : PROBLEM_INVALID;
}

int TestTrailerID(RuleContext* context, CheckResult*) {
  if (!context || !context->walker || !context->walker->GetPDDoc()) return PROBLEM_MISSING;
  const PDDoc doc = context->walker->GetPDDoc();
  ASUns8 buffer[39];
  ASInt32 first = 0;
  ASInt32 second = 0;
  HostCall("TestTrailerID", [&] {
    first = PDDocGetID(doc, 0, buffer, sizeof buffer);
    if (first >= 1) second = PDDocGetID(doc, 1, buffer, sizeof buffer);
  });
  if (first < 1) return PROBLEM_MISSING;
  return second >= 1 ? 0 : PROBLEM_MISSING;
}

int MarkAsChecked(RuleContext* context, CheckResult*) {
  // An annotation's appearance stays for content that draws it as well:
  // drawn on the page, it is checked there.
  if (context && context->walker && context->value.CachedType() != CosStream)
    CollectDictEntries(*context->walker, context->value, NodePtr());
  return 0;
}

int TestFilterForCCITT(RuleContext* context, CheckResult*) {
  if (!context) return PROBLEM_MISSING;
  MyCosObj filter = context->value.Get("Filter");
  if (filter.IsNull()) return PROBLEM_MISSING;
  const ASInt32 count = filter.Length();
  for (ASInt32 i = 0; i < count; ++i) {
    MyCosObj name = filter.Get(i);
    if (name.CachedType() == CosName && name.ValueAsString() == "CCITTFaxDecode") return 0;
  }
  return PROBLEM_MISSING;
}

int CheckImageDPI(RuleContext* context, CheckResult*) {
  static const ResolutionTest kTest = {"min_image_dpi", 150, "max_image_dpi", 400,
                                       "Image DPI (%f) violates workflow constraints (%d - %d)",
                                       PROBLEM_IMAGE_RESOLUTION};
  return CheckResolution(context, kTest);
}

int Check1BitImageDPI(RuleContext* context, CheckResult*) {
  static const ResolutionTest kTest = {"min_1bit_dpi", 300, "max_1bit_dpi", 1200,
                                       "1-bit image DPI (%f) violates workflow constraints (%d - %d)",
                                       PROBLEM_BITMAP_RESOLUTION};
  return CheckResolution(context, kTest);
}

int CheckSpotColorCount(RuleContext* context, CheckResult*) {
  if (!context || !context->standard) return 0;
  Subject space = FindSubject(*context, CosArray);
  if (!space.found || space.object.Length() < 2) return 0;
  Zentu::Conformance& standard = *context->standard;

  int verdict = 0;
  MyCosObj colorants = space.object.Get(1);
  const ASInt32 count = colorants.Length();
  for (ASInt32 i = 0; i < count; ++i) {
    MyCosObj colorant = colorants.Get(i);
    if (colorant.CachedType() != CosName) continue;
    const std::string name = colorant.ValueAsString();
    if (IsProcessColorant(name)) continue;
    if (!standard.spotColorNames.insert(name).second) continue;
    // No maximum (-1) means no limit.
    if (standard.maxSpotColors < 0 || static_cast<long>(standard.spotColorNames.size()) <= standard.maxSpotColors) {
      continue;
    }
    const std::string message = "Number of spot colors (" + std::to_string(standard.spotColorNames.size()) +
                                ") exceeds workflow maximum of " + std::to_string(standard.maxSpotColors) +
                                ".  Spot colors used: " + SpotColorList(standard) + ".";
    if (!standard.spotColorError && context->walker) {
      standard.spotColorError = context->walker->AddError(space.holder, space.object, message, std::string(),
                                                          WORKFLOW_ERROR, KIND_COLORSPACE, PROBLEM_TOO_MANY_SPOTS);
    } else if (standard.spotColorError) {
      standard.spotColorError->SetMessage(message);
    }
    verdict = PROBLEM_TOO_MANY_SPOTS;
  }
  return verdict;
}

std::string SpotColorList(const Zentu::Conformance& standard) {
  std::string list;
  for (const std::string& name : standard.spotColorNames) {
    if (!list.empty()) list += ", ";
    list += name;
  }
  return list;
}

bool FindPlacedImageResolution(PDEContent content, const MyCosObj& image, double& resolution) {
  if (!content || image.IsNull() || !image.IsIndirect()) return false;
  MyCosObj width = image.Get("Width");
  if (!IsNumber(width)) return false;
  const double pixels = width.CachedType() == CosInteger ? static_cast<double>(static_cast<long>(width))
                                                         : static_cast<double>(width);
  return FindInContent(content, image.GetID(), pixels, resolution);
}
