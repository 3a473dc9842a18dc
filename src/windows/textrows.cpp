#include "textrows.h"

namespace kess {

namespace {
// The help file is ours, but a damaged or foreign one must not bury the window: past this many
// characters the rest of it is left out.
constexpr qsizetype HelpTextLimit = 400000;
} // namespace

QString rowPiece(const QString &piece, int rowWidth)
{
    if (piece.size() > rowWidth)
        return piece;
    return QString(2, u' ') + piece.leftJustified(rowWidth, u' ') + QString(3, u' ');
}

QString helpRows(ListReader &reader)
{
    QString text;
    while (!reader.atEnd()) {
        if (text.size() > HelpTextLimit) {
            text += rowPiece(QStringLiteral("(The rest of kessphelp.txt is too long to show here.)"), HelpRowWidth);
            break;
        }
        text += rowPiece(reader.read().text.left(HelpTextLimit), HelpRowWidth);
    }
    return text;
}

ForecastRows forecastRows(ListReader &reader)
{
    ForecastRows rows;
    while (!reader.atEndOfData()) {
        const QString line = reader.readLine();
        if (rows.text.size() > ForecastTextLimit) {
            rows.tooLong = true;
            break;
        }
        // A single line longer than the limit is shown up to the limit; the box would otherwise
        // take the whole of it, however large.
        if (line.size() > ForecastTextLimit) {
            rows.text += line.left(ForecastTextLimit);
            rows.tooLong = true;
            break;
        }
        rows.text += rowPiece(line, ForecastRowWidth);
    }
    return rows;
}

QString forecastTooLongMessage()
{
    return QStringLiteral("The file (textall.txt) is too long to completely display here.  You can view it "
                          "completely with a text editor such as Notepad.");
}

QString helpUnreadable(const FileError &error)
{
    if (error.number == ErrFileNotFound)
        return QStringLiteral("There is no help file (kessphelp.txt) in this folder; it comes with KESSAMIR.");
    return QStringLiteral("The help file (kessphelp.txt) could not be read: ") + error.reason;
}

QString forecastUnreadable(const FileError &error)
{
    if (error.number == ErrFileNotFound)
        return QStringLiteral("There is no textall.txt here: no forecast has been run in this folder yet.");
    return QStringLiteral("The forecast text (textall.txt) could not be read: ") + error.reason;
}

} // namespace kess
