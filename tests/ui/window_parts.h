#pragma once
// The main window's parts as a user (or an accessibility tool) finds them:
// by their names in the window's object tree, not through the window's own
// members.
#include "core/key_bindings.h"
#include "ui/main/main_window.h"
#include "ui/widgets/bevel_panel.h"
#include "ui/widgets/image_box.h"
#include "ui/widgets/instant_progress_bar.h"
#include "ui/widgets/owner_draw_list.h"
#include "ui/widgets/status_panels.h"
#include "ui/widgets/tool_bar.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QTextEdit>
#include <QTimer>

#include <array>
#include <stdexcept>
#include <string>

namespace soru {

// The child of this name; throws when the window has none, so a renamed or
// missing part fails the test that needs it instead of crashing it.
template <class T> T* partNamed(const QObject& window, const char* name) {
    T* found = window.findChild<T*>(QLatin1String(name));
    if (!found)
        throw std::runtime_error(std::string("the window has no part named ") + name);
    return found;
}

struct WindowParts {
    explicit WindowParts(const TfrmMain& w)
        : tbMain(partNamed<ToolBar>(w, "tbMain")), tbsExit(partNamed<ToolButton>(w, "tbsExit")),
          tbsBack(partNamed<ToolButton>(w, "tbsBack")), tbsAuto(partNamed<ToolButton>(w, "tbsAuto")),
          tbsNext(partNamed<ToolButton>(w, "tbsNext")), tbsSum(partNamed<ToolButton>(w, "tbsSum")),
          tbsCopy(partNamed<ToolButton>(w, "tbsCopy")), tbsWall(partNamed<ToolButton>(w, "tbsWall")),
          tbsPlay(partNamed<ToolButton>(w, "tbsPlay")), tbsInfo(partNamed<ToolButton>(w, "tbsInfo")),
          tbsMin(partNamed<ToolButton>(w, "tbsMin")), pnlMain(partNamed<BevelPanel>(w, "pnlMain")),
          imgWall(partNamed<ImageBox>(w, "imgWall")), imgView(partNamed<ImageBox>(w, "imgView")),
          imgSum(partNamed<ImageBox>(w, "imgSum")), lblDir(partNamed<QLabel>(w, "lblDir")),
          bvlCur(partNamed<BevelFrame>(w, "bvlCur")), lblScale(partNamed<QLabel>(w, "lblScale")), sbScr(partNamed<QScrollBar>(w, "sbScr")),
          pnlMemo(partNamed<BevelPanel>(w, "pnlMemo")), pnlMemoHead(partNamed<BevelPanel>(w, "pnlMemoHead")),
          reMemo(partNamed<QTextEdit>(w, "reMemo")), sbInfo(partNamed<StatusPanels>(w, "sbInfo")),
          pbInfo(partNamed<InstantProgressBar>(w, "pbInfo")), pnlBook(partNamed<BevelPanel>(w, "pnlBook")),
          lstBook(partNamed<OwnerDrawList>(w, "lstBook")), pnlFile(partNamed<BevelPanel>(w, "pnlFile")),
          lstFile(partNamed<OwnerDrawList>(w, "lstFile")), tmrAuto(w.session().slideShow().timer()),
          pmMain(partNamed<QMenu>(w, "pmMain")), pmAutoTime(partNamed<QMenu>(w, "pmAutoTime")),
          pmWall(partNamed<QMenu>(w, "pmWall")) {
        static const char* const names[kActionCommandCount] = {"aExit", "aBack", "aAuto", "aNext", "aSum",
                                                                "aCopy", "aWall", "aPlay", "aInfo"};
        for (int i = 0; i < kActionCommandCount; ++i)
            actions[i] = partNamed<QAction>(w, names[i]);
    }

    ToolBar* tbMain;
    ToolButton *tbsExit, *tbsBack, *tbsAuto, *tbsNext, *tbsSum, *tbsCopy, *tbsWall, *tbsPlay, *tbsInfo, *tbsMin;
    BevelPanel* pnlMain;
    ImageBox *imgWall, *imgView, *imgSum;
    QLabel* lblDir;
    BevelFrame* bvlCur;
    QLabel* lblScale;
    QScrollBar* sbScr;
    BevelPanel *pnlMemo, *pnlMemoHead;
    QTextEdit* reMemo;
    StatusPanels* sbInfo;
    InstantProgressBar* pbInfo;
    BevelPanel* pnlBook;
    OwnerDrawList* lstBook;
    BevelPanel* pnlFile;
    OwnerDrawList* lstFile;
    // The slide show's timer, the session's.
    const QTimer* tmrAuto;
    QMenu *pmMain, *pmAutoTime, *pmWall;
    std::array<QAction*, kActionCommandCount> actions{};
    QAction* action(Command command) const { return actions[static_cast<size_t>(command)]; }
};

} // namespace soru
