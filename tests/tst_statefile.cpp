#include "statefile.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

namespace {

// Every field a state file writes or loads, in one comparable list.
QVariantList stateFields(const RipperState &s)
{
    QVariantList fields { s.offset, s.blXSize, s.blYSize, s.skip, s.bits, s.mode, s.skipmode,
        s.reverse, s.palsource, s.palsearchmode, s.palfound, s.palsearchpos };
    for (int entry : s.bitplaneorder)
        fields << entry;
    return fields;
}

RipperState snapshotOfSize(int size)
{
    RipperState state;
    state.fileData.assign(std::size_t(size), 0);
    state.filesize = size;
    state.fileLoaded = true;
    return state;
}

// A state with no field at its initial value.
RipperState unusualState(bool reverse)
{
    RipperState state = snapshotOfSize(50000);
    state.offset = 1234;
    state.blXSize = 17;
    state.blYSize = 333;
    state.skip = 48;
    state.bits = 5;
    state.mode = RipperState::ModeCminus;
    state.skipmode = RipperState::SkipBitplanes;
    state.reverse = reverse;
    state.palsource = RipperState::PaletteAGA;
    state.palsearchmode = RipperState::PaletteAdvanced;
    state.palfound = 4321;
    state.palsearchpos = 4400;
    state.bitplaneorder = { 3, 1, 4, 1, 5, 0, 2, 6 };
    return state;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class StateFileTest : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void roundTrip_data();
    void roundTrip();
    void writtenText();
    void saveKeepsOtherKeys();
    void saveToUnwritablePathFails();
    void warnings_data();
    void warnings();
    void palfound_data();
    void palfound();
    void bitplaneOrder_data();
    void bitplaneOrder();
    void clampedAndConverted_data();
    void clampedAndConverted();
    void fileWithoutKeysLoadsDefaults();
    void unreadableChangesNothing_data();
    void unreadableChangesNothing();
    void unreadablePermissionsChangeNothing();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    // A file of `text` loaded onto a snapshot of 1000 bytes whose bitplane order is 7..0.
    RipperState loadText(const QByteArray &text, StateFile::LoadResult *result = nullptr);

    std::unique_ptr<QTemporaryDir> m_dir;
    int m_fileCount = 0;
};

void StateFileTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

RipperState StateFileTest::loadText(const QByteArray &text, StateFile::LoadResult *result)
{
    // A fresh name each time: QSettings keeps parsed files cached by path.
    const QString file = path(QStringLiteral("state%1.plv").arg(++m_fileCount));
    writeFile(file, text);
    RipperState state = snapshotOfSize(1000);
    state.bitplaneorder = { 7, 6, 5, 4, 3, 2, 1, 0 };
    const StateFile::LoadResult loaded = StateFile::load(state, file);
    if (result)
        *result = loaded;
    return state;
}

void StateFileTest::roundTrip_data()
{
    QTest::addColumn<bool>("reverse");
    QTest::newRow("reverse") << true;
    QTest::newRow("forward") << false;
}

void StateFileTest::roundTrip()
{
    QFETCH(bool, reverse);
    const RipperState saved = unusualState(reverse);
    QVERIFY(StateFile::save(saved, path("view.plv")));

    RipperState loaded = snapshotOfSize(saved.filesize);
    const StateFile::LoadResult result = StateFile::load(loaded, path("view.plv"));
    QVERIFY(result.readable);
    QVERIFY(!result.fileSizeDiffers);
    QVERIFY(!result.offsetClamped);

    RipperState expected = saved;
    expected.palsource = saved.palsearchmode; // the searched source becomes the selected one
    expected.palsearchmode = loaded.palsearchmode; // left to the palette restore
    expected.palfound = saved.palfound - 1; // one byte early, so the search finds it again
    expected.palsearchpos = saved.palfound - 1;
    QCOMPARE(stateFields(loaded), stateFields(expected));
}

void StateFileTest::writtenText()
{
    RipperState state = snapshotOfSize(777);
    state.reverse = true;
    state.offset = 96;
    QVERIFY(StateFile::save(state, path("text.plv")));
    const QByteArray text = readFile(path("text.plv"));
    QVERIFY(text.startsWith("[General]"));
    for (const char *line : { "bitplaneorder=0, 1, 2, 3, 4, 5, 6, 7", "reverse=true", "offset=96",
             "blXSize=40", "blYSize=200", "skip=0", "bits=1", "mode=0", "skipmode=0",
             "palsearchmode=2", "palfound=0", "filesize=777" })
        QVERIFY2(text.contains(QByteArray(line) + '\n'), line);
    QCOMPARE(text.count('='), 12);
}

void StateFileTest::saveKeepsOtherKeys()
{
    QVERIFY(writeFile(path("mixed.plv"), "[General]\nauthor=someone\noffset=5\n[notes]\nx=2\n"));
    RipperState state = snapshotOfSize(100);
    state.offset = 60;
    QVERIFY(StateFile::save(state, path("mixed.plv")));
    QSettings reread(path("mixed.plv"), QSettings::IniFormat);
    QCOMPARE(reread.value("author").toString(), QStringLiteral("someone"));
    QCOMPARE(reread.value("notes/x").toInt(), 2);
    QCOMPARE(reread.value("offset").toInt(), 60);
}

void StateFileTest::saveToUnwritablePathFails()
{
    const RipperState state = snapshotOfSize(10);
    QVERIFY(!StateFile::save(state, m_dir->path()));
    QVERIFY(writeFile(path("plain"), "x"));
    QVERIFY(!StateFile::save(state, path("plain/view.plv")));
    QCOMPARE(readFile(path("plain")), QByteArray("x"));
}

void StateFileTest::warnings_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("sizeDiffers");
    QTest::addColumn<bool>("clamped");
    QTest::addColumn<int>("offset");

    QTest::newRow("same snapshot")
        << QByteArray("filesize=1000\noffset=999\n") << false << false << 999;
    QTest::newRow("offset at the end")
        << QByteArray("filesize=1000\noffset=1000\n") << false << false << 1000;
    QTest::newRow("offset past the end")
        << QByteArray("filesize=1000\noffset=1001\n") << false << true << 1000;
    QTest::newRow("other snapshot")
        << QByteArray("filesize=2000\noffset=10\n") << true << false << 10;
    QTest::newRow("both") << QByteArray("filesize=4096\noffset=4000\n") << true << true << 1000;
    QTest::newRow("negative offset kept for the refresh")
        << QByteArray("filesize=1000\noffset=-7\n") << false << false << -7;
}

void StateFileTest::warnings()
{
    QFETCH(QByteArray, text);
    StateFile::LoadResult result;
    const RipperState state = loadText("[General]\n" + text, &result);
    QVERIFY(result.readable);
    QTEST(result.fileSizeDiffers, "sizeDiffers");
    QTEST(result.offsetClamped, "clamped");
    QTEST(state.offset, "offset");
}

void StateFileTest::palfound_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("missing") << QByteArray() << 0;
    QTest::newRow("zero") << QByteArray("palfound=0\n") << 0;
    QTest::newRow("one") << QByteArray("palfound=1\n") << 0;
    QTest::newRow("negative") << QByteArray("palfound=-5\n") << 0;
    QTest::newRow("lowest int") << QByteArray("palfound=-2147483648\n") << 0;
    QTest::newRow("position") << QByteArray("palfound=256\n") << 255;
    QTest::newRow("text") << QByteArray("palfound=abc\n") << 0;
}

void StateFileTest::palfound()
{
    QFETCH(QByteArray, text);
    const RipperState state = loadText("[General]\n" + text);
    QTEST(state.palfound, "expected");
    QTEST(state.palsearchpos, "expected");
}

void StateFileTest::bitplaneOrder_data()
{
    using Order = std::array<int, 8>;
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QVariantList>("expected");
    auto list = [](Order order) {
        QVariantList l;
        for (int e : order)
            l << e;
        return l;
    };
    QTest::newRow("missing") << QByteArray() << list({ 7, 6, 5, 4, 3, 2, 1, 0 });
    QTest::newRow("one item") << QByteArray("bitplaneorder=2\n")
                              << list({ 2, 6, 5, 4, 3, 2, 1, 0 });
    QTest::newRow("short") << QByteArray("bitplaneorder=0, 1, 2\n")
                           << list({ 0, 1, 2, 4, 3, 2, 1, 0 });
    QTest::newRow("long") << QByteArray("bitplaneorder=1, 1, 1, 1, 1, 1, 1, 1, 9, 9, 9\n")
                          << list({ 1, 1, 1, 1, 1, 1, 1, 1 });
    QTest::newRow("not numbers") << QByteArray("bitplaneorder=1, x, 3, , 5\n")
                                 << list({ 1, 0, 3, 0, 5, 2, 1, 0 });
}

void StateFileTest::bitplaneOrder()
{
    QFETCH(QByteArray, text);
    QFETCH(QVariantList, expected);
    const RipperState state = loadText("[General]\n" + text);
    QCOMPARE(stateFields(state).mid(12), expected);
}

void StateFileTest::clampedAndConverted_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("skipmode");
    QTest::addColumn<bool>("reverse");
    QTest::addColumn<int>("blXSize");

    QTest::newRow("mode above") << QByteArray("mode=9") << 4 << 0 << false << 0;
    QTest::newRow("mode below") << QByteArray("mode=-1") << 0 << 0 << false << 0;
    QTest::newRow("skipmode above") << QByteArray("skipmode=5") << 0 << 1 << false << 0;
    QTest::newRow("skipmode below") << QByteArray("skipmode=-3") << 0 << 0 << false << 0;
    QTest::newRow("in range") << QByteArray("mode=3\nskipmode=1") << 3 << 1 << false << 0;
    QTest::newRow("reverse TRUE") << QByteArray("reverse=TRUE") << 0 << 0 << true << 0;
    QTest::newRow("reverse FALSE") << QByteArray("reverse=FALSE") << 0 << 0 << false << 0;
    QTest::newRow("reverse 0") << QByteArray("reverse=0") << 0 << 0 << false << 0;
    QTest::newRow("reverse 2") << QByteArray("reverse=2") << 0 << 0 << true << 0;
    QTest::newRow("reverse empty") << QByteArray("reverse=") << 0 << 0 << false << 0;
    QTest::newRow("number") << QByteArray("blXSize=4000") << 0 << 0 << false << 4000;
    QTest::newRow("not a number") << QByteArray("blXSize=12abc") << 0 << 0 << false << 0;
    QTest::newRow("beyond int") << QByteArray("blXSize=99999999999") << 0 << 0 << false << 0;
}

void StateFileTest::clampedAndConverted()
{
    QFETCH(QByteArray, text);
    const RipperState state = loadText("[General]\n" + text + "\n");
    QTEST(state.mode, "mode");
    QTEST(state.skipmode, "skipmode");
    QTEST(state.reverse, "reverse");
    QTEST(state.blXSize, "blXSize");
}

void StateFileTest::fileWithoutKeysLoadsDefaults()
{
    StateFile::LoadResult result;
    const RipperState state = loadText(QByteArray(), &result);
    QVERIFY(result.readable);
    QVERIFY(result.fileSizeDiffers); // the snapshot holds 1000 bytes, the file says 0
    QVERIFY(!result.offsetClamped);
    RipperState expected = snapshotOfSize(1000);
    expected.bitplaneorder = { 7, 6, 5, 4, 3, 2, 1, 0 };
    expected.offset = expected.blXSize = expected.blYSize = expected.skip = expected.bits = 0;
    expected.palsource = 0;
    QCOMPARE(stateFields(state), stateFields(expected));
}

void StateFileTest::unreadableChangesNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("formatError"); // what QSettings itself makes of the file

    QTest::newRow("missing") << QStringLiteral("none.plv") << QByteArray() << false;
    QTest::newRow("directory") << QString() << QByteArray() << false;
    QTest::newRow("unclosed section")
        << QStringLiteral("bad.plv") << QByteArray("[General\noffset=5\nmode=2\n") << true;
    QTest::newRow("binary") << QStringLiteral("binary.plv")
                            << QByteArray("\x01\x02\x00\xff=\x7f\nmode=3\n", 13) << false;
    QTest::newRow("huge") << QStringLiteral("huge.plv")
                          << QByteArray("[General]\nmode=3\n;") + QByteArray(2 << 20, 'x') << false;
}

void StateFileTest::unreadableChangesNothing()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, formatError);
    const QString file = name.isEmpty() ? m_dir->path() : path(name);
    if (!content.isEmpty())
        QVERIFY(writeFile(file, content));
    if (formatError)
        QCOMPARE(QSettings(file, QSettings::IniFormat).status(), QSettings::FormatError);

    RipperState state = unusualState(true);
    const QVariantList before = stateFields(state);
    for (int attempt = 0; attempt < 2; ++attempt) { // QSettings caches files it has parsed
        const StateFile::LoadResult result = StateFile::load(state, file);
        QVERIFY(!result.readable);
        QVERIFY(!result.fileSizeDiffers && !result.offsetClamped);
        QCOMPARE(stateFields(state), before);
    }
}

void StateFileTest::unreadablePermissionsChangeNothing()
{
    const QString file = path("locked.plv");
    QVERIFY(writeFile(file, "[General]\noffset=5\n"));
    QVERIFY(QFile::setPermissions(file, QFileDevice::Permissions()));
    QFile probe(file);
    if (probe.open(QIODevice::ReadOnly))
        QSKIP("permissions do not stop this user from reading");
    RipperState state = unusualState(false);
    const QVariantList before = stateFields(state);
    QVERIFY(!StateFile::load(state, file).readable);
    QCOMPARE(stateFields(state), before);
}

QTEST_GUILESS_MAIN(StateFileTest)
#include "tst_statefile.moc"
