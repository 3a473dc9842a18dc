#include "helpform.h"

#include "core/appstate.h"
#include "core/secondarywindow.h"
#include "files/datafiles.h"
#include "windows/rowbox.h"
#include "windows/printing.h"
#include "windows/textkeys.h"
#include "windows/textrows.h"

#include <QDir>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace kess {

HelpForm::HelpForm(AppState &state, QWidget *owner) : QWidget(owner, Qt::Window), m_state(state)
{
    setObjectName(QStringLiteral("HelpForm"));
    setWindowTitle(QStringLiteral("KESSAMIR Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    Text1 = makeRowBox(this, "Text1", HelpRowWidth);
    Command1 = new QPushButton(QStringLiteral("Close"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    connect(Command1, &QPushButton::clicked, this, &QWidget::close);
    closeByKeyboard(this);
    printButton = new QPushButton(QStringLiteral("&Print"), this);
    printButton->setObjectName(QStringLiteral("printButton"));
    connect(printButton, &QPushButton::clicked, this, &HelpForm::print);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(printButton);
    buttons->addWidget(Command1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Text1);
    addFindBox(Text1, layout);
    layout->addLayout(buttons);
    printByKeyboard(printButton);
    resize(sizeHint().width(), 560);
}

void HelpForm::load()
{
    m_state.trace(3, QStringLiteral("kessphelp.txt"));
    try {
        // The working folder's own help text, else the one installed beside the program.
        ListReader reader = ListReader::open(helpTextPath());
        setRows(Text1, helpRows(reader));
    } catch (const FileError &e) {
        Text1->setPlainText(helpUnreadable(e));
    }
}

void HelpForm::print()
{
    // The rows as shown, without their margins and padding.
    QStringList lines;
    for (const QString &row : Text1->toPlainText().split(u'\n')) {
        QString line = row.startsWith(QStringLiteral("  ")) ? row.mid(2) : row;
        while (!line.isEmpty() && line.back() == u' ')
            line.chop(1);
        lines << line;
    }
    printThroughDialog(this, lines, QStringLiteral("kessphelp.txt"), QDir::current().absoluteFilePath(QStringLiteral("kessphelp.pdf")),
                       QStringLiteral("The help text"));
}

} // namespace kess
