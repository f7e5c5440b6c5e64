#pragma once

#include <QApplication>

#include <memory>

namespace ferrowax {

// The application of the window, or nothing after one plain sentence on
// standard error when there is no graphical session to show it in: Qt would
// abort with a core dump instead.
std::unique_ptr<QApplication> startGraphicalSession(int& argc, char* argv[]);

} // namespace ferrowax
