// Image data decoded piece by piece from the raw bytes the library hands
// over, so that an image never lies whole in memory: Flate and LZW (with
// their predictors), RunLength, ASCIIHex, ASCII85 and DCT (libjpeg, which
// honours /ColorTransform). Decoded bytes are the library's own for every
// stream it decodes.
#pragma once
#include <cstdint>
#include <memory>

#include <qpdf/QPDFObjectHandle.hh>

#include "support/streams.h"

namespace host {

// What an image's dictionary declares its decoded data to be:
// ceil(Width x components x bits / 8) x Height, or 0 when the dictionary
// does not say (no size, a colour space the host does not know).
uint64_t DeclaredImageBytes(QPDFObjectHandle dict);

// The most an image may declare, and a new stream's data be: that data is
// streamed, never held whole (what is held is bound by the cap on data
// held), so this bounds the time and the output of data that would
// decompress without end: 16 times the cap, 3 GiB by default.
uint64_t ImageDataBound();

// The image's data decoded (CosStreamOpenStm mode 2), or null when the
// stream is no image or a filter of its chain is not decoded here. Before
// anything is decoded it raises cosErrDataTooLarge for an image that
// declares more than the bound (or predictor rows past the cap), and
// cosErrReadError for predictor rows longer than the image's whole data, or raw data
// that cannot hold what the image declares. The stream ends where the
// declared data does; bytes past it beyond a margin raise cosErrReadError
// (damaged data), as does a decoding failure.
std::unique_ptr<Stm> OpenImageData(QPDFObjectHandle stream);

// Checks the predictor parameters of a stream's Flate and LZW filters before
// the library decodes it: a row past `rowLimit` bytes raises
// cosErrDataTooLarge (the library would allocate it whole).
void CheckPredictorRows(QPDFObjectHandle dict, uint64_t rowLimit);

// Has the library decode DCTDecode with the host's decoder, in any filter
// chain: one that honours /DecodeParms. Once is enough.
void RegisterDctDecoder();

}  // namespace host
