#pragma once
// The hostile library: a folder tree of everything a disc, a stick or a
// download folder may hold that a viewer must survive. Each entry carries
// what the viewer is expected to do with it, so a test can open the library
// through the real window and check every entry against its row.
//
// Names are raw bytes: several are not valid UTF-8 and are created with the
// POSIX calls, never through a QString. The library needs a POSIX file
// system (pipes, sockets, links); elsewhere writeHostileLibrary() throws.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <span>

namespace soru::testlib {

// What the window does with an entry when it is presented.
enum class HostileOutcome {
    Shown,    // listed and counted; presented with `detail` as its size text, no message
    Refused,  // listed and counted; presenting it reports the message `detail`
              // ("%1" stands for the picture's path as the window holds it)
    Vanished, // listed and counted; presented as a file that is gone: view
              // hidden, size and date panels empty, no message
    Ignored,  // neither counted in its album's entry nor listed
};
const char* hostileOutcomeName(HostileOutcome outcome);

// What happens to an album after the window has scanned the library, or to
// an entry after its album has been opened and before the entry is shown
// (applyHostileAlbumChanges(), applyHostileEntryChanges()).
enum class HostileChange {
    None,
    Delete,                // the file is removed
    ReplaceWithFolder,     // removed, and a folder of the same name made
    ReplaceWithText,       // overwritten by a line of text
    Empty,                 // cut to zero bytes
    ReplaceWithPicture,    // overwritten by a 300 x 200 JPEG
    ReplaceWithFifo,       // removed, and a named pipe of the same name made
    ReplaceWithDangling,   // removed, and a link to nowhere of the same name made
    RemoveReadPermission,  // chmod 000
};

struct HostileEntry {
    QByteArray album; // raw name of the album folder; empty: the root album
    QByteArray name;  // raw file name
    const char* what = ""; // what the entry is, for people
    HostileOutcome outcome = HostileOutcome::Shown;
    // Shown: the size panel's text; Refused: the message, "%1" for the path.
    QString detail;
    HostileChange change = HostileChange::None;
    // The memo kind panel's text ("RTF", "TXT" or "") and whether the sound
    // service is asked to play the companion .wav, for a Shown entry.
    QString memoKind;
    bool sound = false;
    // Rows whose file cannot be read by its owner. A process that reads
    // whatever the permissions say (root with CAP_DAC_OVERRIDE) gets
    // `outcomeWithoutPermissions` / `detailWithoutPermissions` instead.
    bool permissionDependent = false;
    HostileOutcome outcomeWithoutPermissions = HostileOutcome::Shown;
    QString detailWithoutPermissions;
    // Creates the entry at the raw path; empty for rows written elsewhere.
    std::function<void(const QByteArray& path)> make;
};

// How an album folder is expected to appear in the album list.
struct HostileAlbum {
    QByteArray name; // raw folder name; empty: the root album
    const char* what = "";
    // Listed when the scan finds at least one picture in it. A folder whose
    // names Qt cannot decode, one that cannot be listed, a link that leads
    // nowhere are not.
    bool listed = true;
    // A link to another album of the library (its raw name; empty for the
    // root album): it shows that album's pictures under its own name.
    std::optional<QByteArray> sameAs;
    // The folder cannot be listed by its owner: listed only by a process
    // that ignores permissions.
    bool permissionDependent = false;
    // Applied after the scan: Delete removes the folder, ReplaceWithText
    // puts a file in its place, RemoveReadPermission makes it unreadable.
    HostileChange change = HostileChange::None;
    // Albums of generated pictures (all the same 8 x 8 JPEG) not listed one
    // by one in hostileEntries().
    int bulkPictures = 0;
};

// The albums of the hostile library, the root album first.
std::span<const HostileAlbum> hostileAlbums();
// Every entry, album by album.
std::span<const HostileEntry> hostileEntries();

inline constexpr int kHostileBulkPictures = 10000;
inline constexpr const char* kHostileBulkAlbum = "bulk-10000";
inline constexpr const char* kHostileBulkSize = "8 x 8";
// The name of bulk picture i: "p00000.jpg" .. "p09999.jpg".
QByteArray hostileBulkName(int i);

// The file name as the window sees it (Qt's decoding of the raw bytes).
QString hostileDecodedName(const QByteArray& raw);
// The raw path of an entry under root.
QByteArray hostileRawPath(const QString& root, const QByteArray& album, const QByteArray& name);

struct HostileOptions {
    bool bulkAlbum = true; // the 10,000-picture album
};

// Writes the library into root (created if needed; it should be empty).
// Throws std::runtime_error when a file cannot be made.
void writeHostileLibrary(const QString& root, const HostileOptions& options);

// Applies the albums' HostileChange under root.
void applyHostileAlbumChanges(const QString& root);
// Applies the entries' HostileChange under root. Returns the raw paths of
// the named pipes in the library afterwards.
QList<QByteArray> applyHostileEntryChanges(const QString& root);

// The raw paths of the named pipes of the library before any change.
QList<QByteArray> hostileFifoPaths(const QString& root);

// Thumbnails that stand in for a good picture's, in its album's own
// .sh_thumbnails and, written by the test, in the shared cache.
enum class HostileThumbnail {
    Fifo,      // a named pipe
    DevZero,   // a link to /dev/zero
    Sparse,    // a real thumbnail followed by a hole of gigabytes
    LyingKeys, // size keys that claim another shape than the thumbnail's
    HugeClaim, // a header that claims 100000 x 100000
};
struct HostileThumbnailRow {
    QByteArray album; // raw album name
    QByteArray name;  // the picture's raw file name
    HostileThumbnail kind;
};
inline constexpr const char* kHostileThumbnailAlbum = "thumbnails";
// The pictures whose thumbnails are hostile.
std::span<const HostileThumbnailRow> hostileThumbnails();
// Makes the hostile thumbnail at path, with the folders above it.
void writeHostileThumbnail(HostileThumbnail kind, const QByteArray& path);

// Gives every file and folder under root back its permissions, so the
// library can be deleted.
void restoreHostilePermissions(const QString& root);

// Deletes root and everything in it, names Qt cannot decode included.
void deleteHostileLibrary(const QString& root);


} // namespace soru::testlib
