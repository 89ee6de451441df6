#pragma once

class QDialog;
class QString;
class QWidget;
struct HistoryEntry;

// The history of commands in a window of its own, newest at the bottom; returns it, already shown.
QDialog *showHistory(QWidget *parent);

// One entry as the window shows it: the file's words (command, outcome, answers) in the window's language.
QString historyLineShown(const HistoryEntry &entry);
