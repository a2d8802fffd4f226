#include "widgets/CFolderPicker.h"

#include "widgets/RichMessageBox.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

CFolderPicker::CFolderPicker(QWidget* owner, QString root, QString prompt)
    : QDialog(owner)
    , m_root(std::move(root))
    , m_prompt(std::move(prompt))
{
    setWindowTitle(tr("Browse For Folder"));
    BuildControls();
}

CFolderPicker::~CFolderPicker() = default;

void CFolderPicker::BuildControls()
{
    m_promptLabel = new QLabel(this);
    m_promptLabel->setWordWrap(true);
    m_promptLabel->setObjectName("prompt");

    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName("status");
    m_statusLabel->setMinimumWidth(1);
    m_statusLabel->setTextFormat(Qt::PlainText);

    m_model = new QFileSystemModel(this);
    m_model->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    m_model->setReadOnly(true);

    m_tree = new QTreeView(this);
    m_tree->setObjectName("tree");
    m_tree->setModel(m_model);
    m_tree->setHeaderHidden(true);
    for (int column = 1; column < m_model->columnCount(); ++column)
        m_tree->hideColumn(column);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setMinimumSize(360, 300);
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
        [this] { SelectionChanged(); });
    // Folders load in the background and push the selected one down as they
    // come: scroll it back into view, until the user moves the tree himself.
    m_scrollTimer = new QTimer(this);
    m_scrollTimer->setSingleShot(true);
    m_scrollTimer->setInterval(0);
    connect(m_scrollTimer, &QTimer::timeout, this, [this] {
        if (m_open && m_followSelection && m_tree->currentIndex().isValid())
            m_tree->scrollTo(m_tree->currentIndex(), QAbstractItemView::PositionAtCenter);
    });
    connect(m_model, &QAbstractItemModel::rowsInserted, m_scrollTimer, qOverload<>(&QTimer::start));
    connect(
        m_model, &QAbstractItemModel::layoutChanged, m_scrollTimer, qOverload<>(&QTimer::start));
    m_tree->viewport()->installEventFilter(this);
    m_tree->verticalScrollBar()->installEventFilter(this);
    m_tree->installEventFilter(this);

    m_editCaption = new QLabel(tr("Folder:"), this);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName("edit");
    m_editCaption->setBuddy(m_edit);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName("buttons");
    QPushButton* newFolder = buttons->addButton(tr("New Folder"), QDialogButtonBox::ActionRole);
    newFolder->setObjectName("newFolder");
    newFolder->setAutoDefault(false);
    connect(newFolder, &QPushButton::clicked, this, &CFolderPicker::MakeNewFolder);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* editRow = new QHBoxLayout;
    editRow->addWidget(m_editCaption);
    editRow->addWidget(m_edit, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_promptLabel);
    layout->addWidget(m_statusLabel);
    layout->addWidget(m_tree, 1);
    layout->addLayout(editRow);
    layout->addWidget(buttons);
}

void CFolderPicker::SetOwner(QWidget* owner)
{
    if (!m_open)
        setParent(owner, windowFlags());
}

void CFolderPicker::SetRoot(const QString& root)
{
    if (!m_open)
        m_root = root;
}

void CFolderPicker::SetFlags(std::uint32_t flags)
{
    if (!m_open)
        m_flags = flags;
}

void CFolderPicker::SetPrompt(const QString& prompt)
{
    if (!m_open)
        m_prompt = prompt;
}

void CFolderPicker::ApplyOptions()
{
    m_promptLabel->setText(m_prompt);
    m_promptLabel->setVisible(!m_prompt.isEmpty());
    m_statusLabel->setVisible((m_flags & kStatusText) != 0);
    m_editCaption->setVisible((m_flags & kEditBox) != 0);
    m_edit->setVisible((m_flags & kEditBox) != 0);
    setSizeGripEnabled((m_flags & kNewDialogStyle) != 0);

    const QString root = m_root.isEmpty() ? QDir::rootPath() : QDir::cleanPath(m_root);
    m_model->setRootPath(root);
    // With no root the tree starts at "/" itself; otherwise at the root's folders.
    m_tree->setRootIndex(m_root.isEmpty() ? QModelIndex() : m_model->index(root));
}

bool CFolderPicker::Browse()
{
    if (m_open)
        return false;
    ApplyOptions();
    if (m_flags & kNewDialogStyle) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        adjustSize();
        setFixedSize(sizeHint());
    }
    m_statusText.clear();
    m_statusLabel->clear();
    m_edit->clear();

    m_open = true;
    m_followSelection = true;
    // The default selection: the home folder when it lies under the root.
    const QString root = m_root.isEmpty() ? QDir::rootPath() : QDir::cleanPath(m_root);
    const QString home = QDir::homePath();
    SetSelection(home.startsWith(root) ? home : root);
    OnInitialized();

    const bool chosen = exec() == QDialog::Accepted;
    m_open = false;
    if (chosen)
        m_chosenPath = m_pendingPath;
    m_pendingPath.clear();
    return chosen;
}

void CFolderPicker::done(int result)
{
    if (result == QDialog::Accepted) {
        QString folder = FolderFromEdit();
        if (folder.isEmpty() && !QFileInfo::exists(PathFromEdit()))
            folder = CreateMissingFolder(PathFromEdit());
        if (folder.isEmpty()) {
            // Nothing that OK could choose: stay open.
            QApplication::beep();
            m_edit->selectAll();
            return;
        }
        m_pendingPath = folder;
    }
    QDialog::done(result);
}

QString CFolderPicker::PathFromEdit() const
{
    QString text = m_edit->isVisibleTo(this) ? m_edit->text().trimmed() : QString();
    if (text.isEmpty())
        return SelectedPath();
    if (text == QStringLiteral("~") || text.startsWith(QStringLiteral("~/")))
        text = QDir::homePath() + text.mid(1);
    const QString base = SelectedPath();
    const QString path = QDir::isAbsolutePath(text) || base.isEmpty()
        ? QDir::cleanPath(text)
        : QDir::cleanPath(QDir(base).filePath(text));
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QString CFolderPicker::FolderFromEdit() const
{
    const QString path = PathFromEdit();
    return !path.isEmpty() && QFileInfo(path).isDir() ? path : QString();
}

QString CFolderPicker::CreateMissingFolder(const QString& path)
{
    if (path.isEmpty())
        return {};
    const int answer
        = RichMessageBox(this, tr("The folder %1 does not exist. Create it?").arg(path),
            windowTitle(), MessageBoxStyle::YesNo | MessageBoxStyle::IconQuestion);
    if ((answer & 0xFFFF) != MessageBoxButton::Yes)
        return {};
    if (!QDir().mkpath(path) || !QFileInfo(path).isDir()) {
        RichMessageBox(this, tr("The folder %1 could not be created.").arg(path), windowTitle(),
            MessageBoxStyle::Ok | MessageBoxStyle::IconExclamation);
        return {};
    }
    return path;
}

void CFolderPicker::MakeNewFolder()
{
    const QString parent = SelectedPath();
    if (parent.isEmpty() || !QFileInfo(parent).isDir()) {
        QApplication::beep();
        return;
    }
    QString name = tr("New Folder");
    for (int n = 2; QFileInfo::exists(QDir(parent).filePath(name)); ++n)
        name = tr("New Folder (%1)").arg(n);
    bool ok = false;
    name = QInputDialog::getText(this, tr("New Folder"),
        tr("Name of the new folder in %1:").arg(parent), QLineEdit::Normal, name, &ok)
               .trimmed();
    if (!ok)
        return;
    // One folder, in the selected one: no separators, no "." or "..".
    if (name.isEmpty() || name.contains('/') || name == QStringLiteral(".")
        || name == QStringLiteral("..")) {
        QApplication::beep();
        return;
    }
    const QString path = QDir(parent).filePath(name);
    if (!QFileInfo(path).isDir() && !QDir(parent).mkdir(name)) {
        RichMessageBox(this, tr("The folder %1 could not be created.").arg(path), windowTitle(),
            MessageBoxStyle::Ok | MessageBoxStyle::IconExclamation);
        return;
    }
    m_followSelection = true;
    SetSelection(path);
}

void CFolderPicker::SetSelection(const QString& path)
{
    if (!m_open || path.isEmpty() || !QFileInfo(path).isDir())
        return;
    const QModelIndex index = m_model->index(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    if (!index.isValid())
        return;
    m_tree->setCurrentIndex(index);
    m_tree->expand(index);
    m_tree->scrollTo(index);
}

void CFolderPicker::SetStatusText(const QString& text)
{
    if (!m_open)
        return;
    m_statusText = text;
    ShowStatus();
}

void CFolderPicker::ShowStatus()
{
    // A long path keeps its beginning and its end.
    const int width = m_statusLabel->width();
    m_statusLabel->setText(width > 20 && isVisible()
            ? m_statusLabel->fontMetrics().elidedText(m_statusText, Qt::ElideMiddle, width)
            : m_statusText);
    m_statusLabel->setToolTip(m_statusText);
}

void CFolderPicker::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The tree has its size only now: bring the selected folder into view.
    m_scrollTimer->start();
    QTimer::singleShot(0, this, [this] { ShowStatus(); });
}

bool CFolderPicker::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
    case QEvent::Wheel:
        m_followSelection = false;
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void CFolderPicker::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    ShowStatus();
}

QString CFolderPicker::SelectedPath() const
{
    const QModelIndex index = m_tree->currentIndex();
    return index.isValid() ? m_model->filePath(index) : QString();
}

void CFolderPicker::SelectionChanged()
{
    const QString path = SelectedPath();
    m_edit->setText(path);
    if (m_open)
        OnSelectionChanged(QFileInfo(path).isDir() ? path : QString());
}
