#include "form1.h"

#include "accessible_interfaces.h"
#include "accessible_names.h"
#include "capcode.h"
#include "change_rules.h"
#include "default_image.h"
#include "elided_label.h"
#include "field_tag.h"
#include "file_commands.h"
#include "frequency.h"
#include "frm_about.h"
#include "page_navigation.h"
#include "pager_commands.h"
#include "program_icon.h"
#include "prompts.h"
#include "table_file.h"
#include "window_layout.h"
#include "window_menus.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QWheelEvent>

namespace {

// The lists cboCtl(7) to cboCtl(22) are the capcode types of slots 1 to 16;
// cboCtl(2) is the source-prompt mode.
constexpr int kCapcodeTypeListFirst = 7;
constexpr int kSourceModeList = 2;
// The postponed start-up steps run at the first paint of the window, and this long after it
// is shown at the latest.
constexpr int kBoardStartLatestMs = 1000;

bool has_write_mode_prefix(const QString& name) {
    static const char* const prefixes[] = {"opt", "Tex", "txt", "cbo", "chk"};
    const QString first = name.left(3);
    for (const char* p : prefixes)
        if (first == QLatin1String(p)) return true;
    return false;
}

} // namespace

std::string Form1::tag_of(const QObject* o) { return o->property("Tag").toString().toStdString(); }

const std::array<const char*, 5> Form1::kPageNames = {"picSet", "picSet2", "picSet5", "picSet6",
                                                      "picSet7"};
const std::array<const char*, 5> Form1::kTabButtonNames = {"EMoptCode", "EMoptStatus",
                                                           "EMoptPrompts", "EMoptSource",
                                                           "EMoptMusic"};

const std::vector<std::string> Form1::kInitStepsFirst = {"ChkCapLen", "read_dftaddr"};

const std::vector<std::string> Form1::kInitSteps = {
    // load-time rules of single controls
    "load_chkCtl20",       // "En" of slot 10 follows the music type select
    "load_chkCtl36_38",    // RD key boxes
    "load_direct_show",    // chkCtl(8), chkCtl(26), cboLamp follow the paging display
    "load_cboSLC",         // sequential lockout
    "load_cbologo",        // logo font
    "load_cboLng",         // prompt language
    "load_contrast",       // Slider1 and its labels from 0x369
    "load_cboPersonAlert", // personal alert length
    "load_mail_alert",     // chkMailAlert and the mail-drop alert visibility
    "load_chkMenu",        // receiver menu boxes from 0x0F8-0x0FE (suppressClick set)
    "load_music_enable",   // cboMusicType enabling, "Always Vibrate", chkMenu(6)
    "load_cboORA",         // out-of-range alert (suppressClick set)
    // read procedures
    "read_BaseFreq", "read_freq", "read_prompt", "read_SourcePrompt", "set_frame",
    "read_MailAlert", "read_BatLev", "read_pass", "read_pass1", "read_music", "read_UserMsc",
    "read_Lamp", "read_SetAlarm"};

Form1::Form1(QWidget* parent)
    : QMainWindow(parent), layout_(std::make_unique<WindowLayout>(*this)),
      menus_(std::make_unique<WindowMenus>(*this)), files_(std::make_unique<FileCommands>(*this)),
      pager_(std::make_unique<PagerCommands>(*this)), pages_(std::make_unique<PageNavigation>(*this)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    QFont f(QStringLiteral("Courier New"));
    f.setPointSizeF(8.25);
    setFont(f);
    design_size_ = QSize(WindowLayout::kDesignClientWidth, WindowLayout::kDesignClientHeight);
    // Before the first control: Qt makes a control's accessible interface
    // as soon as the control reports a change.
    qrt58::widgets::install_accessible_interfaces();
    layout_->build_window();
    menus_->build_menus();
    qrt58::ui::name_controls(*this);
    files_->watch_controls();
    board_label_ = new QLabel(statusBar());
    board_label_->setObjectName(QStringLiteral("lblBoardStatus"));
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    // Notices take the room left of the board label and are cut short there
    // (the whole text in the tool tip), never drawn over it.
    notice_label_ = new qrt58::widgets::ElidedLabel(Qt::ElideRight, statusBar());
    notice_label_->setObjectName(QStringLiteral("lblNotice"));
    statusBar()->addWidget(notice_label_, 1);
    statusBar()->addPermanentWidget(board_label_);
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setInterval(50);
    connect(timer_, &QTimer::timeout, this, [this] {
        if (board_.keep_alive) board_.keep_alive();
    });
    qApp->installEventFilter(this);
    layout_->size_window();
}

Form1::~Form1() = default;

// ---------------------------------------------------------------- editor API

QWidget* Form1::control(const QString& name, int index) const {
    return by_name_.value(index < 0 ? name : name + QLatin1Char('_') + QString::number(index));
}

void Form1::set_procedure(const std::string& name, std::function<void()> fn) {
    procedures_[name] = [fn = std::move(fn)](int) { fn(); };
}

void Form1::set_procedure(const std::string& name, std::function<void(int)> fn) {
    procedures_[name] = std::move(fn);
}

void Form1::call(const std::string& name, int arg) {
    auto it = procedures_.find(name);
    if (it != procedures_.end() && it->second) it->second(arg);
    else unregistered_calls_.insert(name);
}

void Form1::add_click_rule(const QString& array_name, int index, std::function<void()> rule) {
    click_rules_[{array_name, index}].push_back(std::move(rule));
}

void Form1::run_click(const QString& array_name, int index) {
    if (array_name == QLatin1String("chkCtl")) chkCtl_Click(index);
    else if (array_name == QLatin1String("cboCtl")) cboCtl_Click(index);
    else if (array_name == QLatin1String("chkSource")) chkSource_Click(index);
}

void Form1::run_rules(const QString& array_name, int index) {
    auto it = click_rules_.find({array_name, index});
    if (it == click_rules_.end()) return;
    const auto rules = it->second; // a rule may register further rules
    for (const auto& r : rules) r();
}

// ---------------------------------------------------------------- start-up

void Form1::form_load(BoardStart when) {
    board_pending_ = when == BoardStart::AfterShow;
    if (!board_pending_) {
        run_finish_steps();
        if (board_.start_driver) board_.start_driver();
    }
    QCoreApplication::setApplicationName(QString::fromStdString(qrt58::ver_str.substr(0, 5)));
    if (app_path.isEmpty()) app_path = QCoreApplication::applicationDirPath();
    while (app_path.size() > 1 && app_path.endsWith(QLatin1Char('/'))) app_path.chop(1);
    if (data_path.isEmpty()) data_path = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    while (data_path.size() > 1 && data_path.endsWith(QLatin1Char('/'))) data_path.chop(1);
    if (!board_pending_ && board_.board_startup) board_.board_startup();
    design_size_ = QSize(WindowLayout::kDesignClientWidth, WindowLayout::kDesignClientHeight);
    layout_->append_tag_geometry();
    entryErrorPending = false;
    capcodeInvalid = false;
    layout_controls(); // design geometry at the current size; sets cap_row_pitch
    build_default_image();
    call("read_CapLen");
    init_ctl();
    files_->open_start_file();
    if (!board_pending_) timer_->start();
    select_page(0);
}

void Form1::finish_start() {
    if (!board_pending_) return;
    board_pending_ = false;
    run_finish_steps();
    if (board_.start_driver) board_.start_driver();
    if (board_.board_startup) board_.board_startup();
    if (!shut_down_ && !pager_running_) timer_->start();
}

// The program's own steps, then the window icon: the SVG icon engine that
// draws it is a plugin, which the first paint does not wait for.
void Form1::run_finish_steps() {
    const auto steps = std::move(finish_steps_);
    finish_steps_.clear();
    for (const auto& step : steps) step();
    setWindowIcon(program_icon());
}

void Form1::build_default_image() {
    image_ = qrt58::build_default_image();
    setWindowTitle(QStringLiteral("Norvale ") + QString::fromStdString(qrt58::ver_str));
    about_title_ = QString::fromStdString(qrt58::ver_str.substr(0, 5)) + QStringLiteral(" Pager Programmer");
    // Selecting the first range loads its preset through the range list's handler.
    if (auto* range = ctl<QComboBox>(QStringLiteral("cboDft"))) {
        if (range->currentIndex() == 0) {
            const QSignalBlocker block(range);
            range->setCurrentIndex(-1);
        }
        range->setCurrentIndex(0);
    }
}

// ---------------------------------------------------------------- loader

void Form1::init_ctl() {
    for (const auto& step : kInitStepsFirst) call(step);
    rebuild_source_list();
    suppressClick = true;
    generic_tag_pass();
    suppressClick = false;
    for (const auto& step : kInitSteps) {
        const bool guarded = step == "load_chkMenu" || step == "load_cboORA";
        if (guarded) suppressClick = true;
        call(step);
        if (guarded) suppressClick = false;
    }
}

void Form1::rebuild_source_list() {
    const bool four = !qrt58::multiple_source(image_);
    source_list_offset = four ? 0 : 1;
    auto* list = ctl<QComboBox>(QStringLiteral("cboCtl"), 2);
    if (!list) return;
    const QSignalBlocker block(list);
    list->clear();
    for (std::size_t mode = four ? 0 : 1; mode < qrt58::source_mode_texts().size(); ++mode)
        list->addItem(QString::fromLatin1(qrt58::source_mode_texts()[mode]));
    list->setCurrentIndex(-1);
}

void Form1::generic_tag_pass() {
    for (QWidget* w : controls_) {
        const auto tag = qrt58::parse_field_tag(tag_of(w));
        if (!tag) continue;
        const int value = qrt58::get_bits(image_, tag->address, tag->bit, tag->width);
        switch (tag->kind) {
        case qrt58::TagKind::Chk:
        case qrt58::TagKind::ChkSource: {
            auto* box = qobject_cast<QCheckBox*>(w);
            if (!box) break;
            // A value above 1 cannot be shown as ticked or clear: it shows grey
            // and the image keeps it. The source-prompt boxes do not look at
            // suppressClick, so they are filled without raising their handler.
            std::optional<QSignalBlocker> block;
            if (tag->kind == qrt58::TagKind::ChkSource) block.emplace(box);
            box->setCheckState(value == 0 ? Qt::Unchecked
                                          : value == 1 ? Qt::Checked : Qt::PartiallyChecked);
            if (value <= 1) box->setTristate(false);
            if (tag->kind == qrt58::TagKind::ChkSource) {
                if (QWidget* prompt = control(QStringLiteral("txtPrompt"), w->property("ctlIndex").toInt()))
                    prompt->setEnabled(value != 0);
            }
            break;
        }
        case qrt58::TagKind::ChkN: {
            auto* box = qobject_cast<QCheckBox*>(w);
            if (!box) break;
            std::optional<QSignalBlocker> block;
            if (w->property("ctlName").toString() == QLatin1String("chkSource")) block.emplace(box);
            box->setTristate(false);
            box->setChecked(value == 0);
            break;
        }
        case qrt58::TagKind::Cbo: {
            auto* list = qobject_cast<QComboBox*>(w);
            if (!list) break;
            int index = value;
            const bool cbo_ctl = w->property("ctlName").toString() == QLatin1String("cboCtl");
            const int ctl_index = w->property("ctlIndex").toInt();
            if (cbo_ctl && ctl_index >= kCapcodeTypeListFirst && ctl_index < kCapcodeTypeListFirst + qrt58::kCapcodeSlots)
                index = static_cast<int>(qrt58::capcode_type(image_, ctl_index - kCapcodeTypeListFirst));
            else if (cbo_ctl && ctl_index == kSourceModeList)
                index = qrt58::source_mode(image_) - source_list_offset;
            // A value with no entry leaves the list as it was.
            if (index >= 0 && index < list->count()) list->setCurrentIndex(index);
            break;
        }
        case qrt58::TagKind::Lng:
        case qrt58::TagKind::Other: break;
        }
    }
}

// ---------------------------------------------------------------- write-back

void Form1::chkCtl_Click(int index) {
    if (suppressClick) return;
    auto* box = ctl<QCheckBox>(QStringLiteral("chkCtl"), index);
    if (!box) return;
    if (box->checkState() == Qt::PartiallyChecked) return;
    box->setTristate(false);
    if (const auto tag = qrt58::parse_field_tag(tag_of(box))) {
        const int checked = box->isChecked() ? 1 : 0;
        const int v = tag->kind == qrt58::TagKind::ChkN ? 1 - checked : checked;
        qrt58::set_bits(image_, tag->address, tag->bit, v, tag->width);
    }
    run_rules(QStringLiteral("chkCtl"), index);
}

void Form1::cboCtl_Click(int index) {
    if (suppressClick) return;
    auto* list = ctl<QComboBox>(QStringLiteral("cboCtl"), index);
    if (!list) return;
    const int li = list->currentIndex();
    if (li < 0) return;
    if (index >= kCapcodeTypeListFirst && index < kCapcodeTypeListFirst + qrt58::kCapcodeSlots) {
        // The capcode type of a slot: its type bit and group flag.
        qrt58::set_capcode_type(image_, index - kCapcodeTypeListFirst, static_cast<qrt58::CapcodeType>(li));
    } else if (index == kSourceModeList) {
        // The source-prompt mode is list index + offset; its rule writes it and
        // keeps the old mode for a refused Auto Cap.
    } else if (const auto tag = qrt58::parse_field_tag(tag_of(list))) {
        if (li < (1 << tag->width)) qrt58::set_bits(image_, tag->address, tag->bit, li, tag->width);
    }
    run_rules(QStringLiteral("cboCtl"), index);
    // Every list change ends with the mail-drop alert lists shown from the image.
    call("read_MailAlert");
}

void Form1::chkSource_Click(int index) {
    auto* box = ctl<QCheckBox>(QStringLiteral("chkSource"), index);
    if (!box) return;
    if (box->checkState() == Qt::PartiallyChecked) return;
    box->setTristate(false);
    const int checked = box->isChecked() ? 1 : 0;
    if (QWidget* prompt = control(QStringLiteral("txtPrompt"), index)) prompt->setEnabled(checked == 1);
    const int v = index == 49 ? 1 - checked : checked;
    if (const auto tag = qrt58::parse_field_tag(tag_of(box)))
        qrt58::set_bits(image_, tag->address, tag->bit, v, tag->width);
    run_rules(QStringLiteral("chkSource"), index);
}

// ---------------------------------------------------------------- refill

// The range list follows byte 0xF1 of a loaded image; the list's own handler
// sees suppressClick and loads no preset.
void Form1::select_range_from_image() {
    suppressClick = true;
    if (auto* range = ctl<QComboBox>(QStringLiteral("cboDft"))) {
        if (const auto index = qrt58::detect_frequency_range(image_)) range->setCurrentIndex(*index);
    }
    suppressClick = false;
}

// Moves the focus to the page area, which runs the check of the entry box that
// had it, and lets its events run. False when the box refused its value (it
// has shown its message and taken the focus back): the command is dropped.
bool Form1::take_focused_entry() {
    if (QWidget* back = control(QStringLiteral("picTabBack"))) back->setFocus(Qt::OtherFocusReason);
    QCoreApplication::processEvents();
    if (!entryErrorPending) return true;
    entryErrorPending = false;
    return false;
}

// A new image refills every control; the loader enables some boxes from the
// image (a source prompt follows its enable byte), which must not unlock them
// in Write mode.
void Form1::refill_from_image() {
    refilling_ = true;
    // The repairs of an opened image (frame map, enable bits above the capcode
    // count) are the same function qrt58cli applies before it writes or
    // verifies a file; set_frame below then finds nothing left to change.
    qrt58::repair_opened_image(image_);
    select_range_from_image();
    init_ctl();
    call("read_CapLen");
    keep_write_mode_locks();
    refilling_ = false;
}

void Form1::mnuAbout_Click() {
    frmAbout about(this);
    about.set_title(about_title_);
    about.setWindowIcon(program_icon());
    about.exec();
}

void Form1::shut_down() {
    if (shut_down_) return;
    shut_down_ = true;
    timer_->stop();
    // A driver that never started (closed before the board steps ran) is left alone.
    if (board_pending_) board_pending_ = false;
    else if (board_.stop_driver) board_.stop_driver();
}

void Form1::mnuExit_Click() {
    if (!shut_down_ && !may_discard_changes()) return;
    shut_down();
    close();
    QCoreApplication::quit();
}

void Form1::closeEvent(QCloseEvent* event) {
    if (!shut_down_ && !may_discard_changes()) {
        event->ignore();
        return;
    }
    shut_down();
    event->accept();
}

void Form1::set_board_status(const QString& text) {
    if (board_label_) board_label_->setText(text);
}

QString Form1::board_status() const { return board_label_ ? board_label_->text() : QString(); }

void Form1::show_status(const QString& text) { notice_label_->setText(text); }

void Form1::show_no_board_choice() {
    show_status(QStringLiteral("No board chosen yet (Options > Board... chooses one)"));
}

QString Form1::status_text() const { return notice_label_->text(); }

bool Form1::write_mode() const {
    auto* w = ctl<QRadioButton>(QStringLiteral("WriteOpt"));
    return w && w->isChecked();
}

void Form1::ModifyOpt_Click() {
    auto* m = ctl<QRadioButton>(QStringLiteral("ModifyOpt"));
    if (m && m->isChecked())
        for (QWidget* w : controls_)
            if (has_write_mode_prefix(w->property("ctlName").toString())) w->setEnabled(true);
    if (QWidget* s = control(QStringLiteral("Slider1"))) s->show();
    menus_->update_edit_actions();
    call("set_frame");
    // The locks that follow other settings hold again: "Set Alert Off" under
    // "Always Vibrate", the music type lists, the greyed source prompts.
    call("load_music_enable");
    call("read_SourcePrompt");
}

void Form1::WriteOpt_Click() {
    keep_write_mode_locks();
    menus_->update_edit_actions();
}

// Write mode: the opt/Tex/txt/cbo/chk controls are disabled and the contrast
// slider is hidden, also after a refill that showed or enabled them.
void Form1::keep_write_mode_locks() {
    if (!write_mode()) return;
    for (QWidget* w : controls_)
        if (has_write_mode_prefix(w->property("ctlName").toString())) w->setEnabled(false);
    if (QWidget* s = control(QStringLiteral("Slider1"))) s->hide();
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    files_->watch_event(watched, event);
    if (watched == central_ && event->type() == QEvent::Resize) {
        layout_controls();
        return false;
    }
    const QEvent::Type t = event->type();
    if (t == QEvent::Paint && board_pending_ && !board_scheduled_ && (watched == central_ || watched == this)) {
        // The window has painted itself: the postponed steps follow at once.
        board_scheduled_ = true;
        QTimer::singleShot(0, this, [this] { finish_start(); });
        return false;
    }
    if (t == QEvent::Show && watched == this && board_pending_) {
        // A window that is never painted (started minimised) still gets its
        // icon and its board.
        QTimer::singleShot(kBoardStartLatestMs, this, [this] { finish_start(); });
        return false;
    }
    if (t != QEvent::KeyPress && t != QEvent::KeyRelease && t != QEvent::ShortcutOverride && t != QEvent::Wheel)
        return false;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || w->window() != this) return false;
    if (t == QEvent::Wheel) return pages_->wheel(w, static_cast<QWheelEvent*>(event));
    auto* key = static_cast<QKeyEvent*>(event);
    if (t == QEvent::KeyPress && pages_->page_key(key)) return true;
    if (t == QEvent::ShortcutOverride) return menus_->takes_key(w, key);
    if (key->key() == Qt::Key_Space && write_mode()) {
        // In Write mode the space bar writes the receiver and reaches no control.
        if (t == QEvent::KeyPress) pager_command(1);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- the parts' commands

void Form1::layout_controls() { layout_->layout_controls(); }
Document& Form1::document() { return files_->document(); }
const Document& Form1::document() const { return files_->document(); }
void Form1::note_changes() { files_->note_changes(); }
bool Form1::may_discard_changes() { return files_->may_discard_changes(); }
void Form1::undo() { files_->undo(); }
void Form1::redo() { files_->redo(); }
QStringList Form1::recent_files() const { return files_->recent_files(); }
void Form1::open_recent(const QString& path) { files_->open_recent(path); }
void Form1::mnuLBFF_Click() { files_->open(); }
void Form1::mnuSBTF_Click() { files_->save(); }
void Form1::mnuSA_Click() { files_->save_as(); }
QString Form1::dialog_folder() const { return files_->dialog_folder(); }
void Form1::pager_command(int mode) { pager_->pager_command(mode); }
void Form1::job_station_command() { pager_->job_station_command(); }
QString Form1::first_capcode_text() const { return pager_->first_capcode_text(); }
int Form1::first_pair_length_index() const { return pager_->first_pair_length_index(); }
void Form1::set_first_capcode(const QString& text) { pager_->set_first_capcode(text); }
void Form1::image_was_read() { pager_->image_was_read(); }
QString Form1::production_file() { return pager_->production_file(); }
bool Form1::save_production_file(QString& error) { return pager_->save_production_file(error); }
void Form1::select_page(int page) { pages_->select_page(page); }
int Form1::current_page() const { return pages_->current_page(); }
