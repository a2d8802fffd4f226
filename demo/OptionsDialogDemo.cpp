// Shows the options dialog for a look under a real X server; not a test.
// With a folder argument the settings file is read from and written there.
#include "platform/ProgramFolder.h"
#include "ui/COptionsDialog.h"

#include <QApplication>
#include <QLocale>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    if (argc > 1)
        SetProgramFolderForTesting(argv[1]);
    COptionsDialog dialog;
    return dialog.exec() == QDialog::Accepted ? 0 : 1;
}
