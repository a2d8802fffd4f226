#pragma once

#include "engine/FileEdit.h"

#include <QFileIconProvider>
#include <QTableWidget>
#include <functional>

// The report-style list of the main dialog: the rows themselves are the store
// of the files (path, size text, information text, type icon). Every key
// aimed at it but Tab and Shift+Tab goes to the dialog's handler, which sends
// some of them back through ForwardKey.
class CFileListView : public QTableWidget
{
    Q_OBJECT
public:
    enum Column
    {
        kFileColumn = 0,
        kSizeColumn = 1,
        kInformationColumn = 2,
        kEstimateColumn = 3 // "Estimated GIF", filled in the background
    };

    explicit CFileListView(QWidget* parent);

    // Sets the column widths from the list's outer width.
    void SetUpColumns();

    // Appends a row for `path` (as FileNameText gives it) with its type icon and
    // size; returns its index.
    int AppendRow(const QString& path);
    // The row's path exactly as it was appended.
    QString RowPath(int row) const;
    // A number that names the row for as long as it lives (never 0), and the row
    // that has it now, or -1.
    quint64 RowTag(int row) const;
    int RowWithTag(quint64 tag) const;
    QString RowText(int row, int column) const;
    void SetRowText(int row, int column, const QString& text);

    // The file's media information: kept for the row's tooltip, and shown in
    // the Information column unless that already holds something (a result).
    void SetRowMediaInfo(int row, const QString& text);
    QString RowMediaInfo(int row) const;
    // A conversion's result: `text` ("Success", "Failed") in the Information
    // column, and with its reason ("Failed: not a video file") in the tooltip.
    // An empty text clears the column and the result.
    void SetRowResult(int row, const QString& text, const QString& reason = QString());
    // The result's line in the row's tooltip, in place of the one SetRowResult gave it.
    void SetRowResultLine(int row, const QString& line);
    // The files a conversion made of the row (names as FileNameText gives them),
    // which the row hands out when dragged; an empty result clears them.
    void SetRowOutputs(int row, const QStringList& files);
    QStringList RowOutputs(int row) const;

    // What the person set for the row in the edit dialog; it goes with the row.
    // A row with an edit shows a mark on its icon and lists the edit in its tooltip.
    void SetRowEdit(int row, const FileEdit& edit);
    FileEdit RowEdit(int row) const;
    bool RowHasEdit(int row) const { return !RowEdit(row).IsEmpty(); }
    // The estimate of the row's GIF: the short text in its column, the whole line in the
    // row's tooltip; an empty text clears both.
    void SetRowEstimate(int row, const QString& text, const QString& details = QString());

    bool IsRowSelected(int row) const;
    int SelectedRowCount() const;
    std::vector<bool> SelectionFlags() const;
    // Adds the row to the selection and gives it the focus.
    void SelectAndFocusRow(int row);
    // Takes selection and focus from every selected row.
    void ClearRowSelection();

    using KeyHandler = std::function<void(QKeyEvent*)>;
    void SetKeyHandler(KeyHandler handler) { m_keyHandler = std::move(handler); }
    // Lets the list act on a key itself.
    void ForwardKey(QKeyEvent* event) { QTableWidget::keyPressEvent(event); }
    // Tab or Shift+Tab (Ctrl+Tab belongs to the list), which move the focus on.
    static bool IsFocusKey(const QKeyEvent& event);

protected:
    bool event(QEvent* event) override;
    // A drag of converted rows carries their output files (text/uri-list);
    // other rows give nothing to drag.
    QMimeData* mimeData(const QList<QTableWidgetItem*>& items) const override;
    QStringList mimeTypes() const override;

private:
    // Every cell of the row tells the whole story: path, media information, result.
    void UpdateRowToolTip(int row);

    KeyHandler m_keyHandler;
    QFileIconProvider m_icons;
    quint64 m_lastTag = 0;
};
