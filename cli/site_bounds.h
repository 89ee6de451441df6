#pragma once

#include "outcome.h"

#include <optional>

// The most lines one command works at once: every line is a port open in this one process, side by side
// on its event loop.
inline constexpr int MaxSiteLines = 64;

// What `lines` lines at once would go beyond, said before any port is opened: more than MaxSiteLines, or
// fewer file descriptors left to this process than they need (where the system lets it, the process's
// own limit is raised up to its ceiling first). Nothing when they may all be opened.
std::optional<Problem> siteLinesProblem(qsizetype lines);
