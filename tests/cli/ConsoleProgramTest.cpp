// The console program as a user runs it: in a pipe and on a terminal, with its
// options, on a tiny clip and the real tools, with a settings file of its own.
#include "tests/support/ScriptFiles.h"
#include "tests/support/ProgramCopy.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <pty.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct ProgramRun
{
    int status = -1;
    std::string out;
    std::string err;
};

class ConsoleProgram : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = fs::temp_directory_path() / ("cliprog-" + std::to_string(::getpid()));
        test_program::MakeProgramCopy(
            s_dir / "bin",
            "[TellurvaneInfo]\r\nStart=0\r\nEnd=Default\r\nResolutionX=Default\r\n"
            "ResolutionY=Default\r\nVBRValue=Default\r\nImagesPerSecond=0.10\r\n"
            "TimeDelay=0.00\r\nFileFormat=0\r\nLoop=0\r\n; kept as it is\r\n");
        ASSERT_TRUE(test_program::MakeClip(Clip(), "testsrc2=s=64x48:r=10:d=2"));
    }
    static void TearDownTestSuite() { fs::remove_all(s_dir); }

    static std::string Clip() { return (s_dir / "clip.mp4").string(); }
    static std::string Settings()
    {
        return test_files::ReadFile(s_dir / "bin" / "TellurvaneInfo.ini");
    }

    // Runs the program in the test folder, its output into pipes.
    static ProgramRun Piped(const std::vector<std::string>& args)
    {
        std::string line = "cd '" + s_dir.string() + "' && ./bin/sablewick-cli";
        for (const std::string& a : args)
            line += " '" + a + "'";
        line += " > out.log 2> err.log";
        ProgramRun r;
        const int status = std::system(line.c_str());
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = test_files::ReadFile(s_dir / "out.log");
        r.err = test_files::ReadFile(s_dir / "err.log");
        return r;
    }

    // Runs the program with a pseudo-terminal as its standard output (and error).
    static ProgramRun OnTerminal(const std::vector<std::string>& args)
    {
        const std::string program = (s_dir / "bin" / "sablewick-cli").string();
        std::vector<char*> argv {const_cast<char*>(program.c_str())};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        int master = -1;
        winsize size {};
        size.ws_col = 200;
        size.ws_row = 24;
        const pid_t pid = ::forkpty(&master, nullptr, nullptr, &size);
        if (pid == 0) {
            if (::chdir(s_dir.c_str()) != 0)
                ::_exit(126);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        ProgramRun r;
        if (pid < 0)
            return r;
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n > 0)
                r.out.append(buffer, static_cast<std::size_t>(n));
            else if (n < 0 && errno == EINTR)
                continue;
            else
                break; // EIO once the program has closed the terminal
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        ::close(master);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return r;
    }

    static fs::path s_dir;
};

fs::path ConsoleProgram::s_dir;

// Each option reaches the tools' command lines (shown with -v); the file stays as it was.
TEST_F(ConsoleProgram, OptionsReachTheToolsWithoutTouchingTheSettingsFile)
{
    const std::string before = Settings();
    const struct
    {
        std::vector<std::string> options;
        std::vector<std::string> pieces; // in the command lines
        const char* output;              // the first file written
    } cases[] = {
        {{"--start", "1", "--end", "2"}, {"\"-ss\" \"1\" \"-t\" \"1\""}, "clip.gif"},
        {{"--size", "32xauto"}, {"\"-s\" \"32xauto\""}, "clip.gif"},
        {{"--rate", "5", "--loop", "3"}, {"\"-r\" \"5.00\"", "\"-loop\" \"3\""}, "clip.gif"},
        {{"--interval", "0.5", "--playback-fps", "4"},
         {"\"-r\" \"2.00\"", "\"-delay\" \"25\""},
         "clip.gif"},
        {{"--format", "jpg", "--quality", "3"},
         {"\"-qscale\" \"3.00\"", "clip%d.jpg\""},
         "clip1.jpg"},
        {{"--format", "gif-frames"}, {"clip%d.gif\""}, "clip1.gif"},
        {{"--gif-quality", "40", "--max-size", "5M"},
         {"\"-loop\" \"0\" \"-quality\" \"40\" \"-max-size\" \"5000000\" \""},
         "clip.gif"},
        {{"--format", "gif-frames", "--gif-quality", "100"}, {"\"-quality\" \"100\""}, "clip1.gif"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string folder = "out" + std::to_string(n++);
        SCOPED_TRACE(c.options.front() + " " + c.options.at(1));
        std::vector<std::string> args = c.options;
        for (const char* a : {"-v", "--mkdir", "-o"})
            args.push_back(a);
        args.push_back(folder + "/deeper");
        args.push_back(Clip());
        const ProgramRun r = Piped(args);
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        for (const std::string& piece : c.pieces)
            EXPECT_NE(r.err.find(piece), std::string::npos) << piece << "\n" << r.err;
        EXPECT_TRUE(fs::exists(s_dir / folder / "deeper" / c.output)) << r.out;
        EXPECT_EQ(Settings(), before);
    }
}

TEST_F(ConsoleProgram, BadValuesAreRefusedWithStatusTwoNamingTheOption)
{
    const std::string before = Settings();
    const std::vector<std::vector<std::string>> cases = {
        {"--end", "0"},
        {"--size", "480"},
        {"--size", "0x10"},
        {"--quality", "300"},
        {"--format", "webp"},
        {"--loop", "1001"},
        {"--rate", "0"},
        {"--interval", "200"},
        {"--playback-fps", "x"},
        {"--start", "-1"},
        {"--start", "5", "--end", "3"},
        {"--format", "png", "--gif-quality", "50"},
        {"--format", "jpg", "--max-size", "1M"},
        {"--format", "gif-frames", "--max-size", "1M"},
        {"--gif-quality", "0"},
        {"--max-size", "1G"},
    };
    for (const auto& options : cases) {
        SCOPED_TRACE(options.at(0) + " " + options.at(1));
        std::vector<std::string> args = options;
        args.push_back("-o");
        args.push_back("refused");
        args.push_back("--mkdir");
        args.push_back(Clip());
        const ProgramRun r = Piped(args);
        EXPECT_EQ(r.status, 2);
        const std::string& named = options.size() > 2 ? options.at(2) : options.at(0);
        EXPECT_NE(r.err.find(named), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(fs::exists(s_dir / "refused")) << "nothing is made for a refused run";
        EXPECT_EQ(Settings(), before);
    }
}

TEST_F(ConsoleProgram, TheOutputFolderIsMadeOnlyWithMkdir)
{
    ProgramRun r = Piped({"-o", "missing/folder", Clip()});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("does not exist"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(s_dir / "missing"));
    r = Piped({"-q", "--mkdir", "-o", "missing/folder", Clip()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(s_dir / "missing" / "folder" / "clip.gif"));
}

// A budget the image tool cannot meet fails that file, with its reason, and writes no GIF;
// the other files go on.
TEST_F(ConsoleProgram, AnImpossibleSizeBudgetFailsTheFileWithTheReason)
{
    const ProgramRun r = Piped({"--max-size", "100", "--mkdir", "-o", "budget", Clip()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find(Clip() + ": Failed (cannot fit in 100 bytes"), std::string::npos)
        << r.out;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(fs::is_empty(s_dir / "budget"));

    const ProgramRun roomy = Piped({"-q", "--max-size", "10M", "-o", "budget", Clip()});
    EXPECT_EQ(roomy.status, 0) << roomy.out << roomy.err;
    EXPECT_TRUE(fs::exists(s_dir / "budget" / "clip.gif"));
}

// A WebM video, a type of the window's table, and a video under a name no table
// knows both convert: FFmpeg decides what it can read. The help names the types.
TEST_F(ConsoleProgram, EveryTypeFfmpegReadsConverts)
{
    const fs::path webm = s_dir / "types" / "movie.webm";
    fs::create_directories(webm.parent_path());
    ASSERT_TRUE(test_program::MakeClip(webm, "testsrc2=s=64x48:r=10:d=1"));
    const fs::path odd = s_dir / "types" / "other.video";
    fs::copy_file(Clip(), odd, fs::copy_options::overwrite_existing);
    const ProgramRun r = Piped({ "-q", "-o", "types", webm.string(), odd.string() });
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    for (const char* gif : { "movie.gif", "other.gif" })
        EXPECT_EQ(test_files::ReadFile(s_dir / "types" / gif).substr(0, 6), "GIF89a") << gif;
    fs::remove_all(s_dir / "types");

    const ProgramRun help = Piped({ "--help" });
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("such as avi flv mp4 mov wmv mpg mkv webm "), std::string::npos)
        << help.out;
}

// A failed file's line says why, in the words of whichever tool gave up.
TEST_F(ConsoleProgram, AFailedFileSaysWhy)
{
    const std::string audio = (s_dir / "audio.m4a").string();
    const std::string make = "ffmpeg -nostdin -loglevel error -y -f lavfi -i "
                             "sine=d=1 '" + audio + "'";
    ASSERT_EQ(std::system(make.c_str()), 0);
    const struct
    {
        std::vector<std::string> args;
        std::string reason;
    } cases[] = {
        {{audio}, "no video stream"},
        {{"--start", "100", Clip()}, "past the end"},
        {{"--format", "png", "--start", "100", Clip()}, "past the end"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"-o", "."};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ProgramRun r = Piped(args);
        SCOPED_TRACE(c.args.front());
        EXPECT_EQ(r.status, 1);
        const std::string line = c.args.back() + ": Failed (";
        const std::size_t at = r.out.find(line);
        ASSERT_NE(at, std::string::npos) << r.out;
        const std::string shown = r.out.substr(at, r.out.find('\n', at) - at);
        EXPECT_NE(shown.find(c.reason), std::string::npos) << shown;
        EXPECT_EQ(shown.back(), ')') << shown;
    }
}

// Re-run over the same files, the program replaces its outputs, as scripts
// expect; with -n (--no-clobber) a file whose output exists fails with the
// reason and the existing file stays as it was.
TEST_F(ConsoleProgram, NoClobberLeavesExistingOutputsAlone)
{
    const fs::path folder = s_dir / "clobber";
    fs::create_directories(folder);
    std::ofstream(folder / "clip.gif") << "mine";
    for (const char* option : { "-n", "--no-clobber" }) {
        const ProgramRun r = Piped({ option, "-o", "clobber", Clip() });
        EXPECT_EQ(r.status, 1) << option;
        EXPECT_NE(r.out.find(Clip() + ": Failed (" + (folder / "clip.gif").string()
                      + " exists already)"),
            std::string::npos)
            << r.out;
        EXPECT_EQ(test_files::ReadFile(folder / "clip.gif"), "mine");
        EXPECT_FALSE(fs::exists(folder / "clip (2).gif"));
    }
    const ProgramRun r = Piped({ "-q", "-o", "clobber", Clip() });
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(test_files::ReadFile(folder / "clip.gif").substr(0, 6), "GIF89a");
    fs::remove_all(folder);
}

// In a pipe: whole lines as before, no carriage returns, no command lines.
TEST_F(ConsoleProgram, PlainLinesInAPipe)
{
    const ProgramRun r = Piped({"-o", ".", Clip()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Please wait...\n[  0%] " + Clip() + "\n" + Clip() + ": Success\nDone.\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(ConsoleProgram, QuietPrintsOnlyFailuresAndVerboseTheCommandLines)
{
    std::ofstream(s_dir / "junk.mp4") << "not a video";
    const std::string junk = (s_dir / "junk.mp4").string();
    ProgramRun r = Piped({"-q", "-o", ".", Clip(), junk});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
        junk + ": Failed (cannot open '" + junk + "': Invalid data found when processing input)\n");
    EXPECT_EQ(r.err, "");

    r = Piped({"-q", "-o", ".", Clip()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");

    r = Piped({"-v", "-o", ".", Clip()});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("video.dll\" \"-i\""), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("imgconv.dll\""), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("video.dll"), std::string::npos) << "command lines are not results";
}

// On a terminal: one line per file, rewritten in place, then its result.
TEST_F(ConsoleProgram, ALiveLineOnlyOnATerminal)
{
    const ProgramRun r = OnTerminal({"-o", ".", Clip()});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("\r\033[K[  0%] " + Clip() + "  frames 0/?"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\r\033[K" + Clip() + ": Success"), std::string::npos) << r.out;
    // Whatever the live line showed in between, it only went forward.
    int last = -1;
    for (std::size_t at = r.out.find("\r\033[K["); at != std::string::npos;
         at = r.out.find("\r\033[K[", at + 1)) {
        const int percent = std::atoi(r.out.c_str() + at + 5);
        EXPECT_GE(percent, last) << r.out;
        last = percent;
    }

    // A size budget's search says which trial runs, not a count stuck at its end.
    const ProgramRun fitting = OnTerminal({"--max-size", "2k", "-o", ".", Clip()});
    EXPECT_NE(fitting.out.find("  fitting, trial 1"), std::string::npos) << fitting.out;

    const ProgramRun quiet = OnTerminal({"-q", "-o", ".", Clip()});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out, "") << "nothing to say when all went well";
}

// Odd names reach the tools as they are: an output folder and inputs that start
// with '-', quotes, '%' and bytes that are not UTF-8.
TEST_F(ConsoleProgram, OddNamesConvertUnderTheirOwnNames)
{
    const fs::path odd = s_dir / "odd";
    fs::create_directories(odd);
    const std::string names[] = {"-clip", "it's 100%d", "caf\xe9 \xff"};
    std::vector<std::string> args {"-q", "-o", "-out"};
    for (const std::string& name : names) {
        fs::copy_file(Clip(), odd / (name + ".mp4"), fs::copy_options::overwrite_existing);
        args.push_back("odd/" + name + ".mp4");
    }
    fs::create_directories(s_dir / "-out");
    const ProgramRun r = OnTerminal(args);
    EXPECT_EQ(r.status, 0) << r.out;
    for (const std::string& name : names)
        EXPECT_EQ(test_files::ReadFile(s_dir / "-out" / (name + ".gif")).substr(0, 6), "GIF89a")
            << name;
    fs::remove_all(s_dir / "-out");
    fs::remove_all(odd);
}

// The name a JSON value stands for: a string as it is, an array of numbers as those bytes.
std::string JsonName(const nlohmann::json& value)
{
    if (value.is_string())
        return value.get<std::string>();
    std::string name;
    for (const nlohmann::json& byte : value)
        name += static_cast<char>(byte.get<int>());
    return name;
}

// --json: a line per file that parses, names the input as given and the outputs
// under -o as given, and counts what was written; errors stay off standard output.
TEST_F(ConsoleProgram, JsonLinesNameEveryFileWithItsOutputsAndResult)
{
    fs::create_directories(s_dir / "odd");
    const std::string latin1 = "odd/caf\xe9.mp4"; // not UTF-8
    fs::copy_file(Clip(), s_dir / latin1, fs::copy_options::overwrite_existing);
    std::ofstream(s_dir / "junk.mp4") << "not a video";
    const struct
    {
        const char* format;
        bool numbered;
    } cases[] = { { "gif", false }, { "gif-frames", true }, { "png", true } };
    long long framesTaken = -1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        const std::string folder = std::string("json-") + c.format;
        const ProgramRun r = Piped({ "--json", "-q", "--format", c.format, "--mkdir", "-o", folder,
            Clip(), latin1, "junk.mp4" });
        EXPECT_EQ(r.status, 1) << "the junk failed";
        EXPECT_EQ(r.err, "");
        std::vector<nlohmann::json> lines;
        std::istringstream out(r.out);
        for (std::string line; std::getline(out, line);)
            ASSERT_NO_THROW(lines.push_back(nlohmann::json::parse(line))) << line;
        ASSERT_EQ(lines.size(), 3u) << r.out;

        const std::string stems[] = { "clip", "caf\xe9" };
        for (int i = 0; i < 2; ++i) {
            const nlohmann::json& line = lines[static_cast<std::size_t>(i)];
            EXPECT_EQ(JsonName(line["input"]), i == 0 ? Clip() : latin1);
            EXPECT_EQ(line["input"].is_string(), i == 0);
            EXPECT_EQ(line["result"], "success");
            EXPECT_TRUE(line["reason"].is_null());
            EXPECT_GE(line["seconds"].get<double>(), 0);
            const long long frames = line["frames"].get<long long>();
            EXPECT_GT(frames, 1);
            // The same clip and settings take the same frames in every format.
            if (framesTaken < 0)
                framesTaken = frames;
            EXPECT_EQ(frames, framesTaken);
            const std::string extension
                = std::string(".") + (c.numbered && c.format[0] == 'p' ? "png" : "gif");
            std::vector<std::string> expected;
            if (!c.numbered)
                expected.push_back(folder + "/" + stems[i] + extension);
            for (long long n = 1; c.numbered && n <= frames; ++n)
                expected.push_back(folder + "/" + stems[i] + std::to_string(n) + extension);
            std::vector<std::string> outputs;
            unsigned long long bytes = 0;
            for (const nlohmann::json& output : line["outputs"]) {
                outputs.push_back(JsonName(output));
                bytes += fs::file_size(s_dir / outputs.back());
            }
            EXPECT_EQ(outputs, expected);
            EXPECT_EQ(line["bytes"].get<unsigned long long>(), bytes);
            // Nothing else was written for it: no earlier run's file counted, none left out.
            EXPECT_FALSE(
                fs::exists(s_dir / folder / (stems[i] + std::to_string(frames + 1) + extension)));
        }
        const nlohmann::json& junk = lines[2];
        EXPECT_EQ(junk["input"], "junk.mp4");
        EXPECT_EQ(junk["result"], "failed");
        EXPECT_NE(junk["reason"].get<std::string>().find("Invalid data"), std::string::npos)
            << junk;
        EXPECT_EQ(junk["outputs"], nlohmann::json::array());
        EXPECT_EQ(junk["bytes"], 0);
    }
    fs::remove_all(s_dir / "odd");
}

// Someone else's folder where this user's temporary folder belongs: the program
// says so once, makes a private one beside it and converts.
TEST_F(ConsoleProgram, ATakenTemporaryFolderIsWorkedAround)
{
    const fs::path tmp = s_dir / "tmp";
    const fs::path taken = tmp / ("sablewick-" + std::to_string(::getuid()));
    fs::create_directories(taken);
    fs::permissions(taken, fs::perms::all);
    fs::create_directories(s_dir / "out");
    ::setenv("TMPDIR", tmp.c_str(), 1);
    const ProgramRun r = OnTerminal({"-q", "-o", "out", Clip()});
    ::unsetenv("TMPDIR");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("is not a private folder; using " + tmp.string() + "/sablewick-"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(test_files::ReadFile(s_dir / "out" / "clip.gif").substr(0, 6), "GIF89a");
    EXPECT_TRUE(fs::is_empty(taken)) << "nothing written into the taken folder";
    fs::remove_all(tmp);
    fs::remove_all(s_dir / "out");
}

} // namespace
