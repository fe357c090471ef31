// Qt's plugin folders taken away while the window is built and painted for the
// first time, and given back after that first paint.
//
// Qt reads the PNG pictures of its own style (the menu bar's extension arrow,
// the frame of a group box) through QImageReader, which first loads every
// image-format plugin installed (SVG, GIF, ICO, JPEG and the libraries behind
// them) only to ask each whether it reads PNG; none does, and the built-in
// reader reads them in the end. With no plugin folders the built-in reader
// answers at once and the window draws the same pictures.
//
// What Qt decides once from the plugins it can see is settled before the
// folders go: the application style and the icon theme's SVG support.
#pragma once

#include <QStringList>

class PluginFoldersHeld {
public:
    // Needs the QApplication.
    PluginFoldersHeld();
    ~PluginFoldersHeld() { release(); }
    PluginFoldersHeld(const PluginFoldersHeld&) = delete;
    PluginFoldersHeld& operator=(const PluginFoldersHeld&) = delete;

    // Gives the folders back (once); Qt finds its plugins again from here on.
    void release();
    bool held() const { return held_; }

private:
    QStringList folders_;
    bool held_ = false;
};
