// The program's own settings files as bytes: "kessinit.txt", the run lists, the PELTHOR values,
// a site's identity, and the reading limits that keep a runaway file cheap.
#include "files/fileops.h"
#include "files/listreader.h"
#include "settings/pelinivalues.h"
#include "settings/programsettings.h"
#include "settings/siteflags.h"
#include "sites/sitefiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace kess;

namespace {

QByteArray crlf(const QStringList &lines)
{
    QByteArray out;
    for (const QString &l : lines)
        out += encodeText(l) + "\r\n";
    return out;
}

QStringList settings39()
{
    QStringList s;
    for (int h = 0; h < 24; ++h)
        s << (h == 6 || h == 18 ? " 1 " : " 0 ");
    s << " 15 " << "True" << " 1 " << "/opt/irfan" << "\"/srv/png, daily\"" << " 1 " << "/home/me/after run.sh"
      << " 1 " << " 0 " << " 7 " << " 1 " << " 0 " << " 1 " << " 18 " << " 5 ";
    return s;
}

} // namespace

class TestCodecs : public QObject {
    Q_OBJECT
private slots:
    void programSettingsReadEveryValueOnItsOwn()
    {
        const ProgramSettings full = decodeProgramSettings(crlf(settings39()));
        QCOMPARE(full.hourFlags[6], 1);
        QCOMPARE(full.hourFlags[7], 0);
        QCOMPARE(full.minutesAfterTheHour, 15.0);
        QVERIFY(full.schedulerOn);
        QCOMPARE(full.pngTargetFolder, QStringLiteral("/srv/png, daily"));
        QCOMPARE(full.skipIfModelMissing, std::optional<int>(1));
        QCOMPARE(full.skipIfStationMissing, std::optional<int>(0));
        QCOMPARE(full.dorliqWaitLimit, 7.0);
        QCOMPARE(full.skipNonCriticalMessages, 1);
        QCOMPARE(full.learningRunHour, 18);
        QCOMPARE(full.learningRunMinute, 5);

        // An old file of 26 values: the later options keep their defaults.
        const ProgramSettings old = decodeProgramSettings(crlf(settings39().mid(0, 26)));
        QVERIFY(old.schedulerOn);
        QCOMPARE(old.dorliqWaitLimit, 5.0);
        QVERIFY(!old.skipIfModelMissing && !old.skipIfStationMissing);
        QCOMPARE(old.learningRunHour, 0);

        // A bad value loses only itself; minutes stay unrounded; the learning time is a pair.
        QStringList bad = settings39();
        bad[6] = "x";
        bad[24] = "7.25";
        bad[25] = "maybe";
        bad[26] = " 2 ";
        bad[38] = "soon";
        const ProgramSettings b = decodeProgramSettings(crlf(bad));
        QCOMPARE(b.hourFlags[6], 0);
        QCOMPARE(b.hourFlags[18], 1);
        QCOMPARE(b.minutesAfterTheHour, 7.25);
        QVERIFY(!b.schedulerOn);
        QCOMPARE(b.convertBmpToPng, 0);
        QCOMPARE(b.irfanViewFolder, QStringLiteral("/opt/irfan"));
        QCOMPARE(b.runBatchFile, 1);
        QCOMPARE(b.learningRunHour, 0);
        QCOMPARE(b.learningRunMinute, 0);

        QCOMPARE(decodeProgramSettings(QByteArray("\"unterminated")), ProgramSettings{});
    }

    void programSettingsWrittenReadBackUnchanged()
    {
        ProgramSettings s = decodeProgramSettings(crlf(settings39()));
        s.irfanViewFolder = QStringLiteral("C:\\Irfan, View\\");
        s.batchFile = QStringLiteral("  padded  ");
        s.pngTargetFolder = QStringLiteral("\"quoted, odd\"");
        s.minutesAfterTheHour = 75.5;
        const QByteArray bytes = encodeProgramSettings(s);
        QCOMPARE(bytes.count("\r\n"), 39);
        const ProgramSettings back = decodeProgramSettings(bytes);
        QCOMPARE(back.irfanViewFolder, s.irfanViewFolder);
        QCOMPARE(back.batchFile, s.batchFile);
        QCOMPARE(back.pngTargetFolder, QStringLiteral("quoted, odd")); // no escape for quotes
        QCOMPARE(back.minutesAfterTheHour, 75.5);
        QCOMPARE(back.learningRunHour, 18);
        QCOMPARE(encodeProgramSettings(back), bytes);
    }

    void siteFlagListsStopAtSite99AndKeepWhatCameBeforeAFault()
    {
        QStringList many;
        for (int i = 0; i < 150; ++i)
            many << "1";
        QCOMPARE(decodeSiteFlags(crlf(many)).flags.size(), 99);

        const SiteFlagList broken = decodeSiteFlags("1\r\n0\r\nx\r\n1\r\n");
        QCOMPARE(broken.flags, (QList<int>{1, 0}));
        QVERIFY(broken.fault && broken.fault->number == ErrTypeMismatch);

        const SiteFlagList odd = decodeSiteFlags("1,,2.5\r\n-3\r\n");
        QCOMPARE(odd.flags, (QList<int>{1, 0, 3, -3})); // an empty item reads 0
        QVERIFY(!odd.fault);
        QCOMPARE(encodeSiteFlags(odd.flags), QByteArray(" 1 \r\n 0 \r\n 3 \r\n-3 \r\n"));
    }

    void latinTextThatLooksLikeUtf8IsWrittenAsUtf8()
    {
        // "Ã©" in Latin-1 is the UTF-8 form of "é": written so, it would come back as "é".
        const QString text = QString::fromUtf8("Ã©");
        QCOMPARE(decodeText(encodeText(text)), text);
        QCOMPARE(encodeText(QString::fromUtf8("café")), QByteArray("caf\xe9"));
        QCOMPARE(decodeText(encodeText(QString::fromUtf8("é, ü"))), QString::fromUtf8("é, ü"));
    }

    void pelthorValuesAndSiteIdentityFromBytes()
    {
        QStringList pel;
        pel << "1,2,3,4,5,6,7,8" << "1,2,3,4,5,6,7,8,9,10";
        for (int l = 3; l <= 11; ++l)
            pel << QString::number(l + 16);
        PeliniValues v;
        v.workingFolder = QStringLiteral("elsewhere");
        decodePelini(crlf(pel), v, true);
        QCOMPARE(v.workingFolder, QStringLiteral("c:\\vantro\\")); // the file ends before it
        QCOMPARE(v.values19to27[8].text, QStringLiteral("27"));
        pel << "\"/srv/data\"" << "4";
        decodePelini(crlf(pel), v, false);
        QCOMPARE(v.workingFolder, QStringLiteral("/srv/data/"));
        QCOMPARE(v.valueAfterFolder1.number, std::optional<double>(4));
        PeliniValues partial;
        QVERIFY_THROWS_EXCEPTION(FileError, decodePelini(crlf(pel.mid(0, 5)), partial, true));
        QCOMPARE(partial.values1to8[7].text, QStringLiteral("8")); // read before the end stays
        // A last line of one empty item, as the settings writer leaves it, is a value and not
        // the end of the file: the copy KESSAMIR writes reads back like its source.
        PeliniValues lastEmpty;
        decodePelini(crlf(pel.mid(0, 10) << QString()), lastEmpty, true);
        QVERIFY(lastEmpty.values19to27[8].text.isEmpty());
        decodePelini(crlf(pel.mid(0, 12) << QString()), lastEmpty, true);
        QVERIFY(lastEmpty.valueAfterFolder1.text.isEmpty());

        QByteArray custinit = "\"Boston+\",1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,KBOS\r\n";
        const SiteIdentity id = parseSiteIdentity(custinit);
        QCOMPARE(id.name, QStringLiteral("Boston"));
        QCOMPARE(id.code, QStringLiteral("KBOS"));
        custinit.replace("Boston+", "Boston++"); // only one "+" goes
        QCOMPARE(parseSiteIdentity(custinit).name, QStringLiteral("Boston+"));
        QVERIFY_THROWS_EXCEPTION(FileError, parseSiteIdentity("\"Boston\",1,2"));
        QCOMPARE(parseNumberRecord(" 5 \r\n"), std::optional<double>(5));
        QVERIFY(!parseNumberRecord("\r\n").has_value());
    }

    void runawayLinesReadOnlyToTheLimit()
    {
        // A 10 MB line: the item keeps its first MiB of text and is no number, and the file reads
        // only as far as the limit. How fast is the start-up bench's to measure.
        const QByteArray digits(10 << 20, '7');
        ListReader r(digits);
        const Item it = r.read();
        QCOMPARE(it.text.size(), MaxItemBytes);
        QVERIFY(!it.isNumber());
        QVERIFY(decodeSiteFlags(digits).fault);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir::setCurrent(dir.path()));
        writeBytes(QStringLiteral("big.txt"), digits);
        QCOMPARE(readBytes(QStringLiteral("big.txt"), SettingsReadLimit).size(), SettingsReadLimit);
        QCOMPARE(readBytes(QStringLiteral("big.txt")).size(), digits.size());
    }
};

QTEST_MAIN(TestCodecs)
#include "test_codecs.moc"
