#include "app/start.h"

#include "core/album_scan_ahead.h"
#include "core/albums.h"
#include "core/command_line.h"
#include "core/default_library.h"
#include "core/frame_settings.h"
#include "core/key_bindings.h"
#include "core/host_environment.h"
#include "core/layout.h"
#include "core/failure.h"
#include "core/texts.h"
#include "core/ui_language.h"
#include "media/colour/colour_management.h"
#include "media/formats/early_jpeg.h"
#include "media/pipeline/head_start.h"
#include "media/pipeline/start_trace.h"
#include "media/thumbnails/thumbnail_store.h"
#include "platform/qt_services.h"
#include "platform/screen_saver.h"
#include "platform/sound_player.h"
#include "platform/screen_profile.h"
#include "platform/wallpaper_setter.h"
#include "resources/artwork.h"
#include "ui/main/main_window.h"
#include "ui/start/splash_window.h"
#include "ui/widgets/app_style.h"
#include "ui/widgets/image_box.h"
#include "ui/widgets/instant_progress_bar.h"
#include "ui/widgets/keyboard_return.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <optional>

namespace soru {

namespace {

void printTo(FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// Saves the whole main window once start-up has finished and the pending
// events have run, then ends the run.
void scheduleScreenshot(TfrmMain* window, const QString& file) {
    QTimer::singleShot(0, window, [window, file] {
        QCoreApplication::processEvents();
        const bool saved = window->grab().save(file, "PNG");
        if (saved) {
            printTo(stdout, file + QLatin1Char('\n'));
            QCoreApplication::exit(0);
        } else {
            printTo(stderr, QStringLiteral("soru: %1\n")
                                 .arg(QCoreApplication::translate("soru", "スクリーンショットを保存できません: %1").arg(file)));
            QCoreApplication::exit(1);
        }
    });
}

// Marks the first paint of the picture view (SORU_TRACE_START).
class FirstPaintMark : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!painted_ && event->type() == QEvent::Paint && qobject_cast<ImageBox*>(watched)) {
            painted_ = true;
            startMark("first picture painted");
        }
        return false;
    }

private:
    bool painted_ = false;
};

// The device pixels of the area the main window shows its pictures in, as
// the window will ask its pipeline for them.
QSize pictureAreaPixels(const QScreen& screen) {
    const QSize area = computeMainLayout(screen.geometry().size(), toolItemGeometry(ToolItem::Next).left).pnlMain.size();
    const qreal dpr = screen.devicePixelRatio();
    return QSize(qRound(area.width() * dpr), qRound(area.height() * dpr));
}

// The language of this run: --lang, else the settings file, else the
// user's languages in the environment.
UiLanguage chosenLanguage(const CommandLine& cl) {
    return chooseLanguage(parseLanguageSetting(cl.language), readLanguageSetting(frameSettingsFile()),
                          languageFromEnvironment(qEnvironmentVariable("LANGUAGE"), qEnvironmentVariable("LC_ALL"),
                                                  qEnvironmentVariable("LC_MESSAGES"), qEnvironmentVariable("LANG")));
}

// Prints what --help, --version or a wrong command line asks for; returns the
// exit code.
int printCommandLineOutcome(const CommandLine& cl) {
    switch (cl.mode) {
    case CommandLine::Mode::Help:
        printTo(stdout, usageText());
        return 0;
    case CommandLine::Mode::Version:
        printTo(stdout, versionText());
        return 0;
    case CommandLine::Mode::Error:
        printTo(stderr, QStringLiteral("soru: %1\n").arg(cl.error));
        printTo(stderr, QCoreApplication::translate("soru", "詳しくは soru --help を見てください。") + QLatin1Char('\n'));
        return 2;
    case CommandLine::Mode::Run:
        break;
    }
    return 0;
}

// The desktop entry every install puts in share/applications beside bin/.
QString desktopFileName() { return QStringLiteral(SORU_APP_ID ".desktop"); }

} // namespace

void showFailureMessage(const QString& message) {
    const KeyboardReturn keyboardBack;
    QMessageBox box(QMessageBox::Critical, text::kAppTitle, failureDisplayText(message),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

bool installUiLanguage(UiLanguage language) {
    setUiLanguage(UiLanguage::Japanese);
    if (language == UiLanguage::Japanese)
        return true;
    // The English texts are built into the program (see translations/).
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QStringLiteral(":/i18n/soru_en.qm"))) {
        QCoreApplication::installTranslator(translator);
        setUiLanguage(language);
        return true;
    }
    // Without it every text stays Japanese, the dates too.
    delete translator;
    return false;
}

void setUpApplication(bool quiet) {
    QGuiApplication::setApplicationName(QStringLiteral("soru"));
    QGuiApplication::setApplicationDisplayName(text::kAppTitle);
    QGuiApplication::setApplicationVersion(QStringLiteral(SORU_VERSION));
    QGuiApplication::setWindowIcon(mainIcon());
    installFontSubstitutions();
    // The toolkit's own texts (message-box buttons) are English already.
    if (uiLanguage() == UiLanguage::Japanese)
        installToolkitTranslations();
    if (quiet)
        setFailureSink([](const QString& message) {
            printTo(stderr, QStringLiteral("soru: %1\n").arg(failureDisplayText(message)));
        });
    else
        setFailureSink(showFailureMessage);
}

int runSoru(int argc, char** argv) {
    startMark("main");
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    CommandLine cl = parseCommandLine(args);
    const UiLanguage language = chosenLanguage(cl);
    if (cl.mode != CommandLine::Mode::Run) {
        // The usage text and the messages are translated; translation needs
        // an application object, and this one needs no display.
        std::optional<QCoreApplication> translating;
        if (language != UiLanguage::Japanese) {
            translating.emplace(argc, argv);
            installUiLanguage(language);
            cl = parseCommandLine(args);
        }
        return printCommandLineOutcome(cl);
    }

    // Declared before the head starts and the window, which use it.
    ColourTransformCache colours;
    // The library's first picture: the decode that sets the pace of the
    // start on today's photos. For a library named on the command line it
    // starts even before the toolkit, for the box the window had in the last
    // run; should the box or the screen's colour profile be other than then,
    // a second head start below takes its place.
    const auto firstPictureOf = [](const QString& folder) {
        return [root = libraryRoot(folder)] {
            const QStringList paths = albumPicturePaths(root);
            return paths.isEmpty() ? QString() : paths.first();
        };
    };
    const QString startBoxFile =
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/soru/start-box");
    std::optional<HeadStart> earlyPicture;
    // Its albums are counted from now on as well, for the window's scan.
    std::optional<AlbumScanAhead> albumScan;
    if (!cl.folder.isEmpty()) {
        const QString root = libraryRoot(cl.folder);
        albumScan.emplace(root, albumScanThreads(root));
        if (const QSize box = HeadStart::rememberedBox(startBoxFile); !box.isEmpty())
            earlyPicture.emplace(colours, firstPictureOf(cl.folder), box);
    }

    QApplication app(argc, argv);
    startMark("application");
    // Before anything is made that shows a text.
    installUiLanguage(language);
    // The user's own keys over the defaults; a line that cannot be read is
    // said once and its default kept.
    KeyTable keys = KeyTable::defaults();
    for (const QString& problem : keys.applyUserFile(keysFile()))
        printTo(stderr, QStringLiteral("soru: %1\n").arg(problem));
    colours.setTargetProfile(screenColourProfile());
    const QString folder =
        cl.folder.isEmpty()
            ? defaultLibraryFolder(QCoreApplication::applicationDirPath(), desktopFileName(),
                                   QStandardPaths::writableLocation(QStandardPaths::PicturesLocation),
                                   QDir::homePath())
            : cl.folder;
    // The root album's first picture is what the window shows first; its
    // decode runs while the splash and the window are being made. The
    // window's pipeline takes it over (and raises its failure only when it
    // shows it).
    const QSize pictureBox = pictureAreaPixels(*QGuiApplication::primaryScreen());
    const bool screenProfiled = !colours.targetProfile().isEmpty();
    std::optional<HeadStart> firstPicture;
    if (!earlyPicture || earlyPicture->box() != pictureBox || screenProfiled)
        firstPicture.emplace(colours, firstPictureOf(folder), pictureBox);
    setUpApplication(!cl.screenshotFile.isEmpty());
    startMark("set up");

    // The splash is on the screen before the main window's creation starts,
    // because that creation drives its progress bar. Nothing owns it: it
    // releases itself when the main window becomes active.
    QPointer<TfrmStart> frmStart = new TfrmStart;
    frmStart->showAndPaint();
    startMark("splash shown");

    // Programs SORU starts get the environment the user started it with, not
    // the one the portable copy's launcher made for SORU.
    const QProcessEnvironment hostEnv = hostEnvironment(QProcessEnvironment::systemEnvironment());
    QtClipboard clipboard;
    DesktopUrlOpener urls(hostEnv);
    // Declared before the window, so a hold the window leaves on is released
    // after it has gone.
    DesktopScreenSaverHold screenSaver(text::kAppTitle, text::kScreenSaverReason);
    const std::unique_ptr<SoundPlayer> sound = createSoundPlayer();
    const std::unique_ptr<WallpaperSetter> wallpaper = createWallpaperSetter(hostEnv);
    TfrmMain::Environment env;
    env.libraryFolder = folder;
    env.screen = QGuiApplication::primaryScreen()->geometry();
    env.services.sound = sound.get();
    env.services.wallpaper = wallpaper.get();
    env.services.clipboard = &clipboard;
    env.services.urls = &urls;
    env.services.screenSaver = &screenSaver;
    env.splashProgress = frmStart->pbInfo;
    env.colours = &colours;
    env.thumbnailFolder = ThumbnailStore::defaultFolder();
    env.writeThumbnails = !runsFromMedium(QProcessEnvironment::systemEnvironment());
    env.keys = &keys;
    env.frameSettingsFile = frameSettingsFile();
    env.frameStateFile = frameStateFile();
    env.albumScan = albumScan ? &*albumScan : nullptr;

    QPointer<TfrmMain> frmMain;
    {
        HourglassCursor hourglass;
        frmMain = new TfrmMain(env);
        startMark("window built");
        frmMain->setAttribute(Qt::WA_DeleteOnClose);
        // A failure inside the creation is reported and the start goes on.
        guarded([&frmMain] { frmMain->FormCreate(); });
        startMark("window created");
        if (!cl.firstPicture.isEmpty())
            guarded([&frmMain, &cl] { frmMain->stepToPicture(cl.firstPicture); });
    }

    // A Wayland client cannot place its window; asking for full screen is what
    // puts it at the output's origin over any panels.
    QGuiApplication::platformName().startsWith(QLatin1String("wayland")) ? frmMain->showFullScreen() : frmMain->show();
    frmMain->raise();
    frmMain->activateWindow();
    startMark("window shown");
    // The first picture is on its way to the screen: what the launcher
    // decoded for it, if anything, is either taken or of no use now. What
    // the next start can begin with is written for it: the first picture,
    // for the launcher to decode, only where its decode set the pace (or
    // the launcher's decode was used). Where the album scan or the window
    // took longer, the launcher's decode would only compete with them.
    const bool earlyUsed = earlyJpegTaken();
    dropEarlyJpeg();
    if (!runsFromMedium(QProcessEnvironment::systemEnvironment())) {
        const HeadStart& started = firstPicture ? *firstPicture : *earlyPicture;
        HeadStart::remember(startBoxFile, pictureBox, screenProfiled, libraryRoot(folder),
                            started.claimWaited() || earlyUsed ? started.picture() : QString());
    }
    if (cl.frame)
        guarded([&frmMain] { frmMain->aFrameExecute(); });
    if (!cl.screenshotFile.isEmpty())
        scheduleScreenshot(frmMain, cl.screenshotFile);
    FirstPaintMark firstPaint;
    if (startTracing())
        app.installEventFilter(&firstPaint);
    const int code = app.exec();
    delete frmMain.data();
    delete frmStart.data();
    return code;
}

} // namespace soru
