// Encoding of new stream data with the filters its dictionary names.
#pragma once
#include <string>

#include <qpdf/QPDFObjectHandle.hh>

namespace host {
// `filter` is a name, an array of names or null; `parms` the parameters of
// each (a dictionary, an array of them, or null); `dict` the stream's
// dictionary (its BitsPerComponent, Width and Height). A filter the host
// cannot encode for this data raises cosErrCannotEncode, with a failure
// detail naming it: data is never written mislabelled.
std::string EncodeStreamData(const std::string& data, QPDFObjectHandle filter, QPDFObjectHandle parms,
                             QPDFObjectHandle dict);
}  // namespace host
