#include "MainDialogFixture.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <unistd.h>

MainDialogFixture::MainDialogFixture()
{
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toLocal8Bit());
    dialog = std::make_unique<CMainDialog>();
    dialog->SetFolderChooser([this](QWidget*, const QString& initial) {
        folderQuestions << initial;
        return folderAnswer;
    });
    dialog->SetFileDialog([this](QWidget*, const QString& initial, const QStringList& filters) {
        fileQuestions << initial;
        fileFilters = filters;
        return fileAnswer;
    });
    dialog->SetOpener([this](const QString& target) {
        opened << target;
        return 33;
    });
    dialog->SetHandlerQuery([this](const std::string&) { return handlerAnswer; });
    dialog->SetFolderShower([this](const QStringList& paths) {
        shownInFolder << paths;
        return true;
    });
    dialog->SetRowAddedHook(
        [this](const QString& path, int row) { rowsAdded << QString::number(row) + " " + path; });
}

MainDialogFixture::~MainDialogFixture()
{
    dialog.reset();
    qunsetenv("XDG_CONFIG_HOME");
}

QString MainDialogFixture::MakeFile(const QString& name, qint64 bytes)
{
    const QString path = dir.filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(QByteArray(bytes, 'x'));
    return path;
}

QString MainDialogFixture::Folder(const QString& name) const
{
    return name.isEmpty() ? dir.path() : dir.filePath(name);
}

QList<int> MainDialogFixture::ProcessesRunningFrom(const QString& folder)
{
    QList<int> pids;
    const QByteArray needle = folder.toLocal8Bit();
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        bool isPid = false;
        const int pid = entry.toInt(&isPid);
        if (!isPid || pid == ::getpid())
            continue;
        QFile cmdline("/proc/" + entry + "/cmdline");
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(needle))
            pids << pid;
    }
    return pids;
}

void MainDialogFixture::KillProcessesRunningFrom(const QString& folder)
{
    for (int pid : ProcessesRunningFrom(folder))
        ::kill(pid, SIGKILL);
}
