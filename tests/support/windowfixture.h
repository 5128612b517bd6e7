#pragma once

#include "pelvane.h"
#include "scriptedprompts.h"
#include "workdir.h"

#include <QByteArray>
#include <QImage>
#include <QStringList>
#include <QTest>

// A view to put on the window in one expression: View().at(321).size(12, 50).planes(3), or
// every field in order: View { 321, 12, 50, 3, RipperState::ModeST, 8, 1, true, { 2, 0, ... } }.
struct View
{
    int offset = 0;
    int width = 40;
    int height = 200;
    int bits = 1;
    int mode = RipperState::ModeAM;
    int skip = 0;
    int skipmode = RipperState::SkipPictures;
    bool reverse = false;
    std::array<int, 8> order { 0, 1, 2, 3, 4, 5, 6, 7 };

    View &at(int o) { return offset = o, *this; }
    View &size(int w, int h) { return width = w, height = h, *this; }
    View &planes(int n) { return bits = n, *this; }
    View &inMode(int m) { return mode = m, *this; }
    View &skipping(int amount, int mode) { return skip = amount, skipmode = mode, *this; }
};
Q_DECLARE_METATYPE(View)

// The real window in a temporary working directory, every dialog and box scripted, showing a
// generated snapshot written to "test.uss". Members are built in order: the directory first, so
// the window's settings and log land in it.
class WindowFixture
{
public:
    // An empty `snapshot` leaves the window without one.
    explicit WindowFixture(const QByteArray &snapshot = defaultSnapshot());

    // 64 KiB of chip RAM holding a repeating byte pattern, in the usual chunk chain.
    static QByteArray defaultSnapshot();
    // `size` bytes of that pattern.
    static QByteArray pattern(int size);

    WorkDir dir;
    ScriptedPrompts prompts;
    Pelvane window;
    QString snapshotPath;

    const Ui::PelvaneClass &ui() const { return window.form(); }
    const RipperState &state() const { return window.state(); }

    // Writes the view into the state and refreshes, as loading a state file does.
    void show(const View &view);
    void key(Qt::Key k, Qt::KeyboardModifiers m = {}) { QTest::keyClick(&window, k, m); }
    // Shows the window and waits until it is active: shortcuts and the pointer need that.
    bool showActive() { return window.show(), QTest::qWaitForWindowActive(&window); }
    // What labelPicture shows, as an image.
    QImage shown() const { return ui().labelPicture->pixmap().toImage(); }
    // The message boxes shown so far, each "title: text".
    QStringList boxes() const;
};
