#include <QApplication>

#include "engine.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  qel::StartMain();
  return 0;
}
