#include "sitefiles.h"

#include "files/fileops.h"
#include "files/listreader.h"

namespace kess {

QString siteFileName(const QString &prefix, int site)
{
    return prefix + QString::number(site) + QStringLiteral(".txt");
}

SiteIdentity readSiteIdentity(const QString &fileName)
{
    return parseSiteIdentity(readBytes(fileName, SettingsReadLimit));
}

SiteIdentity parseSiteIdentity(const QByteArray &bytes)
{
    ListReader reader(bytes);
    SiteIdentity id;
    for (int value = 1; value <= 17; ++value) {
        const QString text = reader.readText();
        if (value == 1)
            id.name = text;
        else if (value == 17)
            id.code = text;
    }
    if (id.name.endsWith(u'+'))
        id.name.chop(1);
    return id;
}

QString siteListEntry(int site, const QString &code, const QString &name, int runListFlag, bool strictMark)
{
    QString mark;
    if (runListFlag == 0)
        mark = QStringLiteral("-");
    else if (runListFlag == 1 || !strictMark)
        mark = QStringLiteral("+");
    return mark + QStringLiteral(" ") + QString::number(site) + QStringLiteral(" ") + code + QStringLiteral(" ") + name;
}

QList<QPair<QString, QString>> stagingCopies(int site, bool withFdata, bool withEcdata)
{
    QList<QPair<QString, QString>> copies{
        {siteFileName(QStringLiteral("c"), site), QStringLiteral("custinit.txt")},
        {siteFileName(QStringLiteral("w"), site), QStringLiteral("vantmini.txt")},
        {siteFileName(QStringLiteral("snowrec"), site), QStringLiteral("snowrec.txt")},
        {siteFileName(QStringLiteral("cor"), site), QStringLiteral("cor.txt")},
    };
    if (withFdata)
        copies.append({siteFileName(QStringLiteral("fdata"), site), QStringLiteral("fdata.txt")});
    copies.append({siteFileName(QStringLiteral("r"), site), QStringLiteral("pelini.txt")});
    if (withEcdata)
        copies.append({siteFileName(QStringLiteral("ecdata"), site), QStringLiteral("ecdata.txt")});
    return copies;
}

namespace {

StagingResult copyAll(const QList<QPair<QString, QString>> &copies)
{
    StagingResult result;
    for (const auto &[saved, working] : copies) {
        try {
            copyFile(saved, working);
        } catch (const FileError &e) {
            result.failedFiles << saved;
            result.reasons << e.reason;
        }
    }
    return result;
}

} // namespace

StagingResult stageSiteFiles(int site, bool withFdata, bool withEcdata)
{
    return copyAll(stagingCopies(site, withFdata, withEcdata));
}

StagingResult putGenericSettingsBack()
{
    return copyAll({{QStringLiteral("c0.txt"), QStringLiteral("custinit.txt")},
                    {QStringLiteral("w0.txt"), QStringLiteral("vantmini.txt")}});
}

} // namespace kess
