#pragma once

#include <QByteArray>
#include <QMetaMethod>
#include <QObject>
#include <QStringList>
#include <QTest>

// A long test executable runs as several CTest entries, each with its share of the test functions, so that
// it runs beside the others instead of after them. CTest names the share in TIMECLOCK_TEST_SHARE ("2/3":
// the second of three); the functions are dealt out in their order, so a new one lands in some share by
// itself. Without the variable, or with functions named on the command line, everything runs as usual.
inline int runShareOfTest(QObject &test, int argc, char **argv)
{
    const QByteArray share = qgetenv("TIMECLOCK_TEST_SHARE");
    const QList<QByteArray> parts = share.split('/');
    bool knownShare = false;
    bool knownCount = false;
    const int index = parts.size() == 2 ? parts[0].toInt(&knownShare) : 0;
    const int count = parts.size() == 2 ? parts[1].toInt(&knownCount) : 0;
    if (argc > 1 || !knownShare || !knownCount || count < 1 || index < 1 || index > count)
        return QTest::qExec(&test, argc, argv);

    static const QList<QByteArray> fixtures{"initTestCase", "cleanupTestCase", "init", "cleanup"};
    QStringList arguments{QString::fromLocal8Bit(argv[0])};
    const QMetaObject *meta = test.metaObject();
    int dealt = 0;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        const QByteArray name = method.name();
        if (method.methodType() != QMetaMethod::Slot || method.access() != QMetaMethod::Private
            || method.parameterCount() != 0 || name.endsWith("_data") || fixtures.contains(name))
            continue;
        if (dealt++ % count == index - 1)
            arguments << QString::fromLatin1(name);
    }
    // A share that was dealt nothing passes without running anything, as an empty test would.
    if (arguments.size() == 1)
        return 0;
    return QTest::qExec(&test, arguments);
}

// QTEST_MAIN and QTEST_GUILESS_MAIN, running the share CTest asks for.
#define TIMECLOCK_TEST_MAIN_IN_SHARES(TestObject, ...)                                                        \
    int main(int argc, char *argv[])                                                                      \
    {                                                                                                     \
        __VA_ARGS__                                                                                       \
        TestObject test;                                                                                  \
        QTEST_SET_MAIN_SOURCE_PATH                                                                        \
        return runShareOfTest(test, argc, argv);                                                          \
    }
