#pragma once

#include "line_identity.h"
#include "machine_scan.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

class QSettings;

// What the program keeps between runs, in the platform's settings store: the port and its --port
// mappings, the last logo file and its picture choices, and how many terminals the last scan of a device
// found and their serials by number. The changes made through one object are written together, once, when it goes (or before it next
// reads the store), so a command's use costs one write and a run that ends in a crash keeps what the
// commands before had used. Windows and command lines share the store: each write is made under a lock
// beside it, on the store as it is then, so no process's change is lost; the store keeps its permissions,
// and a store that is a symbolic link stays one (the link's target is written).
//
// The machine number, the terminal settings and the serial number to write are never kept: a number
// remembered from yesterday's terminal would address today's by surprise. The serials a scan heard are kept
// only to name the terminal a later command went to in the history, never to address one.
class RememberedChoices
{
public:
    RememberedChoices() = default;
    ~RememberedChoices();
    RememberedChoices(const RememberedChoices &) = delete;
    RememberedChoices &operator=(const RememberedChoices &) = delete;

    std::optional<int> portNumber() const;
    void setPortNumber(int number);

    // The N=DEVICE mappings the window was last started with.
    QStringList portMappings() const;
    void setPortMappings(const QStringList &mappings);

    QString logoFile() const;
    void setLogoFile(const QString &path);
    bool logoInverted() const;
    bool logoDithered() const;
    bool logoFilled() const;
    void setLogoChoices(bool invert, bool dither, bool fill);

    // A logo drawn from typed text: the text and how it is drawn, as named values; empty when the last
    // logo sent was a file.
    QVariantMap logoText() const;
    void setLogoText(const QVariantMap &text);

    // How many terminals scans of the line found; 0 when it was never scanned, Unknown when the store
    // cannot be read or written (so what a scan found may not be there). A scan that asked every number
    // gives the count afresh; one that did not (stopped early, or of part of the range) leaves "at least
    // that many, the rest unknown" (a PartScan count, see machine_scan.h), never fewer than a scan before
    // it found. A line is the same under every name it goes by (see LineIdentity).
    static constexpr int Unknown = -1;
    int terminalsFound(const LineIdentity &line) const;
    void noteTerminalsFound(const LineIdentity &line, int count, bool everyNumber);

    // The serial heard at each number by the scans of the line, as far as still true: a scan replaces what
    // it asked, and a command that read, wrote or renumbered a terminal moves its serial. A number two
    // terminals answered has none. Kept for the RememberedSerialLines lines scanned last; empty when the line
    // was never scanned, not for RememberedSerialAge (another day may find another site behind the same
    // adapter), or the store cannot be read. The same line under any name, as for the scan's count.
    static constexpr int RememberedSerialLines = 64;
    static constexpr std::chrono::hours RememberedSerialAge{12};
    QMap<int, QString> serialsFound(const LineIdentity &line) const;
    // What a scan heard on the numbers of `asked` (the numbers it asked): those numbers now hold the serials
    // it heard there, the others what was known before.
    void noteSerialsFound(const LineIdentity &line, const MachineRange &asked, const QList<ScanAnswer> &answers);
    // The terminal `serial` is at `machine` now (read there, given a new serial, or renumbered to it) and at
    // no other number of the line; an empty serial: which terminals are at `machine` is not known.
    void noteSerialAt(const LineIdentity &line, int machine, const QString &serial);
    // Every terminal of the line took `machine` at once (a renumber of a shared line): no serial is known.
    void forgetSerials(const LineIdentity &line);

    // Whether the line handed back the bytes sent (an RS-485 adapter's echo) when last used; nothing when not
    // known. The same line under any name, as for the scan's count.
    std::optional<bool> lineEchoes(const LineIdentity &line) const;
    void noteLineEchoes(const LineIdentity &line, bool echoes);
    // The link keeps what it learns of each line's echo here.
    static void keepLineEchoes();

    // Everything forgotten: the next start is like the first.
    static void forgetAll();

    // Called at start: forgets every kept value that cannot be used (a --port mapping that is not N=DEVICE,
    // a number that is not one, a store file larger than StoreSizeLimit) and says so, one line each, so
    // that a damaged store never stops the program from starting. Everything else is kept as it was.
    static QStringList forgetUnusable();
    static constexpr qint64 StoreSizeLimit = 1024 * 1024;

private:
    void remember(std::function<void(QSettings &)> edit);
    void changeSerials(const LineIdentity &line, std::function<void(QMap<int, QString> &)> edit);
    void writePending() const;

    mutable std::vector<std::function<void(QSettings &)>> m_pending;
};
