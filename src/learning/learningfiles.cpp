#include "learningfiles.h"

#include "core/appstate.h"
#include "files/fileops.h"
#include "files/listreader.h"
#include "files/records.h"
#include "sites/sitefiles.h"

#include <cmath>

namespace kess {

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
