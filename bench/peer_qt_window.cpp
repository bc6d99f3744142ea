// Benchmark peer: the smallest Qt Widgets program that shows a main window and leaves, the floor
// for the player's own start-up and orderly exit.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow w;
  w.setCentralWidget(new QLabel("peer"));
  w.resize(380, 221);
  w.show();
  QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
  return app.exec();
}
