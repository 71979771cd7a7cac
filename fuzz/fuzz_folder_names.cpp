// Album and picture enumeration over a folder whose entries have arbitrary
// byte names. The input is a list of entries separated by "/" or NUL; the
// first byte of each entry says what it is, the rest is its name:
//   bits 0-2  0 empty file, 1 folder, 2 link to ".", 3 dangling link,
//             4 link to itself, 5 FIFO, 6 folder without permissions,
//             7 link to the entry before (a file if there is none)
//   bit 3     inside the most recent folder instead of the root
// The entries are made with the raw bytes (no text conversion), the
// enumeration runs over the root and each album, and everything made is
// removed again.
#include "core/albums.h"
#include "fuzz/harness.h"

#include <QFile>

#include <cstdio>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace soru;

struct Made {
    std::string path;
    bool folder;
};

class Scratch {
public:
    explicit Scratch(std::string root) : root_(std::move(root)) {}
    ~Scratch() {
        // Children were made after their folder: remove in reverse order,
        // giving folders their permissions back first.
        for (const Made& m : made_)
            if (m.folder)
                ::chmod(m.path.c_str(), 0700);
        for (auto it = made_.rbegin(); it != made_.rend(); ++it)
            (it->folder ? ::rmdir(it->path.c_str()) : ::unlink(it->path.c_str()));
    }

    void make(unsigned char kind, const std::string& name) {
        if (name.empty() || name == "." || name == ".." || name.size() > 255)
            return;
        const std::string& parent = (kind & 8) && !lastFolder_.empty() ? lastFolder_ : root_;
        const std::string path = parent + "/" + name;
        bool ok = false, folder = false;
        switch (kind & 7) {
        case 0:
            ok = writeEmpty(path);
            break;
        case 1:
        case 6:
            folder = true;
            ok = ::mkdir(path.c_str(), (kind & 7) == 6 ? 0 : 0700) == 0;
            break;
        case 2:
            ok = ::symlink(".", path.c_str()) == 0;
            break;
        case 3:
            ok = ::symlink("nowhere/at/all", path.c_str()) == 0;
            break;
        case 4:
            ok = ::symlink(name.c_str(), path.c_str()) == 0;
            break;
        case 5:
            ok = ::mkfifo(path.c_str(), 0600) == 0;
            break;
        case 7:
            ok = lastName_.empty() ? writeEmpty(path) : ::symlink(lastName_.c_str(), path.c_str()) == 0;
            break;
        }
        if (!ok)
            return;
        made_.push_back({path, folder});
        lastName_ = name;
        if (folder)
            lastFolder_ = path;
    }

private:
    static bool writeEmpty(const std::string& path) {
        FILE* f = std::fopen(path.c_str(), "wx");
        return f && std::fclose(f) == 0;
    }

    std::string root_;
    std::string lastFolder_, lastName_;
    std::vector<Made> made_;
};

// The enumeration of one album, with what it promises.
void enumerateAlbum(const QString& folder) {
    SortedNameList order;
    const QStringList paths = albumPicturePaths(folder);
    const int count = countPictures(folder);
    FUZZ_CHECK(paths.size() <= count);
    for (qsizetype i = 0; i < paths.size(); ++i) {
        FUZZ_CHECK(paths[i].startsWith(folder + QLatin1Char('/')));
        FUZZ_CHECK(!isHiddenName(paths[i].mid(folder.size() + 1)));
        if (i > 0)
            FUZZ_CHECK(order.less(paths[i - 1], paths[i]));
        (void)pictureEntry(paths[i]);
    }
    for (const QString& ext : kImageExtensions) {
        for (const QString& name : matchingFileNames(folder, ext)) {
            FUZZ_CHECK(!isHiddenName(name));
            FUZZ_CHECK(name.size() > ext.size() + 1 &&
                       name.endsWith(QLatin1Char('.') + ext, Qt::CaseInsensitive));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    soru::fuzz::startQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string base = soru::fuzz::scratchFolderBytes().toStdString() + "/library";
    ::mkdir(base.c_str(), 0700);
    Scratch scratch(base);
    std::size_t start = 0;
    for (std::size_t i = 0; i <= size; ++i) {
        if (i < size && data[i] != '/' && data[i] != 0)
            continue;
        if (i > start)
            scratch.make(data[start],
                         std::string(reinterpret_cast<const char*>(data) + start + 1, i - start - 1));
        start = i + 1;
    }

    const QString root = QFile::decodeName(QByteArray::fromStdString(base));
    const QStringList albums = albumFolderNames(root);
    SortedNameList order;
    for (qsizetype i = 0; i < albums.size(); ++i) {
        FUZZ_CHECK(!isHiddenName(albums[i]));
        FUZZ_CHECK(albumEntryName(albumEntry(7, albums[i])) == albums[i]);
        if (i > 0)
            FUZZ_CHECK(order.less(albums[i - 1], albums[i]));
    }
    enumerateAlbum(root);
    for (const QString& album : albums)
        enumerateAlbum(root + QLatin1Char('/') + album);
    return 0;
}
