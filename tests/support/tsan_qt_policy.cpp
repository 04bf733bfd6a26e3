// The one sanitizer policy of every program that runs with Qt under the
// thread sanitizer (the window tests, the test builds of the programs and
// the build's picture generators).
//
// Qt is not built with the thread sanitizer, so the hand-overs inside its
// own thread pools and event queue are invisible to it and show as races
// between Qt's own calls. Only calls made from Qt's libraries (and from
// GLib, whose main loop and allocator Qt's threads run on) are excused;
// every access of the suite's code stays checked.
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_suppressions()
{
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Widgets.so.6\n"
           "called_from_lib:libQt6Network.so.6\n"
           "called_from_lib:libglib-2.0.so.0\n";
}
#endif
