#pragma once

#include "core/color_set.h"
#include "core/field_catalogue.h"
#include "core/font_spec.h"
#include "settings/profile_file.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

// Every user preference of the program: one record, filled once from STOWKP.INI at start-up,
// changed in memory by the windows and written back whole. Members start at the values a
// missing key gives. Load and save walk the keys in one fixed order (see settings.cpp).
struct Settings {
    static constexpr int kLastFileCount = 5;
    static constexpr int kSortLevelCount = 4;

    // Buffer sizes the values are read into (characters, terminating null included) and the
    // lengths some texts are cut to after reading.
    static constexpr int kNumberBuffer = 15;
    static constexpr int kTextBuffer = 250;
    static constexpr int kNameBuffer = 150;
    static constexpr int kDisplayNameLength = 20;
    static constexpr int kInsuranceCompanyLength = 40;
    static constexpr int kPolicyNumberLength = 20;
    static constexpr int kYourNameLength = 30;

    // Uses the current directory as the default of the last import and export files.
    Settings();
    // `startDirectory` is the current directory as found at start-up.
    explicit Settings(const QString &startDirectory);

    // [Misc]
    int buttonBar = 1;
    int mainLeft = 0;
    int mainTop = 0;
    int mainWidth = 640;
    int mainHeight = 480;
    QString lastImportFile;
    QString lastExportFile;
    QString lastDatabase;
    std::array<QString, kLastFileCount> lastFiles;
    bool showTips = true;
    int windowSize = 640;
    int dateFormat = 1;
    bool dateLeadingZeros = false;
    int currencyFormat = 1;
    int numericFormat = 1;

    // One entry per field, in catalogue order (index 0 is field number 1).
    std::array<QString, kFieldCount> fieldNames;
    std::array<bool, kFieldCount> displayFields{};
    std::array<int, kFieldCount> fieldWidth{};
    std::array<int, kFieldCount> fieldOrder{};
    std::array<bool, kFieldCount> exportFields{};
    std::array<int, kFieldCount> exportOrder{};

    // [Export], [Import]
    bool exportFirstRow = true;
    int exportFileType = 1;
    bool importSkipFirst = true;
    int importFileType = 1;

    // [Sort Order]: field numbers of the four levels, 0 meaning none.
    std::array<int, kSortLevelCount> sortLevels{field::Category + 1, 0, 0, 0};

    // The five colour sections, indexed by ColorTarget.
    std::array<ColorSet, kColorTargetCount> colorSets{};

    // [Grid Title]
    bool gridShowTitles = true;
    std::uint32_t gridTitleColor = 8553090;
    int gridTitleAlignment = 2; // 1 left, 2 centre, 3 right

    FontSpec gridTitleFont{QStringLiteral("Arial"), 12};
    FontSpec gridFont{QStringLiteral("Arial"), 10};

    // [Grid Options]
    std::uint32_t gridCellColor = kSilver;
    bool gridColumnLines = true;
    bool gridRowLines = true;
    bool gridRowIndicator = true;
    bool gridFieldEditing = false;

    // Name, bold and italic are stored for these three; size and colour stay as they are.
    FontSpec editFont;
    FontSpec labelFont;
    FontSpec buttonFont;

    // [Reports]
    int lastReport = 0;
    bool printInsuranceCompany = false;
    bool printPolicyNumber = false;
    bool printStatement = false;
    QString insuranceCompany;
    QString policyNumber;
    QString yourName;
    int reportLeft = 0;
    int reportTop = 0;
    int reportWidth = 640;
    int reportHeight = 480;

    // Not stored: set by the caller. The directory the program's own files live in, and the
    // current directory at start-up (the default of the last import and export files). Both
    // without a trailing slash.
    QString programDirectory;
    QString startDirectory;

    ColorSet &colorSet(ColorTarget target) { return colorSets[static_cast<int>(target)]; }
    const ColorSet &colorSet(ColorTarget target) const {
        return colorSets[static_cast<int>(target)];
    }

    // Reads every key; a missing key gives its default.
    void load(const ProfileFile &file);
    // Writes every key, known keys replaced in place, everything else in `file` kept. A text
    // the file cannot hold exactly (a character outside its code page, a line break) is
    // still written, with '?' or a blank in its place, and its key is added to `inexact`
    // when given, so that the user can be told which values changed.
    void save(ProfileFile &file, std::vector<ProfileKey> *inexact = nullptr) const;

    // Loads from a file (a missing file gives the defaults). Returns the file's status: a
    // file that exists but cannot be read leaves the defaults, and the caller must say so.
    [[nodiscard]] ProfileFile::LoadStatus loadFrom(const QString &path);

    // What saveTo does with an existing file it cannot read.
    enum class UnreadableFile { Keep, Replace };
    // Saves into the file at `path`, keeping what it holds beyond the known keys. An
    // existing file that cannot be read is kept (returns false), so it is never replaced by
    // a copy that lost its other contents, unless the user chose to replace it. A file
    // that holds these settings already is not written again. `inexact` as for save().
    [[nodiscard]] bool saveTo(const QString &path, std::vector<ProfileKey> *inexact = nullptr,
                              UnreadableFile unreadable = UnreadableFile::Keep) const;

    // A directory as the default of the last import and export files: no trailing slash,
    // except "/" itself.
    [[nodiscard]] static QString withoutTrailingSlash(const QString &directory);
};
