// Identification of the register a command talks to, run by the command
// prelude, and the register number check that follows it.
#pragma once

namespace kelvo::drv {

// Reads the identity items, the PLU count (from the identification cache
// file when the register is listed there) and writes the identification line
// as header line 3, and the header lines into the output file. False on failure.
bool identifyRegister();

// Reads the register's own number; when it is a decimal number, lists a
// newly seen register in the identification cache file and, when the command
// asks for it, compares the number with the one the input file names (22).
void settleRegisterNumber(bool checkNumber);

}
