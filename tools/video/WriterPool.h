#pragma once

#include "tools/common/FfmpegHandles.h"
#include "tools/video/ImageWriter.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace video {

// Converts and writes frames on a few threads while the decoder goes on. The queue is short,
// so memory stays flat however long the clip; each frame carries its file number, so the
// order of completion does not matter.
class WriterPool
{
public:
    struct Geometry
    {
        int width = 0;
        int height = 0;
        int rotation = 0;
        std::optional<SourceRect> crop; // of the decoded frames, before scaling
    };

    // A caption drawn on the images whose time in the clip lies from `from` to `to`.
    struct Caption
    {
        std::string text; // empty: none
        bool top = false;
        std::string fontFile;
        double from = 0.0;
        double to = 0.0;
        double firstTime = 0.0; // of image 1, in seconds of the clip
        double spacing = 1.0; // seconds of the clip between two images
    };

    WriterPool(const OutputPattern& pattern, const WriteSettings& settings, Geometry geometry,
        int threads, Caption caption);
    ~WriterPool();
    WriterPool(const WriterPool&) = delete;
    WriterPool& operator=(const WriterPool&) = delete;

    // Queues a reference to the frame under the given number; false once a write has failed.
    bool Submit(const AVFrame* frame, long long number);
    // Waits for the queued frames; empty on success, else the first error.
    std::string Finish();

    // The images written so far and the bytes they take.
    long long FilesWritten() const { return m_filesWritten; }
    long long BytesWritten() const { return m_bytesWritten; }

private:
    struct Job
    {
        FramePtr frame;
        long long number = 0;
    };

    void Run();

    const OutputPattern& m_pattern;
    WriteSettings m_settings;
    Geometry m_geometry;
    Caption m_caption;
    size_t m_capacity;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Job> m_jobs;
    bool m_closing = false;
    std::string m_error;
    std::atomic<long long> m_filesWritten { 0 };
    std::atomic<long long> m_bytesWritten { 0 };
    std::vector<std::thread> m_threads;
};

} // namespace video
