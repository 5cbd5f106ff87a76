#include "ProgramMain.h"

#include "Globals.h"
#include "Messages.h"
#include "Procedures.h"
#include "ProgramText.h"

#include <files/FileOps.h>
#include <platform/Display.h>
#include <window/Engine.h>

namespace app {

void ProgramMain()
{
    // The runtime's start-up (per-thread globals are thread_local; the engine is prepared by
    // the runtime beside the display) is done before this runs.
    AppErrors.Setup();
    AppErrors.AddMessages(ProgramMessages());
    AppIni.Setup("varn.INI");
    SetupFileObjects();
    platform::SetRefusedTextNotice(
        ProgramText("Umetnuti tekst nije preuzet jer sadr\u017Ei znakove kojih nema u kodnoj "
                    "stranici Windows-1250: %1"));
    MainFrame(); // on this thread, until the frame closes
    KillFileObjects();
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
