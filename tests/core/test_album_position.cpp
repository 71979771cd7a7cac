#include "core/album_position.h"

#include <gtest/gtest.h>

namespace soru {
namespace {

QStringList pictures(int n) {
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << QStringLiteral("/lib/p%1.jpg").arg(i);
    return out;
}

enum class Op { Back, Next };

TEST(AlbumPosition, StepsWrapAroundBothWays) {
    const struct {
        int count;
        int start;
        Op op;
        int expected;
    } cases[] = {
        {3, 0, Op::Back, 2}, // back from the first goes to the last
        {3, 2, Op::Next, 0}, // next from the last goes to the first
        {3, 1, Op::Back, 0}, {3, 1, Op::Next, 2}, {3, 0, Op::Next, 1},
        {1, 0, Op::Back, 0}, // one picture stays current both ways
        {1, 0, Op::Next, 0},
        {2, 1, Op::Next, 0}, {2, 0, Op::Back, 1},
    };
    for (const auto& c : cases) {
        AlbumPosition pos;
        pos.open(pictures(c.count));
        ASSERT_TRUE(pos.pick(c.start));
        EXPECT_TRUE(c.op == Op::Back ? pos.back() : pos.next());
        EXPECT_EQ(pos.index(), c.expected) << c.count << " pictures, from " << c.start;
        EXPECT_EQ(pos.currentPath(), pictures(c.count)[c.expected]);
    }
}

TEST(AlbumPosition, OpeningAnAlbumMakesItsFirstPictureCurrent) {
    AlbumPosition pos;
    EXPECT_EQ(pos.index(), -1);
    EXPECT_FALSE(pos.hasCurrent());
    EXPECT_EQ(pos.currentPath(), QString());
    pos.open(pictures(4));
    ASSERT_TRUE(pos.pick(3));
    pos.open(pictures(2)); // opening again starts at the first picture
    EXPECT_EQ(pos.index(), 0);
    EXPECT_EQ(pos.count(), 2);
    EXPECT_EQ(pos.paths(), pictures(2));
    EXPECT_EQ(pos.currentPath(), "/lib/p0.jpg");
}

// An empty album keeps the old index, which then points at nothing: every
// step and read does nothing until an album with pictures is opened.
TEST(AlbumPosition, EmptyAlbumHasNoCurrentPicture) {
    AlbumPosition never;
    never.open({});
    AlbumPosition emptied;
    emptied.open(pictures(5));
    ASSERT_TRUE(emptied.pick(3));
    emptied.open({});
    const struct {
        AlbumPosition* pos;
        int index;
    } cases[] = {{&never, -1}, {&emptied, 3}};
    for (const auto& c : cases) {
        EXPECT_FALSE(c.pos->hasCurrent());
        EXPECT_EQ(c.pos->count(), 0);
        EXPECT_FALSE(c.pos->back());
        EXPECT_FALSE(c.pos->next());
        EXPECT_FALSE(c.pos->pick(0));
        EXPECT_EQ(c.pos->index(), c.index);
        EXPECT_EQ(c.pos->currentPath(), QString());
    }
    emptied.open(pictures(1));
    EXPECT_TRUE(emptied.hasCurrent());
    EXPECT_EQ(emptied.index(), 0);
}

TEST(AlbumPosition, PickOutsideTheAlbumChangesNothing) {
    const struct {
        int index;
        bool picked;
        int current;
    } cases[] = {{0, true, 0}, {6, true, 6}, {7, false, 2}, {-1, false, 2}, {100, false, 2}};
    for (const auto& c : cases) {
        AlbumPosition pos;
        pos.open(pictures(7));
        ASSERT_TRUE(pos.pick(2));
        EXPECT_EQ(pos.pick(c.index), c.picked) << c.index;
        EXPECT_EQ(pos.index(), c.current) << c.index;
        EXPECT_TRUE(pos.hasCurrent());
    }
}

} // namespace
} // namespace soru
