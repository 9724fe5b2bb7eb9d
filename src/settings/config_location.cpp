#include "settings/config_location.h"

#include "core/case_insensitive_path.h"

#include <QDir>
#include <QFileInfo>

namespace {

// An XDG base directory: the variable when it holds an absolute path (relative ones are
// invalid and ignored), else the given folder under the home directory.
QString baseDirectory(const char *variable, const QString &underHome) {
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value)) {
        return QDir::cleanPath(value);
    }
    return QDir::cleanPath(QDir::homePath() + u'/' + underHome);
}

QString cleanDirectory(const QString &directory) {
    return QDir::cleanPath(QFileInfo(directory).absoluteFilePath());
}

} // namespace

ConfigLocation::ConfigLocation() : m_programDirectory(defaultProgramDirectory()) {}

void ConfigLocation::setConfigFile(const QString &path) {
    m_configFile = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
}

void ConfigLocation::setProgramDirectory(const QString &directory) {
    m_programDirectory =
        directory.isEmpty() ? defaultProgramDirectory() : cleanDirectory(directory);
}

QString ConfigLocation::configFile() const {
    if (!m_configFile.isEmpty()) {
        return m_configFile;
    }
    return resolveCaseInsensitive(defaultConfigDirectory(), QString::fromLatin1(kConfigFileName));
}

bool ConfigLocation::ensureProgramDirectory() const {
    return QDir().mkpath(m_programDirectory) && QFileInfo(m_programDirectory).isDir();
}

QString ConfigLocation::defaultConfigDirectory() {
    return baseDirectory("XDG_CONFIG_HOME", QStringLiteral(".config")) + u'/' +
           QString::fromLatin1(kAppFolder);
}

QString ConfigLocation::defaultProgramDirectory() {
    return baseDirectory("XDG_DATA_HOME", QStringLiteral(".local/share")) + u'/' +
           QString::fromLatin1(kAppFolder);
}
