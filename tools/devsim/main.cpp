// ostara-devsim: a simulated radio modem on a pseudo-terminal, for trying and
// testing Ostara without a device. See helpText() in Options.cpp.
#include "Engine.h"
#include "Options.h"
#include "Presets.h"
#include "RegisterMap.h"
#include "Runner.h"
#include "ValueText.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace devsim;

namespace {

bool loadImageFile(const std::string& path, Device& device) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "ostara-devsim: cannot read image file %s\n", path.c_str());
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::string error;
    const auto items = parseImageText(text.str(), &error);
    if (!items) {
        std::fprintf(stderr, "ostara-devsim: %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    for (const RegisterValue& item : *items)
        device.set(item.reg, item.value);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    const auto options = parseOptions(args, &error);
    if (!options) {
        std::fprintf(stderr, "ostara-devsim: %s\n", error.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(helpText().c_str(), stdout);
        return 0;
    }

    const auto map = chooseRegisterMap(options->mapPath, &error);
    if (!map) {
        std::fprintf(stderr, "ostara-devsim: %s\n", error.c_str());
        return 2;
    }

    Engine engine(options->seed);
    Device& device = engine.device();
    if (familyOf(options->type) == 0)
        std::fprintf(stderr, "ostara-devsim: type 0x%02X is not a known device type\n",
                     options->type);
    fillPlausibleSet(device, options->type, map->map, options->channels);
    for (const std::string& path : options->imageFiles) {
        if (!loadImageFile(path, device))
            return 2;
    }
    for (const RegisterValue& item : options->sets)
        device.set(item.reg, item.value);
    device.setKeyingSpeed(options->keyingSpeed);
    engine.setEchoUnlock(options->echoUnlock);
    if (options->protect)
        device.setProtectedRanges(*options->protect);
    for (const Fault& fault : options->faults)
        engine.arm(fault);

    installSignalHandlers();
    Runner runner(*options, engine, map->source);
    return runner.run();
}
