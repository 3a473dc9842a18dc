#include "aboutform.h"

#include "core/secondarywindow.h"
#include "core/version.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace kess {

AboutForm::AboutForm(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("About KESSAMIR"));
    setAttribute(Qt::WA_DeleteOnClose);

    Label1 = new QLabel(QStringLiteral("KESSAMIR"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont big(QStringLiteral("Arial"));
    big.setStyleHint(QFont::SansSerif);
    big.setPointSize(32);
    big.setBold(true);
    Label1->setFont(big);
    Label1->setAlignment(Qt::AlignCenter);

    Label4 = new QLabel(QStringLiteral("Version ") + QLatin1String(Version), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setAlignment(Qt::AlignCenter);

    Label3 = new QLabel(
        QStringLiteral("KESSAMIR, the Multiple Site Automated Forecasting System, runs automated forecasts for "
                       "many sites, one site after another: for each site it has the DORLIQ program gather the "
                       "data and the VANTRO program compute the forecast, at the hours you choose.\n\n"
                       "To learn more about VANTRO and DORLIQ, see the help and the manuals that come with each "
                       "of them; the Help button of the main window tells how KESSAMIR drives them."),
        this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setWordWrap(true);

    Command1 = new QPushButton(QStringLiteral("Close"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    connect(Command1, &QPushButton::clicked, this, &QWidget::close);
    closeByKeyboard(this); // Escape closes a dialog already; Ctrl+W as in the other windows

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 16);
    layout->addWidget(Label1);
    layout->addWidget(Label4);
    layout->addSpacing(12);
    layout->addWidget(Label3);
    auto *licence = new QLabel(QStringLiteral("Licence: MIT (SPDX-License-Identifier: MIT)"), this);
    licence->setObjectName(QStringLiteral("licence"));
    licence->setAlignment(Qt::AlignCenter);
    layout->addSpacing(8);
    layout->addWidget(licence);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    // As large as its text at any font and scale: lines of about 60 characters, every line shown.
    Label3->setMinimumWidth(Label3->fontMetrics().averageCharWidth() * 60);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace kess
