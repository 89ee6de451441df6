#pragma once

#include "logo_text.h"

#include <QByteArray>
#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class LogoPreview;

// "文字…": the operator types one or two lines, chooses the font, its size (fitted to the logo, or in
// points, one point a dot), bold and alignment, and sees the logo as it will be sent while typing.
class LogoTextDialog : public QDialog
{
    Q_OBJECT

public:
    explicit LogoTextDialog(QWidget *parent = nullptr);

    void setOptions(const LogoTextOptions &options);
    LogoTextOptions options() const;

    // Whether the picture is shown with every dot turned over, as the window's 反色 will send it.
    void setInverted(bool inverted);

    // The 512 bytes the preview shows now.
    QByteArray bytes() const { return m_bytes; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void redraw();

    QLineEdit *m_firstLine = nullptr;
    QLineEdit *m_secondLine = nullptr;
    QComboBox *m_font = nullptr;
    QSpinBox *m_size = nullptr;
    QCheckBox *m_bold = nullptr;
    QComboBox *m_alignment = nullptr;
    LogoPreview *m_preview = nullptr;
    QPushButton *m_ok = nullptr;
    bool m_inverted = false;
    QByteArray m_bytes;
};
