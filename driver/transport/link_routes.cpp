// The one place that turns a route into the operations table of its link.
#include "driver/transport/converter_link.h"
#include "driver/transport/link_operations.h"

namespace kelvo::drv {

const LinkOperations& linkOperationsFor(const LinkRoute& route)
{
    switch (route.kind) {
    case LinkKind::Serial: return route.extendedSettings ? kFramedSerialLine : kSerialLine;
    case LinkKind::ConverterSerial: return route.extendedSettings ? kFramedConverterSerialLine : kConverterSerialLine;
    case LinkKind::Tcp: return route.extendedSettings ? kFramedTcpLine : kTcpLine;
    }
    return kSerialLine;
}

}
