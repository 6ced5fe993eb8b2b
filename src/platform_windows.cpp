// Windows: paths and arguments are UTF-16 there, and UTF-8 inside the program.
#include "platform_windows.h"
#include "platform.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include <io.h>
#include <windows.h>

#include <shellapi.h>

namespace {

std::wstring wide_from_utf8(const char *text) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(size, 1)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), size);
    wide.resize(wide.size() - 1); // the terminating zero that the count includes
    return wide;
}

// \\?\ paths go to the file system as they are, \\.\ paths to a device: both at any length.
bool is_extended_or_device(const std::wstring &path) {
    return path.starts_with(LR"(\\?\)") || path.starts_with(LR"(\\.\)");
}

// A path in the form that Windows' file functions take at any length.
std::wstring system_path(const char *path) { return extended_length_path(wide_from_utf8(path)); }

// Allocated for the life of the process, like the arguments the C runtime passes.
char *utf8_from_wide(const wchar_t *wide) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    auto *text = new char[static_cast<std::size_t>(std::max(size, 1))]{};
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, size, nullptr, nullptr);
    return text;
}

// The volume and the file index of an open file: together, the file's identity. Only files on
// a disk have one; a device such as NUL is known not to be a regular file.
bool identify(HANDLE file, file_identity &identity) {
    identity = {};
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(file) != FILE_TYPE_DISK) {
        return true;
    }
    if (GetFileInformationByHandle(file, &info) == 0) {
        return false;
    }
    identity = {info.dwVolumeSerialNumber,
                std::uint64_t{info.nFileIndexHigh} << 32U | info.nFileIndexLow,
                (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0};
    return true;
}

// The C runtime hands out a stream's handle as an integer.
HANDLE handle_of(std::FILE *stream) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))); // NOLINT(*-int-to-ptr)
}

} // namespace

std::wstring extended_length_path(const std::wstring &path) {
    if (is_extended_or_device(path)) {
        return path;
    }
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (size == 0 || length == 0 || length >= size) {
        return path; // what Windows cannot make absolute does not open either
    }
    full.resize(length);
    if (full.size() < MAX_PATH) {
        return path;
    }
    if (is_extended_or_device(full)) { // such as a device name at the end of a long path
        return full;
    }
    if (full.starts_with(LR"(\\)")) {
        return LR"(\\?\UNC\)" + full.substr(2);
    }
    return LR"(\\?\)" + full;
}

// Windows has no descriptors to reuse: a closed standard stream stays closed.
void reserve_standard_streams() {}

// The C runtime's argv is in the ANSI code page, which cannot hold every file name: the
// arguments are taken again from the UTF-16 command line.
std::span<char *> program_arguments(int argc, char *argv[]) {
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) {
        return {argv, static_cast<std::size_t>(argc)};
    }
    auto **arguments = new char *[static_cast<std::size_t>(count) + 1] {};
    for (int i = 0; i < count; ++i) {
        arguments[i] = utf8_from_wide(wide[i]);
    }
    LocalFree(static_cast<void *>(wide));
    return {arguments, static_cast<std::size_t>(count)};
}

// _wfopen refuses a directory by itself.
std::FILE *open_source(const char *path, file_identity &identity) {
    std::FILE *source = _wfopen(system_path(path).c_str(), L"rb");
    if (source != nullptr && !identify(handle_of(source), identity)) {
        static_cast<void>(std::fclose(source));
        return nullptr;
    }
    return source;
}

std::FILE *open_destination(const char *path) { return _wfopen(system_path(path).c_str(), L"wb"); }

bool is_same_file(const char *path, const file_identity &file) {
    if (!file.is_regular) {
        return false;
    }
    const HANDLE handle = CreateFileW(system_path(path).c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    file_identity identity{};
    const bool same = identify(handle, identity) && identity == file;
    CloseHandle(handle);
    return same;
}

// A console shows the text of WriteConsoleW as it is; bytes written to it would be read in its
// code page, which cannot hold every character of a path.
void print_message(const char *format, const char *text, const char *other_text) {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(output, &mode) == 0) {
        std::printf(format, text, other_text);
        return;
    }
    const int size = std::snprintf(nullptr, 0, format, text, other_text);
    std::string message(static_cast<std::size_t>(std::max(size, 0)) + 1, '\0');
    static_cast<void>(std::snprintf(message.data(), message.size(), format, text, other_text));
    const std::wstring wide = wide_from_utf8(message.c_str());
    DWORD written = 0;
    WriteConsoleW(output, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}
