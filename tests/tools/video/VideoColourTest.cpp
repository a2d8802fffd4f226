// video.dll on 10-bit HEVC clips tagged HDR (HLG, PQ), wide-gamut and plain SDR: frames against
// the ffmpeg program's own tone-mapped conversion (zimg's zscale and the tonemap filter).

#include "PngFile.h"
#include "tests/support/ProcessRun.h"
#include "tests/support/ScriptFiles.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string kTool = SABLEWICK_BIN_DIR "video.dll";

// ffmpeg's linear-light path: linearise with SDR white at 100 cd/m², convert the primaries,
// compress the highlights, back to BT.709's transfer.
const std::string kToneMapped = "zscale=t=linear:npl=100,format=gbrpf32le,zscale=p=bt709,"
                                "tonemap=hable:desat=0%s,zscale=t=bt709:m=bt709:r=tv";
const std::string kGamutOnly
    = "zscale=t=linear:npl=100,format=gbrpf32le,zscale=p=bt709,zscale=t=bt709:m=bt709:r=tv";

const std::string kHdr10 = "hdr10=1:master-display=G(13250,34500)B(7500,3000)R(34000,16000)"
                           "WP(15635,16450)L(10000000,1)";

std::vector<std::string> Split(const std::string& line)
{
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string word; in >> word;)
        out.push_back(word);
    return out;
}

std::string Replace(std::string text, const std::string& what, const std::string& with)
{
    if (size_t at = text.find(what); at != std::string::npos)
        text.replace(at, what.size(), with);
    return text;
}

class VideoColour : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_missing.clear();
        std::string encoders
            = runProgram("/usr/bin/ffmpeg", { "-hide_banner", "-encoders" }).output;
        std::string filters = runProgram("/usr/bin/ffmpeg", { "-hide_banner", "-filters" }).output;
        if (encoders.find(" libx265 ") == std::string::npos)
            s_missing = "the ffmpeg program has no libx265 encoder";
        else if (filters.find(" zscale ") == std::string::npos
            || filters.find(" tonemap ") == std::string::npos)
            s_missing = "the ffmpeg program has no zscale or tonemap filter";
        if (!s_missing.empty())
            return;

        s_clips = fs::temp_directory_path() / ("video-colour-test-" + std::to_string(::getpid()));
        fs::create_directories(s_clips);
        // testsrc2 has saturated colours and a moving gradient: highlights and gamut both show.
        const std::string source = "-f lavfi -i testsrc2=size=192x128:rate=10:duration=1 "
                                   "-pix_fmt yuv420p10le -c:v libx265 -x265-params log-level=error";
        const std::string bt2020 = " -color_primaries bt2020 -colorspace bt2020nc";
        Ffmpeg(source + bt2020 + " -color_trc arib-std-b67 " + Clip("hlg.mp4"));
        Ffmpeg(source + ":" + kHdr10 + ":max-cll=1000,400" + bt2020 + " -color_trc smpte2084 "
            + Clip("pq.mp4"));
        // Content light beyond what PQ can carry: damage, so the peak is PQ's own.
        Ffmpeg(source + ":" + kHdr10 + ":max-cll=65535,400" + bt2020 + " -color_trc smpte2084 "
            + Clip("pq-bad-light.mp4"));
        Ffmpeg(source + bt2020 + " -color_trc bt2020-10 " + Clip("sdr2020.mkv"));
        Ffmpeg(source + " -color_primaries bt709 -colorspace bt709 -color_trc bt709 "
            + Clip("bt709.mp4"));
        Ffmpeg(source + " " + Clip("untagged.mp4"));
        // Garbage over the middle of an HDR stream.
        std::string bytes = test_files::ReadFile(s_clips / "pq.mp4");
        for (size_t i = bytes.size() / 3; i < bytes.size() * 2 / 3; ++i)
            bytes[i] = static_cast<char>((i * 7919) & 0xff);
        std::ofstream(s_clips / "pq-damaged.mp4", std::ios::binary) << bytes;
    }

    static void TearDownTestSuite()
    {
        if (!s_clips.empty())
            fs::remove_all(s_clips);
    }

    void SetUp() override
    {
        if (!s_missing.empty())
            GTEST_SKIP() << "skipped: " << s_missing;
        m_out = s_clips / ("out-" + std::to_string(s_counter++));
        fs::create_directories(m_out / "ours");
        fs::create_directories(m_out / "ref");
    }

    static std::string Clip(const std::string& name) { return (s_clips / name).string(); }

    static void Ffmpeg(const std::string& args)
    {
        ToolRun r = runProgram("/usr/bin/ffmpeg", Split("-nostdin -v error -y " + args));
        ASSERT_EQ(r.exitCode, 0) << args << "\n" << r.output;
    }

    // Our frames at 10 per second (every frame of the clips), optionally at another size.
    ToolRun Ours(const std::string& clip, const std::string& size = "")
    {
        std::vector<std::string> args { "-i", Clip(clip), "-y" };
        if (!size.empty())
            args.insert(args.end(), { "-s", size });
        args.insert(args.end(), { "-r", "10.00", (m_out / "ours" / "f%08d.png").string() });
        return runProgram(kTool, args);
    }

    void Reference(const std::string& clip, const std::string& filters)
    {
        Ffmpeg("-i " + Clip(clip) + " -vf " + (filters.empty() ? "" : filters + ",")
            + "format=rgb24 " + (m_out / "ref" / "f%08d.png").string());
    }

    // Mean SSIM of our frames against the reference frames, by ffmpeg's ssim filter.
    double Ssim()
    {
        ToolRun r = runProgram("/usr/bin/ffmpeg",
            { "-nostdin", "-i", (m_out / "ours" / "f%08d.png").string(), "-i",
                (m_out / "ref" / "f%08d.png").string(), "-lavfi", "ssim", "-f", "null", "-" });
        size_t at = r.output.rfind("All:");
        EXPECT_NE(at, std::string::npos) << r.output;
        return at == std::string::npos ? 0.0 : std::stod(r.output.substr(at + 4));
    }

    size_t Count(const std::string& folder)
    {
        auto it = fs::directory_iterator(m_out / folder);
        return static_cast<size_t>(std::distance(it, fs::directory_iterator()));
    }

    fs::path m_out;
    static inline fs::path s_clips;
    static inline std::string s_missing;
    static inline int s_counter = 0;
};

TEST_F(VideoColour, HdrAndWideGamutFramesMatchTheToneMappedReference)
{
    struct Case
    {
        const char* clip;
        const char* size; // empty: the source's
        std::string reference;
    };
    const Case cases[] = {
        { "hlg.mp4", "", Replace(kToneMapped, "%s", "") },
        // ffmpeg takes the peak from the content light level (1000 cd/m²), as we must.
        { "pq.mp4", "", Replace(kToneMapped, "%s", "") },
        // Scaled after the tone curve, in RGB as we scale.
        { "pq.mp4", "96x64",
            Replace(kToneMapped, "%s", "") + ",format=rgb24,scale=96:64:flags=bicubic" },
        { "pq-bad-light.mp4", "", Replace(kToneMapped, "%s", ":peak=100") },
        { "sdr2020.mkv", "", kGamutOnly },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.clip) + " " + c.size);
        fs::remove_all(m_out / "ours");
        fs::remove_all(m_out / "ref");
        fs::create_directories(m_out / "ours");
        fs::create_directories(m_out / "ref");
        ToolRun r = Ours(c.clip, c.size);
        ASSERT_EQ(r.exitCode, 0) << r.output;
        Reference(c.clip, c.reference);
        ASSERT_EQ(Count("ours"), 10u);
        ASSERT_EQ(Count("ref"), 10u);
        // Today's plain conversion scores about 0.75 here.
        EXPECT_GE(Ssim(), 0.95);
    }
}

TEST_F(VideoColour, SdrFramesAreThePlainConversionPixelForPixel)
{
    // A missing tag leaves the frame on the conversion it always had. The reference is raw RGB:
    // ffmpeg's PNGs carry a gamma chunk for BT.709, which a PNG reader would apply.
    for (const char* clip : { "bt709.mp4", "untagged.mp4" }) {
        SCOPED_TRACE(clip);
        fs::remove_all(m_out / "ours");
        fs::create_directories(m_out / "ours");
        ToolRun r = Ours(clip);
        ASSERT_EQ(r.exitCode, 0) << r.output;
        ASSERT_EQ(Count("ours"), 10u);
        fs::path raw = m_out / "ref" / "frames.rgb";
        Ffmpeg("-i " + Clip(clip) + " -pix_fmt rgb24 -f rawvideo " + raw.string());
        std::string ref = test_files::ReadFile(raw);
        const size_t frameBytes = 192 * 128 * 3;
        ASSERT_EQ(ref.size(), frameBytes * 10);
        for (int i = 1; i <= 10; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "f%08d.png", i);
            PngFile ours = readPng((m_out / "ours" / name).string());
            ASSERT_TRUE(ours.ok) << name;
            std::string expected = ref.substr(frameBytes * (i - 1), frameBytes);
            EXPECT_TRUE(std::equal(ours.rgb.begin(), ours.rgb.end(), expected.begin(),
                expected.end(), [](uint8_t a, char b) { return a == static_cast<uint8_t>(b); }))
                << name;
        }
    }
}

TEST_F(VideoColour, DamagedHdrStreamEndsCleanly)
{
    ToolRun r = Ours("pq-damaged.mp4");
    EXPECT_EQ(r.signal, 0) << r.output;
    EXPECT_TRUE(r.exitCode == 0 || r.exitCode == 1) << r.output;
    if (r.exitCode == 0) {
        EXPECT_GT(Count("ours"), 0u);
    }
}

} // namespace
