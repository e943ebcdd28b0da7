#include "engine/ICCProfileFixer.h"

#include "engine/ObjectNode.h"
#include "engine/PDFXPreflight.h"
#include "engine/PDFX_Error.h"

namespace Zentu {

ICCProfileFixer::ICCProfileFixer()
    : profile_(boost::shared_ptr<ObjectNode>(), boost::shared_ptr<ObjectNode>()) {}

ICCProfileFixer::~ICCProfileFixer() = default;

int ICCProfileFixer::FixIt(FixContext& context, bool interactive) {
  if (!context.error) return 1;
  profile_.SetSource(context.error->GetContainerNode(), context.error->GetObjectNode());
  if (!ModifyProfile(interactive)) return 1;
  const MyCosObj old = profile_.GetProfileNode() ? profile_.GetProfileNode()->object : MyCosObj();
  if (!profile_.WriteToCosStream()) return 1;
  if (context.walker) context.walker->RecordReference(old, profile_.GetStream(), nullptr, 0);
  return 2;
}

ReplaceProfileFixer::~ReplaceProfileFixer() = default;

bool ReplaceProfileFixer::ModifyProfile(bool) { return profile_.ReplaceWithBuiltIn(); }

}  // namespace Zentu
