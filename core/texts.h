#pragma once
// Every text the user interface shows, in one place.
#include <QString>

namespace soru::text {

inline const QString kAppTitle = QStringLiteral("SORU for win32");

// Actions.
inline const QString kExit = QStringLiteral("終了(&X)");
inline const QString kBack = QStringLiteral("前へ(&B)");
inline const QString kAuto = QStringLiteral("自動(&A)");
inline const QString kNext = QStringLiteral("次へ(&N)");
inline const QString kInfo = QStringLiteral("情報(&I)");
inline const QString kPlay = QStringLiteral("再生(&P)");
inline const QString kSum = QStringLiteral("一覧(&A)");
inline const QString kWall = QStringLiteral("壁紙(&W)");
inline const QString kCopy = QStringLiteral("複写(&C)");
inline const QString kMin = QStringLiteral("最小化");

// Hints.
inline const QString kHintAuto = QStringLiteral("カーソル方向の画像を次々と表示していきます");
inline const QString kHintInfo = QStringLiteral("バージョン情報を表示します");
inline const QString kHintPlay = QStringLiteral("サウンド付きの場合に再生します");
inline const QString kHintSum = QStringLiteral("サムネイル表示しますが時間がかかります");
inline const QString kHintWall = QStringLiteral("壁紙に設定します");
inline const QString kHintCopy = QStringLiteral("表示している画像をコピーします");
inline const QString kHintNext = QStringLiteral("右クリックで表示する写真を選択できます");
inline const QString kHintScroll = QStringLiteral("ページ単位でスクロールします");

// Slide-show intervals.
inline const QString k1s = QStringLiteral("1 秒");
inline const QString k2s = QStringLiteral("2 秒");
inline const QString k3s = QStringLiteral("3 秒");
inline const QString k5s = QStringLiteral("5 秒");
inline const QString k10s = QStringLiteral("10 秒");
inline const QString k30s = QStringLiteral("30 秒");
inline const QString k1m = QStringLiteral("1 分");
inline const QString k3m = QStringLiteral("3 分");
inline const QString k5m = QStringLiteral("5 分");
inline const QString k10m = QStringLiteral("10 分");

// Wallpaper styles.
inline const QString kCenter = QStringLiteral("中央に表示");
inline const QString kTile = QStringLiteral("並べて表示");
inline const QString kZoom = QStringLiteral("拡大して表示");

// Desktop export.
inline const QString kAskWallpaper = QStringLiteral("壁紙を変更してもよろしいですか？");
inline const QString kAskDistort =
    QStringLiteral("拡大表示すると、画像が変形する可能性がありますが、よろしいですか？");
inline const QString kNoClipboard = QStringLiteral("クリップボードを開くことができません");

// The photo frame and its settings.
inline const QString kFrame = QStringLiteral("額縁(&F)");
inline const QString kFrameSettings = QStringLiteral("額縁の設定(&S)");
inline const QString kFrameInterval = QStringLiteral("間隔");
inline const QString kFrameOrder = QStringLiteral("順序");
inline const QString kFrameByName = QStringLiteral("名前順");
inline const QString kFrameShuffled = QStringLiteral("シャッフル");
inline const QString kFrameByDate = QStringLiteral("撮影日順");
inline const QString kFrameFade = QStringLiteral("フェード");
inline const QString kFrameNoFade = QStringLiteral("なし");
inline const QString kFrameHalfSecond = QStringLiteral("0.5 秒");
inline const QString kFrameCaptions = QStringLiteral("メモを表示");
inline const QString kFrameSounds = QStringLiteral("サウンドを再生");
inline const QString kCannotWriteFile = QStringLiteral("%1 に書き込めません");

// Memo panel.
inline const QString kMemoHead = QStringLiteral(" MEMO");

// Why the screen saver is held off, as the desktop lists it.
inline const QString kScreenSaverReason = QStringLiteral("スライドショーを表示しています");

} // namespace soru::text
