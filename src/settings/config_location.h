#pragma once

#include <QString>

// Where the program keeps its files. The configuration file STOWKP.INI lives in
// $XDG_CONFIG_HOME/stowkeep (default ~/.config/stowkeep); the program directory, home of the
// report definitions, pick lists and MASTER.DBF, is $XDG_DATA_HOME/stowkeep (default
// ~/.local/share/stowkeep). Either can be given explicitly instead (the batch tool's
// --config FILE and --data-dir DIR, and tests).
class ConfigLocation {
public:
    static constexpr const char *kConfigFileName = "STOWKP.INI";
    static constexpr const char *kAppFolder = "stowkeep";

    // Both from the environment.
    ConfigLocation();

    // An empty text restores the default from the environment.
    void setConfigFile(const QString &path);
    void setProgramDirectory(const QString &directory);

    // The configuration file's path. Without an explicit file, an existing file in the
    // configuration directory is found whatever the case of its name (a copy from Windows
    // may be called stowkp.ini).
    [[nodiscard]] QString configFile() const;
    // Without trailing slash.
    [[nodiscard]] QString programDirectory() const { return m_programDirectory; }

    // Creates the program directory when it does not exist yet.
    [[nodiscard]] bool ensureProgramDirectory() const;

    [[nodiscard]] static QString defaultConfigDirectory();
    [[nodiscard]] static QString defaultProgramDirectory();

private:
    QString m_configFile; // empty: the default
    QString m_programDirectory;
};
