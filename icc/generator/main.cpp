// Writes the profiles the checker needs, at build time:
//   --resources FILE   the built-in profiles as a C++ source of the engine
//                      (the resources "ICCPROFILE" 110 and 112)
//   --builtins DIR     the same two profiles as files, for inspection
//   --conditions DIR   the profile files of the reference printing conditions
// Each profile is made by our ICC library and checked before it is written.
#include "profiles.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

namespace fs = std::filesystem;
using profilegen::Bytes;

namespace {

const char kBuiltinGray[] = "ICCPROFILE 110.icc";
const char kBuiltinCmyk[] = "ICCPROFILE 112.icc";

// Whole or not at all: the bytes go to a file beside the target, then over it.
void write_file(const fs::path &path, const std::string &bytes) {
    if (path.has_parent_path())
        fs::create_directories(path.parent_path());
    const fs::path part = path.string() + ".part";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), (std::streamsize)bytes.size());
        out.close();
        if (!out)
            throw profilegen::Failure("cannot write " + part.string());
    }
    fs::rename(part, path);
}

std::string as_text(const Bytes &data) {
    return std::string(data.begin(), data.end());
}

void byte_array(std::ostream &out, const char *name, const Bytes &data) {
    out << "const unsigned char " << name << "[" << data.size() << "] = {";
    for (size_t i = 0; i < data.size(); i++) {
        if (i % 16 == 0)
            out << "\n   ";
        char hex[8];
        std::snprintf(hex, sizeof hex, " 0x%02x,", data[i]);
        out << hex;
    }
    out << "\n};\n\n";
}

std::string resource_source(const Bytes &gray, const Bytes &cmyk) {
    std::ostringstream out;
    out << "// Written by icc_profile_generator at build time; not kept in the sources.\n"
           "// The built-in ICC profiles, resources \"ICCPROFILE\" 110 (gray) and 112 (CMYK).\n"
           "#include \"engine/ProfileResources.h\"\n\n"
           "namespace {\n\n";
    byte_array(out, "kGray", gray);
    byte_array(out, "kCmyk", cmyk);
    out << "const PIBinaryResource kProfiles[] = {\n"
           "    {\"ICCPROFILE\", 110, kGray, sizeof kGray},\n"
           "    {\"ICCPROFILE\", 112, kCmyk, sizeof kCmyk},\n"
           "};\n\n"
           "}  // namespace\n\n"
           "const PIResourceTable kICCProfileResources = {nullptr, 0, nullptr, 0, kProfiles, PI_COUNT_OF(kProfiles)};\n";
    return out.str();
}

int usage() {
    std::cerr << "usage: icc_profile_generator [--resources FILE] [--builtins DIR] [--conditions DIR]\n";
    return 2;
}

}  // namespace

int main(int argc, char **argv) {
    std::string resources, builtins, conditions;
    for (int i = 1; i < argc; i++) {
        const std::string arg = argv[i];
        if (i + 1 >= argc)
            return usage();
        if (arg == "--resources")
            resources = argv[++i];
        else if (arg == "--builtins")
            builtins = argv[++i];
        else if (arg == "--conditions")
            conditions = argv[++i];
        else
            return usage();
    }
    if (resources.empty() && builtins.empty() && conditions.empty())
        return usage();
    try {
        if (!resources.empty() || !builtins.empty()) {
            const Bytes gray = profilegen::builtin_gray();
            const Bytes cmyk = profilegen::builtin_cmyk();
            if (!resources.empty())
                write_file(resources, resource_source(gray, cmyk));
            if (!builtins.empty()) {
                write_file(fs::path(builtins) / kBuiltinGray, as_text(gray));
                write_file(fs::path(builtins) / kBuiltinCmyk, as_text(cmyk));
            }
        }
        if (!conditions.empty())
            for (const profilegen::NamedProfile &p : profilegen::condition_profiles())
                write_file(fs::path(conditions) / p.name, as_text(p.data));
    } catch (const std::exception &e) {
        std::cerr << "icc_profile_generator: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
