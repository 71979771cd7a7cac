#include "core/frame_show.h"
#include "core/library_watcher.h"
#include "tests/support/test_support.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace soru {
namespace {

void touch(const QString& path, const QDateTime& mtime = {}) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    if (mtime.isValid()) {
        ASSERT_TRUE(f.setFileTime(mtime, QFileDevice::FileModificationTime));
    }
}

// Library-relative names of what next() returns, count times.
QStringList take(FrameShow& show, const QString& library, int count) {
    QStringList out;
    for (int i = 0; i < count; ++i) {
        const auto p = show.next();
        if (!p)
            break;
        out << QDir(library).relativeFilePath(*p);
    }
    return out;
}

TEST(FrameShow, NameOrderRunsRootThenAlbumsAndStartsOver) {
    test::TempDir lib;
    for (const char* f : {"b.jpg", "A.png", "notes.txt", "Zoo/2.jpg", "Zoo/10.jpg", "apple/x.bmp", "empty/", ".hidden/h.jpg"})
        QString(f).endsWith('/') ? (void)QDir().mkpath(lib.file(f)) : touch(lib.file(f));
    FrameShow show(lib.path(), FrameOrder::Name, 1);
    EXPECT_EQ(show.pictureCount(), 5);
    EXPECT_EQ(take(show, lib.path(), 7),
              (QStringList{"A.png", "b.jpg", "apple/x.bmp", "Zoo/10.jpg", "Zoo/2.jpg", "A.png", "b.jpg"}));
    EXPECT_EQ(show.place().album, "");
    EXPECT_EQ(show.place().picture, "b.jpg");
}

TEST(FrameShow, EmptyOrVanishedLibraryGivesNothing) {
    test::TempDir lib;
    FrameShow empty(lib.path(), FrameOrder::Shuffle, 1);
    EXPECT_FALSE(empty.next());
    FrameShow missing(lib.file("gone"), FrameOrder::Name, 1);
    EXPECT_FALSE(missing.next());
    touch(lib.file("gone/a/1.jpg"));
    missing.rescan();
    EXPECT_EQ(take(missing, lib.file("gone"), 1), QStringList{"a/1.jpg"});
    QDir(lib.file("gone")).removeRecursively();
    EXPECT_FALSE(missing.next());
}

// Every picture once per round, rounds that differ, and never the same
// picture twice in a row where one round meets the next.
TEST(FrameShow, ShuffleRounds) {
    for (int n : {2, 3, 4, 9}) {
        test::TempDir lib;
        QSet<QString> all;
        for (int i = 0; i < n; ++i) {
            const QString name = i % 3 == 0 ? QString("r%1.jpg").arg(i) : QString("al%1/p%2.jpg").arg(i % 3).arg(i);
            touch(lib.file(name));
            all << name;
        }
        FrameShow show(lib.path(), FrameOrder::Shuffle, 42);
        ASSERT_EQ(show.pictureCount(), n);
        QString last;
        QSet<QStringList> orders;
        QStringList firstRounds;
        for (int round = 0; round < 51; ++round) {
            const QStringList seq = take(show, lib.path(), n);
            ASSERT_EQ(seq.size(), n);
            EXPECT_EQ(QSet<QString>(seq.begin(), seq.end()), all) << n << " pictures, round " << round;
            EXPECT_NE(seq.first(), last) << n << " pictures, round " << round;
            last = seq.last();
            orders << seq;
            if (round < 3)
                firstRounds += seq;
        }
        if (n >= 4) {
            EXPECT_GT(orders.size(), 5) << n << " pictures: the rounds are not shuffled";
        }
        // The same seed gives the same show; another seed another one.
        FrameShow again(lib.path(), FrameOrder::Shuffle, 42);
        FrameShow other(lib.path(), FrameOrder::Shuffle, 43);
        EXPECT_EQ(take(again, lib.path(), 3 * n), firstRounds);
        if (n >= 9) {
            EXPECT_NE(take(other, lib.path(), 3 * n), firstRounds);
        }
    }
}

TEST(FrameShow, DateOrderUsesDateTakenElseModificationTime) {
    test::TempDir lib;
    const QDateTime t0(QDate(2020, 1, 1), QTime(12, 0), Qt::UTC);
    // Taken dates for some; the others are placed by their modification time.
    touch(lib.file("a.jpg"), t0.addDays(5));
    touch(lib.file("b.jpg"), t0.addDays(1)); // taken on day 9
    touch(lib.file("c.jpg"), t0.addDays(3));
    touch(lib.file("d.jpg"), t0.addDays(3)); // a tie with c: name order
    touch(lib.file("e.jpg"), t0.addDays(8)); // taken on day 2
    touch(lib.file("al/z.jpg"), t0.addDays(-100));
    touch(lib.file("al/y.jpg"), t0.addDays(-50));
    int reads = 0;
    QHash<QString, QDateTime> taken{{"b.jpg", t0.addDays(9)}, {"e.jpg", t0.addDays(2)}};
    FrameShow show(lib.path(), FrameOrder::Date, 0, [&](const QString& path) {
        ++reads;
        return taken.value(QFileInfo(path).fileName());
    });
    EXPECT_EQ(reads, 7);
    EXPECT_EQ(take(show, lib.path(), 7),
              (QStringList{"e.jpg", "c.jpg", "d.jpg", "a.jpg", "b.jpg", "al/z.jpg", "al/y.jpg"}));
    // A rescan reads only the pictures that changed.
    taken["a.jpg"] = t0;
    touch(lib.file("a.jpg"), t0.addDays(6));
    show.rescan();
    EXPECT_EQ(reads, 8);
    show.resumeAt({"", "a.jpg", FrameOrder::Date, 0});
    EXPECT_EQ(take(show, lib.path(), 3), (QStringList{"e.jpg", "c.jpg", "d.jpg"}));
}

TEST(FrameShow, ResumeAt) {
    test::TempDir lib;
    for (const char* f : {"r1.jpg", "r2.jpg", "a/1.jpg", "a/2.jpg", "a/3.jpg", "b/1.jpg"})
        touch(lib.file(f));
    const struct {
        const char* album;
        const char* picture;
        const char* next;
    } cases[] = {
        {"a", "2.jpg", "a/3.jpg"},  {"b", "1.jpg", "r1.jpg"}, // the last one: starts over
        {"a", "9.jpg", "a/1.jpg"},                            // a vanished picture: its album's start
        {"gone", "1.jpg", "r1.jpg"},                          // a vanished album: the start
        {"", "r2.jpg", "a/1.jpg"},
    };
    for (const auto& c : cases) {
        FrameShow show(lib.path(), FrameOrder::Name, 0);
        show.resumeAt({c.album, c.picture, FrameOrder::Name, 0});
        EXPECT_EQ(take(show, lib.path(), 1), QStringList{c.next}) << c.album << "/" << c.picture;
    }
    // A shuffled show goes on as it would have, across round boundaries,
    // from a place saved and read back.
    FrameShow first(lib.path(), FrameOrder::Shuffle, 7);
    take(first, lib.path(), 10);
    const auto saved = parseFramePlace(serialiseFramePlace(first.place()));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->round, 1u);
    FrameShow second(lib.path(), FrameOrder::Shuffle, 99);
    second.resumeAt(*saved);
    EXPECT_EQ(take(second, lib.path(), 15), take(first, lib.path(), 15));
}

TEST(FrameShow, RescanKeepsThePlaceAndFollowsTheLibrary) {
    test::TempDir lib;
    for (const char* f : {"r1.jpg", "b/1.jpg", "b/2.jpg", "b/3.jpg"})
        touch(lib.file(f));
    FrameShow show(lib.path(), FrameOrder::Name, 0);
    EXPECT_EQ(take(show, lib.path(), 2), (QStringList{"r1.jpg", "b/1.jpg"}));
    touch(lib.file("b/1b.jpg"));
    touch(lib.file("a/new.jpg"));
    touch(lib.file("c/new.jpg"));
    show.rescan();
    EXPECT_EQ(show.pictureCount(), 7);
    EXPECT_EQ(take(show, lib.path(), 6),
              (QStringList{"b/1b.jpg", "b/2.jpg", "b/3.jpg", "c/new.jpg", "r1.jpg", "a/new.jpg"}));
    // The shown picture removed: the show goes on after where it stood.
    ASSERT_EQ(show.place().picture, "new.jpg");
    QFile::remove(lib.file("a/new.jpg"));
    show.rescan();
    EXPECT_EQ(take(show, lib.path(), 1), QStringList{"b/1.jpg"});
    // A file deleted without a rescan is passed over.
    QFile::remove(lib.file("b/1b.jpg"));
    EXPECT_EQ(take(show, lib.path(), 1), QStringList{"b/2.jpg"});
}

TEST(FramePlace, ParseRejectsGarbage) {
    const FramePlace odd{QString::fromUtf8("旅行 2024=%"), "a\nb.jpg", FrameOrder::Date, 18446744073709551615ull, 3};
    const QByteArray good = serialiseFramePlace(odd);
    ASSERT_EQ(parseFramePlace(good), odd);
    for (qsizetype cut = 0; cut < good.size() - 1; ++cut)
        EXPECT_FALSE(parseFramePlace(good.left(cut))) << "cut at " << cut;
    QByteArray replaced = good;
    const QList<QPair<QByteArray, QByteArray>> damage = {
        {"order=date", "order=random"}, {"seed=18446744073709551615", "seed=18446744073709551616"},
        {"seed=18446744073709551615", "seed=-1"},   {"album=", "album=..%2F"},
        {"picture=", "picture=%2Fetc%2Fpasswd%00"}, {"round=3", "round=3x"},
        {"end\n", "end\nmore\n"},                  {"soru-frame-place 1", "soru-frame-place 2"},
        {"seed=", "album=x\nseed="}};
    for (const auto& [from, to] : damage) {
        QByteArray bad = good;
        bad.replace(from, to);
        EXPECT_FALSE(parseFramePlace(bad)) << to.toStdString();
    }
    EXPECT_FALSE(parseFramePlace(QByteArray("\x00\xff\xfe garbage", 12)));
}

TEST(FramePlace, StateWriterWritesAtMostOncePerInterval) {
    test::TempDir dir;
    const QString file = dir.file("state/soru/frame-state");
    const FramePlace a{"x", "1.jpg", FrameOrder::Name, 5, 0}, b{"x", "2.jpg", FrameOrder::Name, 5, 0};
    {
        FrameStateWriter writer(file, 3600 * 1000);
        writer.update(a); // the first is written at once
        EXPECT_EQ(readFrameState(file), a);
        writer.update(b);
        EXPECT_EQ(readFrameState(file), a);
        EXPECT_TRUE(writer.flush());
        EXPECT_EQ(readFrameState(file), b);
        writer.update(a);
    } // and the last on destruction
    EXPECT_EQ(readFrameState(file), a);
    EXPECT_FALSE(readFrameState(dir.file("missing")));
}

TEST(LibraryWatcher, ReportsNewFilesAndNewAlbums) {
    test::TempDir lib;
    touch(lib.file("a/1.jpg"));
    LibraryWatcher watcher(lib.path());
    watcher.setSettleInterval(100);
    QSignalSpy spy(&watcher, &LibraryWatcher::changed);
    watcher.start();
    touch(lib.file("a/2.jpg"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return spy.count() >= 1; }, 10000));
    // A new album is watched from then on.
    QDir().mkpath(lib.file("b"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return watcher.watchedFolders().contains(lib.file("b")); }, 10000));
    const int before = int(spy.count());
    touch(lib.file("b/1.jpg"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return spy.count() > before; }, 10000));
}

TEST(LibraryWatcher, ReportsAVanishedLibraryComingBack) {
    test::TempDir dir;
    const QString library = dir.file("stick");
    touch(library + "/a/1.jpg");
    LibraryWatcher watcher(library);
    watcher.setSettleInterval(100);
    // The slow fallback timer is left at its minute: the return must be
    // found by looking for the missing folder.
    watcher.setRescanInterval(60000);
    QSignalSpy spy(&watcher, &LibraryWatcher::changed);
    watcher.start();
    ASSERT_TRUE(QDir(library).removeRecursively());
    EXPECT_TRUE(QTest::qWaitFor([&] { return spy.count() >= 1; }, 10000));
    EXPECT_TRUE(watcher.watchedFolders().isEmpty());
    const int before = int(spy.count());
    touch(library + "/a/1.jpg");
    EXPECT_TRUE(QTest::qWaitFor([&] { return spy.count() > before; }, 10000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return watcher.watchedFolders().contains(library + "/a"); }, 10000));
}

} // namespace
} // namespace soru
