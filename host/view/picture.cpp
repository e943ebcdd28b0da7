// A page view as a PNG picture. The page is the document as it stands in
// memory, so unsaved edits show; images are drawn as the file holds them,
// whatever alternate the view shows. The rendering lives in a module of its
// own, loaded at the first picture, beside plughost in the build and in
// PREFIX/lib/plughost once installed.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "cos/decoders.h"
#include "cos/docs.h"
#include "cos/filesource.h"
#include "pd/pages.h"
#include "render/render.h"
#include "support/filesys.h"
#include "view/view.h"

namespace host {
namespace {

struct Renderer {
  ZentuRenderOpenFn open = nullptr;
  ZentuRenderPictureFn picture = nullptr;
  ZentuRenderCloseFn close = nullptr;
};

// Loaded once and kept: the renderer registers clean-up to run at exit.
const Renderer& LoadRenderer() {
  static Renderer renderer;
  if (renderer.picture) return renderer;
  const std::string dir = ExecutableFolder();
  std::string why;
  for (const std::string& path : {dir + "/" ZENTU_RENDER_MODULE, dir + "/../lib/plughost/" ZENTU_RENDER_MODULE}) {
    if (::access(path.c_str(), F_OK) != 0) continue;
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!module) {
      why = ::dlerror();
      continue;
    }
    Renderer found{reinterpret_cast<ZentuRenderOpenFn>(::dlsym(module, ZENTU_RENDER_OPEN_SYMBOL)),
                   reinterpret_cast<ZentuRenderPictureFn>(::dlsym(module, ZENTU_RENDER_PICTURE_SYMBOL)),
                   reinterpret_cast<ZentuRenderCloseFn>(::dlsym(module, ZENTU_RENDER_CLOSE_SYMBOL))};
    if (found.open && found.picture && found.close) return renderer = found;
    why = path + " has no " ZENTU_RENDER_PICTURE_SYMBOL;
  }
  throw std::runtime_error("cannot draw a picture: " +
                           (why.empty() ? std::string("the page renderer " ZENTU_RENDER_MODULE " is not beside plughost")
                                        : why));
}

// The document the renderer holds open: the one last pictured, as it stood
// then. Writing a large document and reading it again costs far more than
// a page's rendering, so the next picture of it, while it has not changed,
// renders from this one.
struct Kept {
  ASUns32 docId = 0;
  uint64_t mutations = 0;
  std::string pdf;  // the renderer reads it for as long as it holds it
  ZentuRenderDocument* document = nullptr;
};

Kept& K() {
  static auto* kept = new Kept;
  return *kept;
}

void Release(Kept& kept) {
  if (kept.document) LoadRenderer().close(kept.document);
  kept = Kept();
}

// Poppler takes a crop box without area (other than [0 0 0 0], which it
// passes over) as the page's and draws nothing, where the views show the
// page as without it: the nodes of the pages' trees that hold one, each
// with its value.
std::vector<std::pair<QPDFObjectHandle, QPDFObjectHandle>> CropBoxesWithoutArea(Doc& doc) {
  std::vector<std::pair<QPDFObjectHandle, QPDFObjectHandle>> found;
  std::set<QPDFObjGen> seen;
  for (QPDFObjectHandle node : Pages(doc))
    for (int depth = 0; depth < 64 && node.isDictionary(); ++depth, node = node.getKey("/Parent")) {
      if (node.isIndirect() && !seen.insert(node.getObjGen()).second) break;
      QPDFObjectHandle crop = node.getKey("/CropBox");
      if (!crop.isArray() || crop.getArrayNItems() != 4) continue;
      double v[4];
      bool numbers = true;
      for (int i = 0; i < 4 && numbers; ++i)
        if ((numbers = crop.getArrayItem(i).isNumber())) v[i] = crop.getArrayItem(i).getNumericValue();
      if (numbers && (v[0] == v[2] || v[1] == v[3]) && !(v[0] == 0 && v[1] == 0 && v[2] == 0 && v[3] == 0))
        found.emplace_back(node, crop);
    }
  return found;
}

ZentuRenderDocument* RenderedDocument(const Renderer& renderer, Doc& doc, ASInt32 page) {
  Kept& kept = K();
  if (kept.document && kept.docId == doc.id && kept.mutations == doc.mutations) return kept.document;
  Release(kept);
  auto flat = CropBoxesWithoutArea(doc);
  // A document as it was read from a file poppler reads as it is: that file,
  // which poppler reads only as far as the pages need, as pdftocairo does.
  // Else the document written out, unencrypted, for poppler to read without
  // a password.
  const bool asRead = doc.mutations == 0 && doc.fileFd >= 0 && !doc.memoryData && !doc.repaired &&
                      !doc.qpdf->isEncrypted() && flat.empty();
  auto fault = [&](const std::string& why) {
    kept = Kept();
    return std::runtime_error("cannot render page " + std::to_string(page + 1) + ": " + why);
  };
  // The renderer reads the file itself: what the host kept of it gives way.
  if (doc.source) doc.source->Forget();
  char why[512] = "";
  if (asRead) {
    const int fd = ::fcntl(doc.fileFd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) throw fault(std::strerror(errno));
    kept.document = renderer.open(nullptr, 0, fd, why, sizeof why);
  } else {
    // Written without those crop boxes, which are put back at once.
    for (auto& node : flat) node.first.removeKey("/CropBox");
    try {
      kept.pdf = WrittenInMemory(*doc.qpdf, true);
    } catch (...) {
      for (auto& node : flat) node.first.replaceKey("/CropBox", node.second);
      throw;
    }
    for (auto& node : flat) node.first.replaceKey("/CropBox", node.second);
    kept.document = renderer.open(kept.pdf.data(), kept.pdf.size(), -1, why, sizeof why);
  }
  if (!kept.document) throw fault(why);
  kept.docId = doc.id;
  kept.mutations = doc.mutations;
  return kept.document;
}

struct PngSink {
  int fd;
  int err;
};

int WriteTo(void* closure, const unsigned char* data, unsigned int length) {
  auto* sink = static_cast<PngSink*>(closure);
  return sink->err = WriteFully(sink->fd, data, length);
}

// The decoded bytes an image's dictionary declares: width, height, its
// colour space's components (four when unknown, as the most any has here)
// and bits per component.
double DeclaredBytes(QPDFObjectHandle dict) {
  auto number = [&](const char* key, double otherwise) {
    QPDFObjectHandle n = dict.getKey(key);
    return n.isInteger() && n.getIntValue() > 0 ? static_cast<double>(n.getIntValue()) : otherwise;
  };
  const bool mask = dict.getKey("/ImageMask").isBool() && dict.getKey("/ImageMask").getBoolValue();
  const int components = mask ? 1 : ColorSpaceComponents(dict.getKey("/ColorSpace"));
  const double bits = mask ? 1 : number("/BitsPerComponent", 8);
  return number("/Width", 1) * number("/Height", 1) * (components > 0 ? components : 4) * bits / 8;
}

// A stream's data as the file holds it; "" when it cannot be read (the
// renderer then finds nothing to decode either).
std::string RawData(QPDFObjectHandle stream) {
  try {
    const std::shared_ptr<Buffer> raw = stream.getRawStreamData();
    return std::string(reinterpret_cast<const char*>(raw->getBuffer()), raw->getSize());
  } catch (const std::runtime_error&) {
    return "";
  }
}

// Poppler decodes an image whole, whatever it costs: the first image the
// page's resources (and its forms', and theirs) hold whose declared data
// passes the host's decoded-data cap, as the note that the page is not
// pictured; "" when there is none.
std::string OversizedImage(Doc& doc, ASInt32 page) {
  const std::vector<QPDFObjectHandle>& pages = Pages(doc);
  if (page < 0 || static_cast<size_t>(page) >= pages.size()) return "";
  std::vector<QPDFObjectHandle> open{InheritedResources(pages[page])};
  std::set<QPDFObjGen> seen;
  const double cap = static_cast<double>(DecodedDataCap());
  for (size_t visits = 0; !open.empty() && visits < 100000; ++visits) {
    QPDFObjectHandle xobjects = open.back().isDictionary() ? open.back().getKey("/XObject") : QPDFObjectHandle();
    open.pop_back();
    if (!xobjects.isDictionary()) continue;
    for (const std::string& name : xobjects.getKeys()) {
      QPDFObjectHandle x = xobjects.getKey(name);
      if (!x.isStream() || (x.isIndirect() && !seen.insert(x.getObjGen()).second)) continue;
      QPDFObjectHandle dict = x.getDict();
      if (dict.getKey("/Subtype").isNameAndEquals("/Form")) open.push_back(dict.getKey("/Resources"));
      if (!dict.getKey("/Subtype").isNameAndEquals("/Image")) continue;
      // JPX data declares its canvas in its own header, which the renderer
      // takes, whatever the dictionary says.
      QPDFObjectHandle filter = dict.getKey("/Filter");
      const bool jpxAlone = filter.isNameAndEquals("/JPXDecode") ||
                            (filter.isArray() && filter.getArrayNItems() == 1 &&
                             filter.getArrayItem(0).isNameAndEquals("/JPXDecode"));
      if (DeclaredBytes(dict) <= cap && !(jpxAlone && JpxDeclaresTooMuch(RawData(x)))) continue;
      return "page " + std::to_string(page + 1) + " is not pictured: the decoded data of its image " +
             (x.isIndirect() ? "(object " + std::to_string(x.getObjectID()) + ") " : "") +
             "is larger than the host allows";
    }
  }
  return "";
}

}  // namespace

std::string WritePicture(ASUns32 docId, ASInt32 page, const std::vector<std::string>& list, const std::string& path) {
  Doc* doc = FindDoc(docId);
  if (!doc) throw std::runtime_error("cannot draw: the document is closed");
  auto fault = [&](const std::string& why) { return std::runtime_error("cannot write " + path + ": " + why); };
  // A picture never takes the place of a document, under any of its names.
  if (!OpenDocumentAt(path).empty()) throw fault("it is an open document");
  const std::string oversized = OversizedImage(*doc, page);
  if (!oversized.empty()) return oversized;
  const Renderer& renderer = LoadRenderer();
  ZentuRenderDocument* document = RenderedDocument(renderer, *doc, page);
  std::vector<const char*> lines;
  lines.reserve(list.size());
  for (const std::string& line : list) lines.push_back(line.c_str());
  FileReplacement out;
  if (int err = out.Begin(path, FileReplacement::Mode::Inherit))
    throw fault(err == EINVAL ? "not a regular file" : std::strerror(err));
  PngSink sink{out.fd(), 0};
  char why[512] = "";
  switch (renderer.picture(document, page, ViewZoom(), lines.data(), lines.size(), WriteTo, &sink, why, sizeof why)) {
    case kZentuPictureDone:
      break;
    case kZentuPictureRenderFault:
      throw std::runtime_error(why);
    default:
      throw fault(sink.err ? std::strerror(sink.err) : why);
  }
  if (int err = out.Commit()) throw fault(std::strerror(err));
  return "";
}

std::string OpenDocumentAt(const std::string& path, PDDoc except) {
  const std::string landing = LandingKey(path);
  for (ASUns32 id : OpenDocIds()) {
    const Doc* open = FindDoc(id);
    if (open && !open->path.empty() && (!except || id != DocOf(except).id) && LandingKey(open->path) == landing)
      return open->path;
  }
  return "";
}

void ForgetPicturesOf(ASUns32 docId) {
  if (K().docId == docId) Release(K());
}

}  // namespace host
