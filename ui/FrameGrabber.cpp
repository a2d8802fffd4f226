#include "ui/FrameGrabber.h"

#include "engine/FrameGrab.h"
#include "engine/ToolProcesses.h"
#include "platform/TempFolder.h"

#include <cstdlib>
#include <unistd.h>

namespace {

// A fresh folder for one grabber's frames in the private temporary folder.
std::string MakeFrameFolder()
{
    const std::string temp = TempFolder();
    if (temp.empty())
        return {};
    std::string name = temp + "frames-XXXXXX";
    if (!::mkdtemp(name.data()))
        return {};
    return name + "/";
}

} // namespace

FrameGrabber::FrameGrabber(std::string input, double frameRate, QObject* parent)
    : FrameGrabber(std::move(input), frameRate, GrabFrame, parent)
{ }

FrameGrabber::FrameGrabber(std::string input, double frameRate, Grab grab, QObject* parent)
    : QObject(parent)
    , m_input(std::move(input))
    , m_rate(frameRate)
    , m_grab(std::move(grab))
    , m_folder(MakeFrameFolder())
{
    if (!m_folder.empty())
        m_worker = std::thread([this] { Work(); });
}

FrameGrabber::~FrameGrabber()
{
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
        m_pending.reset();
    }
    // Wakes the watcher too, which ends the tool of a frame nobody waits for.
    m_wake.notify_all();
    if (m_worker.joinable())
        m_worker.join();
    if (!m_folder.empty())
        RemoveTree(m_folder);
}

void FrameGrabber::Request(int request, double seconds)
{
    if (m_folder.empty()) {
        // No folder for frames: say at once that there is no picture.
        QMetaObject::invokeMethod(
            this, [this, request] { emit FrameReady(request, QImage()); }, Qt::QueuedConnection);
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_pending = { request, seconds };
        m_latest = request;
    }
    m_wake.notify_all();
}

void FrameGrabber::Work()
{
    for (;;) {
        std::pair<int, double> job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_closing || m_pending; });
            if (m_closing)
                return;
            job = *m_pending;
            m_pending.reset();
        }
        // A watcher ends the tool once a newer request makes this one stale,
        // so that dragging the slider never queues up decoders.
        ToolProcesses tools;
        std::atomic<bool> finished { false };
        std::thread watcher([&] {
            std::unique_lock lock(m_mutex);
            while (!finished && !m_closing && m_latest == job.first)
                m_wake.wait_for(lock, std::chrono::milliseconds(20));
            if (!finished) {
                lock.unlock();
                tools.EndAll();
            }
        });
        const std::string path = m_grab(m_input, job.second, m_rate, m_folder, tools);
        finished = true;
        m_wake.notify_all();
        watcher.join();
        QImage image;
        if (!path.empty()) {
            image.load(QString::fromLocal8Bit(path.c_str()));
            ::unlink(path.c_str());
        }
        std::lock_guard lock(m_mutex);
        if (m_closing)
            return;
        if (m_latest != job.first)
            continue; // stale: the newer request is on its way
        // Dropped with the posted event when the grabber goes first.
        QMetaObject::invokeMethod(
            this, [this, request = job.first, image] { emit FrameReady(request, image); },
            Qt::QueuedConnection);
    }
}
