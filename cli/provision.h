#pragma once

#include <QStringList>

// timeclock-setup provision PROFILE: terminal after terminal on one port, each fresh from the factory,
// given its own machine number, the profile's settings and logo, and read back to confirm it answers.
int runProvision(const QStringList &arguments);
