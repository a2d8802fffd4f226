#pragma once

#include <QColor>
#include <QWidget>

class QTextLayout;

// The message of a message box: plain text, wrapped at words (and inside a word too
// long for a line), tabs expanded, '&' shown as it is. Measuring and painting share
// one text layout, so the painted text fits the measured rectangle exactly.
class CMessageTextLabel : public QWidget
{
    Q_OBJECT
public:
    CMessageTextLabel(QWidget* parent, QString text, int wrapWidth);

    QString Text() const { return m_text; }
    // An invalid colour paints with the palette's window-text colour.
    void SetTextColor(const QColor& color);

    // Size of `text` in `font`, wrapped into lines at most wrapWidth wide.
    static QSize MeasureText(const QFont& font, const QString& text, int wrapWidth);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    int m_wrapWidth;
    QColor m_textColor;
};
