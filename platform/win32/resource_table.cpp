// The program's registered resource table.
#include <win32_resources.h>

namespace {

Win32ResourceTable& Table() {
    static Win32ResourceTable table{};
    return table;
}

}  // namespace

void Win32RegisterResources(const Win32ResourceTable& table) {
    Table() = table;
}

const Win32ResourceTable& Win32Resources() {
    return Table();
}
