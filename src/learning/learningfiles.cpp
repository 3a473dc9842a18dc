#include "learningfiles.h"

#include "core/appstate.h"
#include "files/fileops.h"
#include "files/listreader.h"
#include "files/records.h"
#include "sites/sitefiles.h"

#include <cmath>

namespace kess {

QList<int> parseLearningList(const QByteArray &bytes)
{
    ListReader r(bytes);
    QList<int> flags;
    while (!r.atEnd() && flags.size() < MaxSites)
        flags << static_cast<int>(std::lround(r.readNumber()));
    return flags;
}

QStringList learningListLines(const QList<int> &flags)
{
    QStringList lines;
    for (int flag : flags)
        lines << printForm(flag);
    return lines;
}

QString neutralCorrectionRecord()
{
    return QStringLiteral("0,1,0,0");
}

void createLearningSettingsFiles(int siteCount)
{
    for (int site = 0; site <= siteCount; ++site)
        copyFile(QStringLiteral("mxrninit.txt"), siteFileName(QStringLiteral("a"), site));
}

} // namespace kess
