#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString AppId = QStringLiteral("org.example.Pelvane");

QString buildDir()
{
    return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral(".."));
}

// A value from the build's CMake cache: the tree it was configured from, its build type, the
// cmake that made it.
QString cacheValue(const QByteArray &key)
{
    QFile cache(buildDir() + QStringLiteral("/CMakeCache.txt"));
    if (!cache.open(QIODevice::ReadOnly))
        return QString();
    while (!cache.atEnd()) {
        const QByteArray line = cache.readLine().trimmed();
        const qsizetype colon = line.indexOf(':');
        const qsizetype equals = line.indexOf('=');
        if (colon > 0 && equals > colon && line.left(colon) == key)
            return QString::fromUtf8(line.mid(equals + 1));
    }
    return QString();
}

struct Run
{
    int exitCode = -1;
    QString output; // standard output and error together
};

Run run(const QString &program, const QStringList &args, int timeoutMs = 120000)
{
    QProcess process;
    // A make above this test (make test) must not hand its job server to the one started here.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "MAKEFLAGS", "MFLAGS", "MAKELEVEL" })
        env.remove(QString::fromLatin1(name));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    Run result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.output = QStringLiteral("timed out: ") + QString::fromUtf8(process.readAll());
        return result;
    }
    if (process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    result.output = QString::fromUtf8(process.readAll());
    return result;
}

const QStringList InstalledFiles { QStringLiteral("bin/pelvane"),
    QStringLiteral("bin/pelvane-export"),
    QStringLiteral("share/applications/org.example.Pelvane.desktop"),
    QStringLiteral("share/icons/hicolor/32x32/apps/org.example.Pelvane.png"),
    QStringLiteral("share/metainfo/org.example.Pelvane.metainfo.xml") };

QString missingFiles(const QString &prefix)
{
    QStringList missing;
    for (const QString &file : InstalledFiles) {
        if (!QFileInfo(prefix + QLatin1Char('/') + file).isFile())
            missing << file;
    }
    return missing.join(QStringLiteral(", "));
}

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_prefix;

    QString installed(const QString &file) const { return m_prefix + QLatin1Char('/') + file; }

private slots:
    void initTestCase();
    void installsEveryFile();
    void programsRunFromThePrefix();
    void desktopEntryNamesItsParts();
    void desktopEntryValidates();
    void metainfoValidates();
    void makeInstallHonoursPrefixAndDestdir();
};

void TestInstall::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_prefix = m_dir.filePath(QStringLiteral("prefix"));
    const QString cmake = cacheValue("CMAKE_COMMAND");
    QVERIFY2(!cmake.isEmpty(), "the build's CMakeCache.txt names no cmake");
    const Run install = run(
        cmake, { QStringLiteral("--install"), buildDir(), QStringLiteral("--prefix"), m_prefix });
    QVERIFY2(install.exitCode == 0, qPrintable(install.output));
}

void TestInstall::installsEveryFile()
{
    QCOMPARE(missingFiles(m_prefix), QString());
    for (const char *program : { "bin/pelvane", "bin/pelvane-export" })
        QVERIFY(QFileInfo(installed(QString::fromLatin1(program))).isExecutable());
    const QImage icon(installed(
        QStringLiteral("share/icons/hicolor/32x32/apps/") + AppId + QStringLiteral(".png")));
    QCOMPARE(icon.size(), QSize(32, 32));
}

void TestInstall::programsRunFromThePrefix()
{
    const Run version
        = run(installed(QStringLiteral("bin/pelvane-export")), { QStringLiteral("--version") });
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.output, QStringLiteral("pelvane-export 0.6\n"));
}

void TestInstall::desktopEntryNamesItsParts()
{
    QSettings entry(
        installed(QStringLiteral("share/applications/") + AppId + QStringLiteral(".desktop")),
        QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    QCOMPARE(entry.value(QStringLiteral("Exec")).toString(), QStringLiteral("pelvane"));
    QCOMPARE(entry.value(QStringLiteral("Icon")).toString(), AppId);
    QCOMPARE(entry.value(QStringLiteral("Name")).toString(), QStringLiteral("Pelvane"));

    QFile metainfo(
        installed(QStringLiteral("share/metainfo/") + AppId + QStringLiteral(".metainfo.xml")));
    QVERIFY(metainfo.open(QIODevice::ReadOnly));
    const QByteArray xml = metainfo.readAll();
    QVERIFY(xml.contains("<id>" + AppId.toUtf8() + "</id>"));
    QVERIFY(xml.contains(
        "<launchable type=\"desktop-id\">" + AppId.toUtf8() + ".desktop</launchable>"));
}

void TestInstall::desktopEntryValidates()
{
    const QString validator
        = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty())
        QSKIP("desktop-file-validate is not installed (Debian package desktop-file-utils)");
    const Run check = run(validator,
        { installed(QStringLiteral("share/applications/") + AppId + QStringLiteral(".desktop")) });
    QVERIFY2(check.exitCode == 0, qPrintable(check.output));
    QVERIFY2(!check.output.contains(QStringLiteral("error"), Qt::CaseInsensitive),
        qPrintable(check.output));
}

void TestInstall::metainfoValidates()
{
    const QString validator = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
    if (validator.isEmpty())
        QSKIP("appstreamcli is not installed (Debian package appstream)");
    const Run check = run(validator,
        { QStringLiteral("validate"), QStringLiteral("--no-net"),
            installed(
                QStringLiteral("share/metainfo/") + AppId + QStringLiteral(".metainfo.xml")) });
    QVERIFY2(check.exitCode == 0, qPrintable(check.output));
}

// The top-level Makefile's target, on this build: builds (nothing is out of date after the
// build that made this test), then installs under DESTDIR + PREFIX.
void TestInstall::makeInstallHonoursPrefixAndDestdir()
{
    const QString make = QStandardPaths::findExecutable(QStringLiteral("make"));
    const QString source = cacheValue("CMAKE_HOME_DIRECTORY");
    if (make.isEmpty())
        QSKIP("make is not installed");
    QVERIFY(QFile::exists(source + QStringLiteral("/Makefile")));
    const QString destdir = m_dir.filePath(QStringLiteral("stage"));
    const Run install = run(make,
        { QStringLiteral("-C"), source, QStringLiteral("install"),
            QStringLiteral("BUILD_DIR=") + buildDir(),
            QStringLiteral("BUILD_TYPE=") + cacheValue("CMAKE_BUILD_TYPE"),
            QStringLiteral("PREFIX=/opt/pelvane"), QStringLiteral("DESTDIR=") + destdir,
            QStringLiteral("JOBS=2") },
        280000);
    QVERIFY2(install.exitCode == 0, qPrintable(install.output));
    QCOMPARE(missingFiles(destdir + QStringLiteral("/opt/pelvane")), QString());
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
