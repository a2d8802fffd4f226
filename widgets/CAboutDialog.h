#pragma once

#include <QDialog>
#include <QIcon>

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

private:
    QLabel* m_iconLabel = nullptr;
    QLabel* m_productLabel = nullptr;
    QLabel* m_copyrightLabel = nullptr;
    CLinkLabel* m_homepageLink = nullptr;
    CLinkLabel* m_emailLink = nullptr;
    QPushButton* m_okButton = nullptr;
};
