#include "firststart.h"

#include "core/textcolour.h"
#include "demofolder.h"
#include "files/errors.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kess {

QString installedStandins()
{
    const QString program = QCoreApplication::applicationDirPath();
    // Installed on Linux; installed on Windows (<folder>\bin, <folder>\standins) and in a build folder.
    for (const QString &candidate : {program + QStringLiteral("/../lib/kessamir/standins"), program + QStringLiteral("/../standins")})
        if (QFileInfo(candidate + QStringLiteral("/vantro.exe")).isExecutable())
            return QDir::cleanPath(candidate);
    return {};
}

FirstStart::FirstStart(const QString &standins, const QString &demoFolder, QWidget *parent)
    : QDialog(parent), m_standins(standins), m_demoFolder(demoFolder)
{
    setObjectName(QStringLiteral("FirstStart"));
    setWindowTitle(QStringLiteral("KESSAMIR - first start"));
    auto *text = new QLabel(
        QStringLiteral("<p><b>Welcome to KESSAMIR.</b></p>"
                       "<p>KESSAMIR runs weather forecasts for many sites by driving its companion programs "
                       "(DORLIQ, VANTRO, PELTHOR). They all work in one <b>working folder</b>: it holds every "
                       "site's settings, the run list, the schedule and the forecasts.</p>"
                       "<p>Choose the working folder of your installation, or try KESSAMIR first in a demo "
                       "folder: six sample sites and stand-in programs that make a synthetic forecast, with a "
                       "forecast run starting within a minute. KESSAMIR opens the same folder at its next "
                       "start.</p>"),
        this);
    text->setWordWrap(true);

    chooseButton = new QPushButton(QStringLiteral("&Choose a working folder..."), this);
    chooseButton->setObjectName(QStringLiteral("chooseButton"));
    demoButton = new QPushButton(QStringLiteral("Make a &demo folder and open it"), this);
    demoButton->setObjectName(QStringLiteral("demoButton"));
    demoButton->setDefault(true);
    demoButton->setToolTip(QStringLiteral("Made in %1").arg(QDir::toNativeSeparators(demoFolder)));
    quitButton = new QPushButton(QStringLiteral("&Quit"), this);
    quitButton->setObjectName(QStringLiteral("quitButton"));
    trouble = new QLabel(this);
    trouble->setObjectName(QStringLiteral("trouble"));
    trouble->setWordWrap(true);
    trouble->setTextFormat(Qt::PlainText); // it names folders
    setTextColour(trouble, QColor(140, 0, 0));
    if (standins.isEmpty()) {
        demoButton->setEnabled(false);
#ifdef Q_OS_WIN
        trouble->setText(QStringLiteral("The demo needs the stand-in programs: install them with KESSAMIR's installer "
                                        "(its part \"Stand-in programs for the demo\")."));
#else
        trouble->setText(QStringLiteral("The demo needs the stand-in programs: install the kessamir-standins package."));
#endif
    }
    connect(chooseButton, &QPushButton::clicked, this, &FirstStart::choose);
    connect(demoButton, &QPushButton::clicked, this, &FirstStart::makeDemo);
    connect(quitButton, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(demoButton);
    buttons->addWidget(chooseButton);
    buttons->addStretch(1);
    buttons->addWidget(quitButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(trouble);
    layout->addLayout(buttons);
    setMinimumWidth(560);
}

QString chooseWorkingFolder(QWidget *parent)
{
    return QFileDialog::getExistingDirectory(parent, QStringLiteral("KESSAMIR - choose the working folder"), QDir::homePath());
}

QString defaultDemoFolder() { return QDir::home().filePath(QStringLiteral("kessamir-demo")); }

std::function<QString(QWidget *parent)> &demoFolderChooser()
{
    static std::function<QString(QWidget *)> choose = [](QWidget *parent) {
        return QFileDialog::getExistingDirectory(parent, QStringLiteral("KESSAMIR - choose an empty folder for the demo"),
                                                 QDir::homePath());
    };
    return choose;
}

QString placeForDemo(QWidget *parent, const QString &preferred)
{
    QString folder = preferred;
    // A folder with files of its own is never written into; the demo goes where the user says.
    while (QDir(folder).exists() && !QDir(folder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
           && !demo::isDemoFolder(folder)) {
        folder = demoFolderChooser()(parent);
        if (folder.isEmpty())
            return {};
    }
    return folder;
}

QString makeDemoIn(const QString &folder, const QString &standins)
{
    demo::DemoOptions options;
    options.folder = folder;
    options.scheduleNextMinute = true;
    options.standinDir = standins;
    try {
        const demo::DemoReport report = demo::makeDemoFolder(options);
        if (!report.warnings.isEmpty())
            return report.warnings.join(u'\n');
    } catch (const FileError &e) {
        return QStringLiteral("The demo folder was not made: ") + e.reason + u'.';
    }
    return {};
}

void FirstStart::choose()
{
    const QString chosen = chooseWorkingFolder(this);
    if (chosen.isEmpty())
        return;
    m_folder = chosen;
    accept();
}

void FirstStart::makeDemo()
{
    const QString folder = placeForDemo(this, m_demoFolder);
    if (folder.isEmpty()) {
        trouble->setText(QStringLiteral("%1 holds other files; choose an empty or new folder for the demo.")
                             .arg(QDir::toNativeSeparators(m_demoFolder)));
        return;
    }
    m_demoFolder = folder;
    if (const QString why = makeDemoIn(m_demoFolder, m_standins); !why.isEmpty()) {
        trouble->setText(why);
        return;
    }
    m_folder = m_demoFolder;
    accept();
}

} // namespace kess
