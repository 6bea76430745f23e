#include "platform/drop_files.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace win {

struct DropData {
    std::string path;
};

namespace host {

HDROP makeDrop(const std::string& path) { return new (std::nothrow) DropData{path}; }

}  // namespace host

UINT DragQueryFile(HDROP drop, UINT index, char* file, UINT size) {
    if (drop == nullptr) return 0;
    if (index == kDragQueryFileCount) return 1;
    if (index != 0) return 0;
    if (file != nullptr && size > 0) {
        const std::size_t copied = std::min<std::size_t>(drop->path.size(), size - 1);
        std::memcpy(file, drop->path.data(), copied);
        file[copied] = '\0';
    }
    return static_cast<UINT>(drop->path.size());
}

void DragFinish(HDROP drop) { delete drop; }

}  // namespace win
