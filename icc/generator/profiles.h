// The profiles the generator writes, each made by our ICC library from a
// simple model of our own; none is copied from anywhere.
#ifndef ZENTU_ICC_GENERATOR_PROFILES_H
#define ZENTU_ICC_GENERATOR_PROFILES_H

#include <stdexcept>
#include <string>
#include <vector>

namespace profilegen {

using Bytes = std::vector<unsigned char>;

// A failure of the library while a profile is made, with its message.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct NamedProfile {
    std::string name;  // file name
    Bytes data;
};

// The two built-in output profiles: the gray one (resource 110) and the
// CMYK one (resource 112).
Bytes builtin_gray();
Bytes builtin_cmyk();

// The profile files of the reference printing conditions: six CMYK output
// profiles and one RGB display profile.
std::vector<NamedProfile> condition_profiles();

// The CMYK output profile of a press condition no registry lists, made as
// those of the reference conditions; its description is `kSamplePress`.
extern const char kSamplePress[];
Bytes sample_press();

}  // namespace profilegen

#endif
