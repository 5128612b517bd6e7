// Snapshots reaching the window: loading, the recent-file list, the Open File dialog and drops.
#include "rows.h"
#include "testsnapshot.h"
#include "windowfixture.h"

#include <QAction>
#include <QMimeData>
#include <QSettings>
#include <QTest>

namespace {

QString writeSnapshot(const WorkDir &dir, const QString &name, char fill = 0)
{
    return dir.writeFile(
        name, TestSnapshot::standardSnapshot(QByteArray(512 * 1024, fill)).bytes());
}

QStringList storedRecentFiles()
{
    return QSettings("settings.ini", QSettings::IniFormat).value("recentFileList").toStringList();
}

QStringList recentMenu(const Pelvane &window)
{
    QStringList entries;
    for (QAction *action : window.recentActionsForTesting())
        if (action->isVisible())
            entries << action->text() + ' ' + action->data().toString();
    return entries;
}

} // namespace

class TestSnapshotLoading : public QObject
{
    Q_OBJECT

private slots:
    // The whole file in memory, the title, the offset's range, the controls on, the pictures
    // drawn; a second, smaller snapshot keeps the view and cuts the offset to its size.
    void loadShowsPicturesAndKeepsTheView()
    {
        WindowFixture f { QByteArray() };
        const QString path
            = writeSnapshot(f.dir, QStringLiteral("Spiel \u00e4\u00f6\u00fc \u65e5.uss"), 0x55);
        f.window.loadSnapshot(path);
        const RipperState &s = f.state();
        QVERIFY(s.fileLoaded && s.fileData.size() == std::size_t(s.filesize));
        QCOMPARE(qint64(s.filesize), QFileInfo(path).size());
        QCOMPARE(f.window.windowTitle(),
            QStringLiteral("Pelvane 0.6 - Spiel \u00e4\u00f6\u00fc \u65e5.uss"));
        QCOMPARE(f.ui().horizontalSlider->maximum(), s.filesize);
        QVERIFY(f.ui().groupBox_4->isEnabled() && f.ui().sliderXSize->isEnabled());
        // The far end of the chip RAM holds 0x55: alternating colours 0 and 1 in the last pictures.
        f.window.stateForTesting().offset = s.filesize - 40 * 200 * 4 - 100;
        f.window.refreshView();
        QCOMPARE(s.canvas.pixelIndex(322, 202), 0);
        QCOMPARE(s.canvas.pixelIndex(323, 202), 1);

        const QString small = f.dir.writeFile("small.uss", QByteArray(1000, 1));
        f.window.stateForTesting().blXSize = 17;
        f.window.loadSnapshot(small);
        QCOMPARE(f.state().offset, 1000);
        QCOMPARE(f.ui().labelOffset->text(), QStringLiteral("1000"));
        QCOMPARE(f.state().blXSize, 17);
        QCOMPARE(storedRecentFiles(), (QStringList { small, path }));
    }

    void unreadableFilesKeepThePreviousSnapshot_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty file") << "empty.uss";
        QTest::newRow("missing file") << "missing.uss";
        QTest::newRow("directory") << "folder.uss";
    }

    void unreadableFilesKeepThePreviousSnapshot()
    {
        QFETCH(QString, name);
        WindowFixture f;
        f.dir.writeFile("empty.uss", QByteArray());
        QDir(f.dir.path()).mkdir("folder.uss");
        const QImage before = f.shown();
        const std::vector<std::uint8_t> bytes = f.state().fileData;
        f.window.loadSnapshot(f.dir.filePath(name));
        QCOMPARE(f.boxes(), QStringList { "File error: Can't open file!" });
        QVERIFY(f.state().fileData == bytes && f.state().filesize == int(bytes.size()));
        QCOMPARE(f.state().currentFile, f.snapshotPath);
        QCOMPARE(f.window.windowTitle(), QStringLiteral("Pelvane 0.6 - test.uss"));
        QCOMPARE(storedRecentFiles(), QStringList { f.snapshotPath });
        QCOMPARE(f.shown(), before);
    }

    // At most eight, the latest first and each once; the same file by another spelling is
    // another entry. A window started later shows the stored list, eight at most; an entry opens
    // its file, one whose file has gone says so and stays.
    void recentList()
    {
        WindowFixture f { QByteArray() };
        QVERIFY(
            recentMenu(f.window).isEmpty() && !f.window.recentSeparatorForTesting()->isVisible());
        QStringList paths;
        for (int i = 0; i < 9; ++i)
            paths << f.dir.writeFile(QStringLiteral("f%1.uss").arg(i), QByteArray(64, char(i)));
        const QString other
            = f.dir.path() + "/../" + QFileInfo(f.dir.path()).fileName() + "/f4.uss";
        for (const QString &path : paths + QStringList { paths[4], other })
            f.window.loadSnapshot(path);
        QStringList stored { other, paths[4], paths[8], paths[7], paths[6], paths[5], paths[3],
            paths[2] };
        QCOMPARE(storedRecentFiles(), stored);
        QCOMPARE(recentMenu(f.window).mid(0, 2),
            (QStringList { "&1 f4.uss " + other, "&2 f4.uss " + paths[4] }));
        QCOMPARE(recentMenu(f.window).last(), "&8 f2.uss " + paths[2]);
        stored << "/nowhere/a.uss"
               << "/nowhere/b.uss";
        QSettings("settings.ini", QSettings::IniFormat).setValue("recentFileList", stored);
        QFile::remove(paths[8]);
        Pelvane later;
        QCOMPARE(recentMenu(later), recentMenu(f.window));
        QVERIFY(later.recentSeparatorForTesting()->isVisible());
        later.recentActionsForTesting()[2]->trigger();
        QCOMPARE(f.prompts.shownTexts(), QStringList { "Can't open file!" });
        QCOMPARE(storedRecentFiles(), stored);
        later.recentActionsForTesting()[3]->trigger();
        QCOMPARE(later.state().currentFile, paths[7]);
        QCOMPARE(
            storedRecentFiles(), QStringList { paths[7] } + stored.mid(0, 3) + stored.mid(4, 4));
    }

    // Ctrl+O asks in the default directory; a cancel changes nothing, a choice loads the file.
    void openDialog()
    {
        WindowFixture f { QByteArray() };
        const QString path = writeSnapshot(f.dir, "chosen.uss", 3);
        QSettings("settings.ini", QSettings::IniFormat).setValue("defaultussdir", "/some/dir");
        f.prompts.answers << QString() << path;
        f.window.show();
        QVERIFY(QTest::qWaitForWindowActive(&f.window));
        f.key(Qt::Key_O, Qt::ControlModifier);
        QVERIFY(f.state().currentFile.isEmpty() && storedRecentFiles().isEmpty());
        f.key(Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(f.state().currentFile, path);
        QCOMPARE(storedRecentFiles(), QStringList { path });
        QCOMPARE(f.prompts.asked.size(), 2);
        const ScriptedPrompts::Asked &asked = f.prompts.asked[1];
        QCOMPARE(QStringList({ asked.kind, asked.caption, asked.dir, asked.filter }),
            QStringList({ "open", "Open File", "/some/dir",
                "WinUAE uncompressed snapshot (*.uss);;All files (*.*)" }));
    }

    // urls: file names in the work directory, apart by spaces
    // loads: the file a drop loads; empty: none
    void dragAndDrop_data()
    {
        Rows::columns<QString, bool, bool, QString>("urls", "loaded", "accepted", "loads");
        QTest::newRow("state file before a snapshot") << "view.PLV" << false << false << "";
        QTest::newRow("state file after a snapshot") << "view.PLV" << true << true << "";
        QTest::newRow("any other file before") << "picture.png" << false << true << "";
        QTest::newRow("several, the first counts")
            << "first.uss view.PLV" << false << true << "first.uss";
        QTest::newRow("several snapshots") << "first.uss test.uss" << true << true << "first.uss";
        QTest::newRow("no URL at all") << "" << true << false << "";
        QTest::newRow("not a local file") << "https://example.org/a.uss" << true << false << "";
    }

    // Drag and drop straight to the window's handlers: outside a real drag, the application's
    // event filter for drops has no drag to attach them to.
    void dragAndDrop()
    {
        auto [urls, loaded, accepted, loads]
            = Rows::fetch<QString, bool, bool, QString>("urls", "loaded", "accepted", "loads");
        WindowFixture f(loaded ? WindowFixture::defaultSnapshot() : QByteArray());
        writeSnapshot(f.dir, "first.uss", 1);
        QMimeData mime;
        QList<QUrl> list;
        for (const QString &url : urls.split(' ', Qt::SkipEmptyParts))
            list << (url.contains(':') ? QUrl(url) : QUrl::fromLocalFile(f.dir.filePath(url)));
        mime.setUrls(list);
        if (list.isEmpty())
            mime.setData("text/uri-list", QByteArray());
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
        static_cast<QObject &>(f.window).event(&enter);
        QCOMPARE(enter.isAccepted(), accepted);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
        static_cast<QObject &>(f.window).event(&drop);
        QCOMPARE(f.state().currentFile, loads.isEmpty() ? f.snapshotPath : f.dir.filePath(loads));
    }
};

QTEST_MAIN(TestSnapshotLoading)
#include "tst_snapshotloading.moc"
