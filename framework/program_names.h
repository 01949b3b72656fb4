#pragma once
// The names that the program shows and that several of its files need.

// The main window's title, also the name before the version in the About
// box. It is the name the window has always carried, not the product name
// (Quorlin: the files, the packages, the Start menu), and it stays so:
// users, and the scripts that find the window by its title, know it by it.
inline constexpr char kWindowTitle[] = "Velkomir";
