#include "coppersearchreference.h"
#include "testsnapshot.h"
#include "windowfixture.h"

#include <QRandomGenerator>
#include <QTest>

using namespace TestSnapshot;

namespace {

constexpr qsizetype MiB = qsizetype(1) << 20;

// Random bytes, `rich` percent of them drawn from values that make up colour moves, so partial
// and chance matches abound; lists planted as "S<at>" (Simple) or "A<at>", negative from the end.
QByteArray generated(qsizetype size, int rich, const QString &plants, quint32 seed)
{
    static const char pool[] = "\x01\x01\x01\x80\x82\x84\x9e\x9f\xa0\xbe\xc0\xff\xff\x7f";
    QRandomGenerator rng(seed);
    QByteArray bytes(size, '\0');
    for (char &c : bytes)
        c = char(int(rng.bounded(100)) < rich ? pool[rng.bounded(14)] : rng.bounded(256));
    for (const QString &plant : plants.split(' ', Qt::SkipEmptyParts)) {
        const qsizetype at = plant.mid(1).toLongLong();
        QByteArray list;
        for (int k = 0; k < 4; ++k) // Simple: COLOR00, COLOR01; Advanced: any of COLOR00-15
            list += SnapshotWriter::copperMove(
                std::uint16_t(plant[0] == 'S' ? 0x180 + 2 * k : 0x180 + rng.bounded(32)),
                std::uint16_t(rng.generate()));
        putBytes(bytes, at < 0 ? size + at : at, list);
    }
    return bytes.left(size);
}

} // namespace

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
    QTest::addColumn<qsizetype>("size");
    QTest::addColumn<int>("rich");
    QTest::addColumn<QString>("plants");
    QTest::addColumn<QList<int>>("starts");
    QTest::newRow("empty") << qsizetype(0) << 0 << "" << QList<int> { 0, 3 };
    QTest::newRow("64 bytes") << qsizetype(64) << 90 << "S0 A0" << QList<int> { 0 };
    QTest::newRow("129 bytes") << qsizetype(129) << 90 << "S1 A0 A2" << QList<int> { 0, 1, 2 };
    QTest::newRow("odd, even, overlapping")
        << qsizetype(4096) << 20 << "S1001 S1002 A2001 A2004 A2008 S3000 A3001"
        << QList<int> { 0, 1002, -7 };
    QTest::newRow("at the very end") << qsizetype(8192) << 30 << "S-128 S-127 A-66 A-65 A-64"
                                     << QList<int> { 0, 8000, 8063, 8064, 9000 };
    QTest::newRow("near-match noise") << qsizetype(64 * 1024) << 100 << "" << QList<int> { 0, 77 };
    QTest::newRow("across progress steps")
        << 9 * MiB + 333 << 0 << "S4194303 A4194304 S8388607 A8388609 A-65 S-128"
        << QList<int> { 0, 4 * int(MiB), 5 * int(MiB) };
}

void TestSearch::sameAsLiteral()
{
    QFETCH(qsizetype, size);
    QFETCH(int, rich);
    QFETCH(QString, plants);
    QFETCH(QList<int>, starts);
    const QByteArray bytes = generated(size, rich, plants, quint32(size) + quint32(rich));
    using Search = bool (*)(RipperState &, const Palette::SearchProgress &);
    using Literal = void (*)(RipperState &);
    const std::pair<Search, Literal> searches[]
        = { { Palette::searchCopperSimpleCancellable, CopperSearchReference::simple },
              { Palette::searchCopperAdvancedCancellable, CopperSearchReference::advanced } };
    for (const auto &[search, literal] : searches) {
        for (int start : starts) {
            RipperState fast;
            fast.canvas = QImage(1, 1, QImage::Format_Indexed8);
            Palette::setDefaultPalette(fast.canvas);
            loadInto(fast, bytes);
            fast.palsearchpos = start;
            RipperState slow = fast;
            // Step through the matches until the search wraps round, as repeated clicks do.
            for (int click = 0; click < 3000 && (click == 0 || slow.palsearchpos != 0); ++click) {
                QVERIFY(search(fast, [&](std::int64_t done, std::int64_t total) {
                    return done > 0 && done < total && total <= size;
                }));
                literal(slow);
                QCOMPARE(fast.palfound, slow.palfound);
                QCOMPARE(fast.palsearchpos, slow.palsearchpos);
                QCOMPARE(fast.canvas.colorTable(), slow.canvas.colorTable());
            }
        }
    }
}

void TestSearch::cancel_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<qsizetype>("listAt"); // in chip RAM of 10 MiB; -1 none
    QTest::addColumn<int>("cancelAfter");
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("updates");
    const int simple = RipperState::PaletteSimple, advanced = RipperState::PaletteAdvanced;
    QTest::newRow("found before a report")
        << simple << qsizetype(1000) << 0 << Qt::Key_L << true << 0;
    QTest::newRow("cancelled at the first") << simple << 9 * MiB << 0 << Qt::Key_L << false << 1;
    QTest::newRow("cancelled at the second") << advanced << 9 * MiB << 1 << Qt::Key_L << false << 2;
    QTest::newRow("found after two") << advanced << 9 * MiB << -1 << Qt::Key_L << true << 2;
    QTest::newRow("J cancelled") << simple << 9 * MiB << 0 << Qt::Key_J << false << 1;
    QTest::newRow("miss") << advanced << qsizetype(-1) << -1 << Qt::Key_L << false << 2;
}

void TestSearch::cancel()
{
    QFETCH(int, source);
    QFETCH(qsizetype, listAt);
    QFETCH(int, cancelAfter);
    QFETCH(Qt::Key, key);
    QFETCH(bool, found);
    QFETCH(int, updates);
    QByteArray chipRam(10 * MiB, '\0');
    const QList<std::uint16_t> words = sampleWords(32, 7);
    if (listAt >= 0)
        putBytes(chipRam, listAt, copperColourMoves(words));
    const Builder snapshot = standardSnapshot(chipRam);
    WindowFixture f(snapshot.bytes());
    f.prompts.cancelAfterUpdates = cancelAfter;
    (source == RipperState::PaletteSimple ? f.ui().radioPaletteSimple : f.ui().radioPaletteAdvanced)
        ->click();
    f.window.stateForTesting().palsearchpos = 5;
    f.key(key);
    const int at = int(snapshot.cramDataOffset() + listAt);
    const int cursor = listAt < 0 ? 0 : source == RipperState::PaletteSimple ? at + 1 : at + 128;
    QCOMPARE(f.state().palfound, found ? at : 0);
    QCOMPARE(f.state().palsearchpos, found || listAt < 0 ? cursor : 5);
    QCOMPARE(f.state().canvas.color(1), found ? rgbOfWord(words[1]) : Palette::defaultColors()[1]);
    QCOMPARE(f.state().palsearchmode, found || listAt < 0 ? source : int(RipperState::PaletteECS));
    QCOMPARE(f.prompts.progressUpdates, updates);
    QCOMPARE(f.prompts.progressLabels.size(), updates > 0 ? 1 : 0);
}

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
