// Pixels of the window design, laid out for 96 DPI, scaled to the DPI of a monitor.
//
// The DPI functions of Windows 10 are looked up at run time, so that the program still
// starts on Windows 7, where the system DPI stands in for the monitor's.
#ifndef HINMEI_UI_DPI_H_
#define HINMEI_UI_DPI_H_

#include <windows.h>

namespace ui {

inline constexpr UINT kDesignDpi = 96;

// A rectangle of the design: left, top, width and height at 96 DPI.
struct DesignRect {
  int left;
  int top;
  int width;
  int height;
};

int ScaleToDpi(int design_pixels, UINT dpi);
// Scales the edges, so that rectangles that touch in the design still touch.
RECT ScaleRect(const DesignRect& rect, UINT dpi);

// The DPI of the monitor the window is on.
UINT WindowDpi(HWND window);
// The size of a window whose client area is `client_width` x `client_height` pixels.
SIZE WindowSizeForClient(int client_width, int client_height, DWORD style, DWORD ex_style,
                         UINT dpi);

}  // namespace ui

#endif  // HINMEI_UI_DPI_H_
