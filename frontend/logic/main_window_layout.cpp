#include "frontend/logic/main_window_layout.h"

namespace kelvo::frontend {

Size displaySize(Size client, int toolbarHeight, int statusHeight)
{
    return {client.width - 10, client.height - toolbarHeight - statusHeight - 2};
}

Point noticeOffset(Size display, Size notice)
{
    return {(display.width - notice.width) / 2, (display.height - notice.height) / 2};
}

}
