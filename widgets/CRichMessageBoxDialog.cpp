#include "widgets/CRichMessageBoxDialog.h"

#include "widgets/CMessageTextLabel.h"
#include "widgets/DialogUnits.h"
#include "widgets/RememberedAnswers.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QUrl>

namespace {

constexpr int kMaxCopiedTitle = 1000;
constexpr int kMaxCopiedMessage = 4000;
constexpr int kCopyBufferSize = 8192;
constexpr int kMaxSavedCaption = 99;

CRichMessageBoxDialog::HelpOpener& HelpOpenerSlot()
{
    static CRichMessageBoxDialog::HelpOpener opener;
    return opener;
}

CRichMessageBoxDialog::BeepFunction g_beep = nullptr;
std::optional<int> g_nextAnswer;

MessageBoxRequest& LastRequestSlot()
{
    static MessageBoxRequest request;
    return request;
}

// Push buttons numbered 1 to 26 are the ones that answer; Help and Report are not.
bool IsAnswerButton(int id)
{
    return id >= 1 && id <= 26;
}

} // namespace

CRichMessageBoxDialog::CRichMessageBoxDialog(QWidget* owner, QString text, QString caption,
    std::uint32_t styleWord, const MessageBoxParams& params)
    : QDialog(owner)
    , m_text(std::move(text))
    , m_caption(std::move(caption))
    , m_style(styleWord)
    , m_params(params)
{
    const bool modern = m_params.Options & MessageBoxOption::ModernLook;
    m_backgroundColor = m_params.BackgroundColor;
    if (!m_backgroundColor.isValid() && modern)
        m_backgroundColor = palette().color(QPalette::Base);

    const QFont font = QApplication::font("QMessageBox");
    setFont(font);
    const QIcon icon = ObtainIcon();
    const int iconExtent = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    const int screenWidth = screen ? screen->geometry().width() : 1024;
    const MessageBoxMetrics metrics = MetricsFor(font, screenWidth, QSize(iconExtent, iconExtent));

    MessageBoxLayoutInput input;
    input.style = m_style;
    input.message = m_text;
    input.captions = FillButtonCaptions(m_style, m_params);
    input.customButtons = CustomButtonCaptions(m_params);
    input.hasReport = m_params.ReportCallback != nullptr;
    input.timeoutSeconds = m_params.TimeoutSeconds;
    input.options = m_params.Options;
    input.hasIcon = !icon.isNull();
    input.hasBackgroundColor = m_backgroundColor.isValid();
    m_layout = MapThroughDialogUnits(
        computeLayout(input, metrics), metrics.baseUnitX, metrics.baseUnitY);

    Qt::WindowFlags flags
        = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint;
    if (m_layout.cancelResult != 0)
        flags |= Qt::WindowCloseButtonHint;
    if (m_style & MessageBoxStyle::TopMost)
        flags |= Qt::WindowStaysOnTopHint;
    setWindowFlags(flags);
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(m_caption);
    setFixedSize(m_layout.clientSize);

    BuildControls(icon);
    PlaceWindow(owner);

    m_timeoutRemaining = m_params.TimeoutSeconds;
    m_disabledRemaining = m_params.DisabledSeconds;
    if (m_disabledRemaining > 0) {
        SetPushButtonsEnabled(false);
        m_buttonsDisabled = true;
    }
    if (!m_buttons.empty())
        m_buttons[static_cast<std::size_t>(m_layout.defaultButton)]->setFocus();

    m_countdownTimer.setInterval(1000);
    m_disabledTimer.setInterval(1000);
    connect(&m_countdownTimer, &QTimer::timeout, this, &CRichMessageBoxDialog::CountdownTick);
    connect(&m_disabledTimer, &QTimer::timeout, this, &CRichMessageBoxDialog::DisabledTick);
    if (m_timeoutRemaining > 0) {
        m_countdownRunning = true;
        m_countdownTimer.start();
    }
    if (m_disabledRemaining > 0)
        m_disabledTimer.start();
}

CRichMessageBoxDialog::~CRichMessageBoxDialog() = default;

QIcon CRichMessageBoxDialog::ObtainIcon() const
{
    const std::uint32_t iconId = m_params.IconId & 0xFFFF;
    if (iconId != 0 || !m_params.IconName.isEmpty()) {
        // A custom icon that cannot be found gives no icon at all.
        if (iconId != 0)
            return m_params.IconModule ? m_params.IconModule(iconId) : QIcon();
        if (QFileInfo(m_params.IconName).isFile())
            return QIcon(m_params.IconName);
        return QIcon::fromTheme(m_params.IconName);
    }
    switch (m_style & MessageBoxStyle::IconMask) {
    case 0:
        return {};
    case MessageBoxStyle::IconStop:
        return style()->standardIcon(QStyle::SP_MessageBoxCritical, nullptr, this);
    case MessageBoxStyle::IconQuestion:
        return style()->standardIcon(QStyle::SP_MessageBoxQuestion, nullptr, this);
    case MessageBoxStyle::IconInformation:
        return style()->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, this);
    default:
        return style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this);
    }
}

void CRichMessageBoxDialog::BuildControls(const QIcon& icon)
{
    if (!icon.isNull()) {
        auto* iconLabel = new QLabel(this);
        iconLabel->setObjectName(QStringLiteral("icon"));
        iconLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        const int extent = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
        iconLabel->setPixmap(icon.pixmap(QSize(extent, extent), devicePixelRatio()));
        iconLabel->setGeometry(m_layout.iconRect);
    }

    m_textLabel = new CMessageTextLabel(this, m_text, m_layout.textWrapWidth);
    m_textLabel->setObjectName(QStringLiteral("message"));
    m_textLabel->setGeometry(m_layout.textRect);
    if (m_backgroundColor.isValid())
        m_textLabel->SetTextColor(m_params.TextColor);

    for (const MessageBoxPlacedButton& placed : m_layout.buttons) {
        auto* button = new QPushButton(placed.caption, this);
        button->setObjectName(QStringLiteral("button%1").arg(placed.id));
        button->setGeometry(placed.rect);
        button->setAutoDefault(true);
        const int id = placed.id;
        connect(button, &QPushButton::clicked, this, [this, id] { OnCommand(id, false); });
        m_buttons.push_back(button);
        m_allButtons.push_back(button);
    }
    if (!m_buttons.empty())
        m_buttons[static_cast<std::size_t>(m_layout.defaultButton)]->setDefault(true);

    if (m_layout.checkBoxBit) {
        m_checkBox = new QCheckBox(m_layout.checkBoxCaption, this);
        m_checkBox->setObjectName(QStringLiteral("checkBox"));
        m_checkBox->setGeometry(m_layout.checkBoxRect);
        m_checkBox->setChecked(false);
        connect(m_checkBox, &QCheckBox::clicked, this,
            [this] { OnCommand(MessageBoxButton::CheckBox, false); });
        m_allButtons.push_back(m_checkBox);
    }
}

void CRichMessageBoxDialog::PlaceWindow(QWidget* owner)
{
    if (m_params.X != 0 || m_params.Y != 0) {
        move(m_params.X, m_params.Y);
        return;
    }
    if (!owner)
        return; // Qt centres a box without a parent on the screen
    const QRect ownerRect = owner->window()->frameGeometry();
    const int ownerRight = ownerRect.x() + ownerRect.width();
    const int ownerBottom = ownerRect.y() + ownerRect.height();
    move((ownerRect.x() + ownerRight) / 2 - width() / 2,
        (ownerRect.y() + ownerBottom) / 2 - height() / 2);
}

int CRichMessageBoxDialog::Run()
{
    exec();
    return m_result;
}

bool CRichMessageBoxDialog::Answer(int buttonId)
{
    for (const MessageBoxPlacedButton& placed : m_layout.buttons) {
        if (placed.id == buttonId && IsAnswerButton(buttonId)) {
            OnCommand(buttonId, false);
            return true;
        }
    }
    return false;
}

void CRichMessageBoxDialog::OnCommand(int id, bool fromCountdown)
{
    StopCountdown();
    if (m_finished)
        return;
    const std::uint32_t countdownBit = fromCountdown ? MessageBoxResult::CountdownBit : 0;

    switch (id) {
    case MessageBoxButton::Cancel:
        if (m_layout.cancelResult != 0)
            Finish(
                static_cast<int>(static_cast<std::uint32_t>(m_layout.cancelResult) | countdownBit));
        return;
    case MessageBoxButton::Help:
        OpenHelp();
        return;
    case MessageBoxButton::Report:
        if (m_params.ReportCallback)
            m_params.ReportCallback(m_text, m_params.ReportData);
        return;
    case MessageBoxButton::CheckBox:
        return;
    default:
        break;
    }

    std::uint32_t result = static_cast<std::uint32_t>(id) | countdownBit;
    if (m_checkBox && m_checkBox->isChecked()) {
        result |= m_layout.checkBoxBit;
        if (!m_params.CompareText.isEmpty())
            WriteRememberedAnswer(m_params.CompanyKey,
                AnswerValueName(m_params.CompareText, m_params.CompareId), result);
    }
    Finish(static_cast<int>(result));
}

void CRichMessageBoxDialog::Finish(int result)
{
    m_result = result;
    m_finished = true;
    m_countdownTimer.stop();
    m_disabledTimer.stop();
    done(QDialog::Accepted);
}

void CRichMessageBoxDialog::StopCountdown()
{
    if (!m_countdownRunning)
        return;
    m_countdownRunning = false;
    m_countdownTimer.stop();
    if (m_captionSaved && !m_buttons.empty())
        m_buttons[static_cast<std::size_t>(m_layout.defaultButton)]->setText(m_savedCaption);
}

void CRichMessageBoxDialog::CountdownTick()
{
    if (!m_countdownRunning || m_finished || m_buttons.empty())
        return;
    QPushButton* button = m_buttons[static_cast<std::size_t>(m_layout.defaultButton)];
    if (m_timeoutRemaining > 0) {
        if (!m_captionSaved) {
            m_savedCaption = button->text().left(kMaxSavedCaption);
            m_captionSaved = true;
        }
        button->setText(
            QStringLiteral("%1 = %2").arg(m_savedCaption, QString::number(m_timeoutRemaining)));
        --m_timeoutRemaining;
        return;
    }
    OnCommand(m_layout.buttons[static_cast<std::size_t>(m_layout.defaultButton)].id, true);
}

void CRichMessageBoxDialog::DisabledTick()
{
    if (!m_buttonsDisabled || m_finished)
        return;
    if (m_disabledRemaining > 0) {
        setWindowTitle(m_caption + QLatin1Char(' ') + QString::number(m_disabledRemaining));
        --m_disabledRemaining;
        return;
    }
    m_disabledTimer.stop();
    m_buttonsDisabled = false;
    SetPushButtonsEnabled(true);
    setWindowTitle(m_caption);
    update();
}

void CRichMessageBoxDialog::SetPushButtonsEnabled(bool enabled)
{
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        if (IsAnswerButton(m_layout.buttons[i].id))
            m_buttons[i]->setEnabled(enabled);
    }
}

QString CRichMessageBoxDialog::HelpFilePath(const QString& executablePath)
{
    const int slash = executablePath.lastIndexOf(QLatin1Char('/'));
    const int dot = executablePath.lastIndexOf(QLatin1Char('.'));
    if (dot > slash)
        return executablePath.left(dot) + QStringLiteral(".hlp");
    return executablePath + QStringLiteral(".hlp");
}

void CRichMessageBoxDialog::OpenHelp() const
{
    const QString helpFile = HelpFilePath(QCoreApplication::applicationFilePath());
    if (!QFileInfo(helpFile).isFile())
        return;
    const HelpOpener& opener = HelpOpenerSlot();
    if (opener)
        opener(helpFile, m_params.HelpContextId);
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(helpFile));
}

QString CRichMessageBoxDialog::BuildClipboardText(
    const QString& title, const QString& message, const QStringList& buttonTexts)
{
    const QString separator = QStringLiteral("---------------------------\r\n");
    QString text = separator + title.left(kMaxCopiedTitle) + QStringLiteral("\r\n") + separator
        + message.left(kMaxCopiedMessage) + QStringLiteral("\r\n") + separator;
    for (QString button : buttonTexts) {
        button.remove(QLatin1Char('&'));
        text += button + QStringLiteral("   ");
    }
    text += QStringLiteral("\r\n") + separator;
    return text.left(kCopyBufferSize - 1);
}

QString CRichMessageBoxDialog::ClipboardText() const
{
    QStringList buttonTexts;
    for (const QAbstractButton* button : m_allButtons)
        buttonTexts << button->text();
    return BuildClipboardText(windowTitle(), m_text, buttonTexts);
}

void CRichMessageBoxDialog::reject()
{
    // Escape and the close box ask for Cancel; during the disabled period they wait.
    if (m_buttonsDisabled)
        return;
    OnCommand(MessageBoxButton::Cancel, false);
}

void CRichMessageBoxDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_C && (event->modifiers() & Qt::ControlModifier)) {
        if (QClipboard* clipboard = QGuiApplication::clipboard())
            clipboard->setText(ClipboardText());
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CRichMessageBoxDialog::closeEvent(QCloseEvent* event)
{
    event->ignore();
    if (!m_finished)
        reject();
}

void CRichMessageBoxDialog::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        StopCountdown();
    QDialog::mousePressEvent(event);
}

bool CRichMessageBoxDialog::event(QEvent* event)
{
    if (event->type() == QEvent::NonClientAreaMouseButtonPress)
        StopCountdown();
    return QDialog::event(event);
}

void CRichMessageBoxDialog::paintEvent(QPaintEvent* event)
{
    if (!m_backgroundColor.isValid()) {
        QDialog::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    const int bandBottom = m_layout.textRect.y() + m_layout.textRect.height();
    painter.fillRect(QRect(0, 0, width(), bandBottom), m_backgroundColor);
}

void CRichMessageBoxDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    raise();
    activateWindow();
}

MessageBoxMetrics CRichMessageBoxDialog::MetricsFor(
    const QFont& font, int screenWidth, QSize iconSize)
{
    const QFontMetrics fm(font);
    MessageBoxMetrics metrics;
    metrics.baseUnitX = std::max(1, DialogUnits::AverageWidth(DialogUnits::LettersWidth(fm)));
    metrics.baseUnitY = std::max(1, fm.height());
    metrics.screenWidth = screenWidth;
    metrics.iconSize = iconSize;
    metrics.lineHeight = CMessageTextLabel::MeasureText(font, QStringLiteral("My"), 1000).height();
    metrics.textWidth
        = [font](const QString& text) { return QFontMetrics(font).horizontalAdvance(text); };
    metrics.wrappedTextSize = [font](const QString& text, int maxWidth) {
        return CMessageTextLabel::MeasureText(font, text, maxWidth);
    };
    return metrics;
}

void CRichMessageBoxDialog::SetHelpOpener(HelpOpener opener)
{
    HelpOpenerSlot() = std::move(opener);
}

void CRichMessageBoxDialog::SetBeepFunction(BeepFunction beep)
{
    g_beep = beep;
}

void CRichMessageBoxDialog::Beep(std::uint32_t iconValue)
{
    if (g_beep)
        g_beep(iconValue);
    else
        QApplication::beep(); // one sound for every icon here
}

void CRichMessageBoxDialog::SetNextAnswer(int result)
{
    g_nextAnswer = result;
}
void CRichMessageBoxDialog::ClearNextAnswer()
{
    g_nextAnswer.reset();
}

std::optional<int> CRichMessageBoxDialog::TakeNextAnswer()
{
    std::optional<int> answer = g_nextAnswer;
    g_nextAnswer.reset();
    return answer;
}

MessageBoxRequest CRichMessageBoxDialog::LastAnsweredRequest()
{
    return LastRequestSlot();
}

void CRichMessageBoxDialog::SetLastAnsweredRequest(const MessageBoxRequest& request)
{
    LastRequestSlot() = request;
}
