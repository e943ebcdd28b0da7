#include "alternates/ImageConverter.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "alternates/ImageWork.h"
#include "alternates/KeyedScaler.h"
#include "alternates/Progress.h"
#include "alternates/Scaler.h"
#include "host/errors.h"
#include "host/frame.h"
#include "host/piglue.h"

int (*RunScaler)(ScalerContext*, const unsigned char*, int, int, int, unsigned char**, int, unsigned char**,
                 int*) = &ScalerRun;

namespace {

ASAtom Atom(const char* text) { return ASAtomFromString(text); }

void Advance(uint64_t bytes) {
  if (Progress* progress = Progress::Get()) progress->Advance(static_cast<int64_t>(bytes));
}

// The source kind the colour layer converts from; 0 when this image's
// colours are not to be converted.
ASInt32 ConversionKind(CosObj family, ASInt32 bits, const ImageOptions& options) {
  if (!options.ConvertColors || bits != 8 || CosObjGetType(family) != CosName) return 0;
  const struct {
    const char* name;
    ASInt32 kind;
    bool wanted;
  } kinds[] = {{"DeviceCMYK", 4, options.CCCMYK}, {"DeviceRGB", 3, options.CCRGB},
               {"DeviceGray", 5, options.CCGrayscale}, {"Lab", 6, options.CCLab}};
  for (const auto& k : kinds)
    if (IsName(family, k.name)) return k.wanted ? k.kind : 0;
  return 0;
}

// The colour space of the destination profile's family.
CosObj ColorSpaceOf(ASInt32 kind, CosDoc doc) {
  switch (kind) {
    case 1: return CosNewName(doc, 0, Atom("DeviceGray"));
    case 2: return CosNewName(doc, 0, Atom("DeviceRGB"));
    case 4: return CosNewName(doc, 0, Atom("DeviceCMYK"));
    case 3: {
      CosObj point = CosNewArray(doc, 0, 3);
      const ASFixed white[] = {0xF354, 0x10000, 0x116C9};
      for (ASInt32 i = 0; i < 3; ++i) CosArrayInsert(point, i, CosNewFixed(doc, 0, white[i]));
      CosObj parms = CosNewDict(doc, 0, 1);
      CosDictPut(parms, Atom("WhitePoint"), point);
      CosObj lab = CosNewArray(doc, 0, 2);
      CosArrayInsert(lab, 0, CosNewName(doc, 0, Atom("Lab")));
      CosArrayInsert(lab, 1, parms);
      return lab;
    }
    default:
      throw std::runtime_error("The output profile has an unknown colour family.");
  }
}

const uint64_t kBandBytes = uint64_t(2) << 20;

const char kMemoryNote[] = "Memory allocation failed for scaling buffers.";
const char kExceptionNote[] = "Caught C++ exception during CosNewStream!";

}  // namespace

SampleBuffer::~SampleBuffer() {
  if (data) HostRegion([this] { ASFree(data); });
}

bool SampleBuffer::Allocate(ASUns32 rows) {
  if (data) HostRegion([this] { ASFree(data); });
  data = nullptr;
  rowsHeld = 0;
  const uint64_t bytes = RowBytes() * rows;
  if (bytes == 0 || bytes > std::numeric_limits<ASSize_t>::max()) return false;
  HostRegion([&] { data = static_cast<ASUns8*>(ASMalloc(static_cast<ASSize_t>(bytes))); });
  if (!data) return false;
  rowsHeld = rows;
  return true;
}

CosObj ColorFamily(CosObj colorSpace) {
  if (CosObjGetType(colorSpace) == CosArray && CosArrayLength(colorSpace) > 0) return CosArrayGet(colorSpace, 0);
  return colorSpace;
}

bool ColorKey(CosObj image, int components, std::vector<std::pair<int64_t, int64_t>>* ranges) {
  CosObj mask = CosDictGet(image, Atom("Mask"));
  if (CosObjGetType(mask) != CosArray || CosArrayLength(mask) != 2 * components) return false;
  ranges->clear();
  for (ASInt32 i = 0; i < 2 * components; i += 2) {
    CosObj low = CosArrayGet(mask, i), high = CosArrayGet(mask, i + 1);
    for (CosObj v : {low, high})
      if (CosObjGetType(v) != CosInteger && CosObjGetType(v) != CosFixed) return false;
    ranges->emplace_back(CosIntegerValue(low), CosIntegerValue(high));
  }
  return true;
}

void ConvertImages(ImageMap& selected, ImageMap& converted, const ImageOptions& options, uint64_t total) {
  ProgressOperation operation(static_cast<int64_t>(std::min<uint64_t>(total, INT64_MAX)));
  Progress* progress = operation.progress();
  for (auto& entry : selected) {
    // Each image under way is named, and so is each one left as it was.
    const std::string name = ImageName(entry.first, entry.second);
    if (progress) progress->SetText(name.c_str());
    std::string why;
    // What the conversion wrapped (the attributes' copy, their parts, the
    // encoding parameters) goes with it; the new image is wrapped anew.
    const CosID id = ReleasingHandles(entry.second.image, [&] {
      CosObj made = ImageConverter::Convert(entry.second, options, &why);
      return CosObjGetType(made) == CosNull ? CosID(0) : CosObjGetID(made);
    });
    const CosObj image = id ? CosDocGetObjByID(CosObjGetDoc(entry.second.image), id) : CosObj{0, 0};
    if (CosObjGetType(image) == CosNull) {
      if (progress) progress->SetText((name + ": left as it was" + (why.empty() ? "" : ": " + why)).c_str());
      continue;
    }
    ImageRecord record;
    record.image = image;
    converted[entry.first] = record;
  }
}

CosObj ImageConverter::Convert(ImageRecord& record, const ImageOptions& options, std::string* whyNot) {
  std::string unused;
  std::string& why = whyNot ? *whyNot : unused;
  const bool resample = options.ScaleMethod == 0 || options.ScaleMethod == 1;
  const ASInt32 height = IntegerEntry(record.image, "Height");
  const ASInt32 width = IntegerEntry(record.image, "Width");
  const ASInt32 newHeight = resample ? NewDimension(record, options, Atom("Height")) : height;
  const ASInt32 newWidth = resample ? NewDimension(record, options, Atom("Width")) : width;
  return ConvertTo(record, options, resample, newWidth, newHeight, true, why);
}

CosObj ImageConverter::ConvertTo(ImageRecord& record, const ImageOptions& options, bool resample, ASInt32 newWidth,
                                 ASInt32 newHeight, bool withMask, std::string& why) {
  const CosObj none{0, 0};
  CosObj image = record.image;
  CosObj colorSpace = CosDictGet(image, Atom("ColorSpace"));
  const ASInt32 height = IntegerEntry(image, "Height");
  const ASInt32 width = IntegerEntry(image, "Width");
  const ASInt32 bits = ImageBitsPerComponent(image);
  CosDoc doc = CosObjGetDoc(image);
  const ASUns8 components = CosObjGetType(colorSpace) == CosNull ? 1 : ParseColorSpace(colorSpace);
  if (components == 0) {
    why = ColorSpaceNote(colorSpace).empty() ? "its colour space is not one the plug-in reads" : "";
    return none;
  }
  // Samples the scaler and the buffers serve; anything else is left as it is.
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8) {
    why = bits == 0 ? "it gives no bits per component" : std::to_string(bits) + " bits per component are not converted";
    return none;
  }
  if (width <= 0 || height <= 0) {
    why = "it has no width or height";
    return none;
  }
  CosObj family = ColorFamily(colorSpace);

  if (newHeight < 1 || newWidth < 1) {
    why = options.ScaleMethod != 0 || (record.placedWidth != 0 && record.placedHeight != 0)
              ? "its new size is less than a pixel"
          : record.drawnUnreached
              ? "it is drawn only where the plug-in does not look (an annotation's appearance, a pattern or a soft "
                "mask), so the resolution gives it no size"
              : "it is drawn nowhere, so the resolution gives it no size";
    return none;
  }
  SampleBuffer source(static_cast<ASUns8>(bits), components, width, height);
  SampleBuffer scaled(static_cast<ASUns8>(bits), components, newWidth, newHeight);

  // Whatever happens from here, everything made for this image goes.
  struct Resources {
    std::unique_ptr<ColorTransform> transform;
    std::unique_ptr<KeyedScaler> keyed;
    ScalerContext* scaler = nullptr;
    CosObj parms{0, 0};
    CosObj mask{0, 0};  // a new soft mask, kept only with the new image
    bool made = false;
    ASCallback callback = nullptr;
    ASStm source = nullptr, procedural = nullptr;
    ~Resources() {
      HostRegion([this] { CosObjDestroy(parms); });
      if (!made && CosObjGetType(mask) != CosNull) HostRegion([this] { CosObjDestroy(mask); });
      if (callback) HostRegion([this] { ASCallbackDestroy(callback); });
      ScalerClose(scaler);
      if (source) HostRegion([this] { ASStmClose(source); });
      if (procedural) HostRegion([this] { ASStmClose(procedural); });
    }
  } held;

  ConvertState state;
  state.sourceKind = ConversionKind(family, bits, options);
  state.outputProfile = options.OutputProfile;
  ASUns8 outComponents = components;
  if (state.sourceKind) {
    held.transform.reset(MakeColorTransform(state.sourceKind, options.OutputProfile));
    state.transform = held.transform.get();
    if (!state.transform) {
      why = "its colours cannot be converted";
      return none;
    }
    outComponents = static_cast<ASUns8>(state.transform->Components());
  }
  SampleBuffer output(static_cast<ASUns8>(bits), outComponents, newWidth, newHeight);
  const uint64_t outBytes = output.RowBytes() * static_cast<uint64_t>(newHeight);
  if (outBytes > static_cast<uint64_t>(std::numeric_limits<CosByteMax>::max())) {
    // More than a new stream can be told: the host's own note for data too large.
    HostRegion([] { ShowHostError(cosErrDataTooLarge); });
    return none;
  }

  // A colour-key mask names exact samples, which JPEG does not keep: such
  // an image takes Flate where JPEG is asked. An image that keeps its size
  // and is JPEG already is encoded anew only where that makes it smaller.
  std::vector<std::pair<int64_t, int64_t>> key;
  const bool keyed = !state.transform && ColorKey(image, components, &key);
  const bool sourceJpeg = FilterPosition(image, "DCTDecode") != -2;
  const ASInt32 code = bits == 1 ? options.MCT : options.CTCT;
  const bool jpegAsked = bits == 8 && !IsName(family, "Indexed") && (code == 7 || (code == 0 && sourceJpeg));
  // ASCII encoding asked of data that has none is a change of encoding.
  const bool sourceAscii = FilterPosition(image, "ASCII85Decode") != -2 || FilterPosition(image, "ASCIIHexDecode") != -2;
  const bool keepsSize = !state.transform && sourceJpeg && jpegAsked && newWidth == width && newHeight == height &&
                         (sourceAscii || !options.AsciiEncode);
  if (keepsSize && keyed) {
    why = "it is JPEG already and keeps its size, and its colour-key mask takes no JPEG made anew";
    return none;
  }
  ImageOptions encoding = options;
  if (keyed && jpegAsked) encoding.CTCT = 3;
  CosObj attributes = MakeImageAttributes(image, encoding, doc, static_cast<ASUns8>(bits), components, newWidth,
                                          newHeight);
  held.parms = MakeEncodeParms(image, attributes, encoding, doc, static_cast<ASUns8>(bits), outComponents, newWidth,
                               newHeight);
  // A soft mask with /Matte is of its image's size: resampled with it.
  CosObj mask = CosDictGet(image, Atom("SMask"));
  if (withMask && CosObjGetType(mask) == CosStream && CosDictKnown(mask, Atom("Matte")) &&
      (IntegerEntry(mask, "Width") != newWidth || IntegerEntry(mask, "Height") != newHeight)) {
    ImageRecord part;
    part.image = mask;
    std::string whyNot;
    held.mask = ConvertTo(part, options, true, newWidth, newHeight, false, whyNot);
    if (CosObjGetType(held.mask) == CosNull) {
      why = "its soft mask, whose /Matte needs it at the image's size, could not be resampled with it" +
            (whyNot.empty() ? "" : ": " + whyNot);
      return none;
    }
    CosDictPut(attributes, Atom("SMask"), held.mask);
  }

  // Opened before the scaler is: data the host refuses (an image that
  // declares more than it allows, data too short for it) costs no scaling,
  // and fails this image alone.
  HostRegionResult opened = HostRegion([&] { held.source = state.source = CosStreamOpenStm(image, 2); });
  if (opened.raised) {
    HostRegion([&] { ShowHostError(opened.code); });
    return none;
  }

  if (resample && keyed) {
    std::vector<KeyedScaler::Range> ranges;
    for (const auto& r : key) ranges.push_back({r.first, r.second});
    held.keyed.reset(new KeyedScaler(bits, components, width, height, newWidth, newHeight, std::move(ranges),
                                     bits != 1 && !IsName(family, "Indexed")));
    state.keyed = held.keyed.get();
  } else if (resample) {
    // The scaler counts row lengths in bits, in an int.
    if (std::max(source.RowBytes(), scaled.RowBytes()) > static_cast<uint64_t>(INT_MAX / 8)) {
      why = "its rows are too long to resample";
      return none;
    }
    const bool point = bits == 1 || IsName(family, "Indexed");
    const ScalerSize size{height, width, newHeight, newWidth, 0, 0};
    held.scaler = ScalerOpen(0, 0, bits, bits * components, static_cast<int>(source.RowBytes() * 8), 0, 0, &size,
                             point ? "point" : "box", 0, 0, bits, bits * components,
                             static_cast<int>(scaled.RowBytes() * 8), components);
    if (!held.scaler) {
      why = "it cannot be resampled to " + std::to_string(newWidth) + " x " + std::to_string(newHeight) + " pixels";
      return none;
    }
    state.sourceStep = components == 1 ? 0 : bits;
    state.scaledStep = state.sourceStep;
  }
  if (state.transform) {
    CosObj space = ColorSpaceOf(static_cast<ASInt32>(state.transform->Kind()), doc);
    if (!(state.transform->Kind() == 3 && IsName(family, "Lab"))) CosDictPut(attributes, Atom("ColorSpace"), space);
  }

  const bool scaling = held.scaler || held.keyed;
  const bool passThrough = !scaling && !state.transform;
  if (!passThrough) {
    // The band halves until its buffers fit. It starts at the rows a few
    // megabytes hold, so that memory does not grow with the image.
    const uint64_t bandRows = std::max<uint64_t>(1, kBandBytes / source.RowBytes());
    for (ASUns32 band = static_cast<ASUns32>(std::min<uint64_t>(height, bandRows)); band != 0; band >>= 1) {
      ASUns32 rows = band;
      bool fits = source.Allocate(band);
      if (fits && scaling) {
        // A band completes the rows its own share gives, and those waiting
        // on its first row.
        const uint64_t share = (static_cast<uint64_t>(newHeight) * band + height - 1) / height;
        const uint64_t waiting = (static_cast<uint64_t>(newHeight) + height - 1) / height + 1;
        rows = static_cast<ASUns32>(std::min<uint64_t>(newHeight, share + waiting));
        fits = scaled.Allocate(rows);
      }
      if (fits && state.transform) fits = output.Allocate(rows);
      if (fits) {
        state.bandHeight = band;
        break;
      }
    }
    if (state.bandHeight == 0) {
      HostRegion([] { AVAlertNote(kMemoryNote); });
      return none;
    }
    state.sourceBuffer = &source;
    state.scaledBuffer = scaling ? &scaled : nullptr;
    state.outputBuffer = state.transform ? &output : nullptr;
    state.scaler = held.scaler;
    state.workLeft = record.work;
  }

  if (keyed && jpegAsked)
    HostRegion([&] {
      AVAlertNote((ImageName(ObjectKey(image), record) +
                   ": its colour-key mask names exact colours, which JPEG does not keep, so it is compressed with Flate")
                      .c_str());
    });
  CosObj result = none;
  try {
    HostRegionResult r = HostRegion([&] {
      held.callback = ASCallbackCreate(
          gExtensionID, reinterpret_cast<void*>(passThrough ? &PassThroughStreamProc : &ConvertedImageStreamProc));
      held.procedural = ASProcStmRdOpen(held.callback, passThrough ? static_cast<void*>(held.source) : &state);
      result = CosNewStream(doc, 1, held.procedural, 0, 0, attributes, held.parms, static_cast<CosByteMax>(outBytes));
      CosDictGet(result, Atom("Length"));
    });
    if (r.raised) HostRegion([&] { ShowHostError(r.code); });
  } catch (...) {
    HostRegion([] { AVAlertNote(kExceptionNote); });
  }
  if (keepsSize && CosObjGetType(result) != CosNull) {
    ASInt32 was = 0, is = 0;
    HostRegion([&] { was = CosStreamLength(image), is = CosStreamLength(result); });
    if (is >= was) {
      HostRegion([&] { CosObjDestroy(result); });
      result = none;
      why = "it is JPEG already and keeps its size, and encoded anew it would not be smaller";
    }
  }
  held.made = CosObjGetType(result) != CosNull;
  return result;
}

ASInt32 PassThroughStreamProc(char* buffer, ASInt32 count, void* source) {
  if (!source || count <= 0) return 0;
  ASSize_t read = ASStmRead(buffer, 1, static_cast<ASSize_t>(count), static_cast<ASStm>(source));
  Advance(read);
  return static_cast<ASInt32>(read);
}

ASInt32 ConvertedImageStreamProc(char* buffer, ASInt32 count, void* data) {
  auto* s = static_cast<ConvertState*>(data);
  if (!s || count <= 0) return 0;
  ASInt32 written = 0;
  HostRegionResult r = HostRegion([&] {
    SampleBuffer& src = *s->sourceBuffer;
    const uint64_t srcRow = src.RowBytes();
    while (written < count) {
      const SampleBuffer& ready = s->outputBuffer ? *s->outputBuffer : s->scaledBuffer ? *s->scaledBuffer : src;
      if (s->readOffset < s->readySize) {
        const uint64_t n = std::min<uint64_t>(static_cast<uint64_t>(count - written), s->readySize - s->readOffset);
        std::memcpy(buffer + written, ready.data + s->readOffset, n);
        s->readOffset += n;
        written += static_cast<ASInt32>(n);
        Advance(n);
        s->workLeft -= std::min(s->workLeft, n);
        continue;
      }
      ASInt32 rows = 0;
      while (rows == 0) {
        ASUns32 want = s->bandHeight;
        if (s->scaler || s->keyed) want = std::min<ASUns32>(want, static_cast<ASUns32>(src.height - s->nextSourceRow));
        const ASSize_t got = want ? ASStmRead(reinterpret_cast<char*>(src.data), 1,
                                               static_cast<ASSize_t>(srcRow * want), s->source)
                                  : 0;
        Advance(got);
        if (got == 0) {
          // Data that ends rows before its height ends the stream short,
          // which the host refuses, as without a scaler; a keyed scaler owes
          // nothing after the last row.
          if (!s->scaler || s->nextSourceRow < src.height) return;
          int drained = 0;
          if (!ScalerFlush(s->scaler, &s->scaledBuffer->data, s->scaledStep, nullptr, &drained))
            throw std::runtime_error("The scaler could not finish.");
          Advance(drained * s->scaledBuffer->RowBytes());
          if (drained == 0) return;
          rows = drained;
          break;
        }
        const ASInt32 read = static_cast<ASInt32>((got + srcRow - 1) / srcRow);
        // A short last row is padded, never left as it was.
        std::memset(src.data + got, 0, static_cast<size_t>(srcRow * read - got));
        if (!s->scaler && !s->keyed) {
          rows = read;
          continue;
        }
        Advance(srcRow * read);
        int made = 0;
        if (s->keyed)
          made = s->keyed->Run(src.data, s->nextSourceRow, read, s->scaledBuffer->data);
        else if (!RunScaler(s->scaler, src.data, s->sourceStep, s->nextSourceRow, read, &s->scaledBuffer->data,
                            s->scaledStep, nullptr, &made))
          throw std::runtime_error("The scaler failed.");
        Advance(made * s->scaledBuffer->RowBytes());
        s->nextSourceRow += read;
        rows = made;
      }
      const SampleBuffer& band = s->scaledBuffer ? *s->scaledBuffer : src;
      if (s->transform) {
        Advance(band.RowBytes() * rows);
        s->transform->Apply(band.width, rows, band.data, s->outputBuffer->data);
        Advance(s->outputBuffer->RowBytes() * rows);
      }
      s->readOffset = 0;
      s->readySize = (s->outputBuffer ? *s->outputBuffer : band).RowBytes() * static_cast<uint64_t>(rows);
      s->handedOut += s->readySize;
    }
  });
  if (r.raised) {
    HostRegion([&] { ShowHostError(r.code); });
    ASRaise(r.code);
  }
  return written;
}
