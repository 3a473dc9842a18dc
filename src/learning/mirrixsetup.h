#pragma once
// The "Mirrix setup" window: which sites take part in the daily learning run, the time of that
// run, and the learning settings of one site opened in mirrix.exe and saved back or dropped.
// Not modal; it deletes itself when it closes, and the next opening reads its files again.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QWidget>

namespace kess {

class MainWindow;
struct AppState;

class MirrixSetup : public QWidget {
    Q_OBJECT
public:
    explicit MirrixSetup(MainWindow &window);

    // Reads "mxrunlist.txt" and the sites' names and codes, and shows the learning time. The
    // daily learning run stays off until OK.
    void load();

    void siteClicked(int row);
    void includeInRun();
    void omitFromRun();
    void includeAll();
    void omitAll();
    void openMirrix();
    void saveSettings();
    void dontSave();
    void ok();

    // After a learning run "mxrninit.txt" holds what the run left: Save then wants a fresh click.
    void forgetSiteInSettings() { m_siteInSettings = 0; }

    QListWidget *listmxrn;
    QLabel *Label6, *Label15, *Label16, *Label3, *Label1, *Label5;
    QPushButton *Command8, *Command9, *Command18, *Command19;
    QPushButton *Command2, *Command4, *Command13, *Command1;
    QGroupBox *Frame1;
    QScrollBar *mxhrscrl, *mxminscrl;
    QLineEdit *mxhrtxt, *mxmintxt;
    QLabel *mxtime, *Label4, *Label2, *mxlbl;

protected:
    // Escape and the frame's close ask before they drop changed include marks or a changed time.
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void arrangeControls();
    void showTime();
    QString lineOf(int site, bool strictMark) const;
    void rebuild(bool strictMarks, int count);
    void setSelectedFlag(int flag);
    void setAllFlags(int flag);
    bool mirrixClosedCheck();
    // True (after a notice) while a learning run works on "mxrninit.txt".
    bool learningRunUnderWay() const;
    bool changedSinceLoad() const;
    void reportFileError(int number, const QString &reason);

    MainWindow &w;
    AppState &s;
    int m_siteInSettings = 0; // the site whose a<N>.txt this window put into "mxrninit.txt" last
    QList<int> m_loadedFlags;  // the include marks and the time as loaded, to tell a change
    int m_loadedHour = 0, m_loadedMinute = 0;
    bool m_closingByOk = false;
};

} // namespace kess
