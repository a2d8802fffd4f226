#include "ui/CFileListView.h"

#include "ui/FileListRules.h"
#include "ui/FileManager.h"
#include "ui/FileNameText.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QUrl>
#include <algorithm>
#include <sys/stat.h>

namespace {

// The file item keeps the exact name (FileNameText) and a number that stays
// with the row while rows above it come and go.
constexpr int kPathRole = Qt::UserRole;
constexpr int kTagRole = Qt::UserRole + 1;
// The media information and the result with its reason, for the tooltip.
constexpr int kMediaInfoRole = Qt::UserRole + 2;
constexpr int kResultRole = Qt::UserRole + 3;
// The files a conversion made of the row.
constexpr int kOutputsRole = Qt::UserRole + 4;
// The row's edit, and its type icon without the edit's mark.
constexpr int kEditRole = Qt::UserRole + 5;
constexpr int kPlainIconRole = Qt::UserRole + 6;

// The type icon with a flag in its corner: the row has an edit.
QIcon MarkedIcon(const QIcon& icon, QSize size)
{
    QPixmap picture(size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    icon.paint(&painter, picture.rect());
    painter.setRenderHint(QPainter::Antialiasing);
    // A corner flag, as a spreadsheet marks a cell with a note.
    const double w = size.width();
    const double h = size.height();
    const QPointF flag[] = { { w, h * 0.4 }, { w, h }, { w * 0.4, h } };
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(QColor(214, 96, 0));
    painter.drawPolygon(flag, 3);
    painter.end();
    return QIcon(picture);
}
// The whole line of the GIF's estimate.
constexpr int kEstimateRole = Qt::UserRole + 7;

} // namespace

Q_DECLARE_METATYPE(FileEdit)

CFileListView::CFileListView(QWidget* parent)
    : QTableWidget(0, 4, parent)
{
    setObjectName("fileList");
    setHorizontalHeaderLabels(
        { tr("Video File"), tr("File Size"), tr("Information"), tr("Estimated GIF") });
    for (int column = 0; column < columnCount(); ++column)
        horizontalHeaderItem(column)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setIconSize(QSize(16, 16));
    setTabKeyNavigation(false);
    setAcceptDrops(false); // drops go to the dialog
    // Converted rows can be dragged out as their files, to a chat or a file manager.
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);
    setContextMenuPolicy(Qt::CustomContextMenu);
}

void CFileListView::SetUpColumns()
{
    const ColumnWidths widths = ColumnWidthsFor(width());
    // The estimate ("4.2 MB") takes what the size column, far wider than its texts, does
    // not need; the other columns keep their room.
    const int size = std::min(
        fontMetrics().horizontalAdvance(QStringLiteral("99999 KB")) + 14, widths.Size * 2 / 3);
    setColumnWidth(kFileColumn, widths.File);
    setColumnWidth(kSizeColumn, size);
    setColumnWidth(kEstimateColumn, widths.Size - size);
    setColumnWidth(kInformationColumn, widths.Information);
}

int CFileListView::AppendRow(const QString& path)
{
    const int row = rowCount();
    insertRow(row);
    const QString shown = FileNameForDisplay(path);
    // A name Qt cannot spell finds no icon of its own: it gets the plain file's.
    const QFileInfo info(shown);
    auto* file = new QTableWidgetItem(
        info.exists() ? m_icons.icon(info) : m_icons.icon(QFileIconProvider::File), shown);
    file->setData(kPathRole, path);
    file->setData(kTagRole, ++m_lastTag);
    setItem(row, kFileColumn, file);
    // Only a regular file has a size to show; anything else counts as 0.
    struct stat st;
    const bool regular = ::stat(FileNameBytes(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
    setItem(row, kSizeColumn, new QTableWidgetItem(SizeText(regular ? st.st_size : 0)));
    setItem(row, kInformationColumn, new QTableWidgetItem(QString()));
    setItem(row, kEstimateColumn, new QTableWidgetItem(QString()));
    UpdateRowToolTip(row);
    return row;
}

void CFileListView::SetRowMediaInfo(int row, const QString& text)
{
    QTableWidgetItem* file = item(row, kFileColumn);
    if (!file)
        return;
    file->setData(kMediaInfoRole, text);
    if (RowText(row, kInformationColumn).isEmpty())
        SetRowText(row, kInformationColumn, text);
    UpdateRowToolTip(row);
}

QString CFileListView::RowMediaInfo(int row) const
{
    const QTableWidgetItem* file = item(row, kFileColumn);
    return file ? file->data(kMediaInfoRole).toString() : QString();
}

void CFileListView::SetRowResult(int row, const QString& text, const QString& reason)
{
    QTableWidgetItem* file = item(row, kFileColumn);
    if (!file)
        return;
    SetRowText(row, kInformationColumn, text);
    file->setData(kResultRole, reason.isEmpty() ? text : text + QStringLiteral(": ") + reason);
    if (text.isEmpty())
        file->setData(kOutputsRole, QVariant());
    UpdateRowToolTip(row);
}

void CFileListView::SetRowResultLine(int row, const QString& line)
{
    if (QTableWidgetItem* file = item(row, kFileColumn)) {
        file->setData(kResultRole, line);
        UpdateRowToolTip(row);
    }
}

void CFileListView::SetRowEstimate(int row, const QString& text, const QString& details)
{
    QTableWidgetItem* file = item(row, kFileColumn);
    QTableWidgetItem* cell = item(row, kEstimateColumn);
    if (!file || !cell)
        return;
    cell->setText(text);
    file->setData(kEstimateRole,
        text.isEmpty() || details.isEmpty() ? QString() : tr("Estimated GIF: ") + details);
    UpdateRowToolTip(row);
}

void CFileListView::SetRowOutputs(int row, const QStringList& files)
{
    if (QTableWidgetItem* file = item(row, kFileColumn))
        file->setData(kOutputsRole, files);
}

QStringList CFileListView::RowOutputs(int row) const
{
    const QTableWidgetItem* file = item(row, kFileColumn);
    return file ? file->data(kOutputsRole).toStringList() : QStringList();
}

void CFileListView::SetRowEdit(int row, const FileEdit& edit)
{
    QTableWidgetItem* file = item(row, kFileColumn);
    if (!file)
        return;
    if (!file->data(kPlainIconRole).isValid())
        file->setData(kPlainIconRole, file->icon());
    const QIcon plain = file->data(kPlainIconRole).value<QIcon>();
    if (edit.IsEmpty()) {
        file->setData(kEditRole, QVariant());
        file->setIcon(plain);
        file->setData(Qt::AccessibleTextRole, QVariant());
    } else {
        file->setData(kEditRole, QVariant::fromValue(edit));
        file->setIcon(MarkedIcon(plain, iconSize()));
        // A screen reader hears the mark too.
        file->setData(Qt::AccessibleTextRole, tr("%1, edited").arg(file->text()));
    }
    UpdateRowToolTip(row);
}

FileEdit CFileListView::RowEdit(int row) const
{
    const QTableWidgetItem* file = item(row, kFileColumn);
    return file ? file->data(kEditRole).value<FileEdit>() : FileEdit();
}

QStringList CFileListView::mimeTypes() const
{
    return { QStringLiteral("text/uri-list") };
}

QMimeData* CFileListView::mimeData(const QList<QTableWidgetItem*>& items) const
{
    std::vector<int> rows;
    for (const QTableWidgetItem* cell : items)
        if (cell && std::find(rows.begin(), rows.end(), cell->row()) == rows.end())
            rows.push_back(cell->row());
    std::sort(rows.begin(), rows.end());
    QList<QUrl> urls;
    for (int row : rows)
        for (const QString& file : RowOutputs(row))
            urls << QUrl::fromEncoded(FileUri(file).toLatin1());
    if (urls.isEmpty())
        return nullptr;
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

void CFileListView::UpdateRowToolTip(int row)
{
    const QTableWidgetItem* file = item(row, kFileColumn);
    if (!file)
        return;
    QStringList lines = { file->text() };
    for (int role : { kMediaInfoRole, kResultRole, kEstimateRole }) {
        const QString line = file->data(role).toString();
        if (!line.isEmpty())
            lines << line;
    }
    if (const FileEdit edit = RowEdit(row); !edit.IsEmpty())
        lines << tr("Edit: %1").arg(QString::fromStdString(DescribeFileEdit(edit)));
    // As escaped rich text, so that a name like "<b>.mp4" shows as it is and
    // long lines are not wrapped.
    for (QString& line : lines)
        line = line.toHtmlEscaped();
    const QString tip = QStringLiteral("<p style='white-space:pre'>")
        + lines.join(QStringLiteral("<br>")) + "</p>";
    for (int column = 0; column < columnCount(); ++column)
        if (QTableWidgetItem* cell = item(row, column))
            cell->setToolTip(tip);
}

QString CFileListView::RowPath(int row) const
{
    const QTableWidgetItem* cell = item(row, kFileColumn);
    return cell ? cell->data(kPathRole).toString() : QString();
}

quint64 CFileListView::RowTag(int row) const
{
    const QTableWidgetItem* cell = item(row, kFileColumn);
    return cell ? cell->data(kTagRole).toULongLong() : 0;
}

int CFileListView::RowWithTag(quint64 tag) const
{
    for (int row = 0; row < rowCount(); ++row)
        if (RowTag(row) == tag)
            return row;
    return -1;
}

QString CFileListView::RowText(int row, int column) const
{
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text() : QString();
}

void CFileListView::SetRowText(int row, int column, const QString& text)
{
    if (row < 0 || row >= rowCount())
        return;
    if (QTableWidgetItem* cell = item(row, column))
        cell->setText(text);
}

bool CFileListView::IsRowSelected(int row) const
{
    return selectionModel()->isRowSelected(row, QModelIndex());
}

int CFileListView::SelectedRowCount() const
{
    return static_cast<int>(selectionModel()->selectedRows().size());
}

std::vector<bool> CFileListView::SelectionFlags() const
{
    std::vector<bool> flags(static_cast<std::size_t>(rowCount()));
    for (int row = 0; row < rowCount(); ++row)
        flags[static_cast<std::size_t>(row)] = IsRowSelected(row);
    return flags;
}

void CFileListView::SelectAndFocusRow(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    const QModelIndex index = model()->index(row, kFileColumn);
    selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

void CFileListView::ClearRowSelection()
{
    for (int row = rowCount() - 1; row >= 0; --row) {
        if (!IsRowSelected(row))
            continue;
        selectionModel()->select(model()->index(row, kFileColumn),
            QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        if (currentIndex().row() == row)
            selectionModel()->clearCurrentIndex();
    }
}

bool CFileListView::event(QEvent* event)
{
    // Before the widget's own handling, so that no key acts on the list unless
    // the dialog sends it back; only Tab and Shift+Tab pass, to leave the list
    // for the next control as they do everywhere else in the window.
    if (event->type() == QEvent::KeyPress && m_keyHandler) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!IsFocusKey(*key)) {
            m_keyHandler(key);
            return true;
        }
    }
    return QTableWidget::event(event);
}

bool CFileListView::IsFocusKey(const QKeyEvent& event)
{
    const bool tab = event.key() == Qt::Key_Tab || event.key() == Qt::Key_Backtab;
    return tab && !(event.modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}
