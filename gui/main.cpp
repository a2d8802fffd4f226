// sablewick: the converter's window.
#include "app/CConverterApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    CConverterApp converter(std::vector<std::string>(argv, argv + argc));
    return converter.Run();
}
