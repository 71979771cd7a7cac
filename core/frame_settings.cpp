#include "core/frame_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QHash>
#include <QStandardPaths>

#include <cmath>

namespace soru {

namespace {

const QString kGroup = QStringLiteral("frame");

QString secondsText(int ms) { return QString::number(ms / 1000.0, 'g', 10); }

// Seconds with an optional fraction, within [lo, hi], as milliseconds.
bool parseSeconds(const QString& text, double lo, double hi, int* ms) {
    bool ok = false;
    const double s = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(s) || s < lo || s > hi)
        return false;
    *ms = int(std::lround(s * 1000.0));
    return true;
}

bool parseBool(const QString& text, bool* value) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        *value = true;
    else if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        *value = false;
    else
        return false;
    return true;
}

} // namespace

bool operator==(const FrameSettings& a, const FrameSettings& b) {
    return a.intervalMs == b.intervalMs && a.order == b.order && a.fadeMs == b.fadeMs &&
           a.captions == b.captions && a.sounds == b.sounds;
}

QString frameOrderName(FrameOrder order) {
    switch (order) {
    case FrameOrder::Shuffle:
        return QStringLiteral("shuffle");
    case FrameOrder::Date:
        return QStringLiteral("date");
    case FrameOrder::Name:
        break;
    }
    return QStringLiteral("name");
}

bool parseFrameOrder(const QString& word, FrameOrder* order) {
    for (FrameOrder o : {FrameOrder::Name, FrameOrder::Shuffle, FrameOrder::Date})
        if (word.trimmed().compare(frameOrderName(o), Qt::CaseInsensitive) == 0) {
            *order = o;
            return true;
        }
    return false;
}

QString frameSettingsFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/soru/soru.ini");
}

QString frameStateFile() {
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    // The XDG rule: a relative path is invalid and is ignored.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/soru/frame-state");
}

FrameSettings readFrameSettings(const QString& file, QStringList* problems) {
    FrameSettings s;
    if (!QFileInfo::exists(file))
        return s;
    const auto problem = [&](const QString& line) {
        if (problems)
            *problems << file + QStringLiteral(": ") + line;
    };
    // Read by hand rather than through QSettings, which keeps a parsed copy
    // per file and can miss a rewrite of the same size within a second.
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        problem(QStringLiteral("cannot be read; the defaults are used"));
        return s;
    }
    QHash<QString, QString> values;
    bool inFrame = false;
    // A settings file is small; the cap keeps a wrong path from costing much.
    for (const QString& raw : QString::fromUtf8(f.read(1024 * 1024)).split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            inFrame = line.mid(1, line.size() - 2).trimmed().compare(kGroup, Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!inFrame || eq <= 0)
            continue;
        QString value = line.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
            value = value.mid(1, value.size() - 2);
        values.insert(line.left(eq).trimmed().toLower(), value);
    }
    const auto text = [&](const char* key, QString* out) {
        const auto it = values.constFind(QLatin1String(key));
        if (it == values.cend())
            return false;
        *out = *it;
        return true;
    };
    const auto bad = [&](const char* key, const QString& value, const QString& expected,
                         const QString& used) {
        problem(QStringLiteral("[frame] %1=%2: expected %3; %4 is used")
                    .arg(QLatin1String(key), value, expected, used));
    };
    QString v;
    if (text("interval", &v) && !parseSeconds(v, 0.1, 3600, &s.intervalMs)) {
        s.intervalMs = FrameSettings{}.intervalMs;
        bad("interval", v, QStringLiteral("seconds from 0.1 to 3600"), secondsText(s.intervalMs));
    }
    if (text("order", &v) && !parseFrameOrder(v, &s.order))
        bad("order", v, QStringLiteral("name, shuffle or date"), frameOrderName(s.order));
    if (text("fade", &v) && !parseSeconds(v, 0, 3, &s.fadeMs)) {
        s.fadeMs = FrameSettings{}.fadeMs;
        bad("fade", v, QStringLiteral("seconds from 0 to 3"), secondsText(s.fadeMs));
    }
    if (text("captions", &v) && !parseBool(v, &s.captions))
        bad("captions", v, QStringLiteral("true or false"), QStringLiteral("false"));
    if (text("sounds", &v) && !parseBool(v, &s.sounds))
        bad("sounds", v, QStringLiteral("true or false"), QStringLiteral("false"));
    return s;
}

bool writeFrameSettings(const QString& file, const FrameSettings& s) {
    const QString section = QStringLiteral("[frame]\ninterval=%1\norder=%2\nfade=%3\ncaptions=%4\nsounds=%5\n")
                                .arg(secondsText(s.intervalMs), frameOrderName(s.order),
                                     secondsText(s.fadeMs),
                                     s.captions ? QStringLiteral("true") : QStringLiteral("false"),
                                     s.sounds ? QStringLiteral("true") : QStringLiteral("false"));
    // The file may hold other groups: they are kept line for line, and the
    // [frame] group takes the place of the old one (or goes at the end).
    QString out;
    bool placed = false;
    QFile old(file);
    if (old.open(QIODevice::ReadOnly)) {
        const QStringList lines = QString::fromUtf8(old.readAll()).split(QLatin1Char('\n'));
        bool inFrame = false;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QString& line = lines[i];
            if (i == lines.size() - 1 && line.isEmpty())
                break; // the newline that ends the file
            const QString t = line.trimmed();
            if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'))) {
                inFrame = t.mid(1, t.size() - 2).trimmed().compare(kGroup, Qt::CaseInsensitive) == 0;
                if (inFrame && !placed) {
                    out += section;
                    placed = true;
                }
            }
            if (!inFrame)
                out += line + QLatin1Char('\n');
        }
    }
    if (!placed) {
        if (!out.isEmpty() && !out.endsWith(QLatin1String("\n\n")))
            out += QLatin1Char('\n');
        out += section;
    }
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return false;
    QSaveFile save(file);
    if (!save.open(QIODevice::WriteOnly))
        return false;
    save.write(out.toUtf8());
    return save.commit();
}

} // namespace soru
