#pragma once

#include "form1.h"
#include "logo_file.h"
#include "sim_fixture.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <memory>

// A window whose port 1 reaches a simulated time clock, and the operator's moves on it.
struct WindowBench
{
    explicit WindowBench(const QStringList &simOptions = {})
        : clock(simOptions)
    {
    }

    bool start()
    {
        if (!clock.start())
            return false;
        PortDirectory ports;
        ports.mapPort(1, clock.devicePath());
        form = std::make_unique<Form1>(ports);
        return true;
    }

    template <typename T> T *control(const char *name) { return form->findChild<T *>(QLatin1String(name)); }
    QString status() { return control<QLabel>("HELP1")->text(); }
    // As the operator types it: the window hears of an edit.
    void setText(const char *box, const QString &text)
    {
        auto *edit = control<QLineEdit>(box);
        edit->setText(text);
        emit edit->textEdited(text);
    }

    void chooseLogoFile(const QString &path)
    {
        auto *dialog = form->findChild<QFileDialog *>("fileOpen");
        control<QPushButton>("OpenFile")->click();
        dialog->selectFile(path);
        static_cast<QDialog *>(dialog)->accept();
    }

    // Presses a button and waits, bounded, until its command has closed the port again; 写序列号 is two
    // commands, the read of the terminal's own number and then the write.
    bool press(const char *button, int timeoutMs = 10000)
    {
        QSignalSpy finished(&form->session(), &CommandSession::finished);
        control<QPushButton>(button)->click();
        if (finished.isEmpty() && !finished.wait(timeoutMs))
            return false;
        while (form->session().isRunning()) {
            if (!finished.wait(timeoutMs))
                return false;
        }
        return true;
    }

    // No command running, port closed, progress bar hidden.
    bool idle()
    {
        return !form->session().isRunning() && !form->session().link().isOpen() &&
               !control<QProgressBar>("PBar1")->isVisible();
    }

    SimulatedTimeClock clock;
    std::unique_ptr<Form1> form;
};

// A logo file whose line L holds the bytes 16L .. 16L+15 (mod 256), lines in alternating case.
inline QString writeCountingLogoFile(const QTemporaryDir &dir, int lines)
{
    QFile file(dir.filePath("logo.txt"));
    if (!file.open(QIODevice::WriteOnly))
        return {};
    for (int line = 0; line < lines; ++line) {
        QByteArray text;
        for (int i = 0; i < LogoBytesPerLine; ++i)
            text += QByteArray(1, char((line * 16 + i) & 0xff)).toHex().toUpper();
        file.write((line % 2 ? text.toLower() : text) + "\r\n");
    }
    return file.fileName();
}

// What reaches the line when the first `lines` lines of that file are sent to `machineNumber`.
inline QByteArray countingLogoOnLine(quint8 machineNumber, int lines)
{
    QByteArray bytes;
    for (int line = 0; line < lines; ++line) {
        bytes += char(machineNumber);
        bytes += QByteArray::fromHex("1c55");
        bytes += char(line / 16);
        bytes += char(16 * (line % 16));
        for (int i = 0; i < LogoBytesPerLine; ++i)
            bytes += char((line * 16 + i) & 0xff);
    }
    return bytes;
}

// Files and devices this process holds open, by what they lead to: a port or file left open shows up
// here. Pipes, sockets and Qt's own event and file-watching handles (which the file dialog opens and
// closes on a thread of its own, at times of its choosing) are left out.
inline QStringList openFilesAndDevices()
{
    const QDir descriptors(QStringLiteral("/proc/self/fd"));
    QStringList targets;
    for (const QString &entry : descriptors.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)) {
        // A pipe, socket or event handle reads "pipe:[N]" and the like, which Qt turns into a path below
        // the descriptor folder. Folders are left out too: the dialog's thread reads them at times of its own.
        const QString target = QFileInfo(descriptors.filePath(entry)).symLinkTarget();
        // An empty target is a descriptor closed while the folder was being listed.
        if (!target.isEmpty() && !target.startsWith(descriptors.absolutePath()) && !QFileInfo(target).isDir())
            targets << target;
    }
    targets.sort();
    return targets;
}

inline int openDescriptorCount()
{
    return int(openFilesAndDevices().size());
}
