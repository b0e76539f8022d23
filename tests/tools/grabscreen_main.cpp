// Saves a picture of the whole X screen, the windows of every program on it included:
//   grabscreen FILE.png [X Y WIDTH HEIGHT]    (on the display that DISPLAY names; a part of it when given)
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2 && argc != 6) {
        std::fprintf(stderr, "usage: grabscreen FILE.png [X Y WIDTH HEIGHT]\n");
        return 2;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    const auto number = [argv](int i) { return QByteArray(argv[i]).toInt(); };
    const QPixmap picture = !screen     ? QPixmap()
                            : argc == 6 ? screen->grabWindow(0, number(2), number(3), number(4), number(5))
                                        : screen->grabWindow(0);
    if (picture.isNull() || !picture.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot grab the screen into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
