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
    w.Command1->setText(QStringLiteral("Activate schedu&ler"));
    if (w.state.schedulerOn) {
        w.offon->setText(QStringLiteral("Scheduler ON"));
        MainWindow::setTextColor(w.offon, MainWindow::darkGreen());
        w.Command1->setText(QStringLiteral("Deactivate schedu&ler"));
    }
}

void SchedulerPanel::enableSchedulingTimer()
{
    m_forecast.rule.reset();
    m_forecast.waitingSinceMs = -1;
    w.Timer2->start();
}

void SchedulerPanel::enableLearningTimer()
{
    const AppState &s = w.state;
    m_learning.rule.reset();
    m_learning.waitingSinceMs = -1;
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
        w.Command1->setText(QStringLiteral("Activate schedu&ler"));
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
    w.Command1->setText(QStringLiteral("Deactivate schedu&ler"));
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

std::optional<QString> SchedulerPanel::startNow(Starts &starts, const std::vector<double> &times)
{
    if (starts.inTick)
        return std::nullopt; // the run this timer started is still under way
    const Tick now = readClock();
    const bool due = starts.rule.tick(now, times, false);
    if (w.runGate.busy()) {
        if (due && w.runGate.kind() != starts.kind && starts.waitingSinceMs < 0)
            starts.waitingSinceMs = now.monotonicMs;
        return std::nullopt;
    }
    if (!due && starts.waitingSinceMs < 0)
        return std::nullopt;
    QString note;
    if (starts.waitingSinceMs >= 0) {
        const QString other = starts.kind == RunGate::Kind::Forecast ? QStringLiteral("learning")
                                                                      : QStringLiteral("forecast");
        note = QStringLiteral("Scheduled start delayed %1 while a %2 run was under way")
                   .arg(durationText(now.monotonicMs - starts.waitingSinceMs), other);
        starts.waitingSinceMs = -1;
    }
    return note;
}

void SchedulerPanel::schedulingTick()
{
    const auto note = startNow(m_forecast, forecastStartTimes());
    if (!note)
        return;
    m_forecast.inTick = true;
    w.forecastRun().run(RunStart::Scheduled, *note);
    m_forecast.inTick = false;
    m_forecast.rule.runFinished(readClock(), forecastStartTimes());
}

void SchedulerPanel::learningTick()
{
    const auto note = startNow(m_learning, learningStartTimes());
    if (!note)
        return;
    m_learning.inTick = true;
    w.runLearning(RunStart::Scheduled, *note);
    m_learning.inTick = false;
    m_learning.rule.runFinished(readClock(), learningStartTimes());
}

} // namespace kess
