// Numbers and dates as the front end writes them into files, titles and
// file names.
#pragma once

#include <string>

namespace kelvo::frontend {

// Zero-padded to two digits: 3 gives "03".
std::string twoDigits(int value);

// "05.01.2009r.", as report titles show a date.
std::string titleDate(int day, int month, int year);

// "03.2009r.", as report titles show a month.
std::string titleMonth(int month, int year);

}
