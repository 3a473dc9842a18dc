#include "helpform.h"

#include "core/appstate.h"
#include "core/secondarywindow.h"
#include "files/datafiles.h"
#include "windows/rowbox.h"
#include "windows/textrows.h"

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

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Text1);
    layout->addLayout(buttons);
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

} // namespace kess
