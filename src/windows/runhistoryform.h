#pragma once
// "Run history": every run kept in "kessruns.csv" at a glance, one row per site and one column
// per run, the newest run on the left. A cell shows the site's outcome in that run by a letter
// and a colour; its reason is the cell's tool tip and the detail line under the grid when it is
// selected. The sites that were lost in the newest run come first, marked with "!". Of a record
// that names more sites than the program can have, the 99 seen last are shown.
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
    struct Row {
        QString code;
        QString site;     // "KATL Atlanta"
        bool lostLast = false;
    };
    // The site of a run shown in a row: the row, and the site's place in the run's list.
    struct Entry {
        int row;
        int site;
        bool operator<(const Entry &other) const { return row < other.row; }
    };
    // The site a cell shows, or none: the site was not in the list of that run.
    const SiteResult *cell(const QModelIndex &index) const;

    // Newest first, with their sites: each row of the record is held once, and a cell is looked
    // up when it is drawn, so the grid takes no more than the record however the runs differ.
    QList<RunRecord> m_runs;
    std::vector<std::vector<Entry>> m_entries; // per run, by row
    std::vector<Row> m_rows;                   // at most the 99 sites the program can have
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
