#include "engine/log.h"
#include "game/asp_main.h"

int main() {
    EnableLogging();
    EnableFileLogging();
    DisableConsoleLogging();
    {
        ASP_Main app;
        app.Run();
    }
    return 0;
}
