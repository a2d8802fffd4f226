#pragma once

#include "cli/ConsoleOptions.h"
#include "engine/ConversionHost.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

// Stands in for the window: the rows are the files of the command line, the
// output folder is fixed, and what the window would show is printed. Results
// go to `out`, errors and command lines to `err`. On a terminal (`live`) each
// file gets one line that is rewritten as it progresses and then replaced by
// its result; elsewhere only whole lines are written.
class ConsoleHost : public ConversionHost
{
public:
    ConsoleHost(std::string outputFolder, std::vector<std::string> files, std::FILE* out,
        std::FILE* err = stderr, Verbosity level = Verbosity::Normal, bool live = false);

    std::string ChooseOutputFolder() override { return m_outputFolder; }
    void JobStarted() override { PrintStatus("Please wait..."); }
    void SetProgress(int position) override { m_progress = position; }
    int RowCount() const override { return static_cast<int>(m_files.size()); }
    std::string RowPath(int row) const override;
    void FileStarted(int row) override;
    void RowOutput(int row, const std::string& outputPath, bool numbered) override;
    void FileFinished(int row, FileResult result) override;
    void JobEnded() override;
    void JobNotStarted() override;
    ExistingOutputsAnswer AskAboutExistingOutputs(int count, const std::string& folder) override;
    // -n: an existing output fails its file instead of being replaced.
    void SetNoClobber(bool noClobber) { m_noClobber = noClobber; }
    // The shape every file of the run takes (--trim, --crop, ...).
    void SetEdit(FileEdit edit) { m_edit = std::move(edit); }
    FileEdit RowEdit(int /*row*/) const override { return m_edit; }
    void Post(std::function<void()> call) override;
    void FileProgressed(const FileProgress& progress) override;
    void ToolStarted(int row, const std::string& commandLine) override;
    void FileFailedBecause(int row, const std::string& reason) override;

    // Runs posted calls until the job has ended; `interrupted` is looked at
    // every 100 ms and calls `onInterrupt` once when it becomes true.
    // `everyTurn` (when set) is called as often, for signals to act on.
    void RunUntilDone(const std::atomic<bool>& interrupted,
        const std::function<void()>& onInterrupt, const std::function<void()>& everyTurn = {});

    // Prints one JSON line per file (JsonResultLine) in place of every other
    // line on `out`, naming the inputs as `givenNames` (the command line's) and
    // the outputs under `givenFolder` (-o as given; empty: bare names in the
    // current folder). `numbered`: the format writes STEM1.EXT, STEM2.EXT, …
    void ReportAsJson(std::vector<std::string> givenNames, std::string givenFolder, bool numbered);
    // The job is being stopped by a signal: the file cut short and those never
    // started are "stopped" for `why`.
    void Stopping(std::string why);

    // Each file's result; empty for a file that was not converted.
    const std::vector<std::optional<FileResult>>& Results() const { return m_results; }

    // The live line: percentage, frames of the phase, elapsed and estimated time left.
    static std::string LiveLine(const std::string& path, const FileProgress& progress,
        double elapsedSeconds, std::size_t width);

private:
    void PrintStatus(const char* text);
    void DrawLive();
    void ClearLive();
    void PrintJson(int row, std::optional<FileResult> result);

    std::string m_outputFolder;
    std::vector<std::string> m_files;
    std::vector<std::optional<FileResult>> m_results;
    std::vector<std::string> m_reasons; // why each failed row failed
    std::FILE* m_out;
    std::FILE* m_err;
    Verbosity m_level;
    bool m_live;
    bool m_noClobber = false;
    FileEdit m_edit;
    int m_progress = 0;
    bool m_done = false;
    int m_liveRow = -1; // the row whose live line is on the screen
    FileProgress m_fileProgress;
    std::chrono::steady_clock::time_point m_fileStart;
    // --json
    bool m_json = false;
    bool m_numbered = false;
    std::vector<std::string> m_givenNames;
    std::string m_givenFolder;
    std::vector<std::string> m_outputPaths; // per row, as the job names them
    std::vector<long long> m_frames; // per row, the frames taken so far
    std::vector<bool> m_started; // per row: FileStarted came
    std::optional<std::string> m_stopReason;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_queue;
};
