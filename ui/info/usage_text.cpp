#include "ui/info/usage_text.h"

#include "ui/info/info_texts.h"

#include <QCoreApplication>

#include <chrono>
#include <random>

namespace soru {

QStringList usageLines() {
    return {
        QString(), QString(), QString(), QString(), QString(), QString(), QString(), QString(),
        QString(),
        QCoreApplication::translate("soru", " 使用方法："),
        QString(),
        QCoreApplication::translate("soru", " 以下のファイルを全て CD-R のルートフォルダ"),
        QCoreApplication::translate("soru", " に入れて下さい。"),
        QString(),
        QStringLiteral("　・AUTORUN.INF"),
        QStringLiteral("　・SORU.EXE"),
        QStringLiteral("　・SORU.ICO"),
        QStringLiteral("　・SORU.TXT"),
        QString(),
        QCoreApplication::translate("soru", " その CD-R を CD に入れると、ルートフォルダ"),
        QCoreApplication::translate("soru", " 以下のフォルダをボタンとして表示します。"),
        QCoreApplication::translate("soru", " そのボタンを押すと、そのフォルダ内の以下の"),
        QCoreApplication::translate("soru", " 拡張子の画像ファイルを表示することが出来ま"),
        QCoreApplication::translate("soru", " す。"),
        QString(),
        QStringLiteral("  BMP, JPG, JPE, JPEG"),
        QString(),
        QCoreApplication::translate("soru", " また、同一ファイル名で拡張子 WAV（サウンド）,"),
        QCoreApplication::translate("soru", " RTF or TXT（テキスト）のファイルを入れておく"),
        QCoreApplication::translate("soru", " と画像表示と共に再生・表示します。"),
        QString(),
        QCoreApplication::translate("soru", " 注意："),
        QString(),
        QCoreApplication::translate("soru", " 本ソフトはフリーソフトです。転載・配布は自由"),
        QCoreApplication::translate("soru", " ですが、使用によって生じたいかなる損害にも"),
        QCoreApplication::translate("soru", " 作者は一切の責任を負いません。"),
        QStringLiteral(" "),
        QCoreApplication::translate("soru", " ハイカラー以上でのご利用をお願い致します。"),
        QStringLiteral(" "),
        QStringLiteral(" "),
    };
}

QString fortuneLine(int index) {
    const QByteArray source = Fortunes.at(size_t(index)).toUtf8();
    return info::kFortunePrefix + QCoreApplication::translate("soru", source.constData()) +
           info::kFortuneSuffix;
}

int drawFortune() {
    const auto now = std::chrono::system_clock::now().time_since_epoch().count();
    std::mt19937 generator(static_cast<std::mt19937::result_type>(now));
    std::uniform_int_distribution<int> pick(0, kFortuneCount - 1);
    return pick(generator);
}

QColor usageLineColour(int index, int lastIndex) {
    return index == 9 || index == 31 || index == lastIndex ? kUsageAccentColour : kUsageTextColour;
}

} // namespace soru
