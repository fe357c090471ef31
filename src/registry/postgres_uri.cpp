#include "postgres_uri.h"

#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

namespace qrt58 {
namespace {

// libpq's connection keywords besides the ones the address parts stand for.
const QStringList& known_keywords() {
    static const QStringList list = {
        QStringLiteral("hostaddr"),
        QStringLiteral("passfile"),
        QStringLiteral("channel_binding"),
        QStringLiteral("connect_timeout"),
        QStringLiteral("client_encoding"),
        QStringLiteral("options"),
        QStringLiteral("application_name"),
        QStringLiteral("fallback_application_name"),
        QStringLiteral("keepalives"),
        QStringLiteral("keepalives_idle"),
        QStringLiteral("keepalives_interval"),
        QStringLiteral("keepalives_count"),
        QStringLiteral("tcp_user_timeout"),
        QStringLiteral("replication"),
        QStringLiteral("gssencmode"),
        QStringLiteral("sslmode"),
        QStringLiteral("requiressl"),
        QStringLiteral("sslcompression"),
        QStringLiteral("sslcert"),
        QStringLiteral("sslkey"),
        QStringLiteral("sslpassword"),
        QStringLiteral("sslrootcert"),
        QStringLiteral("sslcrl"),
        QStringLiteral("sslcrldir"),
        QStringLiteral("sslsni"),
        QStringLiteral("requirepeer"),
        QStringLiteral("ssl_min_protocol_version"),
        QStringLiteral("ssl_max_protocol_version"),
        QStringLiteral("krbsrvname"),
        QStringLiteral("gsslib"),
        QStringLiteral("service"),
        QStringLiteral("target_session_attrs"),
    };
    return list;
}

// Percent-decoding that refuses what libpq refuses: a '%' without two hex
// digits, and %00.
std::optional<QString> decoded(const QString& part) {
    for (int i = part.indexOf('%'); i >= 0; i = part.indexOf('%', i + 1)) {
        bool hex = false;
        const int value = part.mid(i + 1, 2).toInt(&hex, 16);
        if (i + 2 >= part.size() || !hex || value == 0) return std::nullopt;
    }
    return QUrl::fromPercentEncoding(part.toUtf8());
}

QString encoded(const QString& text) { return QString::fromLatin1(QUrl::toPercentEncoding(text)); }

bool valid_port(const QString& text) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,5}$"));
    return digits.match(text).hasMatch() && text.toInt() >= 1 && text.toInt() <= 65535;
}

void set_parameter(PostgresAddress& a, const QString& name, const QString& value) {
    for (auto& [n, v] : a.parameters)
        if (n == name) {
            v = value;
            return;
        }
    a.parameters.emplace_back(name, value);
}

void remove_parameter(PostgresAddress& a, const QString& name) {
    for (auto it = a.parameters.begin(); it != a.parameters.end(); ++it)
        if (it->first == name) {
            a.parameters.erase(it);
            return;
        }
}

// PORT, or one port per host ("5432,,5433"): the single port when every host
// has the same one, else the list as a parameter.
bool take_ports(PostgresAddress& a, const QStringList& ports, QString& why) {
    for (const QString& p : ports)
        if (!p.isEmpty() && !valid_port(p)) {
            why = QStringLiteral("'%1' is no port (1 to 65535)").arg(p);
            return false;
        }
    a.port = -1;
    remove_parameter(a, QStringLiteral("port"));
    if (ports.count(QString()) == ports.size()) return true; // none given
    if (ports.count(ports[0]) == ports.size()) a.port = ports[0].toInt();
    else set_parameter(a, QStringLiteral("port"), ports.join(','));
    return true;
}

} // namespace

std::optional<PostgresAddress> parse_postgres_uri(const QString& text, QString* why) {
    QString reason;
    const auto bad = [&](const QString& r) -> std::optional<PostgresAddress> {
        if (why) *why = r;
        return std::nullopt;
    };
    QString rest;
    for (const char* scheme : {"postgresql://", "postgres://"})
        if (text.startsWith(QLatin1String(scheme))) rest = text.mid(static_cast<int>(qstrlen(scheme)));
    if (rest.isNull()) return bad(QStringLiteral("not a postgresql:// address"));
    if (rest.contains('#')) return bad(QStringLiteral("takes no fragment ('#'; write %23 for it in a value)"));

    PostgresAddress a;
    QString query;
    if (const int q = rest.indexOf('?'); q >= 0) {
        query = rest.mid(q + 1);
        rest.truncate(q);
    }
    // USER[:PASSWORD]@ ends at the first '@' before the path, as libpq reads it.
    const int slash = rest.indexOf('/');
    const int at = rest.indexOf('@');
    if (at >= 0 && (slash < 0 || at < slash)) {
        const QString userinfo = rest.left(at);
        const int colon = userinfo.indexOf(':');
        const auto user = decoded(colon < 0 ? userinfo : userinfo.left(colon));
        const auto password = decoded(colon < 0 ? QString() : userinfo.mid(colon + 1));
        if (!user || !password) return bad(QStringLiteral("a '%' in the user part is not followed by two hex digits"));
        a.user = *user;
        a.password = *password;
        rest = rest.mid(at + 1);
    }
    const int path = rest.indexOf('/');
    const QString hostspec = path < 0 ? rest : rest.left(path);
    if (path >= 0) {
        const auto database = decoded(rest.mid(path + 1));
        if (!database) return bad(QStringLiteral("the database name has a '%' without two hex digits"));
        a.database = *database;
    }

    // HOST[:PORT], HOST[:PORT], ...; [ADDRESS] for an IPv6 address.
    QStringList hosts, ports;
    if (!hostspec.isEmpty()) {
        for (const QString& entry : hostspec.split(',')) {
            QString host = entry, port;
            if (entry.startsWith('[')) {
                const int close = entry.indexOf(']');
                if (close < 0) return bad(QStringLiteral("an IPv6 address without its ']'"));
                host = entry.mid(1, close - 1);
                const QString after = entry.mid(close + 1);
                if (!after.isEmpty() && !after.startsWith(':'))
                    return bad(QStringLiteral("text after an IPv6 address"));
                port = after.mid(1);
            } else if (const int colon = entry.indexOf(':'); colon >= 0) {
                host = entry.left(colon);
                port = entry.mid(colon + 1);
            }
            const auto h = decoded(host);
            if (!h) return bad(QStringLiteral("a host has a '%' without two hex digits"));
            hosts << *h;
            ports << port;
        }
    }
    a.host = hosts.join(',');
    if (!take_ports(a, ports, reason)) return bad(reason);

    // NAME=VALUE&...: libpq's keywords; those of the parts take their place.
    if (!query.isEmpty()) {
        for (const QString& pair : query.split('&')) {
            const int equals = pair.indexOf('=');
            if (equals <= 0) return bad(QStringLiteral("a parameter without NAME=VALUE ('%1')").arg(pair.left(40)));
            const auto name = decoded(pair.left(equals));
            const auto value = decoded(pair.mid(equals + 1));
            if (!name || !value) return bad(QStringLiteral("a parameter has a '%' without two hex digits"));
            if (value->contains(';')) return bad(QStringLiteral("parameter %1: a value cannot hold ';'").arg(*name));
            if (*name == QLatin1String("host")) a.host = *value;
            else if (*name == QLatin1String("port")) {
                if (!take_ports(a, value->split(','), reason)) return bad(reason);
            } else if (*name == QLatin1String("user")) a.user = *value;
            else if (*name == QLatin1String("password")) a.password = *value;
            else if (*name == QLatin1String("dbname")) a.database = *value;
            else if (*name == QLatin1String("ssl")) {
                // libpq's short form of sslmode=require in addresses.
                if (*value != QLatin1String("true"))
                    return bad(QStringLiteral("parameter ssl takes only 'true' (or use sslmode)"));
                set_parameter(a, QStringLiteral("sslmode"), QStringLiteral("require"));
            } else if (known_keywords().contains(*name)) set_parameter(a, *name, *value);
            else
                return bad(QStringLiteral("unknown parameter '%1' (libpq's keywords: sslmode, sslrootcert, "
                                          "connect_timeout, application_name, ...)")
                               .arg(*name));
        }
    }
    return a;
}

QString postgres_uri_text(const PostgresAddress& a) {
    QString t = QStringLiteral("postgresql://");
    if (!a.user.isEmpty()) t += encoded(a.user) + '@';
    QStringList hosts;
    for (const QString& host : a.host.split(',', Qt::SkipEmptyParts)) {
        QString h = host.contains(':') && !host.startsWith('/') ? '[' + host + ']' : encoded(host);
        if (a.port >= 0) h += ':' + QString::number(a.port);
        hosts << h;
    }
    t += hosts.isEmpty() && a.port >= 0 ? ':' + QString::number(a.port) : hosts.join(',');
    t += '/' + encoded(a.database);
    QStringList parameters;
    for (const auto& [name, value] : a.parameters) parameters << encoded(name) + '=' + encoded(value);
    if (!parameters.isEmpty()) t += '?' + parameters.join('&');
    return t;
}

QString postgres_connect_options(const PostgresAddress& a, const std::vector<std::pair<QString, QString>>& defaults) {
    const auto quoted = [](QString value) {
        static const QRegularExpression plain(QStringLiteral("^[^\\s'\\\\]+$"));
        if (plain.match(value).hasMatch()) return value;
        value.replace(QLatin1String("\\"), QLatin1String("\\\\")).replace(QLatin1String("'"), QLatin1String("\\'"));
        return '\'' + value + '\'';
    };
    QStringList options;
    for (const auto& [name, value] : defaults) {
        bool given = false;
        for (const auto& p : a.parameters) given = given || p.first == name;
        if (!given) options << name + '=' + quoted(value);
    }
    for (const auto& [name, value] : a.parameters) options << name + '=' + quoted(value);
    return options.join(';');
}

} // namespace qrt58
