// Numbers in tags and entry boxes use a decimal point whatever the user's
// locale: the GUI sets the process locale from the environment, and a
// decimal-comma locale must not change what "8.25" reads as.
#include "capcode.h"
#include "field_tag.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

using namespace qrt58;

namespace {

// Switches LC_NUMERIC to a decimal-comma locale for the lifetime of the
// object, building a German one into a temporary folder when the system has
// none compiled. ok() is false when no such locale can be had.
class CommaLocale {
public:
    CommaLocale() {
        const char* current = std::setlocale(LC_NUMERIC, nullptr);
        previous_ = current ? current : "C";
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"})
            if (std::setlocale(LC_NUMERIC, name)) {
                check();
                return;
            }
        if (!dir_.isValid()) return;
        const std::string folder = dir_.path().toStdString();
        const std::string build = "localedef -i de_DE -f UTF-8 '" + folder + "/de_DE.UTF-8' >/dev/null 2>&1";
        if (std::system(build.c_str()) != 0) return;
        ::setenv("LOCPATH", folder.c_str(), 1);
        if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) check();
        ::unsetenv("LOCPATH");
    }
    ~CommaLocale() { std::setlocale(LC_NUMERIC, previous_.c_str()); }
    bool ok() const { return ok_; }

private:
    void check() { ok_ = *std::localeconv()->decimal_point == ','; }
    std::string previous_;
    QTemporaryDir dir_;
    bool ok_ = false;
};

} // namespace

TEST(DecimalPoint, TagGeometryAndCapcodeTextIgnoreADecimalCommaLocale) {
    CommaLocale comma;
    if (!comma.ok()) GTEST_SKIP() << "no decimal-comma locale on this machine";

    const TagGeometry g = parse_tag_geometry("&H3BE,2,1,chk,#4590.5#3916#1035#225#8.25#");
    ASSERT_EQ(g.complete, 5);
    EXPECT_DOUBLE_EQ(g.values[0], 4590.5);
    EXPECT_DOUBLE_EQ(g.values[4], 8.25);

    EXPECT_EQ(parse_capcode_text("1234567.6"), 1234567.6);
    EXPECT_EQ(parse_capcode_text("+12.5e1"), 125.0);
    EXPECT_EQ(parse_capcode_text("-.5"), -0.5);
    EXPECT_EQ(leading_number("12.75 and more"), 12.75);
    EXPECT_EQ(parse_capcode_text("12,5"), std::nullopt); // a comma is no part of a number
}
