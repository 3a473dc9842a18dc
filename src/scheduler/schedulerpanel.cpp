#include "schedulerpanel.h"

#include "app/mainwindow.h"
#include "core/clock.h"
#include "files/records.h"
#include "run/forecastrun.h"

namespace kess {

SchedulerPanel::SchedulerPanel(MainWindow &window) : w(window)
{
    QObject::connect(w.Command1, &QPushButton::clicked, &w, [this] { activateOrDeactivate(); });
    for (int h = 0; h < 24; ++h)
        QObject::connect(w.tm[h], &QCheckBox::toggled, &w, [this, h](bool on) { hourClicked(h, on); });
    QObject::connect(w.Timer2, &QTimer::timeout, &w, [this] { schedulingTick(); });
    QObject::connect(w.Timer3, &QTimer::timeout, &w, [this] { learningTick(); });
}

void SchedulerPanel::showState()
{
    w.offon->setText(QStringLiteral("Scheduler OFF"));
    MainWindow::setTextColor(w.offon, MainWindow::darkRed());
    w.Command1->setText(QStringLiteral("Activate scheduler"));
    if (w.state.schedulerOn) {
        w.offon->setText(QStringLiteral("Scheduler ON"));
        MainWindow::setTextColor(w.offon, MainWindow::darkGreen());
        w.Command1->setText(QStringLiteral("Deactivate scheduler"));
    }
}

void SchedulerPanel::enableSchedulingTimer()
{
    m_forecastRule.reset();
    w.Timer2->start();
}

void SchedulerPanel::enableLearningTimer()
{
    const AppState &s = w.state;
    m_learningRule.reset();
    w.Timer3->start();
    w.Label18->setText(QStringLiteral("Mirrix scheduled for ") + twelveHourText(s.learningRunHour, s.learningRunMinute));
    MainWindow::setTextColor(w.Label18, MainWindow::darkGreen());
}

void SchedulerPanel::activateOrDeactivate()
{
    AppState &s = w.state;
    w.unsavedSettingsCheck();
    if (s.schedulerOn) {
        s.schedulerOn = false;
        w.offon->setText(QStringLiteral("Scheduler OFF"));
        MainWindow::setTextColor(w.offon, MainWindow::darkRed());
        w.Timer2->stop();
        w.Timer3->stop();
        w.Label18->setText(QStringLiteral("Mirrix not scheduled"));
        MainWindow::setTextColor(w.Label18, MainWindow::darkRed());
        w.Command1->setText(QStringLiteral("Activate scheduler"));
        return;
    }
    for (int h = 0; h < 24; ++h) {
        s.hourFlags[h] = 0;
        if (w.tm[h]->isChecked()) {
            s.hourFlags[h] = 1;
            s.schedulerOn = true;
        }
    }
    s.minutesAfterTheHour = numericValue(w.mintx->text());
    w.offon->setText(QStringLiteral("Scheduler ON"));
    MainWindow::setTextColor(w.offon, MainWindow::darkGreen());
    enableSchedulingTimer();
    if (s.schedulerOn && s.learningSitesPresent == 1 && (s.learningRunHour > 0 || s.learningRunMinute > 0))
        enableLearningTimer();
    w.Command1->setText(QStringLiteral("Deactivate scheduler"));
}

void SchedulerPanel::hourClicked(int hour, bool ticked)
{
    w.state.hourFlags[hour] = ticked ? 1 : 0;
}

std::vector<double> SchedulerPanel::forecastStartTimes() const
{
    return forecastStarts(std::span<const int, 24>(w.state.hourFlags), w.state.minutesAfterTheHour);
}

std::vector<double> SchedulerPanel::learningStartTimes() const
{
    return learningStarts(w.state.learningRunHour, w.state.learningRunMinute);
}

QString SchedulerPanel::nextStart() const
{
    if (!w.state.schedulerOn || !w.Timer2->isActive())
        return {};
    return nextStartText(Clock::timeOfDay(), forecastStartTimes());
}

void SchedulerPanel::schedulingTick()
{
    if (m_inSchedulingTick)
        return; // the run this timer started is still under way
    const std::vector<double> starts = forecastStartTimes();
    if (!m_forecastRule.tick(readClock(), starts, w.runGate.busy()))
        return;
    m_inSchedulingTick = true;
    w.forecastRun().run(RunStart::Scheduled);
    m_inSchedulingTick = false;
    m_forecastRule.runFinished(readClock(), forecastStartTimes());
}

void SchedulerPanel::learningTick()
{
    if (m_inLearningTick)
        return;
    const std::vector<double> starts = learningStartTimes();
    if (!m_learningRule.tick(readClock(), starts, w.runGate.busy()))
        return;
    m_inLearningTick = true;
    w.runLearning(RunStart::Scheduled);
    m_inLearningTick = false;
    m_learningRule.runFinished(readClock(), learningStartTimes());
}

} // namespace kess
