#include "platform/DeviceIo.h"

#include <map>

namespace platform {
namespace {

struct DeviceTable {
    std::shared_ptr<DeviceProvider> provider = std::make_shared<NullDeviceProvider>();
    std::map<Handle, std::unique_ptr<Device>> open;
    std::map<Handle, bool> activated;
    Handle next = 0x100;
    std::map<uint32_t, std::span<uint8_t>> buffers;
    uint32_t nextToken = 0x1000;
};

DeviceTable& Table() {
    static DeviceTable t;
    return t;
}

}  // namespace

void SetDeviceProvider(std::shared_ptr<DeviceProvider> provider) {
    Table().provider = provider ? std::move(provider) : std::make_shared<NullDeviceProvider>();
}

DeviceProvider& GetDeviceProvider() { return *Table().provider; }

Handle CreateFile(std::string_view name) {
    DeviceTable& t = Table();
    std::unique_ptr<Device> device = t.provider->Open(name);
    if (!device) return kInvalidHandle;
    const Handle h = t.next++;
    t.open[h] = std::move(device);
    return h;
}

bool DeviceIoControl(Handle h, uint32_t code, const void* in, uint32_t inSize, void* out,
                     uint32_t outSize, uint32_t* returned) {
    uint32_t count = 0;
    if (returned) *returned = 0;
    auto& open = Table().open;
    auto it = open.find(h);
    if (it == open.end()) return false;
    if ((inSize && !in) || (outSize && !out)) return false;
    std::span<const uint8_t> inSpan(static_cast<const uint8_t*>(in), in ? inSize : 0);
    std::span<uint8_t> outSpan(static_cast<uint8_t*>(out), out ? outSize : 0);
    const bool ok = it->second->Control(code, inSpan, outSpan, count);
    if (returned) *returned = count;
    return ok;
}

bool CloseHandle(Handle h) { return Table().open.erase(h) > 0 || Table().activated.erase(h) > 0; }

Handle ActivateDeviceEx(std::string_view registryPath) {
    DeviceTable& t = Table();
    if (!t.provider->Activate(registryPath)) return kInvalidHandle;
    const Handle h = t.next++;
    t.activated[h] = true;
    return h;
}

bool DeactivateDevice(Handle h) { return Table().activated.erase(h) > 0; }

uint32_t RegisterSharedBuffer(void* data, uint32_t size) {
    DeviceTable& t = Table();
    const uint32_t token = t.nextToken++;
    t.buffers[token] = std::span<uint8_t>(static_cast<uint8_t*>(data), size);
    return token;
}

void UnregisterSharedBuffer(uint32_t token) { Table().buffers.erase(token); }

std::span<uint8_t> ResolveSharedBuffer(uint32_t token) {
    auto& b = Table().buffers;
    auto it = b.find(token);
    return it == b.end() ? std::span<uint8_t>() : it->second;
}

}  // namespace platform
