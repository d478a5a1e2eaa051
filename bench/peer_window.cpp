// The peer for the idle memory measurement: a plain Qt Widgets main window of the same size
// and shape as the bell program's (tool bar, tabs over a table, status bar), with no data.
#include <QApplication>
#include <QMainWindow>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle("peer_window");
    window.addToolBar("tools")->addAction("Run");
    auto* tabs = new QTabWidget(&window);
    tabs->addTab(new QTableWidget(0, 4, tabs), "1");
    window.setCentralWidget(tabs);
    window.statusBar()->showMessage("idle");
    window.resize(715, 535);
    window.show();
    return app.exec();
}
