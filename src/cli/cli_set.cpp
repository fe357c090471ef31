#include "cli_set.h"

#include "cli_show.h"

#include "settings.h"
#include "table_file.h"

#include <QString>
#include <ostream>
#include <utility>

namespace qrt58::cli {

int apply_assignments(PagerTable& image, const std::vector<std::string>& texts, std::string& error) {
    std::vector<std::pair<std::string, std::string>> settings;
    for (const std::string& text : texts) {
        const auto eq = text.find('=');
        if (eq == std::string::npos || eq == 0) {
            error = shown_text(text) + ": not NAME=VALUE";
            return kExitUsage;
        }
        std::string name = text.substr(0, eq);
        if (!is_settable_name(name)) {
            error = shown_text(text) + ": no setting of that name (qrt58cli set --list shows them)";
            return kExitUsage;
        }
        settings.emplace_back(std::move(name), text.substr(eq + 1));
    }
    error = apply_settings(image, settings);
    return error.empty() ? 0 : kExitFailed;
}

void print_set_names(std::ostream& out) {
    std::size_t width = 0;
    for (const SettableName& n : settable_names()) width = std::max(width, n.name.size());
    for (const SettableName& n : settable_names())
        out << n.name << std::string(width + 2 - n.name.size(), ' ') << n.values << '\n';
}

int cmd_set(const std::string& file, const std::vector<std::string>& assignments, const CommandIo& io) {
    PagerTable image;
    if (!load_for("set", file, image, io.err)) return kExitFailed;
    std::string error;
    if (const int status = apply_assignments(image, assignments, error); status != 0) {
        fail(io.err, "set", error + " (" + file + " unchanged)");
        return status;
    }
    const SaveResult saved = save_table_file(QString::fromStdString(file), image);
    if (!saved.ok) return fail(io.err, "set", saved.error.toStdString());
    io.out << "Set " << assignments.size() << (assignments.size() == 1 ? " setting" : " settings") << " in " << file
           << '\n';
    return 0;
}

} // namespace qrt58::cli
