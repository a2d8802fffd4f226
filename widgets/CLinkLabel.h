#pragma once

#include <QColor>
#include <QLabel>
#include <QRect>
#include <QSize>
#include <functional>

// A static text that acts as a hyperlink: link, visited and hover colours, an optional
// underline, a pointing-hand cursor, a tooltip with its target, and a click that opens the
// target with OpenUrl. It fits its geometry to its text.
//
// Use: create it with its text, give it the geometry and alignment of the static text it
// stands for, then call Attach() before the window is shown. It starts left-aligned at the
// top. The vertical alignment Qt::AlignVCenter plays the part of a centred-image static (the
// text rectangle is centred on the old one); any other vertical alignment keeps the top edge.
class CLinkLabel : public QLabel
{
    Q_OBJECT
public:
    explicit CLinkLabel(QWidget* parent, const QString& text = QString());
    ~CLinkLabel() override;

    // Takes over the control: makes it clickable, takes its text as the target when no target
    // was set (or the target as its text when it has none), sets the link font, fits it to its
    // text, sets the hand cursor and the tooltip.
    void Attach();
    bool IsAttached() const { return m_attached; }

    // Stores the target. Once attached, refits the control to its (current) text and shows the
    // new target in the tooltip.
    void SetUrl(const QString& url);
    QString Url() const { return m_url; }

    void SetUnderline(bool underline);

    void SetVisited(bool visited);
    bool IsVisited() const { return m_visited; }
    bool IsHovering() const { return m_hovering; }

    QColor LinkColor() const { return m_linkColor; }
    QColor VisitedColor() const { return m_visitedColor; }
    QColor HoverColor() const { return m_hoverColor; }
    // The colour the text is drawn in now: hover, else visited, else link colour.
    QColor CurrentTextColor() const;

    // Shows the open-failure message for `code`.
    void ReportOpenError(int code);

    // Refits the control's geometry to its text in its font.
    void FitToText();

    // `rect` fitted to a text of size `text` as `alignment` says, the way a static text
    // control is fitted: vertically centred (Qt::AlignVCenter) or kept at its top;
    // horizontally centred, kept at its right edge (Qt::AlignRight) or kept at its left edge.
    static QRect FitRect(const QRect& rect, QSize text, Qt::Alignment alignment);

    // Opens a target and returns the opener's code (above 32: success). The default is
    // OpenUrl; tests stand in for it.
    using Opener = std::function<int(const QString& target)>;
    static void SetOpener(Opener opener); // an empty function restores the default
    // Sounds the failure beep. The default is QApplication::beep.
    using BeepFunction = std::function<void()>;
    static void SetBeepFunction(BeepFunction beep); // an empty function restores the default

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void OnClicked();
    void SetHovering(bool hovering);
    void ApplyTextColor();
    void ApplyLinkFont();

    QColor m_linkColor { 0, 0, 238 };
    QColor m_visitedColor { 85, 26, 139 };
    QColor m_hoverColor;
    bool m_hovering = false;
    bool m_visited = false;
    bool m_underline = true;
    bool m_attached = false;
    QString m_url;
};
