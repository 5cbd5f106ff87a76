#include "ProgramMain.h"

#include "Globals.h"
#include "Procedures.h"

#include <files/FileOps.h>
#include <window/Engine.h>

namespace app {

void ProgramMain()
{
    // The runtime's start-up (per-thread globals are thread_local; the engine is prepared by
    // the runtime beside the display) is done before this runs.
    AppErrors.Setup();
    AppIni.Setup("varn.INI");
    // The global file objects: HashFileRelate and HashFileAccess set up for HashFile, and
    // HashFileRelateRef and HashFileAccessRef pointed at them, with the file manager.
    MainFrame(); // on this thread, until the frame closes
    // HashFileRelate.Kill(), which kills HashFileAccess too and clears both references.
    AppErrors.Teardown();
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
