#include "application/Language.h"
#include "application/UpdateManager.h"
#include "peer/FakeNetwork.h"
#include "support/MessageCapture.h"
#include "support/ObjectCensus.h"
#include "support/PeerNameProbe.h"
#include "support/TestEnvironment.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

using QuorvelClient::Application::UpdateInfo;
using QuorvelClient::Application::UpdateManager;
using namespace TestSupport;

namespace {

// Takes the place of the browser for a scheme.
class LinkOpener : public QObject
{
    Q_OBJECT
public slots:
    void open(const QUrl& url) { opened << url; }

public:
    QList<QUrl> opened;
};

// Records the manager's signals in the order they come.
class SignalLog : public QObject
{
public:
    explicit SignalLog(UpdateManager* manager)
    {
        connect(manager, &UpdateManager::updatesCheckStarted, this, [this] { events << "started"; });
        connect(manager, &UpdateManager::updatesChecked, this, [this] { events << "checked"; });
        connect(manager, &UpdateManager::updateFound, this, [this] { events << "found"; });
        connect(manager, &UpdateManager::updateError, this, [this] { events << "error"; });
    }
    QStringList events;
};

UpdateInfo offered(const QString& text, const QString& info = QString())
{
    int version[3] = {};
    if (!UpdateInfo::parseVersion(text, version))
        qWarning("not a version");
    return UpdateInfo(version, info);
}

} // namespace

class tst_UpdateManager : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void timerChecksEveryInterval();
    void repliesAreParsedAndRated_data();
    void repliesAreParsedAndRated();
    void invalidRepliesAreErrors();
    void levelsTitlesAndMessages();
    void infoShowsItsMarkupAndLoadsNothing();
    void releaseNotesShowWhole();

private:
    // Checks once and returns the signals after "started", once the check has ended.
    QStringList check(UpdateManager& manager);

    FakeNetwork* net = nullptr;
};

void tst_UpdateManager::initTestCase()
{
    QCoreApplication::setApplicationName("Quorvel Client");
    QCoreApplication::setApplicationVersion("5.6.0 Build 232");
    net = new FakeNetwork(this);
    QVERIFY(net->start());
    net->useProxy();
}

void tst_UpdateManager::init()
{
    net->service.clearScript();
    net->service.clearRequests();
}

QStringList tst_UpdateManager::check(UpdateManager& manager)
{
    ObjectCensus census;
    SignalLog log(&manager);
    manager.checkForUpdates();
    [&] { QTRY_VERIFY_WITH_TIMEOUT(log.events.contains("checked") || log.events.contains("error"), 20000); }();
    QCoreApplication::processEvents();
    // Every answer releases the client that carried it.
    [&] { QTRY_COMPARE(census.alive("QuorvelClient::Core::RestClient"), 0); }();
    return log.events.mid(log.events.value(0) == "started" ? 1 : 0);
}

void tst_UpdateManager::timerChecksEveryInterval()
{
    net->service.setClientVersion("5.6.0");
    UpdateManager manager(30, nullptr);
    SignalLog log(&manager);
    auto* timer = manager.findChild<QTimer*>();
    QVERIFY(timer && timer->isActive());
    QCOMPARE(timer->interval(), 30 * 60000);
    // A running timer is not restarted: its remaining time keeps running down.
    timer->setTimerType(Qt::PreciseTimer);
    timer->start();
    QTest::qWait(80);
    manager.start();
    QVERIFY(timer->remainingTime() <= 30 * 60000 - 60);

    // Each tick checks; a stopped manager checks no more, and start() runs the timer again.
    timer->setInterval(30);
    QTRY_VERIFY_WITH_TIMEOUT(log.events.count("checked") >= 2, 20000);
    manager.stop();
    QTRY_COMPARE(log.events.count("started"), log.events.count("checked"));
    const int requests = net->service.requests().size();
    QTest::qWait(150);
    QCOMPARE(net->service.requests().size(), requests);
    manager.start();
    QVERIFY(timer->isActive());
}

void tst_UpdateManager::repliesAreParsedAndRated_data()
{
    QTest::addColumn<QStringList>("offered");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QString>("version");
    QTest::addColumn<int>("level");

    QTest::newRow("same version twice") << QStringList{"5.6.0", "5.6.0"} << QStringList{"checked", "found", "checked"}
                                        << "5.6.0" << 0;
    QTest::newRow("fourth part ignored") << QStringList{"5.7.0.9"} << QStringList{"checked", "found"} << "5.7.0" << 2;
    QTest::newRow("leading zeros") << QStringList{"05.07.000", "5.7.0"} << QStringList{"checked", "found", "checked"}
                                   << "5.7.0" << 2;
    QTest::newRow("critical then build") << QStringList{"6.0.0", "5.6.1"}
                                         << QStringList{"checked", "found", "checked", "found"} << "5.6.1" << 1;
    for (const char* bad : {"5.7", "5..7.0", " 5.7.0", "5.7.0 Build 233", "5.7.0b", "5.7.99999999999"})
        QTest::newRow(bad) << QStringList{bad} << QStringList{"error"} << "5.6.0 Build 232" << 0;
    QTest::newRow("error keeps the last good one")
        << QStringList{"5.7.0", "5.8"} << QStringList{"checked", "found", "error"} << "5.7.0" << 2;
}

void tst_UpdateManager::repliesAreParsedAndRated()
{
    QFETCH(QStringList, offered);
    UpdateManager manager(30, nullptr);
    QStringList seen;
    for (const QString& v : offered) {
        net->service.setClientVersion(v);
        seen += check(manager);
    }
    QTEST(seen, "events");
    QTEST(manager.updateInfo().version(), "version");
    QTEST(manager.updateInfo().level(), "level");
    QCOMPARE(net->service.requests().size(), offered.size());
    QCOMPARE(net->service.lastRequest().requestLine, QByteArray("GET /3.1/public/version/client HTTP/1.1"));
}

void tst_UpdateManager::invalidRepliesAreErrors()
{
    UpdateManager manager(30, nullptr);
    MessageCapture log;
    for (const PeerReply& reply :
         {FakeService::envelope(QVariantMap{{"info", "no version"}}), PeerReply::json("{}", 500),
          FakeService::envelope(QVariantMap{{"version", "5.x"}, {"info", QString(100000, QLatin1Char('i'))}})}) {
        net->service.enqueueReply(reply);
        QCOMPARE(check(manager), QStringList{"error"});
    }
    QVERIFY(log.contains("Update check error: \"Error communicating with Quorvel server."));
    // A huge reply reaches the log only as an excerpt.
    QVERIFY(log.contains("update responce: QVariant(QVariantMap, QMap((\"info\", QVariant(QString, \"iii"));
    for (const QString& message : log.messages())
        QVERIFY2(message.size() < 70000, qPrintable(message.left(500)));
}

void tst_UpdateManager::levelsTitlesAndMessages()
{
    // The first part that is higher decides, whatever the parts before it.
    const QList<QPair<QString, int>> levels{{"6.0.0", 3}, {"5.7.0", 2}, {"5.6.1", 1},  {"5.6.0", 0},
                                            {"4.9.0", 2}, {"5.5.9", 1}, {"-1.7.0", 2}, {"6.9.9", 3}};
    for (const auto& [text, level] : levels) {
        QCOMPARE(offered(text).level(), level);
        QCOMPARE(offered(text).version(), text);
    }

    const QString site = "<a href='http://www.quorvel.example/?target=site&lang='>www.quorvel.example</a>";
    const QString download = "<a href='http://www.quorvel.example/?target=downloads&lang='>DOWNLOAD</a>";
    QCOMPARE(offered("5.6.1").title(), "New version is avaliable");
    QCOMPARE(offered("5.7.0").title(), "New version is avaliable!");
    QCOMPARE(offered("6.0.0").title(), "New version is avaliable!");

    // Before any check the manager names the running version in full; a checked one without the build.
    const UpdateInfo before = UpdateManager(30, nullptr).updateInfo();
    QCOMPARE(before.title(), "Check for updates...");
    QCOMPARE(before.message(), "You have the latest version of Quorvel Client (version <b>5.6.0 Build 232</b>).");
    QCOMPARE(offered("5.6.0").message(), "You have the latest version of Quorvel Client (version <b>5.6.0</b>).");
    QCOMPARE(offered("5.6.1").message(),
             "A new version of Quorvel Client is available! Version <b>5.6.1</b> is available on " + site +
                 ".<br><br>You can download it by this link:<br>" + download);
    // The service's markup stays markup; its text is text.
    QCOMPARE(offered("5.7.0", "<i>faster</i> &amp; 1 &lt; 2").message(),
             "A new version of Quorvel Client is available! Version <b>5.7.0</b> is available on " + site +
                 ".<br><br>Please download this version using this link:<br>" + download +
                 "Information about this update: <i>faster</i> &amp; 1 &lt; 2");
    QCOMPARE(offered("6.0.0").message(),
             "CRITICAL update of Quorvel Client is out! Version <b>6.0.0</b> is available on " + site +
                 ".<br><br>It is possible that your version is not supported any more.<br><br>You SHOULD download a "
                 "new version using this link:<br>" +
                 download);

    // In Russian, with the language in the links.
    QuorvelClient::Application::loadLanguage("ru");
    const QString russian = offered("6.0.0", "x").message();
    QuorvelClient::Application::loadLanguage("en");
    QVERIFY(russian.contains("target=downloads&lang=ru"));
    QVERIFY(russian.contains(QRegularExpression("[А-Яа-я]{4}")));
    QVERIFY(russian.contains("<b>6.0.0</b>"));
    QVERIFY(russian.endsWith(": x"));
}

// The update box shows the service's markup as formatting and its links as links the user may click; it reads no
// file that the markup names, and shows a few hundred letters of it at most.
void tst_UpdateManager::infoShowsItsMarkupAndLoadsNothing()
{
    PeerNameProbe probe;
    const QString probeFile = probe.names().first().section('"', 1, 1);
    for (const QString& name : probe.names()) {
        const bool isLink = name.startsWith("<a ");
        const QString info = "<b>Fix</b> for " + name + "<br>now<link rel=\"stylesheet\" href=\"" + probeFile + "\">";
        QMessageBox box; // as the main window shows it
        box.setTextFormat(Qt::RichText);
        box.setText(offered("5.7.0", info).message());
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        auto* label = box.findChild<QLabel*>("qt_msgbox_label");
        QVERIFY(!probe.fileOpened());
        QVERIFY(PeerNameProbe::shownText(label).endsWith(
            QString("Information about this update: Fix for %1\nnow").arg(isLink ? "Yard" : "")));

        QTextDocument shown;
        shown.setHtml(label->text());
        QTextCharFormat bold, link;
        for (QTextBlock block = shown.begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                if (it.fragment().text() == "Fix")
                    bold = it.fragment().charFormat();
                if (it.fragment().text() == "Yard")
                    link = it.fragment().charFormat();
            }
        }
        QCOMPARE(bold.fontWeight(), QFont::Bold);
        if (!isLink)
            continue;
        QVERIFY(link.isAnchor());
        QCOMPARE(link.anchorHref(), "https://evil.invalid/");
        // Where the pointer names the link, a click opens it.
        LinkOpener opener;
        QDesktopServices::setUrlHandler("https", &opener, "open");
        QSignalSpy hovered(label, &QLabel::linkHovered);
        QPoint spot(-1, -1);
        for (int y = 2; y < label->height() && spot.x() < 0; y += 4) {
            for (int x = 2; x < label->width() && spot.x() < 0; x += 4) {
                QMouseEvent move(QEvent::MouseMove, QPointF(x, y), label->mapToGlobal(QPointF(x, y)), Qt::NoButton,
                                 Qt::NoButton, Qt::NoModifier);
                QCoreApplication::sendEvent(label, &move);
                if (!hovered.isEmpty() && hovered.last().first().toString() == "https://evil.invalid/")
                    spot = QPoint(x, y);
            }
        }
        QVERIFY(spot.x() >= 0);
        QTest::mouseClick(label, Qt::LeftButton, Qt::NoModifier, spot);
        QDesktopServices::unsetUrlHandler("https");
        QCOMPARE(opener.opened, QList<QUrl>{QUrl("https://evil.invalid/")});
    }

    // A hostile reply is cut, far beyond any release notes.
    const QString longInfo = "<b>" + QString(1000000, 'w') + "</b>";
    const QString message = offered("5.7.0", longInfo).message();
    QVERIFY(message.endsWith("Information about this update: <b>" + QString(19999, 'w') + QChar(0x2026) + "</b>"));
}

// Release notes of an ordinary length come out whole, in order, with their formatting.
void tst_UpdateManager::releaseNotesShowWhole()
{
    QString notes;
    QStringList paragraphs;
    for (int i = 1; i <= 30; ++i) {
        const QString words = QString("Change %1 makes the archive of a camera faster to seek. ").arg(i).repeated(2);
        notes += QString("<p>%1<b>bold %2</b> and <a href=\"https://www.quorvel.example/notes/%2\">note %2</a>.</p>")
                     .arg(words.toHtmlEscaped())
                     .arg(i);
        paragraphs << QString("%1bold %2 and note %2.").arg(words).arg(i);
    }
    QVERIFY(paragraphs.join(QString()).size() > 3000);

    // The log has the whole reply.
    net->service.setClientVersion("5.7.0", notes);
    UpdateManager manager(30, nullptr);
    MessageCapture log;
    QCOMPARE(check(manager), (QStringList{"checked", "found"}));
    QVERIFY(log.contains("update responce:"));
    QVERIFY(log.contains("note 30</a>.</p>\"))(\"version\", QVariant(QString, \"5.7.0\")))"));

    QMessageBox box; // as the main window shows it
    box.setTextFormat(Qt::RichText);
    box.setText(offered("5.7.0", notes).message());
    auto* label = box.findChild<QLabel*>("qt_msgbox_label");
    QVERIFY(PeerNameProbe::shownText(label).endsWith("Information about this update: " + paragraphs.join('\n')));

    QTextDocument shown;
    shown.setHtml(label->text());
    QStringList bold, links;
    for (QTextBlock block = shown.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.fontWeight() == QFont::Bold && it.fragment().text().startsWith("bold"))
                bold << it.fragment().text();
            if (format.isAnchor())
                links << it.fragment().text() + " " + format.anchorHref();
        }
    }
    QCOMPARE(bold.size(), 30);
    QCOMPARE(bold.last(), "bold 30");
    QCOMPARE(links.size(), 32); // the two links of the message itself come first
    QCOMPARE(links.at(2), "note 1 https://www.quorvel.example/notes/1");
    QCOMPARE(links.last(), "note 30 https://www.quorvel.example/notes/30");
}

QUORVEL_TEST_MAIN(tst_UpdateManager)
#include "tst_UpdateManager.moc"
