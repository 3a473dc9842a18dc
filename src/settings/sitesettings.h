#pragma once
// Keeping or dropping what the user changed in a companion program opened as the selected site:
// Save (for the site alone, or with the generic data merge for every site marked '+'), Don't
// save, and the check offered before other actions when neither was chosen.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace kess {

class MainWindow;

// What the user changed in a companion opened as the selected site and has not saved or
// dropped yet: the working files as they are, and the state of the buttons that decide it.
struct UnsavedEdits {
    QList<QPair<QString, QByteArray>> files;
    int companion = 0;
    QString saveCaption, prompt, hint;
    QList<QPair<QWidget *, bool>> enabled;
};

class SiteSettings {
public:
    explicit SiteSettings(MainWindow &window);

    // "Save ... settings for:". Refused while a run is under way.
    void save();
    // "Don't save".
    void dontSave();
    // Asks whether to save when the save button is still enabled; Yes saves, No disables it.
    void unsavedSettingsCheck();

    // A run that nobody may be watching keeps the unsaved edits aside and puts them back when
    // it ends, so that Save and Don't save then do what they would have done before it.
    // Nothing when there is nothing unsaved (the save button is not enabled).
    std::optional<UnsavedEdits> keepUnsavedEdits() const;
    // With `files`, also the working files (a run that stopped before it touched them leaves
    // them alone: a companion still open may have saved into them since). The reasons of the
    // files that could not be put back.
    QStringList putBack(const UnsavedEdits &edits, bool files);

private:
    MainWindow &w;
};

} // namespace kess
