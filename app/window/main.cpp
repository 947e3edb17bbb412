// picmove: the window.
#include <malloc.h>
#include <sched.h>
#include <unistd.h>

#include <cstdlib>

#include <QApplication>

#include "app/window/main_window.h"

int main(int argc, char* argv[]) {
  // Run workers allocate and free picture bodies; one malloc arena lets the large package texts
  // reuse that memory instead of growing the process to three copies of the package.
  mallopt(M_ARENA_MAX, 1);
  // The login window's browser shares its rendering with the widgets; the browser's sandbox
  // refuses to start as root, so a root session runs it without one.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("picmove"));
  // The window may be hidden in the tray while a completion window comes and goes: only the
  // exit confirmation ends the program.
  QApplication::setQuitOnLastWindowClosed(false);

  picmove::window::WindowSetup setup;
  setup.program_directory = QCoreApplication::applicationDirPath().toStdString();
  picmove::window::MainWindow window(std::move(setup));
  window.load_settings();
  window.show();

  // Every thread started from here on, the workers of a run included, shares the first CPU.
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (sched_getaffinity(0, sizeof(allowed), &allowed) == 0) {
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
      if (!CPU_ISSET(cpu, &allowed)) continue;
      cpu_set_t first;
      CPU_ZERO(&first);
      CPU_SET(cpu, &first);
      sched_setaffinity(0, sizeof(first), &first);
      break;
    }
  }

  return app.exec();
}
