// The new image dictionary of a converted image and the parameters the host
// encodes its data with.
#include <string>

#include "alternates/ImageConverter.h"
#include "host/calls.h"

namespace {

ASAtom Atom(const char* text) { return ASAtomFromString(text); }

// The compression code of samples of `bits` bits.
ASInt32 CodeFor(const ImageOptions& options, ASUns8 bits) { return bits == 1 ? options.MCT : options.CTCT; }

// The parameters as an array as long as "Filter" with `parms` at `position`
// (-1: the dictionary alone).
CosObj Parallel(CosDoc doc, ASInt32 position, CosObj parms, ASInt32 length) {
  if (position < 0) return parms;
  CosObj array = CosNewArray(doc, 0, length);
  for (ASInt32 i = 0; i < length; ++i) CosArrayInsert(array, i, i == position ? parms : CosNewNull());
  return array;
}

// Sets an integer entry only where it stands.
void CorrectInteger(CosObj parms, const char* key, ASInt32 value, CosDoc doc) {
  if (CosObjGetType(CosDictGet(parms, Atom(key))) == CosInteger) CosDictPut(parms, Atom(key), CosNewInteger(doc, 0, value));
}

// The copy's own object in place of a shared one, so that its edits leave
// the source alone.
CosObj Unshared(CosObj value, CosDoc doc) {
  const CosType type = CosObjGetType(value);
  return (type == CosDict || type == CosArray) && CosObjIsIndirect(value) ? CosObjCopy(value, doc, 0) : value;
}

bool IsAsciiFilter(CosObj name) { return IsName(name, "ASCII85Decode") || IsName(name, "ASCIIHexDecode"); }

// The encoders' quality steps; a step outside them is "High".
struct Quality {
  ASFixed qfactor;
  ASInt32 sampling;
};
const Quality kQualities[] = {{0x26666, 2}, {0x14CCD, 2}, {0xC28F, 2}, {0x6666, 1}, {0x2666, 1}};

CosObj DCTParms(const ImageOptions& options, CosDoc doc, ASUns8 components, ASInt32 width, ASInt32 height) {
  const Quality& q = kQualities[options.JpegQuality >= 0 && options.JpegQuality <= 4 ? options.JpegQuality : 3];
  CosObj parms = CosNewDict(doc, 0, 6);
  CosDictPut(parms, Atom("Columns"), CosNewInteger(doc, 0, width));
  CosDictPut(parms, Atom("Rows"), CosNewInteger(doc, 0, height));
  CosDictPut(parms, Atom("Colors"), CosNewInteger(doc, 0, components));
  CosDictPut(parms, Atom("QFactor"), CosNewFixed(doc, 0, q.qfactor));
  CosObj samples = CosNewArray(doc, 0, 4);
  const ASInt32 factors[] = {q.sampling, 1, 1, q.sampling};
  for (ASInt32 i = 0; i < 4; ++i) CosArrayInsert(samples, i, CosNewInteger(doc, 0, factors[i]));
  CosDictPut(parms, Atom("HSamples"), samples);
  CosDictPut(parms, Atom("VSamples"), CosObjCopy(samples, doc, 0));
  return parms;
}

ASBool CopyEntryProc(CosObj key, CosObj value, void* data) {
  CosObj copy = *static_cast<CosObj*>(data);
  ASAtom name = CosNameValue(key);
  if (CosObjIsIndirect(value)) {
    CosDictPut(copy, name, value);
  } else {
    CosType type = CosObjGetType(value);
    if (type == CosDict || type == CosArray || type == CosStream) CopyCosObjectRecursive(value, CosDictGet(copy, name));
  }
  return 1;
}

}  // namespace

CosObj CopyCosObject(CosObj obj, CosDoc doc) {
  if (!doc) doc = CosObjGetDoc(obj);
  switch (CosObjGetType(obj)) {
    case CosNull:
      return CosNewNull();
    case CosDict:
    case CosArray:
    case CosStream: {
      CosObj source = CosObjGetType(obj) == CosStream ? CosStreamDict(obj) : obj;
      CosObj copy = CosObjCopy(source, doc, 0);
      CopyCosObjectRecursive(source, copy);
      return copy;
    }
    default:
      return CosObjCopy(obj, doc, 0);
  }
}

void CopyCosObjectRecursive(CosObj source, CosObj copy) {
  if (CosObjGetType(source) == CosArray) {
    for (ASInt32 i = 0; i < CosArrayLength(source); ++i) {
      CosObj value = CosArrayGet(source, i);
      if (CosObjIsIndirect(value)) {
        CosArrayPut(copy, i, value);
        continue;
      }
      CosType type = CosObjGetType(value);
      if (type == CosDict || type == CosArray || type == CosStream) CopyCosObjectRecursive(value, CosArrayGet(copy, i));
    }
    return;
  }
  CosObjEnum(source, &CopyEntryProc, &copy);
}

ASInt32 FilterPosition(CosObj dict, const char* name) {
  CosObj filter = CosDictGet(dict, Atom("Filter"));
  if (IsName(filter, name)) return -1;
  if (CosObjGetType(filter) == CosArray)
    for (ASInt32 i = 0; i < CosArrayLength(filter); ++i)
      if (IsName(CosArrayGet(filter, i), name)) return i;
  return -2;
}

bool FindDCTFilter(CosObj dict, ASInt32* position) {
  const ASInt32 at = FilterPosition(dict, "DCTDecode");
  if (at == -2) return false;
  if (position) *position = at;
  return true;
}

CosObj MakeImageAttributes(CosObj image, const ImageOptions& options, CosDoc doc, ASUns8 bits, ASUns8,
                           ASInt32 width, ASInt32 height) {
  CosObj dict = CopyCosObject(image, doc);
  CosDictRemove(dict, Atom("Length"));
  ASInt32 code = CodeFor(options, bits);
  const ASAtom filterKey = Atom("Filter"), parmsKey = Atom("DecodeParms");
  for (ASAtom key : {filterKey, parmsKey})
    if (CosDictKnown(dict, key)) CosDictPut(dict, key, Unshared(CosDictGet(dict, key), doc));
  if (code == 0) {
    CosObj parms = CosDictGet(dict, parmsKey);
    auto correct = [&](CosObj one) {
      if (CosObjGetType(one) != CosDict) return;
      CorrectInteger(one, "Columns", width, doc);
      CorrectInteger(one, "Rows", height, doc);
    };
    if (CosObjGetType(parms) == CosArray) {
      for (ASInt32 i = 0; i < CosArrayLength(parms); ++i) {
        CosArrayPut(parms, i, Unshared(CosArrayGet(parms, i), doc));
        correct(CosArrayGet(parms, i));
      }
    } else {
      correct(parms);
    }
  } else {
    CosDictRemove(dict, filterKey);
    CosDictRemove(dict, parmsKey);
  }
  // JPEG takes 8-bit colours: indexed images, and those of 2 or 4 bits, take Flate.
  if (code == 7 && (bits != 8 || IsName(ColorFamily(CosDictGet(dict, Atom("ColorSpace"))), "Indexed"))) code = 3;
  static const char* const kFilters[] = {"LZWDecode", "FlateDecode", "RunLengthDecode", "CCITTFaxDecode",
                                         "CCITTFaxDecode", "DCTDecode"};
  if (code >= 2 && code <= 7) CosDictPut(dict, filterKey, CosNewName(doc, 0, Atom(kFilters[code - 2])));

  // The source's ASCII encoding is not kept.
  CosObj filter = CosDictGet(dict, filterKey);
  CosObj parms = CosDictGet(dict, parmsKey);
  if (IsAsciiFilter(filter)) {
    CosDictRemove(dict, filterKey);
    if (CosObjGetType(parms) == CosDict) CosDictRemove(dict, parmsKey);
  } else if (CosObjGetType(filter) == CosArray) {
    const bool parallel = CosObjGetType(parms) == CosArray;
    for (ASInt32 i = 0; i < CosArrayLength(filter);) {
      if (!IsAsciiFilter(CosArrayGet(filter, i))) {
        ++i;
        continue;
      }
      CosArrayRemoveNth(filter, i);
      if (parallel && i < CosArrayLength(parms)) CosArrayRemoveNth(parms, i);
    }
  }

  if (options.AsciiEncode) {
    CosObj ascii = CosNewName(doc, 0, Atom("ASCII85Decode"));
    filter = CosDictGet(dict, filterKey);
    parms = CosDictGet(dict, parmsKey);
    switch (CosObjGetType(filter)) {
      case CosName: {
        CosObj list = CosNewArray(doc, 0, 2);
        CosArrayInsert(list, 0, ascii);
        CosArrayInsert(list, 1, filter);
        CosDictPut(dict, filterKey, list);
        if (CosObjGetType(parms) == CosDict) {
          CosObj pair = CosNewArray(doc, 0, 2);
          CosArrayInsert(pair, 0, CosNewNull());
          CosArrayInsert(pair, 1, parms);
          CosDictPut(dict, parmsKey, pair);
        }
        break;
      }
      case CosArray:
        CosArrayInsert(filter, 0, ascii);
        if (CosObjGetType(parms) == CosArray) CosArrayInsert(parms, 0, CosNewNull());
        break;
      default:
        CosDictPut(dict, filterKey, ascii);
        break;
    }
  }
  CosDictPut(dict, Atom("Width"), CosNewInteger(doc, 0, width));
  CosDictPut(dict, Atom("Height"), CosNewInteger(doc, 0, height));
  // The samples' depth where the entry gives another (JPEG 2000 data is
  // read at 8 bits whatever it says).
  if (!IsImageMask(image) && IntegerEntry(dict, "BitsPerComponent") != bits)
    CosDictPut(dict, Atom("BitsPerComponent"), CosNewInteger(doc, 0, bits));
  return dict;
}

CosObj MakeEncodeParms(CosObj image, CosObj dict, const ImageOptions& options, CosDoc doc, ASUns8 bits,
                       ASUns8 components, ASInt32 width, ASInt32 height) {
  const ASInt32 code = CodeFor(options, bits);
  const ASAtom parmsKey = Atom("DecodeParms");
  CosObj parms{0, 0};
  if (code == 0 && CosObjGetType(CosDictGet(dict, parmsKey)) != CosNull) parms = CosObjCopy(CosDictGet(dict, parmsKey), doc, 1);
  CosObj filter = CosDictGet(dict, Atom("Filter"));
  const ASInt32 length = CosObjGetType(filter) == CosArray ? CosArrayLength(filter) : 1;
  ASInt32 at = 0;
  if (FindDCTFilter(dict, &at)) parms = Parallel(doc, at, DCTParms(options, doc, components, width, height), length);

  const ASInt32 mct = options.MCT;
  at = FilterPosition(dict, "CCITTFaxDecode");
  if (bits == 1 && (mct == 6 || mct == 5 || mct == 0) && at != -2) {
    ASInt32 k = mct == 6 ? -1 : 0;
    if (mct == 0) {
      CosObj source = CosDictGet(image, parmsKey);
      if (at >= 0 && CosObjGetType(source) == CosArray) source = at < CosArrayLength(source) ? CosArrayGet(source, at) : CosObj{0, 0};
      if (CosObjGetType(source) == CosDict && CosObjGetType(CosDictGet(source, Atom("K"))) == CosInteger)
        k = CosIntegerValue(CosDictGet(source, Atom("K")));
    }
    CosObj ccitt = CosNewDict(doc, 0, 2);
    CosDictPut(ccitt, Atom("K"), CosNewInteger(doc, 0, k));
    CosDictPut(ccitt, Atom("Columns"), CosNewInteger(doc, 0, components * width));
    if (at < 0) {
      parms = ccitt;
    } else {
      parms = CosNewArray(doc, 0, at + 1);
      for (ASInt32 i = 0; i <= at; ++i) CosArrayInsert(parms, i, i == at ? ccitt : CosNewNull());
    }
    CosDictPut(dict, parmsKey, CosObjCopy(parms, doc, 0));
  }
  return parms;
}
