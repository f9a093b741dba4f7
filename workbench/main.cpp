#include <QApplication>

#include "StartWorkbench.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  StartWorkbench();
  return app.exec();
}
