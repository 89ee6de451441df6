#pragma once

#include "logo_picture.h"
#include "logo_source.h"
#include "logo_text.h"

#include <QObject>
#include <QString>

#include <optional>

class LogoPreview;
class LogoTextDialog;
class QCheckBox;
class QFileDialog;
class QLabel;
class QPushButton;
class QWidget;

// The window's controls for the logo: the preview and the choices below it.
struct LogoChoiceControls
{
    LogoPreview *preview = nullptr;
    QCheckBox *invert = nullptr;
    QCheckBox *dither = nullptr;
    QCheckBox *fill = nullptr;
    QPushButton *text = nullptr;    // "文字…"
    QPushButton *saveAs = nullptr;  // "另存为…"
    QLabel *note = nullptr;         // why a flat picture has few rows
};

// What a download would send and how it is chosen: the logo file the window names, or a text drawn in its
// place; invert, dither and fill; the text dialog and saving the picture as a logo text file. The preview
// and the boxes below it are kept showing the same choices.
class LogoChoices : public QObject
{
    Q_OBJECT

public:
    // `filePath` is the window's logo file, read whenever the logo is read again; the dialogs open over
    // `window`.
    LogoChoices(const LogoChoiceControls &controls, const QString &filePath, QWidget *window);

    // Reads the logo again and shows what a download would send, or why it cannot.
    void refresh();
    // What refresh() last read; none where the file or the text cannot be made a picture.
    const std::optional<LoadedLogo> &logo() const { return m_logo; }
    const LogoImageOptions &imageOptions() const { return m_options; }
    // The text choices of "文字…", kept while a file is the logo so the dialog opens with them again.
    const LogoTextOptions &textOptions() const { return m_text; }
    bool fromText() const { return m_fromText; }
    // The logo as the status line names it: the file's path, or the text.
    QString name() const;

    // The window's file is the logo again, with these choices.
    void useFile(const LogoImageOptions &options = {});
    // The text is the logo, drawn with these choices.
    void useText(const LogoTextOptions &text, const LogoImageOptions &options);

    // While a download sends the picture, none of its choices can be changed.
    void setLocked(bool locked);

    void openTextDialog();
    void saveAsText();

signals:
    // A text for the window's status line.
    void statusChanged(const QString &text);

private:
    void showChoices();

    LogoChoiceControls m_controls;
    const QString &m_filePath;
    QWidget *m_window = nullptr;
    QFileDialog *m_saveDialog = nullptr;
    LogoTextDialog *m_textDialog = nullptr;
    LogoImageOptions m_options;
    std::optional<LoadedLogo> m_logo;
    LogoTextOptions m_text;
    bool m_fromText = false;  // the logo is m_text drawn, not the file
    bool m_locked = false;
};
