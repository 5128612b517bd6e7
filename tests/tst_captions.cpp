// Every caption of the four forms shows whole in DejaVu Sans at 9 and 10 points, the Debian
// desktop's defaults: labels (value boxes at their widest values), radio buttons, check boxes,
// push buttons and group-box titles.
#include "aboutwindow.h"
#include "demosnapshot.h"
#include "preferencesdlg.h"
#include "savepicture.h"
#include "testsnapshot.h"
#include "windowfixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontInfo>
#include <QGroupBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTest>

namespace {

// "name "caption" needs N, has M; " for a widget whose caption is clipped, else empty. Radio
// buttons, check boxes and plain labels reckon their text with their indicator themselves.
QString clipped(const QWidget *w)
{
    const QStyle *s = w->style();
    const auto *label = qobject_cast<const QLabel *>(w);
    const bool box = qobject_cast<const QGroupBox *>(w);
    const QString caption = w->property(box ? "title" : "text").toString();
    int needs = w->fontMetrics().size(Qt::TextShowMnemonic, caption).width();
    if (box)
        needs += 2 * 8; // the styles' room before and after the title
    else if (qobject_cast<const QPushButton *>(w))
        needs += 2 * (s->pixelMetric(s->PM_ButtonMargin) + s->pixelMetric(s->PM_DefaultFrameWidth));
    else if (label && label->frameWidth() > 0) // a value box indents its text by half an "x"
        needs += 2 * label->frameWidth() + w->fontMetrics().horizontalAdvance('x') / 2;
    else if ((label && label->pixmap().isNull()) || qobject_cast<const QAbstractButton *>(w))
        needs = w->sizeHint().width();
    else
        return QString();
    if (caption.isEmpty() || needs <= w->width())
        return QString();
    return QStringLiteral("%1 \"%2\" needs %3, has %4; ")
        .arg(w->objectName(), caption, QString::number(needs), QString::number(w->width()));
}

} // namespace

class TestCaptions : public QObject
{
    Q_OBJECT

private slots:
    void captionsFit_data()
    {
        QTest::addColumn<int>("form");
        QTest::addColumn<int>("points");
        const char *forms[] = { "main window", "preferences", "about", "save picture" };
        for (int form = 0; form < 8; ++form)
            QTest::addRow("%s, %d pt", forms[form / 2], 9 + form % 2) << form / 2 << 9 + form % 2;
    }

    void captionsFit()
    {
        QFETCH(int, form);
        QFETCH(int, points);
        const QFont font(QStringLiteral("DejaVu Sans"), points);
        QVERIFY2(QFontInfo(font).family() == QStringLiteral("DejaVu Sans"),
            "the font DejaVu Sans is missing (Debian package fonts-dejavu-core)");
        QApplication::setFont(font);
        // 10 MB: offsets and palette positions of eight digits.
        WindowFixture f(TestSnapshot::standardSnapshot(QByteArray(10'000'000, '\0')).bytes());
        preferencesDlg preferences;
        aboutWindow about;
        savePicture save(&f.window);
        QWidget *shown = std::array<QWidget *, 4> { &f.window, &preferences, &about, &save }[form];
        shown->show();
        f.window.stateForTesting().palfound = f.state().filesize;
        QString found;
        for (const View &view : { View().size(1, 1),
                 View().at(f.state().filesize).size(4000, 600).planes(8).skipping(2048, 0) }) {
            f.show(view);
            for (const QWidget *w : shown->findChildren<QWidget *>())
                found += w->window() == shown ? clipped(w) : QString();
        }
        QVERIFY2(found.isEmpty(), qPrintable(found));
    }

    void statusBarFits_data()
    {
        QTest::addColumn<int>("points");
        QTest::newRow("9 pt") << 9;
        QTest::newRow("10 pt") << 10;
    }

    // With a screen applied and the pointer over a picture, every line of the status bar shows
    // whole, and the bar does not widen the window.
    void statusBarFits()
    {
        QFETCH(int, points);
        QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), points));
        WindowFixture f(DemoSnapshot::build().bytes);
        const int formWidth = f.window.width();
        QVERIFY(f.showActive());
        f.key(Qt::Key_V);
        QMouseEvent move(
            QEvent::MouseMove, QPointF(100, 100), QPointF(), Qt::NoButton, Qt::NoButton, {});
        QApplication::sendEvent(f.ui().labelPicture, &move);
        QString found;
        int lines = 0;
        for (const QLabel *line : f.window.statusBar()->findChildren<QLabel *>()) {
            lines += !line->text().isEmpty();
            const bool fits = line->wordWrap()
                ? line->heightForWidth(line->width()) <= line->height()
                : clipped(line).isEmpty();
            found += fits ? QString() : line->objectName() + " \"" + line->text() + "\"; ";
        }
        QCOMPARE(lines, 3);
        QVERIFY2(found.isEmpty(), qPrintable(found));
        QCOMPARE(f.window.width(), formWidth);
    }
};

QTEST_MAIN(TestCaptions)
#include "tst_captions.moc"
