// The PDF/X standards of the checker, registered when the module loads and
// let go when it unloads. Registration is an explicit call: a static
// library's objects that nothing names are left out of the link.
#pragma once

namespace Zentu {

// Makes the shared fixers (again after an unload) and registers
// "PDF/X-1a:2001", then "PDF/X-3". A second call registers nothing more.
void LoadStandards();
// Empties the registry of standards and the feature table and lets go of
// the shared fixers; a record that still holds a fixer keeps it alive.
void UnloadStandards();

}  // namespace Zentu
