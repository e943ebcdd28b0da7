#include "engine/ICCProfileFixer.h"

#include "engine/Conformance.h"
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
  // An output intent's profile: the standard's profile of its condition
  // first; when the standard has none, the built-in one as for a colour space.
  const boost::shared_ptr<ObjectNode>& holder = context.error->GetObjectNode();
  if (holder && holder->object.CachedType() == CosDict && context.walker) {
    boost::shared_ptr<Conformance> standard = context.walker->GetConformance();
    if (standard && standard->ReplaceDestinationProfile(*context.walker, holder->object) == 2) return 2;
  }
  if (!ModifyProfile(interactive)) return 1;
  // What the check of the saved file would refuse is not written: the
  // record stays open, and the verdict after the repair is the file's.
  const boost::shared_ptr<Conformance> standard = context.walker ? context.walker->GetConformance() : nullptr;
  if (standard && !profile_.MeetsStandard(standard->name)) return 1;
  const MyCosObj old = profile_.GetProfileNode() ? profile_.GetProfileNode()->object : MyCosObj();
  if (!profile_.WriteToCosStream()) return 1;
  if (context.walker) context.walker->RecordReference(old, profile_.GetStream(), nullptr, 0);
  return 2;
}

ReplaceProfileFixer::~ReplaceProfileFixer() = default;

bool ReplaceProfileFixer::ModifyProfile(bool) { return profile_.ReplaceWithBuiltIn(); }

}  // namespace Zentu
