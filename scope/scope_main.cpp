// VARN-Scope: the live acoustic signal, the latest measurement and the WAV
// recording.
#include "appmain.h"
#include "scope_window.h"

int main(int argc, char** argv)
{
    return AppMain(argc, argv, PROGRAM_SCOPE, [] { return static_cast<QWidget*>(new ScopeWindow()); });
}
