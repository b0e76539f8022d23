#include "gui/mainwindow/UpdateMessageBox.h"
#include "support/TestEnvironment.h"
#include "support/UrlRecorder.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleFactory>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextFrame>

#include <memory>

using QuorvelClient::GUI::UpdateMessageBox;

class tst_UpdateMessageBox : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void shortNotesShowAsAnyBox_data();
    void shortNotesShowAsAnyBox();
    void longNotesScrollOnTheScreen();
    void everyLetterShows_data();
    void everyLetterShows();
    void longNoticeOutlivesARestyle();
    void laterNoticesOpenAsAnyBox();

private:
    // The main window that the boxes open over.
    std::unique_ptr<QWidget> m_window;
};

namespace {

// Release notes of that many paragraphs of about 200 letters, with bold words and a link each.
QString notes(int paragraphs)
{
    QString text = QStringLiteral("CRITICAL update of Quorvel Client is out!<br>Information about this update: ");
    for (int i = 1; i <= paragraphs; ++i)
        text += QString("<p>%1<b>bold %2</b> and <a href=\"https://www.quorvel.example/notes/%2\">note %2</a>.</p>")
                    .arg(QString("Change %1 makes the archive of a camera faster to seek. ").arg(i).repeated(3))
                    .arg(i);
    return text;
}

// The notes with one more paragraph that holds an unbreakable run: a bare download link of 140 letters or a word of
// 300 letters, followed by a paragraph of its own.
QString withLongRun(const QString& text, bool link)
{
    const QString run = link ? QStringLiteral("https://downloads.quorvel.example/get?file=QuorvelClient_5.7.0_build240_"
                                              "linux_x86_64_with_every_codec_and_the_offline_installer.tar.gz&os=12")
                             : QLatin1Char('A') + QString(298, QLatin1Char('b')) + QLatin1Char('Z');
    return text + QStringLiteral("<p>Download: %1</p><p>After the long word.</p>").arg(run);
}

// The part of the widget that its parents leave in view, in its own coordinates.
QRect inView(QWidget* widget)
{
    QRect view = widget->rect();
    for (QWidget* parent = widget; !parent->isWindow();) {
        parent = parent->parentWidget();
        view &= QRect(widget->mapFrom(parent, QPoint(0, 0)), parent->size());
    }
    return view;
}

// Why the box does not show every letter of its text, or nothing when it does. What shows the text is either the
// box's own label, measured here as it lays out rich text, or a text view that scrolls.
QString missingLetters(QMessageBox& box)
{
    const auto report = [](QSizeF text, QSize shown) {
        return QStringLiteral("the text needs %1 x %2 px and has %3 x %4 px")
            .arg(text.width())
            .arg(text.height())
            .arg(shown.width())
            .arg(shown.height());
    };
    if (auto* view = box.findChild<QTextBrowser*>(); view && view->isVisible()) {
        QTextDocument own;
        own.setHtml(box.text());
        if (view->toPlainText() != own.toPlainText() || inView(view) != view->rect())
            return QStringLiteral("the view shows another text or is cut by the box");
        const QSizeF text = view->document()->size();
        const QSize shown = view->viewport()->size() + QSize(0, view->verticalScrollBar()->maximum());
        const bool fits = text.width() <= shown.width() && text.height() <= shown.height();
        return fits && view->horizontalScrollBar()->maximum() == 0 ? QString() : report(text, shown);
    }
    auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    QTextDocument text;
    text.setDefaultFont(label->font());
    text.setHtml(label->text());
    QTextOption option = text.defaultTextOption();
    option.setWrapMode(label->wordWrap() ? QTextOption::WordWrap : QTextOption::ManualWrap);
    text.setDefaultTextOption(option);
    QTextFrameFormat frame = text.rootFrame()->frameFormat();
    frame.setMargin(0);
    text.rootFrame()->setFrameFormat(frame);
    text.setTextWidth(label->wordWrap() ? label->contentsRect().width() : -1);
    const QRect shown = label->contentsRect() & inView(label);
    const QRect needed(label->contentsRect().topLeft(), text.size().toSize());
    return shown.contains(needed) ? QString() : report(needed.size(), shown.size());
}

// Whether the window with its frame, or the widget, lies wholly within the screen's available area.
bool onScreen(QWidget* widget)
{
    const QRect area =
        widget->isWindow() ? widget->frameGeometry() : QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
    return widget->screen()->availableGeometry().contains(area);
}

// A plain message box as the notice would be without scrolling.
void showPlain(QMessageBox& plain, const QString& text, QMessageBox::Icon icon)
{
    plain.setWindowModality(Qt::NonModal);
    plain.setText(text);
    plain.setTextFormat(Qt::RichText);
    plain.setIcon(icon);
    plain.show();
}

} // namespace

void tst_UpdateMessageBox::init()
{
    m_window = std::make_unique<QWidget>();
    m_window->resize(1200, 800);
    m_window->show();
}

void tst_UpdateMessageBox::cleanup()
{
    m_window.reset();
}

void tst_UpdateMessageBox::shortNotesShowAsAnyBox_data()
{
    QTest::addColumn<int>("paragraphs");
    QTest::newRow("no notes") << 0;
    QTest::newRow("three paragraphs") << 3;
    QTest::newRow("just fits") << 18;
}

void tst_UpdateMessageBox::shortNotesShowAsAnyBox()
{
    QFETCH(int, paragraphs);
    QMessageBox plain(m_window.get());
    showPlain(plain, notes(paragraphs), QMessageBox::Warning);
    UpdateMessageBox box(m_window.get());
    box.showMessage(notes(paragraphs), QMessageBox::Warning);
    QVERIFY(box.isVisible() && !QApplication::activeModalWidget());
    QVERIFY(!box.findChild<QScrollArea*>());
    QTRY_COMPARE(missingLetters(box), QString());
    QCOMPARE(box.geometry(), plain.geometry());
    QCOMPARE(box.grab().toImage(), plain.grab().toImage());
}

void tst_UpdateMessageBox::longNotesScrollOnTheScreen()
{
    QMessageBox plain(m_window.get());
    showPlain(plain, notes(30), QMessageBox::Warning);
    QVERIFY(plain.height() > 1080); // the box that the notes would make

    UpdateMessageBox box(m_window.get());
    box.showMessage(notes(30), QMessageBox::Warning);
    QCOMPARE(box.width(), plain.width());
    QAbstractButton* ok = box.button(QMessageBox::Ok);
    QVERIFY(onScreen(&box) && ok->isVisible() && onScreen(ok));
    QVERIFY(QTest::qWaitForWindowActive(&box));
    QCOMPARE(QApplication::focusWidget(), ok);
    // The whole text is in the box and scrolls to its end.
    auto* view = box.findChild<QTextBrowser*>("updateMessageText");
    QVERIFY(view && view->isVisible() && !box.findChild<QLabel*>("qt_msgbox_label")->isVisible());
    QCOMPARE(box.text(), notes(30));
    QTRY_COMPARE(missingLetters(box), QString());
    QVERIFY(view->verticalScrollBar()->maximum() > 0);
    // Its links open in the browser, and the text stays.
    TestSupport::UrlRecorder browser;
    QTextCursor link = view->document()->find(QStringLiteral("note 30"));
    link.setPosition(link.selectionStart() + 3);
    view->setTextCursor(link);
    view->ensureCursorVisible();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->cursorRect(link).center());
    QCOMPARE(browser.opened, QList<QUrl>{QUrl("https://www.quorvel.example/notes/30")});
    QTRY_COMPARE(missingLetters(box), QString());
    // A new style of the box lays it out anew: the text keeps scrolling.
    box.setStyleSheet("QPushButton { padding: 4px; }");
    QVERIFY(onScreen(&box) && onScreen(ok) && view->isVisible());
    QTRY_COMPARE(missingLetters(box), QString());
    box.setStyleSheet(QString());

    // The notice comes again on the open box, moved low: it stays on the screen, and short notes show as before.
    box.move(box.x(), 600);
    box.showMessage(notes(30), QMessageBox::Warning);
    QVERIFY(onScreen(&box));
    box.showMessage(notes(1), QMessageBox::Information);
    showPlain(plain, notes(1), QMessageBox::Information);
    QVERIFY(!view->isVisible());
    QCOMPARE(box.grab().toImage(), plain.grab().toImage());
    box.showMessage(notes(30), QMessageBox::NoIcon);
    QVERIFY(onScreen(&box));
    QCOMPARE(box.icon(), QMessageBox::Information);

    // OK closes it, and it shows again fitted.
    QTest::mouseClick(ok, Qt::LeftButton);
    QTRY_VERIFY(!box.isVisible());
    box.showMessage(notes(60), QMessageBox::Warning);
    QVERIFY(box.isVisible() && onScreen(&box) && onScreen(ok));
    QTRY_COMPARE(missingLetters(box), QString());
}

void tst_UpdateMessageBox::everyLetterShows_data()
{
    QTest::addColumn<QString>("text");
    const QString shortNotes =
        QStringLiteral("Important update!<br>Information about this update: <p>First change.</p>");
    QTest::newRow("long notes, long link") << withLongRun(notes(30), true);
    QTest::newRow("long notes, long word") << withLongRun(notes(30), false);
    QTest::newRow("short notes, long link") << withLongRun(shortNotes, true);
    QTest::newRow("short notes, long word") << withLongRun(shortNotes, false);
}

void tst_UpdateMessageBox::everyLetterShows()
{
    QFETCH(QString, text);
    UpdateMessageBox box(m_window.get());
    box.showMessage(text, QMessageBox::Warning);
    QTRY_COMPARE(missingLetters(box), QString());
    QAbstractButton* ok = box.button(QMessageBox::Ok);
    QVERIFY(onScreen(&box) && onScreen(ok));
    // Short notes need no scrolling.
    if (auto* view = box.findChild<QTextBrowser*>(); view && view->isVisible() && !text.contains("Change 30"))
        QCOMPARE(view->verticalScrollBar()->maximum(), 0);
    // So it stays when the open box gets the notes again.
    box.showMessage(text, QMessageBox::Warning);
    QTRY_COMPARE(missingLetters(box), QString());
    QVERIFY(onScreen(&box) && onScreen(ok));
}

void tst_UpdateMessageBox::longNoticeOutlivesARestyle()
{
    const QString style = QApplication::style()->name();
    UpdateMessageBox box(m_window.get());
    box.showMessage(withLongRun(notes(30), false), QMessageBox::Warning);
    QAbstractButton* ok = box.button(QMessageBox::Ok);
    // The whole program changes its style, then gets a style sheet that makes the text larger, then loses it.
    QApplication::setStyle(QStyleFactory::create(style == "fusion" ? "windows" : "fusion"));
    QVERIFY(box.isVisible() && onScreen(&box) && onScreen(ok));
    QTRY_COMPARE(missingLetters(box), QString());
    qApp->setStyleSheet("QWidget { font-size: 17px; } QPushButton { padding: 9px; }");
    QVERIFY(box.isVisible() && onScreen(&box) && onScreen(ok));
    QTRY_COMPARE(missingLetters(box), QString());
    qApp->setStyleSheet(QString());
    QApplication::setStyle(QStyleFactory::create(style));
    QVERIFY(box.isVisible() && onScreen(&box) && onScreen(ok));
    QTRY_COMPARE(missingLetters(box), QString());
    QTest::mouseClick(ok, Qt::LeftButton);
    QTRY_VERIFY(!box.isVisible());
}

void tst_UpdateMessageBox::laterNoticesOpenAsAnyBox()
{
    QMessageBox plain(m_window.get());
    showPlain(plain, notes(3), QMessageBox::Information);
    plain.hide();
    UpdateMessageBox box(m_window.get());
    // A long notice, closed; then short notes that grow long while the box is open, closed.
    for (bool open : {false, true}) {
        if (open) {
            box.showMessage(notes(3), QMessageBox::Information);
            QCOMPARE(box.geometry(), plain.geometry());
        }
        box.showMessage(notes(30), QMessageBox::Warning);
        QVERIFY(onScreen(&box));
        QTest::mouseClick(box.button(QMessageBox::Ok), Qt::LeftButton);
        QTRY_VERIFY(!box.isVisible());
        // The next notice is placed over the window as a message box is, not where the long one was.
        box.showMessage(notes(3), QMessageBox::Information);
        QCOMPARE(box.geometry(), plain.geometry());
        QTest::mouseClick(box.button(QMessageBox::Ok), Qt::LeftButton);
        QTRY_VERIFY(!box.isVisible());
    }
}

// A screen of 1920 x 1080 pixels, as a common desktop has.
int main(int argc, char* argv[])
{
    TestSupport::prepareEnvironment();
    const QString config = TestSupport::rootDir() + QStringLiteral("/screen.json");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(R"({"screens": [{"name": "Desk", "x": 0, "y": 0, "width": 1920, "height": 1080,
                       "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})") <= 0)
        return 1;
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
    int result = 0;
    {
        QApplication app(argc, argv);
        app.setAttribute(Qt::AA_Use96Dpi, true);
        TestSupport::failOnUnexpectedBoxes();
        if (QGuiApplication::primaryScreen()->geometry() != QRect(0, 0, 1920, 1080))
            qFatal("the screen is not 1920 x 1080");
        tst_UpdateMessageBox test;
        result = QTest::qExec(&test, argc, argv);
    }
    TestSupport::cleanupEnvironment();
    return result;
}

#include "tst_UpdateMessageBox.moc"
