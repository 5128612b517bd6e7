#include "statefile.h"
#include "workdir.h"

#include <QSettings>
#include <QTest>

namespace {

// Every field a state file writes or loads, and the load's two warnings, by name.
QVariantMap fields(const RipperState &s, const StateFile::LoadResult &r = {})
{
    QVariantList order;
    for (int entry : s.bitplaneorder)
        order << entry;
    return { { "offset", s.offset }, { "blXSize", s.blXSize }, { "blYSize", s.blYSize },
        { "skip", s.skip }, { "bits", s.bits }, { "mode", s.mode }, { "skipmode", s.skipmode },
        { "reverse", s.reverse }, { "palsource", s.palsource },
        { "palsearchmode", s.palsearchmode }, { "palfound", s.palfound },
        { "palsearchpos", s.palsearchpos }, { "order", order }, { "readable", r.readable },
        { "sizeDiffers", r.fileSizeDiffers }, { "clamped", r.offsetClamped } };
}

RipperState snapshotOfSize(int size)
{
    RipperState state;
    state.fileData.assign(std::size_t(size), 0);
    state.filesize = size;
    state.fileLoaded = true;
    return state;
}

} // namespace

class StateFileTest : public QObject
{
    Q_OBJECT

    WorkDir m_dir;
    int m_files = 0; // QSettings caches parsed files by path: every load gets a new one

private slots:
    void writtenTextKeepsOtherKeys()
    {
        const QString file = m_dir.writeFile("a.plv", "[General]\nauthor=me\noffset=5\n[x]\ny=2\n");
        RipperState state = snapshotOfSize(777);
        state.reverse = true;
        state.offset = 96;
        QVERIFY(StateFile::save(state, file));
        const QByteArray text = m_dir.readFile("a.plv");
        QVERIFY(text.startsWith("[General]\n"));
        for (const char *line :
            { "bitplaneorder=0, 1, 2, 3, 4, 5, 6, 7", "reverse=true", "offset=96", "blYSize=200",
                "palsearchmode=2", "palfound=0", "filesize=777", "author=me" })
            QVERIFY2(text.contains(QByteArray(line) + '\n'), line);
        QCOMPARE(QSettings(file, QSettings::IniFormat).value("x/y").toInt(), 2);
        QVERIFY(!StateFile::save(state, m_dir.path())); // a directory
    }

    // The text after "[General]" loaded onto a snapshot of 1000 bytes with bitplane order 7..0.
    void load_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QVariantMap>("expected");
        const auto row = [](const char *name, const char *text, const QVariantMap &expected) {
            QTest::newRow(name) << QByteArray(text) << expected;
        };
        row("same snapshot", "filesize=1000\noffset=999",
            { { "offset", 999 }, { "sizeDiffers", false }, { "clamped", false } });
        row("offset equal to the size", "filesize=1000\noffset=1000",
            { { "offset", 1000 }, { "sizeDiffers", false }, { "clamped", false } });
        row("offset past the end", "filesize=1000\noffset=1001",
            { { "offset", 1000 }, { "sizeDiffers", false }, { "clamped", true } });
        row("other snapshot", "filesize=2000\noffset=10",
            { { "offset", 10 }, { "sizeDiffers", true }, { "clamped", false } });
        row("both warnings", "filesize=4096\noffset=4000",
            { { "offset", 1000 }, { "sizeDiffers", true }, { "clamped", true } });
        row("no keys", "",
            { { "readable", true }, { "offset", 0 }, { "palfound", 0 }, { "palsearchpos", 0 },
                { "order", QVariantList { 7, 6, 5, 4, 3, 2, 1, 0 } } });
        row("palfound 0", "palfound=0", { { "palfound", 0 }, { "palsearchpos", 0 } });
        row("palfound lowest", "palfound=-2147483648", { { "palfound", 0 } });
        row("palfound 256", "palfound=256", { { "palfound", 255 }, { "palsearchpos", 255 } });
        row("short order", "bitplaneorder=0, 1, 2",
            { { "order", QVariantList { 0, 1, 2, 4, 3, 2, 1, 0 } } });
        row("long order", "bitplaneorder=1, 1, 1, 1, 1, 1, 1, 1, 9, 9",
            { { "order", QVariantList { 1, 1, 1, 1, 1, 1, 1, 1 } } });
        row("order not numbers", "bitplaneorder=1, x, 3, , 5",
            { { "order", QVariantList { 1, 0, 3, 0, 5, 2, 1, 0 } } });
        row("modes above", "mode=9\nskipmode=5", { { "mode", 4 }, { "skipmode", 1 } });
        row("modes below", "mode=-1\nskipmode=-3", { { "mode", 0 }, { "skipmode", 0 } });
        row("in range", "mode=3\nskipmode=1\nblXSize=4000",
            { { "mode", 3 }, { "skipmode", 1 }, { "blXSize", 4000 } });
        row("not numbers", "mode=x\nblXSize=12abc", { { "mode", 0 }, { "blXSize", 0 } });
        row("beyond int", "blXSize=99999999999", { { "blXSize", 0 } });
    }

    void load()
    {
        QFETCH(QByteArray, text);
        QFETCH(QVariantMap, expected);
        const QString file = m_dir.writeFile(QString::number(++m_files), "[General]\n" + text);
        RipperState state = snapshotOfSize(1000);
        state.bitplaneorder = { 7, 6, 5, 4, 3, 2, 1, 0 };
        const QVariantMap loaded = fields(state, StateFile::load(state, file));
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            QCOMPARE(loaded.value(it.key()), it.value());
    }
};

QTEST_GUILESS_MAIN(StateFileTest)
#include "tst_statefile.moc"
