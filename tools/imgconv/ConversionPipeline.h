#pragma once

#include "tools/common/ProgressReport.h"
#include "tools/imgconv/FrameClock.h"
#include "tools/imgconv/FrameDiffer.h"
#include "tools/imgconv/FrameQuantizer.h"
#include "tools/imgconv/GifFileWriter.h"
#include "tools/imgconv/ImgconvOptions.h"
#include "tools/imgconv/IndexedFrame.h"
#include "tools/imgconv/PngFrame.h"
#include "tools/imgconv/QuantizeSettings.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace imgconv {

// Decodes, compares, quantises, compresses and writes the frames on all cores. Each thread
// takes the furthest-along piece of work that is ready; the numbers of decoded frames and
// of frames between comparison and writing are capped, so memory stays flat however many
// frames there are. Comparison and writing run in frame order, one frame at a time.
class ConversionPipeline
{
public:
    ConversionPipeline(CommandLine command, std::vector<std::string> files,
        QuantizeSettings settings, int threads);
    ~ConversionPipeline();

    // Called after each frame of an animation is written, with the number of the source
    // frame it starts at and the bytes the file holds so far; false stops the conversion,
    // and Run then gives false with Stopped() set and no file written.
    using SizeWatch = std::function<bool(long sourceNumber, long long bytes)>;
    void WatchSize(SizeWatch watch) { m_watch = std::move(watch); }
    // Progress lines as a stretch of a longer search's work (see ProgressReport).
    void ReportWithin(long long before, long long total, int trial)
    {
        m_progress.Within(before, total, trial);
    }

    bool Run();
    bool Stopped() const { return m_stopped; }
    const std::string& Error() const { return m_error; }

private:
    struct FrameTiming
    {
        int delay = 0;
        Disposal disposal = Disposal::LeaveInPlace;
        bool final = false;
    };

    void Work();
    bool StepLocked(std::unique_lock<std::mutex>& lock);
    bool TakeQuantizeJob(FrameJob& job);
    void Decode(size_t index, std::unique_lock<std::mutex>& lock);
    void Compare(PngFrame frame, size_t index, std::unique_lock<std::mutex>& lock);
    void Quantize(FrameJob job, std::unique_lock<std::mutex>& lock);
    void Write(IndexedFrame frame, FrameTiming timing, std::unique_lock<std::mutex>& lock);
    void Fail(size_t order, const std::string& error);
    void Dispatch(FrameJob job, int delay, bool clearPrevious);

    const CommandLine m_command;
    const std::vector<std::string> m_files;
    const QuantizeSettings m_settings;
    const int m_threads;
    const size_t m_decodeWindow;
    size_t m_jobWindow = 0; // frames between comparison and writing, set once the size is known
    const FrameQuantizer m_quantizer;

    std::mutex m_mutex;
    std::condition_variable m_changed;

    int m_width = 0;
    int m_height = 0;
    size_t m_nextDecode = 0;
    std::map<size_t, PngFrame> m_decoded;
    size_t m_nextCompare = 0;
    bool m_comparing = false;
    std::deque<FrameJob> m_jobs;
    long m_jobsMade = 0;
    std::map<long, IndexedFrame> m_ready;
    std::map<long, FrameTiming> m_timing;
    std::map<long, KeptPalette> m_palettes; // by the frame they were made for
    long m_paletteFrame = -1; // the latest frame whose palette the next ones may share
    size_t m_paletteArea = 0; // the size of that frame's rectangle
    long m_nextWrite = 0;
    bool m_writing = false;
    bool m_finished = false;

    // Touched only by the one thread that compares at a time.
    std::unique_ptr<FrameDiffer> m_differ;
    FrameClock m_clock;

    std::unique_ptr<GifFileWriter> m_animation;
    ProgressReport m_progress;
    SizeWatch m_watch;
    bool m_failed = false;
    bool m_stopped = false;
    size_t m_errorOrder = 0;
    std::string m_error;
};

} // namespace imgconv
