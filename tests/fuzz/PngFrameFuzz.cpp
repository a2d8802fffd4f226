// imgconv.dll's reading of a PNG frame file (and of its size and frame interval), on any bytes.

#include "tests/fuzz/FuzzSupport.h"
#include "tools/imgconv/PngFrame.h"

#include <cmath>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr std::int64_t kMaxFuzzPixels = 1 << 16;

// The frame readers take a path: the input goes into an in-memory file, opened by its
// /proc/self/fd name, so that no run touches the disk.
class MemoryFile
{
public:
    MemoryFile()
        : m_fd(memfd_create("png_frame", MFD_CLOEXEC))
    {
        FUZZ_CHECK(m_fd >= 0);
    }
    ~MemoryFile() { ::close(m_fd); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    std::string Path() const { return "/proc/self/fd/" + std::to_string(m_fd); }

    void Store(const std::uint8_t* data, std::size_t size)
    {
        FUZZ_CHECK(::ftruncate(m_fd, 0) == 0);
        std::size_t done = 0;
        while (done < size) {
            ssize_t n = ::pwrite(m_fd, data + done, size - done, static_cast<off_t>(done));
            FUZZ_CHECK(n > 0);
            done += static_cast<std::size_t>(n);
        }
    }

private:
    int m_fd;
};

void CheckInterval(const std::optional<double>& interval)
{
    if (interval)
        FUZZ_CHECK(std::isfinite(*interval) && *interval > 0 && *interval < 1e6);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static MemoryFile file;
    file.Store(data, size);
    const std::string path = file.Path();

    CheckInterval(imgconv::FindFrameInterval(data, size));

    const imgconv::PngSize header = imgconv::ReadPngSize(path);
    // A forged header can ask for up to kMaxPixels (a 256 MiB buffer): allowed, but decoding
    // such frames takes the fuzzer's time away from the paths that matter.
    if (header.error.empty() && std::int64_t { header.width } * header.height > kMaxFuzzPixels)
        return 0;
    const imgconv::PngFrame frame = imgconv::ReadPngFrame(path);
    if (!frame.error.empty()) {
        FUZZ_CHECK(frame.image.pixels.empty());
        return 0;
    }
    // A decoded frame is within the limits, fully RGBA, and the size the header read gave.
    const auto& image = frame.image;
    FUZZ_CHECK(image.width > 0 && image.width <= imgconv::kMaxSide);
    FUZZ_CHECK(image.height > 0 && image.height <= imgconv::kMaxSide);
    FUZZ_CHECK(std::int64_t { image.width } * image.height <= imgconv::kMaxPixels);
    FUZZ_CHECK(image.pixels.size() == std::size_t(image.width) * std::size_t(image.height) * 4);
    FUZZ_CHECK(header.error.empty());
    FUZZ_CHECK(header.width == image.width && header.height == image.height);
    CheckInterval(frame.frameInterval);
    FUZZ_CHECK(frame.frameInterval == imgconv::FindFrameInterval(data, size));
    return 0;
}
