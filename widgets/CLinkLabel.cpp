#include "widgets/CLinkLabel.h"

#include "platform/OpenUrl.h"
#include "widgets/ReportOpenError.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>

namespace {

CLinkLabel::Opener& OpenerSlot()
{
    static CLinkLabel::Opener opener;
    return opener;
}

CLinkLabel::BeepFunction& BeepSlot()
{
    static CLinkLabel::BeepFunction beep;
    return beep;
}

int OpenTarget(const QString& target)
{
    if (OpenerSlot())
        return OpenerSlot()(target);
    return OpenUrl(target.toStdString());
}

void Beep()
{
    if (BeepSlot())
        BeepSlot()();
    else
        QApplication::beep();
}

} // namespace

CLinkLabel::CLinkLabel(QWidget* parent, const QString& text)
    : QLabel(parent)
    , m_hoverColor(palette().color(QPalette::Highlight))
{
    // A branding text must never be taken for markup.
    setTextFormat(Qt::PlainText);
    // A plain static text: left-aligned at the top, not a label's vertical centring.
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setText(text);
    ApplyTextColor();
}

CLinkLabel::~CLinkLabel() = default;

void CLinkLabel::Attach()
{
    if (m_url.isEmpty())
        m_url = text();
    if (text().isEmpty())
        setText(m_url);
    ApplyLinkFont();
    // Hover starts on the first mouse move, as it does for a captured pointer.
    setMouseTracking(true);
    m_attached = true;
    FitToText();
    setCursor(Qt::PointingHandCursor);
    setToolTip(m_url);
}

void CLinkLabel::SetUrl(const QString& url)
{
    m_url = url;
    if (m_attached) {
        FitToText();
        setToolTip(m_url);
    }
}

void CLinkLabel::SetUnderline(bool underline)
{
    m_underline = underline;
    if (m_attached) {
        ApplyLinkFont();
        update();
    }
}

void CLinkLabel::SetVisited(bool visited)
{
    m_visited = visited;
    ApplyTextColor();
}

QColor CLinkLabel::CurrentTextColor() const
{
    if (m_hovering)
        return m_hoverColor;
    return m_visited ? m_visitedColor : m_linkColor;
}

void CLinkLabel::ReportOpenError(int code)
{
    ::ReportOpenError(window(), code);
}

void CLinkLabel::FitToText()
{
    // Measured as the label lays out its text when it paints it, so no pixel is cut off.
    const QSize textSize = QFontMetrics(font()).size(Qt::TextExpandTabs, text());
    setGeometry(FitRect(geometry(), textSize, alignment()));
}

QRect CLinkLabel::FitRect(const QRect& rect, QSize text, Qt::Alignment alignment)
{
    int left = rect.x();
    int top = rect.y();
    int width = rect.width();
    int height = rect.height();

    if (alignment & Qt::AlignVCenter) {
        // Integer division truncates toward zero, so a taller text grows the rectangle evenly.
        const int shrink = (height - text.height()) / 2;
        top += shrink;
        height -= 2 * shrink;
    } else {
        height = text.height();
    }

    if (alignment & Qt::AlignHCenter) {
        const int shrink = (width - text.width()) / 2;
        left += shrink;
        width -= 2 * shrink;
    } else if (alignment & Qt::AlignRight) {
        left = left + width - text.width();
        width = text.width();
    } else {
        width = text.width();
    }
    return QRect(left, top, width, height);
}

void CLinkLabel::SetOpener(Opener opener)
{
    OpenerSlot() = std::move(opener);
}

void CLinkLabel::SetBeepFunction(BeepFunction beep)
{
    BeepSlot() = std::move(beep);
}

void CLinkLabel::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_hovering)
        SetHovering(true);
    else if (!rect().contains(event->position().toPoint()))
        SetHovering(false); // moves outside arrive while a button is held down
    QLabel::mouseMoveEvent(event);
}

void CLinkLabel::leaveEvent(QEvent* event)
{
    SetHovering(false);
    QLabel::leaveEvent(event);
}

void CLinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (m_attached && event->button() == Qt::LeftButton
        && rect().contains(event->position().toPoint()))
        OnClicked();
}

void CLinkLabel::OnClicked()
{
    const int result = OpenTarget(m_url);
    if (result > kOpenSucceeded) {
        SetVisited(true);
        return;
    }
    m_visited = false; // shown with the next redraw, as the hover colour is still on
    Beep();
    ReportOpenError(result);
    ApplyTextColor();
}

void CLinkLabel::SetHovering(bool hovering)
{
    if (m_hovering == hovering)
        return;
    m_hovering = hovering;
    ApplyTextColor();
    repaint();
}

void CLinkLabel::ApplyTextColor()
{
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, CurrentTextColor());
    setPalette(colours);
}

void CLinkLabel::ApplyLinkFont()
{
    QFont linkFont = font();
    linkFont.setUnderline(m_underline);
    setFont(linkFont);
}
