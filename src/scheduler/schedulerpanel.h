#pragma once
// The scheduler's controls: the hour boxes, "Activate scheduler", and the scheduling and
// learning timers that start the runs.
#include "core/rungate.h"
#include "scheduler/duerule.h"

#include <optional>
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
    // One timer's scheduled starts.
    struct Starts {
        DueRule rule;
        RunGate::Kind kind;
        bool inTick = false;
        qint64 waitingSinceMs = -1; // a start that fell during a run of the other kind
    };
    // At a tick: nothing when no run starts now, else the note for the run log (empty unless the
    // start had to wait). A due start waits for a run of the other kind and starts as soon as it
    // ends, once; during a run of its own kind it is missed.
    std::optional<QString> startNow(Starts &starts, const std::vector<double> &times);
    std::vector<double> forecastStartTimes() const;
    std::vector<double> learningStartTimes() const;
    MainWindow &w;
    Starts m_forecast{{}, RunGate::Kind::Forecast};
    Starts m_learning{{}, RunGate::Kind::Learning};
};

} // namespace kess
