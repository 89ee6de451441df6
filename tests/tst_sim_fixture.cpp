// timeclock-sim over a real pseudo-terminal, driven with plain POSIX calls so that nothing of the setup
// program's own serial code is involved.

#include "full_disk.h"
#include "sim_fixture.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QPoint>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int ReplyTimeoutMs = 5000;

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// The device as the program under test would open it, without becoming our controlling terminal.
class Device
{
public:
    explicit Device(const QString &path)
        : m_fd(::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
    {
    }
    ~Device()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Device(const Device &) = delete;
    Device &operator=(const Device &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }

    bool write(const QByteArray &bytes)
    {
        return ::write(m_fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }

    enum class ReadEnd
    {
        Complete,
        EndOfFile,
        Failed,
        TimedOut,
    };

    // Reads until `count` bytes have come, the line ends or the time is up; waits on the descriptor
    // becoming readable.
    QByteArray read(qsizetype count, int timeoutMs = ReplyTimeoutMs)
    {
        QByteArray data;
        QSocketNotifier notifier(m_fd, QSocketNotifier::Read);
        QSignalSpy readable(&notifier, &QSocketNotifier::activated);
        const QDeadlineTimer deadline(timeoutMs);
        m_lastReadEnd = ReadEnd::Complete;
        while (data.size() < count) {
            char buffer[64];
            const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
            if (got > 0) {
                data.append(buffer, got);
                continue;
            }
            if (got == 0) {
                m_lastReadEnd = ReadEnd::EndOfFile;
                break;
            }
            if (errno != EAGAIN) {
                m_lastReadEnd = ReadEnd::Failed;
                m_lastReadErrno = errno;
                break;
            }
            if (deadline.hasExpired()) {
                m_lastReadEnd = ReadEnd::TimedOut;
                break;
            }
            readable.wait(int(deadline.remainingTime()));
        }
        // A hung-up descriptor stays readable; the notifier must not outlive this wait.
        notifier.setEnabled(false);
        return data;
    }
    ReadEnd lastReadEnd() const { return m_lastReadEnd; }
    int lastReadErrno() const { return m_lastReadErrno; }

private:
    int m_fd;
    ReadEnd m_lastReadEnd = ReadEnd::Complete;
    int m_lastReadErrno = 0;
};

} // namespace

class TestSimFixture : public QObject
{
    Q_OBJECT

private slots:
    void settingsExchangeReachesTheState();
    void logoLineReachesTheState();
    void repliesWaitInTheDeviceWhileItIsClosed();
    void hangUpMakesAPendingReadFail();
    void lineRateHoldsTheReplyBackForTheExchangeTime();
    void linkPointsAtTheDeviceUntilStop();
    void outputReadAtStopIsReadWhole();
    void pictureOutShowsTheStoredLogo();
    void pictureThatCannotBeWrittenFailsTheStop_data();
    void pictureThatCannotBeWrittenFailsTheStop();
    void stopPrintsTheFinalState_data();
    void stopPrintsTheFinalState();
    void badOptionsExitWithCode2_data();
    void badOptionsExitWithCode2();
};

void TestSimFixture::settingsExchangeReachesTheState()
{
    SimulatedTimeClock clock;
    QVERIFY(clock.start());
    Device device(clock.devicePath());
    QVERIFY(device.isOpen());

    const QByteArray exchange = hex("120520010501");
    QVERIFY(device.write(exchange));
    QCOMPARE(device.read(1).toHex(), QByteArray("12"));
    QVERIFY(clock.waitForReceived(exchange.size()));
    QCOMPARE(clock.received().toHex(), exchange.toHex());
    QCOMPARE(clock.frameLines(), QStringList{"FRAME 0 12 0520010501 handled"});

    QVERIFY(clock.stop());
    QCOMPARE(clock.machineNumber(), 18);
    QCOMPARE(clock.serial().toHex(), QByteArray("000000"));
    QCOMPARE(clock.mode(), 1);
    QCOMPARE(clock.delay(), 5);
    QCOMPARE(clock.font(), 1);
    QCOMPARE(clock.logo(), QByteArray(512, '\0'));
}

void TestSimFixture::logoLineReachesTheState()
{
    SimulatedTimeClock clock({"--machine", "7", "--serial", "0a0b0c"});
    QVERIFY(clock.start());
    Device device(clock.devicePath());
    QVERIFY(device.isOpen());

    QByteArray picture;
    for (int i = 0; i < 16; ++i)
        picture.append(char(0xf0 + i));
    QVERIFY(device.write(hex("071c550120") + picture));
    QCOMPARE(device.read(1).toHex(), QByteArray("07"));
    QVERIFY(device.write(hex("07021f")));
    QCOMPARE(device.read(4).toHex(), QByteArray("070a0b0c"));

    QVERIFY(clock.stop());
    QByteArray expectedLogo(512, '\0');
    expectedLogo.replace(256 + 0x20, 16, picture);
    QCOMPARE(clock.logo().toHex(), expectedLogo.toHex());
    // Row 18 of the drawing holds bytes 288..303: f0 is ####....
    QVERIFY2(clock.output().contains("\nPIC ####....####...#"), qPrintable(clock.output()));
}

void TestSimFixture::repliesWaitInTheDeviceWhileItIsClosed()
{
    SimulatedTimeClock clock;
    QVERIFY(clock.start());
    // 0a and 0d pass unchanged only if the line is raw in both directions.
    const QByteArray exchange = hex("1205200a0d0a");
    {
        Device device(clock.devicePath());
        QVERIFY(device.isOpen());
        QVERIFY(device.write(exchange));
    }
    QVERIFY(clock.waitForReceived(exchange.size()));
    QCOMPARE(clock.received().toHex(), exchange.toHex());
    QTRY_COMPARE_WITH_TIMEOUT(clock.transmitted().toHex(), QByteArray("12"), ReplyTimeoutMs);

    Device reopened(clock.devicePath());
    QVERIFY(reopened.isOpen());
    QCOMPARE(reopened.read(1).toHex(), QByteArray("12"));
    QVERIFY(clock.stop());
    QCOMPARE(clock.delay(), 0x0d);
    QCOMPARE(clock.font(), 0x0a);
}

void TestSimFixture::hangUpMakesAPendingReadFail()
{
    SimulatedTimeClock clock({"--hangup-at", "0"});
    QVERIFY(clock.start());
    Device device(clock.devicePath());
    QVERIFY(device.isOpen());

    QVERIFY(device.write(hex("120520010501")));
    // Linux reports the hang-up to a waiting reader as end of file (some systems say EIO); writes get EIO.
    QCOMPARE(device.read(1), QByteArray());
    QVERIFY(device.lastReadEnd() == Device::ReadEnd::EndOfFile ||
            (device.lastReadEnd() == Device::ReadEnd::Failed && device.lastReadErrno() == EIO));
    errno = 0;
    QCOMPARE(::write(device.fd(), "\x12", 1), ssize_t(-1));
    QCOMPARE(errno, EIO);

    QVERIFY(clock.waitForHangUp());
    QCOMPARE(clock.frameLines(), QStringList{"FRAME 0 12 0520010501 handled"});
    QVERIFY(clock.stop());
    QCOMPARE(clock.mode(), 1); // stored before hanging up
}

void TestSimFixture::lineRateHoldsTheReplyBackForTheExchangeTime()
{
    SimulatedTimeClock clock({"--line-rate", "9600"});
    QVERIFY(clock.start());
    Device device(clock.devicePath());
    QVERIFY(device.isOpen());

    // Address, 5 frame bytes and a 1-byte reply: 7 bytes of 10 bits at 9600 baud cannot take less.
    constexpr qint64 ExchangeNs = 7LL * 10 * 1'000'000'000 / 9600;
    QElapsedTimer elapsed;
    elapsed.start();
    QVERIFY(device.write(hex("120520010501")));
    QCOMPARE(device.read(1).toHex(), QByteArray("12"));
    QVERIFY2(elapsed.nsecsElapsed() >= ExchangeNs, qPrintable(QString::number(elapsed.nsecsElapsed())));
    QVERIFY(clock.stop());
}

void TestSimFixture::linkPointsAtTheDeviceUntilStop()
{
    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    const QString link = directory.filePath(QStringLiteral("ttyTimeClock"));

    SimulatedTimeClock clock({"--link", link});
    QVERIFY(clock.start());
    QTRY_VERIFY_WITH_TIMEOUT(clock.output().contains("LINK " + link + '\n'), ReplyTimeoutMs);
    QCOMPARE(QFileInfo(link).symLinkTarget(), clock.devicePath());
    QVERIFY(clock.stop());
    QVERIFY(!QFileInfo(link).isSymLink());
}

// The benchmarks' way: the output goes to a file and is read only when the simulator has stopped.
void TestSimFixture::outputReadAtStopIsReadWhole()
{
    sim::SimProcess simulator({"--timestamps", "--serial", "a1b2c3"}, sim::SimProcess::Reading::AtStop);
    QVERIFY(simulator.start());
    QVERIFY(simulator.devicePath().startsWith("/dev/"));
    Device device(simulator.devicePath());
    QVERIFY(device.isOpen());
    QVERIFY(device.write(hex("12021f")));
    QCOMPARE(device.read(4).toHex(), QByteArray("12a1b2c3"));
    QVERIFY(device.write(hex("12050f010203")));
    QCOMPARE(device.read(1).toHex(), QByteArray("12"));
    QVERIFY(simulator.reader().received().isEmpty()); // nothing read before the stop

    QVERIFY(simulator.stop());
    const sim::OutputReader &output = simulator.reader();
    QCOMPARE(output.received().toHex(), QByteArray("12021f12050f010203"));
    QCOMPARE(output.transmitted().toHex(), QByteArray("12a1b2c312"));
    for (const sim::LineChunk &chunk : output.chunks())
        QVERIFY(chunk.stampNs.value_or(0) > 0);
    QVERIFY(output.finalState());
    QCOMPARE(output.finalState()->serial.toHex(), QByteArray("010203"));
}

void TestSimFixture::pictureOutShowsTheStoredLogo()
{
    SimulatedTimeClock clock;
    QVERIFY(clock.start());
    Device device(clock.devicePath());
    QVERIFY(device.isOpen());

    // Line 0 with its two outer dots on, line 31 (block 1, offset f0) with its first eight.
    QVERIFY(device.write(hex("121c550000"
                             "80000000000000000000000000000001")));
    QCOMPARE(device.read(1).toHex(), QByteArray("12"));
    QVERIFY(device.write(hex("121c5501f0"
                             "ff000000000000000000000000000000")));
    QCOMPARE(device.read(1).toHex(), QByteArray("12"));
    QVERIFY(clock.stop());

    QList<QPoint> dark{{0, 0}, {127, 0}};
    for (int column = 0; column < 8; ++column)
        dark.append({column, 31});
    const QImage picture(clock.picturePath());
    QCOMPARE(picture.size(), QSize(128, 32));
    for (int row = 0; row < picture.height(); ++row) {
        for (int column = 0; column < picture.width(); ++column) {
            const QRgb dot = picture.pixel(column, row);
            QVERIFY2(dot == (dark.contains(QPoint(column, row)) ? qRgb(0, 0, 0) : qRgb(255, 255, 255)),
                     qPrintable(QStringLiteral("dot %1, %2").arg(column).arg(row)));
        }
    }
}

void TestSimFixture::pictureThatCannotBeWrittenFailsTheStop_data()
{
    QTest::addColumn<bool>("fullDisk");  // a full file system, or a folder that is not there
    QTest::addColumn<bool>("earlier");   // a picture of an earlier run is there, and stays as it was

    QTest::newRow("missing folder") << false << false;
    QTest::newRow("full disk, new picture") << true << false;
    QTest::newRow("full disk, earlier picture") << true << true;
}

void TestSimFixture::pictureThatCannotBeWrittenFailsTheStop()
{
    QFETCH(bool, fullDisk);
    QFETCH(bool, earlier);

    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    const FullDisk disk(directory.path());
    if (fullDisk && !disk.mounted)
        QSKIP("mounting a small file system needs root");
    const QString path = directory.filePath(fullDisk ? QStringLiteral("logo.png") : QStringLiteral("no such folder/logo.png"));
    const QByteArray before = "an earlier picture";
    if (earlier) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(before) == before.size());
    }
    if (fullDisk)
        QVERIFY(disk.fill());
    SimulatedTimeClock clock({"--picture-out", path});
    QVERIFY(clock.start());
    QVERIFY(!clock.stop());
    if (earlier) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    } else {
        QVERIFY(!QFileInfo::exists(clock.picturePath()));
    }
    // No temporary file is left beside it.
    for (const QString &entry : QDir(directory.path()).entryList(QDir::Files | QDir::Hidden))
        QVERIFY2(entry == "logo.png" || entry == "filler", qPrintable(entry));
}

void TestSimFixture::stopPrintsTheFinalState_data()
{
    QTest::addColumn<QString>("how");

    QTest::newRow("SIGTERM") << QStringLiteral("SIGTERM");
    QTest::newRow("SIGINT") << QStringLiteral("SIGINT");
    QTest::newRow("end of input") << QStringLiteral("end of input");
}

void TestSimFixture::stopPrintsTheFinalState()
{
    QFETCH(QString, how);

    QProcess process;
    process.start(SimulatedTimeClock::programPath(),
                  {"--machine", "5", "--serial", "010203", "--quit-on-eof"});
    QTRY_VERIFY_WITH_TIMEOUT(process.canReadLine(), ReplyTimeoutMs);
    QVERIFY(process.readLine().startsWith("DEVICE /dev/"));

    QSignalSpy finished(&process, &QProcess::finished);
    if (how == u"SIGTERM")
        ::kill(pid_t(process.processId()), SIGTERM);
    else if (how == u"SIGINT")
        ::kill(pid_t(process.processId()), SIGINT);
    else
        process.closeWriteChannel();
    QVERIFY(finished.wait(ReplyTimeoutMs));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);

    const QList<QByteArray> lines = process.readAllStandardOutput().split('\n');
    QCOMPARE(lines.size(), 2 + 32 + 1); // STATE, LOGO, the picture, and the empty rest after the last newline
    QCOMPARE(lines.at(0), QByteArray("STATE machine=5 serial=010203 mode=0 delay=0 font=0"));
    QCOMPARE(lines.at(1), "LOGO " + QByteArray(1024, '0'));
    for (int row = 0; row < 32; ++row)
        QCOMPARE(lines.at(2 + row), "PIC " + QByteArray(128, '.'));
}

void TestSimFixture::badOptionsExitWithCode2_data()
{
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("unknown option") << QStringList{"--no-such-option"};
    QTest::newRow("stray argument") << QStringList{"stray"};
    QTest::newRow("missing value") << QStringList{"--machine"};
    QTest::newRow("bad fault value") << QStringList{"--silence", "sometimes"};
    QTest::newRow("machine out of range") << QStringList{"--machine", "300"};
}

void TestSimFixture::badOptionsExitWithCode2()
{
    QFETCH(QStringList, arguments);

    QProcess process;
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(SimulatedTimeClock::programPath(), arguments);
    QVERIFY(finished.wait(ReplyTimeoutMs));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 2);
    QVERIFY(!process.readAllStandardError().isEmpty());
    QCOMPARE(process.readAllStandardOutput(), QByteArray()); // no DEVICE: nothing was opened
}

QTEST_GUILESS_MAIN(TestSimFixture)
#include "tst_sim_fixture.moc"
