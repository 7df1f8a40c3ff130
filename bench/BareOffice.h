#pragma once

#include <vector>

// The yardstick every click and start-up is read against: one plain headless
// office run converting the template to .doc, with a profile that has done
// its graphics self-test. Returns the wall time of each of `runs` runs in ms.
// Throws std::runtime_error when the office cannot run.
std::vector<double> BareOfficeRuns(int runs);
