#pragma once
// The help, about and forecast-text windows of the main window. Each is made on first use and
// shown beside the main window without blocking it; opening it again while it is there brings
// it to the front as it is; its Close ends it, and the next opening reads its file afresh.
#include <QPointer>

class QWidget;

namespace kess {

struct AppState;
class HelpForm;
class AboutForm;
class ForecastTextForm;

class AuxWindows {
public:
    AuxWindows(QWidget *owner, AppState &state);

    void showHelp();
    void showAbout();
    void showForecastText();

    // The window while it is there, else null.
    HelpForm *help() const;
    AboutForm *about() const;
    ForecastTextForm *forecastText() const;

private:
    QWidget *m_owner;
    AppState &m_state;
    QPointer<HelpForm> m_help;
    QPointer<AboutForm> m_about;
    QPointer<ForecastTextForm> m_forecastText;
};

} // namespace kess
