// The program's HEIF and AVIF pictures come from the module built from
// media/formats/heif_module.cpp, loaded on the first such picture (see
// media/formats/heif_maker.h): this definition of makeHeifPicture takes the
// place of the library's direct one.
#include "core/failure.h"
#include "media/formats/heif_maker.h"
#include "media/formats/picture_object.h"
#include "platform/module_loader.h"

#include <QCoreApplication>

namespace soru {

namespace {

using Make = PictureObject* (*)(ColourTransformCache&);

struct HeifModule {
    Make make = nullptr;
    QString error;
};

const HeifModule& heifModule() {
    // Loaded once, by whichever decode thread comes first.
    static const HeifModule module = [] {
        HeifModule m;
        m.make = reinterpret_cast<Make>(
            moduleFunction(QStringLiteral("soru_heif"), "soru_make_heif_picture", &m.error));
        return m;
    }();
    return module;
}

// Stands for a HEIF or AVIF picture when the module cannot be loaded: its
// load fails with a message naming the file and the reason.
class UnreadableHeif final : public FormatPicture {
public:
    UnreadableHeif(ColourTransformCache& colours, QString reason)
        : FormatPicture(text::kBadHeif, colours), reason_(std::move(reason)) {}
    int width() const override { return 0; }
    int height() const override { return 0; }

protected:
    void loadFile(const QString& path) override {
        throw Failure(QCoreApplication::translate("soru", "HEIF と AVIF を読むモジュールを読み込めないため、%1 を表示できません: %2")
                          .arg(path, reason_));
    }
    void drawPicture(QImage&, const QRect&) override {}
    QImage wholeImage() override { return {}; }

private:
    QString reason_;
};

} // namespace

std::unique_ptr<PictureObject> makeHeifPicture(ColourTransformCache& colours) {
    const HeifModule& module = heifModule();
    if (module.make)
        return std::unique_ptr<PictureObject>(module.make(colours));
    return std::make_unique<UnreadableHeif>(colours, module.error);
}

} // namespace soru
