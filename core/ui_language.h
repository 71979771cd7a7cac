#pragma once
// The language the user interface speaks: Japanese (its source texts) or
// English (the embedded translation).
#include <QString>

#include <optional>

namespace soru {

enum class UiLanguage { Japanese, English };

// The user's UI languages as gettext reads them: LANGUAGE (a colon list)
// before LC_ALL, LC_MESSAGES and LANG. The first entry that names a language
// decides: Japanese for "ja", English for any other; "C", "POSIX" and empty
// entries name none, and naming none at all keeps Japanese.
UiLanguage languageFromEnvironment(const QString& language, const QString& lcAll,
                                   const QString& lcMessages, const QString& lang);

// "ja" or "en" (any letter case, blanks around ignored); nothing otherwise.
std::optional<UiLanguage> parseLanguageSetting(const QString& value);

// The key "language" of the [general] group of the settings file; nothing
// when the file, the key or a valid value is missing.
std::optional<UiLanguage> readLanguageSetting(const QString& file);

// The command line's choice over the settings file's over the environment's.
UiLanguage chooseLanguage(const std::optional<UiLanguage>& commandLine,
                          const std::optional<UiLanguage>& settings, UiLanguage environment);

// The language installed for this run; Japanese until set.
UiLanguage uiLanguage();
void setUiLanguage(UiLanguage language);

} // namespace soru
