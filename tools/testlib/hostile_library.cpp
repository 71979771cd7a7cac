// The hostile library: its albums, its rows, writing it, and the changes
// made to it while a viewer has it open.
#include "tools/testlib/hostile_internal.h"
#include "tools/testlib/testlib.h"

#include <QFile>

#include <cstdio>
#include <stdexcept>
#include <string>

#include <jerror.h>
#include <jpeglib.h>

#ifdef Q_OS_UNIX
#include <unistd.h> // truncate
#endif

namespace soru::testlib {

using namespace hostile;

namespace hostile {

HostileEntry bareRow(const QByteArray& album, const QByteArray& name, const char* what,
                     HostileOutcome outcome, const QString& detail) {
    HostileEntry e;
    e.album = album;
    e.name = name;
    e.what = what;
    e.outcome = outcome;
    e.detail = detail;
    return e;
}

HostileEntry fileRow(const QByteArray& album, const QByteArray& name, const char* what,
                     HostileOutcome outcome, const QString& detail, const QByteArray& bytes) {
    HostileEntry e = bareRow(album, name, what, outcome, detail);
    e.make = [bytes](const QByteArray& path) { writeRaw(path, bytes); };
    return e;
}

QString cannotOpen() { return QStringLiteral("ファイル %1 は開けません"); }
QString badBitmap() { return QStringLiteral("ビットマップイメージが不正です"); }
QString jpegError(int code) { return QStringLiteral("JPEG エラー #%1").arg(code); }
QString memoFailure() { return QStringLiteral("ストリームからの読み込みに失敗しました"); }

} // namespace hostile

namespace {

using O = HostileOutcome;
using C = HostileChange;

constexpr const char* kPictureSize = "64 x 48";

QByteArray picture() {
    static const QByteArray bytes = smallJpeg(64, 48);
    return bytes;
}

QByteArray bulkPicture() {
    static const QByteArray bytes = smallJpeg(8, 8);
    return bytes;
}

// The companion's raw path: the picture's with its extension replaced.
QByteArray companion(const QByteArray& path, const QByteArray& ext) {
    return path.left(path.lastIndexOf('.')) + ext;
}

HostileEntry shown(const QByteArray& album, const QByteArray& name, const char* what) {
    return fileRow(album, name, what, O::Shown, kPictureSize, picture());
}

HostileEntry ignored(const QByteArray& album, const QByteArray& name, const char* what) {
    return fileRow(album, name, what, O::Ignored, {}, picture());
}

HostileEntry made(const QByteArray& album, const QByteArray& name, const char* what, O outcome,
                  const QString& detail, std::function<void(const QByteArray&)> make) {
    HostileEntry e = bareRow(album, name, what, outcome, detail);
    e.make = std::move(make);
    return e;
}

// A picture and one companion made by `makeCompanion` at the companion path.
HostileEntry withCompanion(const QByteArray& album, const QByteArray& name, const char* what,
                           O outcome, const QString& detail, const QByteArray& ext,
                           std::function<void(const QByteArray&)> makeCompanion) {
    return made(album, name, what, outcome, detail, [ext, makeCompanion](const QByteArray& path) {
        writeRaw(path, picture());
        makeCompanion(companion(path, ext));
    });
}

HostileEntry unreadable(HostileEntry e, O without, const QString& detailWithout) {
    e.permissionDependent = true;
    e.outcomeWithoutPermissions = without;
    e.detailWithoutPermissions = detailWithout;
    return e;
}

HostileEntry changed(HostileEntry e, C change) {
    e.change = change;
    return e;
}

QList<HostileEntry> rootRows() {
    return {shown("", "0-first.jpg", "an ordinary picture, shown at start")};
}

QList<HostileEntry> nameRows() {
    const QByteArray a = "names";
    QList<HostileEntry> rows;
    // Names that are valid UTF-8 but awkward.
    for (const char* n : {"with space.jpg", "  leading spaces.jpg", "trailing space .jpg", " .jpg",
                          "quote\"double.jpg", "quote'single.jpg", "back`tick.jpg",
                          "$(echo hi).jpg", "*?[glob].jpg", "semi;colon&amp.jpg",
                          "percent %1 %s.jpg", "-rf.jpg", "--help.jpg", "-.jpg", "new\nline.jpg",
                          "tab\there.jpg", "ctrl-\x01-\x1b.jpg", "del-\x7f.jpg",
                          "repl-\xEF\xBF\xBD.jpg", "Case.jpg", "case.jpg"})
        rows << shown(a, n, "a name with spaces, quotes, shell signs, dashes or control characters");
    rows << shown(a, "nfc-\xE3\x81\x8C.jpg", "composed kana (NFC)");
    rows << shown(a, "nfc-\xE3\x81\x8B\xE3\x82\x99.jpg", "the same kana decomposed (NFD)");
    rows << shown(a, "back\\slash.jpg", "a backslash, a separator only on Windows");
    rows << shown(a, "colon:name.jpg", "a colon, a separator only on Windows");
    {
        HostileEntry e = withCompanion(a, "back\\memo.jpg",
                                       "a backslash and a memo whose extension differs in case",
                                       O::Shown, kPictureSize, ".TXT",
                                       [](const QByteArray& p) { writeRaw(p, "memo"); });
        e.memoKind = QStringLiteral("TXT");
        rows << e;
        HostileEntry c = withCompanion(a, "colon:memo.jpg",
                                       "a colon and a memo whose extension differs in case",
                                       O::Shown, kPictureSize, ".TXT",
                                       [](const QByteArray& p) { writeRaw(p, "memo"); });
        c.memoKind = QStringLiteral("TXT");
        rows << c;
    }
    // 255 bytes, the longest name a Linux file system takes.
    rows << shown(a, QByteArray(251, 'a') + ".jpg", "a name of 255 bytes");
    rows << shown(a, QByteArray(250, 'b') + ".jpeg", "a name of 255 bytes, .jpeg");
    {
        QByteArray kanji;
        for (int i = 0; i < 83; ++i)
            kanji += "\xE5\x86\x99"; // 写
        HostileEntry e = withCompanion(a, kanji + "xx.jpg", "249 bytes of kanji: 255 in all, with a memo",
                                       O::Shown, kPictureSize, ".txt",
                                       [](const QByteArray& p) { writeRaw(p, "memo"); });
        e.memoKind = QStringLiteral("TXT");
        rows << e;
    }
    // Names Qt cannot decode are left out of every listing.
    for (const char* n : {"\xFF.jpg", "bad-\xC3\x28.jpg", "overlong-\xC0\xAF.jpg",
                          "surrogate-\xED\xA0\x80.jpg", "cut-\xE3\x81.jpg", "latin1-caf\xE9.jpg",
                          "sjis-\x82\xA0.jpg", "twin-\xFF.jpg", "twin-\xFE.jpg"})
        rows << ignored(a, n, "a name that is not valid UTF-8");
    // Not pictures, or hidden.
    for (const char* n : {".hidden.jpg", ".jpg", "..jpg", "jpg", "x.jpg.", "x.jpg ", "x.jpg.txt",
                          "x.jpgx", "x.gif", "x.pngx", "x.tif"})
        rows << ignored(a, n, "hidden, or not a picture extension");
    // Picture extensions in odd forms.
    for (const char* n : {"x..jpg", "x.JpEg", "x.JPE", "x.bmp.jpg"})
        rows << shown(a, n, "a picture extension in an odd form");
    rows << fileRow(a, "x.BMP", "a bitmap, extension in capitals", O::Shown, kPictureSize,
                    encodeBmp(makePicture(64, 48, Scene::Tiles, 5)));
    rows << fileRow(a, "x.jpeg.bmp", "a bitmap with two extensions", O::Shown, kPictureSize,
                    encodeBmp(makePicture(64, 48, Scene::Tiles, 6)));
    rows << made(a, "dir.jpg", "a folder named like a picture (holding one)", O::Ignored, {},
                 [](const QByteArray& p) {
                     makeDirRaw(p);
                     writeRaw(p + "/inside.jpg", picture());
                 });
    rows << made(a, "dirlink.jpg", "a link to that folder", O::Ignored, {},
                 [](const QByteArray& p) { makeLinkRaw("dir.jpg", p); });
    return rows;
}

QList<HostileEntry> specialRows() {
    const QByteArray a = "special";
    QList<HostileEntry> rows;
    rows << fileRow(a, "empty.jpg", "an empty file", O::Refused, jpegError(JERR_INPUT_EMPTY), {});
    rows << fileRow(a, "empty.jpeg", "an empty file", O::Refused, jpegError(JERR_INPUT_EMPTY), {});
    rows << fileRow(a, "empty.bmp", "an empty file", O::Refused, badBitmap(), {});
    // Special files: never opened for reading, so none can block the window.
    rows << made(a, "fifo.jpg", "a named pipe", O::Refused, cannotOpen(), makeFifoRaw);
    rows << made(a, "fifo.bmp", "a named pipe", O::Refused, cannotOpen(), makeFifoRaw);
    rows << made(a, "socket.jpg", "a socket", O::Refused, cannotOpen(), makeSocketRaw);
    rows << made(a, "devnull.jpg", "a link to /dev/null", O::Refused, cannotOpen(),
                 [](const QByteArray& p) { makeLinkRaw("/dev/null", p); });
    rows << made(a, "devzero.bmp", "a link to /dev/zero", O::Refused, cannotOpen(),
                 [](const QByteArray& p) { makeLinkRaw("/dev/zero", p); });
    // Links that lead nowhere.
    rows << made(a, "dangling.jpg", "a link to a file that does not exist", O::Vanished, {},
                 [](const QByteArray& p) { makeLinkRaw("no-such-file.jpg", p); });
    rows << made(a, "loop.jpg", "a link to itself", O::Vanished, {},
                 [](const QByteArray& p) { makeLinkRaw("loop.jpg", p); });
    rows << made(a, "ping.jpg", "a link to pong.jpg, which links back", O::Vanished, {},
                 [](const QByteArray& p) { makeLinkRaw("pong.jpg", p); });
    rows << made(a, "pong.jpg", "a link to ping.jpg", O::Vanished, {},
                 [](const QByteArray& p) { makeLinkRaw("ping.jpg", p); });
    rows << made(a, "link-to-picture.jpg", "a link to a picture in another album", O::Shown,
                 kPictureSize, [](const QByteArray& p) { makeLinkRaw("../names/with space.jpg", p); });
    rows << made(a, "link-to-bitmap.jpg", "a link named .jpg to a bitmap", O::Refused, jpegError(JERR_NO_SOI),
                 [](const QByteArray& p) { makeLinkRaw("../names/x.BMP", p); });
    rows << unreadable(made(a, "unreadable.jpg", "a picture no one may read", O::Refused, cannotOpen(),
                            [](const QByteArray& p) {
                                writeRaw(p, picture());
                                chmodRaw(p, 0);
                            }),
                       O::Shown, kPictureSize);
    rows << made(a, "sparse-1.5gib.jpg", "a small picture followed by a 1.5 GB hole", O::Shown,
                 kPictureSize, [](const QByteArray& p) {
                     writeRaw(p, picture());
#ifdef Q_OS_UNIX
                     if (::truncate(p.constData(), off_t(3) << 29) != 0)
                         throw std::runtime_error("cannot extend " + p.toStdString());
#endif
                 });
    rows << made(a, "sparse-rle-1.5gib.bmp", "a small run-length bitmap followed by a 1.5 GB hole",
                 O::Shown, kPictureSize, [](const QByteArray& p) {
                     writeRaw(p, encodeBmp(makePicture(64, 48, Scene::Tiles, 9), BmpKind::Rle8));
#ifdef Q_OS_UNIX
                     if (::truncate(p.constData(), off_t(3) << 29) != 0)
                         throw std::runtime_error("cannot extend " + p.toStdString());
#endif
                 });
    return rows;
}

QList<HostileEntry> companionRows() {
    const QByteArray a = "companions";
    QList<HostileEntry> rows;
    auto row = [&](const char* name, const char* what, O outcome, const QString& detail,
                   const char* ext, std::function<void(const QByteArray&)> make,
                   const char* memoKind = "", bool sound = false) {
        HostileEntry e = withCompanion(a, name, what, outcome, detail, ext, std::move(make));
        e.memoKind = QString::fromLatin1(memoKind);
        e.sound = sound;
        rows << e;
        return &rows.last();
    };
    row("memo-fifo.jpg", "its .txt memo is a named pipe", O::Refused, memoFailure(), ".txt",
        makeFifoRaw);
    row("sound-fifo.jpg", "its .wav sound is a named pipe (the player checks it)", O::Shown,
        kPictureSize, ".wav", makeFifoRaw, "", true);
    row("memo-folder.jpg", "its .txt memo is a folder", O::Shown, kPictureSize, ".txt", makeDirRaw);
    row("sound-folder.jpg", "its .wav sound is a folder", O::Shown, kPictureSize, ".wav", makeDirRaw);
    row("memo-dangling.jpg", "its .rtf memo is a link to nowhere", O::Shown, kPictureSize, ".rtf",
        [](const QByteArray& p) { makeLinkRaw("nowhere.rtf", p); });
    row("sound-dangling.jpg", "its .wav sound is a link to nowhere", O::Shown, kPictureSize, ".wav",
        [](const QByteArray& p) { makeLinkRaw("nowhere.wav", p); });
    HostileEntry* e = row("memo-unreadable.jpg", "its .txt memo may not be read", O::Refused,
                          memoFailure(), ".txt", [](const QByteArray& p) {
                              writeRaw(p, "secret");
                              chmodRaw(p, 0);
                          });
    *e = unreadable(*e, O::Shown, kPictureSize);
    e->memoKind = QStringLiteral("TXT");
    row("memo-binary.jpg", "its .rtf memo is random bytes", O::Shown, kPictureSize, ".rtf",
        [](const QByteArray& p) {
            QByteArray bytes;
            quint32 x = 12345;
            for (int i = 0; i < 4096; ++i) {
                x = x * 1103515245u + 12345u;
                bytes.append(char(x >> 24));
            }
            writeRaw(p, bytes);
        },
        "RTF");
    row("memo-deep-rtf.jpg", "its .rtf memo opens 100,000 groups", O::Shown, kPictureSize, ".rtf",
        [](const QByteArray& p) { writeRaw(p, "{\\rtf1 " + QByteArray(100000, '{') + "deep"); },
        "RTF");
    row("memo-long-line.jpg", "its .txt memo is one line of 2 MB", O::Shown, kPictureSize, ".txt",
        [](const QByteArray& p) { writeRaw(p, QByteArray(2 << 20, 'x')); }, "TXT");
    row("memo-sparse-6gib.jpg", "its .txt memo is a line followed by a 6 GB hole", O::Shown,
        kPictureSize, ".txt",
        [](const QByteArray& p) {
            writeRaw(p, "メモ\r\n");
#ifdef Q_OS_UNIX
            if (::truncate(p.constData(), off_t(6) << 30) != 0)
                throw std::runtime_error("cannot extend " + p.toStdString());
#endif
        },
        "TXT");
    row("MEMO-CASE.JPG", "its memo's name differs in letter case", O::Shown, kPictureSize, ".txt",
        [](const QByteArray& p) { writeRaw(p.left(p.lastIndexOf('/') + 1) + "memo-case.TXT", "memo"); },
        "TXT");
    return rows;
}

QList<HostileEntry> changeRows() {
    const QByteArray a = "changes";
    return {
        changed(fileRow(a, "gone.jpg", "deleted after the scan", O::Vanished, {}, picture()),
                C::Delete),
        changed(fileRow(a, "gone-to-folder.jpg", "replaced by a folder after the scan", O::Vanished,
                        {}, picture()),
                C::ReplaceWithFolder),
        changed(fileRow(a, "now-text.jpg", "overwritten by text after the scan", O::Refused,
                        jpegError(JERR_NO_SOI), picture()),
                C::ReplaceWithText),
        changed(fileRow(a, "now-empty.jpg", "cut to nothing after the scan", O::Refused,
                        jpegError(JERR_INPUT_EMPTY), picture()),
                C::Empty),
        changed(fileRow(a, "now-bigger.jpg", "replaced by a larger picture after the scan", O::Shown,
                        QStringLiteral("300 x 200"), picture()),
                C::ReplaceWithPicture),
        changed(fileRow(a, "now-jpeg.bmp", "a bitmap replaced by a JPEG after the scan", O::Refused,
                        badBitmap(), encodeBmp(makePicture(64, 48, Scene::Tiles, 8))),
                C::ReplaceWithPicture),
        changed(fileRow(a, "now-fifo.jpg", "replaced by a named pipe after the scan", O::Refused,
                        cannotOpen(), picture()),
                C::ReplaceWithFifo),
        changed(fileRow(a, "now-dangling.jpg", "replaced by a link to nowhere after the scan",
                        O::Vanished, {}, picture()),
                C::ReplaceWithDangling),
        unreadable(changed(fileRow(a, "now-unreadable.jpg", "made unreadable after the scan",
                                   O::Refused, cannotOpen(), picture()),
                           C::RemoveReadPermission),
                   O::Shown, kPictureSize),
    };
}

QList<HostileEntry> listOnlyRows() {
    // The folder's names can be read but not its files: they are listed,
    // and cannot be opened.
    const QByteArray a = "list-only";
    return {unreadable(fileRow(a, "a.jpg", "in a folder of mode r--", O::Refused, cannotOpen(), picture()),
                       O::Shown, kPictureSize)};
}

const QList<HostileEntry>& allRows() {
    static const QList<HostileEntry> rows = [] {
        QList<HostileEntry> r;
        r << rootRows() << nameRows() << specialRows() << companionRows() << changeRows()
          << listOnlyRows() << sizeRows("sizes") << jpegDamageRows("jpeg-damage")
          << bitmapHeaderRows("bitmap-headers") << bitmapCompressionRows("bitmap-compression")
          << bitmapDamageRows("bitmap-damage") << formatRows("formats")
          << thumbnailRows(kHostileThumbnailAlbum);
        return r;
    }();
    return rows;
}

struct AlbumMaking {
    HostileAlbum album;
    std::function<void(const QByteArray& path)> make; // default: a folder
    unsigned mode = 0755;                              // set once everything is written
};

QByteArray longAlbumName() {
    QByteArray name;
    for (int i = 0; i < 85; ++i)
        name += "\xE5\x86\x99"; // 写: 255 bytes
    return name;
}

HostileAlbum bareAlbum(const QByteArray& name, const char* what, bool listed) {
    HostileAlbum a;
    a.name = name;
    a.what = what;
    a.listed = listed;
    return a;
}

const QList<AlbumMaking>& allAlbums() {
    static const QList<AlbumMaking> albums = [] {
        QList<AlbumMaking> r;
        auto folder = [&](const QByteArray& name, const char* what, bool listed, int generated = 0) {
            HostileAlbum a = bareAlbum(name, what, listed);
            a.bulkPictures = generated;
            r << AlbumMaking{a, {}};
            return &r.last();
        };
        auto link = [&](const QByteArray& name, const char* what, bool listed, const QByteArray& target,
                        std::optional<QByteArray> sameAs = {}) {
            HostileAlbum a = bareAlbum(name, what, listed);
            a.sameAs = sameAs;
            r << AlbumMaking{a, [target](const QByteArray& p) { makeLinkRaw(target, p); }};
        };
        folder("", "the root album", true);
        for (const char* n : {"names", "special", "companions", "changes", "sizes", "jpeg-damage",
                              "bitmap-headers", "bitmap-compression", "bitmap-damage", "formats",
                              kHostileThumbnailAlbum})
            folder(n, "an album of hostile entries", true);
        folder(kHostileBulkAlbum, "an album of 10,000 pictures", true, kHostileBulkPictures);
        folder("folder.jpg", "an album named like a picture", true, 1);
        folder("album with spaces", "an album name with spaces", true, 1);
        folder("-rf --no-preserve-root", "an album name with leading dashes", true, 1);
        folder("new\nline album", "an album name with a line feed", true, 1);
        folder(longAlbumName(), "an album name of 255 bytes", true, 1);
        folder("\xFF\xFE-not-utf8", "an album name that is not valid UTF-8", false, 1);
        folder("latin1-caf\xE9", "an album name in Latin-1", false, 1);
        folder(".hidden-album", "a hidden album", false, 1);
        folder("empty", "an empty folder", false);
        {
            AlbumMaking* m = folder("locked", "a folder of mode ---", false, 1);
            m->album.permissionDependent = true;
            m->mode = 0;
            AlbumMaking* s = folder("search-only", "a folder of mode --x: no listing", false, 1);
            s->album.permissionDependent = true;
            s->mode = 0111;
            AlbumMaking* l = folder("list-only", "a folder of mode r--: names, no files", true);
            l->mode = 0444;
        }
        {
            AlbumMaking* v = folder("vanishing", "deleted after the scan", true, 1);
            v->album.change = C::Delete;
            AlbumMaking* f = folder("becomes-file", "replaced by a file after the scan", true, 1);
            f->album.change = C::ReplaceWithText;
            AlbumMaking* u = folder("becomes-unreadable", "made unreadable after the scan", true, 1);
            u->album.change = C::RemoveReadPermission;
            u->album.permissionDependent = true;
        }
        link("root-again", "a link to the library itself", true, ".", QByteArray());
        link("parent-link", "a link to the folder above the library (no pictures there)", false, "..");
        link("loop-link", "a link to itself", false, "loop-link");
        link("dangling-link", "a link to a folder that does not exist", false, "no-such-folder");
        link("names-link", "a link to the names album", true, "names", QByteArray("names"));
        return r;
    }();
    return albums;
}

} // namespace

const char* hostileOutcomeName(HostileOutcome outcome) {
    switch (outcome) {
    case O::Shown:
        return "shown";
    case O::Refused:
        return "refused";
    case O::Vanished:
        return "vanished";
    case O::Ignored:
        return "ignored";
    }
    return "?";
}

std::span<const HostileAlbum> hostileAlbums() {
    static const QList<HostileAlbum> albums = [] {
        QList<HostileAlbum> r;
        for (const AlbumMaking& m : allAlbums())
            r << m.album;
        return r;
    }();
    return albums;
}

std::span<const HostileEntry> hostileEntries() {
    return allRows();
}

QByteArray hostileBulkName(int i) {
    return QStringLiteral("p%1.jpg").arg(i, 5, 10, QLatin1Char('0')).toLatin1();
}

QString hostileDecodedName(const QByteArray& raw) {
    return QFile::decodeName(raw);
}

QByteArray hostileRawPath(const QString& root, const QByteArray& album, const QByteArray& name) {
    QByteArray path = QFile::encodeName(root);
    if (!album.isEmpty())
        path += '/' + album;
    if (!name.isEmpty())
        path += '/' + name;
    return path;
}


void writeHostileLibrary(const QString& root, const HostileOptions& options) {
    makeFolder(root);
    const QByteArray bulk = bulkPicture();
    for (const AlbumMaking& m : allAlbums()) {
        const HostileAlbum& a = m.album;
        if (a.bulkPictures == kHostileBulkPictures && !options.bulkAlbum)
            continue;
        const QByteArray path = hostileRawPath(root, a.name, {});
        if (m.make)
            continue; // links come last, once their targets exist
        makeDirRaw(path);
        for (int i = 0; i < a.bulkPictures; ++i)
            writeRaw(path + '/' + hostileBulkName(i), bulk);
    }
    for (const HostileEntry& e : allRows())
        e.make(hostileRawPath(root, e.album, e.name));
    for (const AlbumMaking& m : allAlbums()) {
        const QByteArray path = hostileRawPath(root, m.album.name, {});
        if (m.make)
            m.make(path);
        else if (m.mode != 0755)
            chmodRaw(path, m.mode);
    }
}

void writeHostileLibrary(const QString& root) {
    writeHostileLibrary(root, HostileOptions{});
}

QList<QByteArray> applyHostileEntryChanges(const QString& root) {
    for (const HostileEntry& e : allRows()) {
        const QByteArray path = hostileRawPath(root, e.album, e.name);
        switch (e.change) {
        case C::None:
            break;
        case C::Delete:
            removeRaw(path);
            break;
        case C::ReplaceWithFolder:
            removeRaw(path);
            makeDirRaw(path);
            break;
        case C::ReplaceWithText:
            writeRaw(path, "Changed into text.\n");
            break;
        case C::Empty:
            writeRaw(path, {});
            break;
        case C::ReplaceWithPicture:
            writeRaw(path, smallJpeg(300, 200));
            break;
        case C::ReplaceWithFifo:
            removeRaw(path);
            makeFifoRaw(path);
            break;
        case C::ReplaceWithDangling:
            removeRaw(path);
            makeLinkRaw("no-such-file.jpg", path);
            break;
        case C::RemoveReadPermission:
            chmodRaw(path, 0);
            break;
        }
    }
    return hostileFifoPaths(root);
}

void applyHostileAlbumChanges(const QString& root) {
    for (const HostileAlbum& a : hostileAlbums()) {
        const QByteArray path = hostileRawPath(root, a.name, {});
        switch (a.change) {
        case C::Delete:
            removeTreeRaw(path);
            break;
        case C::ReplaceWithText:
            removeTreeRaw(path);
            writeRaw(path, "Changed into a file.\n");
            break;
        case C::RemoveReadPermission:
            chmodRaw(path, 0);
            break;
        default:
            break;
        }
    }
}



} // namespace soru::testlib
