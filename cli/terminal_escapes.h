#pragma once

// Whether the terminal on standard error acts on escape sequences such as ESC [ K (erase to the end of the
// line). Terminals do, unless TERM says "dumb"; a Windows console does once its virtual-terminal processing
// is on, which the first call turns on when the console allows it. A classic console that does not shows
// them as text ("←[K"), so what is drawn there must do with carriage returns and spaces.
bool terminalTakesEscapes();
