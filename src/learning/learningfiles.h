#pragma once
// The learning program's files: the per-site learning settings a<N>.txt and the neutral
// correction record. The include list "mxrunlist.txt" is read and written by settings/siteflags.h.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace kess {

// The correction file of a site that does not learn: no offset, factor 1.
QString neutralCorrectionRecord();

// Copies "mxrninit.txt" onto a0.txt up to a<siteCount>.txt. Throws FileError at the first copy
// that fails (the files before it are made).
void createLearningSettingsFiles(int siteCount);

} // namespace kess
