// The register's header lines (the shop's name and address printed at the
// top of every receipt), as the periodic report shows them.
#pragma once

namespace kelvo::drv {

// Fills ctx.device.headerLines with the header line count's lines: each
// asked with request 157, or, on a register that does not support it,
// blank lines with the last one from the fiscal memory copy of the header.
// A line of double width has a blank after every character. Lines already
// read are not asked again.
bool readHeaderLines();

}
