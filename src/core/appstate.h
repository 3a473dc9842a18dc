#pragma once
// The application state shared by every part of the program for the whole program run.
// One instance, owned by the main window.
#include "files/listreader.h"

#include <QString>
#include <array>

namespace kess {

constexpr int MaxSites = 99;
constexpr int SiteSlots = 100; // site numbers 0..99; 0 stands for the generic settings

struct AppState {
    int selectedSiteNumber = 0;
    int siteCount = 0;
    std::array<QString, SiteSlots> siteNames;
    std::array<QString, SiteSlots> siteCodes;
    std::array<int, SiteSlots> runListFlags{};

    std::array<int, 24> hourFlags{};
    double minutesAfterTheHour = 0;
    bool schedulerOn = false;

    int learningRunHour = 0;
    int learningRunMinute = 0;
    std::array<int, SiteSlots> learningIncludeFlags{};
    int learningListLength = 0;
    int learningSitesPresent = 0;
    std::array<QString, SiteSlots> learningSiteNames;
    std::array<QString, SiteSlots> learningSiteCodes;

    int convertBmpToPng = 0;
    QString irfanViewFolder;
    QString pngTargetFolder;
    int runBatchFile = 0;
    QString batchFile;
    double dorliqWaitLimit = 5;
    int bootWithWholeHour = 0;
    int useDefaultWaterTemps = 0;
    int skipNonCriticalMessages = 0;
    int noFdataFiles = 0;
    int noEcdataFiles = 0;

    QString workingFolder = QStringLiteral("c:\\vantro\\");
    std::array<Item, 8> pelthorValues1to8;
    std::array<Item, 9> pelthorValues19to27;
    Item pelthorValueAfterFolder1 = Item::fromNumber(6);
    Item pelthorValueAfterFolder2 = Item::fromNumber(0);
    std::array<Item, 21> pelthorListA; // elements 1..20
    std::array<Item, 21> pelthorListB;
    std::array<Item, 8> pelthorFurtherFields; // the single fields of lines 15 (two), 16, 18, 19, 21, 22, 24

    int lastFileNumber = 0;
    QString lastFileName;

    int vantroCloseWarningGiven = 0;
    int dorliqCloseWarningGiven = 0;
    int pelthorCloseWarningGiven = 0;
    int mirrixCloseWarningGiven = 0;

    int companionOpenedForSettings = 0;
    bool forecastRunInProgress = false;   // its Boolean form
    int forecastRunInProgressFlag = 0;    // its 1/0 form

    int modeCode = 0;
    double modeReply = 0;
    qint64 lastLaunchTaskId = 0;

    QString copySource;
    QString copyDestination;

    // Records the file about to be opened, for the error reports.
    void trace(int number, const QString &name)
    {
        lastFileNumber = number;
        lastFileName = name;
    }
};

} // namespace kess
