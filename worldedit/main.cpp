#include "worldedit/asp_we_main.h"

int main() {
    // The editor's console is its command line, so it never logs.
    ASP_WE_Main app;
    app.Run();
    return 0;
}
