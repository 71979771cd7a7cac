#pragma once
// The first picture of a run, decoded while the window is still being built.
//
// The start sequence knows which picture the window shows first, and for
// what box, before the window and its pipeline exist. A HeadStart finds that
// picture and decodes it on a thread of its own meanwhile; the first
// pipeline asked for that path and box (PicturePipeline::take) takes the
// result over as it would a prefetch: the file is looked at again, a file
// changed since is decoded anew, and a failure is raised only when the
// picture is shown, exactly as if it had been decoded then.
//
//   HeadStart early(colours, [&] { return firstPicturePath(); }, viewBox);  // in main
//   ... build the window; its pipeline's take(path, viewBox) adopts it ...
//
// One head start is registered at a time (the one made last); what nobody
// took over is dropped when it goes.
//
// It may even start before the application object exists, for the box the
// window had in the last run (rememberedBox): the decode is for the colour
// cache's target profile as it is when the head start is made, and is taken
// over only while the cache's target is still that profile and the box
// asked for is still its box.
#include "media/formats/decoded_picture.h"
#include "media/formats/file_stamp.h"

#include <QSize>
#include <QString>

#include <condition_variable>
#include <functional>
#include <optional>
#include <thread>

namespace soru {

class ColourTransformCache;

class HeadStart {
public:
    // Runs picture() (the path of the picture to decode; empty for none),
    // then the decode with colours (which outlives it) for its present
    // target profile, on a thread of its own.
    HeadStart(ColourTransformCache& colours, std::function<QString()> picture, QSize box);
    // Waits for the thread; what was not taken over is dropped.
    ~HeadStart();
    HeadStart(const HeadStart&) = delete;
    HeadStart& operator=(const HeadStart&) = delete;

    struct Result {
        FileStamp stamp; // the file as it was when its decode began
        DecodedPicture picture;
    };
    // The decode of path for box when the registered head start is for
    // them and nobody took it yet: waits for it to end. Empty otherwise.
    static std::optional<Result> claim(const QString& path, QSize box);
    // Whether claim() would hand over, without waiting, a result that is
    // still good for the file as stamped.
    static bool finished(const QString& path, QSize box, const FileStamp& stamp);

    QSize box() const { return box_; }

    // The picture it found (once it has), else empty.
    QString picture() const;
    // Whether it was claimed before its decode had ended: the decode, not
    // the window or the album scan, set the pace of the start.
    bool claimWaited() const;

    // The box the window's pictures had in the last run, as remember() wrote
    // it to file; empty when there is none, or the screen had a colour
    // profile then (its decode waits for the screen's profile).
    static QSize rememberedBox(const QString& file);
    // Writes to file for the next run, when it is not there already: box on
    // the first line, then the library's root and the first picture found
    // in it (when known), which the launcher decodes from the next start's
    // first moment. Removes the file when the screen has a colour profile.
    static void remember(const QString& file, QSize box, bool screenProfiled,
                         const QString& root = {}, const QString& picture = {});

private:
    enum class State { Finding, Decoding, Done };
    void run(const std::function<QString()>& picture);

    ColourTransformCache& colours_;
    const QSize box_;
    const QByteArray targetProfile_;
    // Under the registry's lock.
    State state_ = State::Finding;
    bool claimed_ = false;
    bool claimWaited_ = false;
    QString path_;
    Result result_;
    std::condition_variable changed_;
    std::thread thread_;
};

} // namespace soru
