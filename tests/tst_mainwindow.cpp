// The main window's start-up, position, log file and grid drawing, driven offscreen.
#include "decoder.h"
#include "grid.h"
#include "htmllog.h"
#include "pelvane.h"
#include "workdir.h"

#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QTest>
#include <memory>

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void startsWithTitleAndInitialControls();
    void controlsDisabledUntilLoad();
    void startingAloneWritesNoSettings();
    void positionDefaultsStoredAndRestored_data();
    void positionDefaultsStoredAndRestored();
    void positionOffEveryScreenFallsBack();
    void nonNumericPositionReadsAsZero();
    void logFileContent();
    void logFileWrittenAtStart();
    void unwritableLogIsSkipped();
    void gridColumnsAndRows_data();
    void gridColumnsAndRows();
    void pictureStride_data();
    void pictureStride();
    void gridDrawsDefaultPicturesAtTheirPlaces();
    void gridMatchesLiteralDrawing();

private:
    std::unique_ptr<WorkDir> m_dir;
};

void TestMainWindow::init()
{
    m_dir = std::make_unique<WorkDir>();
}

void TestMainWindow::cleanup()
{
    m_dir.reset();
}

void TestMainWindow::startsWithTitleAndInitialControls()
{
    Pelvane window;
    const Ui::PelvaneClass &ui = window.form();
    QCOMPARE(window.windowTitle(), QStringLiteral("Pelvane 0.6"));
    QCOMPARE(window.objectName(), QStringLiteral("PelvaneClass"));
    QCOMPARE(ui.labelNums->text(), QStringLiteral("NumX: 2\nNumY: 2"));
    QCOMPARE(ui.labelXSize->text(), QStringLiteral("320"));
    QCOMPARE(ui.labelYSize->text(), QStringLiteral("200"));
    QCOMPARE(ui.labelBits->text(), QStringLiteral("1"));
    QCOMPARE(ui.labelOffset->text(), QStringLiteral("0"));
    QCOMPARE(ui.sliderXSize->value(), 40);
    QCOMPARE(ui.sliderYSize->value(), 200);
    QCOMPARE(ui.horizontalSlider->maximum(), 100000);
    const QSlider *order[] = { ui.sliderBit0, ui.sliderBit1, ui.sliderBit2, ui.sliderBit3,
        ui.sliderBit4, ui.sliderBit5, ui.sliderBit6, ui.sliderBit7 };
    const QLabel *orderLabels[] = { ui.labelBit0, ui.labelBit1, ui.labelBit2, ui.labelBit3,
        ui.labelBit4, ui.labelBit5, ui.labelBit6, ui.labelBit7 };
    for (int j = 0; j < 8; ++j) {
        QCOMPARE(order[j]->value(), j);
        QCOMPARE(orderLabels[j]->text(), QString::number(j));
    }
    QVERIFY(ui.radioModeAM->isChecked());
    QVERIFY(ui.radioSkipModePictures->isChecked());
    QVERIFY(ui.radioPaletteECS->isChecked());
    QCOMPARE(ui.labelPicture->size(), QSize(800, 600));
    QCOMPARE(window.state().canvas.size(), QSize(800, 600));
    QCOMPARE(window.state().canvas.format(), QImage::Format_Indexed8);
    QCOMPARE(window.state().canvas.colorCount(), 256);
    QVERIFY(ui.labelPicture->pixmap().isNull());
    QVERIFY(!window.windowIcon().isNull());
}

void TestMainWindow::controlsDisabledUntilLoad()
{
    Pelvane window;
    const Ui::PelvaneClass &ui = window.form();
    const QWidget *disabled[] = { ui.horizontalSlider, ui.labelOffset, ui.label, ui.label_2,
        ui.label_3, ui.sliderXSize, ui.sliderYSize, ui.labelXSize, ui.labelYSize, ui.labelNums,
        ui.groupBox_2, ui.groupBox_3, ui.groupBox, ui.groupBox_4, ui.groupBox_5, ui.sliderBit3,
        ui.buttonSearchPal };
    for (const QWidget *w : disabled)
        QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    QVERIFY(ui.labelPicture->isEnabled());
}

void TestMainWindow::startingAloneWritesNoSettings()
{
    {
        Pelvane window;
    }
    QVERIFY(!QFile::exists(m_dir->filePath("settings.ini")));
}

void TestMainWindow::positionDefaultsStoredAndRestored_data()
{
    QTest::addColumn<QPoint>("stored");
    QTest::newRow("on the screen") << QPoint(120, 80);
    QTest::newRow("partly left of and above it") << QPoint(-300, -40);
}

void TestMainWindow::positionDefaultsStoredAndRestored()
{
    QFETCH(QPoint, stored);
    {
        Pelvane first;
        QCOMPARE(first.geometry().topLeft(), QPoint(4, 26));
        first.setGeometry(QRect(stored, first.size()));
        first.close();
    }
    QSettings settings("settings.ini", QSettings::IniFormat);
    QCOMPARE(settings.value("windowx").toInt(), stored.x());
    QCOMPARE(settings.value("windowy").toInt(), stored.y());
    Pelvane second;
    QCOMPARE(second.geometry().topLeft(), stored);
    QCOMPARE(second.size(), QSize(840, 898));
}

void TestMainWindow::positionOffEveryScreenFallsBack()
{
    {
        QSettings settings("settings.ini", QSettings::IniFormat);
        settings.setValue("windowx", -20000);
        settings.setValue("windowy", 15000);
    }
    Pelvane window;
    QCOMPARE(window.geometry().topLeft(), QPoint(4, 26));
}

void TestMainWindow::nonNumericPositionReadsAsZero()
{
    m_dir->writeFile("settings.ini", "[General]\nwindowx=left\nwindowy=40\n");
    Pelvane window;
    QCOMPARE(window.geometry().topLeft(), QPoint(0, 40));
}

void TestMainWindow::logFileContent()
{
    const QByteArray text = HtmlLog::content("logfile.html", "09:05:03");
    const QList<QByteArray> lines = text.split('\n');
    QCOMPARE(lines.size(), 16); // fifteen lines and the empty rest after the last line end
    QCOMPARE(lines[0], QByteArray("<style type=\"text/css\">"));
    QCOMPARE(lines[2], QByteArray(".red {color: #FF0000;"));
    QCOMPARE(lines[12], QByteArray("</style>"));
    QCOMPARE(lines[13], QByteArray("Creating logfile.html at 09:05:03"));
    QCOMPARE(lines[14], QByteArray("<br><br>"));
}

void TestMainWindow::logFileWrittenAtStart()
{
    m_dir->writeFile("logfile.html", QByteArray(5000, 'x'));
    Pelvane window;
    const QByteArray text = m_dir->readFile("logfile.html");
    QCOMPARE(text.count('\n'), 15);
    QVERIFY(QRegularExpression("\nCreating logfile.html at \\d\\d:\\d\\d:\\d\\d\n<br><br>\n$")
                .match(QString::fromLatin1(text))
                .hasMatch());
}

void TestMainWindow::unwritableLogIsSkipped()
{
    QDir(m_dir->path()).mkdir("logfile.html"); // a directory where the log would go
    Pelvane window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Pelvane 0.6"));
    QVERIFY(QFileInfo(m_dir->filePath("logfile.html")).isDir());
}

void TestMainWindow::gridColumnsAndRows_data()
{
    QTest::addColumn<int>("blXSize");
    QTest::addColumn<int>("blYSize");
    QTest::addColumn<int>("numX");
    QTest::addColumn<int>("numY");
    QTest::newRow("default") << 40 << 200 << 2 << 2;
    QTest::newRow("smallest") << 1 << 1 << 80 << 200;
    QTest::newRow("one fits") << 99 << 598 << 1 << 1;
    QTest::newRow("none fits, still one") << 100 << 599 << 1 << 1;
    QTest::newRow("widest") << 4000 << 600 << 1 << 1;
}

void TestMainWindow::gridColumnsAndRows()
{
    QFETCH(int, blXSize);
    QFETCH(int, blYSize);
    QFETCH(int, numX);
    QFETCH(int, numY);
    Pelvane window;
    window.stateForTesting().blXSize = blXSize;
    window.stateForTesting().blYSize = blYSize;
    window.refreshView();
    QCOMPARE(window.state().numX, numX);
    QCOMPARE(window.state().numY, numY);
    QCOMPARE(
        window.form().labelNums->text(), QStringLiteral("NumX: %1\nNumY: %2").arg(numX).arg(numY));
}

void TestMainWindow::pictureStride_data()
{
    QTest::addColumn<int>("skipmode");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("skip");
    QTest::addColumn<qint64>("stride");
    QTest::newRow("pictures") << 0 << 1 << 0 << qint64(8000);
    QTest::newRow("pictures, skip") << 0 << 3 << 16 << qint64(24016);
    QTest::newRow("bitplanes") << 1 << 2 << 16 << qint64(16032);
}

void TestMainWindow::pictureStride()
{
    QFETCH(int, skipmode);
    QFETCH(int, bits);
    QFETCH(int, skip);
    QFETCH(qint64, stride);
    Pelvane window;
    RipperState &s = window.stateForTesting();
    s.skipmode = skipmode;
    s.bits = bits;
    s.skip = skip;
    QCOMPARE(window.pictureStride(), stride);
}

static void loadBytes(Pelvane &window, int size, unsigned seed)
{
    RipperState &s = window.stateForTesting();
    s.fileData.resize(std::size_t(size));
    for (std::size_t i = 0; i < s.fileData.size(); ++i)
        s.fileData[i] = std::uint8_t((i * 2654435761u + seed) >> 13);
    s.filesize = size;
    s.fileLoaded = true;
    window.refreshView();
}

// Four 320x200 pictures at (0,0), (322,0), (0,202), (322,202) from bytes 0, 8000, 16000, 24000,
// colour 255 everywhere else.
void TestMainWindow::gridDrawsDefaultPicturesAtTheirPlaces()
{
    Pelvane window;
    loadBytes(window, 40000, 1);
    const QImage &canvas = window.state().canvas;
    const QPoint origins[] = { { 0, 0 }, { 322, 0 }, { 0, 202 }, { 322, 202 } };
    for (int k = 0; k < 4; ++k) {
        for (int y = 0; y < 200; y += 7) {
            for (int x = 0; x < 320; x += 3) {
                QCOMPARE(canvas.pixelIndex(origins[k] + QPoint(x, y)),
                    window.pixelValue(8000 * k, x, y));
            }
        }
    }
    for (const QPoint gap : { QPoint(320, 0), QPoint(321, 199), QPoint(0, 200), QPoint(10, 201),
             QPoint(643, 5), QPoint(799, 599), QPoint(5, 404) })
        QCOMPARE(canvas.pixelIndex(gap), 255);
    const QImage shown = window.form().labelPicture->pixmap().toImage();
    QCOMPARE(shown.size(), QSize(800, 600));
    QCOMPARE(shown.pixel(321, 100), canvas.color(255));
}

void TestMainWindow::gridMatchesLiteralDrawing()
{
    Pelvane window;
    loadBytes(window, 300000, 7);
    RipperState &s = window.stateForTesting();
    s.blXSize = 3;
    s.blYSize = 13;
    s.bits = 5;
    s.mode = RipperState::ModeCminus;
    s.skipmode = RipperState::SkipBitplanes;
    s.skip = 5;
    s.offset = 1234;
    window.refreshView();
    QImage literal(800, 600, QImage::Format_Indexed8);
    Grid::drawGridLiteral(window.state(), literal);
    QCOMPARE(window.state().numX * window.state().numY, 30 * 40);
    QVERIFY(std::equal(literal.constBits(), literal.constBits() + literal.sizeInBytes(),
        window.state().canvas.constBits()));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
