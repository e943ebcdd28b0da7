// LittleCMS is a test oracle only: the library must neither link it nor use it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

std::string slurp(const fs::path &path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST(IccLinkGuard, LibraryTargetNamesNoLittleCms) {
    std::ifstream in(ICC_LINKS_FILE);
    ASSERT_TRUE(in) << ICC_LINKS_FILE;
    std::string line, archive;
    int checked = 0;
    while (std::getline(in, line)) {
        if (line.rfind("ARCHIVE=", 0) == 0) {
            archive = line.substr(8);
            continue;
        }
        EXPECT_EQ(lower(line).find("lcms"), std::string::npos) << line;
        checked++;
    }
    EXPECT_EQ(checked, 2);
    ASSERT_FALSE(archive.empty());

    // Nor does its code call LittleCMS: no symbol of it in the archive.
    FILE *f = popen(("nm -A '" + archive + "' 2>/dev/null").c_str(), "r");
    ASSERT_NE(f, nullptr);
    char buf[1024];
    bool own_symbols = false;
    while (fgets(buf, sizeof buf, f) != nullptr) {
        std::string s(buf);
        if (s.find("new_icc") != std::string::npos)
            own_symbols = true;
        EXPECT_EQ(s.find(" cms"), std::string::npos) << s;
        EXPECT_EQ(lower(s).find("lcms"), std::string::npos) << s;
    }
    pclose(f);
    EXPECT_TRUE(own_symbols) << "nm listed the library's symbols";
}

TEST(IccLinkGuard, OnlyTestProgramsLinkLittleCms) {
    const fs::path build(ICC_BUILD_DIR);
    int library_lines = 0, test_lines_with_lcms = 0;
    for (const fs::path &dir : {build / "icc" / "CMakeFiles", build / "icc" / "tests" / "CMakeFiles"}) {
        if (!fs::exists(dir))
            continue;
        for (const auto &entry : fs::directory_iterator(dir)) {
            const fs::path link = entry.path() / "link.txt";
            if (!fs::exists(link))
                continue;
            const std::string text = lower(slurp(link));
            if (dir.parent_path().filename() == "tests") {
                if (text.find("lcms2") != std::string::npos)
                    test_lines_with_lcms++;
            } else {
                library_lines++;
                EXPECT_EQ(text.find("lcms"), std::string::npos) << link;
            }
        }
    }
    if (library_lines == 0)
        GTEST_SKIP() << "no link.txt files: not a Makefile build";
    EXPECT_GE(test_lines_with_lcms, 1) << "the scan sees the oracle in the test programs";
}

}  // namespace
