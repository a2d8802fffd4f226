// sablewick: the converter's window.
#include "ui/CMainDialog.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    CMainDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Sablewick"));
    dialog.StartMessageService();
    dialog.exec();
    return 0;
}
