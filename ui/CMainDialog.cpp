#include "ui/CMainDialog.h"

#include "platform/OpenUrl.h"
#include "platform/ProfileFile.h"
#include "platform/ProgramFolder.h"
#include "platform/UserProfiles.h"
#include "ui/CFileListView.h"
#include "ui/DoneNotification.h"
#include "ui/FileManager.h"
#include "ui/FileNameText.h"
#include "ui/MainWindowBusService.h"
#include "widgets/CRichMessageBoxDialog.h"
#include "widgets/CStatusFolderPicker.h"
#include "widgets/DialogUnits.h"
#include "widgets/RichMessageBox.h"

#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <algorithm>

static void InitPictures()
{
    Q_INIT_RESOURCE(pictures);
}

namespace {

// The template: 434 x 281 dialog units.
constexpr int kTemplateWidth = 434;
constexpr int kTemplateHeight = 281;

// Message-box style and answer.
constexpr std::uint32_t kYesNo = 4;
constexpr std::uint32_t kSecondButtonDefault = 0x100;
constexpr int kNo = 7;

const char* const kStop = "Stop";

// What a conversion made of a file: its output, or the numbered files from 1
// without gaps (STEM1.EXT, STEM2.EXT, ...) that the tools write for it.
QStringList ExistingOutputs(const QString& path, bool numbered)
{
    const auto exists = [](const QString& file) { return PathExists(FileNameBytes(file)); };
    if (!numbered)
        return exists(path) ? QStringList { path } : QStringList();
    const int slash = path.lastIndexOf('/');
    int dot = path.lastIndexOf('.');
    if (dot <= slash)
        dot = path.size();
    QStringList files;
    for (int n = 1;; ++n) {
        const QString file = path.left(dot) + QString::number(n) + path.mid(dot);
        if (!exists(file))
            break;
        files << file;
    }
    return files;
}
const char* const kConvert = "Convert";

QString DefaultFolderChooser(QWidget* owner, const QString& initialFolder)
{
    CStatusFolderPicker picker(owner, QString(), QObject::tr("Please select a folder:"));
    picker.SetFlags(CFolderPicker::kOnlyFileSystemFolders | CFolderPicker::kStatusText
        | CFolderPicker::kEditBox | CFolderPicker::kNewDialogStyle);
    picker.SetInitialFolder(initialFolder);
    return picker.Browse() ? picker.ChosenPath() : QString();
}

QStringList DefaultFileDialog(
    QWidget* owner, const QString& initialFolder, const QStringList& filters)
{
    QFileDialog dialog(owner, QStringLiteral("Sablewick"), initialFolder);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(0));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

} // namespace

CMainDialog::CMainDialog(QWidget* parent)
    : QDialog(parent)
    , m_folderChooser(DefaultFolderChooser)
    , m_fileDialog(DefaultFileDialog)
    , m_opener([](const QString& target) { return OpenUrl(FileNameBytes(target)); })
    , m_handlerQuery(DefaultHandlerOf)
    , m_folderShower(ShowInFileManager)
    , m_controller(*this)
{
    InitPictures();
    m_doneNotification = new DoneNotification(
        [this](const QStringList& paths) { return m_folderShower && m_folderShower(paths); }, this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
        | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon(QStringLiteral(":/icons/sablewick.png")));
    BuildControls();
    UpdateControlStates();
    BuildBackground();
    setAcceptDrops(true);

    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    help->setContext(Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, &CMainDialog::OnHelp);
    auto* edit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_E), this);
    edit->setContext(Qt::WindowShortcut);
    connect(edit, &QShortcut::activated, this, &CMainDialog::EditSelected);
    auto* previewGif = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_P), this);
    previewGif->setContext(Qt::WindowShortcut);
    connect(previewGif, &QShortcut::activated, this, [this] { RunContextCommand(7); });
}

CMainDialog::~CMainDialog()
{
    // The list's rows go after this part of the window: no update on the way out.
    m_list->selectionModel()->disconnect(this);
    while (m_waitCursors-- > 0)
        QApplication::restoreOverrideCursor();
}

void CMainDialog::BuildControls()
{
    const DialogUnits du = DialogUnits::FromFont(font());
    setFixedSize(du.X(kTemplateWidth), du.Y(kTemplateHeight));

    auto button = [&](const char* text, int x, int y, const char* name) {
        auto* b = new QPushButton(tr(text), this);
        b->setObjectName(name);
        b->setGeometry(du.Map(x, y, 77, 24));
        return b;
    };
    // In the template's order, which is also the order of the Tab key.
    m_status = new QLabel(this);
    m_status->setObjectName("status");
    m_status->setGeometry(du.Map(13, 244, 90, 8));
    m_status->setTextFormat(Qt::PlainText);
    m_convert = button(kConvert, 222, 231, "convert");
    m_convert->setDefault(true);
    m_about = button("About", 336, 231, "about");
    m_progress = new QProgressBar(this);
    m_progress->setObjectName("progress");
    m_progress->setGeometry(du.Map(7, 261, 420, 14));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_options = button("Options", 7, 182, "options");
    m_preview = button("Preview Video", 108, 231, "preview");
    m_list = new CFileListView(this);
    m_list->setGeometry(du.Map(93, 44, 334, 180));
    m_list->SetUpColumns();
    m_add = button("Add Video File(s)", 8, 55, "add");
    m_remove = button("Remove", 8, 98, "remove");
    m_removeAll = button("Remove All", 8, 141, "removeAll");

    connect(m_convert, &QPushButton::clicked, this, &CMainDialog::OnConvertClicked);
    connect(m_about, &QPushButton::clicked, this, [this] {
        if (m_aboutAction)
            m_aboutAction();
    });
    connect(m_options, &QPushButton::clicked, this, [this] {
        if (m_optionsAction)
            m_optionsAction();
    });
    connect(m_preview, &QPushButton::clicked, this, [this] {
        if (m_previewAction)
            m_previewAction();
    });
    connect(m_add, &QPushButton::clicked, this, &CMainDialog::AddCommand);
    connect(m_remove, &QPushButton::clicked, this, &CMainDialog::RemoveSelected);
    connect(m_removeAll, &QPushButton::clicked, this, &CMainDialog::RemoveAll);

    m_list->SetKeyHandler([this](QKeyEvent* event) { OnKeyDown(event); });
    connect(m_list, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { OpenRow(row); });
    connect(m_list, &QWidget::customContextMenuRequested, this, &CMainDialog::ShowContextMenu);
    m_list->viewport()->installEventFilter(this);
    // The buttons follow the selection however it changes: click, keys,
    // right-click, Remove or the conversion's own selecting.
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &CMainDialog::UpdateControlStates);
    // Enter and Escape do nothing anywhere in the window: not even a focused
    // button takes them.
    for (QPushButton* b : findChildren<QPushButton*>())
        b->installEventFilter(this);
}

QImage CMainDialog::StretchBackground(const QImage& picture, QSize size)
{
    return picture.convertToFormat(QImage::Format_RGB32)
        .scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

void CMainDialog::BuildBackground()
{
    const QImage picture(QStringLiteral(":/background/background.png"));
    if (picture.isNull())
        return;
    m_background = QPixmap::fromImage(StretchBackground(picture, size()));
}

void CMainDialog::paintEvent(QPaintEvent* event)
{
    if (m_background.isNull()) {
        QDialog::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_background);
}

void CMainDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // Convert is the default button and, as the first control that takes the
    // focus, starts with it.
    m_convert->setDefault(true);
    m_convert->setFocus(Qt::ActiveWindowFocusReason);
}

bool CMainDialog::IsConverting() const
{
    return m_controller.IsConverting();
}

void CMainDialog::UpdateControlStates()
{
    const int rows = m_list->rowCount();
    const int selected = m_list->SelectedRowCount();
    // A running job converts the rows it was started with, by their places in
    // the list: nothing may be taken out from under it.
    const bool converting = IsConverting();
    m_remove->setEnabled(rows > 0 && selected > 0 && !converting);
    m_preview->setEnabled(rows > 0 && selected > 0);
    m_removeAll->setEnabled(rows > 0 && !converting);
    m_convert->setEnabled(rows > 0 || converting);
}

void CMainDialog::OnConvertClicked()
{
    if (IsConverting()) {
        m_controller.StopConversion(); // the end of the job shows Convert again
        return;
    }
    if (m_list->rowCount() == 0)
        return;
    m_controller.StopConversion(); // a preview
    if (m_controller.StartConversion()) {
        m_convert->setText(tr(kStop));
        UpdateControlStates();
    }
}

void CMainDialog::reject()
{
    if (IsConverting()) {
        m_askingToStop = true;
        const int answer = RichMessageBox(
            this, tr("Are you sure to stop?"), QStringLiteral("Sablewick"), kYesNo);
        m_askingToStop = false;
        if ((answer & 0xFFFF) == kNo)
            return;
        m_controller.StopConversion();
    }
    QDialog::reject();
}

void CMainDialog::WithdrawStopQuestion()
{
    if (!m_askingToStop)
        return;
    // The job the question was about has ended: there is nothing left to stop,
    // so the question goes as if answered No and the window stays.
    for (CRichMessageBoxDialog* box :
        findChildren<CRichMessageBoxDialog*>(QString(), Qt::FindDirectChildrenOnly))
        box->Answer(kNo);
}

void CMainDialog::OnHelp()
{
    if (!m_homepage.isEmpty())
        Open(m_homepage);
}

void CMainDialog::Open(const QString& target)
{
    if (m_opener)
        m_opener(target); // its callers here ignore a failure, as the shell would
}

void CMainDialog::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept(); // neither closes the window nor presses Convert
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void CMainDialog::OnKeyDown(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
        m_list->ForwardKey(event);
        break;
    case Qt::Key_Insert:
        AddCommand();
        break;
    case Qt::Key_Delete:
        RemoveSelected();
        break;
    default:
        break; // Home, End, Enter, Escape and the rest: nothing
    }
    event->accept();
}

bool CMainDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list->viewport()) {
        // A click on the list, on a row or not, brings the buttons up to date once
        // the list has changed its selection.
        if (event->type() == QEvent::MouseButtonRelease
            && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            QMetaObject::invokeMethod(
                this, &CMainDialog::UpdateControlStates, Qt::QueuedConnection);
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

// --- Messages from other programs ---

void CMainDialog::OnStatusTextMessage(int position, const QString& text)
{
    if (text.isEmpty())
        return;
    m_status->setText(text.left(299));
    m_status->setToolTip(QString());
    SetProgress(position);
}

void CMainDialog::OnAddFileMessage(const QString& message)
{
    // Names that are not UTF-8 cross the bus as U+FFFD.
    const QString path = FindFileOnDisk(message);
    if (path.isEmpty() || !PathExists(FileNameBytes(path)))
        return;
    if (const int existing = RowOfFile(path); existing >= 0) {
        SelectRow(existing);
        return;
    }
    // A file manager's Open With comes this way: the files get their media
    // information as dropped files do.
    const int row = m_list->AppendRow(path);
    if (m_rowAdded)
        m_rowAdded(path, row);
    UpdateControlStates();
}

bool CMainDialog::StartMessageService()
{
    auto service = std::make_unique<MainWindowBusService>(*this);
    QString whyNot;
    if (!service->Register(&whyNot)) {
        std::fprintf(stderr, "sablewick: %s; messages from other programs are not received\n",
            qPrintable(whyNot));
        return false;
    }
    m_bus = std::move(service);
    return true;
}

// --- ConversionHost ---

std::string CMainDialog::ChooseOutputFolder()
{
    const std::string profile = ApplicationProfilePath();
    const QString remembered
        = FileNameText(ReadProfileString(profile, "OpenFolder", "Folder", "", 4096));
    const QString answer = m_folderChooser ? m_folderChooser(this, remembered) : QString();
    if (answer.isEmpty())
        return {};
    const std::string chosen = FileNameBytes(FindFileOnDisk(answer));
    WriteProfileString(profile, "OpenFolder", "Folder", chosen);
    m_chosenFolder = FileNameText(chosen);
    if (!m_chosenFolder.endsWith('/'))
        m_chosenFolder += '/';
    return chosen;
}

void CMainDialog::JobStarted()
{
    // The label has no background of its own; Qt repaints the picture under it.
    m_status->setText(tr("Please wait..."));
    m_status->setToolTip(QString());
    m_failReasons.clear();
    m_fitNotes.clear();
    m_run = Run();
    m_run.Rows = m_list->rowCount();
    m_run.Folder = m_chosenFolder;
    for (int row = 0; row < m_list->rowCount(); ++row)
        m_list->SetRowResult(row, QString());
    emit ConvertingChanged(true);
}

void CMainDialog::SetProgress(int position)
{
    m_progress->setValue(std::clamp(position, 0, 100));
}


int CMainDialog::RowCount() const
{
    return m_list->rowCount();
}

std::string CMainDialog::RowPath(int row) const
{
    return FileNameBytes(m_list->RowPath(row));
}

void CMainDialog::FileFailedBecause(int row, const std::string& reason)
{
    m_failReasons[row] = QString::fromUtf8(reason).trimmed();
}

void CMainDialog::FileFitted(int row, const std::string& note)
{
    m_fitNotes[row] = QString::fromUtf8(note).trimmed();
}

void CMainDialog::RowOutput(int row, const std::string& outputPath, bool numbered)
{
    const QString path = FileNameText(outputPath);
    m_run.Outputs[row] = { path, numbered };
    m_run.MakesGifs = path.endsWith(QStringLiteral(".gif"), Qt::CaseInsensitive);
}

void CMainDialog::FileFinished(int row, FileResult result)
{
    ++m_run.Finished;
    const auto output = m_run.Outputs.find(row);
    if (result == FileResult::Succeeded && output != m_run.Outputs.end()) {
        ++m_run.Converted;
        const QStringList written = ExistingOutputs(output->second.first, output->second.second);
        m_list->SetRowOutputs(row, written);
        m_run.Written << written;
    }
    const auto reason = m_failReasons.find(row);
    QString why;
    if (reason != m_failReasons.end()) {
        why = reason->second;
        m_failReasons.erase(reason);
    }
    const auto fitted = m_fitNotes.find(row);
    QString note;
    if (fitted != m_fitNotes.end()) {
        note = fitted->second;
        m_fitNotes.erase(fitted);
    }
    if (result == FileResult::Succeeded) {
        m_list->SetRowResult(row, tr("Success"));
        if (!note.isEmpty())
            m_list->SetRowResultLine(row, tr("Success (%1)").arg(note));
    } else
        m_list->SetRowResult(row, tr("Failed"), why);
}

QString CMainDialog::RunSummary() const
{
    if (m_run.Finished < m_run.Rows)
        return tr("Stopped. %1 of %2 converted.").arg(m_run.Converted).arg(m_run.Rows);
    if (!m_run.MakesGifs)
        return tr("Done. %1 converted into %2").arg(m_run.Converted).arg(m_run.Folder);
    return (m_run.Converted == 1 ? tr("Done. %1 GIF in %2") : tr("Done. %1 GIFs in %2"))
        .arg(m_run.Converted)
        .arg(m_run.Folder);
}

void CMainDialog::JobEnded()
{
    if (m_run.Rows < 0) {
        m_status->setText(tr("Done."));
        m_status->setToolTip(QString());
    } else {
        // The label is narrow: a long folder keeps its beginning and its end,
        // and the tooltip has the whole text.
        const QString summary = RunSummary();
        const QFontMetrics metrics = m_status->fontMetrics();
        QString shown = summary;
        // The count stays whole; the folder gives up its middle first.
        const int folderAt = m_run.Folder.isEmpty() ? -1 : summary.lastIndexOf(m_run.Folder);
        if (metrics.horizontalAdvance(summary) > m_status->width() && folderAt > 0) {
            const QString head = summary.left(folderAt);
            const int room = m_status->width() - metrics.horizontalAdvance(head);
            if (room > metrics.horizontalAdvance(QStringLiteral("/\u2026/")))
                shown = head + metrics.elidedText(m_run.Folder, Qt::ElideMiddle, room);
        }
        m_status->setText(metrics.elidedText(shown, Qt::ElideMiddle, m_status->width()));
        m_status->setToolTip(summary);
        // A run that ended on its own while the person was elsewhere is told on the desktop.
        if (m_run.Finished >= m_run.Rows && !isActiveWindow())
            m_doneNotification->Notify(m_run.Converted, m_run.Finished - m_run.Converted,
                m_run.MakesGifs, m_run.Folder, m_run.Written);
        m_run.Rows = -1;
    }
    m_convert->setText(tr(kConvert));
    UpdateControlStates(); // Remove and Remove All come back
    WithdrawStopQuestion();
    emit ConvertingChanged(false);
}

void CMainDialog::FileStarted(int row)
{
    if (row < 0 || row >= m_list->rowCount())
        return;
    ClearSelection();
    SelectRow(row);
    m_list->viewport()->repaint();
}

ExistingOutputsAnswer CMainDialog::AskAboutExistingOutputs(int count, const std::string& folder)
{
    // Yes, No and Cancel under the names of what they do: Escape cancels, and
    // Keep Both, which loses nothing, is the default.
    MessageBoxParams params;
    params.UseCustomCaptions = true;
    params.Captions[static_cast<std::size_t>(CaptionIndex::Yes)] = tr("&Replace");
    params.Captions[static_cast<std::size_t>(CaptionIndex::No)] = tr("&Keep Both");
    const QString text = count == 1
        ? tr("1 file already exists in %1. Replace it?").arg(FileNameText(folder))
        : tr("%1 files already exist in %2. Replace them?").arg(count).arg(FileNameText(folder));
    const int answer = RichMessageBox(this, text, QStringLiteral("Sablewick"),
        MessageBoxStyle::YesNoCancel | MessageBoxStyle::IconQuestion | kSecondButtonDefault,
        &params);
    switch (answer & 0xFFFF) {
    case MessageBoxButton::Yes:
        return ExistingOutputsAnswer::Replace;
    case MessageBoxButton::No:
        return ExistingOutputsAnswer::KeepBoth;
    default:
        return ExistingOutputsAnswer::Cancel;
    }
}

void CMainDialog::JobNotStarted()
{
    m_run.Rows = -1;
    RichMessageBox(this, tr("CreateThread error."), tr("Error"), 0);
}

void CMainDialog::SettingsNotRead(const std::string& path)
{
    RichMessageBox(this, tr("The settings file %1 could not be read.").arg(FileNameText(path)),
        QStringLiteral("Sablewick"), MessageBoxStyle::IconExclamation);
}

void CMainDialog::SetWaitCursor(bool on)
{
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++m_waitCursors;
    } else if (m_waitCursors > 0) {
        QApplication::restoreOverrideCursor();
        --m_waitCursors;
    }
}

void CMainDialog::Post(std::function<void()> call)
{
    QMetaObject::invokeMethod(
        this, [call = std::move(call)] { call(); }, Qt::QueuedConnection);
}
