// The main editor window Form1.
//
// What editors (src/editors) get from the window
// ------------------------------------------------
// An editor is a plain object that is given a Form1& before start-up runs
// (construct the window, attach the editors, then call form_load()). It finds its
// controls by name + index, connects to their Qt signals, works on image(), and
// reports through messages().
//
//   image()                      the PagerTable every control is a view of
//   ctl<T>("txtAddr", 3)         one control (objectName "txtAddr_3"), nullptr when
//   ctl<T>("cboDft")             absent or of another type
//   array<T>("chkCtl")           a ControlArray<T>: index -> widget
//   controls()                   every control in the window's control order
//   messages()                   the message-box seam (title "QRT58")
//
// Window flags (public members, shared by all editors):
//   suppressClick, entryErrorPending, capcodeInvalid, autoIncrementFirst,
//   transfer_mode (0 read, 1 write, 2 verify), cap_row_pitch (pixels between the
//   tops of Label1(0) and Label1(1) at the current scale), cap_frame_height
//   (pixel height of the "Capcode Address" frame Frame1(0) at the current scale),
//   source_list_offset (0 or 1, the offset of the source-prompt mode list cboCtl(2)
//   that init_ctl last built), app_path, data_path, tbl_path, use_tbl_path.
//
// Pages: only the page in front is shown; the others are hidden, so that no key
// reaches a control the user cannot see. An editor that asks whether one of its
// controls is shown must use isVisibleTo(parent) (its own flag), not isVisible().
//
// Geometry: every control is placed in pixels; the design geometry (twips,
// 15 twips = 1 pixel) sits in the "Tag" property after the first "#". scale_x()
// and scale_y() give the current factors of the proportional layout.
//
// Named procedures
//   Editors register the procedures they own under their names with
//   set_procedure("read_freq", fn) (or an fn(int) for procedures with an
//   argument, such as "txt_to_tbl"); anyone calls them with call("read_freq") /
//   call("txt_to_tbl", slot). Calling a name nobody registered does nothing, so
//   steps whose editor has not landed yet are simply skipped; the window keeps
//   such names in unregistered_calls(), so that a test can catch a misspelt one. init_ctl() calls
//   its steps in the fixed order of kInitSteps (below); the resize pass calls
//   "ChkCapLen", start-up and File > Open call "read_CapLen", the Modify button
//   calls "set_frame".
//
// Click rules of the tagged control arrays
//   chkCtl, cboCtl and chkSource get one handler from the window, which writes
//   the control back through its Tag (the cboCtl capcode type lists 7..22 write
//   their type bit and group flag instead; the source-prompt mode list cboCtl(2)
//   is written by its own rule, which knows the list's offset) and then runs
//   the rules registered with add_click_rule("chkCtl", 10, fn) for that index,
//   in registration order.
//   The chkCtl and cboCtl handlers (write-back and rules) do nothing while
//   suppressClick is set; the chkSource handler always runs. A check box's
//   "click" is any change of its state, by the user or by code (as a combo
//   box's is any change of its selection); a change to the grey state writes
//   nothing. Every other control is the editor's own: connect to its signals.
//
// Parts: the window's work is split by what it does, each part a class that
// shares the window's state: WindowLayout (building and scaling the window),
// WindowMenus (menus, key bindings, Undo and Redo named for their steps),
// FileCommands (the document, Open, Save, Open Recent, the save question),
// PagerCommands (Read, Write, Verfy, the job station, the transfer dialog's
// questions) and PageNavigation (the page in front, page keys, the wheel).
// Form1 keeps the names editors, the board and the transfer dialog use.
//
// Board: the board steps go through the std::function members of BoardHooks
// (empty ones do nothing); qrt58prog fills them from its Board and opens Form2,
// to which the window is the TransferHost.
#pragma once

#include "control_table.h"
#include "document.h"
#include "pager_table.h"
#include "transfer_host.h"
#include "ui_seams.h"

#include <QHash>
#include <QMainWindow>
#include <QString>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

class FileCommands;
class PageNavigation;
class PagerCommands;
class QAction;
class QLabel;
class QSettings;
class QTimer;
class WindowLayout;
class WindowMenus;
namespace qrt58::widgets {
class ElidedLabel;
}

// A control array: index -> widget of one name.
template <class T>
class ControlArray {
public:
    T* operator[](int index) const {
        auto it = items_.find(index);
        return it == items_.end() ? nullptr : it->second;
    }
    bool contains(int index) const { return items_.count(index) != 0; }
    int size() const { return static_cast<int>(items_.size()); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }
    void insert(int index, T* widget) { items_[index] = widget; }

private:
    std::map<int, T*> items_;
};

class Form1 : public QMainWindow, public TransferHost {
    Q_OBJECT
public:
    // The board steps of start-up, the keep-alive tick, the transfer dialog and
    // shut-down.
    struct BoardHooks {
        std::function<void()> start_driver;     // port driver start
        std::function<void()> board_startup;    // calibrate_delay, find_board, board_idle
        std::function<void()> keep_alive;       // idle pattern 254 to data_port
        std::function<void(int)> show_transfer; // Form2, modal, for transfer_mode
        std::function<void()> stop_driver;      // port driver stop
        std::function<void()> edit_line_delay;  // Options > Line Delay...
        std::function<void()> choose_board;     // Options > Board...
        std::function<void()> job_station;      // Pager > Job Station... (keep-alive stopped)
        std::function<void()> choose_registry;  // Options > Registry...
    };

    // init_ctl: kInitStepsFirst, the source-prompt mode list, the generic tag
    // pass, then kInitSteps, each in its order. "load_chkMenu" and "load_cboORA"
    // run with suppressClick set.
    static const std::vector<std::string> kInitStepsFirst;
    static const std::vector<std::string> kInitSteps;

    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    void set_board_hooks(BoardHooks hooks) { board_ = std::move(hooks); }
    // Where the Open and Save dialogs remember their folder (not owned; may stay
    // unset, the folder is then remembered for this run only).
    void set_settings(QSettings* settings) { settings_ = settings; }

    // When the board steps of start-up run: first, in start-up order, or once
    // the window has painted itself (the program does this, so that the window
    // is on screen before the board waits).
    enum class BoardStart { First, AfterShow };
    // Start-up: window icon, driver, board, tag geometry, flags, default image,
    // read_CapLen, init_ctl, "default.tbl", timer. With AfterShow, the window
    // icon, the driver, the board and the timer wait for finish_start().
    void form_load(BoardStart when = BoardStart::First);
    // The postponed steps: those given to add_finish_step(), the window icon,
    // the board steps (driver, board start-up) and the keep-alive timer. Runs
    // once, by itself after the first paint of the shown window, or at the
    // first pager command before it.
    void finish_start();
    bool board_pending() const { return board_pending_; }
    // A step of the program's own that runs first in the postponed steps (at
    // once in form_load() without them).
    void add_finish_step(std::function<void()> step) { finish_steps_.push_back(std::move(step)); }

    // ---- for editors
    qrt58::PagerTable& image() override { return image_; }
    const qrt58::PagerTable& image() const { return image_; }
    QWidget* control(const QString& name, int index = -1) const;
    template <class T>
    T* ctl(const QString& name, int index = -1) const {
        return qobject_cast<T*>(control(name, index));
    }
    template <class T>
    ControlArray<T> array(const QString& name) const;
    const std::vector<QWidget*>& controls() const { return controls_; }
    qrt58::MessageBoxes& messages() const { return qrt58::message_boxes(); }

    void set_procedure(const std::string& name, std::function<void()> fn);
    void set_procedure(const std::string& name, std::function<void(int)> fn);
    bool has_procedure(const std::string& name) const { return procedures_.count(name) != 0; }
    void call(const std::string& name, int arg = 0);
    // Names call() was asked for while nobody had registered them.
    const std::set<std::string>& unregistered_calls() const { return unregistered_calls_; }
    void add_click_rule(const QString& array_name, int index, std::function<void()> rule);
    // Runs the Click handler of chkCtl / cboCtl / chkSource `index` again (write-back
    // and rules), as a procedure that re-applies a control's current value does.
    void run_click(const QString& array_name, int index);

    void init_ctl();
    // Refills the source-prompt mode list cboCtl(2) for the "Multiple Source
    // Prompt" bit of the image (no item selected) and sets source_list_offset.
    void rebuild_source_list();
    double scale_x() const { return sx_; }
    double scale_y() const { return sy_; }

    // Window-level state.
    bool suppressClick = false;
    bool entryErrorPending = false;
    bool capcodeInvalid = false;
    bool autoIncrementFirst = false;
    int transfer_mode = 0;
    double cap_row_pitch = 0;
    double cap_frame_height = 0;
    int source_list_offset = 0;
    QString app_path;
    // The user's own folder for the default table (QStandardPaths::AppDataLocation
    // when left empty before start-up): the program folder may not be writable.
    QString data_path;
    QString tbl_path;
    bool use_tbl_path = false;
    // A table file to open at start instead of the default table (qrt58prog FILE).
    QString start_file;

    // ---- the document: where the image came from, unsaved changes, undo
    Document& document();
    const Document& document() const;
    // Compares the image with the document's last state and records a change
    // as an undo step. Runs by itself after every user action (key, click,
    // focus change, wheel), so that no editor has to report its changes.
    void note_changes();
    // "Save changes to FILE?" when the image holds unsaved changes: Save saves
    // (false when that fails or is cancelled), Discard goes on, Cancel stops.
    // True when the caller may drop the image.
    bool may_discard_changes();
    void undo(); // Edit > Undo
    void redo(); // Edit > Redo
    // File > Open Recent: the last eight files opened or saved, missing ones dropped.
    QStringList recent_files() const;
    void open_recent(const QString& path);

    // ---- status bar
    // The board in use (kept at the right of the status bar).
    void set_board_status(const QString& text);
    QString board_status() const;
    // A passing note (the left part of the status bar).
    void show_status(const QString& text);
    // No board was ever chosen: the simulated receiver is used, and the status
    // bar says so until one is chosen.
    void show_no_board_choice();
    QString status_text() const;

    // ---- commands (menu handlers)
    void mnuLBFF_Click(); // File > Open
    void mnuSBTF_Click(); // File > Save
    void mnuSA_Click();   // File > Save As...
    void mnuExit_Click();
    void pager_command(int mode); // Read 0, Write 1, Verfy 2
    void mnuAbout_Click();
    // Pager > Job Station...: the job station dialog, with the keep-alive
    // timer stopped as for a transfer.
    void job_station_command();
    void ModifyOpt_Click();
    void WriteOpt_Click();
    void select_page(int page); // 0..4, as the tab buttons do
    int current_page() const;
    bool write_mode() const;
    // The folder the Open and Save dialogs start in: the one last used, else the
    // user's documents folder.
    QString dialog_folder() const;

    // ---- for the transfer dialog
    bool modify_mode() const override { return !write_mode(); }
    bool auto_increment_first() const override { return autoIncrementFirst; }
    QString first_capcode_text() const override;
    int first_pair_length_index() const override;
    void set_first_capcode(const QString& text) override;
    void image_was_read() override;
    QString production_file() override;
    bool save_production_file(QString& error) override;

    // Proportional layout for the current client size.
    void layout_controls();
    // Design client size in pixels (the size the layout scales from).
    QSize design_client_size() const { return design_size_; }
    QString about_title() const { return about_title_; }

    // The page widgets in tab order and their tab buttons.
    static const std::array<const char*, 5> kPageNames;
    static const std::array<const char*, 5> kTabButtonNames;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The parts of the window, each doing one thing; they share its state.
    friend class WindowLayout;
    friend class WindowMenus;
    friend class FileCommands;
    friend class PagerCommands;
    friend class PageNavigation;

    static std::string tag_of(const QObject* o); // a control's Tag
    void select_range_from_image();
    void refill_from_image();     // after File > Open and a read from the receiver
    void keep_write_mode_locks(); // Write mode: edit controls disabled, Slider1 hidden
    void build_default_image();
    void generic_tag_pass();
    void chkCtl_Click(int index);
    void cboCtl_Click(int index);
    void chkSource_Click(int index);
    void run_rules(const QString& array_name, int index);
    void shut_down();
    void run_finish_steps();
    bool take_focused_entry();

    qrt58::PagerTable image_{};
    BoardHooks board_;
    std::vector<QWidget*> controls_;
    QHash<QString, QWidget*> by_name_;
    // The members of each control array by index, in the order they were made.
    QHash<QString, std::vector<std::pair<int, QWidget*>>> arrays_;
    std::map<std::string, std::function<void(int)>> procedures_;
    std::set<std::string> unregistered_calls_;
    std::map<std::pair<QString, int>, std::vector<std::function<void()>>> click_rules_;
    std::vector<QAction*> actions_;
    QTimer* timer_ = nullptr;
    QWidget* central_ = nullptr;
    QSize design_size_;
    double sx_ = 1, sy_ = 1;
    bool loaded_ = false;
    bool shut_down_ = false;
    bool pager_running_ = false;
    bool transfer_running_ = false; // the transfer dialog is open
    QString about_title_;
    QSettings* settings_ = nullptr;
    bool board_pending_ = false;
    bool board_scheduled_ = false;
    std::vector<std::function<void()>> finish_steps_;
    bool refilling_ = false;
    QLabel* board_label_ = nullptr;
    qrt58::widgets::ElidedLabel* notice_label_ = nullptr;
    std::unique_ptr<WindowLayout> layout_;
    std::unique_ptr<WindowMenus> menus_;
    std::unique_ptr<FileCommands> files_;
    std::unique_ptr<PagerCommands> pager_;
    std::unique_ptr<PageNavigation> pages_;
};

template <class T>
ControlArray<T> Form1::array(const QString& name) const {
    ControlArray<T> out;
    const auto members = arrays_.constFind(name);
    if (members == arrays_.constEnd()) return out;
    for (const auto& [index, w] : *members)
        if (T* t = qobject_cast<T*>(w)) out.insert(index, t);
    return out;
}
