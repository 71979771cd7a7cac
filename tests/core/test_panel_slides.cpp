#include "core/panel_slides.h"

#include <gtest/gtest.h>

namespace soru {
namespace {

// One pointer event, as the window's handlers turn it into the slide rules.
enum class Event { OverBook, OverMemo, OverMainArea };

// What the event slides: "book out", "memo out", "book in", "memo in", in
// order, or nothing.
std::vector<std::string> handle(PanelSlideState& s, Event e) {
    std::vector<std::string> slides;
    switch (e) {
    case Event::OverBook:
        if (s.beginSlideOut(SidePanel::Book)) {
            slides.push_back("book out");
            s.endSlide();
        }
        break;
    case Event::OverMemo:
        if (s.beginSlideOut(SidePanel::Memo)) {
            slides.push_back("memo out");
            s.endSlide();
        }
        break;
    case Event::OverMainArea:
        if (s.beginSlideBack()) {
            if (s.takeBack(SidePanel::Book))
                slides.push_back("book in");
            if (s.takeBack(SidePanel::Memo))
                slides.push_back("memo in");
            s.endSlide();
        }
        break;
    }
    return slides;
}

using Slides = std::vector<std::string>;

TEST(PanelSlideState, WhichPanelSlidesWhen) {
    const struct {
        const char* what;
        bool rootShown; // creation showed a root picture
        bool chosen;    // the user opened an album from the list
        std::vector<std::pair<Event, Slides>> events;
    } cases[] = {
        {"awaiting an album, the list stays out", false, false,
         {{Event::OverMainArea, {}}, {Event::OverBook, {}}, {Event::OverMemo, {"memo out"}},
          {Event::OverMainArea, {}}}},
        {"after the first choice the list comes in", false, true,
         {{Event::OverMainArea, {"book in"}}, {Event::OverMainArea, {}}, {Event::OverBook, {"book out"}}}},
        {"root album shown: both rest in", true, false,
         {{Event::OverMainArea, {}}, {Event::OverBook, {"book out"}}, {Event::OverBook, {}},
          {Event::OverMainArea, {"book in"}}}},
        {"both out come back album first", true, false,
         {{Event::OverMemo, {"memo out"}}, {Event::OverBook, {"book out"}}, {Event::OverMemo, {}},
          {Event::OverMainArea, {"book in", "memo in"}}, {Event::OverMainArea, {}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PanelSlideState s;
        if (c.rootShown)
            s.rootAlbumShown();
        if (c.chosen)
            s.albumChosen();
        for (const auto& [event, slides] : c.events)
            EXPECT_EQ(handle(s, event), slides) << int(event);
        EXPECT_FALSE(s.sliding());
    }
}

TEST(PanelSlideState, StartsWithTheAlbumListOutAndWaiting) {
    PanelSlideState s;
    EXPECT_TRUE(s.awaitingAlbum());
    EXPECT_TRUE(s.isOut(SidePanel::Book));
    EXPECT_FALSE(s.isOut(SidePanel::Memo));
    EXPECT_FALSE(s.sliding());
}

// Events handled between the steps of a slide see its final state and
// start no slide of their own.
TEST(PanelSlideState, NothingStartsWhileASlideRuns) {
    PanelSlideState s;
    s.rootAlbumShown();
    ASSERT_TRUE(s.beginSlideOut(SidePanel::Memo));
    EXPECT_TRUE(s.isOut(SidePanel::Memo)); // marked before the slide moves it
    EXPECT_FALSE(s.beginSlideOut(SidePanel::Book));
    EXPECT_FALSE(s.beginSlideBack());
    EXPECT_FALSE(s.isOut(SidePanel::Book));
    s.endSlide();

    ASSERT_TRUE(s.beginSlideOut(SidePanel::Book));
    s.endSlide();
    ASSERT_TRUE(s.beginSlideBack());
    ASSERT_TRUE(s.takeBack(SidePanel::Book));
    // While the album panel slides in, the memo panel is still out and a
    // move over it starts nothing.
    EXPECT_TRUE(s.isOut(SidePanel::Memo));
    EXPECT_FALSE(s.beginSlideOut(SidePanel::Book));
    EXPECT_FALSE(s.isOut(SidePanel::Book));
    EXPECT_TRUE(s.takeBack(SidePanel::Memo));
    s.endSlide();
    EXPECT_FALSE(s.isOut(SidePanel::Memo));
}

} // namespace
} // namespace soru
