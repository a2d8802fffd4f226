#pragma once

#include "engine/FileEdit.h"
#include "engine/GifEstimate.h"

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class ToolProcesses;

// Estimates the GIF of each row, one after another on a thread of its own, so the window
// never waits for the tools. A row that goes takes its estimate with it (the tools of one
// under way are ended); while a conversion runs the estimates wait, their tools stopped,
// so they take nothing from it. Answers come back on the thread of `context` and are
// dropped once it is gone.
class EstimateQueue
{
public:
    // The estimate itself; it must give up soon once `stopped` is set, and run its tools
    // under `tools` so that they can be ended and paused.
    using Estimate = std::function<GifEstimate(const std::string& path, const FileEdit& edit,
        const std::atomic<bool>& stopped, ToolProcesses* tools)>;
    // Called on the context's thread with the asker's tag and the estimate (Valid false
    // when there is none).
    using Answer = std::function<void(quint64 tag, const GifEstimate& estimate)>;

    EstimateQueue(QObject* context, Estimate estimate, Answer answer);
    // Ends the estimate under way and drops the rest.
    ~EstimateQueue();

    EstimateQueue(const EstimateQueue&) = delete;
    EstimateQueue& operator=(const EstimateQueue&) = delete;

    void Ask(quint64 tag, const std::string& path, const FileEdit& edit = {});
    // The row went: its question is dropped, or its estimate ended.
    void Forget(quint64 tag);
    // Every question dropped and every estimate ended (the settings changed).
    void ForgetAll();
    // While paused nothing new starts and the tools under way are stopped (SIGSTOP).
    void SetPaused(bool paused);
    // Nothing asked, nothing under way (for tests).
    bool Idle() const;

private:
    void Work();
    void EndCurrentLocked();

    QObject* m_context;
    Estimate m_estimate;
    Answer m_answer;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    struct Question
    {
        quint64 Tag;
        std::string Path;
        FileEdit Edit;
    };
    std::deque<Question> m_pending;
    bool m_paused = false;
    bool m_closing = false;
    // The estimate under way: its tag (0 for none), its stop and its tools.
    quint64 m_current = 0;
    std::shared_ptr<std::atomic<bool>> m_stopped;
    std::shared_ptr<ToolProcesses> m_tools;
    std::thread m_worker;
};
