#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Velquarin"));
    window.resize(1080, 700);
    window.show();
    return app.exec();
}
