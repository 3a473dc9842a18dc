#pragma once
// The help, about, forecast-text and run history windows of the main window. Each is made on first use and
// shown beside the main window without blocking it; opening it again while it is there brings
// it to the front as it is; its Close ends it, and the next opening reads its file afresh.
#include <QPointer>

class QWidget;

namespace kess {

struct AppState;
class HelpForm;
class AboutForm;
class ForecastTextForm;
class RunHistoryForm;

class AuxWindows {
public:
    AuxWindows(QWidget *owner, AppState &state);

    void showHelp();
    void showAbout();
    void showForecastText();
    void showRunHistory();

    // The window while it is there, else null.
    HelpForm *help() const;
    AboutForm *about() const;
    ForecastTextForm *forecastText() const;
    RunHistoryForm *runHistory() const;

private:
    QWidget *m_owner;
    AppState &m_state;
    QPointer<HelpForm> m_help;
    QPointer<AboutForm> m_about;
    QPointer<ForecastTextForm> m_forecastText;
    QPointer<RunHistoryForm> m_runHistory;
};

} // namespace kess
