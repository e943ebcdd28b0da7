// CCITT fax coding of one-bit rows: group 3 one- and two-dimensional and
// group 4, as PDF's CCITTFaxDecode names them. Internal to the host.
#pragma once
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

class QPDFObjectHandle;  // no library header here: tests and benchmarks include this

namespace host {

struct CcittParams {
  long long k = 0;  // < 0 group 4; 0 group 3 1-D; > 0 group 3 with 2-D rows
  long long columns = 1728;
  long long rows = 0;  // 0: until the end of the block or the data
  bool blackIs1 = false;
  bool encodedByteAlign = false;
  bool endOfLine = false;
  bool endOfBlock = true;
};

// Damaged coded data.
struct CcittError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The parameters of a DecodeParms dictionary (null: the defaults); false
// when they are not ones the codec can serve.
bool CcittParamsFrom(QPDFObjectHandle parms, CcittParams* out);

// Rows of packed samples, (columns + 7) / 8 bytes each; the data must be
// whole rows. The coded data ends with an end-of-block pattern.
std::string CcittEncode(const std::string& rows, const CcittParams& params);

// The next piece of coded data: its bytes, which stay valid until the next
// call, and their number (0 at the end).
using CcittSource = std::function<std::pair<const unsigned char*, size_t>()>;

// Decodes row by row, taking coded data as the rows need it, so that what
// it holds stays small whatever the image's size.
class CcittDecoder {
 public:
  CcittDecoder(const CcittParams& params, CcittSource more);
  ~CcittDecoder();
  CcittDecoder(const CcittDecoder&) = delete;
  CcittDecoder& operator=(const CcittDecoder&) = delete;
  // The next row, (columns + 7) / 8 bytes, into `row`; false once the data
  // or the block ends (data that ends early gives the rows finished until
  // then). A code that is no code throws CcittError.
  bool Next(unsigned char* row);

 private:
  struct State;
  std::unique_ptr<State> s_;
};

// Decodes, handing each row to `row` as it is made. Data that ends early
// gives the rows finished until then; a code that is no code throws
// CcittError.
void CcittDecode(const unsigned char* data, size_t size, const CcittParams& params,
                 const std::function<void(const unsigned char*, size_t)>& row);

// Lets the library decode CCITTFaxDecode in any filter chain.
void RegisterCcittFaxFilter();

}  // namespace host
