#include "network_line.h"

namespace {
// Chooses, at each open, the network line for a network port's name and the platform's serial line for
// anything else, so SerialLink and everything above it take any name a device is given by.
class ChosenLine : public SerialLine
{
public:
    ChosenLine()
    {
        for (SerialLine *line : {m_local.get(), static_cast<SerialLine *>(m_network.get())}) {
            connect(line, &SerialLine::opened, this, [this, line](std::optional<OpenFailure> failure) {
                if (line == m_current)
                    emit opened(failure);
            });
            connect(line, &SerialLine::readyRead, this, [this, line] {
                if (line == m_current)
                    emit readyRead();
            });
            connect(line, &SerialLine::faultOccurred, this, [this, line](Fault fault, const QString &description) {
                if (line == m_current)
                    emit faultOccurred(fault, description);
            });
        }
    }

    std::optional<OpenFailure> open(const QString &deviceName) override
    {
        choose(deviceName);
        return m_current->open(deviceName);
    }
    void openLater(const QString &deviceName) override
    {
        choose(deviceName);
        m_current->openLater(deviceName);
    }
    void close() override { m_current->close(); }
    bool isOpen() const override { return m_current->isOpen(); }
    QString portName() const override { return m_current->portName(); }
    void write(const QByteArray &bytes) override { m_current->write(bytes); }
    qint64 bytesAvailable() const override { return m_current->bytesAvailable(); }
    QByteArray read(qint64 maxSize) override { return m_current->read(maxSize); }
    QByteArray peek(qint64 maxSize) override { return m_current->peek(maxSize); }
    qint64 collectWaitingBytes() override { return m_current->collectWaitingBytes(); }
    QString openFailureDetail() const override { return m_current->openFailureDetail(); }
    std::chrono::microseconds replyAllowance() const override { return m_current->replyAllowance(); }

private:
    void choose(const QString &deviceName)
    {
        // Also abandons an open still under way.
        m_current->close();
        m_current = isNetworkPortName(deviceName) ? static_cast<SerialLine *>(m_network.get()) : m_local.get();
    }

    std::unique_ptr<SerialLine> m_local = makeLocalSerialLine();
    std::unique_ptr<NetworkLine> m_network = std::make_unique<NetworkLine>();
    SerialLine *m_current = m_local.get();
};
} // namespace

std::unique_ptr<SerialLine> makeSerialLine()
{
    return std::make_unique<ChosenLine>();
}
