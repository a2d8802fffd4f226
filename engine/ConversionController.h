#pragma once

#include "engine/ConversionHost.h"
#include "engine/ConversionJob.h"
#include "engine/Settings.h"
#include "engine/ToolProcesses.h"

#include <atomic>
#include <memory>
#include <thread>

// Runs conversion jobs for one host: Convert and Stop, the worker thread, and
// the slot of the most recent background thread (the worker or a preview).
class ConversionController
{
public:
    explicit ConversionController(ConversionHost& host);
    ~ConversionController(); // stops whatever runs
    ConversionController(const ConversionController&) = delete;
    ConversionController& operator=(const ConversionController&) = delete;

    // Asks for the folder, builds the job from the rows and starts the worker.
    // False when nothing was started (cancelled, no settings file, no thread).
    bool StartConversion();
    // The same with settings read (and perhaps adjusted) by the caller.
    bool StartConversion(const ConversionSettings& settings);
    // Ends whatever background work is registered; nothing of a stopped job
    // reaches the host afterwards.
    void StopConversion();
    bool IsConverting() const { return m_job != nullptr; }

    // Stops or continues the tools of the job and the preview, while the program
    // itself is stopped by job control (Ctrl+Z, then fg or bg).
    void PauseTools(bool paused);

    // Registers the preview's thread, whose player runs under `player`,
    // replacing an earlier preview (its player is ended first); the thread sets
    // `done` when it ends. Stop ends it too, by ending its player.
    void SetPreviewThread(std::thread thread, std::shared_ptr<std::atomic<bool>> done,
        std::shared_ptr<ToolProcesses> player);
    // Ends the running preview's player, if any, and forgets the preview.
    void EndPreview();

    // Upper bound of the wait for a stopped thread.
    static constexpr int kStopWaitMs = 5000;

private:
    class Mailbox;
    struct Background;
    struct Job;

    static void Worker(ConversionJob job, std::shared_ptr<Mailbox> mailbox,
        std::shared_ptr<std::atomic<bool>> stopped, std::shared_ptr<std::atomic<bool>> done,
        std::shared_ptr<ToolProcesses> tools);
    void WorkerEnded(const Mailbox* mailbox);
    void EndOfRun();
    void Halt();
    void ForgetEndedPreview();

    ConversionHost& m_host;
    std::unique_ptr<Job> m_job; // the running conversion
    std::unique_ptr<Background> m_preview;
};
