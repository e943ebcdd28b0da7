#include "cos/encode.h"

#include <qpdf/Pl_Flate.hh>
#include <qpdf/Pl_String.hh>

#include "core/host.h"

namespace host {
namespace {

QPDFObjectHandle Nth(QPDFObjectHandle obj, int i) {
  if (obj.isArray()) return i < obj.getArrayNItems() ? obj.getArrayItem(i) : QPDFObjectHandle::newNull();
  return i == 0 ? obj : QPDFObjectHandle::newNull();
}

std::string Flate(const std::string& data, QPDFObjectHandle parms) {
  if (parms.isDictionary() && parms.getKey("/Predictor").isInteger() &&
      parms.getKey("/Predictor").getIntValue() > 1)
    Raise(cosErrCannotEncode);
  std::string out;
  Pl_String sink("flate-out", nullptr, out);
  Pl_Flate flate("flate", &sink, Pl_Flate::a_deflate);
  flate.write(reinterpret_cast<const unsigned char*>(data.data()), data.size());
  flate.finish();
  return out;
}

std::string EncodeOne(const std::string& data, const std::string& name, QPDFObjectHandle parms) {
  if (name == "/FlateDecode" || name == "/Fl") return Flate(data, parms);
  Raise(cosErrCannotEncode);
}

}  // namespace

std::string EncodeStreamData(const std::string& data, QPDFObjectHandle filter,
                             QPDFObjectHandle parms) {
  if (filter.isNull()) return data;
  if (!filter.isName() && !filter.isArray()) Raise(cosErrCannotEncode);
  int n = filter.isArray() ? filter.getArrayNItems() : 1;
  // The first filter named is the first applied when decoding, so encode
  // from the last to the first.
  std::string out = data;
  for (int i = n - 1; i >= 0; --i) {
    QPDFObjectHandle f = Nth(filter, i);
    if (!f.isName()) Raise(cosErrCannotEncode);
    out = EncodeOne(out, f.getName(), Nth(parms, i));
  }
  return out;
}

}  // namespace host
