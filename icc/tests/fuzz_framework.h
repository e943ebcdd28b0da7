// Fuzz-style test of the ICC library: seeds, their mutants, and what each
// tag type adds to them.
//
// A file that builds a tag type adds, in its own fuzz_*.cpp:
//   ICC_FUZZ_SEED("curves", build_fn);        // a profile the library writes
//   ICC_FUZZ_COUNT_FIELDS("curv", fields_fn); // where the type keeps counts
// A whole-profile reader of its own adds ICC_FUZZ_READER("name", read_fn):
// it reads every mutant into a new profile object and must answer 0, or 1
// or 2 with a message, like the library's own read.
// The mutants then cover the new seeds and the type's count fields. When the
// test runs longer, lower kFlips in fuzz_framework.cpp; keep the truncations.
#ifndef ZENTU_ICC_TESTS_FUZZ_FRAMEWORK_H
#define ZENTU_ICC_TESTS_FUZZ_FRAMEWORK_H

#include "support.h"

#include <cstddef>
#include <vector>

namespace iccfuzz {

using icctest::Bytes;

// A count (or length) field inside a tag: offset from the tag's start and
// width in bytes (1, 2 or 4).
struct CountField {
    size_t offset;
    int width;
};

// Builds a seed profile with the library; an empty result fails the test.
using SeedBuilder = Bytes (*)();
// The count fields of one tag, given its bytes (len may be short: stay inside).
using CountFieldsFn = std::vector<CountField> (*)(const uint8_t *tag, size_t len);

// Reads the len bytes at data into the new profile p; answers its code.
using MutantReader = int (*)(icc *p, const uint8_t *data, size_t len);

bool add_seed(const char *name, SeedBuilder build);
bool add_reader(const char *name, MutantReader read);
bool add_count_fields(const char *ttype, CountFieldsFn fields);

}  // namespace iccfuzz

#define ICC_FUZZ_CAT2(a, b) a##b
#define ICC_FUZZ_CAT(a, b) ICC_FUZZ_CAT2(a, b)
#define ICC_FUZZ_SEED(name, fn) \
    static const bool ICC_FUZZ_CAT(icc_fuzz_seed_, __LINE__) = iccfuzz::add_seed(name, fn)
#define ICC_FUZZ_READER(name, fn) \
    static const bool ICC_FUZZ_CAT(icc_fuzz_reader_, __LINE__) = iccfuzz::add_reader(name, fn)
#define ICC_FUZZ_COUNT_FIELDS(ttype, fn) \
    static const bool ICC_FUZZ_CAT(icc_fuzz_fields_, __LINE__) = iccfuzz::add_count_fields(ttype, fn)

#endif
