// A page view as a PNG picture. The page is the document as it stands in
// memory, so unsaved edits show; images are drawn as the file holds them,
// whatever alternate the view shows. The rendering lives in a module of its
// own, loaded at the first picture, beside plughost in the build and in
// PREFIX/lib/plughost once installed.
#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "cos/docs.h"
#include "render/render.h"
#include "support/filesys.h"
#include "view/view.h"

namespace host {
namespace {

// Loaded once and kept: the renderer registers clean-up to run at exit.
ZentuRenderPictureFn Renderer() {
  static ZentuRenderPictureFn render = nullptr;
  if (render) return render;
  const std::string dir = ExecutableFolder();
  std::string why;
  for (const std::string& path : {dir + "/" ZENTU_RENDER_MODULE, dir + "/../lib/plughost/" ZENTU_RENDER_MODULE}) {
    if (::access(path.c_str(), F_OK) != 0) continue;
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!module) {
      why = ::dlerror();
      continue;
    }
    render = reinterpret_cast<ZentuRenderPictureFn>(::dlsym(module, ZENTU_RENDER_PICTURE_SYMBOL));
    if (render) return render;
    why = path + " has no " ZENTU_RENDER_PICTURE_SYMBOL;
  }
  throw std::runtime_error("cannot draw a picture: " +
                           (why.empty() ? std::string("the page renderer " ZENTU_RENDER_MODULE " is not beside plughost")
                                        : why));
}

struct PngSink {
  int fd;
  int err;
};

int WriteTo(void* closure, const unsigned char* data, unsigned int length) {
  auto* sink = static_cast<PngSink*>(closure);
  return sink->err = WriteFully(sink->fd, data, length);
}

}  // namespace

void WritePicture(ASUns32 docId, ASInt32 page, const std::vector<std::string>& list, const std::string& path) {
  Doc* doc = FindDoc(docId);
  if (!doc) throw std::runtime_error("cannot draw: the document is closed");
  const ZentuRenderPictureFn render = Renderer();
  // Unencrypted, for poppler to read without a password.
  const std::string pdf = WrittenInMemory(*doc->qpdf, true);
  std::vector<const char*> lines;
  lines.reserve(list.size());
  for (const std::string& line : list) lines.push_back(line.c_str());
  auto fault = [&](const std::string& why) { return std::runtime_error("cannot write " + path + ": " + why); };
  FileReplacement out;
  if (int err = out.Begin(path, FileReplacement::Mode::Inherit))
    throw fault(err == EINVAL ? "not a regular file" : std::strerror(err));
  PngSink sink{out.fd(), 0};
  char why[512] = "";
  switch (render(pdf.data(), pdf.size(), page, ViewZoom(), lines.data(), lines.size(), WriteTo, &sink, why,
                 sizeof why)) {
    case kZentuPictureDone:
      break;
    case kZentuPictureRenderFault:
      throw std::runtime_error(why);
    default:
      throw fault(sink.err ? std::strerror(sink.err) : why);
  }
  if (int err = out.Commit()) throw fault(std::strerror(err));
}

}  // namespace host
