// The edit dialog's frames: the real video tool on a clip whose frames each have
// their own grey, and stand-ins that run long to show what happens to a tool
// whose frame nobody wants any more.
#include "ui/FrameGrabber.h"

#include "engine/ToolProcesses.h"
#include "engine/ToolRunner.h"
#include "platform/ProgramFolder.h"
#include "tests/support/Processes.h"
#include "ui/ClipFacts.h"

#include <QDir>
#include <QSignalSpy>
#include <QtTest>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Frame N of the clip is grey 16 + 3N in the video's levels: about 3.5N once
// shown in full range.
int FrameIndexOf(const QImage& image)
{
    const QColor centre = image.pixelColor(image.width() / 2, image.height() / 2);
    return static_cast<int>(std::lround(centre.green() * 219.0 / 255.0 / 3.0));
}

// The pids of our children that run `name`.
std::vector<pid_t> ChildrenRunning(const std::string& name)
{
    std::vector<pid_t> found;
    for (pid_t pid : test_processes::ChildrenOf(::getpid()))
        if (test_processes::CommandName(pid) == name)
            found.push_back(pid);
    return found;
}

} // namespace

class FrameGrabberTest : public QObject
{
    Q_OBJECT

private:
    fs::path m_dir;
    std::string m_clip;

    // Waits for request `request` and gives its picture; the test fails on any
    // other request's answer.
    static QImage Await(QSignalSpy& spy, int request)
    {
        if (spy.isEmpty() && !spy.wait(30000))
            return QImage();
        const QList<QVariant> answer = spy.takeFirst();
        if (answer.at(0).toInt() != request)
            qWarning("answer %d came for request %d", answer.at(0).toInt(), request);
        return answer.at(0).toInt() == request ? answer.at(1).value<QImage>() : QImage();
    }

private slots:
    void initTestCase()
    {
        m_dir = fs::temp_directory_path() / ("grabber-" + std::to_string(::getpid()));
        fs::create_directories(m_dir / "bin");
        fs::create_symlink(fs::path(SABLEWICK_BIN_DIR) / "video.dll", m_dir / "bin" / "video.dll");
        m_clip = (m_dir / "grey ramp.mkv").string();
        // 30 fps: frame times are no whole milliseconds.
        const std::string make = "ffmpeg -nostdin -loglevel error -y -f lavfi -i "
                                 "'nullsrc=s=64x48:r=30:d=2,geq=lum=16+3*N:cb=128:cr=128' "
                                 "-c:v ffv1 -pix_fmt yuv420p '"
            + m_clip + "'";
        QCOMPARE(std::system(make.c_str()), 0);
        SetProgramFolderForTesting((m_dir / "bin").string());
    }

    void cleanupTestCase()
    {
        SetProgramFolderForTesting("");
        fs::remove_all(m_dir);
    }

    void eachFrameAtItsPosition()
    {
        ClipFacts facts = ParseClipFacts("0:00:02, 64x48, 30 fps, FFV1, no sound");
        FrameGrabber grabber(m_clip, facts.StepRate());
        QSignalSpy spy(&grabber, &FrameGrabber::FrameReady);
        int request = 0;
        for (int frame : { 0, 1, 2, 7, 29, 30, 59 }) {
            grabber.Request(++request, facts.FrameStart(frame));
            const QImage image = Await(spy, request);
            QVERIFY2(!image.isNull(), qPrintable(QString::number(frame)));
            QCOMPARE(image.size(), QSize(64, 48));
            QCOMPARE(FrameIndexOf(image), frame);
            // Each frame is removed once read.
            QVERIFY(QDir(QString::fromStdString(grabber.Folder())).isEmpty());
        }
        // Past the end there is no picture.
        grabber.Request(++request, 5.0);
        QVERIFY(Await(spy, request).isNull());
    }

    void closingRemovesTheFolder()
    {
        std::string folder;
        {
            FrameGrabber grabber(m_clip, 30);
            QSignalSpy spy(&grabber, &FrameGrabber::FrameReady);
            folder = grabber.Folder();
            QVERIFY(!folder.empty());
            QVERIFY(fs::is_directory(folder));
            grabber.Request(1, 0.5);
            QVERIFY(!Await(spy, 1).isNull());
        }
        QVERIFY(!fs::exists(folder));
    }

    void aStaleRequestEndsItsToolAndNeverAnswers()
    {
        // The first grab runs a long stand-in until the grabber ends it; the
        // second writes a frame at once.
        std::atomic<bool> firstEnded { false };
        FrameGrabber grabber(m_clip, 30,
            [&](const std::string&, double seconds, double, const std::string& folder,
                ToolProcesses& owner) -> std::string {
                if (seconds == 1.0) {
                    std::string output;
                    RunTool("\"/bin/sleep\" \"60\"", output, nullptr, {}, &owner);
                    firstEnded = true;
                    return {};
                }
                QImage frame(8, 8, QImage::Format_RGB32);
                frame.fill(Qt::red);
                const std::string path = folder + "frame00000001.png";
                frame.save(QString::fromStdString(path));
                return path;
            });
        QSignalSpy spy(&grabber, &FrameGrabber::FrameReady);
        grabber.Request(1, 1.0);
        QTRY_COMPARE_WITH_TIMEOUT(ChildrenRunning("sleep").size(), std::size_t(1), 20000);
        const pid_t sleeper = ChildrenRunning("sleep").front();
        grabber.Request(2, 2.0);
        QTRY_VERIFY_WITH_TIMEOUT(firstEnded.load(), 20000);
        QVERIFY(!test_processes::Alive(sleeper));
        QVERIFY(spy.wait(20000) || !spy.isEmpty());
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 2);
        QCOMPARE(spy.at(0).at(1).value<QImage>().size(), QSize(8, 8));
    }

    void closingEndsARunningTool()
    {
        std::string folder;
        pid_t sleeper = 0;
        {
            FrameGrabber grabber(m_clip, 30,
                [](const std::string&, double, double, const std::string& into,
                    ToolProcesses& owner) {
                    // A frame begun and never finished.
                    QFile(QString::fromStdString(into + "frame00000001.png"))
                        .open(QIODevice::WriteOnly);
                    std::string output;
                    RunTool("\"/bin/sleep\" \"60\"", output, nullptr, {}, &owner);
                    return std::string();
                });
            folder = grabber.Folder();
            grabber.Request(1, 0.0);
            QTRY_COMPARE_WITH_TIMEOUT(ChildrenRunning("sleep").size(), std::size_t(1), 20000);
            sleeper = ChildrenRunning("sleep").front();
        }
        QVERIFY(!test_processes::Alive(sleeper));
        QVERIFY(!fs::exists(folder));
    }
};

QTEST_GUILESS_MAIN(FrameGrabberTest)
#include "FrameGrabberTest.moc"
