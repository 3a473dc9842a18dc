#include "auxwindows.h"

#include "core/dialogs.h"
#include "core/secondarywindow.h"
#include "windows/aboutform.h"
#include "windows/forecasttextform.h"
#include "windows/helpform.h"
#include "windows/runhistoryform.h"
#include "windows/textrows.h"

namespace kess {

namespace {
void bringToFront(QWidget *window)
{
    if (!window->isVisible() && !window->property("placed").toBool()) {
        placeOverOwner(window);
        window->setProperty("placed", true);
    }
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}
} // namespace

AuxWindows::AuxWindows(QWidget *owner, AppState &state) : m_owner(owner), m_state(state) {}

HelpForm *AuxWindows::help() const { return m_help; }
AboutForm *AuxWindows::about() const { return m_about; }
ForecastTextForm *AuxWindows::forecastText() const { return m_forecastText; }
RunHistoryForm *AuxWindows::runHistory() const { return m_runHistory; }

void AuxWindows::showHelp()
{
    if (!m_help) {
        m_help = new HelpForm(m_state, m_owner);
        m_help->load();
    }
    bringToFront(m_help);
}

void AuxWindows::showAbout()
{
    if (!m_about)
        m_about = new AboutForm(m_owner);
    bringToFront(m_about);
}

void AuxWindows::showForecastText()
{
    if (m_forecastText) {
        bringToFront(m_forecastText);
        return;
    }
    m_forecastText = new ForecastTextForm(m_state, m_owner);
    const bool tooLong = m_forecastText->load();
    bringToFront(m_forecastText);
    // Shown without holding anything up: a run may be under way behind this click.
    if (tooLong)
        Dialogs::notifyNonBlocking(forecastTooLongMessage());
}

void AuxWindows::showRunHistory()
{
    if (!m_runHistory) {
        m_runHistory = new RunHistoryForm(m_owner);
        m_runHistory->load();
    }
    bringToFront(m_runHistory);
}

} // namespace kess
