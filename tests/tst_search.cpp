#include "coppersearchreference.h"
#include "reference.h"
#include "testsnapshot.h"
#include "windowfixture.h"

#include <QRandomGenerator>
#include <QTest>

using namespace TestSnapshot;

namespace {

constexpr qsizetype MiB = qsizetype(1) << 20;

// Size, `rich` percent of random bytes from values that make up colour moves (so partial and
// chance matches abound), lists planted as "S<at>" (Simple), "A<at>" or "R<at>" (Advanced, "R"
// moving to COLOR00 four times; negative: from the end), and the search cursors to step from.
using Generated = std::tuple<qsizetype, int, QString, QList<int>>;
// Source, a list's place in 10 MiB of chip RAM (-1: none), progress updates before a cancel
// (-1: none), the key that searches, whether the list is found and after how many updates.
using Cancel = std::tuple<int, qsizetype, int, Qt::Key, bool, int>;

QByteArray generated(qsizetype size, int rich, const QString &plants)
{
    static const char pool[] = "\x01\x01\x01\x80\x82\x84\x9e\x9f\xa0\xbe\xc0\xff\xff\x7f";
    QRandomGenerator rng(quint32(size) + quint32(rich));
    QByteArray bytes(size, '\0');
    for (char &c : bytes)
        c = char(int(rng.bounded(100)) < rich ? pool[rng.bounded(14)] : rng.bounded(256));
    for (const QString &plant : plants.split(' ', Qt::SkipEmptyParts)) {
        QByteArray list; // Simple: COLOR00 to COLOR03; Advanced: any four of COLOR00-15
        for (int k = 0; k < 4; ++k)
            list += SnapshotWriter::copperMove(
                std::uint16_t(
                    0x180 + (plant[0] == 'S' ? 2 * k : int(rng.bounded(plant[0] == 'R' ? 1 : 32)))),
                std::uint16_t(rng.generate()));
        const qsizetype at = plant.mid(1).toLongLong();
        putBytes(bytes, at < 0 ? size + at : at, list);
    }
    return bytes.left(size);
}

} // namespace

Q_DECLARE_METATYPE(Generated)
Q_DECLARE_METATYPE(Cancel)

class TestSearch : public QObject
{
    Q_OBJECT

private slots:
    void sameAsLiteral_data();
    void sameAsLiteral();
    void cancel_data();
    void cancel();
};

void TestSearch::sameAsLiteral_data()
{
    QTest::addColumn<Generated>("g");
    QTest::newRow("empty") << Generated(0, 0, "", { 0, 3 });
    QTest::newRow("64 bytes") << Generated(64, 90, "S0 A0", { 0 });
    QTest::newRow("129 bytes") << Generated(129, 90, "S1 A0 A2", { 0, 1, 2 });
    QTest::newRow("odd, even, overlapping")
        << Generated(4096, 20, "S1001 S1002 A2001 A2004 A2008 S3000 A3001 R3500", { 0, 1002, -7 });
    QTest::newRow("at the very end") << Generated(8192, 30, "S-128 A-65", { 0, 8063, 8064, 9000 });
    QTest::newRow("just past the end") << Generated(8192, 30, "S-127 A-64", { 0 });
    QTest::newRow("near-match noise") << Generated(64 * 1024, 100, "", { 0, 77 });
    QTest::newRow("across progress steps") << Generated(9 * MiB + 333, 0,
        "S4194303 A4194304 S8388607 A8388609 A-65 S-128", { 0, 4 * int(MiB), 5 * int(MiB) });
}

void TestSearch::sameAsLiteral()
{
    QFETCH(Generated, g);
    const auto [size, rich, plants, starts] = g;
    const QByteArray bytes = generated(size, rich, plants);
    for (bool advanced : { false, true }) {
        for (int start : starts) {
            RipperState fast = Reference::loaded(bytes, 1, 1);
            fast.palsearchpos = start;
            RipperState slow = fast;
            // Steps through the matches until the search wraps round, as repeated clicks do.
            for (int click = 0; click < 3000 && (click == 0 || slow.palsearchpos != 0); ++click) {
                QVERIFY((advanced ? Palette::searchCopperAdvancedCancellable
                                  : Palette::searchCopperSimpleCancellable)(
                    fast, [](std::int64_t done, std::int64_t all) { return done < all; }));
                (advanced ? CopperSearchReference::advanced : CopperSearchReference::simple)(slow);
                QCOMPARE(fast.palfound, slow.palfound);
                QCOMPARE(fast.palsearchpos, slow.palsearchpos);
                QCOMPARE(fast.canvas.colorTable(), slow.canvas.colorTable());
            }
        }
    }
}

void TestSearch::cancel_data()
{
    const int simple = RipperState::PaletteSimple, advanced = RipperState::PaletteAdvanced;
    QTest::addColumn<Cancel>("c");
    QTest::newRow("found before a report") << Cancel(simple, 1000, 0, Qt::Key_L, true, 0);
    QTest::newRow("cancelled at the first") << Cancel(simple, 9 * MiB, 0, Qt::Key_L, false, 1);
    QTest::newRow("cancelled at the second") << Cancel(advanced, 9 * MiB, 1, Qt::Key_L, false, 2);
    QTest::newRow("found after two") << Cancel(advanced, 9 * MiB, -1, Qt::Key_L, true, 2);
    QTest::newRow("cancelled in an endless list") << Cancel(advanced, 1000, 0, Qt::Key_L, false, 1);
    QTest::newRow("J cancelled") << Cancel(simple, 9 * MiB, 0, Qt::Key_J, false, 1);
    QTest::newRow("miss") << Cancel(advanced, -1, -1, Qt::Key_L, false, 2);
}

// A cancelled search leaves the palette, the cursor and the searched source as they were.
void TestSearch::cancel()
{
    QFETCH(Cancel, c);
    const auto [source, listAt, cancelAfter, key, found, updates] = c;
    QByteArray chipRam(10 * MiB, '\0');
    const QList<std::uint16_t> words = sampleWords(32, 7);
    if (listAt >= 0)
        putBytes(chipRam, listAt, copperColourMoves(words));
    const Builder snapshot = standardSnapshot(chipRam);
    WindowFixture f(snapshot.bytes());
    f.prompts.progressUpdates = 0; // the reports of opening the snapshot
    f.prompts.progressLabels.clear();
    f.prompts.cancelAfterUpdates = cancelAfter;
    (source ? f.ui().radioPaletteAdvanced : f.ui().radioPaletteSimple)->click();
    f.window.stateForTesting().palsearchpos = 5;
    f.key(key);
    const int at = int(snapshot.cramDataOffset() + listAt);
    const bool done = found || listAt < 0; // searched to a result: found or missed
    QCOMPARE(f.state().palfound, found ? at : 0);
    QCOMPARE(f.state().palsearchpos, !done ? 5 : !found ? 0 : at + (source ? 128 : 1));
    QCOMPARE(f.state().canvas.color(1), found ? rgbOfWord(words[1]) : Palette::defaultColors()[1]);
    QCOMPARE(f.state().palsearchmode, done ? source : int(RipperState::PaletteECS));
    QCOMPARE(f.prompts.progressUpdates, updates);
    QCOMPARE(f.prompts.progressLabels.size(), updates > 0 ? 1 : 0);
}

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
