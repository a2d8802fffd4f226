#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace imgconv_test {

struct Image
{
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;

    static Image Filled(int width, int height, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255);
    uint8_t* At(int x, int y) { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
    const uint8_t* At(int x, int y) const
    {
        return &rgba[(static_cast<size_t>(y) * width + x) * 4];
    }
    void FillRect(int x, int y, int w, int h, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255);
};

// A picture with gradients and edges, different for each seed.
Image TestPicture(int width, int height, int seed);

enum class PngKind
{
    Rgb8,
    Rgba8,
    Rgb16,
    Grey8,
    Palette,
};

// Writes image as a PNG of the given kind, with a "FrameInterval" text chunk when given.
void WritePng(const std::string& path, const Image& image, PngKind kind = PngKind::Rgb8,
    std::optional<std::string> frameInterval = std::nullopt);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);

struct RunResult
{
    int status = -1; // exit status, or 128 + signal
    std::string errorText;
};

// Runs imgconv.dll with the arguments; maxFileSize limits the size of files it may write.
RunResult RunImgconv(const std::vector<std::string>& args, long maxFileSize = -1);

struct GifFrame
{
    int left = 0, top = 0, width = 0, height = 0;
    int delay = 0;
    int disposal = 0;
    int transparentIndex = -1;
    Image canvas; // the whole picture a viewer shows after this frame
};

struct GifInfo
{
    bool ok = false;
    std::string version; // "GIF89a"
    int width = 0, height = 0;
    std::optional<int> netscapeLoop; // value of the NETSCAPE2.0 block
    std::vector<GifFrame> frames;
};

// Reads a GIF with giflib's DGif API and plays it, frame by frame.
GifInfo ReadGif(const std::string& path);

// Mean absolute difference per colour channel over the opaque pixels of expected.
double MeanError(const Image& expected, const Image& actual);

// A fresh folder, removed with its content at the end.
class TempFolder
{
public:
    explicit TempFolder(const std::string& nameInside = "");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }
    std::vector<std::string> Names() const; // sorted

private:
    std::string m_root;
    std::string m_path;
};

} // namespace imgconv_test
