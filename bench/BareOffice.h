#pragma once

#include <QList>

// The yardstick the office-bound measurements are given as ratios of: one
// plain `soffice --headless --convert-to doc` of the label template, with a
// profile that has done its first-start work and graphics self-test. Returns
// the times of `runs` such runs in ms (after two that prepare the profile).
QList<double> BareOfficeRuns(int runs);
