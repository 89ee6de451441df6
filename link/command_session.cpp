#include "command_session.h"

#include "status_messages.h"

CommandSession::CommandSession(QObject *parent)
    : QObject(parent)
{
    connect(&m_link, &SerialLink::exchangeFinished, this, [this](const ExchangeOutcome &outcome) {
        if (m_task)
            proceed(m_task->next(outcome));
    });
    connect(&m_link, &SerialLink::linkLost, this, [this] {
        if (m_task)
            conclude(StatusText::PortLost.toString());
    });
}

void CommandSession::run(const QString &deviceName, bool closeFirst, std::unique_ptr<TerminalTask> task)
{
    Q_ASSERT(!m_task);
    m_task = std::move(task);
    if (const auto failure = m_link.prepareLink(closeFirst, deviceName)) {
        conclude(openFailureMessage(*failure));
        return;
    }
    proceed(m_task->begin());
}

void CommandSession::abort()
{
    m_task.reset();
    m_link.releaseLink();
}

QString CommandSession::openFailureMessage(OpenFailure failure)
{
    QString message = StatusText::PortOpenFailed.toString();
    switch (failure) {
    case OpenFailure::NoSuchPort:
        return message.append(StatusText::NoSuchPortReason);
    case OpenFailure::PermissionDenied:
        return message.append(StatusText::PermissionReason);
    case OpenFailure::PortBusy:
        return message.append(StatusText::PortBusyReason);
    case OpenFailure::Other:
        break;
    }
    return message;
}

void CommandSession::proceed(const CommandStep &step)
{
    if (const auto *exchange = std::get_if<Exchange>(&step))
        m_link.transact(*exchange);
    else
        conclude(std::get<Finished>(step).message);
}

void CommandSession::conclude(const QString &message)
{
    emit messageReady(message);
    m_link.releaseLink();
    m_task.reset();
    emit finished();
}
