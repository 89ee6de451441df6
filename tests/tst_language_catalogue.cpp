#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

// Every text the program can show has a finished English and Traditional Chinese translation: lupdate reads
// the sources as they are now into a copy of each catalogue (translations/timeclock-setup_en.ts,
// translations/timeclock-setup_zh_TW.ts), so a text added without its translation, or one whose source
// changed, comes out unfinished; one that no longer exists comes out vanished. The Traditional Chinese holds
// no simplified character that a conversion left behind or a hand slipped in.
class TestLanguageCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyTextTranslated_data();
    void everyTextTranslated();
    void traditionalCharactersOnly_data();
    void traditionalCharactersOnly();

private:
    struct Message
    {
        QString catalogue;  // "en" or "zh_TW"
        QString context;
        QString source;
        QString comment;
        QString translation;
        QString type;  // "unfinished", "vanished", "obsolete", or empty when finished
    };
    static QString rowName(const Message &message);
    void readCatalogue(const QString &catalogue, const QString &tsFile);
    QList<Message> m_messages;
};

QString TestLanguageCatalogue::rowName(const Message &message)
{
    return message.catalogue + u' ' + message.context + u' ' + message.source
           + (message.comment.isEmpty() ? QString() : QStringLiteral(" (") + message.comment + u')');
}

void TestLanguageCatalogue::initTestCase()
{
    readCatalogue(QStringLiteral("en"), QStringLiteral(ENGLISH_TS));
    if (QTest::currentTestFailed())
        return;
    readCatalogue(QStringLiteral("zh_TW"), QStringLiteral(TRADITIONAL_TS));
}

void TestLanguageCatalogue::readCatalogue(const QString &catalogue, const QString &tsFile)
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString copy = dir.filePath(QStringLiteral("timeclock-setup_%1.ts").arg(catalogue));
    QVERIFY2(QFile::copy(tsFile, copy), qPrintable(tsFile));
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);

    QProcess lupdate;
    lupdate.start(QStringLiteral(LUPDATE_PROGRAM),
                  {QStringLiteral("-locations"), QStringLiteral("none"), u'@' + QStringLiteral(TRANSLATED_SOURCES_LIST),
                   QStringLiteral("-ts"), copy});
    QVERIFY2(lupdate.waitForFinished(60000), qPrintable(lupdate.errorString()));
    QVERIFY2(lupdate.exitStatus() == QProcess::NormalExit && lupdate.exitCode() == 0,
             lupdate.readAllStandardError().constData());

    QFile file(copy);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QString context;
    Message message;
    qsizetype found = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"name") {
            context = xml.readElementText();
        } else if (xml.name() == u"message") {
            message = Message{catalogue, context, {}, {}, {}, {}};
        } else if (xml.name() == u"source") {
            message.source = xml.readElementText();
        } else if (xml.name() == u"comment") {
            message.comment = xml.readElementText();
        } else if (xml.name() == u"translation") {
            message.type = xml.attributes().value(QLatin1String("type")).toString();
            // A text that counts holds one form per number (<numerusform>): each is checked.
            QStringList forms;
            QString text;
            while (!(xml.readNext() == QXmlStreamReader::EndElement && xml.name() == u"translation") && !xml.atEnd()) {
                if (xml.isStartElement() && xml.name() == u"numerusform")
                    forms << xml.readElementText();
                else if (xml.isCharacters())
                    text += xml.text();
            }
            message.translation = forms.isEmpty() ? text : forms.join(u'\x1f');
            m_messages << message;
            ++found;
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY2(found > 50, "lupdate found the program's texts");
}

void TestLanguageCatalogue::everyTextTranslated_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("translation");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("catalogue");
    for (const Message &message : std::as_const(m_messages))
        QTest::newRow(qPrintable(rowName(message))) << message.source << message.translation << message.type << message.catalogue;
}

void TestLanguageCatalogue::everyTextTranslated()
{
    QFETCH(QString, source);
    QFETCH(QString, translation);
    QFETCH(QString, type);
    QFETCH(QString, catalogue);
    QVERIFY2(type != u"vanished" && type != u"obsolete",
             "no longer in the sources: `cmake --build build --target update_translations` drops it");
    if (catalogue == u"en")
        QVERIFY2(type.isEmpty(), "no English yet: translate it in translations/timeclock-setup_en.ts");
    else
        QVERIFY2(type.isEmpty(), "no Traditional Chinese yet: scripts/seed-zh_TW.py gives it a first one to read through");
    QVERIFY(!translation.trimmed().isEmpty());
    // .arg() fills the same places in either language.
    static const QRegularExpression placeholder(QStringLiteral("%\\d"));
    QStringList inSource;
    for (const auto &match : placeholder.globalMatch(source))
        inSource << match.captured();
    inSource.sort();
    for (const QString &form : translation.split(u'\x1f')) {
        QVERIFY(!form.trimmed().isEmpty());
        QStringList inTranslation;
        for (const auto &match : placeholder.globalMatch(form))
            inTranslation << match.captured();
        inTranslation.sort();
        QCOMPARE(inTranslation, inSource);
    }
}

void TestLanguageCatalogue::traditionalCharactersOnly_data()
{
    QTest::addColumn<QString>("translation");
    QTest::addColumn<QString>("traditional");  // the same after OpenCC's Simplified-to-Traditional conversion
    const QString opencc = QStandardPaths::findExecutable(QStringLiteral("opencc"));
    if (opencc.isEmpty())
        QSKIP("opencc not found (Debian package opencc): it tells which characters are simplified");

    // One text a line, the texts' own line breaks kept out of the way: OpenCC converts line by line.
    QList<const Message *> traditional;
    QStringList lines;
    for (const Message &message : std::as_const(m_messages)) {
        if (message.catalogue == u"zh_TW" && message.type.isEmpty()) {
            traditional << &message;
            lines << QString(message.translation).replace(u'\n', u'\u2028');
        }
    }
    QVERIFY(!traditional.isEmpty());
    QProcess s2t;
    s2t.start(opencc, {QStringLiteral("-c"), QStringLiteral("s2t")});
    QVERIFY2(s2t.waitForStarted(10000), qPrintable(s2t.errorString()));
    s2t.write((lines.join(u'\n') + u'\n').toUtf8());
    s2t.closeWriteChannel();
    QVERIFY2(s2t.waitForFinished(60000), qPrintable(s2t.errorString()));
    QVERIFY2(s2t.exitStatus() == QProcess::NormalExit && s2t.exitCode() == 0, s2t.readAllStandardError().constData());
    const QStringList converted = QString::fromUtf8(s2t.readAllStandardOutput()).split(u'\n');
    QVERIFY2(converted.size() == lines.size() + 1, "opencc gave back a line for every text");
    for (qsizetype i = 0; i < traditional.size(); ++i)
        QTest::newRow(qPrintable(rowName(*traditional.at(i)))) << lines.at(i) << converted.at(i);
}

void TestLanguageCatalogue::traditionalCharactersOnly()
{
    QFETCH(QString, translation);
    QFETCH(QString, traditional);
    QCOMPARE(translation, traditional);
}

QTEST_GUILESS_MAIN(TestLanguageCatalogue)
#include "tst_language_catalogue.moc"
