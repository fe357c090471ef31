#include "cli.h"
#include "default_image.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <algorithm>
#include <sstream>

using namespace qrt58;

namespace {
struct CliRun {
    int status;
    std::string out, err;
};
CliRun run_cli(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int status = cli::run(args, out, err);
    return {status, out.str(), err.str()};
}
QByteArray read_all(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}
} // namespace

TEST(CliNew, WritesTheDefaultImageAndRefusesToOverwrite) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("x.tbl").toStdString();
    const CliRun first = run_cli({"new", path});
    EXPECT_EQ(first.status, 0) << first.err;
    const QByteArray bytes = read_all(QString::fromStdString(path));
    ASSERT_EQ(bytes.size(), kImageSize);
    const PagerTable d = build_default_image();
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(d.data()), kImageSize), bytes);
    EXPECT_EQ(bytes.mid(0x7E0, 12), QByteArray("QRT58 V05.02"));
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[0x7FE]), 0xFF);

    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("x");
    f.close();
    const CliRun second = run_cli({"new", path});
    EXPECT_NE(second.status, 0);
    EXPECT_NE(second.err.find("--force"), std::string::npos);
    EXPECT_EQ(std::count(second.err.begin(), second.err.end(), '\n'), 1);
    EXPECT_EQ(read_all(QString::fromStdString(path)), QByteArray("x"));

    EXPECT_EQ(run_cli({"new", path, "--force"}).status, 0);
    EXPECT_EQ(read_all(QString::fromStdString(path)).size(), kImageSize);
}

TEST(CliNew, UsageAndErrors) {
    const CliRun help = run_cli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("new FILE"), std::string::npos);
    EXPECT_NE(run_cli({}).status, 0);
    EXPECT_NE(run_cli({"frobnicate"}).status, 0);
    EXPECT_NE(run_cli({"new"}).status, 0);
    EXPECT_NE(run_cli({"new", "/nonexistent-folder/x.tbl"}).status, 0);
}
