// Stream filters the PDF library does not decode itself, decoded by the host
// for the plug-ins: JBIG2Decode (jbig2dec) and JPXDecode (OpenJPEG).
#pragma once
#include <cstdint>
#include <string>

#include <qpdf/QPDFObjectHandle.hh>

namespace host {

// Registers the host's decoders with the library; once is enough, later
// calls do nothing.
void RegisterStreamDecoders();

// While one lives, the stream decoded on this thread is the one of `dict`:
// a JPX image must have exactly `components` colour components (0: no colour
// space the host knows, so it cannot be decoded; -1: not asked), and neither
// decoder makes a canvas larger than the /Width and /Height it declares.
class DecodingImage {
 public:
  DecodingImage(QPDFObjectHandle dict, int components);
  ~DecodingImage();
  DecodingImage(const DecodingImage&) = delete;
  DecodingImage& operator=(const DecodingImage&) = delete;
  // Why the JBIG2 or JPX decoder refused the data since this was made ("":
  // it did not), which the library keeps to itself.
  static const std::string& Failure();

  struct Declared {
    int components = -1;
    bool indexed = false;
    uint64_t width = 0, height = 0;  // 0: not declared
  };

 private:
  Declared previous_;
};

// Whether the canvas a JPX file or codestream declares in its header is more
// than the host decodes (false when the header cannot be read).
bool JpxDeclaresTooMuch(const std::string& encoded);

// Whether the stream dictionary's /Filter names `wanted` ("/JPXDecode").
bool HasFilter(QPDFObjectHandle dict, const std::string& wanted);

// The number of colour components of an image colour space; 0 when unknown.
int ColorSpaceComponents(QPDFObjectHandle space);

}  // namespace host
