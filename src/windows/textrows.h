#pragma once
// The text of the help and forecast-text windows, built row by row.
//
// Each piece of text is made to fill exactly one row of the box: a shorter piece is padded with
// blanks to the row width, and a piece of exactly the row width gets two blanks before it and
// three after it. A longer piece goes in unchanged and runs on into the next row. The box wraps
// at the row width plus those five blanks, so every padded piece is one visual row.
#include "files/listreader.h"

#include <QString>

namespace kess {

constexpr int HelpRowWidth = 98;
constexpr int ForecastRowWidth = 82;
constexpr int RowMargins = 5; // two blanks before, three after
// Before each line of "textall.txt" the box's length is tested against this.
constexpr int ForecastTextLimit = 65500;

QString rowPiece(const QString &piece, int rowWidth);

// Every item of the help file, one row each (a comma ends an item, so it starts a new row).
QString helpRows(ListReader &reader);

struct ForecastRows {
    QString text;
    bool tooLong = false; // reading stopped at the length limit
};
// Every line of "textall.txt", one row each, as long as the text stays within the limit.
ForecastRows forecastRows(ListReader &reader);

QString forecastTooLongMessage();

// The one line the windows show when their file cannot be read.
QString helpUnreadable(const FileError &error);
QString forecastUnreadable(const FileError &error);

} // namespace kess
