#pragma once

#include <QImage>
#include <QObject>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

class ToolProcesses;

// Decodes single frames of one video for the edit dialog, through the video
// tool, on a thread of its own: the window never waits for a decoder. Only the
// latest request counts: one that comes while another is under way replaces
// any that waits, and the tool of a request that is already stale is ended.
// The frames go into a folder of their own inside the private temporary folder
// (never the job's DasmereTemp frames), and each is removed once read.
// Destroying the grabber ends its tool and removes the folder.
class FrameGrabber : public QObject
{
    Q_OBJECT
public:
    // `grab` stands in for the video tool in tests (input, seconds, rate,
    // folder, owner): the path of the frame written, or empty.
    using Grab = std::function<std::string(const std::string& input, double seconds,
        double frameRate, const std::string& folder, ToolProcesses& owner)>;

    FrameGrabber(std::string input, double frameRate, QObject* parent = nullptr);
    FrameGrabber(std::string input, double frameRate, Grab grab, QObject* parent = nullptr);
    ~FrameGrabber() override;

    // Asks for the frame at `seconds`; `request` comes back with it.
    void Request(int request, double seconds);
    // The folder the frames go to (empty when none could be made).
    std::string Folder() const { return m_folder; }

signals:
    // On the grabber's thread of creation. A null image: there is no frame
    // there (past the end, not a video, no tool).
    void FrameReady(int request, const QImage& image);

private:
    void Work();

    std::string m_input;
    double m_rate;
    Grab m_grab;
    std::string m_folder;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<std::pair<int, double>> m_pending;
    int m_latest = 0; // the newest request asked for
    bool m_closing = false;
    std::thread m_worker;
};
