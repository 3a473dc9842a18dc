#pragma once
// Under the run's labels: while a run is under way a progress bar "site k of n" over the included
// sites and the time it has taken so far; afterwards the one-line summary of the last run (also
// shown at start-up from "kesshistory.txt", so the morning after a night's runs it is there).
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QWidget>

namespace kess {

class RunStatus;

class RunStatusPanel : public QWidget {
    Q_OBJECT
public:
    explicit RunStatusPanel(QWidget *parent = nullptr);

    // Follows this run from now on; the elapsed time moves on with each tick of `refresh` (the reply poll,
    // which runs through every run), so the display adds no wake-ups of its own.
    void watch(RunStatus &status, QTimer *refresh);

    QProgressBar *runProgress;
    QLabel *runElapsed;
    QLabel *lastRun;

private:
    void showProgress();
    void showElapsed();
    void showLastRun(const QString &line);

    RunStatus *m_status = nullptr;
};

} // namespace kess
