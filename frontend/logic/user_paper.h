// The paper a printout goes on when nobody chose one: the user's, as libpaper
// and the locale tell it, never a printer driver's built-in default.
#pragma once

#include <string>

namespace kelvo::frontend {

struct Paper {
    std::string name;  // libpaper's name: "a4", "letter", ...
    double widthMm = 0;
    double heightMm = 0;
};

// libpaper's places in its order: $PAPERSIZE, else the first name in the
// file $PAPERCONF (else /etc/papersize); a name none of them gives, or one
// this table does not know, falls to the locale ($LC_ALL, else $LC_PAPER,
// else $LANG): Letter for the countries that use it, A4 for the others.
Paper userPaper();

// The paper of a libpaper name, case aside; nothing for an unknown name.
bool paperNamed(const std::string& name, Paper& paper);

}
