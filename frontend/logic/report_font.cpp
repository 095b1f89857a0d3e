#include "frontend/logic/report_font.h"

#include <algorithm>

namespace kelvo::frontend {

int reportFontPoints(int chosenPoints)
{
    return std::clamp(chosenPoints, kSmallestReportPoints, kLargestReportPoints);
}

}
