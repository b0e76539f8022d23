// The floor of bench_startup: a main window with a dock and a five-row tree, nothing else. Prints "painted" once
// the tree's rows are first painted, then runs until it is ended.
#include <QApplication>
#include <QDockWidget>
#include <QMainWindow>
#include <QTreeWidget>

#include <cstdio>

namespace {

class FirstPaint : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            std::printf("painted\n");
            std::fflush(stdout);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_seen = false;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare"));
    auto* tree = new QTreeWidget;
    tree->setHeaderHidden(true);
    auto* server = new QTreeWidgetItem(tree, {QStringLiteral("Server")});
    for (int i = 1; i <= 4; ++i)
        new QTreeWidgetItem(server, {QStringLiteral("Camera %1").arg(i)});
    tree->expandAll();
    auto* dock = new QDockWidget;
    dock->setWidget(tree);
    window.addDockWidget(Qt::LeftDockWidgetArea, dock);
    tree->viewport()->installEventFilter(new FirstPaint(&window));
    window.resize(850, 520);
    window.show();
    return app.exec();
}
