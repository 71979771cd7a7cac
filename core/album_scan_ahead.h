#pragma once
// The album scan of a library, started before the window that shows it.
//
// A library named on the command line is known before the toolkit has
// started, and counting every album's pictures (a question to the file
// system for each link or untyped entry) is the longest step of a start on
// a large library. A scan ahead lists and counts on threads of its own from
// the first moment; the window's scan then takes the album names and the
// counts from it, in the same order and with the same results as it would
// have found them itself, advancing its progress as each album's turn
// comes.
//
//   AlbumScanAhead ahead(libraryRoot(folder), threads);  // in main
//   ... the window's scan: ahead.folders(), then ahead.countsInOrder(...)
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace soru {

class AlbumScanAhead {
public:
    // root: the library's root as libraryRoot() gives it; threads: folders
    // counted at once (see countPicturesInOrder).
    AlbumScanAhead(QString root, int threads);
    // Stops counting (the folders in hand are finished) and waits.
    ~AlbumScanAhead();
    AlbumScanAhead(const AlbumScanAhead&) = delete;
    AlbumScanAhead& operator=(const AlbumScanAhead&) = delete;

    const QString& root() const { return root_; }
    // The album folder names, as albumFolderNames(root) gives them; waits
    // for the listing.
    QStringList folders();
    // Calls counted(index, count) for the root album (index 0) and then
    // for each album in folders() order, each as soon as its count is
    // known, as countPicturesInOrder does for those folders. What failed in
    // the scan is raised here (and by folders()).
    void countsInOrder(const std::function<void(int index, int count)>& counted);

private:
    void run(int threads);
    void scan(int threads);

    const QString root_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool listed_ = false;
    QStringList folders_;
    std::vector<int> counts_; // -1 while unknown
    std::exception_ptr failure_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace soru
