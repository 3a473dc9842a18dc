#pragma once
// The learning program's files: the include list "mxrunlist.txt", the per-site learning settings
// a<N>.txt and the neutral correction record.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace kess {

// The flags of "mxrunlist.txt", site 1 first: one number per line until the end of the file, at
// most 99. Throws FileError (13) for an item that is not a number.
QList<int> parseLearningList(const QByteArray &bytes);
// The lines of "mxrunlist.txt" for these flags, each in print form (" 1 ").
QStringList learningListLines(const QList<int> &flags);

// The correction file of a site that does not learn: no offset, factor 1.
QString neutralCorrectionRecord();

// Copies "mxrninit.txt" onto a0.txt up to a<siteCount>.txt. Throws FileError at the first copy
// that fails (the files before it are made).
void createLearningSettingsFiles(int siteCount);

} // namespace kess
