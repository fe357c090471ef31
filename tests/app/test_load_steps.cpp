// Every step the loader runs and every procedure the window and the editors call
// has an editor behind it, and loading an image shows it without changing it.
#include "capcode.h"
#include "default_image.h"
#include "editor_fixture.h"
#include "table_file.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include <random>
#include <set>

using namespace qrt58;

namespace {

// Names called by the window and the editors outside the loader's lists.
const std::vector<std::string> kCalledNames = {
    "read_CapLen",
    "ChkCapLen",
    "set_frame",
    "txt_to_tbl",
    "read_dftaddr",
    "read_freq",
    "cboMailAlert_Click",
    "User_Data",
    "cboMusicType_Click",
    "Source_Data",
    "show_auto_cap_prompt",
    "read_MailAlert",
    "read_UserMsc",
    "read_SingleMsc",
    "read_MultiMsc",
};

class LoadStepsTest : public EditorFixture {
protected:
    void expect_no_name_missing() {
        for (const std::string& name : form->unregistered_calls())
            ADD_FAILURE() << "called but not registered: " << name;
    }
};

TEST_F(LoadStepsTest, EveryNameTheWindowCallsHasARegisteredProcedure) {
    std::vector<std::string> names = Form1::kInitStepsFirst;
    names.insert(names.end(), Form1::kInitSteps.begin(), Form1::kInitSteps.end());
    names.insert(names.end(), kCalledNames.begin(), kCalledNames.end());
    for (const std::string& name : names) EXPECT_TRUE(form->has_procedure(name)) << name;
    // The window remembers a name it could not run.
    form->call("read_SetAlram");
    EXPECT_EQ(form->unregistered_calls().count("read_SetAlram"), 1u);
}

TEST_F(LoadStepsTest, FlowsCallNoNameThatNobodyRegistered) {
    // Start-up has run. Now a file, a read, length switches both ways, a type
    // change, a capcode entry, a melody entry and the mode buttons.
    const QString path = folder.filePath(QStringLiteral("some.tbl"));
    PagerTable image = build_default_image();
    image[0xB1] |= 0x40;
    image[0xB5] |= 0x40;
    ASSERT_TRUE(save_table_file(path, image).ok);
    seams.dialogs->answers.push_back(path);
    form->mnuLBFF_Click();
    form->image_was_read();
    auto* len = form->ctl<QComboBox>(QStringLiteral("cboCapLen"), 2);
    len->setCurrentIndex(1);
    len->setCurrentIndex(0);
    form->ctl<QComboBox>(QStringLiteral("cboCtl"), 9)->setCurrentIndex(1);
    auto* addr = form->ctl<QLineEdit>(QStringLiteral("txtAddr"), 1);
    focus(addr);
    QTest::keyClicks(addr, QStringLiteral("4711"));
    leave();
    auto* melody = form->ctl<QLineEdit>(QStringLiteral("txtUser"), 4);
    focus(melody);
    QTest::keyClicks(melody, QStringLiteral("1"));
    leave();
    form->ctl<QCheckBox>(QStringLiteral("chkCtl"), 66)->setChecked(true);
    form->WriteOpt_Click();
    form->ModifyOpt_Click();
    form->resize(form->width() + 40, form->height() + 30);
    QCoreApplication::processEvents();
    expect_no_name_missing();
}

// Loading changes only what set_frame recomputes on purpose.
PagerTable expected_after_loading(const PagerTable& image) {
    PagerTable expected = image;
    // The frame map 0x92/0x93 and its seven copies from the enabled capcodes,
    // and the enable bits of the slots above the capcode count cleared: the
    // repair qrt58cli applies before it writes or verifies a file.
    repair_opened_image(expected);
    return expected;
}

std::string first_difference(const PagerTable& a, const PagerTable& b) {
    for (int i = 0; i < kImageSize; ++i)
        if (a[i] != b[i]) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "byte 0x%03X: %02X, expected %02X", i, a[i], b[i]);
            return buf;
        }
    return "none";
}

// A random image with the signature. Half of the fields of these pages get a
// value their lists know, so that the images also reach the lists' items.
PagerTable random_image(std::mt19937& rng) {
    std::uniform_int_distribution<int> byte(0, 255);
    PagerTable image;
    for (auto& b : image.bytes) b = static_cast<std::uint8_t>(byte(rng));
    const std::string sig = ver_str;
    image.put(kSignatureAddress, reinterpret_cast<const std::uint8_t*>(sig.data()), static_cast<int>(sig.size()));
    auto pick = [&](std::initializer_list<int> values) {
        std::vector<int> v(values);
        return static_cast<std::uint8_t>(v[std::uniform_int_distribution<std::size_t>(0, v.size() - 1)(rng)]);
    };
    if (byte(rng) & 1) {
        for (int a = 0xF8; a <= 0xFE; ++a) image[a] = pick({0x20, 7, 8, 9, 10, 11, 12, 13, 14});
        for (int k = 1; k < 16; ++k) image[0x373 + k] = pick({0, 1, 16});
        for (int s = 0; s < 16; ++s) image[0x564 + s] = pick({8, 1, 5, 6, 7, 2, 3, 4, 32, 49});
        image[0x31] = pick({1, 2, 3, 4, 17, 24, 32, 34, 36});
        image[0x383] = pick({0, 2, 8, 16, 32});
        image[0x5D5] = pick({86, 172, 255});
    }
    return image;
}

TEST_F(LoadStepsTest, LoadingRandomImagesChangesNoByteBeyondTheFrameMapRepair) {
    std::mt19937 rng(20261209);
    for (int n = 0; n < 300; ++n) {
        const PagerTable image = random_image(rng);
        form->image() = image;
        form->image_was_read(); // as a read from the receiver does
        const PagerTable expected = expected_after_loading(image);
        ASSERT_EQ(form->image(), expected) << "image " << n << ": " << first_difference(form->image(), expected);
    }
    // File > Open takes the same way.
    for (int n = 0; n < 5; ++n) {
        const PagerTable image = random_image(rng);
        const QString path = folder.filePath(QStringLiteral("r%1.tbl").arg(n));
        ASSERT_TRUE(save_table_file(path, image).ok);
        seams.dialogs->answers.push_back(path);
        form->mnuLBFF_Click();
        const PagerTable expected = expected_after_loading(image);
        ASSERT_EQ(form->image(), expected) << "file " << n << ": " << first_difference(form->image(), expected);
    }
    EXPECT_TRUE(seams.boxes->texts().isEmpty()) << seams.boxes->texts().join(QStringLiteral(" | ")).toStdString();
}

} // namespace
