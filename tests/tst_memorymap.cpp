// The memory map: pixels against file positions at the edges, zoom, the block statistic against a
// literal count, the chunk bands, hover texts, and the widget's clicks and hover.
#include "memorymapview.h"
#include "reference.h"
#include "rows.h"
#include "testsnapshot.h"

#include <QLabel>
#include <QSignalSpy>
#include <numeric>

using namespace MemoryMap;

// "ASF " 0-19, "CHIP" 24-551, "CRAM" 556-1567 (chip address 0 at 568), "END " 1572-1579.
static const QByteArray Snapshot = TestSnapshot::standardSnapshot(QByteArray(1000, 17)).bytes();

class TestMemoryMap : public QObject
{
    Q_OBJECT

private slots:
    // Layout "bytes per pixel, width, first row" over 101 bytes: the span of pixel (x, y).
    void spans_data()
    {
        Rows::columns<QList<qint64>, int, int, QString>("layout", "x", "y", "span");
        const auto row
            = [](const char *name, QList<qint64> layout, int x, int y, const char *span) {
                  QTest::newRow(name) << layout << x << y << span;
              };
        row("first byte", { 4, 10, 0 }, 0, 0, "0-3");
        row("last byte, a partial pixel", { 4, 10, 0 }, 5, 2, "100-100");
        row("past the end in the last row", { 4, 10, 0 }, 6, 2, "");
        row("above a scrolled top", { 4, 10, 2 }, 0, -1, "40-43");
        row("whole file in a pixel", { 1024, 1, 0 }, 0, 0, "0-100");
        row("nonsense held to range", { -5, 0, 0 }, 0, 100, "100-100");
        row("far rows", { 1LL << 50, 1 << 20, 1LL << 62 }, 0, 1, "");
    }
    void spans()
    {
        auto [l, x, y, span]
            = Rows::fetch<QList<qint64>, int, int, QString>("layout", "x", "y", "span");
        const Layout layout { l[0], int(l[1]), l[2] };
        const Span s = pixelSpan(layout, x, y, 101);
        QCOMPARE(s.isEmpty() ? "" : QStringLiteral("%1-%2").arg(s.first).arg(s.last), span);
        QVERIFY(pixelSpan(layout, -1, 0, 101).isEmpty() && pixelSpan(layout, 10, 0, 101).isEmpty());
        const Cell a = cellOf(layout, s.first), b = cellOf(layout, s.last); // back to the pixel
        QVERIFY(s.isEmpty() || (a.x == x && b.x == x && a.row == b.row && a.row == l[2] + y));
    }

    // From 16 bytes per pixel, 10 across, 10 rows in view from row 50, over 100000 bytes.
    void zoom_data()
    {
        Rows::columns<int, int, int, QList<qint64>>("x", "y", "steps", "bpp, top");
        QTest::newRow("in: the byte stays in its row") << 3 << 4 << 1 << QList<qint64> { 8, 104 };
        QTest::newRow("in to a byte per pixel") << 3 << 4 << 9 << QList<qint64> { 1, 864 };
        QTest::newRow("out to the whole file") << 9 << 9 << -9 << QList<qint64> { 1024, 0 };
        QTest::newRow("out, held at the top") << 0 << 9 << -5 << QList<qint64> { 512, 0 };
    }
    void zoom()
    {
        auto [x, y, steps, expected]
            = Rows::fetch<int, int, int, QList<qint64>>("x", "y", "steps", "bpp, top");
        const Layout from { 16, 10, 50 }, to = zoomed(from, 100000, 10, x, y, steps);
        QCOMPARE((QList<qint64> { to.bytesPerPixel, to.firstRow }), expected);
        if (QByteArray(QTest::currentDataTag()).startsWith("in"))
            QCOMPARE(cellOf(to, pixelSpan(from, x, y, 100000).first).row - to.firstRow, y);
    }

    // Sizes around a block, the SIMD lanes and the progress steps; the byte before a block counts.
    // A cancel leaves nothing; otherwise the last report is the total.
    void textures_data()
    {
        Rows::columns<int>("size");
        for (int size : { 1, 15, 63, 64, 65, 129, 1000, (9 << 20) + 5 })
            QTest::addRow("%d bytes", size) << size;
    }
    void textures()
    {
        auto [size] = Rows::fetch<int>("size");
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
        for (int i = 0; i < size; ++i) // runs and changes
            bytes[std::size_t(i)] = std::uint8_t(i % 7 < 3 ? 0xF0 : i * 37 >> 3);
        qint64 last = 0;
        const Overview o = compute(
            bytes.data(), size, [&](qint64 done, qint64) { return last = done; }, 64);
        QVERIFY(last == size
            && compute(bytes.data(), size, [](qint64, qint64) { return false; }).isEmpty());
        QCOMPARE(o.levels.back().size(), std::size_t(1));
        for (int from = 0; from < size; from += 64) {
            const int n = std::min(64, size - from);
            int sum = std::accumulate(&bytes[from], &bytes[from] + n, 0), changes = 0;
            for (int i = std::max(from, 1); i < from + n; ++i)
                changes += bytes[i] != bytes[i - 1];
            const Texture t = o.levels[0][std::size_t(from / 64)];
            QCOMPARE(
                QPoint(t.mean, t.change), QPoint((sum + n / 2) / n, (changes * 255 + n / 2) / n));
        }
    }

    // The chain with bytes put at `at` (negative: that many cut from the end).
    void bands_data()
    {
        Rows::columns<int, QByteArray, QString>("at", "put", "bands");
        const QString all = "ASF 0-19,CHIP 24-551,CRAM 556-1567,END 1572-1579";
        QTest::newRow("whole chain") << 0 << QByteArray() << all;
        QTest::newRow("32-bit step 0")
            << 560 << QByteArray("\xFF\xFF\xFF\xFD") << all.left(30) + "1579";
        QTest::newRow("header cut by the end") << -3 << QByteArray() << all.left(34);
        QTest::newRow("raw file") << 0 << QByteArray("RAW ") << "";
    }
    void bands()
    {
        auto [at, put, expected] = Rows::fetch<int, QByteArray, QString>("at", "put", "bands");
        QByteArray bytes
            = at < 0 ? Snapshot.chopped(-at) : QByteArray(Snapshot).replace(at, put.size(), put);
        QStringList bands;
        for (const Band &b : compute(Reference::loaded(bytes)).bands)
            bands << QStringLiteral("%1 %2-%3").arg(b.tag.trimmed()).arg(b.first).arg(b.last);
        QCOMPARE(bands.join(','), expected);
    }

    // A plane of 20 lines × 40 bytes from chip $100 runs past "CRAM" into "END "; a sprite at $3AD.
    void describe_data()
    {
        Rows::columns<qint64, QString>("position", "text");
        QTest::newRow("chip address 0") << 568LL << "CRAM $000000";
        QTest::newRow("before the plane") << 823LL << "CRAM $0000FF";
        QTest::newRow("plane's first byte") << 824LL << "CRAM $000100 · screen 1, plane 3, line 0";
        QTest::newRow("sprite") << 1509LL << "CRAM $0003AD · screen 1, plane 3, line 17 · sprite";
        QTest::newRow("padding") << 1568LL << "file $000620 · screen 1, plane 3, line 18";
        QTest::newRow("last byte") << 1579LL << "END header · screen 1, plane 3, line 18";
        QTest::newRow("past the end") << 1580LL << "";
        QTest::newRow("before the start") << -1LL << "";
    }
    void describe()
    {
        auto [position, text] = Rows::fetch<qint64, QString>("position", "text");
        const std::vector<Overlay> overlays { { 824, 1623, MemoryScreen, "screen 1, plane 3", 40 },
            { 1509, 1509, Sprite, QString(), 0 } };
        QCOMPARE(
            MemoryMap::describe(compute(Reference::loaded(Snapshot)), overlays, position), text);
    }

    // A click picks a pixel's first byte, in the band column its row's start, past the end nothing.
    void widget()
    {
        const RipperState state = Reference::loaded(Snapshot);
        const Overview overview = compute(state);
        MemoryMapView view;
        view.resize(200, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setOverview(&overview, &state);
        const int w = view.mapLayout().width;
        view.setMapLayout({ 1, w, 0 });
        QSignalSpy picked(&view, &MemoryMapView::positionPicked);
        for (QPoint p : { QPoint(BandColumn, 0), QPoint(BandColumn + w - 1, 1), QPoint(3, 2),
                 QPoint(BandColumn, 50) })
            QTest::mouseClick(view.mapArea(), Qt::LeftButton, {}, p);
        QList<qint64> positions;
        for (const QList<QVariant> &signal : picked)
            positions << signal[0].toLongLong();
        QCOMPARE(positions, (QList<qint64> { 0, 2 * w - 1, 2 * w }));
        view.setMapLayout({ 8, w, 0 }); // hover names the first byte: of 552-559, padding, not "CRAM"
        QTest::mouseMove(view.mapArea(), QPoint(BandColumn + 69 % w, 69 / w));
        QCOMPARE(view.hoverLabel()->text(), QStringLiteral("file $000228"));
    }
};

QTEST_MAIN(TestMemoryMap)
#include "tst_memorymap.moc"
