#include "core/ui_language.h"

#include <QFile>

#include <atomic>

namespace soru {

namespace {
std::atomic<UiLanguage> installed{UiLanguage::Japanese};

// The language part of a locale name such as "en_GB.UTF-8@euro".
QString languagePart(const QString& locale) {
    qsizetype end = 0;
    while (end < locale.size() && locale[end] != QLatin1Char('_') && locale[end] != QLatin1Char('.') &&
           locale[end] != QLatin1Char('@') && locale[end] != QLatin1Char('-'))
        ++end;
    return locale.left(end).trimmed().toLower();
}
} // namespace

UiLanguage languageFromEnvironment(const QString& language, const QString& lcAll,
                                   const QString& lcMessages, const QString& lang) {
    QStringList names = language.split(QLatin1Char(':'));
    names << lcAll << lcMessages << lang;
    for (const QString& name : names) {
        const QString code = languagePart(name);
        if (code.isEmpty() || code == QLatin1String("c") || code == QLatin1String("posix"))
            continue;
        return code == QLatin1String("ja") ? UiLanguage::Japanese : UiLanguage::English;
    }
    return UiLanguage::Japanese;
}

std::optional<UiLanguage> parseLanguageSetting(const QString& value) {
    const QString v = value.trimmed().toLower();
    if (v == QLatin1String("ja"))
        return UiLanguage::Japanese;
    if (v == QLatin1String("en"))
        return UiLanguage::English;
    return std::nullopt;
}

std::optional<UiLanguage> readLanguageSetting(const QString& file) {
    // Read by hand, as the frame settings in the same file are.
    QFile f(file);
    if (file.isEmpty() || !f.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool inGeneral = false;
    std::optional<UiLanguage> found;
    for (const QString& raw : QString::fromUtf8(f.read(1024 * 1024)).split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            inGeneral = line.mid(1, line.size() - 2).trimmed().compare(QLatin1String("general"),
                                                                       Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (inGeneral && eq > 0 && line.left(eq).trimmed().compare(QLatin1String("language"), Qt::CaseInsensitive) == 0)
            found = parseLanguageSetting(line.mid(eq + 1));
    }
    return found;
}

UiLanguage chooseLanguage(const std::optional<UiLanguage>& commandLine,
                          const std::optional<UiLanguage>& settings, UiLanguage environment) {
    return commandLine.value_or(settings.value_or(environment));
}

UiLanguage uiLanguage() { return installed.load(); }
void setUiLanguage(UiLanguage language) { installed.store(language); }

} // namespace soru
