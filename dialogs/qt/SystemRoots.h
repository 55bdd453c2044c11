#pragma once

// The folder browser's roots on the running system, as Qt finds them.

#include "dialogs/FolderRoots.h"

// The roots of this machine and user: desktop and home folders, the mounted
// drives, and the local host followed by the hosts the system knows.
TFolderRoots SystemFolderRoots();
