// The two password boxes and the auto-increment option in a real window.
#include "editor_fixture.h"
#include "password.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLineEdit>

using namespace qrt58;

namespace {

class PasswordEditorTest : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        ASSERT_NE(rw(), nullptr);
        ASSERT_NE(manual(), nullptr);
    }
    // txtPass sits on the alerts page: show it before using the box.
    void show_manual_page() { form->select_page(1); }
    QLineEdit* rw() { return form->ctl<QLineEdit>("txtPass1"); }
    QLineEdit* manual() { return form->ctl<QLineEdit>("txtPass"); }

    void type(QLineEdit* box, const QString& text) {
        focus(box);
        QTest::keyClicks(box, text);
    }
    // Text that arrives at once, as Ctrl+V pastes it (the box sees the key go up).
    void paste(QLineEdit* box, const QString& text) {
        focus(box);
        box->setText(text);
        QKeyEvent up(QEvent::KeyRelease, Qt::Key_V, Qt::ControlModifier);
        QApplication::sendEvent(box, &up);
    }
    std::array<std::uint8_t, 6> rw_bytes() const {
        std::array<std::uint8_t, 6> b{};
        for (int i = 0; i < 6; ++i) b[static_cast<std::size_t>(i)] = form->image()[0x3B7 + i];
        return b;
    }
    std::array<std::uint8_t, 4> manual_digits() const {
        return {form->image()[0x36F], form->image()[0x36E], form->image()[0x36D], form->image()[0x36C]};
    }
    using Digits = std::array<std::uint8_t, 4>;
};

} // namespace

TEST_F(PasswordEditorTest, BoxesShowTheImageAfterEveryRefresh) {
    EXPECT_EQ(rw()->text(), "000000");
    form->image().put_text(0x3B7, "pw 12 ");
    store_manual_password(form->image(), {0, 0, 4, 2});
    form->init_ctl();
    EXPECT_EQ(rw()->text(), "pw 12 ");
    EXPECT_EQ(manual()->text(), "0042");
}

TEST_F(PasswordEditorTest, ReadWritePasswordKeepsTrailingSpaces) {
    type(rw(), "ab    ");
    QTest::keyClick(rw(), Qt::Key_Return);
    EXPECT_FALSE(rw()->hasFocus());
    EXPECT_EQ(rw_bytes(), (std::array<std::uint8_t, 6>{0x61, 0x62, 0x20, 0x20, 0x20, 0x20}));
    EXPECT_EQ(rw()->text(), "ab    ");
    type(rw(), "      ");
    leave();
    EXPECT_EQ(rw_bytes(), (std::array<std::uint8_t, 6>{0x20, 0x20, 0x20, 0x20, 0x20, 0x20}));
    EXPECT_TRUE(seams.boxes->entries.empty());
}

TEST_F(PasswordEditorTest, ShortOrUnstorableReadWritePasswordIsRefused) {
    // Left without typing: the password comes back, nothing is asked.
    focus(rw());
    EXPECT_EQ(rw()->text(), "");
    leave();
    EXPECT_TRUE(seams.boxes->texts().isEmpty());
    EXPECT_EQ(rw()->text(), "000000");

    // Typed and erased again: what the user typed is checked.
    type(rw(), "a");
    QTest::keyClick(rw(), Qt::Key_Backspace);
    leave();
    ASSERT_EQ(seams.boxes->texts(), QStringList{"Please input 6 Charcter!"});
    EXPECT_EQ(seams.boxes->entries[0].icon, MessageIcon::None);
    EXPECT_EQ(rw()->text(), "000000");

    seams.boxes->clear();
    type(rw(), "abc");
    leave();
    EXPECT_EQ(seams.boxes->texts(), QStringList{"Please input 6 Charcter!"});
    EXPECT_EQ(rw()->text(), "000000");

    seams.boxes->clear();
    // Committed by an input method, as such characters are.
    focus(rw());
    rw()->setText(QString::fromUtf8("ab\xE4\xB8\xAD"
                                    "def"));
    leave();
    ASSERT_EQ(seams.boxes->entries.size(), 1u);
    EXPECT_EQ(seams.boxes->entries[0].icon, MessageIcon::Warning);
    EXPECT_TRUE(seams.boxes->entries[0].text.contains(QString::fromUtf8("\xE4\xB8\xAD")));
    EXPECT_EQ(rw_bytes(), (std::array<std::uint8_t, 6>{'0', '0', '0', '0', '0', '0'}));
    EXPECT_EQ(rw()->text(), "000000");
}

TEST_F(PasswordEditorTest, ManualPasswordIsStoredWhileTyping) {
    show_manual_page();
    focus(manual());
    EXPECT_EQ(manual()->text(), "");
    QTest::keyClick(manual(), Qt::Key_1);
    EXPECT_EQ(manual_digits(), (Digits{0, 0, 0, 1}));
    QTest::keyClick(manual(), Qt::Key_2);
    EXPECT_EQ(manual_digits(), (Digits{0, 0, 1, 2}));
    leave();
    EXPECT_EQ(manual()->text(), "0012");

    type(manual(), "7");
    QTest::keyClick(manual(), Qt::Key_Return);
    EXPECT_FALSE(manual()->hasFocus());
    EXPECT_EQ(manual_digits(), (Digits{0, 0, 0, 7}));
    EXPECT_EQ(manual()->text(), "0007");

    // Emptied and left: the stored digits come back, nothing is written.
    focus(manual());
    leave();
    EXPECT_EQ(manual()->text(), "0007");
    EXPECT_EQ(manual_digits(), (Digits{0, 0, 0, 7}));
    EXPECT_TRUE(seams.boxes->entries.empty());
}

TEST_F(PasswordEditorTest, ManualPasswordRefusesAnythingButDigits) {
    store_manual_password(form->image(), {1, 2, 3, 4});
    form->init_ctl();
    show_manual_page();
    for (const char* text : {"1.5", "-1", "1e3", "&H12", "+7"}) {
        SCOPED_TRACE(text);
        seams.boxes->clear();
        paste(manual(), text);
        ASSERT_EQ(seams.boxes->texts(), QStringList{"Please insert a decimal numeric!"});
        EXPECT_EQ(seams.boxes->entries[0].icon, MessageIcon::Warning);
        EXPECT_EQ(manual_digits(), (Digits{1, 2, 3, 4}));
        EXPECT_TRUE(manual()->hasFocus());
        EXPECT_EQ(manual()->text(), "");
        leave();
        EXPECT_EQ(manual()->text(), "1234");
    }
    // Typed, a sign is refused with the first key.
    seams.boxes->clear();
    type(manual(), "-");
    EXPECT_EQ(seams.boxes->texts(), QStringList{"Please insert a decimal numeric!"});
    EXPECT_EQ(manual_digits(), (Digits{1, 2, 3, 4}));
}

TEST_F(PasswordEditorTest, ManualPasswordBytesThatAreNoDigitsShowInFull) {
    // A receiver that was never programmed holds FF in every byte.
    store_manual_password(form->image(), {0xFF, 0xFF, 0xFF, 0xFF});
    form->init_ctl();
    EXPECT_EQ(manual()->text(), "255255255255");
    // Typing still takes four digits at most.
    show_manual_page();
    type(manual(), "98765");
    EXPECT_EQ(manual()->text(), "9876");
    EXPECT_EQ(manual_digits(), (Digits{9, 8, 7, 6}));
    EXPECT_TRUE(seams.boxes->entries.empty());
    leave();
    EXPECT_EQ(manual()->text(), "9876");
}

TEST_F(PasswordEditorTest, AutoIncrementFollowsTheBox) {
    auto* opt = form->ctl<QAbstractButton>("optAuto1");
    ASSERT_NE(opt, nullptr);
    EXPECT_FALSE(form->autoIncrementFirst);
    opt->click();
    EXPECT_TRUE(form->autoIncrementFirst);
    opt->click();
    EXPECT_FALSE(form->autoIncrementFirst);
    // Not part of the image: a refresh leaves it alone.
    opt->click();
    form->init_ctl();
    EXPECT_TRUE(form->autoIncrementFirst);
}
