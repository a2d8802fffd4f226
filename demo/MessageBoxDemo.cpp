// Shows one message box for a look under a real X server:
//   MessageBoxDemo STYLE [TIMEOUT] [TEXT]
// STYLE is a number (0x.. accepted); prints the result in hexadecimal.
#include "widgets/RichMessageBox.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: MessageBoxDemo STYLE [TIMEOUT] [TEXT]\n");
        return 2;
    }
    bool ok = false;
    const std::uint32_t style = QString::fromLocal8Bit(argv[1]).toUInt(&ok, 0);
    if (!ok) {
        std::fprintf(stderr, "MessageBoxDemo: bad style '%s'\n", argv[1]);
        return 2;
    }
    MessageBoxParams params;
    if (argc > 2)
        params.TimeoutSeconds = QString::fromLocal8Bit(argv[2]).toInt();
    const QString text
        = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("Are you sure to stop?");
    const int result = RichMessageBox(nullptr, text, QStringLiteral("Sablewick"), style, &params);
    std::printf("0x%08x\n", static_cast<unsigned>(result));
    return 0;
}
