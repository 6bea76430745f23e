#include "tools/headless/options.h"

#include <string_view>

#include "platform/host.h"
#include "tools/headless/input_script.h"

namespace headless {
namespace {

bool isProgramName(std::string_view name) {
    return name == "steering" || name == "steering_walls" || name == "steering_basic";
}

bool parseCount(const std::string& text, uint32_t& value) {
    if (text.empty() || text.size() > 10) return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v < 1 || v > kMaxFrame) return false;
    value = static_cast<uint32_t>(v);
    return true;
}

}  // namespace

std::string usageText() {
    std::string text =
        "usage: steering_headless PROGRAM [--frames N] [--input FILE] [--screenshot FILE.png]\n"
           "                         [--screenshot-every K --screenshot-dir DIR] [--trace FILE.csv]\n"
           "                         [--workdir DIR] [--nav-log] [--map FILE (steering)]\n"
           "       steering_headless steering --scenario FILE.xml [--mode classic|shortest] [--seed S]\n"
           "                         [--scores FILE.json] [--keep-arrived]\n"
           "Runs steering, steering_walls or steering_basic on the headless backend with a virtual\n"
           "clock for N accepted frames (default 300). Input files hold one event per line,\n"
           "'FRAME EVENT ARGS': key NAME, keydown NAME [REPEAT], keyup NAME, lclick X Y, rclick X Y,\n"
           "ldown X Y, lup X Y, rdown X Y, rup X Y, ldrag X Y, rdrag X Y, move X Y, menu ID, close\n"
           "(the format --record writes). Events at frame F are delivered before\n"
           "the F-th frame. The working directory (maptest.raw, saved maps, pictures, nav.log) is the\n"
           "one it was started in unless --workdir names another; relative paths are taken from\n"
           "the directory it was started in. A recording that names another map is said on stderr.\n"
           "Key NAMEs, without regard to case: a letter, F1 to F24, a decimal code 0 to 255, or\n";
    // The platform's own table, so the list is the one the parser reads.
    std::string line = " ";
    for (const win::host::VirtualKeyName& key : win::host::virtualKeyNames()) {
        const std::string word = std::string(" ") + key.name;
        if (line.size() + word.size() > 90) {
            text += line + "\n";
            line = " ";
        }
        line += word;
    }
    return text + line + "\n";
}

OptionsResult parseOptions(const std::vector<std::string>& args) {
    OptionsResult result;
    DriverOptions& o = result.options;
    bool everyGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::string value;
        bool hasInlineValue = false;
        if (arg.rfind("--", 0) == 0) {
            const std::size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
                hasInlineValue = true;
            }
        }
        auto takeValue = [&](std::string& out) -> bool {
            if (hasInlineValue) {
                out = value;
            } else if (i + 1 < args.size()) {
                out = args[++i];
            } else {
                result.error = "option " + arg + " needs a value";
                return false;
            }
            if (out.empty()) {
                result.error = "option " + arg + " needs a non-empty value";
                return false;
            }
            return true;
        };

        if (arg == "--help" || arg == "-h") {
            o.help = true;
            result.ok = true;
            return result;
        } else if (arg == "--frames" || arg == "--screenshot-every") {
            std::string text;
            if (!takeValue(text)) return result;
            uint32_t& target = arg == "--frames" ? o.frames : o.screenshotEvery;
            if (!parseCount(text, target)) {
                result.error = "option " + arg + " needs a whole number from 1 to " + std::to_string(kMaxFrame) +
                               ", found '" + text + "'";
                return result;
            }
            if (arg == "--screenshot-every") everyGiven = true;
        } else if (arg == "--input") {
            if (!takeValue(o.inputPath)) return result;
        } else if (arg == "--screenshot") {
            if (!takeValue(o.screenshotPath)) return result;
        } else if (arg == "--screenshot-dir") {
            if (!takeValue(o.screenshotDir)) return result;
        } else if (arg == "--trace") {
            if (!takeValue(o.tracePath)) return result;
        } else if (arg == "--workdir") {
            if (!takeValue(o.workdir)) return result;
        } else if (arg == "--map") {
            if (!takeValue(o.mapPath)) return result;
        } else if (arg == "--scenario") {
            if (!takeValue(o.scenarioPath)) return result;
        } else if (arg == "--scores") {
            if (!takeValue(o.scoresPath)) return result;
        } else if (arg == "--mode") {
            if (!takeValue(o.mode)) return result;
            if (o.mode != "classic" && o.mode != "shortest") {
                result.error = "option --mode needs classic or shortest, found '" + o.mode + "'";
                return result;
            }
        } else if (arg == "--seed") {
            std::string text;
            if (!takeValue(text)) return result;
            uint64_t v = 0;
            bool digits = text.size() <= 10;
            for (char c : text) digits = digits && c >= '0' && c <= '9', v = v * 10 + static_cast<uint64_t>(c - '0');
            if (!digits || v > 0xFFFFFFFFull) {
                result.error = "option --seed needs a whole number from 0 to 4294967295, found '" + text + "'";
                return result;
            }
            o.seed = static_cast<uint32_t>(v);
        } else if (arg == "--keep-arrived") {
            o.keepArrived = true;
        } else if (arg == "--nav-log") {
            if (hasInlineValue) {
                result.error = "option --nav-log takes no value";
                return result;
            }
            o.navLog = true;
        } else if (!arg.empty() && arg[0] == '-') {
            result.error = "unknown option '" + args[i] + "'";
            return result;
        } else if (o.program.empty()) {
            if (!isProgramName(arg)) {
                result.error = "unknown program '" + arg + "' (expected steering, steering_walls or steering_basic)";
                return result;
            }
            o.program = arg;
        } else {
            result.error = "unexpected argument '" + arg + "' (the program is already '" + o.program + "')";
            return result;
        }
    }
    if (o.program.empty()) {
        result.error = "no program given (expected steering, steering_walls or steering_basic)";
        return result;
    }
    if (!o.mapPath.empty() && o.program != "steering") {
        result.error = "option --map is for steering only (" + o.program + " has no map file)";
        return result;
    }
    if (!o.scenarioPath.empty() && o.program != "steering") {
        result.error = "option --scenario is for steering only";
        return result;
    }
    if (o.scenarioPath.empty()) {
        for (const char* only : {"--scores", "--mode", "--seed", "--keep-arrived"}) {
            for (const std::string& a : args) {
                if (a.rfind(only, 0) == 0) {
                    result.error = std::string("option ") + only + " goes with --scenario";
                    return result;
                }
            }
        }
    }
    if (everyGiven != !o.screenshotDir.empty()) {
        result.error = "--screenshot-every and --screenshot-dir go together";
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace headless
