// The Linux entry point: opens the display, then everything else starts in the portable program.
#include <gtk/gtk.h>

#include <cstdio>

#include "app/lifecycle.h"

int main(int argc, char** argv) {
    // GTK's own options (--display and the like) are the only command line the program takes.
    if (!gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "tockmeter: cannot open the display (is DISPLAY set?)\n");
        return 1;
    }
    return RunTockmeter();
}
