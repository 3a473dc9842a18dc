// What an install puts where: `cmake --install` into a temporary prefix, the desktop entry, the
// help text found beside the installed program, and the Debian packages CPack builds.
#include "files/datafiles.h"
#include "workfolder.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

using kess::test::WorkFolder;

namespace {

struct Result {
    int exitCode = -1;
    QString out;
};

// Runs a tool to its end (at most `seconds`); standard error goes with the output.
Result run(const QString &program, const QStringList &arguments, int seconds = 120)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    if (!p.waitForFinished(seconds * 1000)) {
        p.kill();
        p.waitForFinished(5000);
        return {-1, QStringLiteral("did not finish: ") + QString::fromLocal8Bit(p.readAll())};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAll())};
}

const QStringList kProgramFiles{"bin/kessamir", "share/applications/kessamir.desktop",
                                "share/icons/hicolor/scalable/apps/kessamir.svg", "share/man/man1/kessamir.1.gz",
                                "share/metainfo/org.kessamir.kessamir.metainfo.xml", "share/doc/kessamir/copyright"};
const QStringList kStandinFiles{"lib/kessamir/standins/dorliq.exe", "lib/kessamir/standins/vantro.exe",
                                "lib/kessamir/standins/pelthor.exe", "lib/kessamir/standins/mirrix.exe",
                                "lib/kessamir/standins/i_view32.exe", "lib/kessamir/demofolder"};

bool helpTextShipped() { return QFile::exists(QStringLiteral(KESS_SOURCE_DIR "/data/kessphelp.txt")); }

} // namespace

class TestInstall : public QObject {
    Q_OBJECT
private slots:
    void anInstallHoldsTheProgramItsDesktopEntryAndTheStandins()
    {
        QTemporaryDir prefix;
        const Result install = run(KESS_CMAKE, {"--install", KESS_BUILD_DIR, "--prefix", prefix.path()});
        QVERIFY2(install.exitCode == 0, qPrintable(install.out));
        for (const QString &file : kProgramFiles + kStandinFiles)
            QVERIFY2(QFile::exists(prefix.filePath(file)), qPrintable(file));
        QVERIFY(QFileInfo(prefix.filePath("bin/kessamir")).isExecutable());
        QVERIFY(QFileInfo(prefix.filePath("lib/kessamir/standins/vantro.exe")).isExecutable());
        if (helpTextShipped())
            QCOMPARE(WorkFolder::bytes(prefix.filePath("share/kessamir/kessphelp.txt")),
                     WorkFolder::bytes(KESS_SOURCE_DIR "/data/kessphelp.txt"));

        // The installed program runs and states its version.
        const Result version = run(prefix.filePath("bin/kessamir"), {"--version"}, 20);
        QCOMPARE(version.out, QStringLiteral("kessamir " KESS_VERSION "\n"));

        // The desktop entry starts the program on the folder used last, with the icon installed.
        const QString entry = QString::fromUtf8(WorkFolder::bytes(prefix.filePath("share/applications/kessamir.desktop")));
        QVERIFY(entry.contains("\nExec=kessamir --last-folder\n"));
        QVERIFY(entry.contains("\nIcon=kessamir\n"));
        const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
        if (validator.isEmpty()) {
            qWarning("desktop-file-validate is missing (scripts/bootstrap installs it); the entry is not validated");
        } else {
            const Result valid = run(validator, {prefix.filePath("share/applications/kessamir.desktop")}, 20);
            QVERIFY2(valid.exitCode == 0 && valid.out.trimmed().isEmpty(), qPrintable(valid.out));
        }

        // The icon is a well-formed SVG document.
        QXmlStreamReader svg(WorkFolder::bytes(prefix.filePath("share/icons/hicolor/scalable/apps/kessamir.svg")));
        QVERIFY(svg.readNextStartElement());
        QCOMPARE(svg.name(), QStringLiteral("svg"));
        while (!svg.atEnd())
            svg.readNext();
        QVERIFY2(!svg.hasError(), qPrintable(svg.errorString()));

        // The program's component alone leaves the stand-ins out.
        QTemporaryDir programOnly;
        const Result component = run(KESS_CMAKE, {"--install", KESS_BUILD_DIR, "--prefix", programOnly.path(),
                                                  "--component", "kessamir"});
        QVERIFY2(component.exitCode == 0, qPrintable(component.out));
        QVERIFY(QFile::exists(programOnly.filePath("bin/kessamir")));
        QVERIFY(!QFile::exists(programOnly.filePath("lib/kessamir")));
    }

    void theHelpTextIsFoundInTheWorkingFolderFirstThenBesideTheProgram()
    {
        WorkFolder f;
        QTemporaryDir prefix;
        QVERIFY(QDir(prefix.path()).mkpath("bin") && QDir(prefix.path()).mkpath("share/kessamir"));
        const QString programFolder = prefix.filePath("bin");
        QCOMPARE(kess::helpTextPath(programFolder), QStringLiteral("kessphelp.txt")); // neither: the bare name

        const QString installed = QDir::cleanPath(prefix.filePath("share/kessamir/kessphelp.txt"));
        f.write(installed, QStringList{"installed help"});
        QCOMPARE(kess::helpTextPath(programFolder), installed);

        f.write("kessphelp.txt", QStringList{"the folder's own help"});
        QCOMPARE(kess::helpTextPath(programFolder), QStringLiteral("kessphelp.txt"));
    }

    void cpackBuildsDebianPackagesWithComputedDependencies()
    {
        for (const char *tool : {"dpkg-shlibdeps", "dpkg-deb", "file"})
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                QSKIP("the Debian packaging tools are missing (scripts/bootstrap installs them)");
        QTemporaryDir out;
        const Result cpack = run(KESS_CPACK, {"-G", "DEB", "--config", KESS_BUILD_DIR "/CPackConfig.cmake", "-B",
                                              out.path()}, 300);
        QVERIFY2(cpack.exitCode == 0, qPrintable(cpack.out));
        const QStringList debs = QDir(out.path()).entryList({"*.deb"}, QDir::Files, QDir::Name);
        QCOMPARE(debs.size(), 2);
        QVERIFY2(debs[0].startsWith("kessamir-standins_" KESS_VERSION "_"), qPrintable(debs[0]));
        QVERIFY2(debs[1].startsWith("kessamir_" KESS_VERSION "_"), qPrintable(debs[1]));

        const QString program = out.filePath(debs[1]);
        const Result depends = run("dpkg-deb", {"-f", program, "Depends"}, 20);
        QVERIFY2(depends.out.contains("libqt6widgets6") && depends.out.contains("libc6"), qPrintable(depends.out));
        QVERIFY2(depends.out.contains("qt6-qpa-plugins"), qPrintable(depends.out)); // the window needs them
        QCOMPARE(run("dpkg-deb", {"-f", program, "Suggests"}, 20).out.trimmed(), QStringLiteral("kessamir-standins"));
        const Result contents = run("dpkg-deb", {"-c", program}, 20);
        for (const QString &file : kProgramFiles)
            QVERIFY2(contents.out.contains("./usr/" + file), qPrintable(file + "\n" + contents.out));
        QVERIFY(!contents.out.contains("standins"));
        if (helpTextShipped())
            QVERIFY(contents.out.contains("./usr/share/kessamir/kessphelp.txt"));

        const QString standins = out.filePath(debs[0]);
        const Result standinContents = run("dpkg-deb", {"-c", standins}, 20);
        for (const QString &file : kStandinFiles)
            QVERIFY2(standinContents.out.contains("./usr/" + file), qPrintable(file));
        QVERIFY(run("dpkg-deb", {"-f", standins, "Depends"}, 20).out.contains("libqt6core6"));

        // What a Debian reviewer runs: no error and no warning on either package.
        if (QStandardPaths::findExecutable("lintian").isEmpty())
            QSKIP("lintian is missing (scripts/bootstrap installs it)");
        for (const QString &deb : {program, standins}) {
            const Result lintian = run("lintian", {"--pedantic", deb}, 300);
            const QStringList faults = lintian.out.split(u'\n').filter(QRegularExpression("^[EW]: "));
            QVERIFY2(faults.isEmpty() && lintian.exitCode != -1, qPrintable(deb + "\n" + lintian.out));
        }
    }

    void theManualPageAndTheAppStreamDataRead()
    {
        QTemporaryDir prefix;
        QVERIFY(run(KESS_CMAKE, {"--install", KESS_BUILD_DIR, "--prefix", prefix.path()}).exitCode == 0);
        const QString page = prefix.filePath("share/man/man1/kessamir.1.gz");
        if (QStandardPaths::findExecutable("man").isEmpty())
            QSKIP("man is missing (scripts/bootstrap installs man-db)");
        const Result man = run("man", {"--warnings", "-l", page}, 30);
        QVERIFY2(man.exitCode == 0 && man.out.contains("--last-folder"), qPrintable(man.out));
        if (QStandardPaths::findExecutable("appstreamcli").isEmpty())
            QSKIP("appstreamcli is missing (scripts/bootstrap installs appstream)");
        const Result valid = run("appstreamcli", {"validate", "--no-net",
                                                  prefix.filePath("share/metainfo/org.kessamir.kessamir.metainfo.xml")}, 60);
        QVERIFY2(valid.exitCode == 0, qPrintable(valid.out));
    }
};

QTEST_MAIN(TestInstall)
#include "test_install.moc"
