#pragma once

class QWidget;
class QDialog;

// The history of commands in a window of its own, newest at the bottom; returns it, already shown.
QDialog *showHistory(QWidget *parent);
