#include "ui/COptionsDialog.h"

#include "engine/Settings.h"
#include "engine/SettingsText.h"
#include "widgets/DialogUnits.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QValidator>
#include <algorithm>
#include <functional>

namespace {

// Limits what the user types or pastes, not what the program puts into a field:
// a longer text set by the program may be shortened but not lengthened. An
// insertion that would pass the limit is cut to its first characters that fit,
// as an edit control does with a paste.
class TypingLimit : public QValidator
{
public:
    TypingLimit(int limit, QObject* parent)
        : QValidator(parent)
        , m_limit(limit)
    { }

    // Called before the program sets a text.
    void AllowText(const QString& text) const { m_programText = text; }

    State validate(QString& input, int& pos) const override
    {
        // Undo may bring back the program's own longer text.
        if (input.size() > m_limit && input != m_programText) {
            // The inserted text ends at the cursor; before it stands what was
            // kept of the old text. The kept part may exceed the limit only when
            // the program put it there, and then nothing more fits.
            const qsizetype after = input.size() - pos;
            const qsizetype most
                = std::max<qsizetype>(0, std::min<qsizetype>(pos, m_text.size() - after));
            qsizetype before = 0;
            while (before < most && input[before] == m_text[before])
                ++before;
            const qsizetype keep = std::max<qsizetype>(m_limit, before + after) - after;
            if (keep < pos) {
                input = input.left(keep) + input.right(after);
                pos = static_cast<int>(keep);
            }
        }
        m_text = input;
        return Acceptable;
    }

private:
    qsizetype m_limit;
    mutable QString m_text; // the field's text after the last change
    mutable QString m_programText;
};

// The template, in dialog units.
constexpr int kDialogWidth = 288;
constexpr int kDialogHeight = 225;
constexpr int kRowTop = 22;
constexpr int kRowPitch = 23;
constexpr int kEditHeight = 14;
constexpr int kLabelX = 16;
constexpr int kLabelWidth = 82;
constexpr int kFieldX = 100;
constexpr int kFieldWidth = 52;
constexpr int kArrowWidth = 10;
constexpr int kRightFieldX = 218;
constexpr int kRightFieldWidth = 44;

// The "GIF" group stands below the "Output Setting" group, its rows numbered on.
constexpr int kGifFirstRow = 7;
constexpr int kGifGap = 25;
constexpr int kGroupWidth = kDialogWidth - 14;

constexpr int RowY(int row)
{
    return kRowTop + row * kRowPitch + (row >= kGifFirstRow ? kGifGap : 0);
}

constexpr int kOutputGroupBottom = 7 + 181;
constexpr int kGifGroupTop = kOutputGroupBottom + 5;
constexpr int kGifGroupBottom
    = kRowTop + (kGifFirstRow + 2) * kRowPitch + kGifGap + kEditHeight + 7;
constexpr int kButtonY = kGifGroupBottom + 8;
constexpr int kButtonHeight = 16;
constexpr int kGrownDialogHeight = kButtonY + kButtonHeight + 10;
static_assert(RowY(6) + kEditHeight + 14 == kOutputGroupBottom);
static_assert(kGrownDialogHeight > kDialogHeight);

const char* const kFitByEntries[] = {
    "Fail",
    "Lower frame rate and size",
};

const char* const kReplayCounts[] = {
    "Infinite Loop",
    "1",
    "2",
    "3",
    "4",
    "5",
    "6",
    "7",
    "8",
    "9",
    "10",
    "15",
    "20",
    "30",
    "50",
    "100",
    "200",
};

QLabel* AddLabel(QWidget* parent, const DialogUnits& du, const char* text, int x, int row, int w,
    Qt::Alignment align = Qt::AlignLeft)
{
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setGeometry(du.Map(x, RowY(row) + 3, w, 8));
    label->setAlignment(align | Qt::AlignVCenter);
    return label;
}

QLineEdit* AddEdit(
    QWidget* parent, const DialogUnits& du, const char* name, int x, int row, int w,
    const SettingField& field)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(du.Map(x, RowY(row), w, kEditHeight));
    edit->setValidator(new TypingLimit(field.TypingLimit, edit));
    return edit;
}

// A pair of step arrows beside a field: the upper one steps by +1, the lower
// one by -1, repeating while held. They never take the focus.
void AddArrows(QWidget* parent, const DialogUnits& du, const QLineEdit* edit, int x, int row,
    const std::function<void(int)>& onStep)
{
    const QRect rect = du.Map(x, RowY(row), kArrowWidth, kEditHeight);
    const int upperHeight = rect.height() / 2;
    const struct
    {
        const char* suffix;
        Qt::ArrowType arrow;
        int step;
        QRect geometry;
    } arrows[] = {
        { "Up", Qt::UpArrow, +1, QRect(rect.x(), rect.y(), rect.width(), upperHeight) },
        { "Down", Qt::DownArrow, -1,
            QRect(rect.x(), rect.y() + upperHeight, rect.width(), rect.height() - upperHeight) },
    };
    for (const auto& a : arrows) {
        auto* button = new QToolButton(parent);
        button->setObjectName(edit->objectName() + QString::fromLatin1(a.suffix));
        button->setArrowType(a.arrow);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setGeometry(a.geometry);
        const int step = a.step;
        QObject::connect(button, &QToolButton::clicked, parent, [onStep, step] { onStep(step); });
    }
}

QPushButton* AddButton(
    QWidget* parent, const DialogUnits& du, const char* name, const char* text, int x)
{
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(du.Map(x, kButtonY, 54, kButtonHeight));
    return button;
}

} // namespace

COptionsDialog::COptionsDialog(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Option"));
    BuildControls();
    ResetFields();
    ShowStoredSettings();
}

COptionsDialog::~COptionsDialog() = default;

void COptionsDialog::BuildControls()
{
    const DialogUnits du = DialogUnits::FromFont(font());
    // Taller than the template by the "GIF" group; the buttons stay at the bottom.
    setFixedSize(du.X(kDialogWidth), du.Y(kGrownDialogHeight));

    auto* group = new QGroupBox(QStringLiteral("Output Setting"), this);
    group->setGeometry(du.Map(7, 7, kGroupWidth, RowY(6) + kEditHeight + 14 - 7));

    const auto arrows = [this, &du](QLineEdit* edit, StepField field, int x, int row) {
        AddArrows(this, du, edit, x, row, [this, field](int step) { Step(field, step); });
    };

    AddLabel(this, du, "Start(Sec):", kLabelX, 0, kLabelWidth);
    m_start = AddEdit(this, du, "start", kFieldX, 0, kFieldWidth, kStartField);
    arrows(m_start, StepField::Start, kFieldX + kFieldWidth, 0);
    AddLabel(this, du, "End(Sec):", 176, 0, 40);
    m_end = AddEdit(this, du, "end", kRightFieldX, 0, kRightFieldWidth, kEndField);
    arrows(m_end, StepField::End, kRightFieldX + kRightFieldWidth, 0);

    AddLabel(this, du, "Size(1 to 6000):", kLabelX, 1, kLabelWidth);
    m_width = AddEdit(this, du, "width", kFieldX, 1, kFieldWidth, kWidthField);
    arrows(m_width, StepField::Width, kFieldX + kFieldWidth, 1);
    AddLabel(this, du, "x", kFieldX + kFieldWidth + kArrowWidth, 1,
        kRightFieldX - (kFieldX + kFieldWidth + kArrowWidth), Qt::AlignHCenter);
    m_height = AddEdit(this, du, "height", kRightFieldX, 1, kRightFieldWidth, kHeightField);
    arrows(m_height, StepField::Height, kRightFieldX + kRightFieldWidth, 1);

    AddLabel(this, du, "Quality:(0.01 to 255):", kLabelX, 2, kLabelWidth);
    m_quality = AddEdit(this, du, "quality", kFieldX, 2, kFieldWidth, kQualityField);
    arrows(m_quality, StepField::Quality, kFieldX + kFieldWidth, 2);

    AddLabel(this, du, "File Format:", kLabelX, 3, kLabelWidth);
    m_format = new QComboBox(this);
    m_format->setObjectName(QStringLiteral("format"));
    m_format->setGeometry(
        du.Map(kFieldX, RowY(3), kRightFieldX + kRightFieldWidth - kFieldX, kEditHeight));

    AddLabel(this, du, "GIF Replay Times:", kLabelX, 4, kLabelWidth);
    m_replay = new QComboBox(this);
    m_replay->setObjectName(QStringLiteral("replay"));
    m_replay->setEditable(true);
    // Typed counts are taken as typed: no completion from the list, and
    // nothing added to it on Enter, which presses OK instead.
    m_replay->setCompleter(nullptr);
    m_replay->setInsertPolicy(QComboBox::NoInsert);
    m_replay->setGeometry(du.Map(kFieldX, RowY(4), 72, kEditHeight));

    AddLabel(this, du, "Interval (Sec):", kLabelX, 5, kLabelWidth);
    m_interval = AddEdit(this, du, "interval", kFieldX, 5, kFieldWidth, kIntervalField);
    arrows(m_interval, StepField::Interval, kFieldX + kFieldWidth, 5);
    AddLabel(this, du, "(0.01 to 100)", kFieldX + kFieldWidth + kArrowWidth + 6, 5, 60);

    AddLabel(this, du, "GIF Frame Rate:", kLabelX, 6, kLabelWidth);
    m_frameRate = AddEdit(this, du, "frameRate", kFieldX, 6, kFieldWidth, kFrameRateField);
    arrows(m_frameRate, StepField::FrameRate, kFieldX + kFieldWidth, 6);
    AddLabel(this, du, "(0.01 to 100)", kFieldX + kFieldWidth + kArrowWidth + 6, 6, 60);

    auto* gif = new QGroupBox(QStringLiteral("GIF"), this);
    gif->setObjectName(QStringLiteral("gifGroup"));
    gif->setGeometry(du.Map(7, kGifGroupTop, kGroupWidth, kGifGroupBottom - kGifGroupTop));
    constexpr int gifRow = kGifFirstRow;
    AddLabel(this, du, "GIF quality:", kLabelX, gifRow, kLabelWidth);
    m_gifQuality = AddEdit(this, du, "gifQuality", kFieldX, gifRow, kFieldWidth, kGifQualityField);
    arrows(m_gifQuality, StepField::GifQuality, kFieldX + kFieldWidth, gifRow);
    AddLabel(this, du, "(1 to 100)", kFieldX + kFieldWidth + kArrowWidth + 6, gifRow, 60);

    AddLabel(this, du, "Size limit:", kLabelX, gifRow + 1, kLabelWidth);
    m_sizeLimit = new QComboBox(this);
    m_sizeLimit->setObjectName(QStringLiteral("sizeLimit"));
    m_sizeLimit->setEditable(true);
    m_sizeLimit->setCompleter(nullptr);
    m_sizeLimit->setInsertPolicy(QComboBox::NoInsert);
    m_sizeLimit->lineEdit()->setPlaceholderText(QStringLiteral("e.g. 750k or 8 MB"));
    m_sizeLimit->setToolTip(QStringLiteral(
        "A preset, or a size typed with k or MB. The presets are the [SizeLimits] lines of %1.")
                                .arg(QString::fromStdString(SettingsFilePath())));
    m_sizeLimit->setGeometry(
        du.Map(kFieldX, RowY(gifRow + 1), kRightFieldX + kRightFieldWidth - kFieldX, kEditHeight));

    AddLabel(this, du, "When it cannot fit:", kLabelX, gifRow + 2, kLabelWidth);
    m_fitBy = new QComboBox(this);
    m_fitBy->setObjectName(QStringLiteral("fitBy"));
    m_fitBy->setToolTip(QStringLiteral("When even the lowest GIF quality is over the size limit"));
    m_fitBy->setGeometry(
        du.Map(kFieldX, RowY(gifRow + 2), kRightFieldX + kRightFieldWidth - kFieldX, kEditHeight));

    m_cancel = AddButton(this, du, "cancel", "Cancel", 105);
    m_reset = AddButton(this, du, "reset", "Reset", 166);
    m_ok = AddButton(this, du, "ok", "OK", 227);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &COptionsDialog::StoreAndClose);
    connect(m_cancel, &QPushButton::clicked, this, &COptionsDialog::reject);
    connect(m_reset, &QPushButton::clicked, this, &COptionsDialog::ResetFields);

    QWidget* const tabOrder[] = {
        m_start,
        m_end,
        m_width,
        m_height,
        m_quality,
        m_interval,
        m_frameRate,
        m_ok,
        m_cancel,
        m_reset,
        m_format,
        m_replay,
        m_gifQuality,
        m_sizeLimit,
        m_fitBy,
    };
    for (std::size_t i = 0; i + 1 < std::size(tabOrder); ++i)
        setTabOrder(tabOrder[i], tabOrder[i + 1]);

    for (QLineEdit* edit :
        { m_start, m_end, m_width, m_height, m_quality, m_interval, m_frameRate, m_gifQuality })
        edit->installEventFilter(this);
}

void COptionsDialog::ResetFields()
{
    for (StepField field : { StepField::Start, StepField::End, StepField::Width, StepField::Height,
             StepField::Quality, StepField::Interval, StepField::FrameRate, StepField::GifQuality })
        SetFieldText(EditOf(field), QString::fromLatin1(FieldOf(field).ResetText));

    m_format->clear();
    for (const OutputFormatRow& format : kOutputFormats)
        m_format->addItem(QString::fromLatin1(format.DialogEntry));
    m_format->setCurrentIndex(0);

    m_replay->clear();
    for (const char* count : kReplayCounts)
        m_replay->addItem(QString::fromLatin1(count));
    m_replay->setCurrentIndex(0);
    m_replay->setEditText(m_replay->itemText(0));

    FillSizeLimits();
    m_fitBy->clear();
    for (const char* entry : kFitByEntries)
        m_fitBy->addItem(QString::fromLatin1(entry));
    m_fitBy->setCurrentIndex(0);
}

void COptionsDialog::FillSizeLimits()
{
    m_presets = LoadSizeLimits();
    m_sizeLimit->clear();
    m_sizeLimit->addItem(QStringLiteral("None"));
    for (const SizeLimitPreset& preset : m_presets)
        m_sizeLimit->addItem(QStringLiteral("%1 (%2)").arg(QString::fromStdString(preset.Name),
            QString::fromStdString(ShownByteSize(preset.Bytes))));
    m_sizeLimit->setCurrentIndex(0);
    m_sizeLimit->setEditText(m_sizeLimit->itemText(0));
}

void COptionsDialog::ShowSizeLimit(long long bytes)
{
    // A stored size shows as the first preset of that size, or as it is.
    int index = bytes > 0 ? -1 : 0;
    for (std::size_t i = 0; index < 0 && i < m_presets.size(); ++i)
        if (m_presets[i].Bytes == bytes)
            index = static_cast<int>(i) + 1;
    if (index >= 0) {
        m_sizeLimit->setCurrentIndex(index);
        m_sizeLimit->setEditText(m_sizeLimit->itemText(index));
    } else {
        m_sizeLimit->setCurrentIndex(-1);
        m_sizeLimit->setEditText(QString::fromStdString(ShownByteSize(bytes)));
    }
}

std::string COptionsDialog::SizeLimitText() const
{
    // A list entry stands for its size; anything else is taken as typed.
    const QString text = m_sizeLimit->currentText().trimmed();
    for (int i = 1; i < m_sizeLimit->count(); ++i)
        if (text == m_sizeLimit->itemText(i) && i - 1 < static_cast<int>(m_presets.size()))
            return StoredByteSize(m_presets[static_cast<std::size_t>(i - 1)].Bytes);
    return text.toStdString();
}

void COptionsDialog::ShowStoredSettings()
{
    const SettingsDisplay shown = DisplayForms(LoadSettings());
    SetFieldText(m_start, QString::fromStdString(shown.Start));
    SetFieldText(m_end, QString::fromStdString(shown.End));
    SetFieldText(m_width, QString::fromStdString(shown.ResolutionX));
    SetFieldText(m_height, QString::fromStdString(shown.ResolutionY));
    SetFieldText(m_quality, QString::fromStdString(shown.VBRValue));
    SetFieldText(m_interval, QString::fromStdString(shown.ImagesPerSecond));
    SetFieldText(m_frameRate, QString::fromStdString(shown.TimeDelay));

    // An index past the last entry leaves the list without a selection.
    const bool known = shown.FileFormatIndex >= 0 && shown.FileFormatIndex < m_format->count();
    m_format->setCurrentIndex(known ? static_cast<int>(shown.FileFormatIndex) : -1);

    if (shown.SelectFirstLoopEntry) {
        m_replay->setCurrentIndex(0);
        m_replay->setEditText(m_replay->itemText(0));
    } else {
        m_replay->setEditText(QString::fromStdString(shown.LoopText));
    }

    SetFieldText(m_gifQuality, QString::fromStdString(shown.GifQuality));
    ShowSizeLimit(shown.MaxSizeBytes);
    m_fitBy->setCurrentIndex(shown.FitByFrames ? 1 : 0);
}

void COptionsDialog::SetFieldText(QLineEdit* edit, const QString& text)
{
    if (const auto* limit = dynamic_cast<const TypingLimit*>(edit->validator()))
        limit->AllowText(text);
    edit->setText(text);
}

QLineEdit* COptionsDialog::EditOf(StepField field) const
{
    switch (field) {
    case StepField::Start:
        return m_start;
    case StepField::End:
        return m_end;
    case StepField::Width:
        return m_width;
    case StepField::Height:
        return m_height;
    case StepField::Quality:
        return m_quality;
    case StepField::Interval:
        return m_interval;
    case StepField::FrameRate:
        return m_frameRate;
    case StepField::GifQuality:
        return m_gifQuality;
    }
    return nullptr;
}

void COptionsDialog::Step(StepField field, int step)
{
    QLineEdit* edit = EditOf(field);
    if (!edit)
        return;
    const std::string stepped = SteppedFieldText(field, edit->text().toStdString(), step);
    SetFieldText(edit, QString::fromStdString(stepped));
}

bool COptionsDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            for (StepField field : { StepField::Start, StepField::End, StepField::Width,
                     StepField::Height, StepField::Quality, StepField::Interval,
                     StepField::FrameRate, StepField::GifQuality }) {
                if (EditOf(field) == watched) {
                    Step(field, key == Qt::Key_Up ? +1 : -1);
                    return true;
                }
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void COptionsDialog::StoreAndClose()
{
    SettingsInput input;
    input.Start = m_start->text().toStdString();
    input.End = m_end->text().toStdString();
    input.ResolutionX = m_width->text().toStdString();
    input.ResolutionY = m_height->text().toStdString();
    input.VBRValue = m_quality->text().toStdString();
    input.ImagesPerSecond = m_interval->text().toStdString();
    input.TimeDelay = m_frameRate->text().toStdString();
    input.FileFormatIndex = m_format->currentIndex();
    input.Loop = m_replay->currentText().toStdString();
    input.GifQuality = m_gifQuality->text().toStdString();
    input.MaxSize = SizeLimitText();
    input.FitByFrames = m_fitBy->currentIndex() == 1;
    if (!SaveSettings(input)) {
        // Closing would lose what the user typed: say where it failed and stay open.
        const std::string path = SettingsFilePath();
        QMessageBox::warning(this, windowTitle(),
            path.empty() ? QStringLiteral("The settings could not be saved: there is no "
                                          "configuration folder of your own to keep them "
                                          "in.")
                         : QStringLiteral("The settings could not be saved to %1.")
                               .arg(QString::fromStdString(path)));
        return;
    }
    accept();
}
