#pragma once

#include <QDialog>
#include <QIcon>
#include <QRect>

class CLinkLabel;
class QLabel;
class QPushButton;

// The texts the About box shows, taken from the branding record by the caller.
struct AboutTexts
{
    QString SoftwareName;
    QString Copyright;
    QString Homepage;
    QString Email; // the bare address; the box shows and opens "mailto:" + Email
};

// The modal About box: the application icon, the product name (also the title), the
// copyright line, and the home page and e-mail address as links. Laid out in dialog units of
// its font, 251 x 80.
class CAboutDialog : public QDialog
{
    Q_OBJECT
public:
    CAboutDialog(QWidget* parent, AboutTexts texts, QIcon appIcon);
    ~CAboutDialog() override;

    QLabel* IconLabel() const { return m_iconLabel; }
    QLabel* ProductLabel() const { return m_productLabel; }
    QLabel* CopyrightLabel() const { return m_copyrightLabel; }
    CLinkLabel* HomepageLink() const { return m_homepageLink; }
    CLinkLabel* EmailLink() const { return m_emailLink; }
    QPushButton* OkButton() const { return m_okButton; }

    // A rectangle of a dialog description (x, y, cx, cy in dialog units) in pixels, with the
    // base units bx (average character width) and by (font height): each edge is scaled
    // separately, x by bx / 4 and y by by / 8, rounded to the nearest pixel.
    static QRect DialogUnitRect(int x, int y, int cx, int cy, int bx, int by);

private:
    QLabel* m_iconLabel = nullptr;
    QLabel* m_productLabel = nullptr;
    QLabel* m_copyrightLabel = nullptr;
    CLinkLabel* m_homepageLink = nullptr;
    CLinkLabel* m_emailLink = nullptr;
    QPushButton* m_okButton = nullptr;
};
