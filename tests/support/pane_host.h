#pragma once
// The program's panes made in this process, on the display: a window to
// hold them and a way to paint what waits to be painted.
#include <windows.h>

// A visible top-level window to hold a pane, with the common controls'
// classes registered first; null when it cannot be made.
HWND CreatePaneHost(const wchar_t* title);

// Paints everything that waits to be painted, as the message loop would.
void PaintAll(HWND window);
