// The window as a desktop program: hidden pages, page keys, the wheel, menu
// keys, the "E" marks, caption fit with the installed fonts, the tab contrast,
// size limits, the user's folders and the start-up order.
#include "editor_fixture.h"

#include "board_link.h"
#include "clock.h"
#include "default_image.h"
#include "form2.h"
#include "frm_about.h"
#include "sim_board.h"
#include "table_file.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTimer>
#include <QWheelEvent>

#include <cmath>
#include <tuple>

namespace {

using Desktop = EditorFixture;

QWidget* page_of(Form1& form, QWidget* w) {
    for (const char* name : Form1::kPageNames) {
        QWidget* page = form.control(QString::fromLatin1(name));
        if (page && page->isAncestorOf(w)) return page;
    }
    return nullptr;
}

void roll(QWidget* target, int delta) {
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    QWheelEvent e(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &e);
}

void key(QWidget* target, Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(target, k, mods);
}

double luminance(const QColor& c) {
    const auto lin = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
}

TEST_F(Desktop, TheKeyboardNeverReachesAHiddenPage) {
    for (int page = 0; page < 5; ++page) {
        form->select_page(page);
        QWidget* front = form->control(QString::fromLatin1(Form1::kPageNames[static_cast<std::size_t>(page)]));
        // Every stop of the Tab chain lies on the page in front or outside the pages.
        int stops = 0;
        for (QWidget* w = form->nextInFocusChain(); w != form.get(); w = w->nextInFocusChain()) {
            if (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisible() || !w->isEnabled()) continue;
            ++stops;
            QWidget* owner = page_of(*form, w);
            EXPECT_TRUE(owner == nullptr || owner == front) << "page " << page << ": " << qPrintable(w->objectName());
        }
        EXPECT_GT(stops, 0);
    }
    // The fault seen: on the music page, Tab, Tab, Down changed the range list
    // of the first page and the frequency with it.
    form->select_page(4);
    const qrt58::PagerTable before = form->image();
    const int range = form->ctl<QComboBox>("cboDft")->currentIndex();
    key(QApplication::focusWidget(), Qt::Key_Tab);
    key(QApplication::focusWidget(), Qt::Key_Tab);
    key(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(form->ctl<QComboBox>("cboDft")->currentIndex(), range);
    EXPECT_EQ(form->image(), before);
    EXPECT_TRUE(seams.boxes->texts().isEmpty());
}

TEST_F(Desktop, ABoxThatRefusesItsValueKeepsItsPageInFront) {
    auto* box = form->ctl<QLineEdit>("txtAddr", 0);
    focus(box); // empties it
    QTest::keyClicks(box, "x"); // a value the box refuses
    form->select_page(2);
    EXPECT_EQ(seams.boxes->texts().size(), 1);
    EXPECT_TRUE(box->hasFocus());
    EXPECT_EQ(form->current_page(), 0);
    EXPECT_TRUE(form->control("picSet")->isVisible());
    EXPECT_FALSE(form->control("picSet5")->isVisible());
    EXPECT_TRUE(form->control("EMoptCode")->isHidden());
    // A good value lets the page change.
    QTest::keyClicks(box, "1234567");
    form->select_page(2);
    EXPECT_EQ(form->current_page(), 2);
    EXPECT_FALSE(box->isVisible());
}

TEST_F(Desktop, EscapeInABoxThatRefusedItsEntryGivesThePreviousValueBack) {
    const struct {
        const char* box;
        int index;
        const char* typed;
    } cases[] = {
        {"txtAddr", 0, "x"},          // not a number
        {"txtAddr", 3, "9999999999"}, // out of range
        {"txtAddr", 5, "0000000"},    // no capcode
        {"txtFreq", -1, "1"},         // outside the range
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box + std::string(" ") + c.typed);
        auto* box = form->ctl<QLineEdit>(c.box, c.index);
        ASSERT_NE(box, nullptr);
        const QString before = box->text();
        const qrt58::PagerTable image = form->image();
        seams.boxes->clear();
        focus(box);
        QTest::keyClicks(box, c.typed);
        leave();
        ASSERT_EQ(seams.boxes->texts().size(), 1); // refused, with its message
        ASSERT_TRUE(box->hasFocus());
        QTest::keyClick(box, Qt::Key_Escape);
        EXPECT_FALSE(box->hasFocus());
        EXPECT_EQ(box->text(), before);
        EXPECT_EQ(form->image(), image);
        EXPECT_EQ(seams.boxes->texts().size(), 1); // no second check, no second message
        EXPECT_FALSE(form->entryErrorPending);     // a Pager command goes ahead now
        // Escape in a box that refused nothing does nothing of the kind.
        focus(box);
        QTest::keyClicks(box, "12");
        QTest::keyClick(box, Qt::Key_Escape);
        EXPECT_TRUE(box->hasFocus());
        EXPECT_EQ(box->text(), QStringLiteral("12"));
        box->setText(before);
        leave();
        EXPECT_EQ(seams.boxes->texts().size(), 1);
        EXPECT_EQ(form->image(), image);
    }
}

TEST_F(Desktop, PageKeysSwitchPagesFromAnyControl) {
    QWidget* box = form->control("chkCtl", 10);
    focus(box);
    key(box, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(form->current_page(), 1);
    EXPECT_TRUE(form->control("EMoptStatus")->isHidden()); // the selected tab's button
    key(QApplication::focusWidget(), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(form->current_page(), 2);
    key(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(form->current_page(), 1);
    key(QApplication::focusWidget(), Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(form->current_page(), 0);
    key(QApplication::focusWidget(), Qt::Key_PageUp, Qt::ControlModifier); // round the end
    EXPECT_EQ(form->current_page(), 4);
    key(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(form->current_page(), 0);
    for (int n = 5; n >= 1; --n) {
        key(QApplication::focusWidget(), static_cast<Qt::Key>(Qt::Key_0 + n), Qt::AltModifier);
        EXPECT_EQ(form->current_page(), n - 1);
    }
    // None of those keys reached a control.
    EXPECT_EQ(form->image(), qrt58::build_default_image());
}

TEST_F(Desktop, TheWheelChangesAListOnlyWithTheFocus) {
    form->select_page(1);
    QComboBox* list = nullptr;
    for (QWidget* w : form->controls())
        if (auto* c = qobject_cast<QComboBox*>(w); c && c->isVisible() && c->isEnabled() && c->count() > 2 &&
                                                    c->currentIndex() == 0) {
            list = c;
            break;
        }
    ASSERT_NE(list, nullptr);
    leave();
    const qrt58::PagerTable before = form->image();
    roll(list, -120);
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(form->image(), before);
    focus(list);
    roll(list, -120);
    EXPECT_EQ(list->currentIndex(), 1);
}

TEST_F(Desktop, TheWheelOverTheCapcodeRowsScrollsOneRowPerNotch) {
    auto* bar = form->ctl<QScrollBar>("VScroll1");
    QWidget* panel = form->control("Picture2");
    ASSERT_GT(bar->maximum(), 0);
    const int single = bar->singleStep(), page = bar->pageStep();
    const int row = static_cast<int>(std::lround(form->cap_row_pitch));
    auto* type = form->ctl<QComboBox>("cboCtl", 7 + 2);
    const int type_before = type->currentIndex();
    leave();
    roll(type, -120); // over a type list without the focus
    EXPECT_EQ(bar->value(), row);
    EXPECT_EQ(panel->y(), -row);
    EXPECT_EQ(type->currentIndex(), type_before);
    roll(form->control("Label1", 3), -240); // two notches over a caption
    EXPECT_EQ(bar->value(), 3 * row);
    roll(form->control("txtAddr", 4), 60); // half a notch waits for the other half
    EXPECT_EQ(bar->value(), 3 * row);
    roll(form->control("txtAddr", 4), 60);
    EXPECT_EQ(bar->value(), 2 * row);
    roll(panel, 120 * 40); // stops at the top
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(bar->singleStep(), single);
    EXPECT_EQ(bar->pageStep(), page);
}

TEST_F(Desktop, MenusOpenWithAltLettersAndF10) {
    const std::tuple<Qt::Key, Qt::KeyboardModifiers, const char*> menus[] = {
        {Qt::Key_F, Qt::AltModifier, "mnuFile"}, {Qt::Key_P, Qt::AltModifier, "mnuPager"},
        {Qt::Key_O, Qt::AltModifier, "mnuOptions"}, {Qt::Key_H, Qt::AltModifier, "mnuHelp"},
        {Qt::Key_F10, Qt::NoModifier, "mnuFile"}};
    for (const auto& [letter, mods, name] : menus) {
        key(form->ctl<QLineEdit>("txtAddr", 0), letter, mods);
        QAction* open = form->menuBar()->activeAction();
        ASSERT_NE(open, nullptr) << name;
        EXPECT_EQ(open->menu()->objectName(), QString::fromLatin1(name));
        open->menu()->close();
        form->menuBar()->setActiveAction(nullptr);
    }
}

TEST_F(Desktop, TheEMarkTakesNoFocusAndNoTyping) {
    auto* mark = form->ctl<QLineEdit>("Text1", 0);
    ASSERT_NE(mark, nullptr);
    const QString text = mark->text();
    QTest::mouseClick(mark, Qt::LeftButton);
    EXPECT_FALSE(mark->hasFocus());
    EXPECT_EQ(mark->focusPolicy(), Qt::NoFocus);
    QTest::keyClicks(mark, "12");
    EXPECT_EQ(mark->text(), text);
    // Modify mode after Write mode leaves it a mark.
    form->ctl<QRadioButton>("WriteOpt")->click();
    form->ctl<QRadioButton>("ModifyOpt")->click();
    EXPECT_EQ(form->ctl<QLineEdit>("Text1", 5)->focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(form->ctl<QLineEdit>("Text1", 5)->isReadOnly());
}

// The shown captions among `widgets` that do not fit their controls, with the
// font each control really uses; `checked` counts the captions looked at.
QStringList clipped_captions(const std::vector<QWidget*>& widgets, int& checked) {
    QStringList out;
    for (QWidget* w : widgets) {
        if (!w->isVisible()) continue;
        const QFontMetrics fm(w->font());
        QString text;
        int room = w->width();
        if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            text = b->text().replace(QStringLiteral("&&"), QStringLiteral("\x01")).remove('&');
            text.replace(QChar(1), QChar('&'));
            if (qobject_cast<QCheckBox*>(w))
                room -= w->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w) +
                        w->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w);
            else if (qobject_cast<QRadioButton*>(w))
                room -= w->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, w) +
                        w->style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, w);
            else
                room -= 4; // the button's frame on both sides
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
            text = g->title();
            room -= 8;
        } else if (auto* l = qobject_cast<QLabel*>(w)) {
            if (l->text().isEmpty() || l->textFormat() == Qt::RichText) continue;
            if (l->wordWrap()) {
                // A wrapping label must hold its lines in its height.
                const QRect need = fm.boundingRect(QRect(0, 0, l->width(), 10000),
                                                   Qt::TextWordWrap | int(l->alignment()), l->text());
                ++checked;
                if (need.height() > l->height() + 1)
                    out << QStringLiteral("%1 \"%2\" needs %3 px height, has %4")
                               .arg(w->objectName(), l->text()).arg(need.height()).arg(l->height());
                continue;
            }
            text = l->text();
        }
        if (text.isEmpty()) continue;
        ++checked;
        if (fm.horizontalAdvance(text) > room)
            out << QStringLiteral("%1 \"%2\" needs %3 px, has %4")
                       .arg(w->objectName(), text).arg(fm.horizontalAdvance(text)).arg(room);
    }
    return out;
}

std::vector<QWidget*> children_of(QWidget* w) {
    const auto list = w->findChildren<QWidget*>();
    return {list.begin(), list.end()};
}

// Every caption at 1x fits its control with the fonts the window really uses.
TEST_F(Desktop, EveryCaptionFitsItsControlAtDesignSize) {
    ASSERT_EQ(form->centralWidget()->size(), form->design_client_size());
    EXPECT_EQ(QFontInfo(form->font()).family(), QStringLiteral("Liberation Mono"));
    EXPECT_EQ(QFontInfo(form->control("Label15")->font()).family(), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(QFontInfo(form->control("EMoptStatus")->font()).family(), QStringLiteral("Liberation Sans"));
    int checked = 0;
    for (int page = 0; page < 5; ++page) {
        form->select_page(page);
        EXPECT_EQ(clipped_captions(form->controls(), checked), QStringList()) << "page " << page;
    }
    EXPECT_GT(checked, 250);

    frmAbout about(form.get());
    about.set_title(form->about_title());
    about.show();
    checked = 0;
    EXPECT_EQ(clipped_captions(children_of(&about), checked), QStringList());
    EXPECT_GE(checked, 4);
    about.close();

    // The transfer dialog with its longest lines.
    qrt58::VirtualClock clock;
    qrt58::SimBoard sim(clock);
    qrt58::BoardLink link(sim, clock);
    Form2 dialog(link, *form, 0, form.get());
    dialog.show();
    dialog.lblAuto1->setText(" 1st capcode : 4291000000");
    dialog.lblAuto1->show();
    dialog.cmdWrite->show();
    dialog.cmdExit->show();
    checked = 0;
    EXPECT_EQ(clipped_captions(children_of(&dialog), checked), QStringList());
    EXPECT_GE(checked, 4);
    dialog.Label1->setText("Writing Now.......");
    EXPECT_EQ(clipped_captions(children_of(&dialog), checked), QStringList());
    dialog.hide();
}

// Every item of the lists that show a short choice fits the list's text field
// at the start-up size, the longest mail-drop item "Disable" included.
TEST_F(Desktop, ListItemsFitTheirListAtDesignSize) {
    ASSERT_EQ(form->centralWidget()->size(), form->design_client_size());
    QStringList clipped;
    for (QWidget* w : form->controls()) {
        auto* list = qobject_cast<QComboBox*>(w);
        const QString name = w->property("ctlName").toString();
        if (!list || (name != QLatin1String("cboMailAlert") && name != QLatin1String("cboCtl"))) continue;
        QStyleOptionComboBox option;
        option.initFrom(list);
        option.editable = false;
        const QRect field = list->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list);
        const QFontMetrics fm(list->font());
        for (int i = 0; i < list->count(); ++i)
            if (fm.horizontalAdvance(list->itemText(i)) > field.width())
                clipped << QStringLiteral("%1 \"%2\" needs %3 px, has %4")
                               .arg(w->objectName(), list->itemText(i))
                               .arg(fm.horizontalAdvance(list->itemText(i)))
                               .arg(field.width());
    }
    EXPECT_TRUE(clipped.isEmpty()) << clipped.join(QLatin1Char('\n')).toStdString();
}

TEST_F(Desktop, TheSelectedTabLabelIsReadable) {
    for (const char* name : {"Label14", "Label15", "lblPEdit", "lblSource", "lblMusic_0"}) {
        const QPalette pal = form->control(QString::fromLatin1(name))->palette();
        const double a = luminance(pal.color(QPalette::WindowText));
        const double b = luminance(pal.color(QPalette::Window));
        EXPECT_GE((std::max(a, b) + 0.05) / (std::min(a, b) + 0.05), 4.5) << name;
        // The background stays the button shadow.
        EXPECT_EQ(pal.color(QPalette::Window), QApplication::palette().color(QPalette::Dark)) << name;
    }
}

TEST_F(Desktop, SizeHasAFloorAndMarksGrowWithTheText) {
    const QSize design = form->design_client_size();
    form->resize(100, 100);
    QApplication::processEvents();
    EXPECT_GE(form->centralWidget()->width(), std::ceil(design.width() * 0.85));
    EXPECT_GE(form->centralWidget()->height(), std::ceil(design.height() * 0.85));

    auto* box = form->ctl<QCheckBox>("chkCtl", 10);
    auto* option = form->ctl<QRadioButton>("ModifyOpt");
    QWidget* slider = form->control("Slider1");
    QWidget* thumb = slider->findChild<QWidget*>();
    ASSERT_NE(thumb, nullptr);
    form->resize(design.width(), form->height() - form->centralWidget()->height() + design.height());
    QApplication::processEvents();
    const int box_1x = box->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box);
    const int option_1x = option->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, option);
    const int thumb_1x = thumb->width();
    form->resize(2 * design.width(), form->height() - form->centralWidget()->height() + 2 * design.height());
    QApplication::processEvents();
    ASSERT_NEAR(form->scale_x(), 2.0, 0.01);
    EXPECT_GE(box->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box), 2 * box_1x - 1);
    EXPECT_GE(option->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, option), 2 * option_1x - 1);
    EXPECT_GE(thumb->width(), 2 * thumb_1x - 1);
    // Check boxes still hold their captions.
    const QFontMetrics fm(box->font());
    EXPECT_LE(box->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box) + fm.horizontalAdvance("En"),
              box->width());
}

// ---- folders of an installed program ---------------------------------------------

class Folders : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        QDir(root.path()).mkpath("program");
        settings = std::make_unique<QSettings>(root.filePath("settings.ini"), QSettings::IniFormat);
    }
    std::unique_ptr<Form1> start() {
        auto form = std::make_unique<Form1>();
        qrt58::editors::attach_editors(*form);
        form->app_path = root.filePath("program");
        form->data_path = root.filePath("data");
        form->set_settings(settings.get());
        form->form_load();
        return form;
    }
    static qrt58::PagerTable marked(char c) {
        qrt58::PagerTable t = qrt58::build_default_image();
        t[0x3B7] = static_cast<std::uint8_t>(c);
        return t;
    }

    QTemporaryDir root;
    std::unique_ptr<QSettings> settings;
    qrt58::ScopedTestSeams seams;
};

TEST_F(Folders, TheUsersDefaultTableComesBeforeTheProgramsAndSaveWritesTheUsers) {
    ASSERT_TRUE(qrt58::save_table_file(root.filePath("program/default.tbl"), marked('P')).ok);
    auto form = start();
    EXPECT_EQ(form->image()[0x3B7], 'P');
    // The data folder does not exist yet: Save makes it.
    form->image()[0x3B7] = 'U';
    form->mnuSBTF_Click();
    EXPECT_TRUE(seams.boxes->texts().isEmpty()) << qPrintable(seams.boxes->texts().join("|"));
    qrt58::PagerTable saved;
    ASSERT_EQ(qrt58::load_table_file(root.filePath("data/default.tbl"), saved).status, qrt58::LoadStatus::Ok);
    EXPECT_EQ(saved[0x3B7], 'U');
    qrt58::PagerTable program;
    ASSERT_EQ(qrt58::load_table_file(root.filePath("program/default.tbl"), program).status, qrt58::LoadStatus::Ok);
    EXPECT_EQ(program, marked('P'));
    // The next start takes the user's.
    form.reset();
    EXPECT_EQ(start()->image()[0x3B7], 'U');
}

TEST_F(Folders, DialogsStartInDocumentsThenInTheFolderLastUsed) {
    auto form = start();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    ASSERT_TRUE(qrt58::save_table_file(root.filePath("program/a.tbl"), marked('A')).ok);
    seams.dialogs->answers = {root.filePath("program/a.tbl")};
    form->mnuLBFF_Click();
    EXPECT_EQ(seams.dialogs->last_start_folder, QFileInfo(documents).isDir() ? documents : QDir::homePath());
    EXPECT_EQ(form->image()[0x3B7], 'A');
    seams.dialogs->answers = {QString()}; // cancelled
    form->mnuSA_Click();
    EXPECT_EQ(seams.dialogs->last_start_folder, root.filePath("program"));
    // Remembered across starts.
    form.reset();
    form = start();
    seams.dialogs->answers = {QString()};
    form->mnuLBFF_Click();
    EXPECT_EQ(seams.dialogs->last_start_folder, root.filePath("program"));
    // A remembered folder that is gone falls back to the documents folder.
    settings->setValue("files/last_folder", root.filePath("gone"));
    form.reset();
    form = start();
    seams.dialogs->answers = {QString()};
    form->mnuLBFF_Click();
    EXPECT_NE(seams.dialogs->last_start_folder, root.filePath("gone"));
}

// ---- start-up: the window first, then the board ------------------------------------

class DesktopStart : public ::testing::Test {
protected:
    void SetUp() override {
        Form1::BoardHooks hooks;
        hooks.start_driver = [this] { events.push_back(std::string("driver") + (form.isVisible() ? "+shown" : "")); };
        hooks.board_startup = [this] { events.push_back("board"); };
        hooks.stop_driver = [this] { events.push_back("stop"); };
        hooks.show_transfer = [this](int mode) { events.push_back("transfer" + std::to_string(mode)); };
        form.set_board_hooks(hooks);
        form.app_path = dir.path();
        form.data_path = dir.path();
        // The program's own step (plugins given back) comes before the window icon.
        form.add_finish_step([this] { events.push_back(form.windowIcon().isNull() ? "step" : "step after the icon"); });
        form.form_load(Form1::BoardStart::AfterShow);
    }
    qrt58::ScopedTestSeams seams;
    QTemporaryDir dir;
    Form1 form;
    std::vector<std::string> events;
};

TEST_F(DesktopStart, TheBoardIsSearchedOnceTheWindowHasPainted) {
    auto* timer = form.findChild<QTimer*>(QStringLiteral("Timer1"));
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(timer->isActive()); // no idle pattern before the board start-up
    EXPECT_EQ(form.image(), qrt58::build_default_image());
    EXPECT_TRUE(form.windowIcon().isNull()); // the icon engine is not waited for
    form.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.board_pending(); }, 2000));
    EXPECT_EQ(events, (std::vector<std::string>{"step", "driver+shown", "board"}));
    EXPECT_TRUE(timer->isActive());
    EXPECT_FALSE(form.windowIcon().pixmap(32).isNull());
    form.finish_start(); // once only
    EXPECT_EQ(events.size(), 3u);
}

TEST_F(DesktopStart, APagerKeyFirstRunsTheBoardStepsAndAnEarlyCloseNone) {
    form.pager_command(0);
    EXPECT_EQ(events, (std::vector<std::string>{"step", "driver", "board", "transfer0"}));
    EXPECT_FALSE(form.windowIcon().isNull());

    Form1 second;
    std::vector<std::string> seen;
    Form1::BoardHooks hooks;
    hooks.start_driver = [&] { seen.push_back("driver"); };
    hooks.stop_driver = [&] { seen.push_back("stop"); };
    second.set_board_hooks(hooks);
    second.app_path = second.data_path = dir.path();
    second.form_load(Form1::BoardStart::AfterShow);
    second.close();
    second.finish_start(); // a late paint after the close starts nothing
    EXPECT_TRUE(seen.empty());
}

} // namespace
