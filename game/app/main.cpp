#include <memory>

#include "engine/log.h"
#include "engine/platform/gl_context.h"
#include "game/app/asp_main.h"

int main() {
    // Before anything opens the display: the loader thread shares it.
    EnableThreadedDisplay();
    EnableLogging();
    EnableFileLogging();
    DisableConsoleLogging();
    // The program has no console window of its own here, so there is none to hide.
    {
        auto app = std::make_unique<ASP_Main>();
        app->Run();
    }
    return 0;
}
