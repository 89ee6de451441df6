#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

// Every text the program can show has a finished English translation: lupdate reads the sources as they
// are now into a copy of translations/timeclock-setup_en.ts, so a text added without its translation, or
// one whose source changed, comes out unfinished; one that no longer exists comes out vanished.
class TestLanguageCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyTextTranslated_data();
    void everyTextTranslated();

private:
    struct Message
    {
        QString context;
        QString source;
        QString comment;
        QString translation;
        QString type;  // "unfinished", "vanished", "obsolete", or empty when finished
    };
    QList<Message> m_messages;
};

void TestLanguageCatalogue::initTestCase()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString copy = dir.filePath(QStringLiteral("timeclock-setup_en.ts"));
    QVERIFY(QFile::copy(QStringLiteral(ENGLISH_TS), copy));
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
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"name") {
            context = xml.readElementText();
        } else if (xml.name() == u"message") {
            message = Message{context, {}, {}, {}, {}};
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
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY2(m_messages.size() > 50, "lupdate found the program's texts");
}

void TestLanguageCatalogue::everyTextTranslated_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("translation");
    QTest::addColumn<QString>("type");
    for (const Message &message : std::as_const(m_messages)) {
        const QString name = message.context + u' ' + message.source
                             + (message.comment.isEmpty() ? QString() : QStringLiteral(" (") + message.comment + u')');
        QTest::newRow(qPrintable(name)) << message.source << message.translation << message.type;
    }
}

void TestLanguageCatalogue::everyTextTranslated()
{
    QFETCH(QString, source);
    QFETCH(QString, translation);
    QFETCH(QString, type);
    QVERIFY2(type != u"vanished" && type != u"obsolete",
             "no longer in the sources: `cmake --build build --target update_translations` drops it");
    QVERIFY2(type.isEmpty(), "no English yet: translate it in translations/timeclock-setup_en.ts");
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

QTEST_GUILESS_MAIN(TestLanguageCatalogue)
#include "tst_language_catalogue.moc"
