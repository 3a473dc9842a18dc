#pragma once
// Keeping or dropping what the user changed in a companion program opened as the selected site:
// Save (for the site alone, or with the generic data merge for every site marked '+'), Don't
// save, and the check offered before other actions when neither was chosen.
#include <QString>

namespace kess {

class MainWindow;

class SiteSettings {
public:
    explicit SiteSettings(MainWindow &window);

    // "Save ... settings for:". Refused while a run is under way.
    void save();
    // "Don't save".
    void dontSave();
    // Asks whether to save when the save button is still enabled; Yes saves, No disables it.
    void unsavedSettingsCheck();

private:
    MainWindow &w;
};

} // namespace kess
