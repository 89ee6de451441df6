#pragma once

#include "site_inventory.h"

#include <QDialog>

class QFileDialog;
class QLabel;
class QTableWidget;

// The site's terminals as this PC's history knows them, one row each, followed by serial number; read-only,
// and exported as the same CSV file as `inventory --csv`.
class SiteTableDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SiteTableDialog(QWidget *parent = nullptr);

    const QList<SiteTerminal> &terminals() const { return m_terminals; }

private:
    void fill();
    void exportCsv(const QString &path);

    QList<SiteTerminal> m_terminals;
    QLabel *m_state = nullptr;
    QTableWidget *m_table = nullptr;
    QFileDialog *m_saveDialog = nullptr;
};

// Opens the site table from the history as it is now; returns it, already shown.
SiteTableDialog *showSiteTable(QWidget *parent);
