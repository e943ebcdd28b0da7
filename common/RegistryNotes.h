// Texts that every preference store shows the user of a registry fault.
#pragma once
#include <string>

#include "host/frame.h"

namespace Zentu {

// The system's description of a registry error, or the host's text for a
// raised error.
std::string RegistryErrorDescription(const HostRegionResult& raised, ASInt32 status);
// The note of a value that is not a text; a zero byte in the name is shown as "\0".
void InvalidKeyNote(const std::string& name);

}  // namespace Zentu
