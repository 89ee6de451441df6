#pragma once

#include <QStringView>

// How a command ended, in one word: the history file's outcome, --json's "status", the provision report's
// status column and the window's history view all read these. They are on disk and in users' scripts, so a
// word, once written, never changes.
namespace OutcomeWord {
// The ends a command on the line can have, window and command line alike.
inline constexpr QStringView Ok = u"ok";
inline constexpr QStringView NoReply = u"no-reply";
inline constexpr QStringView WrongReply = u"wrong-reply";
inline constexpr QStringView PortLost = u"port-lost";
inline constexpr QStringView PortOpenFailed = u"port-open-failed";
inline constexpr QStringView Interrupted = u"interrupted";
// The window's scan closed before it had asked every number.
inline constexpr QStringView Cancelled = u"cancelled";
// The command line's own: input refused, files and output, and a batch's numbers.
inline constexpr QStringView BadInput = u"bad-input";
inline constexpr QStringView FileError = u"file-error";
inline constexpr QStringView OutputFailed = u"output-failed";
inline constexpr QStringView Incomplete = u"incomplete";
inline constexpr QStringView DuplicateSerial = u"duplicate-serial";
inline constexpr QStringView NumberTaken = u"number-taken";
inline constexpr QStringView Skipped = u"skipped";
inline constexpr QStringView NotReached = u"not-reached";
// A scan's number that two terminals seem to share.
inline constexpr QStringView Collision = u"collision";
} // namespace OutcomeWord
