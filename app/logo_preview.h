#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QWidget>

class QAction;

// The start-up logo as the terminal will show it, at twice its size in a thin frame: the picture that
// "下载OEM_LOGO图片" sends, or the reason there is none. During a download the lines the terminal has not
// confirmed yet are dimmed, so the picture fills in line by line.
//
// Its context menu (right click, the menu key or Shift+F10) offers the choices of how the picture is made.
class LogoPreview : public QWidget
{
    Q_OBJECT

public:
    static constexpr int Scale = 2;

    explicit LogoPreview(QWidget *parent = nullptr);

    void showPicture(const QByteArray &bytes);
    void showProblem(const QString &reason);

    // Rows from `row` on are dimmed; LogoLineCount (32) shows the whole picture plainly.
    void setConfirmedRows(int rows);
    int confirmedRows() const { return m_confirmedRows; }

    // The picture as drawn now, at the logo's own size (128 x 32), before any dimming.
    QImage picture() const { return m_picture; }
    QString problem() const { return m_problem; }

    // The choices are offered as the window allows: dithering only for a picture made from an image.
    void setChoices(bool invert, bool dither, bool ditherApplies);
    // While a download runs the picture being sent cannot change: its choices are not offered.
    void setChoicesLocked(bool locked);

    QSize sizeHint() const override;

signals:
    void invertToggled(bool on);
    void ditherToggled(bool on);
    void saveAsTextRequested();

protected:
    void paintEvent(QPaintEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    QImage m_picture;
    QString m_problem;
    int m_confirmedRows = 0;
    QAction *m_invert = nullptr;
    QAction *m_dither = nullptr;
    QAction *m_saveAsText = nullptr;
    bool m_ditherApplies = false;
    bool m_choicesLocked = false;
};
