#pragma once
// "Run history": every run kept in "kessruns.csv" at a glance, one row per site and one column
// per run, the newest run on the left. A cell shows the site's outcome in that run by a letter
// and a colour; its reason is the cell's tool tip and the detail line under the grid when it is
// selected. The sites that were lost in the newest run come first, marked with "!".
#include "run/runstatus.h"

#include <QAbstractTableModel>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QWidget>
#include <vector>

namespace kess {

class RunHistoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Runs oldest first, as the record holds them.
    void setRuns(const QList<RunRecord> &runs);
    void setDark(bool dark);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // "KATL Atlanta, scheduled forecast run of 2026-12-10 06:15 (2 min 05 s): skipped: why".
    QString detail(const QModelIndex &index) const;

private:
    struct Cell {
        int outcome = -1; // a SiteOutcome, or -1: the site was not in the list of that run
        QString reason;
    };
    struct Row {
        QString site;     // "KATL Atlanta"
        bool lostLast = false;
    };
    const Cell &cell(const QModelIndex &index) const;

    QList<RunRecord> m_runs; // newest first, sites dropped (they live in the cells)
    std::vector<int> m_lost; // the sites each run lost
    std::vector<Row> m_rows;
    std::vector<Cell> m_cells; // row-major
    bool m_dark = false;
};

class RunHistoryForm : public QWidget {
    Q_OBJECT
public:
    explicit RunHistoryForm(QWidget *owner);

    // Reads "kessruns.csv" afresh.
    void load();

    QLabel *legend;
    QTableView *grid;
    QLabel *detailLine;
    QPushButton *closeButton;

protected:
    void changeEvent(QEvent *event) override;

private:
    RunHistoryModel m_model;
};

} // namespace kess
