#include "ui/widgets/app_style.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QProxyStyle>
#include <QTranslator>

namespace soru {

namespace {
int g_hintPause = 500;

class HintPauseStyle final : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* ret) const override {
        if (hint == SH_ToolTip_WakeUpDelay)
            return g_hintPause;
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }
};
} // namespace

void setHintPause(int milliseconds) {
    g_hintPause = milliseconds;
    if (!dynamic_cast<HintPauseStyle*>(QApplication::style()))
        QApplication::setStyle(new HintPauseStyle(QStringLiteral("Fusion")));
}

int hintPause() {
    return QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay);
}

void installFontSubstitutions() {
    QFont::insertSubstitution(family::kPGothic, QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(family::kGothic, QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(family::kPMincho, QStringLiteral("IPAPMincho"));
    QFont::insertSubstitutions(family::kCentury,
                               {QStringLiteral("C059"), QStringLiteral("Century Schoolbook L"),
                                QStringLiteral("DejaVu Serif"), QStringLiteral("IPAPMincho")});
}

QFont pixelFont(const QString& familyName, int pixels) {
    QFont f(familyName);
    f.setPixelSize(pixels);
    return f;
}

QFont pointFont(const QString& familyName, int points) {
    QFont f(familyName);
    f.setPointSize(points);
    return f;
}

bool installToolkitTranslations() {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
        return true;
    }
    delete translator;
    return false;
}

HourglassCursor::HourglassCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
HourglassCursor::~HourglassCursor() { QApplication::restoreOverrideCursor(); }

} // namespace soru
