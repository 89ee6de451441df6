#include "ports_command.h"

#include "command_line.h"
#include "port_catalogue.h"
#include "status_messages.h"

#include <QCoreApplication>
#include <QJsonObject>

namespace {

QString useWord(PortFacts::Use use)
{
    switch (use) {
    case PortFacts::Use::Free:
        return QStringLiteral("free");
    case PortFacts::Use::Busy:
        return QStringLiteral("busy");
    case PortFacts::Use::NoPermission:
        return QStringLiteral("no-permission");
    case PortFacts::Use::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}

QString useText(PortFacts::Use use)
{
    switch (use) {
    case PortFacts::Use::Free:
        return QCoreApplication::translate("cli", "空闲");
    case PortFacts::Use::Busy:
        return QCoreApplication::translate("cli", "被占用");
    case PortFacts::Use::NoPermission:
        return QCoreApplication::translate("cli", "权限不足");
    case PortFacts::Use::Unknown:
        break;
    }
    return QCoreApplication::translate("cli", "未知");
}

// Every port in the same keys: null where the system does not say.
QJsonObject portJson(const PortFacts &facts)
{
    const auto textOrNull = [](const QString &value) {
        return value.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(value);
    };
    const auto idOrNull = [](std::optional<quint16> id) {
        return id ? QJsonValue(QStringLiteral("%1").arg(*id, 4, 16, QChar(u'0'))) : QJsonValue(QJsonValue::Null);
    };
    return {{QStringLiteral("number"), facts.number},
            {QStringLiteral("device"), facts.device},
            {QStringLiteral("missing"), facts.missing},
            {QStringLiteral("busy"), facts.use == PortFacts::Use::Busy},
            {QStringLiteral("use"), useWord(facts.use)},
            {QStringLiteral("name"), textOrNull(facts.name)},
            {QStringLiteral("manufacturer"), textOrNull(facts.manufacturer)},
            {QStringLiteral("vendor_id"), idOrNull(facts.vendorId)},
            {QStringLiteral("product_id"), idOrNull(facts.productId)},
            {QStringLiteral("serial_number"), textOrNull(facts.serialNumber)},
            {QStringLiteral("stable_name"), textOrNull(facts.stableName)},
            {QStringLiteral("echo"), facts.echoes ? QJsonValue(*facts.echoes) : QJsonValue(QJsonValue::Null)}};
}

// "1  /dev/ttyUSB0  USB-SERIAL CH340  空闲", then the details that are known, indented.
QString portText(const PortFacts &facts)
{
    QStringList first{QString::number(facts.number), facts.missing ? facts.device + missingDeviceMark() : facts.device};
    if (!facts.name.isEmpty())
        first << facts.name;
    first << useText(facts.use);
    if (facts.echoes == true)
        first << echoMark();
    QStringList details;
    if (!facts.usbIds().isEmpty())
        details << QStringLiteral("USB ") + facts.usbIds();
    if (!facts.manufacturer.isEmpty())
        details << QCoreApplication::translate("cli", "制造商 %1").arg(facts.manufacturer);
    if (!facts.serialNumber.isEmpty())
        details << QCoreApplication::translate("cli", "序列号 %1").arg(facts.serialNumber);
    QString text = first.join(QStringLiteral("  "));
    if (!details.isEmpty())
        text += QStringLiteral("\n    ") + details.join(QStringLiteral("  "));
    if (!facts.stableName.isEmpty())
        text += QStringLiteral("\n    ") + facts.stableName;
    return text;
}

} // namespace

QList<QCommandLineOption> portsOptions()
{
    QCommandLineOption mapping = WindowOption::portMapping();
    mapping.setDescription(QCoreApplication::translate("cli", "串口号 N 对应设备 DEVICE（可重复），同窗口的 --port"));
    return {mapping};
}

int runPorts(const QStringList &arguments)
{
    CommandLine line(QStringLiteral("ports"), QString(), 0,
                     QCoreApplication::translate("cli", "列出能用的串口：号码（同窗口和 --port）、设备、USB 名称和编号、固定名、是否被占用"),
                     PortUse::None);
    const QCommandLineOption mapping = portsOptions().front();
    line.addRepeatableOption(mapping);
    if (const auto exitCode = line.parse(arguments))
        return *exitCode;
    PortDirectory ports;
    if (QString bad; !ports.mapPorts(line.parser().values(mapping), &bad))
        return line.fail({ResultStatus::BadInput,
                          StatusText::withDetail(StatusText::BadPortNumber.toString(), QStringLiteral("--port ") + bad)});
    const QList<PortFacts> catalogue = portCatalogue(ports, true);
    for (const PortFacts &facts : catalogue) {
        if (line.format() == OutputFormat::Json)
            printJson(portJson(facts));
        else
            printLine(portText(facts));
    }
    if (catalogue.isEmpty() && line.format() == OutputFormat::Text)
        printError(QCoreApplication::translate("cli", "没有找到串口：请插上 USB 转串口线，或用 --port N=DEVICE 指定设备"));
    return ExitCode::Done;
}
