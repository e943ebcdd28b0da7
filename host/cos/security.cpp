#include "cos/security.h"

namespace host {
namespace {
int gRefused = 0;
}  // namespace

ASInt32 GrantedPermissions(QPDF& q) {
  ASInt32 bits = pdPermOpen;
  if (q.allowPrintLowRes()) bits |= pdPermPrint;
  if (q.allowModifyOther()) bits |= pdPermEdit;
  if (q.allowExtractAll()) bits |= pdPermCopy;
  if (q.allowModifyAnnotation()) bits |= pdPermEditNotes;
  return bits;
}

ASInt32 DocPermissions(Doc& doc) {
  return Q([&]() -> ASInt32 {
    QPDF& q = *doc.qpdf;
    if (!q.isEncrypted() || q.ownerPasswordMatched() || doc.ownerGranted) return pdPermAll;
    return GrantedPermissions(q);
  });
}

void RequireChangesAllowed(Doc& doc) {
  if (DocPermissions(doc) & pdPermEdit) return;
  ++gRefused;
  Raise(pdErrNotPermitted);
}

bool ChangesAllowed(PDDoc d) { return (DocPermissions(DocOf(d)) & pdPermEdit) != 0; }

int RefusedChanges() { return gRefused; }

}  // namespace host
