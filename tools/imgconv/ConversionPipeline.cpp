#include "tools/imgconv/ConversionPipeline.h"

#include "tools/imgconv/LossyLzw.h"
#include "tools/imgconv/OutputName.h"

#include <algorithm>
#include <thread>

namespace imgconv {

namespace {

    constexpr size_t kJobBudgetBytes = 64 << 20; // frames waiting to be quantised

    QuantizeSettings ForForm(QuantizeSettings settings, OutputForm form)
    {
        // Separate files share nothing.
        if (form == OutputForm::PerFrame || settings.paletteRun < 1)
            settings.paletteRun = 1;
        return settings;
    }

} // namespace

ConversionPipeline::ConversionPipeline(
    CommandLine command, std::vector<std::string> files, QuantizeSettings settings, int threads)
    : m_command(std::move(command))
    , m_files(std::move(files))
    , m_settings(ForForm(settings, m_command.form))
    , m_threads(threads < 1 ? 1 : threads)
    , m_decodeWindow(static_cast<size_t>(m_threads) + 1)
    , m_quantizer(m_settings)
{ }

ConversionPipeline::~ConversionPipeline() = default;

bool ConversionPipeline::Run()
{
    // Every frame must have the first one's size; headers are cheap to check up front,
    // before any work is done or any file written.
    for (size_t i = 0; i < m_files.size(); ++i) {
        const PngSize size = ReadPngSize(m_files[i]);
        if (!size.error.empty()) {
            m_error = size.error;
            return false;
        }
        if (i == 0) {
            m_width = size.width;
            m_height = size.height;
        } else if (size.width != m_width || size.height != m_height) {
            m_error = "frame '" + m_files[i] + "' is " + std::to_string(size.width) + "x"
                + std::to_string(size.height) + ", not " + std::to_string(m_width) + "x"
                + std::to_string(m_height) + " as the first frame";
            return false;
        }
    }

    // Frames that wait for an earlier frame's palette must not starve the other threads:
    // room for two runs of them beyond a frame per thread, as far as a memory budget
    // allows (large frames then share palettes with less overlap).
    const size_t frameBytes = static_cast<size_t>(m_width) * static_cast<size_t>(m_height) * 4;
    const size_t minimum = static_cast<size_t>(m_threads) + 2;
    const size_t wanted
        = static_cast<size_t>(m_threads) + 2 * static_cast<size_t>(m_settings.paletteRun);
    m_jobWindow
        = std::max(minimum, std::min(wanted, kJobBudgetBytes / std::max<size_t>(frameBytes, 1)));

    if (m_command.form == OutputForm::Animation) {
        m_differ = std::make_unique<FrameDiffer>(m_width, m_height, m_settings);
        m_animation = std::make_unique<GifFileWriter>(m_command.output);
        if (!m_animation->Begin(m_width, m_height, m_command.loop)) {
            m_error = m_animation->Error();
            return false;
        }
    }

    std::vector<std::thread> helpers;
    for (int i = 1; i < m_threads; ++i)
        helpers.emplace_back([this] { Work(); });
    Work();
    for (std::thread& helper : helpers)
        helper.join();

    if (m_failed) {
        m_animation.reset(); // and with it the partial file
        return false;
    }
    if (m_animation && !m_animation->Finish()) {
        m_error = m_animation->Error();
        return false;
    }
    m_progress.Finish(
        static_cast<long long>(m_files.size()), static_cast<long long>(m_files.size()));
    return true;
}

void ConversionPipeline::Work()
{
    FrameQuantizer::UseOneThreadHere();
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_failed && !m_finished) {
        if (!StepLocked(lock))
            m_changed.wait(lock);
    }
    m_changed.notify_all();
}

bool ConversionPipeline::StepLocked(std::unique_lock<std::mutex>& lock)
{
    // Writing first: it frees memory and lets the rest move on.
    if (!m_writing) {
        const auto ready = m_ready.find(m_nextWrite);
        const auto timing = m_timing.find(m_nextWrite);
        if (ready != m_ready.end() && timing != m_timing.end() && timing->second.final) {
            IndexedFrame frame = std::move(ready->second);
            const FrameTiming frameTiming = timing->second;
            m_ready.erase(ready);
            m_timing.erase(timing);
            Write(std::move(frame), frameTiming, lock);
            return true;
        }
    }
    FrameJob job;
    if (TakeQuantizeJob(job)) {
        Quantize(std::move(job), lock);
        return true;
    }
    if (!m_comparing && static_cast<size_t>(m_jobsMade - m_nextWrite) < m_jobWindow) {
        const auto decoded = m_decoded.find(m_nextCompare);
        if (decoded != m_decoded.end()) {
            PngFrame frame = std::move(decoded->second);
            m_decoded.erase(decoded);
            Compare(std::move(frame), m_nextCompare, lock);
            return true;
        }
    }
    if (m_nextDecode < m_files.size() && m_nextDecode < m_nextCompare + m_decodeWindow) {
        Decode(m_nextDecode++, lock);
        return true;
    }
    return false;
}

bool ConversionPipeline::TakeQuantizeJob(FrameJob& job)
{
    // The earliest job whose shared palette, if any, is known.
    for (auto it = m_jobs.begin(); it != m_jobs.end(); ++it) {
        if (it->paletteFrom < 0 || m_palettes.count(it->paletteFrom)) {
            job = std::move(*it);
            m_jobs.erase(it);
            return true;
        }
    }
    return false;
}

void ConversionPipeline::Decode(size_t index, std::unique_lock<std::mutex>& lock)
{
    lock.unlock();
    PngFrame frame = ReadPngFrame(m_files[index]);
    if (frame.error.empty() && (frame.image.width != m_width || frame.image.height != m_height))
        frame.error = "frame '" + m_files[index] + "' changed its size while being read";
    lock.lock();
    if (!frame.error.empty()) {
        Fail(index, frame.error);
        return;
    }
    m_decoded.emplace(index, std::move(frame));
    m_changed.notify_all();
}

void ConversionPipeline::Dispatch(FrameJob job, int delay, bool clearPrevious)
{
    // The frame before is complete now: its delay cannot grow any more.
    if (m_jobsMade > 0) {
        FrameTiming& previous = m_timing[m_jobsMade - 1];
        if (clearPrevious)
            previous.disposal = Disposal::RestoreBackground;
        previous.final = true;
    }
    job.sequence = m_jobsMade;
    // Consecutive frames look alike: a run of them shares the first one's palette (each
    // still gets its own when the shared one maps it badly). A rectangle much larger than
    // the first one's likely holds colours it lacks and starts a new run; a small one is
    // cheap to search and keeps the run going.
    const size_t area = static_cast<size_t>(job.rect.width) * static_cast<size_t>(job.rect.height);
    if (m_settings.paletteRun > 1 && area * 8 >= m_paletteArea) {
        if (m_paletteFrame >= 0 && m_jobsMade - m_paletteFrame < m_settings.paletteRun
            && area * 2 <= m_paletteArea * 3) {
            job.paletteFrom = m_paletteFrame;
        } else {
            job.keepPalette = true;
            m_paletteFrame = m_jobsMade;
            m_paletteArea = area;
        }
    }
    m_timing[m_jobsMade] = FrameTiming { delay, Disposal::LeaveInPlace, false };
    ++m_jobsMade;
    m_jobs.push_back(std::move(job));
}

void ConversionPipeline::Compare(PngFrame frame, size_t index, std::unique_lock<std::mutex>& lock)
{
    m_comparing = true;
    const long sourceNumber = static_cast<long>(index) + 1;
    if (m_command.form == OutputForm::PerFrame) {
        FrameJob job;
        job.sourceNumber = sourceNumber;
        job.rect = Rect { 0, 0, m_width, m_height };
        job.rgba = std::move(frame.image.pixels);
        Dispatch(std::move(job), 0, false);
        m_timing[m_jobsMade - 1].final = true;
    } else {
        const bool realTime = !m_command.delay.has_value();
        const int delay = realTime ? m_clock.NextDelay(frame.frameInterval) : *m_command.delay;
        FrameTiming* previous = m_jobsMade > 0 ? &m_timing[m_jobsMade - 1] : nullptr;
        // Faster than browsers can show (above 50 per second): while the frame before is
        // still too short to be shown, it takes this frame's time and this one is skipped; once
        // it is long enough the next frame is kept. So at 100 per second every other frame
        // stays, and the duration and the motion are those of 50 per second.
        if (realTime && previous && previous->delay < kShortestPlayableDelay
            && previous->delay + delay <= kLongestDelay) {
            previous->delay += delay;
        } else {
            lock.unlock();
            FrameChange change = m_differ->Next(frame.image);
            frame = PngFrame();
            lock.lock();
            previous = m_jobsMade > 0 ? &m_timing[m_jobsMade - 1] : nullptr;
            if (change.unchanged && previous && previous->delay + delay <= kLongestDelay) {
                previous->delay += delay;
            } else {
                if (change.unchanged)
                    m_differ->EmptyJobWritten();
                change.job.sourceNumber = sourceNumber;
                Dispatch(std::move(change.job), delay, change.clearPrevious);
            }
        }
    }
    ++m_nextCompare;
    if (m_nextCompare == m_files.size() && m_jobsMade > 0)
        m_timing[m_jobsMade - 1].final = true;
    m_comparing = false;
    m_changed.notify_all();
}

void ConversionPipeline::Quantize(FrameJob job, std::unique_lock<std::mutex>& lock)
{
    // Safe to read unlocked: map entries stay put, and this one is erased only once this
    // frame has been written.
    const KeptPalette* earlier = job.paletteFrom >= 0 ? &m_palettes.at(job.paletteFrom) : nullptr;
    const bool keep = job.keepPalette;
    lock.unlock();
    QuantizeResult result = m_quantizer.Quantize(job, earlier);
    job = FrameJob();
    std::string error = result.error;
    if (error.empty()) {
        CompressImageData(result.frame, m_settings.lossy);
        result.frame.indices = std::vector<uint8_t>();
    }
    lock.lock();
    if (!error.empty()) {
        Fail(static_cast<size_t>(result.frame.sourceNumber - 1), error);
        return;
    }
    const long sequence = result.frame.sequence;
    if (keep)
        m_palettes[sequence] = std::move(result.palette);
    m_ready.emplace(sequence, std::move(result.frame));
    m_changed.notify_all();
}

void ConversionPipeline::Write(
    IndexedFrame frame, FrameTiming timing, std::unique_lock<std::mutex>& lock)
{
    m_writing = true;
    lock.unlock();
    std::string error;
    bool stop = false;
    if (m_animation) {
        const int delay = PlayableDelay(timing.delay);
        if (!m_animation->PutFrame(frame, delay, timing.disposal))
            error = m_animation->Error();
        else if (m_watch)
            stop = !m_watch(frame.sourceNumber, m_animation->BytesWritten());
    } else {
        GifFileWriter still(NumberedPath(m_command.output, frame.sequence + 1));
        if (!still.Begin(m_width, m_height, -1) || !still.PutFrame(frame, 0, timing.disposal)
            || !still.Finish())
            error = still.Error();
    }
    lock.lock();
    m_writing = false;
    if (!error.empty()) {
        Fail(static_cast<size_t>(frame.sourceNumber - 1), error);
        return;
    }
    if (stop) {
        // As a failure without a message: every thread leaves, the partial file goes.
        m_stopped = true;
        m_failed = true;
        m_changed.notify_all();
        return;
    }
    ++m_nextWrite;
    // Frames are written in order, and the ones merged into this one came before it.
    m_progress.Update(frame.sourceNumber, static_cast<long long>(m_files.size()));
    // No frame still to be quantised refers to palettes this old.
    m_palettes.erase(
        m_palettes.begin(), m_palettes.lower_bound(m_nextWrite - m_settings.paletteRun));
    if (m_nextCompare == m_files.size() && m_nextWrite == m_jobsMade)
        m_finished = true;
    m_changed.notify_all();
}

void ConversionPipeline::Fail(size_t order, const std::string& error)
{
    // Of several failures, report the one of the earliest frame, as a serial run would.
    if (!m_failed || order < m_errorOrder) {
        m_error = error;
        m_errorOrder = order;
    }
    m_failed = true;
    m_changed.notify_all();
}

} // namespace imgconv
