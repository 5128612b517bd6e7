#include "windowfixture.h"

#include "testsnapshot.h"

#include <QTest>

WindowFixture::WindowFixture(const QByteArray &snapshot)
{
    if (snapshot.isEmpty())
        return;
    snapshotPath = dir.writeFile(QStringLiteral("test.uss"), snapshot);
    window.loadSnapshot(snapshotPath);
}

QByteArray WindowFixture::defaultSnapshot()
{
    QByteArray chipRam(64 * 1024, '\0');
    for (qsizetype i = 0; i < chipRam.size(); ++i)
        chipRam[i] = char((i * 37) ^ (i >> 8));
    return TestSnapshot::standardSnapshot(chipRam).bytes();
}

void WindowFixture::show(const View &view)
{
    RipperState &s = window.stateForTesting();
    s.offset = view.offset;
    s.blXSize = view.width;
    s.blYSize = view.height;
    s.bits = view.bits;
    s.mode = view.mode;
    s.skip = view.skip;
    s.skipmode = view.skipmode;
    s.reverse = view.reverse;
    s.bitplaneorder = view.order;
    window.refreshView();
}

void WindowFixture::key(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(&window, key, modifiers);
}

bool WindowFixture::showActive()
{
    window.show();
    return QTest::qWaitForWindowActive(&window);
}

QImage WindowFixture::shown() const
{
    return ui().labelPicture->pixmap().toImage();
}

QStringList WindowFixture::boxes() const
{
    QStringList list;
    for (const ScriptedPrompts::Shown &box : prompts.shown)
        list << box.title + QStringLiteral(": ") + box.text;
    return list;
}
