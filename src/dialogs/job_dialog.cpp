#include "job_dialog.h"

#include "table_file.h"
#include "ui_seams.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSysInfo>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace qrt58 {
namespace {

QPushButton* browse_button(QWidget* parent, const char* name) {
    auto* b = new QPushButton(QStringLiteral("Browse..."), parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QLineEdit* line_edit(QWidget* parent, const char* name, const QString& text = QString()) {
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(QString::fromLatin1(name));
    return e;
}

enum Column { ColBoard, ColState, ColReceiver, ColCapcode, ColProgress, ColOk, ColFailed, ColCount };

// What the station offers again when it is opened next.
const QString kBaseKey = QStringLiteral("job_station/base");
const QString kRangeKey = QStringLiteral("job_station/range");
const QString kRowsKey = QStringLiteral("job_station/rows");
const QString kUseRowsKey = QStringLiteral("job_station/use_rows");
const QString kJobKey = QStringLiteral("job_station/job");
const QString kStationKey = QStringLiteral("job_station/station");
const QString kBoardsKey = QStringLiteral("job_station/boards");
const QString kContinuousKey = QStringLiteral("job_station/continuous");

QString receivers_text(int n) { return n == 1 ? QStringLiteral("1 receiver") : QStringLiteral("%1 receivers").arg(n); }

} // namespace

JobDialog::JobDialog(Board& window_board, const BoardChoice& window_choice, QSettings& settings, ApplySettings apply,
                     const QString& base, QWidget* parent)
    : QDialog(parent), window_board_(window_board), window_choice_(window_choice), settings_(settings),
      apply_(std::move(apply)) {
    setWindowTitle(QStringLiteral("Job Station"));
    setObjectName(QStringLiteral("JobDialog"));
    auto* form = new QFormLayout;
    txtBase = line_edit(this, "txtBase", base.isEmpty() ? settings.value(kBaseKey).toString() : base);
    auto* base_row = new QHBoxLayout;
    base_row->addWidget(txtBase);
    QPushButton* cmdBase = browse_button(this, "cmdBase");
    base_row->addWidget(cmdBase);
    form->addRow(QStringLiteral("Base table file:"), base_row);

    optRange = new QRadioButton(QStringLiteral("Range of capcode 1 (FIRST:COUNT[:STEP]):"), this);
    optRange->setObjectName(QStringLiteral("optRange"));
    optRange->setChecked(true);
    txtRange = line_edit(this, "txtRange", settings.value(kRangeKey).toString());
    form->addRow(optRange, txtRange);
    optRows = new QRadioButton(QStringLiteral("Rows (CSV, header of settings):"), this);
    optRows->setObjectName(QStringLiteral("optRows"));
    txtRows = line_edit(this, "txtRows", settings.value(kRowsKey).toString());
    optRows->setChecked(settings.value(kUseRowsKey, false).toBool());
    auto* rows_row = new QHBoxLayout;
    rows_row->addWidget(txtRows);
    QPushButton* cmdRows = browse_button(this, "cmdRows");
    rows_row->addWidget(cmdRows);
    form->addRow(optRows, rows_row);

    txtJob = line_edit(this, "txtJob", settings.value(kJobKey).toString());
    txtJob->setPlaceholderText(QStringLiteral("the base file's name"));
    form->addRow(QStringLiteral("Job:"), txtJob);
    txtStation = line_edit(this, "txtStation", settings.value(kStationKey, QSysInfo::machineHostName()).toString());
    form->addRow(QStringLiteral("Station:"), txtStation);
    txtBoards = line_edit(this, "txtBoards", settings.value(kBoardsKey, window_choice.text()).toString());
    txtBoards->setToolTip(QStringLiteral("Boards separated by spaces, as --board takes them: ") +
                          board_kind_syntaxes());
    form->addRow(QStringLiteral("Boards:"), txtBoards);
    lblRegistry = new QLabel(this);
    lblRegistry->setObjectName(QStringLiteral("lblRegistry"));
    lblRegistry->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(QStringLiteral("Registry:"), lblRegistry);
    chkContinuous =
        new QCheckBox(QStringLiteral("Go on until the job is done (else one receiver per board each Start)"), this);
    chkContinuous->setObjectName(QStringLiteral("chkContinuous"));
    chkContinuous->setChecked(settings.value(kContinuousKey, false).toBool());
    form->addRow(QString(), chkContinuous);

    tblBoards = new QTableWidget(0, ColCount, this);
    tblBoards->setObjectName(QStringLiteral("tblBoards"));
    tblBoards->setHorizontalHeaderLabels({QStringLiteral("Board"), QStringLiteral("State"), QStringLiteral("Receiver"),
                                          QStringLiteral("Capcode"), QStringLiteral("Progress"), QStringLiteral("OK"),
                                          QStringLiteral("Failed")});
    tblBoards->horizontalHeader()->setSectionResizeMode(ColBoard, QHeaderView::Stretch);
    tblBoards->horizontalHeader()->setSectionResizeMode(ColReceiver, QHeaderView::ResizeToContents);
    tblBoards->verticalHeader()->hide();
    // Boards of one kind differ at the end of their paths: cut in the middle.
    tblBoards->setTextElideMode(Qt::ElideMiddle);
    tblBoards->setWordWrap(false);
    tblBoards->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblBoards->setMinimumHeight(110);
    txtLog = new QPlainTextEdit(this);
    txtLog->setObjectName(QStringLiteral("txtLog"));
    txtLog->setReadOnly(true);
    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));

    cmdStart = new QPushButton(QStringLiteral("Start"), this);
    cmdStart->setObjectName(QStringLiteral("cmdStart"));
    cmdStart->setDefault(true);
    cmdStop = new QPushButton(QStringLiteral("Stop"), this);
    cmdStop->setObjectName(QStringLiteral("cmdStop"));
    cmdStop->setEnabled(false);
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblSummary, 1);
    buttons->addWidget(cmdStart);
    buttons->addWidget(cmdStop);
    buttons->addWidget(cmdClose);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(tblBoards);
    layout->addWidget(txtLog, 1);
    layout->addLayout(buttons);
    resize(720, 560);

    QString error;
    const auto where = resolve_registry_location(QString(), settings_, &error);
    lblRegistry->setText(where ? where->text() : error);

    const auto pick = [this](QLineEdit* box, const char* filter) {
        const QString start = box->text().isEmpty() ? QString() : QFileInfo(box->text()).absolutePath();
        const QString chosen = file_dialogs().open_file(this, start, QString::fromLatin1(filter));
        if (!chosen.isEmpty()) box->setText(chosen);
    };
    connect(cmdBase, &QPushButton::clicked, this, [=] { pick(txtBase, "Table files (*.tbl);;All files (*)"); });
    connect(cmdRows, &QPushButton::clicked, this, [=] {
        pick(txtRows, "CSV files (*.csv);;All files (*)");
        optRows->setChecked(true);
    });
    connect(txtRows, &QLineEdit::textEdited, this, [this] { optRows->setChecked(true); });
    connect(txtRange, &QLineEdit::textEdited, this, [this] { optRange->setChecked(true); });
    connect(cmdStart, &QPushButton::clicked, this, [this] { start(); });
    connect(cmdStop, &QPushButton::clicked, this, [this] { stop(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { reject(); });
    timer_ = new QTimer(this);
    timer_->setInterval(100);
    connect(timer_, &QTimer::timeout, this, [this] { refresh(); });
}

JobDialog::~JobDialog() {
    stop();
    wait();
}

void JobDialog::log(const QString& line) { txtLog->appendPlainText(line); }

void JobDialog::result(int, const QString& line, bool) {
    std::lock_guard<std::mutex> lock(lines_mutex_);
    lines_.push_back(line);
}

void JobDialog::remember() {
    settings_.setValue(kBaseKey, txtBase->text().trimmed());
    settings_.setValue(kRangeKey, txtRange->text().trimmed());
    settings_.setValue(kRowsKey, txtRows->text().trimmed());
    settings_.setValue(kUseRowsKey, optRows->isChecked());
    settings_.setValue(kJobKey, txtJob->text().trimmed());
    settings_.setValue(kStationKey, txtStation->text().trimmed());
    settings_.setValue(kBoardsKey, txtBoards->text().simplified());
    settings_.setValue(kContinuousKey, chkContinuous->isChecked());
}

bool JobDialog::start() {
    if (running()) return false;
    remember();
    txtLog->clear();
    lblSummary->clear();
    // The rows of the previous start go, whether or not this one starts.
    tblBoards->setRowCount(0);
    rows_.clear();
    JobPlan plan;
    const QString base = txtBase->text().trimmed();
    const LoadResult loaded = load_table_file(base, plan.base);
    if (loaded.status != LoadStatus::Ok) {
        log(base.isEmpty()                                ? QStringLiteral("No base table file chosen.")
            : loaded.status == LoadStatus::WrongSignature ? QStringLiteral("%1 is not a QRT58 table file.").arg(base)
                                                          : loaded.error);
        return false;
    }
    plan.name = txtJob->text().trimmed().isEmpty() ? QFileInfo(base).fileName() : txtJob->text().trimmed();
    std::vector<JobProblem> problems;
    if (optRows->isChecked()) {
        problems = plan_rows(plan, txtRows->text().trimmed());
    } else {
        QString error;
        const auto range = parse_job_range(txtRange->text().trimmed(), &error, range_limit(plan.base));
        if (!range) {
            log(error.replace(QLatin1String("--range takes"), QLatin1String("The range takes")));
            return false;
        }
        plan_range(plan, *range);
    }
    if (!plan.receivers.empty()) {
        const auto more = check_job(plan, apply_);
        problems.insert(problems.end(), more.begin(), more.end());
    }
    const auto refuse = [&](const std::vector<JobProblem>& list) {
        for (const JobProblem& p : list)
            log((p.line > 0 ? plan.where(p.line) + QStringLiteral(": ") : QString()) + p.text);
        log(QStringLiteral("Nothing programmed."));
        return false;
    };
    if (!problems.empty()) return refuse(problems);

    // The boards, each named once.
    std::vector<BoardChoice> choices;
    for (const QString& text : txtBoards->text().split(' ', Qt::SkipEmptyParts)) {
        QString error;
        const auto choice = parse_board_choice(text, &error);
        if (!choice) {
            log(error);
            return false;
        }
        if (std::find(choices.begin(), choices.end(), *choice) == choices.end()) choices.push_back(*choice);
    }
    if (choices.empty()) {
        log(QStringLiteral("No board given."));
        return false;
    }

    QString error;
    const auto where = resolve_registry_location(QString(), settings_, &error);
    if (!where) {
        log(error);
        return false;
    }
    StationOptions options;
    options.registry = *where;
    options.host = QSysInfo::machineHostName();
    options.station = txtStation->text().trimmed().isEmpty() ? options.host : txtStation->text().trimmed();
    options.apply = apply_;
    options.stop = &stop_;
    options.one_per_round = !chkContinuous->isChecked();
    station_ = std::make_unique<JobStation>(plan, options);
    if (!station_->prepare(error, problems)) {
        const std::vector<qint64> existing = station_->existing_capcodes();
        station_.reset();
        if (!problems.empty()) return refuse(problems);
        if (!existing.empty())
            log(QStringLiteral("A job named %1 exists with other contents: receivers %2. Choose another job name.")
                    .arg(plan.name, capcode_ranges_text(existing)));
        else log(QStringLiteral("Registry: ") + error);
        return false;
    }

    owned_.clear();
    boards_.clear();
    labels_.clear();
    window_board_used_ = false;
    // The other boards run with the window's line delay (the one chosen), or
    // the remembered one when the window's board has none.
    BoardSettings setup = load_board_settings(settings_);
    if (window_board_.bus().has_line_delay()) setup.line_delay_us = window_board_.bus().line_delay_us();
    for (const BoardChoice& choice : choices) {
        Board* board = nullptr;
        if (choice == window_choice_) {
            board = &window_board_;
            window_board_used_ = true;
        } else {
            setup.choice = choice;
            auto made = make_board(setup);
            const DriverStatus started = made->open().driver;
            if (!started.ok) {
                // The board keeps its row, with the reason.
                log(choice.text() + QStringLiteral(": ") + started.error);
                rows_.push_back({choice.text(), -1, QStringLiteral("not started: ") + started.error});
                continue;
            }
            board = made.get();
            owned_.push_back(std::move(made));
        }
        rows_.push_back({choice.text(), static_cast<int>(boards_.size()), QString()});
        boards_.push_back(board);
        labels_ << choice.text();
    }
    tblBoards->setRowCount(static_cast<int>(rows_.size()));
    for (int r = 0; r < tblBoards->rowCount(); ++r)
        for (int c = 0; c < ColCount; ++c) tblBoards->setItem(r, c, new QTableWidgetItem);
    show_rows();
    if (boards_.empty()) {
        station_->finish();
        station_.reset();
        log(QStringLiteral("No board could be started; nothing programmed."));
        return false;
    }
    // The window's board works in a worker thread now: no window events and
    // no message boxes from there.
    if (window_board_used_) {
        saved_pump_ = window_board_.bus().event_pump();
        saved_sink_ = window_board_.bus().message_sink();
        window_board_.bus().set_event_pump({});
        window_board_.bus().set_message_sink({});
    }
    JobCounts counts;
    if (station_->counts(counts))
        log(QStringLiteral("Job %1: %2%3, %4 done.")
                .arg(plan.name)
                .arg(receivers_text(counts.receivers))
                .arg(station_->created_job() ? QStringLiteral(" (new)") : QString())
                .arg(counts.done));
    stop_ = false;
    done_ = false;
    cmdStart->setEnabled(false);
    cmdStop->setEnabled(true);
    cmdClose->setEnabled(false);
    worker_ = std::thread([this] {
        station_->run(boards_, labels_, *this);
        done_ = true;
    });
    timer_->start();
    refresh();
    return true;
}

void JobDialog::stop() { stop_ = true; }

void JobDialog::wait() {
    if (!worker_.joinable()) return;
    worker_.join();
    finished();
}

void JobDialog::refresh() {
    std::deque<QString> lines;
    {
        std::lock_guard<std::mutex> lock(lines_mutex_);
        lines.swap(lines_);
    }
    for (const QString& line : lines) log(line);
    show_rows();
    if (done_ && worker_.joinable()) {
        worker_.join();
        finished();
    }
}

void JobDialog::show_rows() {
    for (std::size_t row = 0; row < rows_.size() && static_cast<int>(row) < tblBoards->rowCount(); ++row) {
        const int r = static_cast<int>(row);
        const Row& board = rows_[row];
        // The whole name as tool tip: the column cuts it in the middle.
        tblBoards->item(r, ColBoard)->setText(board.label);
        tblBoards->item(r, ColBoard)->setToolTip(board.label);
        if (board.station_index < 0 || !station_) {
            tblBoards->item(r, ColState)->setText(board.failure);
            tblBoards->item(r, ColState)->setToolTip(board.failure);
            continue;
        }
        const std::size_t i = static_cast<std::size_t>(board.station_index);
        if (i >= station_->boards()) continue;
        const BoardProgress p = station_->progress(i);
        tblBoards->item(r, ColState)->setText(p.state);
        tblBoards->item(r, ColState)->setToolTip(p.state);
        tblBoards->item(r, ColReceiver)->setText(p.line > 0 ? station_->plan().where(p.line) : QString());
        tblBoards->item(r, ColCapcode)->setText(p.capcodes);
        tblBoards->item(r, ColProgress)
            ->setText(p.state == QLatin1String("programming") ? QStringLiteral("%1 %2%").arg(p.phase).arg(p.percent)
                                                              : QString());
        tblBoards->item(r, ColOk)->setText(QString::number(p.ok));
        tblBoards->item(r, ColFailed)->setText(QString::number(p.failed));
    }
}

void JobDialog::finished() {
    timer_->stop();
    {
        std::deque<QString> lines;
        {
            std::lock_guard<std::mutex> lock(lines_mutex_);
            lines.swap(lines_);
        }
        for (const QString& line : lines) log(line);
    }
    if (window_board_used_) {
        window_board_.bus().set_event_pump(saved_pump_);
        window_board_.bus().set_message_sink(saved_sink_);
        window_board_.bus().board_idle();
        window_board_used_ = false;
    }
    for (auto& board : owned_) {
        const DriverStatus stopped = board->stop_driver();
        if (!stopped.ok) log(stopped.error);
    }
    owned_.clear();
    JobCounts counts;
    const int ok = station_->ok_count(), failed = station_->failed_count();
    const bool closed = station_->finish();
    if (!closed || !station_->counts(counts)) {
        lblSummary->setText(QStringLiteral("Registry: ") + station_->error());
    } else {
        lblSummary->setText(QStringLiteral("Job %1: %2 of %3 done; this station %4 ok, %5 failed")
                                .arg(station_->plan().name)
                                .arg(counts.done)
                                .arg(counts.receivers)
                                .arg(ok)
                                .arg(failed));
        for (const HeldReceiver& h : station_->held())
            log(QStringLiteral("Held (%1): capcode %2; qrt58cli registry release %3 frees it once the receiver is "
                               "dealt with.")
                    .arg(h.result, capcode_list_text(h.capcodes))
                    .arg(h.capcodes.empty() ? 0 : h.capcodes.front()));
    }
    show_rows();
    cmdStart->setEnabled(true);
    cmdStop->setEnabled(false);
    cmdClose->setEnabled(true);
}

void JobDialog::reject() {
    // Escape and close wait while the boards work.
    if (running()) return;
    remember();
    QDialog::reject();
}

void JobDialog::closeEvent(QCloseEvent* event) {
    if (running()) {
        event->ignore();
        return;
    }
    remember();
    QDialog::closeEvent(event);
}

// ------------------------------------------------------------------ registry

RegistryDialog::RegistryDialog(QSettings& settings, QWidget* parent) : QDialog(parent), settings_(settings) {
    setWindowTitle(QStringLiteral("Registry"));
    setObjectName(QStringLiteral("RegistryDialog"));
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(QStringLiteral("Where the production registry lives: postgresql://USER@HOST/DB to share "
                                           "it between stations, sqlite:FILE, or empty for the default (the PG* "
                                           "variables when set, else registry.sqlite in the data folder)."),
                            this);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    txtRegistry = new QLineEdit(stored_registry_text(settings), this);
    txtRegistry->setObjectName(QStringLiteral("txtRegistry"));
    layout->addWidget(txtRegistry);
    lblError = new QLabel(this);
    lblError->setObjectName(QStringLiteral("lblError"));
    layout->addWidget(lblError);
    lblInUse = new QLabel(this);
    lblInUse->setObjectName(QStringLiteral("lblInUse"));
    lblInUse->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(lblInUse);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (keep()) accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(520, sizeHint().height());
    show_in_use();
}

void RegistryDialog::show_in_use() {
    QString error;
    const auto where = resolve_registry_location(QString(), settings_, &error);
    lblInUse->setText(QStringLiteral("In use: ") + (where ? where->text() : error));
}

bool RegistryDialog::keep() {
    const QString text = txtRegistry->text().trimmed();
    QString error;
    const auto where = text.isEmpty() ? std::nullopt : parse_registry_location(text, &error);
    if (!text.isEmpty() && !where) {
        lblError->setText(error);
        return false;
    }
    // The settings file is plain text: a password stays out of it.
    if (where && !where->password.isEmpty()) {
        lblError->setText(QStringLiteral("A password is not kept in the settings: give the address without it "
                                         "and put the password in ~/.pgpass (HOST:PORT:DB:USER:PASSWORD, mode "
                                         "600) or in PGPASSWORD."));
        return false;
    }
    lblError->clear();
    store_registry_text(settings_, text);
    show_in_use();
    return true;
}

bool choose_registry(QWidget* parent, QSettings& settings) {
    RegistryDialog dialog(settings, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace qrt58
