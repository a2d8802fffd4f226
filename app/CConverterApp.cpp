#include "app/CConverterApp.h"

#include "app/BrandingInfo.h"
#include "app/ProgramArguments.h"
#include "app/TerminationSignals.h"
#include "app/EstimateColumn.h"
#include "app/MediaInfoQueue.h"
#include "app/WindowHandOver.h"
#include "app/WindowTitle.h"
#include "engine/FrameSweeper.h"
#include "engine/MediaInfo.h"
#include "engine/Preview.h"
#include "platform/OpenUrl.h"
#include "ui/CFileListView.h"
#include "ui/CGifPreviewWindow.h"
#include "ui/CMainDialog.h"
#include "ui/COptionsDialog.h"
#include "ui/FileNameText.h"
#include "widgets/CAboutDialog.h"
#include "widgets/CRichMessageBoxDialog.h"
#include "widgets/RichMessageBox.h"

#include <QCoreApplication>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <cstdlib>

namespace {

std::function<void(int)> g_exit;

QString Q(const std::string& text) { return QString::fromStdString(text); }

void ShowPreviewError(CMainDialog& dialog)
{
    QMessageBox::warning(&dialog, dialog.windowTitle(), QStringLiteral("Preview Error!"),
                         QMessageBox::Ok);
}

// The first selected row, or row 0 when none is selected.
int PreviewRow(const CMainDialog& dialog)
{
    const CFileListView* list = dialog.FileList();
    for (int row = 0; row < list->rowCount(); ++row)
        if (list->IsRowSelected(row))
            return row;
    return 0;
}

// The GIF of a few seconds of the first selected row (or row 0), in a window of its
// own; a new one replaces the one before.
void ShowGifPreview(CMainDialog& dialog)
{
    static QPointer<CGifPreviewWindow> shown;
    const int row = PreviewRow(dialog);
    if (row >= dialog.RowCount())
        return;
    if (shown)
        shown->close();
    const QString path = dialog.FileList()->RowPath(row);
    shown = new CGifPreviewWindow(&dialog, FileNameBytes(path), FileNameForDisplay(path));
    shown->show();
}

} // namespace

void SetProcessExitForTesting(std::function<void(int)> exit) { g_exit = std::move(exit); }

void SetEnglishUiLanguage() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

void ApplyWindowTitle(CMainDialog& dialog)
{
    dialog.setWindowTitle(Q(MainWindowTitle(TheBrandingInfo().SoftwareName)));
}

bool ProcessCommandLine(CMainDialog& dialog, const std::vector<std::string>& args)
{
    if (args.size() < 2)
        return false;
    for (const CommandLineAction& action : ParseCommandLine(args)) {
        if (action.kind == CommandLineAction::Kind::AddPath) {
            if (action.withMediaInfo)
                dialog.OnAddFileMessage(FileNameText(action.path));
            else
                dialog.AddPathIfExists(FileNameText(action.path));
            continue;
        }
        RichMessageBox(&dialog, QString::fromUtf8(CopyrightNotice()),
                       Q(TheBrandingInfo().SoftwareName), 0x40);
        // The notice is all that was asked for: end at once, without the window.
        if (g_exit)
            g_exit(0);
        else
            std::_Exit(0);
        break;
    }
    return true;
}

void ConnectMainDialog(CMainDialog& dialog)
{
    const BrandingInfo& branding = TheBrandingInfo();
    dialog.SetHomepage(Q(branding.Homepage));
    CRichMessageBoxDialog::SetHelpOpener(
        [](const QString& helpFile, std::uint32_t) { OpenUrl(helpFile.toStdString()); });

    // The estimates follow the settings: a confirmed Options dialog makes them again.
    auto* estimates = new EstimateColumn(dialog);
    dialog.SetOptionsAction([estimates] {
        COptionsDialog options(nullptr);
        if (options.exec() == QDialog::Accepted)
            estimates->Refresh();
    });
    dialog.SetPreviewGifAction([&dialog] { ShowGifPreview(dialog); });
    dialog.SetAboutAction([&dialog] {
        const BrandingInfo& b = TheBrandingInfo();
        CAboutDialog about(&dialog, AboutTexts {Q(b.SoftwareName), Q(b.Copyright), Q(b.Homepage), Q(b.Email)},
                           dialog.windowIcon());
        about.exec();
    });
    dialog.SetPreviewAction([&dialog] {
        const int row = PreviewRow(dialog);
        const std::string path = row < dialog.RowCount() ? dialog.RowPath(row) : std::string();
        if (!StartPreview(dialog.Controller(), path))
            ShowPreviewError(dialog);
    });
    // The queue lives as long as the hook that holds it, that is as long as the dialog.
    auto queue = std::make_shared<MediaInfoQueue>(
        &dialog,
        [](const std::string& path, const std::atomic<bool>* cancel) {
            return QueryMediaInfo(path, kMediaInfoLimit, cancel);
        },
        [&dialog](quint64 tag, const std::string& description) {
            CFileListView* list = dialog.FileList();
            const int row = list->RowWithTag(tag);
            // A result written by a conversion in the meantime stays in the
            // column; the information goes to the row's tooltip all the same.
            if (row >= 0)
                list->SetRowMediaInfo(row, Q(description));
        });
    dialog.SetRowAddedHook([&dialog, queue](const QString& path, int row) {
        queue->Ask(dialog.FileList()->RowTag(row), FileNameBytes(path));
    });
}

void EndForSignal(CMainDialog& dialog) { dialog.Controller().StopConversion(); }

CConverterApp::CConverterApp(std::vector<std::string> args) : m_args(std::move(args)) {}

int CConverterApp::Run()
{
    switch (HandFilesToRunningWindow(m_args)) {
    case HandOver::Taken:
        return 0;
    case HandOver::NotAllTaken:
        return 1;
    case HandOver::NoWindow:
        break;
    }
    SetEnglishUiLanguage();
    if (!LoadBrandingInfo())
        return kBrandingExitStatus;
    CMainDialog dialog;
    // Leaving every event loop, modal questions included, ends the window's run.
    const TerminationSignals termination([&dialog](int) {
        EndForSignal(dialog);
        QCoreApplication::exit(0);
    });
    ConnectMainDialog(dialog);
    ApplyWindowTitle(dialog);
    ProcessCommandLine(dialog, m_args);
    dialog.StartMessageService();
    dialog.exec();
    // A stop's frames go in the background: let that end before the process does.
    AwaitFrameSweeps(false);
    // Ended by a signal: say so in the exit status, as the signal itself would have.
    return termination.Received() ? 128 + termination.Received() : 0;
}
