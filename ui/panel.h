// A panel: a child window in the button-face colour, framed by a lowered outer and a
// raised inner bevel, that holds controls. It passes their commands and notifications on
// to its parent, so the form handles every control as if it were its own, and it draws
// the bevel lines it is given: each an etched line along the top of its rectangle.
#ifndef HINMEI_UI_PANEL_H_
#define HINMEI_UI_PANEL_H_

#include <windows.h>

#include <vector>

namespace ui {

HWND CreatePanel(HWND parent, int control_id);
void SetPanelTopLines(HWND panel, std::vector<RECT> lines);

}  // namespace ui

#endif  // HINMEI_UI_PANEL_H_
