// Encoding of new stream data with the filters its dictionary names.
#pragma once
#include <string>

#include <qpdf/QPDFObjectHandle.hh>

namespace host {
// `filter` is a name, an array of names or null; `parms` the parameters of
// each (a dictionary, an array of them, or null). A filter the host cannot
// encode raises cosErrCannotEncode: data is never written mislabelled.
std::string EncodeStreamData(const std::string& data, QPDFObjectHandle filter,
                             QPDFObjectHandle parms);
}  // namespace host
