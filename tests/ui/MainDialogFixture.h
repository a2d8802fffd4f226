#pragma once

#include "ui/CMainDialog.h"

#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// A main window whose modal dialogs and desktop opener are stand-ins that
// record what they were asked, with its profiles in a private folder.
struct MainDialogFixture
{
    MainDialogFixture();
    ~MainDialogFixture();

    // A file of `bytes` bytes in the private folder; returns its path.
    QString MakeFile(const QString& name, qint64 bytes = 10);
    QString Folder(const QString& name = QString()) const;

    // The processes whose command line names something under `folder` (the
    // stand-in tools of a test), so that a test looks at its own tools only.
    static QList<int> ProcessesRunningFrom(const QString& folder);
    static void KillProcessesRunningFrom(const QString& folder);

    std::unique_ptr<CMainDialog> dialog;
    QTemporaryDir dir;

    QString folderAnswer; // what the folder question answers
    QStringList folderQuestions; // the initial folder of each question
    QStringList fileAnswer; // what the open-file dialog returns
    QStringList fileQuestions; // the initial folder of each open-file dialog
    QStringList fileFilters; // the filters of the last one
    QStringList opened; // targets given to the opener
    std::string handlerAnswer; // the program that would open any file ("" unknown)
    QStringList shownInFolder; // files given to the file manager
    QStringList rowsAdded; // "row path" of each media-information hook call
};
