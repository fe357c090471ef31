// The window's code stays split by what it does: no file of src/app grows past
// about 600 lines (a class that needs more is doing two things).
#include <QDir>
#include <QFile>
#include <QTextStream>
#include <gtest/gtest.h>

TEST(WindowFiles, NoFileOfTheWindowIsOverSixHundredLines) {
    constexpr int kMaxLines = 600;
    const QDir app(QStringLiteral(QRT58_SOURCE_ROOT "/src/app"));
    const QStringList files = app.entryList({QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files);
    ASSERT_GT(files.size(), 5) << "src/app not found under " QRT58_SOURCE_ROOT;
    for (const QString& name : files) {
        QFile file(app.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        int lines = 0;
        QTextStream in(&file);
        while (!in.atEnd()) {
            in.readLine();
            ++lines;
        }
        EXPECT_LE(lines, kMaxLines) << name.toStdString() << " has " << lines << " lines";
    }
}
