#include <QApplication>
#include <csignal>

#include "StartWorkbench.h"

int main(int argc, char** argv) {
  // A save into a pipe whose reader has gone, or past the file-size limit
  // the program was started under, fails with its error message instead of
  // ending the program and the results it holds.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
  QApplication app(argc, argv);
  StartWorkbench();
  return app.exec();
}
