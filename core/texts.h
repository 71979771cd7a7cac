#pragma once
// Every text the user interface shows, in one place. The texts are the
// Japanese source texts; each is looked up in the installed translation
// (context "soru") where it is used, so a constant made before the
// translator is installed still shows in the user's language.
#include <QCoreApplication>
#include <QString>

#include <utility>

namespace soru::text {

// A translatable text: its source, translated whenever it becomes a QString.
struct Text {
    const char* source;

    QString toString() const { return QCoreApplication::translate("soru", source); }
    operator QString() const { return toString(); }
    template <typename... Args>
    QString arg(Args&&... args) const {
        return toString().arg(std::forward<Args>(args)...);
    }
};

inline QString operator+(const QString& a, const Text& b) { return a + b.toString(); }
inline QString operator+(const Text& a, const QString& b) { return a.toString() + b; }
inline bool operator==(const QString& a, const Text& b) { return a == b.toString(); }

inline const QString kAppTitle = QStringLiteral("SORU for win32");

// Actions.
inline constexpr Text kExit{QT_TRANSLATE_NOOP("soru", "終了(&X)")};
inline constexpr Text kBack{QT_TRANSLATE_NOOP("soru", "前へ(&B)")};
inline constexpr Text kAuto{QT_TRANSLATE_NOOP("soru", "自動(&A)")};
inline constexpr Text kNext{QT_TRANSLATE_NOOP("soru", "次へ(&N)")};
inline constexpr Text kInfo{QT_TRANSLATE_NOOP("soru", "情報(&I)")};
inline constexpr Text kPlay{QT_TRANSLATE_NOOP("soru", "再生(&P)")};
inline constexpr Text kSum{QT_TRANSLATE_NOOP("soru", "一覧(&A)")};
inline constexpr Text kWall{QT_TRANSLATE_NOOP("soru", "壁紙(&W)")};
inline constexpr Text kCopy{QT_TRANSLATE_NOOP("soru", "複写(&C)")};
inline constexpr Text kMin{QT_TRANSLATE_NOOP("soru", "最小化")};

// Hints.
inline constexpr Text kHintAuto{QT_TRANSLATE_NOOP("soru", "カーソル方向の画像を次々と表示していきます")};
inline constexpr Text kHintInfo{QT_TRANSLATE_NOOP("soru", "バージョン情報を表示します")};
inline constexpr Text kHintPlay{QT_TRANSLATE_NOOP("soru", "サウンド付きの場合に再生します")};
inline constexpr Text kHintSum{QT_TRANSLATE_NOOP("soru", "サムネイル表示しますが時間がかかります")};
inline constexpr Text kHintWall{QT_TRANSLATE_NOOP("soru", "壁紙に設定します")};
inline constexpr Text kHintCopy{QT_TRANSLATE_NOOP("soru", "表示している画像をコピーします")};
inline constexpr Text kHintNext{QT_TRANSLATE_NOOP("soru", "右クリックで表示する写真を選択できます")};
inline constexpr Text kHintScroll{QT_TRANSLATE_NOOP("soru", "ページ単位でスクロールします")};

// Slide-show intervals.
inline constexpr Text k1s{QT_TRANSLATE_NOOP("soru", "1 秒")};
inline constexpr Text k2s{QT_TRANSLATE_NOOP("soru", "2 秒")};
inline constexpr Text k3s{QT_TRANSLATE_NOOP("soru", "3 秒")};
inline constexpr Text k5s{QT_TRANSLATE_NOOP("soru", "5 秒")};
inline constexpr Text k10s{QT_TRANSLATE_NOOP("soru", "10 秒")};
inline constexpr Text k30s{QT_TRANSLATE_NOOP("soru", "30 秒")};
inline constexpr Text k1m{QT_TRANSLATE_NOOP("soru", "1 分")};
inline constexpr Text k3m{QT_TRANSLATE_NOOP("soru", "3 分")};
inline constexpr Text k5m{QT_TRANSLATE_NOOP("soru", "5 分")};
inline constexpr Text k10m{QT_TRANSLATE_NOOP("soru", "10 分")};

// Wallpaper styles.
inline constexpr Text kCenter{QT_TRANSLATE_NOOP("soru", "中央に表示")};
inline constexpr Text kTile{QT_TRANSLATE_NOOP("soru", "並べて表示")};
inline constexpr Text kZoom{QT_TRANSLATE_NOOP("soru", "拡大して表示")};

// Desktop export.
inline constexpr Text kAskWallpaper{QT_TRANSLATE_NOOP("soru", "壁紙を変更してもよろしいですか？")};
inline constexpr Text kAskDistort{QT_TRANSLATE_NOOP("soru", "拡大表示すると、画像が変形する可能性がありますが、よろしいですか？")};
inline constexpr Text kNoClipboard{QT_TRANSLATE_NOOP("soru", "クリップボードを開くことができません")};

// The photo frame and its settings.
inline constexpr Text kFrame{QT_TRANSLATE_NOOP("soru", "額縁(&F)")};
inline constexpr Text kFrameSettings{QT_TRANSLATE_NOOP("soru", "額縁の設定(&S)")};
inline constexpr Text kFrameInterval{QT_TRANSLATE_NOOP("soru", "間隔")};
inline constexpr Text kFrameOrder{QT_TRANSLATE_NOOP("soru", "順序")};
inline constexpr Text kFrameByName{QT_TRANSLATE_NOOP("soru", "名前順")};
inline constexpr Text kFrameShuffled{QT_TRANSLATE_NOOP("soru", "シャッフル")};
inline constexpr Text kFrameByDate{QT_TRANSLATE_NOOP("soru", "撮影日順")};
inline constexpr Text kFrameFade{QT_TRANSLATE_NOOP("soru", "フェード")};
inline constexpr Text kFrameNoFade{QT_TRANSLATE_NOOP("soru", "なし")};
inline constexpr Text kFrameHalfSecond{QT_TRANSLATE_NOOP("soru", "0.5 秒")};
inline constexpr Text kFrameCaptions{QT_TRANSLATE_NOOP("soru", "メモを表示")};
inline constexpr Text kFrameSounds{QT_TRANSLATE_NOOP("soru", "サウンドを再生")};
inline constexpr Text kCannotWriteFile{QT_TRANSLATE_NOOP("soru", "%1 に書き込めません")};

// Memo panel.
inline const QString kMemoHead = QStringLiteral(" MEMO");

// Why the screen saver is held off, as the desktop lists it.
inline constexpr Text kScreenSaverReason{QT_TRANSLATE_NOOP("soru", "スライドショーを表示しています")};

} // namespace soru::text
