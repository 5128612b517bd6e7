// Screens read from save states a real emulator wrote, against the emulator's own screenshots of
// the same moment: through the exporter and through the window.
#include "copperwalk.h"
#include "framerender.h"
#include "reference.h"
#include "rows.h"
#include "screenview.h"
#include "snapshotfile.h"
#include "windowfixture.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

static QString dataFile(const QString &name)
{
    return QStringLiteral(PELVANE_TEST_DATA "/") + name;
}

static QPoint pair(const QJsonValue &value)
{
    const QJsonArray a = value.toArray();
    return { a[0].toInt(), a[1].toInt() };
}

static RipperState loadedState(const QString &name)
{
    return Reference::loaded(
        SnapshotFile::read(dataFile(name)).bytes.value_or(std::vector<std::uint8_t>()));
}

class TestRealSaves : public QObject
{
    Q_OBJECT

private slots:
    // One row per screen of each case in cases.json that lists screens.
    void screen_data()
    {
        Rows::columns<QString, QString, bool, QJsonObject>("file", "shot", "colour12", "screen");
        QFile json(dataFile(QStringLiteral("cases.json")));
        QVERIFY(json.open(QIODevice::ReadOnly));
        for (const QJsonValue c : QJsonDocument::fromJson(json.readAll()).array())
            for (const QJsonValue s : c["screens"].toArray())
                QTest::addRow("%s screen %d", qPrintable(c["file"].toString()), s["n"].toInt())
                    << c["file"].toString() << c["shot"].toString() << c["colour12"].toBool()
                    << s.toObject();
    }
    // The exported screen shows what the screenshot does, each pixel as a scale.x × scale.y
    // block, except where the Copper changes its colour; V in the window shows the same picture.
    void screen()
    {
        const auto [file, shot, colour12, screen]
            = Rows::fetch<QString, QString, bool, QJsonObject>(
                "file", "shot", "colour12", "screen");
        const int n = screen["n"].toInt();
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("screen.png"));
        QProcess exporter;
        exporter.start(QStringLiteral(PELVANE_EXPORT_TOOL),
            { "--screen", QString::number(n), "--across", "1", "--down", "1", "--border", "0",
                dataFile(file), png });
        QVERIFY(exporter.waitForFinished(60000));
        QVERIFY2(exporter.exitCode() == 0, exporter.readAllStandardError().constData());
        const QImage out(png), truth(dataFile(shot));
        QCOMPARE(out.format(), QImage::Format_Indexed8);
        QCOMPARE(out.size(), QSize(pair(screen["size"]).x(), pair(screen["size"]).y()));
        const QJsonArray r = screen["region"].toArray();
        const QRect region = r.isEmpty()
            ? out.rect()
            : QRect(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt());
        const QPoint at = pair(screen["at"]), scale = pair(screen["scale"]);
        QList<int> skipped;
        for (const QJsonValue index : screen["skip_indices"].toArray())
            skipped << index.toInt();
        // The emulator shows a 12-bit component c as 17·c; the program has its own table.
        const auto key = [&](QRgb c) {
            return colour12 ? qRgb(qRed(c) >> 4, qGreen(c) >> 4, qBlue(c) >> 4) : c & 0xFFFFFF;
        };
        for (int y = region.top(); y <= region.bottom(); ++y)
            for (int x = region.left(); x <= region.right(); ++x) {
                if (skipped.contains(out.pixelIndex(x, y)))
                    continue;
                for (int j = 0; j < scale.y(); ++j)
                    for (int i = 0; i < scale.x(); ++i) {
                        const QPoint s(at.x() + x * scale.x() + i, at.y() + y * scale.y() + j);
                        const QRgb want = truth.pixel(s), got = out.pixel(x, y);
                        QVERIFY2(key(want) == key(got),
                            qPrintable(QString::asprintf("exported (%d,%d) index %d #%06x, "
                                                         "screenshot (%d,%d) #%06x",
                                x, y, out.pixelIndex(x, y), got & 0xFFFFFF, s.x(), s.y(),
                                want & 0xFFFFFF)));
                    }
            }
        QFile uss(dataFile(file));
        QVERIFY(uss.open(QIODevice::ReadOnly));
        WindowFixture f(uss.readAll());
        for (int k = 0; k < n; ++k)
            f.key(Qt::Key_V);
        QCOMPARE(f.shown().copy(out.rect()).convertToFormat(QImage::Format_RGB32),
            out.convertToFormat(QImage::Format_RGB32));
    }

    // One row per case: the whole displayed frame.
    void frame_data()
    {
        Rows::columns<QString, QString, bool, QJsonObject>("file", "shot", "colour12", "frame");
        QFile json(dataFile(QStringLiteral("cases.json")));
        QVERIFY(json.open(QIODevice::ReadOnly));
        for (const QJsonValue c : QJsonDocument::fromJson(json.readAll()).array())
            QTest::addRow("%s", qPrintable(c["file"].toString()))
                << c["file"].toString() << c["shot"].toString() << c["colour12"].toBool()
                << c["frame"].toObject();
    }
    // The rendered frame is the screenshot inside the display window, pixel for pixel.
    void frame()
    {
        const auto [file, shot, colour12, frame]
            = Rows::fetch<QString, QString, bool, QJsonObject>("file", "shot", "colour12", "frame");
        const FrameRender::Frame rendered = FrameRender::render(loadedState(file));
        const QImage truth(dataFile(shot));
        const QPoint at = pair(frame["at"]), scale = pair(frame["scale"]);
        QCOMPARE(rendered.image.size(), QSize(pair(frame["size"]).x(), pair(frame["size"]).y()));
        const auto key = [&](QRgb c) {
            return colour12 ? qRgb(qRed(c) >> 4, qGreen(c) >> 4, qBlue(c) >> 4) : c & 0xFFFFFF;
        };
        int wrong = 0;
        QString first;
        for (int y = 0; y < rendered.image.height(); ++y)
            for (int x = 0; x < rendered.image.width(); ++x) {
                const QPoint s(at.x() + x * scale.x(), at.y() + y * scale.y());
                const QRgb want = truth.pixel(s), got = rendered.image.pixel(x, y);
                if (key(want) != key(got) && !wrong++)
                    first = QString::asprintf(
                        "(%d,%d) #%06x, screenshot #%06x", x, y, got & 0xFFFFFF, want & 0xFFFFFF);
            }
        QVERIFY2(wrong == 0, qPrintable(QString::number(wrong) + " pixels differ, first " + first));
    }

    // Compressing the save changes nothing the Copper walk finds.
    void compressedAsUncompressed()
    {
        const CopperWalk::Frame packed = CopperWalk::walk(
            loadedState(QStringLiteral("a-ocs-lores5-interleaved-compressed.uss")));
        const CopperWalk::Frame plain = CopperWalk::walk(
            loadedState(QStringLiteral("a-ocs-lores5-interleaved-uncompressed.uss")));
        QVERIFY2(!plain.screens.empty(), "the walk found no screen");
        QCOMPARE(packed.screens.size(), plain.screens.size());
        for (int i = 0; i < int(plain.screens.size()); ++i)
            QCOMPARE(ScreenView::summary(packed, i), ScreenView::summary(plain, i));
    }
};

QTEST_MAIN(TestRealSaves)
#include "tst_realsaves.moc"
