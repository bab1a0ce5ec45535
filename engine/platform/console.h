#pragma once

// Switching the user's attention between a program's text console and its SDL window. Windows
// can bring either to the front; X11 can raise the SDL window, but a terminal is a window of some
// other program that no portable call finds, so the console's handle is 0 there and raising it
// does nothing.

// A window of the desktop as the host names it (an X11 window id); 0 is no window.
using WindowHandle = unsigned long;

// The console window of this process, or 0 where the host cannot tell (always 0 on X11).
WindowHandle GetConsoleWindowHandle();

// The window of the SDL video mode. False if SDL cannot tell (no window, or a driver without
// window-manager information).
bool GetSdlWindowHandle(WindowHandle& handle);

// Raises the window above the others. Does nothing for 0.
void BringToFront(WindowHandle window);
