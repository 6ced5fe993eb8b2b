#include "run_program.h"

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

fs::path utf8_path(const std::string &text) { return {std::u8string(text.begin(), text.end())}; }

namespace {

std::string read_and_remove(const fs::path &path) {
    std::ostringstream content;
    content << std::ifstream(path, std::ios::binary).rdbuf();
    fs::remove(path);
    return content.str();
}

} // namespace

#ifdef _WIN32
#include <windows.h>

namespace {

// Quotes an argument so that the C runtime's parser gives it back unchanged.
std::wstring quoted(const std::wstring &argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t character : argument) {
        if (character == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(character == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        quoted += character;
        backslashes = 0;
    }
    quoted.append(2 * backslashes, L'\\');
    return quoted + L'"';
}

HANDLE create_inheritable(const fs::path &path) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

run_result run_program(const fs::path &program, const std::vector<std::string> &arguments,
                       const fs::path &dir, const run_options & /*options*/) {
    std::wstring command_line;
    for (const std::string &argument : arguments) {
        command_line += (command_line.empty() ? L"" : L" ") + quoted(utf8_path(argument).native());
    }
    const fs::path out_path = dir.native() + L".out";
    const fs::path err_path = dir.native() + L".err";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = create_inheritable(out_path);
    startup.hStdError = create_inheritable(err_path);
    PROCESS_INFORMATION process{};
    run_result result{-1, "", "", 0};
    if (CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       dir.c_str(), &startup, &process) != 0) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD status = 0;
        GetExitCodeProcess(process.hProcess, &status);
        result.status = static_cast<int>(status);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(startup.hStdOutput);
    CloseHandle(startup.hStdError);
    result.out = read_and_remove(out_path);
    result.err = read_and_remove(err_path);
    return result;
}

#else
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

run_result run_program(const fs::path &program, const std::vector<std::string> &arguments,
                       const fs::path &dir, const run_options &options) {
    // Behind a launcher, the program's path stands in for argument 0.
    std::vector<std::string> command = options.launcher;
    if (!command.empty()) {
        command.push_back(program.string());
    }
    std::vector<char *> argv;
    for (std::string &argument : command) {
        argv.push_back(argument.data());
    }
    for (std::size_t i = command.empty() ? 0 : 1; i < arguments.size(); ++i) {
        argv.push_back(const_cast<char *>(arguments[i].c_str()));
    }
    argv.push_back(nullptr);
    const fs::path out_path = dir.string() + ".out";
    const fs::path err_path = dir.string() + ".err";
    posix_spawn_file_actions_t actions{};
    posix_spawn_file_actions_init(&actions);
    constexpr int create = O_WRONLY | O_CREAT | O_TRUNC;
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out_path.c_str(), create, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_path.c_str(), create, 0600);
    for (const int descriptor : options.closed_descriptors) {
        posix_spawn_file_actions_addclose(&actions, descriptor);
    }
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    // What the child inherits and no spawn action sets is set here for the moment of the spawn:
    // the umask, the file-size limit and an ignored SIGXFSZ.
    const mode_t umask_here = umask(static_cast<mode_t>(options.umask));
    rlimit limit_here{};
    getrlimit(RLIMIT_FSIZE, &limit_here);
    void (*on_xfsz_here)(int) = SIG_DFL;
    if (options.file_size_limit) {
        const rlimit limit{*options.file_size_limit, limit_here.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
        on_xfsz_here = std::signal(SIGXFSZ, SIG_IGN);
    }
    pid_t child = 0;
    const int failed = posix_spawnp(&child, command.empty() ? program.c_str() : argv[0], &actions,
                                    nullptr, argv.data(), environ);
    if (options.file_size_limit) {
        setrlimit(RLIMIT_FSIZE, &limit_here);
        std::signal(SIGXFSZ, on_xfsz_here);
    }
    umask(umask_here);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) { // as a shell says of a command it cannot start
        return {127, read_and_remove(out_path), read_and_remove(err_path), 0};
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status),
            read_and_remove(out_path), read_and_remove(err_path), usage.ru_maxrss};
}
#endif
