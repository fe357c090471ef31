// Every production path at once on one registry (SQLite here, PostgreSQL under
// pg_virtualenv): the window's station (offscreen, in this process), `qrt58cli
// write --count` and `qrt58cli job run` (separate processes), in random
// rounds. Whatever the order, no capcode is programmed ok twice, every receiver
// a path reports ok is in the registry as ok (and no other), a second user of
// the station's table file is refused at once, and a refused receiver gets
// nothing written.
#include "registry_backend.h"

#include "board.h"
#include "capcode.h"
#include "default_image.h"
#include "fake_transfer_host.h"
#include "form2.h"
#include "production_log.h"
#include "sim_rig.h"
#include "table_file.h"
#include "ui_seams.h"

#include <QCoreApplication>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>

#include <random>

using namespace qrt58;
using namespace qrt58::test;

namespace {

class ProductionPaths : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(backend.ok());
        where = backend.create();
        url = Backend::url(where);
        // The window's Options > Registry... names the same registry.
        qputenv("QRT58_SETTINGS", backend.path(QStringLiteral("settings.ini")).toLocal8Bit());
        store_registry_text(*open_board_settings(), url);
        table = backend.path(QStringLiteral("p.tbl"));
        other = backend.path(QStringLiteral("q.tbl"));
        base = backend.path(QStringLiteral("base.tbl"));
        ASSERT_TRUE(save_table_file(base, build_default_image()).ok);
        set_capcode(table, 1000);
        ASSERT_TRUE(QFile::link(table, backend.path(QStringLiteral("alias.tbl"))));
    }
    void TearDown() override { qunsetenv("QRT58_SETTINGS"); }

    static void set_capcode(const QString& file, qint64 capcode) {
        PagerTable image = build_default_image();
        store_capcode(image, 0, static_cast<double>(capcode), false);
        apply_frame_rule(image, long_pairs_from_image(image));
        ASSERT_TRUE(save_table_file(file, image).ok);
    }
    static qint64 capcode_of(const QString& file) {
        PagerTable image{};
        EXPECT_EQ(load_table_file(file, image).status, LoadStatus::Ok);
        return QString::fromStdString(decode_capcode(capcode_word(image, 0), capcode_word(image, 1), false).text)
            .toLongLong();
    }

    std::unique_ptr<QProcess> start(const QStringList& args) const {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("XDG_DATA_HOME"), backend.path(QStringLiteral("data")));
        p->setProcessEnvironment(e);
        p->start(QStringLiteral(QRT58CLI), args);
        EXPECT_TRUE(p->waitForStarted());
        return p;
    }
    struct Ran {
        int status;
        QString out, err;
    };
    static Ran finish(QProcess& p) {
        // The station's transfers let events run: a process may be finished and reaped by now.
        if (p.state() != QProcess::NotRunning) {
            EXPECT_TRUE(p.waitForFinished(300000));
        }
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }
    QString board(const QString& name) const { return QStringLiteral("sim-i2c:") + backend.path(name + ".bin"); }

    // A refusal's advice: "raise capcode 1 in FILE to N".
    static qint64 advised(const QString& text) {
        const auto m = QRegularExpression(QStringLiteral("raise capcode 1 in \\S+ to (\\d+)")).match(text);
        return m.hasMatch() ? m.captured(1).toLongLong() : 0;
    }
    void reported(qint64 capcode) { reported_ok.push_back(capcode); }

    Backend backend;
    RegistryLocation where;
    QString url, table, other, base;
    std::vector<qint64> reported_ok; // as each path reported its receivers
};

TEST_F(ProductionPaths, NoCapcodeTwiceWhicheverPathsRunTogetherInWhateverOrder) {
    const unsigned seed = qEnvironmentVariableIsSet("QRT58_SEED") ? qEnvironmentVariableIntValue("QRT58_SEED") : 22u;
    SCOPED_TRACE("QRT58_SEED=" + std::to_string(seed));
    std::mt19937 rng(seed);
    const auto chance = [&](int percent) { return static_cast<int>(rng() % 100) < percent; };
    ScopedTestSeams seams;
    SimRig rig;
    FakeHost host;
    host.file = table;
    host.auto_increment = true;
    const QRegularExpression ok_line(QStringLiteral("capcode (\\d+): ok$"), QRegularExpression::MultilineOption);
    const QRegularExpression log_ok(QStringLiteral("^[^,]+,(\\d+),ok$"), QRegularExpression::MultilineOption);

    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const qint64 next = capcode_of(table);
        // Now and then the file is set back to a capcode programmed before
        // (a restored copy, a station reopened after the limit).
        if (!reported_ok.empty() && chance(30)) set_capcode(table, reported_ok[rng() % reported_ok.size()]);
        // A job over capcodes around the station's, and write --count on
        // another table file at the same capcode, both running meanwhile.
        std::unique_ptr<QProcess> job, writer;
        if (chance(70)) {
            const qint64 first = next - 2 + static_cast<qint64>(rng() % 8);
            job = start({QStringLiteral("job"), QStringLiteral("run"), base, QStringLiteral("--range"),
                         QStringLiteral("%1:%2").arg(first).arg(1 + rng() % 3), QStringLiteral("--job"),
                         QStringLiteral("job-%1").arg(round), QStringLiteral("--registry"), url,
                         QStringLiteral("--virtual-clock"), QStringLiteral("--board"),
                         board(QStringLiteral("job-%1").arg(round))});
        }
        const QString log = backend.path(QStringLiteral("write-%1.csv").arg(round));
        if (chance(70)) {
            set_capcode(other, capcode_of(table));
            writer = start({QStringLiteral("write"), other, QStringLiteral("--count"), QString::number(1 + rng() % 2),
                            QStringLiteral("--log"), log, QStringLiteral("--registry"), url, QStringLiteral("--board"),
                            board(QStringLiteral("write-%1").arg(round))});
        }

        // The window's station on the table file.
        ASSERT_EQ(load_table_file(table, host.img).status, LoadStatus::Ok);
        host.refill();
        seams.boxes->clear();
        Form2 station(rig.link, host, 1);
        station.set_board_label(QStringLiteral("window"));
        station.form_activate();
        ASSERT_TRUE(station.station()) << seams.boxes->texts().join('|').toStdString();
        // A second user of the same file, under another name, is refused at once.
        const QString intruder_board = backend.path(QStringLiteral("intruder-%1.bin").arg(round));
        auto intruder = start({QStringLiteral("write"), backend.path(QStringLiteral("alias.tbl")),
                               QStringLiteral("--count"), QStringLiteral("1"), QStringLiteral("--registry"), url,
                               QStringLiteral("--board"), QStringLiteral("sim-i2c:") + intruder_board});
        const Ran refused = finish(*intruder);
        EXPECT_EQ(refused.status, 1);
        EXPECT_TRUE(refused.err.contains(QStringLiteral("is in use by another production run (")) &&
                    refused.err.contains(QStringLiteral("process %1").arg(QCoreApplication::applicationPid())))
            << refused.err.toStdString();
        EXPECT_FALSE(QFile::exists(intruder_board)) << "the second user touched a board";

        qint64 advice = 0;
        const int presses = 1 + static_cast<int>(rng() % 3);
        for (int press = 0; press < presses && station.cmdWrite->isEnabled(); ++press) {
            const qint64 capcode = host.box0.toLongLong();
            const int done = station.receivers_done();
            const int bytes = rig.sim.eeprom().data_bytes;
            seams.boxes->clear();
            station.cmdWrite_Click();
            if (station.receivers_done() > done) {
                reported(capcode);
                continue;
            }
            // Refused by the registry: nothing went to the receiver.
            EXPECT_EQ(rig.sim.eeprom().data_bytes, bytes) << "capcode " << capcode;
            const QString said = seams.boxes->texts().join('|');
            EXPECT_TRUE(said.startsWith(QStringLiteral("Capcode 1 %1 ").arg(host.box0))) << said.toStdString();
            advice = advised(said);
            break;
        }
        station.close();

        if (job) {
            const Ran j = finish(*job);
            for (auto it = ok_line.globalMatch(j.out); it.hasNext();) reported(it.next().captured(1).toLongLong());
            EXPECT_TRUE(j.status == 0 || j.err.contains(QStringLiteral("nothing programmed")) ||
                        j.err.contains(QStringLiteral("is held")))
                << j.out.toStdString() << j.err.toStdString();
        }
        if (writer) {
            const Ran w = finish(*writer);
            QFile f(log);
            if (f.open(QIODevice::ReadOnly))
                for (auto it = log_ok.globalMatch(QString::fromUtf8(f.readAll())); it.hasNext();)
                    reported(it.next().captured(1).toLongLong());
            // (The simulated I2C board runs on the real clock: on a machine
            // busy enough a receiver fails, which the registry records too.)
            EXPECT_TRUE(w.status == 0 || w.err.contains(QStringLiteral("nothing was written")) ||
                        w.err.contains(QStringLiteral("Write error!")) ||
                        w.err.contains(QStringLiteral("Verify Error!")))
                << w.out.toStdString() << w.err.toStdString();
            advice = std::max(advice, advised(w.err));
        }
        // The advice of a refusal is taken for the next round.
        if (advice > 0) set_capcode(table, advice);
    }

    QString error;
    auto registry = Registry::open(where, &error);
    ASSERT_TRUE(registry) << error.toStdString();
    const Census c = census(*registry);
    EXPECT_EQ(duplicates(c.ok_capcodes), 0);
    const std::multiset<qint64> paths(reported_ok.begin(), reported_ok.end());
    EXPECT_EQ(duplicates(paths), 0);
    EXPECT_EQ(paths, c.ok_capcodes) << "what the paths reported ok and what the registry holds as ok";
    EXPECT_GE(paths.size(), 6u);
}

// A rows job gives each receiver capcodes in slots 1 and 2: `registry show`
// answers for both, the export lists both, padded as the log pads them, and
// the receivers are numbered within their job alike everywhere.
TEST_F(ProductionPaths, EveryCapcodeOfAReceiverIsShownAndExportedNumberedWithinItsJob) {
    const QString rows = backend.path(QStringLiteral("rj.csv"));
    QFile csv(rows);
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("capcodes.1.capcode,capcodes.2.capcode\n3100,2003200\n3101,2003201\n3102,2003202\n");
    csv.close();
    const Ran job = finish(*start({QStringLiteral("job"), QStringLiteral("run"), base, QStringLiteral("--rows"), rows,
                                   QStringLiteral("--job"), QStringLiteral("rj3"), QStringLiteral("--registry"), url,
                                   QStringLiteral("--virtual-clock"), QStringLiteral("--board"), board("rj")}));
    ASSERT_EQ(job.status, 0) << job.err.toStdString();
    EXPECT_TRUE(
        job.out.contains(QStringLiteral(": receiver 2 of 3 of job rj3 (rj.csv line 3), capcode 3101 2003201: ok")))
        << job.out.toStdString();
    for (const QString& capcode : {QStringLiteral("3101"), QStringLiteral("2003201")}) {
        const Ran shown = finish(
            *start({QStringLiteral("registry"), QStringLiteral("show"), capcode, QStringLiteral("--registry"), url}));
        EXPECT_EQ(shown.status, 0) << shown.err.toStdString();
        EXPECT_TRUE(shown.out.startsWith(QStringLiteral("Capcode %1: receiver 2 of 3 of job rj3, ok\n").arg(capcode)))
            << shown.out.toStdString();
        EXPECT_TRUE(shown.out.contains(QStringLiteral("capcodes 0003101 2003201\n"))) << shown.out.toStdString();
        EXPECT_FALSE(shown.out.contains(QStringLiteral("held"))) << shown.out.toStdString();
    }
    const Ran exported = finish(*start({QStringLiteral("registry"), QStringLiteral("export"), QStringLiteral("--csv"),
                                        QStringLiteral("--registry"), url}));
    ASSERT_EQ(exported.status, 0) << exported.err.toStdString();
    const QStringList lines = exported.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << exported.out.toStdString();
    const QRegularExpression line(QStringLiteral(
        "^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ,0003101,ok,[^,]+,[^,]+,rj3,2,0003101 2003201,[0-9a-f]{64}$"));
    EXPECT_TRUE(line.match(lines[2]).hasMatch()) << lines[2].toStdString();
}

} // namespace
