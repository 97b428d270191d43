// The program's entry. On Windows the system enters at wWinMain; elsewhere main() opens the desktop
// driver (an SDL2 window and the terminal) and runs the same host_main on it. Arguments are ignored.
#include "host/host.h"

#ifdef _WIN32

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous_instance, PWSTR command_line, int show_command) {
    return novra::host_main(instance, previous_instance, command_line, show_command);
}

#else

#include "platform/desktop/desktop.h"

int main() {
    return novra::desktop_main(novra::host_main);
}

#endif
