#include "app/frmmain.h"

// The card directory listing, "Programs/RootDir.txt".

void frmMain::SaveRootDir() {}
