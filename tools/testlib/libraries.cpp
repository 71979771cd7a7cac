// The two whole libraries: the bundled demo, and the fixture library with
// one file of every kind.
#include "tools/testlib/testlib.h"

#include <QDir>

namespace soru::testlib {
namespace {

const QString kTravel = QStringLiteral("旅行の写真");
const QString kFlowers = QStringLiteral("花");
const QString kSkyAndSea = QStringLiteral("空と海");
const QString kGeometric = QStringLiteral("幾何学模様");

// Pitches of the chimes (C6, E6, G6, C7).
constexpr double kC6 = 1046.5, kE6 = 1318.5, kG6 = 1568.0, kC7 = 2093.0;

QImage picture(int w, int h, Scene scene, quint32 seed) {
    return makePicture(w, h, scene, seed);
}

QString crlf(QString text) {
    return text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

void writeDemoRoot(LibraryBuilder& lib) {
    lib.album(QString())
        .jpeg(QStringLiteral("ようこそ.jpg"), picture(1600, 1200, Scene::Landscape, 1))
        .memoRtf(QStringLiteral("ようこそ.rtf"),
                 {QStringLiteral("ようこそ"),
                  {QStringLiteral("このディスクには<b>四つのアルバム</b>が入っています。"
                                  "左端にマウスを動かすと<em>アルバムの一覧</em>が現れます。"),
                   QStringLiteral("写真によっては<i>音</i>や<u>メモ</u>が付いています。"),
                   QStringLiteral("どうぞごゆっくりお楽しみください。")}})
        .wav(QStringLiteral("ようこそ.wav"), 900, kC6)
        .jpeg(QStringLiteral("夕焼け.jpg"), picture(1920, 1080, Scene::SeaSun, 2))
        .bmp(QStringLiteral("モザイク.bmp"), picture(800, 600, Scene::Tiles, 3), BmpKind::Rgb24);
}

void writeDemoTravel(LibraryBuilder& lib) {
    lib.album(kTravel)
        .jpeg(QStringLiteral("01_山の朝.jpg"), picture(1600, 1200, Scene::Landscape, 10))
        .memoRtf(QStringLiteral("01_山の朝.rtf"),
                 {QStringLiteral("山の朝"),
                  {QStringLiteral("夜明け前に宿を出て、<b>峠の展望台</b>まで歩きました。"),
                   QStringLiteral(
                       "雲の切れ間から朝日が差し込み、<em>山並みが少しずつ色づいて</em>いきます。"),
                   QStringLiteral("<i>標高</i>：１，２５０ｍ　<u>気温</u>：８℃")}})
        .wav(QStringLiteral("01_山の朝.wav"), 800, kE6)
        .jpeg(QStringLiteral("02_海辺の町.jpg"), picture(1920, 1080, Scene::SeaSun, 11))
        .memoText(
            QStringLiteral("02_海辺の町.txt"),
            crlf(QStringLiteral("海辺の町\n\n港の近くの食堂で、焼き魚の定食をいただきました。\n"
                                "夕方の浜辺は風が心地よく、いつまでも見ていたい景色でした。\n")),
            TextEncoding::ShiftJis)
        .jpeg(QStringLiteral("03_峠道.jpg"), picture(1200, 1600, Scene::Landscape, 12))
        .jpeg(QStringLiteral("04_湖のほとり.jpg"), picture(800, 600, Scene::Landscape, 13),
              JpegKind::Progressive)
        .jpeg(QStringLiteral("05_帰り道の夕日.jpg"), picture(1600, 1200, Scene::SeaSun, 14))
        .wav(QStringLiteral("05_帰り道の夕日.wav"), 1200, kG6)
        .subFolder(QStringLiteral("未整理"))
        .hiddenFile(QStringLiteral("下書き.jpg"));
}

void writeDemoFlowers(LibraryBuilder& lib) {
    lib.album(kFlowers)
        .jpeg(QStringLiteral("桜.jpg"), picture(1600, 1200, Scene::Flowers, 20))
        .memoRtf(
            QStringLiteral("桜.rtf"),
            {QStringLiteral("桜"),
             {QStringLiteral("川沿いの並木が<b>満開</b>になりました。"),
              QStringLiteral("風が吹くたびに花びらが舞い、<em>水面が薄紅色</em>に染まります。")}})
        .jpeg(QStringLiteral("向日葵.jpg"), picture(1200, 1600, Scene::Flowers, 21))
        .memoText(
            QStringLiteral("向日葵.txt"),
            crlf(QStringLiteral(
                "向日葵\n\n夏休みに訪れた畑では、背の高い向日葵が一斉に太陽を向いていました。\n")),
            TextEncoding::Utf8)
        .jpeg(QStringLiteral("紫陽花.jpg"), picture(1920, 1080, Scene::Flowers, 22))
        .wav(QStringLiteral("紫陽花.wav"), 700, kC7)
        .bmp(QStringLiteral("野の花.bmp"), picture(640, 480, Scene::Flowers, 23), BmpKind::Rgb24)
        .jpeg(QStringLiteral("コスモス.jpg"), picture(800, 600, Scene::Flowers, 24));
}

void writeDemoSkyAndSea(LibraryBuilder& lib) {
    lib.album(kSkyAndSea)
        .jpeg(QStringLiteral("青空.jpg"), picture(1920, 1080, Scene::Landscape, 30))
        .jpeg(QStringLiteral("水平線.jpg"), picture(1600, 1200, Scene::SeaSun, 31))
        .memoRtf(QStringLiteral("水平線.rtf"),
                 {QStringLiteral("水平線"),
                  {QStringLiteral("岬の先から見た<b>夕暮れの海</b>です。"),
                   QStringLiteral(
                       "太陽が沈むまでの<i>ほんの数分間</i>、海は<em>金色の道</em>を描きます。")}})
        .wav(QStringLiteral("水平線.wav"), 1000, kE6)
        .jpeg(QStringLiteral("灯台の見える海.jpg"), picture(1200, 1600, Scene::SeaSun, 32))
        .memoText(
            QStringLiteral("灯台の見える海.txt"),
            crlf(QStringLiteral("灯台の見える海\n\n白い灯台と青い海。遠くに漁船が見えます。\n")),
            TextEncoding::ShiftJis)
        .jpeg(QStringLiteral("凪.jpg"), picture(800, 600, Scene::SeaSun, 33), JpegKind::Grayscale);
}

void writeDemoGeometric(LibraryBuilder& lib) {
    lib.album(kGeometric)
        .jpeg(QStringLiteral("タイル１.jpg"), picture(1600, 1200, Scene::Tiles, 40))
        .jpeg(QStringLiteral("タイル２.jpg"), picture(1200, 1600, Scene::Tiles, 41))
        .memoText(QStringLiteral("タイル２.txt"),
                  crlf(QStringLiteral("タイル２\n\n円と三角と菱形を組み合わせた模様です。\n")),
                  TextEncoding::Utf8Bom)
        .bmp(QStringLiteral("タイル３.bmp"), picture(640, 480, Scene::Tiles, 42), BmpKind::Rle8)
        .jpeg(QStringLiteral("試験図形.jpg"), picture(1024, 768, Scene::TestPattern, 43))
        .bmp(QStringLiteral("市松模様.bmp"), picture(800, 600, Scene::Checkerboard, 44),
             BmpKind::Pal1);
}

const QString kFixtureText =
    QStringLiteral("メモの見本\n日本語の文章と ASCII text、記号「★」と全角数字１２３。\n");

void writeFixtureJpegs(LibraryBuilder& lib) {
    AlbumBuilder a = lib.album(QLatin1String(kFixtureJpegAlbum));
    for (JpegKind kind : kAllJpegKinds)
        a.jpeg(QString::fromLatin1(jpegKindName(kind)) + ".jpg",
               picture(320, 240, Scene::Landscape, 50), kind);
    a.jpeg(QStringLiteral("odd-17x13.jpg"), picture(17, 13, Scene::TestPattern, 0))
        .jpeg(QStringLiteral("tiny-1x1.jpg"), picture(1, 1, Scene::Plain, 51))
        .jpeg(QStringLiteral("wide-1000x20.jpg"), picture(1000, 20, Scene::TestPattern, 0))
        .jpeg(QStringLiteral("large-3000x2000.jpg"), picture(3000, 2000, Scene::TestPattern, 0))
        .jpeg(QStringLiteral("upper.JPG"), picture(160, 120, Scene::SeaSun, 52))
        .jpeg(QStringLiteral("short.jpe"), picture(160, 120, Scene::Flowers, 53))
        .jpeg(QStringLiteral("long.jpeg"), picture(160, 120, Scene::Tiles, 54))
        .jpeg(QStringLiteral("mixed.JpEg"), picture(160, 120, Scene::Landscape, 55))
        .jpeg(QStringLiteral("IMG10.jpg"), picture(64, 48, Scene::Plain, 10))
        .jpeg(QStringLiteral("IMG2.jpg"), picture(64, 48, Scene::Plain, 2))
        .subFolder(QStringLiteral("sub"));
}

void writeFixtureBmps(LibraryBuilder& lib) {
    AlbumBuilder a = lib.album(QLatin1String(kFixtureBmpAlbum));
    const QImage pattern = picture(97, 61, Scene::TestPattern, 0); // odd width: every row padded
    for (BmpKind kind : kAllBmpKinds)
        a.bmp(QString::fromLatin1(bmpKindName(kind)) + ".bmp", pattern, kind);
    a.bmp(QStringLiteral("tiny-1x1.bmp"), picture(1, 1, Scene::Plain, 60))
        .bmp(QStringLiteral("photo-rgb24.bmp"), picture(320, 240, Scene::Flowers, 61))
        .bmp(QStringLiteral("photo-rle8.bmp"), picture(320, 240, Scene::Tiles, 62), BmpKind::Rle8)
        .bmp(QStringLiteral("upper.BMP"), picture(64, 48, Scene::SeaSun, 63))
        .bmp(QStringLiteral("mixed.Bmp"), picture(64, 48, Scene::Landscape, 64))
        .bmp(QStringLiteral("photo.bmp"), picture(64, 48, Scene::Plain, 65))
        .jpeg(QStringLiteral("photo.jpg"), picture(64, 48, Scene::Plain, 66));
}

void writeFixtureMemos(LibraryBuilder& lib) {
    AlbumBuilder a = lib.album(QLatin1String(kFixtureMemoAlbum));
    a.jpeg(QStringLiteral("rtf.jpg"), 160, 120).memoRtf(QStringLiteral("rtf.rtf"));
    for (TextEncoding enc : kAllTextEncodings) {
        const QString base = QStringLiteral("text-") + QString::fromLatin1(textEncodingName(enc));
        a.jpeg(base + ".jpg", 160, 120).memoText(base + ".txt", crlf(kFixtureText), enc);
    }
    a.jpeg(QStringLiteral("both.jpg"), 160, 120)
        .memoRtf(QStringLiteral("both.rtf"))
        .memoText(QStringLiteral("both.txt"), crlf(kFixtureText), TextEncoding::Utf8)
        .jpeg(QStringLiteral("empty-memo.jpg"), 160, 120)
        .file(QStringLiteral("empty-memo.txt"), {})
        .jpeg(QStringLiteral("no-memo.jpg"), 160, 120);
}

void writeFixtureSounds(LibraryBuilder& lib) {
    lib.album(QLatin1String(kFixtureSoundAlbum))
        .jpeg(QStringLiteral("chime.jpg"), 160, 120)
        .wav(QStringLiteral("chime.wav"), 400, kC6)
        .jpeg(QStringLiteral("long.jpg"), 160, 120)
        .wav(QStringLiteral("long.wav"), 3000, 440.0)
        .jpeg(QStringLiteral("not-riff.jpg"), 160, 120)
        .broken(QStringLiteral("not-riff.wav"), BrokenKind::WavNotRiff)
        .jpeg(QStringLiteral("truncated.jpg"), 160, 120)
        .broken(QStringLiteral("truncated.wav"), BrokenKind::WavTruncated)
        .jpeg(QStringLiteral("silent.jpg"), 160, 120);
}

} // namespace

QStringList demoAlbumNames() {
    return {kTravel, kFlowers, kSkyAndSea, kGeometric};
}

void writeDemoLibrary(const QString& root) {
    LibraryBuilder lib(root);
    writeDemoRoot(lib);
    writeDemoTravel(lib);
    writeDemoFlowers(lib);
    writeDemoSkyAndSea(lib);
    writeDemoGeometric(lib);
    makeHiddenFolder(root, QStringLiteral("非公開"));
}

void writeFixtureLibrary(const QString& root) {
    LibraryBuilder lib(root);
    lib.album(QString())
        .jpeg(QStringLiteral("root.jpg"), 320, 240)
        .hiddenFile(QStringLiteral("hidden.jpg"));
    makeHiddenFolder(root, QStringLiteral("hidden-album"));
    writeFixtureJpegs(lib);
    writeFixtureBmps(lib);
    AlbumBuilder broken = lib.album(QLatin1String(kFixtureBrokenAlbum));
    broken.jpeg(QStringLiteral("00-good.jpg"), 160, 120);
    for (const BrokenInfo& info : brokenKinds())
        broken.broken(QString::fromLatin1(info.fileName), info.kind);
    writeFixtureMemos(lib);
    writeFixtureSounds(lib);
    lib.album(QLatin1String(kFixtureEmptyAlbum));
    lib.album(QStringLiteral("日本語の名前")).jpeg(QStringLiteral("写真.jpg"), 320, 240);
}

} // namespace soru::testlib
