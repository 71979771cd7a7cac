#pragma once
// The photo frame's sequence: every picture of the library, album after
// album, over and over, in name order, by date taken, or shuffled; and the
// place it has reached, kept on disk so a restart goes on from there.
#include "core/albums.h"
#include "core/frame_settings.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace soru {

struct FramePlace {
    QString album;   // folder name in the library, "" for the root album
    QString picture; // file name
    FrameOrder order = FrameOrder::Name;
    quint64 seed = 0;
    quint64 round = 0; // how many times the show has started over
};

bool operator==(const FramePlace& a, const FramePlace& b);

// Album order: the root album first, then the albums in list order (as
// albumFolderNames gives them).
//   Name:    each album's pictures in list order (albumPicturePaths).
//   Date:    each album's pictures by date taken (the DateTaken callback,
//            else the file's modification time), ties in list order.
//   Shuffle: the whole library as one sequence, a new order every round.
//            Each picture's place in round r is a 64-bit hash of (seed, r,
//            album, name): the order does not depend on which other pictures
//            exist, so a rescan keeps what is still to come in the round, and
//            a new picture joins the round at its own place. Every picture
//            comes once per round; a round never starts with the picture
//            that ended the one before.
class FrameShow {
public:
    // The date a picture was taken; an invalid QDateTime means unknown.
    using DateTaken = std::function<QDateTime(const QString& path)>;

    FrameShow(QString libraryFolder, FrameOrder order, quint64 seed, DateTaken dateTaken = {});

    // Reads albums and pictures again (the constructor does it once). The
    // place stays on the same (album, picture); when that picture has gone,
    // the show goes on with the one that came after it.
    void rescan();

    // The absolute path of the next picture, advancing; after the last one
    // the show starts over. A file that no longer exists is passed over.
    // nullopt when no picture is left (an empty or vanished library): call
    // rescan() later.
    std::optional<QString> next();
    // The picture next() will most likely return, for decoding ahead; empty
    // at the end of a round, whose next order is not made yet.
    QString upcoming() const;

    // The picture next() returned last (album and picture empty before the
    // first), with the show's order, seed and round.
    FramePlace place() const;

    // next() then returns the picture after place. A place of the show's own
    // order brings its seed and round along; with another order only the
    // (album, picture) is used, in the show's order. A picture that no
    // longer exists: Name and Date go on from the start of its album (from
    // the very start when the album has gone too); Shuffle goes on from where
    // the picture stood in its round.
    void resumeAt(const FramePlace& place);

    // rescan() in two halves, for a caller that reads the library on a
    // worker thread: the function scanner() returns reads the library and
    // touches nothing of the show, so it may run on any thread (the
    // DateTaken callback then runs there too); apply() takes its result in,
    // on the show's thread, exactly as rescan() would. A Date order show
    // reads each picture's date once: later scans ask again only for files
    // whose size or modification time changed.
    struct Scan;
    std::function<std::shared_ptr<Scan>()> scanner() const;
    void apply(std::shared_ptr<Scan> scan);

    int pictureCount() const { return int(pictures_.size()); }
    FrameOrder order() const { return order_; }
    quint64 seed() const { return seed_; }

private:
    struct Picture {
        QString path;
        int album = 0;      // index into albums_
        int nameStart = 0;  // the file name begins here in path
        qint64 date = 0;    // ms since the epoch, Date order only
        quint64 nameHash = 0;
        QString name() const { return path.mid(nameStart); }
    };
    struct CachedDate {
        qint64 size;
        qint64 mtime;
        qint64 date;
    };
    // What is known of the current place, enough to find where it stands in
    // a new sequence even when its picture has gone.
    struct Here {
        bool valid = false;
        QString album;
        QString picture;
        qint64 date = 0;
    };

    static std::shared_ptr<Scan> read(const QString& library, FrameOrder order, const DateTaken& dateTaken,
                                      const QHash<QString, CachedDate>& cache);
    void buildSequence();
    std::vector<int> roundOrder(quint64 round) const;
    quint64 shuffleKey(quint64 nameHash, quint64 round) const;
    int albumIndex(const QString& album) const;
    bool albumLess(const QString& a, const QString& b) const;
    // Whether picture i comes before `here` in the current sequence.
    bool before(int i, const Here& here) const;
    void placeAt(const Here& here, bool startOfAlbumWhenGone);

    QString library_;
    FrameOrder order_;
    quint64 seed_;
    DateTaken dateTaken_;
    SortedNameList names_; // for its comparison only
    QStringList albums_;   // "" first
    std::vector<Picture> pictures_;  // album by album, each in list order
    std::vector<int> sequence_;      // indices into pictures_, this round's order
    quint64 round_ = 0;
    qsizetype pos_ = -1; // index in sequence_ of the picture last returned
    Here here_;
    QString lastPath_; // the last path next() returned
    QHash<QString, CachedDate> dates_;
};

// key=value lines; names percent-encoded. parseFramePlace gives nullopt for
// anything but a complete, well-formed text.
QByteArray serialiseFramePlace(const FramePlace& place);
std::optional<FramePlace> parseFramePlace(const QByteArray& text);

// nullopt when the file is missing, unreadable or damaged.
std::optional<FramePlace> readFrameState(const QString& file);

// Keeps the frame's place on disk without writing on every picture: a place
// is written (to a temporary file renamed over the old one) when at least
// minIntervalMs have passed since the last write, else kept until the next
// update after that, flush(), or destruction.
class FrameStateWriter {
public:
    explicit FrameStateWriter(QString file, int minIntervalMs = 5000);
    ~FrameStateWriter();
    FrameStateWriter(const FrameStateWriter&) = delete;
    FrameStateWriter& operator=(const FrameStateWriter&) = delete;

    void update(const FramePlace& place);
    // Writes the newest place not written yet, now. False when writing failed.
    bool flush();

private:
    bool write(const FramePlace& place);

    QString file_;
    int minIntervalMs_;
    QElapsedTimer sinceWrite_;
    std::optional<FramePlace> pending_;
};

} // namespace soru
