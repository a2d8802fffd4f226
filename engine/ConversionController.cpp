#include "engine/ConversionController.h"

#include "engine/ConvertFile.h"
#include "engine/FrameSweeper.h"
#include "engine/Settings.h"
#include "engine/ToolCommandLines.h"
#include "platform/AsciiText.h"
#include "platform/ProfileFile.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <system_error>

struct ConversionController::Background
{
    std::thread Thread;
    std::shared_ptr<std::atomic<bool>> Done;
    std::shared_ptr<ToolProcesses> Tools; // what the thread started

    // Waits for the thread until `deadline`; a thread that has not ended by
    // then is let go.
    void Release(std::chrono::steady_clock::time_point deadline)
    {
        while (!*Done && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!Thread.joinable())
            return;
        if (*Done)
            Thread.join();
        else
            Thread.detach(); // stopped and silenced: it converts and reports nothing more
    }
};

// Carries the worker's notifications to the host's thread. Once closed (the job
// was stopped, or the controller is gone) nothing more is delivered, so a
// stopped worker can never touch the window again.
class ConversionController::Mailbox
{
public:
    Mailbox(ConversionHost& host, ConversionController& owner)
        : m_host(&host)
        , m_owner(&owner)
    { }

    // The controller, valid for as long as the mailbox delivers.
    ConversionController* Owner() const { return m_owner; }

    void Send(std::function<void(ConversionHost&)> call)
    {
        std::lock_guard lock(m_mutex);
        if (!m_host)
            return;
        auto self = m_self.lock();
        m_host->Post([self, call = std::move(call)] {
            if (ConversionHost* host = self->OpenHost())
                call(*host);
        });
    }

    void Close()
    {
        std::lock_guard lock(m_mutex);
        m_host = nullptr;
    }

    static std::shared_ptr<Mailbox> Make(ConversionHost& host, ConversionController& owner)
    {
        auto box = std::make_shared<Mailbox>(host, owner);
        box->m_self = box;
        return box;
    }

private:
    ConversionHost* OpenHost()
    {
        std::lock_guard lock(m_mutex);
        return m_host;
    }

    std::mutex m_mutex;
    ConversionHost* m_host;
    ConversionController* m_owner;
    std::weak_ptr<Mailbox> m_self;
};

struct ConversionController::Job
{
    Background Worker;
    std::shared_ptr<Mailbox> Box;
    std::shared_ptr<std::atomic<bool>> Stopped;
};

ConversionController::ConversionController(ConversionHost& host)
    : m_host(host)
{ }

ConversionController::~ConversionController()
{
    // Only what this controller started is stopped: an idle window that closes
    // must not end anything.
    ForgetEndedPreview();
    if (m_job || m_preview)
        Halt();
}

bool ConversionController::StartConversion()
{
    return StartConversion(LoadSettings());
}

bool ConversionController::StartConversion(const ConversionSettings& settings)
{
    std::string folder = m_host.ChooseOutputFolder();
    if (folder.empty())
        return false;
    if (folder.back() != '/')
        folder += '/';
    if (!settings.FileExists) {
        m_host.SettingsNotRead(SettingsReadPath());
        return false;
    }

    std::vector<std::string> inputs;
    std::vector<FileEdit> edits;
    for (int row = 0; row < m_host.RowCount(); ++row) {
        inputs.push_back(m_host.RowPath(row));
        edits.push_back(m_host.RowEdit(row));
    }
    ConversionJob job = BuildConversionJob(inputs, edits, folder, settings);
    const bool numbered = !EqualsIgnoringCase(job.Mode, "AnimationGIF");
    // Files a user already has in the folder are not replaced without a word.
    const auto exists
        = [numbered](const ConversionEntry& e) { return OutputExists(e.OutputPath, numbered); };
    if (const auto count = std::count_if(job.Entries.begin(), job.Entries.end(), exists)) {
        switch (m_host.AskAboutExistingOutputs(static_cast<int>(count), folder)) {
        case ExistingOutputsAnswer::Replace:
            break;
        case ExistingOutputsAnswer::KeepBoth:
            job = BuildConversionJob(inputs, edits, folder, settings, true);
            break;
        case ExistingOutputsAnswer::LeaveThem:
            for (ConversionEntry& e : job.Entries)
                if (exists(e))
                    e.Refusal = e.OutputPath + " exists already";
            break;
        case ExistingOutputsAnswer::Cancel:
            return false;
        }
    }

    job.FitByFrames = FitsByFrames(settings);
    m_host.JobStarted();
    for (std::size_t row = 0; row < job.Entries.size(); ++row)
        m_host.RowOutput(static_cast<int>(row), job.Entries[row].OutputPath, numbered);
    m_host.SetProgress(5);

    auto mailbox = Mailbox::Make(m_host, *this);
    auto stopped = std::make_shared<std::atomic<bool>>(false);
    auto done = std::make_shared<std::atomic<bool>>(false);
    auto tools = std::make_shared<ToolProcesses>();
    std::thread worker;
    try {
        worker = std::thread(
            &ConversionController::Worker, std::move(job), mailbox, stopped, done, tools);
    } catch (const std::system_error&) {
        m_host.JobNotStarted();
        return false;
    }
    m_job = std::make_unique<Job>(Job { { std::move(worker), done, tools }, mailbox, stopped });
    return true;
}

void ConversionController::Worker(ConversionJob job, std::shared_ptr<Mailbox> mailbox,
    std::shared_ptr<std::atomic<bool>> stopped, std::shared_ptr<std::atomic<bool>> done,
    std::shared_ptr<ToolProcesses> tools)
{
    const int n = static_cast<int>(job.Entries.size());
    const bool makesGif = !EqualsIgnoringCase(job.Mode, "No");
    for (int i = 0; i < n && !*stopped; ++i) {
        // The frames of a job stopped just before are still being swept away.
        if (!AwaitFrameSweeps(*stopped))
            break;
        // Each file starts at the beginning of its share of the bar and moves
        // through it as its tools report their frames.
        FileProgressModel model(i, n, makesGif);
        const int first = model.Current().Position;
        mailbox->Send([first](ConversionHost& host) { host.SetProgress(first); });
        mailbox->Send([i](ConversionHost& host) { host.FileStarted(i); });
        ToolObserver observer;
        observer.Started = [&mailbox, i](const std::string& line) {
            mailbox->Send([i, line](ConversionHost& host) { host.ToolStarted(i, line); });
        };
        observer.Printed = [&mailbox, i](const std::string& line) {
            mailbox->Send([i, line](ConversionHost& host) { host.ToolPrinted(i, line); });
        };
        observer.Progressed
            = [&mailbox, &model](
                  ConversionPhase phase, long long frames, long long expected, int trial) {
                  if (!model.Report(phase, frames, expected, trial))
                      return;
                  mailbox->Send([progress = model.Current()](ConversionHost& host) {
                      host.SetProgress(progress.Position);
                      host.FileProgressed(progress);
                  });
              };
        const ConversionEntry& e = job.Entries[static_cast<std::size_t>(i)];
        if (!e.Refusal.empty()) {
            const std::string refusal = e.Refusal;
            mailbox->Send(
                [i, refusal](ConversionHost& host) { host.FileFailedBecause(i, refusal); });
            mailbox->Send([i](ConversionHost& host) { host.FileFinished(i, FileResult::Failed); });
            continue;
        }
        std::string reason;
        std::string fitted;
        const bool ok = ConvertFile(e.InputPath, e.OutputPath, e.VideoOptions, e.ImageOptions,
            job.Mode, *stopped, observer, tools.get(), &reason, job.FitByFrames, &fitted);
        const FileResult result = ok ? FileResult::Succeeded : FileResult::Failed;
        if (ok && !fitted.empty())
            mailbox->Send([i, fitted](ConversionHost& host) { host.FileFitted(i, fitted); });
        // A stopped file's tools were ended by the stop: that is no reason to show.
        if (!ok && !reason.empty() && !*stopped)
            mailbox->Send([i, reason](ConversionHost& host) { host.FileFailedBecause(i, reason); });
        mailbox->Send([i, result](ConversionHost& host) { host.FileFinished(i, result); });
    }
    *done = true;
    mailbox->Send([box = mailbox.get()](ConversionHost&) { box->Owner()->WorkerEnded(box); });
}

void ConversionController::WorkerEnded(const Mailbox* mailbox)
{
    if (!m_job || m_job->Box.get() != mailbox)
        return;
    m_job->Worker.Release(
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kStopWaitMs));
    m_job.reset();
    EndOfRun();
}

void ConversionController::EndOfRun()
{
    m_host.SetProgress(0);
    m_host.JobEnded();
}

void ConversionController::SetPreviewThread(std::thread thread,
    std::shared_ptr<std::atomic<bool>> done, std::shared_ptr<ToolProcesses> player)
{
    EndPreview();
    m_preview = std::make_unique<Background>(
        Background { std::move(thread), std::move(done), std::move(player) });
}

void ConversionController::EndPreview()
{
    if (!m_preview)
        return;
    m_preview->Tools->EndAll();
    m_preview->Release(std::chrono::steady_clock::now() + std::chrono::milliseconds(kStopWaitMs));
    m_preview.reset();
}

// A preview whose player has ended holds nothing to stop.
void ConversionController::ForgetEndedPreview()
{
    if (m_preview && *m_preview->Done) {
        m_preview->Release(std::chrono::steady_clock::now());
        m_preview.reset();
    }
}

// Stops the job and the preview: flags and silences the job first, so that its
// worker starts no further tool and nothing it reports reaches the host, then
// ends the tools they started (and only those) and waits, at most kStopWaitMs
// in all, for the threads.
void ConversionController::Halt()
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStopWaitMs);
    const bool job = m_job != nullptr;
    if (m_job) {
        *m_job->Stopped = true;
        m_job->Box->Close();
        // A tool started just as the stop came in is ended by its registration.
        m_job->Worker.Tools->EndAll();
    }
    if (m_preview)
        m_preview->Tools->EndAll();
    if (m_job) {
        m_job->Worker.Release(deadline);
        m_job.reset();
    }
    if (m_preview) {
        m_preview->Release(deadline);
        m_preview.reset();
    }
    if (job)
        SweepTempFramesInBackground();
}

void ConversionController::PauseTools(bool paused)
{
    if (m_job)
        m_job->Worker.Tools->SetPaused(paused);
    if (m_preview)
        m_preview->Tools->SetPaused(paused);
}

void ConversionController::StopConversion()
{
    ForgetEndedPreview();
    if (!m_job && !m_preview)
        return;
    m_host.SetWaitCursor(true);
    Halt();
    EndOfRun();
    m_host.SetWaitCursor(false);
}
