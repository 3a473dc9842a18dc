#include "emptyfolder.h"

#include "app/firststart.h"
#include "app/mainwindow.h"
#include "app/shutdown.h"
#include "core/textcolour.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kess {

bool folderHoldsNoSites()
{
    for (const char *name : {"runlist.txt", "custinit.txt", "c0.txt", "c1.txt"})
        if (QFileInfo::exists(QLatin1String(name)))
            return false;
    return true;
}

EmptyFolderPanel::EmptyFolderPanel(MainWindow &window, QWidget *parent) : QWidget(parent), w(window)
{
    setObjectName(QStringLiteral("emptyFolderPanel"));
    text = new QLabel(
        QStringLiteral("<p><b>This working folder holds no sites yet.</b></p>"
                       "<p>KESSAMIR works in the folder of its companion programs (DORLIQ, VANTRO, PELTHOR): "
                       "it needs their working files there (\"custinit.txt\", \"vantmini.txt\", \"pelini.txt\"), "
                       "each site's saved copies (<tt>c1.txt</tt>, <tt>w1.txt</tt>, <tt>r1.txt</tt>, ...) and the run "
                       "list \"runlist.txt\".</p>"
                       "<p>Open the working folder of your installation, or try KESSAMIR in a demo folder with "
                       "sample sites and stand-in programs.</p>"),
        this);
    text->setObjectName(QStringLiteral("emptyFolderText"));
    text->setWordWrap(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    chooseButton = new QPushButton(QStringLiteral("Choose a working folder..."), this);
    chooseButton->setObjectName(QStringLiteral("emptyChooseButton"));
    demoButton = new QPushButton(QStringLiteral("Make a demo folder and open it"), this);
    demoButton->setObjectName(QStringLiteral("emptyDemoButton"));
    demoButton->setToolTip(QStringLiteral("Made in %1").arg(QDir::toNativeSeparators(defaultDemoFolder())));
    trouble = new QLabel(this);
    trouble->setObjectName(QStringLiteral("emptyFolderTrouble"));
    trouble->setWordWrap(true);
    setTextColour(trouble, MainWindow::darkRed());
    const QString standins = installedStandins();
    if (standins.isEmpty()) {
        demoButton->setEnabled(false);
        trouble->setText(QStringLiteral("The demo needs the stand-in programs: install the kessamir-standins package."));
    }

    // Either way KESSAMIR starts again in the new folder; this folder keeps nothing of it.
    connect(chooseButton, &QPushButton::clicked, this, [this] {
        const QString chosen = chooseWorkingFolder(this);
        if (!chosen.isEmpty())
            w.shutdown().reopenIn(chosen);
    });
    connect(demoButton, &QPushButton::clicked, this, [this, standins] {
        const QString folder = placeForDemo(this, defaultDemoFolder());
        if (folder.isEmpty())
            return;
        if (const QString why = makeDemoIn(folder, standins); !why.isEmpty())
            trouble->setText(why);
        else
            w.shutdown().reopenIn(folder);
    });

    // One above the other: the site column stays as narrow as with a list.
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(text);
    layout->addWidget(demoButton);
    layout->addWidget(chooseButton);
    layout->addWidget(trouble);
    layout->addStretch(1);
}

} // namespace kess
