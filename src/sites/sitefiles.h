#pragma once
// Site numbers, the names of each site's saved files, the site-list entry and staging a
// site's saved files onto the working files.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kess {

// prefix + site number in decimal + ".txt": ("c", 10) -> "c10.txt"
QString siteFileName(const QString &prefix, int site);

struct SiteIdentity {
    QString name; // value 1, a trailing "+" removed
    QString code; // value 17
};
// Reads a site's name and code from a VANTRO settings file (c<N>.txt or "custinit.txt").
// Throws FileError when the file cannot be opened or is too short.
SiteIdentity readSiteIdentity(const QString &fileName);
// The same from the file's bytes: reads values 1 to 17 and no further; FileError 62 when the
// bytes end before value 17 (the only error it throws).
SiteIdentity parseSiteIdentity(const QByteArray &bytes);

// "+ 7 KATL Atlanta": the mark ("+" for 1, "-" for 0; at start-up any other flag gives no
// mark, afterwards any nonzero flag gives "+"), the number with one leading blank, the code
// and the name.
QString siteListEntry(int site, const QString &code, const QString &name, int runListFlag, bool strictMark);

// Copies the saved files of a site onto the working files, in this order: c, w, snowrec,
// cor, fdata (when present), r, ecdata (when present). Every copy is tried; the result lists
// the saved files that could not be copied, each with its reason.
struct StagingResult {
    QStringList failedFiles;
    QStringList reasons;
    bool ok() const { return failedFiles.isEmpty(); }
};
StagingResult stageSiteFiles(int site, bool withFdata, bool withEcdata);

// Puts the generic settings (site 0) back into VANTRO's and DORLIQ's working files: "c0.txt"
// onto "custinit.txt", then "w0.txt" onto "vantmini.txt". Both are tried; the result lists the
// copies that failed.
StagingResult putGenericSettingsBack();

// The saved-file to working-file pairs of one site, in staging order.
QList<QPair<QString, QString>> stagingCopies(int site, bool withFdata, bool withEcdata);

} // namespace kess
