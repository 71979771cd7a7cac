#include "core/ui_language.h"
#include "tests/support/test_support.h"

#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace soru {
namespace {

using L = UiLanguage;

TEST(UiLanguage, FromTheEnvironment) {
    const struct {
        const char *language, *lcAll, *lcMessages, *lang;
        UiLanguage expected;
    } cases[] = {
        {"", "", "", "", L::Japanese},                         // nothing named
        {"", "", "", "C.UTF-8", L::Japanese},                  // C names no language
        {"", "POSIX", "", "", L::Japanese},
        {"", "", "", "ja_JP.UTF-8", L::Japanese},
        {"", "", "", "en_US.UTF-8", L::English},
        {"", "", "", "de_DE.UTF-8", L::English},              // another language first
        {"", "", "ja_JP.UTF-8", "en_US.UTF-8", L::Japanese},  // LC_MESSAGES over LANG
        {"", "fr_FR", "ja_JP.UTF-8", "ja_JP.UTF-8", L::English}, // LC_ALL over both
        {"ja:en", "", "", "en_US.UTF-8", L::Japanese},        // LANGUAGE over the locale
        {"en_GB:ja", "", "", "ja_JP.UTF-8", L::English},
        {"::ja", "", "", "en_US.UTF-8", L::Japanese},         // empty entries skipped
        {"C:de", "", "", "ja_JP", L::English},
        {"", "", "", "ja@euro", L::Japanese},
        {"", "", "", "jam_JM", L::English},                   // not "ja" by its prefix
    };
    for (const auto& c : cases)
        EXPECT_EQ(languageFromEnvironment(c.language, c.lcAll, c.lcMessages, c.lang), c.expected)
            << c.language << "|" << c.lcAll << "|" << c.lcMessages << "|" << c.lang;
}

TEST(UiLanguage, SettingsFileAndCommandLineOverride) {
    test::TempDir tmp;
    const auto write = [&](const char* name, const char* content) {
        QFile f(tmp.file(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return tmp.file(name);
    };
    EXPECT_EQ(readLanguageSetting(write("en.ini", "[frame]\nlanguage=ja\n[general]\nlanguage = en\n")), L::English);
    EXPECT_EQ(readLanguageSetting(write("ja.ini", "[General]\r\nLanguage=JA\r\n")), L::Japanese);
    EXPECT_EQ(readLanguageSetting(write("other.ini", "[frame]\nlanguage=en\n")), std::nullopt);
    EXPECT_EQ(readLanguageSetting(write("bad.ini", "[general]\nlanguage=fr\n")), std::nullopt);
    EXPECT_EQ(readLanguageSetting(tmp.file("missing.ini")), std::nullopt);

    EXPECT_EQ(chooseLanguage(L::Japanese, L::English, L::English), L::Japanese);
    EXPECT_EQ(chooseLanguage(std::nullopt, L::English, L::Japanese), L::English);
    EXPECT_EQ(chooseLanguage(std::nullopt, std::nullopt, L::English), L::English);
}

// Every marked text has its English, with the same placeholders and, where
// the source has an accelerator, one of its own.
TEST(UiLanguage, EveryTextHasAWholeEnglishTranslation) {
    QFile file(QStringLiteral(SORU_TS_FILE));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QString source;
    int messages = 0;
    const QRegularExpression placeholder(QStringLiteral("%\\d"));
    const auto placeholders = [&](const QString& text) {
        QStringList found;
        for (const auto& m : placeholder.globalMatch(text))
            found << m.captured();
        found.sort();
        return found;
    };
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            ++messages;
            EXPECT_NE(xml.attributes().value(QLatin1String("type")), QLatin1String("unfinished")) << source.toStdString();
            const QString english = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            EXPECT_FALSE(english.trimmed().isEmpty()) << source.toStdString();
            EXPECT_EQ(placeholders(english), placeholders(source)) << source.toStdString();
            EXPECT_EQ(english.contains(QRegularExpression(QStringLiteral("&[^& ]"))), source.contains(QStringLiteral("(&")))
                << source.toStdString();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_GT(messages, 100);
}

} // namespace
} // namespace soru
