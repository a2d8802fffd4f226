#include "cli/ConsoleHost.h"

#include "cli/JsonResultLine.h"
#include "engine/ToolCommandLines.h"

#include <algorithm>
#include <cmath>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Clock(double seconds)
{
    const long long s = std::llround(std::max(0.0, seconds));
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
    return text;
}

std::size_t TerminalWidth(std::FILE* to)
{
    winsize size {};
    if (::ioctl(::fileno(to), TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

// Size of a regular file, or nothing.
std::optional<unsigned long long> FileSize(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return static_cast<unsigned long long>(st.st_size);
}

} // namespace

ConsoleHost::ConsoleHost(std::string outputFolder, std::vector<std::string> files, std::FILE* out,
    std::FILE* err, Verbosity level, bool live)
    : m_outputFolder(std::move(outputFolder))
    , m_files(std::move(files))
    , m_results(m_files.size())
    , m_reasons(m_files.size())
    , m_fitted(m_files.size())
    , m_out(out)
    , m_err(err)
    , m_level(level)
    , m_live(live)
    , m_outputPaths(m_files.size())
    , m_frames(m_files.size())
    , m_started(m_files.size())
{ }

void ConsoleHost::ReportAsJson(
    std::vector<std::string> givenNames, std::string givenFolder, bool numbered)
{
    m_json = true;
    m_live = false;
    m_givenNames = std::move(givenNames);
    m_givenNames.resize(m_files.size());
    m_givenFolder = std::move(givenFolder);
    if (!m_givenFolder.empty() && m_givenFolder.back() != '/')
        m_givenFolder += '/';
    m_numbered = numbered;
}

void ConsoleHost::Stopping(std::string why)
{
    m_stopReason = std::move(why);
}

void ConsoleHost::RowOutput(int row, const std::string& outputPath, bool /*numbered*/)
{
    if (row >= 0 && row < RowCount())
        m_outputPaths[static_cast<std::size_t>(row)] = outputPath;
}

void ConsoleHost::PrintJson(int row, std::optional<FileResult> result)
{
    const auto r = static_cast<std::size_t>(row);
    FileReport report;
    report.Input = m_givenNames[r];
    report.Frames = m_frames[r];
    if (result == FileResult::Succeeded) {
        report.Result = "success";
    } else if (m_stopReason && m_reasons[r].empty()) {
        // A file that failed for a reason of its own before the stop says so;
        // of the file it cut short a stopped job tells nothing more.
        report.Result = "stopped";
        report.Reason = m_started[r] ? *m_stopReason : "not started: " + *m_stopReason;
    } else {
        report.Result = "failed";
        if (!m_reasons[r].empty())
            report.Reason = m_reasons[r];
    }
    if (m_started[r])
        report.Seconds
            = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_fileStart).count();

    // Only a finished file's outputs are its own: a failed or stopped file
    // leaves none, and a file of that name may be an earlier run's.
    std::vector<std::string> written;
    const std::string& path = m_outputPaths[r];
    if (result == FileResult::Succeeded && !path.empty()) {
        if (!m_numbered) {
            written.push_back(path);
        } else {
            // STEM1.EXT onwards, one per frame taken; without a count, while they exist.
            const std::string pattern = NumberedOutputPattern(path);
            const std::size_t at = pattern.rfind("%d");
            const long long count = report.Frames;
            for (long long n = 1; count == 0 || n <= count; ++n) {
                std::string numbered = pattern;
                numbered.replace(at, 2, std::to_string(n));
                if (FileSize(numbered))
                    written.push_back(numbered);
                else if (count == 0)
                    break;
            }
        }
    }
    const std::string folder = m_outputFolder + (m_outputFolder.ends_with('/') ? "" : "/");
    for (const std::string& output : written) {
        report.Bytes += FileSize(output).value_or(0);
        // Named as the user named the folder, so that the names mean the same
        // on the machine that asked for them.
        report.Outputs.push_back(
            output.starts_with(folder) ? m_givenFolder + output.substr(folder.size()) : output);
    }
    std::fputs(JsonResultLine(report).c_str(), m_out);
    std::fflush(m_out);
}

std::string ConsoleHost::LiveLine(
    const std::string& path, const FileProgress& p, double elapsedSeconds, std::size_t width)
{
    char head[16];
    std::snprintf(head, sizeof head, "[%3d%%] ", p.Position);
    std::string tail;
    if (p.Trial > 0) {
        // A size budget's search: its frames count the whole search's work.
        tail = "  fitting, trial " + std::to_string(p.Trial);
    } else {
        tail = p.Phase == ConversionPhase::Gif ? "  GIF " : "  frames ";
        tail += std::to_string(p.Done) + "/" + (p.Expected > 0 ? std::to_string(p.Expected) : "?");
    }
    tail += "  " + Clock(elapsedSeconds);
    // The rate so far gives the time left, once there is something to go by.
    if (p.Fraction > 0.01 && p.Fraction < 1)
        tail += ", " + Clock(elapsedSeconds * (1 - p.Fraction) / p.Fraction) + " left";
    // One line only: a wrapped line could not be rewritten. The name gives way first.
    std::string name = path;
    const std::size_t fixed = std::char_traits<char>::length(head) + tail.size();
    if (width > 0 && fixed + name.size() >= width) {
        const std::size_t keep = width > fixed + 4 ? width - fixed - 4 : 0;
        name = "..." + name.substr(name.size() - std::min(keep, name.size()));
    }
    std::string line = head + name + tail;
    if (width > 0 && line.size() >= width)
        line.resize(width - 1);
    return line;
}

void ConsoleHost::DrawLive()
{
    if (!m_live || m_liveRow < 0 || m_level == Verbosity::Quiet)
        return;
    const double elapsed
        = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_fileStart).count();
    const std::string line
        = LiveLine(RowPath(m_liveRow), m_fileProgress, elapsed, TerminalWidth(m_out));
    std::fprintf(m_out, "\r\033[K%s", line.c_str());
    std::fflush(m_out);
}

void ConsoleHost::ClearLive()
{
    if (!m_live || m_liveRow < 0 || m_level == Verbosity::Quiet)
        return;
    std::fputs("\r\033[K", m_out);
    std::fflush(m_out);
}

void ConsoleHost::PrintStatus(const char* text)
{
    if (m_level == Verbosity::Quiet || m_json)
        return;
    ClearLive();
    m_liveRow = -1;
    std::fprintf(m_out, "%s\n", text);
    std::fflush(m_out);
}

void ConsoleHost::JobEnded()
{
    // Every file gets its line, also those a stop cut short or left untouched.
    if (m_json && m_stopReason)
        for (int row = 0; row < RowCount(); ++row)
            if (!m_results[static_cast<std::size_t>(row)])
                PrintJson(row, std::nullopt);
    PrintStatus("Done.");
    m_done = true;
}

std::string ConsoleHost::RowPath(int row) const
{
    return m_files.at(static_cast<std::size_t>(row));
}

void ConsoleHost::FileFinished(int row, FileResult result)
{
    if (row < 0 || row >= RowCount())
        return;
    m_results[static_cast<std::size_t>(row)] = result;
    if (m_json) {
        PrintJson(row, result);
        return;
    }
    if (m_level == Verbosity::Quiet && result == FileResult::Succeeded)
        return;
    std::string text = result == FileResult::Succeeded ? "Success" : "Failed";
    const std::string& reason = m_reasons[static_cast<std::size_t>(row)];
    if (result == FileResult::Failed && !reason.empty())
        text += " (" + reason + ")";
    const std::string& fitted = m_fitted[static_cast<std::size_t>(row)];
    if (result == FileResult::Succeeded && !fitted.empty())
        text += " (" + fitted + ")";
    // The result takes the place of the file's live line.
    ClearLive();
    if (row == m_liveRow)
        m_liveRow = -1;
    std::fprintf(m_out, "%s: %s\n", RowPath(row).c_str(), text.c_str());
    std::fflush(m_out);
}

void ConsoleHost::FileFailedBecause(int row, const std::string& reason)
{
    if (row >= 0 && row < RowCount())
        m_reasons[static_cast<std::size_t>(row)] = reason;
}

void ConsoleHost::FileFitted(int row, const std::string& note)
{
    if (row >= 0 && row < RowCount())
        m_fitted[static_cast<std::size_t>(row)] = note;
}

void ConsoleHost::FileStarted(int row)
{
    m_fileProgress = FileProgress {};
    m_fileProgress.Row = row;
    m_fileProgress.Position = m_progress;
    m_fileStart = std::chrono::steady_clock::now();
    if (row >= 0 && row < RowCount())
        m_started[static_cast<std::size_t>(row)] = true;
    if (m_level == Verbosity::Quiet || m_json)
        return;
    if (m_live) {
        ClearLive();
        m_liveRow = row;
        DrawLive();
        return;
    }
    std::fprintf(m_out, "[%3d%%] %s\n", m_progress, RowPath(row).c_str());
    std::fflush(m_out);
}

void ConsoleHost::FileProgressed(const FileProgress& progress)
{
    // The frame tool's count is the number of frames the outputs hold.
    if (progress.Phase == ConversionPhase::Frames && progress.Row >= 0 && progress.Row < RowCount())
        m_frames[static_cast<std::size_t>(progress.Row)] = progress.Done;
    if (progress.Row != m_fileProgress.Row)
        return;
    m_fileProgress = progress;
    DrawLive();
}

void ConsoleHost::ToolStarted(int, const std::string& commandLine)
{
    if (m_level != Verbosity::Verbose)
        return;
    ClearLive();
    std::fprintf(m_err, "%s\n", commandLine.c_str());
    std::fflush(m_err);
    DrawLive();
}

ExistingOutputsAnswer ConsoleHost::AskAboutExistingOutputs(int, const std::string&)
{
    // Scripts re-run the program over the same files: replacing is the rule.
    return m_noClobber ? ExistingOutputsAnswer::LeaveThem : ExistingOutputsAnswer::Replace;
}

void ConsoleHost::JobNotStarted()
{
    ClearLive();
    std::fprintf(m_err, "Error: CreateThread error.\n");
    std::fflush(m_err);
    DrawLive();
}

void ConsoleHost::Post(std::function<void()> call)
{
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(call));
    }
    m_wake.notify_one();
}

void ConsoleHost::RunUntilDone(const std::atomic<bool>& interrupted,
    const std::function<void()>& onInterrupt, const std::function<void()>& everyTurn)
{
    bool interruptHandled = false;
    auto lastDraw = std::chrono::steady_clock::now();
    while (!m_done) {
        std::function<void()> call;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait_for(lock, std::chrono::milliseconds(100), [&] { return !m_queue.empty(); });
            if (!m_queue.empty()) {
                call = std::move(m_queue.front());
                m_queue.pop_front();
            }
        }
        if (call)
            call();
        if (everyTurn)
            everyTurn();
        // The clock on the live line moves even while a tool reports nothing.
        const auto now = std::chrono::steady_clock::now();
        if (now - lastDraw >= std::chrono::milliseconds(500)) {
            lastDraw = now;
            DrawLive();
        }
        if (interrupted && !interruptHandled) {
            interruptHandled = true;
            onInterrupt();
        }
    }
}
