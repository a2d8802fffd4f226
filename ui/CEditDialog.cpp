#include "ui/CEditDialog.h"

#include "ui/CFrameCropView.h"
#include "ui/FrameGrabber.h"
#include "widgets/RichMessageBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// Aspect presets: name and width / height (0: free).
const struct
{
    const char* Name;
    double Aspect;
} kAspects[] = {
    { "Free", 0.0 },
    { "1:1", 1.0 },
    { "4:3", 4.0 / 3.0 },
    { "16:9", 16.0 / 9.0 },
    { "9:16", 9.0 / 16.0 },
};

QString TimeFieldText(const std::optional<double>& seconds)
{
    return seconds ? QString::fromStdString(FormatClipTime(*seconds)) : QString();
}

} // namespace

CEditDialog::CEditDialog(QWidget* parent, std::string input, const QString& shownName,
    ClipFacts facts, const FileEdit& edit)
    : QDialog(parent)
    , m_input(std::move(input))
    , m_facts(facts)
{
    setObjectName("editDialog");
    setWindowTitle(tr("Edit - %1").arg(shownName));
    BuildControls();
    SetFrameLimits(QSize(m_facts.Width, m_facts.Height));
    LoadEdit(edit);

    m_grabber = new FrameGrabber(m_input, m_facts.StepRate(), this);
    connect(m_grabber, &FrameGrabber::FrameReady, this, &CEditDialog::OnFrameReady);

    // The position starts where the GIF would.
    SetPosition(edit.TrimStart ? m_facts.FrameAt(*edit.TrimStart) : 0);
    ShowPosition();
    RequestFrame();
}

CEditDialog::~CEditDialog() = default; // the grabber, a child, ends its tool and frames

void CEditDialog::BuildControls()
{
    auto* layout = new QVBoxLayout(this);

    m_view = new CFrameCropView(this);
    m_view->SetFrameSize(QSize(m_facts.Width, m_facts.Height));
    m_view->SetImage(QImage(), tr("Loading the frame..."));
    layout->addWidget(m_view, 1);

    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName("position");
    m_slider->setAccessibleName(tr("Position"));
    m_slider->setRange(0, m_facts.FrameCount() - 1);
    m_slider->setSingleStep(1);
    m_slider->setPageStep(std::max(1, static_cast<int>(std::lround(m_facts.StepRate()))));
    layout->addWidget(m_slider);

    auto* steps = new QHBoxLayout;
    auto stepButton
        = [&](const QString& text, const QString& name, const char* objectName, int frames) {
              auto* button = new QPushButton(text, this);
              button->setObjectName(objectName);
              button->setAccessibleName(name);
              button->setToolTip(name);
              button->setAutoDefault(false);
              connect(button, &QPushButton::clicked, this, [this, frames] { Step(frames); });
              return button;
          };
    const int second = m_slider->pageStep();
    steps->addWidget(stepButton(tr("-1 s"), tr("Back one second"), "backSecond", -second));
    steps->addWidget(stepButton(tr("-1 frame"), tr("Back one frame"), "backFrame", -1));
    steps->addStretch();
    m_positionText = new QLabel(this);
    m_positionText->setObjectName("positionText");
    steps->addWidget(m_positionText);
    steps->addStretch();
    steps->addWidget(stepButton(tr("+1 frame"), tr("Forward one frame"), "forwardFrame", 1));
    steps->addWidget(stepButton(tr("+1 s"), tr("Forward one second"), "forwardSecond", second));
    layout->addLayout(steps);

    auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    auto lineEdit = [this](const char* objectName, const QString& name, const QString& hint) {
        auto* field = new QLineEdit(this);
        field->setObjectName(objectName);
        field->setAccessibleName(name);
        field->setPlaceholderText(hint);
        field->setMaxLength(32);
        return field;
    };
    auto* groups = new QGridLayout;
    layout->addLayout(groups);

    // Trim: where the GIF starts and ends, for this file only.
    auto* trim = new QGroupBox(tr("Trim"), this);
    auto* trimGrid = new QGridLayout(trim);
    m_trimStart = lineEdit("trimStart", tr("Start"), tr("as in Options"));
    m_trimEnd = lineEdit("trimEnd", tr("End"), tr("as in Options"));
    auto* setStart = new QPushButton(tr("Set &Start"), this);
    setStart->setObjectName("setStart");
    setStart->setAutoDefault(false);
    auto* setEnd = new QPushButton(tr("Set &End"), this);
    setEnd->setObjectName("setEnd");
    setEnd->setAutoDefault(false);
    trimGrid->addWidget(label(tr("Start:"), m_trimStart), 0, 0);
    trimGrid->addWidget(m_trimStart, 0, 1);
    trimGrid->addWidget(setStart, 0, 2);
    trimGrid->addWidget(label(tr("End:"), m_trimEnd), 1, 0);
    trimGrid->addWidget(m_trimEnd, 1, 1);
    trimGrid->addWidget(setEnd, 1, 2);
    // The start takes the current frame; the end takes it too: the GIF ends
    // with this frame.
    connect(setStart, &QPushButton::clicked, this, [this] {
        m_trimStart->setText(
            QString::fromStdString(FormatClipTime(m_facts.FrameStart(Position()))));
    });
    connect(setEnd, &QPushButton::clicked, this, [this] {
        m_trimEnd->setText(
            QString::fromStdString(FormatClipTime(m_facts.FrameStart(Position() + 1))));
    });
    groups->addWidget(trim, 0, 0);

    // Crop, in the frame's pixels.
    auto* crop = new QGroupBox(tr("Crop"), this);
    auto* cropGrid = new QGridLayout(crop);
    m_crop = new QCheckBox(tr("&Crop to:"), this);
    m_crop->setObjectName("crop");
    m_aspect = new QComboBox(this);
    m_aspect->setObjectName("aspect");
    m_aspect->setAccessibleName(tr("Aspect"));
    for (const auto& aspect : kAspects)
        m_aspect->addItem(tr(aspect.Name));
    auto spin = [this](const char* objectName, const QString& name) {
        auto* box = new QSpinBox(this);
        box->setObjectName(objectName);
        box->setAccessibleName(name);
        box->setRange(0, 16384);
        connect(box, &QSpinBox::valueChanged, this, &CEditDialog::OnCropFieldsChanged);
        return box;
    };
    m_cropWidth = spin("cropWidth", tr("Crop width"));
    m_cropHeight = spin("cropHeight", tr("Crop height"));
    m_cropX = spin("cropX", tr("Crop left"));
    m_cropY = spin("cropY", tr("Crop top"));
    cropGrid->addWidget(m_crop, 0, 0, 1, 2);
    cropGrid->addWidget(label(tr("&Aspect:"), m_aspect), 0, 2);
    cropGrid->addWidget(m_aspect, 0, 3);
    cropGrid->addWidget(label(tr("Width:"), m_cropWidth), 1, 0);
    cropGrid->addWidget(m_cropWidth, 1, 1);
    cropGrid->addWidget(label(tr("Height:"), m_cropHeight), 1, 2);
    cropGrid->addWidget(m_cropHeight, 1, 3);
    cropGrid->addWidget(label(tr("Left:"), m_cropX), 2, 0);
    cropGrid->addWidget(m_cropX, 2, 1);
    cropGrid->addWidget(label(tr("Top:"), m_cropY), 2, 2);
    cropGrid->addWidget(m_cropY, 2, 3);
    connect(m_crop, &QCheckBox::toggled, this, &CEditDialog::OnCropToggled);
    connect(m_aspect, &QComboBox::currentIndexChanged, this, &CEditDialog::OnAspectChanged);
    connect(m_view, &CFrameCropView::CropChanged, this, [this](const QRect& r) {
        SetCropFields(r);
        const QSignalBlocker block(m_crop);
        m_crop->setChecked(!r.isEmpty());
    });
    groups->addWidget(crop, 0, 1, 2, 1);

    // Speed and the order of the frames.
    auto* play = new QGroupBox(tr("Playback"), this);
    auto* playGrid = new QGridLayout(play);
    m_speed = new QDoubleSpinBox(this);
    m_speed->setObjectName("speed");
    m_speed->setAccessibleName(tr("Speed"));
    m_speed->setRange(kMinSpeed, kMaxSpeed);
    m_speed->setDecimals(2);
    m_speed->setSingleStep(0.25);
    m_speed->setSuffix(QStringLiteral("\u00D7"));
    m_order = new QComboBox(this);
    m_order->setObjectName("order");
    m_order->setAccessibleName(tr("Direction"));
    m_order->addItems({ tr("Forward"), tr("Reverse"), tr("Bounce (forward, then back)") });
    playGrid->addWidget(label(tr("S&peed:"), m_speed), 0, 0);
    playGrid->addWidget(m_speed, 0, 1);
    playGrid->addWidget(label(tr("&Direction:"), m_order), 1, 0);
    playGrid->addWidget(m_order, 1, 1);
    playGrid->setColumnStretch(2, 1);
    groups->addWidget(play, 1, 0);

    // The caption.
    auto* caption = new QGroupBox(tr("Caption"), this);
    auto* captionGrid = new QGridLayout(caption);
    m_caption = new QPlainTextEdit(this);
    m_caption->setObjectName("caption");
    m_caption->setAccessibleName(tr("Caption text"));
    m_caption->setPlaceholderText(tr("One or two lines"));
    m_caption->setTabChangesFocus(true);
    m_caption->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Two lines, the most a caption has, without a scroll bar.
    m_caption->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_caption->setFixedHeight(m_caption->fontMetrics().lineSpacing() * 2
        + static_cast<int>(m_caption->document()->documentMargin() * 2)
        + m_caption->frameWidth() * 2 + 4);
    m_captionAt = new QComboBox(this);
    m_captionAt->setObjectName("captionAt");
    m_captionAt->setAccessibleName(tr("Caption place"));
    m_captionAt->addItems({ tr("Bottom"), tr("Top") });
    m_captionFrom = lineEdit("captionFrom", tr("Caption from"), tr("the start"));
    m_captionTo = lineEdit("captionTo", tr("Caption to"), tr("the end"));
    captionGrid->addWidget(label(tr("&Text:"), m_caption), 0, 0);
    captionGrid->addWidget(m_caption, 0, 1, 1, 5);
    captionGrid->addWidget(label(tr("P&lace:"), m_captionAt), 1, 0);
    captionGrid->addWidget(m_captionAt, 1, 1);
    captionGrid->addWidget(label(tr("&From:"), m_captionFrom), 1, 2);
    captionGrid->addWidget(m_captionFrom, 1, 3);
    captionGrid->addWidget(label(tr("T&o:"), m_captionTo), 1, 4);
    captionGrid->addWidget(m_captionTo, 1, 5);
    connect(m_caption, &QPlainTextEdit::textChanged, this, &CEditDialog::UpdateCaptionPreview);
    connect(m_captionAt, &QComboBox::currentIndexChanged, this, &CEditDialog::UpdateCaptionPreview);
    groups->addWidget(caption, 2, 0, 1, 2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("cancel");
    QPushButton* reset = buttons->addButton(tr("&Reset"), QDialogButtonBox::ResetRole);
    reset->setObjectName("reset");
    reset->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &CEditDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CEditDialog::reject);
    connect(reset, &QPushButton::clicked, this, [this] { LoadEdit(FileEdit {}); });
    layout->addWidget(buttons);

    connect(m_slider, &QSlider::valueChanged, this, [this] {
        ShowPosition();
        RequestFrame();
    });
    // Left and Right step by a frame, with Shift by a second, wherever the keys
    // do not move a text cursor (text fields take them first).
    const struct
    {
        QKeySequence Keys;
        int Frames;
    } keys[] = {
        { QKeySequence(Qt::Key_Left), -1 },
        { QKeySequence(Qt::Key_Right), 1 },
        { QKeySequence(Qt::SHIFT | Qt::Key_Left), -second },
        { QKeySequence(Qt::SHIFT | Qt::Key_Right), second },
    };
    for (const auto& key : keys) {
        auto* shortcut = new QShortcut(key.Keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(
            shortcut, &QShortcut::activated, this, [this, frames = key.Frames] { Step(frames); });
    }
    resize(sizeHint().expandedTo(QSize(760, 640)));
}

void CEditDialog::LoadEdit(const FileEdit& edit)
{
    m_trimStart->setText(TimeFieldText(edit.TrimStart));
    m_trimEnd->setText(TimeFieldText(edit.TrimEnd));
    {
        const QSignalBlocker block(m_aspect);
        m_aspect->setCurrentIndex(0);
        m_view->SetAspect(0.0);
    }
    const QRect crop = edit.Crop
        ? QRect(edit.Crop->X, edit.Crop->Y, edit.Crop->Width, edit.Crop->Height)
        : QRect();
    SetCropFields(crop);
    {
        const QSignalBlocker block(m_crop);
        m_crop->setChecked(edit.Crop.has_value());
    }
    m_view->SetCrop(edit.Crop ? crop : QRect());
    m_speed->setValue(edit.Speed);
    m_order->setCurrentIndex(static_cast<int>(edit.Order));
    m_caption->setPlainText(QString::fromStdString(edit.Caption));
    m_captionAt->setCurrentIndex(edit.CaptionAt == CaptionPlace::Top ? 1 : 0);
    m_captionFrom->setText(TimeFieldText(edit.CaptionFrom));
    m_captionTo->setText(TimeFieldText(edit.CaptionTo));
    UpdateCaptionPreview();
}

int CEditDialog::Position() const
{
    return m_slider->value();
}

void CEditDialog::SetPosition(int frame)
{
    m_slider->setValue(frame);
}

void CEditDialog::Step(int frames)
{
    SetPosition(Position() + frames);
}

void CEditDialog::ShowPosition()
{
    const int frame = Position();
    m_positionText->setText(
        tr("%1  (frame %2)").arg(ClipTimeText(m_facts.FrameStart(frame))).arg(frame + 1));
    m_slider->setAccessibleDescription(m_positionText->text());
}

void CEditDialog::RequestFrame()
{
    m_grabber->Request(++m_request, m_facts.FrameStart(Position()));
}

void CEditDialog::OnFrameReady(int request, const QImage& image)
{
    if (request != m_request)
        return; // the position has moved on
    if (image.isNull()) {
        // The description's length is rounded: here the clip has ended.
        m_firstMissing = std::min(m_firstMissing, Position());
        m_view->SetImage(QImage(), tr("No frame at this position."));
        return;
    }
    const QSize before = m_view->FrameSize();
    m_view->SetImage(image);
    // The frame is the video's displayed size: the crop fields follow it.
    if (before != image.size())
        SetFrameLimits(image.size());
}

void CEditDialog::SetFrameLimits(QSize frame)
{
    if (frame.isEmpty())
        return;
    const QSignalBlocker w(m_cropWidth), h(m_cropHeight), x(m_cropX), y(m_cropY);
    for (QSpinBox* box : { m_cropWidth, m_cropX })
        box->setMaximum(frame.width());
    for (QSpinBox* box : { m_cropHeight, m_cropY })
        box->setMaximum(frame.height());
}

void CEditDialog::SetCropFields(const QRect& crop)
{
    const QSignalBlocker w(m_cropWidth), h(m_cropHeight), x(m_cropX), y(m_cropY);
    m_cropWidth->setValue(crop.width());
    m_cropHeight->setValue(crop.height());
    m_cropX->setValue(crop.x());
    m_cropY->setValue(crop.y());
}

QRect CEditDialog::CropFromFields() const
{
    return QRect(m_cropX->value(), m_cropY->value(), m_cropWidth->value(), m_cropHeight->value());
}

void CEditDialog::OnCropFieldsChanged()
{
    const QSignalBlocker block(m_crop);
    m_crop->setChecked(true);
    m_view->SetCrop(CropFromFields());
}

void CEditDialog::OnCropToggled(bool on)
{
    if (!on) {
        m_view->SetCrop(QRect());
        return;
    }
    QRect crop = CropFromFields();
    if (crop.isEmpty()) {
        // The largest rectangle of the chosen shape.
        crop = FitCropToAspect(QRect(), Aspect(), FrameSize());
        SetCropFields(crop);
    }
    m_view->SetCrop(crop);
}

void CEditDialog::OnAspectChanged()
{
    m_view->SetAspect(Aspect());
    if (!m_crop->isChecked() || FrameSize().isEmpty())
        return;
    const QRect crop = FitCropToAspect(CropFromFields(), Aspect(), FrameSize());
    SetCropFields(crop);
    m_view->SetCrop(crop);
}

double CEditDialog::Aspect() const
{
    const int index = m_aspect->currentIndex();
    return index >= 0 && index < static_cast<int>(std::size(kAspects)) ? kAspects[index].Aspect
                                                                       : 0.0;
}

QSize CEditDialog::FrameSize() const
{
    return m_view->FrameSize();
}

void CEditDialog::UpdateCaptionPreview()
{
    m_view->SetCaption(m_caption->toPlainText(), m_captionAt->currentIndex() == 1);
}

FileEdit CEditDialog::Edit() const
{
    FileEdit edit;
    edit.TrimStart = ParseClipTime(m_trimStart->text().trimmed().toStdString());
    edit.TrimEnd = ParseClipTime(m_trimEnd->text().trimmed().toStdString());
    if (m_crop->isChecked()) {
        const QRect r = CropFromFields();
        edit.Crop = CropRect { r.width(), r.height(), r.x(), r.y() };
    }
    edit.Speed = m_speed->value();
    edit.Order = static_cast<FrameOrder>(m_order->currentIndex());
    edit.Caption = m_caption->toPlainText().toStdString();
    edit.CaptionAt = m_captionAt->currentIndex() == 1 ? CaptionPlace::Top : CaptionPlace::Bottom;
    edit.CaptionFrom = ParseClipTime(m_captionFrom->text().trimmed().toStdString());
    edit.CaptionTo = ParseClipTime(m_captionTo->text().trimmed().toStdString());
    return edit;
}

bool CEditDialog::ReadTime(QLineEdit* field, const QString& what, std::optional<double>* value)
{
    const QString text = field->text().trimmed();
    *value = std::nullopt;
    if (text.isEmpty())
        return true;
    *value = ParseClipTime(text.toStdString());
    if (*value)
        return true;
    RichMessageBox(this,
        tr("The %1 \"%2\" is not a time: write seconds (12.5) or H:MM:SS.mmm (0:01:02.500).")
            .arg(what, text),
        QStringLiteral("Sablewick"), MessageBoxStyle::IconExclamation);
    return false;
}

void CEditDialog::accept()
{
    std::optional<double> time;
    const struct
    {
        QLineEdit* Field;
        QString What;
    } times[] = {
        { m_trimStart, tr("trim start") },
        { m_trimEnd, tr("trim end") },
        { m_captionFrom, tr("caption's start") },
        { m_captionTo, tr("caption's end") },
    };
    for (const auto& t : times)
        if (!ReadTime(t.Field, t.What, &time)) {
            t.Field->setFocus();
            return;
        }
    const FileEdit edit = Edit();
    const QSize frame = FrameSize();
    // The clip ends before the first position that had no frame, if any did.
    double length = m_facts.LongestDuration();
    if (m_firstMissing > 0 && m_firstMissing < m_facts.FrameCount())
        length = std::min(length, m_facts.FrameStart(m_firstMissing));
    const std::string error = CheckFileEdit(edit, length, frame.width(), frame.height());
    if (!error.empty()) {
        RichMessageBox(this, QString::fromStdString(error), QStringLiteral("Sablewick"),
            MessageBoxStyle::IconExclamation);
        return;
    }
    QDialog::accept();
}
