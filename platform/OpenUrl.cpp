#include "platform/OpenUrl.h"

#include "platform/AsciiText.h"
#include "platform/FileIo.h"
#include "platform/ProgramFolder.h"
#include "platform/Spawn.h"
#include "platform/UniqueFd.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// xdg-open hands most targets to a program that returns at once; some desktop
// set-ups run the browser in the foreground instead. After this long a still
// running opener counts as a success and is left to itself.
constexpr int kOpenerWaitMs = 3000;

struct Spawned
{
    pid_t Pid = -1;
    UniqueFd Output; // read end of the child's stdout, when captured
};

// Starts `args` (looked up in PATH) in a session of its own, stdin from
// /dev/null. With `captureOutput` its stdout goes into a pipe; otherwise stdout
// and stderr are ours.
Spawned Spawn(const std::vector<std::string>& args, bool captureOutput)
{
    Spawned result;
    if (args.empty())
        return result;
    UniqueFd writeEnd;
    if (captureOutput) {
        int pipeFds[2] = { -1, -1 };
        if (::pipe2(pipeFds, O_CLOEXEC) != 0)
            return result;
        result.Output = UniqueFd(pipeFds[0]);
        writeEnd = UniqueFd(pipeFds[1]);
    }
    SpawnOptions options;
    options.Args = args;
    options.SearchPath = true;
    options.Output = writeEnd.Get();
    options.NewSession = true;
    result.Pid = SpawnProcess(options);
    if (result.Pid < 0)
        result.Output.Close();
    return result;
}

// Reaps a child that is left to run, so that it leaves no zombie behind.
void ReapLater(pid_t pid)
{
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    }).detach();
}

// Waits for the child up to `waitMs`; its exit status, or -1 when it is still
// running (then it is reaped later) or did not exit normally.
int WaitForExit(pid_t pid, int waitMs, bool* stillRunning)
{
    *stillRunning = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (r < 0 && errno != EINTR)
            return -1;
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    *stillRunning = true;
    ReapLater(pid);
    return -1;
}

// Runs a short query and returns what it printed (empty on any failure).
std::string QueryOutput(const std::vector<std::string>& args)
{
    Spawned child = Spawn(args, true);
    if (child.Pid < 0)
        return {};
    std::string output;
    const auto deadline
        = std::chrono::steady_clock::now() + std::chrono::milliseconds(kOpenerWaitMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd pfd { child.Output.Get(), POLLIN, 0 };
        if (::poll(&pfd, 1, static_cast<int>(left.count())) <= 0)
            break;
        char buf[512];
        const ssize_t n = ::read(child.Output.Get(), buf, sizeof buf);
        if (n <= 0)
            break;
        output.append(buf, static_cast<std::size_t>(n));
        if (output.size() > 4096)
            break;
    }
    child.Output.Close();
    bool stillRunning = false;
    if (WaitForExit(child.Pid, kOpenerWaitMs, &stillRunning) != 0)
        return {};
    return output;
}

std::string Trim(const std::string& s)
{
    return std::string(TrimView(s, kAsciiWhiteSpace));
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = AsciiLower(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Starts the desktop's web browser with the target.
int OpenWithBrowser(const std::string& target)
{
    const std::string entry = Trim(QueryOutput({ "xdg-mime", "query", "default", "text/html" }));
    if (entry.empty() || entry.find('/') != std::string::npos)
        return kOpenNoHandler;
    const std::string file = FindDesktopFile(entry);
    std::string text;
    if (file.empty() || !ReadWholeFile(file, &text))
        return kOpenNoHandler;
    std::vector<std::string> args = SplitDesktopExec(DesktopEntryExec(text));
    if (args.empty())
        return kOpenNoHandler;
    args.push_back(target);
    Spawned child = Spawn(args, false);
    if (child.Pid < 0)
        return kOpenFailed;
    ReapLater(child.Pid);
    return kOpenDone;
}

} // namespace

bool IsLocalTarget(const std::string& target)
{
    // A scheme is a letter followed by letters, digits, '+', '-' or '.', then ':'.
    std::size_t i = 0;
    if (target.empty() || !std::isalpha(static_cast<unsigned char>(target[0])))
        return true;
    while (i < target.size()
        && (std::isalnum(static_cast<unsigned char>(target[i])) || target[i] == '+'
            || target[i] == '-' || target[i] == '.'))
        ++i;
    if (i >= target.size() || target[i] != ':')
        return true;
    return EqualsIgnoringCase(target.substr(0, i), "file");
}

std::string LocalPathOf(const std::string& target)
{
    if (target.size() < 5 || !EqualsIgnoringCase(target.substr(0, 5), "file:"))
        return target;
    std::string rest = target.substr(5);
    if (rest.rfind("//", 0) == 0) {
        // file://host/path: the host part is dropped.
        rest.erase(0, 2);
        const std::size_t slash = rest.find('/');
        rest = slash == std::string::npos ? std::string("/") : rest.substr(slash);
    }
    std::string path;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '%' && i + 2 < rest.size() && HexValue(rest[i + 1]) >= 0
            && HexValue(rest[i + 2]) >= 0) {
            path += static_cast<char>(HexValue(rest[i + 1]) * 16 + HexValue(rest[i + 2]));
            i += 2;
        } else {
            path += rest[i];
        }
    }
    return path;
}

std::vector<std::string> SplitDesktopExec(const std::string& exec)
{
    std::vector<std::string> args;
    std::string current;
    bool inArg = false;
    bool quoted = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else if (c == '\\' && i + 1 < exec.size()) {
                current += exec[++i];
            } else {
                current += c;
            }
            continue;
        }
        if (c == '%' && i + 1 < exec.size() && exec[i + 1] == '%') {
            current += '%';
            inArg = true;
            ++i;
        } else if (c == '%') {
            break; // the first field code: the target goes here
        } else if (c == '"') {
            quoted = true;
            inArg = true;
        } else if (c == ' ' || c == '\t') {
            if (inArg)
                args.push_back(current);
            current.clear();
            inArg = false;
        } else {
            current += c;
            inArg = true;
        }
    }
    if (inArg && !quoted && !current.empty())
        args.push_back(current);
    return args;
}

std::string DesktopEntryExec(const std::string& text)
{
    bool inEntry = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (!line.empty() && line[0] == '[') {
            inEntry = line == "[Desktop Entry]";
        } else if (inEntry && line.rfind("Exec", 0) == 0) {
            const std::string rest = Trim(line.substr(4));
            if (!rest.empty() && rest[0] == '=')
                return Trim(rest.substr(1));
        }
    }
    return {};
}

std::string FindDesktopFile(const std::string& name)
{
    std::vector<std::string> folders;
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (dataHome && *dataHome)
        folders.push_back(dataHome);
    else if (home && *home)
        folders.push_back(std::string(home) + "/.local/share");
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    std::string dirs = dataDirs && *dataDirs ? dataDirs : "/usr/local/share:/usr/share";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t colon = dirs.find(':', start);
        if (colon == std::string::npos)
            colon = dirs.size();
        if (colon > start)
            folders.push_back(dirs.substr(start, colon - start));
        start = colon + 1;
    }
    for (const std::string& folder : folders) {
        const std::string path = folder + "/applications/" + name;
        if (PathExists(path))
            return path;
    }
    return {};
}

std::string DefaultHandlerOf(const std::string& path)
{
    if (path.empty())
        return {};
    // "--" is no option to xdg-mime: a name starting with '-' goes as "./-name".
    const std::string argument = path[0] == '-' ? "./" + path : path;
    const std::string mime = Trim(QueryOutput({ "xdg-mime", "query", "filetype", argument }));
    if (mime.empty() || mime.find_first_of(kAsciiWhiteSpace) != std::string::npos)
        return {};
    const std::string handler = Trim(QueryOutput({ "xdg-mime", "query", "default", mime }));
    return handler.substr(0, handler.find('\n'));
}

int OpenUrl(const std::string& target)
{
    if (target.empty())
        return kOpenFileNotFound;
    if (IsLocalTarget(target) && !PathExists(LocalPathOf(target)))
        return kOpenFileNotFound;

    Spawned opener = Spawn({ "xdg-open", target }, false);
    if (opener.Pid >= 0) {
        bool stillRunning = false;
        const int status = WaitForExit(opener.Pid, kOpenerWaitMs, &stillRunning);
        if (stillRunning || status == 0)
            return kOpenDone;
        if (status == 2) // xdg-open: a file does not exist
            return kOpenFileNotFound;
    }
    return OpenWithBrowser(target);
}
