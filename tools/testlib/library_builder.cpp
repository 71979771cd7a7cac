// Writing files and folders, hidden entries, and the album builder.
#include "tools/testlib/internal.h"
#include "tools/testlib/testlib.h"

#include <QDir>
#include <QSaveFile>

#include <stdexcept>

namespace soru::testlib {
namespace {

std::runtime_error failure(const char* what, const QString& path) {
    return std::runtime_error(std::string(what) + ": " +
                              QDir::toNativeSeparators(path).toStdString());
}

QString hiddenName(const QString& name) {
    return name.startsWith(QLatin1Char('.')) ? name : "." + name;
}

} // namespace

void writeFile(const QString& path, const QByteArray& bytes) {
    // Written to a temporary file and renamed, so a reader never sees half a fixture.
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        throw failure("cannot write", path);
}

QString makeFolder(const QString& path) {
    if (!QDir().mkpath(path))
        throw failure("cannot create folder", path);
    return path;
}

QString makeHiddenFile(const QString& folder, const QString& name) {
    const QString path = QDir(folder).filePath(hiddenName(name));
    writeJpeg(path, makePicture(32, 24, Scene::Plain, 11));
    return path;
}

QString makeHiddenFolder(const QString& folder, const QString& name) {
    const QString path = makeFolder(QDir(folder).filePath(hiddenName(name)));
    writeJpeg(QDir(path).filePath(QStringLiteral("hidden-album-picture.jpg")),
              makePicture(48, 32, Scene::Tiles, 12));
    return path;
}

quint32 seedForName(const QString& name) {
    return detail::stableHash(name);
}

Scene sceneForName(const QString& name) {
    static constexpr Scene pleasant[] = {Scene::Landscape, Scene::SeaSun, Scene::Flowers,
                                         Scene::Tiles};
    return pleasant[seedForName(name) % 4];
}

AlbumBuilder::AlbumBuilder(QString folder) : folder_(std::move(folder)) {
    makeFolder(folder_);
}

QString AlbumBuilder::filePath(const QString& name) const {
    return QDir(folder_).filePath(name);
}

AlbumBuilder& AlbumBuilder::jpeg(const QString& name, int w, int h, JpegKind kind) {
    return jpeg(name, makePicture(w, h, sceneForName(name), seedForName(name)), kind);
}

AlbumBuilder& AlbumBuilder::jpeg(const QString& name, const QImage& image, JpegKind kind) {
    writeJpeg(filePath(name), image, kind);
    return *this;
}

AlbumBuilder& AlbumBuilder::bmp(const QString& name, int w, int h, BmpKind kind) {
    return bmp(name, makePicture(w, h, sceneForName(name), seedForName(name)), kind);
}

AlbumBuilder& AlbumBuilder::bmp(const QString& name, const QImage& image, BmpKind kind) {
    writeBmp(filePath(name), image, kind);
    return *this;
}

AlbumBuilder& AlbumBuilder::broken(const QString& name, BrokenKind kind) {
    writeBroken(filePath(name), kind);
    return *this;
}

AlbumBuilder& AlbumBuilder::memoRtf(const QString& name, const Memo& memo) {
    writeRtfMemo(filePath(name), memo);
    return *this;
}

AlbumBuilder& AlbumBuilder::memoText(const QString& name, const QString& text,
                                     TextEncoding encoding) {
    writeTextMemo(filePath(name), text, encoding);
    return *this;
}

AlbumBuilder& AlbumBuilder::wav(const QString& name, int milliseconds, double frequency) {
    writeWav(filePath(name), milliseconds, frequency);
    return *this;
}

AlbumBuilder& AlbumBuilder::file(const QString& name, const QByteArray& bytes) {
    writeFile(filePath(name), bytes);
    return *this;
}

AlbumBuilder& AlbumBuilder::hiddenFile(const QString& name) {
    makeHiddenFile(folder_, name);
    return *this;
}

AlbumBuilder& AlbumBuilder::hiddenFolder(const QString& name) {
    makeHiddenFolder(folder_, name);
    return *this;
}

AlbumBuilder& AlbumBuilder::subFolder(const QString& name) {
    AlbumBuilder(filePath(name)).jpeg(QStringLiteral("nested.jpg"), 64, 48);
    return *this;
}

LibraryBuilder::LibraryBuilder(QString root) : root_(std::move(root)) {
    makeFolder(root_);
}

AlbumBuilder LibraryBuilder::album(const QString& name) {
    return AlbumBuilder(name.isEmpty() ? root_ : QDir(root_).filePath(name));
}

} // namespace soru::testlib
