#pragma once
// Pieces of the hostile library shared by its translation units: raw-path
// file operations and the row groups of each album.
#include "tools/testlib/hostile.h"

#include <QList>

namespace soru::testlib::hostile {

// Raw-path file operations; each throws std::runtime_error on failure.
void writeRaw(const QByteArray& path, const QByteArray& bytes);
void makeDirRaw(const QByteArray& path);
void makeFifoRaw(const QByteArray& path);
void makeSocketRaw(const QByteArray& path);
void makeLinkRaw(const QByteArray& target, const QByteArray& path);
void removeRaw(const QByteArray& path); // a file, link or empty folder; absent is fine
void removeTreeRaw(const QByteArray& path);
void chmodRaw(const QByteArray& path, unsigned mode);

// A row with no way to make it yet.
HostileEntry bareRow(const QByteArray& album, const QByteArray& name, const char* what,
                     HostileOutcome outcome, const QString& detail);
// A row whose file holds bytes.
HostileEntry fileRow(const QByteArray& album, const QByteArray& name, const char* what,
                     HostileOutcome outcome, const QString& detail, const QByteArray& bytes);

// The messages rows expect.
QString cannotOpen();    // "ファイル %1 は開けません"
QString badBitmap();     // "ビットマップイメージが不正です"
QString jpegError(int code);
QString memoFailure();   // "ストリームからの読み込みに失敗しました"

// The PNG with its header claiming w x h (the CRC made right again).
QByteArray claimingPng(QByteArray png, quint32 w, quint32 h);

// A small valid JPEG of w x h (a landscape scene).
QByteArray smallJpeg(int w, int h);

// Row groups, album by album.
QList<HostileEntry> jpegDamageRows(const QByteArray& album);
QList<HostileEntry> bitmapHeaderRows(const QByteArray& album);
QList<HostileEntry> bitmapCompressionRows(const QByteArray& album);
QList<HostileEntry> bitmapDamageRows(const QByteArray& album);
QList<HostileEntry> sizeRows(const QByteArray& album);
QList<HostileEntry> formatRows(const QByteArray& album); // PNG, WebP, HEIC, AVIF
QList<HostileEntry> thumbnailRows(const QByteArray& album); // pictures with hostile thumbnails

} // namespace soru::testlib::hostile
