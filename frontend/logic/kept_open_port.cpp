#include "frontend/logic/kept_open_port.h"

#include <kelvo/kelvodrv.h>

namespace kelvo::frontend {

KeptOpenPort::KeptOpenPort()
{
    UstawieniePozostawiacOtwartyPortSzeregowy(1);
}

KeptOpenPort::~KeptOpenPort()
{
    release();
}

void KeptOpenPort::release()
{
    // Clearing the switch closes the port the last command left open.
    UstawieniePozostawiacOtwartyPortSzeregowy(0);
}

}
