// Windows: the form in which a path reaches the file functions, at every length.
#include "platform_windows.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <windows.h>

namespace {

struct path_case {
    const char *name;
    std::wstring path;
    std::wstring expected; // "@" stands for the current directory, "=" for the path itself
};

void PrintTo(const path_case &sample, std::ostream *out) { *out << sample.name; }

// Two folder names whose path, with a drive, is well past MAX_PATH.
const std::wstring first(150, L'a');
const std::wstring second(150, L'b');
const std::wstring long_tail = first + LR"(\)" + second + LR"(\file.txt)";

// An absolute path of exactly size characters.
std::wstring absolute_of_size(std::size_t size) {
    const std::wstring start = LR"(C:\)" + first + LR"(\)";
    return start + std::wstring(size - start.size(), L'c');
}

// clang-format off
const path_case path_cases[] = {
    {"ShortRelative", L"text.txt", L"="},
    {"ShortAbsolute", LR"(C:\dir\text.txt)", L"="},
    {"JustBelowMaxPath", absolute_of_size(MAX_PATH - 1), L"="},
    {"AtMaxPath", absolute_of_size(MAX_PATH), LR"(\\?\)" + absolute_of_size(MAX_PATH)},
    {"LongAbsoluteWithBothSlashes", L"C:/" + first + L"\\" + second + L"/file.txt", LR"(\\?\C:\)" + long_tail},
    {"LongWithDotAndDotDot", LR"(C:\)" + first + LR"(\.\x\..\)" + second + LR"(\file.txt)", LR"(\\?\C:\)" + long_tail},
    // A long path names the file that a short one would: Windows drops a name's trailing dots
    // and blanks, which the \\?\ form would keep.
    {"LongEndingInDotAndBlank", LR"(C:\)" + long_tail + L". ", LR"(\\?\C:\)" + long_tail},
    {"LongRelative", long_tail, LR"(\\?\@\)" + long_tail},
    {"LongRelativeWithDotDot", LR"(x\..\)" + long_tail, LR"(\\?\@\)" + long_tail},
    {"ShortRelativeLongOnceAbsolute", std::wstring(250, L'r'), LR"(\\?\@\)" + std::wstring(250, L'r')},
    {"DriveRelative", L"C:" + long_tail, LR"(\\?\C:\)" + long_tail},
    {"LongUnc", LR"(\\server\share\)" + long_tail, LR"(\\?\UNC\server\share\)" + long_tail},
    {"LongUncWithSlashes", L"//server/share/" + first + L"/" + second + L"/file.txt", LR"(\\?\UNC\server\share\)" + long_tail},
    {"AlreadyExtended", LR"(\\?\C:\)" + long_tail, L"="},
    {"AlreadyExtendedKeepsSlashesAndDots", LR"(\\?\C:\)" + first + L"/./../" + second, L"="},
    {"AlreadyExtendedUnc", LR"(\\?\UNC\server\share\)" + long_tail, L"="},
    {"Device", LR"(\\.\pipe\)" + long_tail, L"="},
};
// clang-format on

std::wstring expected_for(const path_case &sample) {
    if (sample.expected == L"=") {
        return sample.path;
    }
    std::wstring expected = sample.expected;
    if (const std::size_t at = expected.find(L'@'); at != std::wstring::npos) {
        expected.replace(at, 1, std::filesystem::current_path().wstring());
    }
    return expected;
}

class LongPaths : public testing::TestWithParam<path_case> {};

TEST_P(LongPaths, ReachFileFunctionsWhole) {
    EXPECT_EQ(extended_length_path(GetParam().path), expected_for(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Conversions, LongPaths, testing::ValuesIn(path_cases),
                         [](const testing::TestParamInfo<path_case> &sample) {
                             return std::string(sample.param.name);
                         });

} // namespace
