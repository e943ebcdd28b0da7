// libjpeg's failures as the host's JPEG coders take them: a jump back to the
// call that met one, with its message. Internal to the host.
#pragma once
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace host {

struct JpegFailure {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

// libjpeg's error exit; no C++ object may live between the setjmp and it.
inline void JpegExit(j_common_ptr cinfo) {
  auto* failure = reinterpret_cast<JpegFailure*>(cinfo->err);
  cinfo->err->format_message(cinfo, failure->message);
  std::longjmp(failure->jump, 1);
}

}  // namespace host
