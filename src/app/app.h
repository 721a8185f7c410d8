#pragma once

#include <QApplication>

// The application object. Besides starting the toolkit it makes the windows' fonts the same on every
// machine: their layout is measured in Arial, which the program ships as a metric-compatible free font.
class App final : public QApplication
{
    Q_OBJECT

public:
    App(int &argc, char **argv);
    Q_DISABLE_COPY_MOVE(App)
};
