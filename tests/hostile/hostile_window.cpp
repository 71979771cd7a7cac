#include "tests/hostile/hostile_window.h"

#include "core/albums.h"
#include "core/failure.h"
#include "media/memo/memo_reader.h"
#include "media/thumbnails/thumbnail_store.h"
#include "ui/widgets/owner_draw_list.h"

#include <QDir>
#include <QFile>

#include <stdexcept>

namespace soru::test {

using namespace soru::testlib;

bool Expected::refusedOnSheet() const {
    return outcome == HostileOutcome::Refused && detail != kMemoReadFailure;
}

HostileWindow::HostileWindow(const HostileOptions& options)
    : root_(temp_.file(QStringLiteral("library"))),
      cache_(temp_.file(QStringLiteral("thumbnails"))),
      options_(options) {
    writeHostileLibrary(root_, options);
    // The shared thumbnail cache is on, and holds hostile thumbnails of the
    // same pictures whose album repository does.
    QDir().mkpath(cache_);
    {
        const ThumbnailStore store(cache_);
        for (const HostileThumbnailRow& t : hostileThumbnails())
            for (const int side : {128, 256, 512, 1024})
                writeHostileThumbnail(
                    t.kind, QFile::encodeName(store.cachePath(
                                root_ + u'/' + QString::fromUtf8(t.album) + u'/' +
                                    QString::fromUtf8(t.name),
                                side)));
    }
    permissions_ = std::make_unique<OwnerPermissionsEnforced>();
    setFailureSink([this](const QString& m) { messages << m; });
    clock_.setPipes(hostileFifoPaths(root_) + hostileFifoPaths(cache_));

    TfrmMain::Environment env;
    env.colours = &colours_;
    env.libraryFolder = root_;
    env.thumbnailFolder = cache_;
    env.screen = QRect(0, 0, 1024, 768);
    env.services = {&sound, &wallpaper_, &clipboard_, &urls_};
    window_ = std::make_unique<TfrmMain>(env);
    run(QStringLiteral("creation: album scan and the root album"), [this] { window_->FormCreate(); });
    applyHostileAlbumChanges(root_);
}

bool HostileWindow::changeEntries(const HostileAlbum& a) {
    const HostileAlbum& source = a.sameAs ? album(*a.sameAs) : a;
    for (const HostileEntry& e : hostileEntries())
        if (e.album == source.name && e.change != HostileChange::None) {
            clock_.setPipes(applyHostileEntryChanges(root_) + hostileFifoPaths(cache_));
            return true;
        }
    return false;
}

HostileWindow::~HostileWindow() {
    window_.reset();
    setFailureSink({});
    permissions_.reset();
    deleteHostileLibrary(root_);
}

QStringList HostileWindow::run(const QString& label, const std::function<void()>& handler) {
    const qsizetype before = messages.size();
    clock_.step(label, [&] { guarded(handler); });
    return messages.mid(before);
}

const HostileAlbum& HostileWindow::album(const QByteArray& name) {
    for (const HostileAlbum& a : hostileAlbums())
        if (a.name == name)
            return a;
    throw std::invalid_argument("no such hostile album: " + name.toStdString());
}

bool HostileWindow::listed(const HostileAlbum& a) const {
    if (a.bulkPictures == kHostileBulkPictures && !options_.bulkAlbum)
        return false;
    return a.listed || (a.permissionDependent && !permissionsApply());
}

int HostileWindow::expectedCount(const HostileAlbum& a) const {
    const HostileAlbum& source = a.sameAs ? album(*a.sameAs) : a;
    int count = source.bulkPictures;
    for (const HostileEntry& e : hostileEntries())
        if (e.album == source.name && e.outcome != HostileOutcome::Ignored)
            ++count;
    return count;
}

QStringList HostileWindow::albumEntries() {
    QStringList out;
    for (int i = 0; i < parts().lstBook->count(); ++i)
        out << parts().lstBook->item(i)->text();
    return out;
}

QStringList HostileWindow::expectedAlbumEntries() {
    QStringList out;
    for (const HostileAlbum& a : hostileAlbums())
        if (listed(a))
            out << albumEntry(expectedCount(a), a.name.isEmpty() ? kRootAlbumLabel
                                                                 : hostileDecodedName(a.name));
    return out;
}

bool HostileWindow::openAlbum(const HostileAlbum& a) {
    const QString name = a.name.isEmpty() && !a.sameAs ? kRootAlbumLabel : hostileDecodedName(a.name);
    for (int i = 0; i < parts().lstBook->count(); ++i) {
        if (albumEntryName(parts().lstBook->item(i)->text()) != name)
            continue;
        parts().lstBook->setCurrentRow(i);
        openMessages = run(QStringLiteral("open album %1").arg(name), [this] { w().lstBookDblClick(); });
        return true;
    }
    return false;
}

Expected HostileWindow::resolve(const HostileEntry& e) const {
    Expected x;
    x.entry = &e;
    const bool without = e.permissionDependent && !permissionsApply();
    x.outcome = without ? e.outcomeWithoutPermissions : e.outcome;
    x.detail = without ? e.detailWithoutPermissions : e.detail;
    x.memoKind = e.memoKind;
    x.sound = e.sound;
    return x;
}

QHash<QString, Expected> HostileWindow::expectedPictures(const HostileAlbum& a) const {
    QHash<QString, Expected> out;
    const bool gone = a.change == HostileChange::Delete || a.change == HostileChange::ReplaceWithText ||
                      (a.change == HostileChange::RemoveReadPermission && permissionsApply());
    if (gone)
        return out;
    const HostileAlbum& source = a.sameAs ? album(*a.sameAs) : a;
    for (int i = 0; i < source.bulkPictures; ++i) {
        Expected x;
        x.detail = QString::fromLatin1(kHostileBulkSize);
        out.insert(hostileDecodedName(hostileBulkName(i)), x);
    }
    for (const HostileEntry& e : hostileEntries()) {
        if (e.album != source.name)
            continue;
        const Expected x = resolve(e);
        if (x.outcome != HostileOutcome::Ignored)
            out.insert(hostileDecodedName(e.name), x);
    }
    return out;
}

} // namespace soru::test
