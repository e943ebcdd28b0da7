// PDModel 345: the image the host draws for an image XObject. The host's own
// answer is the image itself; a plug-in may replace the entry to draw an
// alternate instead.
#include "cos/docs.h"
#include "host/procs.h"
#include "pd/pages.h"

namespace host {

CosObj PDImageSelectAlternateImpl(CosObj image, ASBool, void*, ASBool*, void*) {
  Enter(TableId::PDModel, PDModelSel::ImageSelectAlternate);
  QPDFObjectHandle h = Resolve(image);
  const bool isImage = Q([&] { return h.isStream() && h.getDict().getKey("/Subtype").isNameAndEquals("/Image"); });
  return isImage ? image : CosObj{};
}

}  // namespace host
