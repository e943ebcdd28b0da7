// Stream filters the PDF library does not decode itself, decoded by the host
// for the plug-ins: JBIG2Decode (jbig2dec) and JPXDecode (OpenJPEG).
#pragma once
#include <string>

#include <qpdf/QPDFObjectHandle.hh>

namespace host {

// Registers the host's decoders with the library; once is enough, later
// calls do nothing.
void RegisterStreamDecoders();

// While one lives, a JPX image decoded on this thread must have exactly
// `components` colour components (0: no colour space the host knows, so it
// cannot be decoded).
class JpxComponents {
 public:
  explicit JpxComponents(int components);
  ~JpxComponents();
  JpxComponents(const JpxComponents&) = delete;
  JpxComponents& operator=(const JpxComponents&) = delete;

 private:
  int previous_;
};

// The number of colour components of an image colour space; 0 when unknown.
int ColorSpaceComponents(QPDFObjectHandle space);

}  // namespace host
