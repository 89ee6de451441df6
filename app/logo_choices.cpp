#include "logo_choices.h"

#include "logo_preview.h"
#include "logo_text_dialog.h"
#include "status_messages.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

#include <utility>

// The texts here are the window's and are translated with its other texts, under its name.
LogoChoices::LogoChoices(const LogoChoiceControls &controls, const QString &filePath, QWidget *window)
    : QObject(window), m_controls(controls), m_filePath(filePath), m_window(window)
{
    m_saveDialog = new QFileDialog(window);
    m_saveDialog->setObjectName(QStringLiteral("saveLogoAsText"));
    m_saveDialog->setAcceptMode(QFileDialog::AcceptSave);
    m_saveDialog->setFileMode(QFileDialog::AnyFile);
    m_saveDialog->setNameFilter(QCoreApplication::translate("Form1", "文本文件 (*.txt)"));
    m_saveDialog->setDefaultSuffix(QStringLiteral("txt"));
    m_saveDialog->setWindowModality(Qt::WindowModal);
    connect(m_saveDialog, &QFileDialog::fileSelected, this, [this](const QString &file) {
        if (!m_logo) {
            emit statusChanged(StatusText::FileSaveFailed.toString());
            return;
        }
        const QString place = QDir::toNativeSeparators(file);
        const auto failure = saveLogoTextFile(file, m_logo->picture.bytes);
        emit statusChanged(!failure ? place
                                    : StatusText::withDetail(StatusText::FileSaveFailed.toString(),
                                                             StatusText::ReasonAndPlace.toString().arg(failure->reason, place)));
    });
    // Closed without a name: the status line says nothing was saved, not what was said before.
    connect(m_saveDialog, &QFileDialog::rejected, this,
            [this] { emit statusChanged(QCoreApplication::translate("Form1", "没有另存")); });

    // The preview's menu and the boxes below it are two ways to the same choices.
    connect(m_controls.preview, &LogoPreview::invertToggled, m_controls.invert, &QCheckBox::setChecked);
    connect(m_controls.preview, &LogoPreview::ditherToggled, m_controls.dither, &QCheckBox::setChecked);
    connect(m_controls.preview, &LogoPreview::saveAsTextRequested, this, &LogoChoices::saveAsText);
    connect(m_controls.invert, &QCheckBox::toggled, this, [this](bool on) {
        m_options.invert = on;
        refresh();
    });
    connect(m_controls.dither, &QCheckBox::toggled, this, [this](bool on) {
        m_options.dither = on;
        refresh();
    });
    connect(m_controls.fill, &QCheckBox::toggled, this, [this](bool on) {
        m_options.fill = on;
        refresh();
    });
    connect(m_controls.text, &QPushButton::clicked, this, &LogoChoices::openTextDialog);
    connect(m_controls.saveAs, &QPushButton::clicked, this, &LogoChoices::saveAsText);
}

void LogoChoices::refresh()
{
    if (m_fromText && !logoTextDrawable(m_text)) {
        m_logo.reset();
        m_controls.preview->showProblem(StatusText::NoFontForText.toString());
        showChoices();
        return;
    }
    if (m_fromText) {
        m_logo = LoadedLogo{LogoPicture{logoBytesFromText(m_text, m_options.invert), textLogoSource(m_text)}};
        m_controls.preview->showPicture(m_logo->picture.bytes);
        showChoices();
        return;
    }
    auto logo = loadLogo(m_filePath, m_options);
    if (const auto *error = std::get_if<LogoFileError>(&logo)) {
        m_logo.reset();
        m_controls.preview->showProblem(logoFileMessage(*error));
        showChoices();
        return;
    }
    m_logo = std::get<LoadedLogo>(std::move(logo));
    m_controls.preview->showPicture(m_logo->picture.bytes);
    showChoices();
}

QString LogoChoices::name() const
{
    if (!m_fromText)
        return m_filePath;
    return QCoreApplication::translate("Form1", "文字：%1").arg(logoTextLines(m_text.text).join(QStringLiteral(" / ")));
}

void LogoChoices::useFile(const LogoImageOptions &options)
{
    m_fromText = false;
    m_options = options;
    refresh();
}

void LogoChoices::useText(const LogoTextOptions &text, const LogoImageOptions &options)
{
    m_text = text;
    m_fromText = true;
    m_options = options;
    refresh();
}

void LogoChoices::setLocked(bool locked)
{
    m_locked = locked;
    m_controls.preview->setChoicesLocked(locked);
    showChoices();
}

void LogoChoices::showChoices()
{
    const bool changeable = !m_locked;
    const bool fromImage = m_logo && m_logo->fromImage;
    const bool fillApplies = fromImage && logoShapeFarFromBanner(m_logo->imageSize);
    m_controls.preview->setChoices(m_options.invert, m_options.dither, fromImage);
    const QSignalBlocker invertQuiet(m_controls.invert);
    const QSignalBlocker ditherQuiet(m_controls.dither);
    const QSignalBlocker fillQuiet(m_controls.fill);
    m_controls.invert->setChecked(m_options.invert);
    m_controls.dither->setChecked(m_options.dither);
    m_controls.fill->setChecked(m_options.fill && fillApplies);
    m_controls.invert->setEnabled(changeable);
    m_controls.dither->setEnabled(changeable && fromImage);
    m_controls.fill->setEnabled(changeable && fillApplies);
    m_controls.text->setEnabled(changeable);
    m_controls.saveAs->setEnabled(m_logo.has_value());

    const int rows = fromImage ? logoFittedSize(m_logo->imageSize).height() : LogoPictureHeight;
    const bool flat = fromImage && !m_options.fill && rows < LogoFlatPictureRows;
    m_controls.note->setText(flat ? QCoreApplication::translate("Form1", "图片太扁：只剩 %1 行点").arg(rows) : QString());
}

void LogoChoices::openTextDialog()
{
    if (!m_textDialog) {
        m_textDialog = new LogoTextDialog(m_window);
        m_textDialog->setWindowModality(Qt::WindowModal);
        connect(m_textDialog, &QDialog::accepted, this, [this] {
            // Invert is seen in the dialog's preview and kept; the image choices do not apply to text.
            m_text = m_textDialog->options();
            m_fromText = true;
            m_options = {.invert = m_options.invert};
            emit statusChanged(name());
            refresh();
        });
        connect(m_textDialog, &QDialog::rejected, this, [this] {
            emit statusChanged(QCoreApplication::translate("Form1", "图片没有改变（%1）").arg(name()));
        });
    }
    m_textDialog->setOptions(m_text);
    m_textDialog->setInverted(m_options.invert);
    m_textDialog->open();
}

void LogoChoices::saveAsText()
{
    if (!m_logo)
        return;
    // Beside the logo it was made from, under the same name; a text logo beside the last file.
    const QFileInfo source(m_filePath);
    m_saveDialog->setDirectory(source.absolutePath());
    m_saveDialog->selectFile((m_fromText ? QStringLiteral("logo") : source.completeBaseName()) + QStringLiteral(".txt"));
    m_saveDialog->open();
}
