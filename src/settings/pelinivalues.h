#pragma once
// The values KESSAMIR takes from PELTHOR's settings "pelini.txt" (its line layout is in
// layouts.h): values 1-8, lists A and B (five elements of each a list line), values 19-27,
// then, each only while the file has not ended, the working folder, the two values after it
// and the rest of the 24 lines.
#include "files/listreader.h"

#include <QByteArray>
#include <QString>
#include <array>

namespace kess {

struct PeliniValues {
    std::array<Item, 8> values1to8;
    std::array<Item, 9> values19to27;
    QString workingFolder = QStringLiteral("c:\\vantro\\"); // always ends with its separator
    Item valueAfterFolder1 = Item::fromNumber(6);
    Item valueAfterFolder2 = Item::fromNumber(0);
    std::array<Item, 21> listA; // elements 1..20
    std::array<Item, 21> listB;
    std::array<Item, 8> furtherFields; // the single fields of lines 15 (two), 16, 18, 19, 21, 22, 24
};

// Reads the bytes of "pelini.txt" into `values`, line by line by the rules of the pelini
// layout. `full` false stops after the two values that follow the working folder and leaves
// the lists alone, as start-up does. Throws FileError 62 (and nothing else) when the bytes end
// inside lines 1 to 11 or inside a later line; the lines read before stay. The working folder
// and the two values after it are reset to their defaults before they are read, so a file
// that ends before them leaves the defaults.
void decodePelini(const QByteArray &bytes, PeliniValues &values, bool full);

} // namespace kess
