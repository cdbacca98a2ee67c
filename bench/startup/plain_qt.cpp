// The yardstick: a plain Qt program that shows what Lorvane's main window
// shows (a menu bar with three menus, the caption, three buttons, two lists
// with the same columns and as many rows), and says when it is up, measured
// the same way: painted, at the end of the first pass of its event loop.
//
// Usage: plain_qt [ADAPTER_ROWS [DETAIL_ROWS]]   (measure.py passes the rows
// Lorvane showed in the same run)
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTreeView>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

QTreeView* List(QWidget* parent, const QStringList& columns, const QList<int>& widths, int rows,
                const QRect& at) {
  auto* model = new QStandardItemModel(0, static_cast<int>(columns.size()), parent);
  model->setHorizontalHeaderLabels(columns);
  for (int row = 0; row < rows; ++row) {
    QList<QStandardItem*> items;
    for (int column = 0; column < columns.size(); ++column)
      items.append(new QStandardItem(QString("%1 %2").arg(columns[column]).arg(row)));
    model->appendRow(items);
  }
  auto* view = new QTreeView(parent);
  view->setRootIsDecorated(false);
  view->setModel(model);
  for (int column = 0; column < widths.size(); ++column)
    view->setColumnWidth(column, widths[column]);
  view->setGeometry(at);
  return view;
}

// Counts the window's paint events: its children are painted in the same
// pass.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(int& paints) : paints_(paints) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints_;
    return QObject::eventFilter(watched, event);
  }

 private:
  int& paints_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const QStringList args = QApplication::arguments();
  const int adapterRows = args.size() > 1 ? args[1].toInt() : 3;
  const int detailRows = args.size() > 2 ? args[2].toInt() : 8;

  // Lorvane's window less the frame it draws itself; the client area below
  // the menu bar is 239 x 317.
  QWidget window;
  window.resize(239, 336);
  window.setWindowTitle("Lorvane");
  auto* bar = new QMenuBar(&window);
  bar->addMenu("&File")->addAction("E&xit");
  bar->addMenu("Function")->addAction("Change MAC Addr");
  bar->addMenu("&Help")->addAction("&About Lorvane...");
  bar->setGeometry(0, 0, 239, 19);

  auto* client = new QWidget(&window);
  client->setGeometry(0, 19, 239, 317);
  const int W = 239, H = 317;
  auto* caption = new QLabel("Select a Network Adapter", client);
  caption->move(2, 2);
  (new QPushButton("Refresh", client))->setGeometry(W - 60, 2, 58, 16);
  List(client, {"Description", "IP Number", "DHCP", "Adapter"}, {W / 3, 90, 40, 240}, adapterRows,
       QRect(2, 20, W - 4, 65));
  (new QPushButton("Release", client))->setGeometry(2, 91, 60, 18);
  (new QPushButton("Renew", client))->setGeometry(W - 62, 91, 60, 18);
  List(client, {"Info", "IP Number"}, {(W - 4) / 2, (W - 4) / 2 - 1}, detailRows,
       QRect(2, 114, W - 4, H - 116));

  // Shown means painted, as Lorvane's window is when its message loop first
  // idles: one pass of the event loop handles the window's first expose.
  int paints = 0;
  PaintCounter counter(paints);
  window.installEventFilter(&counter);
  window.show();
  QCoreApplication::processEvents();
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::printf("shown %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
  std::printf("painted %d\n", paints);
  std::fflush(stdout);
  window.close();
  return 0;
}
