// The file-list commands of the main window.
#include "platform/ProfileFile.h"
#include "platform/ProgramFolder.h"
#include "platform/UserProfiles.h"
#include "ui/CFileListView.h"
#include "ui/CMainDialog.h"
#include "ui/FileListRules.h"
#include "ui/FileNameText.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QUrl>
#include <sys/stat.h>

namespace {

// Our own menu entry, as the desktop names it.
const char* const kOwnDesktopEntry = "net.tellurvane.Sablewick.desktop";
// The context menu's Edit... entry.
constexpr int kEditCommand = 8;

} // namespace

void CMainDialog::AddPathIfExists(const QString& path)
{
    if (path.isEmpty() || !PathExists(FileNameBytes(path)))
        return;
    if (const int existing = RowOfFile(path); existing >= 0)
        SelectRow(existing); // a file is listed once
    else
        m_list->AppendRow(path); // no media information for these
    UpdateControlStates();
}

int CMainDialog::RowOfFile(const QString& path) const
{
    const std::string bytes = FileNameBytes(path);
    struct stat wanted;
    const bool known = ::stat(bytes.c_str(), &wanted) == 0;
    for (int row = 0; row < m_list->rowCount(); ++row) {
        const QString listed = m_list->RowPath(row);
        if (listed == path)
            return row;
        struct stat st;
        if (known && ::stat(FileNameBytes(listed).c_str(), &st) == 0 && st.st_dev == wanted.st_dev
            && st.st_ino == wanted.st_ino)
            return row;
    }
    return -1;
}

QStringList CMainDialog::AddFilesFromDialog(QWidget* owner)
{
    const std::string profile = SharedUserProfilePath();
    const QString inputDir
        = FileNameText(ReadProfileString(profile, "Parameter", "InputDir", "", 4096));
    QStringList paths
        = m_fileDialog ? m_fileDialog(owner, inputDir, VideoFileDialogFilters()) : QStringList();
    if (paths.isEmpty())
        return {};
    // The dialog shows bytes that are not UTF-8 as U+FFFD: find the real names.
    for (QString& path : paths)
        path = FindFileOnDisk(path);
    WriteProfileString(profile, "Parameter", "InputDir", FileNameBytes(NextInputFolder(paths)));
    return paths;
}

void CMainDialog::AddPaths(const QStringList& paths)
{
    if (paths.isEmpty())
        return;
    const int n = static_cast<int>(paths.size());
    for (int i = 0; i < n; ++i) {
        SetProgress((i * 100 + 99) / n);
        // Keeps the window answering between files; any command may run here.
        QCoreApplication::processEvents();
        if (const int existing = RowOfFile(paths[i]); existing >= 0) {
            SelectRow(existing); // a file is listed once
            continue;
        }
        const int row = m_list->AppendRow(paths[i]);
        if (m_rowAdded)
            m_rowAdded(paths[i], row);
        if (row < m_list->rowCount())
            m_list->scrollToItem(m_list->item(row, CFileListView::kFileColumn));
        m_list->viewport()->repaint();
    }
    SetProgress(0);
    UpdateControlStates();
}

void CMainDialog::AddCommand()
{
    AddPaths(AddFilesFromDialog(this));
}

void CMainDialog::DropNames(const QStringList& names)
{
    QStringList accepted;
    for (const QString& name : names)
        if (AcceptDroppedName(FileNameBytes(name)))
            accepted << name;
    AddPaths(accepted);
}

void CMainDialog::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainDialog::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainDialog::dropEvent(QDropEvent* event)
{
    const QStringList names = DroppedFileNames(*event->mimeData());
    event->acceptProposedAction();
    DropNames(names);
}

void CMainDialog::RemoveSelected()
{
    const RemovalPlan plan
        = PlanRemoval(m_list->rowCount(), m_list->SelectionFlags(), IsConverting());
    for (int row : plan.RowsToDelete)
        m_list->removeRow(row);
    if (plan.RowToSelect >= 0)
        m_list->SelectAndFocusRow(plan.RowToSelect);
    UpdateControlStates();
}

void CMainDialog::RemoveAll()
{
    if (!IsConverting()) // the job's rows stay until it ends
        m_list->setRowCount(0);
    UpdateControlStates();
}

void CMainDialog::ClearSelection()
{
    m_list->ClearRowSelection();
}

void CMainDialog::SelectRow(int row)
{
    if (row < 0 || row >= m_list->rowCount())
        return;
    m_list->scrollToItem(m_list->item(row, CFileListView::kFileColumn));
    m_list->SelectAndFocusRow(row);
}

std::unique_ptr<QMenu> CMainDialog::BuildContextMenu()
{
    auto menu = std::make_unique<QMenu>(this);
    const bool anySelected = m_list->SelectedRowCount() > 0;
    const struct
    {
        const char* text;
        int command;
        bool enabled;
    } items[] = {
        { "&Add files", 1, true },
        { "&Remove", 2, anySelected && !IsConverting() },
        { "Remove &All", 3, m_list->rowCount() > 0 && !IsConverting() },
        { "&View file", 4, anySelected },
    };
    for (const auto& item : items) {
        QAction* action = menu->addAction(tr(item.text));
        action->setData(item.command);
        action->setEnabled(item.enabled);
    }
    QAction* edit = menu->addAction(tr("&Edit..."));
    edit->setData(kEditCommand);
    edit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    edit->setEnabled(EditableRow() >= 0);
    if (m_previewGifAction) {
        QAction* preview = menu->addAction(tr("Preview GIF"));
        preview->setData(7);
        preview->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
        preview->setEnabled(m_list->rowCount() > 0);
    }
    // A converted row: its result, opened or shown where it lies.
    const QStringList outputs = SelectedOutputs();
    if (!outputs.isEmpty()) {
        menu->addSeparator();
        const bool gif = outputs.first().endsWith(QStringLiteral(".gif"), Qt::CaseInsensitive);
        menu->addAction(gif ? tr("Open GIF") : tr("Open Image"))->setData(5);
        menu->addAction(tr("Show in Folder"))->setData(6);
    }
    return menu;
}

QStringList CMainDialog::SelectedOutputs() const
{
    QStringList files;
    for (int row = 0; row < m_list->rowCount(); ++row)
        if (m_list->IsRowSelected(row))
            files << m_list->RowOutputs(row);
    return files;
}

void CMainDialog::ShowContextMenu()
{
    std::unique_ptr<QMenu> menu = BuildContextMenu();
    const QAction* chosen = menu->exec(QCursor::pos() + QPoint(1, 1));
    const int command = chosen ? chosen->data().toInt() : 0;
    menu.reset();
    RunContextCommand(command);
}

void CMainDialog::RunContextCommand(int command)
{
    switch (command) {
    case 1:
        AddCommand();
        break;
    case 2:
        RemoveSelected();
        break;
    case 3:
        RemoveAll();
        break;
    case 4:
        ViewSelectedFiles();
        break;
    case 5:
        if (const QStringList outputs = SelectedOutputs(); !outputs.isEmpty())
            Open(outputs.first());
        break;
    case kEditCommand:
        EditSelected();
        break;
    case 6:
        if (const QStringList outputs = SelectedOutputs(); !outputs.isEmpty() && m_folderShower)
            m_folderShower(outputs);
        break;
    case 7:
        if (m_previewGifAction && m_list->rowCount() > 0)
            m_previewGifAction();
        break;
    default:
        break;
    }
}

void CMainDialog::ViewSelectedFiles()
{
    for (int row = 0; row < m_list->rowCount(); ++row)
        if (m_list->IsRowSelected(row))
            OpenRow(row);
}

void CMainDialog::OpenRow(int row)
{
    const QString path = m_list->RowPath(row);
    if (path.isEmpty())
        return;
    // We claim video types in the menu: where no other player does, the desktop
    // would hand the file back to us and add it once more. Show it in its folder
    // instead.
    if (m_handlerQuery && m_handlerQuery(FileNameBytes(path)) == kOwnDesktopEntry) {
        if (m_folderShower)
            m_folderShower({ path });
        return;
    }
    Open(path);
}
