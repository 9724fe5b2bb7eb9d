#pragma once

#include <QString>

#include <optional>

struct Settings;

// The rules of the report selection window, the preview and its dialogs, apart from the
// windows.
namespace repselect {

inline constexpr const char *kNoSelection = "No Report has been selected.  Please choose one.";
inline constexpr const char *kNoFormat = "Report format could not be located.";
inline constexpr const char *kPrinterBusy =
    "Previous print job has not yet finished.  Try again later.";
inline constexpr const char *kBadStartPage = "Invalid Starting Page specified. Please correct.";
inline constexpr const char *kBadEndPage = "Invalid Ending Page specified.  Please correct.";

// The display names of the sort levels that name a field, in level order, joined by ", ";
// "No Sort Order Selected" when none does.
[[nodiscard]] QString SortOrderInWords(const Settings &settings);

// The page range dialog's check: each text trimmed and read by its leading digits; the start
// must lie in 1..pages, the end in start..pages.
struct PageRange {
    int first = 1, last = 1;
};
enum class RangeError { None, BadStart, BadEnd };
[[nodiscard]] RangeError CheckPageRange(const QString &startText, const QString &endText, int pages,
                                        PageRange *range);

// The insurance dialog's six values, cut to what the settings hold.
struct Insurance {
    QString company, policy, name;
    bool printCompany = false, printPolicy = false, printStatement = false;
};
[[nodiscard]] Insurance InsuranceOf(const Settings &settings);
void StoreInsurance(const Insurance &values, Settings &settings);

// Preview zoom: percent, in steps of 10, held to a range in which a page stays drawable.
inline constexpr double kZoomStep = 10.0;
inline constexpr double kMinZoom = 10.0;
inline constexpr double kMaxZoom = 400.0;
[[nodiscard]] double ClampZoom(double zoom);
// The zoom as its box shows it: one decimal, at most 10 characters.
[[nodiscard]] QString ZoomText(double zoom);
// A zoom typed into the box: a number (blanks around it allowed); nothing otherwise.
[[nodiscard]] std::optional<double> ParseZoom(const QString &text);
// A page number typed into its box: a whole number; nothing otherwise.
[[nodiscard]] std::optional<int> ParsePage(const QString &text);
// "Page 3 of 12".
[[nodiscard]] QString PageLabelText(int page, int firstPage, int pages);

} // namespace repselect
