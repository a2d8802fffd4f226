#include "widgets/CMessageTextLabel.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>
#include <QtMath>

namespace {

QString WithLineSeparators(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return text;
}

// Lays the text out into `layout`; returns the size it takes.
QSize LayOut(QTextLayout& layout, const QFont& font, const QString& text, int wrapWidth)
{
    const QFontMetrics metrics(font);
    QTextOption option(Qt::AlignLeft | Qt::AlignTop);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTabStopDistance(8.0 * metrics.averageCharWidth());
    layout.setFont(font);
    layout.setText(WithLineSeparators(text));
    layout.setTextOption(option);
    layout.setCacheEnabled(true);

    qreal y = 0;
    qreal width = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(wrapWidth);
        line.setPosition(QPointF(0, y));
        y += metrics.height();
        width = std::max(width, line.naturalTextWidth());
    }
    layout.endLayout();
    return QSize(qCeil(width), qCeil(y));
}

} // namespace

CMessageTextLabel::CMessageTextLabel(QWidget* parent, QString text, int wrapWidth)
    : QWidget(parent)
    , m_text(std::move(text))
    , m_wrapWidth(wrapWidth)
{ }

void CMessageTextLabel::SetTextColor(const QColor& color)
{
    m_textColor = color;
    update();
}

QSize CMessageTextLabel::MeasureText(const QFont& font, const QString& text, int wrapWidth)
{
    QTextLayout layout;
    return LayOut(layout, font, text, wrapWidth);
}

void CMessageTextLabel::paintEvent(QPaintEvent*)
{
    QTextLayout layout;
    LayOut(layout, font(), m_text, m_wrapWidth);
    QPainter painter(this);
    painter.setPen(m_textColor.isValid() ? m_textColor : palette().color(QPalette::WindowText));
    layout.draw(&painter, QPointF(0, 0));
}
