#include "app/EstimateQueue.h"

#include "engine/ToolProcesses.h"

#include <QMetaObject>
#include <QPointer>

EstimateQueue::EstimateQueue(QObject* context, Estimate estimate, Answer answer)
    : m_context(context)
    , m_estimate(std::move(estimate))
    , m_answer(std::move(answer))
    , m_worker([this] { Work(); })
{ }

EstimateQueue::~EstimateQueue()
{
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
        m_pending.clear();
        EndCurrentLocked();
    }
    m_wake.notify_one();
    m_worker.join();
}

void EstimateQueue::Ask(quint64 tag, const std::string& path, const FileEdit& edit)
{
    {
        std::lock_guard lock(m_mutex);
        m_pending.push_back({ tag, path, edit });
    }
    m_wake.notify_one();
}

void EstimateQueue::Forget(quint64 tag)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_pending, [tag](const auto& question) { return question.Tag == tag; });
    if (m_current == tag)
        EndCurrentLocked();
}

void EstimateQueue::ForgetAll()
{
    std::lock_guard lock(m_mutex);
    m_pending.clear();
    EndCurrentLocked();
}

void EstimateQueue::SetPaused(bool paused)
{
    {
        std::lock_guard lock(m_mutex);
        m_paused = paused;
        if (m_tools)
            m_tools->SetPaused(paused);
    }
    m_wake.notify_one();
}

bool EstimateQueue::Idle() const
{
    std::lock_guard lock(m_mutex);
    return m_pending.empty() && m_current == 0;
}

void EstimateQueue::EndCurrentLocked()
{
    if (m_current == 0)
        return;
    *m_stopped = true;
    // Ending under the lock is safe: the worker takes it only after its tools are gone.
    m_tools->EndAll();
}

void EstimateQueue::Work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_closing || (!m_paused && !m_pending.empty()); });
        if (m_closing)
            return;
        const Question question = m_pending.front();
        const quint64 tag = question.Tag;
        m_pending.pop_front();
        m_current = tag;
        m_stopped = std::make_shared<std::atomic<bool>>(false);
        m_tools = std::make_shared<ToolProcesses>();
        const std::shared_ptr<std::atomic<bool>> stopped = m_stopped;
        const std::shared_ptr<ToolProcesses> tools = m_tools;
        lock.unlock();
        const GifEstimate estimate
            = m_estimate(question.Path, question.Edit, *stopped, tools.get());
        lock.lock();
        m_current = 0;
        m_tools.reset();
        if (*stopped || m_closing)
            continue;
        // Queued to the context, whose thread runs it unless the context is gone by then.
        QMetaObject::invokeMethod(
            m_context, [answer = m_answer, tag = tag, estimate] { answer(tag, estimate); },
            Qt::QueuedConnection);
    }
}
