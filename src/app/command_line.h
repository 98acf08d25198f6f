#pragma once
// The headless modes of the ohmkit executable.
//
//   ohmkit script ROUTE [STEP ...]   open a screen, apply gestures, print its outlets
//   ohmkit serve [--port N] [--documents DIR]   serve the datasheet store over FTP
//
// Both run the same controllers and run loop as the window, without any display.
#include <iosfwd>
#include <string>
#include <vector>

namespace ohmkit::app {

// Runs a headless mode when argv names one; returns its exit status, or -1 when argv asks
// for the window instead.
int runCommandLine(int argc, char** argv);

// The scripted mode, with its output and error streams (exit status 0, or 2 for bad input).
int runScript(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The usage text of the headless modes.
std::string usageText();

}  // namespace ohmkit::app
