#include "job_plan.h"

#include "capcode.h"
#include "settings.h"
#include "transfer.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <set>
#include <unordered_map>

namespace qrt58 {
namespace {

// "capcodes.N.capcode" -> N - 1.
std::optional<int> own_capcode_slot(const QString& name) {
    static const QString prefix = QStringLiteral("capcodes."), suffix = QStringLiteral(".capcode");
    if (!name.startsWith(prefix) || !name.endsWith(suffix)) return std::nullopt;
    bool ok = false;
    const int n = name.mid(prefix.size(), name.size() - prefix.size() - suffix.size()).toInt(&ok);
    if (!ok || n < 1 || n > kCapcodeSlots) return std::nullopt;
    return n - 1;
}

// Splits CSV text into rows of fields (RFC 4180: commas, fields in double
// quotes may hold commas, quotes doubled and line breaks). Each row keeps the
// line it starts on.
struct CsvRow {
    int line;
    QStringList fields;
};
bool parse_csv(const QString& text, std::vector<CsvRow>& rows, JobProblem& problem) {
    int line = 1;
    int row_line = 1;
    QStringList fields;
    QString field;
    bool quoted = false, was_quoted = false, any = false;
    const auto end_row = [&] {
        fields << field;
        // A line with nothing on it is skipped.
        if (any || fields.size() > 1 || !fields.first().isEmpty()) rows.push_back({row_line, fields});
        fields.clear();
        field.clear();
        any = false;
        was_quoted = false;
    };
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < text.size() && text[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == '\n') ++line;
                field += c;
            }
            continue;
        }
        if (c == '"') {
            if (!field.isEmpty() || was_quoted) {
                problem = {line, QStringLiteral("a quote inside a field that does not start with one")};
                return false;
            }
            quoted = was_quoted = any = true;
        } else if (c == ',') {
            fields << field;
            field.clear();
            was_quoted = false;
            any = true;
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        } else if (c == '\n') {
            end_row();
            ++line;
            row_line = line;
        } else {
            if (was_quoted) {
                problem = {line, QStringLiteral("text after the closing quote of a field")};
                return false;
            }
            field += c;
        }
    }
    if (quoted) {
        problem = {row_line, QStringLiteral("a quoted field is not closed")};
        return false;
    }
    if (!field.isEmpty() || !fields.isEmpty() || any) end_row();
    return true;
}

QString shown(const QString& text) { return QString::fromStdString(shown_text(text.toStdString())); }

std::optional<qint64> slot_value(const std::array<SlotValue, kCapcodeSlots>& decoded, int slot) {
    const SlotValue& s = decoded[static_cast<std::size_t>(slot)];
    if (s.covered || !s.value) return std::nullopt;
    return static_cast<qint64>(*s.value);
}

} // namespace

std::optional<JobRange> parse_job_range(const QString& text, QString* error, qint64 limit) {
    const auto bad = [&](const QString& why) -> std::optional<JobRange> {
        if (error) *error = why;
        return std::nullopt;
    };
    const QString shown = QString::fromStdString(shown_text(text.toStdString()));
    const QStringList parts = text.split(':');
    JobRange r;
    bool ok = parts.size() == 2 || parts.size() == 3;
    bool first_ok = false, count_ok = false, step_ok = true;
    if (ok) {
        r.first = parts[0].toLongLong(&first_ok);
        r.count = parts[1].toInt(&count_ok);
        if (parts.size() == 3) r.step = parts[2].toLongLong(&step_ok);
    }
    ok = ok && first_ok && count_ok && step_ok && r.first >= 0 && r.count >= 1 && r.step >= 1 &&
         r.count <= 1000000;
    if (!ok)
        return bad(QStringLiteral("--range takes FIRST:COUNT[:STEP] (whole numbers, COUNT and STEP 1 or more), "
                                  "not '%1'")
                       .arg(shown));
    // The last value, checked before it is computed: FIRST + (COUNT - 1) * STEP
    // must neither overflow nor pass the largest capcode.
    const qint64 steps = r.count - 1;
    if (r.first > limit || (steps > 0 && r.step > (limit - r.first) / steps))
        return bad(QStringLiteral("--range %1 goes past the largest capcode (%2 for capcode 1 of this base file)")
                       .arg(shown)
                       .arg(limit));
    return r;
}

qint64 range_limit(const PagerTable& base) {
    return static_cast<qint64>(capcode_entry_limit(long_pairs_from_image(base)[0]));
}

QString JobPlan::where(int line) const {
    if (source.isEmpty()) return QStringLiteral("receiver %1 of the range").arg(line);
    // The file's name as QFileInfo gives it, without building one per line
    // (a rows file with a fault in every row names 100,000 lines).
    const QStringView file = QStringView(source).mid(source.lastIndexOf(QLatin1Char('/')) + 1);
    return QStringLiteral("%1 line %2").arg(file).arg(line);
}

QString JobPlan::numbered(std::size_t index) const {
    QString text = QStringLiteral("receiver %1 of %2 of job %3").arg(index + 1).arg(receivers.size()).arg(name);
    if (!source.isEmpty() && index < receivers.size())
        text += QStringLiteral(" (%1)").arg(where(receivers[index].line));
    return text;
}

void plan_range(JobPlan& plan, const JobRange& range) {
    plan.source.clear();
    plan.receivers.clear();
    for (int i = 0; i < range.count; ++i) {
        JobReceiver r;
        r.line = i + 1;
        r.settings = {"capcodes.1.capcode=" + std::to_string(range.first + static_cast<qint64>(i) * range.step)};
        r.own_slots = {0};
        plan.receivers.push_back(std::move(r));
    }
}

std::vector<JobProblem> plan_rows(JobPlan& plan, const QString& path) {
    plan.source = path;
    plan.receivers.clear();
    const QFileInfo info(path);
    if (!info.exists()) return {{0, QStringLiteral("%1 does not exist").arg(path)}};
    if (!info.isFile()) return {{0, QStringLiteral("%1 is not a regular file").arg(path)}};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {{0, QStringLiteral("cannot read %1: %2").arg(path, file.errorString())}};
    const QByteArray bytes = file.readAll();
    std::vector<CsvRow> rows;
    JobProblem problem;
    if (!parse_csv(QString::fromUtf8(bytes), rows, problem)) return {problem};
    if (rows.empty()) return {{1, QStringLiteral("the file is empty: a header naming settings comes first")}};
    std::vector<JobProblem> problems;
    QStringList header;
    std::vector<std::optional<int>> column_slots;
    QSet<QString> names;
    bool any_capcode = false;
    for (const QString& name : rows[0].fields) {
        header << name.trimmed();
        column_slots.push_back(own_capcode_slot(header.last()));
        any_capcode = any_capcode || column_slots.back().has_value();
        if (header.last().isEmpty()) problems.push_back({rows[0].line, QStringLiteral("an empty column name")});
        else if (names.contains(header.last()))
            problems.push_back({rows[0].line, QStringLiteral("column %1 given twice").arg(shown(header.last()))});
        names.insert(header.last());
    }
    if (!any_capcode)
        problems.push_back({rows[0].line, QStringLiteral("no capcodes.N.capcode column: every receiver needs "
                                                         "a capcode of its own")});
    if (rows.size() == 1) problems.push_back({rows[0].line, QStringLiteral("no receivers after the header")});
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const CsvRow& row = rows[i];
        if (row.fields.size() != header.size()) {
            problems.push_back({row.line, QStringLiteral("%1 fields, the header names %2")
                                              .arg(row.fields.size())
                                              .arg(header.size())});
            continue;
        }
        JobReceiver r;
        r.line = row.line;
        for (int c = 0; c < header.size(); ++c) {
            // An empty cell leaves the base file's setting.
            if (row.fields[c].isEmpty()) continue;
            r.settings.push_back((header[c] + '=' + row.fields[c]).toStdString());
            if (column_slots[static_cast<std::size_t>(c)]) r.own_slots.push_back(*column_slots[static_cast<std::size_t>(c)]);
        }
        plan.receivers.push_back(std::move(r));
    }
    return problems;
}

std::vector<JobProblem> check_job(JobPlan& plan, const ApplySettings& apply) {
    std::vector<JobProblem> problems;
    std::set<std::pair<int, QString>> reported; // a header fault is reported once, not per row
    std::unordered_map<qint64, int> first_line; // capcode -> line that has it
    for (JobReceiver& r : plan.receivers) {
        PagerTable image = plan.base;
        std::string error;
        const int status = apply(image, r.settings, error);
        if (status != 0) {
            // A name that is no setting is the header's fault.
            const int line = status == 2 && !plan.source.isEmpty() ? 1 : r.line;
            const JobProblem p{line, QString::fromStdString(error)};
            if (reported.insert({p.line, p.text}).second) problems.push_back(p);
            continue;
        }
        r.capcodes.clear();
        if (r.own_slots.empty()) {
            problems.push_back({r.line, QStringLiteral("no capcode of its own (every capcodes.N.capcode cell "
                                                       "is empty)")});
            continue;
        }
        const auto decoded = decode_capcode_values(image, long_pairs_from_image(image));
        for (const int slot : r.own_slots) {
            const std::optional<qint64> value = slot_value(decoded, slot);
            if (!value) {
                problems.push_back({r.line, QStringLiteral("capcode %1 holds no capcode after the row").arg(slot + 1)});
                continue;
            }
            const auto [it, fresh] = first_line.emplace(*value, r.line);
            if (!fresh) {
                problems.push_back({r.line, QStringLiteral("capcode %1 is already in the job (%2)")
                                                .arg(*value)
                                                .arg(plan.where(it->second))});
                continue;
            }
            r.capcodes.push_back(*value);
        }
    }
    std::stable_sort(problems.begin(), problems.end(),
                     [](const JobProblem& a, const JobProblem& b) { return a.line < b.line; });
    return problems;
}

std::optional<PagerTable> receiver_image(const JobPlan& plan, std::size_t index, const ApplySettings& apply,
                                         std::string* error) {
    PagerTable image = plan.base;
    std::string why;
    if (index >= plan.receivers.size() || apply(image, plan.receivers[index].settings, why) != 0) {
        if (error) *error = why;
        return std::nullopt;
    }
    return image;
}

std::vector<qint64> programmed_capcodes(const PagerTable& image) {
    std::vector<qint64> list;
    const auto shown = decode_capcode_values(image, long_pairs_from_image(image));
    const int last = capcode_count_field(image);
    for (int s = 0; s <= last && s < kCapcodeSlots; ++s) {
        const SlotValue& d = shown[static_cast<std::size_t>(s)];
        if (d.covered || !d.value || !get_slot_bit(image, enable_bit(s))) continue;
        list.push_back(static_cast<qint64>(*d.value));
    }
    return list;
}

std::vector<qint64> recorded_capcodes(const PagerTable& image, const std::vector<qint64>& own) {
    std::vector<qint64> list = programmed_capcodes(image);
    for (const qint64 capcode : own)
        if (std::find(list.begin(), list.end(), capcode) == list.end()) list.push_back(capcode);
    return list;
}

JobSpec job_spec(const JobPlan& plan) {
    JobSpec job_order;
    job_order.name = plan.name;
    job_order.base_image = QByteArray(reinterpret_cast<const char*>(plan.base.data()), kImageSize);
    QCryptographicHash digest(QCryptographicHash::Sha256);
    digest.addData(job_order.base_image);
    for (const JobReceiver& r : plan.receivers) {
        JobSpec::Item item;
        item.line = r.line;
        QStringList settings;
        for (const std::string& s : r.settings) settings << QString::fromStdString(s);
        item.settings = settings.join('\n');
        item.capcodes = r.capcodes;
        digest.addData(item.settings.toUtf8());
        digest.addData(QByteArrayView("\x1e", 1));
        job_order.items.push_back(std::move(item));
    }
    job_order.plan_sha256 = QString::fromLatin1(digest.result().toHex());
    return job_order;
}

QString written_image_sha256(const PagerTable& image) {
    const PagerTable stamped = stamped_for_write(image);
    return QString::fromLatin1(
        QCryptographicHash::hash(QByteArrayView(reinterpret_cast<const char*>(stamped.data()), kImageSize),
                                 QCryptographicHash::Sha256)
            .toHex());
}

} // namespace qrt58
