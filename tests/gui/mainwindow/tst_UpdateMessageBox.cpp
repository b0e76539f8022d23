#include "gui/mainwindow/UpdateMessageBox.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

using QuorvelClient::GUI::UpdateMessageBox;

class tst_UpdateMessageBox : public QObject
{
    Q_OBJECT
private slots:
    void shortNotesShowAsAnyBox_data();
    void shortNotesShowAsAnyBox();
    void longNotesScrollOnTheScreen();
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
    QWidget window;
    window.resize(1200, 800);
    window.show();
    QMessageBox plain(&window);
    showPlain(plain, notes(paragraphs), QMessageBox::Warning);
    UpdateMessageBox box(&window);
    box.showMessage(notes(paragraphs), QMessageBox::Warning);
    QVERIFY(box.isVisible() && !QApplication::activeModalWidget());
    QVERIFY(!box.findChild<QScrollArea*>());
    QCOMPARE(box.geometry(), plain.geometry());
    QCOMPARE(box.grab().toImage(), plain.grab().toImage());
}

void tst_UpdateMessageBox::longNotesScrollOnTheScreen()
{
    QWidget window;
    window.resize(1200, 800);
    window.show();
    QMessageBox plain(&window);
    showPlain(plain, notes(30), QMessageBox::Warning);
    QVERIFY(plain.height() > 1080); // the box that the notes would make

    UpdateMessageBox box(&window);
    box.showMessage(notes(30), QMessageBox::Warning);
    QCOMPARE(box.width(), plain.width());
    QAbstractButton* ok = box.button(QMessageBox::Ok);
    QVERIFY(onScreen(&box) && ok->isVisible() && onScreen(ok));
    // The whole text is in the box and scrolls to its end.
    auto* label = box.findChild<QLabel*>("qt_msgbox_label");
    auto* scroll = box.findChild<QScrollArea*>();
    QVERIFY(scroll && label->isVisible() && label->wordWrap());
    QCOMPARE(label->text(), notes(30));
    QVERIFY(scroll->verticalScrollBar()->maximum() > 0);
    QCOMPARE(scroll->verticalScrollBar()->maximum(), label->height() - scroll->viewport()->height());
    // A new style lays the box out anew: the text keeps scrolling.
    box.setStyleSheet("QPushButton { padding: 4px; }");
    QVERIFY(onScreen(&box) && onScreen(ok));
    QCOMPARE(label->parentWidget(), box.findChild<QScrollArea*>()->viewport());
    box.setStyleSheet(QString());

    // The notice comes again on the open box, moved low: it stays on the screen, and short notes show as before.
    box.move(box.x(), 600);
    box.showMessage(notes(30), QMessageBox::Warning);
    QVERIFY(onScreen(&box));
    QCOMPARE(box.findChildren<QScrollArea*>().size(), 1);
    box.showMessage(notes(1), QMessageBox::Information);
    showPlain(plain, notes(1), QMessageBox::Information);
    QVERIFY(!box.findChild<QScrollArea*>());
    QCOMPARE(box.grab().toImage(), plain.grab().toImage());
    box.showMessage(notes(30), QMessageBox::NoIcon);
    QVERIFY(onScreen(&box));
    QCOMPARE(box.icon(), QMessageBox::Information);

    // OK closes it, and it shows again fitted.
    QTest::mouseClick(ok, Qt::LeftButton);
    QTRY_VERIFY(!box.isVisible());
    box.showMessage(notes(60), QMessageBox::Warning);
    QVERIFY(box.isVisible() && onScreen(&box) && onScreen(ok));
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
