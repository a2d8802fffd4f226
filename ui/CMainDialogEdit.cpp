// The main window's edit command: one file's trim, crop, speed, direction and
// caption, kept with its row.
#include "engine/MediaInfo.h"
#include "ui/CEditDialog.h"
#include "ui/CFileListView.h"
#include "ui/CMainDialog.h"
#include "ui/ClipFacts.h"
#include "ui/FileNameText.h"

#include <QApplication>

int CMainDialog::EditableRow() const
{
    // A running job took its edits when it started; the next one takes the new.
    // Editing waits, as removing does, and the frames never compete with it.
    if (IsConverting() || m_list->SelectedRowCount() != 1)
        return -1;
    for (int row = 0; row < m_list->rowCount(); ++row)
        if (m_list->IsRowSelected(row))
            return row;
    return -1;
}

void CMainDialog::EditSelected()
{
    const int row = EditableRow();
    if (row < 0) {
        QApplication::beep();
        return;
    }
    // The row is found again by its tag: rows may come while the dialog is open.
    const quint64 tag = m_list->RowTag(row);
    const QString path = m_list->RowPath(row);
    const QString shown = m_list->RowText(row, CFileListView::kFileColumn);
    // A row that has no description yet (its question is still queued, or it
    // came without one) gets it now: the dialog steps by its frames.
    if (m_list->RowMediaInfo(row).isEmpty()) {
        SetWaitCursor(true);
        const auto info = QueryMediaInfo(FileNameBytes(path));
        SetWaitCursor(false);
        if (info)
            m_list->SetRowMediaInfo(row, QString::fromStdString(*info));
    }
    CEditDialog dialog(this, FileNameBytes(path), shown.mid(shown.lastIndexOf('/') + 1),
        ParseClipFacts(m_list->RowMediaInfo(row)), m_list->RowEdit(row));
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (const int now = m_list->RowWithTag(tag); now >= 0) {
        m_list->SetRowEdit(now, dialog.Edit());
        emit RowEditChanged(tag);
    }
}

FileEdit CMainDialog::RowEdit(int row) const
{
    return m_list->RowEdit(row);
}
