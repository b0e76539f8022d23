#include "core/ArchiveList.h"
#include "support/TestEnvironment.h"

#include <QJsonDocument>
#include <QRandomGenerator>

using QuorvelClient::Core::ArchiveList;

namespace {

// What the reply meant when it was read as a JSON document and each element's values as QVariants.
bool readAsDocument(const QByteArray& json, QList<ArchiveList::Element>* elements)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return false;
    for (const QVariant& item : document.toVariant().toList()) {
        const QVariantMap map = item.toMap();
        ArchiveList::Element element;
        element.startTime = map.value("startTime").toLongLong();
        element.duration = map.value("duration").toLongLong();
        element.startId = map.value("startId").toInt();
        element.endId = map.value("endId").toInt();
        element.type = map.value("type").toInt(&element.typeRead);
        elements->append(element);
    }
    return true;
}

QList<ArchiveList::Element> elementsOf(const ArchiveList& list)
{
    QList<ArchiveList::Element> elements;
    for (const ArchiveList::Run& run : list.runs())
        elements.append(QList<ArchiveList::Element>(run.count, run.element));
    return elements;
}

QString describe(const QList<ArchiveList::Element>& elements)
{
    QStringList parts;
    for (const ArchiveList::Element& e : elements)
        parts << QStringLiteral("%1+%2 %3-%4 t%5%6")
                     .arg(e.startTime)
                     .arg(e.duration)
                     .arg(e.startId)
                     .arg(e.endId)
                     .arg(e.type)
                     .arg(e.typeRead ? "" : "?");
    return parts.join(" | ");
}

// Reads the text both ways; the same answer and the same elements, or a message saying where they part.
QString disagreement(const QByteArray& json)
{
    QList<ArchiveList::Element> expected;
    const bool valid = readAsDocument(json, &expected);
    ArchiveList list;
    const bool read = list.read(json);
    const QList<ArchiveList::Element> got = elementsOf(list);
    if (read == valid && got == expected && list.size() == got.size())
        return QString();
    return QStringLiteral("%1: document %2 [%3], list %4 [%5]")
        .arg(QString::fromUtf8(json.left(200)).toHtmlEscaped())
        .arg(valid)
        .arg(describe(expected))
        .arg(read)
        .arg(describe(got));
}

const QByteArray kReply =
    "[{\"duration\":60000,\"endId\":19,\"startId\":10,\"startTime\":1711843200000,\"type\":2},"
    "{\"startTime\":1711846800999,\"duration\":1999.5,\"type\":\"3\",\"startId\":\"7\",\"endId\":true},"
    "{\"x\":[1,{\"y\":\"\\\"]\"}],\"startTime\":-5e3,\"type\":null,\"startId\":5000000000},"
    "\"text\",[],7,{\"startTime\":\"\\u0031\\u0032\",\"s\\u0074artId\":4,\"startId\":5}]";

} // namespace

class tst_ArchiveList : public QObject
{
    Q_OBJECT
private slots:
    void readsAsTheDocumentWould_data();
    void readsAsTheDocumentWould();
    void mangledRepliesReadAsTheDocumentWould();
    void paddingCostsOneRun();
};

void tst_ArchiveList::readsAsTheDocumentWould_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("valid");
    QTest::newRow("reply of all kinds of values") << kReply << true;
    QTest::newRow("empty list") << QByteArray(" [ ]\r\n") << true;
    QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF[{\"type\":1}]") << true;
    QTest::newRow("object: no elements") << QByteArray("{\"startTime\":[1,2],\"a\":{\"b\":[]}}") << true;
    QTest::newRow("key given twice") << QByteArray("[{\"type\":1,\"type\":\"x\"}]") << true;
    QTest::newRow("numbers past 64 bits") << QByteArray("[{\"startTime\":9223372036854775808,"
                                                        "\"duration\":-9223372036854775809,\"startId\":1e30}]")
                                          << true;
    QTest::newRow("escapes") << QByteArray("[{\"type\":\"\\t4\",\"startId\":\"\\ud83d\\ude00\",\"endId\":\"\\/1\"}]")
                             << true;
    QTest::newRow("UTF-8 text") << QByteArray("[{\"type\":\"\xD0\x96\",\"\xF0\x9F\x98\x80\":1}]") << true;
    QTest::newRow("scalar document") << QByteArray("5") << false;
    QTest::newRow("cut off") << kReply.chopped(1) << false;
    QTest::newRow("trailing comma") << QByteArray("[{},]") << false;
    QTest::newRow("garbage after") << QByteArray("[] x") << false;
    QTest::newRow("leading zero") << QByteArray("[{\"startTime\":0123}]") << false;
    QTest::newRow("infinite number") << QByteArray("[{\"startTime\":1e400}]") << false;
    QTest::newRow("bare word") << QByteArray("[{\"type\":nul}]") << false;
    QTest::newRow("short escape") << QByteArray("[{\"type\":\"\\u00\"}]") << false;
    QTest::newRow("overlong UTF-8") << QByteArray("[\"\xC0\x80\"]") << false;
    QTest::newRow("UTF-8 surrogate") << QByteArray("[\"\xED\xA0\x80\"]") << false;
    QTest::newRow("cut UTF-8") << QByteArray("[\"\xE2\x82\"]") << false;
    QTest::newRow("nested too deep") << QByteArray(2000, '[') + QByteArray(2000, ']') << false;
    QTest::newRow("unclosed string") << QByteArray("[\"abc]") << false;
}

void tst_ArchiveList::readsAsTheDocumentWould()
{
    QFETCH(QByteArray, json);
    QFETCH(bool, valid);
    const QString differs = disagreement(json);
    QVERIFY2(differs.isEmpty(), qPrintable(differs));
    ArchiveList list;
    QCOMPARE(list.read(json), valid);
}

// Replies cut, doubled and with bytes changed anywhere: read the same as through a document, or refused the same.
void tst_ArchiveList::mangledRepliesReadAsTheDocumentWould()
{
    QRandomGenerator random(26);
    const QByteArray alphabet = QByteArrayLiteral("[]{}\",:.-+eE0123456789 \\utfnbrx\x80\xC3\xA9\t\n\x01\x0c/");
    int refused = 0;
    for (int i = 0; i < 3000; ++i) {
        QByteArray json = kReply;
        for (int edits = 1 + random.bounded(3); edits > 0; --edits) {
            const int at = random.bounded(json.size());
            switch (random.bounded(4)) {
            case 0:
                json.remove(at, 1 + random.bounded(4));
                break;
            case 1:
                json.insert(at, alphabet.at(random.bounded(alphabet.size())));
                break;
            case 2:
                json[at] = alphabet.at(random.bounded(alphabet.size()));
                break;
            default:
                json.insert(at, json.mid(random.bounded(json.size()), random.bounded(12)));
                break;
            }
        }
        const QString differs = disagreement(json);
        QVERIFY2(differs.isEmpty(), qPrintable(differs));
        refused += !ArchiveList().read(json);
    }
    // Both kinds were tried.
    QVERIFY2(refused > 300 && refused < 2700, qPrintable(QString::number(refused)));
}

// A reply padded with a million empty elements keeps them as one run: its size in memory stays that of a few.
void tst_ArchiveList::paddingCostsOneRun()
{
    QByteArray json = "[{\"startTime\":1000,\"duration\":5000}";
    for (int i = 0; i < 1000000; ++i)
        json += ",{}";
    json += ",{\"startTime\":2000,\"duration\":5000}]";
    ArchiveList list;
    QVERIFY(list.read(json));
    QCOMPARE(list.size(), 1000002);
    QCOMPARE(list.runs().size(), 3);
    QCOMPARE(list.first().startTime, 1000);
    QCOMPARE(list.last().startTime, 2000);
    QCOMPARE(list.runs().at(1).count, 1000000);
}

QUORVEL_TEST_MAIN(tst_ArchiveList)
#include "tst_ArchiveList.moc"
