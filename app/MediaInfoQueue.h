#pragma once

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

// Asks for the media information of added files one after another on a thread
// of its own, so that a slow or stuck tool never holds up the window. Answers
// come back on the thread of `context` (a QObject that outlives nothing here:
// answers for it are dropped when it goes).
class MediaInfoQueue
{
public:
    // The question itself; it must give up soon once `cancel` is set.
    using Query = std::function<std::optional<std::string>(const std::string& path,
                                                           const std::atomic<bool>* cancel)>;
    // Called on the context's thread with the asker's tag and the description.
    using Answer = std::function<void(quint64 tag, const std::string& description)>;

    MediaInfoQueue(QObject* context, Query query, Answer answer);
    // Cancels the question under way and drops the rest.
    ~MediaInfoQueue();

    MediaInfoQueue(const MediaInfoQueue&) = delete;
    MediaInfoQueue& operator=(const MediaInfoQueue&) = delete;

    void Ask(quint64 tag, const std::string& path);

private:
    void Work();

    QObject* m_context;
    Query m_query;
    Answer m_answer;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::pair<quint64, std::string>> m_pending;
    std::atomic<bool> m_closing {false};
    std::thread m_worker;
};
