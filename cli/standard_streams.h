#pragma once

// Fills the standard descriptors 0, 1 and 2 the program was started without (`<&-`, `>&-`, `2>&-`) before
// anything else opens a descriptor; otherwise the next file, pipe or event descriptor opened would take the
// number and be read as the operator's answers or written with the results. A missing input reads as its
// end (no answers); a missing output takes no bytes, so what was to be printed is reported as not written;
// a missing standard error swallows its messages.
void fillClosedStandardStreams();

// Keeps the warnings Qt's image decoder and QStandardPaths print on their own ("libpng error: Read Error",
// "QStandardPaths: XDG_RUNTIME_DIR not set") off standard error: the program says in its own message what
// went wrong, once. Every other message goes where it went before.
void keepQtsOwnWarningsOff();
