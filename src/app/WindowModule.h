#pragma once
// The window module, sortivo-window.so: the toolkit and everything that needs it. The program
// itself does not link the toolkit: loading it and its libraries takes a good part of the time
// to the first picture, so the program starts the early opening (TEarlyOpen) first, then loads
// the module beside it and hands the opening over.
class TEarlyOpen;

inline constexpr const char* kWindowModuleName = "sortivo-window.so";
inline constexpr const char* kWindowModuleEntry = "SortivoWindowMain";
// Runs the program from its command line on, taking over early (null when nothing is opened
// early), and returns the exit status.
using WindowModuleEntry = int (*)(int argc, char** argv, TEarlyOpen* early);
