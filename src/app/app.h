#pragma once

#include <QApplication>

// The application object. It adds no operations of its own: every operation is a handler of a
// control of the two windows.
class App final : public QApplication
{
    Q_OBJECT

public:
    App(int &argc, char **argv);
    Q_DISABLE_COPY_MOVE(App)
};
