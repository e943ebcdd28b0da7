// Encoding of new stream data with the filters its dictionary names.
#pragma once
#include <memory>
#include <string>

#include <qpdf/QPDFObjectHandle.hh>

#include "core/host.h"
#include "cos/spill.h"

namespace host {

struct Doc;

// Encodes data given piece by piece into `sink`, holding none of it.
// `filter` is a name, an array of names or null; `parms` the parameters of
// each (a dictionary, an array of them, or null); `dict` the stream's
// dictionary (its BitsPerComponent, Width and Height). A filter the host
// cannot encode for this data raises cosErrCannotEncode, with a failure
// detail naming it: data is never written mislabelled.
class StreamEncoder {
 public:
  StreamEncoder(QPDFObjectHandle filter, QPDFObjectHandle parms, QPDFObjectHandle dict, Pipeline* sink);
  ~StreamEncoder();
  StreamEncoder(const StreamEncoder&) = delete;
  StreamEncoder& operator=(const StreamEncoder&) = delete;
  void Write(const unsigned char* data, size_t size);
  // Once every piece is written.
  void Finish();

 private:
  struct Chain;
  std::unique_ptr<Chain> chain_;
};

// All of `data` at once.
std::string EncodeStreamData(const std::string& data, QPDFObjectHandle filter, QPDFObjectHandle parms,
                             QPDFObjectHandle dict);

// The data of a new stream (CosNewStream), read from `source` after `start`
// bytes: `length` of them, or all when negative. Unless `encoded`, it is
// encoded with the filters `dict` names (with `parms`, else the
// dictionary's DecodeParms) as it is read, to where the document keeps it
// (cos/spill.h); data kept as given is read straight there. Raises
// cosErrDataTooLarge before reading for a length past the bound on
// decoded data, and while reading for more than the host holds;
// cosErrReadError for a source that ends before its length (first, before
// any error of the encoding). A plug-in exception from a procedural source
// passes through.
std::unique_ptr<StreamBytes> NewStreamData(Doc& doc, ASStm source, long long start, long long length, bool encoded,
                                           QPDFObjectHandle dict, QPDFObjectHandle parms);

}  // namespace host
