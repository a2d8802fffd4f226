#include "app/EstimateColumn.h"

#include "app/EstimateQueue.h"
#include "engine/EstimateFile.h"
#include "engine/EstimateText.h"
#include "engine/Settings.h"
#include "ui/CFileListView.h"
#include "ui/CMainDialog.h"
#include "ui/FileNameText.h"

#include <QTimer>

EstimateColumn::EstimateColumn(CMainDialog& dialog)
    : QObject(&dialog)
    , m_dialog(dialog)
{
    m_queue = std::make_unique<EstimateQueue>(
        this,
        [](const std::string& path, const FileEdit& edit, const std::atomic<bool>& stopped,
            ToolProcesses* tools) {
            // The settings as a conversion started now would read them, with the row's edit.
            return EstimateFile(SampleJobFor(path, LoadSettings(), edit), stopped, tools);
        },
        [this](quint64 tag, const GifEstimate& estimate) {
            CFileListView* list = m_dialog.FileList();
            const int row = list->RowWithTag(tag);
            if (row >= 0 && estimate.Valid)
                list->SetRowEstimate(row, QString::fromStdString(EstimateCell(estimate)),
                    QString::fromStdString(EstimateLine(estimate)));
        });
    QAbstractItemModel* model = m_dialog.FileList()->model();
    // Rows are filled in after they are inserted: look at them once that is done.
    connect(model, &QAbstractItemModel::rowsInserted, this,
        [this] { QTimer::singleShot(0, this, &EstimateColumn::AskNewRows); });
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
        [this](const QModelIndex&, int first, int last) {
            CFileListView* list = m_dialog.FileList();
            for (int row = first; row <= last; ++row) {
                const quint64 tag = list->RowTag(row);
                m_asked.erase(tag);
                if (m_queue)
                    m_queue->Forget(tag);
            }
        });
    connect(&m_dialog, &CMainDialog::ConvertingChanged, this, [this](bool converting) {
        if (m_queue)
            m_queue->SetPaused(converting);
    });
    // A new edit makes a new GIF: the row is estimated again.
    connect(&m_dialog, &CMainDialog::RowEditChanged, this, [this](quint64 tag) {
        CFileListView* list = m_dialog.FileList();
        const int row = list->RowWithTag(tag);
        if (!m_queue || row < 0)
            return;
        m_queue->Forget(tag);
        m_asked.erase(tag);
        list->SetRowEstimate(row, QString());
        AskNewRows();
    });
    // Closed: nothing more is estimated, and what runs is ended.
    connect(&m_dialog, &QDialog::finished, this, [this] { m_queue.reset(); });
    AskNewRows();
}

EstimateColumn::~EstimateColumn() = default;

void EstimateColumn::Refresh()
{
    if (!m_queue)
        return;
    m_queue->ForgetAll();
    m_asked.clear();
    CFileListView* list = m_dialog.FileList();
    for (int row = 0; row < list->rowCount(); ++row)
        list->SetRowEstimate(row, QString());
    AskNewRows();
}

bool EstimateColumn::Idle() const
{
    return !m_queue || m_queue->Idle();
}

void EstimateColumn::AskNewRows()
{
    if (!m_queue)
        return;
    CFileListView* list = m_dialog.FileList();
    for (int row = 0; row < list->rowCount(); ++row) {
        const quint64 tag = list->RowTag(row);
        if (tag == 0 || !m_asked.insert(tag).second)
            continue;
        m_queue->Ask(tag, FileNameBytes(list->RowPath(row)), list->RowEdit(row));
    }
}
