// The picture view's cursor zones, the wallpaper's zoom question and the
// list entries' data.
#include "core/albums.h"
#include "core/cursor_zones.h"
#include "core/list_entries.h"
#include "core/wallpaper_style.h"

#include <gtest/gtest.h>

namespace soru {
namespace {

TEST(CursorZones, HalvesOfThePictureChooseTheDirection) {
    const QSize odd(801, 300);
    const struct {
        QPoint p;
        QSize view;
        int count;
        CursorSlot slot;
    } cases[] = {
        {{0, 10}, odd, 3, CursorSlot::Back},
        {{399, 10}, odd, 3, CursorSlot::Back},
        {{400, 10}, odd, 3, CursorSlot::Next}, // the right half is the wider one
        {{800, 299}, odd, 3, CursorSlot::Next},
        {{801, 10}, odd, 3, CursorSlot::Default},
        {{-1, 10}, odd, 3, CursorSlot::Default},
        {{10, -1}, odd, 3, CursorSlot::Default},
        {{10, 300}, odd, 3, CursorSlot::Default},
        {{10, 10}, odd, 1, CursorSlot::Default}, // one picture: nothing to choose
        {{10, 10}, odd, 0, CursorSlot::Default},
        {{0, 0}, {1, 1}, 2, CursorSlot::Next},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cursorZone(c.p, c.view, c.count), c.slot) << c.p.x() << "," << c.p.y() << " of " << c.count;
    EXPECT_EQ(stepDirection(CursorSlot::Back), StepDirection::Back);
    EXPECT_EQ(stepDirection(CursorSlot::Next), StepDirection::Next);
    EXPECT_EQ(stepDirection(CursorSlot::Default), StepDirection::Next);
}

TEST(WallpaperStyle, ZoomAsksOnlyForAnotherShape) {
    const struct {
        QSize picture, screen;
        bool distorts;
    } cases[] = {{{1600, 1200}, {1024, 768}, false}, {{1600, 1000}, {1024, 768}, true},
                 {{1024, 768}, {1024, 768}, false},  {{1023, 768}, {1024, 768}, true},
                 {{800, 600}, {800, 600}, false},    {{40000, 30000}, {1024, 768}, false}};
    for (const auto& c : cases)
        EXPECT_EQ(zoomDistorts(c.picture, c.screen), c.distorts) << c.picture.width() << "x" << c.picture.height();
}

TEST(ListEntries, TextAndDataComeFromOneSource) {
    const struct {
        const char* path;
        const char* text;
        ListEntryKind kind;
        const char* name;
    } pictures[] = {
        {"/lib/photo.bmp", "0photo", ListEntryKind::BitmapPicture, "photo"},
        {"/lib/SCAN.Bmp", "0SCAN", ListEntryKind::BitmapPicture, "SCAN"},
        {"/lib/photo.2001.jpg", "3photo.2001", ListEntryKind::JpegPicture, "photo.2001"},
        {"/lib/0start.jpeg", "30start", ListEntryKind::JpegPicture, "0start"},
        {"/lib/3d.bmp", "03d", ListEntryKind::BitmapPicture, "3d"},
    };
    for (const auto& c : pictures) {
        const ListEntry e = pictureListEntry(QString::fromUtf8(c.path));
        EXPECT_EQ(e.text, QString::fromUtf8(c.text));
        EXPECT_EQ(e.text, pictureEntry(QString::fromUtf8(c.path)));
        EXPECT_EQ(e.kind, c.kind) << c.path;
        EXPECT_EQ(e.name, QString::fromUtf8(c.name));
    }
    const struct {
        int count;
        QString name;
    } albums[] = {{7, "Travel"}, {1, kRootAlbumLabel}, {12345, "  spaced  "}};
    for (const auto& c : albums) {
        const ListEntry e = albumListEntry(c.count, c.name);
        EXPECT_EQ(e.text, albumEntry(c.count, c.name));
        EXPECT_EQ(e.kind, ListEntryKind::Album);
        EXPECT_EQ(e.name, c.name);
        EXPECT_EQ(e.count, c.count);
        EXPECT_EQ(albumHint(c.count, c.name), albumEntryHint(e.text));
    }
    EXPECT_EQ(albumHint(7, "Travel"), "写真 7 枚\r\nTravel");
}

} // namespace
} // namespace soru
