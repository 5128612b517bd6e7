// The menu bar: entries, shortcuts, status tips, enabling, recent-file entries and the dialogs.
#include "pelvane.h"
#include "workdir.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <memory>

class TestMenus : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void menuBarLayout();
    void fileMenuEntries_data();
    void fileMenuEntries();
    void statusTipShownInStatusBar();
    void fileActionsEnabledByFirstLoad();
    void recentEntriesAppearWithSeparator();
    void dialogsOpenFromShortcuts_data();
    void dialogsOpenFromShortcuts();
    void quitStoresPosition();

private:
    std::unique_ptr<WorkDir> m_dir;
};

void TestMenus::init()
{
    m_dir = std::make_unique<WorkDir>();
}

void TestMenus::cleanup()
{
    m_dir.reset();
}

static QList<QAction *> visibleEntries(QMenu *menu)
{
    QList<QAction *> entries;
    for (QAction *action : menu->actions()) {
        if (action->isVisible())
            entries << action;
    }
    return entries;
}

static QAction *actionNamed(Pelvane &window, const QString &text)
{
    for (QAction *action : window.findChildren<QAction *>()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

void TestMenus::menuBarLayout()
{
    Pelvane window;
    const QList<QAction *> menus = window.menuBar()->actions();
    QCOMPARE(menus.size(), 4);
    QCOMPARE(menus[0]->text(), QStringLiteral("&File"));
    QCOMPARE(menus[1]->text(), QStringLiteral("&Edit"));
    QCOMPARE(menus[3]->text(), QStringLiteral("&Help"));
    QCOMPARE(menus[1]->menu()->actions().size(), 1);
    QCOMPARE(menus[1]->menu()->actions()[0]->text(), QStringLiteral("&Preferences"));
    QCOMPARE(menus[3]->menu()->actions()[0]->text(), QStringLiteral("&About"));

    QStringList file; // with an empty recent-file list
    for (QAction *action : visibleEntries(window.fileMenuForTesting()))
        file << (action->isSeparator() ? QStringLiteral("--") : action->text());
    QCOMPARE(file,
        (QStringList {
            "&Open", "&Open Ripper State", "&Save Ripper State", "&Save images", "--", "&Quit" }));
}

void TestMenus::fileMenuEntries_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QKeySequence>("shortcut");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("open") << "&Open" << QKeySequence("Ctrl+O") << "Open a file" << true;
    QTest::newRow("open state") << "&Open Ripper State" << QKeySequence("Ctrl+Shift+O")
                                << "Open a ripper state" << false;
    QTest::newRow("save state") << "&Save Ripper State" << QKeySequence("Ctrl+Shift+S")
                                << "Save current ripper state" << false;
    QTest::newRow("save images") << "&Save images" << QKeySequence(Qt::CTRL | Qt::Key_S)
                                 << "Save images" << false;
    QTest::newRow("quit") << "&Quit" << QKeySequence("Ctrl+Q") << "Quit program" << true;
    QTest::newRow("preferences") << "&Preferences" << QKeySequence("Ctrl+P") << "Edit preferences"
                                 << true;
    QTest::newRow("about") << "&About" << QKeySequence("Ctrl+A") << "About this program" << true;
}

void TestMenus::fileMenuEntries()
{
    QFETCH(QString, text);
    QFETCH(QKeySequence, shortcut);
    QFETCH(QString, tip);
    QFETCH(bool, enabled);
    Pelvane window;
    QAction *action = actionNamed(window, text);
    QVERIFY(action);
    QCOMPARE(action->shortcut(), shortcut);
    QCOMPARE(action->statusTip(), tip);
    QCOMPARE(action->isEnabled(), enabled);
}

void TestMenus::statusTipShownInStatusBar()
{
    Pelvane window;
    actionNamed(window, "&Open")->showStatusText(&window);
    QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("Open a file"));
}

void TestMenus::fileActionsEnabledByFirstLoad()
{
    Pelvane window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier); // disabled: nothing opens
    QVERIFY(!QApplication::activeModalWidget());
    window.loadSnapshot(m_dir->writeFile("a.uss", QByteArray(100, 1)));
    for (const char *text : { "&Open Ripper State", "&Save Ripper State", "&Save images" })
        QVERIFY2(actionNamed(window, text)->isEnabled(), text);
}

void TestMenus::recentEntriesAppearWithSeparator()
{
    Pelvane window;
    QAction *separator = window.recentSeparatorForTesting();
    QVERIFY(!separator->isVisible());
    QStringList paths;
    for (int i = 0; i < 3; ++i) {
        paths << m_dir->writeFile(QStringLiteral("s%1.uss").arg(i), QByteArray(100, char(i)));
        window.loadSnapshot(paths.last());
    }
    QVERIFY(separator->isVisible());
    const QList<QAction *> entries = visibleEntries(window.fileMenuForTesting());
    QCOMPARE(entries.size(), 4 + 1 + 3 + 1 + 1);
    QCOMPARE(entries[4], separator);
    QCOMPARE(entries[5]->text(), QStringLiteral("&1 s2.uss"));
    QCOMPARE(entries[7]->text(), QStringLiteral("&3 s0.uss"));
    QVERIFY(entries[8]->isSeparator());
    QCOMPARE(entries[9]->text(), QStringLiteral("&Quit"));
}

void TestMenus::dialogsOpenFromShortcuts_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("title");
    QTest::newRow("about") << int(Qt::Key_A) << "About Pelvane";
    QTest::newRow("preferences") << int(Qt::Key_P) << "Preferences";
}

void TestMenus::dialogsOpenFromShortcuts()
{
    QFETCH(int, key);
    QFETCH(QString, title);
    Pelvane window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QString seen;
    QTimer::singleShot(0, [&] {
        if (QWidget *dialog = QApplication::activeModalWidget()) {
            seen = dialog->windowTitle();
            dialog->close();
        }
    });
    QTest::keyClick(&window, Qt::Key(key), Qt::ControlModifier);
    QCOMPARE(seen, title);
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(!QFile::exists("settings.ini")); // closing the preferences without Ok writes nothing
}

void TestMenus::quitStoresPosition()
{
    Pelvane window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.move(60, 70);
    const QPoint where = window.geometry().topLeft();
    QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!window.isVisible());
    QSettings settings("settings.ini", QSettings::IniFormat);
    QCOMPARE(settings.value("windowx").toInt(), where.x());
    QCOMPARE(settings.value("windowy").toInt(), where.y());
}

QTEST_MAIN(TestMenus)
#include "tst_menus.moc"
