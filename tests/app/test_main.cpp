// One QApplication for every GUI test of the program.
#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // The user's data folder (default table, simulated EEPROM) of a test run is
    // its own: a test never loads or writes the real one.
    QTemporaryDir data_home;
    qputenv("XDG_DATA_HOME", data_home.path().toLocal8Bit());
    // Nor the user's settings (the board, the production registry).
    qputenv("QRT58_SETTINGS", (data_home.path() + QStringLiteral("/settings.ini")).toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    // Qt wants a private runtime folder and warns on every start without one
    // (CTest lists the tests by starting the program).
    QTemporaryDir runtime_dir;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) qputenv("XDG_RUNTIME_DIR", runtime_dir.path().toLocal8Bit());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
