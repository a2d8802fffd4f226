#include "engine/ConversionJob.h"
#include "engine/ToolCommandLines.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <stdlib.h>

namespace {

struct NamingCase
{
    const char* name;
    std::string format; // the stored FileFormat: 0 animation, 1 per-frame GIF, 2 JPEG
    std::vector<std::string> inputs;
    std::vector<std::string> outputs;
};

TEST(ConversionJob, OutputsThatWouldShareAFileGetTheNextFreeSuffix)
{
    const std::vector<NamingCase> cases = {
        {"animation, same name", "0", {"/x/a.mp4", "/y/a.avi"}, {"/o/a.gif", "/o/a (2).gif"}},
        {"animation, digits differ", "0", {"/x/a.mp4", "/x/a1.mp4"}, {"/o/a.gif", "/o/a1.gif"}},
        {"frames: a + 11 is a1 + 1", "2", {"/x/a.mp4", "/x/a1.mp4"}, {"/o/a.jpg", "/o/a1 (2).jpg"}},
        {"frames: the other way round", "1", {"/x/a1.mp4", "/x/a.mp4"},
         {"/o/a1.gif", "/o/a (2).gif"}},
        {"frames: several digits", "2", {"/x/clip.mp4", "/x/clip20.mp4"},
         {"/o/clip.jpg", "/o/clip20 (2).jpg"}},
        {"frames: a leading zero is no frame number", "2", {"/x/a.mp4", "/x/a0.mp4"},
         {"/o/a.jpg", "/o/a0.jpg"}},
        {"frames: letters after the name", "2", {"/x/a.mp4", "/x/ab.mp4", "/x/a1b.mp4"},
         {"/o/a.jpg", "/o/ab.jpg", "/o/a1b.jpg"}},
        {"frames: three of one name", "1", {"/x/a.mp4", "/y/a.mp4", "/z/a.mp4"},
         {"/o/a.gif", "/o/a (2).gif", "/o/a (3).gif"}},
        {"frames: no extension", "2", {"/x/v", "/x/v7"}, {"/o/v.jpg", "/o/v7 (2).jpg"}},
    };
    for (const NamingCase& c : cases) {
        const ConversionJob job = BuildConversionJob(c.inputs, "/o/", c.format, "", "");
        std::vector<std::string> outputs;
        for (const ConversionEntry& e : job.Entries)
            outputs.push_back(e.OutputPath);
        EXPECT_EQ(outputs, c.outputs) << c.name;
    }
}

TEST(ConversionJob, CollisionRule)
{
    struct Case
    {
        const char* a;
        const char* b;
        bool numbered;
        bool collide;
    };
    for (const Case& c : std::vector<Case> {
             {"/o/a.gif", "/o/a.gif", false, true},
             {"/o/a.gif", "/o/a1.gif", false, false},
             {"/o/a.gif", "/o/a1.gif", true, true},
             {"/o/a1.gif", "/o/a.gif", true, true},
             {"/o/a.gif", "/o/a01.gif", true, false},
             {"/o/a.gif", "/o/a1.jpg", true, false},
             {"/o/a.gif", "/p/a1.gif", true, false},
             {"/o/a (2).gif", "/o/a (2)3.gif", true, true},
         })
        EXPECT_EQ(OutputsCollide(c.a, c.b, c.numbered), c.collide) << c.a << " " << c.b;
}

// An input in the output folder is never the output of the same job, whatever
// name leads to it: converting anim.gif into its own folder used to replace it.
TEST(ConversionJob, OutputsNeverLandOnAnInput)
{
    namespace fs = std::filesystem;
    char dir[] = "/tmp/jobnamesXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const fs::path root = dir;
    fs::create_directories(root / "o");
    fs::create_directory_symlink(root / "o", root / "alias");
    for (const char* name : { "anim.gif", "clip3.jpg", "other.mp4" })
        std::ofstream(root / "o" / name) << "data";
    const std::string o = (root / "o").string() + "/";
    const std::string alias = (root / "alias").string() + "/";

    const std::vector<NamingCase> cases = {
        {"animation: the input itself", "0", {o + "anim.gif"}, {o + "anim (2).gif"}},
        {"animation: the input reached through a linked folder", "0", {alias + "anim.gif"},
         {o + "anim (2).gif"}},
        {"animation: another input's output on it", "0", {o + "anim.mp4", o + "anim.gif"},
         {o + "anim (2).gif", o + "anim (3).gif"}},
        {"animation: an input elsewhere of the same name", "0", {"/nowhere/anim.gif"},
         {o + "anim.gif"}},
        {"frames: an input is one of the frames", "2", {o + "clip.mp4", o + "clip3.jpg"},
         {o + "clip (2).jpg", o + "clip3.jpg"}},
        {"frames: an input of the output's own name is no frame", "1", {o + "anim.gif"},
         {o + "anim.gif"}},
        {"no input in the folder", "0", {o + "other.mp4"}, {o + "other.gif"}},
    };
    for (const NamingCase& c : cases) {
        const ConversionJob job = BuildConversionJob(c.inputs, o, c.format, "", "");
        std::vector<std::string> outputs;
        for (const ConversionEntry& e : job.Entries)
            outputs.push_back(e.OutputPath);
        EXPECT_EQ(outputs, c.outputs) << c.name;
    }
    fs::remove_all(root);
}

// Files a user already has in the folder: what exists, and Keep Both's names
// beside them (an input of the job stays untouched either way).
TEST(ConversionJob, KeepBothNamesOutputsBesideExistingFiles)
{
    namespace fs = std::filesystem;
    char dir[] = "/tmp/jobexistingXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const fs::path root = dir;
    const std::string o = root.string() + "/";
    for (const char* name : { "clip.gif", "clip (2).gif", "shot12.jpg", "shot0.jpg", "take.jpg" })
        std::ofstream(root / name) << "mine";
    fs::create_symlink(root / "nowhere", root / "dangling.gif");

    const struct
    {
        std::string output;
        bool numbered;
        bool exists;
    } exists[] = {
        { o + "clip.gif", false, true },
        { o + "dangling.gif", false, true }, // a link is not written through either
        { o + "new.gif", false, false },
        { o + "shot.jpg", true, true }, // shot12.jpg is one of its frames
        { o + "shot1.jpg", true, true }, // shot12.jpg again
        { o + "take.jpg", true, false }, // take.jpg is no frame of take%d.jpg
        { o + "clip.gif", true, false }, // nor is "clip (2).gif" one of clip%d.gif
    };
    for (const auto& c : exists)
        EXPECT_EQ(OutputExists(c.output, c.numbered), c.exists) << c.output << " " << c.numbered;

    const std::vector<NamingCase> cases = {
        { "animation: the next free name", "0", { "/in/clip.mp4", "/in/new.mp4" },
            { o + "clip (3).gif", o + "new.gif" } },
        { "animation: and after the job's own", "0", { "/in/clip.mp4", "/other/clip.avi" },
            { o + "clip (3).gif", o + "clip (4).gif" } },
        { "frames: beside existing frames", "2", { "/in/shot.mp4", "/in/take.mp4" },
            { o + "shot (2).jpg", o + "take.jpg" } },
    };
    const char* const replaced[] = { "clip.gif", "clip.gif", "shot.jpg" };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const NamingCase& c = cases[i];
        std::vector<std::string> outputs;
        for (const ConversionEntry& e :
            BuildConversionJob(c.inputs, o, c.format, "", "", true).Entries)
            outputs.push_back(e.OutputPath);
        EXPECT_EQ(outputs, c.outputs) << c.name;
        // Replacing keeps the plain names.
        EXPECT_EQ(BuildConversionJob(c.inputs, o, c.format, "", "").Entries[0].OutputPath,
            o + replaced[i])
            << c.name;
    }
    fs::remove_all(root);
}

TEST(ConversionJob, EachFileTakesItsOwnEdit)
{
    const ConversionSettings settings = ParseSettings(
        "[TellurvaneInfo]\nStart=0\nEnd=Default\nResolutionX=Default\nResolutionY=Default\n"
        "VBRValue=Default\nImagesPerSecond=1.00\nTimeDelay=0.00\nFileFormat=0\nLoop=0\n");
    const std::vector<std::string> inputs = { "/x/a.mp4", "/x/b.mp4", "/x/c.mp4", "/x/d.mp4" };
    FileEdit reversed;
    reversed.Order = FrameOrder::Reverse;
    FileEdit emptyCrop;
    emptyCrop.Crop = CropRect { 0, 10, 0, 0 };
    // The last input has no edit in the list at all.
    const std::vector<FileEdit> edits = { FileEdit {}, reversed, emptyCrop };

    const ConversionJob plain = BuildConversionJob(
        inputs, "/o/", settings.FileFormat, VideoArguments(settings), ImageArguments(settings));
    const ConversionJob edited = BuildConversionJob(inputs, edits, "/o/", settings);
    ASSERT_EQ(edited.Entries.size(), 4u);
    EXPECT_EQ(edited.Mode, plain.Mode);
    for (std::size_t i : { 0u, 3u }) {
        EXPECT_EQ(edited.Entries[i].VideoOptions, plain.Entries[i].VideoOptions);
        EXPECT_EQ(edited.Entries[i].ImageOptions, plain.Entries[i].ImageOptions);
        EXPECT_EQ(edited.Entries[i].Refusal, "");
    }
    EXPECT_EQ(edited.Entries[1].VideoOptions, plain.Entries[1].VideoOptions);
    EXPECT_EQ(edited.Entries[1].ImageOptions, " \"-loop\" \"0\" \"-order\" \"reverse\"");
    EXPECT_EQ(edited.Entries[1].Refusal, "");
    // A refused edit fails only its own file, with the reason.
    EXPECT_EQ(edited.Entries[2].Refusal,
        "The crop 0:10:0:0 is empty: its width and height must be 1 pixel or more.");
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(edited.Entries[i].OutputPath, plain.Entries[i].OutputPath);
}

} // namespace
