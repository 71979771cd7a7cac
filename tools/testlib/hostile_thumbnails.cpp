// Hostile rows of thumbnails: good pictures whose thumbnail, in the album's
// own .sh_thumbnails and in the shared cache, is something that must not
// block, exhaust memory or lie its way into a wrong size: a named pipe, a
// link to /dev/zero, a sparse file of gigabytes, a PNG whose keys claim
// another shape, a PNG whose header claims an enormous picture. Each picture
// is shown as if it had no thumbnail.
#include "tools/testlib/hostile_internal.h"
#include "tools/testlib/testlib.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QImage>

#include <stdexcept>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace soru::testlib {
namespace {

using O = HostileOutcome;
using hostile::fileRow;
using hostile::makeDirRaw;
using hostile::makeFifoRaw;
using hostile::makeLinkRaw;
using hostile::writeRaw;

constexpr int kW = 64, kH = 48;
const char* const kSizeFolders[] = {"normal", "large", "x-large", "xx-large"};

// A thumbnail PNG with the freedesktop keys, its own pixels w x h, its keys
// claiming the picture is claimedW x claimedH.
QByteArray keyedPng(int w, int h, int claimedW, int claimedH) {
    QImage image = makePicture(w, h, Scene::Landscape, 5);
    image.setText(QStringLiteral("Thumb::Image::Width"), QString::number(claimedW));
    image.setText(QStringLiteral("Thumb::Image::Height"), QString::number(claimedH));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        throw std::runtime_error("cannot write a thumbnail");
    return bytes;
}

struct Kind {
    const char* picture;
    const char* what;
    HostileThumbnail kind;
};
const Kind kKinds[] = {
    {"fifo.jpg", "its thumbnail is a named pipe", HostileThumbnail::Fifo},
    {"devzero.jpg", "its thumbnail is a link to /dev/zero", HostileThumbnail::DevZero},
    {"sparse.jpg", "its thumbnail is a 6 GiB sparse file", HostileThumbnail::Sparse},
    {"lying-keys.jpg", "its thumbnail's keys claim a 1 x 2,000,000 picture",
     HostileThumbnail::LyingKeys},
    {"huge-claim.jpg", "its thumbnail's header claims 100000 x 100000",
     HostileThumbnail::HugeClaim},
};

} // namespace

void writeHostileThumbnail(HostileThumbnail kind, const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    // The size folder and the folder above it.
    const QByteArray folder = path.left(slash);
    makeDirRaw(folder.left(folder.lastIndexOf('/')));
    makeDirRaw(folder);
    switch (kind) {
    case HostileThumbnail::Fifo:
        makeFifoRaw(path);
        break;
    case HostileThumbnail::DevZero:
        makeLinkRaw("/dev/zero", path);
        break;
    case HostileThumbnail::Sparse:
        writeRaw(path, keyedPng(kW, kH, kW, kH));
#ifdef Q_OS_UNIX
        if (::truncate(path.constData(), off_t(6) << 30) != 0)
            throw std::runtime_error("cannot extend " + path.toStdString());
#endif
        break;
    case HostileThumbnail::LyingKeys:
        writeRaw(path, keyedPng(kW, kH, 1, 2000000));
        break;
    case HostileThumbnail::HugeClaim:
        writeRaw(path, hostile::claimingPng(keyedPng(kW, kH, kW, kH), 100000, 100000));
        break;
    }
}

std::span<const HostileThumbnailRow> hostileThumbnails() {
    static const QList<HostileThumbnailRow> rows = [] {
        QList<HostileThumbnailRow> r;
        for (const Kind& k : kKinds)
            r << HostileThumbnailRow{kHostileThumbnailAlbum, k.picture, k.kind};
        return r;
    }();
    return rows;
}

namespace hostile {

QList<HostileEntry> thumbnailRows(const QByteArray& a) {
    const QString size = QStringLiteral("%1 x %2").arg(kW).arg(kH);
    QList<HostileEntry> rows;
    for (const Kind& k : kKinds) {
        HostileEntry e = fileRow(a, k.picture, k.what, O::Shown, size, smallJpeg(kW, kH));
        const auto writePicture = e.make;
        const HostileThumbnail kind = k.kind;
        const QByteArray name = k.picture;
        e.make = [writePicture, kind, name](const QByteArray& path) {
            writePicture(path);
            // The album's own repository names a thumbnail after the MD5 of
            // the file name, in every size folder.
            const QByteArray album = path.left(path.lastIndexOf('/'));
            const QByteArray md5 = QCryptographicHash::hash(name, QCryptographicHash::Md5).toHex();
            for (const char* size : kSizeFolders)
                writeHostileThumbnail(kind, album + "/.sh_thumbnails/" + size + '/' + md5 + ".png");
        };
        rows << e;
    }
    return rows;
}

} // namespace hostile
} // namespace soru::testlib
