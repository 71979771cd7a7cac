#include "ui/info/usage_text.h"

#include "ui/info/info_texts.h"

#include <chrono>
#include <random>

namespace soru {

QStringList usageLines() {
    return {
        QString(), QString(), QString(), QString(), QString(), QString(), QString(), QString(),
        QString(),
        QStringLiteral(" 使用方法："),
        QString(),
        QStringLiteral(" 以下のファイルを全て CD-R のルートフォルダ"),
        QStringLiteral(" に入れて下さい。"),
        QString(),
        QStringLiteral("　・AUTORUN.INF"),
        QStringLiteral("　・SORU.EXE"),
        QStringLiteral("　・SORU.ICO"),
        QStringLiteral("　・SORU.TXT"),
        QString(),
        QStringLiteral(" その CD-R を CD に入れると、ルートフォルダ"),
        QStringLiteral(" 以下のフォルダをボタンとして表示します。"),
        QStringLiteral(" そのボタンを押すと、そのフォルダ内の以下の"),
        QStringLiteral(" 拡張子の画像ファイルを表示することが出来ま"),
        QStringLiteral(" す。"),
        QString(),
        QStringLiteral("  BMP, JPG, JPE, JPEG"),
        QString(),
        QStringLiteral(" また、同一ファイル名で拡張子 WAV（サウンド）,"),
        QStringLiteral(" RTF or TXT（テキスト）のファイルを入れておく"),
        QStringLiteral(" と画像表示と共に再生・表示します。"),
        QString(),
        QStringLiteral(" 注意："),
        QString(),
        QStringLiteral(" 本ソフトはフリーソフトです。転載・配布は自由"),
        QStringLiteral(" ですが、使用によって生じたいかなる損害にも"),
        QStringLiteral(" 作者は一切の責任を負いません。"),
        QStringLiteral(" "),
        QStringLiteral(" ハイカラー以上でのご利用をお願い致します。"),
        QStringLiteral(" "),
        QStringLiteral(" "),
    };
}

QString fortuneLine(int index) {
    return info::kFortunePrefix + Fortunes.at(size_t(index)) + info::kFortuneSuffix;
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
