#include "tools/imgconv/FrameClock.h"
#include "tools/imgconv/FrameDiffer.h"
#include "tools/imgconv/FrameFiles.h"
#include "tools/imgconv/FrameQuantizer.h"
#include "tools/imgconv/FrameRemapper.h"
#include "tools/imgconv/GifFileWriter.h"
#include "tools/imgconv/ImgconvOptions.h"
#include "tools/imgconv/LossyLzw.h"
#include "tools/imgconv/OutputName.h"
#include "tools/imgconv/PngFrame.h"
#include "tools/imgconv/QualityScale.h"

#include <algorithm>
#include <cstdio>
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace imgconv;

TEST(FrameClock, CarriesRoundingSoThatFifteenFramesPerSecondKeepRealTime)
{
    FrameClock clock;
    std::vector<int> delays;
    for (int i = 0; i < 6; ++i)
        delays.push_back(clock.NextDelay(0.0666666667));
    EXPECT_EQ(delays, (std::vector<int> { 7, 7, 6, 7, 7, 6 }));
}

TEST(FrameClock, ExactIntervalsAndMissingRecords)
{
    FrameClock clock;
    EXPECT_EQ(clock.NextDelay(0.08), 8);
    EXPECT_EQ(clock.NextDelay(0.08), 8);
    EXPECT_EQ(clock.NextDelay(std::nullopt), kDefaultDelay);
    EXPECT_EQ(clock.NextDelay(0.08), 8);
    // 29.97 frames per second: 100 frames take 334 hundredths, not 300 or 400.
    FrameClock ntsc;
    int total = 0;
    for (int i = 0; i < 100; ++i)
        total += ntsc.NextDelay(1001.0 / 30000.0);
    EXPECT_EQ(total, 334);
}

TEST(FrameClock, BrowsersNeedAtLeastTwoHundredths)
{
    EXPECT_EQ(PlayableDelay(0), 2);
    EXPECT_EQ(PlayableDelay(1), 2);
    EXPECT_EQ(PlayableDelay(2), 2);
    EXPECT_EQ(PlayableDelay(10), 10);
}

struct NumberCase
{
    const char* pattern;
    long number;
    const char* expected;
};

TEST(NumberedPath, ReplacesTheLastPlaceholderOfTheFileNameOnly)
{
    const NumberCase cases[] = {
        { "/out/party%d.gif", 3, "/out/party3.gif" },
        { "/out/party%03d.gif", 7, "/out/party007.gif" },
        { "/out/party%08d.gif", 12, "/out/party00000012.gif" },
        { "/tmp/100%d done/x%d.gif", 2, "/tmp/100%d done/x2.gif" },
        { "/out/%d-%d.gif", 5, "/out/%d-5.gif" },
        { "/out/%s.gif", 5, "/out/%s.gif" },
        { "/out/100%.gif", 5, "/out/100%.gif" },
        { "party%d.gif", 11, "party11.gif" },
    };
    for (const NumberCase& c : cases)
        EXPECT_EQ(NumberedPath(c.pattern, c.number), c.expected) << c.pattern;
}

struct MatchCase
{
    const char* name;
    const char* pattern;
    bool matches;
};

TEST(MatchWildcard, StarAndQuestionMarkOnly)
{
    const MatchCase cases[] = {
        { "DasmereTemp00000001.png", "DasmereTemp*.png", true },
        { "DasmereTemp.png", "DasmereTemp*.png", true },
        { "DasmereTemp00000001.png.bak", "DasmereTemp*.png", false },
        { "xDasmereTemp1.png", "DasmereTemp*.png", false },
        { "a1.png", "a?.png", true },
        { "a12.png", "a?.png", false },
        { "aé.png", "a?.png", true }, // one character, two bytes
        { "[1].png", "[1].png", true }, // brackets are plain characters
        { "1.png", "[1].png", false },
        { "abcabc.png", "*abc*.png", true },
        { "aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*c", false },
    };
    for (const MatchCase& c : cases)
        EXPECT_EQ(MatchWildcard(c.name, c.pattern), c.matches) << c.name << " ~ " << c.pattern;
}

struct ParseCase
{
    std::vector<std::string> args;
    bool ok;
    OutputForm form;
    std::optional<int> delay;
    int loop;
};

TEST(ParseCommandLine, FormsAndOptions)
{
    const ParseCase cases[] = {
        { { "-delay", "10", "-loop", "0", "/t/D*.png", "/o/a.gif" }, true, OutputForm::Animation,
            10, 0 },
        { { "-loop", "3", "/t/D*.png", "/o/a.gif" }, true, OutputForm::Animation, std::nullopt, 3 },
        { { "/t/D*.png", "/o/a.gif" }, true, OutputForm::Animation, std::nullopt, 0 },
        { { "/t/D*.png", "-delay", "8", "-loop", "2", "/o/a%d.gif" }, true, OutputForm::PerFrame, 8,
            2 },
        { { "/t/D*.png", "/o/a%d.gif" }, true, OutputForm::PerFrame, std::nullopt, 0 },
        // The per-frame form needs a number placeholder.
        { { "/t/D*.png", "-loop", "0", "/o/a.gif" }, false, {}, {}, 0 },
        { { "-delay", "10", "/t/D*.png", "-loop", "0", "/o/a.gif" }, false, {}, {}, 0 },
        { { "-delay", "x", "/t/D*.png", "/o/a.gif" }, false, {}, {}, 0 },
        { { "-delay", "-5", "/t/D*.png", "/o/a.gif" }, false, {}, {}, 0 },
        { { "-delay", "70000", "/t/D*.png", "/o/a.gif" }, false, {}, {}, 0 },
        { { "-loop" }, false, {}, {}, 0 },
        { { "-fast", "/t/D*.png", "/o/a.gif" }, false, {}, {}, 0 },
        { { "/t/D*.png" }, false, {}, {}, 0 },
        { { "/t/D*.png", "/o/a.gif", "/o/b.gif" }, false, {}, {}, 0 },
        { { "/t/D*.png", "/o/a.gif", "-loop", "1" }, false, {}, {}, 0 },
    };
    for (const ParseCase& c : cases) {
        const ParsedCommandLine parsed = ParseCommandLine(c.args);
        SCOPED_TRACE(::testing::PrintToString(c.args));
        EXPECT_EQ(parsed.error.empty(), c.ok) << parsed.error;
        if (!c.ok || !parsed.error.empty())
            continue;
        EXPECT_EQ(parsed.command.form, c.form);
        EXPECT_EQ(parsed.command.delay, c.delay);
        EXPECT_EQ(parsed.command.loop, c.loop);
    }
    EXPECT_TRUE(ParseCommandLine({ "--help" }).help);
}

struct SizeOptionCase
{
    std::vector<std::string> args;
    std::optional<int> quality; // absent with maxSize absent too: refused
    std::optional<long long> maxSize;
    bool ok = true;
};

TEST(ParseCommandLine, QualityAndSizeBudget)
{
    const SizeOptionCase cases[] = {
        { { "-quality", "1", "D*.png", "a.gif" }, 1, {} },
        { { "-quality", "100", "-delay", "8", "D*.png", "a.gif" }, 100, {} },
        { { "-max-size", "1500", "D*.png", "a.gif" }, {}, 1500 },
        { { "-max-size", "2k", "D*.png", "a.gif" }, {}, 2000 },
        { { "-max-size", "2K", "D*.png", "a.gif" }, {}, 2000 },
        { { "-max-size", "5M", "-quality", "70", "D*.png", "a.gif" }, 70, 5000000 },
        { { "D*.png", "-quality", "40", "a%d.gif" }, 40, {} },
        { { "-quality", "0", "D*.png", "a.gif" }, {}, {}, false },
        { { "-quality", "101", "D*.png", "a.gif" }, {}, {}, false },
        { { "-quality", "7.5", "D*.png", "a.gif" }, {}, {}, false },
        { { "-quality", "", "D*.png", "a.gif" }, {}, {}, false },
        { { "-max-size", "0", "D*.png", "a.gif" }, {}, {}, false },
        { { "-max-size", "-5", "D*.png", "a.gif" }, {}, {}, false },
        { { "-max-size", "1m", "D*.png", "a.gif" }, {}, {}, false },
        { { "-max-size", "k", "D*.png", "a.gif" }, {}, {}, false },
        { { "-max-size", "1.5M", "D*.png", "a.gif" }, {}, {}, false },
        { { "-max-size", "99999999999999999", "D*.png", "a.gif" }, {}, {}, false },
        { { "-max-size" }, {}, {}, false },
        // One GIF per frame has no one size to hold to.
        { { "D*.png", "-max-size", "1M", "a%d.gif" }, {}, {}, false },
    };
    for (const SizeOptionCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const ParsedCommandLine parsed = ParseCommandLine(c.args);
        EXPECT_EQ(parsed.error.empty(), c.ok) << parsed.error;
        if (!c.ok)
            continue;
        EXPECT_EQ(parsed.command.quality, c.quality);
        EXPECT_EQ(parsed.command.maxSize, c.maxSize);
    }
}

TEST(UsageText, DocumentsTheSizeOptions)
{
    const std::string text = UsageText();
    for (const char* piece : { "[-quality Q] [-max-size BYTES]", "-quality Q",
             "1 (smallest) to 100 (best)", "-max-size BYTES", "k = 1000", "M = 1000000" })
        EXPECT_NE(text.find(piece), std::string::npos) << piece;
    size_t start = 0;
    for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        EXPECT_LE(end - start, 80u) << text.substr(start, end - start);
        start = end + 1;
    }
}

// Lowering the quality may only ever move a lever towards a smaller file, and 90 is the
// tool's default operating point.
TEST(QualityScale, LeversMoveOneWayAndNinetyIsTheDefault)
{
    const QuantizeSettings base;
    const QuantizeSettings q90 = SettingsForQuality(base, 90);
    EXPECT_EQ(q90.maxQuality, base.maxQuality);
    EXPECT_EQ(q90.maxColors, base.maxColors);
    EXPECT_EQ(q90.dithering, base.dithering);
    EXPECT_EQ(q90.reuseDithering, base.reuseDithering);
    EXPECT_EQ(q90.stillThreshold, base.stillThreshold);
    EXPECT_EQ(q90.stillBase, base.stillBase);
    EXPECT_EQ(q90.lossy, base.lossy);
    EXPECT_NEAR(TypicalSizeRatio(90), 1.0, 1e-9);
    QuantizeSettings higher = SettingsForQuality(base, 100);
    for (double quality = 99.5; quality >= 1; quality -= 0.5) {
        SCOPED_TRACE(quality);
        const QuantizeSettings s = SettingsForQuality(base, quality);
        EXPECT_LE(s.maxQuality, higher.maxQuality);
        EXPECT_LE(s.maxColors, higher.maxColors);
        EXPECT_GE(s.maxColors, 2);
        EXPECT_GE(s.stillThreshold, higher.stillThreshold);
        EXPECT_GE(s.stillBase, higher.stillBase);
        EXPECT_GE(s.lossy, higher.lossy);
        EXPECT_LT(TypicalSizeRatio(quality), TypicalSizeRatio(quality + 0.5));
        EXPECT_NEAR(QualityForSizeRatio(TypicalSizeRatio(quality)), quality, 1e-6);
        higher = s;
    }
}

TEST(FrameInterval, ReadFromTextChunkOnly)
{
    auto png = [](const std::string& keyword, const std::string& value) {
        std::vector<uint8_t> bytes = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
        const uint32_t length = static_cast<uint32_t>(keyword.size() + 1 + value.size());
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.push_back(static_cast<uint8_t>(length >> shift));
        bytes.insert(bytes.end(), { 't', 'E', 'X', 't' });
        bytes.insert(bytes.end(), keyword.begin(), keyword.end());
        bytes.push_back(0);
        bytes.insert(bytes.end(), value.begin(), value.end());
        bytes.insert(bytes.end(), { 0, 0, 0, 0 }); // CRC, not checked here
        return bytes;
    };
    auto read = [](const std::vector<uint8_t>& bytes) {
        return FindFrameInterval(bytes.data(), bytes.size());
    };
    EXPECT_DOUBLE_EQ(read(png("FrameInterval", "0.08")).value_or(-1), 0.08);
    EXPECT_DOUBLE_EQ(read(png("FrameInterval", "0.0666666667")).value_or(-1), 0.0666666667);
    EXPECT_FALSE(read(png("FrameInterval", "0,08")));
    EXPECT_FALSE(read(png("FrameInterval", "-1")));
    EXPECT_FALSE(read(png("FrameInterval", "nan")));
    EXPECT_FALSE(read(png("Comment", "0.08")));
    const std::vector<uint8_t> whole = png("FrameInterval", "0.08");
    const std::vector<uint8_t> cut(whole.begin(), whole.begin() + 20);
    EXPECT_FALSE(read(cut));
}

namespace {

// A 1x1 grey PNG whose text chunk before the image data declares `declaredTextLength` bytes
// (it holds 4).
std::vector<uint8_t> PngWithTextChunk(uint32_t declaredTextLength)
{
    auto crc = [](const std::vector<uint8_t>& bytes, size_t from) {
        uint32_t c = 0xFFFFFFFFu;
        for (size_t i = from; i < bytes.size(); ++i) {
            c ^= bytes[i];
            for (int k = 0; k < 8; ++k)
                c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
        }
        return ~c;
    };
    std::vector<uint8_t> png = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    auto put32 = [&png](uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            png.push_back(static_cast<uint8_t>(v >> shift));
    };
    auto chunk = [&](const char* type, std::vector<uint8_t> body, uint32_t length) {
        put32(length);
        const size_t from = png.size();
        png.insert(png.end(), type, type + 4);
        png.insert(png.end(), body.begin(), body.end());
        put32(crc(png, from));
    };
    chunk("IHDR", { 0, 0, 0, 1, 0, 0, 0, 1, 8, 0, 0, 0, 0 }, 13);
    chunk("tEXt", { 'a', 0, 'b', 'c' }, declaredTextLength);
    // zlib stream of the one row: filter byte 0, grey 0x7F.
    chunk("IDAT", { 0x78, 0x9C, 0x63, 0xA8, 0x07, 0x00, 0x00, 0x81, 0x00, 0x80 }, 10);
    chunk("IEND", {}, 0);
    return png;
}

long PeakResidentKiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

// A chunk that declares more bytes than the file holds is damage, refused without first
// reserving what it declares (libpng would allocate and clear a whole gigabyte here).
TEST(PngFrame, ChunkLongerThanTheFileIsRefusedWithoutReservingItsLength)
{
    struct Case
    {
        uint32_t declaredLength;
        bool reads;
    };
    for (const Case& c : { Case { 4, true }, Case { 1u << 30, false } }) {
        SCOPED_TRACE(c.declaredLength);
        const std::string path = testing::TempDir() + "declared-length.png";
        const std::vector<uint8_t> bytes = PngWithTextChunk(c.declaredLength);
        FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_TRUE(file);
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);

        const long peakBefore = PeakResidentKiB();
        const PngFrame frame = ReadPngFrame(path);
        const long peakAfter = PeakResidentKiB();
        std::remove(path.c_str());

        EXPECT_EQ(frame.error.empty(), c.reads) << frame.error;
        if (c.reads) {
            EXPECT_EQ(frame.image.pixels, (std::vector<uint8_t> { 0x7F, 0x7F, 0x7F, 0xFF }));
        }
        EXPECT_LT(peakAfter - peakBefore, 64 * 1024) << "KiB of peak memory while reading";
    }
}

namespace {

RgbaImage Flat(int width, int height, uint8_t value)
{
    RgbaImage image;
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<size_t>(width) * height * 4, value);
    for (size_t i = 3; i < image.pixels.size(); i += 4)
        image.pixels[i] = 255;
    return image;
}

void SetGrey(RgbaImage& image, int x, int y, int value)
{
    uint8_t* p = &image.pixels.at((static_cast<size_t>(y) * image.width + x) * 4);
    p[0] = p[1] = p[2] = static_cast<uint8_t>(value);
}

// Draws a job onto a canvas as a viewer would.
void Apply(const FrameJob& job, RgbaImage& canvas)
{
    for (int y = 0; y < job.rect.height; ++y) {
        for (int x = 0; x < job.rect.width; ++x) {
            const uint8_t* p = &job.rgba[(static_cast<size_t>(y) * job.rect.width + x) * 4];
            if (p[3] == 0)
                continue;
            const size_t at
                = (static_cast<size_t>(y + job.rect.y) * canvas.width + x + job.rect.x) * 4;
            std::copy_n(p, 4, &canvas.pixels[at]);
        }
    }
}

} // namespace

TEST(FrameDiffer, SlowDriftOnFlatAreasNeverFallsBehind)
{
    QuantizeSettings settings;
    FrameDiffer differ(16, 8, settings);
    RgbaImage shown = Flat(16, 8, 0);
    for (int value = 100; value < 140; ++value) {
        const RgbaImage frame = Flat(16, 8, static_cast<uint8_t>(value));
        const FrameChange change = differ.Next(frame);
        if (!change.unchanged)
            Apply(change.job, shown);
        for (size_t i = 0; i < shown.pixels.size(); i += 4)
            ASSERT_LE(std::abs(shown.pixels[i + 1] - value), 1) << "at " << value;
    }
}

TEST(FrameDiffer, SmallNoiseOnTextureIsNotRedrawnButRealChangesAre)
{
    QuantizeSettings settings;
    FrameDiffer differ(16, 16, settings);
    RgbaImage frame = Flat(16, 16, 0);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x)
            SetGrey(frame, x, y, (x + y) % 2 ? 200 : 40);
    }
    FrameChange first = differ.Next(frame);
    EXPECT_FALSE(first.unchanged);
    EXPECT_EQ(first.job.rect.width, 16);
    EXPECT_EQ(first.job.rect.height, 16);

    RgbaImage noisy = frame;
    for (size_t i = 0; i < noisy.pixels.size(); i += 4)
        noisy.pixels[i] = static_cast<uint8_t>(noisy.pixels[i] + ((i / 4) % 3) - 1);
    EXPECT_TRUE(differ.Next(noisy).unchanged);

    RgbaImage moved = noisy;
    SetGrey(moved, 9, 5, 120);
    const FrameChange change = differ.Next(moved);
    EXPECT_FALSE(change.unchanged);
    EXPECT_EQ(change.job.rect.x, 9);
    EXPECT_EQ(change.job.rect.y, 5);
    EXPECT_EQ(change.job.rect.width, 1);
    EXPECT_EQ(change.job.rect.height, 1);
}

namespace {

int AppendToVector(GifFileType* gif, const GifByteType* data, int length)
{
    auto* buffer = static_cast<std::vector<uint8_t>*>(gif->UserData);
    buffer->insert(buffer->end(), data, data + length);
    return length;
}

// The image data giflib's own encoder makes of the frame's indices (sub-blocks, without the
// closing empty block).
std::vector<uint8_t> GiflibImageData(const IndexedFrame& frame)
{
    std::vector<uint8_t> buffer;
    int code = 0;
    GifFileType* gif = EGifOpen(&buffer, AppendToVector, &code);
    const int count = static_cast<int>(frame.palette.size() / 3);
    std::vector<GifColorType> colours(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        colours[i] = { frame.palette[i * 3], frame.palette[i * 3 + 1], frame.palette[i * 3 + 2] };
    ColorMapObject* map = GifMakeMapObject(count, colours.data());
    EXPECT_EQ(EGifPutScreenDesc(gif, frame.rect.width, frame.rect.height, 8, 0, nullptr), GIF_OK);
    EXPECT_EQ(EGifPutImageDesc(gif, 0, 0, frame.rect.width, frame.rect.height, false, map), GIF_OK);
    std::vector<uint8_t> line;
    for (int y = 0; y < frame.rect.height; ++y) {
        line.assign(frame.indices.begin() + y * frame.rect.width,
            frame.indices.begin() + (y + 1) * frame.rect.width);
        EXPECT_EQ(EGifPutLine(gif, line.data(), frame.rect.width), GIF_OK);
    }
    EGifCloseFile(gif, &code);
    GifFreeMapObject(map);
    // Header 6, screen 7, image descriptor 10, local map, code size 1 ... empty block, ';'.
    const size_t start = 6 + 7 + 10 + frame.palette.size() + 1;
    return std::vector<uint8_t>(buffer.begin() + static_cast<long>(start), buffer.end() - 2);
}

// The frame's indices as giflib's decoder reads them back from a GIF file holding it.
std::vector<uint8_t> DecodedByGiflib(const IndexedFrame& frame)
{
    const std::string path = ::testing::TempDir() + "lzw-check.gif";
    GifFileWriter writer(path);
    EXPECT_TRUE(writer.Begin(frame.rect.width, frame.rect.height, -1)) << writer.Error();
    EXPECT_TRUE(writer.PutFrame(frame, 0, Disposal::LeaveInPlace)) << writer.Error();
    EXPECT_TRUE(writer.Finish()) << writer.Error();
    int code = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &code);
    std::vector<uint8_t> indices;
    if (gif && DGifSlurp(gif) == GIF_OK && gif->ImageCount == 1) {
        const SavedImage& image = gif->SavedImages[0];
        indices.assign(
            image.RasterBits, image.RasterBits + image.ImageDesc.Width * image.ImageDesc.Height);
    }
    if (gif)
        DGifCloseFile(gif, &code);
    std::remove(path.c_str());
    return indices;
}

IndexedFrame IndexFrame(int width, int height, int colours)
{
    IndexedFrame frame;
    frame.rect = Rect { 0, 0, width, height };
    frame.palette.resize(static_cast<size_t>(colours) * 3);
    for (size_t i = 0; i < frame.palette.size(); ++i)
        frame.palette[i] = static_cast<uint8_t>(i * 7);
    return frame;
}

} // namespace

TEST(LossyLzw, LosslessDataIsByteForByteWhatGiflibWrites)
{
    struct Case
    {
        const char* name;
        int width, height, colours;
        int runLength; // 0: noise; otherwise runs of one index
    };
    // Sizes that fill the dictionary many times over, with every code width, and tiny ones.
    const Case cases[] = {
        { "noise, 256 colours", 300, 200, 256, 0 },
        { "noise, 16 colours", 257, 131, 16, 0 },
        { "noise, 2 colours", 400, 300, 2, 0 },
        { "runs, 4 colours", 640, 480, 4, 37 },
        { "long runs, 256 colours", 1000, 300, 256, 1500 },
        { "one pixel", 1, 1, 2, 0 },
        { "one row", 9, 1, 8, 3 },
    };
    uint32_t seed = 99;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IndexedFrame frame = IndexFrame(c.width, c.height, c.colours);
        int value = 0;
        for (int i = 0; i < c.width * c.height; ++i) {
            seed = seed * 1103515245u + 12345u;
            if (c.runLength == 0 || i % c.runLength == 0)
                value = static_cast<int>((seed >> 16) % static_cast<uint32_t>(c.colours));
            frame.indices.push_back(static_cast<uint8_t>(value));
        }
        const std::vector<uint8_t> expected = GiflibImageData(frame);
        CompressImageData(frame, 0);
        EXPECT_EQ(frame.lzw, expected);
    }
}

TEST(LossyLzw, SwapsOnlyCloseColoursNeverTouchesTransparencyAndDecodesAsChanged)
{
    IndexedFrame frame = IndexFrame(64, 64, 4);
    frame.palette = { 0, 0, 0, 3, 3, 3, 255, 0, 0, 0, 0, 0 }; // 0 and 1 nearly alike
    frame.transparentIndex = 3;
    uint32_t seed = 12345;
    for (int i = 0; i < 64 * 64; ++i) {
        seed = seed * 1103515245u + 12345u;
        const int r = static_cast<int>((seed >> 16) % 10);
        frame.indices.push_back(static_cast<uint8_t>(r < 4 ? 0 : r < 8 ? 1 : r < 9 ? 2 : 3));
    }
    IndexedFrame lossy = frame;
    CompressImageData(lossy, 3);
    CompressImageData(frame, 0);

    int swaps = 0;
    for (size_t i = 0; i < frame.indices.size(); ++i) {
        const int before = frame.indices[i], after = lossy.indices[i];
        if (before == after)
            continue;
        ++swaps;
        ASSERT_TRUE(before <= 1 && after <= 1) << before << " became " << after << " at " << i;
    }
    EXPECT_GT(swaps, 100);
    EXPECT_LT(lossy.lzw.size(), frame.lzw.size() * 9 / 10);
    EXPECT_EQ(DecodedByGiflib(lossy), lossy.indices);
}

namespace {

// A horizontal gradient from one colour to another; `seeThrough` clears every other column.
FrameJob GradientJob(const uint8_t from[3], const uint8_t to[3], bool seeThrough)
{
    FrameJob job;
    job.rect = Rect { 0, 0, 64, 32 };
    job.rgba.resize(64 * 32 * 4);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 64; ++x) {
            uint8_t* p = &job.rgba[(y * 64 + x) * 4];
            for (int c = 0; c < 3; ++c)
                p[c] = static_cast<uint8_t>(from[c] + (to[c] - from[c]) * x / 63);
            p[3] = seeThrough && x % 2 ? 0 : 255;
        }
    }
    return job;
}

// Largest channel difference between the job's opaque pixels and the frame as mapped;
// -1 when a see-through pixel did not get the transparent index.
int WorstError(const FrameJob& job, const IndexedFrame& frame)
{
    int worst = 0;
    for (size_t i = 0; i < frame.indices.size(); ++i) {
        const uint8_t* source = &job.rgba[i * 4];
        const int index = frame.indices[i];
        if (source[3] == 0) {
            if (index != frame.transparentIndex)
                return -1;
            continue;
        }
        for (int c = 0; c < 3; ++c)
            worst = std::max(worst, std::abs(source[c] - frame.palette[index * 3 + c]));
    }
    return worst;
}

} // namespace

TEST(FrameQuantizer, LaterFramesShareAPaletteOnlyWhileItFitsThem)
{
    QuantizeSettings settings;
    settings.lossy = 0;
    const FrameQuantizer quantizer(settings);
    const uint8_t black[3] = { 0, 0, 0 }, red[3] = { 250, 40, 0 }, blue[3] = { 0, 40, 250 };

    // An opaque first frame still leaves its kept palette one see-through entry.
    FrameJob first = GradientJob(black, red, false);
    first.keepPalette = true;
    const QuantizeResult made = quantizer.Quantize(first);
    ASSERT_EQ(made.error, "");
    EXPECT_FALSE(made.reused);
    EXPECT_EQ(made.frame.transparentIndex, -1);
    int seeThrough = 0;
    for (size_t i = 3; i < made.palette.rgba.size(); i += 4)
        seeThrough += made.palette.rgba[i] == 0;
    EXPECT_EQ(seeThrough, 1);
    EXPECT_LE(made.palette.rgba.size(), 256u * 4);

    struct Case
    {
        const char* name;
        FrameJob job;
        bool reused;
    };
    const Case cases[] = {
        { "same colours, some see-through", GradientJob(black, red, true), true },
        { "colours the palette lacks", GradientJob(black, blue, false), false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QuantizeResult result = quantizer.Quantize(c.job, &made.palette);
        ASSERT_EQ(result.error, "");
        EXPECT_EQ(result.reused, c.reused);
        const int worst = WorstError(c.job, result.frame);
        EXPECT_GE(worst, 0);
        EXPECT_LE(worst, 24);
    }
}

namespace {

// The nearest entry by a search of the whole palette; the lowest index on a tie.
int NearestByBruteForce(
    const std::vector<uint8_t>& palette, const std::vector<bool>& usable, int r, int g, int b)
{
    int best = -1;
    int bestDistance = 0;
    for (size_t i = 0; i < usable.size(); ++i) {
        if (!usable[i])
            continue;
        const int dr = palette[i * 3] - r;
        const int dg = palette[i * 3 + 1] - g;
        const int db = palette[i * 3 + 2] - b;
        const int d = dr * dr * 2 + dg * dg * 4 + db * db * 3;
        if (best < 0 || d < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = d;
        }
    }
    return best;
}

} // namespace

TEST(FrameRemapper, TheNearestEntryIsExactForEveryKindOfPalette)
{
    // The search looks only at the entries that can be nearest in a small cube of colour
    // space: a wrong bound would pick a farther colour without any other sign.
    struct Case
    {
        const char* name;
        int entries;
        int spread; // how far apart the colours lie; small ones crowd a few cubes
        bool duplicates;
    };
    const Case cases[] = {
        { "full palette", 256, 256, false },
        { "two entries", 2, 256, false },
        { "one usable entry", 1, 256, false },
        { "crowded in one corner", 200, 12, false },
        { "duplicated entries", 64, 256, true },
    };
    uint32_t seed = 12345;
    const auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>(seed >> 16 & 0x7fff);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> palette;
        std::vector<bool> usable;
        for (int i = 0; i < c.entries; ++i) {
            const int from = c.duplicates ? (i / 2) * 2 : i;
            for (int k = 0; k < 3; ++k)
                palette.push_back(c.duplicates && from != i
                        ? palette[static_cast<size_t>(from) * 3 + k]
                        : static_cast<uint8_t>(next() % c.spread));
            usable.push_back(true);
        }
        // A see-through entry, never a candidate.
        palette.insert(palette.end(), { 1, 2, 3 });
        usable.push_back(false);
        const int transparent = c.entries;
        FrameRemapper remapper(palette, usable, transparent);
        for (int n = 0; n < 20000; ++n) {
            const int r = next() % 256, g = next() % 256, b = next() % 256;
            ASSERT_EQ(remapper.Nearest(r, g, b), NearestByBruteForce(palette, usable, r, g, b))
                << r << "," << g << "," << b;
        }
        for (int v = 0; v < 256; v += 5)
            ASSERT_EQ(remapper.Nearest(v, v, v), NearestByBruteForce(palette, usable, v, v, v));
    }
}

TEST(FrameRemapper, SeeThroughPixelsGetTheTransparentIndexAndOthersAPaletteColour)
{
    const std::vector<uint8_t> palette = { 0, 0, 0, 255, 255, 255, 9, 9, 9, 128, 128, 128 };
    const std::vector<bool> usable = { true, true, false, true };
    // A grey ramp with a see-through column; dithering mixes black, grey and white.
    const int width = 16, height = 8;
    std::vector<uint8_t> rgba;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto v = static_cast<uint8_t>(x * 17);
            rgba.insert(rgba.end(), { v, v, v, static_cast<uint8_t>(x == 5 ? 0 : 255) });
        }
    }
    for (bool refine : { false, true }) {
        SCOPED_TRACE(refine);
        FrameRemapper remapper(palette, usable, 2);
        std::vector<uint8_t> out(static_cast<size_t>(width) * height, 77);
        remapper.Remap(rgba.data(), width, height, 1.0f, refine, out.data());
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const int index = out[static_cast<size_t>(y) * width + x];
                if (x == 5)
                    EXPECT_EQ(index, 2);
                else
                    EXPECT_TRUE(index == 0 || index == 1 || index == 3) << index;
            }
        }
        // The see-through entry keeps its colour; moved entries stay in range.
        EXPECT_EQ(remapper.Palette()[6], 9);
    }

    // No usable entry at all: everything is see-through rather than out of range.
    FrameRemapper none({ 5, 5, 5 }, { false }, 0);
    std::vector<uint8_t> out(static_cast<size_t>(width) * height, 77);
    none.Remap(rgba.data(), width, height, 1.0f, true, out.data());
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](uint8_t i) { return i == 0; }));
}
