// What an encrypted document lets its holder do, and the refusal of a
// change it does not allow. Internal to the host.
#pragma once
#include "cos/docs.h"

namespace host {

// The pdPerm... bits an encryption grants to the user password.
ASInt32 GrantedPermissions(QPDF& qpdf);
// The document as opened: without encryption, or opened with the owner
// password (or given it since), every bit; else what the encryption grants.
ASInt32 DocPermissions(Doc& doc);
// Raises pdErrNotPermitted unless the document may be changed.
void RequireChangesAllowed(Doc& doc);

}  // namespace host
