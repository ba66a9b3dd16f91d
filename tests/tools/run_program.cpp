#include "tests/tools/run_program.h"

#include <filesystem>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace tensikon::test {

namespace {

#ifdef _WIN32

// The one owner of a kernel handle.
class Handle {
  public:
    explicit Handle(HANDLE h = nullptr) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle()
    {
        if (h_)
            CloseHandle(h_);
    }
    HANDLE get() const { return h_; }

  private:
    HANDLE h_;
};

// A temporary file the child inherits as its output; gone when closed.
Handle inheritableTempFile()
{
    char dir[MAX_PATH];
    char name[MAX_PATH];
    if (!GetTempPathA(MAX_PATH, dir) || !GetTempFileNameA(dir, "tsk", 0, name))
        return Handle();
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return Handle(CreateFileA(name, GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
}

// A Windows program's text output ends its lines with CR LF; the tests
// compare lines as written, so the CRs are dropped here.
std::string readAll(const Handle& file)
{
    std::string text;
    SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN);
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got > 0)
        text.append(chunk, got);
    std::erase(text, '\r');
    return text;
}

// Quoting by the rules the C runtime uses to split a command line.
std::string quoted(const std::string& arg)
{
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos)
        return arg;
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (const char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(2 * backslashes, '\\');
    out += '"';
    return out;
}

// The arguments are UTF-8; the command line goes over as UTF-16, so that a
// name in any script arrives whatever the ANSI code page.
std::wstring wide(const std::string& utf8)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                      nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

ProgramRun run(const std::string& program, const std::vector<std::string>& args,
               std::chrono::milliseconds limit)
{
    ProgramRun result;
    const Handle out = inheritableTempFile();
    const Handle err = inheritableTempFile();
    std::string line = quoted(program);
    for (const std::string& a : args) {
        line += ' ';
        line += quoted(a);
    }
    std::wstring wideLine = wide(line);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nullptr;
    si.hStdOutput = out.get();
    si.hStdError = err.get();
    PROCESS_INFORMATION pi{};
    if (!out.get() || !err.get() ||
        !CreateProcessW(nullptr, wideLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                        &pi)) {
        result.err = "cannot start " + program;
        return result;
    }
    const Handle process(pi.hProcess);
    const Handle thread(pi.hThread);
    if (WaitForSingleObject(process.get(), static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 1);
        WaitForSingleObject(process.get(), 5000);
        result.timedOut = true;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    result.exitCode = static_cast<int>(code);
    result.out = readAll(out);
    result.err = readAll(err);
    return result;
}

#else

constexpr auto kPoll = std::chrono::milliseconds(5);

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

std::string readAll(std::FILE* file)
{
    std::string text;
    std::rewind(file);
    char chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, got);
    return text;
}

// Waits for the child until the limit, then kills it; its wait status.
int waitBounded(pid_t pid, std::chrono::milliseconds limit, bool& timedOut)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR))
            return status;
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            timedOut = true;
            return status;
        }
        std::this_thread::sleep_for(kPoll);
    }
}

ProgramRun run(const std::string& program, const std::vector<std::string>& args,
               std::chrono::milliseconds limit)
{
    ProgramRun result;
    const File out(std::tmpfile(), &std::fclose);
    const File err(std::tmpfile(), &std::fclose);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fileno(out.get()), 1);
    posix_spawn_file_actions_adddup2(&actions, fileno(err.get()), 2);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        result.err = "cannot start " + program;
        return result;
    }
    const int status = waitBounded(pid, limit, result.timedOut);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = readAll(out.get());
    result.err = readAll(err.get());
    return result;
}

#endif

std::filesystem::path thisProgram()
{
#ifdef _WIN32
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::filesystem::path(std::string(path, n));
#else
    return std::filesystem::read_symlink("/proc/self/exe");
#endif
}

} // namespace

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
                      std::chrono::milliseconds limit)
{
    return run(program, args, limit);
}

std::string besideThisProgram(const std::string& relative)
{
    return (thisProgram().parent_path() / relative).lexically_normal().string();
}

} // namespace tensikon::test
