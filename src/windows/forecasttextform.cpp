#include "forecasttextform.h"

#include "core/appstate.h"
#include "core/secondarywindow.h"
#include "core/dialogs.h"
#include "windows/printing.h"
#include "windows/rowbox.h"
#include "windows/textkeys.h"
#include "windows/textrows.h"

#include <QDir>
#include <QHBoxLayout>
#include <QPrinter>
#include <QVBoxLayout>

namespace kess {

ForecastTextForm::ForecastTextForm(AppState &state, QWidget *owner) : QWidget(owner, Qt::Window), m_state(state)
{
    setObjectName(QStringLiteral("textfor"));
    setWindowTitle(QStringLiteral("Text of Latest Forecasts"));
    setAttribute(Qt::WA_DeleteOnClose);
    Text1 = makeRowBox(this, "Text1", ForecastRowWidth);
    Command1 = new QPushButton(QStringLiteral("&Print"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2 = new QPushButton(QStringLiteral("Close"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    connect(Command1, &QPushButton::clicked, this, &ForecastTextForm::print);
    connect(Command2, &QPushButton::clicked, this, &QWidget::close);
    closeByKeyboard(this);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Text1);
    addFindBox(Text1, layout);
    layout->addLayout(buttons);
    printByKeyboard(Command1);
    resize(sizeHint().width(), 600);
}

bool ForecastTextForm::load()
{
    m_state.trace(4, QStringLiteral("textall.txt"));
    try {
        ListReader reader = ListReader::open(QStringLiteral("textall.txt"));
        const ForecastRows rows = forecastRows(reader);
        setRows(Text1, rows.text);
        return rows.tooLong;
    } catch (const FileError &e) {
        Text1->setPlainText(forecastUnreadable(e));
        return false;
    }
}

void ForecastTextForm::print()
{
    m_state.trace(3, QStringLiteral("textall.txt"));
    QStringList lines;
    try {
        ListReader reader = ListReader::open(QStringLiteral("textall.txt"));
        while (!reader.atEndOfData())
            lines << reader.readLine();
    } catch (const FileError &e) {
        Dialogs::notifyNonBlocking(forecastUnreadable(e));
        return;
    }
    printThroughDialog(this, lines, QStringLiteral("textall.txt"), QDir::current().absoluteFilePath(QStringLiteral("textall.pdf")),
                       QStringLiteral("The forecast text"));
}

} // namespace kess
