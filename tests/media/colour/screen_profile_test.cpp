// The screen's profile as X11 publishes it: the _ICC_PROFILE property of the
// root window of an Xvfb server started by the test, written over the
// test's own connection and read back by the reader's.
#include "platform/screen_profile.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cstdlib>

namespace soru {
namespace {

class ScreenProfileX11 : public ::testing::Test {
protected:
    void SetUp() override {
        const QString xvfb = QStandardPaths::findExecutable("Xvfb");
        if (xvfb.isEmpty())
            GTEST_SKIP() << "Xvfb is not installed";
        // -displayfd 1: the server picks a free display and prints its number.
        server_.start(xvfb, {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "64x64x24"});
        ASSERT_TRUE(server_.waitForStarted(10000));
        while (!server_.canReadLine() && server_.state() == QProcess::Running)
            server_.waitForReadyRead(10000);
        const QByteArray number = server_.readLine().trimmed();
        ASSERT_FALSE(number.isEmpty()) << server_.readAllStandardError().toStdString();
        display_ = ":" + number;
        int screen = 0;
        c_ = xcb_connect(display_.constData(), &screen);
        ASSERT_EQ(xcb_connection_has_error(c_), 0);
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, 12, "_ICC_PROFILE"), nullptr);
        ASSERT_NE(atom, nullptr);
        property_ = atom->atom;
        std::free(atom);
    }
    void TearDown() override {
        if (c_)
            xcb_disconnect(c_);
        if (server_.state() != QProcess::NotRunning) {
            server_.terminate();
            if (!server_.waitForFinished(5000))
                server_.kill();
            server_.waitForFinished(5000);
        }
    }
    // Sets the property as colour daemons do (8-bit CARDINAL), or with
    // another element size; waits until the server has done it.
    void set(const QByteArray& bytes, int format = 8) {
        const int unit = format / 8;
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, root_, property_, XCB_ATOM_CARDINAL,
                            uint8_t(format), uint32_t(bytes.size() / unit), bytes.constData());
        std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
    }
    void remove() {
        xcb_delete_property(c_, root_, property_);
        std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
    }

    QProcess server_;
    QByteArray display_;
    xcb_connection_t* c_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_atom_t property_ = XCB_ATOM_NONE;
};

TEST_F(ScreenProfileX11, RootWindowPropertyReadBack) {
    EXPECT_TRUE(readRootIccProfile(display_.constData()).isEmpty()) << "never set";

    QFile icc(QStringLiteral("/usr/share/color/icc/colord/Bluish.icc"));
    QByteArray real = icc.open(QIODevice::ReadOnly) ? icc.readAll() : QByteArray(3000, 'p');
    // Beyond one request's default size (256 kB), with every byte value.
    QByteArray large(3 * 1024 * 1024 + 5, '\0');
    for (qsizetype i = 0; i < large.size(); ++i)
        large[i] = char(i * 131 % 251);
    for (const QByteArray& bytes : {real, large}) {
        SCOPED_TRACE(bytes.size());
        set(bytes);
        const QByteArray read = readRootIccProfile(display_.constData());
        EXPECT_EQ(read.size(), bytes.size());
        EXPECT_TRUE(read == bytes);
    }

    set(QByteArray(400, '\x11'), 32); // not a byte array: no profile
    EXPECT_TRUE(readRootIccProfile(display_.constData()).isEmpty());
    set(real);
    remove();
    EXPECT_TRUE(readRootIccProfile(display_.constData()).isEmpty()) << "deleted";
}

TEST(ScreenProfile, NoServerAndNoX11GiveNoProfile) {
    // A display whose socket does not exist.
    EXPECT_TRUE(readRootIccProfile(":64999").isEmpty());
    // The tests run on the offscreen platform: no X connection to ask.
    EXPECT_TRUE(screenColourProfile().isEmpty());
}

} // namespace
} // namespace soru
