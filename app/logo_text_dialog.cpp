#include "logo_text_dialog.h"

#include "logo_preview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

LogoTextDialog::LogoTextDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("logoTextDialog"));
    setWindowTitle(tr("文字"));

    m_firstLine = new QLineEdit(this);
    m_firstLine->setObjectName(QStringLiteral("firstLine"));
    m_secondLine = new QLineEdit(this);
    m_secondLine->setObjectName(QStringLiteral("secondLine"));
    m_secondLine->setPlaceholderText(tr("（可不填）"));

    m_font = new QComboBox(this);
    m_font->setObjectName(QStringLiteral("fontFamily"));
    m_font->addItems(logoFontFamilies());

    m_size = new QSpinBox(this);
    m_size->setObjectName(QStringLiteral("fontSize"));
    m_size->setRange(0, LogoTextLargestSize);
    // 0 is "fit": the largest size at which the whole text fits 128 x 32.
    m_size->setSpecialValueText(tr("放满"));
    m_size->setSuffix(tr(" 点"));

    m_bold = new QCheckBox(tr("粗体(&B)"), this);
    m_bold->setObjectName(QStringLiteral("bold"));

    m_alignment = new QComboBox(this);
    m_alignment->setObjectName(QStringLiteral("alignment"));
    m_alignment->addItem(tr("居左"), int(Qt::AlignLeft));
    m_alignment->addItem(tr("居中"), int(Qt::AlignHCenter));
    m_alignment->addItem(tr("居右"), int(Qt::AlignRight));
    m_alignment->setCurrentIndex(1);

    m_preview = new LogoPreview(this);
    m_preview->setObjectName(QStringLiteral("textPreview"));
    // The picture's choices are the window's; here it only shows.
    m_preview->setContextMenuPolicy(Qt::NoContextMenu);
    m_preview->setFocusPolicy(Qt::NoFocus);
    m_preview->setAccessibleName(tr("预览"));

    auto *form = new QFormLayout;
    form->addRow(tr("第一行(&1)："), m_firstLine);
    form->addRow(tr("第二行(&2)："), m_secondLine);
    form->addRow(tr("字体(&F)："), m_font);
    form->addRow(tr("大小(&S)："), m_size);
    form->addRow(QString(), m_bold);
    form->addRow(tr("对齐(&A)："), m_alignment);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setText(tr("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_preview, 0, Qt::AlignHCenter);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    for (QLineEdit *line : {m_firstLine, m_secondLine}) {
        connect(line, &QLineEdit::textChanged, this, &LogoTextDialog::redraw);
        line->installEventFilter(this);
    }
    connect(m_font, &QComboBox::currentIndexChanged, this, &LogoTextDialog::redraw);
    connect(m_size, &QSpinBox::valueChanged, this, &LogoTextDialog::redraw);
    connect(m_bold, &QCheckBox::toggled, this, &LogoTextDialog::redraw);
    connect(m_alignment, &QComboBox::currentIndexChanged, this, &LogoTextDialog::redraw);

    setOptions({});
}

void LogoTextDialog::setOptions(const LogoTextOptions &options)
{
    const QStringList lines = logoTextLines(options.text);
    {
        const QSignalBlocker quietFirst(m_firstLine);
        const QSignalBlocker quietSecond(m_secondLine);
        const QSignalBlocker quietFont(m_font);
        const QSignalBlocker quietSize(m_size);
        const QSignalBlocker quietBold(m_bold);
        const QSignalBlocker quietAlignment(m_alignment);
        m_firstLine->setText(lines.value(0));
        m_secondLine->setText(lines.value(1));
        const int font = m_font->findText(options.family.isEmpty() ? defaultLogoFontFamily() : options.family,
                                          Qt::MatchFixedString);
        m_font->setCurrentIndex(qMax(0, font));
        m_size->setValue(options.pointSize);
        m_bold->setChecked(options.bold);
        const int alignment = m_alignment->findData(int(options.alignment & Qt::AlignHorizontal_Mask));
        m_alignment->setCurrentIndex(alignment < 0 ? 1 : alignment);
    }
    m_firstLine->setFocus();
    redraw();
}

LogoTextOptions LogoTextDialog::options() const
{
    QString text = m_firstLine->text();
    if (!m_secondLine->text().isEmpty())
        text += u'\n' + m_secondLine->text();
    return {.text = text,
            .family = m_font->currentText(),
            .pointSize = m_size->value(),
            .bold = m_bold->isChecked(),
            .alignment = Qt::Alignment(m_alignment->currentData().toInt())};
}

void LogoTextDialog::setInverted(bool inverted)
{
    m_inverted = inverted;
    redraw();
}

bool LogoTextDialog::eventFilter(QObject *watched, QEvent *event)
{
    // An Alt key that is nobody's shortcut (the window's Alt+L, pressed out of habit) is not a letter of the
    // logo. AltGr, which types characters on many keyboards, comes as Ctrl+Alt or a group switch and stays.
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->modifiers() & Qt::AltModifier) && !(key->modifiers() & Qt::ControlModifier) && !key->text().isEmpty())
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void LogoTextDialog::redraw()
{
    const LogoTextOptions chosen = options();
    m_bytes = logoBytesFromText(chosen, m_inverted);
    m_preview->showPicture(m_bytes);
    // Nothing typed yet is no logo.
    if (m_ok)
        m_ok->setEnabled(!chosen.text.trimmed().isEmpty());
}
