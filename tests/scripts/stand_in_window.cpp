// A bare Qt window that stays up until it is ended: what the launch test
// starts in Lorvane's place, since Lorvane started by root writes the hive.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget window;
  window.resize(247, 363);
  window.show();
  return QApplication::exec();
}
