// What a screen reader reads of the window: every control's accessible name
// and description, the list rows' readable texts, and the current picture,
// announced each time it has been presented.
#include "ui/main/main_window.h"

#include "core/albums.h"
#include "core/list_entries.h"
#include "ui/widgets/bevel_panel.h"
#include "ui/widgets/image_box.h"
#include "ui/widgets/instant_progress_bar.h"
#include "ui/widgets/owner_draw_list.h"
#include "ui/widgets/status_panels.h"
#include "ui/widgets/tool_bar.h"

#include <QAbstractItemModel>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextEdit>

namespace soru {

namespace {

// The texts only a screen reader reads are here, in the program's one
// translation context like every other text.

// What each toolbar button does, by its command (toolbar order).
const char* const kButtonDescriptions[kActionCommandCount] = {
    QT_TRANSLATE_NOOP("soru", "SORU を終了します"),
    QT_TRANSLATE_NOOP("soru", "前の写真を表示します"),
    QT_TRANSLATE_NOOP("soru", "写真を次々と表示するスライドショーを開始、停止します"),
    QT_TRANSLATE_NOOP("soru", "次の写真を表示します"),
    QT_TRANSLATE_NOOP("soru", "サムネイル一覧を表示、非表示にします"),
    QT_TRANSLATE_NOOP("soru", "表示している写真をコピーします"),
    QT_TRANSLATE_NOOP("soru", "表示している写真を壁紙に設定します"),
    QT_TRANSLATE_NOOP("soru", "写真に付いたサウンドを再生します"),
    QT_TRANSLATE_NOOP("soru", "バージョン情報を表示します"),
};

// A caption as a screen reader should say it: without its accelerator,
// "終了(&X)" is "終了", "&Open" is "Open".
QString spokenCaption(QString caption) {
    static const QRegularExpression accelerator(QStringLiteral("\\s*\\(&.\\)"));
    caption.remove(accelerator);
    caption.replace(QLatin1String("&&"), QLatin1String("\x01"));
    caption.remove(QLatin1Char('&'));
    caption.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return caption.trimmed();
}

// A description with the key that runs the same, when there is one.
QString withKey(const QString& description, const QKeySequence& key) {
    if (key.isEmpty())
        return description;
    return QCoreApplication::translate("soru", "%1 (%2)").arg(description, key.toString(QKeySequence::NativeText));
}

// The readable text of a list row: the album rows carry a count prefix and
// the picture rows a kind prefix in their display text, which a screen
// reader would read out as it stands.
QString rowText(const QModelIndex& row) {
    const QString name = row.data(entry_role::Name).toString();
    if (static_cast<ListEntryKind>(row.data(entry_role::Kind).toInt()) != ListEntryKind::Album)
        return name;
    return QCoreApplication::translate("soru", "%1 (写真 %2 枚)").arg(name).arg(row.data(entry_role::Count).toInt());
}

// Every row inserted into the list gets its readable text.
void giveRowsReadableTexts(OwnerDrawList* list) {
    QAbstractItemModel* model = list->model();
    QObject::connect(model, &QAbstractItemModel::rowsInserted, list,
                     [model](const QModelIndex& parent, int first, int last) {
                         for (int r = first; r <= last; ++r) {
                             const QModelIndex row = model->index(r, 0, parent);
                             model->setData(row, rowText(row), Qt::AccessibleTextRole);
                         }
                     });
}

void describe(QWidget* w, const QString& name, const QString& description) {
    w->setAccessibleName(name);
    w->setAccessibleDescription(description);
}

// The first line of the memo with text, if any.
QString firstLine(const QString& text) {
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString t = line.trimmed();
        if (!t.isEmpty())
            return t;
    }
    return {};
}

} // namespace

namespace {

// The picture, the sheet and the background are pictures to a screen
// reader, not empty fillers.
QAccessibleInterface* imageBoxAccessible(const QString& key, QObject* object) {
    if (key == QLatin1String(ImageBox::staticMetaObject.className()) && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic);
    return nullptr;
}

} // namespace

void TfrmMain::describeComponents() {
    static const bool imageRole = [] {
        QAccessible::installFactory(imageBoxAccessible);
        return true;
    }();
    Q_UNUSED(imageRole);
    setAccessibleName(windowTitle().isEmpty() ? QCoreApplication::applicationName() : windowTitle());
    setAccessibleDescription(QCoreApplication::translate("soru", "写真アルバムを表示します。F6 でアルバム一覧、F7 で写真一覧を開きます"));
    describe(tbMain, QCoreApplication::translate("soru", "ツールバー"), QCoreApplication::translate("soru", "Tab キーでボタンを選び、Enter キーで実行します"));
    for (int i = 0; i < kActionCommandCount; ++i) {
        QAction* a = actionsByCommand[i];
        ToolButton* b = buttonsByCommand[i];
        describe(b, spokenCaption(a->text()), withKey(QCoreApplication::translate("soru", kButtonDescriptions[i]), a->shortcut()));
        // Reached by Tab, not by a click, which keeps the focus where it was.
        b->setFocusPolicy(Qt::TabFocus);
    }
    describe(tbsMin, spokenCaption(tbsMin->text()), QCoreApplication::translate("soru", "ウィンドウを最小化します"));
    tbsMin->setFocusPolicy(Qt::TabFocus);

    describe(pnlMain, QCoreApplication::translate("soru", "写真の表示領域"), QCoreApplication::translate("soru", "右クリックまたはメニューキーでメニューを開きます"));
    describe(imgWall, QCoreApplication::translate("soru", "背景"), QCoreApplication::translate("soru", "写真の背景"));
    describe(imgView, QCoreApplication::translate("soru", "写真"), QCoreApplication::translate("soru", "左右の矢印キーで前後の写真に移ります"));
    describe(imgSum, QCoreApplication::translate("soru", "サムネイル一覧"),
             QCoreApplication::translate("soru", "PageUp、PageDown でページをめくり、矢印キーで写真を選び、Enter キーで表示します"));
    describe(sbScr, QCoreApplication::translate("soru", "サムネイルのページ"), QCoreApplication::translate("soru", "ページ単位でスクロールします"));
    // The label is read by its text, the open album's name.
    lblDir->setAccessibleDescription(QCoreApplication::translate("soru", "開いているアルバムの名前"));
    describe(bvlCur, QCoreApplication::translate("soru", "選択枠"), QCoreApplication::translate("soru", "表示している写真のサムネイルを囲みます"));
    describe(pnlMemo, QCoreApplication::translate("soru", "メモ欄"), QCoreApplication::translate("soru", "写真に付いたメモを表示します"));
    describe(pnlMemoHead, QCoreApplication::translate("soru", "メモ"), QCoreApplication::translate("soru", "メモ欄の見出し"));
    describe(reMemo, QCoreApplication::translate("soru", "メモ"), QCoreApplication::translate("soru", "写真に付いたメモ"));
    describe(reMemo->verticalScrollBar(), QCoreApplication::translate("soru", "メモの縦スクロール"), QString());
    describe(reMemo->horizontalScrollBar(), QCoreApplication::translate("soru", "メモの横スクロール"), QString());
    for (OwnerDrawList* list : {lstBook, lstFile}) {
        describe(list->verticalScrollBar(), QCoreApplication::translate("soru", "一覧の縦スクロール"), QString());
        describe(list->horizontalScrollBar(), QCoreApplication::translate("soru", "一覧の横スクロール"), QString());
    }
    describe(sbInfo, QCoreApplication::translate("soru", "状態表示"), QString());
    describe(pbInfo, QCoreApplication::translate("soru", "進み具合"), QCoreApplication::translate("soru", "サムネイルの読み込みの進み具合"));
    describe(pnlBook, QCoreApplication::translate("soru", "アルバム一覧の欄"), QCoreApplication::translate("soru", "F6 キーで開きます"));
    describe(lstBook, QCoreApplication::translate("soru", "アルバム一覧"), QCoreApplication::translate("soru", "上下の矢印キーでアルバムを選び、Enter キーで開きます"));
    describe(pnlFile, QCoreApplication::translate("soru", "写真一覧の欄"), QCoreApplication::translate("soru", "F7 キーで開きます"));
    describe(lstFile, QCoreApplication::translate("soru", "写真一覧"), QCoreApplication::translate("soru", "上下の矢印キーで写真を選び、Enter キーで表示します。Esc キーで閉じます"));
    // The picture and the sheet take the focus by Tab, so that a screen
    // reader follows the picture shown; every key is the window's anyway.
    imgView->setFocusPolicy(Qt::TabFocus);
    imgSum->setFocusPolicy(Qt::TabFocus);
    giveRowsReadableTexts(lstBook);
    giveRowsReadableTexts(lstFile);
    // The window starts with the album list waiting for a choice.
    lstBook->setFocus();
}

void TfrmMain::announceCurrent() {
    if (!session_.hasCurrent())
        return;
    const ViewerSession::Current& c = session_.current();
    const QString name =
        QCoreApplication::translate("soru", "写真 %1 / %2: %3").arg(session_.album().index() + 1).arg(session_.album().count()).arg(c.name);
    QStringList facts;
    if (!c.size.isEmpty())
        facts << QCoreApplication::translate("soru", "大きさ %1").arg(c.size);
    if (!c.date.isEmpty())
        facts << QCoreApplication::translate("soru", "日付 %1").arg(c.date);
    if (!c.memo.isEmpty()) {
        const QString line = firstLine(reMemo->toPlainText());
        if (!line.isEmpty())
            facts << QCoreApplication::translate("soru", "メモ: %1").arg(line);
    }
    const QString description = facts.join(QCoreApplication::translate("soru", "、"));
    // The status bar is read as its panels' texts.
    QStringList panels;
    for (int i = 0; i < sbInfo->panelCount(); ++i)
        if (!sbInfo->panelText(i).isEmpty())
            panels << sbInfo->panelText(i);
    sbInfo->setAccessibleDescription(panels.join(QLatin1String(" / ")));
    // Setting a text announces its change; the same picture presented again
    // is announced again, as a step that stays in place is news too.
    const bool sameName = imgView->accessibleName() == name;
    const bool sameDescription = imgView->accessibleDescription() == description;
    imgView->setAccessibleName(name);
    imgView->setAccessibleDescription(description);
    if (sameName) {
        QAccessibleEvent event(imgView, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
    if (sameDescription) {
        QAccessibleEvent event(imgView, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&event);
    }
    imgSum->setAccessibleDescription(QCoreApplication::translate("soru", "%1。PageUp、PageDown でページをめくり、Enter キーで表示します").arg(name));
}

} // namespace soru
