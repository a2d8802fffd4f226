// sablewick: the converter's window.
#include "app/CConverterApp.h"

#include <QApplication>
#include <csignal>

int main(int argc, char** argv)
{
    // An ignored SIGCHLD handed on by a launcher would hide the tools' exit statuses.
    std::signal(SIGCHLD, SIG_DFL);
    QApplication app(argc, argv);
    CConverterApp converter(std::vector<std::string>(argv, argv + argc));
    return converter.Run();
}
