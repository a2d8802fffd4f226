// Shows the About box for a look under a real X server:
//   AboutDialogDemo [NAME [COPYRIGHT [HOMEPAGE [EMAIL]]]]
// Link clicks are only printed, nothing is opened; with ABOUT_DEMO_FAIL=CODE in the
// environment every open fails with that code.
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
    const QByteArray failure = qgetenv("ABOUT_DEMO_FAIL");
    const int result = failure.isEmpty() ? 33 : failure.toInt();
    CLinkLabel::SetOpener([result](const QString& target) {
        std::printf("open %s: %d\n", target.toLocal8Bit().constData(), result);
        std::fflush(stdout);
        return result;
    });
    const QIcon icon = app.style()->standardIcon(QStyle::SP_ComputerIcon);
    CAboutDialog box(nullptr, texts, icon);
    box.exec();
    return 0;
}
