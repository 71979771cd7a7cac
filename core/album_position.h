#pragma once
// The open album's pictures and which of them is current. Every step, pick
// and read goes through here, so the bounds check on the current index is
// written once.
#include <QString>
#include <QStringList>

namespace soru {

class AlbumPosition {
public:
    // Makes paths the open album's pictures. With at least one picture the
    // first becomes current; an empty album keeps the old index, which then
    // points at nothing, so every step and read does nothing.
    void open(QStringList paths);

    const QStringList& paths() const { return paths_; }
    int count() const { return int(paths_.size()); }
    // The current index as set last; -1 before any album had a picture.
    int index() const { return index_; }
    // Whether the index lies inside the open album.
    bool hasCurrent() const { return index_ >= 0 && index_ < count(); }
    // The current picture's path; empty when there is none.
    QString currentPath() const;

    // One step with wrap-around. Without a current picture nothing moves and
    // the result is false; with one picture that picture stays current.
    bool back();
    bool next();
    // Makes the picture at index current. An index outside the album
    // changes nothing and gives false.
    bool pick(int index);

private:
    QStringList paths_;
    int index_ = -1;
};

} // namespace soru
