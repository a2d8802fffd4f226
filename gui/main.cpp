// sablewick: the converter's window.
#include "ui/CMainDialog.h"
#include "ui/COptionsDialog.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    CMainDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Sablewick"));
    dialog.SetOptionsAction([] {
        COptionsDialog options(nullptr); // modal, without a parent window
        options.exec();
    });
    dialog.StartMessageService();
    dialog.exec();
    return 0;
}
