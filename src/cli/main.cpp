#include "cli.h"

#include <QCoreApplication>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("QRT58"));
    // Same as the window, so both share settings and the simulated EEPROM file.
    QCoreApplication::setOrganizationName(QStringLiteral("Norvale"));
    std::vector<std::string> args(argv + 1, argv + argc);
    const qrt58::cli::Streams streams{std::cin, std::cout, std::cerr, ::isatty(2) == 1,
                                      ::isatty(0) == 1, ::isatty(1) == 1};
    return qrt58::cli::run(args, streams);
}
