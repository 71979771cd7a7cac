#include "core/album_position.h"

#include <utility>

namespace soru {

void AlbumPosition::open(QStringList paths) {
    paths_ = std::move(paths);
    if (!paths_.isEmpty())
        index_ = 0;
}

QString AlbumPosition::currentPath() const { return hasCurrent() ? paths_[index_] : QString(); }

bool AlbumPosition::back() {
    if (!hasCurrent())
        return false;
    index_ = index_ == 0 ? count() - 1 : index_ - 1;
    return true;
}

bool AlbumPosition::next() {
    if (!hasCurrent())
        return false;
    index_ = index_ < count() - 1 ? index_ + 1 : 0;
    return true;
}

bool AlbumPosition::pick(int index) {
    if (index < 0 || index >= count())
        return false;
    index_ = index;
    return true;
}

} // namespace soru
