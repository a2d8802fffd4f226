#include "app/MediaInfoQueue.h"

#include <QMetaObject>

MediaInfoQueue::MediaInfoQueue(QObject* context, Query query, Answer answer)
    : m_context(context)
    , m_query(std::move(query))
    , m_answer(std::move(answer))
    , m_worker([this] { Work(); })
{
}

MediaInfoQueue::~MediaInfoQueue()
{
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
        m_pending.clear();
    }
    m_wake.notify_one();
    m_worker.join();
}

void MediaInfoQueue::Ask(quint64 tag, const std::string& path)
{
    {
        std::lock_guard lock(m_mutex);
        m_pending.emplace_back(tag, path);
    }
    m_wake.notify_one();
}

void MediaInfoQueue::Work()
{
    for (;;) {
        std::pair<quint64, std::string> next;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_closing || !m_pending.empty(); });
            if (m_closing)
                return;
            next = std::move(m_pending.front());
            m_pending.pop_front();
        }
        const std::optional<std::string> description = m_query(next.second, &m_closing);
        if (!description || m_closing)
            continue;
        // Queued to the context, whose thread runs it unless the context is gone by then.
        QMetaObject::invokeMethod(
            m_context,
            [answer = m_answer, tag = next.first, text = *description] { answer(tag, text); },
            Qt::QueuedConnection);
    }
}
