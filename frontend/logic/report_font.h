// The report display's font: its default and the sizes the font dialog may
// give it.
#pragma once

namespace kelvo::frontend {

inline constexpr char kReportFontFamily[] = "Courier New";
inline constexpr int kReportFontPixels = 13;
inline constexpr int kSmallestReportPoints = 6;
inline constexpr int kLargestReportPoints = 16;

// A size chosen in the font dialog, brought into 6 to 16 points.
int reportFontPoints(int chosenPoints);

}
