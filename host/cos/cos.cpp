// The Cos table over QPDF.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <set>

#include "core/tables.h"
#include "cos/ccitt.h"
#include "cos/docs.h"
#include "cos/encode.h"
#include "cos/security.h"
#include "host/procs.h"
#include "support/fixed.h"
#include "support/streams.h"

namespace host {
namespace {


CosType TypeOf(QPDFObjectHandle h) {
  if (!h.isInitialized()) return CosNull;
  switch (h.getTypeCode()) {
    case ::ot_boolean: return CosBoolean;
    case ::ot_integer: return CosInteger;
    case ::ot_real: return CosFixed;
    case ::ot_string: return CosString;
    case ::ot_name: return CosName;
    case ::ot_array: return CosArray;
    case ::ot_dictionary: return CosDict;
    case ::ot_stream: return CosStream;
    default: return CosNull;
  }
}

ASFixed SaturateFixed(double v) {
  double scaled = std::nearbyint(v * 65536.0);
  if (std::isnan(scaled)) return 0;
  if (scaled >= 2147483647.0) return ASFixedMax;
  if (scaled <= -2147483648.0) return ASFixedMin;
  return static_cast<ASFixed>(scaled);
}

ASInt32 SaturateInt(long long v) {
  if (v > std::numeric_limits<ASInt32>::max()) return std::numeric_limits<ASInt32>::max();
  if (v < std::numeric_limits<ASInt32>::min()) return std::numeric_limits<ASInt32>::min();
  return static_cast<ASInt32>(v);
}


std::string KeyName(ASAtom key) { return "/" + AtomBytes(key); }

Doc& NewDocOf(CosDoc doc) { return DocOf(doc); }

CosObj Finish(Doc& doc, QPDFObjectHandle h, ASBool indirect) {
  if (indirect) {
    RequireChangesAllowed(doc);
    h = Q([&] { return doc.qpdf->makeIndirectObject(h); });
  }
  doc.Made(h);
  return doc.Wrap(h);
}

// The container's handle and document; raises on a dead or null container.
QPDFObjectHandle Container(CosObj obj, Doc*& doc) {
  QPDFObjectHandle h = Resolve(obj, &doc);
  if (!doc) Raise(cosErrTypeMismatch);
  return h;
}

QPDFObjectHandle DictOf(CosObj obj, Doc*& doc) {
  QPDFObjectHandle h = Container(obj, doc);
  if (Q([&] { return h.isStream(); })) return Q([&] { return h.getDict(); });
  if (!Q([&] { return h.isDictionary(); })) Raise(cosErrTypeMismatch);
  return h;
}

QPDFObjectHandle ArrayOf(CosObj obj, Doc*& doc) {
  QPDFObjectHandle h = Container(obj, doc);
  if (!Q([&] { return h.isArray(); })) Raise(cosErrTypeMismatch);
  return h;
}

// A value that is about to be stored in `target`'s document.
QPDFObjectHandle ValueFor(const Doc& target, CosObj value) {
  Doc* vdoc = nullptr;
  QPDFObjectHandle h = Resolve(value, &vdoc);
  if (vdoc && vdoc != &target) Raise(cosErrDocMismatch);
  // A temporary kept apart from the document goes in as a copy.
  if (h.isIndirect() && h.getOwningQPDF() != target.qpdf.get())
    return Q([&] { return target.qpdf->copyForeignObject(h); });
  return h;
}

// Copies the direct structure of `h`; indirect references below the top are
// kept when `into` is the object's own document, and otherwise copied with
// their whole graph (copyIndirect) or refused. Numbers, names and strings
// below the top are shared within a document, as nothing changes them in
// place: a copy costs its containers alone. Not while inline images are
// read, whose parts die with them.
QPDFObjectHandle CopyDirect(QPDFObjectHandle h, Doc& from, Doc& into, bool copyIndirect,
                            bool top, int depth) {
  if (depth > 10000) Raise(cosErrBadSyntax);
  if (!top && h.isIndirect()) {
    if (&from == &into) return h;
    if (!copyIndirect) Raise(cosErrDocMismatch);
    return into.qpdf->copyForeignObject(h);
  }
  if (h.isStream()) {
    if (&from != &into) return into.qpdf->copyForeignObject(h);
    QPDFObjectHandle s = into.qpdf->newStream();
    s.replaceDict(CopyDirect(h.getDict(), from, into, copyIndirect, true, depth + 1));
    auto raw = h.getRawStreamData();
    s.replaceStreamData(std::string(reinterpret_cast<const char*>(raw->getBuffer()), raw->getSize()),
                        QPDFObjectHandle(), QPDFObjectHandle());
    return s;
  }
  if (h.isArray()) {
    QPDFObjectHandle a = QPDFObjectHandle::newArray();
    int n = h.getArrayNItems();
    for (int i = 0; i < n; ++i)
      a.appendItem(CopyDirect(h.getArrayItem(i), from, into, copyIndirect, false, depth + 1));
    return a;
  }
  if (h.isDictionary()) {
    QPDFObjectHandle d = QPDFObjectHandle::newDictionary();
    for (auto& key : h.getKeys())
      d.replaceKey(key, CopyDirect(h.getKey(key), from, into, copyIndirect, false, depth + 1));
    return d;
  }
  if (!top && &from == &into && into.temporaries.empty()) return h;
  return h.shallowCopy();
}

// Operations -------------------------------------------------------------------
#define ENTER(sel) Enter(TableId::Cos, CosSel::sel)

ASBool CosObjEqualImpl(CosObj a, CosObj b) {
  ENTER(ObjEqual);
  Doc* da = nullptr;
  Doc* db = nullptr;
  QPDFObjectHandle ha = Resolve(a, &da);
  QPDFObjectHandle hb = Resolve(b, &db);
  return Q([&]() -> ASBool {
    CosType ta = TypeOf(ha), tb = TypeOf(hb);
    if (ta == CosNull && tb == CosNull) return 1;
    if (ta != tb) return 0;
    if (ha.isIndirect() || hb.isIndirect())
      return da == db && ha.isIndirect() && hb.isIndirect() && ha.getObjGen() == hb.getObjGen() &&
             ha.getOwningQPDF() == hb.getOwningQPDF();
    switch (ta) {
      case CosBoolean: return ha.getBoolValue() == hb.getBoolValue();
      case CosInteger: return ha.getIntValue() == hb.getIntValue();
      case CosFixed: return SaturateFixed(ha.getNumericValue()) == SaturateFixed(hb.getNumericValue());
      case CosName: return ha.getName() == hb.getName();
      case CosString: return ha.getStringValue() == hb.getStringValue();
      default: return ha.isSameObjectAs(hb);
    }
  });
}

CosType CosObjGetTypeImpl(CosObj obj) {
  ENTER(ObjGetType);
  QPDFObjectHandle h = Resolve(obj);
  return Q([&] { return TypeOf(h); });
}

ASBool CosObjEnumImpl(CosObj obj, CosObjEnumProc proc, void* clientData) {
  ENTER(ObjEnum);
  Doc* doc = nullptr;
  QPDFObjectHandle h = Resolve(obj, &doc);
  if (!doc || !proc) return 1;
  // The procedure may close the document: it is looked up again before each entry.
  const ASUns32 docId = doc->id;
  auto stillOpen = [&] {
    doc = FindDoc(docId);
    if (!doc) Raise(genErrBadHandle);
  };
  CosType type = Q([&] { return TypeOf(h); });
  if (type == CosArray) {
    int n = Q([&] { return h.getArrayNItems(); });
    for (int i = 0; i < n; ++i) {
      stillOpen();
      CosObj item = Q([&] { return i < h.getArrayNItems() ? doc->Wrap(h.getArrayItem(i)) : CosObj{0, 0}; });
      if (!proc(item, CosObj{0, 0}, clientData)) return 0;  // the procedure may throw: not ours to catch
    }
    return 1;
  }
  if (type != CosDict && type != CosStream) return 1;
  QPDFObjectHandle dict = Q([&] { return type == CosStream ? h.getDict() : h; });
  std::set<std::string> keys = Q([&] { return dict.getKeys(); });  // byte order
  for (const std::string& key : keys) {
    stillOpen();
    CosObj name{0, 0}, value{0, 0};
    bool present = Q([&] {
      if (!dict.hasKey(key)) return false;
      auto it = doc->nameSlots.find(key);
      if (it == doc->nameSlots.end()) {
        name = doc->Wrap(QPDFObjectHandle::newName(key));
        doc->nameSlots.emplace(key, name.b);
      } else {
        name = CosObj{doc->id, it->second};
      }
      value = doc->Wrap(dict.getKey(key));
      return true;
    });
    if (!present) continue;  // removed by an earlier call of the procedure
    if (!proc(name, value, clientData)) return 0;
  }
  return 1;
}

CosDoc CosObjGetDocImpl(CosObj obj) {
  ENTER(ObjGetDoc);
  Doc* doc = nullptr;
  Resolve(obj, &doc);
  if (!doc) Raise(cosErrTypeMismatch);
  return ToCosDoc(*doc);
}

// The document's one direct object for `key`, made by `make` when it has none.
template <class Key, class Make>
QPDFObjectHandle SharedValue(std::unordered_map<Key, QPDFObjectHandle>& values, const Key& key, Make make) {
  auto it = values.find(key);
  if (it != values.end()) return it->second;
  QPDFObjectHandle h = make();
  if (values.size() < 4096) values.emplace(key, h);
  return h;
}

CosObj CosNewIntegerImpl(CosDoc d, ASBool indirect, ASInt32 value) {
  ENTER(NewInteger);
  Doc& doc = NewDocOf(d);
  if (indirect) return Finish(doc, QPDFObjectHandle::newInteger(value), indirect);
  return Finish(doc, SharedValue(doc.madeIntegers, static_cast<long long>(value), [&] {
                  return QPDFObjectHandle::newInteger(value);
                }), 0);
}

CosObj CosNewFixedImpl(CosDoc d, ASBool indirect, ASFixed value) {
  ENTER(NewFixed);
  Doc& doc = NewDocOf(d);
  return Finish(doc, QPDFObjectHandle::newReal(ShortestFixedText(value)), indirect);
}

CosObj CosNewNameImpl(CosDoc d, ASBool indirect, ASAtom name) {
  ENTER(NewName);
  Doc& doc = NewDocOf(d);
  std::string text = KeyName(name);
  auto make = [&] { return Q([&] { return QPDFObjectHandle::newName(text); }); };
  return Finish(doc, indirect ? make() : SharedValue(doc.madeNames, text, make), indirect);
}

CosObj CosNewStringImpl(CosDoc d, ASBool indirect, const char* bytes, ASInt32 length) {
  ENTER(NewString);
  Doc& doc = NewDocOf(d);
  if (length < 0 || (!bytes && length > 0)) Raise(genErrBadParm);
  return Finish(doc, QPDFObjectHandle::newString(std::string(bytes ? bytes : "", length)), indirect);
}

CosObj CosNewArrayImpl(CosDoc d, ASBool indirect, ASInt32) {
  ENTER(NewArray);
  Doc& doc = NewDocOf(d);
  return Finish(doc, QPDFObjectHandle::newArray(), indirect);
}

CosObj CosNewDictImpl(CosDoc d, ASBool indirect, ASInt32) {
  ENTER(NewDict);
  Doc& doc = NewDocOf(d);
  return Finish(doc, QPDFObjectHandle::newDictionary(), indirect);
}

CosObj CosNewStreamImpl(CosDoc d, ASBool, ASStm source, CosStreamStartAndCode sourceStart,
                        ASBool sourceLengthEncoded, CosObj attributes, CosObj encodeParms,
                        CosByteMax sourceLength) {
  ENTER(NewStream);
  Doc& doc = NewDocOf(d);
  RequireChangesAllowed(doc);
  QPDFObjectHandle attrs = ValueFor(doc, attributes);
  QPDFObjectHandle parms = ValueFor(doc, encodeParms);
  if (!Q([&] { return attrs.isNull() || attrs.isDictionary(); })) Raise(cosErrTypeMismatch);
  QPDFObjectHandle dict = Q([&] {
    QPDFObjectHandle d = attrs.isNull() ? QPDFObjectHandle::newDictionary() : CopyDirect(attrs, doc, doc, false, true, 0);
    d.removeKey("/Length");
    return d;
  });
  // Read (and encoded) before anything is made, outside the library's
  // wrapper: a plug-in exception from a procedural source passes through
  // and leaves no object. Data given decoded is encoded with the filters
  // the dictionary names and the parameters given, else those it holds.
  std::unique_ptr<StreamBytes> data =
      NewStreamData(doc, source, sourceStart, sourceLength, sourceLengthEncoded, dict, parms);
  return Q([&] {
    QPDFObjectHandle s = doc.qpdf->newStream();
    s.replaceDict(dict);
    data->Install(s);
    doc.Made(s);
    return doc.Wrap(s);
  });
}

void CosObjDestroyImpl(CosObj obj) {
  ENTER(ObjDestroy);
  Doc* doc = nullptr;
  QPDFObjectHandle h = Resolve(obj, &doc);
  if (!doc) return;
  // The inline-image reader's temporaries are the host's, not the document's.
  if (!(h.isIndirect() && doc->temporaries.count(h.getObjectID()))) RequireChangesAllowed(*doc);
  Q([&] {
    // An indirect object becomes null; its number stays taken.
    if (h.isIndirect() && h.getOwningQPDF() != doc->qpdf.get() && doc->temporaries.count(h.getObjectID())) {
      doc->ForgetTemporary(h);
      return 0;
    }
    doc->Changed(h);
    if (h.isIndirect()) h.getOwningQPDF()->replaceObject(h.getObjGen(), QPDFObjectHandle::newNull());
    return 0;
  });
}

ASInt32 CosIntegerValueImpl(CosObj obj) {
  ENTER(IntegerValue);
  QPDFObjectHandle h = Resolve(obj);
  return Q([&]() -> ASInt32 {
    if (h.isInteger()) return SaturateInt(h.getIntValue());
    if (h.isReal()) {
      double v = std::trunc(h.getNumericValue());
      if (std::isnan(v)) return 0;
      if (v >= 2147483647.0) return std::numeric_limits<ASInt32>::max();
      if (v <= -2147483648.0) return std::numeric_limits<ASInt32>::min();
      return static_cast<ASInt32>(v);
    }
    Raise(cosErrTypeMismatch);
  });
}

ASFixed CosFixedValueImpl(CosObj obj) {
  ENTER(FixedValue);
  QPDFObjectHandle h = Resolve(obj);
  return Q([&]() -> ASFixed {
    if (h.isInteger()) {
      long long v = h.getIntValue();
      if (v > 32767) return ASFixedMax;
      if (v < -32768) return ASFixedMin;
      return static_cast<ASFixed>(v * 65536);
    }
    if (h.isReal()) return SaturateFixed(h.getNumericValue());
    Raise(cosErrTypeMismatch);
  });
}

double CosNumberValueImpl(CosObj obj) {
  ENTER(NumberValue);
  QPDFObjectHandle h = Resolve(obj);
  return Q([&]() -> double {
    if (h.isInteger()) return static_cast<double>(h.getIntValue());
    if (h.isReal()) return h.getNumericValue();
    Raise(cosErrTypeMismatch);
  });
}

ASAtom CosNameValueImpl(CosObj obj) {
  ENTER(NameValue);
  QPDFObjectHandle h = Resolve(obj);
  std::string name = Q([&] {
    if (!h.isName()) Raise(cosErrTypeMismatch);
    return h.getName();
  });
  return AtomFromBytes(name.substr(1));
}

CosObj CosDictGetImpl(CosObj dict, ASAtom key) {
  ENTER(DictGet);
  Doc* doc = nullptr;
  QPDFObjectHandle d = DictOf(dict, doc);
  std::string k = KeyName(key);
  return Q([&] { return doc->Wrap(d.getKey(k)); });
}

void CosDictPutImpl(CosObj dict, ASAtom key, CosObj value) {
  ENTER(DictPut);
  Doc* doc = nullptr;
  QPDFObjectHandle d = DictOf(dict, doc);
  RequireChangesAllowed(*doc);
  QPDFObjectHandle v = ValueFor(*doc, value);
  std::string k = KeyName(key);
  Q([&] {
    d.replaceKey(k, v);
    doc->Changed(d, k);
    return 0;
  });
}

void CosDictRemoveImpl(CosObj dict, ASAtom key) {
  ENTER(DictRemove);
  Doc* doc = nullptr;
  QPDFObjectHandle d = DictOf(dict, doc);
  RequireChangesAllowed(*doc);
  std::string k = KeyName(key);
  Q([&] {
    d.removeKey(k);
    doc->Changed(d, k);
    return 0;
  });
}

ASBool CosDictKnownImpl(CosObj dict, ASAtom key) {
  ENTER(DictKnown);
  Doc* doc = nullptr;
  QPDFObjectHandle d = DictOf(dict, doc);
  std::string k = KeyName(key);
  return Q([&]() -> ASBool { return d.hasKey(k) && !d.getKey(k).isNull(); });
}

CosObj CosArrayGetImpl(CosObj array, ASInt32 index) {
  ENTER(ArrayGet);
  Doc* doc = nullptr;
  QPDFObjectHandle a = ArrayOf(array, doc);
  return Q([&] {
    if (index < 0 || index >= a.getArrayNItems()) return CosObj{0, 0};
    return doc->Wrap(a.getArrayItem(index));
  });
}

void CosArrayPutImpl(CosObj array, ASInt32 index, CosObj value) {
  ENTER(ArrayPut);
  Doc* doc = nullptr;
  QPDFObjectHandle a = ArrayOf(array, doc);
  RequireChangesAllowed(*doc);
  QPDFObjectHandle v = ValueFor(*doc, value);
  if (index < 0) Raise(cosErrBadIndex);
  Q([&] {
    // Putting past the end extends the array with nulls.
    while (a.getArrayNItems() <= index) a.appendItem(QPDFObjectHandle::newNull());
    a.setArrayItem(index, v);
    doc->Changed(a);
    return 0;
  });
}

void CosArrayInsertImpl(CosObj array, ASInt32 index, CosObj value) {
  ENTER(ArrayInsert);
  Doc* doc = nullptr;
  QPDFObjectHandle a = ArrayOf(array, doc);
  RequireChangesAllowed(*doc);
  QPDFObjectHandle v = ValueFor(*doc, value);
  if (index < 0) Raise(cosErrBadIndex);
  Q([&] {
    while (a.getArrayNItems() < index) a.appendItem(QPDFObjectHandle::newNull());
    if (index == a.getArrayNItems())
      a.appendItem(v);
    else
      a.insertItem(index, v);
    doc->Changed(a);
    return 0;
  });
}

ASInt32 CosArrayLengthImpl(CosObj array) {
  ENTER(ArrayLength);
  Doc* doc = nullptr;
  QPDFObjectHandle a = ArrayOf(array, doc);
  return Q([&] { return static_cast<ASInt32>(a.getArrayNItems()); });
}

ASStm CosStreamOpenStmImpl(CosObj stream, ASInt32 mode) {
  ENTER(StreamOpenStm);
  QPDFObjectHandle s = Resolve(stream);
  if (!Q([&] { return s.isStream(); })) Raise(cosErrTypeMismatch);
  return Q([&] { return OpenStreamData(s, mode); });
}

CosObj CosDocGetInfoDictImpl(CosDoc d) {
  ENTER(DocGetInfoDict);
  Doc& doc = DocOf(d);
  return Q([&] {
    QPDFObjectHandle info = doc.qpdf->getTrailer().getKey("/Info");
    return info.isDictionary() ? doc.Wrap(info) : CosObj{0, 0};
  });
}

CosObj CosObjCopyImpl(CosObj source, CosDoc target, ASBool copyIndirect) {
  ENTER(ObjCopy);
  Doc* from = nullptr;
  QPDFObjectHandle h = Resolve(source, &from);
  Doc& into = DocOf(target);
  if (!from) return CosObj{0, 0};
  // A direct copy within its own document adds nothing to it.
  if (h.isIndirect() || from != &into) RequireChangesAllowed(into);
  return Q([&] {
    QPDFObjectHandle copy = CopyDirect(h, *from, into, copyIndirect, true, 0);
    if (h.isIndirect() && !copy.isIndirect()) copy = into.qpdf->makeIndirectObject(copy);
    // A copy nothing refers to yet changes nothing.
    into.Made(copy);
    return into.Wrap(copy);
  });
}

CosObj CosNewNullImpl() {
  ENTER(NewNull);
  return CosObj{0, 0};
}

CosObj CosNewBooleanImpl(CosDoc d, ASBool indirect, ASBool value) {
  ENTER(NewBoolean);
  Doc& doc = NewDocOf(d);
  return Finish(doc, QPDFObjectHandle::newBool(value != 0), indirect);
}

ASBool CosBooleanValueImpl(CosObj obj) {
  ENTER(BooleanValue);
  QPDFObjectHandle h = Resolve(obj);
  return Q([&]() -> ASBool {
    if (!h.isBool()) Raise(cosErrTypeMismatch);
    return h.getBoolValue() ? 1 : 0;
  });
}

const char* CosStringValueImpl(CosObj obj, ASInt32* length) {
  ENTER(StringValue);
  Doc* doc = nullptr;
  QPDFObjectHandle h = Resolve(obj, &doc);
  if (!doc) Raise(cosErrTypeMismatch);
  std::string& cached = doc->stringCache[obj.b];
  cached = Q([&] {
    if (!h.isString()) Raise(cosErrTypeMismatch);
    return h.getStringValue();
  });
  if (length) *length = static_cast<ASInt32>(cached.size());
  return cached.data();
}

ASBool CosObjIsIndirectImpl(CosObj obj) {
  ENTER(ObjIsIndirect);
  QPDFObjectHandle h = Resolve(obj);
  return h.isIndirect() ? 1 : 0;
}

CosID CosObjGetIDImpl(CosObj obj) {
  ENTER(ObjGetID);
  QPDFObjectHandle h = Resolve(obj);
  return h.isIndirect() ? h.getObjectID() : -1;
}

CosGeneration CosObjGetGenerationImpl(CosObj obj) {
  ENTER(ObjGetGeneration);
  QPDFObjectHandle h = Resolve(obj);
  if (!h.isIndirect()) Raise(cosErrTypeMismatch);
  return static_cast<CosGeneration>(h.getGeneration());
}

CosObj CosStreamDictImpl(CosObj stream) {
  ENTER(StreamDict);
  Doc* doc = nullptr;
  QPDFObjectHandle s = Container(stream, doc);
  return Q([&] {
    if (!s.isStream()) Raise(cosErrTypeMismatch);
    return doc->Wrap(s.getDict());
  });
}

ASInt32 CosStreamLengthImpl(CosObj stream) {
  ENTER(StreamLength);
  QPDFObjectHandle s = Resolve(stream);
  return Q([&]() -> ASInt32 {
    if (!s.isStream()) Raise(cosErrTypeMismatch);
    QPDFObjectHandle len = s.getDict().getKey("/Length");
    if (len.isInteger()) return SaturateInt(len.getIntValue());
    return SaturateInt(static_cast<long long>(s.getRawStreamData()->getSize()));
  });
}

CosObj CosDocGetRootImpl(CosDoc d) {
  ENTER(DocGetRoot);
  Doc& doc = DocOf(d);
  return Q([&] { return doc.Wrap(doc.qpdf->getRoot()); });
}

CosObj CosDocGetObjByIDImpl(CosDoc d, CosID id) {
  ENTER(DocGetObjByID);
  Doc& doc = DocOf(d);
  if (id <= 0) Raise(cosErrObjectNotFound);
  return Q([&] {
    // The number alone names the object: take the generation the file gives it.
    const Doc::Listed* listed = doc.ListedEntry(id);
    // The library now knows the number, listed or not.
    doc.highestNumber = std::max(doc.highestNumber, static_cast<int>(id));
    return doc.Wrap(doc.qpdf->getObjectByID(id, listed ? listed->gen : 0));
  });
}

void CosArrayRemoveNthImpl(CosObj array, ASInt32 index) {
  ENTER(ArrayRemoveNth);
  Doc* doc = nullptr;
  QPDFObjectHandle a = ArrayOf(array, doc);
  RequireChangesAllowed(*doc);
  Q([&] {
    if (index < 0 || index >= a.getArrayNItems()) Raise(cosErrBadIndex);
    a.eraseItem(index);
    doc->Changed(a);
    return 0;
  });
}

CosObj CosDocGetTrailerImpl(CosDoc d) {
  ENTER(DocGetTrailer);
  Doc& doc = DocOf(d);
  return Q([&] { return doc.Wrap(doc.qpdf->getTrailer()); });
}

CosDoc CosDocOpenWithParamsImpl(const CosDocOpenParams* params) {
  ENTER(DocOpenWithParams);
  if (!params || params->size < sizeof(ASSize_t) + sizeof(ASUns32) || !params->pathName) Raise(genErrBadParm);
  // Read as written: a malformed file fails instead of being repaired.
  OpenOptions options;
  options.attemptRepair = false;
  return ToCosDoc(OpenFile(PathText(params->pathName), options));
}

void CosDocCloseImpl(CosDoc d) {
  ENTER(DocClose);
  Doc* doc = FindDoc(static_cast<ASUns32>(reinterpret_cast<uintptr_t>(d)));
  if (doc) CloseDocument(ToPDDoc(*doc));
}

ASBool CosDocEnumIndirectImpl(CosDoc d, CosObjEnumProc proc, void* clientData) {
  ENTER(DocEnumIndirect);
  Doc& doc = DocOf(d);
  if (!proc) return 1;
  // Ascending object number; objects that are null (destroyed, missing) are left out.
  std::vector<CosObj> objects = Q([&] {
    std::vector<QPDFObjectHandle> all = doc.qpdf->getAllObjects();
    std::sort(all.begin(), all.end(), [](QPDFObjectHandle& a, QPDFObjectHandle& b) {
      return a.getObjGen() < b.getObjGen();
    });
    std::vector<CosObj> out;
    for (auto& h : all)
      if (!h.isNull()) out.push_back(doc.Wrap(h));
    return out;
  });
  for (const CosObj& obj : objects)
    if (!proc(obj, CosObj{0, 0}, clientData)) return 0;
  return 1;
}

ASUns32 CosDocHandleMarkImpl(CosDoc d) {
  ENTER(DocHandleMark);
  return static_cast<ASUns32>(DocOf(d).slots.size());
}

void CosDocReleaseHandlesImpl(CosDoc d, ASUns32 mark) {
  ENTER(DocReleaseHandles);
  DocOf(d).ReleaseSlots(mark);  // reads no object: nothing for the library to raise
}

ASBool CosDocWasRepairedImpl(CosDoc d) {
  ENTER(DocWasRepaired);
  return DocOf(d).repaired ? 1 : 0;
}

}  // namespace

void InitCosTable() {
  HFT t = NewTable(COS_HFT_NAME, HFT_VERSION(5, 0), CosSel::Last);
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(t, CosSel, Cos##name##Impl, name, ret, params);
  HOST_COS_PROCS(FILL)
#undef FILL
  SetEntry(t, 43, t->entries[CosSel::ObjGetID]);  // where the plug-ins ask for it
  Publish(t);
  RegisterCcittFaxFilter();
}

}  // namespace host
