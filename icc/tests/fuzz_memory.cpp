// The whole read of a profile in memory, over every mutant.
#include "fuzz_framework.h"

#include "icc/icc_memory.h"

namespace {

int read_memory(icc *p, const uint8_t *data, size_t len) {
    return icc_read_memory(p, data, (unsigned int)len);
}

ICC_FUZZ_READER("icc_read_memory", read_memory);

}  // namespace
