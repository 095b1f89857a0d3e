#include "frontend/logic/date_text.h"

namespace kelvo::frontend {

std::string twoDigits(int value)
{
    return (value >= 0 && value < 10 ? "0" : "") + std::to_string(value);
}

std::string titleDate(int day, int month, int year)
{
    return twoDigits(day) + "." + titleMonth(month, year);
}

std::string titleMonth(int month, int year)
{
    return twoDigits(month) + "." + std::to_string(year) + "r.";
}

}
