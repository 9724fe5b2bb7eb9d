#include "settings/settings.h"

#include "core/text_codec.h"

#include <QDir>

namespace {

constexpr QByteArrayView kMisc = "Misc";

bool isYes(const QString &text) {
    // Upper-cased in the ANSI sense: only ASCII letters change, so no other text can pass.
    static constexpr char16_t kYes[] = u"YES";
    if (text.size() != 3) {
        return false;
    }
    for (qsizetype i = 0; i < 3; ++i) {
        char16_t c = text[i].unicode();
        if (c >= u'a' && c <= u'z') {
            c = static_cast<char16_t>(c - u'a' + u'A');
        }
        if (c != kYes[i]) {
            return false;
        }
    }
    return true;
}

QByteArrayView keyOf(int index) {
    const std::string_view key = kCatalogue[static_cast<std::size_t>(index)].key;
    return QByteArrayView(key.data(), static_cast<qsizetype>(key.size()));
}

QByteArrayView view(std::string_view text) {
    return QByteArrayView(text.data(), static_cast<qsizetype>(text.size()));
}

// Reads each key into its member; a missing key takes the member's default.
class Reader {
public:
    explicit Reader(const ProfileFile &file) : m_file(file) {}

    void integer(QByteArrayView section, QByteArrayView key, int &member, int fallback) {
        member = parseProfileInt(number(section, key, QString::number(fallback)));
    }
    void flag(QByteArrayView section, QByteArrayView key, bool &member, bool fallback) {
        member =
            isYes(number(section, key, fallback ? QStringLiteral("Yes") : QStringLiteral("No")));
    }
    void color(QByteArrayView section, QByteArrayView key, std::uint32_t &member,
               std::uint32_t fallback) {
        // Stored as the signed 32-bit colour value, so system colours come out negative.
        const int stored =
            parseProfileInt(number(section, key, QString::number(static_cast<int>(fallback))));
        member = static_cast<std::uint32_t>(stored);
    }
    void text(QByteArrayView section, QByteArrayView key, QString &member, const QString &fallback,
              int bufferSize, int cutTo = -1) {
        member = m_file.readString(section, key, fallback, bufferSize);
        if (cutTo >= 0) {
            member.truncate(cutTo);
        }
    }

private:
    QString number(QByteArrayView section, QByteArrayView key, const QString &fallback) const {
        return m_file.readString(section, key, fallback, Settings::kNumberBuffer);
    }

    const ProfileFile &m_file;
};

class Writer {
public:
    Writer(ProfileFile &file, std::vector<ProfileKey> *inexact)
        : m_file(file), m_inexact(inexact) {}

    void integer(QByteArrayView section, QByteArrayView key, int member, int) {
        put(section, key, QString::number(member));
    }
    void flag(QByteArrayView section, QByteArrayView key, bool member, bool) {
        put(section, key, member ? QStringLiteral("Yes") : QStringLiteral("No"));
    }
    void color(QByteArrayView section, QByteArrayView key, std::uint32_t member, std::uint32_t) {
        put(section, key, QString::number(static_cast<int>(member)));
    }
    void text(QByteArrayView section, QByteArrayView key, const QString &member, const QString &,
              int, int = -1) {
        put(section, key, member);
    }

private:
    void put(QByteArrayView section, QByteArrayView key, const QString &value) {
        if (!m_file.writeString(section, key, value) && m_inexact)
            m_inexact->push_back({text8::decode(section), text8::decode(key)});
    }

    ProfileFile &m_file;
    std::vector<ProfileKey> *m_inexact;
};

template <class Font, class Visitor>
void visitFullFont(Visitor &v, QByteArrayView section, Font &font, const FontSpec &d) {
    v.color(section, "Color", font.color, d.color);
    v.text(section, "Font Name", font.name, d.name, Settings::kNameBuffer);
    v.integer(section, "Size", font.size, d.size);
    v.flag(section, "Bold", font.bold, d.bold);
    v.flag(section, "Italic", font.italic, d.italic);
    v.flag(section, "Underline", font.underline, d.underline);
    v.flag(section, "Strikeout", font.strikeout, d.strikeout);
}

template <class Font, class Visitor>
void visitShortFont(Visitor &v, QByteArrayView section, Font &font, const FontSpec &d) {
    v.text(section, "Font Name", font.name, d.name, Settings::kNameBuffer);
    v.flag(section, "Bold", font.bold, d.bold);
    v.flag(section, "Italic", font.italic, d.italic);
}

// The one list of every stored key, in file order. `S` is Settings or const Settings;
// `d` supplies the defaults.
template <class S, class Visitor> void visitAll(S &s, const Settings &d, Visitor &v) {
    v.integer(kMisc, "Button Bar", s.buttonBar, d.buttonBar);
    v.integer(kMisc, "Main Window Left", s.mainLeft, d.mainLeft);
    v.integer(kMisc, "Main Window Top", s.mainTop, d.mainTop);
    v.integer(kMisc, "Main Window Width", s.mainWidth, d.mainWidth);
    v.integer(kMisc, "Main Window Height", s.mainHeight, d.mainHeight);
    v.text(kMisc, "Last Import File", s.lastImportFile, d.lastImportFile, Settings::kTextBuffer);
    v.text(kMisc, "Last Export File", s.lastExportFile, d.lastExportFile, Settings::kTextBuffer);
    v.text(kMisc, "Last Database", s.lastDatabase, d.lastDatabase, Settings::kTextBuffer);
    for (int i = 0; i < Settings::kLastFileCount; ++i) {
        const QByteArray key = "Last File " + QByteArray::number(i + 1);
        const auto at = static_cast<std::size_t>(i);
        v.text(kMisc, key, s.lastFiles[at], d.lastFiles[at], Settings::kTextBuffer);
    }
    v.flag(kMisc, "Show Tips", s.showTips, d.showTips);
    v.integer(kMisc, "Window Size", s.windowSize, d.windowSize);
    v.integer(kMisc, "Date Format", s.dateFormat, d.dateFormat);
    v.flag(kMisc, "Date Leading Zeros", s.dateLeadingZeros, d.dateLeadingZeros);
    v.integer(kMisc, "Currency Format", s.currencyFormat, d.currencyFormat);
    v.integer(kMisc, "Numeric Format", s.numericFormat, d.numericFormat);

    for (std::size_t i = 0; i < kFieldCount; ++i) {
        v.text("Field Names", keyOf(static_cast<int>(i)), s.fieldNames[i], d.fieldNames[i],
               Settings::kNameBuffer, Settings::kDisplayNameLength);
    }
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        v.flag("Display Fields", keyOf(static_cast<int>(i)), s.displayFields[i],
               d.displayFields[i]);
    }
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        v.integer("Field Width", keyOf(static_cast<int>(i)), s.fieldWidth[i], d.fieldWidth[i]);
    }
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        v.integer("Field Order", keyOf(static_cast<int>(i)), s.fieldOrder[i], d.fieldOrder[i]);
    }
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        v.flag("Export Fields", keyOf(static_cast<int>(i)), s.exportFields[i], d.exportFields[i]);
    }
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        v.integer("Export Order", keyOf(static_cast<int>(i)), s.exportOrder[i], d.exportOrder[i]);
    }

    v.flag("Export", "First Row", s.exportFirstRow, d.exportFirstRow);
    v.integer("Export", "File Type", s.exportFileType, d.exportFileType);
    v.flag("Import", "Skip First", s.importSkipFirst, d.importSkipFirst);
    v.integer("Import", "File Type", s.importFileType, d.importFileType);

    static constexpr std::array<QByteArrayView, Settings::kSortLevelCount> sortKeys{
        "Primary Sort", "Secondary Sort", "Third Level Sort", "Fourth Level Sort"};
    for (std::size_t i = 0; i < sortKeys.size(); ++i) {
        v.integer("Sort Order", sortKeys[i], s.sortLevels[i], d.sortLevels[i]);
    }

    for (std::size_t set = 0; set < kColorSections.size(); ++set) {
        for (std::size_t role = 0; role < kColorKeys.size(); ++role) {
            v.color(view(kColorSections[set]), view(kColorKeys[role]),
                    s.colorSets[set].colors[role], d.colorSets[set].colors[role]);
        }
    }

    v.flag("Grid Title", "Show Titles", s.gridShowTitles, d.gridShowTitles);
    v.color("Grid Title", "Background Color", s.gridTitleColor, d.gridTitleColor);
    v.integer("Grid Title", "Alignment", s.gridTitleAlignment, d.gridTitleAlignment);
    visitFullFont(v, "Grid Title Font", s.gridTitleFont, d.gridTitleFont);
    visitFullFont(v, "Grid Font", s.gridFont, d.gridFont);

    v.color("Grid Options", "Cell Color", s.gridCellColor, d.gridCellColor);
    v.flag("Grid Options", "Column Lines", s.gridColumnLines, d.gridColumnLines);
    v.flag("Grid Options", "Row Lines", s.gridRowLines, d.gridRowLines);
    v.flag("Grid Options", "Row Indicator", s.gridRowIndicator, d.gridRowIndicator);
    v.flag("Grid Options", "Field Editing", s.gridFieldEditing, d.gridFieldEditing);

    visitShortFont(v, "Edit Font", s.editFont, d.editFont);
    visitShortFont(v, "Label Font", s.labelFont, d.labelFont);
    visitShortFont(v, "Button Font", s.buttonFont, d.buttonFont);

    constexpr QByteArrayView reports = "Reports";
    v.integer(reports, "Last Report", s.lastReport, d.lastReport);
    v.flag(reports, "Print Insurance Company", s.printInsuranceCompany, d.printInsuranceCompany);
    v.flag(reports, "Print Policy Number", s.printPolicyNumber, d.printPolicyNumber);
    v.flag(reports, "Print Statement", s.printStatement, d.printStatement);
    v.text(reports, "Insurance Company", s.insuranceCompany, d.insuranceCompany,
           Settings::kTextBuffer, Settings::kInsuranceCompanyLength);
    v.text(reports, "Policy Number", s.policyNumber, d.policyNumber, Settings::kTextBuffer,
           Settings::kPolicyNumberLength);
    v.text(reports, "Your Name", s.yourName, d.yourName, Settings::kTextBuffer,
           Settings::kYourNameLength);
    v.integer(reports, "Report Viewing Window Left", s.reportLeft, d.reportLeft);
    v.integer(reports, "Report Viewing Window Top", s.reportTop, d.reportTop);
    v.integer(reports, "Report Viewing Window Width", s.reportWidth, d.reportWidth);
    v.integer(reports, "Report Viewing Window Height", s.reportHeight, d.reportHeight);
}

} // namespace

Settings::Settings() : Settings(QDir::currentPath()) {}

Settings::Settings(const QString &directory)
    : lastImportFile(withoutTrailingSlash(directory)),
      lastExportFile(withoutTrailingSlash(directory)),
      startDirectory(withoutTrailingSlash(directory)) {
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        const std::string_view name = kCatalogue[i].displayName;
        fieldNames[i] = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
        displayFields[i] = true;
        fieldWidth[i] = 15;
        fieldOrder[i] = kCatalogue[i].number;
        exportFields[i] = true;
        exportOrder[i] = kCatalogue[i].number;
    }
}

void Settings::load(const ProfileFile &file) {
    Settings defaults(startDirectory);
    defaults.programDirectory = programDirectory;
    Reader reader(file);
    visitAll(*this, defaults, reader);
}

void Settings::save(ProfileFile &file, std::vector<ProfileKey> *inexact) const {
    Writer writer(file, inexact);
    visitAll(*this, *this, writer);
}

ProfileFile::LoadStatus Settings::loadFrom(const QString &path) {
    auto status = ProfileFile::LoadStatus::Missing;
    const ProfileFile file = ProfileFile::load(path, &status);
    load(file);
    return status;
}

bool Settings::saveTo(const QString &path, std::vector<ProfileKey> *inexact,
                      UnreadableFile unreadable) const {
    auto status = ProfileFile::LoadStatus::Missing;
    ProfileFile file = ProfileFile::load(path, &status);
    if (status == ProfileFile::LoadStatus::Failed) {
        if (unreadable == UnreadableFile::Keep)
            return false;
        file = ProfileFile();
    }
    const QByteArray before =
        status == ProfileFile::LoadStatus::Loaded ? file.toBytes() : QByteArray();
    save(file, inexact);
    // A file that already holds these settings is left alone: rewriting it would only cost
    // a wait for the disk (the save is synced), at every exit.
    if (status == ProfileFile::LoadStatus::Loaded && file.toBytes() == before)
        return true;
    return file.save(path);
}

QString Settings::withoutTrailingSlash(const QString &directory) {
    QString result = directory;
    while (result.size() > 1 && result.endsWith(u'/')) {
        result.chop(1);
    }
    return result;
}
