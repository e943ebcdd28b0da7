// The conversion of one image into a new image stream of its document:
// resampled to the size the option set asks for, optionally given other
// colours, and encoded by the host with the filter the set names. The
// source is read decoded and the new samples are made band by band in a
// procedural stream that the host reads while it creates the stream.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "alternates/ImageCollection.h"

struct ScalerContext;
class KeyedScaler;

// One band of samples, in the host's memory.
class SampleBuffer {
 public:
  SampleBuffer(ASUns8 bits, ASUns8 components, ASInt32 width, ASInt32 height)
      : bits(bits), components(components), width(width), height(height) {}
  SampleBuffer(const SampleBuffer&) = delete;
  SampleBuffer& operator=(const SampleBuffer&) = delete;
  ~SampleBuffer();

  uint64_t RowBytes() const { return RowsSize(width, 1, components, bits); }
  // Room for `rows` rows, in place of what it held; false (holding nothing)
  // when the host has no memory for them.
  bool Allocate(ASUns32 rows);

  ASUns8 bits;
  ASUns8 components;
  ASInt32 width;
  ASInt32 height;  // rows of the whole image
  ASUns32 rowsHeld = 0;
  ASUns8* data = nullptr;
};

// The client data of the procedural stream.
struct ConvertState {
  ASStm source = nullptr;
  SampleBuffer* sourceBuffer = nullptr;
  SampleBuffer* scaledBuffer = nullptr;
  SampleBuffer* outputBuffer = nullptr;
  ScalerContext* scaler = nullptr;
  KeyedScaler* keyed = nullptr;  // in the scaler's place, for a colour-key mask
  int sourceStep = 0;  // bits between a pixel's planes, for the scaler
  int scaledStep = 0;
  ColorTransform* transform = nullptr;
  ASInt32 sourceKind = 0;
  ASInt32 outputProfile = 0;
  ASInt32 nextSourceRow = 0;
  uint64_t readOffset = 0;  // in the ready band
  uint64_t readySize = 0;
  uint64_t handedOut = 0;
  ASUns32 bandHeight = 0;  // source rows
  uint64_t workLeft = 0;
};

class ImageConverter {
 public:
  // The new image stream, or the null object when the image is not converted;
  // then *why says why, unless a note said it.
  static CosObj Convert(ImageRecord& record, const ImageOptions& options, std::string* why = nullptr);

 private:
  // At the size given (resampled when `resample`), with its /Matte soft
  // mask when `withMask`.
  static CosObj ConvertTo(ImageRecord& record, const ImageOptions& options, bool resample, ASInt32 newWidth,
                          ASInt32 newHeight, bool withMask, std::string& why);
};

// Read procedures of the procedural stream (client data: the state, or the
// source stream when nothing is resampled or converted).
ASInt32 ConvertedImageStreamProc(char* buffer, ASInt32 count, void* state);
ASInt32 PassThroughStreamProc(char* buffer, ASInt32 count, void* source);

// The scaler's run, which a test may make fail.
extern int (*RunScaler)(ScalerContext* ctx, const unsigned char* rows, int inStep, int firstRow, int rowCount,
                        unsigned char** outRows, int outStep, unsigned char** scratch, int* outRowCount);

// The family of a colour space: the name itself, or an array's first element.
CosObj ColorFamily(CosObj colorSpace);

// The ranges of the image's colour-key mask (/Mask [min max ...], a pair a
// component); false when it has none of `components` pairs of numbers.
bool ColorKey(CosObj image, int components, std::vector<std::pair<int64_t, int64_t>>* ranges);

// The new dictionary of a converted image (a direct copy of the image's in
// `doc`) for samples of `bits` and `components` at the new size; the filter
// follows the option set's compression code.
CosObj MakeImageAttributes(CosObj image, const ImageOptions& options, CosDoc doc, ASUns8 bits, ASUns8 components,
                           ASInt32 width, ASInt32 height);
// "Filter"'s position of `name`: -1 for the name itself, else its first
// index in the array; -2 when it is not there.
ASInt32 FilterPosition(CosObj dict, const char* name);
// True when "Filter" names "DCTDecode": *position -1 for a name, else its
// first index in the array.
bool FindDCTFilter(CosObj dict, ASInt32* position);
// The parameters the host encodes the new data with (null, a dictionary or
// an array parallel to "Filter"); may put a copy into the dictionary's
// "DecodeParms".
CosObj MakeEncodeParms(CosObj image, CosObj dict, const ImageOptions& options, CosDoc doc, ASUns8 bits,
                       ASUns8 components, ASInt32 width, ASInt32 height);
// A copy whose direct parts are new and whose indirect references are
// shared with the source; for a stream, of its dictionary. `doc` null: the
// object's own.
CosObj CopyCosObject(CosObj obj, CosDoc doc = nullptr);
void CopyCosObjectRecursive(CosObj source, CosObj copy);
