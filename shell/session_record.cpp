#include "shell/session_record.h"

#include <cerrno>
#include <cinttypes>
#include <cstring>
#include <string>

#include "platform/host.h"

namespace shell {

namespace {

using namespace win;

// Longest dropped path recorded; longer ones are left out of the recording.
constexpr UINT kMaxDroppedPath = 1024;

void keyName(uint32_t code, char* out, std::size_t size) {
    // The platform's one table of key names, which the driver's input files read back.
    std::snprintf(out, size, "%s", win::host::virtualKeyName(static_cast<int>(code)).c_str());
}

void onMessage(void* context, const MSG& message) {
    Session& session = *static_cast<Session*>(context);
    if (session.record == nullptr) return;
    const int length = recordedLine(message, session.framesRun + 1, session.line, kRecordLineSize);
    if (length > 0) std::fwrite(session.line, 1, static_cast<std::size_t>(length), session.record);
}

void afterTick(void* context, bool /*removedMessage*/, bool accepted) {
    Session& session = *static_cast<Session*>(context);
    if (!accepted) return;
    ++session.framesRun;
    if (session.trace != nullptr) writeTraceRows(session.trace, *session.programRun, session.framesRun);
}

bool closeFile(std::FILE*& file, const std::string& what) {
    if (file == nullptr) return true;
    const bool ok = std::ferror(file) == 0 && std::fclose(file) == 0;
    if (!ok) std::fprintf(stderr, "writing the %s file failed\n", what.c_str());
    file = nullptr;
    return ok;
}

}  // namespace

int recordedLine(const MSG& m, uint32_t frame, char* line, int size) {
    const unsigned x = LOWORD(static_cast<uintptr_t>(m.lParam));
    const unsigned y = HIWORD(static_cast<uintptr_t>(m.lParam));
    char key[16];
    int n = 0;
    switch (m.message) {
        case WM_KEYDOWN:
            keyName(static_cast<uint32_t>(m.wParam), key, sizeof key);
            n = std::snprintf(line, static_cast<std::size_t>(size), "%" PRIu32 " keydown %s %u\n", frame, key,
                              LOWORD(static_cast<uintptr_t>(m.lParam)));
            break;
        case WM_KEYUP:
            keyName(static_cast<uint32_t>(m.wParam), key, sizeof key);
            n = std::snprintf(line, static_cast<std::size_t>(size), "%" PRIu32 " keyup %s\n", frame, key);
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP: {
            const char* name = m.message == WM_LBUTTONDOWN ? "ldown"
                               : m.message == WM_LBUTTONUP ? "lup"
                               : m.message == WM_RBUTTONDOWN ? "rdown"
                                                             : "rup";
            n = std::snprintf(line, static_cast<std::size_t>(size), "%" PRIu32 " %s %u %u\n", frame, name, x, y);
            break;
        }
        case WM_MOUSEMOVE: {
            // The programs look at the left button first, then the right: these three
            // events carry every difference a move can make to them.
            const char* name = (m.wParam & MK_LBUTTON) != 0   ? "ldrag"
                               : (m.wParam & MK_RBUTTON) != 0 ? "rdrag"
                                                              : "move";
            n = std::snprintf(line, static_cast<std::size_t>(size), "%" PRIu32 " %s %u %u\n", frame, name, x, y);
            break;
        }
        case WM_COMMAND:
            n = std::snprintf(line, static_cast<std::size_t>(size), "%" PRIu32 " menu %u\n", frame,
                              LOWORD(static_cast<uintptr_t>(m.wParam)));
            break;
        case WM_CLOSE: n = std::snprintf(line, static_cast<std::size_t>(size), "%" PRIu32 " close\n", frame); break;
        case WM_DROPFILES: {
            const HDROP drop = reinterpret_cast<HDROP>(m.wParam);
            char path[kMaxDroppedPath];
            const UINT length = DragQueryFile(drop, 0, path, sizeof path);
            if (length == 0 || length >= sizeof path) return 0;
            // One word: spaces, '#', '%' and control characters as %XX.
            std::string escaped;
            for (UINT i = 0; i < length; ++i) {
                const unsigned char c = static_cast<unsigned char>(path[i]);
                if (c <= ' ' || c == '#' || c == '%' || c == 0x7F) {
                    char hex[4];
                    std::snprintf(hex, sizeof hex, "%%%02X", c);
                    escaped += hex;
                } else {
                    escaped += static_cast<char>(c);
                }
            }
            n = std::snprintf(line, static_cast<std::size_t>(size), "%" PRIu32 " drop %s\n", frame, escaped.c_str());
            break;
        }
        default: return 0;
    }
    return n > 0 && n < size ? n : 0;
}

void writeTraceHeader(std::FILE* trace, const Program& program) {
    std::fprintf(trace, "frame,index,x,y,vx,vy%s%s\n", program.traceExtraHeader[0] != '\0' ? "," : "",
                 program.traceExtraHeader);
}

void writeTraceRows(std::FILE* trace, const ProgramRun& programRun, uint32_t frame) {
    // Room for one row fragment from a program (a few numbers and flags per agent).
    constexpr int kFragmentSize = 512;
    char fragment[kFragmentSize];
    const int agents = programRun.agentCount();
    for (int i = 0; i < agents; ++i) {
        if (programRun.traceAgent(i, fragment, kFragmentSize) < 0) continue;
        std::fprintf(trace, "%" PRIu32 ",%d,%s\n", frame, i, fragment);
    }
}

bool parseSessionOptions(int argc, char** argv, bool allowMap, SessionOptions& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string* value = arg == "--record"               ? &options.recordPath
                             : arg == "--trace"              ? &options.tracePath
                             : (allowMap && arg == "--map") ? &options.mapPath
                                                             : nullptr;
        if (value == nullptr) {
            error = "unknown option '" + arg + "' (options: --record FILE, --trace FILE" +
                    (allowMap ? ", --map FILE)" : ")");
            return false;
        }
        if (i + 1 >= argc || argv[i + 1][0] == '\0') {
            error = arg + " needs a file name";
            return false;
        }
        *value = argv[++i];
    }
    return true;
}

bool startSession(const Program& program, const ProgramRun& programRun, const SessionOptions& options,
                  Session& session, std::string& error) {
    session = Session{};
    session.programRun = &programRun;
    auto open = [&](const std::string& path, const char* what, std::FILE*& file) {
        if (path.empty()) return true;
        file = std::fopen(path.c_str(), "w");
        if (file != nullptr) return true;
        error = std::string("cannot write the ") + what + " file '" + path + "': " + std::strerror(errno);
        return false;
    };
    if (!open(options.recordPath, "record", session.record) || !open(options.tracePath, "trace", session.trace)) {
        closeFile(session.record, "record");
        return false;
    }
    if (session.record != nullptr) {
        std::fprintf(session.record, "# %s session: replay with steering_headless %s --input FILE\n", program.name,
                     program.name);
        if (!options.recordHeader.empty()) std::fprintf(session.record, "%s\n", options.recordHeader.c_str());
    }
    if (session.trace != nullptr) writeTraceHeader(session.trace, program);
    return true;
}

LoopObserver sessionObserver(Session& session) {
    LoopObserver observer;
    observer.context = &session;
    observer.afterTick = afterTick;
    observer.onMessage = onMessage;
    return observer;
}

bool finishSession(Session& session) {
    const bool recordOk = closeFile(session.record, "record");
    const bool traceOk = closeFile(session.trace, "trace");
    return recordOk && traceOk;
}

}  // namespace shell
