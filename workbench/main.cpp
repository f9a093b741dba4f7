#include <QApplication>
#include <csignal>

#include "StartWorkbench.h"

int main(int argc, char** argv) {
  // A save into a pipe whose reader has gone fails with its error message
  // instead of ending the program.
  std::signal(SIGPIPE, SIG_IGN);
  QApplication app(argc, argv);
  StartWorkbench();
  return app.exec();
}
