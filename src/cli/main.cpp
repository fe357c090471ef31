#include "cli.h"

#include <QCoreApplication>
#include <iostream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("QRT58"));
    // Same as the window, so both share settings and the simulated EEPROM file.
    QCoreApplication::setOrganizationName(QStringLiteral("Norvale"));
    std::vector<std::string> args(argv + 1, argv + argc);
    return qrt58::cli::run(args, std::cout, std::cerr);
}
