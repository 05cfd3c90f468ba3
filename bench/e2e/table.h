#pragma once

#include "measurements.h"

#include <map>
#include <string>
#include <vector>

namespace e2e {

// Everything one invocation measured, the two viewers run alternately.
struct Results
{
    std::vector<ViewerRun> before, now;
    // Start-ups of each program, by name: the viewers "before" and "now", and the floors
    // "bare window" and "bare chart".
    std::map<std::string, std::vector<StartUp>> startUps;
    std::vector<double> sandboxAlone; // ms
};

// Prints the Markdown table and the targets judged on it.
void printTable(const Results &results, const Settings &s, const std::string &beforeLabel);

} // namespace e2e
