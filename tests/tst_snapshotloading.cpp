// Snapshots reaching the window: loading, the recent-file list, the Open File dialog and drops.
#include "pelvane.h"
#include "scriptedprompts.h"
#include "testsnapshot.h"
#include "workdir.h"

#include <QAction>
#include <QMimeData>
#include <QSettings>
#include <QTest>
#include <memory>

class TestSnapshotLoading : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void loadShowsPicturesAndEnablesControls();
    void loadKeepsViewAndClampsOffset();
    void unreadableFilesKeepThePreviousSnapshot_data();
    void unreadableFilesKeepThePreviousSnapshot();
    void unicodePathLoads();
    void recentListOrderAndTrimming();
    void recentListKeepsCaseAndSlashVariants();
    void recentMenuShowsAtMostEight();
    void recentEntryOpensItsPath();
    void recentEntryWhoseFileHasGone();
    void openDialogStartsInDefaultDirectory();
    void cancelledOpenDialogChangesNothing();
    void dragAcceptance_data();
    void dragAcceptance();
    void dropLoadsOnlyTheFirstFile();

private:
    QString writeSnapshot(const QString &name, int chipRamSize, char fill);
    std::unique_ptr<WorkDir> m_dir;
};

void TestSnapshotLoading::init()
{
    m_dir = std::make_unique<WorkDir>();
}

void TestSnapshotLoading::cleanup()
{
    m_dir.reset();
}

QString TestSnapshotLoading::writeSnapshot(const QString &name, int chipRamSize, char fill)
{
    const QByteArray chipRam(chipRamSize, fill);
    return m_dir->writeFile(name, TestSnapshot::standardSnapshot(chipRam).bytes());
}

static QStringList storedRecentFiles()
{
    return QSettings("settings.ini", QSettings::IniFormat).value("recentFileList").toStringList();
}

void TestSnapshotLoading::loadShowsPicturesAndEnablesControls()
{
    const QString path = writeSnapshot("game.uss", 512 * 1024, '\x55');
    Pelvane window;
    window.loadSnapshot(path);
    const RipperState &s = window.state();
    QVERIFY(s.fileLoaded);
    QCOMPARE(qint64(s.filesize), QFileInfo(path).size());
    QCOMPARE(s.fileData.size(), std::size_t(s.filesize));
    QCOMPARE(window.windowTitle(), QStringLiteral("Pelvane 0.6 - game.uss"));
    QCOMPARE(window.form().horizontalSlider->maximum(), s.filesize);
    QVERIFY(window.form().groupBox_4->isEnabled());
    QVERIFY(window.form().sliderXSize->isEnabled());
    QVERIFY(!window.form().labelPicture->pixmap().isNull());
    QCOMPARE(storedRecentFiles(), QStringList { path });
    // The far end of the chip RAM holds 0x55: alternating colours 0 and 1 in the last pictures.
    window.stateForTesting().offset = s.filesize - 40 * 200 * 4 - 100;
    window.refreshView();
    QCOMPARE(s.canvas.pixelIndex(322, 202), 0);
    QCOMPARE(s.canvas.pixelIndex(323, 202), 1);
}

void TestSnapshotLoading::loadKeepsViewAndClampsOffset()
{
    const QString big = writeSnapshot("big.uss", 1024 * 1024, 0);
    const QString small = writeSnapshot("small.uss", 512 * 1024, 0);
    Pelvane window;
    window.loadSnapshot(big);
    window.stateForTesting().blXSize = 17;
    window.stateForTesting().offset = 900000;
    window.refreshView();
    window.loadSnapshot(small);
    const int smallSize = int(QFileInfo(small).size());
    QCOMPARE(window.state().offset, smallSize);
    QCOMPARE(window.form().labelOffset->text(), QString::number(smallSize));
    QCOMPARE(window.state().blXSize, 17);
    QCOMPARE(storedRecentFiles(), (QStringList { small, big }));
}

void TestSnapshotLoading::unreadableFilesKeepThePreviousSnapshot_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("empty file") << "empty.uss";
    QTest::newRow("missing file") << "missing.uss";
    QTest::newRow("directory") << "folder.uss";
}

void TestSnapshotLoading::unreadableFilesKeepThePreviousSnapshot()
{
    QFETCH(QString, name);
    m_dir->writeFile("empty.uss", QByteArray());
    QDir(m_dir->path()).mkdir("folder.uss");
    const QString good = writeSnapshot("good.uss", 512 * 1024, '\x0F');
    ScriptedPrompts prompts;
    Pelvane window;
    window.loadSnapshot(good);
    const QImage before = window.state().canvas.copy();
    const std::vector<std::uint8_t> bytes = window.state().fileData;

    window.loadSnapshot(m_dir->filePath(name));
    QCOMPARE(prompts.shown.size(), 1);
    QCOMPARE(prompts.shown[0].title, QStringLiteral("File error"));
    QCOMPARE(prompts.shown[0].text, QStringLiteral("Can't open file!"));
    QVERIFY(window.state().fileData == bytes);
    QCOMPARE(qint64(window.state().filesize), QFileInfo(good).size());
    QCOMPARE(window.state().currentFile, good);
    QCOMPARE(window.windowTitle(), QStringLiteral("Pelvane 0.6 - good.uss"));
    QCOMPARE(storedRecentFiles(), QStringList { good });
    QVERIFY(window.state().canvas == before);
}

void TestSnapshotLoading::unicodePathLoads()
{
    const QString path
        = writeSnapshot(QStringLiteral("Spiel \u00e4\u00f6\u00fc \u65e5.uss"), 512 * 1024, 1);
    Pelvane window;
    window.loadSnapshot(path);
    QVERIFY(window.state().fileLoaded);
    QCOMPARE(
        window.windowTitle(), QStringLiteral("Pelvane 0.6 - Spiel \u00e4\u00f6\u00fc \u65e5.uss"));
}

void TestSnapshotLoading::recentListOrderAndTrimming()
{
    QStringList paths;
    for (int i = 0; i < 9; ++i)
        paths << m_dir->writeFile(QStringLiteral("f%1.uss").arg(i), QByteArray(64, char(i)));
    Pelvane window;
    for (const QString &path : paths)
        window.loadSnapshot(path);
    QStringList expected;
    for (int i = 8; i >= 1; --i)
        expected << paths[i];
    QCOMPARE(storedRecentFiles(), expected);

    window.loadSnapshot(paths[4]); // again: once, at the front
    expected.removeAll(paths[4]);
    expected.prepend(paths[4]);
    QCOMPARE(storedRecentFiles(), expected);
    const auto actions = window.recentActionsForTesting();
    QCOMPARE(actions[0]->text(), QStringLiteral("&1 f4.uss"));
    QCOMPARE(actions[0]->data().toString(), paths[4]);
    QCOMPARE(actions[7]->text(), QStringLiteral("&8 f1.uss"));
}

void TestSnapshotLoading::recentListKeepsCaseAndSlashVariants()
{
    const QString path = m_dir->writeFile("Game.uss", QByteArray(64, 1));
    const QString upper
        = m_dir->path() + "/../" + QFileInfo(m_dir->path()).fileName() + "/Game.uss";
    Pelvane window;
    window.loadSnapshot(path);
    window.loadSnapshot(upper);
    QCOMPARE(storedRecentFiles(), (QStringList { upper, path }));
    QCOMPARE(window.recentActionsForTesting()[0]->text(), QStringLiteral("&1 Game.uss"));
    QCOMPARE(window.recentActionsForTesting()[1]->text(), QStringLiteral("&2 Game.uss"));
}

void TestSnapshotLoading::recentMenuShowsAtMostEight()
{
    {
        Pelvane empty;
        for (QAction *action : empty.recentActionsForTesting())
            QVERIFY(!action->isVisible());
        QVERIFY(!empty.recentSeparatorForTesting()->isVisible());
    }
    QStringList stored;
    for (int i = 0; i < 10; ++i)
        stored << QStringLiteral("/nowhere/%1.uss").arg(i);
    QSettings("settings.ini", QSettings::IniFormat).setValue("recentFileList", stored);
    Pelvane window;
    const auto actions = window.recentActionsForTesting();
    for (int i = 0; i < 8; ++i) {
        QVERIFY(actions[i]->isVisible());
        QCOMPARE(actions[i]->data().toString(), stored[i]);
    }
    QVERIFY(window.recentSeparatorForTesting()->isVisible());
    const QString path = m_dir->writeFile("new.uss", QByteArray(64, 1));
    window.loadSnapshot(path);
    QCOMPARE(storedRecentFiles().size(), 8);
    QCOMPARE(storedRecentFiles().first(), path);
}

void TestSnapshotLoading::recentEntryOpensItsPath()
{
    const QString first = writeSnapshot("a.uss", 512 * 1024, 1);
    const QString second = writeSnapshot("b.uss", 512 * 1024, 2);
    QSettings("settings.ini", QSettings::IniFormat)
        .setValue("recentFileList", QStringList { first, second });
    Pelvane window;
    QVERIFY(!window.state().fileLoaded);
    window.recentActionsForTesting()[1]->trigger();
    QCOMPARE(window.state().currentFile, second);
    QCOMPARE(storedRecentFiles(), (QStringList { second, first }));
}

void TestSnapshotLoading::recentEntryWhoseFileHasGone()
{
    QSettings("settings.ini", QSettings::IniFormat)
        .setValue("recentFileList", QStringList { m_dir->filePath("gone.uss") });
    ScriptedPrompts prompts;
    Pelvane window;
    window.recentActionsForTesting()[0]->trigger();
    QCOMPARE(prompts.shownTexts(), QStringList { "Can't open file!" });
    QCOMPARE(storedRecentFiles(), QStringList { m_dir->filePath("gone.uss") });
}

void TestSnapshotLoading::openDialogStartsInDefaultDirectory()
{
    const QString path = writeSnapshot("chosen.uss", 512 * 1024, 3);
    QSettings("settings.ini", QSettings::IniFormat).setValue("defaultussdir", "/some/dir");
    ScriptedPrompts prompts;
    prompts.answers << path;
    Pelvane window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(prompts.asked.size(), 1);
    QCOMPARE(prompts.asked[0].kind, QStringLiteral("open"));
    QCOMPARE(prompts.asked[0].caption, QStringLiteral("Open File"));
    QCOMPARE(prompts.asked[0].dir, QStringLiteral("/some/dir"));
    QCOMPARE(prompts.asked[0].filter,
        QStringLiteral("WinUAE uncompressed snapshot (*.uss);;All files (*.*)"));
    QCOMPARE(window.state().currentFile, path);
}

void TestSnapshotLoading::cancelledOpenDialogChangesNothing()
{
    ScriptedPrompts prompts;
    Pelvane window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(prompts.asked.size(), 1);
    QVERIFY(!window.state().fileLoaded);
    QVERIFY(!QFile::exists("settings.ini"));
}

// Straight to the window's handlers: outside a real drag, the application's event filter for
// drops has no drag to attach them to.
static void deliver(Pelvane &window, QEvent *event)
{
    static_cast<QObject &>(window).event(event);
}

static bool dragAccepted(Pelvane &window, QMimeData *mime)
{
    QDragEnterEvent event(QPoint(10, 10), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    deliver(window, &event);
    return event.isAccepted();
}

void TestSnapshotLoading::dragAcceptance_data()
{
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<bool>("accepted");
    const QUrl state = QUrl::fromLocalFile("/tmp/view.PLV");
    const QUrl other = QUrl::fromLocalFile("/tmp/picture.png");
    QTest::newRow("state file before a snapshot") << QList<QUrl> { state } << false << false;
    QTest::newRow("state file after a snapshot") << QList<QUrl> { state } << true << true;
    QTest::newRow("any other file before") << QList<QUrl> { other } << false << true;
    QTest::newRow("several, the first counts") << QList<QUrl> { other, state } << false << true;
    QTest::newRow("no URL at all") << QList<QUrl> {} << true << false;
    QTest::newRow("not a local file")
        << QList<QUrl> { QUrl("https://example.org/a.uss") } << true << false;
}

void TestSnapshotLoading::dragAcceptance()
{
    QFETCH(QList<QUrl>, urls);
    QFETCH(bool, loaded);
    QFETCH(bool, accepted);
    Pelvane window;
    if (loaded)
        window.loadSnapshot(writeSnapshot("loaded.uss", 512 * 1024, 0));
    QMimeData mime;
    mime.setUrls(urls);
    if (urls.isEmpty())
        mime.setData("text/uri-list", QByteArray());
    QCOMPARE(dragAccepted(window, &mime), accepted);
}

void TestSnapshotLoading::dropLoadsOnlyTheFirstFile()
{
    const QString first = writeSnapshot("first.uss", 512 * 1024, 1);
    const QString second = writeSnapshot("second.uss", 512 * 1024, 2);
    Pelvane window;
    QMimeData mime;
    mime.setUrls({ QUrl::fromLocalFile(first), QUrl::fromLocalFile(second) });
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    deliver(window, &drop);
    QCOMPARE(window.state().currentFile, first);
    QCOMPARE(storedRecentFiles(), QStringList { first });
}

QTEST_MAIN(TestSnapshotLoading)
#include "tst_snapshotloading.moc"
