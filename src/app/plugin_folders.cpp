#include "plugin_folders.h"

#include <QApplication>
#include <QIcon>

PluginFoldersHeld::PluginFoldersHeld() : folders_(QCoreApplication::libraryPaths()) {
    // A style from a plugin is chosen now, with the folders still there.
    QApplication::style();
    // The icon theme notes here whether an SVG icon engine exists, once for the run.
    (void)QIcon::themeName();
    QCoreApplication::setLibraryPaths({});
    held_ = true;
}

void PluginFoldersHeld::release() {
    if (!held_) return;
    held_ = false;
    QCoreApplication::setLibraryPaths(folders_);
}
