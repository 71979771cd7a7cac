// Whole libraries: the demo's layout, the fixture library's coverage, the
// builder, and the soru-mklib command.
#include "tests/support/test_support.h"
#include "tests/tools/readers.h"
#include "tools/testlib/testlib.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <memory>
#include <set>

namespace soru::testlib {
namespace {

using soru::test::TempDir;

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool isPictureName(const QString& name) {
    const QString ext = QFileInfo(name).suffix().toLower();
    return ext == "jpg" || ext == "jpe" || ext == "jpeg" || ext == "bmp";
}

// What the viewer sees: visible sub-folders, visible picture files.
QStringList albums(const QString& root) {
    return QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

QStringList pictures(const QString& folder) {
    QStringList out;
    for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name))
        if (isPictureName(name))
            out.append(name);
    return out;
}

QSize decodedSize(const QString& path) {
    const QByteArray bytes = readAll(path);
    if (path.endsWith(".bmp", Qt::CaseInsensitive)) {
        QImage img;
        return img.loadFromData(bytes, "BMP") ? img.size() : QSize();
    }
    const auto probe = test::probeJpeg(bytes);
    return probe.ok && probe.warnings == 0 ? QSize(probe.width, probe.height) : QSize();
}

// ------------------------------------------------------------------ demo

class DemoLibrary : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = std::make_unique<TempDir>();
        writeDemoLibrary(dir_->path());
    }
    static void TearDownTestSuite() { dir_.reset(); }
    static QString root() { return dir_->path(); }
    // Every visible folder the viewer opens: the root and the albums.
    static QStringList openedFolders() {
        QStringList out{root()};
        for (const QString& a : albums(root()))
            out.append(QDir(root()).filePath(a));
        return out;
    }
    static inline std::unique_ptr<TempDir> dir_;
};

TEST_F(DemoLibrary, FourJapaneseAlbumsOfThreeToEightPicturesAndAFewInTheRoot) {
    QStringList want = demoAlbumNames();
    want.sort();
    EXPECT_EQ(albums(root()), want);
    EXPECT_EQ(want.size(), 4);
    const auto rootCount = pictures(root()).size();
    EXPECT_GE(rootCount, 2);
    EXPECT_LE(rootCount, 3);
    for (const QString& album : albums(root())) {
        const auto n = pictures(QDir(root()).filePath(album)).size();
        EXPECT_GE(n, 3) << album.toStdString();
        EXPECT_LE(n, 8) << album.toStdString();
    }
}

TEST_F(DemoLibrary, HiddenEntriesAndANestedFolderHoldPicturesTheViewerMustSkip) {
    const QStringList hiddenDirs =
        QDir(root()).entryList(QStringList{".*"}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    ASSERT_EQ(hiddenDirs.size(), 1);
    EXPECT_FALSE(pictures(QDir(root()).filePath(hiddenDirs[0])).isEmpty());

    int hiddenPictures = 0, nestedPictures = 0;
    for (const QString& folder : openedFolders()) {
        for (const QString& name :
             QDir(folder).entryList(QStringList{".*"}, QDir::Files | QDir::Hidden))
            hiddenPictures +=
                isPictureName(name) && decodedSize(QDir(folder).filePath(name)).isValid();
        if (folder != root())
            for (const QString& sub : albums(folder))
                nestedPictures += int(pictures(QDir(folder).filePath(sub)).size());
    }
    EXPECT_EQ(hiddenPictures, 1);
    EXPECT_GE(nestedPictures, 1);
}

TEST_F(DemoLibrary, EveryPictureDecodesAndTheSizesAreMixed) {
    std::set<std::pair<int, int>> sizes;
    int portrait = 0, bitmaps = 0;
    for (const QString& folder : openedFolders()) {
        for (const QString& name : pictures(folder)) {
            const QSize size = decodedSize(QDir(folder).filePath(name));
            ASSERT_TRUE(size.isValid()) << name.toStdString();
            sizes.insert({size.width(), size.height()});
            portrait += size.height() > size.width();
            bitmaps += name.endsWith(".bmp");
        }
    }
    EXPECT_GE(sizes.size(), 4u);
    EXPECT_GE(portrait, 2);
    EXPECT_GE(bitmaps, 2);
    EXPECT_TRUE(sizes.count({1920, 1080}) && sizes.count({1200, 1600}) && sizes.count({800, 600}));
}

TEST_F(DemoLibrary, CompanionsBelongToPicturesAndAreReadable) {
    int rtf = 0, utf8Text = 0, otherText = 0, wav = 0;
    for (const QString& folder : openedFolders()) {
        QSet<QString> bases;
        for (const QString& p : pictures(folder))
            bases.insert(QFileInfo(p).completeBaseName());
        for (const QString& name : QDir(folder).entryList(QDir::Files)) {
            if (isPictureName(name))
                continue;
            const QString path = QDir(folder).filePath(name);
            EXPECT_TRUE(bases.contains(QFileInfo(name).completeBaseName()))
                << "orphan " << name.toStdString();
            const QByteArray bytes = readAll(path);
            const QString ext = QFileInfo(name).suffix();
            if (ext == "rtf") {
                ++rtf;
                EXPECT_TRUE(bytes.startsWith("{\\rtf1\\ansi\\ansicpg932"));
                EXPECT_TRUE(test::rtfToText(bytes).startsWith(
                    QFileInfo(name).completeBaseName().section('_', -1)))
                    << name.toStdString();
            } else if (ext == "txt") {
                ++(bytes.isValidUtf8() ? utf8Text : otherText);
                EXPECT_GT(bytes.size(), 20);
            } else if (ext == "wav") {
                ++wav;
                EXPECT_TRUE(bytes.startsWith("RIFF"));
                EXPECT_EQ(test::le32(bytes, 4), std::uint32_t(bytes.size() - 8));
            } else {
                ADD_FAILURE() << "unexpected file " << name.toStdString();
            }
        }
    }
    EXPECT_GE(rtf, 2);
    EXPECT_GE(utf8Text, 1);
    EXPECT_GE(otherText, 1); // Shift-JIS
    EXPECT_GE(wav, 3);
}

// --------------------------------------------------------------- fixtures

TEST(FixtureLibrary, HoldsOneFileOfEveryKind) {
    TempDir dir;
    writeFixtureLibrary(dir.path());
    const QDir root(dir.path());
    auto in = [&](const char* album, const QString& name) {
        return root.filePath(QString(album) + "/" + name);
    };

    for (JpegKind kind : kAllJpegKinds) {
        const auto probe =
            test::probeJpeg(readAll(in(kFixtureJpegAlbum, QString(jpegKindName(kind)) + ".jpg")));
        EXPECT_TRUE(probe.ok) << jpegKindName(kind);
        EXPECT_EQ(probe.progressive, kind == JpegKind::Progressive);
    }
    for (BmpKind kind : kAllBmpKinds)
        EXPECT_TRUE(
            decodedSize(in(kFixtureBmpAlbum, QString(bmpKindName(kind)) + ".bmp")).isValid())
            << bmpKindName(kind);
    for (const BrokenInfo& info : brokenKinds())
        EXPECT_EQ(readAll(in(kFixtureBrokenAlbum, info.fileName)), brokenBytes(info.kind))
            << info.name;
    for (TextEncoding enc : kAllTextEncodings) {
        const QString base = QString("text-") + textEncodingName(enc);
        EXPECT_TRUE(QFile::exists(in(kFixtureMemoAlbum, base + ".txt"))) << textEncodingName(enc);
        EXPECT_TRUE(QFile::exists(in(kFixtureMemoAlbum, base + ".jpg"))) << textEncodingName(enc);
    }
    EXPECT_TRUE(pictures(root.filePath(kFixtureEmptyAlbum)).isEmpty());
    EXPECT_GE(pictures(root.filePath(kFixtureSoundAlbum)).size(), 3);
    EXPECT_EQ(
        root.entryList(QStringList{".*"}, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
            .size(),
        2);
}

// ---------------------------------------------------------------- builder

TEST(LibraryBuilder, WritesWhatTheChainDescribes) {
    TempDir dir;
    LibraryBuilder lib(dir.path());
    lib.album(QStringLiteral("旅行"))
        .jpeg("a.jpg", 640, 480)
        .bmp("b.bmp", 100, 80, BmpKind::Rle8)
        .memoRtf("a.rtf")
        .wav("a.wav")
        .memoText("b.txt", QStringLiteral("メモ"), TextEncoding::ShiftJis)
        .hiddenFile("h.jpg")
        .hiddenFolder("secret")
        .subFolder("sub");
    lib.album("").jpeg("root.jpeg", 32, 16, JpegKind::Grayscale);

    const QString album = dir.file(QStringLiteral("旅行"));
    EXPECT_EQ(decodedSize(album + "/a.jpg"), QSize(640, 480));
    const auto bmp = test::parseBmpHeader(readAll(album + "/b.bmp"));
    EXPECT_EQ(bmp.compression, 1u);
    EXPECT_EQ(QSize(bmp.width, bmp.height), QSize(100, 80));
    EXPECT_EQ(readAll(album + "/a.rtf"), rtfMemoBytes(sampleMemo()));
    EXPECT_EQ(readAll(album + "/b.txt"), QByteArray("\x83\x81\x83\x82"));
    EXPECT_TRUE(readAll(album + "/a.wav").startsWith("RIFF"));
    EXPECT_TRUE(decodedSize(album + "/.h.jpg").isValid());
    EXPECT_FALSE(pictures(album + "/.secret").isEmpty());
    EXPECT_FALSE(pictures(album + "/sub").isEmpty());
    EXPECT_EQ(pictures(album), (QStringList{"a.jpg", "b.bmp"}));
    EXPECT_EQ(albums(album), QStringList{"sub"});
    EXPECT_EQ(test::probeJpeg(readAll(dir.file("root.jpeg"))).components, 1);
}

TEST(LibraryBuilder, PicturesFollowFromTheirNames) {
    TempDir one, two;
    LibraryBuilder(one.path()).album("x").jpeg("same.jpg", 80, 60).jpeg("other.jpg", 80, 60);
    LibraryBuilder(two.path()).album("y").jpeg("same.jpg", 80, 60);
    EXPECT_EQ(readAll(one.file("x/same.jpg")), readAll(two.file("y/same.jpg")));
    EXPECT_NE(readAll(one.file("x/same.jpg")), readAll(one.file("x/other.jpg")));
}

TEST(LibraryBuilder, UnwritablePlacesThrow) {
    TempDir dir;
    writeFile(dir.file("file"), "x");
    EXPECT_THROW(LibraryBuilder(dir.file("file/below")), std::runtime_error);
    EXPECT_THROW(writeJpeg(dir.file("missing/a.jpg"), makePicture(4, 4, Scene::Plain)),
                 std::runtime_error);
}

// ------------------------------------------------------------ soru-mklib

struct CommandCase {
    const char* name;
    QStringList args; // "DIR" stands for a fresh folder
    int exitCode;
    const char* output;  // expected in stdout + stderr
    const char* created; // expected inside DIR afterwards, or nullptr
};

class MklibCommand : public ::testing::TestWithParam<CommandCase> {};

TEST_P(MklibCommand, ExitCodeAndMessage) {
    const CommandCase c = GetParam();
    TempDir tmp;
    const QString target = tmp.file("lib");
    QStringList args;
    for (const QString& a : c.args)
        args.append(a == "DIR" ? target : a);
    QProcess p;
    p.start(QStringLiteral(SORU_MKLIB_PATH), args);
    ASSERT_TRUE(p.waitForFinished(60000));
    const QString output = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), c.exitCode) << output.toStdString();
    EXPECT_TRUE(output.contains(QString::fromUtf8(c.output))) << output.toStdString();
    if (c.created)
        EXPECT_TRUE(QFileInfo::exists(target + "/" + QString::fromUtf8(c.created)));
    else
        EXPECT_FALSE(QFileInfo::exists(target));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MklibCommand,
    ::testing::Values(
        CommandCase{"no_arguments", {}, 2, "Usage:", nullptr},
        CommandCase{"help", {"--help"}, 0, "--fixtures DIR", nullptr},
        CommandCase{"unknown_option", {"--bogus", "DIR"}, 2, "unknown option --bogus", nullptr},
        CommandCase{"missing_folder", {"--demo"}, 2, "expected one of", nullptr},
        CommandCase{
            "option_as_folder", {"--demo", "--fixtures"}, 2, "--demo needs a folder", nullptr},
        CommandCase{"too_many", {"--demo", "DIR", "DIR"}, 2, "expected one of", nullptr},
        CommandCase{"demo", {"--demo", "DIR"}, 0, "wrote", "花"},
        CommandCase{"fixtures", {"--fixtures", "DIR", "--replace"}, 0, "wrote", "broken"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MklibCommand, RefusesAFolderInUseUnlessToldToReplaceIt) {
    TempDir tmp;
    writeFile(tmp.file("keep.txt"), "mine");
    auto run = [&](QStringList extra) {
        QProcess p;
        p.start(QStringLiteral(SORU_MKLIB_PATH), QStringList{"--demo", tmp.path()} + extra);
        p.waitForFinished(60000);
        return p.exitCode();
    };
    EXPECT_EQ(run({}), 1);
    EXPECT_TRUE(QFile::exists(tmp.file("keep.txt")));
    EXPECT_EQ(run({"--replace"}), 0);
    EXPECT_FALSE(QFile::exists(tmp.file("keep.txt")));
    EXPECT_EQ(albums(tmp.path()).size(), 4);
}

} // namespace
} // namespace soru::testlib
