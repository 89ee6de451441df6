#include "logo_preview.h"

#include "logo_file.h"
#include "logo_picture.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>

namespace {
constexpr int FrameWidth = 1;
// Rows still on their way show at this opacity: the picture stays recognisable, the progress visible.
constexpr qreal DimmedOpacity = 0.25;
} // namespace

LogoPreview::LogoPreview(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(sizeHint());

    m_invert = new QAction(tr("反色(&I)"), this);
    m_invert->setCheckable(true);
    connect(m_invert, &QAction::toggled, this, &LogoPreview::invertToggled);
    m_dither = new QAction(tr("抖动(&D)"), this);
    m_dither->setCheckable(true);
    connect(m_dither, &QAction::toggled, this, &LogoPreview::ditherToggled);
    m_saveAsText = new QAction(tr("另存为文本文件…(&S)"), this);
    connect(m_saveAsText, &QAction::triggered, this, &LogoPreview::saveAsTextRequested);
}

QSize LogoPreview::sizeHint() const
{
    return LogoPictureSize * Scale + QSize(2 * FrameWidth, 2 * FrameWidth);
}

void LogoPreview::showPicture(const QByteArray &bytes)
{
    m_picture = logoPictureImage(bytes);
    m_problem.clear();
    setAccessibleDescription(QString());
    m_confirmedRows = LogoLineCount;
    m_saveAsText->setEnabled(true);
    update();
}

void LogoPreview::showProblem(const QString &reason)
{
    m_picture = QImage();
    m_problem = reason;
    // What the frame shows instead of a picture is what a screen reader says about it.
    setAccessibleDescription(reason);
    m_saveAsText->setEnabled(false);
    update();
}

void LogoPreview::setConfirmedRows(int rows)
{
    m_confirmedRows = qBound(0, rows, LogoLineCount);
    update();
}

void LogoPreview::setChoices(bool invert, bool dither, bool ditherApplies)
{
    const QSignalBlocker invertQuiet(m_invert);
    const QSignalBlocker ditherQuiet(m_dither);
    m_invert->setChecked(invert);
    m_dither->setChecked(dither);
    m_ditherApplies = ditherApplies;
    m_dither->setEnabled(ditherApplies && !m_choicesLocked);
}

void LogoPreview::setChoicesLocked(bool locked)
{
    m_choicesLocked = locked;
    m_invert->setEnabled(!locked);
    m_dither->setEnabled(m_ditherApplies && !locked);
}

void LogoPreview::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect inside = rect().adjusted(FrameWidth, FrameWidth, -FrameWidth, -FrameWidth);
    // The frame shows the keyboard focus, where the menu key opens the choices.
    painter.fillRect(rect(), palette().color(hasFocus() ? QPalette::Highlight : QPalette::Mid));
    painter.fillRect(inside, Qt::white);

    if (m_picture.isNull()) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(inside, Qt::AlignCenter | Qt::TextWordWrap, m_problem);
        return;
    }
    const int confirmedHeight = m_confirmedRows * Scale;
    const QRect confirmed(inside.topLeft(), QSize(inside.width(), confirmedHeight));
    const QRect pending(inside.left(), inside.top() + confirmedHeight, inside.width(), inside.height() - confirmedHeight);
    painter.drawImage(confirmed, m_picture, QRect(0, 0, LogoPictureWidth, m_confirmedRows));
    if (!pending.isEmpty()) {
        painter.setOpacity(DimmedOpacity);
        painter.drawImage(pending, m_picture,
                          QRect(0, m_confirmedRows, LogoPictureWidth, LogoPictureHeight - m_confirmedRows));
    }
}

void LogoPreview::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void LogoPreview::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}

void LogoPreview::keyPressEvent(QKeyEvent *event)
{
    // Shift+F10 opens the menu as the menu key does, as on Windows.
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier
        && contextMenuPolicy() == Qt::DefaultContextMenu) {
        const QPoint centre = rect().center();
        QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, centre, mapToGlobal(centre));
        contextMenuEvent(&menuEvent);
        return;
    }
    QWidget::keyPressEvent(event);
}

void LogoPreview::contextMenuEvent(QContextMenuEvent *event)
{
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(m_invert);
    menu->addAction(m_dither);
    menu->addSeparator();
    menu->addAction(m_saveAsText);
    menu->popup(event->reason() == QContextMenuEvent::Mouse ? event->globalPos()
                                                            : mapToGlobal(rect().center()));
}
