#include "cli.h"
#include "cli_show.h"
#include "cli_transfer.h"

#include "default_image.h"
#include "table_file.h"

#include <QFileInfo>
#include <QString>
#include <ostream>

namespace qrt58::cli {
namespace {

const char* const kUsage =
    "Usage: qrt58cli COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  new FILE [--force]   write the factory default image as a table file\n"
    "  show FILE            print the frequency, capcodes and frame map of a table file\n"
    "  read FILE            read the receiver into a table file\n"
    "  write FILE [--count N]\n"
    "                       write a table file into the receiver and verify it; with\n"
    "                       --count, program N receivers, raising capcode 1 after each\n"
    "                       and saving it in FILE\n"
    "  verify FILE          compare the receiver with a table file\n"
    "  --help               show this text\n"
    "\n"
    "Board options (read, write, verify; remembered for the next run):\n"
    "  --board sim[:FILE] | ppdev[:/dev/parportN] | io | i2c[:/dev/i2c-N]\n"
    "                       (i2c: a Linux I2C adapter; without a device, the first\n"
    "                       adapter found that is not one of the computer's own)\n"
    "  --line-delay MICROSECONDS   (10 to 100000, default 25; not for i2c)\n"
    "  --trace-vcd FILE     record SCL/SDA as a VCD file\n";

int fail(std::ostream& err, const std::string& message) {
    err << "qrt58cli: " << message << '\n';
    return 1;
}

int cmd_new(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string file;
    bool force = false;
    for (const auto& a : args) {
        if (a == "--force") force = true;
        else if (!a.empty() && a[0] == '-') return fail(err, "new: unknown option " + a);
        else if (file.empty()) file = a;
        else return fail(err, "new: more than one file given");
    }
    if (file.empty()) return fail(err, "new: no file given (qrt58cli new FILE)");
    const QString path = QString::fromStdString(file);
    if (QFileInfo::exists(path) && !force)
        return fail(err, "new: " + file + " exists; use --force to overwrite it");
    const auto result = save_table_file(path, build_default_image());
    if (!result.ok) return fail(err, "new: " + result.error.toStdString());
    out << "Wrote default image to " << file << '\n';
    return 0;
}

} // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << "qrt58cli: no command given (qrt58cli --help lists them)\n";
        return 2;
    }
    const std::string& command = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "--help" || command == "-h" || command == "help") {
        out << kUsage;
        return 0;
    }
    if (command == "new") return cmd_new(rest, out, err);
    if (command == "show") return cmd_show(rest, out, err);
    if (command == "read" || command == "write" || command == "verify")
        return cmd_transfer(command, rest, out, err);
    return fail(err, "unknown command '" + command + "' (see qrt58cli --help)");
}

} // namespace qrt58::cli
