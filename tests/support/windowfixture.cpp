#include "windowfixture.h"

#include "testsnapshot.h"

#include <tuple>

WindowFixture::WindowFixture(const QByteArray &snapshot)
{
    if (snapshot.isEmpty())
        return;
    snapshotPath = dir.writeFile(QStringLiteral("test.uss"), snapshot);
    window.loadSnapshot(snapshotPath);
}

QByteArray WindowFixture::defaultSnapshot()
{
    return TestSnapshot::standardSnapshot(pattern(64 * 1024)).bytes();
}

QByteArray WindowFixture::pattern(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 37) ^ (i >> 8));
    return bytes;
}

void WindowFixture::show(const View &v)
{
    RipperState &s = window.stateForTesting();
    std::tie(s.offset, s.blXSize, s.blYSize, s.bits, s.mode, s.skip, s.skipmode, s.reverse,
        s.bitplaneorder)
        = std::tie(
            v.offset, v.width, v.height, v.bits, v.mode, v.skip, v.skipmode, v.reverse, v.order);
    window.refreshView();
}

QStringList WindowFixture::boxes() const
{
    QStringList list;
    for (const ScriptedPrompts::Shown &box : prompts.shown)
        list << box.title + QStringLiteral(": ") + box.text;
    return list;
}
