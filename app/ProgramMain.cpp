#include "ProgramMain.h"

#include <files/FileOps.h>
#include <window/Engine.h>

namespace app {

void ProgramMain()
{
    // Runtime start-up, once per process: prepares the window engine. (The per-thread globals
    // need no registering: they are thread_local.)
    // AppErrors.Setup() with the error manager.
    // Push "varn.INI" on the string stack, then AppIni.Setup() takes it, with the INI manager.
    // The global file objects: HashFileRelate and HashFileAccess set up for HashFile, and
    // HashFileRelateRef and HashFileAccessRef pointed at them, with the file manager.
    // The main frame procedure, on this thread, until the frame closes.
    // HashFileRelate.Kill(), which kills HashFileAccess too and clears both references.
    // AppErrors.Teardown().
}

void RuntimeShutdown()
{
    // Every window of the first thread's chain is closed, the most recent first; then every
    // FILE still attached is closed, the most recently attached first, so that what a driver
    // still caches reaches the disk. The other threads are asked to end and joined when the
    // runtime ends, after the program's module has ended.
    window::CloseThreadWindows(0);
    files::UsedFileList::CloseAll();
}

} // namespace app
