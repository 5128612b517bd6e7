// Screens read from save states a real emulator wrote, against the emulator's own screenshots of
// the same moment: through the exporter and through the window.
#include "copperscan.h"
#include "copperwalk.h"
#include "displaysource.h"
#include "framerender.h"
#include "reference.h"
#include "rows.h"
#include "screenview.h"
#include "snapshotfile.h"
#include "spriteview.h"
#include "windowfixture.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>

static QString dataFile(const QString &name)
{
    return QStringLiteral(PELVANE_TEST_DATA "/") + name;
}

static QPoint pair(const QJsonValue &value)
{
    const QJsonArray a = value.toArray();
    return { a[0].toInt(), a[1].toInt() };
}

// The exporter's image of `file` with `options`; null when it failed, with its message.
static QImage exported(const QString &file, const QStringList &options, QString &error)
{
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("out.png"));
    QProcess exporter;
    exporter.start(
        QStringLiteral(PELVANE_EXPORT_TOOL), options + QStringList { dataFile(file), png });
    exporter.waitForFinished(60000);
    error = QString::fromUtf8(exporter.readAllStandardError());
    return exporter.exitCode() == 0 ? QImage(png) : QImage();
}

// Where `image` differs from the screenshot, each of its pixels a scale.x × scale.y block from
// `at`, outside the pixels `skip` leaves out. The emulator shows a 12-bit component c as 17·c; the
// program has its own table, so `colour12` compares 12-bit colours.
static QString differences(const QImage &image, const QImage &truth, QPoint at, QPoint scale,
    bool colour12, const std::function<bool(int, int)> &skip = {})
{
    const auto key = [&](QRgb c) {
        return colour12 ? qRgb(qRed(c) >> 4, qGreen(c) >> 4, qBlue(c) >> 4) : c & 0xFFFFFF;
    };
    int wrong = 0;
    QString first;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            for (int j = 0; j < scale.y() * scale.x() && !(skip && skip(x, y)); ++j) {
                const QPoint s(
                    at.x() + x * scale.x() + j % scale.x(), at.y() + y * scale.y() + j / scale.x());
                const QRgb want = truth.pixel(s), got = image.pixel(x, y);
                if (key(want) != key(got) && !wrong++)
                    first = QString::asprintf("(%d,%d) #%06x, screenshot (%d,%d) #%06x", x, y,
                        got & 0xFFFFFF, s.x(), s.y(), want & 0xFFFFFF);
            }
    return wrong ? QString::number(wrong) + " pixels differ, first " + first : QString();
}

static RipperState loadedState(const QString &name)
{
    return Reference::loaded(
        SnapshotFile::read(dataFile(name)).bytes.value_or(std::vector<std::uint8_t>()));
}

class TestRealSaves : public QObject
{
    Q_OBJECT

    static void cases(const char *part)
    {
        Rows::columns<QString, QString, bool, QJsonObject>("file", "shot", "colour12", "part");
        QFile json(dataFile(QStringLiteral("cases.json")));
        QVERIFY(json.open(QIODevice::ReadOnly));
        for (const QJsonValue c : QJsonDocument::fromJson(json.readAll()).array()) {
            const QJsonArray parts = c[part].isArray() ? c[part].toArray() : QJsonArray { c[part] };
            for (const QJsonValue p : parts)
                if (p.isObject())
                    QTest::addRow(
                        "%s %s %d", qPrintable(c["file"].toString()), part, p["n"].toInt())
                        << c["file"].toString() << c["shot"].toString() << c["colour12"].toBool()
                        << p.toObject();
        }
    }

private slots:
    void screen_data() { cases("screens"); }
    // The exported screen shows what the screenshot does, except where the Copper changes its
    // colour and outside the part the window shows; V in the window shows the same picture.
    void screen()
    {
        const auto [file, shot, colour12, screen]
            = Rows::fetch<QString, QString, bool, QJsonObject>("file", "shot", "colour12", "part");
        const int n = screen["n"].toInt();
        QString error;
        const QImage out = exported(file,
            { "--screen", QString::number(n), "--across", "1", "--down", "1", "--border", "0" },
            error);
        QVERIFY2(!out.isNull(), qPrintable(error));
        QCOMPARE(out.format(), QImage::Format_Indexed8);
        QCOMPARE(out.size(), QSize(pair(screen["size"]).x(), pair(screen["size"]).y()));
        const QJsonArray r = screen["region"].toArray();
        const QRect region = r.isEmpty()
            ? out.rect()
            : QRect(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt());
        const QVariantList skipped = screen["skip_indices"].toArray().toVariantList();
        const QString wrong = differences(out, QImage(dataFile(shot)), pair(screen["at"]),
            pair(screen["scale"]), colour12, [&](int x, int y) {
                return !region.contains(x, y) || skipped.contains(out.pixelIndex(x, y));
            });
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        QFile uss(dataFile(file));
        QVERIFY(uss.open(QIODevice::ReadOnly));
        WindowFixture f(uss.readAll());
        for (int k = 0; k < n; ++k)
            f.key(Qt::Key_V);
        QCOMPARE(f.shown().copy(out.rect()).convertToFormat(QImage::Format_RGB32),
            out.convertToFormat(QImage::Format_RGB32));
    }

    void frame_data() { cases("frame"); }
    // The exported frame is the screenshot inside the display window, pixel for pixel; so is each
    // sprite exported alone, where the frame shows it (colour 0 transparent; an attached pair's
    // view holds the even sprite's planes only).
    void frame()
    {
        const auto [file, shot, colour12, frame]
            = Rows::fetch<QString, QString, bool, QJsonObject>("file", "shot", "colour12", "part");
        const QImage truth(dataFile(shot));
        QString error;
        const QImage out = exported(file, { "--frame" }, error);
        QVERIFY2(!out.isNull(), qPrintable(error));
        QCOMPARE(out.size(), QSize(pair(frame["size"]).x(), pair(frame["size"]).y()));
        const QPoint at = pair(frame["at"]), scale = pair(frame["scale"]);
        QString wrong = differences(out, truth, at, scale, colour12);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        const FrameRender::Frame rendered = FrameRender::render(loadedState(file));
        QCOMPARE(out.convertToFormat(QImage::Format_RGB32), rendered.image);
        const std::vector<int> sprites = SpriteView::listed(rendered);
        for (int n = 0; n < int(sprites.size()); ++n) {
            const FrameRender::Sprite &s = rendered.sprites[std::size_t(sprites[std::size_t(n)])];
            const QImage alone = exported(file, { "--sprite", QString::number(n + 1) }, error);
            QCOMPARE(alone.size(), QSize(16 * s.piece.words, s.piece.lines));
            QCOMPARE(qAlpha(alone.color(0)), 0);
            wrong = differences(alone, truth, at + QPoint(s.x * scale.x(), s.y * scale.y()), scale,
                colour12, [&](int x, int y) {
                    const QPoint p(s.x + x, s.y + y);
                    return s.partner >= 0 || alone.pixelIndex(x, y) == 0
                        || !rendered.image.rect().contains(p)
                        || rendered.spriteAt[std::size_t(p.y() * rendered.image.width() + p.x())]
                        != sprites[std::size_t(n)];
                });
            QVERIFY2(wrong.isEmpty(), qPrintable(QString("sprite %1: %2").arg(n + 1).arg(wrong)));
        }
    }

    // Every Copper list in chip RAM is found: the displayed one, and for the interlaced display
    // the other field's; their screens are on display, so none is offered again.
    void memoryLists()
    {
        for (const QString &file : QDir(dataFile(QString())).entryList({ "*.uss" })) {
            const RipperState state = loadedState(file);
            QStringList lists;
            for (std::uint32_t list : CopperScan::findLists(CopperWalk::openDisplay(state).chip))
                lists << QString::number(list, 16);
            const auto screens = CopperScan::screensInMemory(state, CopperWalk::walk(state));
            const bool lace = file.startsWith("f-");
            QCOMPARE(lists.join(',') + ' ' + QString::number(screens.size()),
                lace ? QString("1000,3000 0") : QString("1000 0"));
        }
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
