// The window as assistive technology reads it (Qt's accessibility interface,
// which AT-SPI and UI automation use): on every page, for the default image
// and random ones, every operable control that can be reached has a name of
// its own; the contrast slider can be read and set; the page reads from top
// to bottom as the keyboard walks it, without hidden or covered controls.
#include "editor_fixture.h"

#include "ctl_eb_slider.h"
#include "default_image.h"
#include "display.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <map>
#include <random>
#include <set>

namespace {

using Accessibility = EditorFixture;

bool operable(QAccessible::Role role) {
    switch (role) {
    case QAccessible::EditableText:
    case QAccessible::ComboBox:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::PushButton:
    case QAccessible::Slider:
    case QAccessible::ScrollBar:
    case QAccessible::SpinBox:
    case QAccessible::List: return true;
    default: return false;
    }
}

// The controls of the tree under `iface` in reading order.
void read_tree(QAccessibleInterface* iface, std::vector<QAccessibleInterface*>& out) {
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface* child = iface->child(i);
        if (!child) continue;
        EXPECT_EQ(iface->indexOfChild(child), i);
        EXPECT_EQ(child->parent(), iface);
        out.push_back(child);
        read_tree(child, out);
    }
}

// A random image with the signature; in half of them the capcode lengths,
// types and the mail alert are drawn so that long pairs and mail-drop lists
// come up often.
qrt58::PagerTable random_image(std::mt19937& rng) {
    qrt58::PagerTable image = qrt58::build_default_image();
    for (int a = 0; a < 0x7E0; ++a) image[a] = static_cast<std::uint8_t>(rng());
    return image;
}

// Checks the front page: names, the slider, the reading order against the Tab
// order. Returns the number of operable controls read.
int check_page(Form1& form, int page) {
    SCOPED_TRACE(page);
    form.select_page(page);
    QWidget* page_widget = form.control(QString::fromLatin1(Form1::kPageNames[static_cast<std::size_t>(page)]));
    QAccessibleInterface* root = QAccessible::queryAccessibleInterface(page_widget);
    if (!root) {
        ADD_FAILURE() << "no interface";
        return 0;
    }
    std::vector<QAccessibleInterface*> read;
    read_tree(root, read);
    std::map<QString, QString> names; // name -> objectName
    std::vector<QWidget*> read_widgets;
    int operable_count = 0;
    for (QAccessibleInterface* iface : read) {
        auto* w = qobject_cast<QWidget*>(iface->object());
        if (!w) {
            ADD_FAILURE() << "a read item that is no control";
            continue;
        }
        // Nothing hidden is read.
        EXPECT_TRUE(w->isVisible()) << qPrintable(w->objectName());
        read_widgets.push_back(w);
        if (!operable(iface->role()) || iface->state().disabled || iface->state().invisible) continue;
        ++operable_count;
        const QString name = iface->text(QAccessible::Name);
        EXPECT_FALSE(name.trimmed().isEmpty()) << qPrintable(w->objectName());
        const auto [at, fresh] = names.emplace(name, w->objectName());
        EXPECT_TRUE(fresh) << qPrintable(name) << ": " << qPrintable(w->objectName()) << " and "
                           << qPrintable(at->second);
        if (iface->role() == QAccessible::Slider) {
            QAccessibleValueInterface* value = iface->valueInterface();
            auto* slider = qobject_cast<qrt58::widgets::ctlEBSlider*>(w);
            if (!value || !slider) {
                ADD_FAILURE() << "the slider has no value interface";
                continue;
            }
            EXPECT_EQ(value->currentValue().toInt(), slider->Value());
            EXPECT_EQ(value->minimumValue().toInt(), 1);
            EXPECT_EQ(value->maximumValue().toInt(), 8);
        }
    }
    // The Tab order visits the page's controls in the order they are read.
    std::vector<QWidget*> tabbed;
    std::set<QWidget*> seen;
    for (QWidget* w = form.nextInFocusChain(); w != &form; w = w->nextInFocusChain()) {
        if (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisible() || !w->isEnabled()) continue;
        if (!page_widget->isAncestorOf(w) || !seen.insert(w).second) continue;
        tabbed.push_back(w);
    }
    std::vector<QWidget*> read_focusable;
    for (QWidget* w : read_widgets)
        if (seen.count(w)) read_focusable.push_back(w);
    EXPECT_EQ(read_focusable.size(), tabbed.size()) << "a Tab stop is not read";
    EXPECT_TRUE(read_focusable == tabbed) << "reading and Tab orders differ";
    return operable_count;
}

TEST_F(Accessibility, EveryOperableControlHasANameOfItsOwnOnDefaultAndRandomImages) {
    std::mt19937 rng(2512);
    for (int n = 0; n < 12; ++n) {
        SCOPED_TRACE(n);
        if (n > 0) {
            form->image() = random_image(rng);
            form->image_was_read();
        }
        int operable = 0;
        for (int page = 0; page < 5; ++page) operable += check_page(*form, page);
        // The default image shows every page's controls but the covered and hidden rows.
        if (n == 0) {
            EXPECT_GE(operable, 250);
        }
        EXPECT_GT(operable, 50);
    }
    EXPECT_TRUE(seams.boxes->texts().isEmpty()) << qPrintable(seams.boxes->texts().join('|'));
}

TEST_F(Accessibility, NamesSayWhatTheControlIsAndLabelsLeadToTheirBoxes) {
    const auto name = [&](const char* object, int index = -1) {
        return QAccessible::queryAccessibleInterface(form->control(QString::fromLatin1(object), index))
            ->text(QAccessible::Name);
    };
    EXPECT_EQ(name("txtAddr", 2), "Capcode 3");
    EXPECT_EQ(name("chkCtl", 12), "Capcode 3 enabled");
    EXPECT_EQ(name("cboCtl", 9), "Capcode 3 type");
    EXPECT_EQ(name("txtPrompt", 37), "Source prompt of capcode 5");
    EXPECT_EQ(name("txtUser", 1), "Melody of capcode 2");
    EXPECT_EQ(name("Slider1"), "Contrast");
    EXPECT_TRUE(name("txtPrompt", 1).startsWith("Prompt "));
    EXPECT_EQ(form->ctl<QLabel>("Label1", 2)->buddy(), form->control("txtAddr", 2));
    EXPECT_EQ(form->ctl<QLabel>("lblPrompt", 1)->buddy(), form->control("txtPrompt", 1));
    EXPECT_EQ(form->ctl<QLabel>("lblCapMsc", 4)->buddy(), form->control("cboMusicType", 4));

    // A long pair renumbers the rows after it: the names follow what the rows show.
    form->ctl<QComboBox>("cboCapLen", 0)->setCurrentIndex(1);
    EXPECT_EQ(name("txtAddr", 2), "Capcode 2");
    EXPECT_EQ(name("txtUser", 2), "Melody of capcode 2");
    EXPECT_TRUE(form->ctl<QLabel>("Label1", 2)->text().endsWith("02"));

    // The slider is read and set through its value interface, like a drag.
    form->select_page(1);
    QAccessibleInterface* slider = QAccessible::queryAccessibleInterface(form->control("Slider1"));
    ASSERT_NE(slider->valueInterface(), nullptr);
    slider->valueInterface()->setCurrentValue(7);
    EXPECT_EQ(form->image()[qrt58::kContrastAddress], 7);
    EXPECT_EQ(form->ctl<QLabel>("lblValue")->text(), "7");
    EXPECT_EQ(slider->valueInterface()->currentValue().toInt(), 7);
    EXPECT_EQ(slider->text(QAccessible::Value), "7");
    // Write mode: nothing is set.
    form->ctl<QRadioButton>("WriteOpt")->click();
    slider->valueInterface()->setCurrentValue(2);
    EXPECT_EQ(form->image()[qrt58::kContrastAddress], 7);
}

} // namespace
