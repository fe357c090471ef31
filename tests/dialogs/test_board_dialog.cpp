// Options > "Board...": what the dialog lists and what it keeps.
#include "board_dialog.h"

#include "board.h"
#include "fake_devices.h"

#include <QLabel>
#include <QListWidget>
#include <QSettings>

using namespace qrt58;
using qrt58::test::make_node;

TEST(BoardDialog, ListsTheBoardsOfTheMachineAndSelectsTheCurrentOne) {
    QTemporaryDir root;
    make_node(root, "parport0");
    make_node(root, "i2c-0", "SMBus I801 adapter at efa0");
    make_node(root, "i2c-5", "i2c-tiny-usb at bus 001 device 005");
    BoardDialog dialog(*parse_board_choice("i2c:/dev/i2c-5"), root.path());
    QStringList texts;
    for (const BoardChoice& c : dialog.choices()) texts << c.text();
    EXPECT_EQ(texts, (QStringList{"sim", "ppdev:/dev/parport0", "i2c", "i2c:/dev/i2c-0", "i2c:/dev/i2c-5"}));
    ASSERT_EQ(dialog.list->count(), 5);
    // The captions are those of qrt58cli boards and the status bar.
    EXPECT_EQ(dialog.list->item(4)->text(), "I2C /dev/i2c-5 (i2c-tiny-usb at bus 001 device 005)  (i2c:/dev/i2c-5)");
    EXPECT_TRUE(dialog.list->item(3)->text().contains("the computer's own bus"));
    EXPECT_EQ(dialog.choice().text(), "i2c:/dev/i2c-5");
    dialog.list->setCurrentRow(1);
    EXPECT_EQ(dialog.choice().text(), "ppdev:/dev/parport0");
}

TEST(BoardDialog, AChoiceNotFoundNowStaysSelectable) {
    // A simulated board with its own file, raw port I/O, an adapter that is
    // unplugged: OK without touching the list keeps the board as it is.
    QTemporaryDir root;
    for (const char* text : {"sim:/tmp/x.bin", "io", "i2c:/dev/i2c-9"}) {
        SCOPED_TRACE(text);
        const BoardChoice current = *parse_board_choice(text);
        BoardDialog dialog(current, root.path());
        EXPECT_EQ(dialog.choice(), current);
    }
}

TEST(BoardDialog, TheChoiceIsKeptForTheNextStart) {
    QTemporaryDir dir;
    QSettings settings(dir.filePath("s.ini"), QSettings::IniFormat);
    save_board_settings(settings, {*parse_board_choice("sim"), 40, {}});
    save_board_choice(settings, *parse_board_choice("i2c:/dev/i2c-3"));
    const BoardSettings loaded = load_board_settings(settings);
    EXPECT_EQ(loaded.choice.text(), "i2c:/dev/i2c-3");
    EXPECT_EQ(loaded.line_delay_us, 40); // the line delay stays as it was
}

// On a machine without ports or adapters, each kind searched for says "none
// found" and cannot be chosen; a board that is missing is not kept.
TEST(BoardDialog, OffersOnlyWhatTheMachineHasAndKeepsNothingMissing) {
    QTemporaryDir root;
    BoardDialog dialog(*parse_board_choice("i2c:/dev/i2c-9"), root.path());
    QStringList texts;
    for (int i = 0; i < dialog.list->count(); ++i) {
        const QListWidgetItem* item = dialog.list->item(i);
        texts << item->text() + ((item->flags() & Qt::ItemIsEnabled) ? "" : " [greyed]");
    }
    ASSERT_EQ(texts.size(), 4) << texts.join('\n').toStdString();
    EXPECT_TRUE(texts[0].startsWith("Simulated receiver ("));
    EXPECT_EQ(texts[1], "Parallel port: none found (/dev/parport*: sudo modprobe ppdev)  (ppdev) [greyed]");
    EXPECT_TRUE(texts[2].startsWith("I2C (first adapter found): none found (/dev/i2c-*")) << texts[2].toStdString();
    EXPECT_TRUE(texts[2].endsWith("[greyed]"));
    EXPECT_EQ(texts[3], "Current choice: /dev/i2c-9 does not exist  (i2c:/dev/i2c-9)");

    // OK on the missing board: refused, with the reason under the list.
    dialog.show();
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.lblProblem->text().contains("/dev/i2c-9 does not exist"))
        << dialog.lblProblem->text().toStdString();
    // A greyed line cannot be kept either, whatever selected it.
    dialog.list->setCurrentRow(2);
    EXPECT_TRUE(dialog.lblProblem->text().isEmpty());
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.lblProblem->text().contains("none found"));
    // What the machine has is kept.
    dialog.list->setCurrentRow(0);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.choice().text(), "sim");
}
