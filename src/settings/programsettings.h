#pragma once
// The program's own settings, "kessinit.txt": 39 lines, one value a line.
//
//   1-24  one flag per hour of the day (1 = a forecast run at that hour)
//   25    minutes after the hour (kept as written: a fraction or more than 59 stays)
//   26    scheduler on: True/False, or a number (nonzero = on)
//   27-39 optional (older files stop after value 26): convert BMP to PNG, the converter's
//         folder, the PNG target folder, run a batch file, the batch file, skip a site when the
//         external model / the home station is missing, DORLIQ's wait limit in minutes, start
//         with the whole hour, default water temperatures, skip non-critical messages, the
//         hour and minute of the daily learning run.
//
// Reading is tolerant: a value that is missing or unreadable leaves its default and affects
// nothing else; the values after it still count.
#include <QByteArray>
#include <QString>
#include <array>
#include <optional>

namespace kess {

struct ProgramSettings {
    std::array<int, 24> hourFlags{};
    double minutesAfterTheHour = 0;
    bool schedulerOn = false;
    int convertBmpToPng = 0;
    QString irfanViewFolder;
    QString pngTargetFolder;
    int runBatchFile = 0;
    QString batchFile;
    // Only the check boxes hold these; empty when the file does not give them, so the boxes
    // keep what they show.
    std::optional<int> skipIfModelMissing;
    std::optional<int> skipIfStationMissing;
    double dorliqWaitLimit = 5;
    int bootWithWholeHour = 0;
    int useDefaultWaterTemps = 0;
    int skipNonCriticalMessages = 0;
    int learningRunHour = 0;
    int learningRunMinute = 0;

    bool operator==(const ProgramSettings &) const = default;
};

// Never throws: whatever the bytes hold, the result is the defaults with every readable value.
ProgramSettings decodeProgramSettings(const QByteArray &bytes);
// The 39 lines, each ended by CR LF. A text is written as textValue() writes it (records.h), in
// double quotes when it would not read back as itself bare (a comma, blanks at its ends, ...).
QByteArray encodeProgramSettings(const ProgramSettings &settings);


} // namespace kess
