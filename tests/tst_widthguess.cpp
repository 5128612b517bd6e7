// The width finder: line periods of pictures in every storage mode, demo pictures, real screens.
#include "copperwalk.h"
#include "demosnapshot.h"
#include "reference.h"
#include "rows.h"
#include "screenview.h"
#include "snapshotfile.h"
#include "snapshotwriter.h"
#include "widthguess.h"

#include <QDir>
#include <QRandomGenerator>

namespace {

// Ellipses and boxes of random colours; `sparse`: three small ones, each in a plane of its own
// (a colour in several planes makes them alike, their distance as good a period as the line's).
QImage shapes(int widthBytes, int height, int planes, bool sparse, quint32 seed)
{
    QRandomGenerator random(seed);
    const int w = 8 * widthBytes;
    QImage image(w, height, QImage::Format_Indexed8);
    image.fill(0);
    for (int n = sparse ? 3 : 12; n > 0; --n) {
        const int cx = random.bounded(w), cy = random.bounded(height);
        const int rx = 2 + random.bounded(sparse ? w / 6 + 1 : w / 2 + 1);
        const int ry = 2 + random.bounded(sparse ? height / 6 + 1 : height / 2 + 1);
        const int colour = sparse ? 1 << n % planes : 1 + random.bounded((1 << planes) - 1);
        const bool box = random.bounded(2);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < w; ++x) {
                const double dx = double(x - cx) / rx, dy = double(y - cy) / ry;
                if (box ? std::abs(dx) <= 1 && std::abs(dy) <= 1 : dx * dx + dy * dy <= 1)
                    image.scanLine(y)[x] = uchar(colour);
            }
    }
    return image;
}

QByteArray noise(int size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, '\0');
    std::generate(bytes.begin(), bytes.end(), [&] { return char(random.bounded(256)); });
    return bytes;
}

} // namespace

class TestWidthGuess : public QObject
{
    Q_OBJECT

private slots:
    // width: the true one, 0 where none may be found. pattern: the lines hold a pattern that
    // repeats at another period too (a checker along the line, fields that differ), which the
    // bytes cannot tell from the line's: the period found and the line's must be multiples of one
    // another. note: a part of the note.
    void width_data()
    {
        Rows::columns<QByteArray, int, int, int, int, bool, QString>(
            "bytes", "offset", "planes", "mode", "width", "pattern", "note");
        const char *const modes[] = { "AM", "ST", "SP", "C+", "C-" };
        // Mode, width, planes; from the 23rd on sparse: 100 lines, over 85% of the bytes 0.
        const int rows[][3] = { { 0, 1, 1 }, { 0, 2, 3 }, { 0, 5, 8 }, { 0, 13, 2 }, { 0, 40, 5 },
            { 0, 100, 4 }, { 0, 37, 1 }, { 0, 64, 6 }, { 1, 1, 2 }, { 1, 3, 8 }, { 1, 10, 4 },
            { 1, 40, 5 }, { 1, 64, 8 }, { 1, 99, 3 }, { 1, 21, 7 }, { 2, 1, 1 }, { 2, 4, 2 },
            { 2, 20, 3 }, { 2, 40, 4 }, { 2, 77, 2 }, { 3, 6, 2 }, { 4, 12, 2 }, { 0, 40, 1 },
            { 1, 40, 4 }, { 2, 30, 2 }, { 0, 100, 8 }, { 1, 8, 2 } };
        for (int i = 0; i < 27; ++i) {
            const auto [mode, w, planes] = rows[i];
            const bool sparse = i >= 22;
            const int h = sparse ? 100 : w > 2 ? 64 : 256;
            const QByteArray encoded = SnapshotWriter::encodePicture(
                shapes(w, h, planes, sparse, quint32(w * 97 + planes * 7 + mode)), planes, mode);
            QTest::addRow("%s %dp %dx%d%s", modes[mode], planes, w, h, sparse ? " sparse" : "")
                << noise(333, 1) + encoded + noise(4000, 2) << 333 << planes << mode << w << false
                << QString();
        }
        // Random bytes score below 0.1 (WidthGuess::LowScore); about 0.02 at most.
        QTest::newRow("random") << noise(65536, 3) << 100 << 4 << 1 << 0 << false << QString();
        const QByteArray plain = SnapshotWriter::encodePicture(shapes(45, 64, 1, false, 9), 1, 0);
        QTest::newRow("45 bytes in ST, 4 planes")
            << plain << 0 << 4 << 1 << 45 << false << "the period 45 is not a multiple of 4";
        QTest::newRow("flat") << QByteArray(70000, '\0') << 5 << 1 << 0 << 0 << false << "$00";
        QTest::newRow("near the end") << noise(300, 4) << 290 << 1 << 0 << 0 << false << "too few";
        QTest::newRow("past the end")
            << plain << int(plain.size()) << 1 << 0 << 0 << false << "outside";

        const DemoSnapshot::Demo demo = DemoSnapshot::build();
        for (const DemoSnapshot::Picture &p : demo.pictures)
            QTest::newRow(qPrintable("demo " + p.name))
                << demo.bytes << p.offset << p.planes << p.mode << p.widthBytes
                << false << QString();
        const QDir data(QStringLiteral(PELVANE_TEST_DATA));
        for (const QString &name : data.entryList({ QStringLiteral("*-compressed.uss") })) {
            const std::vector<std::uint8_t> bytes
                = SnapshotFile::read(data.filePath(name))
                      .bytes.value_or(std::vector<std::uint8_t>());
            RipperState state = Reference::loaded(bytes);
            const CopperWalk::Frame frame = CopperWalk::walk(state);
            QVERIFY2(!frame.screens.empty(), qPrintable(name));
            ScreenView::apply(state, frame, 0);
            // c, j1 and j2 show a checker; f's fields differ, so its rows repeat every two.
            const bool pattern = QStringList { "c-", "j1", "j2", "f-" }.contains(name.left(2));
            QTest::newRow(qPrintable(name))
                << QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()))
                << state.offset << state.bits << state.mode << state.blXSize << pattern
                << QString();
        }
    }

    void width()
    {
        auto [bytes, offset, planes, mode, width, pattern, note]
            = Rows::fetch<QByteArray, int, int, int, int, bool, QString>(
                "bytes", "offset", "planes", "mode", "width", "pattern", "note");
        RipperState state = Reference::loaded(bytes);
        state.offset = offset;
        state.bits = planes;
        state.mode = mode;
        state.blXSize = 333; // never the answer: the width comes from the bytes
        const WidthGuess::Guess g = WidthGuess::guess(state);
        const QString text = WidthGuess::describe(g);
        QVERIFY2(g.note.contains(note), qPrintable(text));
        if (pattern) {
            const int line = width * (mode == 0 ? 1 : mode == 1 ? planes : 2);
            const int found = g.best.front().period;
            QVERIFY2(g.width > 0 && (line % found == 0 || found % line == 0), qPrintable(text));
            return;
        }
        QVERIFY2(g.width == width, qPrintable(text));
        QVERIFY(text.startsWith(width ? QString("Width %1:").arg(width) : "No width found"));
        for (const WidthGuess::Candidate &c : g.best) // random bytes: every score low
            QVERIFY2(width > 0 || c.score < WidthGuess::LowScore, qPrintable(text));
    }
};

QTEST_MAIN(TestWidthGuess)
#include "tst_widthguess.moc"
