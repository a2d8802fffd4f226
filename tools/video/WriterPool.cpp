#include "tools/video/WriterPool.h"

#include "tools/video/CaptionPainter.h"

#include <algorithm>
#include <sys/stat.h>

namespace video {

WriterPool::WriterPool(const OutputPattern& pattern, const WriteSettings& settings,
    Geometry geometry, int threads, Caption caption)
    : m_pattern(pattern)
    , m_settings(settings)
    , m_geometry(geometry)
    , m_caption(std::move(caption))
    , m_capacity(static_cast<size_t>(threads) * 2)
{
    for (int i = 0; i < threads; ++i)
        m_threads.emplace_back([this] { Run(); });
}

WriterPool::~WriterPool()
{
    Finish();
}

bool WriterPool::Submit(const AVFrame* frame, long long number)
{
    FramePtr copy(av_frame_clone(frame));
    std::unique_lock lock(m_mutex);
    if (!copy && m_error.empty())
        m_error = "out of memory";
    m_changed.wait(lock, [this] { return m_jobs.size() < m_capacity || !m_error.empty(); });
    if (!m_error.empty())
        return false;
    m_jobs.push_back(Job { std::move(copy), number });
    m_changed.notify_all();
    return true;
}

std::string WriterPool::Finish()
{
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_changed.notify_all();
    for (auto& t : m_threads)
        if (t.joinable())
            t.join();
    m_threads.clear();
    return m_error;
}

void WriterPool::Run()
{
    FrameConverter converter(
        m_geometry.width, m_geometry.height, m_geometry.rotation, m_geometry.crop);
    ImageWriter writer(m_pattern, m_settings);
    std::optional<CaptionPainter> painter;
    if (!m_caption.text.empty())
        painter.emplace(m_caption.text, m_caption.top, m_caption.fontFile);
    // Whether image `number` lies in the caption's time.
    const auto captioned = [this](long long number) {
        const double time
            = m_caption.firstTime + static_cast<double>(number - 1) * m_caption.spacing;
        // Images are taken at times rounded to the microsecond.
        return time >= m_caption.from - 1e-6 && time < m_caption.to - 1e-6;
    };
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(
                lock, [this] { return !m_jobs.empty() || m_closing || !m_error.empty(); });
            if (!m_error.empty() || m_jobs.empty())
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        m_changed.notify_all();

        RgbImage* image = converter.Convert(job.frame.get());
        std::string error;
        if (!image)
            error = "cannot convert frame " + std::to_string(job.number);
        else if (painter && captioned(job.number))
            error = painter->Paint(*image);
        if (error.empty())
            error = writer.Write(*image, job.number);
        if (error.empty()) {
            struct stat st
            {
            };
            // What the file takes on the disk, which may be whole pages more than its size.
            if (::stat(m_pattern.FileName(job.number).c_str(), &st) == 0) {
                m_bytesWritten += std::max<long long>(st.st_size, st.st_blocks * 512LL);
                ++m_filesWritten;
            }
        }
        job.frame.reset();
        if (!error.empty()) {
            std::lock_guard lock(m_mutex);
            if (m_error.empty())
                m_error = error;
            m_changed.notify_all();
            return;
        }
    }
}

} // namespace video
