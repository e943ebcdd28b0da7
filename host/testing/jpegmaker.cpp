#include "testing/jpegmaker.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace hosttest {
namespace {

// Only our own specifications reach the compressor: a failure is a fault of the test.
void Fail(j_common_ptr cinfo) {
  char message[JMSG_LENGTH_MAX];
  cinfo->err->format_message(cinfo, message);
  std::fprintf(stderr, "MakeJpeg: %s\n", message);
  std::abort();
}

}  // namespace

std::string MakeJpeg(const JpegSpec& spec, const std::function<void(int, unsigned char*)>& row) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  err.error_exit = Fail;
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &out, &size);
  cinfo.image_width = static_cast<JDIMENSION>(spec.width);
  cinfo.image_height = static_cast<JDIMENSION>(spec.height);
  cinfo.input_components = spec.components;
  const J_COLOR_SPACE given = spec.components == 1 ? JCS_GRAYSCALE : spec.components == 3 ? JCS_RGB : JCS_CMYK;
  cinfo.in_color_space = given;
  jpeg_set_defaults(&cinfo);
  J_COLOR_SPACE stored = given;
  if (spec.transform && spec.components == 3) stored = JCS_YCbCr;
  if (spec.transform && spec.components == 4) stored = JCS_YCCK;
  jpeg_set_colorspace(&cinfo, stored);
  jpeg_set_quality(&cinfo, spec.quality, TRUE);
  if (spec.adobe != JpegSpec::Adobe::Default) cinfo.write_Adobe_marker = spec.adobe == JpegSpec::Adobe::Written;
  if (spec.components == 3) {
    // No JFIF marker unless the data is YCbCr: it would name the transform.
    cinfo.write_JFIF_header = stored == JCS_YCbCr && !spec.rgbIds;
    for (int c = 0; c < 3; ++c) cinfo.comp_info[c].component_id = spec.rgbIds ? "RGB"[c] : c + 1;
  }
  if (spec.progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<unsigned char> samples(static_cast<size_t>(spec.width) * spec.components);
  while (cinfo.next_scanline < cinfo.image_height) {
    row(static_cast<int>(cinfo.next_scanline), samples.data());
    JSAMPROW rows[] = {samples.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string data(reinterpret_cast<const char*>(out), size);
  std::free(out);
  return data;
}

}  // namespace hosttest
