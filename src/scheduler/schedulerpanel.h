#pragma once
// The scheduler's controls: the hour boxes, "Activate scheduler", and the scheduling and
// learning timers that start the runs.
#include "scheduler/duerule.h"

#include <vector>

namespace kess {

class MainWindow;

class SchedulerPanel {
public:
    explicit SchedulerPanel(MainWindow &window);

    void activateOrDeactivate();   // Command1
    void hourClicked(int hour, bool ticked);
    void schedulingTick();         // Timer2
    void learningTick();           // Timer3

    // Shows "Scheduler OFF"/"Scheduler ON" and the button's caption for `scheduler on`.
    void showState();
    void enableSchedulingTimer();
    // Enables the learning timer and shows the learning time in Label18.
    void enableLearningTimer();
    // "18:15": the next scheduled forecast start; empty while the scheduler is off or has no hour.
    QString nextStart() const;

private:
    std::vector<double> forecastStartTimes() const;
    std::vector<double> learningStartTimes() const;
    MainWindow &w;
    DueRule m_forecastRule;
    DueRule m_learningRule;
    bool m_inSchedulingTick = false;
    bool m_inLearningTick = false;
};

} // namespace kess
