#include "app.h"
#include "frmmain.h"
#include "platform/qtplatform.h"

int main(int argc, char *argv[])
{
    App app(argc, argv);
    QtPlatform platform;
    frmMain::instance(&platform);
    return app.exec();
}
