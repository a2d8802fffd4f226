#pragma once

#include "engine/ConversionController.h"
#include "engine/ConversionHost.h"

#include <QDialog>
#include <QImage>
#include <QPixmap>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class CFileListView;
class DoneNotification;
class MainWindowBusService;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;

// The program's main window: the file list, the buttons that add and remove
// files, Options, Preview Video, About, Convert/Stop, the status label and the
// progress bar over the background picture. It hosts the conversion job.
class CMainDialog : public QDialog, public ConversionHost
{
    Q_OBJECT
public:
    explicit CMainDialog(QWidget* parent = nullptr);
    ~CMainDialog() override;

    // --- What other parts of the program plug in ---
    // The home page that F1 opens.
    void SetHomepage(const QString& homepage) { m_homepage = homepage; }
    // Called for every row added through the open-file dialog or by dropping,
    // right after its path and size are shown (the media-information query).
    using RowAddedHook = std::function<void(const QString& path, int row)>;
    void SetRowAddedHook(RowAddedHook hook) { m_rowAdded = std::move(hook); }
    // The actions of the Preview Video, About and Options buttons.
    void SetPreviewAction(std::function<void()> action) { m_previewAction = std::move(action); }
    void SetAboutAction(std::function<void()> action) { m_aboutAction = std::move(action); }
    void SetOptionsAction(std::function<void()> action) { m_optionsAction = std::move(action); }
    // "Preview GIF" of the list's context menu and Ctrl+P.
    void SetPreviewGifAction(std::function<void()> action)
    {
        m_previewGifAction = std::move(action);
    }
    ConversionController& Controller() { return m_controller; }

    // Offers the window's messages to other programs on the session bus. False,
    // with the reason on stderr, when there is no bus or another copy owns the
    // name; the program runs on without it.
    bool StartMessageService();

    // --- Seams: what tests put in place of the modal dialogs and the desktop ---
    using FolderChooser = std::function<QString(QWidget* owner, const QString& initialFolder)>;
    using FileDialog = std::function<QStringList(
        QWidget* owner, const QString& initialFolder, const QStringList& filters)>;
    using Opener = std::function<int(const QString& target)>;
    // The desktop file of the program that would open a file ("vlc.desktop").
    using HandlerQuery = std::function<std::string(const std::string& path)>;
    // Shows files selected in their folders in the file manager.
    using FolderShower = std::function<bool(const QStringList& paths)>;
    void SetFolderChooser(FolderChooser chooser) { m_folderChooser = std::move(chooser); }
    void SetFileDialog(FileDialog dialog) { m_fileDialog = std::move(dialog); }
    void SetOpener(Opener opener) { m_opener = std::move(opener); }
    void SetHandlerQuery(HandlerQuery query) { m_handlerQuery = std::move(query); }
    void SetFolderShower(FolderShower shower) { m_folderShower = std::move(shower); }

    // --- The window's commands ---
    void UpdateControlStates();
    void OnConvertClicked();
    void OnHelp();
    // The key handler of the window, which also gets every key aimed at the list.
    void OnKeyDown(QKeyEvent* event);

    // --- The file list ---
    void AddPathIfExists(const QString& path);
    QStringList AddFilesFromDialog(QWidget* owner);
    void AddPaths(const QStringList& paths);
    void AddCommand();
    void DropNames(const QStringList& names);
    void RemoveSelected();
    void RemoveAll();
    void ClearSelection();
    void SelectRow(int row);
    void ShowContextMenu();
    void ViewSelectedFiles();
    // The edit dialog for the selected row (exactly one), and that row or -1.
    void EditSelected();
    int EditableRow() const;
    // The list's context menu; each action's data is its command number.
    std::unique_ptr<QMenu> BuildContextMenu();
    void RunContextCommand(int command);

    // --- Messages from other programs ---
    void OnStatusTextMessage(int position, const QString& text);
    void OnAddFileMessage(const QString& path);

    // --- ConversionHost ---
    std::string ChooseOutputFolder() override;
    void JobStarted() override;
    void SetProgress(int position) override;
    void RowOutput(int row, const std::string& outputPath, bool numbered) override;
    int RowCount() const override;
    std::string RowPath(int row) const override;
    FileEdit RowEdit(int row) const override;
    void FileStarted(int row) override;
    void FileFailedBecause(int row, const std::string& reason) override;
    void FileFitted(int row, const std::string& note) override;
    void FileFinished(int row, FileResult result) override;
    void JobEnded() override;
    ExistingOutputsAnswer AskAboutExistingOutputs(int count, const std::string& folder) override;
    void JobNotStarted() override;
    void SettingsNotRead(const std::string& path) override;
    void SetWaitCursor(bool on) override;
    void Post(std::function<void()> call) override;

    // Tests reach the other controls by their object names.
    CFileListView* FileList() const { return m_list; }
    const QPixmap& Background() const { return m_background; }
    // The 655 x 423 background picture stretched to `size`, rows and columns
    // dropped or repeated, never blended.
    static QImage StretchBackground(const QImage& picture, QSize size);

signals:
    // A conversion started (true) or ended (false).
    void ConvertingChanged(bool converting);
    // The edit of the row with this tag was changed in the edit dialog.
    void RowEditChanged(quint64 tag);

public slots:
    void reject() override; // the cancel action

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildControls();
    void BuildBackground();
    bool IsConverting() const;
    void OpenRow(int row);
    // The row that holds the file `path` already (the same name, or the same
    // file under another), or -1.
    int RowOfFile(const QString& path) const;
    // Closes "Are you sure to stop?" when it is open.
    void WithdrawStopQuestion();
    // The end of a run in the status label: how many, where; or why not all.
    QString RunSummary() const;
    // The output files of the selected converted rows, in row order.
    QStringList SelectedOutputs() const;
    void Open(const QString& target);

    CFileListView* m_list = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_convert = nullptr;
    QPushButton* m_about = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_options = nullptr;
    QPushButton* m_preview = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_removeAll = nullptr;
    QPixmap m_background;

    QString m_homepage;
    RowAddedHook m_rowAdded;
    std::function<void()> m_previewAction;
    std::function<void()> m_aboutAction;
    std::function<void()> m_optionsAction;
    std::function<void()> m_previewGifAction;
    FolderChooser m_folderChooser;
    FileDialog m_fileDialog;
    Opener m_opener;
    HandlerQuery m_handlerQuery;
    FolderShower m_folderShower;
    std::unique_ptr<MainWindowBusService> m_bus;
    DoneNotification* m_doneNotification = nullptr; // for a run that ends out of sight
    int m_waitCursors = 0;
    bool m_askingToStop = false; // "Are you sure to stop?" is open
    std::map<int, QString> m_failReasons; // by row, until its result comes
    std::map<int, QString> m_fitNotes; // what a row gave up to fit, until its result comes
    // The running job: its rows' outputs, and what its end tells.
    struct Run
    {
        int Rows = -1; // -1: no job since the last end
        int Finished = 0;
        int Converted = 0;
        bool MakesGifs = true;
        QString Folder;
        std::map<int, std::pair<QString, bool>> Outputs; // by row: path, numbered
        QStringList Written; // the files made, in the order they were
    };
    Run m_run;
    QString m_chosenFolder; // the answer of the last folder question

    ConversionController m_controller; // last: stopped before the rest goes
};
