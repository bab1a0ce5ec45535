#include <iostream>
#include <memory>

#include "worldedit/asp_we_main.h"

int main() {
    // Logging stays off: the console carries only the editor's own prompts and messages.
    auto app = std::make_unique<ASP_WE_Main>(std::cin, std::cout);
    app->Run();
    return app->ExitStatus();
}
