// The yardstick: a Qt program that shows one empty window of the main
// window's size and says when it is up, measured the same way.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <ctime>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget window;
  window.resize(247, 363);
  window.setWindowTitle("Lorvane");
  window.show();
  QTimer::singleShot(0, [&] {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::printf("shown %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
    std::fflush(stdout);
    window.close();
  });
  return QApplication::exec();
}
