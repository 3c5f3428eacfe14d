// The browser's front door: the page lays the scenario folder into the virtual
// file system and starts main with its path. The transcript goes to stdout, which
// the page's console shows, line for line as the headless runner prints it.
#include "app/tfmain.h"
#include "platform/files.h"
#include "platform/web/web_page.h"
#include "platform/web/web_platform.h"

#include <iostream>

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : "/demo";
    if (!qvl::platform::FileSystem::setCurrentPath(dir)) {
        std::cerr << "quorvel: cannot enter " << dir << "\n";
        return 1;
    }
    qvl::platform::WebPlatform platform;
    qvl::TFmainOptions options;
    options.transcript = &std::cout;
    qvl::TFmain app(platform, options);
    const int code = app.run();
    qvl_web_finished(code);
    return code;
}
