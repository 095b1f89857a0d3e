#pragma once

namespace kelvo::drv {

// Reads how many PLU articles the register holds: asked directly where the
// register can tell, else found by bisection with article probes.
bool readPluCount();

}
