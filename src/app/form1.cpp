#include "form1.h"

#include "capcode.h"
#include "change_rules.h"
#include "ctl_eb_slider.h"
#include "default_image.h"
#include "field_tag.h"
#include "frm_about.h"
#include "program_icon.h"
#include "prompts.h"
#include "frequency.h"
#include "page_rows.h"
#include "pages.h"
#include "table_file.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

using qrt58::ui::ControlKind;
using qrt58::ui::ControlSpec;

namespace {

constexpr double kTwipsPerPixel = 15.0;
// The lists cboCtl(7) to cboCtl(22) are the capcode types of slots 1 to 16;
// cboCtl(2) is the source-prompt mode.
constexpr int kCapcodeTypeListFirst = 7;
constexpr int kSourceModeList = 2;
// Client area of the window as designed: 10935 x 7455 twips.
constexpr int kDesignClientWidth = 729;
constexpr int kDesignClientHeight = 497;
// The contrast slider's thumb length as stored on the window.
constexpr double kSliderThumbTwips = 150;

const QColor kPageColor(224, 224, 224);
const QColor kOrange(255, 192, 128);
const QColor kModeBackground(0, 128, 128);

const QString kTableFilter = QStringLiteral("Table files (*.tbl)");
const QString kFolderKey = QStringLiteral("files/last_folder");
const QString kRecentKey = QStringLiteral("files/recent");
constexpr int kRecentCount = 8;
// The board steps run at the first paint of the window, and this long after it
// is shown at the latest.
constexpr int kBoardStartLatestMs = 1000;
// Below this share of the design size the captions would run into each other.
constexpr double kMinimumScale = 0.85;
// Text at least this much lighter or darker than its background stays readable.
constexpr double kReadableContrast = 4.5;

// Contrast ratio of two colours (relative luminance, sRGB), 1 to 21.
double contrast(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) {
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Check boxes and option buttons draw their box as large as their text asks:
// the indicator grows with the font the layout gives the control.
class ScaledIndicatorStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        const int base = QProxyStyle::pixelMetric(metric, option, widget);
        switch (metric) {
        case PM_IndicatorWidth:
        case PM_IndicatorHeight:
        case PM_ExclusiveIndicatorWidth:
        case PM_ExclusiveIndicatorHeight: {
            if (!widget) return base;
            const double design = widget->property("designFont").toDouble();
            if (design <= 0) return base;
            const double factor = widget->font().pointSizeF() / design;
            return factor > 1.0 ? static_cast<int>(std::lround(base * factor)) : base;
        }
        default: return base;
        }
    }
};

int px(double twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }

// A label shows "&&" as "&" and drops a lone "&" (it marks an access key).
QString label_text(const std::string& caption) {
    const QString in = QString::fromStdString(caption);
    QString out;
    for (int i = 0; i < in.size(); ++i) {
        if (in[i] == QLatin1Char('&')) {
            if (i + 1 < in.size() && in[i + 1] == QLatin1Char('&')) {
                out += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        out += in[i];
    }
    return out;
}

// The 100 x 100 pixel background tile in four light greys.
QPixmap make_texture() {
    QPixmap tile(100, 100);
    QPainter p(&tile);
    const QColor greys[4] = {QColor(236, 236, 236), QColor(228, 228, 228), QColor(220, 220, 220),
                             QColor(212, 212, 212)};
    for (int y = 0; y < 100; y += 4)
        for (int x = 0; x < 100; x += 4) {
            const unsigned h = static_cast<unsigned>(x * 7919 + y * 104729 + (x / 4) * (y / 4) * 31);
            p.fillRect(x, y, 4, 4, greys[(h >> 3) % 4]);
        }
    return tile;
}

// The page area behind the tabs: paints the tiled texture and takes the focus
// when the mouse moves over its visible background.
class TabBack : public QFrame {
public:
    explicit TabBack(QWidget* parent) : QFrame(parent), tile_(make_texture()) {
        setMouseTracking(true);
        setFocusPolicy(Qt::ClickFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        // Whole tiles at natural size, the last row and column included even
        // when they pass the edge.
        const int w = tile_.width(), h = tile_.height();
        const QWidget* client = parentWidget() ? parentWidget() : this;
        for (int i = 0; i <= client->width() / w; ++i)
            for (int j = 0; j <= client->height() / h; ++j) p.drawPixmap(i * w, j * h, tile_);
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        setFocus(Qt::MouseFocusReason);
        QFrame::mouseMoveEvent(e);
    }

private:
    QPixmap tile_;
};

// The page area, tab labels, tab buttons, mode buttons and the five pages.
std::vector<ControlSpec> shell_controls() {
    std::vector<ControlSpec> rows;
    qrt58::ui::add_row(rows, ControlKind::Picture, "picTabBack", -1, "", "", -12, 0, 11500, 7530);
    struct Tab {
        const char* label;
        int label_index;
        const char* label_caption;
        const char* button;
        const char* button_caption;
        int left, button_width, label_width;
    };
    const Tab tabs[5] = {
        {"Label14", -1, "Freq. && Codes", "EMoptCode", "Freq. && Codes", 288, 1470, 1470},
        {"Label15", -1, "Alerts && Status", "EMoptStatus", "Alerts && Status", 1777, 1485, 1470},
        {"lblPEdit", -1, "Prompts Edit", "EMoptPrompts", "Prompts Edit", 3266, 1470, 1470},
        {"lblSource", -1, "Source Prompts", "EMoptSource", "Source Prompts", 4755, 1470, 1470},
        {"lblMusic", 0, "Music && Tone", "EMoptMusic", "Music &&Tone", 6240, 1470, 1470},
    };
    // Labels first: each button lies on top of its label.
    for (const Tab& t : tabs)
        qrt58::ui::add_row(rows, ControlKind::Label, t.label, t.label_index, t.label_caption,
                           "picTabBack", t.left, 192, t.label_width, 255);
    for (const Tab& t : tabs)
        qrt58::ui::add_row(rows, ControlKind::Button, t.button, -1, t.button_caption, "picTabBack",
                           t.left, 192, t.button_width, 255);
    qrt58::ui::add_row(rows, ControlKind::Option, "ModifyOpt", -1, "Modify", "picTabBack", 8475, 199,
                       960, 240).font_size = 9;
    qrt58::ui::add_row(rows, ControlKind::Option, "WriteOpt", -1, "Write", "picTabBack", 9480, 199,
                       960, 240).font_size = 9;
    for (const char* page : Form1::kPageNames)
        qrt58::ui::add_row(rows, ControlKind::Picture, page, -1, "", "picTabBack", 285, 465, 10380,
                           6840);
    return rows;
}

bool has_write_mode_prefix(const QString& name) {
    static const char* const prefixes[] = {"opt", "Tex", "txt", "cbo", "chk"};
    const QString first = name.left(3);
    for (const char* p : prefixes)
        if (first == QLatin1String(p)) return true;
    return false;
}

std::string tag_of(const QObject* o) { return o->property("Tag").toString().toStdString(); }

} // namespace

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

Form1::Form1(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    QFont f(QStringLiteral("Courier New"));
    f.setPointSizeF(8.25);
    setFont(f);
    design_size_ = QSize(kDesignClientWidth, kDesignClientHeight);
    setWindowIcon(program_icon());
    build_window();
    build_menus();
    board_label_ = new QLabel(statusBar());
    board_label_->setObjectName(QStringLiteral("lblBoardStatus"));
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    statusBar()->addPermanentWidget(board_label_);
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setInterval(50);
    connect(timer_, &QTimer::timeout, this, [this] {
        if (board_.keep_alive) board_.keep_alive();
    });
    qApp->installEventFilter(this);
    central_->setMinimumSize(static_cast<int>(std::ceil(kDesignClientWidth * kMinimumScale)),
                             static_cast<int>(std::ceil(kDesignClientHeight * kMinimumScale)));
    resize(kDesignClientWidth,
           kDesignClientHeight + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
}

Form1::~Form1() = default;

// ---------------------------------------------------------------- building

void Form1::build_window() {
    central_ = new QWidget(this);
    central_->setObjectName(QStringLiteral("client"));
    setCentralWidget(central_);
    central_->installEventFilter(this);

    add_rows(shell_controls());
    add_rows(qrt58::ui::codes_page_controls());
    add_rows(qrt58::ui::status_page_controls());
    add_rows(qrt58::ui::prompts_page_controls());
    add_rows(qrt58::ui::source_page_controls());
    add_rows(qrt58::ui::music_page_controls());

    // Tab labels: bold Arial on the button-shadow colour, highlight text colour.
    for (const char* name : {"Label14", "Label15", "lblPEdit", "lblSource", "lblMusic_0"}) {
        auto* l = qobject_cast<QLabel*>(by_name_.value(QString::fromLatin1(name)));
        if (!l) continue;
        QFont f(QStringLiteral("Arial"));
        f.setPointSizeF(8.25);
        f.setBold(true);
        l->setFont(f);
        l->setAlignment(Qt::AlignCenter);
        l->setWordWrap(false);
        l->setAutoFillBackground(true);
        QPalette pal = l->palette();
        const QColor back = pal.color(QPalette::Dark);
        QColor text = pal.color(QPalette::HighlightedText);
        // The highlight-text colour on the button shadow is too faint under
        // some styles: the darker or lighter of black and white then.
        if (contrast(text, back) < kReadableContrast)
            text = contrast(Qt::black, back) >= contrast(Qt::white, back) ? QColor(Qt::black) : QColor(Qt::white);
        pal.setColor(QPalette::Window, back);
        pal.setColor(QPalette::WindowText, text);
        l->setPalette(pal);
    }
    for (int i = 0; i < 5; ++i) {
        auto* b = qobject_cast<QPushButton*>(by_name_.value(QString::fromLatin1(kTabButtonNames[i])));
        if (!b) continue;
        b->setFocusPolicy(Qt::NoFocus);
        if (i >= 3)
            b->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; }").arg(kOrange.name()));
        connect(b, &QPushButton::clicked, this, [this, i] { select_page(i); });
    }
    // The tab buttons in the face of the tab labels under them: their captions
    // were laid out for it ("Alerts && Status" does not fit in Courier New).
    for (const char* name : kTabButtonNames) {
        QWidget* b = by_name_.value(QString::fromLatin1(name));
        if (!b) continue;
        QFont f(QStringLiteral("Arial"));
        f.setPointSizeF(b->font().pointSizeF());
        b->setFont(f);
    }
    for (const char* name : {"ModifyOpt", "WriteOpt"}) {
        auto* o = qobject_cast<QRadioButton*>(by_name_.value(QString::fromLatin1(name)));
        if (!o) continue;
        QFont f(QStringLiteral("Courier New"));
        f.setPointSizeF(9);
        f.setBold(true);
        o->setFont(f);
        o->setAutoFillBackground(true);
        QPalette pal = o->palette();
        pal.setColor(QPalette::Window, kModeBackground);
        pal.setColor(QPalette::Button, kModeBackground);
        pal.setColor(QPalette::WindowText, Qt::white);
        o->setPalette(pal);
    }
    if (auto* m = ctl<QRadioButton>(QStringLiteral("ModifyOpt"))) {
        m->setChecked(true);
        connect(m, &QRadioButton::clicked, this, [this] { ModifyOpt_Click(); });
    }
    if (auto* w = ctl<QRadioButton>(QStringLiteral("WriteOpt")))
        connect(w, &QRadioButton::clicked, this, [this] { WriteOpt_Click(); });

    for (const char* page : kPageNames) {
        QWidget* p = by_name_.value(QString::fromLatin1(page));
        if (!p) continue;
        p->setFocusPolicy(Qt::ClickFocus);
        QPalette pal = p->palette();
        pal.setColor(QPalette::Window, kPageColor);
        p->setPalette(pal);
    }
    // The "E" of each capcode row is a mark, not an entry.
    for (const auto& [index, mark] : array<QLineEdit>(QStringLiteral("Text1"))) {
        (void)index;
        mark->setReadOnly(true);
        mark->setFocusPolicy(Qt::NoFocus);
    }
    auto* indicators = new ScaledIndicatorStyle;
    indicators->setParent(this);
    for (QWidget* w : controls_)
        if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) w->setStyle(indicators);
    select_page(0);
}

void Form1::add_rows(const std::vector<ControlSpec>& rows) {
    for (const ControlSpec& row : rows) create_control(row);
}

QWidget* Form1::create_control(const ControlSpec& row) {
    const QString name = QString::fromStdString(qrt58::ui::object_name(row.name, row.index));
    if (QWidget* existing = by_name_.value(name)) {
        qWarning("Form1: control %s is described twice; the first one is kept", qPrintable(name));
        return existing;
    }
    QWidget* parent = central_;
    if (!row.parent.empty()) {
        parent = by_name_.value(QString::fromStdString(row.parent));
        if (!parent) {
            qWarning("Form1: container %s of %s is missing", row.parent.c_str(), qPrintable(name));
            parent = central_;
        }
    }
    // Positions are relative to the container, its caption included, as designed.
    const QString caption = QString::fromStdString(row.caption);
    QWidget* w = nullptr;
    switch (row.kind) {
    case ControlKind::Frame: w = new QGroupBox(caption, parent); break;
    case ControlKind::Picture:
        if (row.name == "picTabBack") {
            w = new TabBack(parent);
        } else {
            auto* f = new QFrame(parent);
            f->setAutoFillBackground(true);
            QPalette pal = f->palette();
            pal.setColor(QPalette::Window, kPageColor);
            f->setPalette(pal);
            w = f;
        }
        break;
    case ControlKind::Label: {
        auto* l = new QLabel(label_text(row.caption), parent);
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        w = l;
        break;
    }
    case ControlKind::CheckBox: w = new QCheckBox(caption, parent); break;
    case ControlKind::Option: w = new QRadioButton(caption, parent); break;
    case ControlKind::ComboBox: {
        auto* c = new QComboBox(parent);
        for (std::size_t i = 0; i < row.items.size(); ++i) {
            const auto& item = row.items[i];
            c->addItem(QString::fromStdString(item.text),
                       item.data < 0 ? static_cast<int>(i) : item.data);
        }
        c->setCurrentIndex(row.list_index); // -1: nothing selected until the image is loaded
        w = c;
        break;
    }
    case ControlKind::ListBox: {
        auto* l = new QListWidget(parent);
        for (const auto& item : row.items) l->addItem(QString::fromStdString(item.text));
        w = l;
        break;
    }
    case ControlKind::TextBox: {
        auto* t = new QLineEdit(caption, parent);
        if (row.max_length > 0) t->setMaxLength(row.max_length);
        w = t;
        break;
    }
    case ControlKind::Button: w = new QPushButton(caption, parent); break;
    case ControlKind::ScrollBar: w = new QScrollBar(Qt::Vertical, parent); break;
    case ControlKind::Slider: {
        // The contrast slider as stored on the window: 1..8, 4, 150-twip thumb,
        // horizontal, no border.
        auto* s = new qrt58::widgets::ctlEBSlider(parent);
        s->setOrientation(0);
        s->setMax(8);
        s->setMin(1);
        s->setValue(4);
        s->setSliderWidth(static_cast<int>(kSliderThumbTwips));
        s->setBorderStyle(0);
        w = s;
        break;
    }
    }
    w->setObjectName(name);
    w->setProperty("ctlName", QString::fromStdString(row.name));
    w->setProperty("ctlIndex", row.index);
    w->setProperty("Tag", QString::fromStdString(row.tag));
    // Design geometry in twips; start-up copies it into the Tag.
    w->setProperty("twipsRect", QRectF(row.left, row.top, row.width, row.height));
    const bool has_font = row.kind != ControlKind::ScrollBar && row.kind != ControlKind::Slider;
    if (has_font) {
        w->setProperty("designFont", row.font_size);
        QFont f = w->font();
        f.setPointSizeF(row.font_size);
        w->setFont(f);
    }
    if (!row.tooltip.empty()) w->setToolTip(QString::fromStdString(row.tooltip));
    w->setGeometry(px(row.left), px(row.top), px(row.width), px(row.height));
    if (!row.visible) w->hide();
    if (!row.enabled) w->setEnabled(false);

    const int index = row.index;
    if (row.name == "chkCtl") {
        if (auto* c = qobject_cast<QCheckBox*>(w))
            connect(c, &QCheckBox::stateChanged, this, [this, index] { chkCtl_Click(index); });
    } else if (row.name == "cboCtl") {
        if (auto* c = qobject_cast<QComboBox*>(w))
            connect(c, &QComboBox::currentIndexChanged, this, [this, index] { cboCtl_Click(index); });
    } else if (row.name == "chkSource") {
        if (auto* c = qobject_cast<QCheckBox*>(w))
            connect(c, &QCheckBox::stateChanged, this, [this, index] { chkSource_Click(index); });
    }

    controls_.push_back(w);
    by_name_.insert(name, w);
    return w;
}

void Form1::build_menus() {
    struct Item {
        const char* caption;
        const char* name;
        QList<QKeySequence> keys;
        std::function<void()> handler;
    };
    auto add_menu = [this](const char* caption, const char* name, const std::vector<Item>& items) {
        // The first letter of each title opens its menu with Alt.
        QMenu* menu = menuBar()->addMenu(QLatin1Char('&') + QString::fromLatin1(caption));
        menu->setObjectName(QString::fromLatin1(name));
        for (const Item& it : items) {
            QAction* a = nullptr;
            if (!it.caption) {
                a = menu->addSeparator();
            } else if (!it.handler) {
                // A submenu (File > Open Recent), filled as it opens.
                QMenu* sub = menu->addMenu(QString::fromLatin1(it.caption));
                sub->setObjectName(QString::fromLatin1(it.name) + QStringLiteral("Menu"));
                recent_menu_ = sub;
                connect(sub, &QMenu::aboutToShow, this, [this] { rebuild_recent_menu(); });
                a = sub->menuAction();
            } else {
                a = menu->addAction(QString::fromLatin1(it.caption));
                a->setShortcuts(it.keys);
                a->setShortcutContext(Qt::WindowShortcut);
                auto handler = it.handler;
                connect(a, &QAction::triggered, this, [handler] { handler(); });
            }
            a->setObjectName(QString::fromLatin1(it.name));
            a->setProperty("Tag", QString());
            actions_.push_back(a);
        }
    };
    add_menu("File", "mnuFile",
             {{"Open", "mnuLBFF", {QKeySequence(Qt::CTRL | Qt::Key_O)}, [this] { mnuLBFF_Click(); }},
              {"Open Recent", "mnuRecent", {}, {}},
              {"Save", "mnuSBTF", {QKeySequence(Qt::CTRL | Qt::Key_S)}, [this] { mnuSBTF_Click(); }},
              {"Save As...", "mnuSA",
               {QKeySequence(Qt::CTRL | Qt::Key_A), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
               [this] { mnuSA_Click(); }},
              {nullptr, "mnudash", {}, {}},
              {"Exit", "mnuExit", {QKeySequence(Qt::CTRL | Qt::Key_E), QKeySequence(Qt::CTRL | Qt::Key_Q)},
               [this] { mnuExit_Click(); }}});
    add_menu("Edit", "mnuEdit",
             {{"Undo", "mnuUndo", {QKeySequence(Qt::CTRL | Qt::Key_Z)}, [this] { undo(); }},
              {"Redo", "mnuRedo",
               {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
               [this] { redo(); }}});
    add_menu("Pager", "mnuPager",
             {{"Read", "mnuEntire", {QKeySequence(Qt::Key_F3)}, [this] { pager_command(0); }},
              {"Write", "mnuEB", {QKeySequence(Qt::Key_F4)}, [this] { pager_command(1); }},
              {"Verfy", "mnuEB1", {QKeySequence(Qt::Key_F9)}, [this] { pager_command(2); }},
              {nullptr, "mnuJobDash", {}, {}},
              {"Job Station...", "mnuJob", {}, [this] { job_station_command(); }}});
    add_menu("Options", "mnuOptions",
             {{"Line Delay...", "mnuLineDelay", {}, [this] {
                   if (board_.edit_line_delay) board_.edit_line_delay();
               }},
              {"Board...", "mnuBoard", {}, [this] {
                   if (board_.choose_board) board_.choose_board();
               }},
              {"Registry...", "mnuRegistry", {}, [this] {
                   if (board_.choose_registry) board_.choose_registry();
               }}});
    add_menu("Help", "mnuHelp", {{"About", "mnuAbout", {}, [this] { mnuAbout_Click(); }}});
    rebuild_recent_menu();
    update_edit_actions();
    // F10 opens the menu bar, as on the usual Linux desktops.
    auto* f10 = new QAction(this);
    f10->setObjectName(QStringLiteral("menuBarKey"));
    f10->setShortcut(QKeySequence(Qt::Key_F10));
    f10->setShortcutContext(Qt::WindowShortcut);
    connect(f10, &QAction::triggered, this, [this] {
        if (!menuBar()->actions().isEmpty()) {
            menuBar()->setFocus(Qt::ShortcutFocusReason);
            menuBar()->setActiveAction(menuBar()->actions().first());
        }
    });
    addAction(f10);
}

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
    if (!board_pending_ && board_.start_driver) board_.start_driver();
    QCoreApplication::setApplicationName(QString::fromStdString(qrt58::ver_str.substr(0, 5)));
    if (app_path.isEmpty()) app_path = QCoreApplication::applicationDirPath();
    while (app_path.size() > 1 && app_path.endsWith(QLatin1Char('/'))) app_path.chop(1);
    if (data_path.isEmpty()) data_path = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    while (data_path.size() > 1 && data_path.endsWith(QLatin1Char('/'))) data_path.chop(1);
    if (!board_pending_ && board_.board_startup) board_.board_startup();
    design_size_ = QSize(kDesignClientWidth, kDesignClientHeight);
    append_tag_geometry();
    entryErrorPending = false;
    capcodeInvalid = false;
    layout_controls(); // design geometry at the current size; sets cap_row_pitch
    build_default_image();
    call("read_CapLen");
    init_ctl();
    // The user's own default table, else the one installed beside the program.
    // Save writes the user's, as the program folder is not the user's to write.
    // A folder (or anything but a file) of that name is no default table.
    const QString user_default = data_path + QStringLiteral("/default.tbl");
    const QString program_default = app_path + QStringLiteral("/default.tbl");
    const QString found = QFileInfo(user_default).isFile()      ? user_default
                          : QFileInfo(program_default).isFile() ? program_default
                                                                : QString();
    doc_.reset(image_, Document::Origin::Default, user_default);
    tbl_path = user_default;
    bool opened = false;
    if (!start_file.isEmpty()) {
        // The file named on the command line instead of the default table.
        if (QFileInfo(start_file).isFile()) opened = load_file(start_file, Document::Origin::File);
        else messages().info(this, QStringLiteral("This file is not exit!"));
    }
    if (!opened && !found.isEmpty()) {
        tbl_path = found;
        use_tbl_path = true;
        mnuLBFF_Click();
        use_tbl_path = false;
    }
    tbl_path = doc_.save_path();
    update_title();
    update_edit_actions();
    if (!board_pending_) timer_->start();
    select_page(0);
}

void Form1::start_board() {
    if (!board_pending_) return;
    board_pending_ = false;
    if (board_.start_driver) board_.start_driver();
    if (board_.board_startup) board_.board_startup();
    if (!shut_down_ && !pager_running_) timer_->start();
}

void Form1::append_tag_geometry() {
    if (loaded_) return;
    loaded_ = true;
    for (QWidget* w : controls_) {
        const QRectF r = w->property("twipsRect").toRectF();
        std::optional<double> font;
        if (w->property("designFont").isValid()) font = w->property("designFont").toDouble();
        const std::string tag = qrt58::append_tag_geometry(
            tag_of(w), std::array<double, 4>{r.left(), r.top(), r.width(), r.height()}, font);
        w->setProperty("Tag", QString::fromStdString(tag));
    }
    for (QAction* a : actions_)
        a->setProperty("Tag", QString::fromStdString(qrt58::append_tag_geometry(tag_of(a), {}, {})));
    timer_->setProperty("Tag", QStringLiteral(",#"));
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

// ---------------------------------------------------------------- File menu

// The range list follows byte 0xF1 of a loaded image; the list's own handler
// sees suppressClick and loads no preset.
void Form1::select_range_from_image() {
    suppressClick = true;
    if (auto* range = ctl<QComboBox>(QStringLiteral("cboDft"))) {
        if (const auto index = qrt58::detect_frequency_range(image_)) range->setCurrentIndex(*index);
    }
    suppressClick = false;
}

void Form1::update_title() {
    QString title = QStringLiteral("Norvale ") + QString::fromStdString(qrt58::ver_str);
    QString shown;
    if (doc_.origin() == Document::Origin::Receiver) shown = QStringLiteral("read from the receiver");
    else if (!doc_.shown_path().isEmpty()) shown = QDir::toNativeSeparators(doc_.shown_path());
    if (!shown.isEmpty()) title += QStringLiteral(" - [") + shown + QLatin1Char(']');
    setWindowTitle(title + QStringLiteral("[*]"));
    setWindowModified(doc_.modified());
}

void Form1::update_edit_actions() {
    for (QAction* a : actions_) {
        if (a->objectName() == QLatin1String("mnuUndo")) a->setEnabled(doc_.can_undo());
        else if (a->objectName() == QLatin1String("mnuRedo")) a->setEnabled(doc_.can_redo());
    }
}

void Form1::schedule_change_check() {
    if (change_check_scheduled_ || !loaded_) return;
    change_check_scheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        change_check_scheduled_ = false;
        note_changes();
    });
}

void Form1::note_changes() {
    if (refilling_ || !loaded_) return;
    if (doc_.commit(image_)) {
        update_title();
        update_edit_actions();
    }
}

bool Form1::may_discard_changes() {
    if (!take_focused_entry()) return false;
    note_changes();
    if (!doc_.modified()) return true;
    switch (messages().ask_save_discard_cancel(
        this, QStringLiteral("Save changes to ") + doc_.display_name() + QLatin1Char('?'))) {
    case qrt58::SaveAnswer::Save: return save_document(doc_.save_path().isEmpty());
    case qrt58::SaveAnswer::Discard: return true;
    case qrt58::SaveAnswer::Cancel: break;
    }
    return false;
}

void Form1::undo() {
    if (write_mode() || !take_focused_entry()) return;
    note_changes();
    if (!doc_.can_undo()) return;
    image_ = doc_.undo();
    refill_from_image();
    doc_.absorb(image_);
    update_title();
    update_edit_actions();
}

void Form1::redo() {
    if (write_mode() || !take_focused_entry()) return;
    note_changes();
    if (!doc_.can_redo()) return;
    image_ = doc_.redo();
    refill_from_image();
    doc_.absorb(image_);
    update_title();
    update_edit_actions();
}

bool Form1::load_file(const QString& path, Document::Origin origin) {
    qrt58::PagerTable loaded = image_;
    const qrt58::LoadResult result = qrt58::load_table_file(path, loaded);
    if (result.status == qrt58::LoadStatus::WrongSignature) {
        messages().info(this, QStringLiteral("The [") + path +
                                  QStringLiteral("] is not correct format, the file will discard !"));
        return false;
    }
    if (result.status != qrt58::LoadStatus::Ok) {
        messages().error(this, result.error);
        return false;
    }
    image_ = loaded;
    refill_from_image();
    const QString user_default = data_path + QStringLiteral("/default.tbl");
    doc_.reset(image_, origin, origin == Document::Origin::Default ? user_default : path, path);
    tbl_path = doc_.save_path();
    if (origin == Document::Origin::File) add_recent(path);
    update_title();
    update_edit_actions();
    return true;
}

void Form1::mnuLBFF_Click() {
    if (use_tbl_path) {
        load_file(tbl_path, Document::Origin::Default);
        return;
    }
    if (!may_discard_changes()) return;
    const QString path = qrt58::file_dialogs().open_file(
        this, dialog_folder(), kTableFilter + QStringLiteral(";;All files (*)"));
    if (path.isEmpty()) return;
    remember_folder(path);
    if (!QFileInfo::exists(path)) {
        messages().info(this, QStringLiteral("This file is not exit!"));
        return;
    }
    load_file(path, Document::Origin::File);
}

void Form1::open_recent(const QString& path) {
    if (!may_discard_changes()) return;
    if (!QFileInfo(path).isFile()) {
        messages().info(this, QStringLiteral("This file is not exit!"));
        recent_files(); // drops it from the list
        rebuild_recent_menu();
        return;
    }
    load_file(path, Document::Origin::File);
}

bool Form1::save_to(const QString& path) {
    // The user's data folder may not exist yet before the first save.
    if (QFileInfo(path).absolutePath() == QFileInfo(data_path).absoluteFilePath()) QDir().mkpath(data_path);
    const qrt58::SaveResult result = qrt58::save_table_file(path, image_);
    if (!result.ok) {
        messages().error(this, result.error);
        return false;
    }
    const bool was_default = doc_.origin() == Document::Origin::Default && path == doc_.save_path();
    doc_.saved(image_, path);
    tbl_path = path;
    add_recent(path);
    update_title();
    update_edit_actions();
    if (was_default)
        show_status(QStringLiteral("Saved the default table %1; it is loaded at the next start")
                        .arg(QDir::toNativeSeparators(path)));
    else
        show_status(QStringLiteral("Saved %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

bool Form1::save_document(bool ask_name) {
    // A value typed but not yet confirmed is stored (or refused) first, so
    // that the file holds what the window shows.
    if (!take_focused_entry()) return false;
    note_changes();
    if (!ask_name) return save_to(tbl_path);
    QString path = qrt58::file_dialogs().save_file(this, dialog_folder(), kTableFilter);
    if (path.isEmpty()) return false;
    // A name without a suffix is a table file.
    if (QFileInfo(path).suffix().isEmpty() && !path.endsWith(QLatin1Char('.')))
        path += QStringLiteral(".tbl");
    remember_folder(path);
    if (QFileInfo::exists(path) &&
        !messages().ask_yes_no(this, QStringLiteral("This file is arealy exist ! \nAre you sure overwrite this file?")))
        return false;
    return save_to(path);
}

void Form1::mnuSA_Click() { save_document(!use_tbl_path); }

QStringList Form1::recent_files() const {
    QStringList stored = settings_ ? settings_->value(kRecentKey).toStringList() : recent_;
    QStringList kept;
    for (const QString& path : stored)
        if (QFileInfo(path).isFile() && !kept.contains(path)) kept << path;
    if (kept != stored) {
        if (settings_) settings_->setValue(kRecentKey, kept);
        else const_cast<Form1*>(this)->recent_ = kept;
    }
    return kept;
}

void Form1::add_recent(const QString& path) {
    QStringList list = recent_files();
    const QString full = QFileInfo(path).absoluteFilePath();
    list.removeAll(full);
    list.prepend(full);
    while (list.size() > kRecentCount) list.removeLast();
    if (settings_) settings_->setValue(kRecentKey, list);
    else recent_ = list;
    rebuild_recent_menu();
}

void Form1::rebuild_recent_menu() {
    if (!recent_menu_) return;
    recent_menu_->clear();
    const QStringList files = recent_files();
    for (int i = 0; i < files.size(); ++i) {
        const QString path = files[i];
        QAction* a = recent_menu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()));
        a->setToolTip(QDir::toNativeSeparators(path));
        a->setData(path);
        connect(a, &QAction::triggered, this, [this, path] { open_recent(path); });
    }
    if (files.isEmpty()) recent_menu_->addAction(QStringLiteral("(none)"))->setEnabled(false);
}

QString Form1::dialog_folder() const {
    QString folder = last_folder_;
    if (folder.isEmpty() && settings_) folder = settings_->value(kFolderKey).toString();
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) return folder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

void Form1::remember_folder(const QString& file_path) {
    last_folder_ = QFileInfo(file_path).absolutePath();
    if (settings_) settings_->setValue(kFolderKey, last_folder_);
}

void Form1::mnuSBTF_Click() {
    // After a read from the receiver there is no file to write to: Save asks.
    save_document(doc_.save_path().isEmpty());
}

// ---------------------------------------------------------------- commands

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

void Form1::pager_command(int mode) {
    // A second command arriving while one runs (keys queued during the
    // transfer) must not start a transfer inside the first one.
    if (pager_running_) return;
    start_board(); // a key pressed before the board steps ran
    pager_running_ = true;
    timer_->stop();
    transfer_mode = mode;
    // A read replaces the image: unsaved changes are saved or dropped first.
    if (take_focused_entry() && (mode != 0 || may_discard_changes()) && board_.show_transfer) {
        note_changes();
        board_.show_transfer(transfer_mode);
        // A write stamps its checksum and marker into the image: the
        // transfer's bytes, not a change of the user's.
        if (mode != 0) doc_.absorb(image_);
        update_title();
    }
    pager_running_ = false;
    if (!shut_down_) timer_->start();
}

void Form1::job_station_command() {
    if (pager_running_) return;
    start_board();
    pager_running_ = true;
    timer_->stop();
    if (take_focused_entry() && board_.job_station) board_.job_station();
    pager_running_ = false;
    if (!shut_down_) timer_->start();
}

QString Form1::first_capcode_text() const {
    auto* box = ctl<QLineEdit>(QStringLiteral("txtAddr"), 0);
    return box ? box->text() : QString();
}

int Form1::first_pair_length_index() const {
    auto* list = ctl<QComboBox>(QStringLiteral("cboCapLen"), 0);
    return list ? list->currentIndex() : 0;
}

void Form1::set_first_capcode(const QString& text) {
    if (auto* box = ctl<QLineEdit>(QStringLiteral("txtAddr"), 0)) box->setText(text);
    call("txt_to_tbl", 0);
    call("read_dftaddr");
    // The receiver listens in the frame of its capcode: the frame map follows
    // the raised capcode as it follows a typed one.
    call("set_frame");
    keep_write_mode_locks();
}

// The image is the receiver's now, not the file's: the title says so and Save
// asks for a name.
void Form1::image_was_read() {
    refill_from_image();
    doc_.reset(image_, Document::Origin::Receiver, QString());
    tbl_path.clear();
    update_title();
    update_edit_actions();
}

QString Form1::production_file() {
    if (doc_.origin() == Document::Origin::File) return doc_.save_path();
    // No table file open: the station keeps its capcodes in one the user names.
    if (!save_document(true)) return QString();
    return doc_.save_path();
}

bool Form1::save_production_file(QString& error) {
    note_changes();
    const QString path = doc_.save_path();
    const qrt58::SaveResult result = qrt58::save_table_file(path, image_);
    if (!result.ok) {
        error = result.error;
        return false;
    }
    doc_.saved(image_, path);
    update_title();
    update_edit_actions();
    return true;
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

void Form1::show_status(const QString& text) { statusBar()->showMessage(text); }

void Form1::show_no_board_choice() {
    show_status(QStringLiteral("No board chosen yet (Options > Board... chooses one)"));
}

QString Form1::status_text() const { return statusBar()->currentMessage(); }

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
    call("set_frame");
    // The locks that follow other settings hold again: "Set Alert Off" under
    // "Always Vibrate", the music type lists, the greyed source prompts.
    call("load_music_enable");
    call("read_SourcePrompt");
}

void Form1::WriteOpt_Click() { keep_write_mode_locks(); }

// Write mode: the opt/Tex/txt/cbo/chk controls are disabled and the contrast
// slider is hidden, also after a refill that showed or enabled them.
void Form1::keep_write_mode_locks() {
    if (!write_mode()) return;
    for (QWidget* w : controls_)
        if (has_write_mode_prefix(w->property("ctlName").toString())) w->setEnabled(false);
    if (QWidget* s = control(QStringLiteral("Slider1"))) s->hide();
}

void Form1::select_page(int page) {
    if (page < 0 || page >= 5) return;
    const auto page_widget = [this](int i) {
        return control(QString::fromLatin1(kPageNames[static_cast<std::size_t>(i)]));
    };
    const auto show_in_front = [&](int i) {
        for (int b = 0; b < 5; ++b)
            if (QWidget* button = control(QString::fromLatin1(kTabButtonNames[static_cast<std::size_t>(b)])))
                button->setVisible(b != i);
        if (QWidget* back = control(QStringLiteral("picTabBack"))) back->raise();
        if (QWidget* p = page_widget(i)) {
            p->show();
            p->raise();
        }
    };
    show_in_front(page);
    if (QWidget* p = page_widget(page)) p->setFocus(Qt::OtherFocusReason);
    // The focus leaving an entry box runs its check; a box that refuses its
    // value takes the focus back, and its page then stays in front.
    if (QWidget* focused = QApplication::focusWidget()) {
        for (int i = 0; i < 5; ++i) {
            QWidget* p = page_widget(i);
            if (i != page && p && p->isAncestorOf(focused)) {
                page = i;
                show_in_front(page);
                break;
            }
        }
    }
    current_page_ = page;
    // A page behind is hidden, not only covered: Tab and the arrow keys do not
    // reach its controls.
    for (int i = 0; i < 5; ++i)
        if (QWidget* p = page_widget(i); p && i != page) p->hide();
}

// Ctrl+Tab / Ctrl+PgDown the next page, Ctrl+Shift+Tab / Ctrl+PgUp the one
// before (round the end), Alt+1..Alt+5 a page by number.
bool Form1::page_key(const QKeyEvent* key) {
    const Qt::KeyboardModifiers mods =
        key->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier);
    const int k = key->key();
    int page = -1;
    if (mods == Qt::ControlModifier && (k == Qt::Key_Tab || k == Qt::Key_PageDown))
        page = current_page_ + 1;
    else if ((mods == (Qt::ControlModifier | Qt::ShiftModifier) && (k == Qt::Key_Tab || k == Qt::Key_Backtab)) ||
             (mods == Qt::ControlModifier && (k == Qt::Key_PageUp || k == Qt::Key_Backtab)))
        page = current_page_ + 4;
    else if (mods == Qt::AltModifier && k >= Qt::Key_1 && k <= Qt::Key_5)
        page = k - Qt::Key_1;
    else
        return false;
    select_page(page % 5);
    return true;
}

// A list changes with the wheel only while it has the focus; over the capcode
// rows the wheel scrolls the rows, one row per notch.
bool Form1::wheel(QWidget* target, QWheelEvent* event) {
    auto* list = qobject_cast<QComboBox*>(target);
    if (list && list->hasFocus()) return false;
    QWidget* rows = control(QStringLiteral("Picture2"));
    auto* bar = ctl<QScrollBar>(QStringLiteral("VScroll1"));
    if (rows && bar && (target == rows || rows->isAncestorOf(target))) {
        wheel_rest_ += event->angleDelta().y();
        const int notches = wheel_rest_ / 120;
        wheel_rest_ -= notches * 120;
        const int row = std::max(1, static_cast<int>(std::lround(cap_row_pitch)));
        if (notches != 0) bar->setValue(bar->value() - notches * row);
        event->accept();
        return true;
    }
    return list != nullptr; // a list without the focus lets the wheel pass by
}

bool Form1::is_menu_shortcut(const QKeyEvent* key) const {
    const QKeySequence seq(key->keyCombination());
    for (QAction* a : actions_)
        if (a->shortcuts().contains(seq)) return true;
    return false;
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyRelease:
    case QEvent::MouseButtonRelease:
    case QEvent::FocusOut:
    case QEvent::Wheel:
        // A user action may have committed a change to the image.
        schedule_change_check();
        break;
    default: break;
    }
    if (watched == central_ && event->type() == QEvent::Resize) {
        layout_controls();
        return false;
    }
    const QEvent::Type t = event->type();
    if (t == QEvent::Paint && board_pending_ && !board_scheduled_ && (watched == central_ || watched == this)) {
        // The window has painted itself: the board steps follow at once.
        board_scheduled_ = true;
        QTimer::singleShot(0, this, [this] { start_board(); });
        return false;
    }
    if (t == QEvent::Show && watched == this && board_pending_) {
        // A window that is never painted (started minimised) still gets its board.
        QTimer::singleShot(kBoardStartLatestMs, this, [this] { start_board(); });
        return false;
    }
    if (t != QEvent::KeyPress && t != QEvent::KeyRelease && t != QEvent::ShortcutOverride && t != QEvent::Wheel)
        return false;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || w->window() != this) return false;
    if (t == QEvent::Wheel) return wheel(w, static_cast<QWheelEvent*>(event));
    auto* key = static_cast<QKeyEvent*>(event);
    if (t == QEvent::KeyPress && page_key(key)) return true;
    if (t == QEvent::ShortcutOverride) {
        // The menu keys win over a text box's own use of them, except Ctrl+A,
        // which selects all in an editable box, and the undo keys while the
        // box has typing of its own to undo.
        if (auto* edit = qobject_cast<QLineEdit*>(w); edit && !edit->isReadOnly()) {
            if (key->matches(QKeySequence::SelectAll)) return false;
            if (key->matches(QKeySequence::Undo) && edit->isUndoAvailable()) return false;
            if (key->matches(QKeySequence::Redo) && edit->isRedoAvailable()) return false;
        }
        return is_menu_shortcut(key);
    }
    if (key->key() == Qt::Key_Space && write_mode()) {
        // In Write mode the space bar writes the receiver and reaches no control.
        if (t == QEvent::KeyPress) pager_command(1);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- layout

void Form1::layout_controls() {
    if (!loaded_ || !central_) return;
    if (!isVisible() && layout()) layout()->activate(); // client size before the first show
    const QSize client = central_->size();
    if (client.width() <= 0 || client.height() <= 0) return; // minimized
    sx_ = static_cast<double>(client.width()) / design_size_.width();
    sy_ = static_cast<double>(client.height()) / design_size_.height();
    const double font_factor = std::min(sx_, sy_);
    for (QWidget* w : controls_) {
        const std::string tag = tag_of(w);
        const qrt58::TagGeometry g = qrt58::parse_tag_geometry(tag);
        if (g.complete >= 5 && g.values[4] * font_factor > 0) {
            QFont f = w->font();
            f.setPointSizeF(g.values[4] * font_factor);
            w->setFont(f);
        }
        if (g.complete < 4) continue;
        const int left = px(sx_ * g.values[0]);
        const int top = px(sy_ * g.values[1]);
        const int width = px(sx_ * g.values[2]);
        if (w->property("ctlName").toString().startsWith(QLatin1String("cbo")))
            w->setGeometry(left, top, width, w->sizeHint().height());
        else
            w->setGeometry(left, top, width, px(sy_ * g.values[3]));
        // The slider's thumb grows with the text around it (never below its
        // stored length).
        if (auto* slider = qobject_cast<qrt58::widgets::ctlEBSlider*>(w))
            slider->setSliderWidth(static_cast<int>(std::lround(kSliderThumbTwips * std::max(1.0, font_factor))));
    }
    const auto design_top = [this](const QString& name, int index) -> std::optional<double> {
        QWidget* w = control(name, index);
        if (!w) return std::nullopt;
        const auto g = qrt58::parse_tag_geometry(tag_of(w));
        if (g.complete < 4) return std::nullopt;
        return g.values[1];
    };
    const auto t0 = design_top(QStringLiteral("Label1"), 0);
    const auto t1 = design_top(QStringLiteral("Label1"), 1);
    if (t0 && t1) cap_row_pitch = sy_ * (*t1 - *t0) / kTwipsPerPixel;
    if (QWidget* frame = control(QStringLiteral("Frame1"), 0)) cap_frame_height = frame->height();
    call("ChkCapLen");
}
