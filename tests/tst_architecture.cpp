// The rooms and the arrows between them (README, "Architecture"), checked on the source files themselves:
// every `#include "..."` is mapped to the room its header lives in, and only the arrows of the table below
// may be used; no widget header is included below the window; no two files include each other, however
// roundabout.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace {

// Which rooms each room may include, besides itself. Rooms not named here are not allowed to hold sources.
const QMap<QString, QStringList> &mayInclude()
{
    static const QStringList everything{QStringLiteral("app"),      QStringLiteral("cli"),
                                        QStringLiteral("records"),  QStringLiteral("commands"),
                                        QStringLiteral("logo"),     QStringLiteral("link"),
                                        QStringLiteral("translations"), QStringLiteral("sim")};
    static const QMap<QString, QStringList> table{
        {QStringLiteral("link"), {}},
        {QStringLiteral("logo"), {}},
        {QStringLiteral("translations"), {}},
        {QStringLiteral("sim"), {}},
        {QStringLiteral("commands"), {QStringLiteral("logo"), QStringLiteral("link")}},
        {QStringLiteral("records"), {QStringLiteral("commands"), QStringLiteral("logo"), QStringLiteral("link")}},
        {QStringLiteral("cli"),
         {QStringLiteral("records"), QStringLiteral("commands"), QStringLiteral("logo"), QStringLiteral("link"),
          QStringLiteral("translations")}},
        // The program's entry point lives with the window and hands a command over to the command line.
        {QStringLiteral("app"),
         {QStringLiteral("cli"), QStringLiteral("records"), QStringLiteral("commands"), QStringLiteral("logo"),
          QStringLiteral("link"), QStringLiteral("translations")}},
        {QStringLiteral("tests"), everything},
        {QStringLiteral("bench"), everything},
        {QStringLiteral("fuzz"), everything},
    };
    return table;
}

// The rooms where a widget header may appear: the window, and what drives or measures it.
const QSet<QString> WidgetRooms{QStringLiteral("app"), QStringLiteral("tests"), QStringLiteral("bench")};

struct Include
{
    QString header;
    int line = 0;
    bool angled = false;
};

struct SourceFile
{
    QString path;  // from the source root, e.g. "commands/command_table.cpp"
    QString room;
    QList<Include> includes;
};

struct SourceTree
{
    QList<SourceFile> files;
    QHash<QString, QString> pathOfName;  // a file's name (as it is included) to its path
    QStringList problems;                // files that cannot be placed
};

QString roomOf(const QString &path)
{
    return path.section(u'/', 0, 0);
}

QString unitOf(const QString &path)
{
    // A header and its source file are one unit: "cli/text_logo.h" and "cli/text_logo.cpp".
    return path.left(path.lastIndexOf(u'.'));
}

// Every .h and .cpp under the rooms: the top-level folders with a CMakeLists.txt (build trees have none).
SourceTree readTree(const QString &root)
{
    static const QRegularExpression includeLine(QStringLiteral(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])"));
    SourceTree tree;
    const QDir rootDir(root);
    for (const QString &folder : rootDir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (!QFile::exists(rootDir.filePath(folder + QStringLiteral("/CMakeLists.txt"))))
            continue;
        QDirIterator it(rootDir.filePath(folder), {QStringLiteral("*.h"), QStringLiteral("*.cpp"), QStringLiteral("*.ui")},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = rootDir.relativeFilePath(it.next());
            const QString name = it.fileName();
            if (!mayInclude().contains(folder)) {
                tree.problems << QStringLiteral("%1: a room the table does not know").arg(path);
                continue;
            }
            if (name.endsWith(QStringLiteral(".ui"))) {
                // uic makes ui_form1.h of form1.ui, in the same room.
                tree.pathOfName.insert(QStringLiteral("ui_") + name.chopped(3) + QStringLiteral(".h"), path);
                continue;
            }
            if (name.endsWith(QStringLiteral(".h"))) {
                if (tree.pathOfName.contains(name))
                    tree.problems << QStringLiteral("%1 and %2: one name in two places, so an include of it is "
                                                    "ambiguous").arg(tree.pathOfName.value(name), path);
                tree.pathOfName.insert(name, path);
            }
            SourceFile file{path, folder, {}};
            QFile source(it.filePath());
            if (!source.open(QIODevice::ReadOnly)) {
                tree.problems << QStringLiteral("%1: cannot be read").arg(path);
                continue;
            }
            int lineNumber = 0;
            while (!source.atEnd()) {
                const QString line = QString::fromUtf8(source.readLine());
                ++lineNumber;
                if (const auto match = includeLine.match(line); match.hasMatch())
                    file.includes.append({match.captured(2), lineNumber, match.captured(1) == u'<'});
            }
            tree.files.append(file);
        }
    }
    return tree;
}

// Quoted includes that use an arrow the table does not have, or reach no file of the tree.
QStringList forbiddenArrows(const SourceTree &tree)
{
    QStringList found;
    for (const SourceFile &file : tree.files) {
        for (const Include &include : file.includes) {
            if (include.angled || include.header.endsWith(QStringLiteral(".moc")))
                continue;  // the system's and Qt's headers; moc's output for the file itself
            const QString target = tree.pathOfName.value(QFileInfo(include.header).fileName());
            if (target.isEmpty()) {
                found << QStringLiteral("%1:%2 includes \"%3\", which is in no room")
                             .arg(file.path).arg(include.line).arg(include.header);
                continue;
            }
            const QString room = roomOf(target);
            if (room != file.room && !mayInclude().value(file.room).contains(room))
                found << QStringLiteral("%1:%2 includes \"%3\" (%4): %5 may not include %6")
                             .arg(file.path).arg(include.line).arg(include.header, target, file.room, room);
        }
    }
    return found;
}

// Widget headers included outside the window's rooms. `widgetHeaders`: the names of Qt Widgets' headers.
QStringList widgetsBelowWindow(const SourceTree &tree, const QSet<QString> &widgetHeaders)
{
    QStringList found;
    for (const SourceFile &file : tree.files) {
        if (WidgetRooms.contains(file.room))
            continue;
        for (const Include &include : file.includes) {
            const bool widget = include.angled
                                && (widgetHeaders.contains(include.header)
                                    || include.header == QStringLiteral("QtWidgets")
                                    || include.header.startsWith(QStringLiteral("QtWidgets/")));
            if (widget)
                found << QStringLiteral("%1:%2 includes <%3>, a widget header, below the window")
                             .arg(file.path).arg(include.line).arg(include.header);
        }
    }
    return found;
}

// Include cycles between units (a header with its source file), each as the includes that close it.
QStringList includeCycles(const SourceTree &tree)
{
    // unit -> (unit it includes -> the first include that does it)
    QMap<QString, QMap<QString, QString>> edges;
    for (const SourceFile &file : tree.files) {
        const QString from = unitOf(file.path);
        edges[from];
        for (const Include &include : file.includes) {
            const QString target = tree.pathOfName.value(QFileInfo(include.header).fileName());
            if (include.angled || target.isEmpty() || unitOf(target) == from)
                continue;
            if (!edges[from].contains(unitOf(target)))
                edges[from].insert(unitOf(target), QStringLiteral("%1:%2 includes \"%3\"")
                                                       .arg(file.path).arg(include.line).arg(include.header));
        }
    }
    enum class Mark { New, OnPath, Done };
    QHash<QString, Mark> mark;
    QStringList path;
    QStringList found;
    std::function<void(const QString &)> visit = [&](const QString &unit) {
        mark[unit] = Mark::OnPath;
        path << unit;
        const QMap<QString, QString> &next = edges.value(unit);
        for (auto it = next.cbegin(); it != next.cend(); ++it) {
            const Mark seen = mark.value(it.key(), Mark::New);
            if (seen == Mark::New) {
                visit(it.key());
            } else if (seen == Mark::OnPath) {
                QStringList steps;
                const qsizetype start = path.indexOf(it.key());
                for (qsizetype i = start; i < path.size(); ++i) {
                    const QString &to = i + 1 < path.size() ? path.at(i + 1) : it.key();
                    steps << edges.value(path.at(i)).value(to);
                }
                found << QStringLiteral("include cycle: ") + steps.join(QStringLiteral(", "));
            }
        }
        path.removeLast();
        mark[unit] = Mark::Done;
    };
    for (auto it = edges.cbegin(); it != edges.cend(); ++it)
        if (mark.value(it.key(), Mark::New) == Mark::New)
            visit(it.key());
    return found;
}

QSet<QString> qtWidgetHeaders()
{
    const QStringList names = QDir(QStringLiteral(TIMECLOCK_QT_WIDGETS_HEADERS)).entryList(QDir::Files);
    return {names.cbegin(), names.cend()};
}

QStringList everyFinding(const QString &root, const QSet<QString> &widgetHeaders)
{
    const SourceTree tree = readTree(root);
    return tree.problems + forbiddenArrows(tree) + widgetsBelowWindow(tree, widgetHeaders) + includeCycles(tree);
}

void writeFile(const QString &path, const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(contents), contents.size());
}

} // namespace

class TestArchitecture : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyRoomIsKnown();
    void onlyAllowedArrows();
    void noWidgetBelowTheWindow();
    void noIncludeCycle();
    void plantedFaultsAreFound_data();
    void plantedFaultsAreFound();

private:
    SourceTree m_tree;
    QSet<QString> m_widgetHeaders;
};

void TestArchitecture::initTestCase()
{
    m_tree = readTree(QStringLiteral(TIMECLOCK_SOURCE_DIR));
    m_widgetHeaders = qtWidgetHeaders();
    // A tree or a Qt that cannot be read would make every check below pass.
    QVERIFY2(m_tree.files.size() > 100, qPrintable(QStringLiteral("%1 files read").arg(m_tree.files.size())));
    QVERIFY(m_widgetHeaders.contains(QStringLiteral("QWidget")));
    QVERIFY(m_widgetHeaders.contains(QStringLiteral("QLabel")));
}

void TestArchitecture::everyRoomIsKnown()
{
    QVERIFY2(m_tree.problems.isEmpty(), qPrintable(m_tree.problems.join(u'\n')));
}

void TestArchitecture::onlyAllowedArrows()
{
    const QStringList found = forbiddenArrows(m_tree);
    QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
}

void TestArchitecture::noWidgetBelowTheWindow()
{
    const QStringList found = widgetsBelowWindow(m_tree, m_widgetHeaders);
    QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
}

void TestArchitecture::noIncludeCycle()
{
    const QStringList found = includeCycles(m_tree);
    QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
}

// A small tree of the same shape, with one fault planted: the checks must name it. The fault-free files
// of every row (a window including widgets and the command table, the table including the line) never
// give a finding.
void TestArchitecture::plantedFaultsAreFound_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QStringList>("finding");  // words the one finding holds; empty: nothing is found

    QTest::newRow("nothing planted") << QString() << QByteArray() << QStringList{};
    QTest::newRow("the table includes the window")
        << "commands/planted.cpp" << QByteArray("#include \"window.h\"\n")
        << QStringList{"commands/planted.cpp:1", "\"window.h\"", "commands may not include app"};
    QTest::newRow("the line includes the history")
        << "link/planted.cpp" << QByteArray("// why\n#include \"history.h\"\n")
        << QStringList{"link/planted.cpp:2", "\"history.h\"", "link may not include records"};
    QTest::newRow("a widget on the command line")
        << "cli/planted.cpp" << QByteArray("#include <QLabel>\n") << QStringList{"cli/planted.cpp:1", "<QLabel>"};
    QTest::newRow("the widget module by its path")
        << "logo/planted.h" << QByteArray("#pragma once\n#include <QtWidgets/QWidget>\n")
        << QStringList{"logo/planted.h:2", "<QtWidgets/QWidget>"};
    QTest::newRow("two units include each other")
        << "commands/table.cpp" << QByteArray("#include \"table.h\"\n#include \"task.h\"\n")
        << QStringList{"include cycle", "commands/table.cpp:2 includes \"task.h\"",
                       "commands/task.cpp:2 includes \"table.h\""};
    QTest::newRow("an include of no file") << "app/planted.cpp" << QByteArray("#include \"nowhere.h\"\n")
                                           << QStringList{"app/planted.cpp:1", "\"nowhere.h\"", "in no room"};
    QTest::newRow("a room nobody placed") << "gadgets/planted.cpp" << QByteArray("\n")
                                          << QStringList{"gadgets/planted.cpp", "room the table does not know"};
    QTest::newRow("one name in two rooms") << "cli/task.h" << QByteArray("#pragma once\n")
                                           << QStringList{"commands/task.h", "cli/task.h", "ambiguous"};
}

void TestArchitecture::plantedFaultsAreFound()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, contents);
    QFETCH(QStringList, finding);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    for (const char *room : {"app", "cli", "records", "commands", "logo", "link", "gadgets"})
        writeFile(root.filePath(room + QStringLiteral("/CMakeLists.txt")), "");
    writeFile(root.filePath("app/window.h"), "#pragma once\n#include <QWidget>\n#include \"table.h\"\n");
    writeFile(root.filePath("app/window.cpp"), "#include \"window.h\"\n#include <QtWidgets/QLabel>\n");
    writeFile(root.filePath("records/history.h"), "#pragma once\n#include \"table.h\"\n");
    writeFile(root.filePath("commands/table.h"), "#pragma once\n#include \"line.h\"\n");
    writeFile(root.filePath("commands/task.h"), "#pragma once\n");
    writeFile(root.filePath("commands/task.cpp"), "#include \"task.h\"\n#include \"table.h\"\n");
    writeFile(root.filePath("link/line.h"), "#pragma once\n#include <QObject>\n");
    if (!file.isEmpty())
        writeFile(root.filePath(file), contents);

    const QStringList found = everyFinding(root.path(), qtWidgetHeaders());
    if (finding.isEmpty()) {
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
        return;
    }
    QCOMPARE(found.size(), 1);
    for (const QString &words : finding)
        QVERIFY2(found.first().contains(words), qPrintable(found.first() + QStringLiteral(" lacks ") + words));
}

QTEST_GUILESS_MAIN(TestArchitecture)
#include "tst_architecture.moc"
