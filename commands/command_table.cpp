#include "command_table.h"

#include "change_number.h"
#include "logo_download.h"
#include "read_serial.h"
#include "single_exchange_task.h"
#include "status_messages.h"
#include "write_serial.h"

#include <algorithm>

namespace {

std::unique_ptr<TerminalTask> oneExchange(const CommandRow &row, Exchange exchange)
{
    return std::make_unique<SingleExchangeTask>(std::move(exchange), row.successMessage.toString());
}

std::unique_ptr<TerminalTask> changeNumberTask(const CommandRow &row, const CommandInputs &inputs)
{
    return oneExchange(row, changeNumberExchange(inputs.machineNumber));
}

std::unique_ptr<TerminalTask> settingsTask(const CommandRow &row, const CommandInputs &inputs)
{
    return oneExchange(row, settingsExchange(inputs.machineNumber, inputs.settings, inputs.delay));
}

std::unique_ptr<TerminalTask> readSerialTask(const CommandRow &row, const CommandInputs &inputs)
{
    return oneExchange(row, readSerialExchange(inputs.machineNumber));
}

std::unique_ptr<TerminalTask> writeSerialTask(const CommandRow &row, const CommandInputs &inputs)
{
    return oneExchange(row, writeSerialExchange(inputs.machineNumber, inputs.serialNumber));
}

std::unique_ptr<TerminalTask> downloadLogoTask(const CommandRow &, const CommandInputs &inputs)
{
    auto progress = inputs.progress ? inputs.progress : [](int) {};
    return std::make_unique<LogoDownloadTask>(inputs.picture, inputs.machineNumber, std::move(progress));
}

using enum CommandInput;

constexpr CommandRow Rows[] = {
    {TerminalCommand::ChangeNumber, u"renumber", MachineNumber,
     StatusText::SettingSucceeded, changeNumberTask},
    {TerminalCommand::Settings, u"settings", CommandInputKinds(MachineNumber) | Settings,
     StatusText::SettingSucceeded, settingsTask},
    {TerminalCommand::ReadSerial, u"read-serial", MachineNumber,
     StatusText::CommunicationSucceeded, readSerialTask},
    {TerminalCommand::WriteSerial, u"write-serial", CommandInputKinds(MachineNumber) | SerialNumber,
     StatusText::SettingSucceeded, writeSerialTask},
    {TerminalCommand::DownloadLogo, u"logo", CommandInputKinds(MachineNumber) | Picture,
     StatusText::DownloadComplete, downloadLogoTask},
};

} // namespace

std::span<const CommandRow> commandTable()
{
    return Rows;
}

const CommandRow &commandRow(TerminalCommand command)
{
    const auto row = std::find_if(std::begin(Rows), std::end(Rows), [command](const CommandRow &r) { return r.command == command; });
    Q_ASSERT(row != std::end(Rows));
    return *row;
}

const CommandRow *commandRowNamed(QStringView name)
{
    const auto row = std::find_if(std::begin(Rows), std::end(Rows), [name](const CommandRow &r) { return r.name == name; });
    return row == std::end(Rows) ? nullptr : row;
}

std::unique_ptr<TerminalTask> makeCommandTask(TerminalCommand command, const CommandInputs &inputs)
{
    const CommandRow &row = commandRow(command);
    return row.makeTask(row, inputs);
}
