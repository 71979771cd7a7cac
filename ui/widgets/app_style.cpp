#include "ui/widgets/app_style.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QProxyStyle>
#include <QTranslator>

namespace soru {

namespace {
// The application's style with the hint pause as its own setting; the
// application owns it from setStyle() on, so the pause lives as long as the
// application does.
class HintPauseStyle final : public QProxyStyle {
public:
    explicit HintPauseStyle(int pauseMs) : QProxyStyle(QStringLiteral("Fusion")), pauseMs_(pauseMs) {}
    void setPause(int ms) { pauseMs_ = ms; }
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* ret) const override {
        if (hint == SH_ToolTip_WakeUpDelay)
            return pauseMs_;
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }

private:
    int pauseMs_;
};
} // namespace

void setHintPause(int milliseconds) {
    if (auto* style = dynamic_cast<HintPauseStyle*>(QApplication::style()))
        style->setPause(milliseconds);
    else
        QApplication::setStyle(new HintPauseStyle(milliseconds));
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
