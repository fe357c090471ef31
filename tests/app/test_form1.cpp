// Main window: start-up, tag bindings, modes, keys, tabs, layout, File menu.
#include "default_image.h"
#include "field_tag.h"
#include "form1.h"
#include "frm_about.h"
#include "table_file.h"
#include "ui_seams.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>
#include <random>

namespace {

using qrt58::get_bits;

class Form1Test : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        form = std::make_unique<Form1>();
        form->app_path = dir.path();
        form->data_path = dir.path(); // the user's folder is the same one here
        Form1::BoardHooks hooks;
        hooks.show_transfer = [this](int mode) { transfers.push_back(mode); };
        hooks.keep_alive = [this] { ++ticks; };
        hooks.start_driver = [this] { events.push_back("start"); };
        hooks.board_startup = [this] { events.push_back("board"); };
        hooks.stop_driver = [this] { events.push_back("stop"); };
        form->set_board_hooks(hooks);
    }
    void load() { form->form_load(); }
    QString file(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    qrt58::ScopedTestSeams seams;
    std::unique_ptr<Form1> form;
    std::vector<int> transfers;
    std::vector<std::string> events;
    int ticks = 0;
};

// The title as the window manager shows it with no unsaved changes: Qt's
// modified mark "[*]" left out.
QString shown_title(const QWidget& w) {
    QString t = w.windowTitle();
    return t.remove(QStringLiteral("[*]"));
}

std::string tag_text(const QWidget* w) { return w->property("Tag").toString().toStdString(); }

// The page that is drawn in front at the centre of the page area.
QString front_page(Form1& form) {
    QWidget* back = form.control(QStringLiteral("picTabBack"));
    QWidget* page = form.control(QStringLiteral("picSet"));
    QWidget* w = back->childAt(page->geometry().center());
    while (w && w->parentWidget() != back) w = w->parentWidget();
    return w ? w->objectName() : QString();
}

qrt58::PagerTable random_image(unsigned seed) {
    std::mt19937 rng(seed);
    qrt58::PagerTable t = qrt58::build_default_image();
    for (int a = 0; a < qrt58::kImageSize; ++a) t[a] = static_cast<std::uint8_t>(rng() & 0xFF);
    return t;
}

// What a bound check box must show for its field.
Qt::CheckState expected_state(const qrt58::FieldTag& tag, int value) {
    if (tag.kind == qrt58::TagKind::ChkN) return value == 0 ? Qt::Checked : Qt::Unchecked;
    return value == 0 ? Qt::Unchecked : value == 1 ? Qt::Checked : Qt::PartiallyChecked;
}

TEST_F(Form1Test, StartUpShowsTitleFirstPageAndRunsInOrder) {
    load();
    EXPECT_EQ(shown_title(*form), QStringLiteral("Norvale QRT58 V05.02"));
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("QRT58"));
    EXPECT_EQ(form->about_title(), QStringLiteral("QRT58 Pager Programmer"));
    EXPECT_EQ(events, (std::vector<std::string>{"start", "board"}));
    EXPECT_EQ(front_page(*form), QStringLiteral("picSet"));
    EXPECT_TRUE(form->control(QStringLiteral("EMoptCode"))->isHidden());
    for (const char* b : {"EMoptStatus", "EMoptPrompts", "EMoptSource", "EMoptMusic"})
        EXPECT_FALSE(form->control(QString::fromLatin1(b))->isHidden()) << b;
    EXPECT_TRUE(form->ctl<QRadioButton>(QStringLiteral("ModifyOpt"))->isChecked());
    EXPECT_EQ(form->image(), qrt58::build_default_image());
    EXPECT_EQ(form->tbl_path, dir.path() + QStringLiteral("/default.tbl"));
    auto* timer = form->findChild<QTimer*>(QStringLiteral("Timer1"));
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 50);
    // The design geometry follows the binding in every tag.
    EXPECT_EQ(tag_text(form->control(QStringLiteral("chkCtl"), 78)),
              "&H3BE,0,1,chk,#5880#" + std::to_string(90 + 8 * 360 + 15) + "#1035#270#8.25#");
    EXPECT_EQ(tag_text(form->control(QStringLiteral("VScroll1"))), ",#9780#570#270#4410#");
    EXPECT_GT(form->cap_row_pitch, 0.0);
    EXPECT_DOUBLE_EQ(form->cap_row_pitch, 360.0 / 15.0);
}

TEST_F(Form1Test, StartUpStepsRunInTheirOrder) {
    // A default table beside the program that differs from the built-in image.
    qrt58::PagerTable stored = qrt58::build_default_image();
    stored[0x3B7] = '7';
    ASSERT_TRUE(qrt58::save_table_file(file("default.tbl"), stored).ok);

    auto* timer = form->findChild<QTimer*>(QStringLiteral("Timer1"));
    QWidget* box = form->control(QStringLiteral("chkCtl"), 10);
    std::vector<std::string> seen;
    Form1::BoardHooks hooks;
    hooks.start_driver = [&] { seen.push_back("driver"); };
    hooks.board_startup = [&] {
        // Before the tag geometry and before any image exists.
        const bool tagged = tag_text(box).find('#') != std::string::npos;
        const bool empty = form->image() == qrt58::PagerTable{};
        seen.push_back(std::string("board") + (tagged ? "+tags" : "") + (empty ? "" : "+image"));
    };
    form->set_board_hooks(hooks);
    const auto state = [&] {
        std::string s = form->image() == qrt58::build_default_image() ? "default"
                        : form->image() == stored                     ? "stored"
                                                                      : "other";
        if (tag_text(box).find('#') == std::string::npos) s += "+untagged";
        if (timer->isActive()) s += "+timer";
        return s;
    };
    form->set_procedure("read_CapLen", [&] { seen.push_back("read_CapLen " + state()); });
    form->set_procedure("read_dftaddr", [&] { seen.push_back("init_ctl " + state()); });
    form->set_procedure("ChkCapLen", [] {}); // also run by the layout pass
    load();
    // Driver, board, tags, default image, read_CapLen, init_ctl, "default.tbl"
    // (which refills the window), and the timer last.
    EXPECT_EQ(seen, (std::vector<std::string>{"driver", "board", "read_CapLen default", "init_ctl default",
                                              "init_ctl stored", "read_CapLen stored"}));
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(form->image(), stored);
    // Items without a position carry the bare separator.
    EXPECT_EQ(timer->property("Tag").toString(), QStringLiteral(",#"));
    QAction* open = form->findChild<QAction*>(QStringLiteral("mnuLBFF"));
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->property("Tag").toString(), QStringLiteral(",#"));
}

TEST_F(Form1Test, EveryBoundControlShowsItsFieldAndThePassKeepsTheImage) {
    load();
    for (unsigned seed : {1u, 2u, 3u}) {
        qrt58::PagerTable crafted = random_image(seed);
        crafted[0x35C] = 0x00; // 8-bit "chkN": ticked exactly when the byte is 0
        crafted[0x35B] = 0x5A;
        crafted[0x384] &= static_cast<std::uint8_t>(~0x08); // slot 3: group flag 0
        crafted[0x38] |= 0x08;                              // ... whatever its type bit
        for (int k = 0; k < 16; ++k) crafted[0x554 + k] = static_cast<std::uint8_t>(k % 2);
        crafted[0x556] = 7; // a source-prompt byte a check box cannot show
        form->image() = crafted;
        form->init_ctl();
        EXPECT_EQ(form->image(), crafted) << "the loader changed the image, seed " << seed;
        EXPECT_FALSE(form->suppressClick);

        int checked = 0;
        for (QWidget* w : form->controls()) {
            const auto tag = qrt58::parse_field_tag(tag_text(w));
            if (!tag) continue;
            const int value = get_bits(crafted, tag->address, tag->bit, tag->width);
            if (auto* box = qobject_cast<QCheckBox*>(w)) {
                EXPECT_EQ(box->checkState(), expected_state(*tag, value)) << w->objectName().toStdString();
                ++checked;
            } else if (auto* list = qobject_cast<QComboBox*>(w); list && tag->kind == qrt58::TagKind::Cbo) {
                int expected = value;
                if (tag->address == 0x37 || tag->address == 0x38) {
                    const int group = tag->address == 0x37 ? 0x385 : 0x384;
                    if (get_bits(crafted, group, tag->bit, tag->width) == 0) expected = 2;
                } else if (tag->address == 0x32) {
                    expected = value - form->source_list_offset;
                }
                if (expected >= 0 && expected < list->count()) {
                    EXPECT_EQ(list->currentIndex(), expected) << w->objectName().toStdString();
                }
                ++checked;
            }
        }
        EXPECT_GE(checked, 64);
        EXPECT_EQ(form->ctl<QComboBox>(QStringLiteral("cboCtl"), 10)->currentText(), QStringLiteral("Group"));
    }
}

TEST_F(Form1Test, SourcePromptModeListAndEnableBoxes) {
    load();
    auto* mode = form->ctl<QComboBox>(QStringLiteral("cboCtl"), 2);
    auto* enable = form->ctl<QCheckBox>(QStringLiteral("chkSource"), 35);
    auto* prompt = form->ctl<QLineEdit>(QStringLiteral("txtPrompt"), 35);
    ASSERT_TRUE(mode && enable && prompt);

    // "Multiple Source Prompt" on (bit clear): three entries, stored mode 1 is the first.
    qrt58::set_bits(form->image(), 0x596, 3, 0, 1);
    qrt58::set_bits(form->image(), 0x32, 4, 1, 2);
    form->image()[0x556] = 0;
    form->init_ctl();
    EXPECT_EQ(form->source_list_offset, 1);
    EXPECT_EQ(mode->count(), 3);
    EXPECT_EQ(mode->currentIndex(), 0);
    EXPECT_EQ(mode->currentText(), QStringLiteral("Backward"));
    EXPECT_FALSE(enable->isChecked());
    EXPECT_FALSE(prompt->isEnabled());

    // Off: four entries from "Forward", no offset.
    qrt58::set_bits(form->image(), 0x596, 3, 1, 1);
    form->init_ctl();
    EXPECT_EQ(form->source_list_offset, 0);
    EXPECT_EQ(mode->count(), 4);
    EXPECT_EQ(mode->currentText(), QStringLiteral("Backward"));

    // A mode below the offset has no entry: nothing is selected, the image keeps it.
    qrt58::set_bits(form->image(), 0x596, 3, 0, 1);
    qrt58::set_bits(form->image(), 0x32, 4, 0, 2);
    const qrt58::PagerTable before = form->image();
    form->init_ctl();
    EXPECT_EQ(mode->currentIndex(), -1);
    EXPECT_EQ(form->image(), before);

    // The enable box writes its whole byte and enables its prompt box, also
    // while suppressClick is set.
    form->suppressClick = true;
    enable->click();
    form->suppressClick = false;
    EXPECT_EQ(form->image()[0x556], 1);
    EXPECT_TRUE(prompt->isEnabled());
    enable->click();
    EXPECT_EQ(form->image()[0x556], 0);
    EXPECT_FALSE(prompt->isEnabled());
}

TEST_F(Form1Test, ClickedCheckBoxesWriteTheirFieldOnly) {
    load();
    form->image() = random_image(7);
    form->image()[0x358] = 0x33;
    form->init_ctl();
    int clicked = 0;
    for (QWidget* w : form->controls()) {
        auto* box = qobject_cast<QCheckBox*>(w);
        const auto tag = qrt58::parse_field_tag(tag_text(w));
        if (!box || !tag || !box->isVisibleTo(form.get())) continue;
        if (tag->kind != qrt58::TagKind::Chk && tag->kind != qrt58::TagKind::ChkN &&
            tag->kind != qrt58::TagKind::ChkSource)
            continue;
        for (int round = 0; round < 2; ++round) {
            const qrt58::PagerTable before = form->image();
            box->click();
            const bool on = box->isChecked();
            const bool negative = tag->kind == qrt58::TagKind::ChkN;
            const int want = negative ? (on ? 0 : 1) : (on ? 1 : 0);
            EXPECT_EQ(get_bits(form->image(), tag->address, tag->bit, tag->width), want)
                << w->objectName().toStdString();
            qrt58::PagerTable expect = before;
            qrt58::set_bits(expect, tag->address, tag->bit, want, tag->width);
            EXPECT_EQ(form->image(), expect) << w->objectName().toStdString() << " touched other bits";
        }
        ++clicked;
    }
    EXPECT_GE(clicked, 48);
    // The whole byte of an 8-bit negative box (when that box is on the window).
    if (auto* lock = form->ctl<QCheckBox>(QStringLiteral("chkCtl"), 33)) {
        lock->setChecked(true);
        EXPECT_EQ(form->image()[0x358], 0);
        lock->setChecked(false);
        EXPECT_EQ(form->image()[0x358], 1);
    }
}

TEST_F(Form1Test, CapcodeTypeListsWriteTypeBitAndGroupFlag) {
    load();
    struct Case {
        int index;
        const char* text;
        int type;
        int group;
    };
    const Case cases[] = {{1, "Mail drop", 1, 1}, {2, "Group", 0, 0}, {0, "Personal", 0, 1}};
    for (int s : {0, 5, 8, 15}) {
        auto* list = form->ctl<QComboBox>(QStringLiteral("cboCtl"), 7 + s);
        const int type_addr = s < 8 ? 0x38 : 0x37;
        const int group_addr = s < 8 ? 0x384 : 0x385;
        for (const Case& c : cases) {
            const qrt58::PagerTable before = form->image();
            list->setCurrentIndex(c.index);
            EXPECT_EQ(list->currentText(), QString::fromLatin1(c.text));
            EXPECT_EQ(get_bits(form->image(), type_addr, s % 8, 1), c.type) << s;
            EXPECT_EQ(get_bits(form->image(), group_addr, s % 8, 1), c.group) << s;
            qrt58::PagerTable expect = before;
            qrt58::set_bits(expect, type_addr, s % 8, c.type, 1);
            qrt58::set_bits(expect, group_addr, s % 8, c.group, 1);
            EXPECT_EQ(form->image(), expect);
        }
    }
    // While the loader fills the lists nothing is written back.
    form->suppressClick = true;
    const qrt58::PagerTable before = form->image();
    form->ctl<QComboBox>(QStringLiteral("cboCtl"), 7)->setCurrentIndex(1);
    form->ctl<QCheckBox>(QStringLiteral("chkCtl"), 10)->toggle();
    EXPECT_EQ(form->image(), before);
    form->suppressClick = false;
}

TEST_F(Form1Test, ClickRulesRunAfterTheWriteBackInOrder) {
    load();
    std::vector<int> seen;
    form->add_click_rule(QStringLiteral("chkCtl"), 12, [&] { seen.push_back(get_bits(form->image(), 0x73, 2, 1)); });
    form->add_click_rule(QStringLiteral("chkCtl"), 12, [&] { seen.push_back(100); });
    auto* en = form->ctl<QCheckBox>(QStringLiteral("chkCtl"), 12);
    en->setChecked(!en->isChecked());
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], en->isChecked() ? 1 : 0);
    EXPECT_EQ(seen[1], 100);
    form->suppressClick = true;
    en->setChecked(!en->isChecked());
    form->suppressClick = false;
    EXPECT_EQ(seen.size(), 2u);
}

TEST_F(Form1Test, InitCtlRunsTheRegisteredStepsInOrder) {
    // The loader's steps in their fixed order, written out here rather than
    // taken from the window, so that a step moved in the window's list shows.
    const std::vector<std::string> steps = {
        "ChkCapLen", "read_dftaddr",
        // after the generic tag pass:
        "load_chkCtl20", "load_chkCtl36_38", "load_direct_show", "load_cboSLC", "load_cbologo", "load_cboLng",
        "load_contrast", "load_cboPersonAlert", "load_mail_alert", "load_chkMenu", "load_music_enable", "load_cboORA",
        "read_BaseFreq", "read_freq", "read_prompt", "read_SourcePrompt", "set_frame", "read_MailAlert", "read_BatLev",
        "read_pass", "read_pass1", "read_music", "read_UserMsc", "read_Lamp", "read_SetAlarm"};
    struct Seen {
        std::string step;
        bool suppressed;
        bool box_filled; // "Discard Error Message" already shows the new image
    };
    std::vector<Seen> order;
    auto* discard = form->ctl<QCheckBox>(QStringLiteral("chkCtl"), 1); // "&H3D,0,1,chk"
    ASSERT_NE(discard, nullptr);
    for (const std::string& step : steps)
        form->set_procedure(step, [&, step] { order.push_back({step, form->suppressClick, discard->isChecked()}); });
    form->set_procedure("read_CapLen", [&] { order.push_back({"read_CapLen", form->suppressClick, false}); });
    load();
    // Start-up: the layout pass fits the capcode rows, read_CapLen, then the loader.
    ASSERT_GE(order.size(), 2u);
    EXPECT_EQ(order[0].step, "ChkCapLen");
    EXPECT_EQ(order[1].step, "read_CapLen");

    // A refill of an image with the box's bit set.
    order.clear();
    qrt58::set_bits(form->image(), 0x3D, 0, discard->isChecked() ? 0 : 1, 1);
    const bool shown = get_bits(form->image(), 0x3D, 0, 1) == 1;
    form->init_ctl();
    std::vector<std::string> ran;
    for (const Seen& s : order) ran.push_back(s.step);
    EXPECT_EQ(ran, steps);
    for (const Seen& s : order) {
        const bool before_pass = s.step == "ChkCapLen" || s.step == "read_dftaddr";
        EXPECT_EQ(s.box_filled, before_pass ? !shown : shown) << s.step;
        EXPECT_EQ(s.suppressed, s.step == "load_chkMenu" || s.step == "load_cboORA") << s.step;
    }
    EXPECT_FALSE(form->suppressClick);

    // Procedures with an argument.
    int got = -1;
    form->set_procedure("txt_to_tbl", [&](int slot) { got = slot; });
    form->call("txt_to_tbl", 5);
    EXPECT_EQ(got, 5);
    form->call("nobody_registered_this", 1); // does nothing
}

TEST_F(Form1Test, ClickedListsWriteTheirFieldOnly) {
    load();
    form->image() = random_image(11);
    form->init_ctl();
    struct List {
        int index;
        int address, bit, width;
    };
    const List lists[] = {{0, 0x3B, 4, 1}, {1, 0x39, 0, 2}, {3, 0x3D, 5, 1},
                          {4, 0x3C, 6, 2}, {5, 0x3D, 2, 1}, {6, 0x3B, 3, 1}};
    for (const List& l : lists) {
        auto* list = form->ctl<QComboBox>(QStringLiteral("cboCtl"), l.index);
        ASSERT_NE(list, nullptr) << l.index;
        ASSERT_EQ(list->count(), 1 << l.width) << l.index;
        // Every entry, ending on the one the list showed, so each step is a change.
        const int start = list->currentIndex();
        for (int k = 1; k <= list->count(); ++k) {
            const int pick = (start + k) % list->count();
            qrt58::PagerTable expect = form->image();
            qrt58::set_bits(expect, l.address, l.bit, pick, l.width);
            list->setCurrentIndex(pick);
            EXPECT_EQ(form->image(), expect) << "cboCtl " << l.index << " entry " << pick;
        }
    }
}

TEST_F(Form1Test, WriteModeDisablesExactlyTheFivePrefixes) {
    load();
    form->ctl<QCheckBox>(QStringLiteral("chkCtl"), 12)->setEnabled(false); // a page rule's doing
    form->ctl<QRadioButton>(QStringLiteral("WriteOpt"))->click();
    ASSERT_TRUE(form->write_mode());
    int disabled = 0;
    for (QWidget* w : form->controls()) {
        const QString first = w->property("ctlName").toString().left(3);
        const bool prefixed = QStringList{"opt", "Tex", "txt", "cbo", "chk"}.contains(first);
        EXPECT_EQ(w->isEnabled(), !prefixed) << w->objectName().toStdString();
        disabled += prefixed;
    }
    EXPECT_GT(disabled, 100);
    if (QWidget* slider = form->control(QStringLiteral("Slider1"))) {
        EXPECT_TRUE(slider->isHidden());
    }
    int frames = 0;
    form->set_procedure("set_frame", [&] { ++frames; });
    form->ctl<QRadioButton>(QStringLiteral("ModifyOpt"))->click();
    for (QWidget* w : form->controls()) EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_EQ(frames, 1);
    if (QWidget* slider = form->control(QStringLiteral("Slider1"))) {
        EXPECT_FALSE(slider->isHidden());
    }
}

TEST_F(Form1Test, ANewImageInWriteModeUnlocksNothing) {
    load();
    // Every source prompt enabled: the loader would enable all its boxes.
    for (int k = 0; k < 16; ++k) form->image()[0x554 + k] = 1;
    seams.dialogs->answers = {file("on.tbl")};
    form->mnuSA_Click();
    form->ctl<QRadioButton>(QStringLiteral("WriteOpt"))->click();
    const auto unlocked = [this] {
        QStringList out;
        for (QWidget* w : form->controls()) {
            const QString first = w->property("ctlName").toString().left(3);
            if (QStringList{"opt", "Tex", "txt", "cbo", "chk"}.contains(first) && w->isEnabled())
                out << w->objectName();
        }
        return out.join(QLatin1Char(' ')).toStdString();
    };
    // A load-time rule that shows the contrast slider, as the display options do.
    QWidget* slider = form->control(QStringLiteral("Slider1"));
    ASSERT_NE(slider, nullptr);
    form->set_procedure("load_contrast", [slider] { slider->show(); });
    seams.dialogs->answers = {file("on.tbl")};
    form->mnuLBFF_Click();
    EXPECT_EQ(unlocked(), "");
    EXPECT_TRUE(slider->isHidden());
    form->image_was_read(); // what the transfer dialog calls after a read
    EXPECT_EQ(unlocked(), "");
    form->set_first_capcode(QStringLiteral("1234568")); // production mode, after a write
    EXPECT_EQ(unlocked(), "");
    EXPECT_TRUE(slider->isHidden());
    form->ctl<QRadioButton>(QStringLiteral("ModifyOpt"))->click();
    EXPECT_TRUE(form->ctl<QLineEdit>(QStringLiteral("txtPrompt"), 33)->isEnabled());
    EXPECT_FALSE(slider->isHidden());
}

TEST_F(Form1Test, SpaceBarWritesOnceInWriteModeAndReachesNoControl) {
    load();
    form->show();
    QApplication::setActiveWindow(form.get());
    auto* en = form->ctl<QCheckBox>(QStringLiteral("chkCtl"), 10);
    auto* tab = form->ctl<QPushButton>(QStringLiteral("EMoptStatus"));
    int tab_clicks = 0;
    QObject::connect(tab, &QPushButton::clicked, [&] { ++tab_clicks; });

    // Modify mode: the space bar is an ordinary key for the focused box.
    en->setFocus();
    const bool before = en->isChecked();
    QTest::keyClick(en, Qt::Key_Space);
    EXPECT_NE(en->isChecked(), before);
    EXPECT_TRUE(transfers.empty());

    form->ctl<QRadioButton>(QStringLiteral("WriteOpt"))->click();
    QTest::keyClick(tab, Qt::Key_Space);
    EXPECT_EQ(transfers, std::vector<int>{1});
    EXPECT_EQ(form->transfer_mode, 1);
    EXPECT_EQ(tab_clicks, 0);
    QTest::keyClick(form->control(QStringLiteral("picSet")), Qt::Key_A);
    EXPECT_EQ(transfers.size(), 1u);
    form->ctl<QRadioButton>(QStringLiteral("ModifyOpt"))->click();
    form->hide();
}

TEST_F(Form1Test, PagerCommandsHandOverTheModeUnlessAnEntryFailed) {
    load();
    form->pager_command(0);
    form->pager_command(2);
    EXPECT_EQ(transfers, (std::vector<int>{0, 2}));
    // A rejected entry found while the focus moves away drops the command once.
    form->show();
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    auto* freq = form->ctl<QLineEdit>(QStringLiteral("txtFreq"));
    freq->setFocus();
    const auto refusal = QObject::connect(qApp, &QApplication::focusChanged, [&](QWidget* old, QWidget*) {
        if (old == freq) form->entryErrorPending = true; // as the box's check does
    });
    form->pager_command(1);
    QObject::disconnect(refusal);
    EXPECT_EQ(transfers.size(), 2u);
    EXPECT_FALSE(form->entryErrorPending);
    EXPECT_EQ(form->transfer_mode, 1);
    EXPECT_TRUE(form->findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
    form->pager_command(1);
    EXPECT_EQ(transfers, (std::vector<int>{0, 2, 1}));
    form->hide();
}

TEST_F(Form1Test, FocusLeavesTheEntryBoxBeforeTheTransferStarts) {
    load();
    form->show();
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    auto* freq = form->ctl<QLineEdit>(QStringLiteral("txtFreq"));
    // Stands in for the frequency box's own check when it loses the focus.
    struct Reject : QObject {
        Form1* f;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::FocusOut) f->entryErrorPending = true;
            return false;
        }
    } reject;
    reject.f = form.get();
    freq->installEventFilter(&reject);
    freq->setFocus();
    ASSERT_TRUE(freq->hasFocus());
    form->pager_command(0);
    EXPECT_TRUE(transfers.empty());
    EXPECT_EQ(QApplication::focusWidget(), form->control(QStringLiteral("picTabBack")));
    form->pager_command(0);
    EXPECT_EQ(transfers, std::vector<int>{0});
    freq->removeEventFilter(&reject);
    form->hide();
}

TEST_F(Form1Test, ExactlyTheSelectedTabButtonIsHidden) {
    load();
    const char* order[] = {"EMoptPrompts", "EMoptCode", "EMoptMusic", "EMoptStatus", "EMoptSource"};
    for (const char* clicked : order) {
        form->ctl<QPushButton>(QString::fromLatin1(clicked))->click();
        int hidden = 0;
        for (int i = 0; i < 5; ++i) {
            QWidget* b = form->control(QString::fromLatin1(Form1::kTabButtonNames[static_cast<std::size_t>(i)]));
            if (b->isHidden()) {
                ++hidden;
                EXPECT_STREQ(Form1::kTabButtonNames[static_cast<std::size_t>(i)], clicked);
                EXPECT_EQ(front_page(*form), QString::fromLatin1(Form1::kPageNames[static_cast<std::size_t>(i)]));
            }
        }
        EXPECT_EQ(hidden, 1) << clicked;
    }
}

struct Placed {
    QRect rect;
    qreal font;
};

std::map<QWidget*, Placed> snapshot(Form1& form) {
    std::map<QWidget*, Placed> out;
    for (QWidget* w : form.controls()) out[w] = {w->geometry(), w->font().pointSizeF()};
    return out;
}

void resize_client(Form1& form, int width, int height) {
    QWidget* client = form.centralWidget();
    form.resize(form.width() + width - client->width(), form.height() + height - client->height());
    QApplication::processEvents();
    ASSERT_EQ(client->size(), QSize(width, height));
}

TEST_F(Form1Test, LayoutScalesFromTheDesignGeometry) {
    load();
    form->show();
    const QSize design = form->design_client_size();
    resize_client(*form, design.width(), design.height());
    const auto original = snapshot(*form);

    resize_client(*form, 2 * design.width(), design.height());
    for (QWidget* w : form->controls()) {
        const auto g = qrt58::parse_tag_geometry(tag_text(w));
        ASSERT_GE(g.complete, 4) << w->objectName().toStdString();
        const std::string name = w->objectName().toStdString();
        EXPECT_EQ(w->x(), qRound(2 * g.values[0] / 15.0)) << name;
        EXPECT_EQ(w->width(), qRound(2 * g.values[2] / 15.0)) << name;
        EXPECT_EQ(w->y(), original.at(w).rect.y()) << name;
        EXPECT_EQ(w->height(), original.at(w).rect.height()) << name;
        EXPECT_DOUBLE_EQ(w->font().pointSizeF(), original.at(w).font) << name;
    }
    EXPECT_DOUBLE_EQ(form->scale_x(), 2.0);

    // Less height shrinks every font by the same factor (down to the window's
    // minimum, 0.85 of the design); a drop-down list keeps the height its font
    // gives it.
    resize_client(*form, design.width(), design.height() * 9 / 10);
    EXPECT_NEAR(form->scale_y(), 0.9, 0.01);
    for (QWidget* w : form->controls()) {
        const auto g = qrt58::parse_tag_geometry(tag_text(w));
        if (g.complete == 5) {
            EXPECT_NEAR(w->font().pointSizeF(), g.values[4] * form->scale_y(), 0.01);
        }
        if (auto* list = qobject_cast<QComboBox*>(w)) {
            EXPECT_EQ(list->height(), list->sizeHint().height());
        }
    }

    // Back to the design size after many resizes: exactly the first layout.
    for (int i = 1; i < 8; ++i) resize_client(*form, design.width() + 37 * i, design.height() + 11 * i);
    resize_client(*form, design.width(), design.height());
    for (QWidget* w : form->controls()) {
        EXPECT_EQ(w->geometry(), original.at(w).rect) << w->objectName().toStdString();
        EXPECT_DOUBLE_EQ(w->font().pointSizeF(), original.at(w).font);
    }
    // Minimizing and restoring leaves the layout as it was.
    form->showMinimized();
    QApplication::processEvents();
    form->showNormal();
    QApplication::processEvents();
    resize_client(*form, design.width(), design.height());
    for (QWidget* w : form->controls()) EXPECT_EQ(w->geometry(), original.at(w).rect);
    form->hide();
}

TEST_F(Form1Test, OpenSaveRoundTripAndTitleSequence) {
    load();
    const QString base = QStringLiteral("Norvale QRT58 V05.02");
    form->image()[0x3B7] = 'x';
    form->image()[0x0F1] = 0x4A; // range 1
    seams.dialogs->answers = {file("a.tbl")};
    form->mnuSA_Click();
    EXPECT_EQ(seams.dialogs->last_filter, QStringLiteral("Table files (*.tbl)"));
    // Nothing used yet: the user's documents folder.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    EXPECT_EQ(seams.dialogs->last_start_folder, QFileInfo(documents).isDir() ? documents : QDir::homePath());
    EXPECT_EQ(shown_title(*form), base + QStringLiteral(" - [") + file("a.tbl") + QStringLiteral("]"));
    QFile saved(file("a.tbl"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    ASSERT_EQ(bytes.size(), 2048);
    EXPECT_EQ(std::memcmp(bytes.constData(), form->image().data(), 2048), 0);
    saved.close();

    const qrt58::PagerTable kept = form->image();
    form->image() = qrt58::build_default_image();
    seams.dialogs->answers = {file("a.tbl")};
    form->mnuLBFF_Click();
    EXPECT_EQ(form->image(), kept);
    EXPECT_EQ(form->tbl_path, file("a.tbl"));
    EXPECT_EQ(form->ctl<QComboBox>(QStringLiteral("cboDft"))->currentIndex(), 1);
    EXPECT_FALSE(form->suppressClick);

    // Save As another name replaces the bracketed path only.
    seams.dialogs->answers = {file("b.tbl")};
    form->mnuSA_Click();
    EXPECT_EQ(shown_title(*form), base + QStringLiteral(" - [") + file("b.tbl") + QStringLiteral("]"));
    EXPECT_EQ(shown_title(*form).count(QLatin1Char('[')), 1);

    // Save writes to the current table without asking.
    form->image()[0x3B8] = 'y';
    form->mnuSBTF_Click();
    qrt58::PagerTable back;
    ASSERT_EQ(qrt58::load_table_file(file("b.tbl"), back).status, qrt58::LoadStatus::Ok);
    EXPECT_EQ(back, form->image());
    // Only the question before the Open, the image having been changed.
    EXPECT_EQ(seams.boxes->texts(), QStringList{QStringLiteral("Save changes to a.tbl?")});
}

TEST_F(Form1Test, OpenRejectsMissingWrongAndUnreadableFiles) {
    load();
    const qrt58::PagerTable before = form->image();
    const QString title = shown_title(*form);
    const QString path_before = form->tbl_path;

    seams.dialogs->answers = {file("none.tbl")};
    form->mnuLBFF_Click();
    EXPECT_EQ(seams.boxes->texts(), QStringList{QStringLiteral("This file is not exit!")});

    QFile wrong(file("wrong.tbl"));
    ASSERT_TRUE(wrong.open(QIODevice::WriteOnly));
    wrong.write(QByteArray(2048, 'Q'));
    wrong.close();
    seams.boxes->clear();
    seams.dialogs->answers = {file("wrong.tbl")};
    form->mnuLBFF_Click();
    EXPECT_EQ(seams.boxes->texts(), QStringList{QStringLiteral("The [") + file("wrong.tbl") +
                                                QStringLiteral("] is not correct format, the file will discard !")});

    // A folder with a table name cannot be read: said so, nothing changes.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.tbl")));
    seams.boxes->clear();
    seams.dialogs->answers = {file("folder.tbl")};
    form->mnuLBFF_Click();
    ASSERT_EQ(seams.boxes->entries.size(), 1u);
    EXPECT_EQ(seams.boxes->entries[0].icon, qrt58::MessageIcon::Error);
    EXPECT_TRUE(seams.boxes->entries[0].text.contains(file("folder.tbl")));

    // Cancel: nothing at all.
    seams.boxes->clear();
    form->mnuLBFF_Click();
    EXPECT_TRUE(seams.boxes->entries.empty());

    EXPECT_EQ(form->image(), before);
    EXPECT_EQ(shown_title(*form), title);
    EXPECT_EQ(form->tbl_path, path_before);
}

TEST_F(Form1Test, SaveAsAsksBeforeOverwritingAndReportsFailures) {
    load();
    QFile old(file("old.tbl"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("keep me");
    old.close();
    seams.dialogs->answers = {file("old.tbl")};
    seams.boxes->answers = {false};
    form->mnuSA_Click();
    ASSERT_EQ(seams.boxes->entries.size(), 1u);
    EXPECT_TRUE(seams.boxes->entries[0].question);
    EXPECT_EQ(seams.boxes->entries[0].text,
              QStringLiteral("This file is arealy exist ! \nAre you sure overwrite this file?"));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("keep me"));
    old.close();
    EXPECT_EQ(shown_title(*form), QStringLiteral("Norvale QRT58 V05.02"));

    // A save that cannot be written is reported; path and title stay.
    seams.boxes->clear();
    const QString path_before = form->tbl_path;
    seams.dialogs->answers = {file("no/such/folder/x.tbl")};
    form->mnuSA_Click();
    ASSERT_EQ(seams.boxes->entries.size(), 1u);
    EXPECT_EQ(seams.boxes->entries[0].icon, qrt58::MessageIcon::Error);
    EXPECT_EQ(form->tbl_path, path_before);
    EXPECT_EQ(shown_title(*form), QStringLiteral("Norvale QRT58 V05.02"));
}

TEST_F(Form1Test, FirstSaveWritesDefaultTableWhichTheNextStartLoads) {
    load();
    form->image()[0x3B7] = 'Z';
    form->mnuSBTF_Click();
    ASSERT_TRUE(QFileInfo::exists(file("default.tbl")));
    const qrt58::PagerTable saved = form->image();

    Form1 second;
    second.app_path = dir.path();
    second.form_load();
    EXPECT_EQ(second.image(), saved);
    EXPECT_EQ(shown_title(second),
              QStringLiteral("Norvale QRT58 V05.02 - [") + file("default.tbl") + QStringLiteral("]"));
}

TEST_F(Form1Test, ExitStopsTheDriverOnce) {
    load();
    form->show();
    form->mnuExit_Click();
    EXPECT_EQ(std::count(events.begin(), events.end(), "stop"), 1);
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
}

} // namespace

namespace {

TEST_F(Form1Test, MouseOverTheBackgroundTakesTheFocus) {
    load();
    form->show();
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    auto* freq = form->ctl<QLineEdit>(QStringLiteral("txtFreq"));
    freq->setFocus();
    ASSERT_TRUE(freq->hasFocus());
    QWidget* back = form->control(QStringLiteral("picTabBack"));
    // Over a page nothing happens; over the bare background the focus moves.
    QWidget* page = form->control(QStringLiteral("picSet"));
    QMouseEvent over_page(QEvent::MouseMove, QPointF(10, 10), page->mapToGlobal(QPointF(10, 10)), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(page, &over_page);
    EXPECT_TRUE(freq->hasFocus());
    const QPointF bare(page->geometry().right() + 4, page->geometry().bottom() + 4);
    ASSERT_EQ(back->childAt(bare.toPoint()), nullptr);
    QMouseEvent over_back(QEvent::MouseMove, bare, back->mapToGlobal(bare), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(back, &over_back);
    EXPECT_TRUE(back->hasFocus());
    form->hide();
}

TEST_F(Form1Test, MenuKeysWinOverTheFocusedTextBox) {
    load();
    // F9 reaches the Pager menu from a text box.
    form->show();
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    auto* pass = form->ctl<QLineEdit>(QStringLiteral("txtPass1"));
    pass->setFocus();
    QTest::keyClick(pass, Qt::Key_F9);
    EXPECT_EQ(transfers, std::vector<int>{2});
    // Inside a text box Ctrl+A selects all; elsewhere it is "Save As..."
    // (the dialog is cancelled), as is Ctrl+Shift+S everywhere.
    pass->setFocus();
    QTest::keyClicks(pass, QStringLiteral("abc"));
    QTest::keyClick(pass, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(pass->selectedText(), QStringLiteral("abc"));
    EXPECT_TRUE(seams.dialogs->last_filter.isEmpty());
    QTest::keyClick(pass, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(seams.dialogs->last_filter, QStringLiteral("Table files (*.tbl)"));
    seams.dialogs->last_filter.clear();
    QWidget* back = form->control(QStringLiteral("picTabBack"));
    back->setFocus();
    QTest::keyClick(back, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(seams.dialogs->last_filter, QStringLiteral("Table files (*.tbl)"));
    form->hide();
}

TEST(FrmAbout, ShowsTitleVersionAndClosesWithOk) {
    frmAbout about;
    about.set_title(QStringLiteral("QRT58 Pager Programmer"));
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About "));
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("lblTitle"))->text(), QStringLiteral("QRT58 Pager Programmer"));
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("lblVersion"))->text(),
              QStringLiteral("Version 5.02(2006.11.3)"));
    about.show();
    about.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

} // namespace
