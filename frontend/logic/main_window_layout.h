// Where the report display and the reading notice stand in the main window.
#pragma once

namespace kelvo::frontend {

struct Size {
    int width = 0;
    int height = 0;

    bool operator==(const Size&) const = default;
};

struct Point {
    int x = 0;
    int y = 0;

    bool operator==(const Point&) const = default;
};

// The display takes the client area less 10 pixels of width and less the
// toolbar, the status line and 2 pixels of height.
Size displaySize(Size client, int toolbarHeight, int statusHeight);

// The notice's place over the display, relative to the display's corner:
// each half-difference truncated toward zero, as integer division does.
Point noticeOffset(Size display, Size notice);

}
