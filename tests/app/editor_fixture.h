// A shown, active main window with every editor attached, message boxes and file
// dialogs replaced by recorders. The test program's main() creates the application.
#pragma once

#include "editors.h"
#include "form1.h"
#include "ui_seams.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

class EditorFixture : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<Form1>();
        qrt58::editors::attach_editors(*form);
        form->app_path = folder.path(); // no default.tbl to load
        form->form_load();
        form->show();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        seams.boxes->clear();
    }

    // Gives the focus to `w` as a mouse click does.
    void focus(QWidget* w) { w->setFocus(Qt::MouseFocusReason); }
    // Clicks on the page area.
    void leave() { focus(form->control("picTabBack")); }

    qrt58::ScopedTestSeams seams;
    QTemporaryDir folder;
    std::unique_ptr<Form1> form;
};
