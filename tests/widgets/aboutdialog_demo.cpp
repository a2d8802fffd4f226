// Shows the About box for a look under a real X server:
//   aboutdialog_demo [NAME [COPYRIGHT [HOMEPAGE [EMAIL]]]]
// Link clicks are only printed, nothing is opened.
#include "widgets/CAboutDialog.h"
#include "widgets/CLinkLabel.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    AboutTexts texts;
    texts.SoftwareName = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("Sablewick");
    texts.Copyright = argc > 2 ? QString::fromLocal8Bit(argv[2])
                               : QStringLiteral("Copyright (C) 2024 Tellurvane Software");
    texts.Homepage = argc > 3 ? QString::fromLocal8Bit(argv[3])
                              : QStringLiteral("https://www.tellurvane.example/");
    texts.Email
        = argc > 4 ? QString::fromLocal8Bit(argv[4]) : QStringLiteral("support@tellurvane.example");
    CLinkLabel::SetOpener([](const QString& target) {
        std::printf("open %s\n", target.toLocal8Bit().constData());
        return 33;
    });
    const QIcon icon = app.style()->standardIcon(QStyle::SP_ComputerIcon);
    CAboutDialog box(nullptr, texts, icon);
    box.exec();
    return 0;
}
