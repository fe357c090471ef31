// The Edit menu names the step Undo takes back and Redo makes again, after the
// control the user changed: a box, a list, a check box, the slider.
#include "editor_fixture.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>

namespace {

using UndoLabels = EditorFixture;

std::string text_of(Form1& form, const char* action) {
    auto* a = form.findChild<QAction*>(QString::fromLatin1(action));
    return a ? a->text().toStdString() : std::string("(no ") + action + ")";
}

TEST_F(UndoLabels, TheEditMenuNamesWhatUndoAndRedoChange) {
    enum class Act { Type, Down, Click };
    struct Step {
        int page;
        const char* control;
        int index;
        Act act;
        const char* typed;
        const char* label;
    };
    const Step steps[] = {
        {0, "txtAddr", 2, Act::Type, "4711", "Capcode 3"},
        {0, "txtFreq", -1, Act::Type, "1530125", "Frequency"},
        {0, "cboCtl", 9, Act::Down, nullptr, "Capcode 3 type"},
        {0, "chkCtl", 12, Act::Click, nullptr, "Capcode 3 enabled"},
        {1, "chkCtl", 29, Act::Click, nullptr, "History Off"},
        {2, "txtPrompt", 1, Act::Type, "NO MSGS", "Prompt NO PAGES"},
        {3, "chkCtl", 43, Act::Click, nullptr, "Multiple Source Prompt"},
    };
    EXPECT_EQ(text_of(*form, "mnuUndo"), "Undo");
    EXPECT_EQ(text_of(*form, "mnuRedo"), "Redo");
    for (const Step& s : steps) {
        SCOPED_TRACE(s.label);
        form->select_page(s.page);
        QWidget* w = form->control(QString::fromLatin1(s.control), s.index);
        ASSERT_NE(w, nullptr);
        const qrt58::PagerTable before = form->image();
        switch (s.act) {
        case Act::Type:
            focus(w);
            static_cast<QLineEdit*>(w)->selectAll();
            QTest::keyClicks(w, QString::fromLatin1(s.typed));
            leave();
            break;
        case Act::Down:
            focus(w);
            QTest::keyClick(w, Qt::Key_Down);
            break;
        case Act::Click: // on the box, left of a long caption
            QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(6, w->height() / 2));
            break;
        }
        QApplication::processEvents(); // the window's look for a change
        ASSERT_NE(form->image(), before) << "the step changed nothing";
        EXPECT_TRUE(seams.boxes->entries.empty()) << seams.boxes->texts().join('|').toStdString();
        EXPECT_EQ(text_of(*form, "mnuUndo"), std::string("Undo ") + s.label);
    }
    // Back through the steps: each Undo names its step, which Redo then names.
    for (auto it = std::rbegin(steps); it != std::rend(steps); ++it) {
        SCOPED_TRACE(it->label);
        EXPECT_EQ(text_of(*form, "mnuUndo"), std::string("Undo ") + it->label);
        form->undo();
        EXPECT_EQ(text_of(*form, "mnuRedo"), std::string("Redo ") + it->label);
    }
    EXPECT_EQ(text_of(*form, "mnuUndo"), "Undo");
    form->redo();
    EXPECT_EQ(text_of(*form, "mnuUndo"), "Undo Capcode 3");
    EXPECT_EQ(text_of(*form, "mnuRedo"), "Redo Frequency");
}

} // namespace
